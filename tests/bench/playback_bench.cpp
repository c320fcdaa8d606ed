// Benchmarks of playback: one playback frame with 200 traffic aircraft in the air (and
// the simulator's own share of it measured apart), one interpolation from a memory
// track and from a file track's sliding window, and loading a one-hour recording of 50
// aircraft. Each benchmark sets up its own host and takes it down again, so the other
// benchmark files of this program find the module as a fresh process would.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <unistd.h>
#include <vector>

#include "module/dispatch.h"
#include "module/entry.h"
#include "module/simlink.h"
#include "module/versioncheck.h"
#include "playback/player.h"
#include "playback/position.h"
#include "recording/recorder.h"
#include "recording/recordingfile.h"
#include "recording/track.h"
#include "tests/support/playback_helpers.h"
#include "vsim/sim/panels.h"
#include "vsim/sim/simconnect.h"
#include "vsim/sim/simhost.h"
#include "vsim/sim/simulator.h"
#include "vsim/win32/embedded_resources.h"
#include "vsim/win32/win32emu.h"

namespace {

constexpr unsigned TrafficTracks = 200;
// Apart from the host DLLs' handles (0x10000000 upward), as in the test fixture.
HINSTANCE const ModuleHandle = reinterpret_cast<HINSTANCE>(static_cast<uintptr_t>(0x60000000));

// A host with the module loaded in a temporary drive; stopped and removed by Stop.
struct Host {
    std::string root;
    bool started = false;

    bool Start() {
        char pattern[] = "/tmp/kestrel-playbench-XXXXXX";
        if (!mkdtemp(pattern)) return false;
        root = pattern;
        vsim::HostOptions options;
        options.driveRoot = root;
        if (!vsim::StartHost(options)) return false;
        vsim::win32::SetResourceScript(KestrelResourceScript);
        vsim::win32::SetResourceHeader(KestrelResourceHeader);
        vsim::win32::SetModuleFileName(ModuleHandle, "C:\\Sim\\Modules\\KestrelFSX.dll");
        std::filesystem::create_directories(vsim::MapPath("C:\\Sim\\Modules"));
        std::filesystem::create_directories(vsim::MapPath("C:\\Sim\\Recs"));
        Panels = vsim::PanelTable();
        SimLinkRegistered = 0;  // a fresh process: registration follows the open message
        if (!ModuleAttach(ModuleHandle, DLL_PROCESS_ATTACH, nullptr)) return false;
        DLLStart();
        vsim::PumpSimConnect();
        started = true;
        return ModuleMode == ReplayBuffering;
    }

    void Stop() {
        if (started) {
            DLLStop();
            ModuleAttach(ModuleHandle, DLL_PROCESS_DETACH, nullptr);
            SimLinkRegistered = 0;
        }
        vsim::StopHost();
        vsim::ResetHost();
        // The emulation's windows and module table too, so that a later host in this
        // process (another benchmark file's) starts from nothing, as a new process would.
        vsim::win32::ResetWin32();
        if (!root.empty()) {
            std::error_code error;
            std::filesystem::remove_all(root, error);
        }
    }
};

void WriteFile(const std::string& realPath, const std::vector<uint8_t>& bytes) {
    std::ofstream out(realPath, std::ios::binary);
    out.write(reinterpret_cast<const char*>(bytes.data()), (std::streamsize)bytes.size());
}

// 200 traffic tracks of ten minutes at one sample a second, played as traffic with the
// loop on so the position keeps moving (each track's window is refilled from the file
// every 240 seconds). One iteration is one playback frame 333 units after the last.
void BM_PlaybackFrame_200Traffic(benchmark::State& state) {
    Host host;
    if (!host.Start()) {
        state.SkipWithError("the module did not start");
        host.Stop();
        return;
    }
    std::vector<TestTrack> tracks;
    for (unsigned i = 0; i < TrafficTracks; ++i) tracks.push_back(LineTrack("Traffic " + std::to_string(i), 0, 6000000, 10000));
    WriteFile(vsim::MapPath("C:\\Sim\\Recs\\traffic.frc"), RecordingFileBytes(tracks));
    vsim::user::OnOpen({"C:\\Sim\\Recs\\traffic.frc"});
    vsim::SelectMenuItem("Play as traffic...");
    vsim::RunFrames(3);
    unsigned flying = 0;
    for (uint32_t i = 0; i < TrackTable.count; ++i) {
        uint32_t id = TrackTable.entries[i].objectId;
        if (id != 0 && id < 0x80000000u) ++flying;
    }
    if (ModuleMode != PlayingTraffic || flying != TrafficTracks) {
        state.SkipWithError("the traffic aircraft are not all in the air");
        host.Stop();
        return;
    }
    LoopEnabled = 1;
    LoopStartTime = 0;
    LoopEndTime = 5990000;
    uint64_t frames = 0;
    for (auto _ : state) {
        FrameClock += 333;
        PlaybackFrame();
        if ((++frames & 255) == 0) {
            state.PauseTiming();
            vsim::ClearSimConnectCalls();
            state.ResumeTiming();
        }
    }
    state.counters["aircraft"] = benchmark::Counter((double)flying);
    state.counters["s_per_aircraft"] =
        benchmark::Counter((double)flying, benchmark::Counter::kIsIterationInvariantRate | benchmark::Counter::kInvert);
    host.Stop();
}
BENCHMARK(BM_PlaybackFrame_200Traffic)->Unit(benchmark::kMicrosecond);

// The simulator's share of such a frame: for each of the 200 aircraft, the tagged data
// call of 14 entries as the module builds it and the two host object calls (placement
// and velocity), without the module's interpolation.
void BM_SimulatorTakes200SampleWrites(benchmark::State& state) {
    Host host;
    if (!host.Start()) {
        state.SkipWithError("the module did not start");
        host.Stop();
        return;
    }
    std::vector<uint32_t> ids;
    for (unsigned i = 0; i < TrafficTracks; ++i) ids.push_back(vsim::AddAi("Traffic " + std::to_string(i), "parked"));
    const uint32_t datums[14] = {10, 11, 12, 13, 14, 15, 16, 17, 18, 19, 34, 35, 36, 37};
    uint8_t block[14 * 12];
    for (int i = 0; i < 14; ++i) {
        StoreLE32(block + 12 * i, datums[i]);
        StoreLEF64(block + 12 * i + 4, 0.5);
    }
    int64_t position[3] = {LineLatitude(0), LineLongitude(), LineAltitude()};
    uint32_t attitude[3] = {0, 0, 0};
    double velocity[3] = {0, 0, 154};
    uint64_t rounds = 0;
    for (auto _ : state) {
        for (uint32_t id : ids) {
            SimConnect_SetDataOnSimObject(SimConnectHandle, DefPlayback, id, SIMCONNECT_DATA_SET_FLAG_TAGGED, 0,
                                          sizeof(block), block);
            void* object = ObjectAccessor(id);
            void* const* methods = *static_cast<void* const* const*>(object);
            reinterpret_cast<SetPlacementShortFn>(methods[MethodSetPlacement])(object, position, attitude);
            reinterpret_cast<SetVectorPropertyFn>(methods[MethodSetVectorProperty])(object, VelocityPropertyId,
                                                                                     velocity, 0);
        }
        if ((++rounds & 63) == 0) {
            state.PauseTiming();
            vsim::ClearSimConnectCalls();
            state.ResumeTiming();
        }
    }
    host.Stop();
}
BENCHMARK(BM_SimulatorTakes200SampleWrites)->Unit(benchmark::kMicrosecond);

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
