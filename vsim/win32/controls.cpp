// The built-in control classes. Each keeps its state in its window object and answers
// the messages the module sends; what a person does to a control arrives as mouse and
// key messages (user_actions.cpp) and leaves as the notifications Windows sends.
#include "vsim/win32/controls.h"

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <strings.h>

#include "vsim/win32/drawing.h"

namespace vsim::win32 {

namespace {

constexpr int VK_BACK_KEY = 0x08, VK_TAB_KEY = 0x09, VK_RETURN_KEY = 0x0D, VK_SPACE_KEY = 0x20;
constexpr int VK_NUMLOCK_KEY = 0x90, VK_RCONTROL_KEY = 0xA3, VK_RMENU_KEY = 0xA5;
constexpr int UpDownWidth = 16;       // the width an aligned up-down control takes from its buddy
constexpr int UpDownBuddyBorder = 2;  // extra width beside a bordered edit buddy

// ---- Buttons ----

void DrawOwnerButton(Window* button, UINT action) {
    if (!IsEffectivelyVisible(button) || button->parent == nullptr) return;
    DRAWITEMSTRUCT item = {};
    item.CtlType = ODT_BUTTON;
    item.CtlID = (UINT)button->id;
    item.itemID = 0;
    item.itemAction = action;
    item.itemState = (button->pushed ? ODS_SELECTED : 0) | (GetFocus() == button->handle ? ODS_FOCUS : 0) |
                     ((button->style & WS_DISABLED) ? ODS_DISABLED : 0);
    item.hwndItem = button->handle;
    item.hDC = DeviceContextOf(button->handle);
    GetClientRect(button->handle, &item.rcItem);
    SendMessageA(button->parent, WM_DRAWITEM, (WPARAM)button->id, (LPARAM)&item);
}

// Unchecks the other automatic radio buttons of the clicked one's group: the siblings
// from the nearest WS_GROUP control at or before it up to the next WS_GROUP control.
void UncheckRadioGroup(Window* button) {
    Window* parent = FindWindowObject(button->parent);
    if (parent == nullptr) return;
    std::vector<HWND> siblings = parent->children;
    auto at = std::find(siblings.begin(), siblings.end(), button->handle);
    if (at == siblings.end()) return;
    size_t start = (size_t)(at - siblings.begin());
    while (start > 0) {
        Window* w = FindWindowObject(siblings[start]);
        if (w != nullptr && (w->style & WS_GROUP)) break;
        --start;
    }
    for (size_t i = start; i < siblings.size(); ++i) {
        Window* w = FindWindowObject(siblings[i]);
        if (w == nullptr) continue;
        if (i > start && (w->style & WS_GROUP)) break;
        if (w != button && w->kind == KindButton && ButtonType(w) == BS_AUTORADIOBUTTON)
            SendMessageA(w->handle, BM_SETCHECK, BST_UNCHECKED, 0);
    }
}

LRESULT CALLBACK ButtonProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    Window* w = FindWindowObject(hwnd);
    if (w == nullptr) return 0;
    UINT type = ButtonType(w);
    switch (msg) {
    case BM_GETCHECK: return IsCheckButton(w) ? w->check : 0;
    case BM_SETCHECK: {
        // No effect on the rest of a radio group: only a click moves the group's check.
        if (!IsCheckButton(w)) return 0;
        UINT most = (type == BS_3STATE || type == BS_AUTO3STATE) ? BST_INDETERMINATE : BST_CHECKED;
        UINT state = std::min<UINT>((UINT)wParam, most);
        if (state != w->check) {
            w->check = state;
            MarkForPaint(w, false);
        }
        return 0;
    }
    case BM_GETSTATE:
        return (IsCheckButton(w) ? w->check : 0) | (w->pushed ? BST_PUSHED : 0) | (GetFocus() == hwnd ? BST_FOCUS : 0);
    case BM_SETSTATE: {
        bool pushed = wParam != 0;
        if (pushed != w->pushed) {
            w->pushed = pushed;
            if (type == BS_OWNERDRAW)
                DrawOwnerButton(w, ODA_SELECT);
            else
                MarkForPaint(w, false);
        }
        return 0;
    }
    case BM_CLICK:
        if (!IsEffectivelyEnabled(w)) return 0;
        SendMessageA(hwnd, WM_LBUTTONDOWN, 1, 0);
        SendMessageA(hwnd, WM_LBUTTONUP, 0, 0);
        return 0;
    case BM_SETIMAGE: {
        HANDLE* slot = wParam == IMAGE_ICON ? &w->image : (wParam == 0 ? &w->bitmap : nullptr);
        if (slot == nullptr) return 0;
        HANDLE previous = *slot;
        *slot = (HANDLE)lParam;
        MarkForPaint(w, false);
        return (LRESULT)previous;
    }
    case BM_GETIMAGE:
        return (LRESULT)(wParam == IMAGE_ICON ? w->image : (wParam == 0 ? w->bitmap : nullptr));
    case WM_LBUTTONDBLCLK:
        // Radio and owner-drawn buttons report the second click as a double click;
        // the others take it as another press.
        if ((w->style & BS_NOTIFY) || type == BS_RADIOBUTTON || type == BS_AUTORADIOBUTTON || type == BS_OWNERDRAW) {
            NotifyParent(w, BN_DOUBLECLICKED);
            return 0;
        }
        [[fallthrough]];
    case WM_LBUTTONDOWN:
        if (type == BS_GROUPBOX) return 0;
        SetFocus(hwnd);
        if ((w = FindWindowObject(hwnd)) == nullptr) return 0;
        w->mouseCaptured = true;
        SendMessageA(hwnd, BM_SETSTATE, TRUE, 0);
        return 0;
    case WM_LBUTTONUP:
        if (!w->mouseCaptured) return 0;
        w->mouseCaptured = false;
        SendMessageA(hwnd, BM_SETSTATE, FALSE, 0);
        if ((w = FindWindowObject(hwnd)) == nullptr) return 0;
        if (type == BS_AUTOCHECKBOX) {
            SendMessageA(hwnd, BM_SETCHECK, w->check == BST_CHECKED ? BST_UNCHECKED : BST_CHECKED, 0);
        } else if (type == BS_AUTO3STATE) {
            SendMessageA(hwnd, BM_SETCHECK, (w->check + 1) % 3, 0);
        } else if (type == BS_AUTORADIOBUTTON) {
            SendMessageA(hwnd, BM_SETCHECK, BST_CHECKED, 0);
            UncheckRadioGroup(w);
        }
        NotifyParent(FindWindowObject(hwnd), BN_CLICKED);
        return 0;
    case WM_SETFOCUS:
        if (type == BS_OWNERDRAW) DrawOwnerButton(w, ODA_FOCUS);
        if ((w = FindWindowObject(hwnd)) != nullptr && (w->style & BS_NOTIFY)) NotifyParent(w, BN_SETFOCUS);
        return 0;
    case WM_KILLFOCUS:
        if (w->mouseCaptured) {
            w->mouseCaptured = false;
            SendMessageA(hwnd, BM_SETSTATE, FALSE, 0);
            if ((w = FindWindowObject(hwnd)) == nullptr) return 0;
        }
        if (type == BS_OWNERDRAW) DrawOwnerButton(w, ODA_FOCUS);
        if ((w = FindWindowObject(hwnd)) != nullptr && (w->style & BS_NOTIFY)) NotifyParent(w, BN_KILLFOCUS);
        return 0;
    case WM_PAINT:
        w->needsPaint = false;
        if (type == BS_OWNERDRAW) DrawOwnerButton(w, ODA_DRAWENTIRE);
        return 0;
    default: return DefWindowProcA(hwnd, msg, wParam, lParam);
    }
}

// ---- Static controls ----

LRESULT CALLBACK StaticProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    Window* w = FindWindowObject(hwnd);
    if (w == nullptr) return 0;
    switch (msg) {
    case WM_LBUTTONDOWN:
        if (w->style & SS_NOTIFY) NotifyParent(w, STN_CLICKED);
        return 0;
    case WM_LBUTTONDBLCLK:
        if (w->style & SS_NOTIFY) NotifyParent(w, STN_DBLCLK);
        return 0;
    default: return DefWindowProcA(hwnd, msg, wParam, lParam);
    }
}

