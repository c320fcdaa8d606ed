// The module's entry and lifecycle: the main-window hook at attach and detach, the
// paths and the three failures of DLLStart, DLLStop in each mode (including a
// recording beside traffic playback), and a host that never filled in Panels.
#include <filesystem>
#include <string>
#include <vector>

#include "module/dispatch.h"
#include "module/entry.h"
#include "module/simlink.h"
#include "module/versioncheck.h"
#include "playback/position.h"
#include "recording/recorder.h"
#include "recording/sample.h"
#include "recording/track.h"
#include "tests/support/module_fixture.h"
#include "tests/support/session_helpers.h"
#include "ui/config.h"
#include "ui/controlwindow.h"
#include "ui/keyboard.h"
#include "vsim/sim/aircraft.h"
#include "vsim/sim/hostdlls.h"
#include "vsim/sim/panels.h"
#include "vsim/sim/simconnect.h"
#include "vsim/sim/simhost.h"
#include "vsim/sim/simulator.h"
#include "vsim/win32/modules.h"
#include "vsim/win32/scripted_user.h"

namespace {

using Lines = std::vector<std::string>;

const char InitFailedText[] =
    "A problem occurred during initialization of the Kestrel Module! The Kestrel has to be disabled.";
const char SimConnectFailedText[] =
    "A problem occurred during SimConnect initialization of the Kestrel Module! The Kestrel will not be available.";

LONG_PTR MainWindowProcedure() {
    return GetWindowLongPtrA(vsim::MainWindowHandle(), GWLP_WNDPROC);
}

uint32_t Word(const std::vector<uint8_t>& bytes, size_t at) {
    return bytes[at] | bytes[at + 1] << 8 | bytes[at + 2] << 16 | uint32_t(bytes[at + 3]) << 24;
}

class EntryTest : public ModuleTest {};

// ---- Attach and detach ----

TEST_F(EntryTest, AttachHooksTheMainWindowAndDetachRestoresIt) {
    HWND main = vsim::MainWindowHandle();
    ASSERT_TRUE(ModuleAttach(instance_, DLL_PROCESS_ATTACH, nullptr));
    EXPECT_EQ(ModuleInstance, instance_);
    EXPECT_EQ(MainWindow, main);
    EXPECT_EQ(MainWindowProcedure(), (LONG_PTR)MainWindowHook);
    EXPECT_EQ(MainWindowPrevProc, (WNDPROC)vsim::HostMainWindowProc);

    // Thread notifications change nothing.
    EXPECT_TRUE(ModuleAttach(instance_, DLL_THREAD_ATTACH, nullptr));
    EXPECT_TRUE(ModuleAttach(instance_, DLL_THREAD_DETACH, nullptr));
    EXPECT_EQ(MainWindowProcedure(), (LONG_PTR)MainWindowHook);

    EXPECT_TRUE(ModuleAttach(instance_, DLL_PROCESS_DETACH, nullptr));
    EXPECT_EQ(MainWindowProcedure(), (LONG_PTR)vsim::HostMainWindowProc);
    EXPECT_TRUE(vsim::user::MessageBoxes().empty());
    EXPECT_TRUE(vsim::SimConnectCalls().empty());
}

TEST_F(EntryTest, WithoutTheMainWindowTheLoadIsRefused) {
    DestroyWindow(vsim::MainWindowHandle());
    EXPECT_FALSE(StartModule());
    const auto& boxes = vsim::user::MessageBoxes();
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].text.rfind("FS main window could not be found! ", 0), 0u) << boxes[0].text;
    EXPECT_EQ(boxes[0].caption, "Kestrel Module");
    EXPECT_EQ(boxes[0].type, UINT(MB_OK | MB_ICONERROR));
    EXPECT_EQ(boxes[0].owner, nullptr);
}

// ---- DLLStart ----

TEST_F(EntryTest, StartDerivesThePathsAndRunsWithTheLink) {
    WriteIni("SETTINGS", "RplyItvl", "1000");
    ASSERT_TRUE(StartModule());
    EXPECT_STREQ(ModuleDir, "C:\\Sim\\Modules\\");
    EXPECT_STREQ(IniPath, "C:\\Sim\\Modules\\Kestrel.ini");
    EXPECT_EQ(Settings.RplyItvl, 1000u);
    EXPECT_NE(ControlWindow, nullptr);
    EXPECT_FALSE(IsWindowVisible(ControlWindow));
    EXPECT_TRUE(vsim::IsSimConnectOpen());
    EXPECT_EQ(vsim::SimConnectClientName(), "Kestrel");
    EXPECT_EQ(MainWindowProcedure(), (LONG_PTR)MainWindowHook);
    EXPECT_EQ(UserObjectId, 1u);
    EXPECT_EQ(AircraftList.capacity, 10u);
    EXPECT_TRUE(vsim::user::MessageBoxes().empty());
}

