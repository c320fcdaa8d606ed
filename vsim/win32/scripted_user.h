// The scripted user: answers everything that waits for a person. A test or the host
// sets up, before the module runs, how message boxes are answered (by the start of their
// text), what is done in each dialog (by resource id), and which files the open and
// save dialogs return. The interface uses only portable types, so a Windows build can
// implement it over real windows.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "platform/win32.h"

namespace vsim::user {

// ---- Message boxes ----

enum Answer { AnswerOk, AnswerCancel, AnswerYes, AnswerNo };
bool ParseAnswer(const std::string& text, Answer* answer);  // "ok", "cancel", "yes", "no"

// Boxes whose text starts with the prefix get this answer, every time, until a newer rule
// for the same prefix replaces it; the newest matching rule wins.
void OnMessage(const std::string& textPrefix, Answer answer);
// The same with the answer as text ("ok", "cancel", "yes", "no"); false for other text.
bool OnMessage(const std::string& textPrefix, const std::string& answer);
// The answer for boxes no rule matches, where it is one of the box's buttons. Without
// one, OK boxes (and OK/Cancel boxes) answer OK and Yes/No boxes answer No.
void SetDefaultAnswer(Answer answer);

struct MessageBoxRecord {
    HWND owner;
    std::string text;
    std::string caption;
    UINT type;
    int answer;  // IDOK, IDCANCEL, IDYES, IDNO
};
const std::vector<MessageBoxRecord>& MessageBoxes();

// ---- Dialogs ----

struct DialogAction {
    enum Kind { Set, Select, Check, Uncheck, Click, HotKey, Close, Read } kind;
    int control = 0;   // control id (not used by Close)
    std::string text;  // Set
    int index = 0;     // Select: item index; HotKey: virtual key low byte, HOTKEYF_* high byte
};
// The text form, steps separated by ";":
//   set ID TEXT     types TEXT into an edit (the rest of the step, or a "quoted" text)
//   select ID N     picks item N of a combo or list box
//   check ID / uncheck ID   clicks a check box or radio button if its state differs
//   click ID        clicks a button (or a notifying static text)
//   hotkey ID KEY   types a key into a hot-key control: KEY is a number (the HKM value)
//                   or modifiers and a virtual key joined by "+", as in "Shift+Alt+65"
//   close           the dialog's close box
//   read ID         writes what the control shows into the transcript: its text, the
//                   picked item of a combo or list box, a check state, a hot key or a
//                   trackbar position, and whether it is disabled
bool ParseDialogActions(const std::string& text, std::vector<DialogAction>* actions, std::string* error);

// What the user does each time the dialog opens, until replaced. The steps run in order
// while the dialog is open; a dialog the steps leave open is cancelled.
void OnDialog(int dialogId, const std::vector<DialogAction>& actions);
void OnDialog(int dialogId, std::function<void(HWND dialog)> handler);

// ---- File dialogs ----

// Each answer is used by one dialog, in order; with none left the user cancels.
void OnSave(const std::string& windowsPath);
void OnSaveCancel();
void OnOpen(const std::vector<std::string>& windowsPaths);
void OnOpenCancel();

// Forgets every rule, handler, answer and record.
void ResetScriptedUser();

// ---- Called by the Win32 emulation ----

// Decides, logs and records the answer of a message box.
int AnswerMessageBox(HWND owner, const std::string& text, const std::string& caption, UINT type);
// Runs the handler of the dialog, if any; returns whether there was one.
bool RunDialogHandler(int dialogId, HWND dialog);
enum FileAnswerKind { FileAnswerNone, FileAnswerCancel, FileAnswerChosen };
FileAnswerKind TakeSaveAnswer(std::string* windowsPath);
FileAnswerKind TakeOpenAnswer(std::vector<std::string>* windowsPaths);

// ---- Provided by the windows the user acts on (the emulation, or real windows) ----

// Carries out one step on an open dialog; returns why it could not be done, or "".
std::string PerformDialogStep(HWND dialog, const DialogAction& action);
// True once the dialog has ended or no longer exists.
bool DialogStepsEnded(HWND dialog);
// Lets the windows handle what a step posted before the next step.
void SettleDialogStep();
// What a person sees of a control, for the "read" step.
struct ControlReading {
    enum Kind { Text, Choice, CheckState, HotKeyValue, Position } kind = Text;
    std::string text;    // Text: the window text; Choice: the picked item's text
    int value = -1;      // Choice: the picked item (-1 none); CheckState: BST_*; HotKeyValue, Position
    bool enabled = true;
};
// False when the dialog has no such control.
bool ReadDialogControl(HWND dialog, int control, ControlReading* reading);

}  // namespace vsim::user