// ---- Edit controls ----

LRESULT CALLBACK EditProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    Window* w = FindWindowObject(hwnd);
    if (w == nullptr) return 0;
    switch (msg) {
    case WM_SETTEXT: {
        // A single-line edit reports new text as a change, as Windows does; ES_NUMBER
        // filters typing only, so set text is taken as it is.
        std::string text = lParam != 0 ? (const char*)lParam : "";
        bool notify = !(w->style & ES_MULTILINE) && !(w->text.empty() && text.empty());
        w->text = text;
        MarkForPaint(w, false);
        if (notify) {
            NotifyParent(w, EN_UPDATE);
            NotifyParent(FindWindowObject(hwnd), EN_CHANGE);
        }
        return TRUE;
    }
    case WM_LBUTTONDOWN: SetFocus(hwnd); return 0;
    case WM_SETFOCUS: NotifyParent(w, EN_SETFOCUS); return 0;
    case WM_KILLFOCUS: NotifyParent(w, EN_KILLFOCUS); return 0;
    default: return DefWindowProcA(hwnd, msg, wParam, lParam);
    }
}

// ---- Combo and list boxes ----

int AddItem(Window* w, LPARAM lParam, bool sorted) {
    std::string text = lParam != 0 ? (const char*)lParam : "";
    auto at = w->items.end();
    if (sorted)
        at = std::find_if(w->items.begin(), w->items.end(),
                          [&](const std::string& item) { return strcasecmp(item.c_str(), text.c_str()) > 0; });
    at = w->items.insert(at, text);
    MarkForPaint(w, false);
    return (int)(at - w->items.begin());
}

