// Import's flight geometry with exact values: cleaning logged fixes, the path through
// them, the attitude derived from it (course, flight-path angle, coordinated bank), the
// ground, gaps and the date line, and the samples built from it.
#include <gtest/gtest.h>

#include <cmath>

#include "tools/kestrel-frc/geo.h"
#include "tools/kestrel-frc/resample.h"

namespace {

const double Pi = 3.14159265358979323846;
// Degrees of latitude (or of longitude on the equator) per metre.
const double DegreesPerMeter = 180.0 / (Pi * EarthRadiusMeters);

LogFix At(double time, double latitude, double longitude, double altitude, int onGround = -1) {
    return LogFix{time, latitude, longitude, altitude, onGround};
}

double Speed(const FlightState& s) {
    return std::hypot(s.east, s.north);
}

TEST(FrcResampleTest, CleaningSortsDropsDuplicatesAndSpikesAndFillsAltitudes) {
    const double d = 50 * DegreesPerMeter;  // 50 m/s northbound
    std::vector<LogFix> log = {
        At(0, 47, 8, 100),          At(2, 47 + 2 * d, 8, 120),
        At(1, 47 + d, 8, 110),      At(1, 47 + 1.5 * d, 8, 999),  // the same second again: dropped
        At(3, 47 + 3 * d, 8, NAN),  At(4, 48, 8, 140),            // 111 km off the path: a spike
        At(5, 47 + 5 * d, 8, 150),  At(305, 47 + 6 * d, 8, 200),  // five minutes later: a gap
        At(306, NAN, 8, 200),
    };
    CleanReport report;
    std::vector<LogFix> fixes = CleanFixes(log, &report);
    EXPECT_EQ(report.outOfOrder, 2u);  // both fixes at 1 s come after the one at 2 s
    EXPECT_EQ(report.duplicates, 1u);
    EXPECT_EQ(report.spikes, 1u);
    EXPECT_EQ(report.gaps, 1u);
    EXPECT_FALSE(report.noAltitude);
    ASSERT_EQ(fixes.size(), 6u);
    const double times[] = {0, 1, 2, 3, 5, 305};
    for (size_t i = 0; i < fixes.size(); ++i) EXPECT_EQ(fixes[i].time, times[i]) << i;
    EXPECT_EQ(fixes[1].altitude, 110);  // the first of the two fixes at 1 s
    EXPECT_EQ(fixes[3].altitude, 130);  // a third of the way from 120 to 150

    // A log without altitudes is flown at 0 m and says so.
    fixes = CleanFixes({At(0, 1, 2, NAN), At(1, 1, 2.001, NAN)}, &report);
    EXPECT_TRUE(report.noAltitude);
    EXPECT_EQ(fixes[0].altitude, 0);
    EXPECT_EQ(fixes[1].altitude, 0);
}

TEST(FrcResampleTest, StraightClimbGivesCourseFlightPathAngleAndVelocities) {
    const double d = 50 * DegreesPerMeter;
    std::vector<LogFix> fixes;
    for (int k = 0; k <= 10; ++k) fixes.push_back(At(1000 + k, 47 + k * d, 8, 100 + 5 * k));
    std::vector<FlightState> states = ResampleFlight(fixes, 250);
    ASSERT_EQ(states.size(), 41u);
    for (size_t i = 0; i < states.size(); ++i) {
        const FlightState& s = states[i];
        EXPECT_DOUBLE_EQ(s.time, 1000 + 0.25 * (double)i);
        EXPECT_NEAR(s.latitude, 47 + d * 0.25 * (double)i, 1e-12);
        EXPECT_NEAR(s.altitude, 100 + 1.25 * (double)i, 1e-9);
        EXPECT_NEAR(s.north, 50, 1e-6);
        EXPECT_EQ(s.east, 0);
        EXPECT_NEAR(s.up, 5, 1e-9);
        EXPECT_EQ(s.heading, 0);
        EXPECT_NEAR(s.pitch, -5.710593137499643, 1e-6);  // nose up: atan(5 / 50)
        EXPECT_EQ(s.bank, 0);
        EXPECT_FALSE(s.onGround);
    }

    std::vector<FullSample> samples = FlightSamples(states, 999, true);
    ASSERT_EQ(samples.size(), states.size());
    const FullSample* s = &samples[4];
    EXPECT_EQ(GetSampleU32(s, FieldTime), 20000u);  // 2 s after the base time
    EXPECT_EQ(GetSampleI64(s, FieldLatitude), DegreesToLatitude(47 + d));
    EXPECT_EQ(GetSampleI64(s, FieldAltitude), MetersToAltitude(105));
    EXPECT_NEAR(GetSampleF64(s, FieldVelocityZ), 50 / 0.3048, 1e-5);  // north, feet per second
    EXPECT_NEAR(GetSampleF64(s, FieldVelocityY), 5 / 0.3048, 1e-8);   // up
    EXPECT_EQ(GetSampleF64(s, FieldVelocityX), 0);                    // east
    EXPECT_NEAR(AngleToDegrees(GetSampleI32(s, FieldPitch)), -5.7105931, 1e-6);
    EXPECT_EQ(GetSampleU8(s, FieldOnGround), 0);
    // A powered aircraft low over its lowest point: gear down, cruise power, engines on,
    // navigation, beacon, strobe and landing lights.
    EXPECT_EQ(GetSampleI16(s, FieldGear), 16384);
    EXPECT_EQ(GetSampleI16(s, FieldThrottle1 + 6), 12288);
    EXPECT_EQ(GetSampleU8(s, FieldEngine1 + 3), 1);
    EXPECT_EQ(GetSampleU16(s, FieldLights), 0x17);
    // A glider has no engines, throttles or lights.
    samples = FlightSamples(states, 999, false);
    EXPECT_EQ(GetSampleI16(&samples[4], FieldThrottle1), 0);
    EXPECT_EQ(GetSampleU8(&samples[4], FieldEngine1), 0);
    EXPECT_EQ(GetSampleU16(&samples[4], FieldLights), 0);
}

TEST(FrcResampleTest, SteadyTurnBanksAsACoordinatedTurn) {
    // Clockwise (a right turn) round a circle of 1000 m at 60 m/s, a fix every second.
    const double radius = 1000, speed = 60, rate = speed / radius * 180 / Pi;  // degrees per second
    std::vector<LogFix> fixes;
    for (int t = 0; t <= 60; ++t) {
        LogFix fix = At(t, 0, 0, 1500);
        DestinationPoint(47, 8, rate * t, radius, &fix.latitude, &fix.longitude);
        fixes.push_back(fix);
    }
    std::vector<FlightState> states = ResampleFlight(fixes, 250);
    ASSERT_EQ(states.size(), 241u);
    const double bank = -std::atan(speed * speed / radius / StandardGravity) * 180 / Pi;  // -20.16
    for (size_t i = 40; i <= 200; ++i) {
        const FlightState& s = states[i];
        EXPECT_NEAR(s.bank, bank, 0.3) << i;
        EXPECT_NEAR(AngleDifference(rate * s.time + 90, s.heading), 0, 0.5) << i;
        EXPECT_NEAR(Speed(s), speed, 0.5) << i;
        EXPECT_EQ(s.pitch, 0);
        if (i % 4 == 0) {  // at a fix's time, exactly at the fix
            EXPECT_NEAR(s.latitude, fixes[i / 4].latitude, 1e-12);
            EXPECT_NEAR(s.longitude, fixes[i / 4].longitude, 1e-12);
        }
    }
    EXPECT_NEAR(CoordinatedBank(speed, rate), bank, 1e-9);
    EXPECT_NEAR(CoordinatedBank(speed, -rate), -bank, 1e-9);  // a left turn banks left: positive
    EXPECT_EQ(CoordinatedBank(speed, 10 * rate), -MaxBankDegrees);
}

TEST(FrcResampleTest, GroundIsFoundFromSpeedAndHeightOrTakenFromTheLog) {
    // Parked 20 s, taxi north at 5 m/s for 20 s, a level take-off roll to 60 m/s in 30 s,
    // then a climb at 5 m/s.
    std::vector<LogFix> fixes;
    double north = 0;
    for (int t = 0; t <= 130; ++t) {
        double speed = t < 20 ? 0 : t <= 40 ? 5 : t <= 70 ? 5 + 55.0 * (t - 40) / 30 : 60;
        north += speed;
        fixes.push_back(At(t, 47 + north * DegreesPerMeter, 8, t <= 70 ? 400 : 400 + 5 * (t - 70)));
    }
    std::vector<FlightState> states = ResampleFlight(fixes, 250);
    for (const FlightState& s : states) {
        if (s.time <= 70) {
            EXPECT_TRUE(s.onGround) << s.time;
            EXPECT_EQ(s.pitch, 0) << s.time;
        }
        if (s.time >= 73) {
            EXPECT_FALSE(s.onGround) << s.time;
        }
        EXPECT_EQ(s.bank, 0) << s.time;
        EXPECT_EQ(s.heading, 0) << s.time;  // parked facing where it will go
    }

    // The log's word wins: fast and high, but on the ground where it says so.
    std::vector<LogFix> said = {At(0, 47, 8, 3000, 1), At(1, 47 + 60 * DegreesPerMeter, 8, 3000, 0)};
    states = ResampleFlight(said, 250);
    ASSERT_EQ(states.size(), 5u);
    EXPECT_TRUE(states[2].onGround);
    EXPECT_FALSE(states[3].onGround);
}

TEST(FrcResampleTest, GapsAreFlownStraightAndTheDateLineIsCrossed) {
    const double d = 50 * DegreesPerMeter;
    std::vector<LogFix> fixes;
    for (int k = 0; k <= 4; ++k) {
        double longitude = 180 - 2 * d + k * d;
        fixes.push_back(At(k, 0, longitude > 180 ? longitude - 360 : longitude, 1000));
    }
    fixes.push_back(At(604, 0, fixes.back().longitude + 0.3, 1600));
    std::vector<FlightState> states = ResampleFlight(fixes, 250);
    ASSERT_EQ(states.size(), 2417u);
    for (size_t i = 0; i < 16; ++i) {  // eastbound across the date line
        EXPECT_LE(std::fabs(states[i].longitude), 180.0);
        EXPECT_NEAR(states[i].east, 50, 1e-6) << i;
        EXPECT_NEAR(states[i].heading, 90, 1e-6) << i;
    }
    EXPECT_NEAR(std::fabs(states[8].longitude), 180, 1e-9);
    const LogFix& a = fixes[4];
    const LogFix& b = fixes[5];
    double distance = DistanceMeters(a.latitude, a.longitude, b.latitude, b.longitude);
    double latitude, longitude;
    DestinationPoint(a.latitude, a.longitude, 90, distance / 2, &latitude, &longitude);
    const FlightState& middle = states[16 + 1200];  // 300 s into the gap
    EXPECT_DOUBLE_EQ(middle.time, 304);
    EXPECT_NEAR(middle.latitude, latitude, 1e-9);
    EXPECT_NEAR(middle.longitude, longitude, 1e-9);
    EXPECT_NEAR(middle.altitude, 1300, 1e-9);
    EXPECT_NEAR(Speed(middle), distance / 600, 1e-9);
    EXPECT_NEAR(middle.up, 1, 1e-12);
    EXPECT_NEAR(middle.heading, 90, 1e-6);
    EXPECT_NEAR(middle.pitch, -std::atan2(1, distance / 600) * 180 / Pi, 1e-9);
}

}  // namespace
