// Windows, window classes and messages of the Win32 emulation: the window objects
// behind HWND, the class table, sending and posting, activation, focus, geometry and
// painting. The control classes (controls.cpp) and the dialog manager (dialogs.cpp)
// keep their state in the same window object.
#pragma once

#include <string>
#include <vector>

#include "platform/win32.h"

namespace vsim::win32 {

enum ControlKind { KindNone, KindButton, KindStatic, KindEdit, KindComboBox, KindListBox, KindTrackbar,
                   KindHotKey, KindUpDown, KindDialog };

// A registered window class. Built-in classes are registered on first use.
struct WindowClass {
    std::string name;
    ATOM atom = 0;
    UINT style = 0;
    WNDPROC proc = nullptr;
    int windowExtra = 0;  // cbWndExtra
    HINSTANCE instance = nullptr;
    HCURSOR cursor = nullptr;
    HBRUSH background = nullptr;
    HICON icon = nullptr;
    ControlKind kind = KindNone;  // built-in classes only
};

// One window. Handles are serial numbers, never reused, so a stale handle finds nothing.
struct Window {
    HWND handle = nullptr;
    const WindowClass* windowClass = nullptr;
    ControlKind kind = KindNone;
    WNDPROC proc = nullptr;
    HWND parent = nullptr;  // child windows
    HWND owner = nullptr;   // top-level windows
    DWORD style = 0;  // WS_VISIBLE and WS_DISABLED here are the window's visibility and state
    DWORD exStyle = 0;
    int id = 0;  // child windows: the control id
    HINSTANCE instance = nullptr;
    std::string text;
    RECT rect = {0, 0, 0, 0};  // window rectangle: screen for top-level, parent client for children
    LONG_PTR userData = 0;
    std::vector<unsigned char> extra;  // cbWndExtra bytes
    std::vector<HWND> children;        // creation (z) order
    bool destroying = false;  // WM_DESTROY is under way
    bool destroyed = false;
    bool needsPaint = false;
    int invalidateCount = 0;

    // Buttons.
    UINT check = BST_UNCHECKED;
    bool pushed = false;
    bool mouseCaptured = false;  // the left button went down on it and is not yet up
    HANDLE image = nullptr;  // BM_SETIMAGE, IMAGE_ICON
    HANDLE bitmap = nullptr; // BM_SETIMAGE, IMAGE_BITMAP
    // Combo and list boxes.
    std::vector<std::string> items;
    int selection = -1;
    // Trackbars.
    int rangeMin = 0, rangeMax = 100, position = 0;
    std::vector<int> ticks;
    // Hot-key controls.
    WORD hotKey = 0;
    WORD invalidCombinations = 0;
    WORD replacementModifiers = 0;
    // Up-down controls (a fresh control has the inverted range 100 .. 0, as in Windows).
    int upDownLower = 100, upDownUpper = 0, upDownPos = 0;
    HWND buddy = nullptr;
    // Dialogs.
    DLGPROC dialogProc = nullptr;
    LONG_PTR messageResult = 0;  // DWLP_MSGRESULT
    LONG_PTR dialogUser = 0;     // DWLP_USER
    HWND savedFocus = nullptr;   // the control that had the focus when the dialog was deactivated
    bool dialogEnded = false;
    INT_PTR dialogResult = 0;
    int dialogId = 0;
    HWND disabledOwner = nullptr;  // the owner a modal dialog disabled, enabled again by EndDialog
};

// The live window behind a handle; null for null, unknown or destroyed handles.
Window* FindWindowObject(HWND hwnd);
// Finds a class by name (case-insensitive) or atom, registering the built-in ones on demand.
const WindowClass* FindWindowClass(LPCSTR nameOrAtom);
// Registers a built-in class (controls.cpp and dialogs.cpp do this for theirs).
void RegisterBuiltInClass(const char* name, WNDPROC proc, ControlKind kind);

HWND TopLevelOf(HWND hwnd);
bool IsEffectivelyVisible(const Window* window);
// True when the window and all its parents are enabled (mouse input can reach it).
bool IsEffectivelyEnabled(const Window* window);
// Frame widths of a style: the amounts AdjustWindowRectEx adds on each side.
RECT FrameInsets(DWORD style, DWORD exStyle, bool menu);
// Activation passes on when a window that is active (or with nothing active) closes: to
// its owner if that is visible, else to the window that was active before if that is
// visible and enabled, else to nobody.
void PassActivationOn(HWND closing, HWND previouslyActive);
// Sends WM_COMMAND with a notification code from a control to its parent.
void NotifyParent(Window* control, UINT code);
// Screen position of the window's client area origin and the client size.
POINT ClientOrigin(const Window* window);
void ClientSize(const Window* window, LONG* width, LONG* height);
// Marks the window (and its descendants) as needing a WM_PAINT at the next pump.
void MarkForPaint(Window* window, bool withChildren);

// Delivers the posted messages in order, then WM_PAINT to every visible window that needs
// one, until nothing is left; returns how many messages were delivered. The host calls it
// once per frame; dialogs call it between the scripted user's steps.
int PumpPostedMessages();
// Sends WM_PAINT now to the window and its visible descendants, as when it is uncovered.
void RepaintWindow(HWND hwnd);
int InvalidateCount(HWND hwnd);  // calls of InvalidateRect for this window
std::vector<HWND> TopLevelWindows();  // oldest first
std::string ClassNameOf(HWND hwnd);
// Copies text into a caller's buffer of size characters (terminated); returns the count copied.
size_t CopyText(const std::string& text, char* buffer, size_t size);

// Forgets every window, class and queued message without sending anything.
void ResetWindows();
// Frees the windows destroyed so far, kept allocated so that a pointer held while one
// is destroyed stays valid; only when no window procedure or dialog is running (a
// long fuzzing process opens dialogs hundreds of thousands of times).
void FreeDestroyedWindows();

}  // namespace vsim::win32
