// GetOpenFileNameA and GetSaveFileNameA answered by the scripted user. The chosen path
// is made absolute against the virtual current directory and gets the default extension
// when its name has none, as typed names do. Results use the real buffer formats: one
// full path, or with OFN_ALLOWMULTISELECT | OFN_EXPLORER the folder, a zero, each name
// and a zero, and a final zero. A result that does not fit nMaxFile is a failure (FALSE,
// the needed size in the buffer's first two bytes), as in Windows. Both dialogs leave
// the virtual current directory in the chosen folder unless OFN_NOCHANGEDIR is given.
// As the real dialogs do, they accept no folder that does not exist (the save dialog
// then takes the user's next answer), and with OFN_FILEMUSTEXIST no missing file.
//
// Transcript lines: "save dialog [title] -> path" or "-> cancel", "open dialog [title] ->
// path, path, ..." or "-> cancel", with the reason when the answer could not be used.
#include "vsim/win32/file_dialogs.h"

#include <cstring>
#include <strings.h>

#include "vsim/sim/simhost.h"
#include "vsim/win32/hostfiles.h"
#include "vsim/win32/scripted_user.h"

namespace vsim::win32 {

namespace {

FileDialogRecord Last;
int Count = 0;

std::string Text(LPCSTR text) {
    return text != nullptr ? text : "";
}

void Record(const OPENFILENAMEA* ofn, bool save) {
    Last = FileDialogRecord();
    Last.save = save;
    Last.owner = ofn->hwndOwner;
    for (const char* p = ofn->lpstrFilter; p != nullptr && *p != '\0'; p += strlen(p) + 1) Last.filter.push_back(p);
    Last.filterIndex = ofn->nFilterIndex;
    Last.title = Text(ofn->lpstrTitle);
    Last.flags = ofn->Flags;
    Last.defaultExtension = Text(ofn->lpstrDefExt);
    Last.initialDirectory = Text(ofn->lpstrInitialDir);
    Last.maxFile = ofn->nMaxFile;
    if (ofn->lpstrFile != nullptr && ofn->nMaxFile > 0)
        Last.initialFile.assign(ofn->lpstrFile, strnlen(ofn->lpstrFile, ofn->nMaxFile));
    ++Count;
}

std::string ChosenPath(const std::string& answer, LPCSTR defaultExtension) {
    std::string path = FullWindowsPath(answer);
    if (defaultExtension != nullptr && *defaultExtension != '\0' &&
        FileNameOfPath(path).find('.') == std::string::npos)
        path += std::string(".") + defaultExtension;
    return path;
}

bool Fits(OPENFILENAMEA* ofn, size_t needed) {
    if (needed <= ofn->nMaxFile) return true;
    if (ofn->nMaxFile >= 2) {
        WORD size = needed > 0xFFFF ? 0xFFFF : (WORD)needed;
        ofn->lpstrFile[0] = (char)(size & 0xFF);
        ofn->lpstrFile[1] = (char)(size >> 8);
    }
    return false;
}

// nFileOffset and nFileExtension of a single full path; with no extension the latter
// points at the terminating zero.
void SetOffsets(OPENFILENAMEA* ofn, const std::string& path) {
    size_t nameAt = path.rfind('\\') + 1;
    size_t dot = path.rfind('.');
    ofn->nFileOffset = (WORD)nameAt;
    ofn->nFileExtension = (WORD)(dot != std::string::npos && dot >= nameAt ? dot + 1 : path.size());
    if (ofn->lpstrFileTitle != nullptr && ofn->nMaxFileTitle > path.size() - nameAt)
        strcpy(ofn->lpstrFileTitle, path.c_str() + nameAt);
}

void EnterFolder(const OPENFILENAMEA* ofn, const std::string& folder) {
    if (!(ofn->Flags & OFN_NOCHANGEDIR)) vsim::SetCurrentDirectoryPath(folder);
}

std::string CancelReason(vsim::user::FileAnswerKind kind) {
    return kind == vsim::user::FileAnswerNone ? "cancel (no answer scripted)" : "cancel";
}

}  // namespace

const FileDialogRecord& LastFileDialog() {
    return Last;
}

int FileDialogCount() {
    return Count;
}

void ResetFileDialogs() {
    Last = FileDialogRecord();
    Count = 0;
}

}  // namespace vsim::win32

using namespace vsim::win32;

