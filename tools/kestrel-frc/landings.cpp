// Landing and take-off detection over a track's on-ground flag: the samples fall into
// runs on the ground and in the air; a run on the ground after one in the air begins
// with a touchdown, and a short hop soon after a touchdown is a bounce of that landing
// rather than a take-off and another landing.
#include "tools/kestrel-frc/landings.h"

#include <algorithm>
#include <cmath>

#include "tools/kestrel-frc/geo.h"
#include "tools/kestrel-frc/textformat.h"

namespace {

struct Run {
    bool onGround;
    size_t first, end;  // samples [first, end)
};

std::vector<Run> SplitIntoRuns(const std::vector<FullSample>& samples) {
    std::vector<Run> runs;
    for (size_t i = 0; i < samples.size(); ++i) {
        bool onGround = IsOnGround(samples[i]);
        if (runs.empty() || runs.back().onGround != onGround) runs.push_back({onGround, i, i});
        runs.back().end = i + 1;
    }
    return runs;
}

double Distance(const FullSample& a, const FullSample& b) {
    return DistanceMeters(LatitudeOf(a), LongitudeOf(a), LatitudeOf(b), LongitudeOf(b));
}

// The distance from the landing's first contact until a sample on the ground at taxi
// speed, before `end` (the next take-off or the end of the track); -1 when none is.
double RolloutMeters(const std::vector<FullSample>& samples, size_t contact, size_t end) {
    double meters = 0.0;
    for (size_t i = contact + 1; i < end; ++i) {
        meters += Distance(samples[i - 1], samples[i]);
        if (IsOnGround(samples[i]) && GroundSpeedKnots(samples[i]) <= TaxiSpeedKnots) return meters;
    }
    return -1.0;
}

}  // namespace

FlightEvents FindFlightEvents(const frc::Track& track) {
    const std::vector<FullSample>& samples = track.samples;
    const std::vector<double> seconds = SampleSeconds(track);
    const std::vector<Run> runs = SplitIntoRuns(samples);
    FlightEvents events;
    bool landed = false;    // the ground run being walked began with a landing's contact
    bool bouncing = false;  // the air run being walked is a bounce of the last landing

    for (size_t r = 0; r < runs.size(); ++r) {
        const Run& run = runs[r];
        if (run.first == 0) continue;  // the track starts here: no change to see
        const size_t i = run.first;
        const FullSample& s = samples[i];
        if (!run.onGround) {
            // A lift-off: a bounce when it comes soon after a contact and is down again
            // soon; otherwise a take-off.
            bouncing = landed && seconds[i] - seconds[runs[r - 1].first] <= BounceWindowSeconds &&
                       r + 1 < runs.size() && seconds[runs[r + 1].first] - seconds[i] <= BounceAirborneSeconds;
            if (!bouncing) {
                events.takeOffs.push_back({i, GetSampleU32(&s, FieldTime), seconds[i], LatitudeOf(s), LongitudeOf(s),
                                           AltitudeFeet(s), GroundSpeedKnots(s)});
                landed = false;
            }
            continue;
        }
        // A touchdown. The last sample before contact holds the sink rate (the contact
        // sample may already show the gear stopping it).
        const FullSample& before = samples[i - 1];
        if (bouncing) {
            const Run& hop = runs[r - 1];
            double top = AltitudeFeet(samples[hop.first - 1]), runway = top;
            for (size_t k = hop.first; k < hop.end; ++k) top = std::max(top, AltitudeFeet(samples[k]));
            events.landings.back().bounces.push_back(
                {seconds[hop.first], seconds[i], top - runway, VerticalSpeedFpm(before)});
        } else {
            Landing landing;
            landing.sample = i;
            landing.time = GetSampleU32(&s, FieldTime);
            landing.seconds = seconds[i];
            landing.latitude = LatitudeOf(s);
            landing.longitude = LongitudeOf(s);
            landing.altitudeFeet = AltitudeFeet(s);
            landing.verticalSpeedFpm = VerticalSpeedFpm(before);
            landing.groundSpeedKnots = GroundSpeedKnots(s);
            landing.pitchDegrees = PitchUpDegrees(s);
            landing.bankDegrees = BankRightDegrees(s);
            landing.rolloutMeters = -1.0;
            landing.touchAndGo = false;
            events.landings.push_back(landing);
        }
        landed = true;
        bouncing = false;
    }

    // Roll-outs: each landing's ground run lasts until the next take-off.
    for (Landing& landing : events.landings) {
        size_t end = samples.size();
        for (const TakeOff& takeOff : events.takeOffs) {
            if (takeOff.sample > landing.sample) {
                end = takeOff.sample;
                break;
            }
        }
        landing.rolloutMeters = RolloutMeters(samples, landing.sample, end);
        landing.touchAndGo = landing.rolloutMeters < 0 && end < samples.size();
    }
    return events;
}

