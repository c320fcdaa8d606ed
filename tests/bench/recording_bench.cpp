// Benchmarks of recording: whole host frames with the user's aircraft and 200 AI
// aircraft flying, idle and recorded (with the time spent in the module's dispatch
// callback counted apart), converting one data reply into a sample, and packing and
// appending one sample to a track.
#include <benchmark/benchmark.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "module/dispatch.h"
#include "module/entry.h"
#include "module/simlink.h"
#include "recording/capture.h"
#include "recording/recorder.h"
#include "recording/track.h"
#include "vsim/sim/aircraft.h"
#include "vsim/sim/panels.h"
#include "vsim/sim/simconnect.h"
#include "vsim/sim/simhost.h"
#include "vsim/sim/simulator.h"
#include "vsim/win32/embedded_resources.h"
#include "vsim/win32/win32emu.h"

namespace {

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
        char pattern[] = "/tmp/kestrel-bench-XXXXXX";
        if (!mkdtemp(pattern)) return false;
        root = pattern;
        vsim::HostOptions options;
        options.driveRoot = root;
        if (!vsim::StartHost(options)) return false;
        vsim::win32::SetResourceScript(KestrelResourceScript);
        vsim::win32::SetResourceHeader(KestrelResourceHeader);
        HINSTANCE instance = reinterpret_cast<HINSTANCE>(static_cast<uintptr_t>(0x60000000));
        vsim::win32::SetModuleFileName(instance, "C:\\Sim\\Modules\\KestrelFSX.dll");
        std::filesystem::create_directories(vsim::MapPath("C:\\Sim\\Modules"));
        const char* ini = "C:\\Sim\\Modules\\Kestrel.ini";
        WritePrivateProfileStringA("SETTINGS", "RplyEnabled", "0", ini);  // idle until the recording starts
        WritePrivateProfileStringA("SETTINGS", "NoRecDlg", "1", ini);
        WritePrivateProfileStringA("RECORD", "DfltItvlIdx", "0", ini);  // 1/8 sec
        WritePrivateProfileStringA("RECORD", "RecAI", "1", ini);
        WritePrivateProfileStringA("RECORD", "AIItvlFactor", "1", ini);  // every AI aircraft at every sample
        Panels = vsim::PanelTable();
        if (!ModuleAttach(instance, DLL_PROCESS_ATTACH, nullptr)) return false;
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

// One data reply of the default group set turned into a sample of the user's track
// (conversion, packing, appending, and the temp-file write every 240 samples).
void BM_CaptureSample_UserTrack(benchmark::State& state) {
    World& world = TheWorld();
    if (!world.ready || !world.StartRecording()) {
        state.SkipWithError("the recording did not start");
        return;
    }
    double values[35];
    for (int i = 0; i < 35; ++i) values[i] = 0.125 * i;
    values[0] = 47.25;
    values[1] = 8.5;
    values[2] = 1234.5;
    for (auto _ : state) {
        benchmark::DoNotOptimize(CaptureSample(values, UserObjectId));
        ++Timeline;
    }
}
BENCHMARK(BM_CaptureSample_UserTrack);

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