BOOL WINAPI GetSaveFileNameA(LPOPENFILENAMEA ofn) {
    if (ofn == nullptr || ofn->lpstrFile == nullptr || ofn->nMaxFile == 0) return FALSE;
    Record(ofn, true);
    std::string title = ofn->lpstrTitle != nullptr ? ofn->lpstrTitle : "Save As";
    std::string label = "save dialog [" + title + "] -> ";
    while (true) {
        std::string answer;
        vsim::user::FileAnswerKind kind = vsim::user::TakeSaveAnswer(&answer);
        if (kind != vsim::user::FileAnswerChosen) {
            vsim::Log(label + CancelReason(kind));
            return FALSE;
        }
        std::string path = ChosenPath(answer, ofn->lpstrDefExt);
        if (!HostFolderExists(FolderOfPath(path))) {
            // The dialog refuses a folder that is not there; the user answers again.
            vsim::Log(label + path + " refused: the folder does not exist");
            continue;
        }
        if ((ofn->Flags & OFN_OVERWRITEPROMPT) && HostFileExists(path)) {
            std::string question = path + " already exists.\nDo you want to replace it?";
            if (MessageBoxA(ofn->hwndOwner, question.c_str(), title.c_str(), MB_YESNO | MB_ICONEXCLAMATION) != IDYES)
                continue;  // back in the dialog: the user's next answer decides
        }
        if (!Fits(ofn, path.size() + 1)) {
            vsim::Log(label + path + " does not fit the buffer of " + std::to_string(ofn->nMaxFile) + " characters");
            return FALSE;
        }
        memcpy(ofn->lpstrFile, path.c_str(), path.size() + 1);
        SetOffsets(ofn, path);
        EnterFolder(ofn, FolderOfPath(path));
        Last.accepted = true;
        vsim::Log(label + path);
        return TRUE;
    }
}

BOOL WINAPI GetOpenFileNameA(LPOPENFILENAMEA ofn) {
    if (ofn == nullptr || ofn->lpstrFile == nullptr || ofn->nMaxFile == 0) return FALSE;
    Record(ofn, false);
    std::string title = ofn->lpstrTitle != nullptr ? ofn->lpstrTitle : "Open";
    std::string label = "open dialog [" + title + "] -> ";
    std::vector<std::string> answers;
    vsim::user::FileAnswerKind kind = vsim::user::TakeOpenAnswer(&answers);
    if (kind != vsim::user::FileAnswerChosen) {
        vsim::Log(label + CancelReason(kind));
        return FALSE;
    }
    bool multiple = (ofn->Flags & OFN_ALLOWMULTISELECT) != 0;
    if (answers.size() > 1 && !multiple) {
        vsim::Log(label + "cancel (several files scripted for a single-file dialog)");
        return FALSE;
    }
    std::vector<std::string> paths;
    std::string shown;
    for (const std::string& answer : answers) {
        paths.push_back(ChosenPath(answer, ofn->lpstrDefExt));
        shown += (shown.empty() ? "" : ", ") + paths.back();
    }
    std::string folder = FolderOfPath(paths[0]);
    for (const std::string& path : paths) {
        if (strcasecmp(FolderOfPath(path).c_str(), folder.c_str()) != 0) {
            vsim::Log(label + "cancel (the scripted files are not in one folder)");
            return FALSE;
        }
    }
    if (!HostFolderExists(folder)) {
        vsim::Log(label + "cancel (the folder " + folder + " does not exist)");
        return FALSE;
    }
    for (const std::string& path : paths) {
        if ((ofn->Flags & OFN_FILEMUSTEXIST) && !HostFileExists(path)) {
            vsim::Log(label + "cancel (" + path + " does not exist)");
            return FALSE;
        }
    }
    std::string buffer;
    if (paths.size() == 1) {
        buffer = paths[0] + '\0';
    } else if (ofn->Flags & OFN_EXPLORER) {
        buffer = folder + '\0';
        for (const std::string& path : paths) buffer += FileNameOfPath(path) + '\0';
        buffer += '\0';
    } else {
        buffer = folder;  // the old style: names separated by blanks
        for (const std::string& path : paths) buffer += " " + FileNameOfPath(path);
        buffer += '\0';
    }
    if (!Fits(ofn, buffer.size())) {
        vsim::Log(label + shown + " does not fit the buffer of " + std::to_string(ofn->nMaxFile) + " characters");
        return FALSE;
    }
    memcpy(ofn->lpstrFile, buffer.data(), buffer.size());
    if (paths.size() == 1) {
        if (multiple && buffer.size() < ofn->nMaxFile) ofn->lpstrFile[buffer.size()] = '\0';  // a closing empty name
        SetOffsets(ofn, paths[0]);
    } else {
        ofn->nFileOffset = (WORD)(folder.size() + 1);
        ofn->nFileExtension = 0;
    }
    EnterFolder(ofn, folder);
    Last.accepted = true;
    vsim::Log(label + shown);
    return TRUE;
}
