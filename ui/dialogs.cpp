// Opening the module's dialogs from the menu and the keys.
#include "ui/dialogs.h"

#include <cstring>

#include "module/entry.h"
#include "module/simcommands.h"
#include "recording/recorder.h"
#include "ui/config.h"
#include "ui/recorddialog.h"

INT_PTR OpenModuleDialog(int id, DLGPROC proc) {
    EnterDialogMode();
    INT_PTR result = DialogBoxParamA(ModuleInstance, MAKEINTRESOURCE(id), MainWindow, proc, 0);
    LeaveDialogMode();
    return result;
}

void RunRecordCommand() {
    if (Settings.NoRecDlg) {
        LoadRecordDefaults();
        return;
    }
    EnterDialogMode();
    INT_PTR result = DialogBoxParamA(ModuleInstance, MAKEINTRESOURCE(DialogRecordFlight), MainWindow,
                                     RecordDialogProc, 0);
    if (result == IDOK) StartRecording();
    LeaveDialogMode();
}

int ShowModuleMessage(HWND owner, const char* text, const char* caption, UINT type) {
    EnterDialogMode();
    int answer = MessageBoxA(owner, text, caption, type);
    LeaveDialogMode();
    return answer;
}

bool AskRecordingFileName(bool save, HWND owner, char* buffer, DWORD bufferSize, const char* title, DWORD flags,
                          bool dialogMode) {
    static const char Filter[] = "Flight Recordings\0*.frc\0";
    memset(buffer, 0, bufferSize);
    OPENFILENAMEA dialog;
    memset(&dialog, 0, sizeof(dialog));
    dialog.lStructSize = sizeof(dialog);
    dialog.hwndOwner = owner;
    dialog.hInstance = ModuleInstance;
    dialog.lpstrFilter = Filter;
    dialog.lpstrFile = buffer;
    dialog.nMaxFile = bufferSize - 1;
    dialog.lpstrTitle = title;
    dialog.lpstrDefExt = "frc";
    dialog.Flags = flags;
    char savedDirectory[MAX_PATH - 1];
    DWORD saved = GetCurrentDirectoryA(sizeof(savedDirectory), savedDirectory);
    if (dialogMode) EnterDialogMode();
    BOOL chosen = save ? GetSaveFileNameA(&dialog) : GetOpenFileNameA(&dialog);
    if (dialogMode) LeaveDialogMode();
    if (saved > 0 && saved < sizeof(savedDirectory)) SetCurrentDirectoryA(savedDirectory);
    return chosen && buffer[0] != 0;
}
