// The Record Flight dialog as the user meets it from the Add-ons menu: what it shows
// (first use and the remembered defaults), what OK writes to section RECORD and to the
// options of the recording it starts, the clamps of "Record every", and Cancel.
#include <functional>
#include <sstream>
#include <string>
#include <vector>

#include "module/entry.h"
#include "module/simlink.h"
#include "recording/track.h"
#include "tests/support/module_fixture.h"
#include "ui/config.h"
#include "vsim/sim/simconnect.h"
#include "vsim/sim/simulator.h"
#include "vsim/win32/controls.h"
#include "vsim/win32/scripted_user.h"
#include "vsim/win32/user_actions.h"
#include "vsim/win32/window.h"

using vsim::win32::ControlInfo;

namespace {

// What the dialog showed when it opened.
struct Shown {
    bool opened = false;
    std::string caption;
    HWND owner = nullptr;
    std::vector<std::string> intervals, autoStopKinds;
    int interval = -2, autoStopKind = -2;
    UINT autoStop = 99, recordAi = 99;
    std::string seconds, every;
};

ControlInfo Control(HWND dialog, int id) {
    ControlInfo info;
    EXPECT_TRUE(vsim::win32::ReadControl(vsim::win32::FindControl(dialog, id), &info)) << id;
    return info;
}

Shown ReadDialog(HWND dialog) {
    Shown shown;
    shown.opened = true;
    char caption[64] = {};
    GetWindowTextA(dialog, caption, sizeof(caption));
    shown.caption = caption;
    if (const vsim::win32::Window* window = vsim::win32::FindWindowObject(dialog)) shown.owner = window->owner;
    ControlInfo info = Control(dialog, 1000);
    shown.intervals = info.items;
    shown.interval = info.selection;
    shown.autoStop = Control(dialog, 1034).check;
    shown.seconds = Control(dialog, 1036).text;
    info = Control(dialog, 1035);
    shown.autoStopKinds = info.items;
    shown.autoStopKind = info.selection;
    shown.recordAi = Control(dialog, 1089).check;
    shown.every = Control(dialog, 1090).text;
    return shown;
}

void Click(HWND dialog, int id) { EXPECT_TRUE(vsim::win32::ClickControl(vsim::win32::FindControl(dialog, id))); }
void Type(HWND dialog, int id, const std::string& text) {
    EXPECT_TRUE(vsim::win32::TypeText(vsim::win32::FindControl(dialog, id), text));
}
void Pick(HWND dialog, int id, int index) {
    EXPECT_TRUE(vsim::win32::SelectItem(vsim::win32::FindControl(dialog, id), index));
}
void SetCheck(HWND dialog, int id, bool on) {
    if ((Control(dialog, id).check == BST_CHECKED) != on) Click(dialog, id);
}

class RecordDialogTest : public ModuleTest {
protected:
    void SetUp() override {
        ModuleTest::SetUp();
        ASSERT_TRUE(StartModule());
        ASSERT_EQ(ModuleMode, (uint32_t)ReplayBuffering);
    }

    // Opens the dialog from the menu; the handler reads it, then does what the test says.
    Shown Open(std::function<void(HWND)> act) {
        Shown shown;
        vsim::user::OnDialog(102, [&](HWND dialog) {
            shown = ReadDialog(dialog);
            act(dialog);
        });
        EXPECT_TRUE(Menu("Record..."));
        return shown;
    }

    // The keys of section RECORD as the ini file holds them, in file order.
    std::vector<std::pair<std::string, std::string>> RecordSection() const {
        std::vector<uint8_t> bytes = ReadBytes(IniPathOnDrive);
        std::istringstream in(std::string(bytes.begin(), bytes.end()));
        std::vector<std::pair<std::string, std::string>> keys;
        std::string line;
        bool inRecord = false;
        while (std::getline(in, line)) {
            if (!line.empty() && line.back() == '\r') line.pop_back();
            if (!line.empty() && line[0] == '[') {
                inRecord = line == "[RECORD]";
                continue;
            }
            size_t equals = line.find('=');
            if (inRecord && equals != std::string::npos) {
                keys.push_back({line.substr(0, equals), line.substr(equals + 1)});
            }
        }
        return keys;
    }

