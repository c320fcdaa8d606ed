// From logged fixes to a flyable track: cleaning the fixes (order, duplicate times,
// spikes, missing altitudes), sampling a smooth path through them at a fixed interval,
// and deriving what a log does not hold: heading from the course over ground, pitch from
// the flight-path angle, bank from the turn rate of a coordinated turn, world velocities,
// whether the aircraft is on the ground, and the cockpit state of the default groups.
// Used by the import command; pure functions.
#pragma once

#include <cstdint>
#include <vector>

#include "recording/sample.h"
#include "tools/kestrel-frc/flightlog.h"

// Fixes further apart than this are joined by a straight great-circle leg at constant
// speed instead of a curve shaped by their neighbours.
constexpr double GapSeconds = 120.0;
// Limits of what aircraft do, applied to the derived attitude.
constexpr double MaxBankDegrees = 60.0;
constexpr double MaxPitchDegrees = 30.0;
// The turn rate is averaged over this many seconds either side before it becomes bank.
constexpr double TurnSmoothingSeconds = 2.0;
// Below this ground speed (m/s) the course over ground is noise: the heading is held.
constexpr double MovingSpeed = 2.0;

// What cleaning changed, for the import's report.
struct CleanReport {
    size_t outOfOrder = 0;   // fixes logged earlier than the fix before them (sorted in)
    size_t duplicates = 0;   // fixes at the time of an earlier one (dropped)
    size_t spikes = 0;       // single fixes off the path at impossible speed (dropped)
    size_t gaps = 0;         // legs longer than GapSeconds (flown straight)
    bool noAltitude = false; // no fix had an altitude: flown at 0 m
};

// Sorts the fixes by time (stable), keeps the first of fixes with the same time, drops
// fixes off the path at more than 600 m/s across or 150 m/s up and down when their
// neighbours agree, and fills missing altitudes linearly in time from the nearest fixes
// that have one. Non-finite times or positions are dropped.
std::vector<LogFix> CleanFixes(const std::vector<LogFix>& fixes, CleanReport* report);

// The aircraft at one moment, in the simulator's conventions.
struct FlightState {
    double time;                          // seconds since 1970-01-01 UTC
    double latitude, longitude, altitude; // degrees, degrees, metres
    double east, north, up;               // world velocity, m/s
    double heading;                       // true, 0 <= heading < 360
    double pitch;                         // degrees, positive nose down
    double bank;                          // degrees, positive left wing down
    bool onGround;
};

// The bank in degrees (simulator sign: a right turn banks negative) of a coordinated
// turn at speed (m/s) and turn rate (degrees per second, positive to the right),
// tan(phi) = v * omega / g, limited to MaxBankDegrees.
double CoordinatedBank(double speed, double turnRate);

// Samples the flight through cleaned fixes (two or more, increasing times) every
// intervalMs from the first fix's time, plus one sample at the last fix's time. The
// path passes through every fix at its time.
std::vector<FlightState> ResampleFlight(const std::vector<LogFix>& fixes, uint32_t intervalMs);

// The samples of a track of the default groups: position, attitude, velocity (feet per
// second) and on-ground from the states, times in 1/10000 s since baseTime (seconds
// since 1970 UTC, at most the first state's time), and a plausible cockpit state: gear
// down on the ground and near the lowest part of the flight, engines, throttles and
// lights as a powered aircraft or a glider flies.
std::vector<FullSample> FlightSamples(const std::vector<FlightState>& states, double baseTime, bool powered);
