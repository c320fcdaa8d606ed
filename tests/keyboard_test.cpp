// The keyboard: key messages on the simulator's main window turned into key actions by
// mode and binding, and the Keyboard controls dialog that edits the bindings.
#include <cstring>

#include "module/entry.h"
#include "module/simcommands.h"
#include "module/simlink.h"
#include "playback/position.h"
#include "recording/recorder.h"
#include "recording/track.h"
#include "tests/support/ui_session_helpers.h"
#include "ui/config.h"
#include "ui/controlwindow.h"
#include "ui/keyboard.h"
#include "vsim/sim/simconnect.h"
#include "vsim/sim/simhost.h"
#include "vsim/sim/simulator.h"
#include "vsim/win32/win32emu.h"

namespace {

const char* const PlaybackKeyNames[] = {"Home", "End",  "Left", "Up",   "PageUp", "Right",  "Down",      "PageDown",
                                        "Num+", "Num-", "Insert", "Num/", "Num*", "Delete", "Shift+Num+", "Shift+Num-"};

// The dialog texts of the actions in list order.
const char* const ActionTexts[22] = {
    "Jump to beginning",          "Jump back step size 3",      "Jump back step size 2",
    "Jump back step size 1",      "Jump forward step size 1",   "Jump forward step size 2",
    "Jump forward step size 3",   "Jump to end",                "Set loop start",
    "Set loop end",               "Turn looping on/off",        "Increase speed",
    "Decrease speed",             "Reset speed",                "Increase height correction",
    "Decrease height correction", "Record",                     "Play",
    "Replay",                     "Play as traffic",            "Stop recording/playback",
    "Stop playback at current position",
};

// Section KEYBOARD as the dialog writes it with every binding at its default.
std::vector<std::string> DefaultKeyboardSection() {
    return {"Beginning=36",     "Back3=33",         "Back2=38",      "Back1=37",    "Forward1=39", "Forward2=40",
            "Forward3=34",      "End=35",           "LoopStart=111", "LoopEnd=106", "LoopToggle=46",
            "SpeedInc=107",     "SpeedDec=109",     "SpeedReset=45", "HeightCorrInc=4203", "HeightCorrDec=4205",
            "Record=0",         "Play=0",           "Replay=0",      "PlayTraffic=0", "Stop=27", "StopHere=4123"};
}

uint32_t SliderOf(uint32_t time) {
    return (uint32_t)((double)(uint32_t)(time - PlaybackStart) * 350.0 / (double)(uint32_t)(PlaybackEnd - PlaybackStart));
}

std::vector<int> SliderTicks() {
    vsim::win32::ControlInfo info;
    EXPECT_TRUE(vsim::win32::ReadControl(GetDlgItem(ControlWindow, CtlSlider), &info));
    return info.ticks;
}

WORD HotKeyOf(HWND dialog) {
    return (WORD)SendDlgItemMessageA(dialog, 1041, HKM_GETHOTKEY, 0, 0);
}

void SelectEntry(HWND dialog, int index) {
    EXPECT_TRUE(vsim::win32::SelectItem(GetDlgItem(dialog, 1039), index)) << index;
}

void TypeHotKey(HWND dialog, WORD value) {
    EXPECT_TRUE(vsim::win32::TypeHotKey(GetDlgItem(dialog, 1041), value)) << value;
}

}  // namespace

class Keyboard : public SessionTest {
protected:
    // Dialog and file-dialog lines of the transcript from index `from` on.
    std::vector<std::string> OpenedSince(size_t from) const {
        std::vector<std::string> opened;
        const auto& lines = vsim::TranscriptLines();
        for (size_t i = from; i < lines.size(); ++i) {
            const std::string& line = lines[i];
            if ((line.rfind("dialog ", 0) == 0 && line.find(" opened") != std::string::npos) ||
                line.rfind("open dialog", 0) == 0)
                opened.push_back(line.substr(0, line.find(':') == std::string::npos ? line.size() : line.find(':')));
        }
        return opened;
    }
    // Presses each key (down and up), recording which dialogs opened.
    std::vector<std::string> PressAll(const std::vector<std::string>& keys) {
        size_t from = vsim::TranscriptLines().size();
        for (const std::string& key : keys) Key(key);
        return OpenedSince(from);
    }
};

