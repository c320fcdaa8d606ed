// The Windows side of hostlink.h (kestrel-host.exe under Wine): the simulated host is
// the stand-in SimConnect.dll, whose C++ interface this program calls; the module is
// the x86_64 test build of KestrelFSX.dll, copied to the script's module path and
// loaded with LoadLibraryA after the five stand-in host DLLs were written and loaded;
// DLLStart, DLLStop and the Panels pointer are found with GetProcAddress, and the
// module's state is read through its test-only export (module_probe.h). The files
// live on the real drives (the simulated host's drive root is empty).
//
// The simulated host runs its frames as fast as it can, on its virtual clock. The
// module's clock imports (GetTickCount, QueryPerformanceCounter and -Frequency) are
// therefore pointed at that clock, with the values the Linux emulation gives, so that
// what the module times (the status line's period) follows the simulated time there too.
#include "tools/kestrel-host/hostlink.h"

#include <commctrl.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <system_error>
#include <vector>

#include "vsim/sim/panels.h"
#include "vsim/sim/simconnect.h"
#include "vsim/sim/simhost.h"
#include "vsim/winhost/hostdll_files.h"
#include "vsim/winhost/import_patch.h"
#include "vsim/winhost/module_probe.h"
#include "vsim/winhost/scripted_user_windows.h"
#include "vsim/winhost/user_input.h"

namespace {

const char* const HostDllFolder = "C:\\Sim";
const char* const ModuleFileName = "KestrelFSX.dll";
const uint64_t HostDllBase = 0x10000000;
const uint64_t HostDllStep = 0x01000000;

HMODULE Module = nullptr;
int (*DllStart)() = nullptr;
void (*DllStop)() = nullptr;
KestrelProbeFn Probe = nullptr;
std::vector<HMODULE> HostDllModules;
std::vector<std::string> HostDllFiles;
std::vector<std::string> OwnFiles;  // the DLLs put in place here, which the module does not write

std::string ProgramFolder() {
    char path[MAX_PATH] = "";
    DWORD length = GetModuleFileNameA(nullptr, path, MAX_PATH);
    std::string text(path, length);
    size_t slash = text.find_last_of("\\/");
    return slash == std::string::npos ? "." : text.substr(0, slash);
}

const LONGLONG CounterFrequency = 10000000;  // counts per second: 10 per microsecond

DWORD WINAPI VirtualTickCount() {
    return (DWORD)(vsim::ClockMicros() / 1000);
}

BOOL WINAPI VirtualPerformanceFrequency(LARGE_INTEGER* frequency) {
    if (frequency == nullptr) return FALSE;
    frequency->QuadPart = CounterFrequency;
    return TRUE;
}

BOOL WINAPI VirtualPerformanceCounter(LARGE_INTEGER* count) {
    if (count == nullptr) return FALSE;
    count->QuadPart = (LONGLONG)(vsim::ClockMicros() * 10);
    return TRUE;
}

void GiveModuleTheVirtualClock(HMODULE module) {
    using vsim::winhost::PatchImport;
    PatchImport(module, "kernel32.dll", "GetTickCount", reinterpret_cast<void*>(&VirtualTickCount));
    PatchImport(module, "kernel32.dll", "QueryPerformanceFrequency",
                reinterpret_cast<void*>(&VirtualPerformanceFrequency));
    PatchImport(module, "kernel32.dll", "QueryPerformanceCounter", reinterpret_cast<void*>(&VirtualPerformanceCounter));
}

template <typename Fn>
Fn Entry(HMODULE module, const char* name) {
    return reinterpret_cast<Fn>(reinterpret_cast<void (*)()>(GetProcAddress(module, name)));
}

bool WriteFile(const std::string& path, const std::vector<uint8_t>& bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(bytes.data()), (std::streamsize)bytes.size());
    return bool(out);
}

