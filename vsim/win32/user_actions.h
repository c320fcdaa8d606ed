// What a person does to windows, turned into the messages Windows would send: the
// virtual keyboard (GetAsyncKeyState, key messages to a window) and mouse actions on
// controls and windows. A click on a control of an inactive top-level window first
// asks for mouse activation (WM_MOUSEACTIVATE with HTCLIENT) and honours the answer.
// Disabled or hidden windows, or windows inside a disabled one, take no mouse input.
#pragma once

#include <string>

#include "platform/win32.h"

namespace vsim::win32 {

// The virtual keyboard: the state GetAsyncKeyState reads.
void SetKeyState(int vk, bool down);
// Presses or releases a key while the window has the focus: sets the key state and sends
// WM_KEYDOWN / WM_KEYUP (WM_SYSKEY* with Alt held) through the window's procedure chain;
// returns what the procedure returned. A disabled window receives nothing (0).
LRESULT PressKey(HWND window, int vk, bool down);

// A click (left button down and up) on a control. False when it cannot take the click.
bool ClickControl(HWND control);
bool DoubleClickControl(HWND control);
// The two halves of a click on a button, to hold it pushed in between.
bool PressButton(HWND button);
bool ReleaseButton(HWND button);
// Drags a trackbar's thumb to a position: WM_HSCROLL (WM_VSCROLL for TBS_VERT) to the
// parent with TB_THUMBTRACK, then TB_THUMBPOSITION and TB_ENDTRACK.
bool DragTrackbar(HWND trackbar, int position);
// Drags a top-level window by its caption to a new top-left corner: WM_ENTERSIZEMOVE,
// WM_MOVING (which may adjust the rectangle), the move, WM_EXITSIZEMOVE.
bool MoveWindowByUser(HWND window, int x, int y);
// Clicks into an edit (or editable combo box) and replaces its text, as typing does.
bool TypeText(HWND control, const std::string& text);
// Picks an item of a combo or list box with the mouse: the selection and CBN_SELCHANGE
// (LBN_SELCHANGE with LBS_NOTIFY) to the parent.
bool SelectItem(HWND control, int index);
// Types a key into a hot-key control with modifiers held: value = virtual key in the
// low byte, HOTKEYF_SHIFT / CONTROL / ALT in the high byte.
bool TypeHotKey(HWND control, WORD value);

void ResetKeyboard();

}  // namespace vsim::win32
