// Benchmarks of recording: packing and appending one sample to a track, in memory and
// with its temp file. The capture of a reply is in frame_bench.cpp.
#include <benchmark/benchmark.h>

#include <cstdio>

#include "recording/sample.h"
#include "recording/track.h"

namespace {

FullSample MakeSample() {
    FullSample full = {};
    SetSampleI64(&full, FieldLatitude, 22671849830627556);
    SetSampleI64(&full, FieldLongitude, 1152921504606846976);
    SetSampleI64(&full, FieldAltitude, 5302428325694);
    SetSampleU32(&full, FieldHeading, 0xC0000000u);
    SetSampleF64(&full, FieldVelocityZ, 250.0);
    SetSampleU16(&full, FieldThrottle1, 16384);
    SetSampleU16(&full, FieldLights, 0x355);
    return full;
}

// Packing and appending one sample: the replay ring (memory only) and a track whose
// full buffer goes to a file every 240 samples.
void BM_AppendSample_MemoryRing(benchmark::State& state) {
    Track track = {};
    if (!OpenTrack(&track, 3600, nullptr, 0, (uint32_t)state.range(0), "bench", 1, 125, 1)) {
        state.SkipWithError("no buffer");
        return;
    }
    FullSample full = MakeSample();
    uint32_t time = 0;
    for (auto _ : state) {
        SetSampleU32(&full, FieldTime, time += 1250);
        benchmark::DoNotOptimize(AppendSample(&track, &full));
    }
    ReleaseTrackBuffer(&track);
}
BENCHMARK(BM_AppendSample_MemoryRing)->Arg(0x07F)->Arg(0xFFF);

void BM_AppendSample_TempFile(benchmark::State& state) {
    FILE* file = tmpfile();
    Track track = {};
    if (!file || !OpenTrack(&track, TrackBufferRecords, file, 0, 0x07F, "bench", 1, 125, 1)) {
        state.SkipWithError("no temp file");
        if (file) fclose(file);
        return;
    }
    FullSample full = MakeSample();
    uint32_t time = 0;
    for (auto _ : state) {
        SetSampleU32(&full, FieldTime, time += 1250);
        benchmark::DoNotOptimize(AppendSample(&track, &full));
    }
    ReleaseTrackBuffer(&track);
    fclose(file);
}
BENCHMARK(BM_AppendSample_TempFile);

}  // namespace
