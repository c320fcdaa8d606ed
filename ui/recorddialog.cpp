// The Record Flight dialog: sets RecordOptions for the next recording and keeps the
// choices as the defaults of section RECORD of Kestrel.ini.
#include "ui/recorddialog.h"

#include "module/entry.h"
#include "ui/config.h"

enum RecordDialogControl : int {
    RecordInterval = 1000,
    RecordAutoStop = 1034,
    RecordAutoStopKind = 1035,
    RecordAutoStopTime = 1036,
    RecordAi = 1089,
    RecordAiFactor = 1090,
};

static const char* const AutoStopTexts[3] = {"after touchdown", "after engine shutdown", "after start of recording"};
static const unsigned RecordBuffer = 10;

static int32_t ReadRecordDefault(const char* key, const char* defaultText) {
    return ReadIniNumber(IniPath, "RECORD", key, defaultText, RecordBuffer);
}

static void FillRecordDialog(HWND dialog) {
    int32_t intervalIndex = ReadRecordDefault("DfltItvlIdx", "1");
    if (intervalIndex < 0 || intervalIndex > 4) intervalIndex = 1;
    int32_t autoStop = ReadRecordDefault("DfltAutostop", "-1");
    int32_t autoStopTime = ReadRecordDefault("DfltAutostopTime", "60");
    int32_t recAi = ReadRecordDefault("RecAI", "0");
    int32_t aiFactor = ReadRecordDefault("AIItvlFactor", "10");

    for (const char* text : RecordIntervalTexts) SendDlgItemMessageA(dialog, RecordInterval, CB_ADDSTRING, 0, (LPARAM)text);
    SendDlgItemMessageA(dialog, RecordInterval, CB_SETCURSEL, (WPARAM)intervalIndex, 0);
    CheckDlgButton(dialog, RecordAutoStop, autoStop >= 0 ? BST_CHECKED : BST_UNCHECKED);
    SetDlgItemInt(dialog, RecordAutoStopTime, (UINT)autoStopTime, FALSE);
    for (const char* text : AutoStopTexts) {
        SendDlgItemMessageA(dialog, RecordAutoStopKind, CB_ADDSTRING, 0, (LPARAM)text);
    }
    SendDlgItemMessageA(dialog, RecordAutoStopKind, CB_SETCURSEL, (WPARAM)(autoStop < 0 ? 0 : autoStop), 0);
    CheckDlgButton(dialog, RecordAi, recAi ? BST_CHECKED : BST_UNCHECKED);
    SetDlgItemInt(dialog, RecordAiFactor, (UINT)aiFactor, FALSE);
}

static void StoreRecordDialog(HWND dialog) {
    int32_t intervalIndex = (int32_t)SendDlgItemMessageA(dialog, RecordInterval, CB_GETCURSEL, 0, 0);
    WriteIniNumber(IniPath, "RECORD", "DfltItvlIdx", intervalIndex);
    if (intervalIndex >= 0 && intervalIndex <= 4) RecordOptions.interval = RecordIntervals[intervalIndex];

    int32_t autoStop = -1;
    if (IsDlgButtonChecked(dialog, RecordAutoStop) == BST_CHECKED) {
        autoStop = (int32_t)SendDlgItemMessageA(dialog, RecordAutoStopKind, CB_GETCURSEL, 0, 0);
    }
    uint32_t seconds = GetDlgItemInt(dialog, RecordAutoStopTime, nullptr, FALSE);
    WriteIniNumber(IniPath, "RECORD", "DfltAutostop", autoStop);
    WriteIniNumber(IniPath, "RECORD", "DfltAutostopTime", (int32_t)seconds);
    RecordOptions.autoStopTime = AutoStopTimeOf(seconds);
    SetAutoStopFromChoice(autoStop);

    int32_t recAi = IsDlgButtonChecked(dialog, RecordAi) == BST_CHECKED ? 1 : 0;
    int32_t factor = (int32_t)GetDlgItemInt(dialog, RecordAiFactor, nullptr, TRUE);
    if (factor < 1) factor = 1;
    if (factor > 64) factor = 64;
    WriteIniNumber(IniPath, "RECORD", "RecAI", recAi);
    WriteIniNumber(IniPath, "RECORD", "AIItvlFactor", factor);
    RecordOptions.aiFactor = recAi ? (uint8_t)factor : 0;
}

INT_PTR CALLBACK RecordDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM) {
    if (message == WM_INITDIALOG) {
        FillRecordDialog(dialog);
        return 1;
    }
    if (message == WM_COMMAND) {
        if (LOWORD(wParam) == IDOK) {
            StoreRecordDialog(dialog);
            EndDialog(dialog, IDOK);
        } else if (LOWORD(wParam) == IDCANCEL) {
            EndDialog(dialog, IDCANCEL);
        }
    }
    return 0;
}