bool ValidItem(const Window* w, WPARAM index) {
    return (int)index >= 0 && (size_t)(int)index < w->items.size();
}

LRESULT CALLBACK ComboBoxProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    Window* w = FindWindowObject(hwnd);
    if (w == nullptr) return 0;
    bool dropDownList = (w->style & CBS_DROPDOWNLIST) == CBS_DROPDOWNLIST;
    switch (msg) {
    case CB_ADDSTRING: return AddItem(w, lParam, (w->style & CBS_SORT) != 0);
    case CB_GETCOUNT: return (LRESULT)w->items.size();
    case CB_GETCURSEL: return w->selection;
    case CB_SETCURSEL:
        MarkForPaint(w, false);
        if (!ValidItem(w, wParam)) {
            w->selection = -1;
            return CB_ERR;
        }
        w->selection = (int)wParam;
        if (!dropDownList) w->text = w->items[(size_t)w->selection];
        return w->selection;
    case CB_GETLBTEXT:
        // Windows copies the whole item: the caller's buffer must hold CB_GETLBTEXTLEN + 1.
        if (!ValidItem(w, wParam)) return CB_ERR;
        if (lParam != 0) strcpy((char*)lParam, w->items[wParam].c_str());
        return (LRESULT)w->items[wParam].size();
    case CB_GETLBTEXTLEN: return ValidItem(w, wParam) ? (LRESULT)w->items[wParam].size() : CB_ERR;
    case CB_RESETCONTENT:
        w->items.clear();
        w->selection = -1;
        MarkForPaint(w, false);
        return 0;
    case WM_SETTEXT:
        if (dropDownList) return CB_ERR;
        return DefWindowProcA(hwnd, msg, wParam, lParam);
    case WM_GETTEXT:
        if (dropDownList)
            return (LRESULT)CopyText(w->selection >= 0 ? w->items[(size_t)w->selection] : "", (char*)lParam, wParam);
        return DefWindowProcA(hwnd, msg, wParam, lParam);
    case WM_GETTEXTLENGTH:
        if (dropDownList) return w->selection >= 0 ? (LRESULT)w->items[(size_t)w->selection].size() : 0;
        return DefWindowProcA(hwnd, msg, wParam, lParam);
    case WM_LBUTTONDOWN: SetFocus(hwnd); return 0;
    case WM_SETFOCUS: NotifyParent(w, CBN_SETFOCUS); return 0;
    case WM_KILLFOCUS: NotifyParent(w, CBN_KILLFOCUS); return 0;
    default: return DefWindowProcA(hwnd, msg, wParam, lParam);
    }
}

