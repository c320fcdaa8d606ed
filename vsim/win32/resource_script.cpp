// Parser of the resource script subset: the preprocessor lines (#include, #define,
// #undef, #if/#ifdef/#ifndef/#elif/#else/#endif, #pragma), DIALOGEX and DIALOG resources
// with their controls, ICON resources, and anything else skipped as a whole resource.
// Style expressions are names of platform/win32.h joined by "|", with "NOT" to remove a
// style from the statement's defaults; ids are numbers or #defined names.
#include "vsim/win32/resource_script.h"

#include <cctype>
#include <cstdlib>
#include <map>
#include <set>
#include <strings.h>

namespace vsim::win32 {

namespace {

struct NamedValue {
    const char* name;
    long value;
};

#define NAMED(n) {#n, (long)(DWORD)(n)}
const NamedValue BuiltInNames[] = {
    NAMED(WS_OVERLAPPED), NAMED(WS_POPUP), NAMED(WS_CHILD), NAMED(WS_VISIBLE), NAMED(WS_DISABLED),
    NAMED(WS_CAPTION), NAMED(WS_BORDER), NAMED(WS_DLGFRAME), NAMED(WS_CLIPSIBLINGS), NAMED(WS_CLIPCHILDREN),
    NAMED(WS_VSCROLL), NAMED(WS_HSCROLL), NAMED(WS_SYSMENU), NAMED(WS_THICKFRAME), NAMED(WS_MINIMIZEBOX),
    NAMED(WS_MAXIMIZEBOX), NAMED(WS_GROUP), NAMED(WS_TABSTOP),
    NAMED(WS_EX_TOOLWINDOW), NAMED(WS_EX_CLIENTEDGE), NAMED(WS_EX_DLGMODALFRAME), NAMED(WS_EX_NOPARENTNOTIFY),
    NAMED(WS_EX_TOPMOST), NAMED(WS_EX_STATICEDGE),
    NAMED(DS_SETFONT), NAMED(DS_MODALFRAME), NAMED(DS_3DLOOK), NAMED(DS_FIXEDSYS), NAMED(DS_CENTER),
    NAMED(DS_SHELLFONT),
    NAMED(BS_PUSHBUTTON), NAMED(BS_DEFPUSHBUTTON), NAMED(BS_CHECKBOX), NAMED(BS_AUTOCHECKBOX),
    NAMED(BS_RADIOBUTTON), NAMED(BS_3STATE), NAMED(BS_AUTO3STATE), NAMED(BS_GROUPBOX), NAMED(BS_AUTORADIOBUTTON),
    NAMED(BS_OWNERDRAW), NAMED(BS_LEFTTEXT), NAMED(BS_ICON), NAMED(BS_CENTER), NAMED(BS_PUSHLIKE), NAMED(BS_NOTIFY),
    NAMED(BS_FLAT),
    NAMED(SS_LEFT), NAMED(SS_CENTER), NAMED(SS_RIGHT), NAMED(SS_ICON), NAMED(SS_NOTIFY), NAMED(SS_CENTERIMAGE),
    NAMED(SS_SUNKEN),
    NAMED(ES_LEFT), NAMED(ES_CENTER), NAMED(ES_RIGHT), NAMED(ES_MULTILINE), NAMED(ES_AUTOHSCROLL),
    NAMED(ES_READONLY), NAMED(ES_NUMBER),
    NAMED(CBS_SIMPLE), NAMED(CBS_DROPDOWN), NAMED(CBS_DROPDOWNLIST), NAMED(CBS_SORT), NAMED(CBS_HASSTRINGS),
    NAMED(LBS_NOTIFY), NAMED(LBS_SORT), NAMED(LBS_HASSTRINGS), NAMED(LBS_NOINTEGRALHEIGHT),
    NAMED(TBS_AUTOTICKS), NAMED(TBS_BOTH), NAMED(TBS_NOTICKS), NAMED(TBS_HORZ), NAMED(TBS_VERT), NAMED(TBS_TOP),
    NAMED(TBS_BOTTOM), NAMED(TBS_LEFT), NAMED(TBS_RIGHT),
    NAMED(UDS_WRAP), NAMED(UDS_SETBUDDYINT), NAMED(UDS_ALIGNRIGHT), NAMED(UDS_ALIGNLEFT), NAMED(UDS_AUTOBUDDY),
    NAMED(UDS_ARROWKEYS), NAMED(UDS_HORZ), NAMED(UDS_NOTHOUSANDS), NAMED(UDS_HOTTRACK),
    NAMED(IDOK), NAMED(IDCANCEL), NAMED(IDYES), NAMED(IDNO),
    {"IDC_STATIC", -1},
};
#undef NAMED

// Class names a CONTROL statement may give without quotes.
const std::map<std::string, std::string> ClassNames = {
    {"BUTTON", "BUTTON"}, {"EDIT", "EDIT"}, {"STATIC", "STATIC"}, {"LISTBOX", "LISTBOX"},
    {"COMBOBOX", "COMBOBOX"}, {"SCROLLBAR", "SCROLLBAR"},
    {"TRACKBAR_CLASS", TRACKBAR_CLASSA}, {"TRACKBAR_CLASSA", TRACKBAR_CLASSA},
    {"HOTKEY_CLASS", HOTKEY_CLASSA}, {"HOTKEY_CLASSA", HOTKEY_CLASSA},
    {"UPDOWN_CLASS", UPDOWN_CLASSA}, {"UPDOWN_CLASSA", UPDOWN_CLASSA},
};

// The control statements: class, default style (besides WS_CHILD | WS_VISIBLE), and
// whether the statement starts with a text.
struct StatementKind {
    const char* keyword;
    const char* className;
    DWORD defaultStyle;
    bool hasText;
};
const StatementKind Statements[] = {
    {"LTEXT", "STATIC", SS_LEFT | WS_GROUP, true},
    {"CTEXT", "STATIC", SS_CENTER | WS_GROUP, true},
    {"RTEXT", "STATIC", SS_RIGHT | WS_GROUP, true},
    {"PUSHBUTTON", "BUTTON", BS_PUSHBUTTON | WS_TABSTOP, true},
    {"DEFPUSHBUTTON", "BUTTON", BS_DEFPUSHBUTTON | WS_TABSTOP, true},
    {"GROUPBOX", "BUTTON", BS_GROUPBOX, true},
    {"AUTOCHECKBOX", "BUTTON", BS_AUTOCHECKBOX | WS_TABSTOP, true},
    {"CHECKBOX", "BUTTON", BS_CHECKBOX | WS_TABSTOP, true},
    {"AUTORADIOBUTTON", "BUTTON", BS_AUTORADIOBUTTON | WS_TABSTOP, true},
    {"RADIOBUTTON", "BUTTON", BS_RADIOBUTTON | WS_TABSTOP, true},
    {"EDITTEXT", "EDIT", ES_LEFT | WS_BORDER | WS_TABSTOP, false},
    {"COMBOBOX", "COMBOBOX", CBS_SIMPLE | WS_TABSTOP, false},
    {"LISTBOX", "LISTBOX", LBS_NOTIFY | WS_BORDER, false},
};

enum TokenKind { TokName, TokNumber, TokString, TokPunct };

struct Token {
    TokenKind kind;
    std::string text;
    int line;
};

struct ParseError {
    int line;
    std::string message;
};

// An argument of a statement: a string or the tokens of an expression.
struct Arg {
    bool isString = false;
    std::string text;
    std::vector<Token> tokens;
    int line = 0;
};

struct Script {
    std::map<std::string, std::string> defines;
    std::map<int, DialogTemplate> dialogs;
    std::set<int> icons;
};

std::string HeaderText;
std::string ScriptText;
bool ScriptLoaded = false;
std::string LastError;
Script Current;

bool SameWord(const std::string& a, const char* b) {
    return strcasecmp(a.c_str(), b) == 0;
}

std::string Trim(const std::string& s) {
    size_t begin = s.find_first_not_of(" \t\r\n");
    if (begin == std::string::npos) return "";
    size_t end = s.find_last_not_of(" \t\r\n");
    return s.substr(begin, end - begin + 1);
}

// Replaces comments by blanks (keeping the line breaks) outside string literals.
std::string StripComments(const std::string& text) {
    std::string out = text;
    bool inString = false;
    for (size_t i = 0; i < out.size(); ++i) {
        char c = out[i];
        if (inString) {
            if (c == '\\' && i + 1 < out.size() && out[i + 1] != '\n')
                ++i;
            else if (c == '"')
                inString = false;
            else if (c == '\n')
                inString = false;  // an unterminated string ends with its line
        } else if (c == '"') {
            inString = true;
        } else if (c == '/' && i + 1 < out.size() && out[i + 1] == '/') {
            while (i < out.size() && out[i] != '\n') out[i++] = ' ';
            --i;
        } else if (c == '/' && i + 1 < out.size() && out[i + 1] == '*') {
            out[i] = out[i + 1] = ' ';
            i += 2;
            while (i < out.size() && !(out[i] == '*' && i + 1 < out.size() && out[i + 1] == '/')) {
                if (out[i] != '\n') out[i] = ' ';
                ++i;
            }
            if (i < out.size()) {  // at the closing "*/"
                out[i] = out[i + 1] = ' ';
                ++i;
            }
        }
    }
    return out;
}

bool IsPunct(char c) {
    return c == ',' || c == '|' || c == '(' || c == ')' || c == '+' || c == '-' || c == '{' || c == '}' ||
           c == '!' || c == '&' || c == '~' || c == '=' || c == '<' || c == '>' || c == '*' || c == '/';
}

bool Tokenize(const std::string& line, int lineNumber, std::vector<Token>* tokens, ParseError* error) {
    size_t i = 0;
    while (i < line.size()) {
        char c = line[i];
        if (isspace((unsigned char)c)) {
            ++i;
        } else if (c == '"' || (c == 'L' && i + 1 < line.size() && line[i + 1] == '"')) {
            if (c == 'L') ++i;
            std::string text;
            ++i;
            bool closed = false;
            while (i < line.size()) {
                char d = line[i++];
                if (d == '"') {
                    if (i < line.size() && line[i] == '"') {  // "" is a quote inside the string
                        text += '"';
                        ++i;
                        continue;
                    }
                    closed = true;
                    break;
                }
                if (d == '\\' && i < line.size()) {
                    char e = line[i++];
                    switch (e) {
                    case 'n': text += '\n'; break;
                    case 't': text += '\t'; break;
                    case 'r': text += '\r'; break;
                    case 'a': text += '\a'; break;
                    case '\\': text += '\\'; break;
                    case '"': text += '"'; break;
                    default: text += '\\', text += e; break;
                    }
                    continue;
                }
                text += d;
            }
            if (!closed) {
                *error = {lineNumber, "unterminated string"};
                return false;
            }
            tokens->push_back({TokString, text, lineNumber});
        } else if (IsPunct(c)) {
            std::string op(1, c);
            if ((c == '|' || c == '&') && i + 1 < line.size() && line[i + 1] == c) op += c;  // || and &&
            tokens->push_back({TokPunct, op, lineNumber});
            i += op.size();
        } else {
            size_t start = i;
            while (i < line.size() && !isspace((unsigned char)line[i]) && !IsPunct(line[i]) && line[i] != '"') ++i;
            std::string word = line.substr(start, i - start);
            tokens->push_back({isdigit((unsigned char)word[0]) ? TokNumber : TokName, word, lineNumber});
        }
    }
    return true;
}

bool ParseNumberLiteral(const std::string& text, long* value) {
    std::string digits = text;
    while (!digits.empty() && (digits.back() == 'L' || digits.back() == 'l' || digits.back() == 'U' ||
                               digits.back() == 'u'))
        digits.pop_back();
    if (digits.empty()) return false;
    char* end = nullptr;
    bool hex = digits.size() > 2 && digits[0] == '0' && (digits[1] == 'x' || digits[1] == 'X');
    unsigned long v = strtoul(digits.c_str(), &end, hex ? 16 : 10);
    if (*end != '\0') return false;
    *value = (long)v;
    return true;
}

// ---- Expressions ----

class Evaluator {
public:
    Evaluator(const Script& script, const std::vector<Token>& tokens, int depth)
        : script_(script), tokens_(tokens), depth_(depth) {}

