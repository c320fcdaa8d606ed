// Module file names, module handles and version information. A host DLL that
// vsim::FindHostDll reports loaded gets a fixed handle per name; its entries come from
// the DLL's ordinal map, and its file version from the DLL's version numbers.
//
// GetModuleFileNameA truncates as current Windows does: at most size - 1 characters
// and a terminating zero, returning size when the name did not fit.
//
// The version resource is built as Windows lays it out (VS_VERSIONINFO: length, value
// length, type, the UTF-16 key "VS_VERSION_INFO", padding to 4 bytes, then the
// VS_FIXEDFILEINFO), written field by field in little-endian order.
#include "vsim/win32/modules.h"

#include <cstring>
#include <map>
#include <strings.h>
#include <vector>

#include "vsim/sim/simhost.h"
#include "vsim/win32/hostfiles.h"
#include "vsim/win32/window.h"

namespace vsim::win32 {

namespace {

constexpr uintptr_t ProcessHandle = 0x00400000;
constexpr uintptr_t HostDllHandleBase = 0x10000000;
constexpr uintptr_t HostDllHandleStep = 0x01000000;
constexpr const char* DefaultProcessPath = "C:\\Sim\\fsx.exe";

constexpr DWORD FixedInfoSignature = 0xFEEF04BD;
constexpr DWORD FixedInfoStructVersion = 0x00010000;
constexpr DWORD FileFlagsMask = 0x3F;
constexpr DWORD FileOsNtWindows32 = 0x00040004;  // VOS_NT_WINDOWS32
constexpr DWORD FileTypeDll = 2;                 // VFT_DLL
constexpr size_t FixedInfoOffset = 40;           // 6 header bytes, 32 bytes of key, 2 of padding
constexpr size_t FixedInfoSize = 52;
constexpr size_t VersionBlockSize = FixedInfoOffset + FixedInfoSize;
static_assert(sizeof(VS_FIXEDFILEINFO) == FixedInfoSize, "VS_FIXEDFILEINFO is 13 DWORDs");

std::map<HINSTANCE, std::string> ModulePaths;
std::vector<std::string> HostDllNames;  // index + 1 gives the handle

std::string LowerCase(std::string text) {
    for (char& c : text) c = (char)tolower((unsigned char)c);
    return text;
}

HMODULE HostDllHandle(const std::string& name) {
    std::string key = LowerCase(name);
    for (size_t i = 0; i < HostDllNames.size(); ++i)
        if (HostDllNames[i] == key) return (HMODULE)(HostDllHandleBase + HostDllHandleStep * i);
    HostDllNames.push_back(key);
    return (HMODULE)(HostDllHandleBase + HostDllHandleStep * (HostDllNames.size() - 1));
}

// The loaded host DLL behind a handle, or null.
vsim::HostDll* HostDllOf(HMODULE module) {
    uintptr_t value = (uintptr_t)module;
    if (value < HostDllHandleBase || (value - HostDllHandleBase) % HostDllHandleStep != 0) return nullptr;
    size_t index = (value - HostDllHandleBase) / HostDllHandleStep;
    if (index >= HostDllNames.size()) return nullptr;
    vsim::HostDll* dll = vsim::FindHostDll(HostDllNames[index]);
    return dll != nullptr && dll->loaded ? dll : nullptr;
}

// The host DLL a file name names (by its file name part), loaded or not.
vsim::HostDll* HostDllOfFile(LPCSTR fileName) {
    if (fileName == nullptr) return nullptr;
    return vsim::FindHostDll(FileNameOfPath(fileName));
}

void Put16(unsigned char* at, uint16_t value) {
    at[0] = (unsigned char)(value & 0xFF);
    at[1] = (unsigned char)(value >> 8);
}

void Put32(unsigned char* at, uint32_t value) {
    for (int i = 0; i < 4; ++i) at[i] = (unsigned char)(value >> (8 * i));
}

uint32_t Get32(const unsigned char* at) {
    return (uint32_t)at[0] | (uint32_t)at[1] << 8 | (uint32_t)at[2] << 16 | (uint32_t)at[3] << 24;
}

void WriteVersionBlock(const vsim::HostDll& dll, unsigned char* block) {
    memset(block, 0, VersionBlockSize);
    Put16(block + 0, (uint16_t)VersionBlockSize);
    Put16(block + 2, (uint16_t)FixedInfoSize);
    Put16(block + 4, 0);  // binary value
    const char* key = "VS_VERSION_INFO";
    for (size_t i = 0; key[i] != '\0'; ++i) Put16(block + 6 + 2 * i, (uint16_t)key[i]);
    DWORD ms = (DWORD)dll.version[0] << 16 | dll.version[1];
    DWORD ls = (DWORD)dll.version[2] << 16 | dll.version[3];
    const DWORD fields[13] = {FixedInfoSignature, FixedInfoStructVersion, ms, ls, ms, ls, FileFlagsMask, 0,
                              FileOsNtWindows32, FileTypeDll, 0, 0, 0};
    for (size_t i = 0; i < 13; ++i) Put32(block + FixedInfoOffset + 4 * i, fields[i]);
}

}  // namespace

void SetModuleFileName(HINSTANCE instance, const std::string& windowsPath) {
    ModulePaths[instance] = windowsPath;
}

const char* HostDllFolder() {
    return "C:\\Sim";
}

void ResetModules() {
    ModulePaths.clear();
    HostDllNames.clear();
}

}  // namespace vsim::win32

