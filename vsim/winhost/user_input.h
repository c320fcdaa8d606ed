// What a person does to real windows, as the messages Windows sends for it: key
// strokes to the focused window with the modifier keys really held (SendInput, so
// GetAsyncKeyState sees them), clicks, a trackbar drag, a window dragged by its caption,
// typing into edits and hot-key controls and picking list items. The same actions as
// the Win32 emulation's user_actions.h, so that a script does the same on both builds.
#pragma once

#include <string>

#include <windows.h>

namespace vsim::winhost {

// Presses or releases a modifier key through the input queue (GetAsyncKeyState).
void HoldKey(int vk, bool down);
// Sends WM_KEYDOWN / WM_KEYUP (WM_SYSKEY* with Alt held) to the window as the focused
// window receives them; returns what its procedure returned. A disabled window gets none.
LRESULT PressKey(HWND window, int vk, bool down);

// A click (left button down and up) on a control, after mouse activation of an inactive
// top-level window. False when the control cannot take the click.
bool ClickControl(HWND control);
bool PressButton(HWND button);
bool ReleaseButton(HWND button);
bool DragTrackbar(HWND trackbar, int position);
bool MoveWindowByUser(HWND window, int x, int y);
bool TypeText(HWND control, const std::string& text);
bool SelectItem(HWND control, int index);
bool TypeHotKey(HWND control, WORD value);

// The window class name, and whether it names the class (case-insensitive).
std::string ClassOf(HWND window);
bool IsClass(HWND window, const char* className);
// Whether the window and all its parents are visible and enabled.
bool TakesInput(HWND window);

}  // namespace vsim::winhost