TEST_F(EntryTest, ModuleFileNameWithoutFolderGivesAnEmptyModuleDir) {
    vsim::win32::SetModuleFileName(instance_, "KestrelFSX.dll");
    // The bare ini name is the one Windows looks up in its own folder.
    std::filesystem::create_directories(HostPath("C:\\Windows"));
    WritePrivateProfileStringA("SETTINGS", "RplyItvl", "2000", "Kestrel.ini");
    ASSERT_TRUE(StartModule());
    EXPECT_STREQ(ModuleDir, "");
    EXPECT_STREQ(IniPath, "Kestrel.ini");
    EXPECT_EQ(Settings.RplyItvl, 2000u);
}

TEST_F(EntryTest, DecliningTheVersionCheckLeavesTheModuleInert) {
    vsim::FindHostDll("sim1.dll")->version[2] = 61000;
    vsim::InstallHostEntries();
    vsim::user::OnMessage("This version of Kestrel", vsim::user::AnswerCancel);
    ASSERT_TRUE(StartModule());
    ASSERT_EQ(vsim::user::MessageBoxes().size(), 1u);  // the question, nothing after it
    EXPECT_EQ(vsim::user::MessageBoxes()[0].answer, IDCANCEL);
    EXPECT_EQ(MainWindowProcedure(), (LONG_PTR)vsim::HostMainWindowProc);
    EXPECT_TRUE(vsim::SimConnectCalls().empty());
    EXPECT_EQ(ControlWindow, nullptr);
    EXPECT_EQ(AircraftList.ids, nullptr);

    StopModule();
    EXPECT_TRUE(vsim::SimConnectCalls().empty());
    EXPECT_EQ(vsim::user::MessageBoxes().size(), 1u);
    EXPECT_EQ(MainWindowProcedure(), (LONG_PTR)vsim::HostMainWindowProc);
}

TEST_F(EntryTest, FailedVersionCheckIsReportedAndLeavesTheModuleInert) {
    vsim::FindHostDll("api.dll")->loaded = false;
    ASSERT_TRUE(StartModule());
    const auto& boxes = vsim::user::MessageBoxes();
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].text, InitFailedText);
    EXPECT_EQ(boxes[0].caption, "Kestrel Module");
    EXPECT_EQ(boxes[0].type, UINT(MB_OK | MB_ICONERROR));
    EXPECT_EQ(boxes[0].owner, nullptr);
    EXPECT_EQ(MainWindowProcedure(), (LONG_PTR)vsim::HostMainWindowProc);
    EXPECT_TRUE(vsim::SimConnectCalls().empty());
    StopModule();
    EXPECT_TRUE(vsim::SimConnectCalls().empty());
    EXPECT_EQ(vsim::user::MessageBoxes().size(), 1u);
}

TEST_F(EntryTest, FailedSimConnectOpenRunsWithoutLinkAndStopClosesNothing) {
    WriteIni("SETTINGS", "RplyItvl", "125");
    WriteIni("SETTINGS", "NoRecDlg", "1");
    WriteIni("KEYBOARD", "Record", "117");  // F6
    WriteIni("KEYBOARD", "Play", "118");    // F7
    vsim::FailNext(vsim::FailSimConnectOpen);
    ASSERT_TRUE(StartModule());
    const auto& boxes = vsim::user::MessageBoxes();
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].text, SimConnectFailedText);
    EXPECT_EQ(boxes[0].caption, "Kestrel Module");
    EXPECT_EQ(boxes[0].type, UINT(MB_OK | MB_ICONERROR));
    EXPECT_EQ(boxes[0].owner, nullptr);
    // Settings, control window and key hook are there; no link.
    EXPECT_EQ(Settings.RplyItvl, 125u);
    EXPECT_NE(ControlWindow, nullptr);
    EXPECT_EQ(MainWindowProcedure(), (LONG_PTR)MainWindowHook);
    EXPECT_EQ(SimConnectHandle, nullptr);
    EXPECT_EQ(vsim::SimConnectCalls(), Lines{"Open(\"Kestrel\", null, 0, null, 0)"});
    // Nothing records or plays: the keys do nothing and reach the simulator.
    Key("F6");
    Key("F7");
    EXPECT_EQ(ModuleMode, (uint32_t)Idle);

    StopModule();
    EXPECT_EQ(vsim::SimConnectCalls(), Lines{"Open(\"Kestrel\", null, 0, null, 0)"});
    EXPECT_EQ(vsim::user::MessageBoxes().size(), 1u);
    std::vector<std::string> files;
    for (const auto& entry : std::filesystem::directory_iterator(HostPath("C:\\Sim\\Modules"))) {
        files.push_back(entry.path().filename().string());
    }
    EXPECT_EQ(files, Lines{"Kestrel.ini"}) << "no recording written at the unload";
}

