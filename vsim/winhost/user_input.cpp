// User input on real windows (user_input.h). Key messages carry the lParam bits
// Windows sets (repeat count 1, extended key, context (Alt), previous state,
// transition), as the emulation's do.
#include "vsim/winhost/user_input.h"

#include <commctrl.h>

#include <algorithm>
#include <cstring>

namespace vsim::winhost {

namespace {

bool KeyDown[256];

bool IsExtendedKey(int vk) {
    switch (vk) {
    case VK_PRIOR: case VK_NEXT: case VK_END: case VK_HOME: case VK_LEFT: case VK_UP: case VK_RIGHT:
    case VK_DOWN: case VK_INSERT: case VK_DELETE: case VK_DIVIDE: case VK_NUMLOCK: case VK_RCONTROL:
    case VK_RMENU:
        return true;
    default:
        return false;
    }
}

LPARAM KeyMessageLParam(int vk, bool down, bool wasDown, bool alt) {
    DWORD bits = 1;
    if (IsExtendedKey(vk)) bits |= 1u << 24;
    if (alt) bits |= 1u << 29;
    if (wasDown || !down) bits |= 1u << 30;
    if (!down) bits |= 1u << 31;
    return (LPARAM)bits;
}

bool Held(int vk) {
    return (GetAsyncKeyState(vk) & 0x8000) != 0;
}

LRESULT SendKey(HWND window, int vk, bool down, bool alt, bool ctrl) {
    bool wasDown = KeyDown[vk & 0xFF];
    KeyDown[vk & 0xFF] = down;
    bool system = vk == VK_MENU || vk == VK_F10 || (alt && !ctrl);
    UINT msg = down ? (system ? WM_SYSKEYDOWN : WM_KEYDOWN) : (system ? WM_SYSKEYUP : WM_KEYUP);
    return SendMessageA(window, msg, (WPARAM)vk, KeyMessageLParam(vk, down, wasDown, alt && vk != VK_MENU));
}

// Mouse activation before a click; false when the answer eats the click.
bool MouseActivate(HWND target, WORD hitTest) {
    HWND top = GetAncestor(target, GA_ROOT);
    if (top == GetActiveWindow()) return true;
    LRESULT answer = SendMessageA(target, WM_MOUSEACTIVATE, (WPARAM)top, MAKELPARAM(hitTest, WM_LBUTTONDOWN));
    if (answer != MA_NOACTIVATE && answer != MA_NOACTIVATEANDEAT && IsWindow(top)) SetActiveWindow(top);
    return answer != MA_ACTIVATEANDEAT && answer != MA_NOACTIVATEANDEAT;
}

LPARAM CentreOf(HWND window) {
    RECT r;
    GetClientRect(window, &r);
    return MAKELPARAM(r.right / 2, r.bottom / 2);
}

void NotifyParent(HWND control, UINT code) {
    SendMessageA(GetParent(control), WM_COMMAND, MAKEWPARAM(GetDlgCtrlID(control), code), (LPARAM)control);
}

}  // namespace

std::string ClassOf(HWND window) {
    char name[64] = "";
    GetClassNameA(window, name, sizeof name);
    return name;
}

bool IsClass(HWND window, const char* className) {
    return _stricmp(ClassOf(window).c_str(), className) == 0;
}

bool TakesInput(HWND window) {
    if (!IsWindow(window) || !IsWindowVisible(window)) return false;
    for (HWND w = window; w != nullptr; w = (GetWindowLongA(w, GWL_STYLE) & WS_CHILD) ? GetParent(w) : nullptr)
        if (!IsWindowEnabled(w)) return false;
    return true;
}

void HoldKey(int vk, bool down) {
    INPUT input = {};
    input.type = INPUT_KEYBOARD;
    input.ki.wVk = (WORD)vk;
    input.ki.dwFlags = down ? 0 : KEYEVENTF_KEYUP;
    SendInput(1, &input, sizeof input);
    KeyDown[vk & 0xFF] = down;
}

LRESULT PressKey(HWND window, int vk, bool down) {
    if (!IsWindow(window) || !IsWindowEnabled(window)) {
        KeyDown[vk & 0xFF] = down;
        return 0;
    }
    return SendKey(window, vk, down, Held(VK_MENU), Held(VK_CONTROL));
}

bool ClickControl(HWND control) {
    if (!TakesInput(control)) return false;
    if (!MouseActivate(control, HTCLIENT)) return true;
    if (!IsWindow(control)) return true;
    LPARAM at = CentreOf(control);
    SendMessageA(control, WM_LBUTTONDOWN, MK_LBUTTON, at);
    if (IsWindow(control)) SendMessageA(control, WM_LBUTTONUP, 0, at);
    return true;
}

bool PressButton(HWND button) {
    if (!TakesInput(button)) return false;
    if (!MouseActivate(button, HTCLIENT)) return true;
    if (IsWindow(button)) SendMessageA(button, WM_LBUTTONDOWN, MK_LBUTTON, CentreOf(button));
    return true;
}

bool ReleaseButton(HWND button) {
    if (!IsWindow(button)) return false;
    SendMessageA(button, WM_LBUTTONUP, 0, CentreOf(button));
    return true;
}

bool DragTrackbar(HWND trackbar, int position) {
    if (!TakesInput(trackbar) || !IsClass(trackbar, TRACKBAR_CLASSA)) return false;
    if (!MouseActivate(trackbar, HTCLIENT)) return true;
    SetFocus(trackbar);
    if (!IsWindow(trackbar)) return true;
    int low = (int)SendMessageA(trackbar, TBM_GETRANGEMIN, 0, 0);
    int high = (int)SendMessageA(trackbar, TBM_GETRANGEMAX, 0, 0);
    SendMessageA(trackbar, TBM_SETPOS, TRUE, std::clamp(position, low, high));
    int reached = (int)SendMessageA(trackbar, TBM_GETPOS, 0, 0);
    HWND parent = GetParent(trackbar);
    UINT msg = (GetWindowLongA(trackbar, GWL_STYLE) & TBS_VERT) ? WM_VSCROLL : WM_HSCROLL;
    SendMessageA(parent, msg, MAKEWPARAM(TB_THUMBTRACK, reached), (LPARAM)trackbar);
    SendMessageA(parent, msg, MAKEWPARAM(TB_THUMBPOSITION, reached), (LPARAM)trackbar);
    SendMessageA(parent, msg, MAKEWPARAM(TB_ENDTRACK, 0), (LPARAM)trackbar);
    return true;
}

bool MoveWindowByUser(HWND window, int x, int y) {
    if (!TakesInput(window) || GetAncestor(window, GA_ROOT) != window) return false;
    if (!MouseActivate(window, HTCAPTION)) return true;
    if (!IsWindow(window)) return true;
    SendMessageA(window, WM_ENTERSIZEMOVE, 0, 0);
    if (!IsWindow(window)) return true;
    RECT now;
    GetWindowRect(window, &now);
    RECT r = {x, y, x + (now.right - now.left), y + (now.bottom - now.top)};
    SendMessageA(window, WM_MOVING, 0, (LPARAM)&r);
    SetWindowPos(window, nullptr, r.left, r.top, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
    SendMessageA(window, WM_EXITSIZEMOVE, 0, 0);
    return true;
}

bool TypeText(HWND control, const std::string& text) {
    if (!TakesInput(control)) return false;
    LONG style = GetWindowLongA(control, GWL_STYLE);
    bool editable = (IsClass(control, "Edit") && !(style & ES_READONLY)) ||
                    (IsClass(control, "ComboBox") && (style & CBS_DROPDOWNLIST) != CBS_DROPDOWNLIST);
    if (!editable) return false;
    ClickControl(control);
    if (!IsWindow(control)) return false;
    SendMessageA(control, WM_SETTEXT, 0, (LPARAM)text.c_str());
    return true;
}

bool SelectItem(HWND control, int index) {
    if (!TakesInput(control)) return false;
    bool combo = IsClass(control, "ComboBox");
    if (!combo && !IsClass(control, "ListBox")) return false;
    int count = (int)SendMessageA(control, combo ? CB_GETCOUNT : LB_GETCOUNT, 0, 0);
    if (index < 0 || index >= count) return false;
    // A mouse click would drop a combo box's list or pick the list item under the
    // pointer; the pick itself is what the user means, so the control gets the focus.
    SetFocus(control);
    if (!IsWindow(control)) return false;
    SendMessageA(control, combo ? CB_SETCURSEL : LB_SETCURSEL, (WPARAM)index, 0);
    if (!IsWindow(control)) return false;
    if (combo)
        NotifyParent(control, CBN_SELCHANGE);
    else if (GetWindowLongA(control, GWL_STYLE) & LBS_NOTIFY)
        NotifyParent(control, LBN_SELCHANGE);
    return true;
}

bool TypeHotKey(HWND control, WORD value) {
    if (!TakesInput(control) || !IsClass(control, HOTKEY_CLASSA)) return false;
    ClickControl(control);
    if (!IsWindow(control)) return false;
    BYTE modifiers = HIBYTE(value);
    int vk = LOBYTE(value);
    // The control reads the modifiers from the thread's key state.
    BYTE saved[256], state[256];
    GetKeyboardState(saved);
    std::memcpy(state, saved, sizeof state);
    bool shift = modifiers & HOTKEYF_SHIFT, ctrl = modifiers & HOTKEYF_CONTROL, alt = modifiers & HOTKEYF_ALT;
    auto hold = [&](int key, bool down) {
        state[key] = down ? 0x80 : 0;
        SetKeyboardState(state);
    };
    if (shift) { hold(VK_SHIFT, true); SendKey(control, VK_SHIFT, true, false, false); }
    if (ctrl) { hold(VK_CONTROL, true); SendKey(control, VK_CONTROL, true, false, false); }
    if (alt) { hold(VK_MENU, true); SendKey(control, VK_MENU, true, false, ctrl); }
    SendKey(control, vk, true, alt, ctrl);
    SendKey(control, vk, false, alt, ctrl);
    if (alt) { hold(VK_MENU, false); SendKey(control, VK_MENU, false, false, ctrl); }
    if (ctrl) { hold(VK_CONTROL, false); SendKey(control, VK_CONTROL, false, false, false); }
    if (shift) { hold(VK_SHIFT, false); SendKey(control, VK_SHIFT, false, false, false); }
    SetKeyboardState(saved);
    return true;
}

}  // namespace vsim::winhost
