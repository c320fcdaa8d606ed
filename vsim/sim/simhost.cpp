// The simulated host's shared services: transcript, virtual clock, virtual drive with
// its current directory, failure injection and the host DLL list. Plain state, no
// threads, no wall clock; the only file-system access is the case-insensitive lookup
// that makes the virtual drive behave like a Windows volume.
#include "vsim/sim/simhost.h"

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <system_error>

namespace vsim {

namespace {

const char* const DefaultDriveRoot = "vsim-drive";
const char* const DefaultCurrentDirectory = "C:\\Sim";

std::vector<std::string> Transcript;
bool TranscriptEcho = false;
uint64_t Clock = 0;  // microseconds since the host started
std::string Root = DefaultDriveRoot;
std::string CurrentDirectory = DefaultCurrentDirectory;
unsigned PendingFailures[FailKindCount] = {};
std::vector<HostDll> Dlls;
bool DllsBuilt = false;

const char* const HostDllNames[] = {"sim1.dll", "fs-traffic.dll", "main.dll", "simscheduler.dll", "api.dll"};

char UpperAscii(char c) { return (c >= 'a' && c <= 'z') ? char(c - 'a' + 'A') : c; }

bool EqualNoCase(const std::string& a, const std::string& b) {
    if (a.size() != b.size()) return false;
    for (size_t i = 0; i < a.size(); ++i)
        if (UpperAscii(a[i]) != UpperAscii(b[i])) return false;
    return true;
}

bool IsSeparator(char c) { return c == '\\' || c == '/'; }

// A Windows path taken apart: its drive letter (upper case) and its components, with
// "." and ".." already applied. ".." at the root stays at the root, as on Windows.
struct WindowsPath {
    char drive = 'C';
    std::vector<std::string> parts;
};

void AppendComponents(WindowsPath* path, const std::string& text, size_t from) {
    std::string part;
    for (size_t i = from; i <= text.size(); ++i) {
        if (i < text.size() && !IsSeparator(text[i])) {
            part += text[i];
            continue;
        }
        if (part == "..") {
            if (!path->parts.empty()) path->parts.pop_back();
        } else if (!part.empty() && part != ".") {
            path->parts.push_back(part);
        }
        part.clear();
    }
}

bool HasDrive(const std::string& text) {
    return text.size() >= 2 && text[1] == ':' &&
           ((text[0] >= 'A' && text[0] <= 'Z') || (text[0] >= 'a' && text[0] <= 'z'));
}

WindowsPath ParseAbsolute(const std::string& text);

// Resolves a path against the virtual current directory.
WindowsPath Resolve(const std::string& text) {
    WindowsPath current = ParseAbsolute(CurrentDirectory);
    if (HasDrive(text)) {
        WindowsPath path;
        path.drive = UpperAscii(text[0]);
        if (text.size() > 2 && IsSeparator(text[2])) {
            AppendComponents(&path, text, 2);
        } else if (path.drive == current.drive) {
            // "C:name" is relative to the current directory of that drive.
            path = current;
            AppendComponents(&path, text, 2);
        } else {
            AppendComponents(&path, text, 2);
        }
        return path;
    }
    if (!text.empty() && IsSeparator(text[0])) {
        // Rooted on the current drive ("\Sim\x"); a leading "\\" is read the same way.
        WindowsPath path;
        path.drive = current.drive;
        AppendComponents(&path, text, 0);
        return path;
    }
    AppendComponents(&current, text, 0);
    return current;
}

WindowsPath ParseAbsolute(const std::string& text) {
    WindowsPath path;
    if (HasDrive(text)) {
        path.drive = UpperAscii(text[0]);
        AppendComponents(&path, text, 2);
    } else {
        AppendComponents(&path, text, 0);
    }
    return path;
}

std::string FormatWindowsPath(const WindowsPath& path) {
    std::string text(1, path.drive);
    text += ":\\";
    for (size_t i = 0; i < path.parts.size(); ++i) {
        if (i) text += '\\';
        text += path.parts[i];
    }
    return text;
}

// Windows file names are case-insensitive: an entry that already exists under another
// case is the same file, so the mapped path takes its real spelling. Among several
// spellings the exact one wins, then the smallest in byte order (deterministic).
std::string MatchExistingName(const std::filesystem::path& folder, const std::string& name) {
    std::error_code error;
    if (std::filesystem::exists(folder / name, error)) return name;
    std::string best;
    std::filesystem::directory_iterator it(folder, error);
    if (error) return name;
    for (const auto& entry : it) {
        std::string candidate = entry.path().filename().string();
        if (EqualNoCase(candidate, name) && (best.empty() || candidate < best)) best = candidate;
    }
    return best.empty() ? name : best;
}

void BuildHostDlls() {
    Dlls.clear();
    for (const char* name : HostDllNames) {
        HostDll dll;
        dll.name = name;
        Dlls.push_back(dll);
    }
    DllsBuilt = true;
}

}  // namespace

void Log(const std::string& line) {
    Transcript.push_back(line);
    if (TranscriptEcho) {
        std::fputs(line.c_str(), stdout);
        std::fputc('\n', stdout);
        std::fflush(stdout);
    }
}

const std::vector<std::string>& TranscriptLines() { return Transcript; }
void ClearTranscript() { Transcript.clear(); }
void SetTranscriptEcho(bool echo) { TranscriptEcho = echo; }

uint64_t ClockMicros() { return Clock; }
void AdvanceClock(uint64_t micros) { Clock += micros; }

void SetDriveRoot(const std::string& root) { Root = root; }
const std::string& DriveRoot() { return Root; }

std::string MapPath(const std::string& windowsPath) {
    WindowsPath path = Resolve(windowsPath);
    if (Root.empty()) return FormatWindowsPath(path);  // the real drives of a Windows host
    std::filesystem::path mapped = std::filesystem::path(Root) / std::string(1, path.drive);
    for (const std::string& part : path.parts) mapped /= MatchExistingName(mapped, part);
    return mapped.generic_string();
}

void SetCurrentDirectoryPath(const std::string& windowsPath) {
    CurrentDirectory = FormatWindowsPath(Resolve(windowsPath));
}

const std::string& CurrentDirectoryPath() { return CurrentDirectory; }

void FailNext(FailKind kind) {
    if (kind >= 0 && kind < FailKindCount) ++PendingFailures[kind];
}

bool TakeFailure(FailKind kind) {
    if (kind < 0 || kind >= FailKindCount || PendingFailures[kind] == 0) return false;
    --PendingFailures[kind];
    return true;
}

bool ParseFailKind(const std::string& name, FailKind* kind) {
    static const struct {
        const char* name;
        FailKind kind;
    } Names[] = {
        {"simconnect-open", FailSimConnectOpen},
        {"file-open", FailFileOpen},
        {"file-write", FailFileWrite},
        {"ai-create", FailAiCreate},
    };
    for (const auto& entry : Names) {
        if (name == entry.name) {
            *kind = entry.kind;
            return true;
        }
    }
    return false;
}

std::vector<HostDll>& HostDlls() {
    if (!DllsBuilt) BuildHostDlls();
    return Dlls;
}

HostDll* FindHostDll(const std::string& name) {
    for (HostDll& dll : HostDlls())
        if (EqualNoCase(dll.name, name)) return &dll;
    return nullptr;
}

void ResetHostServices() {
    Transcript.clear();
    TranscriptEcho = false;
    Clock = 0;
    Root = DefaultDriveRoot;
    CurrentDirectory = DefaultCurrentDirectory;
    std::fill(std::begin(PendingFailures), std::end(PendingFailures), 0u);
    BuildHostDlls();
}

}  // namespace vsim
