// Kestrel.ini and the in-memory configuration. Read once at start (section RECORD
// each time a recording starts); written only when the user confirms a dialog.
#include "ui/config.h"

#include <cstdio>

#include "module/entry.h"
#include "recording/recorder.h"

SettingsRecord Settings;
KeyCode KeyTable[KeyActionCount];
RecordOptionsRecord RecordOptions;

const uint32_t RecordIntervals[5] = {125, 250, 500, 1000, 2000};
const char* const RecordIntervalTexts[5] = {"1/8 sec", "1/4 sec", "1/2 sec", "1 sec", "2 sec"};

const KeyDefault KeyDefaults[KeyActionCount] = {
    {Beginning, "Beginning", 36},         {Back3, "Back3", 33},
    {Back2, "Back2", 38},                 {Back1, "Back1", 37},
    {Forward1, "Forward1", 39},           {Forward2, "Forward2", 40},
    {Forward3, "Forward3", 34},           {End, "End", 35},
    {LoopStart, "LoopStart", 111},        {LoopEnd, "LoopEnd", 106},
    {LoopToggle, "LoopToggle", 46},       {SpeedInc, "SpeedInc", 107},
    {SpeedDec, "SpeedDec", 109},          {SpeedReset, "SpeedReset", 45},
    {HeightCorrInc, "HeightCorrInc", 4203}, {HeightCorrDec, "HeightCorrDec", 4205},
    {Record, "Record", 0},                {Play, "Play", 0},
    {Replay, "Replay", 0},                {PlayTraffic, "PlayTraffic", 0},
    {Stop, "Stop", 27},                   {StopHere, "StopHere", 4123},
};

// The two text-buffer widths the sections are read through.
static const unsigned NarrowBuffer = 10;
static const unsigned WideBuffer = 20;

KeyCode DefaultKeyCode(KeyAction action) {
    for (const KeyDefault& entry : KeyDefaults) {
        if (entry.action == action) return entry.code;
    }
    return 0;
}

int32_t ParseDecimal(const char* text) {
    while (*text == ' ' || *text == '\t') ++text;
    bool negative = false;
    if (*text == '-' || *text == '+') negative = *text++ == '-';
    uint32_t value = 0;  // wraps like a 32-bit register on absurdly long numbers
    while (*text >= '0' && *text <= '9') value = value * 10 + (uint32_t)(*text++ - '0');
    return (int32_t)(negative ? 0u - value : value);
}

int32_t ReadIniNumber(const char* path, const char* section, const char* key, const char* defaultText,
                      unsigned bufferSize) {
    char text[WideBuffer];
    if (bufferSize > sizeof(text)) bufferSize = sizeof(text);
    GetPrivateProfileStringA(section, key, defaultText, text, bufferSize, path);
    text[bufferSize - 1] = 0;
    return ParseDecimal(text);
}

void WriteIniNumber(const char* path, const char* section, const char* key, int32_t value) {
    char text[16];
    snprintf(text, sizeof(text), "%d", (int)value);
    WritePrivateProfileStringA(section, key, text, path);
}

static uint32_t Normalized(int32_t value) {
    return value != 0 ? 1 : 0;
}

static int32_t ReadSetting(const char* key, const char* defaultText, unsigned bufferSize) {
    return ReadIniNumber(IniPath, "SETTINGS", key, defaultText, bufferSize);
}

void LoadSettings() {
    uint32_t interval = (uint32_t)ReadSetting("RplyItvl", "500", NarrowBuffer);
    bool known = false;
    for (uint32_t choice : RecordIntervals) known = known || interval == choice;
    Settings.RplyItvl = known ? interval : 500;
    Settings.RplyEnabled = Normalized(ReadSetting("RplyEnabled", "1", NarrowBuffer));
    Settings.RplyClear = Normalized(ReadSetting("RplyClear", "1", NarrowBuffer));
    Settings.Search1 = Normalized(ReadSetting("Search1", "0", NarrowBuffer));
    Settings.Search2 = Normalized(ReadSetting("Search2", "0", NarrowBuffer));
    Settings.Search3 = Normalized(ReadSetting("Search3", "0", NarrowBuffer));
    Settings.JumpSize1 = (uint16_t)ReadSetting("JumpSize1", "15", NarrowBuffer);
    Settings.JumpSize2 = (uint16_t)ReadSetting("JumpSize2", "60", NarrowBuffer);
    Settings.JumpSize3 = (uint16_t)ReadSetting("JumpSize3", "300", NarrowBuffer);
    Settings.SearchSpeed1 = (uint8_t)ReadSetting("SearchSpeed1", "5", NarrowBuffer);
    Settings.SearchSpeed2 = (uint8_t)ReadSetting("SearchSpeed2", "15", NarrowBuffer);
    Settings.SearchSpeed3 = (uint8_t)ReadSetting("SearchSpeed3", "50", NarrowBuffer);
    Settings.Show = Normalized(ReadIniNumber(IniPath, "WINDOW", "Show", "0", NarrowBuffer));
    Settings.Pause = Normalized(ReadSetting("Pause", "1", NarrowBuffer));
    Settings.PlayAIMode = ReadSetting("PlayAIMode", "0", NarrowBuffer);
    Settings.MaxAIAcft = (uint16_t)ReadSetting("MaxAIAcft", "200", NarrowBuffer);
    int32_t bufferSize = ReadSetting("BufferSize", "3600", NarrowBuffer);
    Settings.BufferSize = bufferSize < 120 ? 120 : bufferSize > 72000 ? 72000 : (uint32_t)bufferSize;
    Settings.RecFlags = (uint32_t)ReadSetting("RecFlags", "127", WideBuffer);
    Settings.PlayFlags = (uint32_t)ReadSetting("PlayFlags", "127", WideBuffer);
    Settings.ShowRec = ReadSetting("ShowRec", "0", WideBuffer);
    Settings.ShowPlay = ReadSetting("ShowPlay", "0", WideBuffer);
    Settings.SetSimRate = ReadSetting("SetSimRate", "1", WideBuffer);
    Settings.SetSimRateSrch = ReadSetting("SetSimRateSrch", "1", WideBuffer);
    Settings.LimSimRate = ReadSetting("LimSimRate", "1", WideBuffer);
    Settings.ContrAiPlay = ReadSetting("ContrAiPlay", "0", WideBuffer);
    Settings.WindAiPlay = ReadSetting("WindAiPlay", "0", WideBuffer);
    Settings.NoRecDlg = ReadSetting("NoRecDlg", "0", WideBuffer);
}

