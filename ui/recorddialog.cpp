// Dialog procedure of ui/recorddialog.h.
#include "ui/recorddialog.h"

INT_PTR CALLBACK RecordDialogProc(HWND, UINT, WPARAM, LPARAM) {
    return 0;
}
