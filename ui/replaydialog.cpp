// The Replay dialog and the About box.
#include "ui/replaydialog.h"

INT_PTR CALLBACK ReplayDialogProc(HWND, UINT, WPARAM, LPARAM) {
    return 0;
}

INT_PTR CALLBACK AboutDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM) {
    if (message == WM_COMMAND && (LOWORD(wParam) == IDOK || LOWORD(wParam) == IDCANCEL)) {
        EndDialog(dialog, LOWORD(wParam));
        return 1;
    }
    return 0;
}
