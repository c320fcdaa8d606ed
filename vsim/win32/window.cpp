// Windows, classes and messages of the Win32 emulation. Window objects live in a map
// keyed by handle; a destroyed window leaves the map but its object stays allocated
// until ResetWindows, so code that still holds a pointer across a message sees
// `destroyed` instead of freed memory. Messages are plain calls into the procedure
// chain; posted messages and paints wait for PumpPostedMessages.
//
// Frame sizes (AdjustWindowRectEx, client areas), fixed so layouts are exact:
//   caption (WS_CAPTION): 18 px, 15 px for WS_EX_TOOLWINDOW; menu bar: 19 px;
//   border: 4 px with WS_THICKFRAME, else 3 px with WS_DLGFRAME or WS_EX_DLGMODALFRAME,
//   else 1 px with WS_BORDER; WS_EX_CLIENTEDGE adds 2 px and WS_EX_STATICEDGE 1 px.
#include "vsim/win32/window.h"

#include <algorithm>
#include <cstring>
#include <deque>
#include <map>
#include <memory>
#include <strings.h>

#include "vsim/sim/simhost.h"
#include "vsim/win32/controls.h"
#include "vsim/win32/dialogs.h"

namespace vsim::win32 {

namespace {

struct PostedMessage {
    HWND hwnd;
    UINT message;
    WPARAM wParam;
    LPARAM lParam;
};

std::map<uintptr_t, std::unique_ptr<Window>> Windows;  // live windows by handle value
std::vector<std::unique_ptr<Window>> DestroyedWindows;  // kept allocated until ResetWindows
std::vector<std::unique_ptr<WindowClass>> Classes;
std::deque<PostedMessage> PostedMessages;
bool BuiltInClassesRegistered = false;
uintptr_t NextHandle = 0x00020000;  // handles grow by 4 and are never reused
ATOM NextAtom = 0xC000;
HWND ActiveWindow = nullptr;
HWND FocusWindow = nullptr;

constexpr int PumpLimit = 100000;  // deliveries before the pump gives up on a message storm

void EnsureBuiltInClasses() {
    if (BuiltInClassesRegistered) return;
    BuiltInClassesRegistered = true;
    RegisterControlClasses();
    RegisterDialogClass();
}

bool IsChild(const Window* window) {
    return (window->style & WS_CHILD) != 0 && window->parent != nullptr;
}

bool IsDescendantOf(HWND hwnd, HWND ancestor) {
    for (Window* w = FindWindowObject(hwnd); w != nullptr; w = IsChild(w) ? FindWindowObject(w->parent) : nullptr)
        if (w->handle == ancestor) return true;
    return false;
}

// Moves the focus without activation checks: WM_KILLFOCUS to the old window, then
// WM_SETFOCUS to the new one unless the old one moved the focus itself meanwhile.
void ChangeFocus(HWND hwnd) {
    HWND old = FocusWindow;
    if (old == hwnd) return;
    FocusWindow = hwnd;
    if (old != nullptr && FindWindowObject(old) != nullptr) SendMessageA(old, WM_KILLFOCUS, (WPARAM)hwnd, 0);
    if (FocusWindow != hwnd) return;
    if (hwnd != nullptr && FindWindowObject(hwnd) != nullptr) SendMessageA(hwnd, WM_SETFOCUS, (WPARAM)old, 0);
}

void SendDestroy(HWND hwnd) {
    Window* w = FindWindowObject(hwnd);
    if (w == nullptr) return;
    w->destroying = true;
    SendMessageA(hwnd, WM_DESTROY, 0, 0);
    std::vector<HWND> children = w->children;
    for (HWND child : children) SendDestroy(child);
}

void Bury(HWND hwnd) {
    auto it = Windows.find((uintptr_t)hwnd);
    if (it == Windows.end()) return;
    std::vector<HWND> children = it->second->children;
    for (HWND child : children) Bury(child);
    it = Windows.find((uintptr_t)hwnd);
    it->second->destroyed = true;
    it->second->children.clear();
    DestroyedWindows.push_back(std::move(it->second));
    Windows.erase(it);
}

// The owner of a closing window takes the activation back even while disabled (a box
// owned by a window that a dialog disabled); any other window must be enabled.
bool CanTakeActivation(HWND hwnd, bool owner) {
    Window* w = FindWindowObject(hwnd);
    return w != nullptr && !w->destroying && (w->style & WS_VISIBLE) && (owner || !(w->style & WS_DISABLED));
}

}  // namespace

Window* FindWindowObject(HWND hwnd) {
    if (hwnd == nullptr) return nullptr;
    auto it = Windows.find((uintptr_t)hwnd);
    return it == Windows.end() ? nullptr : it->second.get();
}

const WindowClass* FindWindowClass(LPCSTR nameOrAtom) {
    EnsureBuiltInClasses();
    if (nameOrAtom == nullptr) return nullptr;
    for (const auto& c : Classes) {
        if (IS_INTRESOURCE(nameOrAtom) ? c->atom == LOWORD(nameOrAtom) : strcasecmp(c->name.c_str(), nameOrAtom) == 0)
            return c.get();
    }
    return nullptr;
}

void RegisterBuiltInClass(const char* name, WNDPROC proc, ControlKind kind) {
    auto c = std::make_unique<WindowClass>();
    c->name = name;
    c->atom = NextAtom++;
    c->proc = proc;
    c->kind = kind;
    c->style = CS_HREDRAW | CS_VREDRAW;
    Classes.push_back(std::move(c));
}

HWND TopLevelOf(HWND hwnd) {
    Window* w = FindWindowObject(hwnd);
    while (w != nullptr && IsChild(w)) {
        Window* parent = FindWindowObject(w->parent);
        if (parent == nullptr) break;
        w = parent;
    }
    return w != nullptr ? w->handle : nullptr;
}

bool IsEffectivelyVisible(const Window* window) {
    for (const Window* w = window; w != nullptr; w = IsChild(w) ? FindWindowObject(w->parent) : nullptr)
        if (!(w->style & WS_VISIBLE)) return false;
    return window != nullptr;
}

bool IsEffectivelyEnabled(const Window* window) {
    for (const Window* w = window; w != nullptr; w = IsChild(w) ? FindWindowObject(w->parent) : nullptr)
        if (w->style & WS_DISABLED) return false;
    return window != nullptr;
}

RECT FrameInsets(DWORD style, DWORD exStyle, bool menu) {
    RECT insets = {0, 0, 0, 0};
    LONG border = 0;
    if (style & WS_THICKFRAME)
        border = 4;
    else if ((style & WS_DLGFRAME) || (exStyle & WS_EX_DLGMODALFRAME))
        border = 3;
    else if (style & WS_BORDER)
        border = 1;
    if (exStyle & WS_EX_CLIENTEDGE) border += 2;
    if (exStyle & WS_EX_STATICEDGE) border += 1;
    insets.left = insets.top = insets.right = insets.bottom = border;
    if ((style & WS_CAPTION) == WS_CAPTION) insets.top += (exStyle & WS_EX_TOOLWINDOW) ? 15 : 18;
    if (menu) insets.top += 19;
    return insets;
}

POINT ClientOrigin(const Window* window) {
    RECT insets = FrameInsets(window->style, window->exStyle, false);
    POINT origin = {window->rect.left + insets.left, window->rect.top + insets.top};
    if (IsChild(window)) {
        if (const Window* parent = FindWindowObject(window->parent)) {
            POINT parentOrigin = ClientOrigin(parent);
            origin.x += parentOrigin.x;
            origin.y += parentOrigin.y;
        }
    }
    return origin;
}

void ClientSize(const Window* window, LONG* width, LONG* height) {
    RECT insets = FrameInsets(window->style, window->exStyle, false);
    *width = std::max<LONG>(0, window->rect.right - window->rect.left - insets.left - insets.right);
    *height = std::max<LONG>(0, window->rect.bottom - window->rect.top - insets.top - insets.bottom);
}

void MarkForPaint(Window* window, bool withChildren) {
    window->needsPaint = true;
    if (!withChildren) return;
    for (HWND child : window->children)
        if (Window* c = FindWindowObject(child)) MarkForPaint(c, true);
}

void NotifyParent(Window* control, UINT code) {
    if (control == nullptr || control->parent == nullptr) return;
    SendMessageA(control->parent, WM_COMMAND, MAKEWPARAM(control->id, code), (LPARAM)control->handle);
}

size_t CopyText(const std::string& text, char* buffer, size_t size) {
    if (buffer == nullptr || size == 0) return 0;
    size_t count = std::min(text.size(), size - 1);
    memcpy(buffer, text.data(), count);
    buffer[count] = '\0';
    return count;
}

void PassActivationOn(HWND closing, HWND previouslyActive) {
    if (ActiveWindow != closing && ActiveWindow != nullptr) return;
    Window* w = FindWindowObject(closing);
    HWND owner = w != nullptr ? w->owner : nullptr;
    if (owner != nullptr && CanTakeActivation(owner, true))
        SetActiveWindow(owner);
    else if (previouslyActive != closing && CanTakeActivation(previouslyActive, false))
        SetActiveWindow(previouslyActive);
    else
        SetActiveWindow(nullptr);
}

int PumpPostedMessages() {
    int delivered = 0;
    while (delivered < PumpLimit) {
        if (!PostedMessages.empty()) {
            PostedMessage m = PostedMessages.front();
            PostedMessages.pop_front();
            if (FindWindowObject(m.hwnd) != nullptr) SendMessageA(m.hwnd, m.message, m.wParam, m.lParam);
            ++delivered;
            continue;
        }
        // Paints come after every posted message, as WM_PAINT does in a message loop.
        Window* next = nullptr;
        for (auto& entry : Windows) {
            Window* w = entry.second.get();
            if (w->needsPaint && IsEffectivelyVisible(w)) {
                next = w;
                break;
            }
        }
        if (next == nullptr) return delivered;
        next->needsPaint = false;
        SendMessageA(next->handle, WM_PAINT, 0, 0);
        ++delivered;
    }
    vsim::Log("win32: posted messages did not settle after " + std::to_string(PumpLimit) + " deliveries");
    return delivered;
}

void RepaintWindow(HWND hwnd) {
    Window* w = FindWindowObject(hwnd);
    if (w == nullptr || !IsEffectivelyVisible(w)) return;
    w->needsPaint = false;
    SendMessageA(hwnd, WM_PAINT, 0, 0);
    w = FindWindowObject(hwnd);
    if (w == nullptr) return;
    std::vector<HWND> children = w->children;
    for (HWND child : children) RepaintWindow(child);
}

int InvalidateCount(HWND hwnd) {
    Window* w = FindWindowObject(hwnd);
    return w != nullptr ? w->invalidateCount : 0;
}

std::vector<HWND> TopLevelWindows() {
    std::vector<HWND> result;
    for (auto& entry : Windows)
        if (!IsChild(entry.second.get())) result.push_back(entry.second->handle);
    return result;
}

std::string ClassNameOf(HWND hwnd) {
    Window* w = FindWindowObject(hwnd);
    return w != nullptr && w->windowClass != nullptr ? w->windowClass->name : std::string();
}

void FreeDestroyedWindows() { DestroyedWindows.clear(); }

void ResetWindows() {
    Windows.clear();
    DestroyedWindows.clear();
    Classes.clear();
    PostedMessages.clear();
    BuiltInClassesRegistered = false;
    ActiveWindow = nullptr;
    FocusWindow = nullptr;
}

}  // namespace vsim::win32