    bool Evaluate(long* value, ParseError* error) {
        if (tokens_.empty()) return Fail(error, 0, "missing value");
        if (!Or(value, error)) return false;
        if (pos_ != tokens_.size()) return Fail(error, tokens_[pos_].line, "unexpected '" + tokens_[pos_].text + "'");
        return true;
    }

private:
    bool Fail(ParseError* error, int line, const std::string& message) {
        *error = {line, message};
        return false;
    }
    bool Peek(const char* punct) const {
        return pos_ < tokens_.size() && tokens_[pos_].kind == TokPunct && tokens_[pos_].text == punct;
    }
    bool Or(long* value, ParseError* error) {
        if (!And(value, error)) return false;
        while (Peek("|")) {
            ++pos_;
            long rhs;
            if (!And(&rhs, error)) return false;
            *value |= rhs;
        }
        return true;
    }
    bool And(long* value, ParseError* error) {
        if (!Sum(value, error)) return false;
        while (Peek("&")) {
            ++pos_;
            long rhs;
            if (!Sum(&rhs, error)) return false;
            *value &= rhs;
        }
        return true;
    }
    bool Sum(long* value, ParseError* error) {
        if (!Unary(value, error)) return false;
        while (Peek("+") || Peek("-")) {
            bool plus = tokens_[pos_++].text == "+";
            long rhs;
            if (!Unary(&rhs, error)) return false;
            *value = plus ? *value + rhs : *value - rhs;
        }
        return true;
    }
    bool Unary(long* value, ParseError* error) {
        if (pos_ >= tokens_.size()) return Fail(error, tokens_.back().line, "missing value");
        const Token& t = tokens_[pos_];
        if (t.kind == TokPunct && (t.text == "-" || t.text == "~" || t.text == "!")) {
            ++pos_;
            if (!Unary(value, error)) return false;
            *value = t.text == "-" ? -*value : (t.text == "~" ? ~*value : !*value);
            return true;
        }
        if (t.kind == TokName && SameWord(t.text, "NOT")) {
            ++pos_;
            if (!Unary(value, error)) return false;
            *value = ~*value;
            return true;
        }
        if (t.kind == TokPunct && t.text == "(") {
            ++pos_;
            if (!Or(value, error)) return false;
            if (!Peek(")")) return Fail(error, t.line, "missing ')'");
            ++pos_;
            return true;
        }
        ++pos_;
        if (t.kind == TokNumber) {
            if (!ParseNumberLiteral(t.text, value)) return Fail(error, t.line, "bad number '" + t.text + "'");
            return true;
        }
        if (t.kind == TokName) return Name(t, value, error);
        return Fail(error, t.line, "unexpected '" + t.text + "'");
    }
    bool Name(const Token& t, long* value, ParseError* error) {
        auto define = script_.defines.find(t.text);
        if (define != script_.defines.end()) {
            if (depth_ > 16) return Fail(error, t.line, "#define of '" + t.text + "' refers to itself");
            std::vector<Token> tokens;
            if (!Tokenize(define->second, t.line, &tokens, error)) return false;
            Evaluator inner(script_, tokens, depth_ + 1);
            if (!inner.Evaluate(value, error)) {
                error->line = t.line;
                error->message = "'" + t.text + "': " + error->message;
                return false;
            }
            return true;
        }
        for (const NamedValue& named : BuiltInNames) {
            if (t.text == named.name) {
                *value = named.value;
                return true;
            }
        }
        return Fail(error, t.line, "unknown name '" + t.text + "'");
    }

