// Applying a sample to an aircraft: the tagged data entries per group mask and path,
// gear forcing, the parking brake toggle, radios, the Level-D 767 light switches, and
// the host object calls (placement forms, position-call flag, velocity, lights).
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "module/dispatch.h"
#include "module/simcommands.h"
#include "module/simlink.h"
#include "module/versioncheck.h"
#include "playback/apply.h"
#include "playback/controls.h"
#include "playback/position.h"
#include "recording/recorder.h"
#include "tests/support/playback_helpers.h"
#include "ui/config.h"
#include "vsim/sim/aircraft.h"
#include "vsim/sim/hostdlls.h"
#include "vsim/sim/panels.h"
#include "vsim/sim/simconnect.h"
#include "vsim/sim/simconnect_data.h"
#include "vsim/sim/simhost.h"
#include "vsim/sim/simulator.h"

namespace {

class ApplyTest : public PlaybackTest {
protected:
    // Starts the module on a host whose five DLLs all have build 10.0.build.0.
    void StartOnBuild(uint16_t build) {
        for (vsim::HostDll& dll : vsim::HostDlls()) {
            uint16_t version[4] = {10, 0, build, 0};
            for (int i = 0; i < 4; ++i) dll.version[i] = version[i];
        }
        vsim::InstallHostEntries();
        ASSERT_TRUE(StartModule());
        Settings.PlayFlags = 127;
        PositionJumped = 0;
        SpeedPercent = 100;
    }

