// The common open and save dialogs of the Win32 emulation, answered by the scripted
// user, and a record of what the program passed to the last one (for tests).
#pragma once

#include <string>
#include <vector>

#include "platform/win32.h"

namespace vsim::win32 {

struct FileDialogRecord {
    bool save = false;
    HWND owner = nullptr;
    std::vector<std::string> filter;  // description, pattern, description, pattern, ...
    DWORD filterIndex = 0;
    std::string title;                // as passed; empty for none
    DWORD flags = 0;
    std::string defaultExtension;
    std::string initialDirectory;
    std::string initialFile;          // the buffer's text when the dialog opened
    DWORD maxFile = 0;
    bool accepted = false;            // the dialog returned TRUE
};
// The last file dialog shown (a default record before the first one) and how many were.
const FileDialogRecord& LastFileDialog();
int FileDialogCount();

void ResetFileDialogs();

}  // namespace vsim::win32
