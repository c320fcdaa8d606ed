// The state record of one simulated aircraft and the flat world it flies in, shared by
// the aircraft registry (aircraft.cpp) and the flight plans (flightplans.cpp).
//
// Sign conventions are the simulator's own, so that a value reads back as written:
// pitch is positive nose DOWN, bank is positive LEFT wing down, heading is true and
// clockwise from north in [0, 360). World velocity X points east, Y up, Z north.
#pragma once

#include <cstdint>
#include <string>

namespace vsim {

// The world is a sphere whose quarter meridian is 10,001,750 m (the length the stored
// latitude unit is built on) with flat ground at one elevation everywhere.
const double MetresPerDegreeLatitude = 10001750.0 / 90.0;
const double GroundElevation = 400.0;  // metres above sea level
const double FeetPerMetre = 1.0 / 0.3048;
const double GravityMs2 = 9.80665;

// The fictional airfield every start position is laid out around.
const double FieldLatitude = 47.0;
const double FieldLongitude = 8.0;

// The circuit plans differ only in their first landing: a full stop, a touch-and-go
// followed by a second circuit to a full stop, or a hard landing that bounces once.
enum FlightPlanKind { PlanParked, PlanOrbit, PlanCircuit, PlanTouchAndGo, PlanBounce };

// What the pilot of a flight plan remembers between steps. The flown values (speed,
// track, vertical speed, attitude) are the pilot's own copies: the aircraft's fields
// are taken over at each step where they are free, so writes to an aircraft carry on.
struct FlightPlanState {
    FlightPlanKind kind = PlanParked;
    int phase = 0;
    double phaseTime = 0.0;      // seconds in the current phase
    double planTime = 0.0;       // seconds since the plan started
    double speed = 0.0;          // m/s along the track
    double verticalSpeed = 0.0;  // m/s, up positive
    double track = 0.0;          // degrees true, direction of motion
    double noseUp = 0.0;         // degrees, nose up positive
    double rightBank = 0.0;      // degrees, right wing down positive
    double rollRate = 0.0;       // degrees per second: a pilot's roll builds up and eases off
    double throttleTarget = 0.0; // lever position the pilot moves the throttles towards
    double holdAltitude = 0.0;   // metres, the altitude an orbit keeps
    int touchdowns = 0;          // landings of a circuit plan so far (a bounce counts once)
    // The runway of a circuit: the point where the take-off roll began and its heading.
    double runwayLatitude = 0.0;
    double runwayLongitude = 0.0;
    double runwayHeading = 0.0;
};

struct SimAircraft {
    uint32_t objectId = 0;
    bool released = false;               // AI control released: the plan no longer flies it
    bool frozen[3] = {false, false, false};  // latitude/longitude, altitude, attitude
    std::string title;
    double cgFeet = 0.0;                 // static CG height above the ground, feet
    int engineCount = 2;

    double latitude = 0.0;   // degrees
    double longitude = 0.0;  // degrees
    double altitude = 0.0;   // metres above sea level
    double pitch = 0.0;      // degrees, nose down positive
    double bank = 0.0;       // degrees, left wing down positive
    double heading = 0.0;    // degrees true
    double velocity[3] = {0.0, 0.0, 0.0};  // world X east, Y up, Z north; feet per second
    bool onGround = true;

    // Cockpit state in the simulator's "position" units: throttles -0.25..1 (reverse
    // below 0), mixture and propeller 0..1, surfaces -1..1 (elevator positive pulls the
    // nose up, aileron and rudder positive to the right), spoilers and gear 0..1.
    double throttle[4] = {0.0, 0.0, 0.0, 0.0};
    double mixture[4] = {0.0, 0.0, 0.0, 0.0};
    double propeller[4] = {0.0, 0.0, 0.0, 0.0};
    double elevator = 0.0;
    double aileron = 0.0;
    double rudder = 0.0;
    double spoilers = 0.0;
    double flapsIndex = 0.0;
    double gearHandle = 1.0;
    double gearPosition[3] = {1.0, 1.0, 1.0};  // center, left, right; 1 down and locked
    uint32_t lights = 0;     // bit 0 nav, 1 beacon, 2 landing, 3 taxi, 4 strobe, 5 panel,
                             // 6 recognition, 7 wing, 8 logo, 9 cabin
    double parkingBrake = 1.0;
    double combustion[4] = {0.0, 0.0, 0.0, 0.0};
    double navMhz[2] = {110.50, 113.90};
    double navObs[2] = {270.0, 90.0};  // degrees
    double adfKhz = 350.0;
    double comMhz[2] = {121.75, 121.50};
    uint32_t transponder = 1200;       // the code as its four octal digits read in decimal
    double smoke = 0.0;

    FlightPlanState plan;
};

enum LightBit : uint32_t {
    LightNav = 1u << 0,
    LightBeacon = 1u << 1,
    LightLanding = 1u << 2,
    LightTaxi = 1u << 3,
    LightStrobe = 1u << 4,
    LightPanel = 1u << 5,
    LightRecognition = 1u << 6,
    LightWing = 1u << 7,
    LightLogo = 1u << 8,
    LightCabin = 1u << 9,
};
const uint32_t AllLights = 0x3FF;

}  // namespace vsim
