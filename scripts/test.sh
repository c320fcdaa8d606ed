#!/usr/bin/env bash
# The README's test command: installs what is missing, builds both presets (the linux
# build with the virtual simulator and KestrelFSX.dll for Windows), runs every test
# with CTest and checks the DLL's exports and imports. Then the Wine stage: the x86_64
# test build (preset mingw64) runs the scenario scripts of tests/scripts under 64-bit
# Wine, the module's real Win32 code against real windows, and each run must agree
# with the linux build's run of the same script; then kestrel-frc.exe runs the same
# commands on the same inputs as the linux kestrel-frc, whose outputs it must equal;
# then the x86_64 installer installs, reinstalls and uninstalls Kestrel silently in that
# prefix. Last, the sanitize preset (clang with AddressSanitizer and UndefinedBehavior-
# Sanitizer) builds and runs every test again, and every fuzz target runs briefly
# (scripts/fuzz.sh). Exits non-zero on any failure.
set -euo pipefail
source "$(dirname "${BASH_SOURCE[0]}")/common.sh"
cd "$KESTREL_ROOT"

run_step "Checking the packages the builds need" ensure_packages "${LINUX_PACKAGES[@]}" "${MINGW_PACKAGES[@]}"

run_step "Configuring the linux build" cmake --preset linux
run_step "Building the linux build" cmake --build --preset linux -j 2
run_step "Fetching pugixml's source for the Windows builds" ensure_pugixml_source
run_step "Configuring the mingw build" cmake --preset mingw
run_step "Building KestrelFSX.dll" cmake --build --preset mingw -j 2

# A test run that finds no tests is a broken build, not a pass.
run_step "Running the tests" ctest --preset linux -j 2 --output-on-failure --no-tests=error
run_step "Checking KestrelFSX.dll" scripts/check-dll.sh build/mingw
run_step "Checking the 32-bit installer was made" test -f "build/mingw/KestrelFSX-$(cat build/mingw/version.txt)-Setup.exe"

# ---- The Wine stage ----

WINE_BUILD=build/mingw64
WINE_OUT=$WINE_BUILD/scenarios
WINE_RUN_TIMEOUT=90     # seconds for one run of one script
WINE_STAGE_TIMEOUT=280  # the watchdog ends every Windows process after this

# Compares what the two runs of one script left behind; prints each disagreement.
# The transcripts must be equal line for line; the files on the simulator's drive must
# be the same set, with equal bytes, except that recording files only need an equal
# size and header: their samples carry the simulated aircraft's floating-point motion,
# which the two C libraries compute to slightly different last bits (the transcript's
# "dump" lines still compare every track's counts and times), and Kestrel.log lists
# entry addresses of the process it ran in.
#
# One line differs by design: Wine's save dialog asks "File already exists." where the
# Windows dialog (and the emulation) names the file; both are shown as "<file> already
# exists." before the comparison.
same_transcript() {
    sed 's/^\(message box \[[^]]*\] "\)[^"]* already exists\.\\nDo you want to replace it?"/\1<file> already exists.\\nDo you want to replace it?"/' "$1"
}

compare_runs() {
    local name="$1" linux="$WINE_OUT/linux/$name" wine="$WINE_OUT/wine/$name" same=0
    if ! diff -u <(same_transcript "$linux.txt") <(same_transcript "$wine.txt") >"$WINE_OUT/$name.transcript.diff"; then
        echo "    transcripts differ ($WINE_OUT/$name.transcript.diff):"
        head -20 "$WINE_OUT/$name.transcript.diff" | sed 's/^/      /'
        same=1
    fi
    local files_linux files_wine
    files_linux=$(cd "$linux" && find . -type f | sort)
    files_wine=$(cd "$wine" && find . -type f | sort)
    if [ "$files_linux" != "$files_wine" ]; then
        echo "    different files: linux: $(echo $files_linux) / wine: $(echo $files_wine)"
        same=1
    fi
    local file
    for file in $files_linux; do
        [ -f "$wine/$file" ] || continue
        case "$file" in
            *.frc)
                if [ "$(stat -c %s "$linux/$file")" != "$(stat -c %s "$wine/$file")" ] ||
                    ! cmp -s -n 18 "$linux/$file" "$wine/$file"; then
                    echo "    $file: size or header differ"
                    same=1
                fi
                ;;
            *.log) ;;
            *)
                if ! cmp -s "$linux/$file" "$wine/$file"; then
                    echo "    $file differs:"
                    diff <(tr -d '\r' <"$linux/$file") <(tr -d '\r' <"$wine/$file") | head -10 | sed 's/^/      /'
                    same=1
                fi
                ;;
        esac
    done
    return $same
}

