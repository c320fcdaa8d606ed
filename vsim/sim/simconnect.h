// The simulator's side of the one SimConnect connection: the message queue that the
// host pump delivers to the client's dispatch callback, the Add-ons menu, system and
// client events, dialog mode, text lines, AI aircraft creation and removal, and the
// call log. The data half (definitions, requests, writes) is in simconnect_data.h.
// The client calls the SimConnect_* functions of platform/simconnect.h; the host loop
// (simulator.h) and the tests use what is declared here.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "platform/simconnect.h"

namespace vsim {

// ---- Connection and queue ----------------------------------------------------------

bool IsSimConnectOpen();
const std::string& SimConnectClientName();  // the name given to SimConnect_Open
// True for the handle of the open connection; the SimConnect_* functions refuse others.
bool IsOpenHandle(HANDLE handle);
// Appends one receive record (dwSize must equal the byte count) to the FIFO queue.
// Nothing is queued while no connection is open.
void QueueMessage(const void* record, size_t size);
size_t QueuedMessageCount();
// Messages of the queue, oldest first, as raw records (for tests).
std::vector<std::vector<uint8_t>> QueuedMessages();
// Delivers queued messages to the dispatch callback one at a time, oldest first,
// including those queued during delivery, up to a bound per pump so that a client that
// answers every message with a new one cannot hang the host. AI creations requested
// before the pump are completed first. Returns the number delivered.
unsigned PumpSimConnect();
const unsigned MaxMessagesPerPump = 10000;

// ---- System events -----------------------------------------------------------------

enum SystemEventKind {
    SysFrame,
    SysFlightLoaded,
    SysAircraftLoaded,
    SysPaused,
    SysUnpaused,
    SysPause,  // sent with Paused and Unpaused, data 1 or 0
    SysObjectAdded,
    SysObjectRemoved,
    SysSimStart,
    SysSimStop,
    SystemEventKindCount
};
bool IsSubscribed(SystemEventKind kind);
// Each queues one record per subscription of that kind (none when not subscribed).
void QueueFrameEvent(float frameRate, float simSpeed);
void QueueSimpleEvent(SystemEventKind kind, DWORD data);  // Paused, Unpaused, Pause, SimStart, SimStop
void QueueObjectEvent(SystemEventKind kind, uint32_t objectId);  // ObjectAdded / ObjectRemoved, aircraft
void QueueFileNameEvent(SystemEventKind kind, const std::string& fileName);  // FlightLoaded / AircraftLoaded
// Paused/Unpaused and Pause for a change of the pause state.
void QueuePauseEvents(bool paused);

// ---- Menu --------------------------------------------------------------------------

struct MenuSubItem {
    std::string text;
    uint32_t id;
    DWORD data;
};
struct MenuItem {
    std::string text;
    uint32_t id;
    DWORD data;
    std::vector<MenuSubItem> subItems;  // in the order added
};
const std::vector<MenuItem>& Menus();  // top items in the order added
std::string MenuTopText();             // text of the first top item, "" when there is none
std::vector<std::string> MenuItems();  // sub-item texts of the first top item, in order
// Selecting a sub-item (first match by text over all top items) queues its EVENT record
// with group SIMCONNECT_UNUSED. False when no such item exists. Does not pump.
bool QueueMenuSelection(const std::string& text);

// ---- Client events, system state, text ----------------------------------------------

std::string MappedSimEvent(uint32_t clientEventId);  // "" when not mapped
bool DialogModeOn();
unsigned DialogModeEnters();  // SetSystemState("DialogMode", non-zero) calls
unsigned DialogModeLeaves();  // SetSystemState("DialogMode", 0) calls

struct TextLine {
    DWORD type;
    float seconds;
    std::string text;
};
const std::vector<TextLine>& TextLines();
void ClearTextLines();
// "red", "green", ... for print types, "scroll red", ... for scroll types.
std::string TextTypeName(DWORD type);

// ---- AI aircraft -------------------------------------------------------------------

// False: creations are accepted but the simulator never confirms them (never created).
void SetAiCreationConfirmed(bool confirmed);
size_t PendingAiCreationCount();
// Creates the aircraft requested before this call; queues ObjectAdded and the assigned
// object id. Called at the start of every pump and of every frame.
void CompletePendingAiCreations();

// ---- Call log and errors ------------------------------------------------------------

// The SimConnect calls the client made, in order, as readable lines: the function
// name without "SimConnect_" and its arguments after the handle, texts quoted, null
// pointers as null, e.g. MenuAddSubItem(0, "Record...", 1, 0). Only tests read them,
// so the log is off unless a limit is set: with a limit it keeps at least the latest
// `limit` calls (the older half goes when it is full), so a long run stays small.
void SetSimConnectCallLogLimit(size_t limit);  // 0: keep none (the default)
const std::vector<std::string>& SimConnectCalls();
void ClearSimConnectCalls();
void LogSimConnectCall(const std::string& line);
// Calls the simulator refused or could not honour (what real SimConnect reports as
// exception messages), one line each, for tests. The client is not told.
const std::vector<std::string>& SimConnectErrors();
void AddSimConnectError(const std::string& line);

// Closes the connection and forgets every client registration and host-side record of
// this file and of the data half (between runs of the host in one process).
void ResetSimConnect();

// Formatting helpers shared with the data half.
std::string QuoteText(const char* text);  // "text" or null
std::string FormatNumber(double value);   // shortest round-trip form

}  // namespace vsim
