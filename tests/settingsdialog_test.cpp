// The Settings dialog: what it shows when it opens, the live estimate of the replay
// buffer, the Step/Search rows and the simulation-rate boxes, what OK stores and in which
// order it rebuilds the recording definition and restarts the replay buffer, Cancel, and
// the replay buffer stopping when replay is switched off.
#include <cstring>
#include <functional>

#include "module/simlink.h"
#include "recording/recorder.h"
#include "recording/track.h"
#include "tests/support/ui_session_helpers.h"
#include "ui/config.h"
#include "vsim/sim/simconnect.h"
#include "vsim/sim/simhost.h"
#include "vsim/sim/simulator.h"
#include "vsim/win32/win32emu.h"

namespace {

const char* const IntervalTexts[] = {"1/8 sec", "1/4 sec", "1/2 sec", "1 sec", "2 sec"};
// "Recorded data" and "Played data" boxes by group bit 0..11.
const int RecordedBoxes[12] = {1019, 1020, 1021, 1022, 1023, 1024, 1025, 1038, 1039, 1037, 1045, 1046};
const int PlayedBoxes[12] = {1026, 1027, 1028, 1029, 1030, 1031, 1032, 1035, 1036, 1034, 1047, 1048};

std::string Estimate(unsigned kilobytes, unsigned seconds) {
    return "Used memory: " + std::to_string(kilobytes) + "kb\nMaximum replay time: " + std::to_string(seconds) +
           " seconds";
}

// The group set the boxes show.
uint32_t BoxGroups(HWND dialog, const int* boxes) {
    uint32_t groups = 0;
    for (int bit = 0; bit < 12; ++bit) {
        if (CheckOf(dialog, boxes[bit]) == BST_CHECKED) groups |= 1u << bit;
    }
    return groups;
}

void SelectIn(HWND dialog, int id, int index) {
    EXPECT_TRUE(vsim::win32::SelectItem(GetDlgItem(dialog, id), index)) << id;
}

// Clicks a check box or radio button unless it already shows the state.
void SetCheck(HWND dialog, int id, bool checked) {
    if ((CheckOf(dialog, id) == BST_CHECKED) != checked) ClickOn(dialog, id);
    EXPECT_EQ(CheckOf(dialog, id) == BST_CHECKED, checked) << id;
}

size_t IndexOf(const std::vector<std::string>& calls, const std::string& prefix, size_t from = 0) {
    for (size_t i = from; i < calls.size(); ++i) {
        if (calls[i].rfind(prefix, 0) == 0) return i;
    }
    return calls.size();
}

}  // namespace

class SettingsDialog : public SessionTest {
protected:
    // Runs the dialog through the menu with a handler; fails when it did not open.
    void RunDialog(std::function<void(HWND)> handler) {
        bool ran = false;
        vsim::user::OnDialog(101, [&](HWND dialog) {
            ran = true;
            handler(dialog);
        });
        ASSERT_TRUE(Menu("Settings..."));
        ASSERT_TRUE(ran);
    }
};