using namespace vsim::win32;

ATOM WINAPI RegisterClassExA(const WNDCLASSEXA* wc) {
    if (wc == nullptr || wc->cbSize != sizeof(WNDCLASSEXA) || wc->lpszClassName == nullptr || wc->lpfnWndProc == nullptr ||
        IS_INTRESOURCE(wc->lpszClassName) || wc->cbWndExtra < 0)
        return 0;
    if (FindWindowClass(wc->lpszClassName) != nullptr) return 0;  // already registered
    auto c = std::make_unique<WindowClass>();
    c->name = wc->lpszClassName;
    c->atom = NextAtom++;
    c->style = wc->style;
    c->proc = wc->lpfnWndProc;
    c->windowExtra = wc->cbWndExtra;
    c->instance = wc->hInstance;
    c->cursor = wc->hCursor;
    c->background = wc->hbrBackground;
    c->icon = wc->hIcon;
    ATOM atom = c->atom;
    Classes.push_back(std::move(c));
    return atom;
}

HWND WINAPI CreateWindowExA(DWORD exStyle, LPCSTR className, LPCSTR windowName, DWORD style, int x, int y, int width,
                            int height, HWND parent, HMENU menu, HINSTANCE instance, LPVOID param) {
    const WindowClass* windowClass = FindWindowClass(className);
    if (windowClass == nullptr) return nullptr;
    bool child = (style & WS_CHILD) != 0;
    Window* parentWindow = FindWindowObject(parent);
    if ((child && parentWindow == nullptr) || (parent != nullptr && parentWindow == nullptr)) return nullptr;

    auto w = std::make_unique<Window>();
    HWND hwnd = (HWND)NextHandle;
    NextHandle += 4;
    w->handle = hwnd;
    w->windowClass = windowClass;
    w->kind = windowClass->kind;
    w->proc = windowClass->proc;
    // An overlapped top-level window always has a caption, as Windows gives it one.
    if (!(style & (WS_CHILD | WS_POPUP))) style |= WS_CAPTION | WS_CLIPSIBLINGS;
    w->style = style & ~WS_VISIBLE;
    w->exStyle = exStyle;
    w->instance = instance;
    w->text = windowName != nullptr && !IS_INTRESOURCE(windowName) ? windowName : "";
    w->rect = {x, y, x + width, y + height};
    w->extra.assign((size_t)windowClass->windowExtra, 0);
    if (child) {
        w->parent = parent;
        w->id = (int)(intptr_t)menu;
        parentWindow->children.push_back(hwnd);
    } else {
        w->owner = TopLevelOf(parent);
    }
    Windows[(uintptr_t)hwnd] = std::move(w);

    CREATESTRUCTA create = {param, instance, menu, parent, height, width, y, x, (LONG)style, windowName, className,
                            exStyle};
    if (SendMessageA(hwnd, WM_CREATE, 0, (LPARAM)&create) == -1) {
        DestroyWindow(hwnd);
        return nullptr;
    }
    Window* created = FindWindowObject(hwnd);
    if (created == nullptr) return nullptr;
    if (style & WS_VISIBLE) {
        if (child) {
            created->style |= WS_VISIBLE;
            MarkForPaint(created, true);
        } else {
            ShowWindow(hwnd, SW_SHOW);
        }
    }
    return FindWindowObject(hwnd) != nullptr ? hwnd : nullptr;
}

