// The ini file "Kestrel.ini" and the in-memory configuration: Settings, the key
// bindings (KeyTable) and the options of the next recording (RecordOptions).
#pragma once

#include <cstdint>

struct SettingsRecord {
    uint32_t RplyItvl;       // ms: 125, 250, 500, 1000 or 2000
    uint32_t RplyEnabled;    // 0/1
    uint32_t RplyClear;      // 0/1
    uint32_t Search1, Search2, Search3;                 // 0/1
    uint16_t JumpSize1, JumpSize2, JumpSize3;           // seconds
    uint8_t SearchSpeed1, SearchSpeed2, SearchSpeed3;   // multiple of normal speed
    uint32_t Show;           // 0/1, section WINDOW
    uint32_t Pause;          // 0/1
    int32_t PlayAIMode;      // 0 play recorded traffic, 1 show normal traffic, 2 turn off traffic
    uint16_t MaxAIAcft;      // 0 = no limit
    uint32_t BufferSize;     // samples, 120..72000
    uint32_t RecFlags;       // sample groups recorded
    uint32_t PlayFlags;      // sample groups played
    int32_t ShowRec;
    int32_t ShowPlay;
    int32_t SetSimRate;
    int32_t SetSimRateSrch;
    int32_t LimSimRate;
    int32_t ContrAiPlay;
    int32_t WindAiPlay;
    int32_t NoRecDlg;
};
extern SettingsRecord Settings;  // loaded at start; written by the Settings dialog

// Key bindings: virtual key in bits 0..7, 0x1000 Shift, 0x2000 Ctrl; 0 unbound.
typedef uint16_t KeyCode;
enum KeyAction : uint32_t {
    Beginning, End, Back1, Back2, Back3, Forward1, Forward2, Forward3,
    SpeedInc, SpeedDec, SpeedReset, LoopStart, LoopEnd, LoopToggle,
    HeightCorrInc, HeightCorrDec, Stop, StopHere, Record, Play, Replay, PlayTraffic,
    KeyActionCount
};
constexpr KeyCode KeyShift = 0x1000;
constexpr KeyCode KeyCtrl = 0x2000;
extern KeyCode KeyTable[KeyActionCount];  // loaded at start; written by the Keyboard controls dialog

// The ini key names and default bindings of section KEYBOARD, in file order.
struct KeyDefault {
    KeyAction action;
    const char* name;
    KeyCode code;
};
extern const KeyDefault KeyDefaults[KeyActionCount];
KeyCode DefaultKeyCode(KeyAction action);

struct RecordOptionsRecord {
    uint32_t interval;      // ms
    int32_t autoStop;       // 0 none, 1 after start, 2 after touchdown, 3 after engine shutdown
    uint32_t autoStopTime;  // 1/10000 s
    uint8_t aiFactor;       // 0: no AI; N: AI every Nth sample
};
extern RecordOptionsRecord RecordOptions;

// The recording intervals by index of the interval choices.
extern const uint32_t RecordIntervals[5];
extern const char* const RecordIntervalTexts[5];  // "1/8 sec" .. "2 sec", as the dialogs list them

void LoadSettings();
void SaveSettings();
void LoadKeys();
void SaveKeys();
// Reads section RECORD into RecordOptions, then starts a recording.
void LoadRecordDefaults();

// Reads an ini value as a signed decimal number through a buffer of bufferSize
// characters (the section's own buffer width), defaultText when absent.
int32_t ReadIniNumber(const char* path, const char* section, const char* key, const char* defaultText,
                      unsigned bufferSize);
void WriteIniNumber(const char* path, const char* section, const char* key, int32_t value);
// Signed decimal parse: leading blanks and a sign, stops at the first non-digit, 0 without digits.
int32_t ParseDecimal(const char* text);
// Fills RecordOptions from the RECORD values (interval index, auto-stop choice, time, AI).
// RecordOptions.autoStop from a RECORD "DfltAutostop" choice: -1 none, 0 after touchdown,
// 1 after engine shutdown, 2 after the start; another value keeps the previous kind.
void SetAutoStopFromChoice(int32_t choice);
// An auto-stop time in seconds as 1/10000 s, or the longest that fits (about 119 hours).
uint32_t AutoStopTimeOf(uint32_t seconds);
void ApplyRecordDefaults(int32_t intervalIndex, int32_t autoStopChoice, int32_t autoStopSeconds, int32_t recAi,
                         int32_t aiFactor);
