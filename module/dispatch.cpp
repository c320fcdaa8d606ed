// The SimConnect dispatch callback: everything the module does after start-up, apart
// from the keys and the control window, begins here. The Frame event is the module's
// only clock; it drives the recording and playback ticks and the status line.
#include "module/dispatch.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "module/entry.h"
#include "module/simcommands.h"
#include "module/simlink.h"
#include "module/versioncheck.h"
#include "playback/controls.h"
#include "playback/player.h"
#include "playback/position.h"
#include "recording/capture.h"
#include "recording/recorder.h"
#include "recording/track.h"
#include "ui/config.h"
#include "ui/dialogs.h"
#include "ui/keyboard.h"
#include "ui/replaydialog.h"
#include "ui/settingsdialog.h"

uint32_t FrameClock = 0;
uint32_t PrevFrameClock = 0;
uint32_t StatusTextTimer = 0;
uint32_t FirstLoadSeen = 0;
uint32_t UserObjectId = 1;
uint32_t IsLevelD767 = 0;
uint32_t ZuluStamp = 0;
const int16_t SpeedPercentTable[9] = {10, 20, 33, 50, 100, 200, 300, 500, 1000};
AircraftListRecord AircraftList = {nullptr, 0, 0};

static double ClockFactor = 0.0;  // 1/10000 s per performance-counter tick

// Reads a 64-bit float of a reply's data block, which need not be aligned.
static double DataValue(const uint8_t* block, uint32_t index) {
    double value;
    memcpy(&value, block + index * 8, sizeof(value));
    return value;
}

// ---- AircraftList ----

int ResetAircraftList() {
    uint32_t* ids = (uint32_t*)calloc(10, sizeof(uint32_t));
    if (!ids) return 0;
    free(AircraftList.ids);
    AircraftList.ids = ids;
    AircraftList.capacity = 10;
    AircraftList.count = 1;
    AircraftList.ids[0] = UserObjectId;
    return 1;
}

void ReleaseAircraftList() {
    free(AircraftList.ids);
    AircraftList = {nullptr, 0, 0};
}

void AddAircraft(uint32_t objectId) {
    if (!AircraftList.ids) return;
    for (uint32_t i = 0; i < AircraftList.count; ++i) {
        if (AircraftList.ids[i] == objectId) return;
    }
    if (AircraftList.count >= AircraftList.capacity) {
        // A failed growth keeps the list as it was: the aircraft is not tracked.
        uint32_t* grown = (uint32_t*)realloc(AircraftList.ids, (AircraftList.capacity + 10) * sizeof(uint32_t));
        if (!grown) return;
        AircraftList.ids = grown;
        AircraftList.capacity += 10;
    }
    AircraftList.ids[AircraftList.count++] = objectId;
}

void RemoveAircraft(uint32_t objectId) {
    if (!AircraftList.ids) return;
    for (uint32_t i = 1; i < AircraftList.count;) {
        if (AircraftList.ids[i] == objectId) {
            memmove(&AircraftList.ids[i], &AircraftList.ids[i + 1],
                    (AircraftList.count - i - 1) * sizeof(uint32_t));
            --AircraftList.count;
        } else {
            ++i;
        }
    }
    if (AircraftList.capacity >= 20 && AircraftList.count <= AircraftList.capacity - 20) {
        uint32_t* shrunk = (uint32_t*)realloc(AircraftList.ids, (AircraftList.capacity - 10) * sizeof(uint32_t));
        if (shrunk) {  // a failed shrink keeps the larger storage, which is still valid
            AircraftList.ids = shrunk;
            AircraftList.capacity -= 10;
        }
    }
}

// ---- Clock and time stamps ----

