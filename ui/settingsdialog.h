// The Settings dialog (resource 101): every setting, with the live replay-buffer estimate.
#pragma once

#include "platform/win32.h"

INT_PTR CALLBACK SettingsDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);