TEST_F(SettingsDialog, OpensWithTheDefaults) {
    ASSERT_NO_FATAL_FAILURE(StartFlying());
    RunDialog([&](HWND dialog) {
        char caption[64];
        GetWindowTextA(dialog, caption, sizeof caption);
        EXPECT_STREQ(caption, "Kestrel Settings");
        vsim::win32::ControlInfo interval;
        ASSERT_TRUE(vsim::win32::ReadControl(GetDlgItem(dialog, 1001), &interval));
        EXPECT_EQ(interval.items, std::vector<std::string>(std::begin(IntervalTexts), std::end(IntervalTexts)));
        EXPECT_EQ(interval.selection, 2) << "1/2 sec";
        EXPECT_EQ(CheckOf(dialog, 1003), (UINT)BST_CHECKED);
        EXPECT_EQ(CheckOf(dialog, 1017), (UINT)BST_CHECKED);
        const struct {
            int step, search, edit, unit;
            const char* value;
        } rows[] = {{1052, 1053, 1010, 1049, "15"}, {1058, 1059, 1015, 1050, "60"}, {1062, 1063, 1016, 1051, "300"}};
        for (const auto& row : rows) {
            EXPECT_EQ(CheckOf(dialog, row.step), (UINT)BST_CHECKED) << row.step;
            EXPECT_EQ(CheckOf(dialog, row.search), (UINT)BST_UNCHECKED) << row.search;
            EXPECT_EQ(TextOf(dialog, row.edit), row.value);
            EXPECT_EQ(TextOf(dialog, row.unit), "sec");
        }
        EXPECT_EQ(CheckOf(dialog, 1008), (UINT)BST_UNCHECKED);
        EXPECT_EQ(CheckOf(dialog, 1018), (UINT)BST_CHECKED);
        EXPECT_EQ(CheckOf(dialog, 1091), (UINT)BST_CHECKED);
        EXPECT_EQ(CheckOf(dialog, 1092), (UINT)BST_UNCHECKED);
        EXPECT_EQ(CheckOf(dialog, 1093), (UINT)BST_UNCHECKED);
        EXPECT_EQ(TextOf(dialog, 1101), "200");
        for (int id : {1094, 1095, 1096, 1043, 1044}) EXPECT_EQ(CheckOf(dialog, id), (UINT)BST_UNCHECKED) << id;
        EXPECT_EQ(BoxGroups(dialog, RecordedBoxes), 127u);
        EXPECT_EQ(BoxGroups(dialog, PlayedBoxes), 127u);
        for (int id : {1054, 1055, 1056}) {
            EXPECT_EQ(CheckOf(dialog, id), (UINT)BST_CHECKED) << id;
            EXPECT_TRUE(EnabledOf(dialog, id)) << id;
        }
        EXPECT_EQ(TextOf(dialog, 1011), "3600");
        EXPECT_EQ(TextOf(dialog, 1012), Estimate(319, 1800)) << "record size 91 for group set 127";
        EXPECT_FALSE(EnabledOf(dialog, 1047)) << "the played Date/time box";
        EXPECT_TRUE(EnabledOf(dialog, 1045));
        EXPECT_TRUE(EnabledOf(dialog, 1048));
        ClickOn(dialog, IDCANCEL);
    });
}

TEST_F(SettingsDialog, OpensWithTheStoredSettings) {
    WriteIni("SETTINGS", "RplyItvl", "2000");
    WriteIni("SETTINGS", "RplyEnabled", "0");
    WriteIni("SETTINGS", "RplyClear", "0");
    WriteIni("SETTINGS", "Search2", "1");
    WriteIni("SETTINGS", "SearchSpeed2", "20");
    WriteIni("SETTINGS", "JumpSize1", "70000");
    WriteIni("WINDOW", "Show", "1");
    WriteIni("SETTINGS", "Pause", "0");
    WriteIni("SETTINGS", "PlayAIMode", "2");
    WriteIni("SETTINGS", "MaxAIAcft", "7");
    WriteIni("SETTINGS", "ContrAiPlay", "1");
    WriteIni("SETTINGS", "NoRecDlg", "3");
    WriteIni("SETTINGS", "RecFlags", "2049");
    WriteIni("SETTINGS", "PlayFlags", "1536");
    WriteIni("SETTINGS", "ShowRec", "5");
    WriteIni("SETTINGS", "SetSimRate", "0");
    WriteIni("SETTINGS", "BufferSize", "100000");
    ASSERT_NO_FATAL_FAILURE(StartFlying());
    RunDialog([&](HWND dialog) {
        vsim::win32::ControlInfo interval;
        ASSERT_TRUE(vsim::win32::ReadControl(GetDlgItem(dialog, 1001), &interval));
        EXPECT_EQ(interval.selection, 4);
        EXPECT_EQ(CheckOf(dialog, 1003), (UINT)BST_UNCHECKED);
        EXPECT_EQ(CheckOf(dialog, 1017), (UINT)BST_UNCHECKED);
        EXPECT_EQ(TextOf(dialog, 1010), "4464") << "the low 16 bits of 70000";
        EXPECT_EQ(CheckOf(dialog, 1059), (UINT)BST_CHECKED);
        EXPECT_EQ(CheckOf(dialog, 1058), (UINT)BST_UNCHECKED);
        EXPECT_EQ(TextOf(dialog, 1015), "20");
        EXPECT_EQ(TextOf(dialog, 1050), "x");
        EXPECT_EQ(TextOf(dialog, 1049), "sec");
        EXPECT_EQ(CheckOf(dialog, 1008), (UINT)BST_CHECKED);
        EXPECT_EQ(CheckOf(dialog, 1018), (UINT)BST_UNCHECKED);
        EXPECT_EQ(CheckOf(dialog, 1091), (UINT)BST_UNCHECKED);
        EXPECT_EQ(CheckOf(dialog, 1093), (UINT)BST_CHECKED);
        EXPECT_EQ(TextOf(dialog, 1101), "7");
        EXPECT_EQ(CheckOf(dialog, 1094), (UINT)BST_CHECKED);
        EXPECT_EQ(CheckOf(dialog, 1095), (UINT)BST_UNCHECKED);
        EXPECT_EQ(CheckOf(dialog, 1096), (UINT)BST_CHECKED);
        EXPECT_EQ(BoxGroups(dialog, RecordedBoxes), 2049u);
        EXPECT_EQ(BoxGroups(dialog, PlayedBoxes), 1536u);
        EXPECT_EQ(CheckOf(dialog, 1043), (UINT)BST_CHECKED);
        EXPECT_EQ(CheckOf(dialog, 1054), (UINT)BST_UNCHECKED);
        EXPECT_EQ(CheckOf(dialog, 1055), (UINT)BST_CHECKED);
        EXPECT_FALSE(EnabledOf(dialog, 1055));
        EXPECT_FALSE(EnabledOf(dialog, 1056));
        EXPECT_EQ(TextOf(dialog, 1011), "72000");
        // 66 + 8 (Throttles) + 1 (Smoke) = 75 bytes; 2000 ms per sample.
        EXPECT_EQ(TextOf(dialog, 1012), Estimate(75u * 72000u / 1024u, 144000));
        ClickOn(dialog, IDCANCEL);
    });
}

