// The virtual simulator's aircraft: the circuit's phases and its physical consistency,
// freezes and released AI control, simulation variables in every unit the module uses,
// exact placement in stored units, object ids and the trace.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <fstream>
#include <set>
#include <string>
#include <vector>

#include "vsim/sim/aircraft.h"
#include "vsim/sim/flightplans.h"
#include "vsim/sim/simhost.h"

using namespace vsim;

namespace {

const double FrameSeconds = 1.0 / 30.0;
const double Pi = 3.14159265358979323846;

double Var(uint32_t id, const char* name, const char* unit) {
    double value = -12345.0;
    EXPECT_TRUE(GetSimVar(id, name, unit, &value)) << name << " in " << unit;
    return value;
}

struct Snapshot {
    std::string phase;
    double latitude, longitude, altitude, pitch, bank, heading;
    double vx, vy, vz;
    bool onGround;
    double gearHandle, gearLeft, flaps, throttle, brake, engine1, engine2, spoilers;
    bool nav, beacon, landing, taxi, strobe;
    uint32_t lights;  // every switch, bit 0 nav ... bit 9 cabin
};

const char* const LightNames[10] = {"Light Nav",   "Light Beacon",      "Light Landing", "Light Taxi",
                                    "Light Strobe", "Light Panel",      "Light Recognition", "Light Wing",
                                    "Light Logo",  "Light Cabin"};

Snapshot Take(uint32_t id) {
    Snapshot s;
    s.phase = AircraftPhase(id);
    s.latitude = Var(id, "Plane Latitude", "degrees");
    s.longitude = Var(id, "Plane Longitude", "degrees");
    s.altitude = Var(id, "Plane Altitude", "meters");
    s.pitch = Var(id, "Plane Pitch Degrees", "degrees");
    s.bank = Var(id, "Plane Bank Degrees", "degrees");
    s.heading = Var(id, "Plane Heading Degrees True", "degrees");
    s.vx = Var(id, "Velocity World X", "feet/second");
    s.vy = Var(id, "Velocity World Y", "feet/second");
    s.vz = Var(id, "Velocity World Z", "feet/second");
    s.onGround = Var(id, "Sim On Ground", "bool") != 0.0;
    s.gearHandle = Var(id, "Gear Handle Position", "");
    s.gearLeft = Var(id, "Gear Left Position", "");
    s.flaps = Var(id, "Flaps Handle Index", "");
    s.throttle = Var(id, "General Eng Throttle Lever Position:1", "");
    s.brake = Var(id, "Brake Parking Position", "position");
    s.engine1 = Var(id, "General Eng Combustion:1", "bool");
    s.engine2 = Var(id, "General Eng Combustion:2", "bool");
    s.spoilers = Var(id, "Spoilers Handle Position", "");
    s.nav = Var(id, "Light Nav", "bool") != 0.0;
    s.beacon = Var(id, "Light Beacon", "bool") != 0.0;
    s.landing = Var(id, "Light Landing", "bool") != 0.0;
    s.taxi = Var(id, "Light Taxi", "bool") != 0.0;
    s.strobe = Var(id, "Light Strobe", "bool") != 0.0;
    s.lights = 0;
    for (int bit = 0; bit < 10; ++bit)
        if (Var(id, LightNames[bit], "bool") != 0.0) s.lights |= 1u << bit;
    return s;
}

std::vector<Snapshot> FlyUser(const char* plan, double seconds, double frame = FrameSeconds) {
    ResetAircraft();
    SetUserFlightPlan(plan);
    std::vector<Snapshot> flight{Take(UserAircraftId())};
    for (int i = 0, n = int(std::lround(seconds / frame)); i < n; ++i) {
        AdvanceAircraft(frame);
        flight.push_back(Take(UserAircraftId()));
    }
    return flight;
}

double Distance(const Snapshot& a, const Snapshot& b) {
    double north = 0.0, east = 0.0;
    MetresBetween(a.latitude, a.longitude, b.latitude, b.longitude, &north, &east);
    return std::hypot(north, east);
}

double AngleDifference(double a, double b) { return std::remainder(a - b, 360.0); }

// Flies the user's circuit until the phase is reached; fails the test when it never is.
void FlyUntilPhase(const std::string& phase, double limitSeconds = 400.0) {
    for (double t = 0.0; t < limitSeconds; t += FrameSeconds) {
        if (AircraftPhase(UserAircraftId()) == phase) return;
        AdvanceAircraft(FrameSeconds);
    }
    FAIL() << "never reached " << phase;
}

}  // namespace

