// The scripted user over real windows (scripted_user_windows.h), and the Windows side
// of PerformDialogStep, DialogStepsEnded and SettleDialogStep of scripted_user.h.
#include "vsim/winhost/scripted_user_windows.h"

#include <commctrl.h>
#include <commdlg.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <map>
#include <vector>

#include "vsim/sim/simhost.h"
#include "vsim/win32/scripted_user.h"
#include "vsim/winhost/import_patch.h"
#include "vsim/winhost/user_input.h"

namespace vsim::winhost {

namespace {

const int MessageBoxTextId = 0xFFFF;
const int FileNameComboId = 0x47C;  // cmb13 of the Explorer-style file dialogs
const int FileNameEditId = 0x480;   // edt1 of the old-style ones
const UINT ActDelayMs = 10;

// A modal call of the module that is running now.
struct PendingCall {
    enum Kind { Dialog, Open, Save } kind = Dialog;
    int dialogId = 0;
    DLGPROC proc = nullptr;  // the module's dialog procedure: how its window is known
    HWND window = nullptr;   // once it was activated
    // File dialogs: the scripted answer, or why the user cancels.
    vsim::user::FileAnswerKind answer = vsim::user::FileAnswerNone;
    std::vector<std::string> paths;
    std::string cancelReason;
};

struct Claim {
    enum Kind { ModuleDialog, FileDialog, MessageBox } kind;
    PendingCall* call;  // null for message boxes
};

HHOOK CbtHook = nullptr;   // window destruction
HHOOK ShowHook = nullptr;  // WM_SHOWWINDOW: a dialog or message box appears
std::vector<PendingCall*> Pending;  // innermost last
std::map<HWND, Claim> Claims;
std::map<UINT_PTR, HWND> Timers;
std::string SnapshotFolder;

decltype(&DialogBoxParamA) RealDialogBoxParamA = &DialogBoxParamA;
decltype(&GetOpenFileNameA) RealGetOpenFileNameA = &GetOpenFileNameA;
decltype(&GetSaveFileNameA) RealGetSaveFileNameA = &GetSaveFileNameA;

std::string WindowText(HWND window) {
    char text[4096] = "";
    GetWindowTextA(window, text, sizeof text);
    return text;
}

bool Ended(HWND window) {
    return !IsWindow(window) || !IsWindowVisible(window);
}

void Settle() {
    MSG msg;
    for (int i = 0; i < 10000 && PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE); ++i) {
        TranslateMessage(&msg);
        DispatchMessageA(&msg);
    }
}

bool IsFileDialog(HWND window) {
    return GetDlgItem(window, FileNameComboId) != nullptr || GetDlgItem(window, FileNameEditId) != nullptr;
}

bool IsMessageBoxWindow(HWND window) {
    HWND text = GetDlgItem(window, MessageBoxTextId);
    return text != nullptr && IsClass(text, "Static") &&
           (GetDlgItem(window, IDOK) || GetDlgItem(window, IDCANCEL) || GetDlgItem(window, IDYES) ||
            GetDlgItem(window, IDNO) || GetDlgItem(window, IDABORT) || GetDlgItem(window, IDRETRY));
}

// The MB_ type a box's buttons show.
UINT MessageBoxType(HWND box) {
    bool yes = GetDlgItem(box, IDYES), no = GetDlgItem(box, IDNO), cancel = GetDlgItem(box, IDCANCEL);
    if (yes && no) return cancel ? MB_YESNOCANCEL : MB_YESNO;
    if (GetDlgItem(box, IDABORT)) return MB_ABORTRETRYIGNORE;
    if (GetDlgItem(box, IDRETRY)) return MB_RETRYCANCEL;
    if (GetDlgItem(box, IDOK) && cancel) return MB_OKCANCEL;
    return MB_OK;
}

void CALLBACK ActTimer(HWND, UINT, UINT_PTR id, DWORD);

void ScheduleAct(HWND window) {
    UINT_PTR id = SetTimer(nullptr, 0, ActDelayMs, ActTimer);
    if (id != 0) Timers[id] = window;
}

// Called as a dialog window is shown: a dialog that its own WM_INITDIALOG ends is
// never shown, so it is never claimed, as no person ever sees it.
void Notice(HWND window) {
    if (Claims.count(window) || !IsClass(window, "#32770")) return;
    for (auto it = Pending.rbegin(); it != Pending.rend(); ++it) {
        PendingCall* call = *it;
        if (call->window != nullptr) continue;
        if (call->kind == PendingCall::Dialog &&
            (DLGPROC)GetWindowLongPtrA(window, DWLP_DLGPROC) == call->proc) {
            call->window = window;
            Claims[window] = {Claim::ModuleDialog, call};
            vsim::Log("dialog " + std::to_string(call->dialogId) + " opened: " + WindowText(window));
            ScheduleAct(window);
            return;
        }
        if (call->kind != PendingCall::Dialog && IsFileDialog(window)) {
            call->window = window;
            Claims[window] = {Claim::FileDialog, call};
            ScheduleAct(window);
            return;
        }
    }
    if (IsMessageBoxWindow(window)) {
        Claims[window] = {Claim::MessageBox, nullptr};
        ScheduleAct(window);
    }
}

LRESULT CALLBACK CbtProc(int code, WPARAM wParam, LPARAM lParam) {
    if (code == HCBT_DESTROYWND) Claims.erase((HWND)wParam);
    return CallNextHookEx(CbtHook, code, wParam, lParam);
}

LRESULT CALLBACK ShowProc(int code, WPARAM wParam, LPARAM lParam) {
    const CWPRETSTRUCT* message = reinterpret_cast<const CWPRETSTRUCT*>(lParam);
    if (code == HC_ACTION && message->message == WM_SHOWWINDOW && message->wParam) Notice(message->hwnd);
    return CallNextHookEx(ShowHook, code, wParam, lParam);
}

void ActOnMessageBox(HWND box) {
    HWND owner = GetWindow(box, GW_OWNER);
    int answer = vsim::user::AnswerMessageBox(owner, WindowText(GetDlgItem(box, MessageBoxTextId)), WindowText(box),
                                              MessageBoxType(box));
    HWND button = GetDlgItem(box, answer);
    if (button != nullptr) SendMessageA(button, BM_CLICK, 0, 0);
    if (!Ended(box)) SendMessageA(box, WM_COMMAND, MAKEWPARAM(answer, BN_CLICKED), (LPARAM)button);
}

void ActOnModuleDialog(PendingCall* call, HWND dialog) {
    std::string label = "dialog " + std::to_string(call->dialogId);
    TakeSnapshot("dialog-" + std::to_string(call->dialogId), dialog);
    if (!Ended(dialog)) vsim::user::RunDialogHandler(call->dialogId, dialog);
    Settle();
    if (!Ended(dialog)) {
        vsim::Log(label + ": the script did not close it; pressing Cancel");
        SendMessageA(dialog, WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED), (LPARAM)GetDlgItem(dialog, IDCANCEL));
        Settle();
    }
    if (!Ended(dialog)) {
        vsim::Log(label + ": Cancel did not close it; closed by force");
        EndDialog(dialog, -1);
    }
}

