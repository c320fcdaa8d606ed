// Dialog procedure of ui/settingsdialog.h.
#include "ui/settingsdialog.h"

INT_PTR CALLBACK SettingsDialogProc(HWND, UINT, WPARAM, LPARAM) {
    return 0;
}
