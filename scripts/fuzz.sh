#!/usr/bin/env bash
# Fuzzes the module with libFuzzer: builds the fuzz targets of the sanitize preset
# (clang, AddressSanitizer and UndefinedBehaviorSanitizer), makes each target's seed
# corpus from the tests' own recordings and scripts, runs every target for SECONDS
# (default 60) on one core, as many at once as there are cores, and prints one line
# per target and a total. A crashing input is saved under build/sanitize/fuzz/crashes/.
# Exits non-zero on any crash, or when a target ends before its time is up.
#
#   scripts/fuzz.sh [SECONDS]
set -euo pipefail
source "$(dirname "${BASH_SOURCE[0]}")/common.sh"
cd "$KESTREL_ROOT"

SECONDS_PER_TARGET="${1:-60}"
TARGETS=(recording_fuzz ini_fuzz script_fuzz dispatch_fuzz frc_fuzz)
OUT=build/sanitize/fuzz
HOST=build/sanitize/kestrel-host

run_step "Checking the packages the fuzz targets need" ensure_packages "${LINUX_PACKAGES[@]}" "${SANITIZE_PACKAGES[@]}"
run_step "Configuring the sanitize build" cmake --preset sanitize
run_step "Building the fuzz targets" cmake --build --preset sanitize -j 2 --target kestrel-host kestrel-frc "${TARGETS[@]}"