    const Script& script_;
    const std::vector<Token>& tokens_;
    int depth_;
    size_t pos_ = 0;
};

bool EvaluateTokens(const Script& script, const std::vector<Token>& tokens, long* value, ParseError* error) {
    Evaluator evaluator(script, tokens, 0);
    return evaluator.Evaluate(value, error);
}

// A style: the defaults, each "|"-joined term added, each "NOT" term removed.
bool EvaluateStyle(const Script& script, const Arg& arg, DWORD defaults, DWORD* style, ParseError* error) {
    if (arg.isString) {
        *error = {arg.line, "a style cannot be a string"};
        return false;
    }
    DWORD result = defaults;
    size_t i = 0;
    while (i < arg.tokens.size()) {
        size_t end = i;
        int nesting = 0;
        while (end < arg.tokens.size()) {
            const Token& t = arg.tokens[end];
            if (t.kind == TokPunct && t.text == "(") ++nesting;
            if (t.kind == TokPunct && t.text == ")") --nesting;
            if (nesting == 0 && t.kind == TokPunct && t.text == "|") break;
            ++end;
        }
        bool remove = arg.tokens[i].kind == TokName && SameWord(arg.tokens[i].text, "NOT");
        std::vector<Token> term(arg.tokens.begin() + (long)i + (remove ? 1 : 0), arg.tokens.begin() + (long)end);
        long value;
        if (term.empty()) {
            *error = {arg.tokens[i].line, "empty style term"};
            return false;
        }
        if (!EvaluateTokens(script, term, &value, error)) return false;
        result = remove ? result & ~(DWORD)value : result | (DWORD)value;
        i = end + 1;
    }
    *style = result;
    return true;
}

// ---- Preprocessor ----

struct Line {
    int number;
    std::string text;
};

bool EvaluateCondition(const Script& script, const std::string& expr, int line, bool* result, ParseError* error) {
    std::vector<Token> tokens;
    if (!Tokenize(expr, line, &tokens, error)) return false;
    // defined(NAME) and defined NAME become 1 or 0 before the arithmetic.
    std::vector<Token> resolved;
    for (size_t i = 0; i < tokens.size(); ++i) {
        if (tokens[i].kind == TokName && tokens[i].text == "defined") {
            size_t j = i + 1;
            bool paren = j < tokens.size() && tokens[j].text == "(";
            if (paren) ++j;
            if (j >= tokens.size() || tokens[j].kind != TokName) {
                *error = {line, "bad defined()"};
                return false;
            }
            bool known = script.defines.count(tokens[j].text) != 0;
            if (paren && (j + 1 >= tokens.size() || tokens[j + 1].text != ")")) {
                *error = {line, "bad defined()"};
                return false;
            }
            resolved.push_back({TokNumber, known ? "1" : "0", line});
            i = paren ? j + 1 : j;
        } else if (tokens[i].kind == TokPunct && (tokens[i].text == "&&" || tokens[i].text == "||")) {
            // Logical operators on 0/1 values behave as the bitwise ones.
            resolved.push_back({TokPunct, tokens[i].text.substr(0, 1), line});
        } else if (tokens[i].kind == TokName && script.defines.count(tokens[i].text) == 0) {
            resolved.push_back({TokNumber, "0", line});  // an undefined name counts as 0
        } else {
            resolved.push_back(tokens[i]);
        }
    }
    long value;
    if (!EvaluateTokens(script, resolved, &value, error)) return false;
    *result = value != 0;
    return true;
}

// Runs the preprocessor lines, collecting #defines; returns the lines that remain active.
bool Preprocess(const std::string& text, Script* script, std::vector<Line>* active, ParseError* error) {
    struct Conditional {
        bool parentActive, active, taken;
    };
    std::vector<Conditional> stack;
    std::string stripped = StripComments(text);
    int number = 0;
    size_t at = 0;
    while (at < stripped.size()) {
        size_t end = stripped.find('\n', at);
        if (end == std::string::npos) end = stripped.size();
        std::string line = stripped.substr(at, end - at);
        int lineNumber = ++number;
        at = end + 1;
        // Lines ending in a backslash continue on the next one.
        while (!line.empty() && line.back() == '\\' && at < stripped.size()) {
            end = stripped.find('\n', at);
            if (end == std::string::npos) end = stripped.size();
            line.pop_back();
            line += stripped.substr(at, end - at);
            ++number;
            at = end + 1;
        }
        bool enabled = stack.empty() || stack.back().active;
        std::string trimmed = Trim(line);
        if (trimmed.empty() || trimmed[0] != '#') {
            if (enabled) active->push_back({lineNumber, line});
            continue;
        }
        std::string directive = Trim(trimmed.substr(1));
        size_t nameEnd = 0;
        while (nameEnd < directive.size() && isalpha((unsigned char)directive[nameEnd])) ++nameEnd;
        std::string name = directive.substr(0, nameEnd);
        std::string rest = Trim(directive.substr(nameEnd));
        if (name == "ifdef" || name == "ifndef" || name == "if") {
            bool condition = false;
            if (enabled) {
                if (name == "if") {
                    if (!EvaluateCondition(*script, rest, lineNumber, &condition, error)) return false;
                } else {
                    condition = script->defines.count(rest) != 0;
                    if (name == "ifndef") condition = !condition;
                }
            }
            stack.push_back({enabled, enabled && condition, enabled && condition});
        } else if (name == "elif") {
            if (stack.empty()) return *error = {lineNumber, "#elif without #if"}, false;
            Conditional& c = stack.back();
            bool condition = false;
            if (c.parentActive && !c.taken && !EvaluateCondition(*script, rest, lineNumber, &condition, error))
                return false;
            c.active = c.parentActive && !c.taken && condition;
            c.taken = c.taken || c.active;
        } else if (name == "else") {
            if (stack.empty()) return *error = {lineNumber, "#else without #if"}, false;
            Conditional& c = stack.back();
            c.active = c.parentActive && !c.taken;
            c.taken = true;
        } else if (name == "endif") {
            if (stack.empty()) return *error = {lineNumber, "#endif without #if"}, false;
            stack.pop_back();
        } else if (!enabled) {
            continue;
        } else if (name == "define") {
            size_t nameLength = 0;
            while (nameLength < rest.size() && (isalnum((unsigned char)rest[nameLength]) || rest[nameLength] == '_'))
                ++nameLength;
            if (nameLength == 0) return *error = {lineNumber, "#define without a name"}, false;
            if (nameLength < rest.size() && rest[nameLength] == '(') continue;  // function-like macros are not used
            script->defines[rest.substr(0, nameLength)] = Trim(rest.substr(nameLength));
        } else if (name == "undef") {
            script->defines.erase(rest);
        } else if (name == "include" || name == "pragma") {
            // The resource header's names come from SetResourceHeader; system headers
            // are the names of win32.h, which the parser knows.
        } else if (name == "error") {
            return *error = {lineNumber, "#error " + rest}, false;
        } else {
            return *error = {lineNumber, "unknown directive #" + name}, false;
        }
    }
    if (!stack.empty()) return *error = {number, "missing #endif"}, false;
    return true;
}

// ---- Resources ----

class Parser {
public:
    Parser(Script* script, std::vector<Token> tokens) : script_(*script), tokens_(std::move(tokens)) {}

