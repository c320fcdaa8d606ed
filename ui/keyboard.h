// The keyboard: the subclassed procedure of the simulator's main window, which turns
// key messages into the 22 key actions, and the Keyboard controls dialog.
#pragma once

#include "platform/win32.h"
#include "ui/config.h"

LRESULT CALLBACK MainWindowHook(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
INT_PTR CALLBACK KeyboardDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);
// The KeyCode of a key message: the virtual key plus Shift and Ctrl as held now.
KeyCode KeyCodeOfMessage(WPARAM wParam);
// Between the hot-key control's value (HOTKEYF_* in the high byte) and a KeyCode;
// modifiers other than Shift and Ctrl are dropped.
KeyCode KeyCodeOfHotKey(WORD hotKey);
WORD HotKeyOfKeyCode(KeyCode code);