TEST_F(EntryTest, ASecondLoadInOneProcessBehavesLikeTheFirst) {
    for (int load = 0; load < 2; ++load) {
        ASSERT_TRUE(StartModule());
        vsim::LoadFlight();
        Frames(5);
        EXPECT_EQ(ModuleMode, (uint32_t)ReplayBuffering) << "load " << load;
        EXPECT_EQ(vsim::MenuItems(), (Lines{"Record...", "Play...", "Play as traffic...", "Replay...", "Settings...",
                                            "Keyboard...", "About..."}))
            << "load " << load;
        ASSERT_TRUE(RecordUserFlight("C:\\Sim\\load" + std::to_string(load) + ".frc", 5.0)) << "load " << load;
        EXPECT_TRUE(FileExists("C:\\Sim\\load" + std::to_string(load) + ".frc"));
        StopModule();
    }
}

// ---- DLLStop ----

TEST_F(EntryTest, StopInIdleOnlyReleasesTheListAndCloses) {
    WriteIni("SETTINGS", "RplyEnabled", "0");
    ASSERT_TRUE(StartModule());
    ASSERT_EQ(ModuleMode, uint32_t(Idle));
    AddAircraft(20);
    vsim::ClearSimConnectCalls();
    DLLStop();
    EXPECT_EQ(vsim::SimConnectCalls(), Lines{"Close()"});
    EXPECT_EQ(AircraftList.ids, nullptr);
    EXPECT_EQ(AircraftList.count, 0u);
    EXPECT_EQ(ModuleMode, uint32_t(Idle));
    EXPECT_FALSE(vsim::IsSimConnectOpen());
    EXPECT_TRUE(vsim::user::MessageBoxes().empty());
    // The control window stays; detach then restores the main window's procedure.
    EXPECT_NE(ControlWindow, nullptr);
    ModuleAttach(instance_, DLL_PROCESS_DETACH, nullptr);
    EXPECT_EQ(MainWindowProcedure(), (LONG_PTR)vsim::HostMainWindowProc);
}

TEST_F(EntryTest, StopInReplayBufferingOnlyStopsTheBuffer) {
    ASSERT_TRUE(StartModule());
    ASSERT_EQ(ModuleMode, uint32_t(ReplayBuffering));
    Seconds(2);
    vsim::ClearSimConnectCalls();
    DLLStop();
    // The buffer's stop sets Idle through the mode setter, then the link closes.
    Lines expected;
    for (uint32_t id : {1, 2, 3, 4, 6, 7, 8}) expected.push_back("MenuDeleteSubItem(0, " + std::to_string(id) + ")");
    for (const char* item : {"\"Record...\", 1", "\"Play...\", 2", "\"Play as traffic...\", 3", "\"Replay...\", 4",
                             "\"Settings...\", 6", "\"Keyboard...\", 7", "\"About...\", 8"}) {
        expected.push_back(std::string("MenuAddSubItem(0, ") + item + ", 0)");
    }
    expected.push_back("Close()");
    EXPECT_EQ(vsim::SimConnectCalls(), expected);
    EXPECT_EQ(TrackTable.count, 0u);
    EXPECT_EQ(ModuleMode, uint32_t(Idle));
    EXPECT_TRUE(vsim::user::MessageBoxes().empty());
}