TEST(KeyCodes, FromKeyMessagesAndTheHotKeyControl) {
    vsim::win32::ResetKeyboard();
    EXPECT_EQ(KeyCodeOfMessage(0x24), 0x0024);
    vsim::win32::SetKeyState(VK_SHIFT, true);
    EXPECT_EQ(KeyCodeOfMessage(0x6B), 0x106B);
    vsim::win32::SetKeyState(VK_CONTROL, true);
    EXPECT_EQ(KeyCodeOfMessage(0x23), 0x3023);
    vsim::win32::SetKeyState(VK_SHIFT, false);
    EXPECT_EQ(KeyCodeOfMessage(0x23), 0x2023);
    vsim::win32::SetKeyState(VK_CONTROL, false);
    vsim::win32::SetKeyState(VK_MENU, true);
    EXPECT_EQ(KeyCodeOfMessage(0x41), 0x0041) << "Alt is no part of a key code";
    vsim::win32::ResetKeyboard();
    // The whole low word of wParam is the key, not its low byte only.
    EXPECT_EQ(KeyCodeOfMessage(0x0123), 0x0123);
    EXPECT_EQ(KeyCodeOfMessage(0x7FFF001B), 0x001B);

    // Hot-key values: Shift 0x01 and Ctrl 0x02 in the high byte; Alt and the extended-key
    // flag are dropped.
    EXPECT_EQ(KeyCodeOfHotKey(0x016B), 0x106B);
    EXPECT_EQ(KeyCodeOfHotKey(0x0223), 0x2023);
    EXPECT_EQ(KeyCodeOfHotKey(0x0A23), 0x2023);
    EXPECT_EQ(KeyCodeOfHotKey(0x0F41), 0x3041);
    EXPECT_EQ(KeyCodeOfHotKey(0x0441), 0x0041);
    EXPECT_EQ(KeyCodeOfHotKey(0x0000), 0x0000);
    EXPECT_EQ(HotKeyOfKeyCode(0x106B), 0x016B);
    EXPECT_EQ(HotKeyOfKeyCode(0x2023), 0x0223);
    EXPECT_EQ(HotKeyOfKeyCode(0x3041), 0x0341);
    EXPECT_EQ(HotKeyOfKeyCode(0x001B), 0x001B);
}

TEST_F(Keyboard, KeysReachTheSimulatorUnchangedOutsidePlayback) {
    // Hooked but not started: the bindings are all zero and nothing matches.
    ASSERT_TRUE(ModuleAttach(instance_, DLL_PROCESS_ATTACH, nullptr));
    Key("Esc");
    Key("Home");
    EXPECT_EQ(SimKeys(), (std::vector<std::string>{"down 0x1B", "up 0x1B", "down 0x24", "up 0x24"}));
    ModuleAttach(instance_, DLL_PROCESS_DETACH, nullptr);

    ASSERT_NO_FATAL_FAILURE(StartFlying());
    ASSERT_EQ(ModuleMode, (uint32_t)ReplayBuffering);
    for (uint32_t mode : {ReplayBuffering, Idle}) {
        if (mode == Idle) StopReplayBuffer();
        ASSERT_EQ(ModuleMode, mode);
        ClearSimKeys();
        uint32_t timeline = Timeline;
        size_t calls = vsim::SimConnectCalls().size();
        std::vector<std::string> expected;
        for (const char* name : PlaybackKeyNames) {
            Key(name);
            KeyStroke key;
            ParseKeyStroke(name, &key);
            char text[32];
            snprintf(text, sizeof text, "down 0x%02X", key.vk);
            expected.push_back(text);
            snprintf(text, sizeof text, "up 0x%02X", key.vk);
            expected.push_back(text);
        }
        Key("Esc");
        Key("Shift+Esc");
        expected.insert(expected.end(), {"down 0x1B", "up 0x1B", "down 0x1B", "up 0x1B"});
        // The unbound actions (Record, Play, Replay, PlayTraffic) hold 0: a key message
        // with virtual key 0 matches none of them.
        vsim::win32::PressKey(vsim::MainWindowHandle(), 0, true);
        expected.push_back("down 0x00");
        EXPECT_EQ(SimKeys(), expected) << "mode " << mode;
        EXPECT_EQ(ModuleMode, mode);
        EXPECT_EQ(Timeline, timeline);
        EXPECT_EQ(vsim::SimConnectCalls().size(), calls) << "no key did anything in mode " << mode;
    }
}

