// The Settings dialog: every setting in one dialog, with a live estimate of the replay
// buffer's memory and length. OK stores the settings, saves them, rebuilds the
// recording definition and restarts the replay buffer.
#include "ui/settingsdialog.h"

#include <cstdio>

#include "module/entry.h"
#include "recording/capture.h"
#include "recording/recorder.h"
#include "recording/sample.h"
#include "ui/config.h"
#include "ui/dialogs.h"
#include "ui/recorddialog.h"

enum SettingsControl : int {
    SetReplayInterval = 1001,
    SetReplayEnabled = 1003,
    SetShowWindow = 1008,
    SetBufferSize = 1011,
    SetEstimate = 1012,
    SetReplayClear = 1017,
    SetPauseAtEnd = 1018,
    SetShowRecording = 1043,
    SetShowPlayback = 1044,
    SetPlayedDateTime = 1047,
    SetSimRateBox = 1054,
    SetSimRateSearch = 1055,
    SetLimitRate = 1056,
    SetPlayRecordedTraffic = 1091,
    SetShowNormalTraffic = 1092,
    SetTurnOffTraffic = 1093,
    SetTrafficKeys = 1094,
    SetTrafficWindow = 1095,
    SetNoRecordDialogs = 1096,
    SetRecordingSettings = 1097,
    SetMaxAi = 1101,
};

struct StepRow {
    int stepId, searchId, editId, unitId;
    uint32_t* search;
    uint16_t* jumpSize;
    uint8_t* searchSpeed;
};
static const StepRow StepRows[3] = {
    {1052, 1053, 1010, 1049, &Settings.Search1, &Settings.JumpSize1, &Settings.SearchSpeed1},
    {1058, 1059, 1015, 1050, &Settings.Search2, &Settings.JumpSize2, &Settings.SearchSpeed2},
    {1062, 1063, 1016, 1051, &Settings.Search3, &Settings.JumpSize3, &Settings.SearchSpeed3},
};

// The "Recorded data" and "Played data" boxes of each sample group.
struct GroupBoxes {
    uint32_t group;
    int recordedId;
    int playedId;
};
static const GroupBoxes GroupBoxIds[12] = {
    {Throttles, 1019, 1026}, {Controls, 1020, 1027},  {Spoilers, 1021, 1028},  {Flaps, 1022, 1029},
    {Gear, 1023, 1030},      {Lights, 1024, 1031},    {Engines, 1025, 1032},   {NavRadios, 1038, 1035},
    {ComRadios, 1039, 1036}, {PropMixture, 1037, 1034}, {DateTime, 1045, 1047}, {Smoke, 1046, 1048},
};


static void Check(HWND dialog, int id, bool on) {
    CheckDlgButton(dialog, id, on ? BST_CHECKED : BST_UNCHECKED);
}

static uint32_t IsChecked(HWND dialog, int id) {
    return IsDlgButtonChecked(dialog, id) == BST_CHECKED ? 1 : 0;
}

static void ShowStepRow(HWND dialog, const StepRow& row, bool search) {
    SetDlgItemInt(dialog, row.editId, search ? *row.searchSpeed : *row.jumpSize, FALSE);
    SetDlgItemTextA(dialog, row.unitId, search ? "x" : "sec");
}

static uint32_t CheckedGroups(HWND dialog, bool played) {
    uint32_t groups = 0;
    for (const GroupBoxes& boxes : GroupBoxIds) {
        if (IsChecked(dialog, played ? boxes.playedId : boxes.recordedId)) groups |= boxes.group;
    }
    return groups;
}

static void ShowEstimate(HWND dialog) {
    uint32_t samples = GetDlgItemInt(dialog, SetBufferSize, nullptr, FALSE);
    uint32_t groups = CheckedGroups(dialog, false);
    int selected = (int)SendDlgItemMessageA(dialog, SetReplayInterval, CB_GETCURSEL, 0, 0);
    uint32_t interval = selected >= 0 && selected < 5 ? RecordIntervals[selected] : 0;
    char text[96];
    snprintf(text, sizeof(text), "Used memory: %ukb\nMaximum replay time: %u seconds",
             (unsigned)(SampleRecordSize(groups) * samples / 1024), (unsigned)(interval * samples / 1000));
    SetDlgItemTextA(dialog, SetEstimate, text);
}

