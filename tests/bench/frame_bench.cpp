// The module's own cost per frame, on the benchmarks' simulator: a recording frame of
// the user's aircraft and 200 AI aircraft, a playback frame of 200 traffic aircraft,
// and one capture; with the reference work the ratios are taken against (copying
// records), measured in the same run because absolute times on a shared machine are
// not comparable between runs.
#include <benchmark/benchmark.h>

#include <cstring>

#include "module/dispatch.h"
#include "recording/capture.h"
#include "recording/recorder.h"
#include "recording/sample.h"
#include "tests/bench/bench_simconnect.h"
#include "tests/bench/bench_world.h"
#include "tests/bench/counting_allocator.h"

namespace {

using namespace benchsim;

// Runs frames while timing and reports the allocations and the given call per frame.
void RunFrames(benchmark::State& state, Call perFrame, const char* counterName) {
    uint64_t calls = CallCount(perFrame);
    uint64_t allocations = AllocationCount();
    for (auto _ : state) RunFrame();
    double frames = (double)state.iterations();
    state.counters["allocs_per_frame"] = benchmark::Counter((double)(AllocationCount() - allocations) / frames);
    state.counters[counterName] = benchmark::Counter((double)(CallCount(perFrame) - calls) / frames);
    if (DroppedCount() != 0) state.SkipWithError("the simulator dropped requests");
}

// One frame of 1/8 s while recording: the Frame event (the recording tick with its
// 201 sample requests), then the 201 replies captured, appended, and every 240th
// written to the aircraft's temp file. 2400 frames are five minutes of recording.
void BM_ModuleRecordingFrame_User200Ai(benchmark::State& state) {
    World world;
    if (!world.StartRecordingAll()) {
        state.SkipWithError("the recording did not start with 201 tracks");
        return;
    }
    RunFrames(state, CallRequestDataOnSimObject, "requests_per_frame");
}
BENCHMARK(BM_ModuleRecordingFrame_User200Ai)->Iterations(2400)->Unit(benchmark::kMicrosecond);

// One frame of 1/30 s while 200 traffic aircraft fly their tracks: for each, the two
// samples around the position found and blended, one tagged data write and the
// placement and velocity through the host's aircraft object.
void BM_ModulePlaybackFrame_200Traffic(benchmark::State& state) {
    World world;
    if (!world.StartTrafficPlayback()) {
        state.SkipWithError("the traffic aircraft are not all in the air");
        return;
    }
    RunFrames(state, CallSetDataOnSimObject, "writes_per_frame");
}
BENCHMARK(BM_ModulePlaybackFrame_200Traffic)->Unit(benchmark::kMicrosecond);

// One reply of the default groups turned into a sample of the user's file-backed track;
// 240000 samples (20 MB of temp file) are enough for a steady figure.
void BM_CaptureSample_UserTrack(benchmark::State& state) {
    World world;
    if (!world.StartRecordingAll()) {
        state.SkipWithError("the recording did not start with 201 tracks");
        return;
    }
    double values[64] = {47.25, 8.5, 1234.5};
    for (auto _ : state) {
        benchmark::DoNotOptimize(CaptureSample(values, UserObjectId));
        ++Timeline;
    }
}
BENCHMARK(BM_CaptureSample_UserTrack)->Iterations(240000);

// The reference work: 201 full records copied into another buffer (what a recording
// frame must at least move), and two full records copied into a third (what one
// interpolation must at least read and write).
void BM_Reference_CopySampleBytes_201(benchmark::State& state) {
    static FullSample from[201], to[201];
    for (uint32_t i = 0; i < 201; ++i) SetSampleU32(&from[i], FieldTime, i);
    for (auto _ : state) {
        for (uint32_t i = 0; i < 201; ++i) memcpy(&to[i], &from[i], sizeof(FullSample));
        benchmark::DoNotOptimize(to);
        benchmark::ClobberMemory();
    }
}
BENCHMARK(BM_Reference_CopySampleBytes_201);

void BM_Reference_CopyTwoRecords(benchmark::State& state) {
    FullSample first = {}, second = {};
    uint8_t third[2 * sizeof(FullSample)];
    for (auto _ : state) {
        benchmark::DoNotOptimize(first);
        benchmark::DoNotOptimize(second);
        memcpy(third, &first, sizeof(FullSample));
        memcpy(third + sizeof(FullSample), &second, sizeof(FullSample));
        benchmark::DoNotOptimize(third);
        benchmark::ClobberMemory();
    }
}
BENCHMARK(BM_Reference_CopyTwoRecords);

}  // namespace
