// The simulator's side of the one SimConnect connection: open and close, the message
// queue and its pump, the Add-ons menu, system events, mapped client events and their
// effects, dialog mode, text lines, AI aircraft creation and removal, and the call log.
// Nothing here calls the client except PumpSimConnect; every SimConnect_* call only
// records, changes simulator state and queues replies, as the real library does.
#include "vsim/sim/simconnect.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <deque>
#include <map>
#include <utility>

#include "vsim/sim/aircraft.h"
#include "vsim/sim/simconnect_data.h"
#include "vsim/sim/simhost.h"
#include "vsim/sim/simulator.h"

namespace vsim {

namespace {

// The protocol version of the client library that the records are laid out for.
const DWORD RecordVersion = 4;
const uintptr_t HandleBase = 0x5C000000u;

struct Connection {
    bool open = false;
    HANDLE handle = nullptr;
    uint32_t serial = 0;  // gives each connection its own handle value
    std::string clientName;
    DispatchProc dispatch = nullptr;
    void* context = nullptr;
};

struct Subscription {
    uint32_t clientEventId;
    SystemEventKind kind;
};

struct PendingCreation {
    std::string title;
    std::string tailNumber;
    SIMCONNECT_DATA_INITPOSITION position;
    DWORD requestId;
};

Connection Link;
std::deque<std::vector<uint8_t>> Queue;
std::vector<Subscription> Subscriptions;
std::map<uint32_t, std::string> ClientEvents;  // client event id -> sim event name (upper case)
std::vector<MenuItem> MenuList;
bool DialogMode = false;
unsigned DialogEnters = 0;
unsigned DialogLeaves = 0;
std::vector<TextLine> Texts;
std::vector<PendingCreation> PendingCreations;
bool AiConfirmed = true;
std::vector<std::string> Calls;
size_t CallLogLimit = 0;
std::vector<std::string> Errors;

const struct {
    const char* name;
    SystemEventKind kind;
} SystemEventNames[] = {
    {"Frame", SysFrame},
    {"FlightLoaded", SysFlightLoaded},
    {"AircraftLoaded", SysAircraftLoaded},
    {"Paused", SysPaused},
    {"Unpaused", SysUnpaused},
    {"Pause", SysPause},
    {"ObjectAdded", SysObjectAdded},
    {"ObjectRemoved", SysObjectRemoved},
    {"SimStart", SysSimStart},
    {"SimStop", SysSimStop},
};

// The sim events whose effects the simulator models, and what each does.
enum SimEventEffectKind { EffectPauseOn, EffectPauseOff, EffectFreeze, EffectParkingBrakes, EffectSetVar,
                          EffectSimRate, EffectNone };
struct SimEventEffect {
    const char* name;
    SimEventEffectKind kind;
    const char* variable;  // EffectSetVar: the variable set, in the unit the recording reads it
    const char* unit;
    int freezeFlag;        // EffectFreeze: which freeze flag (aircraft.h numbering)
};
const SimEventEffect SimEventEffects[] = {
    {"PAUSE_ON", EffectPauseOn, nullptr, nullptr, 0},
    {"PAUSE_OFF", EffectPauseOff, nullptr, nullptr, 0},
    {"FREEZE_LATITUDE_LONGITUDE_SET", EffectFreeze, nullptr, nullptr, 0},
    {"FREEZE_ALTITUDE_SET", EffectFreeze, nullptr, nullptr, 1},
    {"FREEZE_ATTITUDE_SET", EffectFreeze, nullptr, nullptr, 2},
    {"PARKING_BRAKES", EffectParkingBrakes, nullptr, nullptr, 0},
    {"NAV1_RADIO_SET", EffectSetVar, "Nav Active Frequency:1", "Frequency BCD16", 0},
    {"VOR1_SET", EffectSetVar, "Nav Obs:1", "degrees", 0},
    {"NAV2_RADIO_SET", EffectSetVar, "Nav Active Frequency:2", "Frequency BCD16", 0},
    {"VOR2_SET", EffectSetVar, "Nav Obs:2", "degrees", 0},
    {"ADF_COMPLETE_SET", EffectSetVar, "Adf Active Frequency:1", "Frequency ADF BCD32", 0},
    {"COM_RADIO_SET", EffectSetVar, "Com Active Frequency:1", "Frequency BCD16", 0},
    {"COM2_RADIO_SET", EffectSetVar, "Com Active Frequency:2", "Frequency BCD16", 0},
    {"XPNDR_SET", EffectSetVar, "Transponder Code:1", "BCO16", 0},
    {"SIM_RATE_SET", EffectSimRate, nullptr, nullptr, 0},
    {"REFRESH_SCENERY", EffectNone, nullptr, nullptr, 0},
};

char UpperAscii(char c) { return (c >= 'a' && c <= 'z') ? char(c - 'a' + 'A') : c; }

std::string UpperText(const std::string& text) {
    std::string upper = text;
    for (char& c : upper) c = UpperAscii(c);
    return upper;
}

bool EqualNoCase(const std::string& a, const std::string& b) { return UpperText(a) == UpperText(b); }

std::string Unsigned(uint64_t value) { return std::to_string(value); }

std::string PointerText(const void* pointer) { return pointer ? "ptr" : "null"; }

// Refuses a call made on anything but the open connection's handle.
bool CheckHandle(HANDLE handle, const std::string& call) {
    if (IsOpenHandle(handle)) return true;
    AddSimConnectError(call + ": no open connection with this handle");
    return false;
}

HRESULT Refuse(const std::string& call, const std::string& reason) {
    AddSimConnectError(call + ": " + reason);
    return E_FAIL;
}

template <class Record>
void QueueRecord(Record* record, DWORD id) {
    record->dwSize = sizeof(Record);
    record->dwVersion = RecordVersion;
    record->dwID = id;
    QueueMessage(record, sizeof(Record));
}

void CopyText(char* target, size_t capacity, const std::string& text) {
    size_t length = text.size() < capacity - 1 ? text.size() : capacity - 1;
    std::memset(target, 0, capacity);
    std::memcpy(target, text.data(), length);
}

void QueueOpenRecord() {
    SIMCONNECT_RECV_OPEN record;
    std::memset(&record, 0, sizeof record);
    CopyText(record.szApplicationName, sizeof record.szApplicationName, "Microsoft Flight Simulator X");
    // The application version is the build of the host's simulation DLL.
    uint16_t version[4] = {10, 0, 61637, 0};
    if (const HostDll* sim = FindHostDll("sim1.dll"))
        for (int i = 0; i < 4; ++i) version[i] = sim->version[i];
    record.dwApplicationVersionMajor = version[0];
    record.dwApplicationVersionMinor = version[1];
    record.dwApplicationBuildMajor = version[2];
    record.dwApplicationBuildMinor = version[3];
    record.dwSimConnectVersionMajor = 10;
    record.dwSimConnectVersionMinor = 0;
    record.dwSimConnectBuildMajor = 61259;
    record.dwSimConnectBuildMinor = 0;
    QueueRecord(&record, SIMCONNECT_RECV_ID_OPEN);
}

// Forgets everything that belongs to the client's connection.
void DropClientState() {
    Link.open = false;
    Link.handle = nullptr;
    Link.dispatch = nullptr;
    Link.context = nullptr;
    Queue.clear();
    Subscriptions.clear();
    ClientEvents.clear();
    MenuList.clear();
    PendingCreations.clear();
    ResetClientData();
}

MenuItem* FindMenu(uint32_t id) {
    for (MenuItem& item : MenuList)
        if (item.id == id) return &item;
    return nullptr;
}

const SimEventEffect* FindEffect(const std::string& upperName) {
    for (const SimEventEffect& effect : SimEventEffects)
        if (upperName == effect.name) return &effect;
    return nullptr;
}

void ApplyEffect(const SimEventEffect& effect, uint32_t objectId, DWORD data, const std::string& call) {
    switch (effect.kind) {
        case EffectPauseOn:
            ChangePause(true);
            break;
        case EffectPauseOff:
            ChangePause(false);
            break;
        case EffectFreeze:
            SetFreeze(objectId, effect.freezeFlag, data != 0);
            break;
        case EffectParkingBrakes: {
            double position = 0.0;
            if (!GetSimVar(objectId, "Brake Parking Position", "position", &position))
                NoteUnknownSimVar("Brake Parking Position", "position");
            if (!SetSimVar(objectId, "Brake Parking Position", "position", position > 0.0 ? 0.0 : 1.0))
                NoteUnknownSimVar("Brake Parking Position", "position");
            break;
        }
        case EffectSetVar:
            if (!SetSimVar(objectId, effect.variable, effect.unit, double(data)))
                NoteUnknownSimVar(effect.variable, effect.unit);
            break;
        case EffectSimRate:
            // The data is the rate in 1/256 units, as the host's own rate entry takes it.
            if (data == 0)
                AddSimConnectError(call + ": rate 0 ignored");
            else
                SetSimRate(double(data) / 256.0);
            break;
        case EffectNone:
            break;
    }
}

void PlaceCreatedAircraft(uint32_t objectId, const SIMCONNECT_DATA_INITPOSITION& position) {
    const struct {
        const char* name;
        const char* unit;
        double value;
    } Values[] = {
        {"Plane Latitude", "degrees", position.Latitude},
        {"Plane Longitude", "degrees", position.Longitude},
        {"Plane Altitude", "feet", position.Altitude},
        {"Plane Pitch Degrees", "degrees", position.Pitch},
        {"Plane Bank Degrees", "degrees", position.Bank},
        {"Plane Heading Degrees True", "degrees", position.Heading},
    };
    for (const auto& value : Values)
        if (!SetSimVar(objectId, value.name, value.unit, value.value)) NoteUnknownSimVar(value.name, value.unit);
}

}  // namespace

// ---- Connection and queue ----------------------------------------------------------

bool IsSimConnectOpen() { return Link.open; }
const std::string& SimConnectClientName() { return Link.clientName; }
bool IsOpenHandle(HANDLE handle) { return Link.open && handle != nullptr && handle == Link.handle; }

void QueueMessage(const void* record, size_t size) {
    if (!Link.open || record == nullptr || size < sizeof(SIMCONNECT_RECV)) return;
    const uint8_t* bytes = static_cast<const uint8_t*>(record);
    Queue.emplace_back(bytes, bytes + size);
}

size_t QueuedMessageCount() { return Queue.size(); }

std::vector<std::vector<uint8_t>> QueuedMessages() { return {Queue.begin(), Queue.end()}; }

unsigned PumpSimConnect() {
    if (!Link.open) return 0;
    CompletePendingAiCreations();
    unsigned delivered = 0;
    while (Link.open && Link.dispatch != nullptr && !Queue.empty()) {
        if (delivered == MaxMessagesPerPump) {
            AddSimConnectError("pump: " + Unsigned(Queue.size()) + " messages left for the next pump");
            break;
        }
        // Taken off the queue before delivery: the client may queue more, or pump again
        // from a nested modal loop, while it handles this one.
        std::vector<uint8_t> message = std::move(Queue.front());
        Queue.pop_front();
        Link.dispatch(reinterpret_cast<SIMCONNECT_RECV*>(message.data()), DWORD(message.size()), Link.context);
        ++delivered;
    }
    return delivered;
}

// ---- System events -----------------------------------------------------------------

bool IsSubscribed(SystemEventKind kind) {
    for (const Subscription& subscription : Subscriptions)
        if (subscription.kind == kind) return true;
    return false;
}

// Queues one event record of type Record for every subscription of the kind; fill
// sets the fields that follow the event header.
template <typename Record, typename Fill>
void QueueSubscribedEvent(SystemEventKind kind, DWORD id, Fill fill) {
    for (const Subscription& subscription : Subscriptions) {
        if (subscription.kind != kind) continue;
        Record record;
        std::memset(&record, 0, sizeof record);
        record.uGroupID = SIMCONNECT_UNUSED;
        record.uEventID = subscription.clientEventId;
        fill(&record);
        QueueRecord(&record, id);
    }
}

void QueueFrameEvent(float frameRate, float simSpeed) {
    QueueSubscribedEvent<SIMCONNECT_RECV_EVENT_FRAME>(SysFrame, SIMCONNECT_RECV_ID_EVENT_FRAME, [&](auto* record) {
        record->fFrameRate = frameRate;
        record->fSimSpeed = simSpeed;
    });
}

void QueueSimpleEvent(SystemEventKind kind, DWORD data) {
    QueueSubscribedEvent<SIMCONNECT_RECV_EVENT>(kind, SIMCONNECT_RECV_ID_EVENT,
                                                [&](auto* record) { record->dwData = data; });
}

void QueueObjectEvent(SystemEventKind kind, uint32_t objectId) {
    QueueSubscribedEvent<SIMCONNECT_RECV_EVENT_OBJECT_ADDREMOVE>(kind, SIMCONNECT_RECV_ID_EVENT_OBJECT_ADDREMOVE,
                                                                 [&](auto* record) {
                                                                     record->dwData = objectId;
                                                                     record->eObjType =
                                                                         SIMCONNECT_SIMOBJECT_TYPE_AIRCRAFT;
                                                                 });
}

void QueueFileNameEvent(SystemEventKind kind, const std::string& fileName) {
    QueueSubscribedEvent<SIMCONNECT_RECV_EVENT_FILENAME>(kind, SIMCONNECT_RECV_ID_EVENT_FILENAME, [&](auto* record) {
        CopyText(record->szFileName, sizeof record->szFileName, fileName);
    });
}

void QueuePauseEvents(bool paused) {
    QueueSimpleEvent(paused ? SysPaused : SysUnpaused, 0);
    QueueSimpleEvent(SysPause, paused ? 1 : 0);
}

// ---- Menu --------------------------------------------------------------------------

const std::vector<MenuItem>& Menus() { return MenuList; }

std::string MenuTopText() { return MenuList.empty() ? std::string() : MenuList.front().text; }

std::vector<std::string> MenuItems() {
    std::vector<std::string> texts;
    if (!MenuList.empty())
        for (const MenuSubItem& sub : MenuList.front().subItems) texts.push_back(sub.text);
    return texts;
}

bool QueueMenuSelection(const std::string& text) {
    if (!Link.open) return false;
    for (const MenuItem& item : MenuList) {
        for (const MenuSubItem& sub : item.subItems) {
            if (sub.text != text) continue;
            SIMCONNECT_RECV_EVENT record;
            std::memset(&record, 0, sizeof record);
            record.uGroupID = SIMCONNECT_UNUSED;
            record.uEventID = sub.id;
            record.dwData = sub.data;
            QueueRecord(&record, SIMCONNECT_RECV_ID_EVENT);
            return true;
        }
    }
    return false;
}

// ---- Client events, system state, text ----------------------------------------------

std::string MappedSimEvent(uint32_t clientEventId) {
    auto it = ClientEvents.find(clientEventId);
    return it == ClientEvents.end() ? std::string() : it->second;
}

bool DialogModeOn() { return DialogMode; }
unsigned DialogModeEnters() { return DialogEnters; }
unsigned DialogModeLeaves() { return DialogLeaves; }
const std::vector<TextLine>& TextLines() { return Texts; }
void ClearTextLines() { Texts.clear(); }

std::string TextTypeName(DWORD type) {
    static const char* const Colours[] = {"black", "white", "red", "green", "blue", "yellow", "magenta", "cyan"};
    if (type >= SIMCONNECT_TEXT_TYPE_PRINT_BLACK && type <= SIMCONNECT_TEXT_TYPE_PRINT_CYAN)
        return Colours[type - SIMCONNECT_TEXT_TYPE_PRINT_BLACK];
    if (type <= 7) return std::string("scroll ") + Colours[type];
    char text[32];
    std::snprintf(text, sizeof text, "type 0x%X", unsigned(type));
    return text;
}

// ---- AI aircraft -------------------------------------------------------------------

void SetAiCreationConfirmed(bool confirmed) { AiConfirmed = confirmed; }
size_t PendingAiCreationCount() { return PendingCreations.size(); }

void CompletePendingAiCreations() {
    std::vector<PendingCreation> creations;
    creations.swap(PendingCreations);
    if (!AiConfirmed || !Link.open) return;  // never confirmed: the aircraft never appear
    for (const PendingCreation& creation : creations) {
        uint32_t objectId = AddAiAircraft(creation.title, "parked");
        if (objectId == 0) {
            AddSimConnectError("AICreateNonATCAircraft(\"" + creation.title + "\"): the aircraft could not be created");
            continue;
        }
        PlaceCreatedAircraft(objectId, creation.position);
        QueueObjectEvent(SysObjectAdded, objectId);
        SIMCONNECT_RECV_ASSIGNED_OBJECT_ID record;
        std::memset(&record, 0, sizeof record);
        record.dwRequestID = creation.requestId;
        record.dwObjectID = objectId;
        QueueRecord(&record, SIMCONNECT_RECV_ID_ASSIGNED_OBJECT_ID);
    }
}

// ---- Call log and errors ------------------------------------------------------------

const std::vector<std::string>& SimConnectCalls() { return Calls; }
void ClearSimConnectCalls() { Calls.clear(); }
void SetSimConnectCallLogLimit(size_t limit) {
    CallLogLimit = limit;
    if (Calls.size() > limit) Calls.erase(Calls.begin(), Calls.end() - (std::ptrdiff_t)limit);
}
void LogSimConnectCall(const std::string& line) {
    if (CallLogLimit == 0) return;
    if (Calls.size() >= 2 * CallLogLimit) Calls.erase(Calls.begin(), Calls.end() - (std::ptrdiff_t)CallLogLimit);
    Calls.push_back(line);
}
const std::vector<std::string>& SimConnectErrors() { return Errors; }
void AddSimConnectError(const std::string& line) { Errors.push_back(line); }

void ResetSimConnect() {
    DropClientState();
    Link = Connection();
    DialogMode = false;
    DialogEnters = 0;
    DialogLeaves = 0;
    Texts.clear();
    AiConfirmed = true;
    Calls.clear();
    CallLogLimit = 0;
    Errors.clear();
    ResetSimConnectData();
}

std::string QuoteText(const char* text) { return text ? "\"" + std::string(text) + "\"" : "null"; }

std::string FormatNumber(double value) {
    char text[40];
    for (int precision = 1; precision <= 17; ++precision) {
        std::snprintf(text, sizeof text, "%.*g", precision, value);
        if (std::strtod(text, nullptr) == value) break;
    }
    return text;
}

}  // namespace vsim

