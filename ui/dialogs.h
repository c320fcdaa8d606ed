// Opening the module's modal dialogs from the menu and the keys, in the simulator's
// dialog mode, the Record command that both share, message boxes in dialog mode, and
// the open and save dialogs for recording files.
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

// A message box owned by owner, between EnterDialogMode and LeaveDialogMode.
int ShowModuleMessage(HWND owner, const char* text, const char* caption, UINT type);

// The standard open or save dialog for recording files ("Flight Recordings", *.frc),
// with the given title and flags; buffer gets the chosen name(s). The process's current
// directory is kept as it was. In dialog mode when dialogMode is set. True when chosen.
bool AskRecordingFileName(bool save, HWND owner, char* buffer, DWORD bufferSize, const char* title, DWORD flags,
                          bool dialogMode);
