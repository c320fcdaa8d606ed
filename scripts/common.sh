# Shared by demo.sh and test.sh (sourced, not run): the repository root, the Debian
# packages each build needs, installing the missing ones, and running named steps.

KESTREL_ROOT="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"

# The linux preset: the module in the virtual simulator, the tests and the benchmarks
# (gpsbabel reads back what kestrel-frc exports).
LINUX_PACKAGES=(cmake ninja-build g++ libgtest-dev libgmock-dev libbenchmark-dev
    libpugixml-dev libcli11-dev nlohmann-json3-dev gpsbabel)
# The mingw preset: KestrelFSX.dll, cross-compiled for 32-bit Windows, and the installer.
MINGW_PACKAGES=(g++-mingw-w64-i686 binutils-mingw-w64-i686 nsis)
# The mingw64 preset (the x86_64 test build) and 64-bit Wine to run it.
MINGW64_PACKAGES=(g++-mingw-w64-x86-64-win32 binutils-mingw-w64-x86-64)
WINE_PACKAGES=(wine wine64)
# The sanitize preset and the fuzz targets: clang with its sanitizer and libFuzzer
# runtimes, and llvm-symbolizer for readable reports.
SANITIZE_PACKAGES=(clang libclang-rt-14-dev llvm)
# The Windows builds compile pugixml from Debian's source package (see ensure_pugixml_source)
# and take the header-only CLI11 and nlohmann-json from Debian's packages.
WINDOWS_SOURCE_PACKAGES=(dpkg-dev libcli11-dev nlohmann-json3-dev)
PUGIXML_SOURCE_DIR="$KESTREL_ROOT/build/third_party/pugixml"

# Installs those of the given Debian packages that are not installed yet; does not
# touch apt at all when everything is there already.
ensure_packages() {
    local missing=() package
    for package in "$@"; do
        if ! dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q 'install ok installed'; then
            missing+=("$package")
        fi
    done
    if [ ${#missing[@]} -eq 0 ]; then
        return 0
    fi

    local sudo=()
    if [ "$(id -u)" -ne 0 ]; then
        if command -v sudo >/dev/null 2>&1; then
            sudo=(sudo)
        else
            echo "error: these packages are missing and installing them needs root: ${missing[*]}" >&2
            return 1
        fi
    fi
    if ! command -v apt-get >/dev/null 2>&1; then
        echo "error: apt-get not found; install these packages by hand: ${missing[*]}" >&2
        return 1
    fi

    echo "==> Installing ${missing[*]}"
    if [ -z "${KESTREL_APT_UPDATED:-}" ]; then
        "${sudo[@]}" env DEBIAN_FRONTEND=noninteractive apt-get update -q || return 1
        KESTREL_APT_UPDATED=1
    fi
    "${sudo[@]}" env DEBIAN_FRONTEND=noninteractive \
        apt-get install -y -q --no-install-recommends "${missing[@]}" || return 1
}

# ensure_pugixml_source: unpacks Debian's source package of pugixml into
# build/third_party/pugixml for the Windows builds (cmake/thirdparty.cmake compiles it),
# adding a deb-src entry for the machine's Debian release when apt has none. Does nothing
# when the source is there already.
ensure_pugixml_source() {
    [ -f "$PUGIXML_SOURCE_DIR/src/pugixml.cpp" ] && return 0
    ensure_packages "${WINDOWS_SOURCE_PACKAGES[@]}" || return 1
    local sudo=()
    [ "$(id -u)" -ne 0 ] && sudo=(sudo)
    if ! grep -rqs '^Types:.*deb-src\|^deb-src ' /etc/apt/sources.list /etc/apt/sources.list.d/; then
        local codename
        codename=$(. /etc/os-release && echo "${VERSION_CODENAME:-bookworm}")
        printf 'Types: deb-src\nURIs: http://deb.debian.org/debian\nSuites: %s\nComponents: main\nSigned-By: /usr/share/keyrings/debian-archive-keyring.gpg\n' \
            "$codename" | "${sudo[@]}" tee /etc/apt/sources.list.d/kestrel-deb-src.sources >/dev/null || return 1
        "${sudo[@]}" env DEBIAN_FRONTEND=noninteractive apt-get update -q || return 1
    fi
    local work
    work=$(mktemp -d)
    if ! (cd "$work" && apt-get source -q pugixml >/dev/null 2>&1); then
        # The lists may predate the deb-src entry.
        "${sudo[@]}" env DEBIAN_FRONTEND=noninteractive apt-get update -q || return 1
        (cd "$work" && apt-get source -q pugixml >/dev/null) || { rm -rf "$work"; return 1; }
    fi
    mkdir -p "$(dirname "$PUGIXML_SOURCE_DIR")"
    rm -rf "$PUGIXML_SOURCE_DIR"
    mv "$work"/pugixml-*/ "$PUGIXML_SOURCE_DIR"
    rm -rf "$work"
    [ -f "$PUGIXML_SOURCE_DIR/src/pugixml.cpp" ]
}

# run_step DESCRIPTION COMMAND...: runs the command and stops the script with a
# message naming the step when it fails.
run_step() {
    local description="$1"
    shift
    echo "==> $description"
    local status=0
    "$@" || status=$?
    if [ $status -ne 0 ]; then
        echo "FAILED: $description (exit status $status)" >&2
        exit $status
    fi
}

# wine_use_prefix PREFIX DRIVER: sets up the environment of a private Wine prefix (64-bit,
# no Mono or Gecko installers, no debug output) and, the first time, creates it with the
# given graphics driver: "null" (no display at all) or "x11" (a display in DISPLAY).
# Windows programs then run with `wine PROGRAM`.
wine_use_prefix() {
    local prefix="$1" driver="$2"
    export WINEPREFIX="$prefix" WINEARCH=win64 WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
    if [ ! -f "$prefix/system.reg" ]; then
        mkdir -p "$prefix"
        timeout -k 10 180 wineboot -i >/dev/null 2>&1 || { echo "error: wineboot failed in $prefix" >&2; return 1; }
        timeout -k 10 60 wineserver -w || true
    fi
    local value=null
    [ "$driver" = x11 ] && value=x11
    timeout -k 10 60 wine reg add 'HKCU\Software\Wine\Drivers' /v Graphics /d "$value" /f >/dev/null 2>&1 || return 1
    if [ "$driver" = x11 ]; then
        # Without a window manager Wine draws the frames and captions itself.
        timeout -k 10 60 wine reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /d N /f >/dev/null 2>&1 || return 1
        timeout -k 10 60 wine reg add 'HKCU\Software\Wine\X11 Driver' /v Decorated /d N /f >/dev/null 2>&1 || return 1
    fi
    timeout -k 10 60 wineserver -w || true
}

# wine_stop: ends the prefix's wineserver and every Windows process in it.
wine_stop() {
    [ -n "${WINEPREFIX:-}" ] && wineserver -k >/dev/null 2>&1 || true
}