    bool Parse(ParseError* error) {
        while (pos_ < tokens_.size()) {
            if (!Resource(error)) return false;
        }
        return true;
    }

private:
    bool Fail(ParseError* error, const std::string& message) {
        int line = pos_ < tokens_.size() ? tokens_[pos_].line : (tokens_.empty() ? 0 : tokens_.back().line);
        *error = {line, message};
        return false;
    }
    bool AtEnd() const { return pos_ >= tokens_.size(); }
    const Token& Current() const { return tokens_[pos_]; }
    bool IsWord(const char* word) const { return !AtEnd() && Current().kind == TokName && SameWord(Current().text, word); }
    bool IsPunct(const char* punct) const {
        return !AtEnd() && Current().kind == TokPunct && Current().text == punct;
    }
    bool IsBegin() const { return IsWord("BEGIN") || IsPunct("{"); }
    bool IsEnd() const { return IsWord("END") || IsPunct("}"); }

    // Skips a BEGIN ... END block with everything nested in it.
    bool SkipBlock(ParseError* error) {
        int depth = 0;
        do {
            if (AtEnd()) return Fail(error, "missing END");
            if (IsBegin()) ++depth;
            if (IsEnd()) --depth;
            ++pos_;
        } while (depth > 0);
        return true;
    }

