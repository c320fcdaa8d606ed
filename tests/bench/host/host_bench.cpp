// Whole frames of the virtual simulator with the module in it: the host loop with the
// user's aircraft and 200 AI aircraft flying, idle and recorded (the time spent in the
// module's dispatch callback counted apart), a playback frame with 200 traffic aircraft
// in the air, and the simulator's own share of each. These measure the virtual
// simulator as much as the module; kestrel_bench measures the module alone.
#include <benchmark/benchmark.h>

#include <chrono>
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
#include "recording/capture.h"
#include "recording/track.h"
#include "tests/support/test_tracks.h"
#include "vsim/sim/aircraft.h"
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

// Starts the simulated host on a drive in a fresh temporary folder, with the module's
// resources and file name and its folder C:\Sim\Modules.
bool StartHostOnTempDrive(std::string* root) {
    char pattern[] = "/tmp/kestrel-bench-XXXXXX";
    if (!mkdtemp(pattern)) return false;
    *root = pattern;
    vsim::HostOptions options;
    options.driveRoot = *root;
    if (!vsim::StartHost(options)) return false;
    vsim::win32::SetResourceScript(KestrelResourceScript);
    vsim::win32::SetResourceHeader(KestrelResourceHeader);
    vsim::win32::SetModuleFileName(ModuleHandle, "C:\\Sim\\Modules\\KestrelFSX.dll");
    std::filesystem::create_directories(vsim::MapPath("C:\\Sim\\Modules"));
    return true;
}

// A host with the module loaded in a temporary drive; stopped and removed by Stop.
struct Host {
    std::string root;
    bool started = false;