uint32_t QueryClock() {
    if (ClockFactor == 0.0) {
        LARGE_INTEGER frequency;
        QueryPerformanceFrequency(&frequency);
        if (frequency.QuadPart != 0) ClockFactor = 10000.0 / (double)frequency.QuadPart;
    }
    LARGE_INTEGER counter;
    QueryPerformanceCounter(&counter);
    return (uint32_t)SaturateToInt<int64_t>((double)counter.QuadPart * ClockFactor);
}

void SplitZuluStamp(uint32_t stamp, uint16_t* year, uint16_t* dayOfYear, uint8_t* hour, uint8_t* minute,
                    uint8_t* second) {
    *second = (uint8_t)(stamp % 60);
    *minute = (uint8_t)((stamp / 60) % 60);
    *hour = (uint8_t)((stamp / 3600) % 24);
    *dayOfYear = (uint16_t)((stamp / 86400) % 366);
    *year = (uint16_t)(stamp / 31622400 + 1900);
}

// ---- Status line ----

static uint32_t Seconds(uint32_t ticks) {
    return ticks / 10000;
}

// Appends a suffix by formatting from a copy of the text so far; the status line
// keeps its first 99 characters.
static void AppendStatusSuffix(char* text, const char* format, int value) {
    char copy[100];
    char joined[160];
    strcpy(copy, text);
    snprintf(joined, sizeof(joined), format, copy, value);
    memcpy(text, joined, 99);
    text[99] = 0;
}

void ShowStatusLine() {
    char text[100];
    SIMCONNECT_TEXT_TYPE type;
    bool suffixes = true;
    bool speedSuffix = true;
    switch (ModuleMode) {
    case Recording:
        if (!Settings.ShowRec) return;
        snprintf(text, sizeof(text), "RECORDING [%d seconds]", (int)Seconds(Timeline));
        type = SIMCONNECT_TEXT_TYPE_PRINT_RED;
        suffixes = false;
        break;
    case Playing:
        if (!Settings.ShowPlay) return;
        snprintf(text, sizeof(text), "PLAYBACK [%d / %d seconds]", (int)Seconds(Timeline - PlaybackStart),
                 (int)Seconds(PlaybackEnd - PlaybackStart));
        type = SIMCONNECT_TEXT_TYPE_PRINT_GREEN;
        break;
    case Replaying:
        if (!Settings.ShowPlay) return;
        snprintf(text, sizeof(text), "REPLAY [%d seconds]", (int)Seconds(PlaybackEnd - Timeline));
        type = SIMCONNECT_TEXT_TYPE_PRINT_GREEN;
        break;
    case PlayingTraffic:
        if (!Settings.ShowPlay) return;
        snprintf(text, sizeof(text), "TRAFFIC PLAYBACK [%d / %d seconds]", (int)Seconds(Timeline - PlaybackStart),
                 (int)Seconds(PlaybackEnd - PlaybackStart));
        type = SIMCONNECT_TEXT_TYPE_PRINT_BLUE;
        break;
    case RecordingWithTraffic:
        if (!Settings.ShowPlay && !Settings.ShowRec) return;
        snprintf(text, sizeof(text), "RECORDING + TRAFFIC PLAYBACK [%d / %d seconds]",
                 (int)Seconds(Timeline - PlaybackStart), (int)Seconds(PlaybackEnd - PlaybackStart));
        type = SIMCONNECT_TEXT_TYPE_PRINT_MAGENTA;
        speedSuffix = false;
        break;
    default:
        return;
    }
    if (suffixes && LoopEnabled) AppendStatusSuffix(text, "%s (loop)", 0);
    if (suffixes && speedSuffix && SpeedIndex != 4) {
        AppendStatusSuffix(text, "%s (speed %d%%)", SpeedPercentTable[SpeedIndex < 9 ? SpeedIndex : 4]);
    }
    SimConnect_Text(SimConnectHandle, type, 1.0f, 0, 100, text);
}

// ---- Message handlers ----