std::string FolderOf(const std::string& path) {
    size_t slash = path.rfind('\\');
    if (slash == std::string::npos) return "";
    return slash == 2 && path[1] == ':' ? path.substr(0, 3) : path.substr(0, slash);
}

std::string NameOf(const std::string& path) {
    size_t slash = path.rfind('\\');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

// Types a name into the file name box and presses Open or Save.
void EnterFileName(HWND dialog, const std::string& text) {
    HWND box = GetDlgItem(dialog, FileNameComboId);
    if (box == nullptr) box = GetDlgItem(dialog, FileNameEditId);
    SetWindowTextA(box, text.c_str());
    ClickControl(GetDlgItem(dialog, IDOK));
    Settle();
}

void ActOnFileDialog(PendingCall* call, HWND dialog) {
    while (!Ended(dialog)) {
        if (call->answer != vsim::user::FileAnswerChosen || !call->cancelReason.empty()) {
            ClickControl(GetDlgItem(dialog, IDCANCEL));
            Settle();
            if (!Ended(dialog)) SendMessageA(dialog, WM_COMMAND, IDCANCEL, 0);
            return;
        }
        if (call->paths.size() == 1) {
            EnterFileName(dialog, call->paths[0]);
        } else {
            // Several files of one folder: go to the folder, then name them all.
            EnterFileName(dialog, FolderOf(call->paths[0]));
            std::string names;
            for (const std::string& path : call->paths) names += (names.empty() ? "\"" : " \"") + NameOf(path) + "\"";
            if (!Ended(dialog)) EnterFileName(dialog, names);
        }
        if (Ended(dialog)) return;
        // Still open (a question about the file was answered No): the next answer decides.
        std::vector<std::string> paths;
        std::string path;
        call->answer = call->kind == PendingCall::Save ? vsim::user::TakeSaveAnswer(&path)
                                                       : vsim::user::TakeOpenAnswer(&paths);
        call->paths = call->kind == PendingCall::Save ? std::vector<std::string>{path} : paths;
    }
}

void CALLBACK ActTimer(HWND, UINT, UINT_PTR id, DWORD) {
    KillTimer(nullptr, id);
    auto timer = Timers.find(id);
    if (timer == Timers.end()) return;
    HWND window = timer->second;
    Timers.erase(timer);
    auto claim = Claims.find(window);
    if (claim == Claims.end() || !IsWindow(window)) return;
    Claim what = claim->second;
    switch (what.kind) {
    case Claim::MessageBox: ActOnMessageBox(window); break;
    case Claim::ModuleDialog: ActOnModuleDialog(what.call, window); break;
    case Claim::FileDialog: ActOnFileDialog(what.call, window); break;
    }
}

void Push(PendingCall* call) {
    Pending.push_back(call);
}

void Pop(PendingCall* call) {
    Pending.pop_back();
    for (auto it = Claims.begin(); it != Claims.end();) {
        if (it->second.call == call)
            it = Claims.erase(it);
        else
            ++it;
    }
}

int DialogIdOf(LPCSTR templateName) {
    if (IS_INTRESOURCE(templateName)) return LOWORD(templateName);
    if (templateName != nullptr && templateName[0] == '#') return std::atoi(templateName + 1);
    return 0;
}

INT_PTR WINAPI ScriptedDialogBoxParamA(HINSTANCE instance, LPCSTR templateName, HWND owner, DLGPROC proc,
                                       LPARAM param) {
    PendingCall call;
    call.kind = PendingCall::Dialog;
    call.dialogId = DialogIdOf(templateName);
    call.proc = proc;
    Push(&call);
    INT_PTR result = RealDialogBoxParamA(instance, templateName, owner, proc, param);
    Pop(&call);
    std::string label = "dialog " + std::to_string(call.dialogId);
    if (result == -1 && call.window == nullptr)
        vsim::Log(label + " failed: its window could not be created");
    else
        vsim::Log(label + " closed: result " + std::to_string((long long)result));
    return result;
}

std::string FileDialogLabel(const OPENFILENAMEA* ofn, bool save) {
    std::string title = ofn->lpstrTitle != nullptr ? ofn->lpstrTitle : save ? "Save As" : "Open";
    return std::string(save ? "save" : "open") + " dialog [" + title + "] -> ";
}

std::string CancelText(const PendingCall& call) {
    if (!call.cancelReason.empty()) return call.cancelReason;
    return call.answer == vsim::user::FileAnswerNone ? "cancel (no answer scripted)" : "cancel";
}

// The chosen files of a successful dialog: one full path, or a folder and names.
std::string ChosenFiles(const OPENFILENAMEA* ofn) {
    const char* buffer = ofn->lpstrFile;
    if (ofn->nFileOffset == 0 || buffer[ofn->nFileOffset - 1] != '\0') return buffer;
    std::string folder = buffer, shown;
    for (const char* name = buffer + ofn->nFileOffset; *name != '\0'; name += std::strlen(name) + 1)
        shown += (shown.empty() ? "" : ", ") + folder + (folder.back() == '\\' ? "" : "\\") + name;
    return shown;
}

BOOL WINAPI ScriptedGetSaveFileNameA(LPOPENFILENAMEA ofn) {
    if (ofn == nullptr || ofn->lpstrFile == nullptr || ofn->nMaxFile == 0) return RealGetSaveFileNameA(ofn);
    PendingCall call;
    call.kind = PendingCall::Save;
    std::string path;
    call.answer = vsim::user::TakeSaveAnswer(&path);
    if (call.answer == vsim::user::FileAnswerChosen) call.paths = {path};
    Push(&call);
    BOOL accepted = RealGetSaveFileNameA(ofn);
    DWORD error = CommDlgExtendedError();
    Pop(&call);
    std::string label = FileDialogLabel(ofn, true);
    if (accepted)
        vsim::Log(label + ofn->lpstrFile);
    else if (error == FNERR_BUFFERTOOSMALL && !call.paths.empty())
        vsim::Log(label + call.paths.back() + " does not fit the buffer of " + std::to_string(ofn->nMaxFile) +
                  " characters");
    else
        vsim::Log(label + CancelText(call));
    return accepted;
}

BOOL WINAPI ScriptedGetOpenFileNameA(LPOPENFILENAMEA ofn) {
    if (ofn == nullptr || ofn->lpstrFile == nullptr || ofn->nMaxFile == 0) return RealGetOpenFileNameA(ofn);
    PendingCall call;
    call.kind = PendingCall::Open;
    call.answer = vsim::user::TakeOpenAnswer(&call.paths);
    if (call.answer == vsim::user::FileAnswerChosen) {
        if (call.paths.size() > 1 && !(ofn->Flags & OFN_ALLOWMULTISELECT))
            call.cancelReason = "cancel (several files scripted for a single-file dialog)";
        for (const std::string& path : call.paths)
            if (_stricmp(FolderOf(path).c_str(), FolderOf(call.paths[0]).c_str()) != 0)
                call.cancelReason = "cancel (the scripted files are not in one folder)";
    }
    Push(&call);
    BOOL accepted = RealGetOpenFileNameA(ofn);
    DWORD error = CommDlgExtendedError();
    Pop(&call);
    std::string label = FileDialogLabel(ofn, false);
    if (accepted) {
        vsim::Log(label + ChosenFiles(ofn));
    } else if (error == FNERR_BUFFERTOOSMALL && !call.paths.empty()) {
        std::string shown;
        for (const std::string& path : call.paths) shown += (shown.empty() ? "" : ", ") + path;
        vsim::Log(label + shown + " does not fit the buffer of " + std::to_string(ofn->nMaxFile) + " characters");
    } else {
        vsim::Log(label + CancelText(call));
    }
    return accepted;
}

}  // namespace