TEST_F(SettingsDialog, EstimateFollowsTheControlsAsTheyStand) {
    ASSERT_NO_FATAL_FAILURE(StartFlying());
    RunDialog([&](HWND dialog) {
        TypeInto(dialog, 1011, "100000");
        EXPECT_EQ(TextOf(dialog, 1012), Estimate(8886, 50000)) << "no limit in the estimate";
        ClickOn(dialog, 1046);  // Smoke: 92 bytes
        EXPECT_EQ(TextOf(dialog, 1012), Estimate(8984, 50000));
        TypeInto(dialog, 1011, "3600");
        EXPECT_EQ(TextOf(dialog, 1012), Estimate(323, 1800)) << "the ticked boxes, not the stored RecFlags";
        SelectIn(dialog, 1001, 0);
        EXPECT_EQ(TextOf(dialog, 1012), Estimate(323, 450));
        ClickOn(dialog, 1019);  // Throttles off: 84 bytes
        EXPECT_EQ(TextOf(dialog, 1012), Estimate(295, 450));
        ClickOn(dialog, 1026);  // a "Played data" box changes nothing
        EXPECT_EQ(TextOf(dialog, 1012), Estimate(295, 450));
        TypeInto(dialog, 1011, "");
        EXPECT_EQ(TextOf(dialog, 1012), Estimate(0, 0));
        // Unsigned 32-bit arithmetic: 84 * 4000000000 and 125 * 4000000000 wrap.
        TypeInto(dialog, 1011, "4000000000");
        EXPECT_EQ(TextOf(dialog, 1012), Estimate((84u * 4000000000u) / 1024u, (125u * 4000000000u) / 1000u));
        ClickOn(dialog, IDCANCEL);
    });
    EXPECT_EQ(Settings.BufferSize, 3600u);
    EXPECT_EQ(Settings.RecFlags, 127u);
}

