// The three kinds of playback: a recording onto the user's aircraft, recordings as AI
// traffic, and the instant replay. Starting, the per-frame tick with the creation and
// removal of traffic aircraft, and stopping with the undoing of every temporary change
// (simulation rate, pause, host option, host traffic, frozen user aircraft).
#include "playback/player.h"

#include <cstdio>
#include <cstring>

#include "module/dispatch.h"
#include "module/entry.h"
#include "module/simcommands.h"
#include "module/simlink.h"
#include "module/versioncheck.h"
#include "playback/controls.h"
#include "playback/position.h"
#include "recording/recorder.h"
#include "recording/recordingfile.h"
#include "recording/track.h"
#include "ui/config.h"
#include "ui/controlwindow.h"
#include "ui/dialogs.h"

uint16_t SavedHostOption = 0;
uint32_t SavedTrafficSettings[2] = {0, 0};
uint32_t AiCreateRequestId = 0x80000000u;

static const uint32_t HostOptionCount = 25;
static const uint32_t TrafficBlockWords = 64;  // the host's block is larger than the two words used
static const uint32_t FirstCreationRequest = 0x80000000u;

// Set by the first frame's set-up, cleared by each start: a playback stopped before
// its first frame never saved the host's option and traffic words, so it must not
// write back values saved by an earlier playback (or the zeros of module start).
static bool HostSettingsSaved = false;

// The open dialog's buffer: one path, or a folder and the names of several files.
static char OpenFileNames[7800];

static bool IsTrafficTrack(const Track* track) {
    return track->objectId != UserObjectId;
}

void ResetPlayerState() {
    SavedHostOption = 0;
    SavedTrafficSettings[0] = 0;
    SavedTrafficSettings[1] = 0;
    AiCreateRequestId = FirstCreationRequest;
    HostSettingsSaved = false;
    PlaybackStart = 0;
    PlaybackEnd = 0;
    SpeedPercent = 100;
    SpeedIndex = 4;
    LoopEnabled = 0;
    LoopStartTime = 0;
    LoopEndTime = 0;
    PositionJumped = 0;
    LastPlaybackClock = 0;
    LastFrameDelta = 0;
}

// ---- Host entries ----

uint16_t GetHostOption() {
    if (!HostOptionReader) return 0;
    const uint32_t* table = HostOptionReader();
    return table ? (uint16_t)table[HostOptionIndex] : 0;
}

void SetHostOption(uint16_t value) {
    if (!HostOptionReader || !HostOptionWriter) return;
    const uint32_t* table = HostOptionReader();
    if (!table) return;
    uint32_t copy[HostOptionCount];
    memcpy(copy, table, sizeof(copy));
    copy[HostOptionIndex] = value;
    HostOptionWriter(copy);
}

void ReadTrafficSettings(uint32_t* block) {
    if (TrafficSettingsReader) TrafficSettingsReader(block);
}

void WriteTrafficSettings(uint32_t* block) {
    if (TrafficSettingsWriter) TrafficSettingsWriter(block);
}

// ---- Traffic aircraft ----

uint32_t CreateTrafficAircraft(const char* title) {
    ++AiCreateRequestId;
    char containerTitle[101];
    memcpy(containerTitle, title, 100);
    containerTitle[100] = 0;  // a title may use all 100 characters without a terminator
    SIMCONNECT_DATA_INITPOSITION position;
    memset(&position, 0, sizeof(position));
    position.OnGround = 1;
    HRESULT result =
        SimConnect_AICreateNonATCAircraft(SimConnectHandle, containerTitle, "KE-STR", position, AiCreateRequestId);
    return result == 0 ? AiCreateRequestId : 0;
}

void RemoveTrafficAircraft(uint32_t objectId) {
    SimConnect_AIRemoveObject(SimConnectHandle, objectId, objectId + 0x08000000u);
}

// Closes a track's recording file unless another track still reads the same stream.
static void CloseSharedFile(uint32_t index) {
    FILE* file = TrackTable.entries[index].file;
    if (!file) return;
    TrackTable.entries[index].file = nullptr;
    for (uint32_t i = 0; i < TrackTable.count; ++i) {
        if (TrackTable.entries[i].file == file) return;
    }
    fclose(file);
}

void RecountActiveTraffic() {
    uint16_t count = 0;
    for (uint32_t i = 0; i < TrackTable.count; ++i) {
        const Track* track = &TrackTable.entries[i];
        if (track->buffer && IsTrafficTrack(track)) ++count;
    }
    ActiveTrafficCount = count;
}

