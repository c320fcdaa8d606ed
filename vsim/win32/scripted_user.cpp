// The scripted user: message-box rules, the dialog steps and their handlers, and queued
// answers of the file dialogs. Portable: each step is carried out by the windows the
// user acts on (PerformDialogStep), the Win32 emulation's on Linux and real windows in
// the Windows build of kestrel-host.
//
// Transcript lines: `message box [caption] "text" -> answer` (line breaks of the text
// shown as \n), and "dialog N: <step> failed: <why>" for a step that cannot be done.
#include "vsim/win32/scripted_user.h"

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <deque>
#include <map>
#include <strings.h>

#include "vsim/sim/simhost.h"

namespace vsim::user {

namespace {

constexpr int IDABORT_ANSWER = 3, IDRETRY_ANSWER = 4, IDIGNORE_ANSWER = 5;

struct MessageRule {
    std::string prefix;
    Answer answer;
};

struct DialogHandler {
    std::vector<DialogAction> actions;
    std::function<void(HWND)> function;
};

struct FileAnswer {
    bool cancel;
    std::vector<std::string> paths;
};

std::vector<MessageRule> MessageRules;  // oldest first
bool HasDefaultAnswer = false;
Answer DefaultAnswer = AnswerOk;
std::vector<MessageBoxRecord> Records;
std::map<int, DialogHandler> Handlers;
std::deque<FileAnswer> SaveAnswers, OpenAnswers;

int AnswerId(Answer answer) {
    switch (answer) {
    case AnswerOk: return IDOK;
    case AnswerCancel: return IDCANCEL;
    case AnswerYes: return IDYES;
    case AnswerNo: return IDNO;
    }
    return IDOK;
}

const char* AnswerName(int id) {
    switch (id) {
    case IDOK: return "ok";
    case IDCANCEL: return "cancel";
    case IDYES: return "yes";
    case IDNO: return "no";
    case IDABORT_ANSWER: return "abort";
    case IDRETRY_ANSWER: return "retry";
    case IDIGNORE_ANSWER: return "ignore";
    default: return "?";
    }
}

// The buttons of a box type, the built-in default answer first.
std::vector<int> ButtonsOf(UINT type) {
    switch (type & 0xF) {
    case MB_OKCANCEL: return {IDOK, IDCANCEL};
    case 2: return {IDABORT_ANSWER, IDRETRY_ANSWER, IDIGNORE_ANSWER};
    case 3: return {IDNO, IDYES, IDCANCEL};
    case MB_YESNO: return {IDNO, IDYES};
    case 5: return {IDCANCEL, IDRETRY_ANSWER};
    default: return {IDOK};
    }
}

std::string Escape(const std::string& text) {
    std::string out;
    for (char c : text) {
        if (c == '\n')
            out += "\\n";
        else if (c == '\r')
            out += "\\r";
        else
            out += c;
    }
    return out;
}

std::string Describe(const DialogAction& action) {
    std::string id = std::to_string(action.control);
    switch (action.kind) {
    case DialogAction::Set: return "set " + id + " \"" + action.text + "\"";
    case DialogAction::Select: return "select " + id + " " + std::to_string(action.index);
    case DialogAction::Check: return "check " + id;
    case DialogAction::Uncheck: return "uncheck " + id;
    case DialogAction::Click: return "click " + id;
    case DialogAction::HotKey: return "hotkey " + id + " " + std::to_string(action.index);
    case DialogAction::Close: return "close";
    case DialogAction::Read: return "read " + id;
    }
    return "?";
}

// The transcript line of a "read" step.
std::string DescribeReading(const ControlReading& reading) {
    std::string shown;
    switch (reading.kind) {
    case ControlReading::Text: shown = "\"" + Escape(reading.text) + "\""; break;
    case ControlReading::Choice:
        shown = reading.value < 0 ? "no item" : "item " + std::to_string(reading.value) + " \"" + reading.text + "\"";
        break;
    case ControlReading::CheckState:
        shown = reading.value == 1 ? "checked" : reading.value == 2 ? "indeterminate" : "unchecked";
        break;
    case ControlReading::HotKeyValue: {
        char hex[16];
        std::snprintf(hex, sizeof hex, "0x%04X", (unsigned)reading.value);
        shown = std::string("hot key ") + hex;
        break;
    }
    case ControlReading::Position: shown = "position " + std::to_string(reading.value); break;
    }
    return shown + (reading.enabled ? "" : ", disabled");
}

bool ParseInteger(const std::string& text, long* value) {
    if (text.empty()) return false;
    char* end = nullptr;
    *value = strtol(text.c_str(), &end, 0);
    return *end == '\0';
}

std::string Trim(const std::string& s) {
    size_t begin = s.find_first_not_of(" \t\r\n");
    if (begin == std::string::npos) return "";
    return s.substr(begin, s.find_last_not_of(" \t\r\n") - begin + 1);
}

// "Shift+Ctrl+Alt+65" or a plain HKM value such as "0x441".
bool ParseHotKey(const std::string& text, int* value) {
    long number;
    if (ParseInteger(text, &number)) {
        if (number < 0 || number > 0xFFFF) return false;
        *value = (int)number;
        return true;
    }
    BYTE modifiers = 0;
    size_t start = 0;
    while (true) {
        size_t plus = text.find('+', start);
        std::string part = Trim(text.substr(start, plus == std::string::npos ? std::string::npos : plus - start));
        if (plus == std::string::npos) {
            if (!ParseInteger(part, &number) || number < 0 || number > 0xFF) return false;
            *value = MAKEWORD(number, modifiers);
            return true;
        }
        if (strcasecmp(part.c_str(), "shift") == 0)
            modifiers |= HOTKEYF_SHIFT;
        else if (strcasecmp(part.c_str(), "ctrl") == 0 || strcasecmp(part.c_str(), "control") == 0)
            modifiers |= HOTKEYF_CONTROL;
        else if (strcasecmp(part.c_str(), "alt") == 0)
            modifiers |= HOTKEYF_ALT;
        else
            return false;
        start = plus + 1;
    }
}

}  // namespace

bool ParseAnswer(const std::string& text, Answer* answer) {
    static const std::pair<const char*, Answer> Names[] = {
        {"ok", AnswerOk}, {"cancel", AnswerCancel}, {"yes", AnswerYes}, {"no", AnswerNo}};
    for (const auto& name : Names) {
        if (strcasecmp(text.c_str(), name.first) == 0) {
            *answer = name.second;
            return true;
        }
    }
    return false;
}

void OnMessage(const std::string& textPrefix, Answer answer) {
    MessageRules.erase(std::remove_if(MessageRules.begin(), MessageRules.end(),
                                      [&](const MessageRule& rule) { return rule.prefix == textPrefix; }),
                       MessageRules.end());
    MessageRules.push_back({textPrefix, answer});
}

bool OnMessage(const std::string& textPrefix, const std::string& answer) {
    Answer parsed;
    if (!ParseAnswer(answer, &parsed)) return false;
    OnMessage(textPrefix, parsed);
    return true;
}

void SetDefaultAnswer(Answer answer) {
    HasDefaultAnswer = true;
    DefaultAnswer = answer;
}

const std::vector<MessageBoxRecord>& MessageBoxes() {
    return Records;
}

bool ParseDialogActions(const std::string& text, std::vector<DialogAction>* actions, std::string* error) {
    actions->clear();
    size_t i = 0;
    int step = 0;
    auto fail = [&](const std::string& message) {
        if (error != nullptr) *error = "step " + std::to_string(step) + ": " + message;
        actions->clear();
        return false;
    };
    while (i < text.size()) {
        // One step: up to the next ";" outside a quoted text.
        size_t end = i;
        bool quoted = false;
        for (; end < text.size(); ++end) {
            if (text[end] == '\\' && quoted && end + 1 < text.size()) {
                ++end;
                continue;
            }
            if (text[end] == '"') quoted = !quoted;
            if (text[end] == ';' && !quoted) break;
        }
        std::string body = Trim(text.substr(i, end - i));
        i = end + 1;
        if (body.empty()) continue;
        ++step;
        size_t verbEnd = body.find_first_of(" \t");
        std::string verb = body.substr(0, verbEnd);
        std::string rest = verbEnd == std::string::npos ? "" : Trim(body.substr(verbEnd));
        for (char& c : verb) c = (char)tolower((unsigned char)c);
        DialogAction action;
        if (verb == "read") {
            long id;
            if (!ParseInteger(rest, &id)) return fail("read needs a control id, not '" + rest + "'");
            action.kind = DialogAction::Read;
            action.control = (int)id;
            actions->push_back(action);
            continue;
        }
        if (verb == "close") {
            if (!rest.empty()) return fail("close takes no arguments");
            action.kind = DialogAction::Close;
            actions->push_back(action);
            continue;
        }
        static const std::pair<const char*, DialogAction::Kind> Verbs[] = {
            {"set", DialogAction::Set},         {"select", DialogAction::Select}, {"check", DialogAction::Check},
            {"uncheck", DialogAction::Uncheck}, {"click", DialogAction::Click},   {"hotkey", DialogAction::HotKey}};
        bool known = false;
        for (const auto& v : Verbs) {
            if (verb == v.first) {
                action.kind = v.second;
                known = true;
            }
        }
        if (!known) return fail("unknown action '" + verb + "'");
        size_t idEnd = rest.find_first_of(" \t");
        std::string idText = rest.substr(0, idEnd);
        std::string argument = idEnd == std::string::npos ? "" : Trim(rest.substr(idEnd));
        long id;
        if (!ParseInteger(idText, &id)) return fail(verb + " needs a control id, not '" + idText + "'");
        action.control = (int)id;
        switch (action.kind) {
        case DialogAction::Set:
            if (!argument.empty() && argument[0] == '"') {
                std::string value;
                size_t k = 1;
                for (; k < argument.size() && argument[k] != '"'; ++k) {
                    if (argument[k] == '\\' && k + 1 < argument.size()) ++k;
                    value += argument[k];
                }
                if (k >= argument.size()) return fail("unterminated quoted text");
                if (!Trim(argument.substr(k + 1)).empty()) return fail("text after the quoted text");
                action.text = value;
            } else {
                action.text = argument;
            }
            break;
        case DialogAction::Select: {
            long index;
            if (!ParseInteger(argument, &index) || index < 0) return fail("select needs an item index");
            action.index = (int)index;
            break;
        }
        case DialogAction::HotKey:
            if (!ParseHotKey(argument, &action.index)) return fail("bad key '" + argument + "'");
            break;
        default:
            if (!argument.empty()) return fail(verb + " takes only a control id");
            break;
        }
        actions->push_back(action);
    }
    return true;
}

void OnDialog(int dialogId, const std::vector<DialogAction>& actions) {
    Handlers[dialogId] = DialogHandler{actions, nullptr};
}

void OnDialog(int dialogId, std::function<void(HWND dialog)> handler) {
    Handlers[dialogId] = DialogHandler{{}, std::move(handler)};
}

void OnSave(const std::string& windowsPath) {
    SaveAnswers.push_back({false, {windowsPath}});
}

void OnSaveCancel() {
    SaveAnswers.push_back({true, {}});
}

void OnOpen(const std::vector<std::string>& windowsPaths) {
    OpenAnswers.push_back({windowsPaths.empty(), windowsPaths});
}

void OnOpenCancel() {
    OpenAnswers.push_back({true, {}});
}

void ResetScriptedUser() {
    MessageRules.clear();
    HasDefaultAnswer = false;
    DefaultAnswer = AnswerOk;
    Records.clear();
    Handlers.clear();
    SaveAnswers.clear();
    OpenAnswers.clear();
}

int AnswerMessageBox(HWND owner, const std::string& text, const std::string& caption, UINT type) {
    std::vector<int> buttons = ButtonsOf(type);
    auto isButton = [&](int id) { return std::find(buttons.begin(), buttons.end(), id) != buttons.end(); };
    std::string shown = "message box [" + caption + "] \"" + Escape(text) + "\"";
    int answer = 0;
    for (auto rule = MessageRules.rbegin(); rule != MessageRules.rend(); ++rule) {
        if (text.compare(0, rule->prefix.size(), rule->prefix) != 0) continue;
        int id = AnswerId(rule->answer);
        if (isButton(id))
            answer = id;
        else
            vsim::Log(shown + ": the scripted answer " + AnswerName(id) + " is not one of its buttons");
        break;
    }
    if (answer == 0 && HasDefaultAnswer && isButton(AnswerId(DefaultAnswer))) answer = AnswerId(DefaultAnswer);
    if (answer == 0) answer = buttons.front();
    vsim::Log(shown + " -> " + AnswerName(answer));
    Records.push_back({owner, text, caption, type, answer});
    return answer;
}

bool RunDialogHandler(int dialogId, HWND dialog) {
    auto it = Handlers.find(dialogId);
    if (it == Handlers.end()) return false;
    DialogHandler handler = it->second;  // a copy: the handler may replace itself
    if (handler.function) {
        handler.function(dialog);
        return true;
    }
    std::string label = "dialog " + std::to_string(dialogId) + ": ";
    for (const DialogAction& action : handler.actions) {
        if (DialogStepsEnded(dialog)) {
            vsim::Log(label + Describe(action) + " not done: the dialog has closed");
            continue;
        }
        if (action.kind == DialogAction::Read) {
            ControlReading reading;
            if (ReadDialogControl(dialog, action.control, &reading))
                vsim::Log(label + "control " + std::to_string(action.control) + " reads " + DescribeReading(reading));
            else
                vsim::Log(label + Describe(action) + " failed: no control " + std::to_string(action.control));
            continue;
        }
        std::string problem = PerformDialogStep(dialog, action);
        if (!problem.empty()) vsim::Log(label + Describe(action) + " failed: " + problem);
        SettleDialogStep();
    }
    return true;
}

FileAnswerKind TakeSaveAnswer(std::string* windowsPath) {
    if (SaveAnswers.empty()) return FileAnswerNone;
    FileAnswer answer = SaveAnswers.front();
    SaveAnswers.pop_front();
    if (answer.cancel) return FileAnswerCancel;
    *windowsPath = answer.paths.front();
    return FileAnswerChosen;
}

FileAnswerKind TakeOpenAnswer(std::vector<std::string>* windowsPaths) {
    if (OpenAnswers.empty()) return FileAnswerNone;
    FileAnswer answer = OpenAnswers.front();
    OpenAnswers.pop_front();
    if (answer.cancel) return FileAnswerCancel;
    *windowsPaths = answer.paths;
    return FileAnswerChosen;
}

}  // namespace vsim::user
