// The built-in control classes of the Win32 emulation: "BUTTON", "STATIC", "EDIT",
// "COMBOBOX", "LISTBOX", "msctls_trackbar32", "msctls_hotkey32" and "msctls_updown32",
// and the read-only view of a control's state that tests and the host use.
#pragma once

#include <string>
#include <vector>

#include "platform/win32.h"
#include "vsim/win32/window.h"

namespace vsim::win32 {

// Registers the control classes; window.cpp calls it before the first class lookup.
void RegisterControlClasses();

// Everything a person could see of a control.
struct ControlInfo {
    std::string className;
    int id = 0;
    std::string text;
    DWORD style = 0, exStyle = 0;
    bool enabled = false, visible = false, focused = false;
    RECT rect = {0, 0, 0, 0};  // in the parent's client coordinates
    UINT check = 0;            // buttons
    bool pushed = false;
    HANDLE image = nullptr;
    std::vector<std::string> items;  // combo and list boxes
    int selection = -1;
    int rangeMin = 0, rangeMax = 0, position = 0;  // trackbars
    std::vector<int> ticks;
    WORD hotKey = 0;  // hot-key controls: virtual key low byte, HOTKEYF_* high byte
    int upDownLower = 0, upDownUpper = 0, upDownPos = 0;  // up-down controls
    HWND buddy = nullptr;
};
bool ReadControl(HWND control, ControlInfo* info);
// The first descendant of a window with this control id (depth first), or null.
HWND FindControl(HWND ancestor, int id);

// Button style type (BS_TYPEMASK part) and whether the button keeps a check state.
UINT ButtonType(const Window* button);
bool IsCheckButton(const Window* button);
// Moves a trackbar's thumb as a drag does (clamped to the range); returns the new position.
int MoveTrackbarThumb(Window* trackbar, int position);
// Whether a virtual key is one of the keyboard's extended keys (bit 24 of key messages).
bool IsExtendedKey(int vk);

}  // namespace vsim::win32