wine_scenarios() {
    local stage_start=$SECONDS
    rm -rf "$WINE_OUT"
    mkdir -p "$WINE_OUT/linux" "$WINE_OUT/wine"
    wine_use_prefix "$KESTREL_ROOT/$WINE_BUILD/wine" null || return 1
    unset DISPLAY
    # The watchdog: whatever hangs, every Windows process ends after the stage's time.
    (
        sleep "$WINE_STAGE_TIMEOUT" >/dev/null 2>&1 </dev/null &
        sleeper=$!
        trap 'kill $sleeper 2>/dev/null; exit 0' TERM
        if wait $sleeper; then
            echo "watchdog: the Wine stage ran out of time" >&2
            touch "$WINE_OUT/watchdog-fired"
            wineserver -k
        fi
    ) &
    local watchdog=$!
    local passed=0 failed=0 script name drive="$WINEPREFIX/drive_c"
    for script in tests/scripts/*.khs; do
        name=$(basename "$script" .khs)
        if [ -e "$WINE_OUT/watchdog-fired" ]; then
            echo "  FAILED $name: not run, the watchdog ended the stage"
            failed=$((failed + 1))
            continue
        fi
        local status=0
        rm -rf "$WINE_OUT/linux/$name" "$drive/Sim"
        mkdir -p "$WINE_OUT/linux/$name" "$WINE_OUT/wine/$name"
        timeout -k 10 "$WINE_RUN_TIMEOUT" build/linux/kestrel-host --root "$WINE_OUT/linux/$name" "$script" \
            >"$WINE_OUT/linux/$name.raw" 2>"$WINE_OUT/linux/$name.err" || status=1
        grep -v '^done: \|^FAILED: ' "$WINE_OUT/linux/$name.raw" >"$WINE_OUT/linux/$name.txt" || true
        timeout -k 10 "$WINE_RUN_TIMEOUT" wine "$WINE_BUILD/kestrel-host.exe" "$script" \
            >"$WINE_OUT/wine/$name.raw" 2>"$WINE_OUT/wine/$name.err" || status=1
        tr -d '\r' <"$WINE_OUT/wine/$name.raw" | grep -v '^done: \|^FAILED: ' >"$WINE_OUT/wine/$name.txt" || true
        # The Wine drive lined up with the linux build's: <root>/C/Sim.
        mkdir -p "$WINE_OUT/wine/$name/C"
        if [ -d "$drive/Sim" ]; then cp -r "$drive/Sim" "$WINE_OUT/wine/$name/C/"; fi
        rm -f "$WINE_OUT/wine/$name/C/Sim/Modules/KestrelFSX.dll"
        if [ $status -ne 0 ]; then
            echo "  FAILED $name: a run failed or timed out (see $WINE_OUT/*/$name.*)"
            tail -3 "$WINE_OUT/wine/$name.txt" | sed 's/^/    /'
            failed=$((failed + 1))
        elif compare_runs "$name"; then
            echo "  ok $name"
            passed=$((passed + 1))
        else
            echo "  FAILED $name: the Wine run and the linux run disagree"
            failed=$((failed + 1))
        fi
    done
    kill "$watchdog" 2>/dev/null || true
    wait "$watchdog" 2>/dev/null || true
    wine_stop
    echo "Wine stage: $((SECONDS - stage_start)) s"
    echo "$passed passed, $failed failed"
    [ $failed -eq 0 ]
}

