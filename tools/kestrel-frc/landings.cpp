// Landing and take-off detection over a track's on-ground flag: the samples fall into
// runs on the ground and in the air; a run on the ground after one in the air begins
// with a touchdown, and a short hop soon after a touchdown is a bounce of that landing
// rather than a take-off and another landing.
#include "tools/kestrel-frc/landings.h"

#include <algorithm>
#include <cmath>

#include "tools/kestrel-frc/geo.h"

double GroundSpeedKnots(const FullSample& s) {
    double east = GetSampleF64(&s, FieldVelocityX), north = GetSampleF64(&s, FieldVelocityZ);
    return std::sqrt(east * east + north * north) * KnotsPerFootPerSecond;
}

double VerticalSpeedFpm(const FullSample& s) { return GetSampleF64(&s, FieldVelocityY) * 60.0; }
double PitchUpDegrees(const FullSample& s) { return -AngleToDegrees(GetSampleI32(&s, FieldPitch)); }
double BankRightDegrees(const FullSample& s) { return -AngleToDegrees(GetSampleI32(&s, FieldBank)); }
double LatitudeOf(const FullSample& s) { return LatitudeToDegrees(GetSampleI64(&s, FieldLatitude)); }
double LongitudeOf(const FullSample& s) { return LongitudeToDegrees(GetSampleI64(&s, FieldLongitude)); }
double AltitudeFeet(const FullSample& s) { return AltitudeToMeters(GetSampleI64(&s, FieldAltitude)) / MetersPerFoot; }
bool IsOnGround(const FullSample& s) { return GetSampleU8(&s, FieldOnGround) != 0; }

std::vector<double> SampleSeconds(const frc::Track& track) {
    std::vector<double> seconds(track.samples.size());
    for (size_t i = 0; i < seconds.size(); ++i) {
        uint32_t time = GetSampleU32(&track.samples[i], FieldTime);
        if (i == 0) {
            seconds[i] = time / 10000.0;
        } else {
            uint32_t previous = GetSampleU32(&track.samples[i - 1], FieldTime);
            seconds[i] = seconds[i - 1] + int32_t(time - previous) / 10000.0;
        }
    }
    return seconds;
}

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

FlightEvents FindFlightEvents(const frc::Track& track, uint32_t date) {
    const std::vector<FullSample>& samples = track.samples;
    const std::vector<double> seconds = SampleSeconds(track);
    const double dateUtc = frc::UnixTime(date, 0);
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
                events.takeOffs.push_back({i, seconds[i], dateUtc + seconds[i], LatitudeOf(s), LongitudeOf(s),
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
            landing.seconds = seconds[i];
            landing.utc = dateUtc + seconds[i];
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