static void HandleMenuCommand(uint32_t id) {
    switch (id) {
    case MenuRecord:
        if (ModuleMode == Idle || ModuleMode == ReplayBuffering || ModuleMode == PlayingTraffic) RunRecordCommand();
        break;
    case MenuPlay:
    case MenuPlayTraffic:
        if (ModuleMode != Recording && ModuleMode != Replaying && ModuleMode != Playing &&
            ModuleMode != PlayingTraffic) {
            StartPlay(id == MenuPlayTraffic ? 1 : 0);
        }
        break;
    case MenuReplay:
        if (ModuleMode == ReplayBuffering) OpenModuleDialog(DialogReplay, ReplayDialogProc);
        break;
    case MenuStop:
        if (ModuleMode == Playing || ModuleMode == Replaying) {
            PlaybackJump(1);
            PlaybackLoop(3);
        }
        if (ModuleMode == PlayingTraffic) StopPlayback(0);
        if (ModuleMode == Recording || ModuleMode == RecordingWithTraffic) StopRecording(0);
        break;
    case MenuSettings:
        if (ModuleMode == Idle || ModuleMode == ReplayBuffering) OpenModuleDialog(DialogSettings, SettingsDialogProc);
        break;
    case MenuKeyboard:
        if (ModuleMode == Idle || ModuleMode == ReplayBuffering) OpenModuleDialog(DialogKeyboard, KeyboardDialogProc);
        break;
    case MenuAbout:
        OpenModuleDialog(DialogAbout, AboutDialogProc);
        break;
    default:
        break;
    }
}

static void HandleEvent(const SIMCONNECT_RECV_EVENT* event) {
    if (event->uEventID >= MenuRecord && event->uEventID <= MenuAbout) {
        HandleMenuCommand(event->uEventID);
    } else if (event->uEventID == EventPaused) {
        SimPaused = 1;
    } else if (event->uEventID == EventUnpaused) {
        SimPaused = 0;
    }
}

static void HandleObjectAddRemove(const SIMCONNECT_RECV_EVENT_OBJECT_ADDREMOVE* event) {
    uint32_t objectId = event->dwData;
    if (event->eObjType != SIMCONNECT_SIMOBJECT_TYPE_AIRCRAFT || objectId == 0 || objectId == UserObjectId) return;
    if (event->uEventID == EventObjectAdded) {
        AddAircraft(objectId);
    } else if (event->uEventID == EventObjectRemoved) {
        RemoveAircraft(objectId);
        for (uint32_t i = 0; i < TrackTable.count; ++i) {
            Track* track = &TrackTable.entries[i];
            if (track->objectId != objectId || track->readMode != 0) continue;
            // A track whose last records could not be written keeps its buffer and file,
            // so saving the recording finalizes it again instead of losing them.
            if (FinalizeTrackFile(track)) {
                ReleaseTrackBuffer(track);
                if (track->file) {
                    fclose(track->file);
                    track->file = nullptr;
                }
            } else if (track->file) {
                ReportRecordingWriteFailure();
            }
            if (ActiveTrafficCount > 0) --ActiveTrafficCount;
        }
    }
}

static void RequestUserTitle() {
    SimConnect_RequestDataOnSimObject(SimConnectHandle, ReqUserTitle, DefTitle, SIMCONNECT_OBJECT_ID_USER,
                                      SIMCONNECT_PERIOD_ONCE, SIMCONNECT_DATA_REQUEST_FLAG_DEFAULT, 0, 0, 0);
}

static void HandleFileNameEvent(const SIMCONNECT_RECV_EVENT* event) {
    if (event->uEventID == EventFlightLoaded) {
        if (Settings.RplyClear || !FirstLoadSeen) {
            StartReplayBuffer();
            FirstLoadSeen = 1;
        }
        if (ModuleMode == Recording) StopRecording(1);
    } else if (event->uEventID == EventAircraftLoaded) {
        if (Settings.RplyClear || !FirstLoadSeen) FirstLoadSeen = 1;
        if (ModuleMode == Recording) StopRecording(1);
        RequestUserTitle();
    }
}