TEST_F(EntryTest, StopWhileRecordingSavesThroughTheSaveDialog) {
    ASSERT_TRUE(StartModule());
    AcceptRecordDialog();
    ASSERT_TRUE(Menu("Record..."));
    Seconds(3);
    vsim::user::OnSave("C:\\Sim\\Modules\\at-shutdown.frc");
    DLLStop();
    std::vector<uint8_t> file = ReadBytes("C:\\Sim\\Modules\\at-shutdown.frc");
    ASSERT_GE(file.size(), 18u + 124u);
    EXPECT_EQ(Word(file, 0), 0x01000006u);
    EXPECT_EQ(file[16] | file[17] << 8, 1);
    EXPECT_GT(Word(file, 18), 5u);  // the user track's sample count
    EXPECT_FALSE(FileExists("C:\\Sim\\Modules\\Kestrel1.tmp"));
    EXPECT_EQ(ModuleMode, uint32_t(Idle));
    EXPECT_EQ(vsim::SimConnectCalls().back(), "Close()");
    EXPECT_TRUE(vsim::user::MessageBoxes().empty());
}

TEST_F(EntryTest, StopWhileRecordingWithTheSaveCancelledDiscardsWithoutAsking) {
    ASSERT_TRUE(StartModule());
    AcceptRecordDialog();
    ASSERT_TRUE(Menu("Record..."));
    Seconds(3);
    vsim::user::OnSaveCancel();
    DLLStop();
    EXPECT_TRUE(vsim::user::MessageBoxes().empty());  // no "Do you want to continue recording?"
    EXPECT_FALSE(FileExists("C:\\Sim\\Modules\\Kestrel1.tmp"));
    EXPECT_EQ(TrackTable.count, 0u);
    EXPECT_EQ(ModuleMode, uint32_t(Idle));
    EXPECT_EQ(vsim::SimConnectCalls().back(), "Close()");
}

TEST_F(EntryTest, StopWhileRecordingWithoutDialogsSavesUnderTheDefaultName) {
    WriteIni("SETTINGS", "NoRecDlg", "1");
    ASSERT_TRUE(StartModule());
    ASSERT_TRUE(Menu("Record..."));
    Seconds(3);
    char path[MAX_PATH];
    FormatDefaultRecordingName(path, sizeof(path));
    DLLStop();
    EXPECT_EQ(std::string(path).rfind("C:\\Sim\\Modules\\Rec_2024-", 0), 0u) << path;
    EXPECT_TRUE(FileExists(path)) << path;
    EXPECT_TRUE(vsim::user::MessageBoxes().empty());
}

TEST_F(EntryTest, StopDuringPlaybackEndsItAndFreesTheUserAircraft) {
    ASSERT_TRUE(StartModule());
    ASSERT_TRUE(RecordUserFlight("C:\\Sim\\Modules\\flight.frc", 10));
    vsim::user::OnOpen({"C:\\Sim\\Modules\\flight.frc"});
    ASSERT_TRUE(Menu("Play..."));
    ASSERT_EQ(ModuleMode, uint32_t(Playing));
    Seconds(2);
    ASSERT_TRUE(vsim::IsFrozen(vsim::UserAircraftId(), 0));
    vsim::ClearSimConnectCalls();
    DLLStop();
    EXPECT_EQ(ModuleMode, uint32_t(Idle));
    EXPECT_FALSE(vsim::IsFrozen(vsim::UserAircraftId(), 0));
    EXPECT_EQ(CallsStartingWith("TransmitClientEvent(0, 16, "), Lines{"TransmitClientEvent(0, 16, 0, 1, 16)"});
    EXPECT_EQ(TrackTable.count, 0u);
    EXPECT_EQ(vsim::SimConnectCalls().back(), "Close()");
    EXPECT_TRUE(vsim::user::MessageBoxes().empty());
}

TEST_F(EntryTest, StopDuringReplayEndsItAndStopsTheBuffer) {
    ASSERT_TRUE(StartModule());
    Seconds(20);
    vsim::user::OnDialog(103, [](HWND dialog) { SendMessageA(dialog, WM_COMMAND, IDOK, 0); });
    ASSERT_TRUE(Menu("Replay..."));
    ASSERT_EQ(ModuleMode, uint32_t(Replaying));
    Seconds(2);
    ASSERT_TRUE(vsim::IsFrozen(vsim::UserAircraftId(), 0));
    vsim::ClearSimConnectCalls();
    DLLStop();
    EXPECT_EQ(ModuleMode, uint32_t(Idle));
    EXPECT_FALSE(vsim::IsFrozen(vsim::UserAircraftId(), 0));
    EXPECT_EQ(TrackTable.count, 0u);  // the buffer it returned to is stopped too
    EXPECT_EQ(vsim::SimConnectCalls().back(), "Close()");
    EXPECT_TRUE(vsim::user::MessageBoxes().empty());
}

