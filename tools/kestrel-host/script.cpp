// Parsing kestrel-host scripts into commands, checking each command's shape.
#include "tools/kestrel-host/script.h"

#include <cctype>
#include <cstdlib>
#include <initializer_list>
#include <sstream>

namespace {

struct Token {
    std::string text;
    bool quoted = false;
};

// Splits a line into words; "double quoted" text is one word. False on an open quote.
bool Tokenize(const std::string& line, std::vector<Token>* tokens) {
    size_t i = 0;
    while (i < line.size()) {
        if (std::isspace((unsigned char)line[i])) {
            ++i;
            continue;
        }
        Token token;
        if (line[i] == '"') {
            size_t close = line.find('"', i + 1);
            if (close == std::string::npos) return false;
            token.text = line.substr(i + 1, close - i - 1);
            token.quoted = true;
            i = close + 1;
        } else {
            size_t end = i;
            while (end < line.size() && !std::isspace((unsigned char)line[end])) ++end;
            token.text = line.substr(i, end - i);
            i = end;
        }
        tokens->push_back(token);
    }
    return true;
}

bool IsNumber(const std::string& text, bool allowFraction) {
    if (text.empty()) return false;
    char* end = nullptr;
    if (allowFraction) {
        std::strtod(text.c_str(), &end);
    } else {
        std::strtol(text.c_str(), &end, 10);
    }
    return end && *end == 0;
}

bool IsVersion(const std::string& text) {
    int parts = 0;
    std::stringstream in(text);
    std::string part;
    while (std::getline(in, part, '.')) {
        if (!IsNumber(part, false)) return false;
        ++parts;
    }
    return parts == 4;
}

bool OneOf(const std::string& text, std::initializer_list<const char*> choices) {
    for (const char* choice : choices) {
        if (text == choice) return true;
    }
    return false;
}

// The rest of a line after the first `words` words, as written.
std::string RestAfterWords(const std::string& line, int words) {
    size_t i = 0;
    for (int w = 0; w < words; ++w) {
        while (i < line.size() && std::isspace((unsigned char)line[i])) ++i;
        while (i < line.size() && !std::isspace((unsigned char)line[i])) ++i;
    }
    while (i < line.size() && std::isspace((unsigned char)line[i])) ++i;
    return line.substr(i);
}

// Splits `"A","B", "C"` into its quoted texts; false when it is not such a list.
bool ParseQuotedList(const std::string& text, std::vector<std::string>* items) {
    size_t i = 0;
    while (true) {
        while (i < text.size() && std::isspace((unsigned char)text[i])) ++i;
        if (i >= text.size() || text[i] != '"') return false;
        size_t close = text.find('"', i + 1);
        if (close == std::string::npos) return false;
        items->push_back(text.substr(i + 1, close - i - 1));
        i = close + 1;
        while (i < text.size() && std::isspace((unsigned char)text[i])) ++i;
        if (i >= text.size()) return true;
        if (text[i] != ',') return false;
        ++i;
    }
}

const char* const Help =
    "Script commands (one per line, # starts a comment):\n"
    "  host version V | host version DLL V | host missing DLL   (before start; V like 10.0.61637.0)\n"
    "  ini SECTION KEY VALUE        write the module's Kestrel.ini before start\n"
    "  module PATH                  the module's Windows file name (default C:\\Sim\\Modules\\KestrelFSX.dll)\n"
    "  fail next KIND               simconnect-open, file-open, file-write, ai-create\n"
    "  start | stop                 load and start the module | stop and unload it\n"
    "  crash                        the simulator's process dies at once; the run ends there\n"
    "  flight load | aircraft load \"TITLE\" cg FEET\n"
    "  user flies PLAN | ai add \"TITLE\" flies PLAN | ai remove N\n"
    "                               (plans: circuit, touch-and-go, bounce, orbit, parked)\n"
    "  frames N | seconds S | rate R | pause on|off\n"
    "  menu \"TEXT\"                  choose an Add-ons sub-item\n"
    "  key KEYS | key down KEY | key up KEY   (Esc, Shift+Esc, Ctrl+End, Left, Num+, F5, ...)\n"
    "  on message \"PREFIX\" answer ok|cancel|yes|no\n"
    "  on save answer PATH|cancel | on open answer PATH[;PATH...]|cancel\n"
    "  on dialog ID do ACTIONS      ACTIONS: set ID TEXT; select ID INDEX; check ID; uncheck ID; click ID;\n"
    "                               hotkey ID KEY; read ID (what the control shows); close\n"
    "  click window ID | press window ID | release window ID | slider P | move window X Y\n"
    "  expect mode NAME | expect menu \"A\",\"B\",... | expect text \"TEXT\" | expect message \"TEXT\"\n"
    "  expect file PATH | expect no file PATH\n"
    "  dump FILE                    describe a recording file\n"
    "  fidelity record | fidelity play | fidelity report\n"
    "  say \"TEXT\"                   print a line into the transcript\n"
    "  memory                       print the process's peak memory (maximum resident set) so far\n"
    "  snapshot NAME                a picture of the control window (Windows build with --snapshots)\n";

}  // namespace

