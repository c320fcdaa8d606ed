// The private-profile (ini) functions on real files of the virtual drive, with the
// Windows semantics programs rely on: section and key names case-insensitive and
// trimmed, values trimmed (and unquoted when quoted at both ends), the default for what
// is absent, results truncated to the buffer, and writes that change one line in place
// and keep every other line. A file name without a folder lies in C:\Windows, as in
// Windows; a relative one resolves against the virtual current directory. Written
// files get CRLF line ends.
#include <cstdio>
#include <cstring>
#include <string>
#include <strings.h>
#include <vector>

#include "platform/win32.h"
#include "vsim/sim/simhost.h"
#include "vsim/win32/hostfiles.h"
#include "vsim/win32/window.h"

namespace {

struct IniLine {
    enum Kind { Other, Section, Key } kind = Other;
    std::string text;   // the line as it stands in the file, without its line end
    std::string name;   // section or key name, trimmed
    std::string value;  // key value, trimmed and unquoted
};

std::string Trim(const std::string& s) {
    size_t begin = s.find_first_not_of(" \t");
    if (begin == std::string::npos) return "";
    return s.substr(begin, s.find_last_not_of(" \t") - begin + 1);
}

bool SameName(const std::string& a, const char* b) {
    return strcasecmp(a.c_str(), Trim(b).c_str()) == 0;
}

IniLine ParseLine(const std::string& text) {
    IniLine line;
    line.text = text;
    std::string trimmed = Trim(text);
    if (!trimmed.empty() && trimmed[0] == '[') {
        size_t close = trimmed.find(']');
        line.kind = IniLine::Section;
        line.name = Trim(trimmed.substr(1, close == std::string::npos ? std::string::npos : close - 1));
    } else if (!trimmed.empty() && trimmed[0] != ';' && trimmed.find('=') != std::string::npos) {
        size_t equals = trimmed.find('=');
        line.kind = IniLine::Key;
        line.name = Trim(trimmed.substr(0, equals));
        line.value = Trim(trimmed.substr(equals + 1));
        if (line.value.size() >= 2 && (line.value[0] == '"' || line.value[0] == '\'') &&
            line.value.back() == line.value[0])
            line.value = line.value.substr(1, line.value.size() - 2);
    }
    return line;
}

std::string IniRealPath(LPCSTR fileName) {
    std::string name = fileName;
    std::string windowsPath = name.find_first_of("\\/") == std::string::npos ? "C:\\Windows\\" + name
                                                                             : vsim::win32::FullWindowsPath(name);
    return vsim::MapPath(windowsPath);
}

// A missing file reads as an empty one.
std::vector<IniLine> ReadIni(const std::string& realPath) {
    std::vector<IniLine> lines;
    FILE* f = fopen(realPath.c_str(), "rb");
    if (f == nullptr) return lines;
    std::string content;
    char buffer[4096];
    size_t count;
    while ((count = fread(buffer, 1, sizeof buffer, f)) > 0) content.append(buffer, count);
    fclose(f);
    size_t at = 0;
    while (at < content.size()) {
        size_t end = content.find('\n', at);
        if (end == std::string::npos) end = content.size();
        std::string text = content.substr(at, end - at);
        if (!text.empty() && text.back() == '\r') text.pop_back();
        lines.push_back(ParseLine(text));
        at = end + 1;
    }
    return lines;
}

bool WriteIni(const std::string& realPath, const std::vector<IniLine>& lines) {
    FILE* f = fopen(realPath.c_str(), "wb");
    if (f == nullptr) return false;
    bool ok = true;
    for (const IniLine& line : lines) {
        ok = ok && fwrite(line.text.data(), 1, line.text.size(), f) == line.text.size();
        ok = ok && fwrite("\r\n", 1, 2, f) == 2;
    }
    ok = (fclose(f) == 0) && ok;
    return ok;
}

// Index of the first section of that name, or -1.
int FindSection(const std::vector<IniLine>& lines, const char* section) {
    for (size_t i = 0; i < lines.size(); ++i)
        if (lines[i].kind == IniLine::Section && SameName(lines[i].name, section)) return (int)i;
    return -1;
}

// One past the last line of the section starting at index start.
size_t SectionEnd(const std::vector<IniLine>& lines, size_t start) {
    size_t end = start + 1;
    while (end < lines.size() && lines[end].kind != IniLine::Section) ++end;
    return end;
}

int FindKey(const std::vector<IniLine>& lines, int section, const char* key) {
    if (section < 0) return -1;
    size_t end = SectionEnd(lines, (size_t)section);
    for (size_t i = (size_t)section + 1; i < end; ++i)
        if (lines[i].kind == IniLine::Key && SameName(lines[i].name, key)) return (int)i;
    return -1;
}

// A list of names, each ended by a zero, the list by another zero. A list that does not
// fit is cut, ends with two zeros, and the result is size - 2, as in Windows.
DWORD CopyList(const std::vector<std::string>& names, char* out, DWORD size) {
    std::string list;
    for (const std::string& name : names) list += name + '\0';
    if (list.size() + 1 <= size) {
        memcpy(out, list.data(), list.size());
        out[list.size()] = '\0';
        if (list.empty() && size > 1) out[1] = '\0';
        return (DWORD)list.size();
    }
    if (size < 2) {
        out[0] = '\0';
        return 0;
    }
    memcpy(out, list.data(), size - 2);
    out[size - 2] = out[size - 1] = '\0';
    return size - 2;
}

}  // namespace