# The seeds: what the scenario scripts record and write when kestrel-host runs them.
make_seeds() {
    rm -rf "$OUT/seeds" "$OUT/runs"
    mkdir -p "${TARGETS[@]/#/$OUT/seeds/}" "$OUT/runs"
    local script name
    for script in record-and-save play-as-traffic settings-and-keyboard; do
        "$HOST" --quiet --root "$OUT/runs/$script" "tests/scripts/$script.khs" >"$OUT/runs/$script.txt" 2>&1 || {
            echo "kestrel-host failed on $script.khs (see $OUT/runs/$script.txt)" >&2
            return 1
        }
    done
    local files=() file
    while IFS= read -r file; do files+=("$file"); done < <(find "$OUT/runs" -name '*.frc' | sort)
    [ ${#files[@]} -ge 2 ] || { echo "the scripts left fewer than two recordings" >&2; return 1; }
    for file in "${files[@]}"; do
        cp "$file" "$OUT/seeds/recording_fuzz/$(basename "$(dirname "$file")")-$(basename "$file")"
    done
    # Two recordings picked together (the target splits its input at this line).
    { cat "${files[0]}"; printf '\nKESTREL-NEXT\n'; cat "${files[1]}"; } >"$OUT/seeds/recording_fuzz/two-files"
    find "$OUT/runs" -name Kestrel.ini | while IFS= read -r file; do
        cp "$file" "$OUT/seeds/ini_fuzz/$(echo "$file" | tr '/' '_')"
    done
    for script in tests/scripts/*.khs tests/fuzz/seeds/script/*.khs; do
        [ -f "$script" ] && cp "$script" "$OUT/seeds/script_fuzz/"
    done
    cp tests/fuzz/seeds/dispatch/* "$OUT/seeds/dispatch_fuzz/"
    # The toolkit's reader is picked by the first byte: 0 recording, 1 temp files
    # (a track header and its records), 2 GPX, 3 KML, 4 IGC, 5 flight-tracking CSV,
    # 6 kestrel-frc's CSV.
    local frc=build/sanitize/kestrel-frc seeds="$OUT/seeds/frc_fuzz" export="$OUT/runs/export"
    mkdir -p "$export"
    for file in "${files[@]}"; do
        name=$(basename "$file" .frc)
        { printf '\x00'; cat "$file"; } >"$seeds/$name.frc"
        { printf '\x01'; tail -c +19 "$file"; } >"$seeds/$name.tmp"
    done
    "$frc" export "${files[0]}" -o "$export/a.gpx" >/dev/null
    "$frc" export "${files[0]}" -o "$export/a.kml" >/dev/null
    "$frc" export "${files[0]}" -o "$export/a.igc" --track 1 >/dev/null
    "$frc" export "${files[0]}" -o "$export/a.csv" >/dev/null
    { printf '\x02'; cat "$export/a.gpx"; } >"$seeds/export.gpx"
    { printf '\x02'; cat tests/toolkit/circuit.gpx; } >"$seeds/circuit.gpx"
    { printf '\x03'; cat "$export/a.kml"; } >"$seeds/export.kml"
    { printf '\x04'; cat "$export/a.igc"; } >"$seeds/export.igc"
    { printf '\x05'; cat tests/toolkit/tracking.csv; } >"$seeds/tracking.csv"
    { printf '\x06'; cat "$export/a.csv"; } >"$seeds/export.csv"
}
run_step "Making the seed corpus from the scenario scripts" make_seeds

UBSAN_OPTIONS="halt_on_error=1:print_stacktrace=1"
export UBSAN_OPTIONS

# Runs one target for the given seconds, leaving libFuzzer's output in its log and its
# exit status beside it. The module keeps what it allocates (replay ring, tables) from
# one input to the next, so libFuzzer's leak check would scan the whole heap after
# most inputs: leaks are left to the tests under the sanitizers, which check them at
# every test's end.
run_target() {
    local name="$1" status=0
    "build/sanitize/$name" -max_total_time="$SECONDS_PER_TARGET" -timeout=10 -rss_limit_mb=2048 -detect_leaks=0 \
        -print_final_stats=1 -artifact_prefix="$OUT/crashes/$name-" "$OUT/corpus/$name" "$OUT/seeds/$name" \
        >"$OUT/$name.log" 2>&1 || status=$?
    echo "$status" >"$OUT/$name.status"
}

# Prints "NAME: N runs, C crashes" of a finished target and adds to the totals.
TOTAL_RUNS=0
TOTAL_CRASHES=0
report_target() {
    local name="$1" log="$OUT/$1.log" before="$2"
    local status after runs crashes_now
    status=$(cat "$OUT/$name.status")
    after=$(find "$OUT/crashes" -name "$name-*" | wc -l)
    crashes_now=$((after - before))
    runs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$log" | tail -1)
    runs=${runs:-0}
    # A target that ends without libFuzzer's final figures did not finish its run.
    local ended_early=0
    if ! grep -q '^stat::number_of_executed_units:' "$log"; then ended_early=1; fi
    if { [ "$status" -ne 0 ] || [ $ended_early -eq 1 ]; } && [ $crashes_now -eq 0 ]; then crashes_now=1; fi
    echo "$name: $runs runs, $crashes_now crashes"
    if [ $ended_early -eq 1 ]; then echo "  the target ended before its time was up"; fi
    if [ $crashes_now -ne 0 ]; then
        echo "  see $log; the input is saved as $(ls -t "$OUT/crashes/$name-"* 2>/dev/null | head -1)"
        grep -m 3 -E 'ERROR:|runtime error:|SUMMARY:' "$log" | sed 's/^/  /' || true
    fi
    TOTAL_RUNS=$((TOTAL_RUNS + runs))
    TOTAL_CRASHES=$((TOTAL_CRASHES + crashes_now))
}

# One target a core, as many at once as the machine has cores (FUZZ_JOBS to choose).
JOBS="${FUZZ_JOBS:-$(nproc)}"
echo "==> Fuzzing each target for $SECONDS_PER_TARGET s, $JOBS at a time"
mkdir -p "$OUT/crashes"
declare -A BEFORE
for target in "${TARGETS[@]}"; do
    mkdir -p "$OUT/corpus/$target"
    BEFORE[$target]=$(find "$OUT/crashes" -name "$target-*" | wc -l)
    while [ "$(jobs -rp | wc -l)" -ge "$JOBS" ]; do wait -n || true; done
    run_target "$target" &
done
wait
for target in "${TARGETS[@]}"; do report_target "$target" "${BEFORE[$target]}"; done
echo "total: $TOTAL_RUNS runs, $TOTAL_CRASHES crashes"
[ $TOTAL_CRASHES -eq 0 ]
