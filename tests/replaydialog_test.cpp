// The Replay dialog (the seconds offered, the refusal below five, OK and Save replay)
// and the About box, opened from the Add-ons menu.
#include <gtest/gtest.h>

#include <string>

#include "module/entry.h"
#include "module/simlink.h"
#include "playback/position.h"
#include "recording/recorder.h"
#include "recording/track.h"
#include "tests/support/playback_helpers.h"
#include "ui/replaydialog.h"
#include "vsim/sim/simconnect.h"
#include "vsim/sim/simulator.h"
#include "vsim/win32/win32emu.h"

namespace {

class ReplayDialogTest : public PlaybackTest {
protected:
    // Runs frames until the replay buffer holds exactly this many whole seconds.
    void BufferUntil(uint32_t seconds) {
        for (int frame = 0; frame < 30 * 600 && AvailableReplaySeconds() < seconds; ++frame) Frames(1);
        ASSERT_EQ(AvailableReplaySeconds(), seconds);
    }
    std::string Text(HWND dialog, int id) const {
        char text[64] = {};
        GetDlgItemTextA(dialog, id, text, sizeof(text));
        return text;
    }
};

TEST_F(ReplayDialogTest, FourSecondsAreRefusedAndFiveAreOffered) {
    ASSERT_TRUE(StartModule());
    BufferUntil(4);
    bool opened = false;
    vsim::user::OnDialog(103, [&](HWND) { opened = true; });
    size_t boxes = vsim::user::MessageBoxes().size();
    ASSERT_TRUE(Menu("Replay..."));
    ASSERT_EQ(vsim::user::MessageBoxes().size(), boxes + 1);
    const vsim::user::MessageBoxRecord& box = vsim::user::MessageBoxes().back();
    EXPECT_EQ(box.text, "No replay data available!");
    EXPECT_EQ(box.caption, "Kestrel");
    EXPECT_EQ(box.type, (UINT)(MB_OK | MB_ICONEXCLAMATION));
    EXPECT_EQ(box.owner, MainWindow);
    EXPECT_FALSE(opened) << "the dialog closes at once";
    EXPECT_EQ(ModuleMode, (uint32_t)ReplayBuffering);
    EXPECT_EQ(vsim::DialogModeLeaves(), vsim::DialogModeEnters());

    BufferUntil(5);
    vsim::win32::ControlInfo spin;
    std::string shown;
    HWND edit = nullptr;
    vsim::user::OnDialog(103, [&](HWND dialog) {
        opened = true;
        shown = Text(dialog, 1005);
        edit = GetDlgItem(dialog, 1005);
        vsim::win32::ReadControl(GetDlgItem(dialog, 1006), &spin);
        vsim::win32::ClickControl(GetDlgItem(dialog, IDCANCEL));
    });
    ASSERT_TRUE(Menu("Replay..."));
    EXPECT_TRUE(opened);
    EXPECT_EQ(shown, "5");
    EXPECT_EQ(spin.upDownLower, 5);
    EXPECT_EQ(spin.upDownUpper, 5);
    EXPECT_EQ(spin.buddy, edit) << "the up-down sets the number of the edit before it";
    EXPECT_EQ(vsim::user::MessageBoxes().size(), boxes + 1) << "no second refusal";
    EXPECT_EQ(ModuleMode, (uint32_t)ReplayBuffering) << "Cancel replays nothing";
}

TEST_F(ReplayDialogTest, OkReplaysTheChosenSecondsOfTheBuffer) {
    ASSERT_TRUE(StartModule());
    BufferUntil(30);
    std::string shown;
    vsim::win32::ControlInfo spin;
    vsim::user::OnDialog(103, [&](HWND dialog) {
        shown = Text(dialog, 1005);
        vsim::win32::ReadControl(GetDlgItem(dialog, 1006), &spin);
        vsim::win32::TypeText(GetDlgItem(dialog, 1005), "12");
        vsim::win32::ClickControl(GetDlgItem(dialog, IDOK));
    });
    ASSERT_TRUE(Menu("Replay..."));
    EXPECT_EQ(shown, "30");
    EXPECT_EQ(spin.upDownLower, 5);
    EXPECT_EQ(spin.upDownUpper, 30);
    ASSERT_EQ(ModuleMode, (uint32_t)Replaying);
    EXPECT_EQ(Timeline, PlaybackEnd - 120000u);
    EXPECT_EQ(LoopStartTime, PlaybackEnd - 120000u);
    Seconds(13);
    EXPECT_EQ(ModuleMode, (uint32_t)ReplayBuffering) << "twelve seconds later the replay has ended";
}

TEST_F(ReplayDialogTest, SaveReplayKeepsTheDialogOpen) {
    ASSERT_TRUE(StartModule());
    BufferUntil(8);
    vsim::user::OnSave("C:\\Sim\\saved.frc");
    HWND seen = nullptr;
    bool openAfterSave = false;
    const vsim::win32::FileDialogRecord* save = nullptr;
    vsim::user::OnDialog(103, [&](HWND dialog) {
        seen = dialog;
        vsim::win32::ClickControl(GetDlgItem(dialog, 1004));
        save = &vsim::win32::LastFileDialog();
        openAfterSave = vsim::win32::FindWindowObject(dialog) != nullptr && IsWindowVisible(dialog);
        vsim::win32::ClickControl(GetDlgItem(dialog, IDCANCEL));
    });
    ASSERT_TRUE(Menu("Replay..."));
    EXPECT_TRUE(openAfterSave);
    ASSERT_NE(save, nullptr);
    EXPECT_TRUE(save->save);
    EXPECT_EQ(save->owner, seen) << "the save dialog belongs to the Replay dialog";
    ASSERT_TRUE(FileExists("C:\\Sim\\saved.frc"));
    std::vector<uint8_t> bytes = ReadBytes("C:\\Sim\\saved.frc");
    ASSERT_GE(bytes.size(), 18u);
    EXPECT_EQ(LoadLE32(bytes.data()), 0x01000006u);
    EXPECT_EQ(LoadLE16(bytes.data() + 16), 1u) << "one track: the whole buffer";
    EXPECT_EQ(ModuleMode, (uint32_t)ReplayBuffering);
}

TEST_F(ReplayDialogTest, AboutClosesWithItsButtonInEveryMode) {
    ASSERT_TRUE(StartModule());
    EXPECT_EQ(AboutDialogProc(nullptr, WM_INITDIALOG, 0, 0), 0);
    EXPECT_EQ(AboutDialogProc(nullptr, WM_COMMAND, 1004, 0), 0);
    PutRecording("C:\\Sim\\Recs\\flight.frc", {LineTrack("Flight", 0, 100000)});
    ASSERT_TRUE(Play({"C:\\Sim\\Recs\\flight.frc"}));
    bool opened = false;
    vsim::user::OnDialog(131, [&](HWND dialog) {
        opened = true;
        vsim::win32::ClickControl(GetDlgItem(dialog, IDOK));
    });
    ASSERT_TRUE(Menu("About..."));
    EXPECT_TRUE(opened);
    EXPECT_EQ(ModuleMode, (uint32_t)Playing);
}

}  // namespace
