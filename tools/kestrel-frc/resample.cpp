// Cleaning fixes, sampling a path through them and deriving the attitude and the
// cockpit state of an imported track.
//
// The path is a cubic Hermite curve per coordinate (latitude, unwrapped longitude,
// altitude) through the fixes, with tangents from both neighbouring legs. Where the
// aircraft stands still the horizontal tangents are zero, and the altitude never
// overshoots between two fixes (a level stretch stays level). Legs longer than
// GapSeconds are flown straight on the great circle: their neighbours say nothing about
// what happened in between.
#include "tools/kestrel-frc/resample.h"

#include <algorithm>
#include <cmath>

#include "tools/kestrel-frc/geo.h"

static const double RadiansPerDegree = 3.14159265358979323846 / 180.0;
// Fixes closer in time than this are taken as the same moment.
static const double SameTimeSeconds = 0.001;
// Consecutive fixes closer than this are the aircraft standing still.
static const double StillMeters = 0.5;
static const double MaxGroundSpeed = 600.0;    // m/s, faster than anything that logs a track
static const double MaxVerticalSpeed = 150.0;  // m/s
// Ground detection where the log does not say: slow and level...
static const double TaxiSpeed = 12.0;          // m/s, about 23 knots
static const double LevelSpeed = 2.0;          // m/s up or down
// ...at the start or end of the log, or within this height of its lowest point.
static const double GroundHeightBand = 30.0;   // m
// A ground run goes on while the aircraft stays this close to the run's height (the
// take-off and landing rolls, too fast for taxiing).
static const double RollHeightBand = 8.0;      // m
// The gear is down on the ground and below this height above the log's lowest point.
static const double GearDownHeight = 300.0;    // m

static bool Impossible(const LogFix& a, const LogFix& b) {
    double dt = b.time - a.time;
    if (DistanceMeters(a.latitude, a.longitude, b.latitude, b.longitude) > MaxGroundSpeed * dt) return true;
    return std::isfinite(a.altitude) && std::isfinite(b.altitude) &&
           std::fabs(b.altitude - a.altitude) > MaxVerticalSpeed * dt;
}

std::vector<LogFix> CleanFixes(const std::vector<LogFix>& input, CleanReport* report) {
    *report = CleanReport();
    std::vector<LogFix> fixes;
    double latest = -INFINITY;
    for (const LogFix& fix : input) {
        if (!std::isfinite(fix.time) || !std::isfinite(fix.latitude) || !std::isfinite(fix.longitude) ||
            std::fabs(fix.latitude) > 90 || std::fabs(fix.longitude) > 180)
            continue;
        if (fix.time < latest) ++report->outOfOrder;
        latest = std::max(latest, fix.time);
        fixes.push_back(fix);
    }
    std::stable_sort(fixes.begin(), fixes.end(), [](const LogFix& a, const LogFix& b) { return a.time < b.time; });

    std::vector<LogFix> unique;
    for (const LogFix& fix : fixes) {
        if (!unique.empty() && fix.time - unique.back().time < SameTimeSeconds) {
            ++report->duplicates;
            continue;
        }
        unique.push_back(fix);
    }

    // A spike: one fix that neither neighbour can reach, while they can reach each other.
    std::vector<LogFix> kept;
    for (size_t i = 0; i < unique.size(); ++i) {
        if (!kept.empty() && i + 1 < unique.size() && Impossible(kept.back(), unique[i]) &&
            Impossible(unique[i], unique[i + 1]) && !Impossible(kept.back(), unique[i + 1])) {
            ++report->spikes;
            continue;
        }
        kept.push_back(unique[i]);
    }

    std::vector<size_t> withAltitude;
    for (size_t i = 0; i < kept.size(); ++i) {
        if (std::isfinite(kept[i].altitude)) withAltitude.push_back(i);
    }
    if (withAltitude.empty()) {
        report->noAltitude = !kept.empty();
        for (LogFix& fix : kept) fix.altitude = 0;
    } else {
        size_t next = 0;  // index into withAltitude of the first fix at or after i
        for (size_t i = 0; i < kept.size(); ++i) {
            while (next < withAltitude.size() && withAltitude[next] < i) ++next;
            if (next < withAltitude.size() && withAltitude[next] == i) continue;
            if (next == 0) {
                kept[i].altitude = kept[withAltitude[0]].altitude;
            } else if (next == withAltitude.size()) {
                kept[i].altitude = kept[withAltitude.back()].altitude;
            } else {
                const LogFix& a = kept[withAltitude[next - 1]];
                const LogFix& b = kept[withAltitude[next]];
                kept[i].altitude = a.altitude + (b.altitude - a.altitude) * (kept[i].time - a.time) / (b.time - a.time);
            }
        }
    }
    for (size_t i = 1; i < kept.size(); ++i) {
        if (kept[i].time - kept[i - 1].time > GapSeconds) ++report->gaps;
    }
    return kept;
}