TEST_F(Keyboard, PlaybackKeysActInPlaying) {
    ASSERT_NO_FATAL_FAILURE(StartPlaying());
    ClearSimKeys();

    // Jumps: default step sizes 15, 60 and 300 seconds.
    struct Jump {
        const char* key;
        uint32_t from, to;
    };
    const Jump jumps[] = {
        {"Left", 4000000, 3850000},  {"Left", 120000, 0},       {"Left", 150000, 0},
        {"Left", 200000, 50000},     {"Up", 4000000, 3400000},  {"PageUp", 4000000, 1000000},
        {"PageUp", 2999999, 0},      {"Right", 100000, 250000}, {"Down", 100000, 700000},
        {"PageDown", 100000, 3100000},
    };
    for (const Jump& jump : jumps) {
        Timeline = jump.from;
        PositionJumped = 0;
        Key(jump.key);
        EXPECT_EQ(Timeline, jump.to) << jump.key << " from " << jump.from;
        EXPECT_EQ(PositionJumped, 1u) << jump.key;
    }
    Timeline = 300000;
    Key("Home");
    EXPECT_EQ(Timeline, 0u);
    Key("End");
    EXPECT_EQ(Timeline, PlaybackEnd - 10000);
    EXPECT_EQ(SpeedPercent, 100) << "jumps leave the speed alone";
    // Key-ups are withheld only for the six step keys.
    EXPECT_EQ(SimKeys(), (std::vector<std::string>{"up 0x24", "up 0x23"}));

    // Speed steps, with the simulation rate (SetSimRate on by default) and the speed text.
    ClearSimKeys();
    struct Speed {
        const char* key;
        int16_t percent;
        uint16_t rate;
        const char* text;
    };
    const Speed speeds[] = {{"Num+", 200, 512, "200%"}, {"Num+", 300, 768, "300%"},  {"Num-", 200, 512, "200%"},
                            {"Insert", 100, 256, "100%"}, {"Num-", 50, 128, "50%"}, {"Num-", 33, 84, "33%"}};
    for (const Speed& speed : speeds) {
        Key(speed.key);
        EXPECT_EQ(SpeedPercent, speed.percent) << speed.key;
        EXPECT_EQ(SimRate, speed.rate) << speed.key;
        EXPECT_EQ(TextOf(ControlWindow, CtlSpeedText), speed.text) << speed.key;
    }
    EXPECT_EQ(SpeedIndex, 2);
    Key("Insert");
    EXPECT_EQ(SimKeys(), (std::vector<std::string>{"up 0x6B", "up 0x6B", "up 0x6D", "up 0x2D", "up 0x6D", "up 0x6D",
                                                   "up 0x2D"}));

    // Loop start, loop end (which turns the loop on), and the toggle.
    Timeline = 100000;
    Key("Num/");
    EXPECT_EQ(LoopStartTime, 100000u);
    EXPECT_EQ(LoopEnabled, 0u);
    EXPECT_TRUE(SliderTicks().empty()) << "marks show only while looping";
    Timeline = 400000;
    Key("Num*");
    EXPECT_EQ(LoopEndTime, 400000u);
    EXPECT_EQ(LoopStartTime, 100000u);
    EXPECT_EQ(LoopEnabled, 1u);
    EXPECT_EQ(CheckOf(ControlWindow, CtlLoopToggle), (UINT)BST_CHECKED);
    EXPECT_EQ(SliderTicks(), (std::vector<int>{(int)SliderOf(100000), (int)SliderOf(400000)}));
    Key("Delete");
    EXPECT_EQ(LoopEnabled, 0u);
    EXPECT_EQ(CheckOf(ControlWindow, CtlLoopToggle), (UINT)BST_UNCHECKED);
    EXPECT_TRUE(SliderTicks().empty());
    Key("Delete");
    EXPECT_EQ(LoopEnabled, 1u);
    EXPECT_EQ(Timeline, 400000u) << "the toggle does not move the position";

    // Shift + keypad +/- arrive as the keypad code plus 0x1000: height correction, not speed.
    int64_t height = TrackTable.entries[0].heightOffset;
    Key("Shift+Num+");
    EXPECT_EQ(TrackTable.entries[0].heightOffset, height + 100000000);
    EXPECT_EQ(SpeedIndex, 4);
    EXPECT_EQ(SpeedPercent, 100);
    Key("Shift+Num-");
    Key("Shift+Num-");
    EXPECT_EQ(TrackTable.entries[0].heightOffset, height - 100000000);
    EXPECT_EQ(SpeedIndex, 4);
    EXPECT_EQ(ModuleMode, (uint32_t)Playing);
}

TEST_F(Keyboard, EscPlaysOutTheLastSecondAndShiftEscStopsAtOnce) {
    ASSERT_NO_FATAL_FAILURE(StartPlaying());
    Key("Delete");
    ASSERT_EQ(LoopEnabled, 1u);
    ClearSimKeys();
    Timeline = 100000;
    Key("Esc");
    EXPECT_EQ(Timeline, PlaybackEnd - 10000);
    EXPECT_EQ(LoopEnabled, 0u);
    EXPECT_EQ(ModuleMode, (uint32_t)Playing) << "the playback runs out by itself";
    EXPECT_EQ(SimKeys(), (std::vector<std::string>{"up 0x1B"}));
    Seconds(2);
    EXPECT_EQ(ModuleMode, (uint32_t)ReplayBuffering);
    EXPECT_TRUE(vsim::IsPaused()) << "ended as at its natural end, paused with Pause on";

    vsim::SetPaused(false);
    ASSERT_NO_FATAL_FAILURE(PlayFile("C:\\Sim\\flight.frc"));
    Seconds(5);
    uint32_t position = Timeline;
    ClearSimKeys();
    Key("Shift+Esc");
    EXPECT_EQ(ModuleMode, (uint32_t)ReplayBuffering) << "stopped where it was";
    EXPECT_NE(position, 0u);
    EXPECT_EQ(SimKeys(), (std::vector<std::string>{"up 0x1B"}));
}

TEST_F(Keyboard, ReplayingTakesThePlaybackKeys) {
    WriteIni("KEYBOARD", "Record", "116");
    WriteIni("KEYBOARD", "Play", "117");
    WriteIni("KEYBOARD", "Replay", "118");
    WriteIni("KEYBOARD", "PlayTraffic", "119");
    ASSERT_NO_FATAL_FAILURE(StartFlying());
    Seconds(40);
    OnDialogDo(103, "set 1005 30; click 1");
    ASSERT_TRUE(Menu("Replay..."));
    ASSERT_EQ(ModuleMode, (uint32_t)Replaying);
    Frames(1);
    Timeline = PlaybackEnd - 50000;
    Key("Left");
    EXPECT_EQ(Timeline, PlaybackEnd - 200000);
    Key("Num+");
    EXPECT_EQ(SpeedPercent, 200);
    // The keys of Record, Play, Replay and PlayTraffic are withheld and do nothing.
    ClearSimKeys();
    EXPECT_TRUE(PressAll({"F5", "F6", "F7", "F8"}).empty());
    EXPECT_EQ(SimKeys(), (std::vector<std::string>{"up 0x74", "up 0x75", "up 0x76", "up 0x77"}));
    EXPECT_EQ(ModuleMode, (uint32_t)Replaying);
    Key("Esc");
    EXPECT_EQ(Timeline, PlaybackEnd - 10000);
    EXPECT_EQ(ModuleMode, (uint32_t)Replaying);
    Key("Shift+Esc");
    EXPECT_EQ(ModuleMode, (uint32_t)ReplayBuffering);
}

