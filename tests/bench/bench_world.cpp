// The module on the benchmarks' simulator: loaded and started as the host does it,
// then driven by records (menu items, aircraft added, frames) into recording or
// traffic playback.
#include "tests/bench/bench_world.h"

#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <stdlib.h>

#include "module/entry.h"
#include "module/simlink.h"
#include "playback/position.h"
#include "recording/track.h"
#include "tests/bench/bench_simconnect.h"
#include "tests/support/test_tracks.h"
#include "vsim/sim/hostdlls.h"
#include "vsim/sim/panels.h"
#include "vsim/sim/simhost.h"
#include "vsim/win32/embedded_resources.h"
#include "vsim/win32/win32emu.h"

namespace benchsim {

namespace {

// Apart from the host DLLs' handles (0x10000000 upward), as in the tests.
HINSTANCE const ModuleHandle = reinterpret_cast<HINSTANCE>(static_cast<uintptr_t>(0x60000000));

LRESULT CALLBACK MainWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    return DefWindowProcA(window, message, wParam, lParam);
}

}  // namespace

bool World::Start(const char* const* iniLines, unsigned lineCount) {
    // In memory where the machine has it: the temp files' writes then cost what the
    // module asks of the system, not what the disk's file system adds.
    std::string pattern = std::filesystem::is_directory("/dev/shm") ? "/dev/shm/kestrel-bench-XXXXXX"
                                                                     : "/tmp/kestrel-bench-XXXXXX";
    if (!mkdtemp(&pattern[0])) return false;
    root = pattern;
    Reset();
    vsim::ResetHostServices();
    vsim::SetDriveRoot(root);
    std::filesystem::create_directories(vsim::MapPath("C:\\Sim\\Modules"));
    std::filesystem::create_directories(vsim::MapPath("C:\\Sim\\Recs"));
    vsim::InstallHostEntries();
    InstallHostEntries();
    vsim::win32::SetResourceScript(KestrelResourceScript);
    vsim::win32::SetResourceHeader(KestrelResourceHeader);
    vsim::win32::SetModuleFileName(ModuleHandle, "C:\\Sim\\Modules\\KestrelFSX.dll");
    WNDCLASSEXA windowClass = {};
    windowClass.cbSize = sizeof windowClass;
    windowClass.lpfnWndProc = MainWindowProc;
    windowClass.lpszClassName = "FS98MAIN";
    RegisterClassExA(&windowClass);
    if (!CreateWindowExA(0, "FS98MAIN", "Microsoft Flight Simulator X", WS_OVERLAPPED, 0, 0, 1024, 768, nullptr,
                         nullptr, nullptr, nullptr)) {
        return false;
    }
    for (unsigned i = 0; i < lineCount; ++i) {
        char section[32], key[32], value[64];
        if (sscanf(iniLines[i], "%31s %31s %63s", section, key, value) != 3) return false;
        WritePrivateProfileStringA(section, key, value, "C:\\Sim\\Modules\\Kestrel.ini");
    }
    Panels = vsim::PanelTable();
    SimLinkRegistered = 0;  // a fresh process: registration follows the open message
    if (!ModuleAttach(ModuleHandle, DLL_PROCESS_ATTACH, nullptr)) return false;
    started = true;
    DLLStart();
    SendOpen();
    SetReplyText(DefTitle, 1, "Benchmark Aircraft");
    SetReplyValue(DefZulu, 0, 2024.0);
    SetReplyValue(DefZulu, 1, 172.0);
    SetReplyValue(DefZulu, 2, 43200.0);
    SetReplyValue(DefControlData, 0, 1.0);  // engine running, in the air
    for (unsigned i = 0; i < 3; ++i) RunFrame();
    return SimLinkRegistered == 1;
}

bool World::StartRecordingAll() {
    static const char* const Ini[] = {
        "SETTINGS RplyEnabled 0",   "SETTINGS NoRecDlg 1", "RECORD DfltItvlIdx 0",  // 1/8 s
        "RECORD RecAI 1",           "RECORD AIItvlFactor 1",  // every AI aircraft at every sample
    };
    if (!Start(Ini, sizeof(Ini) / sizeof(Ini[0]))) return false;
    SetFrameSeconds(0.125);
    // A plausible aircraft: the values of the recording definition in its order.
    const double values[] = {47.25, 8.5, 1234.5, -2.5, 10.0, 271.0, 0, 1.5, -3.0, 250.0, 0.75, 0.75};
    for (uint32_t i = 0; i < sizeof(values) / sizeof(values[0]); ++i) SetReplyValue(DefRecording, i, values[i]);
    for (unsigned i = 0; i < BenchAiAircraft; ++i) SendObjectAdded(2 + i);
    SendEvent(MenuRecord);
    for (unsigned i = 0; i < 4; ++i) RunFrame();
    return ModuleMode == Recording && TrackTable.count == 1 + BenchAiAircraft;
}

bool World::StartTrafficPlayback() {
    static const char* const Ini[] = {"SETTINGS RplyEnabled 0"};
    if (!Start(Ini, 1)) return false;
    std::vector<TestTrack> tracks;
    for (unsigned i = 0; i < BenchAiAircraft; ++i) {
        tracks.push_back(LineTrack("Traffic " + std::to_string(i), 0, 6000000, 10000));
    }
    std::vector<uint8_t> bytes = RecordingFileBytes(tracks);
    std::ofstream(vsim::MapPath("C:\\Sim\\Recs\\traffic.frc"), std::ios::binary)
        .write(reinterpret_cast<const char*>(bytes.data()), (std::streamsize)bytes.size());
    vsim::user::OnOpen({"C:\\Sim\\Recs\\traffic.frc"});
    SendEvent(MenuPlayTraffic);
    for (unsigned i = 0; i < 3; ++i) RunFrame();
    unsigned flying = 0;
    for (uint32_t i = 0; i < TrackTable.count; ++i) {
        uint32_t id = TrackTable.entries[i].objectId;
        if (id != 0 && id < 0x80000000u) ++flying;
    }
    // Around and around the first 599 seconds, so the position keeps moving through
    // every track (each track's window is refilled from the file every 240 seconds).
    LoopEnabled = 1;
    LoopStartTime = 0;
    LoopEndTime = 5990000;
    return ModuleMode == PlayingTraffic && flying == BenchAiAircraft;
}

void World::Stop() {
    if (started) {
        DLLStop();
        ModuleAttach(ModuleHandle, DLL_PROCESS_DETACH, nullptr);
        SimLinkRegistered = 0;
        started = false;
    }
    Reset();
    vsim::ResetPanels();
    vsim::ResetHostServices();
    vsim::win32::ResetWin32();
    if (!root.empty()) {
        std::error_code error;
        std::filesystem::remove_all(root, error);
        root.clear();
    }
}

}  // namespace benchsim