DWORD WINAPI GetPrivateProfileStringA(LPCSTR section, LPCSTR key, LPCSTR defaultText, LPSTR out, DWORD size,
                                      LPCSTR fileName) {
    if (out == nullptr || size == 0 || fileName == nullptr) return 0;
    std::vector<IniLine> lines = ReadIni(IniRealPath(fileName));
    if (section == nullptr) {
        std::vector<std::string> names;
        for (const IniLine& line : lines)
            if (line.kind == IniLine::Section) names.push_back(line.name);
        return CopyList(names, out, size);
    }
    int at = FindSection(lines, section);
    if (key == nullptr) {
        std::vector<std::string> names;
        if (at >= 0) {
            size_t end = SectionEnd(lines, (size_t)at);
            for (size_t i = (size_t)at + 1; i < end; ++i)
                if (lines[i].kind == IniLine::Key) names.push_back(lines[i].name);
        }
        return CopyList(names, out, size);
    }
    int line = FindKey(lines, at, key);
    std::string value;
    if (line >= 0) {
        value = lines[(size_t)line].value;
    } else if (defaultText != nullptr) {
        // Windows drops the trailing blanks of the default.
        value = defaultText;
        while (!value.empty() && value.back() == ' ') value.pop_back();
    }
    return (DWORD)vsim::win32::CopyText(value, out, size);
}

BOOL WINAPI WritePrivateProfileStringA(LPCSTR section, LPCSTR key, LPCSTR text, LPCSTR fileName) {
    if (section == nullptr || fileName == nullptr) return FALSE;
    std::string realPath = IniRealPath(fileName);
    std::vector<IniLine> lines = ReadIni(realPath);
    int at = FindSection(lines, section);
    if (key == nullptr) {
        // Deletes the whole section.
        if (at >= 0) lines.erase(lines.begin() + at, lines.begin() + (long)SectionEnd(lines, (size_t)at));
        return WriteIni(realPath, lines) ? TRUE : FALSE;
    }
    int line = FindKey(lines, at, key);
    if (text == nullptr) {
        // Deletes the key.
        if (line >= 0) lines.erase(lines.begin() + line);
        return WriteIni(realPath, lines) ? TRUE : FALSE;
    }
    if (line >= 0) {
        IniLine& existing = lines[(size_t)line];
        existing = ParseLine(existing.name + "=" + text);
    } else if (at >= 0) {
        // After the section's last key, before any blank lines that close it.
        size_t insert = (size_t)at + 1;
        size_t end = SectionEnd(lines, (size_t)at);
        for (size_t i = (size_t)at + 1; i < end; ++i)
            if (lines[i].kind == IniLine::Key) insert = i + 1;
        lines.insert(lines.begin() + (long)insert, ParseLine(Trim(key) + "=" + text));
    } else {
        lines.push_back(ParseLine("[" + Trim(section) + "]"));
        lines.push_back(ParseLine(Trim(key) + "=" + text));
    }
    return WriteIni(realPath, lines) ? TRUE : FALSE;
}