TEST_F(Keyboard, HeldStepKeySearchesUntilReleased) {
    WriteIni("SETTINGS", "Search1", "1");
    ASSERT_NO_FATAL_FAILURE(StartPlaying());
    ClearSimKeys();
    Timeline = 400000;
    PositionJumped = 0;
    KeyDown("Left");
    EXPECT_EQ(SpeedPercent, -500) << "search backward at SearchSpeed1";
    EXPECT_EQ(SimRate, 1024) << "search rate, limited to 4x";
    EXPECT_EQ(Timeline, 400000u) << "a search does not jump";
    EXPECT_EQ(PositionJumped, 0u);
    KeyDown("Left");  // auto-repeat
    EXPECT_EQ(SpeedPercent, -500);
    Frames(15);
    EXPECT_GE(Timeline, 370000u) << "half a second at 5x backward: 2.5 s";
    EXPECT_LE(Timeline, 380000u) << "half a second at 5x backward: 2.5 s";
    KeyUp("Left");
    EXPECT_EQ(SpeedPercent, 100);
    EXPECT_EQ(SimRate, 256);

    KeyDown("Right");
    EXPECT_EQ(SpeedPercent, 500);
    KeyUp("Right");
    EXPECT_EQ(SpeedPercent, 100);

    // Step size 2 does not search: its key jumps on the way down, and the key-up changes
    // nothing but is withheld as well.
    Timeline = 100000;
    KeyDown("Down");
    EXPECT_EQ(Timeline, 700000u);
    KeyUp("Down");
    EXPECT_EQ(SpeedPercent, 100);
    EXPECT_EQ(Timeline, 700000u);
    EXPECT_TRUE(SimKeys().empty());
}

TEST_F(Keyboard, FirstMatchingBindingWinsAndUnboundNeverMatches) {
    WriteIni("KEYBOARD", "End", "36");       // End shares Home with Beginning
    WriteIni("KEYBOARD", "StopHere", "27");  // StopHere shares Esc with Stop
    WriteIni("KEYBOARD", "Record", "36");    // and Record shares Home too
    WriteIni("KEYBOARD", "LoopToggle", "0");
    ASSERT_NO_FATAL_FAILURE(StartFlying());
    ASSERT_NO_FATAL_FAILURE(RecordFlight("C:\\Sim\\flight.frc", 30));
    ASSERT_NO_FATAL_FAILURE(PlayFile("C:\\Sim\\flight.frc"));

    size_t from = vsim::TranscriptLines().size();
    Timeline = 200000;
    Key("Home");
    EXPECT_EQ(Timeline, 0u) << "Beginning comes before End and before Record";
    EXPECT_TRUE(OpenedSince(from).empty());
    Timeline = 100000;
    Key("Esc");
    EXPECT_EQ(Timeline, PlaybackEnd - 10000) << "Stop comes before StopHere";
    EXPECT_EQ(ModuleMode, (uint32_t)Playing);

    // Unbound LoopToggle: Delete reaches the simulator; a key message with virtual key 0
    // matches no unbound action.
    ClearSimKeys();
    Key("Delete");
    vsim::win32::PressKey(vsim::MainWindowHandle(), 0, true);
    EXPECT_EQ(SimKeys(), (std::vector<std::string>{"down 0x2E", "up 0x2E", "down 0x00"}));
    EXPECT_EQ(LoopEnabled, 0u);

    Seconds(3);
    ASSERT_EQ(ModuleMode, (uint32_t)ReplayBuffering);
    OnDialogDo(102, "click 2");
    EXPECT_EQ(PressAll({"Home"}), (std::vector<std::string>{"dialog 102 opened"}))
        << "outside playback the shared key is Record's";
}

TEST_F(Keyboard, ShiftAndCtrlBindings) {
    WriteIni("KEYBOARD", "End", "8227");  // Ctrl+End
    ASSERT_NO_FATAL_FAILURE(StartPlaying());
    ASSERT_EQ(KeyTable[End], 0x2023);
    ClearSimKeys();
    Timeline = 100000;
    Key("End");
    Key("Shift+End");
    Key("Ctrl+Home");
    EXPECT_EQ(Timeline, 100000u);
    EXPECT_EQ(SimKeys(),
              (std::vector<std::string>{"down 0x23", "up 0x23", "down 0x23", "up 0x23", "down 0x24", "up 0x24"}));
    Key("Ctrl+End");
    EXPECT_EQ(Timeline, PlaybackEnd - 10000);
    Key("Shift+Num+");
    EXPECT_EQ(SpeedPercent, 100) << "Shift + keypad + is HeightCorrInc";
    Key("Num+");
    EXPECT_EQ(SpeedPercent, 200);
}

