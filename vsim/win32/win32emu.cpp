// Resetting the whole Win32 emulation between runs of the host in one process.
#include "vsim/win32/win32emu.h"

namespace vsim::win32 {

void ResetWin32() {
    ResetWindows();
    ResetDialogs();
    ResetDrawing();
    ResetFileDialogs();
    ResetModules();
    ResetResourceScript();
    ResetKeyboard();
    vsim::user::ResetScriptedUser();
}

}  // namespace vsim::win32