    bool Resource(ParseError* error) {
        if (IsWord("LANGUAGE")) {
            ++pos_;
            std::vector<Arg> args;
            return Args(&args, error);
        }
        if (IsWord("STRINGTABLE")) {
            while (!AtEnd() && !IsBegin()) ++pos_;
            return SkipBlock(error);
        }
        const Token name = Current();
        ++pos_;
        if (AtEnd()) return Fail(error, "resource '" + name.text + "' without a type");
        const Token type = Current();
        ++pos_;
        if (SameWord(type.text, "DIALOGEX") || SameWord(type.text, "DIALOG")) return Dialog(name, error);
        if (SameWord(type.text, "ICON")) {
            long id;
            if (ResourceId(name, &id)) script_.icons.insert((int)id);
            if (AtEnd() || (Current().kind != TokString && Current().kind != TokName))
                return Fail(error, "ICON without a file");
            ++pos_;
            return true;
        }
        // Any other resource: a file name on the same line, or a block.
        while (!AtEnd()) {
            if (IsBegin()) return SkipBlock(error);
            bool fileName = Current().kind == TokString;
            int line = Current().line;
            ++pos_;
            if (fileName && (AtEnd() || Current().line != line)) return true;
        }
        return Fail(error, "resource '" + name.text + "' is incomplete");
    }