TEST_F(Keyboard, RecordPlayReplayAndTrafficKeysAreConsumedInEveryMode) {
    WriteIni("KEYBOARD", "Record", "116");       // F5
    WriteIni("KEYBOARD", "Play", "117");         // F6
    WriteIni("KEYBOARD", "Replay", "118");       // F7
    WriteIni("KEYBOARD", "PlayTraffic", "119");  // F8
    ASSERT_NO_FATAL_FAILURE(StartFlying());
    ASSERT_NO_FATAL_FAILURE(RecordFlight("C:\\Sim\\flight.frc", 30));
    Seconds(10);
    // Every dialog is cancelled; open dialogs without an answer are cancelled too.
    OnDialogDo(102, "click 2");
    OnDialogDo(103, "click 2");
    const std::vector<std::string> keys = {"F5", "F6", "F7", "F8"};
    const std::vector<std::string> ups = {"up 0x74", "up 0x75", "up 0x76", "up 0x77"};

    ASSERT_EQ(ModuleMode, (uint32_t)ReplayBuffering);
    ClearSimKeys();
    EXPECT_EQ(PressAll(keys), (std::vector<std::string>{"dialog 102 opened", "open dialog [Load Recording] -> cancel (no answer scripted)",
                                                        "dialog 103 opened",
                                                        "open dialog [Load Recording] -> cancel (no answer scripted)"}));
    EXPECT_EQ(SimKeys(), ups);
    EXPECT_EQ(ModuleMode, (uint32_t)ReplayBuffering);

    ASSERT_NO_FATAL_FAILURE(PlayFile("C:\\Sim\\flight.frc"));
    ClearSimKeys();
    EXPECT_TRUE(PressAll(keys).empty()) << "Playing";
    EXPECT_EQ(SimKeys(), ups);
    EXPECT_EQ(ModuleMode, (uint32_t)Playing);
    Key("Shift+Esc");

    OnDialogDo(102, "click 1");
    ASSERT_TRUE(Menu("Record..."));
    ASSERT_EQ(ModuleMode, (uint32_t)Recording);
    ClearSimKeys();
    EXPECT_TRUE(PressAll(keys).empty()) << "Recording";
    EXPECT_EQ(SimKeys(), ups);
    EXPECT_EQ(ModuleMode, (uint32_t)Recording);
    vsim::user::OnSaveCancel();
    vsim::user::OnMessage("Do you want to continue recording?", vsim::user::AnswerNo);
    Key("Esc");
    ASSERT_EQ(ModuleMode, (uint32_t)ReplayBuffering);

    ASSERT_NO_FATAL_FAILURE(PlayFile("C:\\Sim\\flight.frc", true));
    OnDialogDo(102, "click 2");
    ClearSimKeys();
    EXPECT_EQ(PressAll(keys), (std::vector<std::string>{"dialog 102 opened"})) << "PlayingTraffic";
    EXPECT_EQ(SimKeys(), ups);
    EXPECT_EQ(ModuleMode, (uint32_t)PlayingTraffic);

    OnDialogDo(102, "click 1");
    Key("F5");
    ASSERT_EQ(ModuleMode, (uint32_t)RecordingWithTraffic) << "Record from PlayingTraffic";
    OnDialogDo(102, "click 2");
    ClearSimKeys();
    EXPECT_TRUE(PressAll(keys).empty()) << "RecordingWithTraffic";
    EXPECT_EQ(SimKeys(), ups);
    EXPECT_EQ(ModuleMode, (uint32_t)RecordingWithTraffic);
}

TEST_F(Keyboard, RecordPlayReplayAndTrafficKeysStartTheirRuns) {
    WriteIni("KEYBOARD", "Record", "116");
    WriteIni("KEYBOARD", "Play", "117");
    WriteIni("KEYBOARD", "Replay", "118");
    WriteIni("KEYBOARD", "PlayTraffic", "119");
    WriteIni("SETTINGS", "RplyEnabled", "0");
    ASSERT_NO_FATAL_FAILURE(StartFlying());
    ASSERT_EQ(ModuleMode, (uint32_t)Idle);

    size_t calls = vsim::SimConnectCalls().size();
    OnDialogDo(102, "click 1");
    Key("F5");
    EXPECT_EQ(ModuleMode, (uint32_t)Recording);
    // The Record Flight dialog ran in the simulator's dialog mode.
    std::vector<std::string> dialogMode;
    for (size_t i = calls; i < vsim::SimConnectCalls().size(); ++i) {
        if (vsim::SimConnectCalls()[i].rfind("SetSystemState(\"DialogMode\"", 0) == 0)
            dialogMode.push_back(vsim::SimConnectCalls()[i]);
    }
    EXPECT_EQ(dialogMode, (std::vector<std::string>{"SetSystemState(\"DialogMode\", 1)",
                                                    "SetSystemState(\"DialogMode\", 0)"}));
    Seconds(30);
    vsim::user::OnSave("C:\\Sim\\flight.frc");
    Key("Esc");
    ASSERT_EQ(ModuleMode, (uint32_t)Idle);
    ASSERT_TRUE(FileExists("C:\\Sim\\flight.frc"));

    ClearSimKeys();
    EXPECT_TRUE(PressAll({"F7"}).empty()) << "Replay acts only while the replay buffer runs";
    EXPECT_EQ(SimKeys(), std::vector<std::string>{"up 0x76"}) << "but its key is withheld in Idle too";
    vsim::user::OnOpen({"C:\\Sim\\flight.frc"});
    Key("F6");
    EXPECT_EQ(ModuleMode, (uint32_t)Playing);
    Key("Shift+Esc");
    ASSERT_EQ(ModuleMode, (uint32_t)Idle);
    vsim::user::OnOpen({"C:\\Sim\\flight.frc"});
    Key("F8");
    EXPECT_EQ(ModuleMode, (uint32_t)PlayingTraffic);
    Key("Esc");
    EXPECT_EQ(ModuleMode, (uint32_t)Idle);

    // Without recording dialogs the Record key starts at once from section RECORD.
    Settings.NoRecDlg = 1;
    EXPECT_TRUE(PressAll({"F5"}).empty());
    EXPECT_EQ(ModuleMode, (uint32_t)Recording);
    EXPECT_EQ(RecordOptions.interval, 250u);
}