LRESULT CALLBACK ListBoxProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    Window* w = FindWindowObject(hwnd);
    if (w == nullptr) return 0;
    bool notify = (w->style & LBS_NOTIFY) != 0;
    switch (msg) {
    case LB_ADDSTRING: return AddItem(w, lParam, (w->style & LBS_SORT) != 0);
    case LB_GETCOUNT: return (LRESULT)w->items.size();
    case LB_GETCURSEL: return w->selection;
    case LB_SETCURSEL:
        // -1 clears the selection and still answers LB_ERR, as Windows does; any other
        // index out of range is refused and changes nothing.
        if ((int)wParam == -1) {
            w->selection = -1;
            MarkForPaint(w, false);
            return LB_ERR;
        }
        if (!ValidItem(w, wParam)) return LB_ERR;
        w->selection = (int)wParam;
        MarkForPaint(w, false);
        return w->selection;
    case LB_GETTEXT:
        if (!ValidItem(w, wParam)) return LB_ERR;
        if (lParam != 0) strcpy((char*)lParam, w->items[wParam].c_str());
        return (LRESULT)w->items[wParam].size();
    case LB_GETTEXTLEN: return ValidItem(w, wParam) ? (LRESULT)w->items[wParam].size() : LB_ERR;
    case LB_RESETCONTENT:
        w->items.clear();
        w->selection = -1;
        MarkForPaint(w, false);
        return 0;
    case WM_LBUTTONDOWN: SetFocus(hwnd); return 0;
    case WM_SETFOCUS:
        if (notify) NotifyParent(w, LBN_SETFOCUS);
        return 0;
    case WM_KILLFOCUS:
        if (notify) NotifyParent(w, LBN_KILLFOCUS);
        return 0;
    default: return DefWindowProcA(hwnd, msg, wParam, lParam);
    }
}

// ---- Trackbars ----

void ClampTrackbar(Window* w) {
    if (w->position < w->rangeMin) w->position = w->rangeMin;
    if (w->position > w->rangeMax) w->position = w->rangeMax;
}

// Automatic ticks: one at every unit strictly inside the range (the ends always have one).
void RecalculateAutoTicks(Window* w) {
    if (!(w->style & TBS_AUTOTICKS)) return;
    w->ticks.clear();
    for (int p = w->rangeMin + 1; p < w->rangeMax; ++p) w->ticks.push_back(p);
}

LRESULT CALLBACK TrackbarProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    Window* w = FindWindowObject(hwnd);
    if (w == nullptr) return 0;
    switch (msg) {
    case WM_CREATE:
        w->rangeMin = 0;
        w->rangeMax = 100;
        w->position = 0;
        RecalculateAutoTicks(w);
        return 0;
    case TBM_GETPOS: return w->position;
    case TBM_GETRANGEMIN: return w->rangeMin;
    case TBM_GETRANGEMAX: return w->rangeMax;
    case TBM_SETPOS:
        w->position = (int)lParam;
        ClampTrackbar(w);
        if (wParam) MarkForPaint(w, false);
        return 0;
    case TBM_SETRANGE:
        w->rangeMin = (SHORT)LOWORD(lParam);
        w->rangeMax = (SHORT)HIWORD(lParam);
        ClampTrackbar(w);
        RecalculateAutoTicks(w);
        if (wParam) MarkForPaint(w, false);
        return 0;
    case TBM_SETRANGEMIN:
    case TBM_SETRANGEMAX:
        (msg == TBM_SETRANGEMIN ? w->rangeMin : w->rangeMax) = (int)lParam;
        ClampTrackbar(w);
        RecalculateAutoTicks(w);
        if (wParam) MarkForPaint(w, false);
        return 0;
    case TBM_SETTIC:
        if ((int)lParam < w->rangeMin || (int)lParam > w->rangeMax) return FALSE;
        w->ticks.push_back((int)lParam);
        std::sort(w->ticks.begin(), w->ticks.end());
        MarkForPaint(w, false);
        return TRUE;
    case TBM_CLEARTICS:
        w->ticks.clear();
        if (wParam) MarkForPaint(w, false);
        return 0;
    case TBM_GETNUMTICS: return (w->style & TBS_NOTICKS) ? 0 : (LRESULT)w->ticks.size() + 2;
    case TBM_GETTIC: return (size_t)wParam < w->ticks.size() ? w->ticks[wParam] : -1;
    case WM_LBUTTONDOWN: SetFocus(hwnd); return 0;
    default: return DefWindowProcA(hwnd, msg, wParam, lParam);
    }
}