// Writes and loads the host DLLs the simulated host has loaded, with its versions and
// ordinals, each ordinal forwarded to the SimConnect.dll export at the entry's address.
bool LoadHostDlls(std::string* problem) {
    HMODULE simConnect = GetModuleHandleA("SimConnect.dll");
    std::map<const void*, std::string> exports = vsim::winhost::NamedExportsByAddress(simConnect);
    std::error_code ignored;
    std::filesystem::create_directories(HostDllFolder, ignored);
    uint64_t base = HostDllBase;
    for (const vsim::HostDll& dll : vsim::HostDlls()) {
        base += HostDllStep;
        if (!dll.loaded) continue;
        vsim::winhost::HostDllImage image;
        image.name = dll.name;
        std::copy(dll.version, dll.version + 4, image.version);
        image.imageBase = base;
        for (const auto& [ordinal, address] : dll.ordinals) {
            auto name = exports.find(address);
            if (name == exports.end()) {
                *problem = dll.name + " ordinal " + std::to_string(ordinal) + " is no export of SimConnect.dll";
                return false;
            }
            image.forwarders[ordinal] = "SimConnect." + name->second;
        }
        std::string path = std::string(HostDllFolder) + "\\" + dll.name;
        if (!WriteFile(path, vsim::winhost::BuildHostDllImage(image))) {
            *problem = "cannot write " + path;
            return false;
        }
        HostDllFiles.push_back(path);
        OwnFiles.push_back(path);
        HMODULE loaded = LoadLibraryA(path.c_str());
        if (loaded == nullptr) {
            *problem = "cannot load " + path + " (error " + std::to_string(GetLastError()) + ")";
            return false;
        }
        HostDllModules.push_back(loaded);
    }
    return true;
}

bool IsSystemFolder(const std::string& name) {
    static const char* const Names[] = {"windows", "Program Files", "Program Files (x86)", "ProgramData", "users"};
    for (const char* system : Names)
        if (_stricmp(name.c_str(), system) == 0) return true;
    return false;
}

void AddFiles(const std::filesystem::path& folder, std::map<std::string, hostlink::HostFileState>* files) {
    std::error_code error;
    std::filesystem::recursive_directory_iterator it(folder, error), end;
    for (; !error && it != end; it.increment(error)) {
        std::error_code ignored;
        if (!it->is_regular_file(ignored)) continue;
        std::string path = it->path().string();
        bool own = std::any_of(OwnFiles.begin(), OwnFiles.end(),
                               [&](const std::string& file) { return _stricmp(file.c_str(), path.c_str()) == 0; });
        if (own) continue;
        // The C library's stat() here keeps whole seconds only: the file times come from
        // the system, in 100 ns units, so that two writes in one second are told apart.
        WIN32_FILE_ATTRIBUTE_DATA data;
        if (!GetFileAttributesExA(path.c_str(), GetFileExInfoStandard, &data)) continue;
        hostlink::HostFileState state;
        state.size = (long long)data.nFileSizeHigh << 32 | data.nFileSizeLow;
        state.modified = (long long)data.ftLastWriteTime.dwHighDateTime << 32 | data.ftLastWriteTime.dwLowDateTime;
        (*files)[path] = state;
    }
}

}  // namespace