const char* ScriptHelp() {
    return Help;
}

bool ParseKeyStroke(const std::string& text, KeyStroke* key) {
    struct NamedKey {
        const char* name;
        int vk;
    };
    static const NamedKey Keys[] = {
        {"Esc", 0x1B},      {"Escape", 0x1B}, {"Enter", 0x0D},  {"Space", 0x20},   {"Tab", 0x09},
        {"PageUp", 0x21},   {"PgUp", 0x21},   {"PageDown", 0x22}, {"PgDn", 0x22},  {"End", 0x23},
        {"Home", 0x24},     {"Left", 0x25},   {"Up", 0x26},     {"Right", 0x27},   {"Down", 0x28},
        {"Insert", 0x2D},   {"Ins", 0x2D},    {"Delete", 0x2E}, {"Del", 0x2E},     {"Num*", 0x6A},
        {"Num+", 0x6B},     {"Num-", 0x6D},   {"Num/", 0x6F},   {"Backspace", 0x08},
    };
    *key = KeyStroke();
    std::string rest = text;
    while (true) {
        size_t plus = rest.find('+');
        if (plus == std::string::npos || plus + 1 >= rest.size()) break;
        std::string modifier = rest.substr(0, plus);
        if (modifier == "Shift") {
            key->shift = true;
        } else if (modifier == "Ctrl") {
            key->ctrl = true;
        } else if (modifier == "Alt") {
            key->alt = true;
        } else {
            break;  // "Num+" and friends
        }
        rest = rest.substr(plus + 1);
    }
    for (const NamedKey& named : Keys) {
        if (rest == named.name) {
            key->vk = named.vk;
            return true;
        }
    }
    if (rest.size() == 1 && std::isalnum((unsigned char)rest[0])) {
        key->vk = std::toupper((unsigned char)rest[0]);
        return true;
    }
    if (rest.size() >= 2 && rest[0] == 'F' && IsNumber(rest.substr(1), false)) {
        int n = std::atoi(rest.c_str() + 1);
        if (n >= 1 && n <= 24) {
            key->vk = 0x70 + n - 1;
            return true;
        }
    }
    return false;
}