TEST_F(Keyboard, ReplayKeyOpensTheReplayDialog) {
    WriteIni("KEYBOARD", "Replay", "118");
    ASSERT_NO_FATAL_FAILURE(StartFlying());
    Seconds(20);
    OnDialogDo(103, "set 1005 10; click 1");
    Key("F7");
    EXPECT_EQ(ModuleMode, (uint32_t)Replaying);
}

TEST_F(Keyboard, PlayingTrafficKeysFollowContrAiPlay) {
    ASSERT_NO_FATAL_FAILURE(StartFlying());
    ASSERT_NO_FATAL_FAILURE(RecordFlight("C:\\Sim\\flight.frc", 30));
    ASSERT_NO_FATAL_FAILURE(PlayFile("C:\\Sim\\flight.frc", true));
    ASSERT_EQ(Settings.ContrAiPlay, 0);

    // ContrAiPlay 0: the playback keys reach the simulator untouched.
    ClearSimKeys();
    Timeline = 100000;
    int64_t height = TrackTable.entries[0].heightOffset;
    for (const char* key : {"Home", "Left", "Right", "Num+", "Shift+Num+", "Delete", "Shift+Esc"}) Key(key);
    EXPECT_EQ(Timeline, 100000u);
    EXPECT_EQ(SpeedPercent, 100);
    EXPECT_EQ(LoopEnabled, 0u);
    EXPECT_EQ(TrackTable.entries[0].heightOffset, height);
    EXPECT_EQ(SimKeys(), (std::vector<std::string>{"down 0x24", "up 0x24", "down 0x25", "up 0x25", "down 0x27",
                                                   "up 0x27", "down 0x6B", "up 0x6B", "down 0x6B", "up 0x6B",
                                                   "down 0x2E", "up 0x2E", "down 0x1B", "up 0x1B"}));
    EXPECT_EQ(ModuleMode, (uint32_t)PlayingTraffic);

    // ContrAiPlay 1: they act, and the step keys' key-ups are withheld. StopHere still
    // belongs to the simulator.
    Settings.ContrAiPlay = 1;
    ClearSimKeys();
    Timeline = 400000;
    Key("Left");
    EXPECT_EQ(Timeline, 250000u);
    Key("Num+");
    EXPECT_EQ(SpeedPercent, 200);
    Key("Shift+Num+");
    EXPECT_EQ(TrackTable.entries[0].heightOffset, height + 100000000);
    Key("Delete");
    EXPECT_EQ(LoopEnabled, 1u);
    Key("Shift+Esc");
    EXPECT_EQ(ModuleMode, (uint32_t)PlayingTraffic);
    EXPECT_EQ(SimKeys(),
              (std::vector<std::string>{"up 0x6B", "up 0x6B", "up 0x2E", "down 0x1B", "up 0x1B"}));

    // Stop ends a traffic playback at once, whatever ContrAiPlay says.
    Settings.ContrAiPlay = 0;
    Key("Esc");
    EXPECT_EQ(ModuleMode, (uint32_t)ReplayBuffering);
}

TEST_F(Keyboard, EscStopsARecordingAndOtherKeysPassThrough) {
    ASSERT_NO_FATAL_FAILURE(StartFlying());
    OnDialogDo(102, "click 1");
    ASSERT_TRUE(Menu("Record..."));
    Seconds(10);
    uint32_t timeline = Timeline;
    ClearSimKeys();
    Key("Shift+Esc");
    Key("Left");
    Key("Home");
    EXPECT_EQ(SimKeys(), (std::vector<std::string>{"down 0x1B", "up 0x1B", "down 0x25", "up 0x25", "down 0x24",
                                                   "up 0x24"}));
    EXPECT_EQ(Timeline, timeline);
    EXPECT_EQ(ModuleMode, (uint32_t)Recording);
    vsim::user::OnSave("C:\\Sim\\stopped.frc");
    ClearSimKeys();
    Key("Esc");
    EXPECT_EQ(ModuleMode, (uint32_t)ReplayBuffering);
    EXPECT_TRUE(FileExists("C:\\Sim\\stopped.frc"));
    EXPECT_EQ(SimKeys(), (std::vector<std::string>{"up 0x1B"}));

    // During a traffic playback the recording's Stop returns to the traffic playback.
    ASSERT_NO_FATAL_FAILURE(PlayFile("C:\\Sim\\stopped.frc", true));
    OnDialogDo(102, "click 1");
    ASSERT_TRUE(Menu("Record..."));
    ASSERT_EQ(ModuleMode, (uint32_t)RecordingWithTraffic);
    Seconds(2);
    ClearSimKeys();
    Key("Left");
    Key("Shift+Esc");
    EXPECT_EQ(SimKeys(), (std::vector<std::string>{"down 0x25", "up 0x25", "down 0x1B", "up 0x1B"}));
    vsim::user::OnSave("C:\\Sim\\second.frc");
    Key("Esc");
    EXPECT_EQ(ModuleMode, (uint32_t)PlayingTraffic);
    EXPECT_TRUE(FileExists("C:\\Sim\\second.frc"));
}