namespace hostlink {

void ResetUserInterface() {}

bool PrepareUserInterface(std::string* problem) {
    // The simulator registers the common controls before it loads any module.
    INITCOMMONCONTROLSEX controls = {sizeof controls, ICC_WIN95_CLASSES};
    InitCommonControlsEx(&controls);
    if (vsim::winhost::InstallScriptedUser()) return true;
    *problem = "the scripted user's hook could not be installed";
    return false;
}

bool LoadModule(const std::string& windowsPath, std::string* problem) {
    if (!LoadHostDlls(problem)) return false;
    std::string source = ProgramFolder() + "\\" + ModuleFileName;
    std::error_code error;
    std::filesystem::create_directories(std::filesystem::path(windowsPath).parent_path(), error);
    if (!CopyFileA(source.c_str(), windowsPath.c_str(), FALSE)) {
        *problem = "cannot copy " + source + " to " + windowsPath;
        return false;
    }
    OwnFiles.push_back(windowsPath);
    Module = LoadLibraryA(windowsPath.c_str());
    if (Module == nullptr) {
        *problem = "the module refused to load";
        return false;
    }
    DllStart = Entry<int (*)()>(Module, "DLLStart");
    DllStop = Entry<void (*)()>(Module, "DLLStop");
    Probe = Entry<KestrelProbeFn>(Module, KESTREL_PROBE_EXPORT);
    void** panels = reinterpret_cast<void**>(GetProcAddress(Module, "Panels"));
    if (!DllStart || !DllStop || !panels || !Probe) {
        *problem = "the module lacks DLLStart, DLLStop, Panels or the test build's " KESTREL_PROBE_EXPORT;
        FreeLibrary(Module);
        Module = nullptr;
        return false;
    }
    if (!vsim::winhost::WatchModule(Module, problem)) return false;
    GiveModuleTheVirtualClock(Module);
    *panels = vsim::PanelTable();
    return true;
}

void StartModule() {
    if (DllStart) DllStart();
    vsim::PumpSimConnect();
}

void UnloadModule() {
    if (Module == nullptr) return;
    DllStop();
    FreeLibrary(Module);
    Module = nullptr;
    DllStart = nullptr;
    DllStop = nullptr;
    Probe = nullptr;
}

bool ReadModuleState(ModuleState* state) {
    if (Probe == nullptr) return false;
    KestrelProbeRecord record = {};
    Probe(&record);
    state->mode = record.mode;
    state->timeline = record.timeline;
    state->trackCount = record.trackCount;
    state->firstSamples = record.firstSamples;
    state->firstStart = record.firstStart;
    state->firstEnd = record.firstEnd;
    return true;
}

// Not measured in the Windows build: scripts/soak.sh measures the Linux build.
size_t PeakMemoryKilobytes() { return 0; }

void PumpWindowMessages() {
    MSG msg;
    for (int i = 0; i < 10000 && PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE); ++i) {
        TranslateMessage(&msg);
        DispatchMessageA(&msg);
    }
}

void ReleaseUserInterface() {
    vsim::winhost::RemoveScriptedUser();
    for (HMODULE module : HostDllModules) FreeLibrary(module);
    HostDllModules.clear();
    for (const std::string& path : HostDllFiles) DeleteFileA(path.c_str());
    HostDllFiles.clear();
}

void CrashProcess(int exitCode) {
    std::fflush(stdout);
    std::fflush(stderr);
    TerminateProcess(GetCurrentProcess(), (UINT)exitCode);
    _exit(exitCode);  // not reached
}

void HoldModifierKey(int vk, bool down) {
    vsim::winhost::HoldKey(vk, down);
}

void PressKeyOn(HWND window, int vk, bool down) {
    vsim::winhost::PressKey(window, vk, down);
}

bool ClickControl(HWND control) { return vsim::winhost::ClickControl(control); }
bool PressButton(HWND button) { return vsim::winhost::PressButton(button); }
bool ReleaseButton(HWND button) { return vsim::winhost::ReleaseButton(button); }
bool DragTrackbar(HWND trackbar, int position) { return vsim::winhost::DragTrackbar(trackbar, position); }
bool MoveWindowByUser(HWND window, int x, int y) { return vsim::winhost::MoveWindowByUser(window, x, y); }

void ListHostFiles(std::map<std::string, HostFileState>* files) {
    // The simulator's folders, not those of the system.
    std::error_code error;
    for (std::filesystem::directory_iterator it("C:\\", error), end; !error && it != end; it.increment(error)) {
        std::error_code ignored;
        if (!it->is_directory(ignored) || IsSystemFolder(it->path().filename().string())) continue;
        AddFiles(it->path(), files);
    }
}

std::string HostPathOf(const std::string& windowsPath) {
    return vsim::MapPath(windowsPath);
}

void SetSnapshotFolder(const std::string& folder) {
    vsim::winhost::SetSnapshotFolder(folder);
}

void TakeSnapshot(const std::string& name, HWND window) {
    vsim::winhost::TakeSnapshot(name, window);
}

}  // namespace hostlink