using namespace vsim;

// ---- The SimConnect functions ----------------------------------------------------------

SIMCONNECTAPI SimConnect_Open(HANDLE* handle, LPCSTR name, HWND window, DWORD userEventWin32, HANDLE eventHandle,
                              DWORD configIndex) {
    std::string call = "Open(" + QuoteText(name) + ", " + PointerText(window) + ", " + Unsigned(userEventWin32) +
                       ", " + PointerText(eventHandle) + ", " + Unsigned(configIndex) + ")";
    LogSimConnectCall(call);
    if (handle == nullptr) return Refuse(call, "no place for the handle");
    if (TakeFailure(FailSimConnectOpen)) return Refuse(call, "injected failure");
    if (Link.open) return Refuse(call, "a connection is already open");
    DropClientState();
    Link.open = true;
    ++Link.serial;
    Link.handle = reinterpret_cast<HANDLE>(HandleBase + Link.serial);
    Link.clientName = name ? name : "";
    *handle = Link.handle;
    QueueOpenRecord();
    return S_OK;
}

SIMCONNECTAPI SimConnect_Close(HANDLE handle) {
    std::string call = "Close()";
    LogSimConnectCall(call);
    if (!CheckHandle(handle, call)) return E_FAIL;
    DropClientState();
    return S_OK;
}

