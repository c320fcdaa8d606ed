#!/usr/bin/env bash
# Pictures of the module's windows for the README: runs docs/screenshots/session.khs
# with the x86_64 test build under Wine on a virtual X display (Wine's X11 driver draws
# the real dialogs from the module's resources) and saves a PNG of each dialog (101,
# 102, 103, 131, 132) and of the control window during playback in docs/screenshots.
# kestrel-host.exe --snapshots asks for each picture with a NAME.request file holding
# the window's screen rectangle and waits until the file is gone. Then the linux build
# records docs/screenshots/report.khs, kestrel-frc makes its flight report, and
# headless Chromium pictures the page's top (the map and the first track) as report.png.
set -euo pipefail
source "$(dirname "${BASH_SOURCE[0]}")/common.sh"
cd "$KESTREL_ROOT"

OUT=docs/screenshots
REQUESTS=build/mingw64/snapshot-requests

if [ "${1:-}" != --inside-display ]; then
run_step "Checking the packages the pictures need" ensure_packages "${LINUX_PACKAGES[@]}" "${MINGW64_PACKAGES[@]}" \
    "${WINE_PACKAGES[@]}" xvfb xauth imagemagick fonts-wine chromium
run_step "Fetching pugixml's source for the Windows builds" ensure_pugixml_source
run_step "Configuring the mingw64 build" cmake --preset mingw64
run_step "Building the x86_64 test build" cmake --build --preset mingw64 -j 2
fi

# Runs inside the virtual display: the host in the background, a picture per request.
take_pictures() {
    wine_use_prefix "$KESTREL_ROOT/build/mingw64/wine-x11" x11 || return 1
    rm -rf "$WINEPREFIX/drive_c/Sim"
    timeout -k 10 240 wine build/mingw64/kestrel-host.exe --quiet --snapshots "$(winepath -w "$REQUESTS")" \
        "$OUT/session.khs" >"$REQUESTS/host.log" 2>&1 &
    local host=$! request name rect taken=0
    while kill -0 "$host" 2>/dev/null; do
        for request in "$REQUESTS"/*.request; do
            [ -e "$request" ] || continue
            name=$(basename "$request" .request)
            read -r x y w h <"$request"
            sleep 0.5  # the window has painted while the host waited
            import -window root -crop "${w}x${h}+${x}+${y}" +repage "$OUT/$name.png"
            echo "  $OUT/$name.png (${w}x${h})"
            rm -f "$request"
            taken=$((taken + 1))
        done
        sleep 0.2
    done
    local status=0
    wait "$host" || status=$?
    wineserver -k >/dev/null 2>&1 || true
    cat "$REQUESTS/host.log"
    [ $status -eq 0 ] && [ $taken -eq 6 ]
}
if [ "${1:-}" = --inside-display ]; then
    take_pictures
    exit
fi
rm -rf "$REQUESTS"
mkdir -p "$REQUESTS" "$OUT"
run_step "Taking the pictures under Xvfb" xvfb-run -a -s "-screen 0 1280x1024x24" "$0" --inside-display

# The flight report, as a browser shows it.
report_picture() {
    local folder=build/linux/report-picture
    rm -rf "$folder"
    mkdir -p "$folder"
    build/linux/kestrel-host --quiet --root "$folder/root" "$OUT/report.khs" >"$folder/host.log" 2>&1 || {
        cat "$folder/host.log"
        return 1
    }
    build/linux/kestrel-frc report "$folder/root/C/Sim/circuits.frc" -o "$folder/report.html" || return 1
    # Chromium's complaints about the missing desktop bus are noise; the log keeps them.
    timeout -k 10 120 chromium --headless --no-sandbox --disable-gpu --hide-scrollbars \
        --force-device-scale-factor=1 --window-size=1000,2000 --screenshot="$PWD/$OUT/report.png" \
        "file://$PWD/$folder/report.html" >"$folder/chromium.log" 2>&1 || {
        cat "$folder/chromium.log"
        return 1
    }
    echo "  $OUT/report.png (from $folder/report.html)"
}
run_step "Configuring the linux build" cmake --preset linux
run_step "Building kestrel-host and kestrel-frc" cmake --build --preset linux -j 2 --target kestrel-host kestrel-frc
run_step "Picturing a flight report with headless Chromium" report_picture
echo "==> Pictures in $OUT"