bool ParseScript(const std::string& text, std::vector<ScriptCommand>* commands, std::vector<std::string>* errors) {
    std::istringstream in(text);
    std::string raw;
    int lineNumber = 0;
    while (std::getline(in, raw)) {
        ++lineNumber;
        if (!raw.empty() && raw.back() == '\r') raw.pop_back();
        std::string line = raw;
        // A # outside quotes starts a comment.
        bool inQuotes = false;
        for (size_t i = 0; i < line.size(); ++i) {
            if (line[i] == '"') inQuotes = !inQuotes;
            if (line[i] == '#' && !inQuotes) {
                line = line.substr(0, i);
                break;
            }
        }
        std::vector<Token> t;
        auto fail = [&](const std::string& why) {
            errors->push_back("line " + std::to_string(lineNumber) + ": " + why + ": " + raw);
        };
        if (!Tokenize(line, &t)) {
            fail("unclosed quote");
            continue;
        }
        if (t.empty()) continue;
        ScriptCommand command;
        command.line = lineNumber;
        command.text = raw;
        auto word = [&](size_t i) { return i < t.size() && !t[i].quoted ? t[i].text : std::string(); };
        auto arg = [&](size_t i) { return i < t.size() ? t[i].text : std::string(); };
        const std::string w0 = word(0), w1 = word(1);
        bool ok = true;
        if (w0 == "host" && w1 == "version" && t.size() == 3 && IsVersion(arg(2))) {
            command.verb = "host version";
            command.args = {"", arg(2)};
        } else if (w0 == "host" && w1 == "version" && t.size() == 4 && IsVersion(arg(3))) {
            command.verb = "host version";
            command.args = {arg(2), arg(3)};
        } else if (w0 == "host" && w1 == "missing" && t.size() == 3) {
            command.verb = "host missing";
            command.args = {arg(2)};
        } else if (w0 == "ini" && t.size() == 4) {
            command.verb = "ini";
            command.args = {arg(1), arg(2), arg(3)};
        } else if (w0 == "module" && t.size() == 2) {
            command.verb = "module";
            command.args = {arg(1)};
        } else if (w0 == "fail" && w1 == "next" && t.size() == 3 &&
                   OneOf(arg(2), {"simconnect-open", "file-open", "file-write", "ai-create"})) {
            command.verb = "fail next";
            command.args = {arg(2)};
        } else if ((w0 == "start" || w0 == "stop" || w0 == "crash") && t.size() == 1) {
            command.verb = w0;
        } else if (w0 == "flight" && w1 == "load" && t.size() == 2) {
            command.verb = "flight load";
        } else if (w0 == "aircraft" && w1 == "load" && t.size() == 5 && t[2].quoted && word(3) == "cg" &&
                   IsNumber(arg(4), true)) {
            command.verb = "aircraft load";
            command.args = {arg(2), arg(4)};
        } else if (w0 == "user" && w1 == "flies" && t.size() == 3) {
            command.verb = "user flies";
            command.args = {arg(2)};
        } else if (w0 == "ai" && w1 == "add" && t.size() == 5 && t[2].quoted && word(3) == "flies") {
            command.verb = "ai add";
            command.args = {arg(2), arg(4)};
        } else if (w0 == "ai" && w1 == "remove" && t.size() == 3 && IsNumber(arg(2), false) && std::atoi(arg(2).c_str()) > 0) {
            command.verb = "ai remove";
            command.args = {arg(2)};
        } else if (w0 == "frames" && t.size() == 2 && IsNumber(arg(1), false) && std::atol(arg(1).c_str()) >= 0) {
            command.verb = "frames";
            command.args = {arg(1)};
        } else if ((w0 == "seconds" || w0 == "rate") && t.size() == 2 && IsNumber(arg(1), true) &&
                   std::atof(arg(1).c_str()) > 0) {
            command.verb = w0;
            command.args = {arg(1)};
        } else if (w0 == "pause" && t.size() == 2 && OneOf(arg(1), {"on", "off"})) {
            command.verb = "pause";
            command.args = {arg(1)};
        } else if (w0 == "menu" && t.size() == 2 && t[1].quoted) {
            command.verb = "menu";
            command.args = {arg(1)};
        } else if (w0 == "key" && t.size() == 3 && OneOf(w1, {"down", "up"})) {
            KeyStroke key;
            ok = ParseKeyStroke(arg(2), &key);
            command.verb = "key " + w1;
            command.args = {arg(2)};
            if (!ok) fail("unknown key \"" + arg(2) + "\"");
        } else if (w0 == "key" && t.size() == 2) {
            KeyStroke key;
            ok = ParseKeyStroke(arg(1), &key);
            command.verb = "key";
            command.args = {arg(1)};
            if (!ok) fail("unknown key \"" + arg(1) + "\"");
        } else if (w0 == "on" && w1 == "message" && t.size() == 5 && t[2].quoted && word(3) == "answer" &&
                   OneOf(arg(4), {"ok", "cancel", "yes", "no"})) {
            command.verb = "on message";
            command.args = {arg(2), arg(4)};
        } else if (w0 == "on" && OneOf(w1, {"save", "open"}) && t.size() == 4 && word(2) == "answer") {
            command.verb = "on " + w1;
            command.args = {arg(3)};
        } else if (w0 == "on" && w1 == "dialog" && t.size() >= 5 && IsNumber(arg(2), false) && word(3) == "do") {
            command.verb = "on dialog";
            command.args = {arg(2), RestAfterWords(line, 4)};
        } else if (w0 == "expect" && w1 == "mode" && t.size() == 3 &&
                   OneOf(arg(2), {"Idle", "Recording", "Playing", "ReplayBuffering", "Replaying", "PlayingTraffic",
                                  "RecordingWithTraffic"})) {
            command.verb = "expect mode";
            command.args = {arg(2)};
        } else if (w0 == "expect" && w1 == "menu") {
            command.verb = "expect menu";
            std::string rest = RestAfterWords(line, 2);
            ok = rest.empty() || ParseQuotedList(rest, &command.args);
            if (!ok) fail("expect menu takes a list \"A\",\"B\",...");
        } else if (w0 == "expect" && OneOf(w1, {"text", "message"}) && t.size() == 3 && t[2].quoted) {
            command.verb = "expect " + w1;
            command.args = {arg(2)};
        } else if (w0 == "expect" && w1 == "file" && t.size() == 3) {
            command.verb = "expect file";
            command.args = {arg(2)};
        } else if (w0 == "expect" && w1 == "no" && word(2) == "file" && t.size() == 4) {
            command.verb = "expect no file";
            command.args = {arg(3)};
        } else if (w0 == "dump" && t.size() == 2) {
            command.verb = "dump";
            command.args = {arg(1)};
        } else if (OneOf(w0, {"click", "press", "release"}) && w1 == "window" && t.size() == 3 &&
                   IsNumber(arg(2), false)) {
            command.verb = w0 + " window";
            command.args = {arg(2)};
        } else if (w0 == "slider" && t.size() == 2 && IsNumber(arg(1), false)) {
            command.verb = "slider";
            command.args = {arg(1)};
        } else if (w0 == "move" && w1 == "window" && t.size() == 4 && IsNumber(arg(2), false) &&
                   IsNumber(arg(3), false)) {
            command.verb = "move window";
            command.args = {arg(2), arg(3)};
        } else if (w0 == "fidelity" && t.size() == 2 && OneOf(arg(1), {"record", "play", "report"})) {
            command.verb = "fidelity";
            command.args = {arg(1)};
        } else if (w0 == "snapshot" && t.size() == 2 && !t[1].quoted) {
            command.verb = "snapshot";
            command.args = {arg(1)};
        } else if (w0 == "memory" && t.size() == 1) {
            command.verb = "memory";
        } else if (w0 == "say" && t.size() == 2 && t[1].quoted) {
            command.verb = "say";
            command.args = {arg(1)};
        } else {
            ok = false;
            fail(t.empty() ? "empty" : "unknown or malformed command");
        }
        if (ok) commands->push_back(command);
    }
    return errors->empty();
}
