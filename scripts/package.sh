#!/usr/bin/env bash
# The release archive: builds the mingw preset (the 32-bit DLL, kestrel-frc.exe and the
# installer users get) and writes build/dist/Kestrel-<version>.zip with the installer, the
# bare KestrelFSX.dll for manual installs, kestrel-frc.exe, the README (whose manual
# install steps go with the bare DLL) and the LICENSE, in a folder Kestrel-<version>.
set -euo pipefail
source "$(dirname "${BASH_SOURCE[0]}")/common.sh"
cd "$KESTREL_ROOT"

BUILD=build/mingw
DIST=build/dist

run_step "Checking the packages the release needs" ensure_packages "${MINGW_PACKAGES[@]}" cmake ninja-build zip
run_step "Fetching pugixml's source for the Windows builds" ensure_pugixml_source
run_step "Configuring the mingw build" cmake --preset mingw
run_step "Building the mingw build and the installer" cmake --build --preset mingw -j 2

make_archive() {
    local version folder archive
    version=$(cat "$BUILD/version.txt")
    folder="Kestrel-$version"
    archive="$DIST/$folder.zip"
    local setup="$BUILD/KestrelFSX-$version-Setup.exe"
    if [ ! -f "$setup" ]; then
        echo "error: $setup was not built (is makensis installed?)" >&2
        return 1
    fi
    rm -rf "$DIST/$folder" "$archive"
    mkdir -p "$DIST/$folder"
    cp "$setup" "$BUILD/KestrelFSX.dll" "$BUILD/kestrel-frc.exe" README.md LICENSE "$DIST/$folder/"
    (cd "$DIST" && zip -q -r -X "$folder.zip" "$folder")
    rm -rf "${DIST:?}/$folder"
    zip -sf "$archive" | sed 's/^/  /'
    echo "$archive: $(stat -c %s "$archive") bytes"
}
run_step "Writing the release archive" make_archive