SIMCONNECTAPI SimConnect_CallDispatch(HANDLE handle, DispatchProc dispatch, void* context) {
    std::string call = "CallDispatch(" + std::string(dispatch ? "callback" : "null") + ", " +
                       PointerText(context) + ")";
    LogSimConnectCall(call);
    if (!CheckHandle(handle, call)) return E_FAIL;
    if (dispatch == nullptr) return Refuse(call, "no callback");
    // Only stored: the host pump delivers the messages.
    Link.dispatch = dispatch;
    Link.context = context;
    return S_OK;
}

SIMCONNECTAPI SimConnect_MenuAddItem(HANDLE handle, const char* menuItem, SIMCONNECT_CLIENT_EVENT_ID menuEventId,
                                     DWORD data) {
    std::string call = "MenuAddItem(" + QuoteText(menuItem) + ", " + Unsigned(menuEventId) + ", " +
                       Unsigned(data) + ")";
    LogSimConnectCall(call);
    if (!CheckHandle(handle, call)) return E_FAIL;
    if (menuItem == nullptr || *menuItem == 0) return Refuse(call, "no text");
    if (FindMenu(menuEventId)) return Refuse(call, "menu id already used");
    MenuList.push_back(MenuItem{menuItem, menuEventId, data, {}});
    return S_OK;
}