BOOL WINAPI DestroyWindow(HWND hwnd) {
    Window* w = FindWindowObject(hwnd);
    if (w == nullptr || w->destroying) return FALSE;
    // Owned windows go first, as in Windows.
    for (HWND owned : TopLevelWindows()) {
        Window* o = FindWindowObject(owned);
        if (o != nullptr && o->owner == hwnd) DestroyWindow(owned);
    }
    w = FindWindowObject(hwnd);
    if (w == nullptr) return FALSE;
    if (w->style & WS_VISIBLE) {
        w->style &= ~WS_VISIBLE;
        if (!IsChild(w)) PassActivationOn(hwnd, nullptr);
    }
    if (IsDescendantOf(FocusWindow, hwnd)) FocusWindow = nullptr;
    SendDestroy(hwnd);
    w = FindWindowObject(hwnd);
    if (w == nullptr) return TRUE;
    if (IsChild(w)) {
        if (Window* parent = FindWindowObject(w->parent)) {
            auto& siblings = parent->children;
            siblings.erase(std::remove(siblings.begin(), siblings.end(), hwnd), siblings.end());
        }
    }
    if (ActiveWindow == hwnd) ActiveWindow = nullptr;
    if (IsDescendantOf(FocusWindow, hwnd)) FocusWindow = nullptr;
    Bury(hwnd);
    return TRUE;
}