TEST_F(Keyboard, AltCombinationsReachTheSimulator) {
    WriteIni("KEYBOARD", "Record", "116");
    ASSERT_NO_FATAL_FAILURE(StartPlaying());
    ClearSimKeys();
    Timeline = 200000;
    size_t from = vsim::TranscriptLines().size();
    for (const char* key : {"Alt+Home", "Alt+Left", "Alt+Esc", "Alt+Num+", "Alt+F5"}) {
        KeyDown(key);
        KeyUp(key);
    }
    EXPECT_EQ(SimKeys(), (std::vector<std::string>{"sysdown 0x24", "sysup 0x24", "sysdown 0x25", "sysup 0x25",
                                                   "sysdown 0x1B", "sysup 0x1B", "sysdown 0x6B", "sysup 0x6B",
                                                   "sysdown 0x74", "sysup 0x74"}));
    EXPECT_EQ(Timeline, 200000u);
    EXPECT_EQ(SpeedPercent, 100);
    EXPECT_EQ(ModuleMode, (uint32_t)Playing);
    EXPECT_TRUE(OpenedSince(from).empty());
}

// ---- The Keyboard controls dialog ----

TEST_F(Keyboard, DialogOpensWithTheActionListAndAltRules) {
    ASSERT_NO_FATAL_FAILURE(StartFlying());
    bool ran = false;
    vsim::user::OnDialog(132, [&](HWND dialog) {
        ran = true;
        char caption[64];
        GetWindowTextA(dialog, caption, sizeof caption);
        EXPECT_STREQ(caption, "Keyboard controls");
        vsim::win32::ControlInfo list;
        ASSERT_TRUE(vsim::win32::ReadControl(GetDlgItem(dialog, 1039), &list));
        EXPECT_EQ(list.items, std::vector<std::string>(std::begin(ActionTexts), std::end(ActionTexts)));
        EXPECT_EQ(list.selection, -1);
        EXPECT_EQ(HotKeyOf(dialog), 0);
        const vsim::win32::Window* hotKey = vsim::win32::FindWindowObject(GetDlgItem(dialog, 1041));
        ASSERT_NE(hotKey, nullptr);
        EXPECT_EQ(hotKey->invalidCombinations, HKCOMB_A | HKCOMB_SA | HKCOMB_CA | HKCOMB_SCA);
        EXPECT_EQ(hotKey->replacementModifiers, 0);

        // Selecting an entry shows its binding and puts the focus on the hot-key control.
        const struct {
            int entry;
            WORD shown;
        } entries[] = {{0, 0x0024}, {14, 0x016B}, {21, 0x011B}, {16, 0x0000}, {7, 0x0023}};
        for (const auto& entry : entries) {
            SelectEntry(dialog, entry.entry);
            EXPECT_EQ(HotKeyOf(dialog), entry.shown) << ActionTexts[entry.entry];
            EXPECT_EQ(GetFocus(), GetDlgItem(dialog, 1041));
        }
        ClickOn(dialog, IDCANCEL);
    });
    ASSERT_TRUE(Menu("Keyboard..."));
    EXPECT_TRUE(ran);
}

TEST_F(Keyboard, DialogStoresTheEditedBindingsOnOk) {
    ASSERT_NO_FATAL_FAILURE(StartFlying());
    vsim::user::OnDialog(132, [&](HWND dialog) {
        SelectEntry(dialog, 7);        // Jump to end
        TypeHotKey(dialog, 0x0223);    // Ctrl+End (an extended key)
        EXPECT_EQ(HotKeyOf(dialog), 0x0A23);
        SelectEntry(dialog, 19);       // Play as traffic: stores Ctrl+End into Jump to end
        EXPECT_EQ(HotKeyOf(dialog), 0);
        TypeHotKey(dialog, 0x0077);    // F8, stored by OK
        SelectEntry(dialog, 7);
        SelectEntry(dialog, 7);
        EXPECT_EQ(HotKeyOf(dialog), 0x0223) << "the working copy holds the stored code";
        SelectEntry(dialog, 18);       // Replay
        TypeHotKey(dialog, 0x0341);    // Shift+Ctrl+A
        ClickOn(dialog, IDOK);
    });
    ASSERT_TRUE(Menu("Keyboard..."));
    EXPECT_EQ(KeyTable[End], 0x2023);
    EXPECT_EQ(KeyTable[PlayTraffic], 0x0077);
    EXPECT_EQ(KeyTable[Replay], 0x3041);
    std::vector<std::string> section = DefaultKeyboardSection();
    section[7] = "End=8227";
    section[18] = "Replay=12353";
    section[19] = "PlayTraffic=119";
    EXPECT_EQ(IniSection("KEYBOARD"), section);

    // The new bindings work at once.
    EXPECT_EQ(PressAll({"F8"}), (std::vector<std::string>{"open dialog [Load Recording] -> cancel (no answer scripted)"}));
}