static void HandleFrame(const SIMCONNECT_RECV_EVENT_FRAME* frame) {
    PrevFrameClock = FrameClock;
    if (FrameTimeEntry) {
        FrameClock += (uint32_t)SaturateToInt<int64_t>(FrameTimeEntry() * 10000.0);
    } else {
        FrameClock = QueryClock();
    }
    if (frame->fSimSpeed != 0.0f) SimRate = (uint16_t)SaturateToInt<int64_t>(frame->fSimSpeed * 256.0f);
    if (!SimPaused) {
        if (ModuleMode == Recording || ModuleMode == ReplayBuffering || ModuleMode == RecordingWithTraffic) {
            RecordingTick();
        }
        if (ModuleMode == Playing || ModuleMode == Replaying || ModuleMode == PlayingTraffic ||
            ModuleMode == RecordingWithTraffic) {
            PlaybackFrame();
        }
    }
    uint32_t interval = 800;
    if (!SimPaused && SimRate > 256) interval = 204800 / SimRate;
    uint32_t now = GetTickCount();
    if (now - StatusTextTimer > interval) {
        StatusTextTimer = now;
        ShowStatusLine();
    }
}

static bool ContainsLevelD767(const char* title) {
    bool levelD = strstr(title, "Level D") || strstr(title, "Level-D") || strstr(title, "LevelD");
    return levelD && strstr(title, "767");
}

static void HandleUserTitle(const SIMCONNECT_RECV_SIMOBJECT_DATA* data, const uint8_t* block) {
    UserCgHeight = (float)DataValue(block, 0);
    memcpy(UserTitle, block + 8, 255);
    UserTitle[255] = 0;
    UserObjectId = data->dwObjectID;
    if (AircraftList.ids) AircraftList.ids[0] = UserObjectId;
    RemoveAircraft(UserObjectId);
    if (ModuleMode == ReplayBuffering && TrackTable.count > 0) TrackTable.entries[0].objectId = UserObjectId;
    IsLevelD767 = ContainsLevelD767(UserTitle) ? 1 : 0;
    StartReplayBuffer();
}

static void HandleObjectTitle(const SIMCONNECT_RECV_SIMOBJECT_DATA* data, const uint8_t* block) {
    double cgFeet = DataValue(block, 0);
    for (uint32_t i = 0; i < TrackTable.count; ++i) {
        Track* track = &TrackTable.entries[i];
        if (track->objectId != data->dwObjectID) continue;
        if (track->readMode == 0) {
            track->cgHeight = (float)cgFeet;
            memcpy(track->title, block + 8, sizeof(track->title));
        } else {
            track->heightOffset = CgHeightOffset(cgFeet, track->cgHeight);
        }
    }
}

static void HandleObjectData(const SIMCONNECT_RECV_SIMOBJECT_DATA* data, DWORD size) {
    const uint8_t* block = (const uint8_t*)&data->dwData;
    uint32_t blockSize = size - offsetof(SIMCONNECT_RECV_SIMOBJECT_DATA, dwData);
    switch (data->dwRequestID) {
    case ReqSampleData:
        if (blockSize >= RecordingReplySize()) {
            double values[64];
            memcpy(values, block, RecordingReplySize() <= sizeof(values) ? RecordingReplySize() : sizeof(values));
            CaptureSample(values, data->dwObjectID);
        }
        break;
    case ReqControlData:
        if (blockSize >= 24) {
            OnGround = (uint8_t)SaturateToInt<int64_t>(DataValue(block, 1));
            EngineRunning = (uint8_t)SaturateToInt<int64_t>(DataValue(block, 0));
            ParkingBrakeSet = DataValue(block, 2) > 0.0 ? 1 : 0;
        }
        break;
    case ReqUserTitle:
        if (blockSize >= 8 + 256) HandleUserTitle(data, block);
        break;
    case ReqObjectTitle:
        if (blockSize >= 8 + 256) HandleObjectTitle(data, block);
        break;
    case ReqZuluDateTime:
        if (blockSize >= 24) {
            double stamp = ((DataValue(block, 0) - 1900.0) * 366.0 + DataValue(block, 1)) * 24.0 * 3600.0 +
                           DataValue(block, 2);
            ZuluStamp = (uint32_t)SaturateToInt<int64_t>(stamp);
        }
        break;
    default:
        break;
    }
}