LONG_PTR WINAPI GetWindowLongPtrA(HWND hwnd, int index) {
    Window* w = FindWindowObject(hwnd);
    if (w == nullptr) return 0;
    switch (index) {
    case GWLP_WNDPROC: return (LONG_PTR)w->proc;
    case GWLP_HINSTANCE: return (LONG_PTR)w->instance;
    case GWLP_USERDATA: return w->userData;
    case GWLP_ID: return w->id;
    case GWL_STYLE: return (LONG_PTR)(LONG)w->style;
    case GWL_EXSTYLE: return (LONG_PTR)(LONG)w->exStyle;
    default: break;
    }
    if (w->kind == KindDialog) {
        // The dialog window's extra bytes: message result, dialog procedure, user value.
        if (index == DWLP_MSGRESULT) return w->messageResult;
        if (index == (int)sizeof(LRESULT)) return (LONG_PTR)w->dialogProc;
        if (index == (int)(sizeof(LRESULT) + sizeof(DLGPROC))) return w->dialogUser;
        return 0;
    }
    if (index < 0 || (size_t)index + sizeof(LONG_PTR) > w->extra.size()) return 0;
    LONG_PTR value;
    memcpy(&value, w->extra.data() + index, sizeof value);
    return value;
}

LONG_PTR WINAPI SetWindowLongPtrA(HWND hwnd, int index, LONG_PTR value) {
    Window* w = FindWindowObject(hwnd);
    if (w == nullptr) return 0;
    LONG_PTR previous = GetWindowLongPtrA(hwnd, index);
    switch (index) {
    case GWLP_WNDPROC: w->proc = (WNDPROC)value; return previous;
    case GWLP_HINSTANCE: w->instance = (HINSTANCE)value; return previous;
    case GWLP_USERDATA: w->userData = value; return previous;
    case GWLP_ID: w->id = (int)value; return previous;
    case GWL_STYLE: w->style = (DWORD)value; return previous;
    case GWL_EXSTYLE: w->exStyle = (DWORD)value; return previous;
    default: break;
    }
    if (w->kind == KindDialog) {
        if (index == DWLP_MSGRESULT)
            w->messageResult = value;
        else if (index == (int)sizeof(LRESULT))
            w->dialogProc = (DLGPROC)value;
        else if (index == (int)(sizeof(LRESULT) + sizeof(DLGPROC)))
            w->dialogUser = value;
        return previous;
    }
    if (index < 0 || (size_t)index + sizeof(LONG_PTR) > w->extra.size()) return 0;
    memcpy(w->extra.data() + index, &value, sizeof value);
    return previous;
}