    // Stops the recording the dialog started, discarding it.
    void DiscardRecording() {
        vsim::user::OnSaveCancel();
        vsim::user::OnMessage("Do you want to continue recording?", vsim::user::AnswerNo);
        ASSERT_TRUE(Menu("Stop..."));
        ASSERT_EQ(ModuleMode, (uint32_t)ReplayBuffering);
    }
};

using KeyValues = std::vector<std::pair<std::string, std::string>>;

TEST_F(RecordDialogTest, FirstUseShowsTheDefaultsAndCancelChangesNothing) {
    RecordOptionsRecord before = RecordOptions;
    unsigned enters = vsim::DialogModeEnters();
    Shown shown = Open([](HWND dialog) { Click(dialog, IDCANCEL); });
    ASSERT_TRUE(shown.opened);
    EXPECT_EQ(shown.caption, "Record Flight");
    EXPECT_EQ(shown.owner, vsim::MainWindowHandle());
    EXPECT_EQ(shown.intervals, (std::vector<std::string>{"1/8 sec", "1/4 sec", "1/2 sec", "1 sec", "2 sec"}));
    EXPECT_EQ(shown.interval, 1);
    EXPECT_EQ(shown.autoStop, (UINT)BST_UNCHECKED);
    EXPECT_EQ(shown.seconds, "60");
    EXPECT_EQ(shown.autoStopKinds,
              (std::vector<std::string>{"after touchdown", "after engine shutdown", "after start of recording"}));
    EXPECT_EQ(shown.autoStopKind, 0);
    EXPECT_EQ(shown.recordAi, (UINT)BST_UNCHECKED);
    EXPECT_EQ(shown.every, "10");

    EXPECT_EQ(ModuleMode, (uint32_t)ReplayBuffering) << "no recording after Cancel";
    EXPECT_TRUE(RecordSection().empty());
    EXPECT_EQ(RecordOptions.interval, before.interval);
    EXPECT_EQ(RecordOptions.autoStop, before.autoStop);
    EXPECT_EQ(RecordOptions.autoStopTime, before.autoStopTime);
    EXPECT_EQ(RecordOptions.aiFactor, before.aiFactor);
    EXPECT_EQ(vsim::DialogModeEnters(), enters + 1);
    EXPECT_FALSE(vsim::DialogModeOn());
}

TEST_F(RecordDialogTest, OkWritesSectionRecordInOrderAndStartsWithTheseOptions) {
    Open([](HWND dialog) {
        Pick(dialog, 1000, 2);  // 1/2 sec
        SetCheck(dialog, 1034, true);
        Pick(dialog, 1035, 1);  // after engine shutdown
        Type(dialog, 1036, "30");
        SetCheck(dialog, 1089, true);
        Type(dialog, 1090, "8");
        Click(dialog, IDOK);
    });
    EXPECT_EQ(RecordSection(), (KeyValues{{"DfltItvlIdx", "2"},
                                          {"DfltAutostop", "1"},
                                          {"DfltAutostopTime", "30"},
                                          {"RecAI", "1"},
                                          {"AIItvlFactor", "8"}}));
    EXPECT_EQ(RecordOptions.interval, 500u);
    EXPECT_EQ(RecordOptions.autoStop, 3);
    EXPECT_EQ(RecordOptions.autoStopTime, 300000u);
    EXPECT_EQ(RecordOptions.aiFactor, 8u);
    EXPECT_EQ(ModuleMode, (uint32_t)Recording);
    DiscardRecording();

    // The defaults are read again the next time.
    Shown shown = Open([](HWND dialog) { Click(dialog, IDCANCEL); });
    EXPECT_EQ(shown.interval, 2);
    EXPECT_EQ(shown.autoStop, (UINT)BST_CHECKED);
    EXPECT_EQ(shown.autoStopKind, 1);
    EXPECT_EQ(shown.seconds, "30");
    EXPECT_EQ(shown.recordAi, (UINT)BST_CHECKED);
    EXPECT_EQ(shown.every, "8");
}

TEST_F(RecordDialogTest, EachAutoStopChoiceAndIntervalGivesItsKind) {
    struct Case {
        int interval;
        bool autoStop;
        int kind;
        const char* seconds;
        uint32_t expectedInterval;
        int expectedKind;
        const char* storedKind;
        uint32_t expectedTime;
    };
    const Case cases[] = {
        {0, true, 0, "60", 125, 2, "0", 600000},   // after touchdown
        {3, true, 2, "5", 1000, 1, "2", 50000},    // after start of recording
        {4, false, 1, "45", 2000, 0, "-1", 450000},  // unticked: no auto stop, the time kept
        {1, true, 1, "0", 250, 3, "1", 0},
        // Too long for 1/10000 s in 32 bits: the longest time that fits, never a wrap.
        {3, true, 2, "429497", 1000, 1, "2", 0xFFFFFFFFu},
        {3, true, 2, "429496", 1000, 1, "2", 4294960000u},
    };
    for (const Case& c : cases) {
        Open([&](HWND dialog) {
            Pick(dialog, 1000, c.interval);
            SetCheck(dialog, 1034, c.autoStop);
            Pick(dialog, 1035, c.kind);
            Type(dialog, 1036, c.seconds);
            Click(dialog, IDOK);
        });
        KeyValues section = RecordSection();
        ASSERT_EQ(section.size(), 5u);
        EXPECT_EQ(section[0].second, std::to_string(c.interval));
        EXPECT_EQ(section[1].second, c.storedKind);
        EXPECT_EQ(section[2].second, c.seconds);
        EXPECT_EQ(RecordOptions.interval, c.expectedInterval);
        EXPECT_EQ(RecordOptions.autoStop, c.expectedKind);
        EXPECT_EQ(RecordOptions.autoStopTime, c.expectedTime);
        DiscardRecording();
    }
}

TEST_F(RecordDialogTest, RecordEveryIsKeptWithinOneAndSixtyFour) {
    const std::pair<const char*, const char*> cases[] = {
        {"0", "1"}, {"100", "64"}, {"64", "64"}, {"1", "1"}, {"", "1"},
    };
    for (const auto& c : cases) {
        Open([&](HWND dialog) {
            SetCheck(dialog, 1089, true);
            Type(dialog, 1090, c.first);
            Click(dialog, IDOK);
        });
        KeyValues section = RecordSection();
        ASSERT_EQ(section.size(), 5u);
        EXPECT_EQ(section[3], (std::pair<std::string, std::string>{"RecAI", "1"}));
        EXPECT_EQ(section[4], (std::pair<std::string, std::string>{"AIItvlFactor", c.second})) << c.first;
        EXPECT_EQ(RecordOptions.aiFactor, (uint8_t)std::stoi(c.second));
        DiscardRecording();
    }
}

TEST_F(RecordDialogTest, UntickedRecordAiKeepsTheFactorInTheFileButRecordsNoTraffic) {
    Open([](HWND dialog) {
        SetCheck(dialog, 1089, false);
        Type(dialog, 1090, "8");
        Click(dialog, IDOK);
    });
    KeyValues section = RecordSection();
    ASSERT_EQ(section.size(), 5u);
    EXPECT_EQ(section[3], (std::pair<std::string, std::string>{"RecAI", "0"}));
    EXPECT_EQ(section[4], (std::pair<std::string, std::string>{"AIItvlFactor", "8"}));
    EXPECT_EQ(RecordOptions.aiFactor, 0u);
    ASSERT_EQ(ModuleMode, (uint32_t)Recording);
    // An AI aircraft about stays out of the recording.
    vsim::AddAi("Traffic", "orbit");
    Frames(30);
    EXPECT_EQ(TrackTable.count, 1u);
}

TEST_F(RecordDialogTest, CancelAfterChangesKeepsTheStoredDefaults) {
    WriteIni("RECORD", "DfltItvlIdx", "3");
    WriteIni("RECORD", "DfltAutostop", "2");
    WriteIni("RECORD", "DfltAutostopTime", "90");
    WriteIni("RECORD", "RecAI", "1");
    WriteIni("RECORD", "AIItvlFactor", "12");
    KeyValues stored = RecordSection();
    RecordOptionsRecord before = RecordOptions;
    Shown shown = Open([](HWND dialog) {
        Pick(dialog, 1000, 0);
        SetCheck(dialog, 1034, false);
        Type(dialog, 1036, "5");
        SetCheck(dialog, 1089, false);
        Type(dialog, 1090, "3");
        Click(dialog, IDCANCEL);
    });
    EXPECT_EQ(shown.interval, 3);
    EXPECT_EQ(shown.autoStop, (UINT)BST_CHECKED);
    EXPECT_EQ(shown.autoStopKind, 2);
    EXPECT_EQ(shown.seconds, "90");
    EXPECT_EQ(shown.recordAi, (UINT)BST_CHECKED);
    EXPECT_EQ(shown.every, "12");
    EXPECT_EQ(RecordSection(), stored);
    EXPECT_EQ(RecordOptions.interval, before.interval);
    EXPECT_EQ(RecordOptions.aiFactor, before.aiFactor);
    EXPECT_EQ(ModuleMode, (uint32_t)ReplayBuffering);
}

TEST_F(RecordDialogTest, AStoredIntervalOutOfRangeShowsQuarterSeconds) {
    for (const char* stored : {"5", "-1", "x"}) {
        WriteIni("RECORD", "DfltItvlIdx", stored);
        Shown shown = Open([](HWND dialog) { Click(dialog, IDCANCEL); });
        EXPECT_EQ(shown.interval, stored == std::string("x") ? 0 : 1) << stored;
    }
}

}  // namespace
