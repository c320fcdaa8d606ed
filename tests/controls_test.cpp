// The playback controls on a running playback: jumps, press-and-hold searches with
// their simulation rates, speed steps, loops with the slider's marks and the "~" box,
// seeking with the slider, and the height correction.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "module/dispatch.h"
#include "module/entry.h"
#include "module/simcommands.h"
#include "module/simlink.h"
#include "playback/controls.h"
#include "playback/player.h"
#include "playback/position.h"
#include "recording/recorder.h"
#include "recording/track.h"
#include "tests/support/playback_helpers.h"
#include "ui/config.h"
#include "ui/controlwindow.h"
#include "vsim/sim/aircraft.h"
#include "vsim/sim/hostdlls.h"
#include "vsim/sim/simulator.h"
#include "vsim/win32/win32emu.h"

namespace {

class ControlsTest : public PlaybackTest {
protected:
    // Starts the module and plays a 100 s recording running from `start` (1/10000 s).
    void StartPlaying(uint32_t start = 0) {
        ASSERT_TRUE(StartModule());
        PutRecording("C:\\Sim\\Recs\\hundred.frc", {LineTrack("Hundred", start, start + 1000000)});
        ASSERT_TRUE(Play({"C:\\Sim\\Recs\\hundred.frc"}));
        ASSERT_EQ(ModuleMode, (uint32_t)Playing);
        Frames(2);
        PositionJumped = 0;
    }
    std::string SpeedText() const {
        char text[32] = {};
        GetDlgItemTextA(ControlWindow, CtlSpeedText, text, sizeof(text));
        return text;
    }
    vsim::win32::ControlInfo Control(int id) const {
        vsim::win32::ControlInfo info;
        EXPECT_TRUE(vsim::win32::ReadControl(GetDlgItem(ControlWindow, id), &info));
        return info;
    }
    std::vector<int> Ticks() const { return Control(CtlSlider).ticks; }
    UINT LoopBox() const { return Control(CtlLoopToggle).check; }
    // A key held down on the simulator's main window (the search keys act on release).
    void HoldKey(int vk, bool down) { vsim::win32::PressKey(vsim::MainWindowHandle(), vk, down); }
};

TEST_F(ControlsTest, JumpsMoveThePositionAndTheNextFrameBoundsIt) {
    StartPlaying(100000);  // 10 s .. 110 s
    PlaybackJump(0);
    EXPECT_EQ(Timeline, 0u);
    EXPECT_EQ(PositionJumped, 1u);
    Frames(1);
    EXPECT_EQ(Timeline, 100000u) << "raised to the start by the next frame";

    PlaybackJump(1);
    EXPECT_EQ(Timeline, 1100000u - 10000u) << "one second before the end";

    // Step size 1 jumps 15 s: from 12 s to 0, from 15 s to 0, from 20 s to 5 s.
    Timeline = 120000;
    PlaybackJump(2);
    EXPECT_EQ(Timeline, 0u);
    Timeline = 150000;
    PlaybackJump(2);
    EXPECT_EQ(Timeline, 0u);
    Timeline = 200000;
    PlaybackJump(2);
    EXPECT_EQ(Timeline, 50000u);
    Timeline = 1000000;
    PlaybackJump(3);
    EXPECT_EQ(Timeline, 400000u) << "step size 2: 60 s";
    PlaybackJump(4);
    EXPECT_EQ(Timeline, 0u) << "step size 3: 300 s";

    Timeline = 200000;
    PlaybackJump(5);
    EXPECT_EQ(Timeline, 350000u);
    PlaybackJump(6);
    EXPECT_EQ(Timeline, 950000u);
    PositionJumped = 0;
    PlaybackJump(7);
    EXPECT_EQ(Timeline, 3950000u) << "no bound here";
    EXPECT_EQ(PositionJumped, 1u);
    EXPECT_EQ(SpeedPercent, 100) << "jumps leave the speed alone";

    // Past the end with the loop on: into the loop; with it off: the end.
    LoopEnabled = 1;
    Frames(1);
    EXPECT_EQ(Timeline, LoopStartTime);
    EXPECT_EQ(ModuleMode, (uint32_t)Playing);
    LoopEnabled = 0;
    PlaybackJump(7);
    Frames(1);
    EXPECT_EQ(ModuleMode, (uint32_t)ReplayBuffering);

    // Outside the three playback modes nothing moves.
    Timeline = 777;
    for (uint32_t code = 0; code <= 7; ++code) PlaybackJump(code);
    EXPECT_EQ(Timeline, 777u);
}

TEST_F(ControlsTest, JumpsDoNothingWhileRecordingBesideTraffic) {
    ASSERT_TRUE(StartModule());
    PutRecording("C:\\Sim\\Recs\\traffic.frc", {LineTrack("Traffic", 0, 1000000)});
    ASSERT_TRUE(Play({"C:\\Sim\\Recs\\traffic.frc"}, true));
    Seconds(2);
    vsim::user::OnDialog(102, [](HWND dialog) { SendMessageA(dialog, WM_COMMAND, IDOK, 0); });
    ASSERT_TRUE(Menu("Record..."));
    ASSERT_EQ(ModuleMode, (uint32_t)RecordingWithTraffic);
    uint32_t timeline = Timeline;
    PositionJumped = 0;
    for (uint32_t code = 0; code <= 10; ++code) PlaybackJump(code);
    EXPECT_EQ(Timeline, timeline);
    EXPECT_EQ(PositionJumped, 0u);
    EXPECT_EQ(SpeedPercent, 100);
}

TEST_F(ControlsTest, SearchesChangeOnlyTheSpeedAndTheRate) {
    WriteIni("SETTINGS", "Search2", "1");
    WriteIni("SETTINGS", "SearchSpeed2", "15");
    StartPlaying();
    Timeline = 500000;
    PlaybackJump(3);
    EXPECT_EQ(SpeedPercent, -1500);
    EXPECT_EQ(Timeline, 500000u) << "a search does not jump";
    EXPECT_EQ(PositionJumped, 0u);
    EXPECT_EQ(SimRate, 1024u) << "limited to 4x";
    EXPECT_EQ(vsim::HostSimRate(), 4.0);
    uint32_t before = Timeline, clock = FrameClock;
    Frames(1);
    EXPECT_EQ(Timeline, before - 15 * (FrameClock - clock)) << "backward at 15 times the frame step";
    PlaybackJump(9);
    EXPECT_EQ(SpeedPercent, 100) << "back to the speed of SpeedIndex";
    EXPECT_EQ(SimRate, 256u);

    // The speed chosen before the search comes back, with its rate.
    PlaybackSpeed(0);
    PlaybackJump(6);
    EXPECT_EQ(SpeedPercent, 1500);
    PlaybackJump(9);
    EXPECT_EQ(SpeedPercent, 200);
    EXPECT_EQ(SimRate, 512u);

    // Without the limit the search rate is S x 256.
    Settings.LimSimRate = 0;
    PlaybackJump(6);
    EXPECT_EQ(SimRate, 3840u);
    EXPECT_EQ(vsim::HostSimRate(), 15.0);
    Settings.LimSimRate = 1;
    PlaybackJump(9);

    // Search speeds 3, 4 and 5 of step size 1 under the limit.
    Settings.Search1 = 1;
    const uint16_t rates[] = {768, 1024, 1024};
    for (uint8_t speed = 3; speed <= 5; ++speed) {
        Settings.SearchSpeed1 = speed;
        PlaybackJump(2);
        EXPECT_EQ(SimRate, rates[speed - 3]) << "search speed " << (int)speed;
        EXPECT_EQ(SpeedPercent, -100 * speed);
        PlaybackJump(8);
    }

    // Without SetSimRateSrch the rate is left alone.
    Settings.SetSimRateSrch = 0;
    vsim::SetSimRate(3.0);
    PlaybackJump(2);
    EXPECT_EQ(SpeedPercent, -500);
    EXPECT_EQ(vsim::HostSimRate(), 3.0);
    PlaybackJump(8);
    EXPECT_EQ(vsim::HostSimRate(), 3.0);

    // The end code of a step size that jumps restores no speed, but sets the rate of it;
    // released while another step size searches backward, the rate is that of the
    // search's magnitude, never a negative rate.
    Settings.SetSimRateSrch = 1;
    Settings.Search3 = 0;
    PlaybackJump(10);
    EXPECT_EQ(SpeedPercent, 200);
    EXPECT_EQ(SimRate, 512u);
    Settings.SearchSpeed1 = 3;
    PlaybackJump(2);
    ASSERT_EQ(SpeedPercent, -300);
    PlaybackJump(10);
    EXPECT_EQ(SpeedPercent, -300);
    EXPECT_EQ(SimRate, 768u);
}

TEST_F(ControlsTest, HoldingASearchKeySearchesUntilItIsReleased) {
    WriteIni("SETTINGS", "Search1", "1");
    WriteIni("SETTINGS", "SearchSpeed1", "10");
    StartPlaying();
    Timeline = 500000;
    HoldKey(VK_LEFT, true);
    EXPECT_EQ(SpeedPercent, -1000);
    Frames(3);
    EXPECT_LT(Timeline, 500000u);
    HoldKey(VK_LEFT, false);
    EXPECT_EQ(SpeedPercent, 100);
    EXPECT_EQ(SimRate, 256u);
    HoldKey(VK_RIGHT, true);
    EXPECT_EQ(SpeedPercent, 1000);
    HoldKey(VK_RIGHT, false);
    EXPECT_EQ(SpeedPercent, 100);
}

TEST_F(ControlsTest, ASearchRateNeverOutlivesThePlayback) {
    // Only the search changes the rate here; every way out of the playback undoes it.
    WriteIni("SETTINGS", "SetSimRate", "0");
    WriteIni("SETTINGS", "Search1", "1");
    WriteIni("SETTINGS", "SearchSpeed1", "5");
    StartPlaying();
    HoldKey(VK_RIGHT, true);
    ASSERT_EQ(vsim::HostSimRate(), 4.0);
    Seconds(30);  // held until the playback reaches its end
    ASSERT_NE(ModuleMode, (uint32_t)Playing);
    HoldKey(VK_RIGHT, false);
    EXPECT_EQ(vsim::HostSimRate(), 1.0) << "the end of the playback";

    vsim::SetPaused(false);
    ASSERT_TRUE(Play({"C:\\Sim\\Recs\\hundred.frc"}));
    Frames(2);
    HoldKey(VK_RIGHT, true);
    Key("Shift+Esc");
    EXPECT_EQ(vsim::HostSimRate(), 1.0) << "stopped here";
    HoldKey(VK_RIGHT, false);

    // A rate the user set himself stays when the module changed none.
    vsim::SetPaused(false);
    ASSERT_TRUE(Play({"C:\\Sim\\Recs\\hundred.frc"}));
    Frames(2);
    vsim::SetSimRate(2.0);
    Key("Shift+Esc");
    EXPECT_EQ(vsim::HostSimRate(), 2.0);
    vsim::SetSimRate(1.0);

    // A recording started beside traffic while a search is held.
    vsim::SetPaused(false);
    ASSERT_TRUE(Play({"C:\\Sim\\Recs\\hundred.frc"}, true));
    Frames(2);
    PlaybackJump(5);
    ASSERT_EQ(vsim::HostSimRate(), 4.0);
    vsim::user::OnDialog(102, [](HWND dialog) { SendMessageA(dialog, WM_COMMAND, IDOK, 0); });
    ASSERT_TRUE(Menu("Record..."));
    ASSERT_EQ(ModuleMode, (uint32_t)RecordingWithTraffic);
    EXPECT_EQ(vsim::HostSimRate(), 1.0) << "the start of the recording";
    vsim::user::OnSave("C:\\Sim\\Recs\\beside.frc");
    ASSERT_TRUE(Menu("Stop..."));

    // The module's stop during a held search.
    PlaybackJump(5);
    ASSERT_EQ(vsim::HostSimRate(), 4.0);
    DLLStop();
    EXPECT_EQ(vsim::HostSimRate(), 1.0) << "DLLStop";
}

TEST_F(ControlsTest, SpeedStepsAndTheirRates) {
    WriteIni("WINDOW", "Show", "1");
    StartPlaying();
    EXPECT_EQ(SpeedText(), "100%");
    PlaybackSpeed(1);
    PlaybackSpeed(1);
    EXPECT_EQ(SpeedIndex, 2);
    EXPECT_EQ(SpeedPercent, 33);
    EXPECT_EQ(SimRate, 84u) << "33 * 256 / 100";
    EXPECT_EQ(vsim::HostSimRate(), 84.0 / 256.0);
    EXPECT_EQ(SpeedText(), "33%");
    uint32_t before = Timeline, clock = FrameClock;
    Frames(1);
    EXPECT_EQ(Timeline - before, 33 * (FrameClock - clock) / 100);

    for (int i = 0; i < 3; ++i) PlaybackSpeed(1);
    EXPECT_EQ(SpeedIndex, 0) << "no slower than 10%";
    EXPECT_EQ(SpeedPercent, 10);
    EXPECT_EQ(SimRate, 25u);

    const int16_t percents[] = {20, 33, 50, 100, 200, 300, 500, 1000, 1000};
    const uint16_t rates[] = {51, 84, 128, 256, 512, 768, 1024, 1024, 1024};
    for (int i = 0; i < 9; ++i) {
        PlaybackSpeed(0);
        EXPECT_EQ(SpeedPercent, percents[i]);
        EXPECT_EQ(SimRate, rates[i]) << percents[i] << "% with the 4x limit";
    }
    EXPECT_EQ(SpeedIndex, 8);
    EXPECT_EQ(SpeedText(), "1000%");
    Settings.LimSimRate = 0;
    PlaybackSpeed(0);
    EXPECT_EQ(SpeedPercent, 1000);
    EXPECT_EQ(SimRate, 2560u);
    EXPECT_EQ(vsim::HostSimRate(), 10.0);

    PlaybackSpeed(2);
    EXPECT_EQ(SpeedIndex, 4);
    EXPECT_EQ(SpeedPercent, 100);
    EXPECT_EQ(SimRate, 256u);
    EXPECT_EQ(SpeedText(), "100%");

    Settings.SetSimRate = 0;
    PlaybackSpeed(0);
    EXPECT_EQ(SpeedPercent, 200);
    EXPECT_EQ(vsim::HostSimRate(), 1.0) << "the rate is left alone";
    EXPECT_EQ(SpeedText(), "200%");
}

TEST_F(ControlsTest, LoopsMarkTheSliderAndTheLoopBox) {
    WriteIni("WINDOW", "Show", "1");
    StartPlaying();  // 0 .. 100 s: one slider unit is 1/350 of it
    ASSERT_TRUE(IsWindowVisible(ControlWindow));
    EXPECT_EQ(LoopBox(), (UINT)BST_UNCHECKED);
    EXPECT_TRUE(Ticks().empty());

    // Right after the start: loop start one second before the end, the end keeps its value.
    PlaybackJump(1);
    PlaybackLoop(0);
    EXPECT_EQ(LoopStartTime, 990000u);
    EXPECT_EQ(LoopEndTime, 998000u);
    EXPECT_EQ(LoopEnabled, 0u);
    EXPECT_TRUE(Ticks().empty()) << "marks only while the loop is on";

    Timeline = 200000;
    PlaybackLoop(0);
    Timeline = 300000;
    PlaybackLoop(1);
    EXPECT_EQ(LoopStartTime, 200000u);
    EXPECT_EQ(LoopEndTime, 300000u);
    EXPECT_EQ(LoopEnabled, 1u);
    EXPECT_EQ(LoopBox(), (UINT)BST_CHECKED);
    EXPECT_EQ(Ticks(), (std::vector<int>{70, 105}));

    Timeline = 400000;
    PlaybackLoop(0);
    EXPECT_EQ(LoopStartTime, 400000u);
    EXPECT_EQ(LoopEndTime, 1000000u) << "a start after the end moves the end to the playback's end";
    EXPECT_EQ(Ticks(), (std::vector<int>{140, 350}));

    Timeline = 100000;
    PlaybackLoop(1);
    EXPECT_EQ(LoopStartTime, 0u) << "an end before the start moves the start to the playback's start";
    EXPECT_EQ(LoopEndTime, 100000u);
    EXPECT_EQ(Ticks(), (std::vector<int>{0, 35}));

    PlaybackLoop(3);
    EXPECT_EQ(LoopEnabled, 0u);
    EXPECT_EQ(LoopBox(), (UINT)BST_UNCHECKED);
    EXPECT_TRUE(Ticks().empty());

    Timeline = 500000;
    PlaybackLoop(0);
    Timeline = 200000;
    PositionJumped = 0;
    PlaybackLoop(2);
    EXPECT_EQ(Timeline, 500000u) << "loop on moves the position into the loop";
    EXPECT_EQ(PositionJumped, 1u);
    EXPECT_EQ(LoopBox(), (UINT)BST_CHECKED);
    EXPECT_EQ(Ticks(), (std::vector<int>{175, 350}));

    PlaybackLoop(3);
    Timeline = 200000;
    PlaybackLoop(4);
    EXPECT_EQ(LoopEnabled, 1u);
    EXPECT_EQ(Timeline, 200000u) << "toggling on does not move the position";
    EXPECT_EQ(Ticks(), (std::vector<int>{175, 350}));
    PlaybackLoop(4);
    EXPECT_EQ(LoopEnabled, 0u);
    EXPECT_EQ(LoopBox(), (UINT)BST_UNCHECKED);
    EXPECT_TRUE(Ticks().empty()) << "toggled twice: off and cleared";

    // The "~" box of the control window turns the loop on and off; the next frame
    // brings the position into it.
    ASSERT_TRUE(vsim::win32::ClickControl(GetDlgItem(ControlWindow, CtlLoopToggle)));
    EXPECT_EQ(LoopEnabled, 1u);
    EXPECT_EQ(Timeline, 500000u);
    Frames(1);
    EXPECT_GE(Timeline, 500000u);
    EXPECT_LT(Timeline, 1000000u);
    ASSERT_TRUE(vsim::win32::ClickControl(GetDlgItem(ControlWindow, CtlLoopToggle)));
    EXPECT_EQ(LoopEnabled, 0u);
    EXPECT_TRUE(Ticks().empty());
}

TEST_F(ControlsTest, ANewPlaybackStartsWithTheLoopBoxUnchecked) {
    WriteIni("WINDOW", "Show", "1");
    StartPlaying();
    PlaybackLoop(2);
    ASSERT_EQ(LoopBox(), (UINT)BST_CHECKED);
    Key("Shift+Esc");
    ASSERT_EQ(ModuleMode, (uint32_t)ReplayBuffering);
    vsim::SetPaused(false);
    ASSERT_TRUE(Play({"C:\\Sim\\Recs\\hundred.frc"}));
    EXPECT_EQ(LoopEnabled, 0u);
    EXPECT_EQ(LoopBox(), (UINT)BST_UNCHECKED) << "the box shows the loop off";
    EXPECT_TRUE(Ticks().empty());
}

TEST_F(ControlsTest, TheSliderSeeksAcrossTheSpan) {
    WriteIni("WINDOW", "Show", "1");
    StartPlaying();
    HWND slider = GetDlgItem(ControlWindow, CtlSlider);
    ASSERT_TRUE(vsim::win32::DragTrackbar(slider, 175));
    EXPECT_EQ(Timeline, 500000u) << "175 of 350 on a 100 s recording from 0";
    EXPECT_EQ(PositionJumped, 1u);
    ASSERT_TRUE(vsim::win32::DragTrackbar(slider, 0));
    EXPECT_EQ(Timeline, 0u);
    ASSERT_TRUE(vsim::win32::DragTrackbar(slider, 349));
    EXPECT_EQ(Timeline, 997142u) << "trunc(349 / 350 * 1000000)";

    // A span that does not start at 0.
    PlaybackStart = 100000;
    PlaybackEnd = 1100000;
    ASSERT_TRUE(vsim::win32::DragTrackbar(slider, 175));
    EXPECT_EQ(Timeline, 600000u);
}

TEST_F(ControlsTest, TenPressesRaiseThePlayedAltitudeByTenSteps) {
    StartPlaying();
    Track* track = &TrackTable.entries[0];
    int64_t offset = track->heightOffset;
    double before = 0, after = 0;
    ASSERT_TRUE(vsim::GetSimVar(1, "Plane Altitude", "meters", &before));
    for (int i = 0; i < 10; ++i) Key("Shift+Num+");
    EXPECT_EQ(track->heightOffset, offset + 1000000000);
    Frames(1);
    ASSERT_TRUE(vsim::GetSimVar(1, "Plane Altitude", "meters", &after));
    EXPECT_NEAR(after - before, 1e9 / 4294967296.0, 1e-6) << "about 0.233 m";
    for (int i = 0; i < 10; ++i) Key("Shift+Num-");
    EXPECT_EQ(track->heightOffset, offset);
}

}  // namespace