double CoordinatedBank(double speed, double turnRate) {
    double phi = std::atan(speed * turnRate * RadiansPerDegree / StandardGravity) / RadiansPerDegree;
    return -std::clamp(phi, -MaxBankDegrees, MaxBankDegrees);
}

// The tangent of one coordinate at fix i from the slopes of its two legs, each weighted
// by the other leg's length (the slope of the parabola through the three fixes); one leg
// alone at the ends and beside gaps. With monotone set (altitude), zero where the
// coordinate turns and at most three times the smaller slope, which keeps the cubic
// between the two fixes; with stopped set (a leg without horizontal motion), zero.
static double Tangent(const std::vector<double>& value, const std::vector<LogFix>& fixes, const std::vector<bool>& gap,
                      size_t i, bool monotone, bool stopped) {
    bool left = i > 0 && !gap[i - 1];
    bool right = i + 1 < fixes.size() && !gap[i];
    double h0 = left ? fixes[i].time - fixes[i - 1].time : 0, h1 = right ? fixes[i + 1].time - fixes[i].time : 0;
    double d0 = left ? (value[i] - value[i - 1]) / h0 : 0, d1 = right ? (value[i + 1] - value[i]) / h1 : 0;
    if (stopped) return 0;
    if (!left || !right) return left ? d0 : d1;
    if (!monotone) return (h1 * d0 + h0 * d1) / (h0 + h1);
    if (d0 * d1 <= 0) return 0;
    double m = (h1 * d0 + h0 * d1) / (h0 + h1);
    double limit = 3 * std::min(std::fabs(d0), std::fabs(d1));
    return std::clamp(m, -limit, limit);
}

static double WrapLongitude(double longitude) {
    double wrapped = std::fmod(longitude + 180.0, 360.0);
    if (wrapped < 0) wrapped += 360.0;
    return wrapped - 180.0;
}

static double CourseOf(double east, double north) {
    double course = std::atan2(east, north) / RadiansPerDegree;
    if (course < 0) course += 360.0;
    return course >= 360.0 ? 0.0 : course;
}

// The position and velocity on leg j (fixes j, j+1) at time t.
static void PathPoint(const std::vector<LogFix>& fixes, const std::vector<double>* coords, const std::vector<double>* slopes,
                      bool gap, size_t j, double t, FlightState* out) {
    const LogFix& a = fixes[j];
    const LogFix& b = fixes[j + 1];
    double h = b.time - a.time, s = (t - a.time) / h;
    out->time = t;
    if (gap) {
        double distance = DistanceMeters(a.latitude, a.longitude, b.latitude, b.longitude);
        double course = CourseDegrees(a.latitude, a.longitude, b.latitude, b.longitude);
        DestinationPoint(a.latitude, a.longitude, course, distance * s, &out->latitude, &out->longitude);
        if (distance * (1 - s) > 1.0) course = CourseDegrees(out->latitude, out->longitude, b.latitude, b.longitude);
        double speed = distance / h;
        out->east = speed * std::sin(course * RadiansPerDegree);
        out->north = speed * std::cos(course * RadiansPerDegree);
        out->altitude = a.altitude + (b.altitude - a.altitude) * s;
        out->up = (b.altitude - a.altitude) / h;
        return;
    }
    double s2 = s * s, s3 = s2 * s;
    double h00 = 2 * s3 - 3 * s2 + 1, h10 = s3 - 2 * s2 + s, h01 = -2 * s3 + 3 * s2, h11 = s3 - s2;
    double d00 = 6 * s2 - 6 * s, d10 = 3 * s2 - 4 * s + 1, d01 = -6 * s2 + 6 * s, d11 = 3 * s2 - 2 * s;
    double value[3], rate[3];
    for (int axis = 0; axis < 3; ++axis) {
        double p0 = coords[axis][j], p1 = coords[axis][j + 1], m0 = slopes[axis][j], m1 = slopes[axis][j + 1];
        value[axis] = h00 * p0 + h10 * h * m0 + h01 * p1 + h11 * h * m1;
        rate[axis] = (d00 * p0 + d10 * h * m0 + d01 * p1 + d11 * h * m1) / h;
    }
    out->latitude = value[0];
    out->longitude = WrapLongitude(value[1]);
    out->altitude = value[2];
    double metresPerDegree = EarthRadiusMeters * RadiansPerDegree;
    out->north = rate[0] * metresPerDegree;
    out->east = rate[1] * metresPerDegree * std::cos(value[0] * RadiansPerDegree);
    out->up = rate[2];
}