TEST(VsimAircraft, CircuitFliesItsPhasesFromEngineStartToShutdown) {
    std::vector<Snapshot> flight = FlyUser("circuit", 400.0);

    std::vector<std::string> phases;
    for (const Snapshot& s : flight)
        if (phases.empty() || phases.back() != s.phase) phases.push_back(s.phase);
    EXPECT_EQ(phases, (std::vector<std::string>{"preflight", "taxi-out", "taxi-turn", "line-up", "take-off-roll",
                                                "upwind", "crosswind", "downwind", "base", "final", "flare",
                                                "roll-out", "taxi-in", "shutdown", "parked"}));

    // Cold and dark, parked with the brake set, at the start and again at the end.
    for (const Snapshot* s : {&flight.front(), &flight.back()}) {
        EXPECT_TRUE(s->onGround);
        EXPECT_EQ(s->engine1, 0.0);
        EXPECT_EQ(s->brake, 1.0);
        EXPECT_EQ(s->throttle, 0.0);
        EXPECT_EQ(s->lights, 0u);
        EXPECT_EQ(s->gearHandle, 1.0);
        EXPECT_EQ(s->flaps, 0.0);
        EXPECT_NEAR(s->altitude, GroundElevation + 4.5 * 0.3048, 1e-9);
    }
    EXPECT_GT(Distance(flight.front(), flight.back()), 100.0);

    int liftOffs = 0, touchdowns = 0;
    size_t liftOff = 0, touchdown = 0;
    double maxAltitude = 0.0, maxLeftBank = 0.0, maxNoseUp = 0.0, maxThrottle = 0.0, maxFlaps = 0.0;
    bool sawGearUp = false, sawSpoilers = false, sawBrakeOff = false, sawEnginesRunning = false;
    uint32_t sawLights = 0;
    for (size_t i = 1; i < flight.size(); ++i) {
        const Snapshot& s = flight[i];
        if (flight[i - 1].onGround && !s.onGround) ++liftOffs, liftOff = i;
        if (!flight[i - 1].onGround && s.onGround) ++touchdowns, touchdown = i;
        maxAltitude = std::max(maxAltitude, s.altitude);
        maxLeftBank = std::max(maxLeftBank, s.bank);
        maxNoseUp = std::max(maxNoseUp, -s.pitch);
        maxThrottle = std::max(maxThrottle, s.throttle);
        maxFlaps = std::max(maxFlaps, s.flaps);
        sawGearUp |= s.gearHandle == 0.0 && s.gearLeft == 0.0;
        sawSpoilers |= s.spoilers == 1.0;
        sawBrakeOff |= s.brake == 0.0;
        sawEnginesRunning |= s.engine1 == 1.0 && s.engine2 == 1.0;
        sawLights |= s.lights;
    }
    EXPECT_EQ(liftOffs, 1);
    EXPECT_EQ(touchdowns, 1);
    ASSERT_LT(liftOff, touchdown);
    // Take-off with full throttle and the first flap setting; gear down at both ends of the flight.
    EXPECT_EQ(flight[liftOff].throttle, 1.0);
    EXPECT_EQ(flight[liftOff].flaps, 1.0);
    EXPECT_EQ(flight[liftOff].gearHandle, 1.0);
    EXPECT_EQ(flight[touchdown].gearHandle, 1.0);
    EXPECT_EQ(flight[touchdown].gearLeft, 1.0);
    EXPECT_EQ(flight[touchdown].flaps, 3.0);
    EXPECT_LT(flight[touchdown - 1].vy, 0.0);
    EXPECT_GT(flight[touchdown - 1].vy, -4.0);  // a flared touchdown: under about 1.2 m/s down
    EXPECT_EQ(flight[touchdown].vy, 0.0);
    // The pattern: about 250 m above the field, turns at a realistic bank to the left.
    EXPECT_NEAR(maxAltitude - GroundElevation, 250.0, 15.0);
    EXPECT_GT(maxLeftBank, 20.0);
    EXPECT_LE(maxLeftBank, 25.0 + 1e-9);
    EXPECT_GT(maxNoseUp, 5.0);
    EXPECT_LT(maxNoseUp, 15.0);
    EXPECT_EQ(maxThrottle, 1.0);
    EXPECT_EQ(maxFlaps, 3.0);
    EXPECT_TRUE(sawGearUp && sawSpoilers && sawBrakeOff && sawEnginesRunning);
    EXPECT_EQ(sawLights, 0x3FFu);  // every switch is used on the way
    // Landing and strobe lights for take-off and landing, the taxi light on the ground only.
    EXPECT_TRUE(flight[liftOff].landing && flight[liftOff].strobe && !flight[liftOff].taxi);
    EXPECT_TRUE(flight[touchdown].landing && flight[touchdown].nav && flight[touchdown].beacon);
    // About six minutes from engine start to shutdown.
    size_t parked = 0;
    while (parked < flight.size() && flight[parked].phase != "parked") ++parked;
    EXPECT_GT(parked * FrameSeconds, 300.0);
    EXPECT_LT(parked * FrameSeconds, 400.0);
}