static void EnableRateBoxes(HWND dialog, bool enable) {
    EnableWindow(GetDlgItem(dialog, SetSimRateSearch), enable);
    EnableWindow(GetDlgItem(dialog, SetLimitRate), enable);
}

static void FillSettingsDialog(HWND dialog) {
    int selected = -1;
    for (int i = 0; i < 5; ++i) {
        SendDlgItemMessageA(dialog, SetReplayInterval, CB_ADDSTRING, 0, (LPARAM)RecordIntervalTexts[i]);
        if (RecordIntervals[i] == Settings.RplyItvl) selected = i;
    }
    SendDlgItemMessageA(dialog, SetReplayInterval, CB_SETCURSEL, (WPARAM)selected, 0);
    Check(dialog, SetReplayEnabled, Settings.RplyEnabled);
    Check(dialog, SetReplayClear, Settings.RplyClear);
    for (const StepRow& row : StepRows) {
        bool search = *row.search != 0;
        Check(dialog, row.searchId, search);
        Check(dialog, row.stepId, !search);
        ShowStepRow(dialog, row, search);
    }
    Check(dialog, SetShowWindow, Settings.Show);
    Check(dialog, SetPauseAtEnd, Settings.Pause);
    int trafficBox = Settings.PlayAIMode == 1 ? SetShowNormalTraffic
                     : Settings.PlayAIMode == 2 ? SetTurnOffTraffic
                                                : SetPlayRecordedTraffic;
    if (Settings.PlayAIMode >= 0 && Settings.PlayAIMode <= 2) Check(dialog, trafficBox, true);
    SetDlgItemInt(dialog, SetMaxAi, Settings.MaxAIAcft, FALSE);
    Check(dialog, SetTrafficKeys, Settings.ContrAiPlay != 0);
    Check(dialog, SetTrafficWindow, Settings.WindAiPlay != 0);
    Check(dialog, SetNoRecordDialogs, Settings.NoRecDlg != 0);
    for (const GroupBoxes& boxes : GroupBoxIds) {
        Check(dialog, boxes.recordedId, (Settings.RecFlags & boxes.group) != 0);
        Check(dialog, boxes.playedId, (Settings.PlayFlags & boxes.group) != 0);
    }
    Check(dialog, SetShowRecording, Settings.ShowRec != 0);
    Check(dialog, SetShowPlayback, Settings.ShowPlay != 0);
    Check(dialog, SetSimRateBox, Settings.SetSimRate != 0);
    Check(dialog, SetSimRateSearch, Settings.SetSimRateSrch != 0);
    Check(dialog, SetLimitRate, Settings.LimSimRate != 0);
    EnableRateBoxes(dialog, Settings.SetSimRate != 0);
    SetDlgItemInt(dialog, SetBufferSize, Settings.BufferSize, FALSE);  // its notification shows the estimate
    EnableWindow(GetDlgItem(dialog, SetPlayedDateTime), FALSE);
}

