// Landings and take-offs of one recorded track, found from the on-ground flag (the
// module samples every frame where it changes, so each contact is in the recording):
// touchdowns with their sink rate, speed and attitude, the bounces that followed and
// the roll-out, and the lift-offs that were take-offs rather than bounces. Pure
// functions over frc::Track samples, shared by the landings, report and info commands.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "recording/frcformat.h"

constexpr double BounceWindowSeconds = 5.0;       // a lift-off this soon after a touchdown...
constexpr double BounceAirborneSeconds = 10.0;    // ...that is down again this soon is a bounce
constexpr double TaxiSpeedKnots = 15.0;           // the roll-out ends here
constexpr double KnotsPerFootPerSecond = 3600.0 * 0.3048 / 1852.0;

// Physical values of a sample in the units pilots read. Pitch is nose up positive and
// bank right wing down positive (the recording stores both the other way round).
double GroundSpeedKnots(const FullSample& s);
double VerticalSpeedFpm(const FullSample& s);  // up positive
double PitchUpDegrees(const FullSample& s);
double BankRightDegrees(const FullSample& s);
double LatitudeOf(const FullSample& s);
double LongitudeOf(const FullSample& s);
double AltitudeFeet(const FullSample& s);
bool IsOnGround(const FullSample& s);

// The times of a track's samples in seconds of the recording, stepping by the signed
// difference of consecutive stored times, so a recording past the 32-bit wrap goes on
// counting (and a damaged one that steps back shows it).
std::vector<double> SampleSeconds(const frc::Track& track);

struct Bounce {
    double liftOffSeconds;     // recording time of the lift-off
    double touchdownSeconds;   // and of the touchdown that ended it
    double heightFeet;         // highest point above the runway it left
    double verticalSpeedFpm;   // at its touchdown
};

struct Landing {
    size_t sample;             // the first contact's sample
    double seconds;            // its recording time
    double utc;                // seconds since 1970-01-01 UTC
    double latitude, longitude, altitudeFeet;
    double verticalSpeedFpm;   // of the last sample before contact; negative descending
    double groundSpeedKnots;
    double pitchDegrees;       // at contact, nose up positive
    double bankDegrees;        // at contact, right wing down positive
    std::vector<Bounce> bounces;
    double rolloutMeters;      // from the first contact until taxi speed; < 0 when the
                               // aircraft never slowed to it (a touch-and-go, the end)
    bool touchAndGo;           // took off again without slowing to taxi speed
};

struct TakeOff {
    size_t sample;             // the first sample in the air
    double seconds, utc;
    double latitude, longitude, altitudeFeet;
    double groundSpeedKnots;
};

struct FlightEvents {
    std::vector<TakeOff> takeOffs;
    std::vector<Landing> landings;
};

// Every take-off and landing of the track in time order; `date` is the recording's date
// (frc::FileHeader::date) for the UTC times.
FlightEvents FindFlightEvents(const frc::Track& track, uint32_t date);
