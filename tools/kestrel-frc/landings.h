// Landings and take-offs of one recorded track, found from the on-ground flag (the
// module samples every frame where it changes, so each contact is in the recording):
// touchdowns with their sink rate, speed and attitude, the bounces that followed and
// the roll-out, and the lift-offs that were take-offs rather than bounces; and their
// texts. Pure functions over frc::Track samples, shared by the landings, report and
// info commands.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include <nlohmann/json.hpp>

#include "recording/frcformat.h"
#include "tools/kestrel-frc/flightfigures.h"

constexpr double BounceWindowSeconds = 5.0;       // a lift-off this soon after a touchdown...
constexpr double BounceAirborneSeconds = 10.0;    // ...that is down again this soon is a bounce
constexpr double TaxiSpeedKnots = 15.0;           // the roll-out ends here

struct Bounce {
    double liftOffSeconds;     // recording time of the lift-off
    double touchdownSeconds;   // and of the touchdown that ended it
    double heightFeet;         // highest point above the runway it left
    double verticalSpeedFpm;   // at its touchdown
};

struct Landing {
    size_t sample;             // the first contact's sample
    uint32_t time;             // its stored time (1/10000 s), for UTC texts
    double seconds;            // its recording time
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
    uint32_t time;
    double seconds;
    double latitude, longitude, altitudeFeet;
    double groundSpeedKnots;
};

struct FlightEvents {
    std::vector<TakeOff> takeOffs;
    std::vector<Landing> landings;
};

// Every take-off and landing of the track, each in time order.
FlightEvents FindFlightEvents(const frc::Track& track);

// Take-offs and landings together in the order they happened: which list, and where.
struct EventRef {
    bool landing;
    size_t index;
};
std::vector<EventRef> InTimeOrder(const FlightEvents& events);

// "312.8333 s (2024-06-20T12:05:12Z) at 47.001122, 7.989991: -98 fpm, 54.5 kt, pitch 5.2
// up, bank 0.3 left, rolled 412 m to taxi speed, 1 bounce": one landing on one line, as
// the landings and info commands print it (date: the recording's date).
std::string LandingLine(const Landing& landing, uint32_t date);
std::string TakeOffLine(const TakeOff& takeOff, uint32_t date);
// One landing as a JSON object with plain names (time_s, vertical_speed_fpm, ...).
nlohmann::ordered_json LandingJson(const Landing& landing, uint32_t date);
nlohmann::ordered_json TakeOffJson(const TakeOff& takeOff, uint32_t date);