TEST_F(EntryTest, StopDuringTrafficPlaybackLeavesTheAircraftToTheSimulator) {
    ASSERT_TRUE(StartModule());
    ASSERT_TRUE(RecordUserFlight("C:\\Sim\\Modules\\traffic.frc", 10));
    vsim::user::OnOpen({"C:\\Sim\\Modules\\traffic.frc"});
    ASSERT_TRUE(Menu("Play as traffic..."));
    ASSERT_EQ(ModuleMode, uint32_t(PlayingTraffic));
    Seconds(2);
    ASSERT_EQ(TrackTable.count, 1u);
    uint32_t traffic = TrackTable.entries[0].objectId;
    ASSERT_TRUE(vsim::AircraftExists(traffic));
    vsim::ClearSimConnectCalls();
    DLLStop();
    EXPECT_TRUE(vsim::AircraftExists(traffic));
    EXPECT_TRUE(CallsStartingWith("AIRemoveObject(").empty());
    EXPECT_EQ(ModuleMode, uint32_t(Idle));
    EXPECT_EQ(TrackTable.count, 0u);
    EXPECT_EQ(vsim::SimConnectCalls().back(), "Close()");
}

TEST_F(EntryTest, StopSavesARecordingRunningBesideTrafficPlayback) {
    ASSERT_TRUE(StartModule());
    ASSERT_TRUE(RecordUserFlight("C:\\Sim\\Modules\\traffic.frc", 30));
    vsim::user::OnOpen({"C:\\Sim\\Modules\\traffic.frc"});
    ASSERT_TRUE(Menu("Play as traffic..."));
    ASSERT_EQ(ModuleMode, uint32_t(PlayingTraffic));
    Seconds(2);
    ASSERT_EQ(TrackTable.count, 1u);
    uint32_t traffic = TrackTable.entries[0].objectId;
    ASSERT_TRUE(vsim::AircraftExists(traffic));
    ASSERT_NE(traffic, vsim::UserAircraftId());

    AcceptRecordDialog();
    ASSERT_TRUE(Menu("Record..."));
    ASSERT_EQ(ModuleMode, uint32_t(RecordingWithTraffic));
    Seconds(3);
    // Loading a flight does not end a recording beside traffic.
    vsim::LoadFlight();
    ASSERT_EQ(ModuleMode, uint32_t(RecordingWithTraffic));
    Seconds(1);

    vsim::user::OnSave("C:\\Sim\\Modules\\beside-traffic.frc");
    vsim::ClearSimConnectCalls();
    DLLStop();
    std::vector<uint8_t> file = ReadBytes("C:\\Sim\\Modules\\beside-traffic.frc");
    ASSERT_GE(file.size(), 18u + 124u);
    EXPECT_EQ(Word(file, 0), 0x01000006u);
    EXPECT_EQ(file[16] | file[17] << 8, 1);
    EXPECT_GT(Word(file, 18), 10u);
    EXPECT_FALSE(FileExists("C:\\Sim\\Modules\\Kestrel1.tmp"));
    // The traffic aircraft stays with the simulator.
    EXPECT_TRUE(vsim::AircraftExists(traffic));
    EXPECT_TRUE(CallsStartingWith("AIRemoveObject(").empty());
    EXPECT_EQ(ModuleMode, uint32_t(Idle));
    EXPECT_EQ(TrackTable.count, 0u);
    EXPECT_EQ(vsim::SimConnectCalls().back(), "Close()");
    EXPECT_TRUE(vsim::user::MessageBoxes().empty());
}

// ---- Panels ----

// The lights word of every sample the user's recording track holds in its buffer.
std::vector<uint16_t> RecordedLights() {
    std::vector<uint16_t> lights;
    const Track* track = &TrackTable.entries[0];
    for (uint32_t i = 0; i < track->bufferIndex; ++i) {
        FullSample full;
        memset(&full, 0, sizeof(full));
        UnpackSample(track->buffer + size_t(i) * track->layout.recordSize, &track->layout, track->groups, &full);
        lights.push_back(GetSampleU16(&full, FieldLights));
    }
    return lights;
}

