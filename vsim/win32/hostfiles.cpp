// Host files on the virtual drive. OpenHostFile maps the Windows path and opens the
// real file; a stream that can write is wrapped (fopencookie, unbuffered on the outside,
// buffered inside) so that the write following FailNext(FailFileWrite) comes up short
// and sets the stream's error flag, as a full disk does. FailNext(FailFileOpen) makes
// the next open fail without touching the disk.
#include "vsim/win32/hostfiles.h"

#include <cctype>
#include <cerrno>
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
    return (ssize_t)fwrite(buffer, 1, size, f);
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
