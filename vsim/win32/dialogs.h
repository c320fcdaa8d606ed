// Modal dialogs and message boxes of the Win32 emulation. DialogBoxParamA builds the
// dialog from its resource template, runs WM_INITDIALOG, then lets the scripted user
// answer it; MessageBoxA takes its answer from the scripted user too. Both run to the
// end before they return, so nesting (a dialog opening another) is plain recursion.
#pragma once

#include <vector>

#include "platform/win32.h"

namespace vsim::win32 {

// Registers the dialog window class "#32770"; window.cpp calls it with the built-ins.
void RegisterDialogClass();
// True once EndDialog was called for the dialog, or when it no longer exists.
bool DialogHasEnded(HWND dialog);
// The modal dialogs open now, the innermost last.
std::vector<HWND> OpenDialogs();
// The first control that takes the focus by Tab: visible, enabled, WS_TABSTOP.
HWND FirstTabStop(HWND dialog);

void ResetDialogs();

}  // namespace vsim::win32
