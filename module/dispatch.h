// The SimConnect dispatch callback and the frame loop: registration, menu commands,
// pause, AI aircraft list, flight and aircraft loads, data replies, created AI
// aircraft, the frame tick and the status line.
#pragma once

#include <cstdint>

#include "platform/simconnect.h"

extern uint32_t FrameClock;        // 1/10000 s; advanced on each Frame event, wraps
extern uint32_t PrevFrameClock;    // FrameClock before the latest Frame event
extern uint32_t StatusTextTimer;   // GetTickCount ms of the last status-line check that passed
extern uint32_t FirstLoadSeen;     // set by the first FlightLoaded or AircraftLoaded
extern uint32_t UserObjectId;      // the user's aircraft; 1 at start
extern uint32_t IsLevelD767;       // the user's aircraft is the Level-D 767
extern uint32_t ZuluStamp;         // seconds: ((year - 1900) * 366 + day) * 86400 + seconds of day
extern const int16_t SpeedPercentTable[9];

// AircraftList: entry 0 the user's aircraft, then AI aircraft in announcement order.
struct AircraftListRecord {
    uint32_t* ids;
    uint32_t count;
    uint32_t capacity;
};
extern AircraftListRecord AircraftList;

void CALLBACK SimLinkDispatch(SIMCONNECT_RECV* data, DWORD size, void* context);
// Resets AircraftList to capacity 10 with the single entry UserObjectId; 1 on success.
int ResetAircraftList();
void ReleaseAircraftList();
void AddAircraft(uint32_t objectId);
void RemoveAircraft(uint32_t objectId);
uint32_t QueryClock();
void SplitZuluStamp(uint32_t stamp, uint16_t* year, uint16_t* dayOfYear, uint8_t* hour, uint8_t* minute,
                    uint8_t* second);
// Prints the status line for the current mode (called by the frame tick when due).
void ShowStatusLine();
