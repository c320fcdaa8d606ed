// The keyboard hook on the simulator's main window and the Keyboard controls dialog.
#include "ui/keyboard.h"

#include "module/entry.h"

LRESULT CALLBACK MainWindowHook(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    return CallWindowProcA(MainWindowPrevProc, window, message, wParam, lParam);
}

INT_PTR CALLBACK KeyboardDialogProc(HWND, UINT, WPARAM, LPARAM) {
    return 0;
}

KeyCode KeyCodeOfMessage(WPARAM wParam) {
    KeyCode code = (KeyCode)(wParam & 0xFF);
    if (GetAsyncKeyState(VK_SHIFT)) code |= KeyShift;
    if (GetAsyncKeyState(VK_CONTROL)) code |= KeyCtrl;
    return code;
}
