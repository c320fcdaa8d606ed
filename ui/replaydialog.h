// The Replay dialog (resource 103) and the About box (resource 131).
#pragma once

#include "platform/win32.h"

INT_PTR CALLBACK ReplayDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);
INT_PTR CALLBACK AboutDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);
