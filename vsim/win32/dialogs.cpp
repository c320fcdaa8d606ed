// Modal dialogs from the resource script, the dialog helpers (GetDlgItem and friends)
// and message boxes. A modal dialog disables its owner, as Windows does, so the owner
// receives no input while the dialog is open, and hands the activation back on close.
//
// Transcript lines: "dialog N opened: <caption>", "dialog N closed: result R", and one
// line for each thing that goes wrong (no template, the script not closing the dialog).
#include "vsim/win32/dialogs.h"

#include <cstdlib>
#include <string>

#include "vsim/sim/simhost.h"
#include "vsim/win32/resource_script.h"
#include "vsim/win32/scripted_user.h"
#include "vsim/win32/window.h"

namespace vsim::win32 {

namespace {

constexpr const char* DialogClassName = "#32770";
constexpr int MessageBoxTextId = 0xFFFF;
constexpr int ScreenWidth = 1024, ScreenHeight = 768;  // where an unowned DS_CENTER dialog centres

struct ModalDialog {
    HWND dialog;
    HWND previouslyActive;
};
std::vector<ModalDialog> Modal;

bool IsDialog(const Window* w) {
    return w != nullptr && w->kind == KindDialog;
}

bool CanHoldFocus(HWND hwnd, HWND dialog) {
    Window* w = FindWindowObject(hwnd);
    return w != nullptr && (w->style & WS_VISIBLE) && !(w->style & WS_DISABLED) && TopLevelOf(hwnd) == dialog &&
           hwnd != dialog;
}

// On activation a dialog gives the focus back to the control that had it, or to its
// first tab stop, unless the focus is already inside it.
void RestoreFocus(HWND dialog) {
    Window* d = FindWindowObject(dialog);
    if (d == nullptr) return;
    HWND focus = GetFocus();
    if (focus != nullptr && focus != dialog && TopLevelOf(focus) == dialog) return;
    HWND target = CanHoldFocus(d->savedFocus, dialog) ? d->savedFocus : FirstTabStop(dialog);
    if (target != nullptr) SetFocus(target);
}

LRESULT CALLBACK DialogWindowProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    Window* d = FindWindowObject(hwnd);
    if (d == nullptr) return 0;
    if (DLGPROC proc = d->dialogProc) {
        d->messageResult = 0;
        INT_PTR handled = proc(hwnd, msg, wParam, lParam);
        if (handled != 0) return msg == WM_INITDIALOG ? handled : d->messageResult;
        if (d->destroyed) return 0;
    }
    switch (msg) {
    case WM_CLOSE:
        // The close box reads as the Cancel button, as it does in Windows.
        PostMessageA(hwnd, WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED), (LPARAM)GetDlgItem(hwnd, IDCANCEL));
        return 0;
    case WM_ACTIVATE:
        if (LOWORD(wParam) == WA_INACTIVE) {
            HWND focus = GetFocus();
            if (CanHoldFocus(focus, hwnd)) d->savedFocus = focus;
        } else {
            RestoreFocus(hwnd);
        }
        return 0;
    case WM_SETFOCUS: RestoreFocus(hwnd); return 0;
    default: return DefWindowProcA(hwnd, msg, wParam, lParam);
    }
}

