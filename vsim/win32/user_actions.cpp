// The virtual keyboard and the mouse actions of a person on windows and controls.
// Key messages carry the lParam bits Windows sets (repeat count 1, extended key, context
// (Alt), previous state, transition); the scan code field is left 0.
#include "vsim/win32/user_actions.h"

#include "vsim/win32/controls.h"
#include "vsim/win32/window.h"

namespace vsim::win32 {

namespace {

constexpr int VK_F10_KEY = 0x79;
constexpr WPARAM MK_LBUTTON_FLAG = 0x0001;

bool KeyDown[256];

LPARAM KeyMessageLParam(int vk, bool down, bool wasDown, bool alt) {
    DWORD bits = 1;  // repeat count
    if (IsExtendedKey(vk)) bits |= 1u << 24;
    if (alt) bits |= 1u << 29;
    if (wasDown || !down) bits |= 1u << 30;
    if (!down) bits |= 1u << 31;
    return (LPARAM)bits;
}

// Sends one key message to a window as the focused window receives it.
LRESULT SendKey(HWND window, int vk, bool down) {
    bool wasDown = KeyDown[vk & 0xFF];
    SetKeyState(vk, down);
    bool alt = KeyDown[VK_MENU], ctrl = KeyDown[VK_CONTROL];
    bool system = vk == VK_MENU || vk == VK_F10_KEY || (alt && !ctrl);
    UINT msg = down ? (system ? WM_SYSKEYDOWN : WM_KEYDOWN) : (system ? WM_SYSKEYUP : WM_KEYUP);
    return SendMessageA(window, msg, (WPARAM)vk, KeyMessageLParam(vk, down, wasDown, alt && vk != VK_MENU));
}

Window* MouseTarget(HWND hwnd) {
    Window* w = FindWindowObject(hwnd);
    if (w == nullptr || !IsEffectivelyVisible(w) || !IsEffectivelyEnabled(w)) return nullptr;
    Window* top = FindWindowObject(TopLevelOf(hwnd));
    if (top == nullptr || !IsEffectivelyEnabled(top)) return nullptr;
    return w;
}

// Mouse activation before a click; false when the answer eats the click.
bool MouseActivate(HWND target, WORD hitTest) {
    HWND top = TopLevelOf(target);
    if (top == GetActiveWindow()) return true;
    LRESULT answer = SendMessageA(target, WM_MOUSEACTIVATE, (WPARAM)top, MAKELPARAM(hitTest, WM_LBUTTONDOWN));
    if (answer != MA_NOACTIVATE && answer != MA_NOACTIVATEANDEAT && FindWindowObject(top) != nullptr)
        SetActiveWindow(top);
    return answer != MA_ACTIVATEANDEAT && answer != MA_NOACTIVATEANDEAT;
}

LPARAM CentreOf(HWND hwnd) {
    RECT r;
    GetClientRect(hwnd, &r);
    return MAKELPARAM(r.right / 2, r.bottom / 2);
}

}  // namespace

void SetKeyState(int vk, bool down) {
    if (vk >= 0 && vk < 256) KeyDown[vk] = down;
}

LRESULT PressKey(HWND window, int vk, bool down) {
    Window* w = FindWindowObject(window);
    if (w == nullptr || !IsEffectivelyEnabled(w)) {
        SetKeyState(vk, down);
        return 0;
    }
    return SendKey(window, vk, down);
}

bool ClickControl(HWND control) {
    if (MouseTarget(control) == nullptr) return false;
    if (!MouseActivate(control, HTCLIENT)) return true;
    if (FindWindowObject(control) == nullptr) return true;
    LPARAM at = CentreOf(control);
    SendMessageA(control, WM_LBUTTONDOWN, MK_LBUTTON_FLAG, at);
    if (FindWindowObject(control) != nullptr) SendMessageA(control, WM_LBUTTONUP, 0, at);
    return true;
}

bool DoubleClickControl(HWND control) {
    if (!ClickControl(control)) return false;
    if (MouseTarget(control) == nullptr) return true;
    LPARAM at = CentreOf(control);
    SendMessageA(control, WM_LBUTTONDBLCLK, MK_LBUTTON_FLAG, at);
    if (FindWindowObject(control) != nullptr) SendMessageA(control, WM_LBUTTONUP, 0, at);
    return true;
}

bool PressButton(HWND button) {
    if (MouseTarget(button) == nullptr) return false;
    if (!MouseActivate(button, HTCLIENT)) return true;
    if (FindWindowObject(button) != nullptr) SendMessageA(button, WM_LBUTTONDOWN, MK_LBUTTON_FLAG, CentreOf(button));
    return true;
}

bool ReleaseButton(HWND button) {
    if (FindWindowObject(button) == nullptr) return false;
    SendMessageA(button, WM_LBUTTONUP, 0, CentreOf(button));
    return true;
}

bool DragTrackbar(HWND trackbar, int position) {
    Window* w = MouseTarget(trackbar);
    if (w == nullptr || w->kind != KindTrackbar) return false;
    if (!MouseActivate(trackbar, HTCLIENT)) return true;
    SetFocus(trackbar);
    if ((w = FindWindowObject(trackbar)) == nullptr) return true;
    int reached = MoveTrackbarThumb(w, position);
    HWND parent = w->parent;
    UINT msg = (w->style & TBS_VERT) ? WM_VSCROLL : WM_HSCROLL;
    SendMessageA(parent, msg, MAKEWPARAM(TB_THUMBTRACK, reached), (LPARAM)trackbar);
    SendMessageA(parent, msg, MAKEWPARAM(TB_THUMBPOSITION, reached), (LPARAM)trackbar);
    SendMessageA(parent, msg, MAKEWPARAM(TB_ENDTRACK, 0), (LPARAM)trackbar);
    return true;
}

bool MoveWindowByUser(HWND window, int x, int y) {
    Window* w = MouseTarget(window);
    if (w == nullptr || window != TopLevelOf(window)) return false;
    if (!MouseActivate(window, HTCAPTION)) return true;
    if ((w = FindWindowObject(window)) == nullptr) return true;
    SendMessageA(window, WM_ENTERSIZEMOVE, 0, 0);
    if ((w = FindWindowObject(window)) == nullptr) return true;
    RECT r = {x, y, x + (w->rect.right - w->rect.left), y + (w->rect.bottom - w->rect.top)};
    SendMessageA(window, WM_MOVING, 0, (LPARAM)&r);
    SetWindowPos(window, nullptr, r.left, r.top, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
    SendMessageA(window, WM_EXITSIZEMOVE, 0, 0);
    return true;
}

bool TypeText(HWND control, const std::string& text) {
    Window* w = MouseTarget(control);
    if (w == nullptr) return false;
    bool editable = (w->kind == KindEdit && !(w->style & ES_READONLY)) ||
                    (w->kind == KindComboBox && (w->style & CBS_DROPDOWNLIST) != CBS_DROPDOWNLIST);
    if (!editable) return false;
    ClickControl(control);
    if (FindWindowObject(control) == nullptr) return false;
    SendMessageA(control, WM_SETTEXT, 0, (LPARAM)text.c_str());
    return true;
}

bool SelectItem(HWND control, int index) {
    Window* w = MouseTarget(control);
    if (w == nullptr || (w->kind != KindComboBox && w->kind != KindListBox)) return false;
    if (index < 0 || (size_t)index >= w->items.size()) return false;
    bool combo = w->kind == KindComboBox;
    ClickControl(control);
    if (FindWindowObject(control) == nullptr) return false;
    SendMessageA(control, combo ? CB_SETCURSEL : LB_SETCURSEL, (WPARAM)index, 0);
    if ((w = FindWindowObject(control)) == nullptr) return false;
    if (combo)
        NotifyParent(w, CBN_SELCHANGE);
    else if (w->style & LBS_NOTIFY)
        NotifyParent(w, LBN_SELCHANGE);
    return true;
}

bool TypeHotKey(HWND control, WORD value) {
    Window* w = MouseTarget(control);
    if (w == nullptr || w->kind != KindHotKey) return false;
    ClickControl(control);
    if (FindWindowObject(control) == nullptr) return false;
    BYTE modifiers = HIBYTE(value);
    int vk = LOBYTE(value);
    if (modifiers & HOTKEYF_SHIFT) SendKey(control, VK_SHIFT, true);
    if (modifiers & HOTKEYF_CONTROL) SendKey(control, VK_CONTROL, true);
    if (modifiers & HOTKEYF_ALT) SendKey(control, VK_MENU, true);
    SendKey(control, vk, true);
    SendKey(control, vk, false);
    if (modifiers & HOTKEYF_ALT) SendKey(control, VK_MENU, false);
    if (modifiers & HOTKEYF_CONTROL) SendKey(control, VK_CONTROL, false);
    if (modifiers & HOTKEYF_SHIFT) SendKey(control, VK_SHIFT, false);
    return true;
}

void ResetKeyboard() {
    for (bool& down : KeyDown) down = false;
}

}  // namespace vsim::win32

SHORT WINAPI GetAsyncKeyState(int vkey) {
    if (vkey < 0 || vkey >= 256) return 0;
    return vsim::win32::KeyDown[vkey] ? (SHORT)0x8000 : 0;
}