std::vector<EventRef> InTimeOrder(const FlightEvents& events) {
    std::vector<EventRef> order;
    size_t t = 0, l = 0;
    while (t < events.takeOffs.size() || l < events.landings.size()) {
        if (l >= events.landings.size() ||
            (t < events.takeOffs.size() && events.takeOffs[t].sample < events.landings[l].sample))
            order.push_back({false, t++});
        else
            order.push_back({true, l++});
    }
    return order;
}

// "47.001122, 7.989991"
static std::string Position(double latitude, double longitude) {
    return FormatFixed(latitude, 6) + ", " + FormatFixed(longitude, 6);
}

static std::string Moment(uint32_t date, uint32_t time) {
    return FormatSeconds(time) + " s (" + FormatUtc(date, time, 0) + ")";
}

// "5.2 up", "0.3 left": a signed angle told by its side, as pilots say it.
static std::string Sided(double degrees, const char* positive, const char* negative) {
    std::string text = FormatFixed(std::fabs(degrees), 1);
    if (text == "0.0") return text;
    return text + " " + (degrees > 0 ? positive : negative);
}

std::string LandingLine(const Landing& landing, uint32_t date) {
    std::string line = Moment(date, landing.time) + " at " + Position(landing.latitude, landing.longitude) + ": " +
                       FormatFixed(landing.verticalSpeedFpm, 0) + " fpm, " +
                       FormatFixed(landing.groundSpeedKnots, 1) + " kt, pitch " +
                       Sided(landing.pitchDegrees, "up", "down") + ", bank " +
                       Sided(landing.bankDegrees, "right", "left");
    if (landing.rolloutMeters >= 0) line += ", rolled " + FormatFixed(landing.rolloutMeters, 0) + " m to taxi speed";
    if (landing.touchAndGo) line += ", touch-and-go";
    if (!landing.bounces.empty())
        line += ", " + std::to_string(landing.bounces.size()) + (landing.bounces.size() == 1 ? " bounce" : " bounces");
    return line;
}

std::string TakeOffLine(const TakeOff& takeOff, uint32_t date) {
    return Moment(date, takeOff.time) + " at " + Position(takeOff.latitude, takeOff.longitude) + ": " +
           FormatFixed(takeOff.groundSpeedKnots, 1) + " kt";
}

// The when and where of a take-off or landing.
template <typename Event>
static nlohmann::ordered_json MomentJson(const Event& e, uint32_t date) {
    nlohmann::ordered_json j;
    j["time_s"] = RoundedTo(e.seconds, 4);
    j["utc"] = FormatUtc(date, e.time, 3);
    j["latitude"] = RoundedTo(e.latitude, 7);
    j["longitude"] = RoundedTo(e.longitude, 7);
    j["altitude_ft"] = RoundedTo(e.altitudeFeet, 1);
    return j;
}

nlohmann::ordered_json LandingJson(const Landing& landing, uint32_t date) {
    nlohmann::ordered_json j = MomentJson(landing, date);
    j["vertical_speed_fpm"] = RoundedTo(landing.verticalSpeedFpm, 1);
    j["ground_speed_kt"] = RoundedTo(landing.groundSpeedKnots, 1);
    j["pitch_deg"] = RoundedTo(landing.pitchDegrees, 2);
    j["bank_deg"] = RoundedTo(landing.bankDegrees, 2);
    j["bounces"] = nlohmann::ordered_json::array();
    for (const Bounce& bounce : landing.bounces) {
        nlohmann::ordered_json b;
        b["lift_off_s"] = RoundedTo(bounce.liftOffSeconds, 4);
        b["touchdown_s"] = RoundedTo(bounce.touchdownSeconds, 4);
        b["height_ft"] = RoundedTo(bounce.heightFeet, 1);
        b["vertical_speed_fpm"] = RoundedTo(bounce.verticalSpeedFpm, 1);
        j["bounces"].push_back(b);
    }
    j["rollout_m"] = landing.rolloutMeters >= 0 ? nlohmann::ordered_json(RoundedTo(landing.rolloutMeters, 1))
                                                : nlohmann::ordered_json();
    j["touch_and_go"] = landing.touchAndGo;
    return j;
}

nlohmann::ordered_json TakeOffJson(const TakeOff& takeOff, uint32_t date) {
    nlohmann::ordered_json j = MomentJson(takeOff, date);
    j["ground_speed_kt"] = RoundedTo(takeOff.groundSpeedKnots, 1);
    return j;
}