LONG WINAPI GetWindowLongA(HWND hwnd, int index) {
    return (LONG)GetWindowLongPtrA(hwnd, index);
}

LRESULT WINAPI CallWindowProcA(WNDPROC proc, HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    return proc != nullptr ? proc(hwnd, msg, wParam, lParam) : 0;
}

LRESULT WINAPI SendMessageA(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    Window* w = FindWindowObject(hwnd);
    if (w == nullptr || w->proc == nullptr) return 0;
    return w->proc(hwnd, msg, wParam, lParam);
}

BOOL WINAPI PostMessageA(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    if (hwnd == nullptr) return TRUE;  // a thread message: nobody here reads those
    if (FindWindowObject(hwnd) == nullptr) return FALSE;
    PostedMessages.push_back({hwnd, msg, wParam, lParam});
    return TRUE;
}

LRESULT WINAPI DefWindowProcA(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    Window* w = FindWindowObject(hwnd);
    if (w == nullptr) return 0;
    switch (msg) {
    case WM_SETTEXT:
        w->text = lParam != 0 ? (const char*)lParam : "";
        MarkForPaint(w, false);
        return TRUE;
    case WM_GETTEXT: return (LRESULT)CopyText(w->text, (char*)lParam, wParam);
    case WM_GETTEXTLENGTH: return (LRESULT)w->text.size();
    case WM_CLOSE: DestroyWindow(hwnd); return 0;
    case WM_MOUSEACTIVATE:
        // A child asks its parent first, so the top-level window decides.
        if (IsChild(w)) {
            LRESULT answer = SendMessageA(w->parent, WM_MOUSEACTIVATE, wParam, lParam);
            if (answer != 0) return answer;
        }
        return MA_ACTIVATE;
    case WM_NCACTIVATE: return TRUE;
    case WM_ACTIVATE:
        if (LOWORD(wParam) != WA_INACTIVE) SetFocus(hwnd);
        return 0;
    case WM_PAINT: w->needsPaint = false; return 0;
    default: return 0;
    }
}