// On the ground where the log does not say: runs of slow, level samples at the start or
// end of the flight or down at its lowest height, widened over the take-off and landing
// rolls. Samples the log decided (known[k] != -1) keep the log's word.
static void DetectGround(std::vector<FlightState>* states, const std::vector<int>& known) {
    std::vector<FlightState>& st = *states;
    size_t n = st.size();
    double lowest = INFINITY;
    for (const FlightState& s : st) lowest = std::min(lowest, s.altitude);
    auto slow = [&](size_t k) {
        return known[k] == -1 && std::hypot(st[k].east, st[k].north) < TaxiSpeed && std::fabs(st[k].up) < LevelSpeed;
    };
    auto level = [&](size_t k, double height) {
        return known[k] == -1 && std::fabs(st[k].altitude - height) < RollHeightBand && std::fabs(st[k].up) < LevelSpeed;
    };
    std::vector<bool> ground(n, false);
    for (size_t start = 0; start < n;) {
        if (!slow(start)) {
            ++start;
            continue;
        }
        size_t end = start;
        double runLowest = st[start].altitude;
        while (end + 1 < n && slow(end + 1)) runLowest = std::min(runLowest, st[++end].altitude);
        if (start == 0 || end + 1 == n || runLowest - lowest < GroundHeightBand) {
            size_t first = start, last = end;
            while (first > 0 && level(first - 1, st[start].altitude)) --first;
            while (last + 1 < n && level(last + 1, st[end].altitude)) ++last;
            for (size_t k = first; k <= last; ++k) ground[k] = true;
        }
        start = end + 1;
    }
    for (size_t k = 0; k < n; ++k) st[k].onGround = known[k] == -1 ? ground[k] : known[k] == 1;
}

std::vector<FlightState> ResampleFlight(const std::vector<LogFix>& fixes, uint32_t intervalMs) {
    std::vector<FlightState> states;
    size_t n = fixes.size();
    if (n < 2 || intervalMs == 0) return states;

    std::vector<double> coords[3], slopes[3];
    for (auto& c : coords) c.resize(n);
    for (size_t i = 0; i < n; ++i) {
        coords[0][i] = fixes[i].latitude;
        coords[1][i] = i == 0 ? fixes[0].longitude
                              : coords[1][i - 1] + AngleDifference(fixes[i - 1].longitude, fixes[i].longitude);
        coords[2][i] = fixes[i].altitude;
    }
    std::vector<bool> gap(n - 1);
    for (size_t i = 0; i + 1 < n; ++i) gap[i] = fixes[i + 1].time - fixes[i].time > GapSeconds;
    // A fix beside a leg that does not move is where the aircraft stops or starts:
    // the curve must not run past it.
    std::vector<bool> still(n - 1);
    for (size_t i = 0; i + 1 < n; ++i)
        still[i] = DistanceMeters(fixes[i].latitude, fixes[i].longitude, fixes[i + 1].latitude,
                                  fixes[i + 1].longitude) < StillMeters;
    for (size_t i = 0; i < n; ++i) {
        bool stopped = (i > 0 && still[i - 1]) || (i + 1 < n && still[i]);
        slopes[0].push_back(Tangent(coords[0], fixes, gap, i, false, stopped));
        slopes[1].push_back(Tangent(coords[1], fixes, gap, i, false, stopped));
        slopes[2].push_back(Tangent(coords[2], fixes, gap, i, true, false));
    }

    double first = fixes.front().time, last = fixes.back().time, step = intervalMs / 1000.0;
    std::vector<int> known;
    size_t leg = 0, nearest = 0;
    for (uint64_t k = 0;; ++k) {
        double t = first + (double)k * step;
        if (t > last - SameTimeSeconds) t = last;
        while (leg + 2 < n && fixes[leg + 1].time <= t) ++leg;
        FlightState state;
        PathPoint(fixes, coords, slopes, gap[leg], leg, t, &state);
        while (nearest + 1 < n && fixes[nearest + 1].time - t < t - fixes[nearest].time) ++nearest;
        known.push_back(fixes[nearest].onGround);
        states.push_back(state);
        if (t == last) break;
    }

    // Heading: the course over ground, held through moments of (almost) no motion; before
    // the aircraft first moves it already faces where it will go.
    double held = -1;
    for (FlightState& s : states) {
        if (std::hypot(s.east, s.north) >= MovingSpeed) {
            held = CourseOf(s.east, s.north);
            break;
        }
    }
    if (held < 0) held = 0;
    for (FlightState& s : states) {
        if (std::hypot(s.east, s.north) >= MovingSpeed) held = CourseOf(s.east, s.north);
        s.heading = held;
    }

    DetectGround(&states, known);

    // Turn rate by central differences, averaged over TurnSmoothingSeconds either side.
    size_t count = states.size();
    std::vector<double> turn(count, 0.0);
    for (size_t k = 0; k < count; ++k) {
        size_t a = k == 0 ? 0 : k - 1, b = k + 1 < count ? k + 1 : k;
        double dt = states[b].time - states[a].time;
        if (dt > 0) turn[k] = AngleDifference(states[a].heading, states[b].heading) / dt;
    }
    size_t window = std::max<size_t>(1, (size_t)std::lround(TurnSmoothingSeconds * 1000.0 / intervalMs));
    std::vector<double> sum(count + 1, 0.0);
    for (size_t k = 0; k < count; ++k) sum[k + 1] = sum[k] + turn[k];
    for (size_t k = 0; k < count; ++k) {
        FlightState& s = states[k];
        double speed = std::hypot(s.east, s.north);
        size_t a = k >= window ? k - window : 0, b = std::min(count - 1, k + window);
        double rate = (sum[b + 1] - sum[a]) / (double)(b + 1 - a);
        s.bank = s.onGround || speed < MovingSpeed ? 0.0 : CoordinatedBank(speed, rate);
        double climb = std::atan2(s.up, speed) / RadiansPerDegree;
        s.pitch = s.onGround ? 0.0 : -std::clamp(climb, -MaxPitchDegrees, MaxPitchDegrees);
    }
    return states;
}