TEST(VsimAircraft, CircuitMovesAsItsVelocitySaysAndTurnsSmoothly) {
    std::vector<Snapshot> flight = FlyUser("circuit", 380.0);
    double worstPosition = 0.0, worstVertical = 0.0;
    for (size_t i = 1; i < flight.size(); ++i) {
        const Snapshot& a = flight[i - 1];
        const Snapshot& b = flight[i];
        double north = 0.0, east = 0.0;
        MetresBetween(a.latitude, a.longitude, b.latitude, b.longitude, &north, &east);
        // The mean of the velocities at both ends of the frame gives the displacement.
        double expectEast = 0.5 * (a.vx + b.vx) * 0.3048 * FrameSeconds;
        double expectNorth = 0.5 * (a.vz + b.vz) * 0.3048 * FrameSeconds;
        double expectUp = 0.5 * (a.vy + b.vy) * 0.3048 * FrameSeconds;
        worstPosition = std::max(worstPosition, std::hypot(north - expectNorth, east - expectEast));
        if (!a.onGround && !b.onGround) worstVertical = std::max(worstVertical, std::fabs(b.altitude - a.altitude - expectUp));

        // The nose points where the aircraft goes.
        double speed = std::hypot(b.vx, b.vz);
        if (speed > 10.0) {
            EXPECT_NEAR(AngleDifference(std::atan2(b.vx, b.vz) * 180.0 / Pi, b.heading), 0.0, 1e-6) << i;
        }
        // No jumps: rates stay within what the pilot can do in a frame (a 25 degree bank
        // turns at most 10 degrees a second at the slowest flying speed).
        EXPECT_LE(std::fabs(AngleDifference(b.heading, a.heading)), 10.0 * FrameSeconds) << i;
        EXPECT_LE(std::fabs(b.bank - a.bank), 8.0 * FrameSeconds + 1e-9) << i;
        EXPECT_LE(std::fabs(b.pitch - a.pitch), 3.0 * FrameSeconds + 1e-9) << i;
        // A turn in the air banks to its side: left turn (heading decreasing), left wing down.
        double turn = AngleDifference(b.heading, a.heading);
        if (!b.onGround && std::fabs(turn) > 0.05) {
            EXPECT_EQ(turn < 0.0, b.bank > 0.0) << i;
        }
    }
    EXPECT_LT(worstPosition, 0.0001);  // metres per frame
    EXPECT_LT(worstVertical, 0.0001);
}

TEST(VsimAircraft, FlightDoesNotDependOnTheFrameRate) {
    std::vector<Snapshot> at30 = FlyUser("circuit", 150.0, 1.0 / 30.0);
    std::vector<Snapshot> at60 = FlyUser("circuit", 150.0, 1.0 / 60.0);
    std::vector<Snapshot> again = FlyUser("circuit", 150.0, 1.0 / 30.0);
    EXPECT_LT(Distance(at30.back(), at60.back()), 5.0);
    EXPECT_NEAR(at30.back().altitude, at60.back().altitude, 1.0);
    EXPECT_EQ(at30.back().phase, at60.back().phase);
    // Deterministic: the same frames give the same flight, bit for bit.
    EXPECT_EQ(at30.back().latitude, again.back().latitude);
    EXPECT_EQ(at30.back().longitude, again.back().longitude);
    EXPECT_EQ(at30.back().altitude, again.back().altitude);
}

TEST(VsimAircraft, OrbitHoldsAltitudeSpeedAndBank) {
    std::vector<Snapshot> flight = FlyUser("orbit", 200.0);
    double minLat = 90, maxLat = -90;
    for (const Snapshot& s : flight) {
        EXPECT_FALSE(s.onGround);
        EXPECT_NEAR(s.altitude, flight.front().altitude, 1e-6);
        EXPECT_NEAR(std::hypot(s.vx, s.vz) * 0.3048, 60.0, 1e-6);
        EXPECT_NEAR(s.bank, 25.0, 1e-9);
        minLat = std::min(minLat, s.latitude);
        maxLat = std::max(maxLat, s.latitude);
    }
    // A circle of radius v^2 / (g tan 25 deg), about 787 m: its north-south extent is the diameter.
    double diameter = 2.0 * 60.0 * 60.0 / (GravityMs2 * std::tan(25.0 * Pi / 180.0));
    EXPECT_NEAR((maxLat - minLat) * MetresPerDegreeLatitude, diameter, 5.0);
}

