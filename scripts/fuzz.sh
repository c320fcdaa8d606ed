#!/usr/bin/env bash
# Fuzzes the module with libFuzzer: builds the fuzz targets of the sanitize preset
# (clang, AddressSanitizer and UndefinedBehaviorSanitizer), makes each target's seed
# corpus from the tests' own recordings and scripts, runs every target for SECONDS
# (default 60) on one core and prints one line per target and a total. A crashing
# input is saved under build/sanitize/fuzz/crashes/. Exits non-zero on any crash.
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

# Runs one target for the given seconds; prints "NAME: N runs, C crashes". The module
# keeps what it allocates (replay ring, tables) from one input to the next, so
# libFuzzer's leak check would scan the whole heap after most inputs: leaks are left
# to the tests under the sanitizers, which check them at every test's end.
TOTAL_RUNS=0
TOTAL_CRASHES=0
fuzz_target() {
    local name="$1" log="$OUT/$1.log" corpus="$OUT/corpus/$1" crashes="$OUT/crashes"
    mkdir -p "$corpus" "$crashes"
    local before after status=0
    before=$(find "$crashes" -name "$name-*" | wc -l)
    "build/sanitize/$name" -max_total_time="$SECONDS_PER_TARGET" -timeout=10 -rss_limit_mb=2048 -detect_leaks=0 \
        -print_final_stats=1 -artifact_prefix="$crashes/$name-" "$corpus" "$OUT/seeds/$name" >"$log" 2>&1 || status=$?
    after=$(find "$crashes" -name "$name-*" | wc -l)
    local runs crashes_now=$((after - before))
    runs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$log" | tail -1)
    runs=${runs:-0}
    if [ $status -ne 0 ] && [ $crashes_now -eq 0 ]; then crashes_now=1; fi
    echo "$name: $runs runs, $crashes_now crashes"
    if [ $crashes_now -ne 0 ]; then
        echo "  see $log; the input is saved as $(ls -t "$crashes/$name-"* 2>/dev/null | head -1)"
        grep -m 3 -E 'ERROR:|runtime error:|SUMMARY:' "$log" | sed 's/^/  /' || true
    fi
    TOTAL_RUNS=$((TOTAL_RUNS + runs))
    TOTAL_CRASHES=$((TOTAL_CRASHES + crashes_now))
}

echo "==> Fuzzing each target for $SECONDS_PER_TARGET s"
for target in "${TARGETS[@]}"; do fuzz_target "$target"; done
echo "total: $TOTAL_RUNS runs, $TOTAL_CRASHES crashes"
[ $TOTAL_CRASHES -eq 0 ]
