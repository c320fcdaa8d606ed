// Opening the module's modal dialogs from the menu and the keys, in the simulator's
// dialog mode, and the Record command that both share.
#pragma once

#include "platform/win32.h"

enum DialogId : int {
    DialogSettings = 101,
    DialogRecordFlight = 102,
    DialogReplay = 103,
    DialogAbout = 131,
    DialogKeyboard = 132,
};

// EnterDialogMode, the modal dialog owned by the main window, LeaveDialogMode.
INT_PTR OpenModuleDialog(int id, DLGPROC proc);
// The Record command of the menu and the keys: the Record Flight dialog, or the
// RECORD defaults when recording dialogs are off, then the recording starts.
void RunRecordCommand();