TEST(VsimAircraft, FrozenDimensionsStayWhileTheOthersFlyOn) {
    ResetAircraft();
    SetUserFlightPlan("circuit");
    const uint32_t user = UserAircraftId();
    FlyUntilPhase("upwind");
    for (int i = 0; i < 150; ++i) AdvanceAircraft(FrameSeconds);  // climbing now

    // Altitude frozen: level, but still going west.
    SetFreeze(user, 1, true);
    Snapshot before = Take(user);
    EXPECT_EQ(before.vy, 0.0);
    for (int i = 0; i < 60; ++i) AdvanceAircraft(FrameSeconds);
    Snapshot after = Take(user);
    EXPECT_EQ(after.altitude, before.altitude);
    EXPECT_EQ(after.vy, 0.0);
    EXPECT_LT(after.longitude, before.longitude - 0.0005);
    SetFreeze(user, 1, false);

    // Position frozen: climbs on the spot.
    SetFreeze(user, 0, true);
    before = Take(user);
    for (int i = 0; i < 60; ++i) AdvanceAircraft(FrameSeconds);
    after = Take(user);
    EXPECT_EQ(after.latitude, before.latitude);
    EXPECT_EQ(after.longitude, before.longitude);
    EXPECT_EQ(after.vx, 0.0);
    EXPECT_EQ(after.vz, 0.0);
    EXPECT_GT(after.altitude, before.altitude + 5.0);
    SetFreeze(user, 0, false);

    // All frozen: nothing moves, the pilot waits, and only writes move the aircraft.
    for (int which = 0; which < 3; ++which) SetFreeze(user, which, true);
    EXPECT_TRUE(IsFrozen(user, 0) && IsFrozen(user, 1) && IsFrozen(user, 2));
    before = Take(user);
    for (int i = 0; i < 300; ++i) AdvanceAircraft(FrameSeconds);
    after = Take(user);
    EXPECT_EQ(after.latitude, before.latitude);
    EXPECT_EQ(after.altitude, before.altitude);
    EXPECT_EQ(after.heading, before.heading);
    EXPECT_EQ(after.phase, before.phase);
    EXPECT_EQ(after.gearHandle, before.gearHandle);
    ASSERT_TRUE(SetSimVar(user, "Plane Latitude", "degrees", 47.01));
    ASSERT_TRUE(SetSimVar(user, "Plane Altitude", "meters", 900.0));
    ASSERT_TRUE(SetSimVar(user, "Plane Heading Degrees True", "degrees", 90.0));
    ASSERT_TRUE(SetSimVar(user, "General Eng Throttle Lever Position:1", "", 0.25));
    AdvanceAircraft(FrameSeconds);
    EXPECT_EQ(Var(user, "Plane Latitude", "degrees"), 47.01);
    EXPECT_EQ(Var(user, "Plane Altitude", "meters"), 900.0);
    EXPECT_EQ(Var(user, "General Eng Throttle Lever Position:1", ""), 0.25);

    // Unfrozen, it flies on from where it was put, in the direction it was turned.
    for (int which = 0; which < 3; ++which) SetFreeze(user, which, false);
    AdvanceAircraft(FrameSeconds);
    after = Take(user);
    EXPECT_NEAR(after.latitude, 47.01, 1e-6);
    EXPECT_NEAR(after.altitude, 900.0, 1.0);
    EXPECT_NEAR(after.heading, 90.0, 1.0);
    EXPECT_GT(after.vx, 50.0);
}

TEST(VsimAircraft, ReleasedAiAircraftMovesOnlyByWrites) {
    ResetAircraft();
    uint32_t ai = AddAiAircraft("Traffic One", "circuit");
    for (int i = 0; i < 30 * 20; ++i) AdvanceAircraft(FrameSeconds);
    EXPECT_EQ(std::string(AircraftPhase(ai)), "taxi-out");
    ReleaseAiControl(ai);
    ReleaseAiControl(UserAircraftId());  // the user's aircraft cannot be released
    EXPECT_TRUE(IsAiControlReleased(ai));
    EXPECT_FALSE(IsAiControlReleased(UserAircraftId()));

    Snapshot before = Take(ai);
    for (int i = 0; i < 30 * 60; ++i) AdvanceAircraft(FrameSeconds);
    Snapshot after = Take(ai);
    EXPECT_EQ(after.latitude, before.latitude);
    EXPECT_EQ(after.longitude, before.longitude);
    EXPECT_EQ(after.throttle, before.throttle);
    EXPECT_EQ(after.phase, "released");

    const int64_t position[3] = {int64_t(46.5 * StoredUnitsPerDegreeLatitude),
                                 int64_t(7.5 * StoredUnitsPerDegreeLongitude), int64_t(1500.0 * StoredUnitsPerMetre)};
    const int32_t attitude[3] = {0, 0, 0};
    PlaceAircraft(ai, position, attitude, 0);
    AdvanceAircraft(FrameSeconds);
    EXPECT_NEAR(Var(ai, "Plane Latitude", "degrees"), 46.5, 1e-9);
    EXPECT_NEAR(Var(ai, "Plane Altitude", "meters"), 1500.0, 1e-6);
    EXPECT_EQ(Var(ai, "Sim On Ground", "bool"), 0.0);
}