SIMCONNECTAPI SimConnect_MenuAddSubItem(HANDLE handle, SIMCONNECT_CLIENT_EVENT_ID menuEventId, const char* menuItem,
                                        SIMCONNECT_CLIENT_EVENT_ID subMenuEventId, DWORD data) {
    std::string call = "MenuAddSubItem(" + Unsigned(menuEventId) + ", " + QuoteText(menuItem) + ", " +
                       Unsigned(subMenuEventId) + ", " + Unsigned(data) + ")";
    LogSimConnectCall(call);
    if (!CheckHandle(handle, call)) return E_FAIL;
    MenuItem* parent = FindMenu(menuEventId);
    if (parent == nullptr) return Refuse(call, "no such menu item");
    if (menuItem == nullptr || *menuItem == 0) return Refuse(call, "no text");
    for (const MenuSubItem& sub : parent->subItems)
        if (sub.id == subMenuEventId) return Refuse(call, "sub-item id already used");
    parent->subItems.push_back(MenuSubItem{menuItem, subMenuEventId, data});
    return S_OK;
}

SIMCONNECTAPI SimConnect_MenuDeleteSubItem(HANDLE handle, SIMCONNECT_CLIENT_EVENT_ID menuEventId,
                                           SIMCONNECT_CLIENT_EVENT_ID subMenuEventId) {
    std::string call = "MenuDeleteSubItem(" + Unsigned(menuEventId) + ", " + Unsigned(subMenuEventId) + ")";
    LogSimConnectCall(call);
    if (!CheckHandle(handle, call)) return E_FAIL;
    MenuItem* parent = FindMenu(menuEventId);
    if (parent == nullptr) return Refuse(call, "no such menu item");
    for (auto it = parent->subItems.begin(); it != parent->subItems.end(); ++it) {
        if (it->id == subMenuEventId) {
            parent->subItems.erase(it);
            return S_OK;
        }
    }
    return Refuse(call, "no such sub-item");
}