TEST_F(SettingsDialog, StepAndSearchRowsShowTheStoredValue) {
    ASSERT_NO_FATAL_FAILURE(StartFlying());
    RunDialog([&](HWND dialog) {
        ClickOn(dialog, 1053);  // row 1: Search
        EXPECT_EQ(CheckOf(dialog, 1052), (UINT)BST_UNCHECKED);
        EXPECT_EQ(TextOf(dialog, 1010), "5");
        EXPECT_EQ(TextOf(dialog, 1049), "x");
        TypeInto(dialog, 1010, "77");
        ClickOn(dialog, 1052);  // back to Step: the stored jump size, not what was typed
        EXPECT_EQ(TextOf(dialog, 1010), "15");
        EXPECT_EQ(TextOf(dialog, 1049), "sec");
        TypeInto(dialog, 1010, "20");
        ClickOn(dialog, 1053);
        EXPECT_EQ(TextOf(dialog, 1010), "5");
        // A click on the button already checked shows the stored value again as well.
        TypeInto(dialog, 1015, "99");
        ClickOn(dialog, 1058);
        EXPECT_EQ(TextOf(dialog, 1015), "60");
        EXPECT_EQ(TextOf(dialog, 1050), "sec");
        TypeInto(dialog, 1015, "70000");
        ClickOn(dialog, 1063);  // row 3: Search
        EXPECT_EQ(TextOf(dialog, 1016), "50");
        EXPECT_EQ(TextOf(dialog, 1051), "x");
        EXPECT_EQ(CheckOf(dialog, 1053), (UINT)BST_CHECKED) << "each row is its own radio group";
        TypeInto(dialog, 1016, "300");
        ClickOn(dialog, IDOK);
    });
    EXPECT_EQ(Settings.Search1, 1u);
    EXPECT_EQ(Settings.SearchSpeed1, 5);
    EXPECT_EQ(Settings.JumpSize1, 15) << "the other mode's value stays";
    EXPECT_EQ(Settings.Search2, 0u);
    EXPECT_EQ(Settings.JumpSize2, 4464) << "low 16 bits of 70000";
    EXPECT_EQ(Settings.SearchSpeed2, 15);
    EXPECT_EQ(Settings.Search3, 1u);
    EXPECT_EQ(Settings.SearchSpeed3, 100) << "300 is limited to 100";
    EXPECT_EQ(Settings.JumpSize3, 300);
    EXPECT_EQ(IniText("SETTINGS", "SearchSpeed3"), "100");
    EXPECT_EQ(IniText("SETTINGS", "JumpSize2"), "4464");
}

TEST_F(SettingsDialog, SetSimRateGreysItsTwoBoxes) {
    ASSERT_NO_FATAL_FAILURE(StartFlying());
    RunDialog([&](HWND dialog) {
        ClickOn(dialog, 1054);
        EXPECT_FALSE(EnabledOf(dialog, 1055));
        EXPECT_FALSE(EnabledOf(dialog, 1056));
        EXPECT_EQ(CheckOf(dialog, 1055), (UINT)BST_CHECKED) << "the check marks stay";
        ClickOn(dialog, 1054);
        EXPECT_TRUE(EnabledOf(dialog, 1055));
        EXPECT_TRUE(EnabledOf(dialog, 1056));
        ClickOn(dialog, 1054);
        ClickOn(dialog, IDOK);
    });
    EXPECT_EQ(Settings.SetSimRate, 0);
    EXPECT_EQ(Settings.SetSimRateSrch, 0) << "stored as 0 whatever its check mark shows";
    EXPECT_EQ(Settings.LimSimRate, 0);
    EXPECT_EQ(IniText("SETTINGS", "SetSimRateSrch"), "0");
    EXPECT_EQ(IniText("SETTINGS", "LimSimRate"), "0");

    RunDialog([&](HWND dialog) {
        EXPECT_EQ(CheckOf(dialog, 1054), (UINT)BST_UNCHECKED);
        EXPECT_EQ(CheckOf(dialog, 1055), (UINT)BST_UNCHECKED);
        EXPECT_FALSE(EnabledOf(dialog, 1055));
        ClickOn(dialog, 1054);
        ClickOn(dialog, 1056);
        ClickOn(dialog, IDOK);
    });
    EXPECT_EQ(Settings.SetSimRate, 1);
    EXPECT_EQ(Settings.SetSimRateSrch, 0);
    EXPECT_EQ(Settings.LimSimRate, 1);
}

