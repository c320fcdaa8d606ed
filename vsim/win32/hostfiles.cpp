// Host files on the virtual drive. OpenHostFile maps the Windows path and opens the
// real file; a stream that can write is wrapped (fopencookie, unbuffered on the outside)
// so that the write following FailNext(FailFileWrite) comes up short and sets the
// stream's error flag, as a full disk does, and so that what the module flushed is in
// the file even when the process dies at once, as on Windows. FailNext(FailFileOpen)
// makes the next open fail without touching the disk. FindFirstFileA and friends list
// a folder of the drive with the files' real write times.
#include "vsim/win32/hostfiles.h"

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <dirent.h>
#include <cstdio>
#include <cstring>
#include <sys/stat.h>
#include <unistd.h>
#include <set>
#include <vector>

#include "platform/files.h"
#include "platform/win32.h"
#include "vsim/sim/simhost.h"

namespace vsim::win32 {

namespace {

struct HostFile {
    FILE* real;
};
// The wrapped streams open now. The C library keeps each cookie in memory of its own,
// where a leak checker does not look; listed here, a file still open when the process
// ends (a test that stops in the middle of a recording) is not reported as lost. The
// list itself is never destroyed, so it still holds them when the checker looks.
std::set<HostFile*>& OpenFiles() {
    static std::set<HostFile*>* files = new std::set<HostFile*>;
    return *files;
}

ssize_t ReadHostFile(void* cookie, char* buffer, size_t size) {
    FILE* f = static_cast<HostFile*>(cookie)->real;
    size_t count = fread(buffer, 1, size, f);
    if (count == 0 && ferror(f)) return -1;
    return (ssize_t)count;
}

ssize_t WriteHostFile(void* cookie, const char* buffer, size_t size) {
    FILE* f = static_cast<HostFile*>(cookie)->real;
    if (vsim::TakeFailure(vsim::FailFileWrite)) {
        // The disk fills up: half the bytes land, the rest are refused.
        size_t written = fwrite(buffer, 1, size / 2, f);
        errno = ENOSPC;
        return (ssize_t)written;
    }
    size_t written = fwrite(buffer, 1, size, f);
    // Whatever reached this point has left the module's stream: it goes to the file.
    if (fflush(f) != 0) return -1;
    return (ssize_t)written;
}

int SeekHostFile(void* cookie, off64_t* offset, int whence) {
    FILE* f = static_cast<HostFile*>(cookie)->real;
    if (fseeko(f, (off_t)*offset, whence) != 0) return -1;
    *offset = (off64_t)ftello(f);
    return 0;
}

int CloseHostFile(void* cookie) {
    HostFile* file = static_cast<HostFile*>(cookie);
    int result = fclose(file->real);
    OpenFiles().erase(file);
    delete file;
    return result;
}

bool IsDriveLetterPath(const std::string& p) {
    return p.size() >= 2 && isalpha((unsigned char)p[0]) && p[1] == ':';
}

bool StatPath(const std::string& windowsPath, struct stat* info) {
    return stat(vsim::MapPath(windowsPath).c_str(), info) == 0;
}

// A Windows file-name pattern: '*' any run of characters, '?' one; case is ignored.
bool MatchesPattern(const char* name, const char* pattern) {
    if (*pattern == '\0') return *name == '\0';
    if (*pattern == '*') return MatchesPattern(name, pattern + 1) || (*name && MatchesPattern(name + 1, pattern));
    if (*name == '\0') return false;
    if (*pattern != '?' && tolower((unsigned char)*pattern) != tolower((unsigned char)*name)) return false;
    return MatchesPattern(name + 1, pattern + 1);
}

// One listing: the matching entries, filled in at FindFirstFileA and handed out in turn.
struct FindSearch {
    std::vector<WIN32_FIND_DATAA> entries;
    size_t next = 0;
};

// 100 ns units between 1601-01-01 and 1970-01-01.
constexpr uint64_t UnixEpochInFileTime = 116444736000000000ull;

WIN32_FIND_DATAA FindDataOf(const std::string& name, const struct stat& info) {
    WIN32_FIND_DATAA data;
    memset(&data, 0, sizeof(data));
    data.dwFileAttributes = S_ISDIR(info.st_mode) ? FILE_ATTRIBUTE_DIRECTORY : FILE_ATTRIBUTE_NORMAL;
    uint64_t size = S_ISDIR(info.st_mode) ? 0 : (uint64_t)info.st_size;
    data.nFileSizeHigh = (DWORD)(size >> 32);
    data.nFileSizeLow = (DWORD)size;
    uint64_t written = UnixEpochInFileTime + (uint64_t)info.st_mtim.tv_sec * 10000000ull +
                       (uint64_t)info.st_mtim.tv_nsec / 100;
    data.ftLastWriteTime = {(DWORD)written, (DWORD)(written >> 32)};
    data.ftCreationTime = data.ftLastWriteTime;
    data.ftLastAccessTime = data.ftLastWriteTime;
    snprintf(data.cFileName, sizeof(data.cFileName), "%s", name.c_str());
    return data;
}

}  // namespace

std::string FullWindowsPath(const std::string& path) {
    std::string p = path;
    for (char& c : p)
        if (c == '/') c = '\\';
    std::string current = vsim::CurrentDirectoryPath();
    std::string drive = IsDriveLetterPath(current) ? current.substr(0, 2) : "C:";
    std::string joined;
    if (IsDriveLetterPath(p)) {
        std::string rest = p.substr(2);
        std::string otherDrive(1, (char)toupper((unsigned char)p[0]));
        otherDrive += ':';
        if (!rest.empty() && rest[0] == '\\')
            joined = otherDrive + rest;
        else if (otherDrive == drive)
            joined = current + "\\" + rest;  // drive-relative: against the current directory
        else
            joined = otherDrive + "\\" + rest;
    } else if (!p.empty() && p[0] == '\\') {
        joined = drive + p;
    } else {
        joined = current + "\\" + p;
    }
    // Fold the segments after the drive.
    std::vector<std::string> segments;
    size_t at = 2;
    while (at <= joined.size()) {
        size_t next = joined.find('\\', at);
        if (next == std::string::npos) next = joined.size();
        std::string segment = joined.substr(at, next - at);
        if (segment == "..") {
            if (!segments.empty()) segments.pop_back();
        } else if (!segment.empty() && segment != ".") {
            segments.push_back(segment);
        }
        at = next + 1;
    }
    std::string result(1, (char)toupper((unsigned char)joined[0]));
    result += ":";
    if (segments.empty()) return result + "\\";
    for (const std::string& segment : segments) result += "\\" + segment;
    return result;
}

std::string FolderOfPath(const std::string& fullPath) {
    size_t slash = fullPath.rfind('\\');
    if (slash == std::string::npos) return "";
    if (slash <= 2) return fullPath.substr(0, slash + 1);  // the root keeps its backslash
    return fullPath.substr(0, slash);
}

std::string FileNameOfPath(const std::string& path) {
    size_t slash = path.find_last_of("\\/");
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

bool HostFileExists(const std::string& windowsPath) {
    struct stat info;
    return StatPath(FullWindowsPath(windowsPath), &info) && S_ISREG(info.st_mode);
}

bool HostFolderExists(const std::string& windowsPath) {
    struct stat info;
    return StatPath(FullWindowsPath(windowsPath), &info) && S_ISDIR(info.st_mode);
}

}  // namespace vsim::win32

using namespace vsim::win32;

FILE* OpenHostFile(const char* path, const char* mode) {
    if (path == nullptr || mode == nullptr) return nullptr;
    if (vsim::TakeFailure(vsim::FailFileOpen)) {
        errno = EACCES;
        return nullptr;
    }
    FILE* real = fopen(vsim::MapPath(path).c_str(), mode);
    if (real == nullptr) return nullptr;
    if (strpbrk(mode, "wa+") == nullptr) return real;
    std::string cookieMode;
    for (const char* m = mode; *m != '\0'; ++m)
        if (*m != 'b' && *m != 't') cookieMode += *m;
    HostFile* file = new HostFile{real};
    OpenFiles().insert(file);
    cookie_io_functions_t functions = {ReadHostFile, WriteHostFile, SeekHostFile, CloseHostFile};
    FILE* wrapped = fopencookie(file, cookieMode.c_str(), functions);
    if (wrapped == nullptr) {
        fclose(real);
        OpenFiles().erase(file);
        delete file;
        return nullptr;
    }
    // Unbuffered outside, so each fwrite reaches the wrapper at once and a failure
    // belongs to the write that caused it.
    setvbuf(wrapped, nullptr, _IONBF, 0);
    return wrapped;
}

BOOL WINAPI DeleteFileA(LPCSTR fileName) {
    if (fileName == nullptr) return FALSE;
    struct stat info;
    std::string real = vsim::MapPath(fileName);
    if (stat(real.c_str(), &info) != 0 || S_ISDIR(info.st_mode)) return FALSE;
    return unlink(real.c_str()) == 0 ? TRUE : FALSE;
}

DWORD WINAPI GetCurrentDirectoryA(DWORD size, LPSTR buffer) {
    const std::string& current = vsim::CurrentDirectoryPath();
    if (buffer == nullptr || size < current.size() + 1) return (DWORD)current.size() + 1;  // the size needed
    memcpy(buffer, current.c_str(), current.size() + 1);
    return (DWORD)current.size();
}

BOOL WINAPI SetCurrentDirectoryA(LPCSTR path) {
    if (path == nullptr || *path == '\0') return FALSE;
    std::string full = FullWindowsPath(path);
    if (!HostFolderExists(full)) return FALSE;
    vsim::SetCurrentDirectoryPath(full);
    return TRUE;
}

// The entries "." and ".." are not listed; entries come in name order.
HANDLE WINAPI FindFirstFileA(LPCSTR pattern, LPWIN32_FIND_DATAA data) {
    if (pattern == nullptr || data == nullptr) return INVALID_HANDLE_VALUE;
    std::string full = FullWindowsPath(pattern);
    std::string folder = FolderOfPath(full);
    std::string namePattern = FileNameOfPath(full);
    std::string realFolder = vsim::MapPath(folder);
    DIR* dir = opendir(realFolder.c_str());
    if (dir == nullptr) return INVALID_HANDLE_VALUE;
    FindSearch* search = new FindSearch;
    while (struct dirent* entry = readdir(dir)) {
        std::string name = entry->d_name;
        if (name == "." || name == ".." || name.size() >= MAX_PATH) continue;
        if (!MatchesPattern(name.c_str(), namePattern.c_str())) continue;
        struct stat info;
        if (stat((realFolder + "/" + name).c_str(), &info) != 0) continue;
        search->entries.push_back(FindDataOf(name, info));
    }
    closedir(dir);
    std::sort(search->entries.begin(), search->entries.end(),
              [](const WIN32_FIND_DATAA& a, const WIN32_FIND_DATAA& b) { return strcmp(a.cFileName, b.cFileName) < 0; });
    if (search->entries.empty()) {
        delete search;
        return INVALID_HANDLE_VALUE;
    }
    *data = search->entries[search->next++];
    return search;
}

BOOL WINAPI FindNextFileA(HANDLE find, LPWIN32_FIND_DATAA data) {
    FindSearch* search = static_cast<FindSearch*>(find);
    if (search == nullptr || find == INVALID_HANDLE_VALUE || data == nullptr) return FALSE;
    if (search->next >= search->entries.size()) return FALSE;
    *data = search->entries[search->next++];
    return TRUE;
}

BOOL WINAPI FindClose(HANDLE find) {
    if (find == nullptr || find == INVALID_HANDLE_VALUE) return FALSE;
    delete static_cast<FindSearch*>(find);
    return TRUE;
}

BOOL WINAPI FileTimeToSystemTime(const FILETIME* fileTime, SYSTEMTIME* systemTime) {
    if (fileTime == nullptr || systemTime == nullptr) return FALSE;
    uint64_t units = ((uint64_t)fileTime->dwHighDateTime << 32) | fileTime->dwLowDateTime;
    if (units >> 63) return FALSE;  // Windows refuses times beyond this too
    uint64_t seconds = units / 10000000ull;
    uint64_t days = seconds / 86400;
    uint64_t ofDay = seconds % 86400;
    // Civil date of a day count from 1601-01-01, the first day of a 400-year cycle.
    uint64_t cycles = days / 146097, rest = days % 146097;
    uint64_t centuries = std::min<uint64_t>(rest / 36524, 3);
    rest -= centuries * 36524;
    uint64_t quads = rest / 1461;
    rest %= 1461;
    uint64_t years = std::min<uint64_t>(rest / 365, 3);
    rest -= years * 365;
    uint64_t year = 1601 + cycles * 400 + centuries * 100 + quads * 4 + years;
    bool leap = (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
    static const int MonthDays[12] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    int month = 0;
    while (month < 11) {
        uint64_t length = MonthDays[month] + (month == 1 && leap ? 1 : 0);
        if (rest < length) break;
        rest -= length;
        ++month;
    }
    systemTime->wYear = (WORD)year;
    systemTime->wMonth = (WORD)(month + 1);
    systemTime->wDay = (WORD)(rest + 1);
    systemTime->wDayOfWeek = (WORD)((days + 1) % 7);  // 1601-01-01 was a Monday
    systemTime->wHour = (WORD)(ofDay / 3600);
    systemTime->wMinute = (WORD)(ofDay / 60 % 60);
    systemTime->wSecond = (WORD)(ofDay % 60);
    systemTime->wMilliseconds = (WORD)(units / 10000 % 1000);
    return TRUE;
}
