#!/usr/bin/env bash
# Pictures of the module's windows for the README: runs docs/screenshots/session.khs
# with the x86_64 test build under Wine on a virtual X display (Wine's X11 driver draws
# the real dialogs from the module's resources) and saves a PNG of each dialog (101,
# 102, 103, 131, 132) and of the control window during playback in docs/screenshots.
# kestrel-host.exe --snapshots asks for each picture with a NAME.request file holding
# the window's screen rectangle and waits until the file is gone.
# Then the pages of the installer and the uninstaller (the x86_64 build of the same
# script), stepped through with the Enter key sent by XTest. Last the linux build
# records docs/screenshots/report.khs, kestrel-frc makes its flight report, and
# headless Chromium pictures the page's top (the map and the first track) as report.png.
set -euo pipefail
source "$(dirname "${BASH_SOURCE[0]}")/common.sh"
cd "$KESTREL_ROOT"

OUT=docs/screenshots
REQUESTS=build/mingw64/snapshot-requests

if [[ "${1:-}" != --*inside-display ]]; then
run_step "Checking the packages the pictures need" ensure_packages "${LINUX_PACKAGES[@]}" "${MINGW64_PACKAGES[@]}" \
    "${WINE_PACKAGES[@]}" xvfb xauth imagemagick fonts-wine x11-utils libxtst6 python3 nsis chromium
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
# press_enter X Y: clicks at the screen point (giving that window the keyboard) and
# presses Enter, the default button of the page, through the XTest extension.
press_enter() {
    python3 - "$1" "$2" <<'PYTHON'
import ctypes, sys, time
x11 = ctypes.CDLL("libX11.so.6")
xtst = ctypes.CDLL("libXtst.so.6")
x11.XOpenDisplay.restype = ctypes.c_void_p
x11.XStringToKeysym.restype = ctypes.c_ulong
display = ctypes.c_void_p(x11.XOpenDisplay(None))
x, y = int(sys.argv[1]), int(sys.argv[2])
xtst.XTestFakeMotionEvent(display, -1, x, y, 0)
for down in (True, False):
    xtst.XTestFakeButtonEvent(display, 1, down, 0)
    x11.XFlush(display)
    time.sleep(0.1)
enter = x11.XKeysymToKeycode(display, ctypes.c_ulong(x11.XStringToKeysym(b"Return")))
for down in (True, False):
    xtst.XTestFakeKeyEvent(display, enter, down, 0)
    x11.XFlush(display)
    time.sleep(0.1)
x11.XCloseDisplay(display)
PYTHON
}

# picture_pages TITLE NAME...: for each NAME, waits for a window whose title starts
# with TITLE, saves it as
# NAME.png and moves on to the next page; the last page is closed with Enter too.
picture_pages() {
    local title="$1" name line x y w h tries
    shift
    for name in "$@"; do
        line=""
        for tries in $(seq 100); do
            line=$(xwininfo -root -tree 2>/dev/null | grep -F "\"$title" | head -1) || true
            [ -n "$line" ] && break
            sleep 0.2
        done
        [ -n "$line" ] || { echo "no window \"$title\" for $name" >&2; xwininfo -root -tree | grep '"' >&2; return 1; }
        read -r w h x y < <(sed -E 's/.* ([0-9]+)x([0-9]+)\+-?[0-9]+\+-?[0-9]+ +\+(-?[0-9]+)\+(-?[0-9]+)$/\1 \2 \3 \4/' <<<"$line")
        sleep 3  # the page has painted (and the install has run)
        import -window root -crop "${w}x${h}+${x}+${y}" +repage "$OUT/$name.png"
        echo "  $OUT/$name.png (${w}x${h})"
        # A spot of the page's header: clicking it only gives the window the keyboard.
        press_enter $((x + w / 3)) $((y + 20))
        sleep 1
    done
}

# The installer's pages on a machine that looks like a simulator's, then the uninstaller's.
take_installer_pictures() {
    wine_use_prefix "$KESTREL_ROOT/build/mingw64/wine-x11" x11 || return 1
    local version
    version=$(cat build/mingw64/version.txt)
    local sim="$WINEPREFIX/drive_c/Microsoft Games/Flight Simulator X"
    mkdir -p "$sim/Modules"
    touch "$sim/fsx.exe"
    timeout -k 10 60 wine reg add 'HKLM\SOFTWARE\Microsoft\Microsoft Games\Flight Simulator\10.0' /reg:32 \
        /v SetupPath /d 'C:\Microsoft Games\Flight Simulator X\' /f >/dev/null 2>&1 || return 1
    timeout -k 10 120 wine "build/mingw64/KestrelFSX-$version-Setup.exe" >/dev/null 2>&1 &
    local setup=$!
    picture_pages "Kestrel $version Setup" installer-1-welcome installer-2-simulator-folder \
        installer-3-toolkit-folder installer-4-installed installer-5-finish || { kill $setup; return 1; }
    wait $setup || return 1
    timeout -k 10 120 wine "$WINEPREFIX/drive_c/Program Files/Kestrel/Uninstall.exe" >/dev/null 2>&1 &
    picture_pages "Kestrel $version Uninstall" uninstaller-1-confirm uninstaller-2-what-to-remove \
        uninstaller-3-removed || return 1
    timeout -k 10 60 wineserver -w || true
}

if [ "${1:-}" = --inside-display ]; then
    take_pictures
    exit
fi
if [ "${1:-}" = --installer-inside-display ]; then
    take_installer_pictures
    exit
fi
rm -rf "$REQUESTS"
mkdir -p "$REQUESTS" "$OUT"
run_step "Taking the pictures under Xvfb" xvfb-run -a -s "-screen 0 1280x1024x24" "$0" --inside-display
run_step "Taking the installer's pictures under Xvfb" xvfb-run -a -s "-screen 0 1280x1024x24" "$0" --installer-inside-display

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
