// What the module registers when the SimConnect link opens (menu, system events, sim
// events, control-data definitions and requests, in order), and the Add-ons menu that
// each change of mode rebuilds.
#include <string>
#include <vector>

#include "module/dispatch.h"
#include "module/simlink.h"
#include "tests/support/dispatch_records.h"
#include "tests/support/module_fixture.h"
#include "vsim/sim/simconnect.h"
#include "vsim/sim/simconnect_data.h"

namespace {

using Lines = std::vector<std::string>;

const Lines IdleItems = {"Record...", "Play...", "Play as traffic...", "Replay...",
                         "Settings...", "Keyboard...", "About..."};
const Lines BusyItems = {"Stop...", "About..."};
const Lines TrafficItems = {"Record...", "Stop...", "About..."};

const Lines IdleDeletes = {"MenuDeleteSubItem(0, 1)", "MenuDeleteSubItem(0, 2)", "MenuDeleteSubItem(0, 3)",
                           "MenuDeleteSubItem(0, 4)", "MenuDeleteSubItem(0, 6)", "MenuDeleteSubItem(0, 7)",
                           "MenuDeleteSubItem(0, 8)"};
const Lines IdleAdds = {"MenuAddSubItem(0, \"Record...\", 1, 0)",
                        "MenuAddSubItem(0, \"Play...\", 2, 0)",
                        "MenuAddSubItem(0, \"Play as traffic...\", 3, 0)",
                        "MenuAddSubItem(0, \"Replay...\", 4, 0)",
                        "MenuAddSubItem(0, \"Settings...\", 6, 0)",
                        "MenuAddSubItem(0, \"Keyboard...\", 7, 0)",
                        "MenuAddSubItem(0, \"About...\", 8, 0)"};
const Lines BusyDeletes = {"MenuDeleteSubItem(0, 5)", "MenuDeleteSubItem(0, 8)"};
const Lines BusyAdds = {"MenuAddSubItem(0, \"Stop...\", 5, 0)", "MenuAddSubItem(0, \"About...\", 8, 0)"};
const Lines TrafficDeletes = {"MenuDeleteSubItem(0, 1)", "MenuDeleteSubItem(0, 5)", "MenuDeleteSubItem(0, 8)"};
const Lines TrafficAdds = {"MenuAddSubItem(0, \"Record...\", 1, 0)", "MenuAddSubItem(0, \"Stop...\", 5, 0)",
                           "MenuAddSubItem(0, \"About...\", 8, 0)"};

Lines Join(const Lines& a, const Lines& b) {
    Lines joined = a;
    joined.insert(joined.end(), b.begin(), b.end());
    return joined;
}

class SimLinkTest : public ModuleTest {
protected:
    // Starts with the replay buffer off, so the module stays Idle.
    void StartIdle() {
        WriteIni("SETTINGS", "RplyEnabled", "0");
        ASSERT_TRUE(StartModule());
        ASSERT_EQ(ModuleMode, uint32_t(Idle));
    }
};

TEST_F(SimLinkTest, OpenMessageRegistersEverythingInOrder) {
    WriteIni("SETTINGS", "RplyEnabled", "0");
    ASSERT_TRUE(StartModule());
    const Lines& calls = vsim::SimConnectCalls();

    Lines expected = {"Open(\"Kestrel\", null, 0, null, 0)", "CallDispatch(callback, null)",
                      "MenuAddItem(\"Kestrel\", 0, 0)"};
    expected.insert(expected.end(), IdleAdds.begin(), IdleAdds.end());
    const Lines rest = {
        "SubscribeToSystemEvent(9, \"Frame\")",
        "SubscribeToSystemEvent(10, \"FlightLoaded\")",
        "SubscribeToSystemEvent(11, \"AircraftLoaded\")",
        "SubscribeToSystemEvent(12, \"Paused\")",
        "SubscribeToSystemEvent(13, \"Unpaused\")",
        "SubscribeToSystemEvent(14, \"ObjectAdded\")",
        "SubscribeToSystemEvent(15, \"ObjectRemoved\")",
        "AddToDataDefinition(2, \"General Eng Combustion:1\", \"bool\", 4, 0, 4294967295)",
        "AddToDataDefinition(2, \"Sim On Ground\", \"bool\", 4, 0, 4294967295)",
        "AddToDataDefinition(2, \"Brake Parking Position\", \"position\", 4, 0, 4294967295)",
        "AddToDataDefinition(3, \"Static CG To Ground\", \"feet\", 4, 0, 4294967295)",
        "AddToDataDefinition(3, \"Title\", null, 9, 0, 4294967295)",
        "AddToDataDefinition(4, \"Zulu Year\", null, 4, 0, 4294967295)",
        "AddToDataDefinition(4, \"Zulu Day Of Year\", null, 4, 0, 4294967295)",
        "AddToDataDefinition(4, \"Zulu Time\", null, 4, 0, 4294967295)",
        "MapClientEventToSimEvent(16, \"PAUSE_ON\")",
        "MapClientEventToSimEvent(17, \"PAUSE_OFF\")",
        "MapClientEventToSimEvent(18, \"SIM_RATE_SET\")",
        "MapClientEventToSimEvent(19, \"NAV1_RADIO_SET\")",
        "MapClientEventToSimEvent(20, \"VOR1_SET\")",
        "MapClientEventToSimEvent(21, \"NAV2_RADIO_SET\")",
        "MapClientEventToSimEvent(22, \"VOR2_SET\")",
        "MapClientEventToSimEvent(23, \"ADF_COMPLETE_SET\")",
        "MapClientEventToSimEvent(24, \"COM_RADIO_SET\")",
        "MapClientEventToSimEvent(25, \"COM2_RADIO_SET\")",
        "MapClientEventToSimEvent(26, \"XPNDR_SET\")",
        "MapClientEventToSimEvent(27, \"FREEZE_LATITUDE_LONGITUDE_SET\")",
        "MapClientEventToSimEvent(28, \"FREEZE_ALTITUDE_SET\")",
        "MapClientEventToSimEvent(29, \"FREEZE_ATTITUDE_SET\")",
        "MapClientEventToSimEvent(30, \"REFRESH_SCENERY\")",
        "MapClientEventToSimEvent(31, \"PARKING_BRAKES\")",
        "RequestDataOnSimObject(1, 2, 0, 2, 1)",
        "RequestDataOnSimObject(2, 3, 0, 1, 0)",
    };
    expected.insert(expected.end(), rest.begin(), rest.end());
    ASSERT_GE(calls.size(), expected.size());
    EXPECT_EQ(Lines(calls.begin(), calls.begin() + long(expected.size())), expected);

    // Then the recording definition (0) and the playback definition (1), each built
    // the first time without clearing, and nothing else.
    size_t at = expected.size();
    size_t recording = 0, playback = 0;
    while (at < calls.size() && calls[at].rfind("AddToDataDefinition(0, ", 0) == 0) ++at, ++recording;
    while (at < calls.size() && calls[at].rfind("AddToDataDefinition(1, ", 0) == 0) ++at, ++playback;
    EXPECT_GT(recording, 10u);
    EXPECT_GT(playback, 10u);
    EXPECT_EQ(at, calls.size()) << calls[at < calls.size() ? at : 0];
    EXPECT_TRUE(CallsStartingWith("ClearDataDefinition(").empty());
    EXPECT_EQ(SimLinkRegistered, 1u);

    EXPECT_EQ(vsim::MenuTopText(), "Kestrel");
    EXPECT_EQ(vsim::MenuItems(), IdleItems);
    EXPECT_TRUE(vsim::SimConnectErrors().empty()) << vsim::SimConnectErrors().front();
}

TEST_F(SimLinkTest, SecondOpenMessageRegistersNothing) {
    StartIdle();
    size_t definitionsBefore = vsim::FindDataDefinition(2)->size();
    vsim::ClearSimConnectCalls();
    DeliverOpen();
    EXPECT_TRUE(vsim::SimConnectCalls().empty()) << vsim::SimConnectCalls().front();
    EXPECT_EQ(vsim::FindDataDefinition(2)->size(), definitionsBefore);
    EXPECT_EQ(vsim::MenuItems(), IdleItems);
    EXPECT_EQ(vsim::Menus().size(), 1u);
}

TEST_F(SimLinkTest, IdleToReplayBufferingDeletesAndAddsAllSeven) {
    // The replay buffer starts when the reply with the user's title arrives.
    ASSERT_TRUE(StartModule());
    EXPECT_EQ(ModuleMode, uint32_t(ReplayBuffering));
    Lines menuCalls;
    for (const std::string& call : vsim::SimConnectCalls()) {
        if (call.rfind("Menu", 0) == 0) menuCalls.push_back(call);
    }
    Lines expected = {"MenuAddItem(\"Kestrel\", 0, 0)"};
    expected = Join(Join(Join(expected, IdleAdds), IdleDeletes), IdleAdds);
    EXPECT_EQ(menuCalls, expected);
    EXPECT_EQ(vsim::MenuItems(), IdleItems);
}

TEST_F(SimLinkTest, EveryModeChangeRebuildsTheMenuInTableOrder) {
    StartIdle();
    struct Step {
        uint32_t mode;
        Lines adds;
        Lines deletes;  // what this mode's menu deletes when left
        Lines items;
    };
    const Step steps[] = {
        {ReplayBuffering, IdleAdds, IdleDeletes, IdleItems},
        {Recording, BusyAdds, BusyDeletes, BusyItems},
        {Idle, IdleAdds, IdleDeletes, IdleItems},
        {Playing, BusyAdds, BusyDeletes, BusyItems},
        {Idle, IdleAdds, IdleDeletes, IdleItems},
        {ReplayBuffering, IdleAdds, IdleDeletes, IdleItems},
        {Replaying, BusyAdds, BusyDeletes, BusyItems},
        {ReplayBuffering, IdleAdds, IdleDeletes, IdleItems},
        {Idle, IdleAdds, IdleDeletes, IdleItems},
        {PlayingTraffic, TrafficAdds, TrafficDeletes, TrafficItems},
        {RecordingWithTraffic, BusyAdds, BusyDeletes, BusyItems},
        {PlayingTraffic, TrafficAdds, TrafficDeletes, TrafficItems},
        {PlayingTraffic, TrafficAdds, TrafficDeletes, TrafficItems},  // same mode: rebuilt all the same
        {RecordingWithTraffic, BusyAdds, BusyDeletes, BusyItems},
        {Recording, BusyAdds, BusyDeletes, BusyItems},
        {Idle, IdleAdds, IdleDeletes, IdleItems},
    };
    Lines leaving = IdleDeletes;
    for (const Step& step : steps) {
        vsim::ClearSimConnectCalls();
        SetModuleMode(step.mode);
        EXPECT_EQ(ModuleMode, step.mode);
        EXPECT_EQ(vsim::SimConnectCalls(), Join(leaving, step.adds)) << "to mode " << step.mode;
        EXPECT_EQ(vsim::MenuItems(), step.items) << "to mode " << step.mode;
        EXPECT_TRUE(vsim::SimConnectErrors().empty()) << vsim::SimConnectErrors().front();
        leaving = step.deletes;
    }
}

TEST_F(SimLinkTest, TrafficPlaybackOffersRecordAndRecordingBesideItDoesNot) {
    StartIdle();
    SetModuleMode(PlayingTraffic);
    EXPECT_EQ(vsim::MenuItems(), TrafficItems);
    SetModuleMode(RecordingWithTraffic);
    EXPECT_EQ(vsim::MenuItems(), BusyItems);
    EXPECT_FALSE(Menu("Record..."));
}

}  // namespace
