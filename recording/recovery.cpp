// Crash recovery at module start. The recording of the temp files is assembled by the
// format library (frc::RecoverRecording, the same function the toolkit's recover command
// uses); this file finds the files, names and writes the result through the platform,
// and deletes the temp files only once the result is safely on disk.
#include "recording/recovery.h"

#include <cstdio>
#include <cstring>
#include <new>
#include <string>
#include <vector>

#include "module/entry.h"
#include "platform/files.h"
#include "platform/win32.h"
#include "recording/frcformat.h"
#include "ui/dialogs.h"

uint32_t RecoveryPending = 0;

static const uint32_t MaxNameSuffix = 99;  // Recovered_..._2.frc to _99.frc after the plain name

static bool ReadWholeFile(const char* path, std::vector<uint8_t>* bytes) {
    FILE* file = OpenHostFile(path, "rb");
    if (!file) return false;
    uint8_t chunk[65536];
    size_t got;
    while ((got = fread(chunk, 1, sizeof(chunk), file)) > 0) bytes->insert(bytes->end(), chunk, chunk + got);
    bool ok = ferror(file) == 0;
    fclose(file);
    return ok;
}

static bool HostFileExists(const char* path) {
    WIN32_FIND_DATAA data;
    HANDLE find = FindFirstFileA(path, &data);
    if (find == INVALID_HANDLE_VALUE) return false;
    FindClose(find);
    return true;
}

// The temp files of ModuleDir, read whole, and the latest of their write times. A temp
// file that cannot be read is left alone.
static void CollectTempFiles(std::vector<frc::TempFile>* temps, FILETIME* latest) {
    char pattern[MAX_PATH];
    int length = snprintf(pattern, sizeof(pattern), "%sKestrel*.tmp", ModuleDir);
    if (length <= 0 || length >= MAX_PATH) return;
    WIN32_FIND_DATAA data;
    HANDLE find = FindFirstFileA(pattern, &data);
    if (find == INVALID_HANDLE_VALUE) return;
    do {
        uint32_t objectId;
        if ((data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) || !frc::TempFileObjectId(data.cFileName, &objectId))
            continue;
        char path[MAX_PATH];
        length = snprintf(path, sizeof(path), "%s%s", ModuleDir, data.cFileName);
        if (length <= 0 || length >= MAX_PATH) continue;
        frc::TempFile temp;
        temp.name = path;
        if (!ReadWholeFile(path, &temp.bytes)) continue;
        temps->push_back(std::move(temp));
        const FILETIME& written = data.ftLastWriteTime;
        if (written.dwHighDateTime > latest->dwHighDateTime ||
            (written.dwHighDateTime == latest->dwHighDateTime && written.dwLowDateTime > latest->dwLowDateTime))
            *latest = written;
    } while (FindNextFileA(find, &data));
    FindClose(find);
}

// The recording date of a UTC time, in the form the module's recordings carry.
static uint32_t RecordingDateOf(const SYSTEMTIME& time) {
    static const uint16_t MonthDays[12] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    bool leap = (time.wYear % 4 == 0 && time.wYear % 100 != 0) || time.wYear % 400 == 0;
    uint32_t dayOfYear = time.wDay;
    for (uint32_t month = 1; month < time.wMonth && month <= 12; ++month)
        dayOfYear += MonthDays[month - 1] + (month == 2 && leap ? 1 : 0);
    return frc::MakeDate(time.wYear, (uint16_t)dayOfYear,
                         (uint32_t)time.wHour * 3600 + (uint32_t)time.wMinute * 60 + time.wSecond);
}

// A name in ModuleDir that no file has yet; false when none fits.
static bool FormatRecoveredName(char* path, const SYSTEMTIME& time) {
    for (uint32_t n = 1; n <= MaxNameSuffix; ++n) {
        char suffix[8] = "";
        if (n > 1) snprintf(suffix, sizeof(suffix), "_%u", n);
        int length = snprintf(path, MAX_PATH, "%sRecovered_%04u-%02u-%02u_%02u-%02u-%02u%s.frc", ModuleDir,
                              time.wYear, time.wMonth, time.wDay, time.wHour, time.wMinute, time.wSecond, suffix);
        if (length <= 0 || length >= MAX_PATH) return false;
        if (!HostFileExists(path)) return true;
    }
    return false;
}

// Writes the bytes whole or not at all: a file that could not be completed is deleted.
static bool WriteNewFile(const char* path, const std::vector<uint8_t>& bytes) {
    if (bytes.empty()) return false;
    FILE* file = OpenHostFile(path, "wb");
    if (!file) return false;
    bool ok = fwrite(bytes.data(), 1, bytes.size(), file) == bytes.size();
    ok = fflush(file) == 0 && ok;
    ok = fclose(file) == 0 && ok;
    if (!ok) DeleteFileA(path);
    return ok;
}

static void TellUser(uint32_t dialogMode, const char* text, UINT icon) {
    if (dialogMode) {
        ShowModuleMessage(MainWindow, text, "Kestrel", MB_OK | icon);
    } else {
        MessageBoxA(MainWindow, text, "Kestrel", MB_OK | icon);
    }
}

// The temp files stay: no recording may start over them until they are saved.
static uint32_t KeepTempFiles(uint32_t dialogMode, const char* text) {
    RecoveryPending = 1;
    TellUser(dialogMode, text, MB_ICONERROR);
    return 0;
}

static uint32_t RecoverInMemory(uint32_t dialogMode) {
    std::vector<frc::TempFile> temps;
    FILETIME latest = {0, 0};
    CollectTempFiles(&temps, &latest);
    if (temps.empty()) return 1;

    SYSTEMTIME time;
    if (!FileTimeToSystemTime(&latest, &time)) memset(&time, 0, sizeof(time));
    frc::Recording recording;
    if (frc::RecoverRecording(temps, RecordingDateOf(time), &recording)) {
        char path[MAX_PATH];
        bool named = FormatRecoveredName(path, time);
        if (!named || !WriteNewFile(path, frc::WriteRecording(recording))) {
            char text[MAX_PATH + 300];
            snprintf(text, sizeof(text),
                     "A recording that was interrupted could not be saved as %s! Its temporary files are kept; "
                     "please check the free space on your disk. No new recording can start until it is saved.",
                     named ? path : ModuleDir);
            return KeepTempFiles(dialogMode, text);
        }
        for (const frc::TempFile& temp : temps) DeleteFileA(temp.name.c_str());
        char text[MAX_PATH + 100];
        snprintf(text, sizeof(text), "A recording that was interrupted has been recovered and saved as %s.", path);
        TellUser(dialogMode, text, MB_ICONINFORMATION);
        return 1;
    }
    // Not one whole record: nothing to keep.
    for (const frc::TempFile& temp : temps) DeleteFileA(temp.name.c_str());
    return 1;
}

uint32_t RecoverInterruptedRecording(uint32_t dialogMode) {
    RecoveryPending = 0;
    // The temp files are read and joined in memory, and a 32-bit simulator may have no
    // room left for a long recording with traffic. Running out must not end the
    // simulator at every start: the files stay, as on a full disk, for the toolkit.
    try {
        return RecoverInMemory(dialogMode);
    } catch (const std::bad_alloc&) {
        char text[MAX_PATH + 300];
        snprintf(text, sizeof(text),
                 "A recording that was interrupted is too large to be recovered while the simulator runs! Its "
                 "temporary files are kept in %s; \"kestrel-frc recover\" saves them as a recording, after which "
                 "they can be deleted. No new recording can start until they are saved.",
                 ModuleDir);
        return KeepTempFiles(dialogMode, text);
    }
}