static void LowerActiveTraffic() {
    if (ActiveTrafficCount > 0) --ActiveTrafficCount;
}

// ---- Starting ----

static void ResetSpeedAndLoop(uint32_t loopStart) {
    SpeedIndex = 4;
    SpeedPercent = 100;
    if (Settings.SetSimRate) ApplySimRate(256);
    ShowSpeedText();
    LoopStartTime = loopStart;
    LoopEndTime = PlaybackEnd - 2000;
    LoopEnabled = 0;
    ResetLoopDisplay();
}

// Loads the files of the open dialog's buffer; each failing file shows its own message.
static void LoadChosenFiles(uint32_t asTraffic) {
    const char* second = OpenFileNames + strlen(OpenFileNames) + 1;
    if (*second == 0) {
        LoadRecordingFile(OpenFileNames, asTraffic);
        return;
    }
    for (const char* name = second; *name; name += strlen(name) + 1) {
        char path[MAX_PATH];
        int length = snprintf(path, sizeof(path), "%s\\%s", OpenFileNames, name);
        if (length < 0 || length >= (int)sizeof(path)) {
            // Too long for a path: refused rather than cut to another file's name.
            ShowModuleMessage(MainWindow, "The selected file could not be opened!", "Kestrel",
                              MB_OK | MB_ICONERROR);
            continue;
        }
        LoadRecordingFile(path, asTraffic);
    }
}

void StartPlay(uint32_t asTraffic) {
    if (ModuleMode != Idle && ModuleMode != ReplayBuffering) return;
    if (IsMultiplayerRunning()) {
        ShowModuleMessage(MainWindow, "Playback is not available while a multiplayer session is running!", "Kestrel",
                          MB_OK | MB_ICONEXCLAMATION);
        return;
    }
    if (!AskRecordingFileName(false, MainWindow, OpenFileNames, sizeof(OpenFileNames), "Load Recording",
                              OFN_EXPLORER | OFN_ALLOWMULTISELECT, true)) {
        return;
    }

    StopReplayBuffer();
    PlaybackStart = 0xFFFFFFFFu;
    PlaybackEnd = 0;
    ActiveTrafficCount = 0;
    LoadChosenFiles(asTraffic);
    // Traffic tracks get their buffers when their aircraft enter the air, counted
    // against the traffic limit; a track of an older file comes with one already.
    for (uint32_t i = 0; i < TrackTable.count; ++i) {
        Track* track = &TrackTable.entries[i];
        if (track->readMode == 1 && IsTrafficTrack(track)) ReleaseTrackBuffer(track);
    }
    if (!asTraffic && TrackTable.count > 0) {
        PlaybackStart = TrackTable.entries[0].startTime;
        PlaybackEnd = TrackTable.entries[0].endTime;
    }
    SetModuleMode(asTraffic ? PlayingTraffic : Playing);
    ResetSpeedAndLoop(PlaybackStart);
    HostSettingsSaved = false;
    FirstTick = 1;
    Timeline = 0;
    PositionJumped = 1;
    if (Settings.Show && (!asTraffic || Settings.WindAiPlay)) ShowControlWindow(true);
    SendSimPause(0);
}

void StartReplay(uint32_t seconds) {
    if (ModuleMode != ReplayBuffering || TrackTable.count == 0) return;
    if (IsMultiplayerRunning()) {
        int answer = ShowModuleMessage(MainWindow,
                                       "Replay is not available while a multiplayer session is running! Do you want "
                                       "to save the replay for later playback?.",
                                       "Kestrel", MB_YESNO | MB_ICONEXCLAMATION);
        if (answer == IDYES) SaveReplay(MainWindow);
        return;
    }
    Track* replay = &TrackTable.entries[0];
    LinearizeRing(replay);
    PlaybackStart = replay->startTime;
    PlaybackEnd = replay->endTime;
    SetModuleMode(Replaying);
    replay->bufferIndex = 0;
    replay->readMode = 1;
    replay->position = 0;
    uint32_t back = seconds * 10000u;
    ResetSpeedAndLoop(PlaybackEnd - back);
    replay->heightOffset = 0;
    HostSettingsSaved = false;
    FirstTick = 1;
    Timeline = PlaybackEnd - back;
    PositionJumped = 1;
    if (Settings.Show) ShowControlWindow(true);
    SendSimPause(0);
}

// ---- The playback tick ----