    bool Start() {
        if (!StartHostOnTempDrive(&root)) return false;
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
// The playback benchmarks run first: their hosts start and end with each benchmark,
// while the recording benchmarks keep one host to the end of the program.
void BM_HostPlaybackFrame_200Traffic(benchmark::State& state) {
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
BENCHMARK(BM_HostPlaybackFrame_200Traffic)->Unit(benchmark::kMicrosecond);

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

constexpr unsigned AiAircraft = 200;

// Time spent inside the module's dispatch callback, which the host pump calls for
// every message: in all, for the Frame events (the recording tick, including the
// sample requests it makes into the simulator's SimConnect) and for the data replies
// (the capture, the module's work alone).
double DispatchSeconds = 0.0;
double FrameEventSeconds = 0.0;
double DataReplySeconds = 0.0;

void CALLBACK TimedDispatch(SIMCONNECT_RECV* data, DWORD size, void* context) {
    auto start = std::chrono::steady_clock::now();
    SimLinkDispatch(data, size, context);
    double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    DispatchSeconds += seconds;
    if (data->dwID == SIMCONNECT_RECV_ID_EVENT_FRAME) FrameEventSeconds += seconds;
    if (data->dwID == SIMCONNECT_RECV_ID_SIMOBJECT_DATA) DataReplySeconds += seconds;
}

void CALLBACK DropEverything(SIMCONNECT_RECV*, DWORD, void*) {}

// One simulated host with the module loaded and 200 AI aircraft flying orbits, set up
// at first use and kept for every benchmark of this file (the module's state lives for
// the process, as in the simulator).
struct World {
    std::string root;
    bool ready = false;
    bool recording = false;

    bool Start() {
        if (!StartHostOnTempDrive(&root)) return false;
        const char* ini = "C:\\Sim\\Modules\\Kestrel.ini";
        WritePrivateProfileStringA("SETTINGS", "RplyEnabled", "0", ini);  // idle until the recording starts
        WritePrivateProfileStringA("SETTINGS", "NoRecDlg", "1", ini);
        WritePrivateProfileStringA("RECORD", "DfltItvlIdx", "0", ini);  // 1/8 sec
        WritePrivateProfileStringA("RECORD", "RecAI", "1", ini);
        WritePrivateProfileStringA("RECORD", "AIItvlFactor", "1", ini);  // every AI aircraft at every sample
        Panels = vsim::PanelTable();
        if (!ModuleAttach(ModuleHandle, DLL_PROCESS_ATTACH, nullptr)) return false;
        DLLStart();
        vsim::PumpSimConnect();
        SimConnect_CallDispatch(SimConnectHandle, TimedDispatch, nullptr);
        vsim::SetUserFlightPlan("orbit");
        for (unsigned i = 0; i < AiAircraft; ++i) vsim::AddAi("Traffic " + std::to_string(i + 1), "orbit");
        vsim::RunFrames(30);
        ready = ModuleMode == Idle;
        return ready;
    }

    bool StartRecording() {
        if (!recording) {
            vsim::SelectMenuItem("Record...");
            vsim::RunFrames(4);
            recording = ModuleMode == Recording && TrackTable.count == 1 + AiAircraft;
        }
        return recording;
    }

    ~World() {
        if (!root.empty()) {
            std::error_code error;
            std::filesystem::remove_all(root, error);
        }
    }
};

World& TheWorld() {
    static World world;
    static bool started = world.Start();
    (void)started;
    return world;
}

// Frames of the whole host loop: 201 aircraft moved, periodic data, the Frame event,
// the pump into the module. The call log is emptied now and then, off the clock.
void RunTimedFrames(benchmark::State& state) {
    DispatchSeconds = FrameEventSeconds = DataReplySeconds = 0.0;
    uint64_t run = 0;
    for (auto _ : state) {
        vsim::RunFrames(1);
        if ((++run & 1023) == 0) {
            state.PauseTiming();
            vsim::ClearSimConnectCalls();
            state.ResumeTiming();
        }
    }
    double frames = (double)state.iterations();
    state.counters["dispatch_us"] = benchmark::Counter(DispatchSeconds * 1e6 / frames);
    state.counters["tick_us"] = benchmark::Counter(FrameEventSeconds * 1e6 / frames);
    state.counters["capture_us"] = benchmark::Counter(DataReplySeconds * 1e6 / frames);
    state.counters["frames_per_s"] = benchmark::Counter((double)state.iterations(), benchmark::Counter::kIsRate);
}

void BM_HostFrame_Idle_User200Ai(benchmark::State& state) {
    World& world = TheWorld();
    if (!world.ready || world.recording) {
        state.SkipWithError("the idle world is not available (it runs before the recording benchmarks)");
        return;
    }
    RunTimedFrames(state);
}
BENCHMARK(BM_HostFrame_Idle_User200Ai)->Unit(benchmark::kMicrosecond);

// Recording at 1/8 s with every AI aircraft at every sample: a sample tick every 4th
// frame asks for and captures 201 samples; every 240 samples per aircraft go to disk.
void BM_HostFrame_Recording_User200Ai(benchmark::State& state) {
    World& world = TheWorld();
    if (!world.ready || !world.StartRecording()) {
        state.SkipWithError("the recording did not start");
        return;
    }
    RunTimedFrames(state);
    state.counters["tracks"] = benchmark::Counter((double)TrackTable.count);
}
BENCHMARK(BM_HostFrame_Recording_User200Ai)->Unit(benchmark::kMicrosecond);

// The simulator's side of one sample tick, for telling the module's share of the tick
// apart: 201 sample requests as the module makes them, each answered (the aircraft's
// 35 variables read) and delivered to a callback that drops it.
void BM_SimulatorAnswers201SampleRequests(benchmark::State& state) {
    World& world = TheWorld();
    if (!world.ready || !world.StartRecording()) {
        state.SkipWithError("the recording did not start");
        return;
    }
    std::vector<uint32_t> ids;
    for (uint32_t i = 0; i < TrackTable.count; ++i) ids.push_back(TrackTable.entries[i].objectId);
    SimConnect_CallDispatch(SimConnectHandle, DropEverything, nullptr);
    uint64_t rounds = 0;
    for (auto _ : state) {
        for (uint32_t id : ids) {
            SimConnect_RequestDataOnSimObject(SimConnectHandle, ReqSampleData, DefRecording, id,
                                              SIMCONNECT_PERIOD_ONCE, SIMCONNECT_DATA_REQUEST_FLAG_DEFAULT, 0, 0, 0);
        }
        vsim::PumpSimConnect();
        if ((++rounds & 63) == 0) {
            state.PauseTiming();
            vsim::ClearSimConnectCalls();
            state.ResumeTiming();
        }
    }
    SimConnect_CallDispatch(SimConnectHandle, TimedDispatch, nullptr);
}
BENCHMARK(BM_SimulatorAnswers201SampleRequests)->Unit(benchmark::kMicrosecond);

}  // namespace
