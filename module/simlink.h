// Everything the module names to SimConnect: the client event ids (menu items,
// system events, sim events), data definition and request ids, the Add-ons menu,
// and the mode setter that rebuilds that menu.
#pragma once

#include <cstdint>

enum ModuleModeValue : uint32_t {
    Idle = 0,
    Recording = 1,
    Playing = 2,
    ReplayBuffering = 3,
    Replaying = 4,
    PlayingTraffic = 5,
    RecordingWithTraffic = 6,
};

// Client event ids: menu items 0..8, system events 9..15, sim events 16..31.
enum ClientEventId : uint32_t {
    MenuKestrel = 0,
    MenuRecord = 1,
    MenuPlay = 2,
    MenuPlayTraffic = 3,
    MenuReplay = 4,
    MenuStop = 5,
    MenuSettings = 6,
    MenuKeyboard = 7,
    MenuAbout = 8,
    EventFrame = 9,
    EventFlightLoaded = 10,
    EventAircraftLoaded = 11,
    EventPaused = 12,
    EventUnpaused = 13,
    EventObjectAdded = 14,
    EventObjectRemoved = 15,
    EventPauseOn = 16,
    EventPauseOff = 17,
    EventSimRateSet = 18,
    EventNav1RadioSet = 19,
    EventVor1Set = 20,
    EventNav2RadioSet = 21,
    EventVor2Set = 22,
    EventAdfCompleteSet = 23,
    EventComRadioSet = 24,
    EventCom2RadioSet = 25,
    EventXpndrSet = 26,
    EventFreezeLatLon = 27,
    EventFreezeAltitude = 28,
    EventFreezeAttitude = 29,
    EventRefreshScenery = 30,
    EventParkingBrakes = 31,
};

enum DataDefinitionId : uint32_t {
    DefRecording = 0,    // the sample data of one aircraft
    DefPlayback = 1,     // the data written to an aircraft during playback
    DefControlData = 2,  // engine combustion, on ground, parking brake
    DefTitle = 3,        // static CG height and title
    DefZulu = 4,         // Zulu year, day of year and time
};

enum DataRequestId : uint32_t {
    ReqSampleData = 0,
    ReqControlData = 1,
    ReqUserTitle = 2,
    ReqObjectTitle = 3,
    ReqReleaseControl = 4,
    ReqZuluDateTime = 5,
};

extern uint32_t ModuleMode;         // ModuleModeValue; changed only by SetModuleMode (and DLLStop)
extern uint32_t SimLinkRegistered;  // 1 once RegisterSimLink has run

// Registers menus, events and data definitions on the first open message.
void RegisterSimLink();
// Rebuilds the Add-ons menu for the new mode, then stores it.
void SetModuleMode(uint32_t mode);
void RebuildMenu(uint32_t oldMode, uint32_t newMode);