static void SetUpFirstFrame() {
    FirstTick = 0;
    HostSettingsSaved = true;
    if (ModuleMode != PlayingTraffic) {
        SavedHostOption = GetHostOption();
        SetHostOption(0);
    }
    if (Settings.PlayAIMode != 1) {
        uint32_t block[TrafficBlockWords] = {};
        ReadTrafficSettings(block);
        SavedTrafficSettings[0] = block[0];
        SavedTrafficSettings[1] = block[1];
        block[0] = 0;
        block[1] = 0;
        WriteTrafficSettings(block);
    }
    if (ModuleMode == Playing || ModuleMode == Replaying) FreezeObject(UserObjectId);
}

void PlaybackFrame() {
    if (FirstTick == 1) SetUpFirstFrame();
    if (!AdvancePlayback()) return;
    for (uint32_t i = 0; i < TrackTable.count; ++i) {
        Track* track = &TrackTable.entries[i];
        if (track->readMode != 1) continue;
        if (Timeline < track->startTime || Timeline > track->endTime) {
            if (track->objectId != 0 && track->objectId != UserObjectId) {
                RemoveTrafficAircraft(track->objectId);
                track->objectId = 0;
            }
            if (track->buffer) {
                ReleaseTrackBuffer(track);
                if (IsTrafficTrack(track)) LowerActiveTraffic();
            }
            continue;
        }
        // A file track without one whole record has nothing to play: no aircraft for it.
        if (!track->memoryOnly && track->fileRecords == 0) continue;
        if (!track->buffer) {
            if (Settings.MaxAIAcft != 0 && ActiveTrafficCount >= Settings.MaxAIAcft) continue;
            if (!AllocateTrackBuffer(track)) continue;
            if (IsTrafficTrack(track)) ++ActiveTrafficCount;
        }
        if (track->objectId == 0) {
            track->objectId = CreateTrafficAircraft(track->title);
            if (track->objectId == 0) {
                ReleaseTrackBuffer(track);
                LowerActiveTraffic();
                CloseSharedFile(i);
                RemoveTrackEntry(i);
                continue;  // the entry moved into place i waits for the next frame
            }
        }
        if (track->objectId < FirstCreationRequest) PlayTrackStep(track);
    }
    PositionJumped = 0;
}

// ---- Stopping ----

void StopPlayback(uint32_t keepAircraft) {
    uint32_t mode = ModuleMode;
    if (mode != Playing && mode != Replaying && mode != PlayingTraffic && mode != RecordingWithTraffic) return;
    ShowControlWindow(false);
    if (mode != Replaying) {
        for (uint32_t i = 0; i < TrackTable.count;) {
            Track* track = &TrackTable.entries[i];
            if (track->readMode != 1) {
                ++i;
                continue;
            }
            if (track->objectId != 0 && track->objectId != UserObjectId && !keepAircraft) {
                RemoveTrafficAircraft(track->objectId);
            }
            CloseSharedFile(i);
            ReleaseTrackBuffer(track);
            RemoveTrackEntry(i);
        }
        RecountActiveTraffic();
    }
    if (mode == Playing || mode == Replaying) {
        if (Settings.Pause) SendSimPause(1);
        if (HostSettingsSaved) SetHostOption(SavedHostOption);
    }
    // A search raises the rate also without SetSimRate; it must not outlive the playback.
    if (Settings.SetSimRate || SimRateChanged) ApplySimRate(256);
    if (Settings.PlayAIMode != 1 && HostSettingsSaved) {
        uint32_t block[TrafficBlockWords] = {};
        ReadTrafficSettings(block);
        block[0] = SavedTrafficSettings[0];
        block[1] = SavedTrafficSettings[1];
        WriteTrafficSettings(block);
    }
    if (mode == Playing || mode == Replaying) UnfreezeObject(UserObjectId);
    if (mode == Replaying) {
        SetModuleMode(ReplayBuffering);
        Track* replay = &TrackTable.entries[0];
        if (replay->sampleCount >= replay->capacity) {
            replay->bufferIndex = 0;
            replay->position = replay->capacity;
        } else {
            replay->bufferIndex = replay->sampleCount;
            replay->position = replay->sampleCount;
        }
        replay->readMode = 0;
        Timeline = PlaybackEnd;
        return;
    }
    if (mode == RecordingWithTraffic) {
        SetModuleMode(Recording);
        return;
    }
    SetModuleMode(Idle);
    StartReplayBuffer();
}