HWND CreateDialogWindow(const DialogTemplate& t, HINSTANCE instance, HWND owner, DLGPROC proc) {
    DWORD style = t.style & ~WS_VISIBLE;
    DWORD exStyle = t.exStyle | ((t.style & DS_MODALFRAME) ? WS_EX_DLGMODALFRAME : 0);
    RECT r = {0, 0, DialogUnitsToPixelsX(t.width), DialogUnitsToPixelsY(t.height)};
    AdjustWindowRectEx(&r, style, FALSE, exStyle);
    int width = r.right - r.left, height = r.bottom - r.top;
    POINT pos = {r.left, r.top};
    if (t.style & DS_CENTER) {
        RECT area = {0, 0, ScreenWidth, ScreenHeight};
        if (owner != nullptr) GetWindowRect(owner, &area);
        pos.x = area.left + (area.right - area.left - width) / 2;
        pos.y = area.top + (area.bottom - area.top - height) / 2;
    } else {
        // Template positions are relative to the owner's client area.
        pos.x += DialogUnitsToPixelsX(t.x);
        pos.y += DialogUnitsToPixelsY(t.y);
        if (Window* o = FindWindowObject(owner)) {
            POINT origin = ClientOrigin(o);
            pos.x += origin.x;
            pos.y += origin.y;
        }
    }
    HWND dialog = CreateWindowExA(exStyle, DialogClassName, t.caption.c_str(), style, pos.x, pos.y, width, height,
                                  owner, nullptr, instance, nullptr);
    Window* d = FindWindowObject(dialog);
    if (d == nullptr) return nullptr;
    d->dialogProc = proc;
    d->dialogId = t.id;
    for (const DialogControlTemplate& c : t.controls) {
        HWND control = CreateWindowExA(c.exStyle | WS_EX_NOPARENTNOTIFY, c.className.c_str(), c.text.c_str(), c.style,
                                       DialogUnitsToPixelsX(c.x), DialogUnitsToPixelsY(c.y),
                                       DialogUnitsToPixelsX(c.width), DialogUnitsToPixelsY(c.height), dialog,
                                       (HMENU)(intptr_t)c.id, instance, nullptr);
        if (control == nullptr) {
            vsim::Log("dialog " + std::to_string(t.id) + ": control " + std::to_string(c.id) + " of class \"" +
                      c.className + "\" could not be created");
            DestroyWindow(dialog);
            return nullptr;
        }
    }
    return dialog;
}

HWND PreviouslyActiveFor(HWND dialog) {
    for (const ModalDialog& m : Modal)
        if (m.dialog == dialog) return m.previouslyActive;
    return nullptr;
}

std::string WindowText(HWND hwnd) {
    char text[512];
    GetWindowTextA(hwnd, text, sizeof text);
    return text;
}

}  // namespace

void RegisterDialogClass() {
    RegisterBuiltInClass(DialogClassName, DialogWindowProc, KindDialog);
}

bool DialogHasEnded(HWND dialog) {
    Window* d = FindWindowObject(dialog);
    return d == nullptr || d->dialogEnded;
}

std::vector<HWND> OpenDialogs() {
    std::vector<HWND> dialogs;
    for (const ModalDialog& m : Modal) dialogs.push_back(m.dialog);
    return dialogs;
}

HWND FirstTabStop(HWND dialog) {
    Window* d = FindWindowObject(dialog);
    if (d == nullptr) return nullptr;
    for (HWND child : d->children) {
        Window* c = FindWindowObject(child);
        if (c != nullptr && (c->style & WS_TABSTOP) && (c->style & WS_VISIBLE) && !(c->style & WS_DISABLED))
            return child;
    }
    return nullptr;
}

void ResetDialogs() {
    Modal.clear();
}

}  // namespace vsim::win32

using namespace vsim::win32;