bool InstallScriptedUser() {
    if (CbtHook == nullptr) CbtHook = SetWindowsHookExA(WH_CBT, CbtProc, nullptr, GetCurrentThreadId());
    if (ShowHook == nullptr) ShowHook = SetWindowsHookExA(WH_CALLWNDPROCRET, ShowProc, nullptr, GetCurrentThreadId());
    return CbtHook != nullptr && ShowHook != nullptr;
}

void RemoveScriptedUser() {
    if (CbtHook != nullptr) UnhookWindowsHookEx(CbtHook);
    if (ShowHook != nullptr) UnhookWindowsHookEx(ShowHook);
    CbtHook = nullptr;
    ShowHook = nullptr;
    for (const auto& timer : Timers) KillTimer(nullptr, timer.first);
    Timers.clear();
    Claims.clear();
}

bool WatchModule(HMODULE module, std::string* problem) {
    // A module that never calls one of these simply does not import it.
    PatchImport(module, "user32.dll", "DialogBoxParamA", reinterpret_cast<void*>(&ScriptedDialogBoxParamA));
    PatchImport(module, "comdlg32.dll", "GetOpenFileNameA", reinterpret_cast<void*>(&ScriptedGetOpenFileNameA));
    PatchImport(module, "comdlg32.dll", "GetSaveFileNameA", reinterpret_cast<void*>(&ScriptedGetSaveFileNameA));
    (void)problem;
    return true;
}

