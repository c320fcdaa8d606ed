// Modules of the Win32 emulation: the file names of the process's modules, the host
// DLLs as the loader sees them (GetModuleHandleA, GetProcAddress by ordinal) and their
// file version information.
#pragma once

#include <string>

#include "platform/win32.h"

namespace vsim::win32 {

// Registers the Windows file name of a module instance; the null instance is the
// process itself, "C:\Sim\fsx.exe" unless set otherwise.
void SetModuleFileName(HINSTANCE instance, const std::string& windowsPath);
// The folder host DLLs are loaded from: "C:\Sim".
const char* HostDllFolder();

void ResetModules();

}  // namespace vsim::win32