TEST_F(EntryTest, LevelDRecordingWithoutPanelsRecordsTheSimulatorsLights) {
    WriteIni("SETTINGS", "NoRecDlg", "1");
    ASSERT_TRUE(StartModule());
    Panels = nullptr;  // the host never filled it in
    vsim::LoadAircraft("Level-D Simulations B767-300ER", 15.0);
    ASSERT_EQ(IsLevelD767, 1u);
    vsim::SetAircraftLights(vsim::UserAircraftId(), 0x005);  // nav and landing
    vsim::SetPanelVariable("LVLDLightBeaconSwitch", 1.0);
    ASSERT_TRUE(Menu("Record..."));
    Seconds(2);
    std::vector<uint16_t> lights = RecordedLights();
    ASSERT_GT(lights.size(), 4u);
    for (uint16_t word : lights) EXPECT_EQ(word, 0x005);
    vsim::PanelServiceCounts calls = vsim::PanelServiceCalls();
    EXPECT_EQ(calls.lookUps + calls.reads + calls.writes, 0u);
    ASSERT_TRUE(Menu("Stop..."));
    EXPECT_EQ(ModuleMode, uint32_t(ReplayBuffering));
}

TEST_F(EntryTest, LevelDRecordingWithPanelsRecordsTheLevelDSwitches) {
    WriteIni("SETTINGS", "NoRecDlg", "1");
    ASSERT_TRUE(StartModule());
    vsim::LoadAircraft("Level-D Simulations B767-300ER", 15.0);
    vsim::SetAircraftLights(vsim::UserAircraftId(), 0x005);
    vsim::SetPanelVariable("LVLDLightBeaconSwitch", 1.0);
    ASSERT_TRUE(Menu("Record..."));
    Seconds(2);
    std::vector<uint16_t> lights = RecordedLights();
    ASSERT_GT(lights.size(), 4u);
    for (uint16_t word : lights) EXPECT_EQ(word, 0x8002);  // the Level-D form: beacon only
    EXPECT_GT(vsim::PanelServiceCalls().reads, 0u);
}

TEST_F(EntryTest, LevelDPlaybackWithoutPanelsSkipsTheSwitches) {
    WriteIni("SETTINGS", "NoRecDlg", "1");
    ASSERT_TRUE(StartModule());
    vsim::LoadAircraft("Level-D Simulations B767-300ER", 15.0);
    vsim::SetPanelVariable("LVLDLightBeaconSwitch", 1.0);
    ASSERT_TRUE(Menu("Record..."));
    Seconds(5);
    char path[MAX_PATH];
    FormatDefaultRecordingName(path, sizeof(path));
    ASSERT_TRUE(Menu("Stop..."));
    ASSERT_TRUE(FileExists(path));

    Panels = nullptr;
    vsim::SetPanelVariable("LVLDLightBeaconSwitch", 0.0);
    vsim::PanelServiceCounts before = vsim::PanelServiceCalls();
    vsim::user::OnOpen({path});
    ASSERT_TRUE(Menu("Play..."));
    ASSERT_EQ(ModuleMode, uint32_t(Playing));
    Seconds(2);
    vsim::PanelServiceCounts after = vsim::PanelServiceCalls();
    EXPECT_EQ(after.lookUps, before.lookUps);
    EXPECT_EQ(after.writes, before.writes);
    EXPECT_EQ(vsim::GetPanelVariable("LVLDLightBeaconSwitch"), 0.0);
    EXPECT_EQ(ModuleMode, uint32_t(Playing));
}

TEST_F(EntryTest, LevelDPlaybackWithPanelsSetsTheSwitches) {
    WriteIni("SETTINGS", "NoRecDlg", "1");
    ASSERT_TRUE(StartModule());
    vsim::LoadAircraft("Level-D Simulations B767-300ER", 15.0);
    vsim::SetPanelVariable("LVLDLightBeaconSwitch", 1.0);
    ASSERT_TRUE(Menu("Record..."));
    Seconds(5);
    char path[MAX_PATH];
    FormatDefaultRecordingName(path, sizeof(path));
    ASSERT_TRUE(Menu("Stop..."));

    vsim::SetPanelVariable("LVLDLightBeaconSwitch", 0.0);
    vsim::user::OnOpen({path});
    ASSERT_TRUE(Menu("Play..."));
    Seconds(2);
    EXPECT_EQ(vsim::GetPanelVariable("LVLDLightBeaconSwitch"), 1.0);
}

}  // namespace
