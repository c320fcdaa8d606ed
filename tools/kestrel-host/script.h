// The kestrel-host script language: one command per line, '#' starts a comment.
// A script is parsed whole before anything runs, so a typo on line 40 stops the run
// before line 1 has changed anything.
#pragma once

#include <string>
#include <vector>

struct ScriptCommand {
    int line = 0;
    std::string text;               // the line as written (for messages)
    std::string verb;               // "host version", "frames", "on message", ...
    std::vector<std::string> args;  // arguments, quotes removed
};

struct KeyStroke {
    int vk = 0;
    bool shift = false;
    bool ctrl = false;
    bool alt = false;
};

// Parses a script; on any error fills errors (one "line N: ..." each) and returns false.
bool ParseScript(const std::string& text, std::vector<ScriptCommand>* commands, std::vector<std::string>* errors);
// "Esc", "Shift+Esc", "Ctrl+End", "Left", "Num+", "F5", "A" ...; false for an unknown key.
bool ParseKeyStroke(const std::string& text, KeyStroke* key);
// The help text listing every command.
const char* ScriptHelp();