SIMCONNECTAPI SimConnect_SubscribeToSystemEvent(HANDLE handle, SIMCONNECT_CLIENT_EVENT_ID eventId,
                                                const char* systemEventName) {
    std::string call = "SubscribeToSystemEvent(" + Unsigned(eventId) + ", " + QuoteText(systemEventName) + ")";
    LogSimConnectCall(call);
    if (!CheckHandle(handle, call)) return E_FAIL;
    if (systemEventName == nullptr) return Refuse(call, "no event name");
    for (const auto& entry : SystemEventNames) {
        if (!EqualNoCase(systemEventName, entry.name)) continue;
        for (Subscription& subscription : Subscriptions) {
            if (subscription.clientEventId == eventId) {
                subscription.kind = entry.kind;
                return S_OK;
            }
        }
        Subscriptions.push_back(Subscription{eventId, entry.kind});
        return S_OK;
    }
    return Refuse(call, "unknown system event");
}

SIMCONNECTAPI SimConnect_MapClientEventToSimEvent(HANDLE handle, SIMCONNECT_CLIENT_EVENT_ID eventId,
                                                  const char* eventName) {
    std::string call = "MapClientEventToSimEvent(" + Unsigned(eventId) + ", " + QuoteText(eventName) + ")";
    LogSimConnectCall(call);
    if (!CheckHandle(handle, call)) return E_FAIL;
    if (ClientEvents.count(eventId)) return Refuse(call, "client event id already mapped");
    // An empty name makes a private event of the client's own, which has no effect here.
    std::string name = eventName ? UpperText(eventName) : std::string();
    if (!name.empty() && FindEffect(name) == nullptr) return Refuse(call, "unknown sim event");
    ClientEvents[eventId] = name;
    return S_OK;
}

