// Benchmarks of playback: one interpolation from a memory track and from a file
// track's sliding window, and loading a one-hour recording of 50 aircraft.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <unistd.h>
#include <vector>

#include "playback/player.h"
#include "playback/position.h"
#include "recording/recordingfile.h"
#include "recording/track.h"
#include "tests/support/test_tracks.h"
#include "vsim/sim/simhost.h"

namespace {

void WriteFile(const std::string& realPath, const std::vector<uint8_t>& bytes) {
    std::ofstream out(realPath, std::ios::binary);
    out.write(reinterpret_cast<const char*>(bytes.data()), (std::streamsize)bytes.size());
}

// One interpolation of the default group set, the position moving 333 units a call
// through a track of 1000 samples 1/4 s apart.
void BM_InterpolateSample_Memory(benchmark::State& state) {
    Track track = {};
    TestTrack line = LineTrack("Bench", 0, 999 * 2500);
    if (!OpenTrack(&track, (uint32_t)line.samples.size(), nullptr, 0, line.groups, "bench", 7, 250, 1)) {
        state.SkipWithError("no buffer");
        return;
    }
    for (const FullSample& sample : line.samples) AppendSample(&track, &sample);
    track.readMode = 1;
    track.position = track.bufferIndex = 0;
    FullSample out;
    uint32_t t = 0;
    for (auto _ : state) {
        benchmark::DoNotOptimize(InterpolateSample(&track, t, &out));
        t += 333;
        if (t > track.endTime) {
            t = 0;
            track.position = track.bufferIndex = 0;
        }
    }
    ReleaseTrackBuffer(&track);
}
BENCHMARK(BM_InterpolateSample_Memory);

// The same through a file track's 240-record window, refilled from the file as the
// position leaves it.
void BM_InterpolateSample_FileWindow(benchmark::State& state) {
    FILE* file = tmpfile();
    if (!file) {
        state.SkipWithError("no temp file");
        return;
    }
    std::vector<uint8_t> bytes = RecordingFileBytes({LineTrack("Bench", 0, 9999 * 2500)});
    fwrite(bytes.data(), 1, bytes.size(), file);
    fseek(file, 18, SEEK_SET);
    Track track = {};
    if (!OpenTrack(&track, TrackBufferRecords, file, 1, 0, nullptr, 7, 0, 1)) {
        state.SkipWithError("the track did not open");
        fclose(file);
        return;
    }
    FullSample out;
    uint32_t t = 0;
    for (auto _ : state) {
        benchmark::DoNotOptimize(InterpolateSample(&track, t, &out));
        t += 333;
        if (t > track.endTime) {
            state.PauseTiming();
            t = 0;
            track.position = track.bufferIndex = 0;
            LoadTrackWindow(&track, 0);
            state.ResumeTiming();
        }
    }
    ReleaseTrackBuffer(&track);
    fclose(file);
}
BENCHMARK(BM_InterpolateSample_FileWindow);

// A one-hour recording of 50 aircraft at 1/4 s (14,400 samples each, 65 MB), loaded
// onto the user's aircraft (the first track gets its buffer and first window) and as
// traffic (headers only). The table is emptied and the file closed off the clock.
void BM_LoadRecordingFile_1Hour50Aircraft(benchmark::State& state) {
    char pattern[] = "/tmp/kestrel-loadbench-XXXXXX";
    if (!mkdtemp(pattern)) {
        state.SkipWithError("no temp folder");
        return;
    }
    std::string root = pattern;
    vsim::SetDriveRoot(root);
    std::filesystem::create_directories(vsim::MapPath("C:\\Sim\\Recs"));
    {
        std::vector<TestTrack> tracks;
        for (int i = 0; i < 50; ++i) tracks.push_back(LineTrack("Aircraft " + std::to_string(i), 0, 36000000 - 2500));
        WriteFile(vsim::MapPath("C:\\Sim\\Recs\\hour.frc"), RecordingFileBytes(tracks));
    }
    uint32_t asTraffic = (uint32_t)state.range(0);
    bool loaded = true;
    for (auto _ : state) {
        PlaybackStart = 0xFFFFFFFF;
        PlaybackEnd = 0;
        loaded = LoadRecordingFile("C:\\Sim\\Recs\\hour.frc", asTraffic) && loaded;
        state.PauseTiming();
        loaded = loaded && TrackTable.count == 50 && TrackTable.entries[0].sampleCount == 14400;
        ResetTrackTable();
        state.ResumeTiming();
    }
    state.counters["file_MB"] = benchmark::Counter((double)std::filesystem::file_size(vsim::MapPath("C:\\Sim\\Recs\\hour.frc")) / 1e6);
    if (!loaded) state.SkipWithError("the recording did not load whole");
    std::error_code error;
    std::filesystem::remove_all(root, error);
}
BENCHMARK(BM_LoadRecordingFile_1Hour50Aircraft)->Arg(0)->Arg(1)->Unit(benchmark::kMicrosecond);

}  // namespace
