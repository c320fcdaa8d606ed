// Recording runs and the instant-replay buffer. RecordingTick advances the recording
// time each frame, asks for the samples that are due, discovers AI aircraft to record
// and fires the automatic stops; StopRecording joins the temp files into a .frc file.
#include "recording/recorder.h"

#include <cstdio>
#include <cstring>

#include "module/dispatch.h"
#include "module/entry.h"
#include "module/simcommands.h"
#include "module/simlink.h"
#include "platform/files.h"
#include "playback/controls.h"
#include "playback/player.h"
#include "recording/recordingfile.h"
#include "recording/recovery.h"
#include "recording/track.h"
#include "ui/config.h"
#include "ui/controlwindow.h"
#include "ui/dialogs.h"

uint32_t Timeline = 0;
uint32_t FirstTick = 0;
uint16_t ActiveTrafficCount = 0;

static uint32_t LastFrameClock = 0;
static uint32_t LastGoodDelta = 0;
static uint32_t LastSampleTime = 0;
static uint8_t PrevOnGround = 0;
static uint8_t PrevEngine = 0;
static uint32_t AiTickCounter = 0;
static uint32_t AutoStopTrigger = 0;
static uint32_t RecordingStartTime = 0;   // Timeline when the recording started
static bool WriteFailureReported = false;  // one message per recording is enough

static const uint32_t TrackCapacity = 240;
static const uint32_t AiGroupMask = 0x87F;  // radios, prop/mixture and date/time stay with the user

static const char* const OutputOpenFailedText = "The selected file could not be opened!";
static const char* const OutputWriteFailedText =
    "The recording could not be written completely to the selected file! Please check the free space on your disk "
    "and save it again.";

void ResetRecorderState() {
    Timeline = 0;
    FirstTick = 0;
    ActiveTrafficCount = 0;
    LastFrameClock = 0;
    LastGoodDelta = 0;
    LastSampleTime = 0;
    PrevOnGround = 0;
    PrevEngine = 0;
    AiTickCounter = 0;
    AutoStopTrigger = 0;
    RecordingStartTime = 0;
    WriteFailureReported = false;
}

// ---- Helpers ----