// ---- Hot-key controls ----

bool IsInvalidCombination(const Window* w, BYTE modifiers) {
    switch (modifiers & (HOTKEYF_SHIFT | HOTKEYF_CONTROL | HOTKEYF_ALT)) {
    case 0: return (w->invalidCombinations & HKCOMB_NONE) != 0;
    case HOTKEYF_SHIFT: return (w->invalidCombinations & HKCOMB_S) != 0;
    case HOTKEYF_CONTROL: return (w->invalidCombinations & HKCOMB_C) != 0;
    case HOTKEYF_ALT: return (w->invalidCombinations & HKCOMB_A) != 0;
    case HOTKEYF_SHIFT | HOTKEYF_CONTROL: return (w->invalidCombinations & HKCOMB_SC) != 0;
    case HOTKEYF_SHIFT | HOTKEYF_ALT: return (w->invalidCombinations & HKCOMB_SA) != 0;
    case HOTKEYF_CONTROL | HOTKEYF_ALT: return (w->invalidCombinations & HKCOMB_CA) != 0;
    default: return (w->invalidCombinations & HKCOMB_SCA) != 0;
    }
}

// Typing into the control: the key with the modifiers held now becomes the value, an
// invalid modifier combination is replaced by the rules' modifiers, and extended keys
// carry HOTKEYF_EXT. Backspace, Delete, Escape, Space, Tab and Enter clear it.
void TypeIntoHotKey(Window* w, WPARAM vk, LPARAM lParam) {
    WORD previous = w->hotKey;
    switch ((int)vk) {
    case VK_SHIFT:
    case VK_CONTROL:
    case VK_MENU: return;  // a modifier alone sets nothing yet
    case VK_BACK_KEY:
    case VK_DELETE:
    case VK_ESCAPE:
    case VK_SPACE_KEY:
    case VK_TAB_KEY:
    case VK_RETURN_KEY: w->hotKey = 0; break;
    default: {
        BYTE modifiers = (GetAsyncKeyState(VK_SHIFT) ? HOTKEYF_SHIFT : 0) |
                         (GetAsyncKeyState(VK_CONTROL) ? HOTKEYF_CONTROL : 0) |
                         (GetAsyncKeyState(VK_MENU) ? HOTKEYF_ALT : 0);
        if (IsInvalidCombination(w, modifiers)) modifiers = (BYTE)w->replacementModifiers;
        if (lParam & (1 << 24)) modifiers |= HOTKEYF_EXT;
        w->hotKey = MAKEWORD(vk, modifiers);
        break;
    }
    }
    MarkForPaint(w, false);
    if (w->hotKey != previous) NotifyParent(w, EN_CHANGE);
}

LRESULT CALLBACK HotKeyProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    Window* w = FindWindowObject(hwnd);
    if (w == nullptr) return 0;
    switch (msg) {
    case HKM_SETHOTKEY:
        w->hotKey = LOWORD(wParam);
        MarkForPaint(w, false);
        return 0;
    case HKM_GETHOTKEY: return w->hotKey;
    case HKM_SETRULES:
        w->invalidCombinations = LOWORD(wParam);
        w->replacementModifiers = LOWORD(lParam);
        return 0;
    case WM_KEYDOWN:
    case WM_SYSKEYDOWN: TypeIntoHotKey(w, wParam, lParam); return 0;
    case WM_KEYUP:
    case WM_SYSKEYUP: return 0;
    case WM_LBUTTONDOWN: SetFocus(hwnd); return 0;
    default: return DefWindowProcA(hwnd, msg, wParam, lParam);
    }
}

// ---- Up-down controls ----

bool UpDownInRange(const Window* w, int value) {
    int low = std::min(w->upDownLower, w->upDownUpper), high = std::max(w->upDownLower, w->upDownUpper);
    return value >= low && value <= high;
}

