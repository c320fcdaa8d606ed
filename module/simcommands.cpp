// The commands other subsystems send to the simulator, and readers of the sim state
// cache that the dispatch keeps current. None of them waits for an answer.
#include "module/simcommands.h"

#include "module/dispatch.h"
#include "module/entry.h"
#include "module/simlink.h"
#include "module/versioncheck.h"
#include "platform/simconnect.h"

uint32_t SimPaused = 0;
uint16_t SimRate = 0;
char UserTitle[256];
float UserCgHeight = 0.0f;
uint8_t OnGround = 0;
uint8_t EngineRunning = 0;
uint8_t ParkingBrakeSet = 0;

static void TransmitEvent(uint32_t objectId, uint32_t eventId, DWORD data) {
    SimConnect_TransmitClientEvent(SimConnectHandle, objectId, eventId, data, SIMCONNECT_GROUP_PRIORITY_HIGHEST,
                                   SIMCONNECT_EVENT_FLAG_GROUPID_IS_PRIORITY);
}

static void RequestOnce(uint32_t requestId, uint32_t definition, uint32_t objectId) {
    SimConnect_RequestDataOnSimObject(SimConnectHandle, requestId, definition, objectId, SIMCONNECT_PERIOD_ONCE,
                                      SIMCONNECT_DATA_REQUEST_FLAG_DEFAULT, 0, 0, 0);
}

uint32_t IsSimPaused() {
    return SimPaused;
}

void SendSimPause(uint32_t on) {
    TransmitEvent(SIMCONNECT_OBJECT_ID_USER, on ? EventPauseOn : EventPauseOff, 0);
}

uint16_t GetSimRate() {
    return SimRate;
}

void ApplySimRate(uint16_t rate) {
    if (SimRateEntry) SimRateEntry(rate);
    SimRate = rate;
}

uint32_t IsMultiplayerRunning() {
    if (FindWindowA("FS98FLOAT", "Online Contacts")) return 1;
    if (FindWindowA("FS98CHILD", "Online Contacts")) return 1;
    return 0;
}

void EnterDialogMode() {
    SimConnect_SetSystemState(SimConnectHandle, "DialogMode", 1, 0.0f, nullptr);
}

void LeaveDialogMode() {
    SimConnect_SetSystemState(SimConnectHandle, "DialogMode", 0, 0.0f, nullptr);
}

void RequestZuluDateTime() {
    RequestOnce(ReqZuluDateTime, DefZulu, SIMCONNECT_OBJECT_ID_USER);
}

float GetUserCgHeight() {
    return UserCgHeight;
}

char* GetUserTitle() {
    return UserTitle;
}

// Where the last walk step ended: a walk through the list looks up each id after the
// one before. The ids in the list are distinct, so starting there finds the same entry.
static uint32_t NextAircraftStart = 0;

uint32_t NextAircraftId(uint32_t objectId) {
    uint32_t count = AircraftList.count;
    uint32_t i = NextAircraftStart < count ? NextAircraftStart : 0;
    for (uint32_t steps = 0; steps < count; ++steps) {
        if (AircraftList.ids[i] == objectId) {
            NextAircraftStart = i + 1 < count ? i + 1 : 0;
            return i + 1 < count ? AircraftList.ids[i + 1] : AircraftList.ids[0];
        }
        i = i + 1 < count ? i + 1 : 0;
    }
    return 0;
}

void RequestObjectTitle(uint32_t objectId) {
    RequestOnce(ReqObjectTitle, DefTitle, objectId);
}

uint32_t GetGroundAndEngineState(uint8_t* onGround, uint8_t* engineRunning) {
    *onGround = OnGround;
    *engineRunning = EngineRunning;
    return 1;
}

uint32_t RequestSampleData(uint32_t objectId) {
    RequestOnce(ReqSampleData, DefRecording, objectId);
    return 1;
}

static void SetFreezeFlags(uint32_t objectId, DWORD on) {
    TransmitEvent(objectId, EventFreezeLatLon, on);
    TransmitEvent(objectId, EventFreezeAltitude, on);
    TransmitEvent(objectId, EventFreezeAttitude, on);
}

void FreezeObject(uint32_t objectId) {
    SetFreezeFlags(objectId, 1);
}

void UnfreezeObject(uint32_t objectId) {
    SetFreezeFlags(objectId, 0);
}
