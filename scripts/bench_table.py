#!/usr/bin/env python3
"""Prints the table of scripts/bench.sh from a kestrel_bench JSON file: for each of the
module's measured costs the median CPU time of the repetitions, the reference it is
compared with, their ratio and the goal. CPU time, not wall time: the machine is
shared, and a benchmark that waits for a core should not count the wait."""
import json
import sys

# (benchmark, reference, goal as a ratio; None: no goal, shown for information)
ROWS = [
    ("BM_ModuleRecordingFrame_User200Ai", "BM_Reference_CopySampleBytes_201", 8),
    ("BM_ModulePlaybackFrame_200Traffic", "BM_Reference_CopySampleBytes_201", 8),
    ("BM_InterpolateSample_Memory", "BM_Reference_CopyTwoRecords", 5),
    ("BM_CaptureSample_UserTrack", "BM_Reference_CopyTwoRecords", None),
]


def medians(results):
    """Median CPU time (ns) and counters of each benchmark, from the median aggregates,
    or from the single run when there were no repetitions."""
    found = {}
    for run in results["benchmarks"]:
        name = run.get("run_name", run["name"]).split("/iterations:")[0]
        aggregate = run.get("aggregate_name")
        if aggregate not in (None, "median"):
            continue
        if aggregate is None and name in found:
            continue
        scale = {"ns": 1, "us": 1e3, "ms": 1e6, "s": 1e9}[run.get("time_unit", "ns")]
        found[name] = (run["cpu_time"] * scale, run)
    return found


def show(ns):
    return f"{ns / 1000:.2f} µs" if ns >= 1000 else f"{ns:.1f} ns"


def main():
    with open(sys.argv[1]) as file:
        found = medians(json.load(file))
    print("| Benchmark | Median CPU time | Reference | Ratio | Goal | Allocations per frame |")
    print("|---|---|---|---|---|---|")
    failed = False
    for name, reference, goal in ROWS:
        if name not in found or reference not in found:
            continue
        time, run = found[name]
        ratio = time / found[reference][0]
        allocations = run.get("allocs_per_frame")
        met = goal is None or ratio <= goal
        failed |= not met or bool(allocations)
        print(f"| {name} | {show(time)} | {reference} ({show(found[reference][0])}) | {ratio:.1f}x | "
              + (f"<= {goal}x" if goal else "-") + " | " + ("-" if allocations is None else f"{allocations:g}") + " |")
    if failed:
        print("Some goals are not met.")


if __name__ == "__main__":
    main()