# kestrel-frc on both builds: the same commands on the same inputs (a recording the
# linux build makes with tests/toolkit/flight.khs, a damaged copy of it and temp files
# cut from it) must print the same text, exit with the same status and write the same
# bytes. Each command runs in its build's own folder with the same relative paths.
TOOLKIT_OUT=$WINE_BUILD/toolkit
toolkit_commands() {
    local run="$1"
    "$run" info ../input/flight.frc
    "$run" info --json ../input/flight.frc
    "$run" check ../input/flight.frc ../input/cut.frc
    "$run" export ../input/flight.frc -o flight.gpx
    "$run" export ../input/flight.frc -o flight.kml
    "$run" export ../input/flight.frc --track 2 -o flight.igc
    "$run" export ../input/flight.frc -o flight.csv
    "$run" export ../input/flight.frc -o flight.geojson
    "$run" export ../input/flight.frc -o flight.txt
    "$run" trim ../input/flight.frc --from 5 --to 12.5 -o trimmed.frc
    "$run" split ../input/flight.frc -o parts
    "$run" merge ../input/flight.frc trimmed.frc --align start -o merged.frc
    "$run" recover ../input/temps -o recovered.frc
    "$run" landings ../input/flight.frc
    "$run" landings --json --track 1 ../input/flight.frc
    "$run" report ../input/flight.frc -o flight.html
    "$run" import ../input/circuit.gpx ../input/circuit.igc ../input/circuit.kml ../input/tracking.csv \
        -o imported.frc
    "$run" info imported.frc
    # Imported samples come from sines and arc tangents, whose last bits the two C
    # libraries may round apart: info's rounded figures are compared, not the bytes.
    rm -f imported.frc
    "$run" import flight.csv -o reimported.frc
    "$run" import ../input/cut.igc -o cut.frc
}

# One command: its stdout, stderr and exit status go to files numbered in order.
TOOLKIT_STEP=0
toolkit_linux() {
    TOOLKIT_STEP=$((TOOLKIT_STEP + 1))
    local status=0
    "$KESTREL_ROOT/build/linux/kestrel-frc" "$@" >"out$TOOLKIT_STEP.txt" 2>"err$TOOLKIT_STEP.txt" || status=$?
    echo "$status" >"status$TOOLKIT_STEP.txt"
}
toolkit_wine() {
    TOOLKIT_STEP=$((TOOLKIT_STEP + 1))
    local status=0
    timeout -k 10 60 wine "$KESTREL_ROOT/$WINE_BUILD/kestrel-frc.exe" "$@" >"out$TOOLKIT_STEP.txt" \
        2>"err$TOOLKIT_STEP.txt" || status=$?
    echo "$status" >"status$TOOLKIT_STEP.txt"
}

