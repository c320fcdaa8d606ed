// The floating control window: slider and transport buttons shown during playback.
#pragma once

#include "platform/win32.h"

extern HWND ControlWindow;  // created hidden at start; never destroyed

enum ControlWindowId : int {
    CtlJumpStart = 1000,
    CtlBack3 = 1001,
    CtlBack2 = 1002,
    CtlBack1 = 1003,
    CtlSlider = 1004,
    CtlForward1 = 1005,
    CtlForward2 = 1006,
    CtlForward3 = 1007,
    CtlJumpEnd = 1008,
    CtlLoopStart = 1009,
    CtlLoopToggle = 1010,
    CtlLoopEnd = 1011,
    CtlSlower = 1012,
    CtlSpeedText = 1013,
    CtlFaster = 1014,
};

void CreateControlWindow();
void ShowControlWindow(bool show);
LRESULT CALLBACK ControlWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