TEST_F(SettingsDialog, OkStoresEveryControlWithItsLimits) {
    ASSERT_NO_FATAL_FAILURE(StartFlying());
    RunDialog([&](HWND dialog) {
        SelectIn(dialog, 1001, 0);
        SetCheck(dialog, 1017, false);
        ClickOn(dialog, 1053);
        TypeInto(dialog, 1010, "300");
        TypeInto(dialog, 1015, "70000");
        TypeInto(dialog, 1016, "");
        SetCheck(dialog, 1008, true);
        SetCheck(dialog, 1018, false);
        ClickOn(dialog, 1092);
        TypeInto(dialog, 1101, "65537");
        SetCheck(dialog, 1094, true);
        SetCheck(dialog, 1095, true);
        SetCheck(dialog, 1096, true);
        SetCheck(dialog, 1019, false);  // recorded Throttles off
        SetCheck(dialog, 1038, true);   // recorded Nav radios on
        SetCheck(dialog, 1030, false);  // played Gear off
        SetCheck(dialog, 1048, true);   // played Smoke on
        SetCheck(dialog, 1043, true);
        SetCheck(dialog, 1044, true);
        SetCheck(dialog, 1056, false);
        TypeInto(dialog, 1011, "100000");
        ClickOn(dialog, IDOK);
    });
    EXPECT_EQ(TranscriptStartingWith("dialog 101 closed"), std::vector<std::string>{"dialog 101 closed: result 1"});
    EXPECT_EQ(IniSection("SETTINGS"),
              (std::vector<std::string>{"RplyItvl=125",    "RplyEnabled=1",    "RplyClear=0",      "JumpSize1=15",
                                        "JumpSize2=4464",  "JumpSize3=0",      "SearchSpeed1=100", "SearchSpeed2=15",
                                        "SearchSpeed3=50", "Search1=1",        "Search2=0",        "Search3=0",
                                        "Pause=0",         "PlayAIMode=1",     "MaxAIAcft=1",      "BufferSize=72000",
                                        "RecFlags=254",    "PlayFlags=2159",   "ShowRec=1",        "ShowPlay=1",
                                        "SetSimRate=1",    "SetSimRateSrch=1", "LimSimRate=0",     "ContrAiPlay=1",
                                        "WindAiPlay=1",    "NoRecDlg=1"}));
    EXPECT_EQ(IniSection("WINDOW"), std::vector<std::string>{"Show=1"});
    EXPECT_EQ(Settings.RplyItvl, 125u);
    EXPECT_EQ(Settings.RplyClear, 0u);
    EXPECT_EQ(Settings.JumpSize3, 0);
    EXPECT_EQ(Settings.Show, 1u);
    EXPECT_EQ(Settings.PlayAIMode, 1);
    EXPECT_EQ(Settings.MaxAIAcft, 1);
    EXPECT_EQ(Settings.BufferSize, 72000u);
    EXPECT_EQ(Settings.RecFlags, 254u);
    EXPECT_EQ(Settings.PlayFlags, 2159u);

    // An empty or zero buffer size is raised to 120.
    for (const char* size : {"0", "", "119"}) {
        RunDialog([&](HWND dialog) {
            TypeInto(dialog, 1011, size);
            ClickOn(dialog, IDOK);
        });
        EXPECT_EQ(Settings.BufferSize, 120u) << '"' << size << '"';
    }
    RunDialog([&](HWND dialog) {
        TypeInto(dialog, 1011, "72000");
        ClickOn(dialog, 1093);
        ClickOn(dialog, IDOK);
    });
    EXPECT_EQ(Settings.BufferSize, 72000u);
    EXPECT_EQ(Settings.PlayAIMode, 2);
}