INT_PTR WINAPI DialogBoxParamA(HINSTANCE instance, LPCSTR templateName, HWND owner, DLGPROC proc, LPARAM param) {
    int id;
    if (IS_INTRESOURCE(templateName)) {
        id = LOWORD(templateName);
    } else if (templateName != nullptr && templateName[0] == '#') {
        id = atoi(templateName + 1);
    } else {
        vsim::Log(std::string("dialog \"") + (templateName != nullptr ? templateName : "") +
                  "\" failed: dialog templates are found by number");
        return -1;
    }
    std::string label = "dialog " + std::to_string(id);
    const DialogTemplate* t = FindDialogTemplate(id);
    if (t == nullptr) {
        vsim::Log(label + " failed: no such dialog template");
        return -1;
    }
    HWND ownerTop = TopLevelOf(owner);
    HWND previouslyActive = GetActiveWindow();
    HWND disabledOwner = nullptr;
    if (ownerTop != nullptr && IsWindowEnabled(ownerTop)) {
        EnableWindow(ownerTop, FALSE);
        disabledOwner = ownerTop;
    }
    HWND dialog = CreateDialogWindow(*t, instance, ownerTop, proc);
    if (dialog == nullptr) {
        if (disabledOwner != nullptr) EnableWindow(disabledOwner, TRUE);
        vsim::Log(label + " failed: its window could not be created");
        return -1;
    }
    // The window object stays allocated after destruction, so this pointer stays valid.
    Window* d = FindWindowObject(dialog);
    d->disabledOwner = disabledOwner;
    Modal.push_back({dialog, previouslyActive});

    LRESULT defaultFocus = SendMessageA(dialog, WM_INITDIALOG, (WPARAM)FirstTabStop(dialog), param);
    if (!DialogHasEnded(dialog)) {
        if (defaultFocus != 0) {
            HWND focus = FirstTabStop(dialog);
            SetFocus(focus != nullptr ? focus : dialog);
        }
        if (!DialogHasEnded(dialog)) {
            ShowWindow(dialog, SW_SHOWNORMAL);
            vsim::Log(label + " opened: " + WindowText(dialog));
            PumpPostedMessages();
            if (!DialogHasEnded(dialog)) vsim::user::RunDialogHandler(id, dialog);
            PumpPostedMessages();
            if (!DialogHasEnded(dialog)) {
                vsim::Log(label + ": the script did not close it; pressing Cancel");
                SendMessageA(dialog, WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED), (LPARAM)GetDlgItem(dialog, IDCANCEL));
                PumpPostedMessages();
            }
            if (!DialogHasEnded(dialog)) {
                vsim::Log(label + ": Cancel did not close it; closed by force");
                EndDialog(dialog, -1);
            }
        }
    }
    INT_PTR result = d->dialogResult;
    if (d->disabledOwner != nullptr) {
        HWND o = d->disabledOwner;
        d->disabledOwner = nullptr;
        EnableWindow(o, TRUE);
    }
    PassActivationOn(dialog, previouslyActive);
    DestroyWindow(dialog);
    for (size_t i = Modal.size(); i-- > 0;) {
        if (Modal[i].dialog == dialog) {
            Modal.erase(Modal.begin() + (long)i);
            break;
        }
    }
    vsim::Log(label + " closed: result " + std::to_string((long long)result));
    return result;
}

BOOL WINAPI EndDialog(HWND dialog, INT_PTR result) {
    Window* d = FindWindowObject(dialog);
    if (!IsDialog(d)) return FALSE;
    d->dialogEnded = true;
    d->dialogResult = result;
    if (d->disabledOwner != nullptr) {
        HWND owner = d->disabledOwner;
        d->disabledOwner = nullptr;
        EnableWindow(owner, TRUE);
    }
    PassActivationOn(dialog, PreviouslyActiveFor(dialog));
    ShowWindow(dialog, SW_HIDE);
    return TRUE;
}

HWND WINAPI GetDlgItem(HWND dialog, int id) {
    Window* d = FindWindowObject(dialog);
    if (d == nullptr) return nullptr;
    for (HWND child : d->children) {
        Window* c = FindWindowObject(child);
        if (c != nullptr && c->id == id) return child;
    }
    return nullptr;
}

LRESULT WINAPI SendDlgItemMessageA(HWND dialog, int id, UINT msg, WPARAM wParam, LPARAM lParam) {
    HWND control = GetDlgItem(dialog, id);
    return control != nullptr ? SendMessageA(control, msg, wParam, lParam) : 0;
}

BOOL WINAPI SetDlgItemTextA(HWND dialog, int id, LPCSTR text) {
    return SetWindowTextA(GetDlgItem(dialog, id), text);
}

UINT WINAPI GetDlgItemTextA(HWND dialog, int id, LPSTR text, int maxCount) {
    HWND control = GetDlgItem(dialog, id);
    if (control == nullptr) {
        if (text != nullptr && maxCount > 0) text[0] = '\0';
        return 0;
    }
    return (UINT)GetWindowTextA(control, text, maxCount);
}

