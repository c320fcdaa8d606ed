#!/usr/bin/env bash
# The benchmarks: builds kestrel_bench in Release (build/release), runs it with 5
# repetitions into build/release/bench.json (Google Benchmark's JSON) and prints the
# module's costs as ratios to the reference copies measured in the same run, which
# stay comparable on a shared, noisy machine where absolute times do not. Arguments
# are passed on to kestrel_bench (for example --benchmark_filter=Module).
set -euo pipefail
source "$(dirname "${BASH_SOURCE[0]}")/common.sh"
cd "$KESTREL_ROOT"

BUILD=build/release
run_step "Checking the packages the benchmarks need" ensure_packages "${LINUX_PACKAGES[@]}" python3
run_step "Configuring the Release build" cmake --preset linux -B "$BUILD" -DCMAKE_BUILD_TYPE=Release
run_step "Building kestrel_bench" cmake --build "$BUILD" -j 2 --target kestrel_bench
run_step "Running the benchmarks" "$BUILD/kestrel_bench" --benchmark_repetitions=5 \
    --benchmark_out="$BUILD/bench.json" --benchmark_out_format=json "$@"
run_step "Ratios" python3 scripts/bench_table.py "$BUILD/bench.json"