wine_toolkit() {
    local stage_start=$SECONDS input="$TOOLKIT_OUT/input"
    rm -rf "$TOOLKIT_OUT"
    mkdir -p "$input/temps" "$TOOLKIT_OUT/linux" "$TOOLKIT_OUT/wine"
    timeout -k 10 "$WINE_RUN_TIMEOUT" build/linux/kestrel-host --quiet --root "$TOOLKIT_OUT/host" \
        tests/toolkit/flight.khs >"$TOOLKIT_OUT/host.txt" 2>&1 || { echo "  the input recording failed"; return 1; }
    cp "$TOOLKIT_OUT/host/C/Sim/flight.frc" "$input/flight.frc"
    head -c 5000 "$input/flight.frc" >"$input/cut.frc"
    # The user's track as an interrupted recording left it: its header and records, the
    # last one cut.
    tail -c +19 "$input/flight.frc" | head -c 9000 >"$input/temps/Kestrel1.tmp"
    touch -d '2026-12-08 14:10:00 UTC' "$input/temps/Kestrel1.tmp"
    # Flight logs to import: a GPX track, gpsbabel's IGC and KML of it, a flight-tracking
    # site's CSV, and an IGC log cut inside a B record.
    cp tests/toolkit/circuit.gpx tests/toolkit/tracking.csv "$input/"
    gpsbabel -i gpx -f "$input/circuit.gpx" -o igc -F "$input/circuit.igc" || return 1
    gpsbabel -i gpx -f "$input/circuit.gpx" -o kml,track=1,points=0 -F "$input/circuit.kml" || return 1
    head -c 200 "$input/circuit.igc" >"$input/cut.igc"
    wine_use_prefix "$KESTREL_ROOT/$WINE_BUILD/wine" null || return 1
    (cd "$TOOLKIT_OUT/linux" && TOOLKIT_STEP=0 && toolkit_commands toolkit_linux)
    (cd "$TOOLKIT_OUT/wine" && TOOLKIT_STEP=0 && toolkit_commands toolkit_wine)
    wine_stop
    echo "kestrel-frc comparison: $((SECONDS - stage_start)) s"
    if ! diff -r "$TOOLKIT_OUT/linux" "$TOOLKIT_OUT/wine" >"$TOOLKIT_OUT/differences.txt"; then
        echo "  FAILED: kestrel-frc.exe and the linux kestrel-frc disagree ($TOOLKIT_OUT/differences.txt):"
        head -20 "$TOOLKIT_OUT/differences.txt" | sed 's/^/    /'
        return 1
    fi
    # The comparison means something only if the commands did their work.
    if [ "$(cat "$TOOLKIT_OUT/linux/status4.txt" "$TOOLKIT_OUT/linux/status3.txt" \
        "$TOOLKIT_OUT/linux/status9.txt" "$TOOLKIT_OUT/linux/status13.txt" "$TOOLKIT_OUT/linux/status17.txt" \
        "$TOOLKIT_OUT/linux/status19.txt" "$TOOLKIT_OUT/linux/status20.txt" | tr '\n' ' ')" != "0 1 2 0 0 0 1 " ]; then
        echo "  FAILED: the linux kestrel-frc did not give the expected exit statuses (see $TOOLKIT_OUT/linux)"
        return 1
    fi
    echo "  ok: 20 commands, $(find "$TOOLKIT_OUT/linux" -type f | wc -l) files the same"
}

# ---- The installer under Wine ----
# The x86_64 installer (the same script as the users' 32-bit one) installs silently into
# the Wine prefix made to look like a simulator's machine: the simulator's folder where
# its registry entry (32-bit view) says, a dll.xml in Windows-1252 with another add-on.
# Then it checks the files, the XML and the Add/Remove Programs entry, installs again,
# uninstalls, and does it once more with a dll.xml it cannot parse.

INSTALL_RUN_TIMEOUT=60  # seconds for one run of the installer or the uninstaller