TEST_F(Keyboard, DialogClearedHotKeyKeepsOnOkButUnbindsOnSelection) {
    ASSERT_NO_FATAL_FAILURE(StartFlying());
    // Cleared, then OK: the binding stays.
    vsim::user::OnDialog(132, [&](HWND dialog) {
        SelectEntry(dialog, 0);
        TypeHotKey(dialog, 0x0008);  // Backspace clears the control
        EXPECT_EQ(HotKeyOf(dialog), 0);
        ClickOn(dialog, IDOK);
    });
    ASSERT_TRUE(Menu("Keyboard..."));
    EXPECT_EQ(KeyTable[Beginning], 36);
    EXPECT_EQ(IniSection("KEYBOARD"), DefaultKeyboardSection());

    // Cleared, then another entry selected: the first entry is unbound.
    vsim::user::OnDialog(132, [&](HWND dialog) {
        SelectEntry(dialog, 0);
        TypeHotKey(dialog, 0x0008);
        SelectEntry(dialog, 1);
        EXPECT_EQ(HotKeyOf(dialog), 0x0021);
        ClickOn(dialog, IDOK);
    });
    ASSERT_TRUE(Menu("Keyboard..."));
    EXPECT_EQ(KeyTable[Beginning], 0);
    EXPECT_EQ(KeyTable[Back3], 33);
    std::vector<std::string> section = DefaultKeyboardSection();
    section[0] = "Beginning=0";
    EXPECT_EQ(IniSection("KEYBOARD"), section);
}

TEST_F(Keyboard, DialogDefaultKey) {
    WriteIni("KEYBOARD", "Back1", "65");
    WriteIni("KEYBOARD", "Stop", "0");
    ASSERT_NO_FATAL_FAILURE(StartFlying());
    vsim::user::OnDialog(132, [&](HWND dialog) {
        // Nothing selected: the control is cleared and nothing is stored.
        TypeHotKey(dialog, 0x0042);
        ClickOn(dialog, 1100);
        EXPECT_EQ(HotKeyOf(dialog), 0);

        SelectEntry(dialog, 3);  // Jump back step size 1
        EXPECT_EQ(HotKeyOf(dialog), 0x0041);
        TypeHotKey(dialog, 0x0042);
        ClickOn(dialog, 1100);
        EXPECT_EQ(HotKeyOf(dialog), 0x0025);
        EXPECT_EQ(GetFocus(), GetDlgItem(dialog, 1041));
        SelectEntry(dialog, 20);  // Stop recording/playback, unbound here
        EXPECT_EQ(HotKeyOf(dialog), 0);
        ClickOn(dialog, 1100);
        EXPECT_EQ(HotKeyOf(dialog), 0x001B);
        ClickOn(dialog, IDOK);
    });
    ASSERT_TRUE(Menu("Keyboard..."));
    EXPECT_EQ(KeyTable[Back1], 37);
    EXPECT_EQ(KeyTable[Stop], 27);
    // The file held Back1 and Stop before, so compare key by key.
    std::vector<std::string> section;
    for (const std::string& line : DefaultKeyboardSection()) {
        std::string key = line.substr(0, line.find('='));
        section.push_back(key + "=" + IniText("KEYBOARD", key));
    }
    EXPECT_EQ(section, DefaultKeyboardSection());
    EXPECT_EQ(IniSection("KEYBOARD").size(), 22u);
}

TEST_F(Keyboard, DialogCancelChangesNothing) {
    WriteIni("KEYBOARD", "Play", "117");
    ASSERT_NO_FATAL_FAILURE(StartFlying());
    KeyCode before[KeyActionCount];
    memcpy(before, KeyTable, sizeof before);
    std::vector<uint8_t> file = ReadBytes(IniPathOnDrive);
    for (bool closeBox : {false, true}) {
        vsim::user::OnDialog(132, [&](HWND dialog) {
            SelectEntry(dialog, 0);
            TypeHotKey(dialog, 0x0048);
            SelectEntry(dialog, 17);
            TypeHotKey(dialog, 0x0008);
            SelectEntry(dialog, 1);
            if (closeBox) {
                SendMessageA(dialog, WM_CLOSE, 0, 0);
            } else {
                ClickOn(dialog, IDCANCEL);
            }
        });
        ASSERT_TRUE(Menu("Keyboard..."));
        EXPECT_EQ(memcmp(before, KeyTable, sizeof before), 0) << closeBox;
        EXPECT_EQ(ReadBytes(IniPathOnDrive), file) << closeBox;
    }
    EXPECT_EQ(TranscriptStartingWith("dialog 132 closed"),
              (std::vector<std::string>{"dialog 132 closed: result 2", "dialog 132 closed: result 2"}));
}

TEST_F(Keyboard, DialogTurnsAltCombinationsIntoThePlainKey) {
    ASSERT_NO_FATAL_FAILURE(StartFlying());
    vsim::user::OnDialog(132, [&](HWND dialog) {
        SelectEntry(dialog, 0);
        for (WORD alt : {0x0448, 0x0548, 0x0648, 0x0748}) {
            TypeHotKey(dialog, 0x0049);
            TypeHotKey(dialog, alt);
            EXPECT_EQ(HotKeyOf(dialog), 0x0048) << std::hex << alt;
        }
        ClickOn(dialog, IDOK);
    });
    ASSERT_TRUE(Menu("Keyboard..."));
    EXPECT_EQ(KeyTable[Beginning], 0x48);
    EXPECT_EQ(IniText("KEYBOARD", "Beginning"), "72");
}