std::vector<FullSample> FlightSamples(const std::vector<FlightState>& states, double baseTime, bool powered) {
    std::vector<FullSample> samples(states.size());
    double lowest = INFINITY;
    for (const FlightState& s : states) lowest = std::min(lowest, s.altitude);
    for (size_t k = 0; k < states.size(); ++k) {
        const FlightState& s = states[k];
        FullSample* out = &samples[k];
        memset(out->bytes, 0, sizeof(out->bytes));
        SetSampleI64(out, FieldLatitude, DegreesToLatitude(s.latitude));
        SetSampleI64(out, FieldLongitude, DegreesToLongitude(s.longitude));
        SetSampleI64(out, FieldAltitude, MetersToAltitude(s.altitude));
        SetSampleI32(out, FieldPitch, (int32_t)DegreesToAngle(s.pitch));
        SetSampleI32(out, FieldBank, (int32_t)DegreesToAngle(s.bank));
        SetSampleU32(out, FieldHeading, DegreesToAngle(s.heading));
        SetSampleF64(out, FieldVelocityX, s.east / MetersPerFoot);
        SetSampleF64(out, FieldVelocityY, s.up / MetersPerFoot);
        SetSampleF64(out, FieldVelocityZ, s.north / MetersPerFoot);
        SetSampleU8(out, FieldOnGround, s.onGround ? 1 : 0);
        SetSampleU32(out, FieldTime, (uint32_t)std::llround((s.time - baseTime) * 10000.0));

        bool gearDown = s.onGround || s.altitude < lowest + GearDownHeight;
        SetSampleI16(out, FieldGear, LeverToFixed(gearDown ? 1.0 : 0.0));
        if (!powered) continue;
        // Full power on a roll that gains speed, idle on the ground otherwise; cruise power
        // in the air, less on a steep descent.
        double speed = std::hypot(s.east, s.north), throttle;
        if (s.onGround) {
            double before = k > 0 ? std::hypot(states[k - 1].east, states[k - 1].north) : speed;
            throttle = speed > TaxiSpeed && speed > before ? 1.0 : 0.0;
        } else {
            throttle = s.up < -5.0 ? 0.4 : 0.75;
        }
        for (uint32_t lever = 0; lever < 4; ++lever) {
            SetSampleI16(out, FieldThrottle1 + 2 * lever, LeverToFixed(throttle));
            SetSampleU8(out, FieldEngine1 + lever, 1);
        }
        // Navigation lights and beacon; strobes in the air, landing lights with the gear.
        uint16_t lights = 0x0003;
        if (!s.onGround) lights |= 0x0010;
        if (!s.onGround && gearDown) lights |= 0x0004;
        SetSampleU16(out, FieldLights, lights);
    }
    return samples;
}
