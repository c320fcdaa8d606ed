// Capture: the recording and playback data definitions as SimConnect sees them, and
// the conversion of a data reply into a sample record (exact values, group walking,
// the Level-D lights, replies that belong to no track).
#include <cstring>
#include <string>
#include <vector>

#include "module/dispatch.h"
#include "module/entry.h"
#include "module/simlink.h"
#include "recording/capture.h"
#include "recording/recorder.h"
#include "recording/track.h"
#include "tests/support/module_fixture.h"
#include "tests/support/recording_helpers.h"
#include "ui/config.h"
#include "vsim/sim/aircraft.h"
#include "vsim/sim/panels.h"
#include "vsim/sim/simconnect.h"
#include "vsim/sim/simconnect_data.h"
#include "vsim/sim/simulator.h"
#include "vsim/win32/scripted_user.h"

using rectest::ByteWriter;

namespace {

struct Datum {
    const char* name;
    const char* units;  // null: none passed
    unsigned datumId;
    uint32_t group;  // 0: always
};

// The recording definition with every group, in the order the values arrive.
const Datum RecordingDefinition[] = {
    {"Plane Latitude", "degrees", 0, 0},
    {"Plane Longitude", "degrees", 1, 0},
    {"Plane Altitude", "meters", 2, 0},
    {"Plane Pitch Degrees", "degrees", 3, 0},
    {"Plane Bank Degrees", "degrees", 4, 0},
    {"Plane Heading Degrees True", "degrees", 5, 0},
    {"Sim On Ground", "bool", 6, 0},
    {"Velocity World X", "feet/second", 7, 0},
    {"Velocity World Y", "feet/second", 8, 0},
    {"Velocity World Z", "feet/second", 9, 0},
    {"General Eng Throttle Lever Position:1", nullptr, 10, 0x001},
    {"General Eng Throttle Lever Position:2", nullptr, 11, 0x001},
    {"General Eng Throttle Lever Position:3", nullptr, 12, 0x001},
    {"General Eng Throttle Lever Position:4", nullptr, 13, 0x001},
    {"Elevator Position", nullptr, 14, 0x002},
    {"Aileron Position", nullptr, 15, 0x002},
    {"Rudder Position", nullptr, 16, 0x002},
    {"Spoilers Handle Position", nullptr, 17, 0x004},
    {"Flaps Handle Index", nullptr, 18, 0x008},
    {"Gear Handle Position", nullptr, 19, 0x010},
    {"Light Nav", "bool", 23, 0x020},
    {"Light Beacon", "bool", 24, 0x020},
    {"Light Landing", "bool", 25, 0x020},
    {"Light Taxi", "bool", 26, 0x020},
    {"Light Strobe", "bool", 27, 0x020},
    {"Light Panel", "bool", 28, 0x020},
    {"Light Recognition", "bool", 31, 0x020},
    {"Light Wing", "bool", 30, 0x020},
    {"Light Logo", "bool", 29, 0x020},
    {"Light Cabin", "bool", 32, 0x020},
    {"Brake Parking Position", "position", 33, 0},
    {"General Eng Combustion:1", "bool", 34, 0x040},
    {"General Eng Combustion:2", "bool", 35, 0x040},
    {"General Eng Combustion:3", "bool", 36, 0x040},
    {"General Eng Combustion:4", "bool", 37, 0x040},
    {"Nav Active Frequency:1", "Frequency BCD16", 38, 0x080},
    {"Nav Obs:1", "degrees", 39, 0x080},
    {"Nav Active Frequency:2", "Frequency BCD16", 40, 0x080},
    {"Nav Obs:2", "degrees", 41, 0x080},
    {"Adf Active Frequency:1", "Frequency ADF BCD32", 42, 0x080},
    {"Com Active Frequency:1", "Frequency BCD16", 43, 0x100},
    {"Com Active Frequency:2", "Frequency BCD16", 44, 0x100},
    {"Transponder Code:1", "BCO16", 45, 0x100},
    {"General Eng Mixture Lever Position:1", nullptr, 46, 0x200},
    {"General Eng Mixture Lever Position:2", nullptr, 47, 0x200},
    {"General Eng Mixture Lever Position:3", nullptr, 48, 0x200},
    {"General Eng Mixture Lever Position:4", nullptr, 49, 0x200},
    {"General Eng Propeller Lever Position:1", nullptr, 50, 0x200},
    {"General Eng Propeller Lever Position:2", nullptr, 51, 0x200},
    {"General Eng Propeller Lever Position:3", nullptr, 52, 0x200},
    {"General Eng Propeller Lever Position:4", nullptr, 53, 0x200},
    {"Zulu Year", nullptr, 54, 0x400},
    {"Zulu Day Of Year", nullptr, 55, 0x400},
    {"Zulu Time", nullptr, 56, 0x400},
    {"Smoke Enable", nullptr, 57, 0x800},
};

std::string AddCall(unsigned definition, const Datum& datum) {
    std::string units = datum.units ? std::string("\"") + datum.units + "\"" : "null";
    return "AddToDataDefinition(" + std::to_string(definition) + ", \"" + datum.name + "\", " + units + ", 4, 0, " +
           std::to_string(datum.datumId) + ")";
}

std::vector<std::string> ExpectedRecordingCalls(uint32_t groups) {
    std::vector<std::string> calls;
    for (const Datum& datum : RecordingDefinition) {
        if (datum.group == 0 || (groups & datum.group)) calls.push_back(AddCall(0, datum));
    }
    return calls;
}

// The calls that touch a definition, in order.
std::vector<std::string> CallsOfDefinition(unsigned definition) {
    std::string add = "AddToDataDefinition(" + std::to_string(definition) + ",";
    std::string clear = "ClearDataDefinition(" + std::to_string(definition) + ")";
    std::vector<std::string> calls;
    for (const std::string& call : vsim::SimConnectCalls()) {
        if (call.compare(0, add.size(), add) == 0 || call == clear) calls.push_back(call);
    }
    return calls;
}

std::vector<vsim::user::DialogAction> ClickOk() {
    vsim::user::DialogAction ok;
    ok.kind = vsim::user::DialogAction::Click;
    ok.control = IDOK;
    return {ok};
}

class CaptureTest : public ModuleTest {
protected:
    // The module running; the recording definition rebuilt for `recFlags`.
    void StartWithRecFlags(uint32_t recFlags) {
        ASSERT_TRUE(StartModule());
        Settings.RecFlags = recFlags;
        BuildRecordingDefinition();
    }
    // A memory-only recording track of its own in the table (the replay buffer dropped).
    Track* AddRecordingTrack(uint32_t objectId, uint32_t groups) {
        StopReplayBuffer();
        int index = AddTrackEntry();
        EXPECT_GE(index, 0);
        Track* track = &TrackTable.entries[index];
        EXPECT_TRUE(OpenTrack(track, 8, nullptr, 0, groups, "capture", objectId, 250, 1));
        return track;
    }
    static std::vector<uint8_t> Record(const Track* track, uint32_t slot) {
        const uint8_t* at = track->buffer + (size_t)slot * track->layout.recordSize;
        return std::vector<uint8_t>(at, at + track->layout.recordSize);
    }
};

// A reply with every group, the values chosen so that each conversion shows.
rectest::SampleValues FullReply() {
    rectest::SampleValues s = {{
        -33.9425, 151.175, 1234.5678, -5.5, 30.25, 270.0,  // position, attitude
        1.0,                                               // on ground
        12.5, -3.25, 250.0,                                // velocities
        1.0, 0.5, -0.25, 2.5,                              // throttles (the last wraps)
        -1.0, 0.123, 0.999,                                // elevator, aileron, rudder
        0.5, 2.9, 1.0,                                     // spoilers, flaps index, gear
        1, 0.9, 1, 0, 1, 0, 1, 0, 1, 1,                    // lights: nav .. cabin
        0.5,                                               // parking brake
        1, 1, 0, 0,                                        // engines
        4176, 270.7, 5008, -10.5, 55574528,                // nav 110.50, OBS, nav 113.90, OBS, ADF 350
        6160, 8528, 4608,                                  // com 118.10, com 121.50, squawk 1200
        1.0, 0.75, 0, 0, 1.0, 0.9, 0, 0,                   // mixture, propeller
        2024, 172, 45296.7,                                // Zulu year, day, time
        1,                                                 // smoke
    }};
    return s;
}

// ---- The data definitions ----

TEST_F(CaptureTest, RecordingDefinitionFollowsRecFlagsAndIsClearedOnlyWhenRebuilt) {
    WriteIni("SETTINGS", "RecFlags", "0");
    ASSERT_TRUE(StartModule());
    // The first build only adds: the 11 values every sample has.
    EXPECT_EQ(CallsOfDefinition(0), ExpectedRecordingCalls(0));
    EXPECT_EQ(CallsOfDefinition(0).size(), 11u);
    EXPECT_EQ(vsim::DataDefinitionBytes(0), 88u);
    EXPECT_EQ(RecordingReplySize(), 88u);

    for (uint32_t groups : {0xFFFu, 0x07Fu, 0x821u, 0x480u, 0x1000u}) {
        vsim::ClearSimConnectCalls();
        Settings.RecFlags = groups;
        BuildRecordingDefinition();
        std::vector<std::string> expected = {"ClearDataDefinition(0)"};
        for (const std::string& call : ExpectedRecordingCalls(groups)) expected.push_back(call);
        EXPECT_EQ(CallsOfDefinition(0), expected) << std::hex << groups;
        EXPECT_EQ(vsim::SimConnectErrors().size(), 0u);
        size_t values = expected.size() - 1;
        EXPECT_EQ(vsim::DataDefinitionBytes(0), values * 8) << std::hex << groups;
        EXPECT_EQ(RecordingReplySize(), values * 8);
    }
    // 0xFFF: 55 values; bit 12 means nothing.
    Settings.RecFlags = 0xFFF;
    BuildRecordingDefinition();
    EXPECT_EQ(vsim::DataDefinitionBytes(0), 55u * 8);
    EXPECT_TRUE(CallsOfDefinition(1).empty()) << "rebuilds leave the playback definition alone";
}

TEST_F(CaptureTest, PlaybackDefinitionHasEveryGroupNoOnGroundAndTheGearPositions) {
    WriteIni("SETTINGS", "RecFlags", "0");  // the playback definition does not follow RecFlags
    ASSERT_TRUE(StartModule());
    std::vector<std::string> expected;
    for (const Datum& datum : RecordingDefinition) {
        if (datum.datumId == 6) continue;
        expected.push_back(AddCall(1, datum));
        if (datum.datumId == 19) {
            expected.push_back("AddToDataDefinition(1, \"Gear Center Position\", null, 4, 0, 20)");
            expected.push_back("AddToDataDefinition(1, \"Gear Left Position\", null, 4, 0, 21)");
            expected.push_back("AddToDataDefinition(1, \"Gear Right Position\", null, 4, 0, 22)");
        }
    }
    EXPECT_EQ(CallsOfDefinition(1), expected);
    EXPECT_EQ(expected.size(), 57u);
    EXPECT_EQ(vsim::DataDefinitionBytes(1), 57u * 8);
    // A rebuild of the recording definition leaves it alone.
    Settings.RecFlags = 0x7F;
    BuildRecordingDefinition();
    EXPECT_EQ(CallsOfDefinition(1), expected);
}

// ---- Conversions ----

TEST_F(CaptureTest, EveryFieldIsConvertedExactlyWithTruncationAndLowBits) {
    StartWithRecFlags(0xFFF);
    Track* track = AddRecordingTrack(UserObjectId, 0xFFF);
    rectest::SampleValues reply = FullReply();
    Timeline = 123456;
    ASSERT_TRUE(CaptureSample(reply.v, UserObjectId));
    ASSERT_EQ(track->sampleCount, 1u);
    EXPECT_EQ(track->startTime, 123456u);

    ByteWriter w;
    w.I64(-16200826586864756);              // -33.9425 degrees of latitude
    w.I64(7746351487064004608);             // 151.175 degrees of longitude
    w.I64(5302428325694);                   // 1234.5678 m
    w.U32(0xFC16C16D);                      // pitch -5.5
    w.U32(0x1582D82D);                      // bank 30.25
    w.U32(0xC0000000);                      // heading 270
    w.F64(12.5);
    w.F64(-3.25);
    w.F64(250.0);
    w.U8(1);                                // on ground
    w.U16(16384), w.U16(8192), w.U16(0xF000), w.U16(0xA000);  // throttles; 2.5 keeps its low 16 bits
    w.U16(0xC000), w.U16(2015), w.U16(16367);                 // elevator -1, aileron, rudder
    w.U16(8192);                            // spoilers
    w.U8(2);                                // flaps index 2.9 truncated
    w.U16(16384);                           // gear
    w.U16(0x355);                           // lights: nav, landing, strobe, recognition, logo, cabin
    w.U8(1);                                // parking brake
    w.U8(1), w.U8(1), w.U8(0), w.U8(0);     // engines
    w.U16(0x1050), w.U16(270), w.U16(0x1390), w.U16(0xFFF6), w.U32(0x03500000);
    w.U16(0x1810), w.U16(0x2150), w.U16(0x1200);
    w.U16(16384), w.U16(12288), w.U16(0), w.U16(0);  // mixture
    w.U16(16384), w.U16(14745), w.U16(0), w.U16(0);  // propeller
    w.U8(124), w.U16(172), w.U8(12), w.U8(34), w.U8(56);  // 2024, day 172, 45296.7 s = 12:34:56
    w.U8(1);                                // smoke
    w.U32(123456);                          // time
    ASSERT_EQ(w.bytes.size(), 132u);
    EXPECT_EQ(Record(track, 0), w.bytes);

    // A second reply: the southern and western signs, and the time of day's edges.
    reply.v[0] = 47.5;
    reply.v[1] = -118.408;
    reply.v[2] = -12.75;
    reply.v[5] = 359.99;
    reply.v[51] = 2200;  // 300 years after 1900: the byte keeps 44
    reply.v[53] = 86399.99;
    Timeline = 130000;
    ASSERT_TRUE(CaptureSample(reply.v, UserObjectId));
    std::vector<uint8_t> second = Record(track, 1);
    EXPECT_EQ(rectest::Le64(second, 0), 22671849830627556);
    EXPECT_EQ(rectest::Le64(second, 8), -6067339089666113536);
    EXPECT_EQ(rectest::Le64(second, 16), -54760833024);
    EXPECT_EQ(rectest::Le32(second, 32), 0xFFFE2DF7u);
    EXPECT_EQ(second[121], 44);
    EXPECT_EQ(second[124], 23);
    EXPECT_EQ(second[125], 59);
    EXPECT_EQ(second[126], 59);
    EXPECT_EQ(rectest::Le32(second, 128), 130000u);
    EXPECT_EQ(track->endTime, 130000u);
}

TEST_F(CaptureTest, RecFlagsZeroGivesElevenValuesAndSixtySixByteRecords) {
    WriteIni("SETTINGS", "RecFlags", "0");
    ASSERT_TRUE(StartModule());
    EXPECT_EQ(vsim::DataDefinitionBytes(0), 88u);
    vsim::SetSimVar(1, "Brake Parking Position", "position", 1.0);
    vsim::user::OnDialog(102, ClickOk());
    ASSERT_TRUE(Menu("Record..."));
    ASSERT_EQ(ModuleMode, (uint32_t)Recording);
    Frames(40);
    vsim::user::OnSave("C:\\Sim\\bare.frc");
    ASSERT_TRUE(Menu("Stop..."));
    std::vector<uint8_t> bytes = ReadBytes("C:\\Sim\\bare.frc");
    rectest::RecordingFileView view = rectest::ParseRecordingFile(bytes);
    ASSERT_TRUE(view.ok);
    ASSERT_EQ(view.trackCount, 1u);
    EXPECT_EQ(view.tracks[0].groups, 0u);
    ASSERT_GE(view.tracks[0].sampleCount, 2u);
    EXPECT_EQ(bytes.size(), 18u + 124u + 66u * view.tracks[0].sampleCount);
    for (size_t i = 0; i < view.tracks[0].records.size(); ++i) {
        const std::vector<uint8_t>& record = view.tracks[0].records[i];
        EXPECT_EQ(record, rectest::ExpectedRecord(1, 0, view.tracks[0].TimeOf(i))) << "record " << i;
        EXPECT_EQ(record[61], 1) << "the parking brake, right after the on-ground byte";
    }
}

TEST_F(CaptureTest, ParkingBrakeIsSetOnlyByAPositiveValue) {
    StartWithRecFlags(0);
    Track* track = AddRecordingTrack(UserObjectId, 0);
    ASSERT_EQ(track->layout.recordSize, 66u);
    const double brakes[] = {0.0, -0.5, -0.0, 1e-9, 0.5, 1.0};
    const uint8_t expected[] = {0, 0, 0, 1, 1, 1};
    for (size_t i = 0; i < 6; ++i) {
        double values[11] = {47.0, 8.0, 400.0, 0, 0, 0, 1, 0, 0, 0, brakes[i]};
        Timeline = (uint32_t)i * 1000;
        ASSERT_TRUE(CaptureSample(values, UserObjectId));
        std::vector<uint8_t> record = Record(track, (uint32_t)i);
        EXPECT_EQ(record[61], expected[i]) << brakes[i];
        EXPECT_EQ(rectest::Le32(record, 62), Timeline);
    }
}

TEST_F(CaptureTest, AiTrackOfAllGroupsSkipsTheUserOnlyValuesAndTakesSmokeLast) {
    StartWithRecFlags(0xFFF);
    const uint32_t aiId = 7;
    Track* track = AddRecordingTrack(aiId, 0xFFF & 0x87F);
    ASSERT_EQ(track->layout.recordSize, 92u);
    rectest::SampleValues reply = FullReply();
    reply.v[54] = 1.0;  // smoke, the 55th value
    Timeline = 5000;
    ASSERT_TRUE(CaptureSample(reply.v, aiId));
    std::vector<uint8_t> record = Record(track, 0);
    EXPECT_EQ(record, rectest::EncodeRecord(reply, 0x87F, 5000));
    EXPECT_EQ(record[87], 1) << "smoke right before the time";
    EXPECT_EQ(rectest::Le32(record, 88), 5000u);
    reply.v[54] = 0.0;
    reply.v[53] = 1.0;  // a value the AI track passes over
    ASSERT_TRUE(CaptureSample(reply.v, aiId));
    EXPECT_EQ(Record(track, 1)[87], 0);
}

TEST_F(CaptureTest, LevelD767UserLightsComeFromThePanelSwitchesAndAiKeepTheStandardForm) {
    ASSERT_TRUE(StartModule());
    vsim::LoadAircraft("Level-D Simulations B767-300ER", 12.0);
    ASSERT_EQ(IsLevelD767, 1u);
    Settings.RecFlags = 0x7F;
    BuildRecordingDefinition();
    Track* user = AddRecordingTrack(UserObjectId, 0x7F);
    int aiIndex = AddTrackEntry();
    Track* ai = &TrackTable.entries[aiIndex];
    user = &TrackTable.entries[0];  // the table may have moved
    ASSERT_TRUE(OpenTrack(ai, 8, nullptr, 0, 0x7F, "Level-D 767 AI", 9, 250, 1));

    const char* const switches[] = {
        "LVLDLightNavSwitch",    "LVLDLightBeaconSwitch", "LVLDLightLLNoseSwitch", "LVLDLightTaxiSwitch",
        "LVLDLightStrobeSwitch", "LVLDLightPanelSwitch",  "LVLDLightWingSwitch",   "LVLDLightRecogSwitch",
        "LVLDLightOvrdSwitch",   "LVLDLightTurnLSwitch",  "LVLDLightTurnRSwitch",  "LVLDLightLLLeftSwitch",
        "LVLDLightLLRightSwitch",
    };
    rectest::SampleValues reply = FullReply();  // standard lights 0x355
    // The 0x7F definition: 10 position values, 4 throttles, 3 controls, spoilers, flaps,
    // gear, 10 lights, parking brake, 4 engines.
    std::vector<double> values(reply.v, reply.v + 35);
    auto lightsOf = [&](Track* track, uint32_t objectId) {
        uint32_t slot = track->bufferIndex;
        EXPECT_TRUE(CaptureSample(values.data(), objectId));
        return rectest::Le16(Record(track, slot), 80);
    };

    for (const char* name : switches) vsim::SetPanelVariable(name, 1.0);
    vsim::PanelServiceCounts before = vsim::PanelServiceCalls();
    EXPECT_EQ(lightsOf(user, UserObjectId), 0xFDBF);
    vsim::PanelServiceCounts after = vsim::PanelServiceCalls();
    EXPECT_EQ(after.lookUps - before.lookUps, 13u);
    EXPECT_EQ(after.reads - before.reads, 13u);
    EXPECT_EQ(lightsOf(ai, 9), 0x355) << "an AI Level-D records the simulator's switches";
    EXPECT_EQ(vsim::PanelServiceCalls().reads, after.reads);

    for (const char* name : switches) vsim::SetPanelVariable(name, 0.0);
    EXPECT_EQ(lightsOf(user, UserObjectId), 0x8000);
    // Values other than 0 and 1: shifted and cut to 16 bits; bit 14 takes the lowest bit.
    vsim::SetPanelVariable("LVLDLightRecogSwitch", 257.0);  // 0x101 << 8: only 0x100 is left
    vsim::SetPanelVariable("LVLDLightLLRightSwitch", 2.0);
    EXPECT_EQ(lightsOf(user, UserObjectId), 0x8100);
    vsim::SetPanelVariable("LVLDLightLLRightSwitch", 3.0);
    vsim::SetPanelVariable("LVLDLightNavSwitch", 2.0);  // lands on bit 1
    EXPECT_EQ(lightsOf(user, UserObjectId), 0xC102);
    EXPECT_EQ(rectest::LevelDLightsNow(), 0xC102);

    // Without the panel services the simulator's own switches are recorded, in their
    // standard form, so playback never reads switch bits as lights.
    Panels = nullptr;
    EXPECT_EQ(lightsOf(user, UserObjectId), 0x355);
}

TEST_F(CaptureTest, LevelD767LightsReachTheRecordingFile) {
    ASSERT_TRUE(StartModule());
    vsim::LoadAircraft("Level-D Simulations B767-300ER", 12.0);
    vsim::SetPanelVariable("LVLDLightBeaconSwitch", 1.0);
    vsim::SetPanelVariable("LVLDLightWingSwitch", 1.0);
    vsim::SetAircraftLights(1, 0x3FF);  // the simulator's own switches, which do not count
    vsim::user::OnDialog(102, ClickOk());
    ASSERT_TRUE(Menu("Record..."));
    Frames(20);
    vsim::user::OnSave("C:\\Sim\\leveld.frc");
    ASSERT_TRUE(Menu("Stop..."));
    rectest::RecordingFileView view = rectest::ParseRecordingFile(ReadBytes("C:\\Sim\\leveld.frc"));
    ASSERT_TRUE(view.ok);
    ASSERT_GE(view.tracks.size(), 1u);
    ASSERT_GE(view.tracks[0].records.size(), 2u);
    for (const auto& record : view.tracks[0].records) EXPECT_EQ(rectest::Le16(record, 80), 0x8082);
}

TEST_F(CaptureTest, RepliesForAircraftWithoutARecordingTrackAreDropped) {
    StartWithRecFlags(0x7F);
    Track* track = AddRecordingTrack(UserObjectId, 0x7F);
    rectest::SampleValues reply = FullReply();
    EXPECT_FALSE(CaptureSample(reply.v, 4242));
    EXPECT_EQ(track->sampleCount, 0u);

    // Through the simulator: a sample reply for an AI aircraft nobody records.
    uint32_t ai = vsim::AddAi("Stranger", "orbit");
    SimConnect_RequestDataOnSimObject(SimConnectHandle, 0, 0, ai, SIMCONNECT_PERIOD_ONCE,
                                      SIMCONNECT_DATA_REQUEST_FLAG_DEFAULT, 0, 0, 0);
    EXPECT_EQ(vsim::PumpSimConnect(), 1u);
    EXPECT_EQ(TrackTable.count, 1u);
    EXPECT_EQ(track->sampleCount, 0u);

    // A playback track and a recording track without its buffer take nothing, and are
    // no reason for a message.
    track->readMode = 1;
    EXPECT_TRUE(CaptureSample(reply.v, UserObjectId));
    EXPECT_EQ(track->sampleCount, 0u);
    track->readMode = 0;
    ReleaseTrackBuffer(track);
    EXPECT_TRUE(CaptureSample(reply.v, UserObjectId));
    EXPECT_EQ(track->sampleCount, 0u);
    EXPECT_TRUE(vsim::user::MessageBoxes().empty());
}

}  // namespace