static void WriteSetting(const char* key, int32_t value) {
    WriteIniNumber(IniPath, "SETTINGS", key, value);
}

void SaveSettings() {
    WriteSetting("RplyItvl", (int32_t)Settings.RplyItvl);
    WriteSetting("RplyEnabled", (int32_t)Settings.RplyEnabled);
    WriteSetting("RplyClear", (int32_t)Settings.RplyClear);
    WriteSetting("JumpSize1", Settings.JumpSize1);
    WriteSetting("JumpSize2", Settings.JumpSize2);
    WriteSetting("JumpSize3", Settings.JumpSize3);
    WriteSetting("SearchSpeed1", Settings.SearchSpeed1);
    WriteSetting("SearchSpeed2", Settings.SearchSpeed2);
    WriteSetting("SearchSpeed3", Settings.SearchSpeed3);
    WriteSetting("Search1", (int32_t)Settings.Search1);
    WriteSetting("Search2", (int32_t)Settings.Search2);
    WriteSetting("Search3", (int32_t)Settings.Search3);
    WriteIniNumber(IniPath, "WINDOW", "Show", (int32_t)Settings.Show);
    WriteSetting("Pause", (int32_t)Settings.Pause);
    WriteSetting("PlayAIMode", Settings.PlayAIMode);
    WriteSetting("MaxAIAcft", Settings.MaxAIAcft);
    WriteSetting("BufferSize", (int32_t)Settings.BufferSize);
    WriteSetting("RecFlags", (int32_t)Settings.RecFlags);
    WriteSetting("PlayFlags", (int32_t)Settings.PlayFlags);
    WriteSetting("ShowRec", Settings.ShowRec);
    WriteSetting("ShowPlay", Settings.ShowPlay);
    WriteSetting("SetSimRate", Settings.SetSimRate);
    WriteSetting("SetSimRateSrch", Settings.SetSimRateSrch);
    WriteSetting("LimSimRate", Settings.LimSimRate);
    WriteSetting("ContrAiPlay", Settings.ContrAiPlay);
    WriteSetting("WindAiPlay", Settings.WindAiPlay);
    WriteSetting("NoRecDlg", Settings.NoRecDlg);
}

void LoadKeys() {
    for (const KeyDefault& entry : KeyDefaults) {
        char defaultText[8];
        snprintf(defaultText, sizeof(defaultText), "%u", (unsigned)entry.code);
        KeyTable[entry.action] = (KeyCode)ReadIniNumber(IniPath, "KEYBOARD", entry.name, defaultText, WideBuffer);
    }
}

void SaveKeys() {
    for (const KeyDefault& entry : KeyDefaults) {
        WriteIniNumber(IniPath, "KEYBOARD", entry.name, KeyTable[entry.action]);
    }
}

uint32_t AutoStopTimeOf(uint32_t seconds) {
    return seconds > UINT32_MAX / 10000u ? UINT32_MAX : seconds * 10000u;
}

void ApplyRecordDefaults(int32_t intervalIndex, int32_t autoStopChoice, int32_t autoStopSeconds, int32_t recAi,
                         int32_t aiFactor) {
    RecordOptions.interval = RecordIntervals[intervalIndex >= 0 && intervalIndex <= 4 ? intervalIndex : 1];
    RecordOptions.autoStopTime = AutoStopTimeOf((uint32_t)autoStopSeconds);
    SetAutoStopFromChoice(autoStopChoice);
    RecordOptions.aiFactor = recAi ? (uint8_t)aiFactor : 0;
}

void SetAutoStopFromChoice(int32_t choice) {
    switch (choice) {
    case -1:
        RecordOptions.autoStop = 0;
        break;
    case 0:
        RecordOptions.autoStop = 2;
        break;
    case 1:
        RecordOptions.autoStop = 3;
        break;
    case 2:
        RecordOptions.autoStop = 1;
        break;
    default:
        break;  // an unknown choice keeps the previous kind
    }
}

void LoadRecordDefaults() {
    int32_t intervalIndex = ReadIniNumber(IniPath, "RECORD", "DfltItvlIdx", "1", NarrowBuffer);
    int32_t autoStop = ReadIniNumber(IniPath, "RECORD", "DfltAutostop", "-1", NarrowBuffer);
    int32_t autoStopTime = ReadIniNumber(IniPath, "RECORD", "DfltAutostopTime", "60", NarrowBuffer);
    int32_t recAi = ReadIniNumber(IniPath, "RECORD", "RecAI", "0", NarrowBuffer);
    int32_t aiFactor = ReadIniNumber(IniPath, "RECORD", "AIItvlFactor", "4", NarrowBuffer);
    ApplyRecordDefaults(intervalIndex, autoStop, autoStopTime, recAi, aiFactor);
    StartRecording();
}