TEST(VsimAircraft, SimVarsAnswerInTheUnitsTheModuleNames) {
    ResetAircraft();
    const uint32_t id = UserAircraftId();
    ASSERT_TRUE(SetSimVar(id, "Plane Altitude", "meters", 1000.0));
    EXPECT_NEAR(Var(id, "Plane Altitude", "feet"), 3280.839895, 1e-6);
    EXPECT_NEAR(Var(id, "PLANE ALTITUDE", ""), 3280.839895, 1e-6);  // default unit feet, any case
    ASSERT_TRUE(SetSimVar(id, "Plane Latitude", "radians", 0.5));
    EXPECT_NEAR(Var(id, "Plane Latitude", "degrees"), 28.64788975654116, 1e-12);

    // The simulator's signs: nose up is negative pitch; headings wrap into [0, 360).
    ASSERT_TRUE(SetSimVar(id, "Plane Pitch Degrees", "degrees", -10.0));
    EXPECT_NEAR(Var(id, "Plane Pitch Degrees", "radians"), -10.0 * Pi / 180.0, 1e-15);
    ASSERT_TRUE(SetSimVar(id, "Plane Heading Degrees True", "degrees", -90.0));
    EXPECT_EQ(Var(id, "Plane Heading Degrees True", "degrees"), 270.0);

    ASSERT_TRUE(SetSimVar(id, "Velocity World Z", "knots", 100.0));
    EXPECT_NEAR(Var(id, "Velocity World Z", "feet/second"), 168.780985710, 1e-6);
    EXPECT_EQ(Var(id, "Static CG To Ground", "feet"), 4.5);

    // Levers in "position" by default; percent where asked.
    ASSERT_TRUE(SetSimVar(id, "General Eng Throttle Lever Position:3", "", -0.25));
    EXPECT_EQ(Var(id, "General Eng Throttle Lever Position:3", "percent"), -25.0);
    EXPECT_EQ(Var(id, "General Eng Throttle Lever Position:2", ""), 0.0);
    ASSERT_TRUE(SetSimVar(id, "Flaps Handle Index", "", 2.0));
    EXPECT_EQ(Var(id, "Flaps Handle Index", "number"), 2.0);
    ASSERT_TRUE(SetSimVar(id, "Light Strobe", "bool", 5.0));
    EXPECT_EQ(Var(id, "Light Strobe", "bool"), 1.0);
    EXPECT_EQ(Var(id, "Light Nav", "bool"), 0.0);

    // Radios in BCD: the four digits after the leading 1 for nav and com, Hz for the
    // ADF, octal digits for the transponder.
    EXPECT_EQ(Var(id, "Com Active Frequency:1", "Frequency BCD16"), double(0x2175));
    EXPECT_EQ(Var(id, "Nav Active Frequency:1", "Frequency BCD16"), double(0x1050));
    EXPECT_EQ(Var(id, "Nav Active Frequency:2", "MHz"), 113.90);
    EXPECT_EQ(Var(id, "Adf Active Frequency:1", "Frequency ADF BCD32"), double(0x00350000));
    EXPECT_EQ(Var(id, "Transponder Code:1", "BCO16"), double(0x1200));
    ASSERT_TRUE(SetSimVar(id, "Com Active Frequency:2", "Frequency BCD16", double(0x1810)));
    EXPECT_NEAR(Var(id, "Com Active Frequency:2", "MHz"), 118.10, 1e-9);
    ASSERT_TRUE(SetSimVar(id, "Adf Active Frequency:1", "Frequency ADF BCD32", double(0x01234500)));
    EXPECT_NEAR(Var(id, "Adf Active Frequency:1", "KHz"), 1234.5, 1e-9);
    ASSERT_TRUE(SetSimVar(id, "Transponder Code:1", "BCO16", double(0x7700)));
    EXPECT_EQ(Var(id, "Transponder Code:1", "BCO16"), double(0x7700));
    ASSERT_TRUE(SetSimVar(id, "Nav Obs:2", "degrees", 370.0));
    EXPECT_EQ(Var(id, "Nav Obs:2", "degrees"), 10.0);

    // Refused, and nothing changes: digits that are not BCD, an octal 8, wrong units,
    // unknown names and indexes.
    EXPECT_FALSE(SetSimVar(id, "Com Active Frequency:2", "Frequency BCD16", double(0x18A0)));
    EXPECT_FALSE(SetSimVar(id, "Transponder Code:1", "BCO16", double(0x7800)));
    EXPECT_FALSE(SetSimVar(id, "Adf Active Frequency:1", "Frequency ADF BCD32", -1.0));
    EXPECT_EQ(Var(id, "Com Active Frequency:2", "Frequency BCD16"), double(0x1810));
    EXPECT_EQ(Var(id, "Transponder Code:1", "BCO16"), double(0x7700));
    double value = 0.0;
    EXPECT_FALSE(GetSimVar(id, "Plane Latitude", "feet", &value));
    EXPECT_FALSE(GetSimVar(id, "Plane Latitude", "furlongs", &value));
    EXPECT_FALSE(GetSimVar(id, "Plane Latitude:1", "degrees", &value));
    EXPECT_FALSE(GetSimVar(id, "General Eng Combustion:5", "bool", &value));
    EXPECT_FALSE(GetSimVar(id, "General Eng Combustion:0", "bool", &value));
    EXPECT_FALSE(GetSimVar(id, "Plane Wobble", "degrees", &value));
    EXPECT_FALSE(GetSimVar(999, "Plane Latitude", "degrees", &value));
    EXPECT_FALSE(SetSimVar(id, "Plane Altitude", "meters", NAN));
    EXPECT_EQ(Var(id, "Plane Altitude", "meters"), 1000.0);

    std::string title;
    ASSERT_TRUE(GetSimVarText(id, "Title", &title));
    EXPECT_EQ(title, "Kestrel Skylark 180");
    EXPECT_FALSE(GetSimVarText(id, "Plane Latitude", &title));
}