int ClampUpDown(const Window* w, int value) {
    int low = std::min(w->upDownLower, w->upDownUpper), high = std::max(w->upDownLower, w->upDownUpper);
    return std::max(low, std::min(high, value));
}

// The buddy's text of a position: thousands grouped with "," unless UDS_NOTHOUSANDS.
std::string FormatUpDownNumber(int value, bool thousands) {
    std::string digits = std::to_string(value < 0 ? -(long long)value : (long long)value);
    if (thousands)
        for (int at = (int)digits.size() - 3; at > 0; at -= 3) digits.insert((size_t)at, ",");
    return value < 0 ? "-" + digits : digits;
}

void WriteBuddy(Window* w) {
    if (!(w->style & UDS_SETBUDDYINT) || FindWindowObject(w->buddy) == nullptr) return;
    std::string text = FormatUpDownNumber(w->upDownPos, !(w->style & UDS_NOTHOUSANDS));
    SendMessageA(w->buddy, WM_SETTEXT, 0, (LPARAM)text.c_str());
}

// Reads the position back from the buddy's text. Fails (position unchanged) without a
// buddy, or when the text is not a whole decimal number within the range.
bool ReadBuddy(Window* w) {
    if (FindWindowObject(w->buddy) == nullptr) return false;
    char buffer[64];
    GetWindowTextA(w->buddy, buffer, sizeof buffer);
    std::string text;
    for (const char* p = buffer; *p != '\0'; ++p)
        if (*p != ',' || (w->style & UDS_NOTHOUSANDS)) text += *p;
    char* end = nullptr;
    errno = 0;
    long value = strtol(text.c_str(), &end, 10);
    if (*end != '\0' || errno == ERANGE || value < INT_MIN || value > INT_MAX || !UpDownInRange(w, (int)value))
        return false;
    w->upDownPos = (int)value;
    return true;
}

void AttachBuddy(Window* w, HWND buddy) {
    w->buddy = buddy;
    Window* b = FindWindowObject(buddy);
    if (b == nullptr || !(w->style & (UDS_ALIGNLEFT | UDS_ALIGNRIGHT))) return;
    // An aligned up-down takes its width from the buddy's side and matches its height.
    RECT r = b->rect;
    int x;
    if (w->style & UDS_ALIGNLEFT) {
        x = r.left;
        r.left += UpDownWidth;
    } else {
        r.right -= UpDownWidth;
        x = r.right;
    }
    SetWindowPos(buddy, nullptr, r.left, r.top, r.right - r.left, r.bottom - r.top, SWP_NOZORDER | SWP_NOACTIVATE);
    int width = UpDownWidth;
    if (b->kind == KindEdit && ((b->style & WS_BORDER) || (b->exStyle & WS_EX_CLIENTEDGE))) {
        width += UpDownBuddyBorder;
        if (w->style & UDS_ALIGNLEFT) x -= UpDownBuddyBorder;
    }
    SetWindowPos(w->handle, nullptr, x, r.top, width, r.bottom - r.top, SWP_NOZORDER | SWP_NOACTIVATE);
}

LRESULT CALLBACK UpDownProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    Window* w = FindWindowObject(hwnd);
    if (w == nullptr) return 0;
    switch (msg) {
    case WM_CREATE:
        w->upDownLower = 100;
        w->upDownUpper = 0;
        w->upDownPos = 0;
        if (w->style & UDS_AUTOBUDDY) {
            // The buddy is the control created just before this one.
            Window* parent = FindWindowObject(w->parent);
            if (parent != nullptr) {
                auto at = std::find(parent->children.begin(), parent->children.end(), hwnd);
                if (at != parent->children.begin() && at != parent->children.end()) AttachBuddy(w, *(at - 1));
            }
        }
        return 0;
    case UDM_SETRANGE:
        w->upDownUpper = (SHORT)LOWORD(lParam);
        w->upDownLower = (SHORT)HIWORD(lParam);
        return 0;
    case UDM_GETRANGE: return (LRESULT)(DWORD)MAKELONG(w->upDownUpper, w->upDownLower);
    case UDM_SETPOS: {
        int previous = w->upDownPos;
        w->upDownPos = ClampUpDown(w, (SHORT)LOWORD(lParam));
        WriteBuddy(w);
        return previous;
    }
    case UDM_GETPOS: {
        bool ok = ReadBuddy(w);
        if ((w = FindWindowObject(hwnd)) == nullptr) return 0;
        if (!UpDownInRange(w, w->upDownPos)) {
            w->upDownPos = ClampUpDown(w, w->upDownPos);
            ok = false;
        }
        return (LRESULT)(DWORD)MAKELONG(w->upDownPos, ok ? 0 : 1);
    }
    case UDM_SETBUDDY: {
        HWND previous = w->buddy;
        AttachBuddy(w, (HWND)wParam);
        return (LRESULT)previous;
    }
    case UDM_GETBUDDY: return (LRESULT)w->buddy;
    default: return DefWindowProcA(hwnd, msg, wParam, lParam);
    }
}

}  // namespace

