#!/usr/bin/env bash
# Memory over long runs of kestrel-host (the linux build), as peak resident memory
# printed at each simulated hour:
#   1. recording the user and 50 AI aircraft for RECORD_HOURS (default 4) hours;
#   2. HOURS (default 10) hours of the replay buffer running and a recording of 20 AI
#      aircraft playing as traffic: each hour it plays for 20 minutes, then the replay
#      buffer runs for the rest of the hour.
# A module or simulator that keeps what it no longer needs shows as growth from hour
# to hour. Exits non-zero when a run fails or the last hour's peak of a run is more
# than 10 % above its first hour's.
#
#   scripts/soak.sh [HOURS [RECORD_HOURS]]
set -euo pipefail
source "$(dirname "${BASH_SOURCE[0]}")/common.sh"
cd "$KESTREL_ROOT"

HOURS="${1:-10}"
RECORD_HOURS="${2:-4}"
OUT=build/linux/soak
HOST=build/linux/kestrel-host

run_step "Checking the packages the linux build needs" ensure_packages "${LINUX_PACKAGES[@]}"
run_step "Configuring the linux build" cmake --preset linux
run_step "Building kestrel-host" cmake --build --preset linux -j 2 --target kestrel-host
rm -rf "$OUT"
mkdir -p "$OUT"

ai_lines() {
    local count="$1" i plans=(orbit circuit)
    for ((i = 0; i < count; i++)); do
        echo "ai add \"Beech Baron 58 Paint$i\" flies ${plans[i % 2]}"
    done
}

record_script() {
    cat <<SCRIPT
ini SETTINGS NoRecDlg 0
start
flight load
user flies orbit
$(ai_lines 50)
seconds 2
on dialog 102 do select 1000 3; uncheck 1034; check 1089; set 1090 1; click 1
menu "Record..."
expect mode Recording
SCRIPT
    local hour
    for ((hour = 1; hour <= RECORD_HOURS; hour++)); do
        echo "seconds 3600"
        echo "say \"hour $hour\""
        echo "memory"
    done
    echo 'on save answer C:\Sim\soak-record.frc'
    echo 'menu "Stop..."'
}

traffic_script() {
    cat <<SCRIPT
start
flight load
user flies orbit
$(ai_lines 20)
seconds 2
on dialog 102 do select 1000 3; uncheck 1034; check 1089; set 1090 1; click 1
menu "Record..."
seconds 1200
on save answer C:\\Sim\\traffic.frc
menu "Stop..."
SCRIPT
    for ((i = 1; i <= 20; i++)); do echo "ai remove 1"; done
    echo 'say "the recorded traffic has left; the soak starts"'
    echo 'memory'
    local hour
    for ((hour = 1; hour <= HOURS; hour++)); do
        echo 'on open answer C:\Sim\traffic.frc'
        echo 'menu "Play as traffic..."'
        echo 'expect mode PlayingTraffic'
        echo 'seconds 1210'
        echo 'expect mode ReplayBuffering'
        echo 'seconds 2390'
        echo "say \"hour $hour\""
        echo 'memory'
    done
}

# Runs one script and prints its hours with their peaks; checks the growth.
soak_run() {
    local name="$1" script="$OUT/$1.khs" start=$SECONDS
    "${name}_script" >"$script"
    if ! "$HOST" --root "$OUT/$name" "$script" >"$OUT/$name.txt" 2>&1; then
        echo "kestrel-host failed (see $OUT/$name.txt):"
        grep -E 'FAILED|expected' "$OUT/$name.txt" | head -5
        return 1
    fi
    awk '/^== hour/ { hour = $NF } /^peak memory:/ { print "  " (hour == "" ? "start" : "hour " hour) ": " $3 " " $4 }' \
        "$OUT/$name.txt" | tee "$OUT/$name.peaks"
    echo "  ($((SECONDS - start)) s)"
    local first last
    first=$(grep -m1 '^  hour 1:' "$OUT/$name.peaks" | awk '{print $3}')
    last=$(tail -1 "$OUT/$name.peaks" | awk '{print $3}')
    awk -v first="$first" -v last="$last" 'BEGIN {
        printf "  last hour / first hour: %.1f %%\n", 100 * last / first
        exit !(last <= first * 1.10) }'
}

run_step "Recording the user and 50 AI aircraft for $RECORD_HOURS simulated hours" soak_run record
run_step "$HOURS simulated hours of the replay buffer and traffic playback" soak_run traffic
echo "==> Memory stayed within 10 % of the first hour."