TEST_F(SettingsDialog, OkSavesThenRebuildsTheDefinitionThenRestartsTheBuffer) {
    ASSERT_NO_FATAL_FAILURE(StartFlying());
    Seconds(20);
    ASSERT_EQ(ModuleMode, (uint32_t)ReplayBuffering);
    ASSERT_GT(TrackTable.entries[0].sampleCount, 30u);
    vsim::ClearSimConnectCalls();
    RunDialog([&](HWND dialog) {
        ClickOn(dialog, 1046);  // recorded Smoke on
        ClickOn(dialog, 1025);  // recorded Engines off
        TypeInto(dialog, 1011, "500");
        SelectIn(dialog, 1001, 3);
        ClickOn(dialog, IDOK);
    });
    EXPECT_EQ(IniText("SETTINGS", "RecFlags"), "2111");
    EXPECT_EQ(IniText("SETTINGS", "BufferSize"), "500");
    EXPECT_EQ(IniText("SETTINGS", "RplyItvl"), "1000");

    const std::vector<std::string>& calls = vsim::SimConnectCalls();
    size_t clear = IndexOf(calls, "ClearDataDefinition(0)");
    size_t smoke = IndexOf(calls, "AddToDataDefinition(0, \"Smoke Enable\"");
    size_t zulu = IndexOf(calls, "RequestDataOnSimObject(5, 4, 0");
    ASSERT_LT(clear, calls.size());
    EXPECT_LT(clear, smoke);
    EXPECT_LT(smoke, zulu) << "the buffer restarts after the definition is rebuilt";
    EXPECT_EQ(IndexOf(calls, "AddToDataDefinition(0, \"General Eng Combustion", clear), calls.size())
        << "Engines are no longer recorded";
    EXPECT_LT(zulu, IndexOf(calls, "SetSystemState(\"DialogMode\", 0)"));

    ASSERT_EQ(ModuleMode, (uint32_t)ReplayBuffering);
    ASSERT_EQ(TrackTable.count, 1);
    const Track& buffer = TrackTable.entries[0];
    EXPECT_EQ(buffer.sampleCount, 0u) << "the buffer starts empty";
    EXPECT_EQ(buffer.capacity, 500u);
    EXPECT_EQ(buffer.groups, 2111u);
    EXPECT_EQ(buffer.interval, 1000u);
    EXPECT_EQ(buffer.memoryOnly, 1u);
    EXPECT_EQ(Timeline, 0u);
    Seconds(5.5);
    EXPECT_GE(TrackTable.entries[0].sampleCount, 5u);
    EXPECT_LE(TrackTable.entries[0].sampleCount, 6u);
}

TEST_F(SettingsDialog, RecordingSettingsOpensRecordFlightAndSurvivesCancel) {
    ASSERT_NO_FATAL_FAILURE(StartFlying());
    HWND settings = nullptr;
    bool recordFlightRan = false;
    vsim::user::OnDialog(102, [&](HWND dialog) {
        recordFlightRan = true;
        EXPECT_EQ(vsim::win32::FindWindowObject(dialog)->owner, vsim::MainWindowHandle());
        EXPECT_NE(vsim::win32::FindWindowObject(settings), nullptr) << "opened from inside the Settings dialog";
        SelectIn(dialog, 1000, 3);
        SetCheck(dialog, 1034, true);
        SelectIn(dialog, 1035, 1);
        TypeInto(dialog, 1036, "30");
        ClickOn(dialog, IDOK);
    });
    RunDialog([&](HWND dialog) {
        settings = dialog;
        ClickOn(dialog, 1018);  // Pause off: discarded by Cancel
        ClickOn(dialog, 1097);
        EXPECT_TRUE(recordFlightRan);
        EXPECT_FALSE(vsim::win32::DialogHasEnded(dialog)) << "the Settings dialog stays open";
        EXPECT_EQ(TextOf(dialog, 1012), Estimate(319, 1800));
        ClickOn(dialog, IDCANCEL);
    });
    EXPECT_EQ(IniSection("RECORD"), (std::vector<std::string>{"DfltItvlIdx=3", "DfltAutostop=1", "DfltAutostopTime=30",
                                                              "RecAI=0", "AIItvlFactor=10"}));
    EXPECT_EQ(RecordOptions.interval, 1000u);
    EXPECT_EQ(RecordOptions.autoStop, 3);
    EXPECT_EQ(RecordOptions.autoStopTime, 300000u);
    EXPECT_EQ(Settings.Pause, 1u);
    EXPECT_TRUE(IniSection("SETTINGS").empty());
    EXPECT_EQ(ModuleMode, (uint32_t)ReplayBuffering);
}

