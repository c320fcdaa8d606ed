// Simulated aircraft: the user's aircraft and AI aircraft, their simulation variables,
// the scripted flights they fly, the freeze flags, and the per-frame trace.
// Angles follow the simulator's signs: pitch positive nose down, bank positive left wing
// down, heading true in [0, 360). World velocity X is east, Y up, Z north, in ft/s.
#pragma once

#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

namespace vsim {

// The host's stored units of an exact placement (position and attitude blocks).
const double StoredUnitsPerDegreeLatitude = 477302101697422.25;  // 10001750 × 2^32 / 90
const double StoredUnitsPerDegreeLongitude = 18446744073709551616.0 / 360.0;  // 2^64 / 360
const double StoredUnitsPerMetre = 4294967296.0;                 // altitude, 2^32
const double StoredUnitsPerDegreeAngle = 4294967296.0 / 360.0;   // pitch, bank, heading

// Flight plans every aircraft can fly: "circuit", "orbit", "parked".
bool IsKnownFlightPlan(const std::string& plan);

// The user's aircraft always exists (object id 1 until an aircraft load gives it another).
uint32_t UserAircraftId();
void SetUserFlightPlan(const std::string& plan);
// Loading another aircraft: new title and static CG height (feet); the object id stays
// (GiveUserNewObjectId gives the user's aircraft a fresh id where a test needs that).
void LoadUserAircraft(const std::string& title, double cgFeet);
uint32_t GiveUserNewObjectId();
// AI aircraft: created by the script or by SimConnect_AICreateNonATCAircraft.
uint32_t AddAiAircraft(const std::string& title, const std::string& plan);
bool RemoveAiAircraft(uint32_t objectId);
bool AircraftExists(uint32_t objectId);
std::vector<uint32_t> AircraftIds();  // the user's first, then AI in creation order
// N-th AI aircraft (1-based) in creation order, 0 when absent.
uint32_t AiAircraftByIndex(unsigned index);
// Static CG height in feet; an aircraft on the ground keeps its wheels on the ground.
bool SetAircraftCgHeight(uint32_t objectId, double cgFeet);
// The phase its plan is in ("taxi-out", "final", "orbit", "parked", "released"); "" when absent.
const char* AircraftPhase(uint32_t objectId);

// Simulation variables by SimConnect name and unit ("Plane Altitude", "meters"), names
// and units in any letter case. A null or empty unit is the variable's default unit
// (levers, surfaces, gear and brake in "position", flaps index and Zulu date as a number).
// Unknown names, indexes or units, a unit that does not fit the variable, and a BCD value
// with a digit that is not one answer false and change nothing.
bool GetSimVar(uint32_t objectId, const std::string& name, const std::string& unit, double* value);
bool GetSimVarText(uint32_t objectId, const std::string& name, std::string* text);
bool SetSimVar(uint32_t objectId, const std::string& name, const std::string& unit, double value);
// A variable and unit looked up by name once, for many reads and writes (a data
// definition's datums). One that is unknown reads and writes as the names would: false.
struct SimVarRef {
    int var = -1;  // entry of the variable table, -1 when unknown
    int index = 0;
    int unit = 0;
};
SimVarRef LookUpSimVar(const std::string& name, const std::string& unit);
bool GetSimVar(uint32_t objectId, const SimVarRef& ref, double* value);
bool SetSimVar(uint32_t objectId, const SimVarRef& ref, double value);

// Freeze flags: a frozen aircraft moves only by what is written to it.
void SetFreeze(uint32_t objectId, int which /*0 lat/lon, 1 altitude, 2 attitude*/, bool on);
bool IsFrozen(uint32_t objectId, int which);
// AI control released by the client (the aircraft no longer flies its plan).
void ReleaseAiControl(uint32_t objectId);
bool IsAiControlReleased(uint32_t objectId);

// Moves every aircraft by dt seconds of simulated time (after the sim rate), and the
// world's Zulu date and time with them.
void AdvanceAircraft(double dtSeconds);

// Exact placement through the host's object interface (stored integer units). onGround
// 0 or 1 sets the flag; -1 (a call that does not carry it) derives it from the altitude.
// Moves the aircraft also when it is frozen.
void PlaceAircraft(uint32_t objectId, const int64_t position[3], const int32_t attitude[3], int onGround);
void SetAircraftVelocity(uint32_t objectId, const double velocity[3]);  // ft/s, world X, Y, Z
void SetAircraftLights(uint32_t objectId, uint32_t lights);  // bit 0 nav ... bit 9 cabin

// Trace: CSV rows per aircraft per frame, header first. A file that cannot be created
// or written is reported in the transcript.
void OpenTrace(const std::string& path);
void TraceFrame(uint64_t frame, double timeSeconds);
void CloseTrace();

// Back to the start: only the user's aircraft (id 1, parked), the Zulu clock at its
// start. The trace stays as it is.
void ResetAircraft();

}  // namespace vsim
