// The floating control window.
#include "ui/controlwindow.h"

HWND ControlWindow = nullptr;

void CreateControlWindow() {}
void ShowControlWindow(bool show) {
    if (ControlWindow) ShowWindow(ControlWindow, show ? SW_SHOW : SW_HIDE);
}
LRESULT CALLBACK ControlWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    return DefWindowProcA(window, message, wParam, lParam);
}