void RegisterControlClasses() {
    RegisterBuiltInClass("BUTTON", ButtonProc, KindButton);
    RegisterBuiltInClass("STATIC", StaticProc, KindStatic);
    RegisterBuiltInClass("EDIT", EditProc, KindEdit);
    RegisterBuiltInClass("COMBOBOX", ComboBoxProc, KindComboBox);
    RegisterBuiltInClass("LISTBOX", ListBoxProc, KindListBox);
    RegisterBuiltInClass(TRACKBAR_CLASSA, TrackbarProc, KindTrackbar);
    RegisterBuiltInClass(HOTKEY_CLASSA, HotKeyProc, KindHotKey);
    RegisterBuiltInClass(UPDOWN_CLASSA, UpDownProc, KindUpDown);
}

UINT ButtonType(const Window* button) {
    return button->style & BS_TYPEMASK;
}

bool IsCheckButton(const Window* button) {
    switch (ButtonType(button)) {
    case BS_CHECKBOX:
    case BS_AUTOCHECKBOX:
    case BS_RADIOBUTTON:
    case BS_3STATE:
    case BS_AUTO3STATE:
    case BS_AUTORADIOBUTTON: return true;
    default: return false;
    }
}

int MoveTrackbarThumb(Window* trackbar, int position) {
    trackbar->position = position;
    ClampTrackbar(trackbar);
    MarkForPaint(trackbar, false);
    return trackbar->position;
}

bool IsExtendedKey(int vk) {
    return (vk >= VK_PRIOR && vk <= VK_DOWN) || vk == VK_INSERT || vk == VK_DELETE || vk == VK_DIVIDE ||
           vk == VK_NUMLOCK_KEY || vk == VK_RCONTROL_KEY || vk == VK_RMENU_KEY;
}

bool ReadControl(HWND control, ControlInfo* info) {
    Window* w = FindWindowObject(control);
    if (w == nullptr || info == nullptr) return false;
    *info = ControlInfo();
    info->className = ClassNameOf(control);
    info->id = w->id;
    char text[1024];
    GetWindowTextA(control, text, sizeof text);
    info->text = w->kind == KindComboBox ? text : w->text;
    info->style = w->style;
    info->exStyle = w->exStyle;
    info->enabled = !(w->style & WS_DISABLED);
    info->visible = IsEffectivelyVisible(w);
    info->focused = GetFocus() == control;
    info->rect = w->rect;
    info->check = w->kind == KindButton && IsCheckButton(w) ? w->check : 0;
    info->pushed = w->pushed;
    info->image = w->image;
    info->items = w->items;
    info->selection = w->selection;
    info->rangeMin = w->rangeMin;
    info->rangeMax = w->rangeMax;
    info->position = w->position;
    info->ticks = w->ticks;
    info->hotKey = w->hotKey;
    info->upDownLower = w->upDownLower;
    info->upDownUpper = w->upDownUpper;
    info->upDownPos = w->upDownPos;
    info->buddy = w->buddy;
    return true;
}

HWND FindControl(HWND ancestor, int id) {
    Window* w = FindWindowObject(ancestor);
    if (w == nullptr) return nullptr;
    for (HWND child : w->children) {
        Window* c = FindWindowObject(child);
        if (c == nullptr) continue;
        if (c->id == id) return child;
        if (HWND found = FindControl(child, id)) return found;
    }
    return nullptr;
}

}  // namespace vsim::win32
