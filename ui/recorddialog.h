// The Record Flight dialog (resource 102): the options of the next recording,
// remembered as the defaults of section RECORD.
#pragma once

#include "platform/win32.h"

INT_PTR CALLBACK RecordDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);