static void StoreSettings(HWND dialog) {
    int selected = (int)SendDlgItemMessageA(dialog, SetReplayInterval, CB_GETCURSEL, 0, 0);
    if (selected >= 0 && selected < 5) Settings.RplyItvl = RecordIntervals[selected];
    Settings.RplyEnabled = IsChecked(dialog, SetReplayEnabled);
    Settings.RplyClear = IsChecked(dialog, SetReplayClear);
    for (const StepRow& row : StepRows) *row.search = IsChecked(dialog, row.searchId);
    for (const StepRow& row : StepRows) {
        uint32_t number = GetDlgItemInt(dialog, row.editId, nullptr, FALSE);
        if (*row.search) {
            *row.searchSpeed = (uint8_t)(number > 100 ? 100 : number);
        } else {
            *row.jumpSize = (uint16_t)number;
        }
    }
    Settings.Show = IsChecked(dialog, SetShowWindow);
    Settings.Pause = IsChecked(dialog, SetPauseAtEnd);
    if (IsChecked(dialog, SetPlayRecordedTraffic)) Settings.PlayAIMode = 0;
    if (IsChecked(dialog, SetShowNormalTraffic)) Settings.PlayAIMode = 1;
    if (IsChecked(dialog, SetTurnOffTraffic)) Settings.PlayAIMode = 2;
    Settings.MaxAIAcft = (uint16_t)GetDlgItemInt(dialog, SetMaxAi, nullptr, FALSE);
    Settings.ContrAiPlay = (int32_t)IsChecked(dialog, SetTrafficKeys);
    Settings.WindAiPlay = (int32_t)IsChecked(dialog, SetTrafficWindow);
    Settings.NoRecDlg = (int32_t)IsChecked(dialog, SetNoRecordDialogs);
    Settings.RecFlags = CheckedGroups(dialog, false);
    Settings.PlayFlags = CheckedGroups(dialog, true);
    Settings.ShowRec = (int32_t)IsChecked(dialog, SetShowRecording);
    Settings.ShowPlay = (int32_t)IsChecked(dialog, SetShowPlayback);
    Settings.SetSimRate = (int32_t)IsChecked(dialog, SetSimRateBox);
    Settings.SetSimRateSrch = Settings.SetSimRate ? (int32_t)IsChecked(dialog, SetSimRateSearch) : 0;
    Settings.LimSimRate = Settings.SetSimRate ? (int32_t)IsChecked(dialog, SetLimitRate) : 0;
    uint32_t bufferSize = GetDlgItemInt(dialog, SetBufferSize, nullptr, FALSE);
    Settings.BufferSize = bufferSize < 120 ? 120 : bufferSize > 72000 ? 72000 : bufferSize;
    SaveSettings();
    BuildRecordingDefinition();
    // With replay switched off a running buffer stops and gives its memory back.
    if (!Settings.RplyEnabled) StopReplayBuffer();
    StartReplayBuffer();
}

static const StepRow* RowOfRadio(int id) {
    for (const StepRow& row : StepRows) {
        if (row.stepId == id || row.searchId == id) return &row;
    }
    return nullptr;
}

static bool PassesEstimateFilter(int id, int code) {
    if (id == SetBufferSize) return code == 0 || code == EN_UPDATE;
    if (id == SetReplayInterval) return code == 0 || code == CBN_SELCHANGE;
    return code == 0;
}

INT_PTR CALLBACK SettingsDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM) {
    if (message == WM_INITDIALOG) {
        FillSettingsDialog(dialog);
        return 1;
    }
    if (message != WM_COMMAND) return 0;
    int id = LOWORD(wParam);
    int code = HIWORD(wParam);
    if (id == IDOK) {
        StoreSettings(dialog);
        EndDialog(dialog, IDOK);
        return 0;
    }
    if (id == IDCANCEL) {
        EndDialog(dialog, IDCANCEL);
        return 0;
    }
    if (id == SetRecordingSettings) {
        DialogBoxParamA(ModuleInstance, MAKEINTRESOURCE(DialogRecordFlight), MainWindow, RecordDialogProc, 0);
    }
    if (code == 0) {
        if (const StepRow* row = RowOfRadio(id)) ShowStepRow(dialog, *row, IsChecked(dialog, row->searchId) != 0);
        if (id == SetSimRateBox) EnableRateBoxes(dialog, IsChecked(dialog, SetSimRateBox) != 0);
    }
    if (!PassesEstimateFilter(id, code)) return 0;
    if (id == SetPlayedDateTime && IsChecked(dialog, SetPlayedDateTime)) {
        MessageBoxA(dialog,
                    "Enabling the playback of date and time can cause problems on some system configurations "
                    "because of the frequent clock modifications. If you have problems during playback try to "
                    "disable this option.",
                    "Warning", MB_OK | MB_ICONEXCLAMATION);
    }
    ShowEstimate(dialog);
    return 0;
}
