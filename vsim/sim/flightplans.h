// The scripted flights of the simulated aircraft: "parked", "orbit", "circuit",
// "touch-and-go" (a touch-and-go, then a second circuit) and "bounce" (a circuit whose
// hard landing bounces once), flown in simulated time by a simple pilot and point-mass
// model, and the small geodesy they need. Deterministic: the same steps give the same
// flight, bit for bit.
#pragma once

#include <string>

#include "vsim/sim/aircraftstate.h"

namespace vsim {

bool ParseFlightPlan(const std::string& name, FlightPlanKind* kind);
const char* FlightPlanName(FlightPlanKind kind);
// Name of the plan's current phase ("taxi-out", "final", ...), for the trace and tests.
const char* FlightPlanPhaseName(const SimAircraft& aircraft);

// Puts the aircraft at the plan's start for its slot (0 the user, n > 0 the n-th AI
// aircraft, laid out so that no two slots overlap) with the cockpit the plan starts
// from, and restarts the plan.
void StartFlightPlan(SimAircraft* aircraft, FlightPlanKind kind, unsigned slot);

// Flies dt seconds of simulated time. A released aircraft, and one frozen in all three
// dimensions, is left alone (its plan clock stops); otherwise a frozen dimension keeps
// its values and the others follow the plan.
void FlyFlightPlan(SimAircraft* aircraft, double dtSeconds);

// Geodesy on the simulator's sphere, for distances of a few kilometres.
void MoveByMetres(double* latitude, double* longitude, double north, double east);
void MetresBetween(double latitude0, double longitude0, double latitude1, double longitude1, double* north,
                   double* east);

}  // namespace vsim
