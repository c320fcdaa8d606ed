// The scripted user of the Windows build of kestrel-host, over real windows. A hook on
// WM_SHOWWINDOW sees every dialog and message box of the thread as it appears, and a
// timer then acts on it from inside its modal loop: message boxes are answered by the rules of
// scripted_user.h, the module's dialogs run their steps, and the common open and save
// dialogs get the scripted file names typed into their file name box (or are
// cancelled). The module's calls of DialogBoxParamA, GetOpenFileNameA and
// GetSaveFileNameA are routed through the scripted user by patching the module's import
// table, only to learn the dialog id, to know which answer belongs to which call and to
// log the result; the real functions do the work. The transcript lines are those of
// the Win32 emulation.
#pragma once

#include <string>

#include <windows.h>

namespace vsim::winhost {

bool InstallScriptedUser();
void RemoveScriptedUser();
// Routes the module's modal calls through the scripted user (see above).
bool WatchModule(HMODULE module, std::string* problem);
// With a folder set, every dialog and every "snapshot" waits, before the user acts,
// until a picture of it was taken: the host writes FOLDER\NAME.request with the window's
// screen rectangle and pumps messages until that file is gone (at most 30 s).
void SetSnapshotFolder(const std::string& folder);
void TakeSnapshot(const std::string& name, HWND window);

}  // namespace vsim::winhost