BOOL WINAPI SetDlgItemInt(HWND dialog, int id, UINT value, BOOL isSigned) {
    std::string text = isSigned ? std::to_string((int)value) : std::to_string(value);
    return SetDlgItemTextA(dialog, id, text.c_str());
}

// Reads the text as Windows does: leading blanks, an optional sign, decimal digits up to
// the first other character. No digits, or a value out of the 32-bit range, is a
// failure (0, not translated). Unsigned reading of "-n" gives the wrapped value.
UINT WINAPI GetDlgItemInt(HWND dialog, int id, BOOL* translated, BOOL isSigned) {
    if (translated != nullptr) *translated = FALSE;
    char text[30];
    if (GetDlgItemTextA(dialog, id, text, sizeof text) == 0) return 0;
    const char* p = text;
    while (*p == ' ' || *p == '\t' || *p == '\n' || *p == '\r' || *p == '\v' || *p == '\f') ++p;
    bool negative = false;
    if (*p == '+' || *p == '-') negative = *p++ == '-';
    if (*p < '0' || *p > '9') return 0;
    unsigned long long magnitude = 0;
    for (; *p >= '0' && *p <= '9'; ++p) {
        magnitude = magnitude * 10 + (unsigned)(*p - '0');
        if (magnitude > 0xFFFFFFFFull) return 0;
    }
    UINT value;
    if (isSigned) {
        if (negative ? magnitude > 0x80000000ull : magnitude > 0x7FFFFFFFull) return 0;
        value = (UINT)(negative ? -(long long)magnitude : (long long)magnitude);
    } else {
        value = negative ? (UINT)(0u - (UINT)magnitude) : (UINT)magnitude;
    }
    if (translated != nullptr) *translated = TRUE;
    return value;
}

BOOL WINAPI CheckDlgButton(HWND dialog, int id, UINT check) {
    HWND button = GetDlgItem(dialog, id);
    if (button == nullptr) return FALSE;
    SendMessageA(button, BM_SETCHECK, check, 0);
    return TRUE;
}

UINT WINAPI IsDlgButtonChecked(HWND dialog, int id) {
    return (UINT)SendDlgItemMessageA(dialog, id, BM_GETCHECK, 0, 0);
}

BOOL WINAPI CheckRadioButton(HWND dialog, int first, int last, int check) {
    if (FindWindowObject(dialog) == nullptr) return FALSE;
    for (int id = first; id <= last; ++id) {
        if (HWND button = GetDlgItem(dialog, id))
            SendMessageA(button, BM_SETCHECK, id == check ? BST_CHECKED : BST_UNCHECKED, 0);
    }
    return TRUE;
}

int WINAPI MessageBoxA(HWND owner, LPCSTR text, LPCSTR caption, UINT type) {
    std::string message = text != nullptr ? text : "";
    std::string title = caption != nullptr ? caption : "Error";
    HWND ownerTop = TopLevelOf(owner);
    HWND previouslyActive = GetActiveWindow();
    HWND disabledOwner = nullptr;
    if (ownerTop != nullptr && IsWindowEnabled(ownerTop)) {
        EnableWindow(ownerTop, FALSE);
        disabledOwner = ownerTop;
    }
    // The box is a real (hidden-content) window, so activation moves as it does in Windows.
    HWND box = CreateWindowExA(WS_EX_DLGMODALFRAME, DialogClassName, title.c_str(),
                               WS_POPUP | WS_CAPTION | WS_SYSMENU | DS_MODALFRAME, 0, 0, 300, 120, ownerTop, nullptr,
                               nullptr, nullptr);
    CreateWindowExA(0, "STATIC", message.c_str(), WS_CHILD | WS_VISIBLE, 10, 10, 280, 60, box,
                    (HMENU)(intptr_t)MessageBoxTextId, nullptr, nullptr);
    ShowWindow(box, SW_SHOWNORMAL);
    int answer = vsim::user::AnswerMessageBox(owner, message, title, type);
    if (disabledOwner != nullptr) EnableWindow(disabledOwner, TRUE);
    PassActivationOn(box, previouslyActive);
    DestroyWindow(box);
    return answer;
}