    // Datum ids of the last data set on an aircraft, in the order of the call.
    std::vector<uint32_t> DatumIds(uint32_t objectId) const {
        std::vector<uint32_t> ids;
        const vsim::DataWrite* write = vsim::LastDataSet(objectId);
        if (write) {
            for (const vsim::DataWriteEntry& entry : write->entries) ids.push_back(entry.datumId);
        }
        return ids;
    }
    double Value(uint32_t objectId, uint32_t datumId) const {
        const vsim::DataWrite* write = vsim::LastDataSet(objectId);
        if (write) {
            for (const vsim::DataWriteEntry& entry : write->entries) {
                if (entry.datumId == datumId) return entry.value;
            }
        }
        ADD_FAILURE() << "no datum " << datumId;
        return -12345.0;
    }
    double Var(uint32_t objectId, const char* name, const char* unit) const {
        double value = -12345.0;
        EXPECT_TRUE(vsim::GetSimVar(objectId, name, unit, &value)) << name;
        return value;
    }
};

// A sample with a distinct value in every group.
FullSample RichSample() {
    FullSample s = SampleAt(50000);
    SetSampleI64(&s, FieldLatitude, DegreesToLatitude(47.5));
    SetSampleI64(&s, FieldLongitude, DegreesToLongitude(-122.25));
    SetSampleI64(&s, FieldAltitude, MetersToAltitude(1234.5));
    SetSampleI32(&s, FieldPitch, (int32_t)DegreesToAngle(-5.0));
    SetSampleI32(&s, FieldBank, (int32_t)DegreesToAngle(30.0));
    SetSampleU32(&s, FieldHeading, 0xC0000000u);  // 270 degrees
    SetSampleF64(&s, FieldVelocityX, 10.5);
    SetSampleF64(&s, FieldVelocityY, -2.25);
    SetSampleF64(&s, FieldVelocityZ, 150.0);
    SetSampleU8(&s, FieldOnGround, 1);
    SetSampleI16(&s, FieldThrottle1, 12288);
    SetSampleI16(&s, FieldThrottle1 + 2, -4096);
    SetSampleI16(&s, FieldThrottle1 + 4, 16384);
    SetSampleI16(&s, FieldThrottle1 + 6, 0);
    SetSampleI16(&s, FieldElevator, -8192);
    SetSampleI16(&s, FieldAileron, 1);
    SetSampleI16(&s, FieldRudder, 16383);
    SetSampleU16(&s, FieldSpoilers, 0x8000);
    SetSampleU8(&s, FieldFlapsIndex, 2);
    SetSampleI16(&s, FieldGear, 8192);
    SetSampleU16(&s, FieldLights, 0x0105);  // nav, landing, logo
    SetSampleU8(&s, FieldParkingBrake, 0);
    SetSampleU8(&s, FieldEngine1, 1);
    SetSampleU8(&s, FieldEngine1 + 1, 0);
    SetSampleU8(&s, FieldEngine1 + 2, 1);
    SetSampleU8(&s, FieldEngine1 + 3, 1);
    SetSampleU16(&s, FieldNav1Frequency, 0x1100);
    SetSampleI16(&s, FieldNav1Obs, -1);
    SetSampleU16(&s, FieldNav2Frequency, 0x1390);
    SetSampleI16(&s, FieldNav2Obs, 90);
    SetSampleU32(&s, FieldAdfFrequency, 0x03500000);
    SetSampleU16(&s, FieldCom1Frequency, 0x2175);
    SetSampleU16(&s, FieldCom2Frequency, 0x2150);
    SetSampleU16(&s, FieldTransponder, 0x1200);
    for (uint32_t i = 0; i < 4; ++i) {
        SetSampleI16(&s, FieldMixture1 + 2 * i, (int16_t)(4096 * (i + 1)));
        SetSampleI16(&s, FieldPropeller1 + 2 * i, (int16_t)(-2048 * (int)i));
    }
    SetSampleU8(&s, FieldSmoke, 1);
    return s;
}

TEST_F(ApplyTest, PlayFlags127OnAFullTrackSetsLeversSurfacesGearAndEngines) {
    StartOnBuild(61637);
    ParkingBrakeSet = 0;
    FullSample s = RichSample();
    size_t mark = CallCount();
    unsigned placements = vsim::PlacementCalls();
    ApplySample(&s, 1, AllSampleGroups);

    EXPECT_EQ(CallsSince(mark, "SetDataOnSimObject("), std::vector<std::string>{"SetDataOnSimObject(1, 1, 1, 0, 168)"});
    EXPECT_EQ(DatumIds(1), (std::vector<uint32_t>{10, 11, 12, 13, 14, 15, 16, 17, 18, 19, 34, 35, 36, 37}));
    EXPECT_EQ(Value(1, 10), 0.75);
    EXPECT_EQ(Value(1, 11), -0.25);
    EXPECT_EQ(Value(1, 12), 1.0);
    EXPECT_EQ(Value(1, 13), 0.0);
    EXPECT_EQ(Value(1, 14), -0.5);
    EXPECT_EQ(Value(1, 15), 6.103515625e-05);
    EXPECT_EQ(Value(1, 16), 16383 * 6.103515625e-05);
    EXPECT_EQ(Value(1, 17), 2.0) << "spoilers read unsigned";
    EXPECT_EQ(Value(1, 18), 2.0);
    EXPECT_EQ(Value(1, 19), 0.5);
    EXPECT_EQ(Value(1, 34), 1.0);
    EXPECT_EQ(Value(1, 35), 0.0);
    EXPECT_TRUE(CallsSince(mark, "TransmitClientEvent(").empty()) << "no radios, brake unchanged";

    // The host object places the aircraft exactly and sets its velocity and lights.
    EXPECT_EQ(vsim::PlacementCalls(), placements + 1);
    EXPECT_NEAR(Var(1, "Plane Latitude", "degrees"), 47.5, 1e-9);
    EXPECT_NEAR(Var(1, "Plane Longitude", "degrees"), -122.25, 1e-9);
    EXPECT_NEAR(Var(1, "Plane Altitude", "meters"), 1234.5, 1e-6);
    EXPECT_NEAR(Var(1, "Plane Heading Degrees True", "degrees"), 270.0, 1e-6);
    EXPECT_NEAR(Var(1, "Plane Bank Degrees", "degrees"), 30.0, 1e-6);
    EXPECT_EQ(Var(1, "Velocity World X", "feet per second"), 10.5);
    EXPECT_EQ(Var(1, "Velocity World Y", "feet per second"), -2.25);
    EXPECT_EQ(Var(1, "Velocity World Z", "feet per second"), 150.0);
    EXPECT_EQ(Var(1, "Light Nav", "bool"), 1.0);
    EXPECT_EQ(Var(1, "Light Beacon", "bool"), 0.0);
    EXPECT_EQ(Var(1, "Light Landing", "bool"), 1.0);
    EXPECT_EQ(Var(1, "Light Logo", "bool"), 1.0);

    // An aircraft that no longer exists gets the data call and nothing else.
    mark = CallCount();
    ApplySample(&s, 999, AllSampleGroups);
    EXPECT_EQ(CallsSince(mark, "SetDataOnSimObject("), std::vector<std::string>{"SetDataOnSimObject(1, 999, 1, 0, 168)"});
    EXPECT_EQ(vsim::PlacementCalls(), placements + 1);
}

TEST_F(ApplyTest, AllGroupsSendRadiosMixtureAndSmokeButRadiosOnlyForTheUser) {
    StartOnBuild(61637);
    Settings.PlayFlags = AllSampleGroups;
    ParkingBrakeSet = 0;
    FullSample s = RichSample();
    size_t mark = CallCount();
    ApplySample(&s, 1, AllSampleGroups);
    EXPECT_EQ(DatumIds(1), (std::vector<uint32_t>{10, 11, 12, 13, 14, 15, 16, 17, 18, 19, 34, 35, 36, 37, 46, 47, 48,
                                                   49, 50, 51, 52, 53, 57}));
    EXPECT_EQ(Value(1, 46), 0.25);
    EXPECT_EQ(Value(1, 49), 1.0);
    EXPECT_EQ(Value(1, 51), -0.125);
    EXPECT_EQ(Value(1, 57), 1.0);
    EXPECT_EQ(CallsSince(mark, "TransmitClientEvent("),
              (std::vector<std::string>{"TransmitClientEvent(0, 19, 4352, 1, 16)",
                                        "TransmitClientEvent(0, 20, 65535, 1, 16)",
                                        "TransmitClientEvent(0, 21, 5008, 1, 16)",
                                        "TransmitClientEvent(0, 22, 90, 1, 16)",
                                        "TransmitClientEvent(0, 23, 55574528, 1, 16)",
                                        "TransmitClientEvent(0, 24, 8565, 1, 16)",
                                        "TransmitClientEvent(0, 25, 8528, 1, 16)",
                                        "TransmitClientEvent(0, 26, 4608, 1, 16)"}))
        << "NAV1, VOR1, NAV2, VOR2, ADF, COM1, COM2, XPNDR; the OBS zero-extended";
    EXPECT_NEAR(Var(1, "Nav Active Frequency:1", "mhz"), 111.00, 1e-9);
    EXPECT_EQ(Var(1, "Transponder Code:1", "bco16"), (double)0x1200);

    // Sent on every call, changed or not.
    mark = CallCount();
    ApplySample(&s, 1, AllSampleGroups);
    EXPECT_EQ(CallsSince(mark, "TransmitClientEvent(").size(), 8u);

    // A traffic track recorded as a user's flight carries radio groups: the user's own
    // radios are left alone.
    uint32_t ai = vsim::AddAi("Beech Baron 58 Paint1", "parked");
    ASSERT_NE(ai, 0u);
    mark = CallCount();
    ApplySample(&s, ai, AllSampleGroups);
    EXPECT_TRUE(CallsSince(mark, "TransmitClientEvent(").empty());
    EXPECT_EQ(DatumIds(ai), DatumIds(1));
}

TEST_F(ApplyTest, WithoutTheObjectAccessorPositionAndAttitudeGoAsDataFirst) {
    StartOnBuild(61637);
    ObjectAccessor = nullptr;
    ParkingBrakeSet = 0;
    vsim::SetAircraftLights(1, 0);
    FullSample s = RichSample();
    unsigned placements = vsim::PlacementCalls();
    size_t mark = CallCount();
    ApplySample(&s, 1, Throttles);
    EXPECT_EQ(CallsSince(mark, "SetDataOnSimObject("), std::vector<std::string>{"SetDataOnSimObject(1, 1, 1, 0, 120)"});
    EXPECT_EQ(DatumIds(1), (std::vector<uint32_t>{0, 1, 2, 3, 4, 5, 10, 11, 12, 13}));
    EXPECT_NEAR(Value(1, 0), 47.5, 1e-9);
    EXPECT_NEAR(Value(1, 1), -122.25, 1e-12);
    EXPECT_EQ(Value(1, 2), 1234.5);
    EXPECT_NEAR(Value(1, 3), -5.0, 1e-6);
    EXPECT_NEAR(Value(1, 4), 30.0, 1e-6);
    EXPECT_EQ(Value(1, 5), -90.0) << "a heading of 270 goes over signed";
    EXPECT_EQ(vsim::PlacementCalls(), placements) << "no host object calls on this path";
    EXPECT_EQ(Var(1, "Velocity World X", "feet per second"), 0.0) << "velocity is not applied";
    EXPECT_EQ(Var(1, "Light Nav", "bool"), 0.0) << "nor are the lights";
}

TEST_F(ApplyTest, AnEmptyGroupSetStillPlacesTheAircraftAndTogglesTheBrake) {
    StartOnBuild(61637);
    ParkingBrakeSet = 0;
    FullSample s = RichSample();
    SetSampleU8(&s, FieldParkingBrake, 1);
    unsigned placements = vsim::PlacementCalls();
    size_t mark = CallCount();
    ApplySample(&s, 1, 0);
    EXPECT_TRUE(CallsSince(mark, "SetDataOnSimObject(").empty()) << "nothing to write: no empty tagged write";
    EXPECT_TRUE(DatumIds(1).empty());
    EXPECT_EQ(vsim::PlacementCalls(), placements + 1);
    EXPECT_EQ(Var(1, "Velocity World Z", "feet per second"), 150.0);
    EXPECT_EQ(CallsSince(mark, "TransmitClientEvent("), std::vector<std::string>{"TransmitClientEvent(0, 31, 0, 1, 16)"});
    EXPECT_EQ(ParkingBrakeSet, 1);

    mark = CallCount();
    ApplySample(&s, 1, 0);
    EXPECT_TRUE(CallsSince(mark, "TransmitClientEvent(").empty()) << "the brake already matches";

    // A traffic aircraft never touches the user's brake.
    uint32_t ai = vsim::AddAi("Beech Baron 58 Paint1", "parked");
    SetSampleU8(&s, FieldParkingBrake, 0);
    mark = CallCount();
    ApplySample(&s, ai, AllSampleGroups);
    EXPECT_TRUE(CallsSince(mark, "TransmitClientEvent(").empty());
    EXPECT_EQ(ParkingBrakeSet, 1);
}

TEST_F(ApplyTest, GearLegsAreForcedAtJumpsAndAtFastOrBackwardSpeeds) {
    StartOnBuild(61637);
    FullSample s = RichSample();
    struct Case {
        int16_t speed;
        uint32_t jumped;
        bool forced;
    };
    const Case cases[] = {{100, 0, false}, {300, 0, false}, {500, 0, true},  {1000, 0, true},
                          {-100, 0, true}, {-500, 0, true}, {100, 1, true},  {10, 0, false}};
    for (const Case& c : cases) {
        SpeedPercent = c.speed;
        PositionJumped = c.jumped;
        ApplySample(&s, 1, Gear);
        std::vector<uint32_t> expected = c.forced ? std::vector<uint32_t>{19, 21, 22, 20} : std::vector<uint32_t>{19};
        EXPECT_EQ(DatumIds(1), expected) << "speed " << c.speed << ", jumped " << c.jumped;
        if (c.forced) {
            EXPECT_EQ(Value(1, 21), 0.5);
            EXPECT_EQ(Value(1, 22), 0.5);
            EXPECT_EQ(Value(1, 20), 0.5);
        }
    }
    SpeedPercent = 500;
    Settings.PlayFlags = 127 & ~Gear;
    ApplySample(&s, 1, AllSampleGroups);
    EXPECT_EQ(DatumIds(1), (std::vector<uint32_t>{10, 11, 12, 13, 14, 15, 16, 17, 18, 34, 35, 36, 37}))
        << "without the gear group neither the handle nor the legs";
}

TEST_F(ApplyTest, AJumpForcesTheGearInItsFrameOnly) {
    StartOnBuild(61637);
    PutRecording("C:\\Sim\\Recs\\line.frc", {LineTrack("Line", 0, 600000)});
    ASSERT_TRUE(Play({"C:\\Sim\\Recs\\line.frc"}));
    Frames(3);
    EXPECT_EQ(DatumIds(1).size(), 14u) << "no forcing while playing normally";
    PlaybackJump(5);
    Frames(1);
    std::vector<uint32_t> ids = DatumIds(1);
    ASSERT_EQ(ids.size(), 17u);
    EXPECT_EQ(std::vector<uint32_t>(ids.begin() + 14, ids.end()), (std::vector<uint32_t>{21, 22, 20}));
    Frames(1);
    EXPECT_EQ(DatumIds(1).size(), 14u) << "the frame after the jump";
}

TEST_F(ApplyTest, TheParkingBrakeTogglesOncePerRecordedChange) {
    StartOnBuild(61637);
    TestTrack track = LineTrack("Brakes", 0, 40000);
    for (FullSample& s : track.samples) {
        SetSampleU8(&s, FieldParkingBrake, GetSampleU32(&s, FieldTime) >= 20000 ? 1 : 0);
    }
    PutRecording("C:\\Sim\\Recs\\brakes.frc", {track});
    ASSERT_EQ(Var(1, "Brake Parking Position", "position"), 1.0) << "the user's aircraft starts braked";
    size_t mark = CallCount();
    ASSERT_TRUE(Play({"C:\\Sim\\Recs\\brakes.frc"}));
    Seconds(6);
    ASSERT_NE(ModuleMode, (uint32_t)Playing);
    EXPECT_EQ(CallsSince(mark, "TransmitClientEvent(0, 31,").size(), 2u)
        << "released at the start, set again at 2 s: once per change, not once per frame";
    EXPECT_EQ(Var(1, "Brake Parking Position", "position"), 1.0);

    // The same recording as traffic never touches the user's brake.
    mark = CallCount();
    ASSERT_TRUE(Play({"C:\\Sim\\Recs\\brakes.frc"}, true));
    Seconds(6);
    EXPECT_TRUE(CallsSince(mark, "TransmitClientEvent(0, 31,").empty());
}

TEST_F(ApplyTest, LevelD767LightsGoThroughPanelVariables) {
    StartOnBuild(61637);
    static const char* const Switches[] = {
        "LVLDLightNavSwitch",   "LVLDLightBeaconSwitch", "LVLDLightLLNoseSwitch", "LVLDLightTaxiSwitch",
        "LVLDLightStrobeSwitch", "LVLDLightPanelSwitch", "LVLDLightWingSwitch",   "LVLDLightRecogSwitch",
        "LVLDLightOvrdSwitch",  "LVLDLightTurnLSwitch",  "LVLDLightTurnRSwitch",  "LVLDLightLLLeftSwitch",
        "LVLDLightLLRightSwitch"};
    for (const char* name : Switches) vsim::SetPanelVariable(name, 5.0);
    IsLevelD767 = 1;
    vsim::SetAircraftLights(1, 0);
    FullSample s = RichSample();
    SetSampleU16(&s, FieldLights, 0x8001);

    vsim::PanelServiceCounts before = vsim::PanelServiceCalls();
    Settings.PlayFlags = 127 & ~Lights;
    ApplySample(&s, 1, AllSampleGroups);
    EXPECT_EQ(vsim::PanelServiceCalls().writes, before.writes) << "lights not played: no switch written";
    EXPECT_EQ(Var(1, "Light Nav", "bool"), 0.0);

    Settings.PlayFlags = 127;
    ApplySample(&s, 1, AllSampleGroups);
    EXPECT_EQ(vsim::PanelServiceCalls().lookUps, before.lookUps + 13) << "looked up again on every call";
    EXPECT_EQ(vsim::PanelServiceCalls().writes, before.writes + 13);
    for (const char* name : Switches) {
        double expected = std::string(name) == "LVLDLightNavSwitch" ? 1.0 : 0.0;
        EXPECT_EQ(vsim::GetPanelVariable(name), expected) << name;
    }
    EXPECT_EQ(Var(1, "Light Nav", "bool"), 0.0) << "the host's light property is not set";

    SetSampleU16(&s, FieldLights, 0xFFFF);
    ApplySample(&s, 1, AllSampleGroups);
    for (const char* name : Switches) EXPECT_EQ(vsim::GetPanelVariable(name), 1.0) << name;

    // A traffic aircraft takes the standard light property, Level-D or not.
    uint32_t ai = vsim::AddAi("Beech Baron 58 Paint1", "parked");
    vsim::SetAircraftLights(ai, 0);
    before = vsim::PanelServiceCalls();
    SetSampleU16(&s, FieldLights, 0x0003);
    ApplySample(&s, ai, AllSampleGroups);
    EXPECT_EQ(vsim::PanelServiceCalls().writes, before.writes);
    EXPECT_EQ(Var(ai, "Light Beacon", "bool"), 1.0);
}

TEST_F(ApplyTest, OlderBuildsTakeTheLongPlacementWithTheFlagSetAroundIt) {
    StartOnBuild(61472);
    ASSERT_NE(ObjectAccessor, nullptr);
    ASSERT_NE(PositionCallFlag, nullptr);
    EXPECT_EQ(VelocityPropertyId, 648u);
    FullSample s = RichSample();
    unsigned placements = vsim::PlacementCalls();
    ApplySample(&s, 1, AllSampleGroups);
    EXPECT_EQ(vsim::PlacementCalls(), placements + 1);
    EXPECT_EQ(vsim::PlacementsWithoutFlag(), 0u) << "the flag word was 1 during the call";
    EXPECT_EQ(vsim::PositionCallFlagWord(), 0u) << "and is 0 again after it";
    EXPECT_EQ(Var(1, "Sim On Ground", "bool"), 1.0) << "the long form carries the on-ground byte";
    EXPECT_EQ(Var(1, "Velocity World X", "feet per second"), 10.5) << "velocity under property 648";
    EXPECT_NEAR(Var(1, "Plane Altitude", "meters"), 1234.5, 1e-6);
}

TEST_F(ApplyTest, Build61637TakesTheShortPlacement) {
    StartOnBuild(61637);
    EXPECT_EQ(PositionCallFlag, nullptr);
    EXPECT_EQ(VelocityPropertyId, 675u);
    FullSample s = RichSample();  // on ground 1, but 834 m above the field
    unsigned placements = vsim::PlacementCalls();
    ApplySample(&s, 1, AllSampleGroups);
    EXPECT_EQ(vsim::PlacementCalls(), placements + 1);
    EXPECT_EQ(Var(1, "Sim On Ground", "bool"), 0.0) << "the short form carries no on-ground byte";
    EXPECT_EQ(Var(1, "Velocity World X", "feet per second"), 10.5) << "velocity under property 675";
}

}  // namespace