    bool ResourceId(const Token& name, long* id) {
        ParseError ignored;
        return EvaluateTokens(script_, {name}, id, &ignored);
    }

    // Reads comma-separated arguments; the statement ends where no comma follows.
    bool Args(std::vector<Arg>* args, ParseError* error) {
        while (true) {
            if (AtEnd()) return Fail(error, "statement is incomplete");
            Arg arg;
            arg.line = Current().line;
            if (Current().kind == TokString) {
                arg.isString = true;
                arg.text = Current().text;
                ++pos_;
            } else {
                bool operand = true;  // an operand is expected next
                while (!AtEnd()) {
                    const Token& t = Current();
                    if (operand) {
                        if (t.kind == TokName && SameWord(t.text, "NOT")) {
                            arg.tokens.push_back(t), ++pos_;
                            continue;
                        }
                        if (t.kind == TokPunct && (t.text == "-" || t.text == "~" || t.text == "!")) {
                            arg.tokens.push_back(t), ++pos_;
                            continue;
                        }
                        if (t.kind == TokPunct && t.text == "(") {
                            int depth = 0;
                            do {
                                if (AtEnd()) return Fail(error, "missing ')'");
                                if (IsPunct("(")) ++depth;
                                if (IsPunct(")")) --depth;
                                arg.tokens.push_back(Current()), ++pos_;
                            } while (depth > 0);
                        } else if (t.kind == TokName || t.kind == TokNumber) {
                            arg.tokens.push_back(t), ++pos_;
                        } else {
                            return Fail(error, "unexpected '" + t.text + "'");
                        }
                        operand = false;
                    } else if (t.kind == TokPunct && (t.text == "|" || t.text == "+" || t.text == "-" || t.text == "&")) {
                        arg.tokens.push_back(t), ++pos_;
                        operand = true;
                    } else {
                        break;
                    }
                }
                if (operand) return Fail(error, "missing value");
            }
            args->push_back(arg);
            if (!IsPunct(",")) return true;
            ++pos_;
        }
    }

    bool Number(const Arg& arg, long* value, ParseError* error) {
        if (arg.isString) return *error = {arg.line, "a number was expected, not \"" + arg.text + "\""}, false;
        return EvaluateTokens(script_, arg.tokens, value, error);
    }