TEST(VsimAircraft, EveryVariableTheModuleDefinesAnswersAndTakesItsValueBack) {
    ResetAircraft();
    const uint32_t user = UserAircraftId();
    uint32_t ai = AddAiAircraft("Traffic", "orbit");
    // Name and unit exactly as the module's data definitions give them ("" for none).
    const char* const defined[][2] = {
        {"Plane Latitude", "degrees"}, {"Plane Longitude", "degrees"}, {"Plane Altitude", "meters"},
        {"Plane Pitch Degrees", "degrees"}, {"Plane Bank Degrees", "degrees"},
        {"Plane Heading Degrees True", "degrees"}, {"Sim On Ground", "bool"},
        {"Velocity World X", "feet/second"}, {"Velocity World Y", "feet/second"}, {"Velocity World Z", "feet/second"},
        {"General Eng Throttle Lever Position:1", ""}, {"General Eng Throttle Lever Position:2", ""},
        {"General Eng Throttle Lever Position:3", ""}, {"General Eng Throttle Lever Position:4", ""},
        {"Elevator Position", ""}, {"Aileron Position", ""}, {"Rudder Position", ""},
        {"Spoilers Handle Position", ""}, {"Flaps Handle Index", ""}, {"Gear Handle Position", ""},
        {"Gear Center Position", ""}, {"Gear Left Position", ""}, {"Gear Right Position", ""},
        {"Light Nav", "bool"}, {"Light Beacon", "bool"}, {"Light Landing", "bool"}, {"Light Taxi", "bool"},
        {"Light Strobe", "bool"}, {"Light Panel", "bool"}, {"Light Recognition", "bool"}, {"Light Wing", "bool"},
        {"Light Logo", "bool"}, {"Light Cabin", "bool"}, {"Brake Parking Position", "position"},
        {"General Eng Combustion:1", "bool"}, {"General Eng Combustion:2", "bool"},
        {"General Eng Combustion:3", "bool"}, {"General Eng Combustion:4", "bool"},
        {"Nav Active Frequency:1", "Frequency BCD16"}, {"Nav Obs:1", "degrees"},
        {"Nav Active Frequency:2", "Frequency BCD16"}, {"Nav Obs:2", "degrees"},
        {"Adf Active Frequency:1", "Frequency ADF BCD32"}, {"Com Active Frequency:1", "Frequency BCD16"},
        {"Com Active Frequency:2", "Frequency BCD16"}, {"Transponder Code:1", "BCO16"},
        {"General Eng Mixture Lever Position:1", ""}, {"General Eng Mixture Lever Position:2", ""},
        {"General Eng Mixture Lever Position:3", ""}, {"General Eng Mixture Lever Position:4", ""},
        {"General Eng Propeller Lever Position:1", ""}, {"General Eng Propeller Lever Position:2", ""},
        {"General Eng Propeller Lever Position:3", ""}, {"General Eng Propeller Lever Position:4", ""},
        {"Zulu Year", ""}, {"Zulu Day Of Year", ""}, {"Zulu Time", ""}, {"Smoke Enable", ""},
        {"Static CG To Ground", "feet"},
    };
    for (uint32_t id : {user, ai}) {
        for (const auto& entry : defined) {
            double value = 0.0;
            ASSERT_TRUE(GetSimVar(id, entry[0], entry[1], &value)) << entry[0];
            // What a recorded sample plays back must read back the same.
            ASSERT_TRUE(SetSimVar(id, entry[0], entry[1], value)) << entry[0];
            double again = 0.0;
            ASSERT_TRUE(GetSimVar(id, entry[0], entry[1], &again));
            EXPECT_NEAR(again, value, 1e-9 * std::max(1.0, std::fabs(value))) << entry[0];
        }
    }
    // Each variable is its own: writing one lever leaves its neighbours alone.
    ASSERT_TRUE(SetSimVar(user, "General Eng Mixture Lever Position:2", "", 0.5));
    EXPECT_EQ(Var(user, "General Eng Mixture Lever Position:1", ""), 0.0);
    EXPECT_EQ(Var(user, "General Eng Propeller Lever Position:2", ""), 0.0);
    EXPECT_EQ(Var(user, "General Eng Mixture Lever Position:2", ""), 0.5);
    ASSERT_TRUE(SetSimVar(user, "Gear Right Position", "", 0.25));
    EXPECT_EQ(Var(user, "Gear Left Position", ""), 1.0);
    EXPECT_EQ(Var(user, "Gear Right Position", ""), 0.25);
}