using namespace vsim::win32;

DWORD WINAPI GetModuleFileNameA(HMODULE module, LPSTR fileName, DWORD size) {
    std::string path;
    if (module == nullptr || (uintptr_t)module == ProcessHandle) {
        auto it = ModulePaths.find(nullptr);
        path = it != ModulePaths.end() ? it->second : DefaultProcessPath;
    } else if (vsim::HostDll* dll = HostDllOf(module)) {
        path = std::string(HostDllFolder()) + "\\" + dll->name;
    } else {
        auto it = ModulePaths.find(module);
        if (it == ModulePaths.end()) return 0;
        path = it->second;
    }
    if (fileName == nullptr || size == 0) return 0;
    size_t copied = CopyText(path, fileName, size);
    return copied < path.size() ? size : (DWORD)copied;
}

HMODULE WINAPI GetModuleHandleA(LPCSTR moduleName) {
    if (moduleName == nullptr) return (HMODULE)ProcessHandle;
    // The loader compares file names; a name without extension means a ".dll".
    std::string name = FileNameOfPath(moduleName);
    if (name.find('.') == std::string::npos) name += ".dll";
    for (const auto& entry : ModulePaths) {
        if (strcasecmp(FileNameOfPath(entry.second).c_str(), name.c_str()) == 0)
            return entry.first != nullptr ? (HMODULE)entry.first : (HMODULE)ProcessHandle;
    }
    if (strcasecmp(name.c_str(), FileNameOfPath(DefaultProcessPath).c_str()) == 0 && ModulePaths.count(nullptr) == 0)
        return (HMODULE)ProcessHandle;
    vsim::HostDll* dll = vsim::FindHostDll(name);
    if (dll == nullptr || !dll->loaded) return nullptr;
    return HostDllHandle(dll->name);
}

FARPROC WINAPI GetProcAddress(HMODULE module, LPCSTR procName) {
    vsim::HostDll* dll = HostDllOf(module);
    if (dll == nullptr || !IS_INTRESOURCE(procName)) return nullptr;  // host DLLs export by ordinal only
    auto entry = dll->ordinals.find(LOWORD(procName));
    if (entry == dll->ordinals.end() || entry->second == nullptr) return nullptr;
    FARPROC proc;
    static_assert(sizeof proc == sizeof entry->second, "code and data addresses have one size");
    memcpy(&proc, &entry->second, sizeof proc);
    return proc;
}

DWORD WINAPI GetFileVersionInfoSizeA(LPCSTR fileName, LPDWORD handle) {
    if (handle != nullptr) *handle = 0;
    return HostDllOfFile(fileName) != nullptr ? (DWORD)VersionBlockSize : 0;
}

BOOL WINAPI GetFileVersionInfoA(LPCSTR fileName, DWORD, DWORD size, LPVOID data) {
    vsim::HostDll* dll = HostDllOfFile(fileName);
    if (dll == nullptr || data == nullptr || size < VersionBlockSize) return FALSE;
    WriteVersionBlock(*dll, static_cast<unsigned char*>(data));
    return TRUE;
}

BOOL WINAPI VerQueryValueA(LPCVOID block, LPCSTR subBlock, LPVOID* buffer, UINT* length) {
    if (block == nullptr || subBlock == nullptr || buffer == nullptr || length == nullptr) return FALSE;
    const unsigned char* bytes = static_cast<const unsigned char*>(block);
    if (Get32(bytes + FixedInfoOffset) != FixedInfoSignature) return FALSE;
    if (strcmp(subBlock, "\\") != 0) return FALSE;  // only the root block exists here
    *buffer = const_cast<unsigned char*>(bytes + FixedInfoOffset);
    *length = (UINT)FixedInfoSize;
    return TRUE;
}