    bool Dialog(const Token& name, ParseError* error) {
        DialogTemplate dialog;
        long id;
        ParseError nameError;
        if (!EvaluateTokens(script_, {name}, &id, &nameError)) return *error = nameError, false;
        dialog.id = (int)id;
        std::vector<Arg> args;
        if (!Args(&args, error)) return false;
        if (args.size() < 4 || args.size() > 5) return *error = {name.line, "dialog needs x, y, width, height"}, false;
        long rect[4];
        for (int i = 0; i < 4; ++i)
            if (!Number(args[(size_t)i], &rect[i], error)) return false;
        dialog.x = (int)rect[0], dialog.y = (int)rect[1], dialog.width = (int)rect[2], dialog.height = (int)rect[3];

        bool styleGiven = false, captionGiven = false, fontGiven = false;
        while (!IsBegin()) {
            if (AtEnd()) return Fail(error, "dialog without BEGIN");
            Token statement = Current();
            ++pos_;
            std::vector<Arg> values;
            if (!Args(&values, error)) return false;
            if (SameWord(statement.text, "STYLE") || SameWord(statement.text, "EXSTYLE")) {
                DWORD value;
                if (values.size() != 1) return *error = {statement.line, "bad " + statement.text}, false;
                if (!EvaluateStyle(script_, values[0], 0, &value, error)) return false;
                if (SameWord(statement.text, "STYLE"))
                    dialog.style = value, styleGiven = true;
                else
                    dialog.exStyle = value;
            } else if (SameWord(statement.text, "CAPTION")) {
                if (values.size() != 1 || !values[0].isString) return *error = {statement.line, "bad CAPTION"}, false;
                dialog.caption = values[0].text;
                captionGiven = true;
            } else if (SameWord(statement.text, "FONT")) {
                long size;
                if (values.size() < 2 || !values[1].isString) return *error = {statement.line, "bad FONT"}, false;
                if (!Number(values[0], &size, error)) return false;
                dialog.fontSize = (int)size;
                dialog.fontName = values[1].text;
                fontGiven = true;
            } else if (SameWord(statement.text, "CLASS")) {
                if (values.size() != 1 || !values[0].isString) return *error = {statement.line, "bad CLASS"}, false;
                dialog.className = values[0].text;
            } else if (!SameWord(statement.text, "MENU") && !SameWord(statement.text, "LANGUAGE") &&
                       !SameWord(statement.text, "CHARACTERISTICS") && !SameWord(statement.text, "VERSION")) {
                return *error = {statement.line, "unknown dialog statement '" + statement.text + "'"}, false;
            }
        }
        if (!styleGiven) dialog.style = WS_POPUP | WS_BORDER | WS_SYSMENU;
        if (captionGiven) dialog.style |= WS_CAPTION;
        if (fontGiven) dialog.style |= DS_SETFONT;
        ++pos_;  // BEGIN
        while (!IsEnd()) {
            if (AtEnd()) return Fail(error, "dialog without END");
            DialogControlTemplate control;
            if (!Control(&control, error)) return false;
            dialog.controls.push_back(control);
        }
        ++pos_;  // END
        if (script_.dialogs.count(dialog.id)) return *error = {name.line, "dialog " + name.text + " defined twice"}, false;
        script_.dialogs[dialog.id] = dialog;
        return true;
    }

    bool Control(DialogControlTemplate* control, ParseError* error) {
        Token keyword = Current();
        if (keyword.kind != TokName) return Fail(error, "unexpected '" + keyword.text + "'");
        ++pos_;
        std::vector<Arg> args;
        if (!Args(&args, error)) return false;
        control->statement = keyword.text;
        for (char& c : control->statement) c = (char)toupper((unsigned char)c);
        const DWORD always = WS_CHILD | WS_VISIBLE;
        long values[4];
        if (SameWord(keyword.text, "CONTROL")) {
            // CONTROL text, id, class, style, x, y, width, height [, exstyle [, help id]]
            if (args.size() < 8 || args.size() > 10) return *error = {keyword.line, "CONTROL needs 8 arguments"}, false;
            if (!Text(args[0], &control->text, error)) return false;
            long id;
            if (!Number(args[1], &id, error)) return false;
            control->id = (int)id;
            if (!ClassName(args[2], &control->className, error)) return false;
            if (!EvaluateStyle(script_, args[3], always, &control->style, error)) return false;
            for (int i = 0; i < 4; ++i)
                if (!Number(args[4 + (size_t)i], &values[i], error)) return false;
            if (args.size() > 8 && !EvaluateStyle(script_, args[8], 0, &control->exStyle, error)) return false;
        } else {
            const StatementKind* kind = nullptr;
            for (const StatementKind& k : Statements)
                if (SameWord(keyword.text, k.keyword)) kind = &k;
            if (kind == nullptr) return *error = {keyword.line, "unknown control statement '" + keyword.text + "'"}, false;
            size_t first = kind->hasText ? 1 : 0;
            if (args.size() < first + 5 || args.size() > first + 8)
                return *error = {keyword.line, keyword.text + " has a wrong number of arguments"}, false;
            if (kind->hasText && !Text(args[0], &control->text, error)) return false;
            long id;
            if (!Number(args[first], &id, error)) return false;
            control->id = (int)id;
            control->className = kind->className;
            for (int i = 0; i < 4; ++i)
                if (!Number(args[first + 1 + (size_t)i], &values[i], error)) return false;
            control->style = kind->defaultStyle | always;
            if (args.size() > first + 5 &&
                !EvaluateStyle(script_, args[first + 5], control->style, &control->style, error))
                return false;
            if (args.size() > first + 6 && !EvaluateStyle(script_, args[first + 6], 0, &control->exStyle, error))
                return false;
        }
        control->x = (int)values[0], control->y = (int)values[1];
        control->width = (int)values[2], control->height = (int)values[3];
        return true;
    }

