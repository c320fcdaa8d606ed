// The sim commands the other subsystems use: the exact SimConnect calls of each
// (events, groups, flags, requests), the sim state cache readers, the simulation rate
// without the host's rate entry, the multiplayer test and the aircraft list walk.
#include <string>
#include <vector>

#include "module/dispatch.h"
#include "module/simcommands.h"
#include "module/simlink.h"
#include "module/versioncheck.h"
#include "tests/support/dispatch_records.h"
#include "tests/support/module_fixture.h"
#include "vsim/sim/aircraft.h"
#include "vsim/sim/hostdlls.h"
#include "vsim/sim/simconnect.h"
#include "vsim/sim/simulator.h"

namespace {

using Lines = std::vector<std::string>;

class SimCommandsTest : public ModuleTest {
protected:
    void SetUp() override {
        ModuleTest::SetUp();
        WriteIni("SETTINGS", "RplyEnabled", "0");
        ASSERT_TRUE(StartModule());
        vsim::ClearSimConnectCalls();
    }
    // The calls made since the last look, and forgets them.
    Lines TakeCalls() {
        Lines calls = vsim::SimConnectCalls();
        vsim::ClearSimConnectCalls();
        return calls;
    }
};

TEST_F(SimCommandsTest, SendSimPauseSendsPauseOnForAnyNonZeroValue) {
    SendSimPause(1);
    EXPECT_EQ(TakeCalls(), Lines{"TransmitClientEvent(0, 16, 0, 1, 16)"});
    EXPECT_TRUE(vsim::IsPaused());
    SendSimPause(0);
    EXPECT_EQ(TakeCalls(), Lines{"TransmitClientEvent(0, 17, 0, 1, 16)"});
    EXPECT_FALSE(vsim::IsPaused());
    SendSimPause(2);
    SendSimPause(0x80000000u);
    SendSimPause(0xFFFFFFFFu);
    EXPECT_EQ(TakeCalls(), (Lines{"TransmitClientEvent(0, 16, 0, 1, 16)", "TransmitClientEvent(0, 16, 0, 1, 16)",
                                  "TransmitClientEvent(0, 16, 0, 1, 16)"}));
    EXPECT_TRUE(vsim::IsPaused());
}

TEST_F(SimCommandsTest, FreezeAndUnfreezeSendTheThreeFlagsInOrder) {
    uint32_t ai = vsim::AddAi("Beech Baron 58", "orbit");
    ASSERT_NE(ai, 0u);
    vsim::ClearSimConnectCalls();
    FreezeObject(ai);
    std::string id = std::to_string(ai);
    EXPECT_EQ(TakeCalls(), (Lines{"TransmitClientEvent(" + id + ", 27, 1, 1, 16)",
                                  "TransmitClientEvent(" + id + ", 28, 1, 1, 16)",
                                  "TransmitClientEvent(" + id + ", 29, 1, 1, 16)"}));
    for (int which = 0; which < 3; ++which) EXPECT_TRUE(vsim::IsFrozen(ai, which)) << which;
    EXPECT_FALSE(vsim::IsFrozen(vsim::UserAircraftId(), 0));

    UnfreezeObject(ai);
    EXPECT_EQ(TakeCalls(), (Lines{"TransmitClientEvent(" + id + ", 27, 0, 1, 16)",
                                  "TransmitClientEvent(" + id + ", 28, 0, 1, 16)",
                                  "TransmitClientEvent(" + id + ", 29, 0, 1, 16)"}));
    for (int which = 0; which < 3; ++which) EXPECT_FALSE(vsim::IsFrozen(ai, which)) << which;
    EXPECT_TRUE(vsim::SimConnectErrors().empty()) << vsim::SimConnectErrors().front();
}

TEST_F(SimCommandsTest, DialogModeAndOneTimeRequests) {
    EnterDialogMode();
    EXPECT_TRUE(vsim::DialogModeOn());
    LeaveDialogMode();
    EXPECT_FALSE(vsim::DialogModeOn());
    RequestZuluDateTime();
    RequestObjectTitle(77);
    EXPECT_EQ(RequestSampleData(1), 1u);
    EXPECT_EQ(TakeCalls(), (Lines{"SetSystemState(\"DialogMode\", 1)", "SetSystemState(\"DialogMode\", 0)",
                                  "RequestDataOnSimObject(5, 4, 0, 1, 0)", "RequestDataOnSimObject(3, 3, 77, 1, 0)",
                                  "RequestDataOnSimObject(0, 0, 1, 1, 0)"}));
}

TEST_F(SimCommandsTest, ZuluRequestReplySetsTheStamp) {
    // The simulated world starts on day 172 of 2024 at 12:00:00 Zulu.
    ZuluStamp = 0;
    RequestZuluDateTime();
    vsim::PumpSimConnect();
    EXPECT_EQ(ZuluStamp, ((2024u - 1900u) * 366u + 172u) * 86400u + 43200u);
}

TEST_F(SimCommandsTest, ApplySimRateWithoutTheHostEntryOnlyStoresTheRate) {
    SimRateEntry = nullptr;
    ApplySimRate(768);
    EXPECT_EQ(GetSimRate(), 768);
    EXPECT_EQ(vsim::SimRateMultiplier(), 1.0);  // the simulator's own rate did not change
    EXPECT_TRUE(TakeCalls().empty());
    Frames(1);  // a frame at the normal rate overwrites it
    EXPECT_EQ(GetSimRate(), 256);
}

TEST_F(SimCommandsTest, ApplySimRateWithTheHostEntrySetsTheSimulatorsRate) {
    ASSERT_NE(SimRateEntry, nullptr);
    ApplySimRate(512);
    EXPECT_EQ(GetSimRate(), 512);
    EXPECT_EQ(vsim::SimRateMultiplier(), 2.0);
    Frames(1);
    EXPECT_EQ(GetSimRate(), 512);
    ApplySimRate(256);
    EXPECT_EQ(vsim::SimRateMultiplier(), 1.0);
}

HWND CreateHostWindow(const char* className, const char* title) {
    WNDCLASSEXA windowClass = {};
    windowClass.cbSize = sizeof windowClass;
    windowClass.lpfnWndProc = DefWindowProcA;
    windowClass.lpszClassName = className;
    RegisterClassExA(&windowClass);
    return CreateWindowExA(0, className, title, WS_OVERLAPPED, 0, 0, 200, 100, nullptr, nullptr, nullptr, nullptr);
}

TEST_F(SimCommandsTest, MultiplayerIsSeenByEitherOnlineContactsWindow) {
    EXPECT_EQ(IsMultiplayerRunning(), 0u);
    // Windows of the right classes with other titles, or the title on another class.
    HWND otherTitle = CreateHostWindow("FS98FLOAT", "Map");
    HWND otherChild = CreateHostWindow("FS98CHILD", "Kneeboard");
    HWND otherClass = CreateHostWindow("KestrelTestWindow", "Online Contacts");
    ASSERT_TRUE(otherTitle && otherChild && otherClass);
    EXPECT_EQ(IsMultiplayerRunning(), 0u);

    HWND child = CreateHostWindow("FS98CHILD", "Online Contacts");
    ASSERT_NE(child, nullptr);
    EXPECT_EQ(IsMultiplayerRunning(), 1u);
    DestroyWindow(child);
    EXPECT_EQ(IsMultiplayerRunning(), 0u);

    HWND floating = CreateHostWindow("FS98FLOAT", "Online Contacts");
    ASSERT_NE(floating, nullptr);
    EXPECT_EQ(IsMultiplayerRunning(), 1u);
    EXPECT_TRUE(TakeCalls().empty());
}

TEST_F(SimCommandsTest, GroundAndEngineStateBeforeAndAfterTheFirstReply) {
    uint8_t onGround = 0xEE, engine = 0xEE;
    EXPECT_EQ(GetGroundAndEngineState(&onGround, &engine), 1u);
    EXPECT_EQ(onGround, 0);
    EXPECT_EQ(engine, 0);
    // The parked aircraft stands on the ground with its engine off; request 1 answers
    // from the first frame on.
    Frames(1);
    EXPECT_EQ(GetGroundAndEngineState(&onGround, &engine), 1u);
    EXPECT_EQ(onGround, 1);
    EXPECT_EQ(engine, 0);
}

TEST_F(SimCommandsTest, StateCacheReaders) {
    EXPECT_EQ(IsSimPaused(), 0u);
    vsim::SetPaused(true);
    EXPECT_EQ(IsSimPaused(), 1u);
    vsim::SetPaused(false);
    EXPECT_EQ(IsSimPaused(), 0u);

    vsim::LoadAircraft("Cessna Skyhawk 172SP", 4.25);
    EXPECT_STREQ(GetUserTitle(), "Cessna Skyhawk 172SP");
    EXPECT_EQ(GetUserTitle(), UserTitle);  // the cache itself, not a copy
    EXPECT_EQ(GetUserCgHeight(), 4.25f);
}

TEST_F(SimCommandsTest, NextAircraftIdWalksTheListAndWrapsToTheUser) {
    // Only the user's aircraft: its own id again.
    EXPECT_EQ(NextAircraftId(1), 1u);
    EXPECT_EQ(NextAircraftId(5), 0u);
    AddAircraft(101);
    AddAircraft(102);
    AddAircraft(103);
    EXPECT_EQ(NextAircraftId(1), 101u);
    EXPECT_EQ(NextAircraftId(101), 102u);
    EXPECT_EQ(NextAircraftId(102), 103u);
    EXPECT_EQ(NextAircraftId(103), 1u);  // the last entry leads back to entry 0
    EXPECT_EQ(NextAircraftId(104), 0u);  // not in the list
    EXPECT_EQ(NextAircraftId(0), 0u);
    // Out of walking order and after the list shrank under a walk.
    EXPECT_EQ(NextAircraftId(102), 103u);
    RemoveAircraft(103);
    EXPECT_EQ(NextAircraftId(102), 1u);
    EXPECT_EQ(NextAircraftId(101), 102u);
    EXPECT_EQ(NextAircraftId(103), 0u);
    ReleaseAircraftList();
    EXPECT_EQ(NextAircraftId(1), 0u);  // an empty list
}

}  // namespace