void SetSnapshotFolder(const std::string& folder) {
    SnapshotFolder = folder;
}

void TakeSnapshot(const std::string& name, HWND window) {
    if (SnapshotFolder.empty() || !IsWindow(window)) return;
    std::string request = SnapshotFolder + "\\" + name + ".request";
    RECT r;
    GetWindowRect(window, &r);
    FILE* file = std::fopen(request.c_str(), "w");
    if (file == nullptr) return;
    std::fprintf(file, "%ld %ld %ld %ld\n", r.left, r.top, r.right - r.left, r.bottom - r.top);
    std::fclose(file);
    // Pump (so the window paints) until the picture was taken.
    for (int waited = 0; waited < 30000 && GetFileAttributesA(request.c_str()) != INVALID_FILE_ATTRIBUTES;
         waited += 20) {
        RedrawWindow(window, nullptr, nullptr, RDW_INVALIDATE | RDW_ALLCHILDREN | RDW_UPDATENOW);
        Settle();
        Sleep(20);
    }
}

}  // namespace vsim::winhost

namespace vsim::user {

std::string PerformDialogStep(HWND dialog, const DialogAction& action) {
    using namespace vsim::winhost;
    if (action.kind == DialogAction::Close) {
        SendMessageA(dialog, WM_CLOSE, 0, 0);
        return "";
    }
    HWND control = GetDlgItem(dialog, action.control);
    if (control == nullptr) return "no control " + std::to_string(action.control);
    if (!IsWindowVisible(control)) return "the control is hidden";
    if (!IsWindowEnabled(control)) return "the control is disabled";
    switch (action.kind) {
    case DialogAction::Set:
        return TypeText(control, action.text) ? "" : "not an edit field";
    case DialogAction::Select: {
        bool combo = IsClass(control, "ComboBox");
        if (!combo && !IsClass(control, "ListBox")) return "not a combo or list box";
        int count = (int)SendMessageA(control, combo ? CB_GETCOUNT : LB_GETCOUNT, 0, 0);
        if (action.index < 0 || action.index >= count)
            return "no item " + std::to_string(action.index) + " (it has " + std::to_string(count) + ")";
        return SelectItem(control, action.index) ? "" : "the item cannot be picked";
    }
    case DialogAction::Check:
    case DialogAction::Uncheck: {
        LONG type = GetWindowLongA(control, GWL_STYLE) & BS_TYPEMASK;
        bool checkable = type == BS_CHECKBOX || type == BS_AUTOCHECKBOX || type == BS_RADIOBUTTON ||
                         type == BS_AUTORADIOBUTTON || type == BS_3STATE || type == BS_AUTO3STATE;
        if (!IsClass(control, "Button") || !checkable) return "not a check box or radio button";
        UINT wanted = action.kind == DialogAction::Check ? BST_CHECKED : BST_UNCHECKED;
        if (SendMessageA(control, BM_GETCHECK, 0, 0) != (LRESULT)wanted) ClickControl(control);
        return "";
    }
    case DialogAction::Click:
        return ClickControl(control) ? "" : "the control takes no click";
    case DialogAction::HotKey:
        return TypeHotKey(control, (WORD)action.index) ? "" : "not a hot-key control";
    case DialogAction::Close:
    case DialogAction::Read:
        break;
    }
    return "";
}

bool ReadDialogControl(HWND dialog, int control, ControlReading* reading) {
    using namespace vsim::winhost;
    HWND window = GetDlgItem(dialog, control);
    if (window == nullptr) return false;
    reading->enabled = IsWindowEnabled(window) != FALSE;
    LONG type = GetWindowLongA(window, GWL_STYLE) & BS_TYPEMASK;
    bool combo = IsClass(window, "ComboBox");
    if (combo || IsClass(window, "ListBox")) {
        reading->kind = ControlReading::Choice;
        reading->value = (int)SendMessageA(window, combo ? CB_GETCURSEL : LB_GETCURSEL, 0, 0);
        char text[512] = "";
        if (reading->value >= 0) SendMessageA(window, combo ? CB_GETLBTEXT : LB_GETTEXT, reading->value, (LPARAM)text);
        reading->text = text;
    } else if (IsClass(window, "Button") && (type == BS_CHECKBOX || type == BS_AUTOCHECKBOX || type == BS_RADIOBUTTON ||
                                             type == BS_AUTORADIOBUTTON || type == BS_3STATE || type == BS_AUTO3STATE)) {
        reading->kind = ControlReading::CheckState;
        reading->value = (int)SendMessageA(window, BM_GETCHECK, 0, 0);
    } else if (IsClass(window, HOTKEY_CLASSA)) {
        reading->kind = ControlReading::HotKeyValue;
        reading->value = (int)(WORD)SendMessageA(window, HKM_GETHOTKEY, 0, 0);
    } else if (IsClass(window, TRACKBAR_CLASSA)) {
        reading->kind = ControlReading::Position;
        reading->value = (int)SendMessageA(window, TBM_GETPOS, 0, 0);
    } else {
        reading->kind = ControlReading::Text;
        reading->text = WindowText(window);
    }
    return true;
}

bool DialogStepsEnded(HWND dialog) {
    return vsim::winhost::Ended(dialog);
}

void SettleDialogStep() {
    vsim::winhost::Settle();
}

}  // namespace vsim::user
