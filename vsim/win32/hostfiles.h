// Files of the Win32 emulation on the virtual drive: OpenHostFile (platform/files.h),
// DeleteFileA and the current directory, and the Windows path arithmetic that the ini
// functions and the file dialogs share.
#pragma once

#include <string>

namespace vsim::win32 {

// The absolute Windows path of a path as a program passes it: relative paths resolve
// against the virtual current directory, "/" becomes "\", "." and ".." are folded.
std::string FullWindowsPath(const std::string& path);
// The folder of an absolute path: "C:\Sim\a.frc" -> "C:\Sim", "C:\a.frc" -> "C:\".
std::string FolderOfPath(const std::string& fullPath);
// The file name of a path: the part after the last "\".
std::string FileNameOfPath(const std::string& path);
bool HostFileExists(const std::string& windowsPath);
bool HostFolderExists(const std::string& windowsPath);

}  // namespace vsim::win32