BOOL WINAPI ShowWindow(HWND hwnd, int cmdShow) {
    Window* w = FindWindowObject(hwnd);
    if (w == nullptr) return FALSE;
    bool wasVisible = (w->style & WS_VISIBLE) != 0;
    bool show = cmdShow != SW_HIDE;
    if (show != wasVisible) {
        SendMessageA(hwnd, WM_SHOWWINDOW, show ? TRUE : FALSE, 0);
        if ((w = FindWindowObject(hwnd)) == nullptr) return FALSE;
        if (show) {
            w->style |= WS_VISIBLE;
            MarkForPaint(w, true);
        } else {
            w->style &= ~WS_VISIBLE;
            if (IsDescendantOf(FocusWindow, hwnd) && IsChild(w)) ChangeFocus(nullptr);
        }
    }
    if (!IsChild(w)) {
        if (show && cmdShow != SW_SHOWNA && cmdShow != SW_SHOWNOACTIVATE)
            SetActiveWindow(hwnd);
        else if (!show && ActiveWindow == hwnd)
            PassActivationOn(hwnd, nullptr);
    }
    return wasVisible ? TRUE : FALSE;
}

BOOL WINAPI IsWindowVisible(HWND hwnd) {
    return IsEffectivelyVisible(FindWindowObject(hwnd)) ? TRUE : FALSE;
}

BOOL WINAPI SetWindowPos(HWND hwnd, HWND, int x, int y, int cx, int cy, UINT flags) {
    Window* w = FindWindowObject(hwnd);
    if (w == nullptr) return FALSE;
    RECT old = w->rect;
    if (!(flags & SWP_NOMOVE)) {
        w->rect.right += x - w->rect.left;
        w->rect.bottom += y - w->rect.top;
        w->rect.left = x;
        w->rect.top = y;
    }
    if (!(flags & SWP_NOSIZE)) {
        w->rect.right = w->rect.left + std::max(0, cx);
        w->rect.bottom = w->rect.top + std::max(0, cy);
    }
    bool moved = w->rect.left != old.left || w->rect.top != old.top;
    bool sized = (w->rect.right - w->rect.left) != (old.right - old.left) ||
                 (w->rect.bottom - w->rect.top) != (old.bottom - old.top);
    if (moved) {
        // WM_MOVE carries the client origin: screen coordinates for a top-level window,
        // parent client coordinates for a child.
        POINT origin = ClientOrigin(w);
        if (IsChild(w)) {
            if (Window* parent = FindWindowObject(w->parent)) {
                POINT parentOrigin = ClientOrigin(parent);
                origin.x -= parentOrigin.x;
                origin.y -= parentOrigin.y;
            }
        }
        SendMessageA(hwnd, WM_MOVE, 0, MAKELPARAM(origin.x, origin.y));
    }
    if (sized && (w = FindWindowObject(hwnd)) != nullptr) {
        LONG width, height;
        ClientSize(w, &width, &height);
        MarkForPaint(w, true);
        SendMessageA(hwnd, WM_SIZE, 0, MAKELPARAM(width, height));
    }
    if (flags & SWP_SHOWWINDOW) ShowWindow(hwnd, SW_SHOWNA);
    if (flags & SWP_HIDEWINDOW) ShowWindow(hwnd, SW_HIDE);
    w = FindWindowObject(hwnd);
    if (w != nullptr && !(flags & SWP_NOACTIVATE) && !IsChild(w) && (w->style & WS_VISIBLE)) SetActiveWindow(hwnd);
    return TRUE;
}