TEST(VsimAircraft, ZuluClockAdvancesWithSimulatedTime) {
    ResetAircraft();
    const uint32_t id = UserAircraftId();
    EXPECT_EQ(Var(id, "Zulu Year", ""), 2024.0);
    EXPECT_EQ(Var(id, "Zulu Day Of Year", ""), 172.0);
    EXPECT_EQ(Var(id, "Zulu Time", ""), 43200.0);
    ASSERT_TRUE(SetSimVar(id, "Zulu Day Of Year", "", 366.0));
    ASSERT_TRUE(SetSimVar(id, "Zulu Time", "seconds", 86399.0));
    AdvanceAircraft(2.0);  // past midnight of the last day of the leap year
    EXPECT_EQ(Var(id, "Zulu Year", "number"), 2025.0);
    EXPECT_EQ(Var(id, "Zulu Day Of Year", "number"), 1.0);
    EXPECT_NEAR(Var(id, "Zulu Time", "seconds"), 1.0, 1e-9);
}

TEST(VsimAircraft, PlacementInStoredUnitsReadsBackWithinACentimetre) {
    ResetAircraft();
    const uint32_t id = UserAircraftId();
    SetFreeze(id, 0, true);  // placement moves frozen aircraft too
    struct Case {
        double latitude, longitude, altitude, pitch, bank, heading;
    } cases[] = {
        {47.123456789, 8.987654321, 1234.567, -4.5, 12.25, 90.0},
        {-33.9, -179.99999, 612.345, 10.0, -30.0, 270.0},
        {89.9, 179.999999, 8848.86, 0.0, 0.0, 359.0},
    };
    for (const Case& c : cases) {
        const int64_t position[3] = {std::llround(c.latitude * StoredUnitsPerDegreeLatitude),
                                     std::llround(c.longitude * StoredUnitsPerDegreeLongitude),
                                     std::llround(c.altitude * StoredUnitsPerMetre)};
        // The heading is unsigned: 270 degrees is above 2^31.
        const int32_t attitude[3] = {int32_t(std::llround(c.pitch * StoredUnitsPerDegreeAngle)),
                                     int32_t(std::llround(c.bank * StoredUnitsPerDegreeAngle)),
                                     int32_t(uint32_t(std::llround(c.heading * StoredUnitsPerDegreeAngle)))};
        PlaceAircraft(id, position, attitude, -1);
        double latitude = Var(id, "Plane Latitude", "degrees");
        double longitude = Var(id, "Plane Longitude", "degrees");
        double north = 0.0, east = 0.0;
        MetresBetween(c.latitude, c.longitude, latitude, longitude, &north, &east);
        EXPECT_LT(std::hypot(north, east), 0.01) << c.latitude;
        EXPECT_NEAR(Var(id, "Plane Altitude", "meters"), c.altitude, 0.01);
        EXPECT_NEAR(Var(id, "Plane Pitch Degrees", "degrees"), c.pitch, 1e-6);
        EXPECT_NEAR(Var(id, "Plane Bank Degrees", "degrees"), c.bank, 1e-6);
        EXPECT_NEAR(Var(id, "Plane Heading Degrees True", "degrees"), c.heading, 1e-6);
        EXPECT_EQ(Var(id, "Sim On Ground", "bool"), 0.0);
    }
    // Without an on-ground flag the altitude decides; with one the flag does.
    const int64_t onField[3] = {std::llround(47.0 * StoredUnitsPerDegreeLatitude),
                                std::llround(8.0 * StoredUnitsPerDegreeLongitude),
                                std::llround((GroundElevation + 4.5 * 0.3048) * StoredUnitsPerMetre)};
    const int32_t level[3] = {0, 0, 0};
    PlaceAircraft(id, onField, level, -1);
    EXPECT_EQ(Var(id, "Sim On Ground", "bool"), 1.0);
    PlaceAircraft(id, onField, level, 0);
    EXPECT_EQ(Var(id, "Sim On Ground", "bool"), 0.0);
}

TEST(VsimAircraft, LightsAndVelocityWritesAndCgHeight) {
    ResetAircraft();
    const uint32_t id = UserAircraftId();
    SetAircraftLights(id, 0xFFFF & ~(1u << 1) & ~(1u << 8));  // beyond bit 9 is ignored
    EXPECT_EQ(Take(id).lights, 0x3FFu & ~(1u << 1) & ~(1u << 8));
    ASSERT_TRUE(SetSimVar(id, "Light Logo", "bool", 1.0));
    ASSERT_TRUE(SetSimVar(id, "Light Cabin", "bool", 0.0));
    EXPECT_EQ(Take(id).lights, 0x1FFu & ~(1u << 1));

    const double velocity[3] = {-12.5, 3.25, 100.0};
    SetAircraftVelocity(id, velocity);
    EXPECT_EQ(Var(id, "Velocity World X", "feet/second"), -12.5);
    EXPECT_EQ(Var(id, "Velocity World Y", "feet/second"), 3.25);
    EXPECT_EQ(Var(id, "Velocity World Z", "feet/second"), 100.0);

    // A heavier aircraft on the ground stands with its CG higher.
    LoadUserAircraft("Kestrel Heavy 767", 14.5);
    EXPECT_EQ(Var(id, "Static CG To Ground", "feet"), 14.5);
    EXPECT_NEAR(Var(id, "Static CG To Ground", "meters"), 14.5 * 0.3048, 1e-12);
    EXPECT_NEAR(Var(id, "Plane Altitude", "meters"), GroundElevation + 14.5 * 0.3048, 1e-9);
    EXPECT_EQ(UserAircraftId(), id);
    uint32_t renamed = GiveUserNewObjectId();
    EXPECT_EQ(renamed, 2u);
    EXPECT_EQ(UserAircraftId(), 2u);
    EXPECT_FALSE(AircraftExists(1));
    EXPECT_EQ(AddAiAircraft("Next", "parked"), 3u);
}