TEST_F(SettingsDialog, PlayedDateTimeBoxIsDisabledAndKeepsItsBit) {
    WriteIni("SETTINGS", "PlayFlags", "1151");
    ASSERT_NO_FATAL_FAILURE(StartFlying());
    RunDialog([&](HWND dialog) {
        EXPECT_EQ(CheckOf(dialog, 1047), (UINT)BST_CHECKED);
        EXPECT_FALSE(EnabledOf(dialog, 1047));
        EXPECT_FALSE(vsim::win32::ClickControl(GetDlgItem(dialog, 1047))) << "a disabled box takes no click";
        ClickOn(dialog, 1045);  // the recorded Date/time box works
        ClickOn(dialog, IDOK);
    });
    EXPECT_EQ(Settings.PlayFlags, 1151u);
    EXPECT_EQ(Settings.RecFlags, 1151u);
    EXPECT_TRUE(MessageTexts().empty());

    // Were the box enabled, checking it would warn; unchecking it would not.
    HWND settings = nullptr;
    RunDialog([&](HWND dialog) {
        settings = dialog;
        EnableWindow(GetDlgItem(dialog, 1047), TRUE);
        ClickOn(dialog, 1047);
        EXPECT_TRUE(MessageTexts().empty()) << "unchecked: no warning";
        ClickOn(dialog, 1047);
        ClickOn(dialog, IDCANCEL);
    });
    const auto& boxes = vsim::user::MessageBoxes();
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].text,
              "Enabling the playback of date and time can cause problems on some system configurations because of "
              "the frequent clock modifications. If you have problems during playback try to disable this option.");
    EXPECT_EQ(boxes[0].caption, "Warning");
    EXPECT_EQ(boxes[0].type, (UINT)(MB_OK | MB_ICONEXCLAMATION));
    EXPECT_EQ(boxes[0].owner, settings) << "owned by the dialog";
    EXPECT_EQ(Settings.PlayFlags, 1151u);
}

TEST_F(SettingsDialog, SwitchingReplayOffStopsTheRunningBuffer) {
    ASSERT_NO_FATAL_FAILURE(StartFlying());
    Seconds(20);
    ASSERT_EQ(ModuleMode, (uint32_t)ReplayBuffering);
    ASSERT_EQ(TrackTable.count, 1);
    RunDialog([&](HWND dialog) {
        ClickOn(dialog, 1003);
        ClickOn(dialog, IDOK);
    });
    EXPECT_EQ(Settings.RplyEnabled, 0u);
    EXPECT_EQ(ModuleMode, (uint32_t)Idle);
    EXPECT_EQ(TrackTable.count, 0) << "the buffer and its memory are gone";
    Seconds(5);
    EXPECT_EQ(ModuleMode, (uint32_t)Idle);
    EXPECT_EQ(TrackTable.count, 0);

    RunDialog([&](HWND dialog) {
        ClickOn(dialog, 1003);
        ClickOn(dialog, IDOK);
    });
    EXPECT_EQ(ModuleMode, (uint32_t)ReplayBuffering);
    ASSERT_EQ(TrackTable.count, 1);
    EXPECT_EQ(TrackTable.entries[0].sampleCount, 0u);
}

TEST_F(SettingsDialog, CancelChangesNothing) {
    ASSERT_NO_FATAL_FAILURE(StartFlying());
    Seconds(10);
    SettingsRecord before = Settings;
    uint32_t samples = TrackTable.entries[0].sampleCount;
    vsim::ClearSimConnectCalls();
    for (bool closeBox : {false, true}) {
        RunDialog([&](HWND dialog) {
            ClickOn(dialog, 1003);
            ClickOn(dialog, 1046);
            ClickOn(dialog, 1063);
            TypeInto(dialog, 1011, "500");
            SelectIn(dialog, 1001, 4);
            if (closeBox) {
                SendMessageA(dialog, WM_CLOSE, 0, 0);
            } else {
                ClickOn(dialog, IDCANCEL);
            }
        });
    }
    EXPECT_EQ(memcmp(&before, &Settings, sizeof before), 0);
    EXPECT_FALSE(FileExists(IniPathOnDrive));
    EXPECT_EQ(IndexOf(vsim::SimConnectCalls(), "ClearDataDefinition"), vsim::SimConnectCalls().size());
    EXPECT_EQ(ModuleMode, (uint32_t)ReplayBuffering);
    EXPECT_EQ(TrackTable.entries[0].sampleCount, samples) << "the buffer runs on untouched";
    EXPECT_EQ(TranscriptStartingWith("dialog 101 closed"),
              (std::vector<std::string>{"dialog 101 closed: result 2", "dialog 101 closed: result 2"}));
}
