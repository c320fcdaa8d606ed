// How kestrel-host reaches the module and the windows a person would use, in each
// build: on Linux the module is linked in and the windows are the Win32 emulation's; in
// the Windows build the module is KestrelFSX.dll, loaded as the simulator loads it, and
// the windows are real. The runner (runner.cpp) is the same for both.
#pragma once

#include <cstdint>
#include <map>
#include <string>

#include "platform/win32.h"

namespace hostlink {

// What the runner reads of the module's own state after each command and frame.
struct ModuleState {
    uint32_t mode = 0;            // ModuleMode
    uint32_t timeline = 0;        // Timeline, 1/10000 s
    uint32_t trackCount = 0;      // live tracks in the TrackTable
    uint32_t firstSamples = 0;    // samples held by entry 0 (the replay buffer while buffering)
    uint32_t firstStart = 0;      // entry 0's start and end time, 1/10000 s
    uint32_t firstEnd = 0;
};

// A file on the simulator's drives, by its Windows path.
struct HostFileState {
    long long size = 0;
    long long modified = 0;  // a stamp that changes when the file is written
};

// Before the simulated host starts: forgets the windows of an earlier run in this process.
void ResetUserInterface();
// Once, after the simulated host started: what the windows need before the module loads
// (the dialog templates on Linux; the scripted user's hooks on Windows). False when the
// user interface could not be prepared.
bool PrepareUserInterface(std::string* problem);
// Loads the module from its Windows file name as the simulator does (with the host's
// DLLs, as vsim::HostDlls() describes them, in place) and hands it the panel table.
// False when the load was refused; the module then stays unloaded.
bool LoadModule(const std::string& windowsPath, std::string* problem);
void StartModule();   // DLLStart
void UnloadModule();  // DLLStop, then the detach
bool ReadModuleState(ModuleState* state);  // false while no module is loaded
// The message loop's turn between two frames: posted messages, timers and paints.
void PumpWindowMessages();
// The process's peak resident memory so far, in KiB; 0 where it cannot be read.
size_t PeakMemoryKilobytes();
// Called once at the end of a run: removes hooks and loaded files.
void ReleaseUserInterface();
// The simulator's process dies on the spot with this exit code: kestrel-host's own
// output is flushed, nothing else runs (no DLLStop, no detach, no exit handlers, no
// flush of the module's streams).
[[noreturn]] void CrashProcess(int exitCode);

// What a person does. Modifier keys are held (GetAsyncKeyState sees them) while the key
// messages go to the window with the keyboard focus, here the given window.
void HoldModifierKey(int vk, bool down);
void PressKeyOn(HWND window, int vk, bool down);
bool ClickControl(HWND control);
bool PressButton(HWND button);
bool ReleaseButton(HWND button);
bool DragTrackbar(HWND trackbar, int position);
bool MoveWindowByUser(HWND window, int x, int y);

// The files on the simulator's drives by Windows path (temporary files included).
void ListHostFiles(std::map<std::string, HostFileState>* files);
// Where a Windows path of the simulator's drives is on this machine's file system.
std::string HostPathOf(const std::string& windowsPath);

// Pictures for the documentation (Windows build under a display; nothing on Linux):
// with a folder set, each dialog and each TakeSnapshot waits until a picture was taken.
void SetSnapshotFolder(const std::string& folder);
void TakeSnapshot(const std::string& name, HWND window);

}  // namespace hostlink
