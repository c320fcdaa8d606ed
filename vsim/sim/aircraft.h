// Simulated aircraft: the user's aircraft and AI aircraft, their simulation variables,
// the scripted flights they fly, the freeze flags, and the per-frame trace.
#pragma once

#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

namespace vsim {

// Flight plans every aircraft can fly: "circuit", "orbit", "parked".
bool IsKnownFlightPlan(const std::string& plan);

// The user's aircraft always exists (object id 1 until an aircraft load gives it another).
uint32_t UserAircraftId();
void SetUserFlightPlan(const std::string& plan);
// Loading another aircraft: new title and static CG height (feet); may change the object id.
void LoadUserAircraft(const std::string& title, double cgFeet);
// AI aircraft: created by the script or by SimConnect_AICreateNonATCAircraft.
uint32_t AddAiAircraft(const std::string& title, const std::string& plan);
bool RemoveAiAircraft(uint32_t objectId);
bool AircraftExists(uint32_t objectId);
std::vector<uint32_t> AircraftIds();  // the user's first, then AI in creation order
// N-th AI aircraft (1-based) in creation order, 0 when absent.
uint32_t AiAircraftByIndex(unsigned index);

// Simulation variables by SimConnect name and unit ("Plane Altitude", "meters").
// Unknown names or units answer false.
bool GetSimVar(uint32_t objectId, const std::string& name, const std::string& unit, double* value);
bool GetSimVarText(uint32_t objectId, const std::string& name, std::string* text);
bool SetSimVar(uint32_t objectId, const std::string& name, const std::string& unit, double value);

// Freeze flags: a frozen aircraft moves only by what is written to it.
void SetFreeze(uint32_t objectId, int which /*0 lat/lon, 1 altitude, 2 attitude*/, bool on);
bool IsFrozen(uint32_t objectId, int which);
// AI control released by the client (the aircraft no longer flies its plan).
void ReleaseAiControl(uint32_t objectId);

// Moves every aircraft by dt seconds of simulated time (after the sim rate).
void AdvanceAircraft(double dtSeconds);

// Exact placement through the host's object interface (stored integer units).
void PlaceAircraft(uint32_t objectId, const int64_t position[3], const int32_t attitude[3], int onGround);
void SetAircraftVelocity(uint32_t objectId, const double velocity[3]);
void SetAircraftLights(uint32_t objectId, uint32_t lights);

// Trace: CSV rows per aircraft per frame.
void OpenTrace(const std::string& path);
void TraceFrame(uint64_t frame, double timeSeconds);
void CloseTrace();

void ResetAircraft();

}  // namespace vsim
