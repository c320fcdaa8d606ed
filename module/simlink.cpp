// What the module registers with SimConnect when the link opens (menu, system
// events, sim events, control-data definitions and requests) and the mode setter,
// which rebuilds the Add-ons menu for each mode.
#include "module/simlink.h"

#include "module/entry.h"
#include "platform/simconnect.h"
#include "recording/capture.h"

uint32_t ModuleMode = Idle;
uint32_t SimLinkRegistered = 0;

struct MenuItemText {
    uint32_t id;
    const char* text;
};
static const MenuItemText MenuTexts[] = {
    {MenuRecord, "Record..."},     {MenuPlay, "Play..."},         {MenuPlayTraffic, "Play as traffic..."},
    {MenuReplay, "Replay..."},     {MenuStop, "Stop..."},         {MenuSettings, "Settings..."},
    {MenuKeyboard, "Keyboard..."}, {MenuAbout, "About..."},
};

static const char* MenuText(uint32_t id) {
    for (const MenuItemText& item : MenuTexts) {
        if (item.id == id) return item.text;
    }
    return "";
}

// The sub-items of each mode, in the order they are added; 0 ends a list.
static const uint32_t IdleMenu[] = {MenuRecord, MenuPlay, MenuPlayTraffic, MenuReplay,
                                    MenuSettings, MenuKeyboard, MenuAbout, 0};
static const uint32_t BusyMenu[] = {MenuStop, MenuAbout, 0};
static const uint32_t TrafficMenu[] = {MenuRecord, MenuStop, MenuAbout, 0};

static const uint32_t* MenuOfMode(uint32_t mode) {
    switch (mode) {
    case Idle:
    case ReplayBuffering:
        return IdleMenu;
    case PlayingTraffic:
        return TrafficMenu;
    default:
        return BusyMenu;
    }
}

static const char* const SystemEventNames[] = {"Frame",    "FlightLoaded",  "AircraftLoaded", "Paused",
                                               "Unpaused", "ObjectAdded",   "ObjectRemoved"};

static const char* const SimEventNames[] = {
    "PAUSE_ON",        "PAUSE_OFF",      "SIM_RATE_SET",
    "NAV1_RADIO_SET",  "VOR1_SET",       "NAV2_RADIO_SET",
    "VOR2_SET",        "ADF_COMPLETE_SET", "COM_RADIO_SET",
    "COM2_RADIO_SET",  "XPNDR_SET",      "FREEZE_LATITUDE_LONGITUDE_SET",
    "FREEZE_ALTITUDE_SET", "FREEZE_ATTITUDE_SET", "REFRESH_SCENERY",
    "PARKING_BRAKES",
};
static_assert(sizeof(SimEventNames) / sizeof(SimEventNames[0]) == EventParkingBrakes - EventPauseOn + 1,
              "one name per sim event id");

// The control-data definitions, in the order their values arrive in a reply.
struct ControlDatum {
    uint32_t definition;
    const char* name;
    const char* units;
    SIMCONNECT_DATATYPE type;
};
static const ControlDatum ControlData[] = {
    {DefControlData, "General Eng Combustion:1", "bool", SIMCONNECT_DATATYPE_FLOAT64},
    {DefControlData, "Sim On Ground", "bool", SIMCONNECT_DATATYPE_FLOAT64},
    {DefControlData, "Brake Parking Position", "position", SIMCONNECT_DATATYPE_FLOAT64},
    {DefTitle, "Static CG To Ground", "feet", SIMCONNECT_DATATYPE_FLOAT64},
    {DefTitle, "Title", nullptr, SIMCONNECT_DATATYPE_STRING256},
    {DefZulu, "Zulu Year", nullptr, SIMCONNECT_DATATYPE_FLOAT64},
    {DefZulu, "Zulu Day Of Year", nullptr, SIMCONNECT_DATATYPE_FLOAT64},
    {DefZulu, "Zulu Time", nullptr, SIMCONNECT_DATATYPE_FLOAT64},
};

void RegisterSimLink() {
    if (SimLinkRegistered) return;
    SimConnect_MenuAddItem(SimConnectHandle, "Kestrel", MenuKestrel, 0);
    for (const uint32_t* id = IdleMenu; *id; ++id) {
        SimConnect_MenuAddSubItem(SimConnectHandle, MenuKestrel, MenuText(*id), *id, 0);
    }
    for (uint32_t i = 0; i < sizeof(SystemEventNames) / sizeof(SystemEventNames[0]); ++i) {
        SimConnect_SubscribeToSystemEvent(SimConnectHandle, EventFrame + i, SystemEventNames[i]);
    }
    for (const ControlDatum& datum : ControlData) {
        SimConnect_AddToDataDefinition(SimConnectHandle, datum.definition, datum.name, datum.units, datum.type, 0.0f,
                                       SIMCONNECT_UNUSED);
    }
    for (uint32_t i = 0; i < sizeof(SimEventNames) / sizeof(SimEventNames[0]); ++i) {
        SimConnect_MapClientEventToSimEvent(SimConnectHandle, EventPauseOn + i, SimEventNames[i]);
    }
    SimConnect_RequestDataOnSimObject(SimConnectHandle, ReqControlData, DefControlData, SIMCONNECT_OBJECT_ID_USER,
                                      SIMCONNECT_PERIOD_VISUAL_FRAME, SIMCONNECT_DATA_REQUEST_FLAG_CHANGED, 0, 0, 0);
    SimConnect_RequestDataOnSimObject(SimConnectHandle, ReqUserTitle, DefTitle, SIMCONNECT_OBJECT_ID_USER,
                                      SIMCONNECT_PERIOD_ONCE, SIMCONNECT_DATA_REQUEST_FLAG_DEFAULT, 0, 0, 0);
    BuildRecordingDefinition();
    BuildPlaybackDefinition();
    SimLinkRegistered = 1;
}

void RebuildMenu(uint32_t oldMode, uint32_t newMode) {
    // Deletions go in increasing id order; the menu lists are already sorted by id.
    for (const uint32_t* id = MenuOfMode(oldMode); *id; ++id) {
        SimConnect_MenuDeleteSubItem(SimConnectHandle, MenuKestrel, *id);
    }
    for (const uint32_t* id = MenuOfMode(newMode); *id; ++id) {
        SimConnect_MenuAddSubItem(SimConnectHandle, MenuKestrel, MenuText(*id), *id, 0);
    }
}

void SetModuleMode(uint32_t mode) {
    RebuildMenu(ModuleMode, mode);
    ModuleMode = mode;
}