installer_checks() {
    local stage_start=$SECONDS failures=0
    local version setup
    version=$(cat "$WINE_BUILD/version.txt")
    setup="$WINE_BUILD/KestrelFSX-$version-Setup.exe"
    wine_use_prefix "$KESTREL_ROOT/$WINE_BUILD/wine" null || return 1
    unset DISPLAY
    local drive="$WINEPREFIX/drive_c" arp='HKLM\Software\Microsoft\Windows\CurrentVersion\Uninstall\Kestrel'
    local sim="$drive/Microsoft Games/Flight Simulator X" toolkit="$drive/KestrelTools"
    local appdata
    appdata=$(timeout -k 10 60 wine cmd /c echo %APPDATA% | tr -d '\r')
    local dllxml
    dllxml="$(winepath -u "$appdata" 2>/dev/null)/Microsoft/FSX/dll.xml"
    local original="$WINE_BUILD/installer-dll.xml" broken="$WINE_BUILD/installer-broken-dll.xml"
    printf '<?xml version="1.0" encoding="Windows-1252"?>\r\n<SimBase.Document Type="Launch" version="1,0">\r\n  <Descr>Launch</Descr>\r\n  <Filename>dll.xml</Filename>\r\n  <Disabled>False</Disabled>\r\n  <Launch.ManualLoad>False</Launch.ManualLoad>\r\n  <Launch.Addon>\r\n    <Name>M\xe9t\xe9o \x80</Name>\r\n    <Disabled>False</Disabled>\r\n    <Path>C:\\Add-ons\\M\xe9t\xe9o\\weather.dll</Path>\r\n  </Launch.Addon>\r\n</SimBase.Document>\r\n' >"$original"
    printf '<?xml version="1.0" encoding="Windows-1252"?>\r\n<SimBase.Document Type="Launch" version="1,0">\r\n  <Launch.Addon>\r\n</SimBase.Document>\r\n' >"$broken"

    check() {  # check DESCRIPTION COMMAND...
        if "${@:2}"; then echo "  ok $1"; else echo "  FAILED $1"; failures=$((failures + 1)); fi
    }
    kestrel_entries() { grep -c '<Name>Kestrel</Name>' "$dllxml" || true; }
    run_windows() {  # run_windows EXPECTED_STATUS PROGRAM ARGS...
        local status=0
        timeout -k 10 "$INSTALL_RUN_TIMEOUT" wine "${@:2}" >/dev/null 2>&1 || status=$?
        [ "$status" = "$1" ] || { echo "    $(basename "$2") exited with $status, expected $1"; return 1; }
    }
    # The uninstaller runs in place (_?=) so that the run waits for it and its status
    # counts; it then cannot delete itself, and the folder keeps Uninstall.exe only.
    uninstall() { run_windows "$1" "$toolkit/Uninstall.exe" /S "${@:2}" '_?=C:\KestrelTools'; }
    only_uninstaller_left() { [ "$(ls "$toolkit")" = Uninstall.exe ]; }

    # A clean machine with the simulator on it.
    rm -rf "$sim" "$toolkit"
    timeout -k 10 60 wine reg delete "$arp" /f >/dev/null 2>&1 || true
    mkdir -p "$sim/Modules" "$(dirname "$dllxml")"
    touch "$sim/fsx.exe"
    timeout -k 10 60 wine reg add 'HKLM\SOFTWARE\Microsoft\Microsoft Games\Flight Simulator\10.0' /reg:32 \
        /v SetupPath /d 'C:\Microsoft Games\Flight Simulator X\' /f >/dev/null 2>&1 || return 1
    cp "$original" "$dllxml"

    check "silent install" run_windows 0 "$setup" /S '/D=C:\KestrelTools'
    check "KestrelFSX.dll in the simulator's Modules folder" cmp -s "$WINE_BUILD/KestrelFSX.dll" "$sim/Modules/KestrelFSX.dll"
    check "toolkit, README and uninstaller in their folder" test -f "$toolkit/kestrel-frc.exe" -a -f "$toolkit/README.md" \
        -a -f "$toolkit/kestrel-dllxml.exe" -a -f "$toolkit/Uninstall.exe"
    check "the installed kestrel-frc is version $version" \
        test "$(timeout -k 10 60 wine "$toolkit/kestrel-frc.exe" --version | tr -d '\r')" = "kestrel-frc $version"
    check "one Kestrel entry in dll.xml" test "$(kestrel_entries)" = 1
    check "dll.xml keeps the declaration and the other add-on byte for byte" \
        cmp -s -n "$(($(stat -c %s "$original") - 21))" "$original" "$dllxml"
    check "Add/Remove Programs entry with version $version" \
        eval 'timeout -k 10 60 wine reg query "$arp" /v DisplayVersion 2>/dev/null | grep -q "REG_SZ *$version"'
    local installed
    installed=$(mktemp)
    cp "$dllxml" "$installed"
    check "installing again" run_windows 0 "$setup" /S '/D=C:\KestrelTools'
    check "still one Kestrel entry, dll.xml as after the first install" cmp -s "$installed" "$dllxml"
    rm -f "$installed"

    printf 'Sound=1\r\n' >"$sim/Modules/Kestrel.ini"
    printf 'recording' >"$sim/Modules/Rec_2026-01-01_10-00-00.frc"
    check "silent uninstall" uninstall 0
    check "DLL and toolkit removed" eval '[ ! -e "$sim/Modules/KestrelFSX.dll" ] && only_uninstaller_left'
    check "Kestrel.ini and the recording stay" test -f "$sim/Modules/Kestrel.ini" -a -f "$sim/Modules/Rec_2026-01-01_10-00-00.frc"
    check "dll.xml exactly as before the install" cmp -s "$original" "$dllxml"
    check "Add/Remove Programs entry removed" eval '! timeout -k 10 60 wine reg query "$arp" >/dev/null 2>&1'

    # dll.xml that cannot be parsed: the module installs, the file stays as it is, and
    # the installer says so (status 3); the uninstaller with /PURGE also deletes settings
    # and recordings.
    rm -rf "$toolkit"
    cp "$broken" "$dllxml"
    check "install with a broken dll.xml reports it" run_windows 3 "$setup" /S '/D=C:\KestrelTools'
    check "broken dll.xml untouched, module installed" eval 'cmp -s "$broken" "$dllxml" && [ -f "$sim/Modules/KestrelFSX.dll" ]'
    check "uninstall /PURGE with a broken dll.xml reports it" uninstall 3 /PURGE
    check "settings and recordings purged, dll.xml untouched" eval '[ -z "$(ls "$sim/Modules")" ] && cmp -s "$broken" "$dllxml"'

    wine_stop
    echo "Installer checks: $((SECONDS - stage_start)) s, $failures failed"
    [ $failures -eq 0 ]
}

