// The fuzz targets' host: the module loaded once into the virtual simulator, as the
// test fixture loads it, on a drive in a temporary folder removed at exit.
#include "tests/fuzz/fuzz_host.h"

#include <stdlib.h>

#include <cstring>
#include <filesystem>
#include <fstream>

#include "module/entry.h"
#include "module/simlink.h"
#include "playback/player.h"
#include "recording/recorder.h"
#include "vsim/sim/aircraft.h"
#include "vsim/sim/panels.h"
#include "vsim/sim/simconnect.h"
#include "vsim/sim/simconnect_data.h"
#include "vsim/sim/simhost.h"
#include "vsim/sim/simulator.h"
#include "vsim/win32/embedded_resources.h"
#include "vsim/win32/modules.h"
#include "vsim/win32/resource_script.h"
#include "vsim/win32/scripted_user.h"
#include "vsim/win32/window.h"

namespace fuzz {

const char Separator[] = "\nKESTREL-NEXT\n";

namespace {

std::string Root;  // the folder behind the virtual drive
std::vector<std::string> TempFolders;
const char ModulePath[] = "C:\\Sim\\Modules\\KestrelFSX.dll";

void RemoveTempFolders() {
    std::error_code ignored;
    for (const std::string& folder : TempFolders) std::filesystem::remove_all(folder, ignored);
}

}  // namespace

std::string MakeTempFolder() {
    const char* base = std::filesystem::is_directory("/dev/shm") ? "/dev/shm" : "/tmp";
    std::string pattern = std::string(base) + "/kestrel-fuzz-XXXXXX";
    std::vector<char> name(pattern.begin(), pattern.end());
    name.push_back('\0');
    if (!mkdtemp(name.data())) abort();
    if (TempFolders.empty()) atexit(RemoveTempFolders);
    TempFolders.push_back(name.data());
    return name.data();
}

void StartModuleOnce(const std::vector<std::vector<std::string>>& ini) {
    if (!Root.empty()) return;
    Root = MakeTempFolder();

    vsim::HostOptions options;
    options.driveRoot = Root;
    if (!vsim::StartHost(options)) abort();
    vsim::win32::SetResourceScript(KestrelResourceScript);
    vsim::win32::SetResourceHeader(KestrelResourceHeader);
    HINSTANCE instance = reinterpret_cast<HINSTANCE>(static_cast<uintptr_t>(0x60000000));
    vsim::win32::SetModuleFileName(instance, ModulePath);
    std::filesystem::create_directories(vsim::MapPath("C:\\Sim\\Modules"));
    for (const auto& entry : ini) {
        WritePrivateProfileStringA(entry[0].c_str(), entry[1].c_str(), entry[2].c_str(),
                                   "C:\\Sim\\Modules\\Kestrel.ini");
    }
    Panels = vsim::PanelTable();
    if (!ModuleAttach(instance, DLL_PROCESS_ATTACH, nullptr)) abort();
    DLLStart();
    vsim::PumpSimConnect();
    vsim::LoadFlight();
    vsim::SetUserFlightPlan("circuit");
    Frames(30);
    BackToRest();
}

void PutFile(const std::string& windowsPath, const uint8_t* data, size_t size) {
    std::ofstream out(vsim::MapPath(windowsPath), std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(data), (std::streamsize)size);
}

void Frames(unsigned count) {
    for (unsigned i = 0; i < count; ++i) {
        vsim::RunFrames(1);
        vsim::win32::PumpPostedMessages();
    }
}

void BackToRest() {
    if (ModuleMode == Playing || ModuleMode == PlayingTraffic || ModuleMode == Replaying ||
        ModuleMode == RecordingWithTraffic) {
        StopPlayback(0);
    }
    if (ModuleMode == Recording) StopRecording(1);
    vsim::PumpSimConnect();
    vsim::win32::PumpPostedMessages();
    // AI aircraft that the module created and left behind.
    for (uint32_t id : vsim::AircraftIds()) {
        if (id != vsim::UserAircraftId() && vsim::RemoveAiAircraft(id)) vsim::ForgetDataSets(id);
    }
    // Files the input or the module wrote, except the ini.
    std::error_code ignored;
    for (const auto& entry : std::filesystem::recursive_directory_iterator(Root, ignored)) {
        if (!entry.is_directory() && entry.path().filename() != "Kestrel.ini") {
            std::filesystem::remove(entry.path(), ignored);
        }
    }
    vsim::ClearTranscript();
    vsim::ClearSimConnectCalls();
    vsim::ClearTextLines();
    vsim::user::ResetScriptedUser();
    vsim::win32::FreeDestroyedWindows();
}

std::vector<std::string> SplitInput(const uint8_t* data, size_t size, size_t maxParts) {
    std::string input(reinterpret_cast<const char*>(data), size);
    std::vector<std::string> parts;
    size_t start = 0;
    size_t separatorLength = std::strlen(Separator);
    while (parts.size() + 1 < maxParts) {
        size_t at = input.find(Separator, start);
        if (at == std::string::npos) break;
        parts.push_back(input.substr(start, at - start));
        start = at + separatorLength;
    }
    parts.push_back(input.substr(start));
    return parts;
}

}  // namespace fuzz