SIMCONNECTAPI SimConnect_TransmitClientEvent(HANDLE handle, SIMCONNECT_OBJECT_ID objectId,
                                             SIMCONNECT_CLIENT_EVENT_ID eventId, DWORD data,
                                             SIMCONNECT_NOTIFICATION_GROUP_ID groupId, SIMCONNECT_EVENT_FLAG flags) {
    std::string call = "TransmitClientEvent(" + Unsigned(objectId) + ", " + Unsigned(eventId) + ", " +
                       Unsigned(data) + ", " + Unsigned(groupId) + ", " + Unsigned(flags) + ")";
    LogSimConnectCall(call);
    if (!CheckHandle(handle, call)) return E_FAIL;
    auto mapped = ClientEvents.find(eventId);
    if (mapped == ClientEvents.end()) return Refuse(call, "client event not mapped");
    uint32_t target = ResolveObjectId(objectId);
    if (!AircraftExists(target)) return Refuse(call, "no such object");
    if (const SimEventEffect* effect = FindEffect(mapped->second)) ApplyEffect(*effect, target, data, call);
    return S_OK;
}

SIMCONNECTAPI SimConnect_SetSystemState(HANDLE handle, const char* state, DWORD integer, float value,
                                        const char* text) {
    std::string call = "SetSystemState(" + QuoteText(state) + ", " + Unsigned(integer);
    if (value != 0.0f || text != nullptr) call += ", " + FormatNumber(value) + ", " + QuoteText(text);
    call += ")";
    LogSimConnectCall(call);
    if (!CheckHandle(handle, call)) return E_FAIL;
    if (state == nullptr || !EqualNoCase(state, "DialogMode")) return Refuse(call, "unknown system state");
    DialogMode = integer != 0;
    if (DialogMode)
        ++DialogEnters;
    else
        ++DialogLeaves;
    return S_OK;
}