# A crash during a recording with traffic under Wine (kestrel-host.exe ends itself with
# TerminateProcess), then a start on the same drive that recovers it. The scripts of
# tests/scripts/crash check the recovery themselves.
wine_crash_recovery() {
    local out="$WINE_OUT/crash" status=0
    wine_use_prefix "$KESTREL_ROOT/$WINE_BUILD/wine" null || return 1
    unset DISPLAY
    local modules="$WINEPREFIX/drive_c/Sim/Modules"
    rm -rf "$WINEPREFIX/drive_c/Sim" "$out"
    mkdir -p "$out"
    timeout -k 10 "$WINE_RUN_TIMEOUT" wine "$WINE_BUILD/kestrel-host.exe" tests/scripts/crash/1-record-and-crash.khs \
        >"$out/1.txt" 2>&1 || { echo "  FAILED the recording run (see $out/1.txt)"; status=1; }
    if grep -q "never reached" "$out/1.txt" || [ ! -s "$modules/Kestrel1.tmp" ]; then
        echo "  FAILED the crash left no temp file with records, or the script went on"
        status=1
    fi
    timeout -k 10 "$WINE_RUN_TIMEOUT" wine "$WINE_BUILD/kestrel-host.exe" tests/scripts/crash/2-start-again.khs \
        >"$out/2.txt" 2>&1 || { echo "  FAILED the start after the crash (see $out/2.txt)"; status=1; }
    [ $status -eq 0 ] && echo "  ok recovered: $(cd "$modules" && ls Recovered_*.frc)"
    wine_stop
    return $status
}

run_step "Checking the packages the Wine stage needs" ensure_packages "${MINGW64_PACKAGES[@]}" "${WINE_PACKAGES[@]}"
run_step "Configuring the mingw64 build" cmake --preset mingw64
run_step "Building the x86_64 test build" cmake --build --preset mingw64 -j 2
trap wine_stop EXIT
run_step "Running the scenario scripts under Wine" wine_scenarios
run_step "Recovering a recording after a crash under Wine" wine_crash_recovery
run_step "Comparing kestrel-frc.exe under Wine with the linux kestrel-frc" wine_toolkit
run_step "Installing and removing Kestrel under Wine" installer_checks

# ---- The sanitizer stage ----

# The linux build once more, with clang under AddressSanitizer and UndefinedBehavior-
# Sanitizer (preset sanitize): every test must pass without one report. The preset
# leaves out one test: it grows the track table to 65535 entries ten at a time, and
# the sanitizer's realloc copies the whole table each time, which takes many minutes.
# Then each fuzz target runs for 10 s.
run_step "Checking the packages the sanitize build needs" ensure_packages "${SANITIZE_PACKAGES[@]}"
run_step "Configuring the sanitize build" cmake --preset sanitize
run_step "Building the sanitize build" cmake --build --preset sanitize -j 2
run_step "Running the tests under the sanitizers" ctest --preset sanitize -j 2 --output-on-failure --no-tests=error
run_step "Fuzzing each target briefly" scripts/fuzz.sh 10

echo "==> All builds, tests, DLL checks, Wine scenarios, installer checks, sanitizer tests and fuzz runs passed."