BOOL WINAPI GetWindowRect(HWND hwnd, LPRECT rect) {
    Window* w = FindWindowObject(hwnd);
    if (w == nullptr || rect == nullptr) return FALSE;
    *rect = w->rect;
    if (IsChild(w)) {
        if (Window* parent = FindWindowObject(w->parent)) {
            POINT origin = ClientOrigin(parent);
            rect->left += origin.x;
            rect->right += origin.x;
            rect->top += origin.y;
            rect->bottom += origin.y;
        }
    }
    return TRUE;
}

BOOL WINAPI GetClientRect(HWND hwnd, LPRECT rect) {
    Window* w = FindWindowObject(hwnd);
    if (w == nullptr || rect == nullptr) return FALSE;
    rect->left = rect->top = 0;
    ClientSize(w, &rect->right, &rect->bottom);
    return TRUE;
}

BOOL WINAPI AdjustWindowRectEx(LPRECT rect, DWORD style, BOOL menu, DWORD exStyle) {
    if (rect == nullptr) return FALSE;
    RECT insets = FrameInsets(style, exStyle, menu != FALSE);
    rect->left -= insets.left;
    rect->top -= insets.top;
    rect->right += insets.right;
    rect->bottom += insets.bottom;
    return TRUE;
}

HWND WINAPI SetActiveWindow(HWND hwnd) {
    HWND previous = ActiveWindow;
    if (hwnd != nullptr) {
        if (FindWindowObject(hwnd) == nullptr) return nullptr;
        hwnd = TopLevelOf(hwnd);
    }
    if (hwnd == previous) return previous;
    if (previous != nullptr && FindWindowObject(previous) != nullptr) {
        SendMessageA(previous, WM_NCACTIVATE, FALSE, 0);
        SendMessageA(previous, WM_ACTIVATE, MAKEWPARAM(WA_INACTIVE, 0), (LPARAM)hwnd);
    }
    ActiveWindow = hwnd;
    if (hwnd == nullptr) {
        if (FocusWindow != nullptr && TopLevelOf(FocusWindow) == previous) ChangeFocus(nullptr);
        return previous;
    }
    SendMessageA(hwnd, WM_NCACTIVATE, TRUE, 0);
    SendMessageA(hwnd, WM_ACTIVATE, MAKEWPARAM(WA_ACTIVE, 0), (LPARAM)previous);
    // The focus follows the activation unless the window put it inside itself, or the
    // activation has already moved on.
    if (ActiveWindow == hwnd && FindWindowObject(hwnd) != nullptr &&
        (FocusWindow == nullptr || TopLevelOf(FocusWindow) != hwnd))
        ChangeFocus(hwnd);
    return FindWindowObject(previous) != nullptr ? previous : nullptr;
}

HWND WINAPI GetActiveWindow() {
    return ActiveWindow;
}