SIMCONNECTAPI SimConnect_Text(HANDLE handle, SIMCONNECT_TEXT_TYPE type, float timeSeconds,
                              SIMCONNECT_CLIENT_EVENT_ID eventId, DWORD unitSize, void* data) {
    // The text ends at its terminator or at unitSize, whichever comes first: never read
    // past what the client said it passed.
    std::string text;
    if (data != nullptr) {
        const char* bytes = static_cast<const char*>(data);
        for (DWORD i = 0; i < unitSize && bytes[i] != 0; ++i) text += bytes[i];
    }
    std::string call = "Text(" + Unsigned(type) + ", " + FormatNumber(timeSeconds) + ", " + Unsigned(eventId) +
                       ", " + Unsigned(unitSize) + ", " + (data ? "\"" + text + "\"" : std::string("null")) + ")";
    LogSimConnectCall(call);
    if (!CheckHandle(handle, call)) return E_FAIL;
    if (data == nullptr && unitSize != 0) return Refuse(call, "no text");
    Texts.push_back(TextLine{DWORD(type), timeSeconds, text});
    Log("text [" + TextTypeName(type) + "] " + text);
    return S_OK;
}

SIMCONNECTAPI SimConnect_AICreateNonATCAircraft(HANDLE handle, const char* containerTitle, const char* tailNumber,
                                                SIMCONNECT_DATA_INITPOSITION initPos,
                                                SIMCONNECT_DATA_REQUEST_ID requestId) {
    std::string call = "AICreateNonATCAircraft(" + QuoteText(containerTitle) + ", " + QuoteText(tailNumber) + ", {" +
                       FormatNumber(initPos.Latitude) + ", " + FormatNumber(initPos.Longitude) + ", " +
                       FormatNumber(initPos.Altitude) + ", " + FormatNumber(initPos.Pitch) + ", " +
                       FormatNumber(initPos.Bank) + ", " + FormatNumber(initPos.Heading) + ", " +
                       Unsigned(initPos.OnGround) + ", " + Unsigned(initPos.Airspeed) + "}, " + Unsigned(requestId) +
                       ")";
    LogSimConnectCall(call);
    if (!CheckHandle(handle, call)) return E_FAIL;
    if (TakeFailure(FailAiCreate)) return Refuse(call, "injected failure");
    if (containerTitle == nullptr || *containerTitle == 0) return Refuse(call, "no aircraft title");
    PendingCreations.push_back(PendingCreation{containerTitle, tailNumber ? tailNumber : "", initPos, requestId});
    return S_OK;
}