TEST(VsimAircraft, ObjectIdsAreNeverReusedAndStartPositionsDoNotOverlap) {
    ResetAircraft();
    EXPECT_EQ(UserAircraftId(), 1u);
    uint32_t a = AddAiAircraft("A", "parked");
    uint32_t b = AddAiAircraft("B", "circuit");
    uint32_t c = AddAiAircraft("C", "orbit");
    uint32_t d = AddAiAircraft("D", "orbit");
    EXPECT_EQ(a, 2u);
    EXPECT_EQ(d, 5u);
    EXPECT_EQ(AircraftIds(), (std::vector<uint32_t>{1, 2, 3, 4, 5}));

    std::vector<Snapshot> all;
    for (uint32_t id : AircraftIds()) all.push_back(Take(id));
    for (size_t i = 0; i < all.size(); ++i)
        for (size_t j = i + 1; j < all.size(); ++j)
            EXPECT_GT(Distance(all[i], all[j]) + std::fabs(all[i].altitude - all[j].altitude), 50.0) << i << j;
    EXPECT_TRUE(all[1].onGround && all[2].onGround);
    EXPECT_FALSE(all[3].onGround || all[4].onGround);
    EXPECT_EQ(all[3].engine1, 1.0);

    EXPECT_FALSE(RemoveAiAircraft(UserAircraftId()));
    EXPECT_TRUE(RemoveAiAircraft(b));
    EXPECT_FALSE(RemoveAiAircraft(b));
    EXPECT_FALSE(AircraftExists(b));
    EXPECT_EQ(AddAiAircraft("E", "nonsense"), 6u);  // an unknown plan parks it
    EXPECT_EQ(std::string(AircraftPhase(6)), "parked");
    EXPECT_EQ(AiAircraftByIndex(1), a);
    EXPECT_EQ(AiAircraftByIndex(2), c);
    EXPECT_EQ(AiAircraftByIndex(4), 6u);
    EXPECT_EQ(AiAircraftByIndex(5), 0u);
    EXPECT_EQ(AiAircraftByIndex(0), 0u);
    std::string title;
    ASSERT_TRUE(GetSimVarText(c, "title", &title));
    EXPECT_EQ(title, "C");
    EXPECT_TRUE(IsKnownFlightPlan("circuit") && IsKnownFlightPlan("orbit") && IsKnownFlightPlan("parked"));
    EXPECT_FALSE(IsKnownFlightPlan("Circuit"));
}

TEST(VsimAircraft, TraceWritesOneRowPerAircraftPerFrame) {
    ResetAircraft();
    ResetHostServices();
    std::string path = ::testing::TempDir() + "vsim-aircraft-trace.csv";
    std::remove(path.c_str());
    AddAiAircraft("Traffic \"Two\", heavy", "orbit");
    OpenTrace(path);
    for (uint64_t frame = 1; frame <= 3; ++frame) {
        AdvanceAircraft(FrameSeconds);
        TraceFrame(frame, frame * FrameSeconds);
    }
    CloseTrace();
    TraceFrame(4, 4.0);  // closed: nothing more

    std::ifstream in(path);
    std::vector<std::string> lines;
    for (std::string line; std::getline(in, line);) lines.push_back(line);
    ASSERT_EQ(lines.size(), 7u);
    EXPECT_EQ(lines[0].rfind("frame,time_s,object_id,latitude,longitude,altitude_m,pitch,bank,heading,on_ground,", 0),
              0u);
    EXPECT_EQ(lines[1].rfind("1,0.0333,1,47.000000000,8.000000000,401.372,", 0), 0u) << lines[1];
    EXPECT_EQ(lines[2].rfind("1,0.0333,2,", 0), 0u);
    EXPECT_NE(lines[2].find(",orbit,orbit,"), std::string::npos);
    EXPECT_EQ(lines[2].substr(lines[2].size() - 24), "\"Traffic \"\"Two\"\", heavy\"");
    EXPECT_EQ(lines[6].rfind("3,0.1000,2,", 0), 0u);

    OpenTrace("/nonexistent-folder/trace.csv");
    ASSERT_FALSE(TranscriptLines().empty());
    EXPECT_EQ(TranscriptLines().back(),
              "Trace: cannot create \"/nonexistent-folder/trace.csv\"; no trace is written.");
    std::remove(path.c_str());
}