HWND WINAPI SetFocus(HWND hwnd) {
    HWND previous = FocusWindow;
    if (hwnd == nullptr) {
        ChangeFocus(nullptr);
        return previous;
    }
    if (FindWindowObject(hwnd) == nullptr) return nullptr;
    HWND top = TopLevelOf(hwnd);
    if (top != ActiveWindow) {
        SetActiveWindow(top);
        // The activation may have been handed straight on (a window that never stays
        // active); then the focus does not move.
        if (FindWindowObject(hwnd) == nullptr || TopLevelOf(hwnd) != ActiveWindow) return nullptr;
    }
    ChangeFocus(hwnd);
    return FindWindowObject(previous) != nullptr ? previous : nullptr;
}

HWND WINAPI GetFocus() {
    return FocusWindow;
}

BOOL WINAPI SetWindowTextA(HWND hwnd, LPCSTR text) {
    if (FindWindowObject(hwnd) == nullptr) return FALSE;
    SendMessageA(hwnd, WM_SETTEXT, 0, (LPARAM)(text != nullptr ? text : ""));
    return TRUE;
}

int WINAPI GetWindowTextA(HWND hwnd, LPSTR text, int maxCount) {
    if (text == nullptr || maxCount <= 0) return 0;
    text[0] = '\0';
    if (FindWindowObject(hwnd) == nullptr) return 0;
    return (int)SendMessageA(hwnd, WM_GETTEXT, (WPARAM)maxCount, (LPARAM)text);
}

BOOL WINAPI EnableWindow(HWND hwnd, BOOL enable) {
    Window* w = FindWindowObject(hwnd);
    if (w == nullptr) return FALSE;
    bool wasDisabled = (w->style & WS_DISABLED) != 0;
    if (enable && wasDisabled) {
        w->style &= ~WS_DISABLED;
        MarkForPaint(w, false);
        SendMessageA(hwnd, WM_ENABLE, TRUE, 0);
    } else if (!enable && !wasDisabled) {
        w->style |= WS_DISABLED;
        MarkForPaint(w, false);
        if (FocusWindow == hwnd) ChangeFocus(nullptr);  // a disabled window cannot keep the focus
        SendMessageA(hwnd, WM_ENABLE, FALSE, 0);
    }
    return wasDisabled ? TRUE : FALSE;
}

BOOL WINAPI IsWindowEnabled(HWND hwnd) {
    Window* w = FindWindowObject(hwnd);
    return w != nullptr && !(w->style & WS_DISABLED) ? TRUE : FALSE;
}

BOOL WINAPI InvalidateRect(HWND hwnd, const RECT*, BOOL) {
    if (hwnd == nullptr) {
        for (HWND top : TopLevelWindows()) InvalidateRect(top, nullptr, FALSE);
        return TRUE;
    }
    Window* w = FindWindowObject(hwnd);
    if (w == nullptr) return FALSE;
    ++w->invalidateCount;
    w->needsPaint = true;
    return TRUE;
}

int WINAPI GetDlgCtrlID(HWND hwnd) {
    Window* w = FindWindowObject(hwnd);
    return w != nullptr && (w->style & WS_CHILD) ? w->id : 0;
}

HWND WINAPI GetParent(HWND hwnd) {
    Window* w = FindWindowObject(hwnd);
    if (w == nullptr) return nullptr;
    if (IsChild(w)) return w->parent;
    return (w->style & WS_POPUP) ? w->owner : nullptr;
}

HWND WINAPI FindWindowA(LPCSTR className, LPCSTR windowName) {
    const WindowClass* wanted = nullptr;
    if (className != nullptr) {
        wanted = FindWindowClass(className);
        if (wanted == nullptr) return nullptr;
    }
    // Newest first: a new window opens on top of the others.
    std::vector<HWND> tops = TopLevelWindows();
    for (auto it = tops.rbegin(); it != tops.rend(); ++it) {
        Window* w = FindWindowObject(*it);
        if (w == nullptr || w->destroying) continue;
        if (wanted != nullptr && w->windowClass != wanted) continue;
        if (windowName != nullptr && strcasecmp(w->text.c_str(), windowName) != 0) continue;
        return w->handle;
    }
    return nullptr;
}
