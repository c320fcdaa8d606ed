// Opening the module's dialogs from the menu and the keys.
#include "ui/dialogs.h"

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