SIMCONNECTAPI SimConnect_AIRemoveObject(HANDLE handle, SIMCONNECT_OBJECT_ID objectId,
                                        SIMCONNECT_DATA_REQUEST_ID requestId) {
    std::string call = "AIRemoveObject(" + Unsigned(objectId) + ", " + Unsigned(requestId) + ")";
    LogSimConnectCall(call);
    if (!CheckHandle(handle, call)) return E_FAIL;
    if (objectId == 0 || objectId == UserAircraftId() || !AircraftExists(objectId))
        return Refuse(call, "no such AI aircraft");
    if (!RemoveAiAircraft(objectId)) return Refuse(call, "the aircraft could not be removed");
    ForgetDataSets(objectId);
    QueueObjectEvent(SysObjectRemoved, objectId);
    return S_OK;
}

SIMCONNECTAPI SimConnect_AIReleaseControl(HANDLE handle, SIMCONNECT_OBJECT_ID objectId,
                                          SIMCONNECT_DATA_REQUEST_ID requestId) {
    std::string call = "AIReleaseControl(" + Unsigned(objectId) + ", " + Unsigned(requestId) + ")";
    LogSimConnectCall(call);
    if (!CheckHandle(handle, call)) return E_FAIL;
    if (objectId == 0 || objectId == UserAircraftId() || !AircraftExists(objectId))
        return Refuse(call, "no such AI aircraft");
    ReleaseAiControl(objectId);
    return S_OK;
}