static void HandleAssignedObjectId(const SIMCONNECT_RECV_ASSIGNED_OBJECT_ID* assigned) {
    uint32_t objectId = assigned->dwObjectID;
    Track* owner = nullptr;
    for (uint32_t i = 0; i < TrackTable.count && !owner; ++i) {
        Track* track = &TrackTable.entries[i];
        if (track->objectId > 0x80000000u && track->objectId == assigned->dwRequestID) owner = track;
    }
    // An aircraft confirmed after its track stopped playing (the playback ended or the
    // track left its span) has no track to steer it: it leaves instead of staying frozen.
    if (!owner) {
        RemoveTrafficAircraft(objectId);
        return;
    }
    SimConnect_AIReleaseControl(SimConnectHandle, objectId, ReqReleaseControl);
    FreezeObject(objectId);
    for (uint32_t i = 0; i < TrackTable.count; ++i) {
        Track* track = &TrackTable.entries[i];
        if (track->objectId > 0x80000000u && track->objectId == assigned->dwRequestID) {
            track->objectId = objectId;
            RequestObjectTitle(objectId);
        }
    }
}

void CALLBACK SimLinkDispatch(SIMCONNECT_RECV* data, DWORD size, void*) {
    if (!data || size < sizeof(SIMCONNECT_RECV)) return;
    switch (data->dwID) {
    case SIMCONNECT_RECV_ID_OPEN:
        RegisterSimLink();
        break;
    case SIMCONNECT_RECV_ID_EVENT:
        if (size >= sizeof(SIMCONNECT_RECV_EVENT)) HandleEvent((SIMCONNECT_RECV_EVENT*)data);
        break;
    case SIMCONNECT_RECV_ID_EVENT_OBJECT_ADDREMOVE:
        if (size >= sizeof(SIMCONNECT_RECV_EVENT_OBJECT_ADDREMOVE)) {
            HandleObjectAddRemove((SIMCONNECT_RECV_EVENT_OBJECT_ADDREMOVE*)data);
        }
        break;
    case SIMCONNECT_RECV_ID_EVENT_FILENAME:
        if (size >= sizeof(SIMCONNECT_RECV_EVENT)) HandleFileNameEvent((SIMCONNECT_RECV_EVENT*)data);
        break;
    case SIMCONNECT_RECV_ID_EVENT_FRAME:
        if (size >= sizeof(SIMCONNECT_RECV_EVENT_FRAME) && ((SIMCONNECT_RECV_EVENT*)data)->uEventID == EventFrame) {
            HandleFrame((SIMCONNECT_RECV_EVENT_FRAME*)data);
        }
        break;
    case SIMCONNECT_RECV_ID_SIMOBJECT_DATA:
        if (size >= offsetof(SIMCONNECT_RECV_SIMOBJECT_DATA, dwData)) {
            HandleObjectData((SIMCONNECT_RECV_SIMOBJECT_DATA*)data, size);
        }
        break;
    case SIMCONNECT_RECV_ID_ASSIGNED_OBJECT_ID:
        if (size >= sizeof(SIMCONNECT_RECV_ASSIGNED_OBJECT_ID)) {
            HandleAssignedObjectId((SIMCONNECT_RECV_ASSIGNED_OBJECT_ID*)data);
        }
        break;
    default:
        break;
    }
}
