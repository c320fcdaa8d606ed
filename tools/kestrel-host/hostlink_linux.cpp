// The Linux side of hostlink.h: the module is linked into kestrel-host, so it is
// attached and started by calling its entry points, its state is read directly, and
// the windows a person uses are the Win32 emulation's.
#include "tools/kestrel-host/hostlink.h"

#include <sys/resource.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <system_error>
#include <unistd.h>

#include "module/entry.h"
#include "module/simlink.h"
#include "recording/recorder.h"
#include "recording/track.h"
#include "vsim/sim/panels.h"
#include "vsim/sim/simconnect.h"
#include "vsim/sim/simhost.h"
#include "vsim/win32/embedded_resources.h"
#include "vsim/win32/win32emu.h"

namespace {

HINSTANCE const ModuleHandle = reinterpret_cast<HINSTANCE>(static_cast<uintptr_t>(0x60000000));
bool Attached = false;

// A real path under the drive root back to its Windows form: <root>/C/Sim/x -> C:\Sim\x.
std::string WindowsPathOf(const std::string& root, const std::string& hostPath) {
    std::string rest = hostPath.substr(root.size());
    if (!rest.empty() && rest[0] == '/') rest.erase(0, 1);
    size_t slash = rest.find('/');
    std::string drive = rest.substr(0, slash);
    std::string tail = slash == std::string::npos ? "" : rest.substr(slash);
    std::replace(tail.begin(), tail.end(), '/', '\\');
    return drive + ":" + (tail.empty() ? "\\" : tail);
}

}  // namespace

namespace hostlink {

void ResetUserInterface() {
    vsim::win32::ResetWin32();
}

bool PrepareUserInterface(std::string* problem) {
    vsim::win32::SetResourceHeader(KestrelResourceHeader);  // the script's #defines come first
    if (vsim::win32::SetResourceScript(KestrelResourceScript)) return true;
    *problem = "the resource script could not be read: " + vsim::win32::ResourceScriptError();
    return false;
}

bool LoadModule(const std::string& windowsPath, std::string* problem) {
    vsim::win32::SetModuleFileName(ModuleHandle, windowsPath);
    Panels = vsim::PanelTable();
    if (!ModuleAttach(ModuleHandle, DLL_PROCESS_ATTACH, nullptr)) {
        *problem = "the module refused to load";
        return false;
    }
    Attached = true;
    return true;
}

void StartModule() {
    DLLStart();
    vsim::PumpSimConnect();
}

void UnloadModule() {
    if (!Attached) return;
    DLLStop();
    ModuleAttach(ModuleHandle, DLL_PROCESS_DETACH, nullptr);
    Attached = false;
}

bool ReadModuleState(ModuleState* state) {
    if (!Attached) return false;
    state->mode = ModuleMode;
    state->timeline = Timeline;
    state->trackCount = TrackTable.count;
    if (TrackTable.count > 0) {
        const Track& first = TrackTable.entries[0];
        state->firstSamples = first.sampleCount;
        state->firstStart = first.startTime;
        state->firstEnd = first.endTime;
    } else {
        state->firstSamples = state->firstStart = state->firstEnd = 0;
    }
    return true;
}

size_t PeakMemoryKilobytes() {
    struct rusage usage;
    return getrusage(RUSAGE_SELF, &usage) == 0 ? (size_t)usage.ru_maxrss : 0;
}

void PumpWindowMessages() {
    vsim::win32::PumpPostedMessages();
}

void ReleaseUserInterface() {}

void CrashProcess(int exitCode) {
    std::fflush(stdout);
    std::fflush(stderr);
    _exit(exitCode);
}

void HoldModifierKey(int vk, bool down) {
    vsim::win32::SetKeyState(vk, down);
}

void PressKeyOn(HWND window, int vk, bool down) {
    vsim::win32::PressKey(window, vk, down);
}

bool ClickControl(HWND control) { return vsim::win32::ClickControl(control); }
bool PressButton(HWND button) { return vsim::win32::PressButton(button); }
bool ReleaseButton(HWND button) { return vsim::win32::ReleaseButton(button); }
bool DragTrackbar(HWND trackbar, int position) { return vsim::win32::DragTrackbar(trackbar, position); }
bool MoveWindowByUser(HWND window, int x, int y) { return vsim::win32::MoveWindowByUser(window, x, y); }

void ListHostFiles(std::map<std::string, HostFileState>* files) {
    const std::string& root = vsim::DriveRoot();
    std::error_code error;
    std::filesystem::recursive_directory_iterator it(root, error), end;
    for (; !error && it != end; it.increment(error)) {
        std::error_code ignored;
        if (!it->is_regular_file(ignored)) continue;
        HostFileState state;
        state.size = (long long)it->file_size(ignored);
        state.modified = (long long)it->last_write_time(ignored).time_since_epoch().count();
        (*files)[WindowsPathOf(root, it->path().generic_string())] = state;
    }
}

std::string HostPathOf(const std::string& windowsPath) {
    return vsim::MapPath(windowsPath);
}

void SetSnapshotFolder(const std::string&) {}
void TakeSnapshot(const std::string&, HWND) {}

}  // namespace hostlink
