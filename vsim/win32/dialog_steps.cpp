// The scripted user's dialog steps carried out on the Win32 emulation's controls, as a
// person would do them (through user_actions): the Linux side of PerformDialogStep,
// DialogStepsEnded and SettleDialogStep of scripted_user.h.
#include "vsim/win32/controls.h"
#include "vsim/win32/dialogs.h"
#include "vsim/win32/scripted_user.h"
#include "vsim/win32/user_actions.h"
#include "vsim/win32/window.h"

namespace vsim::user {

std::string PerformDialogStep(HWND dialog, const DialogAction& action) {
    using namespace vsim::win32;
    if (action.kind == DialogAction::Close) {
        SendMessageA(dialog, WM_CLOSE, 0, 0);
        return "";
    }
    HWND control = GetDlgItem(dialog, action.control);
    ControlInfo info;
    if (control == nullptr || !ReadControl(control, &info)) return "no control " + std::to_string(action.control);
    if (!info.visible) return "the control is hidden";
    if (!info.enabled) return "the control is disabled";
    switch (action.kind) {
    case DialogAction::Set:
        return TypeText(control, action.text) ? "" : "not an edit field";
    case DialogAction::Select:
        if (info.className != "COMBOBOX" && info.className != "LISTBOX") return "not a combo or list box";
        if (action.index < 0 || (size_t)action.index >= info.items.size())
            return "no item " + std::to_string(action.index) + " (it has " + std::to_string(info.items.size()) + ")";
        return SelectItem(control, action.index) ? "" : "the item cannot be picked";
    case DialogAction::Check:
    case DialogAction::Uncheck: {
        Window* w = FindWindowObject(control);
        if (w == nullptr || w->kind != KindButton || !IsCheckButton(w)) return "not a check box or radio button";
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
    using namespace vsim::win32;
    HWND window = GetDlgItem(dialog, control);
    ControlInfo info;
    if (window == nullptr || !ReadControl(window, &info)) return false;
    Window* w = FindWindowObject(window);
    reading->enabled = info.enabled;
    if (info.className == "COMBOBOX" || info.className == "LISTBOX") {
        reading->kind = ControlReading::Choice;
        reading->value = info.selection;
        reading->text = info.selection >= 0 && (size_t)info.selection < info.items.size() ? info.items[info.selection] : "";
    } else if (w != nullptr && w->kind == KindButton && IsCheckButton(w)) {
        reading->kind = ControlReading::CheckState;
        reading->value = (int)info.check;
    } else if (info.className == HOTKEY_CLASSA) {
        reading->kind = ControlReading::HotKeyValue;
        reading->value = info.hotKey;
    } else if (info.className == TRACKBAR_CLASSA) {
        reading->kind = ControlReading::Position;
        reading->value = info.position;
    } else {
        reading->kind = ControlReading::Text;
        reading->text = info.text;
    }
    return true;
}

bool DialogStepsEnded(HWND dialog) {
    return vsim::win32::DialogHasEnded(dialog);
}

void SettleDialogStep() {
    vsim::win32::PumpPostedMessages();
}

}  // namespace vsim::user