    // A control's text: a string, or the id of an icon ("#118").
    bool Text(const Arg& arg, std::string* text, ParseError* error) {
        if (arg.isString) {
            *text = arg.text;
            return true;
        }
        long id;
        if (!Number(arg, &id, error)) return false;
        *text = "#" + std::to_string(id);
        return true;
    }

    bool ClassName(const Arg& arg, std::string* name, ParseError* error) {
        if (arg.isString) {
            *name = arg.text;
            return true;
        }
        if (arg.tokens.size() == 1 && arg.tokens[0].kind == TokName) {
            auto known = ClassNames.find(arg.tokens[0].text);
            if (known != ClassNames.end()) {
                *name = known->second;
                return true;
            }
            auto define = script_.defines.find(arg.tokens[0].text);
            if (define != script_.defines.end() && define->second.size() >= 2 && define->second.front() == '"' &&
                define->second.back() == '"') {
                *name = define->second.substr(1, define->second.size() - 2);
                return true;
            }
        }
        // The predefined classes by their atom numbers, as binary templates give them.
        static const char* const Atoms[] = {"BUTTON", "EDIT", "STATIC", "LISTBOX", "SCROLLBAR", "COMBOBOX"};
        long atom;
        ParseError ignored;
        if (EvaluateTokens(script_, arg.tokens, &atom, &ignored) && atom >= 0x80 && atom <= 0x85) {
            *name = Atoms[atom - 0x80];
            return true;
        }
        *error = {arg.line, "unknown control class"};
        return false;
    }

    Script& script_;
    std::vector<Token> tokens_;
    size_t pos_ = 0;
};

bool ParseAll(Script* script, ParseError* error) {
    std::vector<Line> headerLines, scriptLines;
    if (!HeaderText.empty() && !Preprocess(HeaderText, script, &headerLines, error)) {
        error->message = "resource header: " + error->message;
        return false;
    }
    if (!Preprocess(ScriptText, script, &scriptLines, error)) return false;
    std::vector<Token> tokens;
    for (const Line& line : scriptLines)
        if (!Tokenize(line.text, line.number, &tokens, error)) return false;
    Parser parser(script, std::move(tokens));
    return parser.Parse(error);
}

bool Reparse() {
    Script script;
    ParseError error = {0, ""};
    if (!ParseAll(&script, &error)) {
        LastError = "line " + std::to_string(error.line) + ": " + error.message;
        Current = Script();
        ScriptLoaded = false;
        return false;
    }
    LastError.clear();
    Current = std::move(script);
    ScriptLoaded = true;
    return true;
}

}  // namespace

bool SetResourceScript(const std::string& rcText) {
    ScriptText = rcText;
    return Reparse();
}

bool SetResourceHeader(const std::string& headerText) {
    HeaderText = headerText;
    if (ScriptText.empty() && !ScriptLoaded) {
        // Check the header alone so its errors show at once.
        Script script;
        std::vector<Line> lines;
        ParseError error = {0, ""};
        if (!Preprocess(HeaderText, &script, &lines, &error)) {
            LastError = "resource header: line " + std::to_string(error.line) + ": " + error.message;
            return false;
        }
        return true;
    }
    return Reparse();
}

const std::string& ResourceScriptError() {
    return LastError;
}

bool HasResourceScript() {
    return ScriptLoaded;
}

const DialogTemplate* FindDialogTemplate(int id) {
    auto it = Current.dialogs.find(id);
    return it != Current.dialogs.end() ? &it->second : nullptr;
}

bool IconDeclared(int id) {
    return Current.icons.count(id) != 0;
}

bool FindResourceSymbol(const std::string& name, long* value) {
    if (Current.defines.count(name) == 0) return false;
    ParseError error;
    return EvaluateTokens(Current, {Token{TokName, name, 0}}, value, &error);
}

// MulDiv rounding: to nearest, halves away from zero.
int DialogUnitsToPixelsX(int units) {
    long long scaled = (long long)units * 6;
    return (int)(scaled >= 0 ? (scaled + 2) / 4 : -((-scaled + 2) / 4));
}

int DialogUnitsToPixelsY(int units) {
    long long scaled = (long long)units * 13;
    return (int)(scaled >= 0 ? (scaled + 4) / 8 : -((-scaled + 4) / 8));
}

void ResetResourceScript() {
    HeaderText.clear();
    ScriptText.clear();
    ScriptLoaded = false;
    LastError.clear();
    Current = Script();
}

}  // namespace vsim::win32