static bool IsLeapYear(uint32_t year) {
    return (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
}

bool FormatDefaultRecordingName(char* path, size_t size) {
    uint16_t year, dayOfYear;
    uint8_t hour, minute, second;
    SplitZuluStamp(ZuluStamp, &year, &dayOfYear, &hour, &minute, &second);
    // The stamp counts 366 days to every year, so 31 December of a leap year (day 366)
    // comes back as day 0 of the next year.
    if (dayOfYear == 0 && year > 1900) {
        --year;
        dayOfYear = 366;
    }
    static const uint32_t MonthLengths[12] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    uint32_t month = 1;
    uint32_t day = dayOfYear;
    while (month <= 12) {
        uint32_t length = MonthLengths[month - 1] + (month == 2 && IsLeapYear(year) ? 1 : 0);
        if (day <= length) break;
        day -= length;
        ++month;
    }
    int length = snprintf(path, size, "%sRec_%04d-%02d-%02d_%02d-%02d-%02d.frc", ModuleDir, (int)year, (int)month,
                          (int)day, (int)hour, (int)minute, (int)second);
    return length > 0 && (size_t)length < size;
}

static void DiscardRecording() {
    for (uint32_t i = 0; i < TrackTable.count;) {
        if (TrackTable.entries[i].readMode == 0) {
            DiscardRecordingTrack(i);
        } else {
            ++i;
        }
    }
}

// ---- The recording tick ----

static void AdvanceRecordingClock() {
    uint32_t delta = PrevFrameClock - LastFrameClock;
    if (ModuleMode != RecordingWithTraffic) {
        if (delta < 5000 && FirstTick == 0) {
            Timeline += ((uint32_t)SimRate * delta) >> 8;
            LastGoodDelta = delta;
        } else {
            Timeline += ((uint32_t)SimRate * LastGoodDelta) >> 8;
        }
        LastFrameClock = PrevFrameClock;
        if (FirstTick == 1) Timeline = 0;
    } else {
        if (delta < 5000) LastGoodDelta = delta;
        LastFrameClock = PrevFrameClock;
    }
}

static void DiscoverAiAircraft() {
    uint32_t objectId = NextAircraftId(UserObjectId);
    // The list never holds more entries than its count; the bound guards a broken walk.
    for (uint32_t steps = 0; objectId != 0 && objectId != UserObjectId && steps < AircraftList.count; ++steps) {
        if (Settings.MaxAIAcft != 0 && ActiveTrafficCount >= Settings.MaxAIAcft) return;
        if (!FindTrack(objectId)) {
            char tempName[MAX_PATH];
            FILE* file = FormatTempFileName(tempName, objectId, false) ? OpenHostFile(tempName, "w+b") : nullptr;
            // Without its temp file the aircraft's track stays in memory and cannot be
            // saved with the recording: the user hears of it.
            if (!file) ReportRecordingWriteFailure();
            int index = AddTrackEntry();
            if (index < 0) {
                if (file) {
                    fclose(file);
                    DeleteFileA(tempName);
                }
                return;
            }
            Track* track = &TrackTable.entries[index];
            if (!OpenTrack(track, TrackCapacity, file, 0, Settings.RecFlags & AiGroupMask, "", objectId,
                           RecordOptions.interval, 1)) {
                if (file) {
                    fclose(file);
                    DeleteFileA(tempName);
                }
                track->file = nullptr;
                RemoveTrackEntry((uint32_t)index);
                return;
            }
            if (file) track->tempFileId = objectId;
            RequestObjectTitle(objectId);
            ++ActiveTrafficCount;
        }
        objectId = NextAircraftId(objectId);
    }
}

static void RequestDueSamples() {
    for (uint32_t i = 0; i < TrackTable.count; ++i) {
        const Track* track = &TrackTable.entries[i];
        if (track->readMode != 0) continue;
        if (track->objectId == UserObjectId || AiTickCounter == 0) RequestSampleData(track->objectId);
    }
}

static void WriteOutAgedTracks() {
    for (uint32_t i = 0; i < TrackTable.count; ++i) {
        if (!WriteOutAgedRecords(&TrackTable.entries[i], Timeline)) ReportRecordingWriteFailure();
    }
}

// The countdown of kinds 2 and 3; true when the recording was stopped.
static bool CountdownExpired() {
    return AutoStopTrigger != 0 && Timeline - AutoStopTrigger > RecordOptions.autoStopTime;
}

static void CheckAutoStop() {
    switch (RecordOptions.autoStop) {
    case 1:
        // Counted from the start of this recording, also when it began beside a traffic
        // playback whose time was already running.
        if (Timeline - RecordingStartTime > RecordOptions.autoStopTime) {
            RecordOptions.autoStop = 0;
            StopRecording(0);
        }
        break;
    case 2:
        if (CountdownExpired()) {
            AutoStopTrigger = 0;
            RecordOptions.autoStop = 0;
            StopRecording(0);
        }
        break;
    case 3:
        if (PrevEngine != 0 && EngineRunning == 0) AutoStopTrigger = Timeline;
        PrevEngine = EngineRunning;
        if (CountdownExpired()) {
            AutoStopTrigger = 0;
            RecordOptions.autoStop = 0;
            StopRecording(0);
        }
        break;
    default:
        break;
    }
}

void RecordingTick() {
    AdvanceRecordingClock();

    uint8_t onGround, engineRunning;
    GetGroundAndEngineState(&onGround, &engineRunning);
    // The replay buffer samples at the interval of its track header, whatever recording
    // options were chosen since it started.
    uint32_t interval = ModuleMode == ReplayBuffering && TrackTable.count > 0 ? TrackTable.entries[0].interval
                                                                              : RecordOptions.interval;
    bool due = Timeline - LastSampleTime >= interval * 10 || FirstTick != 0 || onGround != PrevOnGround;
    if (!due) {
        PrevOnGround = onGround;
        return;
    }
    if (RecordOptions.autoStop == 2 && onGround != 0 && PrevOnGround == 0 && FirstTick == 0) {
        AutoStopTrigger = Timeline;
    }
    PrevOnGround = onGround;
    LastSampleTime = Timeline;
    if (FirstTick != 0) {
        AiTickCounter = 0;
        FirstTick = 0;
    }

    bool recording = ModuleMode == Recording || ModuleMode == RecordingWithTraffic;
    if (RecordOptions.aiFactor != 0 && recording) DiscoverAiAircraft();
    RequestDueSamples();
    if (recording) WriteOutAgedTracks();
    ++AiTickCounter;
    if (RecordOptions.aiFactor == 0 || AiTickCounter >= RecordOptions.aiFactor) AiTickCounter = 0;
    if (recording) CheckAutoStop();
}

void ReportRecordingWriteFailure() {
    if (WriteFailureReported) return;
    WriteFailureReported = true;
    ShowModuleMessage(MainWindow,
                      "The recording could not be written to its temporary file! Please check the free space "
                      "on your disk.",
                      "Kestrel", MB_OK | MB_ICONERROR);
}

// ---- Starting and stopping a recording ----

void StartRecording() {
    uint32_t mode = ModuleMode;
    if (mode != Idle && mode != ReplayBuffering && mode != PlayingTraffic) return;
    // "w+b" would truncate the temp files of a recording that could not be recovered yet.
    if (RecoveryPending && !RecoverInterruptedRecording(1)) return;
    if (mode == ReplayBuffering) StopReplayBuffer();
    if (mode == PlayingTraffic) {
        FirstTick = 2;
        PlaybackSpeed(2);
        if (SimRateChanged) ApplySimRate(256);  // a held search ends with the recording's start
        PlaybackLoop(3);
        SetModuleMode(RecordingWithTraffic);
    } else {
        SetModuleMode(Recording);
        Timeline = 0;
        FirstTick = 1;
    }
    RecordingStartTime = Timeline;
    RequestZuluDateTime();
    AutoStopTrigger = 0;
    // Beside a traffic playback the count goes on with the traffic aircraft's buffers.
    if (mode != PlayingTraffic) ActiveTrafficCount = 0;
    PrevEngine = EngineRunning;  // a countdown starts only at a shutdown seen by this recording
    WriteFailureReported = false;
    ShowControlWindow(false);

    char tempName[MAX_PATH];
    FILE* file = FormatTempFileName(tempName, UserTempFileId, true) ? OpenHostFile(tempName, "w+b") : nullptr;
    int index = file ? AddTrackEntry() : -1;
    Track* track = index >= 0 ? &TrackTable.entries[index] : nullptr;
    if (!track || !OpenTrack(track, TrackCapacity, file, 0, Settings.RecFlags, GetUserTitle(), UserObjectId,
                             RecordOptions.interval, 1)) {
        if (track) {
            track->file = nullptr;
            ReleaseTrackBuffer(track);
            RemoveTrackEntry((uint32_t)index);
        }
        if (file) {
            fclose(file);
            DeleteFileA(tempName);
        }
        ShowModuleMessage(MainWindow, "Temp file could not be opened!", "Kestrel Module", MB_OK | MB_ICONERROR);
        // A traffic playback that was running goes on; otherwise back to idle.
        if (mode == PlayingTraffic) {
            SetModuleMode(PlayingTraffic);
            if (Settings.Show && Settings.WindAiPlay) ShowControlWindow(true);
        } else {
            SetModuleMode(Idle);
            StartReplayBuffer();
        }
        return;
    }
    track->cgHeight = GetUserCgHeight();
    track->tempFileId = UserTempFileId;
}

void StopRecording(uint32_t forced) {
    if (ModuleMode != Recording && ModuleMode != RecordingWithTraffic) return;
    char path[MAX_PATH];
    bool save = true;
    if (!Settings.NoRecDlg) {
        if (!AskRecordingFileName(true, MainWindow, path, sizeof(path), "Save Recording",
                                  OFN_OVERWRITEPROMPT | OFN_EXPLORER, true)) {
            if (!forced && ShowModuleMessage(MainWindow, "Do you want to continue recording?", "Kestrel",
                                             MB_YESNO | MB_ICONQUESTION) == IDYES) {
                return;
            }
            save = false;
        }
    } else if (!FormatDefaultRecordingName(path, sizeof(path))) {
        // Cut, the name would lose its extension or its seconds and could replace an
        // earlier recording: handled like an output that cannot be opened.
        ShowModuleMessage(MainWindow, OutputOpenFailedText, "Kestrel", MB_OK | MB_ICONERROR);
        return;
    }

    if (save) {
        int written = WriteRecordingFile(path);
        if (written != RecordingFileWritten) {
            // Nothing is lost: the temp files stay and the recording goes on, so it
            // can be stopped again and saved elsewhere.
            const char* text = written == RecordingFileNotOpened ? OutputOpenFailedText : OutputWriteFailedText;
            ShowModuleMessage(MainWindow, text, "Kestrel", MB_OK | MB_ICONERROR);
            return;
        }
    } else {
        DiscardRecording();
    }

    if (ModuleMode == RecordingWithTraffic) {
        SetModuleMode(PlayingTraffic);
        RecountActiveTraffic();
        if (Settings.Show && Settings.WindAiPlay) ShowControlWindow(true);
    } else {
        SetModuleMode(Idle);
        StartReplayBuffer();
    }
}

// ---- The replay buffer ----

void StartReplayBuffer() {
    if (ModuleMode != Idle && ModuleMode != ReplayBuffering) return;
    if (!Settings.RplyEnabled) return;
    if (ModuleMode == ReplayBuffering) StopReplayBuffer();
    SetModuleMode(ReplayBuffering);
    Timeline = 0;
    RequestZuluDateTime();
    FirstTick = 1;
    RecordOptions.interval = Settings.RplyItvl;
    RecordOptions.autoStop = 0;
    // The replay track must be entry 0; anything left in the table is a fault.
    if (TrackTable.count != 0 || AddTrackEntry() != 0) {
        ShowModuleMessage(MainWindow, "An unexpected error occured!", "Kestrel Module", MB_OK | MB_ICONERROR);
        SetModuleMode(Idle);
        return;
    }
    Track* track = &TrackTable.entries[0];
    OpenTrack(track, Settings.BufferSize, nullptr, 0, Settings.RecFlags, GetUserTitle(), UserObjectId,
              Settings.RplyItvl, 1);
    track->cgHeight = GetUserCgHeight();
}

void StopReplayBuffer() {
    if (ModuleMode != ReplayBuffering) return;
    SetModuleMode(Idle);
    if (TrackTable.count == 0) return;
    ReleaseTrackBuffer(&TrackTable.entries[0]);
    RemoveTrackEntry(0);
}

void SaveReplay(HWND owner) {
    if (TrackTable.count == 0 || !TrackTable.entries[0].memoryOnly) return;
    char path[MAX_PATH];
    if (!AskRecordingFileName(true, owner, path, sizeof(path), "Save Recording", OFN_OVERWRITEPROMPT | OFN_EXPLORER,
                              false)) {
        return;
    }
    // A full disk is told apart from a file that cannot be created: the buffer is still
    // whole, so the user can save it again elsewhere.
    RecordingFileResult written = WriteReplayFile(path, &TrackTable.entries[0]);
    if (written != RecordingFileWritten) {
        ShowModuleMessage(owner, written == RecordingFileNotOpened ? OutputOpenFailedText : OutputWriteFailedText,
                          "Kestrel", MB_OK | MB_ICONERROR);
    }
}
