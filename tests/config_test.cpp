// The ini file and the in-memory configuration: defaults without a file, the checks on
// load, the 10- and 20-character read buffers, number parsing, the order and text of
// what is saved, the key bindings, and the RECORD defaults of a recording started
// without its dialog.
#include <cstring>
#include <string>
#include <vector>

#include "module/entry.h"
#include "module/simlink.h"
#include "recording/track.h"
#include "tests/support/module_fixture.h"
#include "ui/config.h"
#include "vsim/win32/scripted_user.h"

namespace {

using Lines = std::vector<std::string>;

class ConfigTest : public ModuleTest {
protected:
    void SetUp() override {
        ModuleTest::SetUp();
        strcpy(IniPath, IniPathOnDrive);
        // All zero as in a fresh load, padding included: the tests compare whole records.
        memset(&Settings, 0, sizeof(Settings));
    }
    // The ini file's lines without their line ends.
    Lines IniLines() {
        std::vector<uint8_t> bytes = ReadBytes(IniPathOnDrive);
        Lines lines;
        std::string line;
        for (uint8_t byte : bytes) {
            if (byte == '\n') {
                lines.push_back(line);
                line.clear();
            } else if (byte != '\r') {
                line += char(byte);
            }
        }
        if (!line.empty()) lines.push_back(line);
        return lines;
    }
};

TEST_F(ConfigTest, DefaultsWithoutAnIniFile) {
    memset(&Settings, 0xAB, sizeof(Settings));
    LoadSettings();
    EXPECT_EQ(Settings.RplyItvl, 500u);
    EXPECT_EQ(Settings.RplyEnabled, 1u);
    EXPECT_EQ(Settings.RplyClear, 1u);
    EXPECT_EQ(Settings.Search1, 0u);
    EXPECT_EQ(Settings.Search2, 0u);
    EXPECT_EQ(Settings.Search3, 0u);
    EXPECT_EQ(Settings.JumpSize1, 15);
    EXPECT_EQ(Settings.JumpSize2, 60);
    EXPECT_EQ(Settings.JumpSize3, 300);
    EXPECT_EQ(Settings.SearchSpeed1, 5);
    EXPECT_EQ(Settings.SearchSpeed2, 15);
    EXPECT_EQ(Settings.SearchSpeed3, 50);
    EXPECT_EQ(Settings.Show, 0u);
    EXPECT_EQ(Settings.Pause, 1u);
    EXPECT_EQ(Settings.PlayAIMode, 0);
    EXPECT_EQ(Settings.MaxAIAcft, 200);
    EXPECT_EQ(Settings.BufferSize, 3600u);
    EXPECT_EQ(Settings.RecFlags, 127u);
    EXPECT_EQ(Settings.PlayFlags, 127u);
    EXPECT_EQ(Settings.ShowRec, 0);
    EXPECT_EQ(Settings.ShowPlay, 0);
    EXPECT_EQ(Settings.SetSimRate, 1);
    EXPECT_EQ(Settings.SetSimRateSrch, 1);
    EXPECT_EQ(Settings.LimSimRate, 1);
    EXPECT_EQ(Settings.ContrAiPlay, 0);
    EXPECT_EQ(Settings.WindAiPlay, 0);
    EXPECT_EQ(Settings.NoRecDlg, 0);

    memset(KeyTable, 0xAB, sizeof(KeyTable));
    LoadKeys();
    const KeyCode expected[KeyActionCount] = {
        36,  35,  37,  38,  33,   39,   40, 34, 107, 109, 45,  // Beginning .. SpeedReset (KeyAction order)
        111, 106, 46,  4203, 4205, 27, 4123, 0, 0,   0,   0,   // LoopStart .. PlayTraffic
    };
    for (unsigned action = 0; action < KeyActionCount; ++action) {
        EXPECT_EQ(KeyTable[action], expected[action]) << "action " << action;
    }
    EXPECT_EQ(KeyTable[Stop], VK_ESCAPE);
    EXPECT_EQ(KeyTable[StopHere], KeyShift | VK_ESCAPE);
    EXPECT_EQ(KeyTable[HeightCorrInc], KeyShift | VK_ADD);
    EXPECT_FALSE(FileExists(IniPathOnDrive));  // loading writes nothing
}

TEST_F(ConfigTest, ChecksOnLoad) {
    struct Case {
        const char* key;
        const char* text;
        uint32_t RplyItvl;
        uint32_t BufferSize;
    };
    // The interval keeps only the five choices; the buffer is clamped to 120 .. 72000.
    const Case cases[] = {
        {"", "", 500, 3600},          {"RplyItvl", "300", 500, 3600},  {"RplyItvl", "2000", 2000, 3600},
        {"RplyItvl", "125", 125, 3600}, {"RplyItvl", "abc", 500, 3600}, {"RplyItvl", "-500", 500, 3600},
        {"BufferSize", "50", 500, 120}, {"BufferSize", "100000", 500, 72000}, {"BufferSize", "120", 500, 120},
        {"BufferSize", "72000", 500, 72000}, {"BufferSize", "x", 500, 120}, {"BufferSize", "-7", 500, 120},
        {"BufferSize", "", 500, 120},
    };
    for (const Case& c : cases) {
        WritePrivateProfileStringA("SETTINGS", "RplyItvl", nullptr, IniPathOnDrive);
        WritePrivateProfileStringA("SETTINGS", "BufferSize", nullptr, IniPathOnDrive);
        if (*c.key) WriteIni("SETTINGS", c.key, c.text);
        LoadSettings();
        EXPECT_EQ(Settings.RplyItvl, c.RplyItvl) << c.key << "=" << c.text;
        EXPECT_EQ(Settings.BufferSize, c.BufferSize) << c.key << "=" << c.text;
    }

    WriteIni("SETTINGS", "JumpSize1", "70000");
    WriteIni("SETTINGS", "JumpSize2", "-1");
    WriteIni("SETTINGS", "SearchSpeed1", "300");
    WriteIni("SETTINGS", "SearchSpeed2", "256");
    WriteIni("SETTINGS", "RplyEnabled", "5");
    WriteIni("SETTINGS", "RplyClear", "-3");
    WriteIni("SETTINGS", "Search2", "9");
    WriteIni("SETTINGS", "Pause", "0");
    WriteIni("SETTINGS", "ShowRec", "5");
    WriteIni("SETTINGS", "ShowPlay", "-2");
    WriteIni("SETTINGS", "PlayAIMode", "7");
    WriteIni("SETTINGS", "MaxAIAcft", "65537");
    WriteIni("SETTINGS", "RecFlags", "4095");
    WriteIni("SETTINGS", "PlayFlags", "-1");
    WriteIni("SETTINGS", "NoRecDlg", "12");
    WriteIni("SETTINGS", "Show", "1");  // Show belongs to WINDOW: this one is not read
    LoadSettings();
    EXPECT_EQ(Settings.JumpSize1, 4464);  // low 16 bits
    EXPECT_EQ(Settings.JumpSize2, 65535);
    EXPECT_EQ(Settings.SearchSpeed1, 44);  // low 8 bits
    EXPECT_EQ(Settings.SearchSpeed2, 0);
    EXPECT_EQ(Settings.RplyEnabled, 1u);  // normalized
    EXPECT_EQ(Settings.RplyClear, 1u);
    EXPECT_EQ(Settings.Search1, 0u);
    EXPECT_EQ(Settings.Search2, 1u);
    EXPECT_EQ(Settings.Pause, 0u);
    EXPECT_EQ(Settings.ShowRec, 5);  // as read
    EXPECT_EQ(Settings.ShowPlay, -2);
    EXPECT_EQ(Settings.PlayAIMode, 7);
    EXPECT_EQ(Settings.MaxAIAcft, 1);
    EXPECT_EQ(Settings.RecFlags, 4095u);
    EXPECT_EQ(Settings.PlayFlags, 0xFFFFFFFFu);
    EXPECT_EQ(Settings.NoRecDlg, 12);
    EXPECT_EQ(Settings.Show, 0u);
    WriteIni("WINDOW", "Show", "3");
    LoadSettings();
    EXPECT_EQ(Settings.Show, 1u);
}

TEST_F(ConfigTest, NarrowKeysReadNineCharactersAndWideKeysNineteen) {
    WriteIni("SETTINGS", "PlayAIMode", "1234567890");   // narrow: "123456789"
    WriteIni("SETTINGS", "JumpSize1", "1234567890");    // narrow, then the low 16 bits of 123456789
    WriteIni("SETTINGS", "MaxAIAcft", "0000000077");    // narrow: "000000007"
    WriteIni("SETTINGS", "RplyItvl", "0000000125");     // narrow: 12, no interval choice
    WriteIni("SETTINGS", "RecFlags", "1234567890");     // wide: all ten digits
    WriteIni("SETTINGS", "ShowRec", "0000000000000000012");   // wide: 19 characters fit
    WriteIni("SETTINGS", "ShowPlay", "00000000000000000012"); // wide: the 20th is cut
    WriteIni("WINDOW", "Show", "0000000001");           // narrow: "000000000"
    LoadSettings();
    EXPECT_EQ(Settings.PlayAIMode, 123456789);
    EXPECT_EQ(Settings.JumpSize1, 52501);
    EXPECT_EQ(Settings.MaxAIAcft, 7);
    EXPECT_EQ(Settings.RplyItvl, 500u);
    EXPECT_EQ(Settings.RecFlags, 1234567890u);
    EXPECT_EQ(Settings.ShowRec, 12);
    EXPECT_EQ(Settings.ShowPlay, 1);
    EXPECT_EQ(Settings.Show, 0u);

    WriteIni("KEYBOARD", "Stop", "0000000008227");  // keys are wide
    LoadKeys();
    EXPECT_EQ(KeyTable[Stop], 8227);
    EXPECT_EQ(ReadIniNumber(IniPathOnDrive, "KEYBOARD", "Stop", "0", 10), 0);  // "000000000"
}

TEST_F(ConfigTest, ParseDecimal) {
    struct Case {
        const char* text;
        int32_t value;
    };
    const Case cases[] = {
        {"0", 0},           {"42", 42},         {"-1", -1},          {"+17", 17},
        {"   25", 25},      {"\t-8", -8},       {"12abc", 12},       {"3.9", 3},
        {"abc", 0},         {"", 0},            {"-", 0},            {"+", 0},
        {"- 5", 0},         {"2147483647", 2147483647}, {"-2147483648", INT32_MIN},
        {"4294967295", -1}, {"4294967296", 0},
    };
    for (const Case& c : cases) EXPECT_EQ(ParseDecimal(c.text), c.value) << '"' << c.text << '"';
}

TEST_F(ConfigTest, SaveSettingsWritesEveryKeyInOrder) {
    Settings.RplyItvl = 1000;
    Settings.RplyEnabled = 0;
    Settings.RplyClear = 1;
    Settings.JumpSize1 = 65535;
    Settings.JumpSize2 = 2;
    Settings.JumpSize3 = 3;
    Settings.SearchSpeed1 = 255;
    Settings.SearchSpeed2 = 20;
    Settings.SearchSpeed3 = 100;
    Settings.Search1 = 1;
    Settings.Search2 = 0;
    Settings.Search3 = 1;
    Settings.Show = 1;
    Settings.Pause = 0;
    Settings.PlayAIMode = -1;
    Settings.MaxAIAcft = 0;
    Settings.BufferSize = 72000;
    Settings.RecFlags = 0xFFFFFFFFu;
    Settings.PlayFlags = 0x800;
    Settings.ShowRec = 1;
    Settings.ShowPlay = -5;
    Settings.SetSimRate = 0;
    Settings.SetSimRateSrch = 2;
    Settings.LimSimRate = 0;
    Settings.ContrAiPlay = 1;
    Settings.WindAiPlay = 1;
    Settings.NoRecDlg = 1;
    SettingsRecord saved = Settings;
    SaveSettings();
    EXPECT_EQ(IniLines(), (Lines{
                              "[SETTINGS]",        "RplyItvl=1000",   "RplyEnabled=0",    "RplyClear=1",
                              "JumpSize1=65535",   "JumpSize2=2",     "JumpSize3=3",      "SearchSpeed1=255",
                              "SearchSpeed2=20",   "SearchSpeed3=100", "Search1=1",       "Search2=0",
                              "Search3=1",         "Pause=0",         "PlayAIMode=-1",    "MaxAIAcft=0",
                              "BufferSize=72000",  "RecFlags=-1",     "PlayFlags=2048",   "ShowRec=1",
                              "ShowPlay=-5",       "SetSimRate=0",    "SetSimRateSrch=2", "LimSimRate=0",
                              "ContrAiPlay=1",     "WindAiPlay=1",    "NoRecDlg=1",       "[WINDOW]",
                              "Show=1",
                          }));

    memset(&Settings, 0, sizeof(Settings));
    LoadSettings();
    EXPECT_EQ(memcmp(&Settings, &saved, sizeof(Settings)), 0);

    // Saving again changes values in place and keeps everything else in the file.
    WriteIni("WINDOW", "XPos", "40");
    Settings.BufferSize = 120;
    SaveSettings();
    Lines lines = IniLines();
    EXPECT_EQ(lines.size(), 30u);
    EXPECT_EQ(lines[16], "BufferSize=120");
    EXPECT_EQ(lines.back(), "XPos=40");
}

TEST_F(ConfigTest, KeysAreSavedAndLoadedInDialogOrder) {
    for (unsigned action = 0; action < KeyActionCount; ++action) KeyTable[action] = KeyCode(1000 + action);
    KeyTable[Record] = KeyCtrl | VK_END;
    KeyTable[StopHere] = 0;
    SaveKeys();
    EXPECT_EQ(IniLines(), (Lines{
                              "[KEYBOARD]",       "Beginning=1000",  "Back3=1004",       "Back2=1003",
                              "Back1=1002",       "Forward1=1005",   "Forward2=1006",    "Forward3=1007",
                              "End=1001",         "LoopStart=1011",  "LoopEnd=1012",     "LoopToggle=1013",
                              "SpeedInc=1008",    "SpeedDec=1009",   "SpeedReset=1010",  "HeightCorrInc=1014",
                              "HeightCorrDec=1015", "Record=8227",   "Play=1019",        "Replay=1020",
                              "PlayTraffic=1021", "Stop=1016",       "StopHere=0",
                          }));

    KeyCode saved[KeyActionCount];
    memcpy(saved, KeyTable, sizeof(saved));
    memset(KeyTable, 0, sizeof(KeyTable));
    LoadKeys();
    EXPECT_EQ(memcmp(KeyTable, saved, sizeof(saved)), 0);
    EXPECT_EQ(KeyTable[Record], 0x2023);  // Ctrl+End

    WriteIni("KEYBOARD", "Play", "70000");  // low 16 bits
    WriteIni("KEYBOARD", "Replay", "junk");
    LoadKeys();
    EXPECT_EQ(KeyTable[Play], 4464);
    EXPECT_EQ(KeyTable[Replay], 0);
}

TEST_F(ConfigTest, RecordDefaultsMapTheirChoices) {
    // Interval index 0 .. 4; anything else counts as 1.
    const int32_t indexes[] = {0, 1, 2, 3, 4, 5, -1, 100};
    const uint32_t intervals[] = {125, 250, 500, 1000, 2000, 250, 250, 250};
    for (int i = 0; i < 8; ++i) {
        ApplyRecordDefaults(indexes[i], -1, 60, 0, 4);
        EXPECT_EQ(RecordOptions.interval, intervals[i]) << indexes[i];
    }
    // The auto-stop choice: -1 none, 0 after touchdown, 1 after engine shutdown, 2 after
    // the start; any other value keeps the kind in force.
    const int32_t choices[] = {-1, 0, 1, 2};
    const int32_t kinds[] = {0, 2, 3, 1};
    for (int i = 0; i < 4; ++i) {
        RecordOptions.autoStop = 9;
        ApplyRecordDefaults(1, choices[i], 60, 0, 4);
        EXPECT_EQ(RecordOptions.autoStop, kinds[i]) << choices[i];
    }
    for (int32_t other : {7, 3, -2}) {
        RecordOptions.autoStop = 3;
        ApplyRecordDefaults(1, other, 60, 0, 4);
        EXPECT_EQ(RecordOptions.autoStop, 3) << other;
    }
    ApplyRecordDefaults(1, -1, 60, 0, 4);
    EXPECT_EQ(RecordOptions.autoStopTime, 600000u);
    EXPECT_EQ(RecordOptions.aiFactor, 0);  // AI not recorded
    ApplyRecordDefaults(1, -1, 0, 1, 4);
    EXPECT_EQ(RecordOptions.autoStopTime, 0u);
    EXPECT_EQ(RecordOptions.aiFactor, 4);
    ApplyRecordDefaults(1, -1, 3600, 7, 300);
    EXPECT_EQ(RecordOptions.autoStopTime, 36000000u);
    EXPECT_EQ(RecordOptions.aiFactor, 44);  // low 8 bits
}

TEST_F(ConfigTest, RecordingWithoutDialogAndWithoutRecordSection) {
    WriteIni("SETTINGS", "NoRecDlg", "1");
    ASSERT_TRUE(StartModule());
    ASSERT_TRUE(Menu("Record..."));
    EXPECT_EQ(ModuleMode, uint32_t(Recording));
    EXPECT_EQ(RecordOptions.interval, 250u);
    EXPECT_EQ(RecordOptions.aiFactor, 0);
    EXPECT_EQ(RecordOptions.autoStop, 0);
    EXPECT_EQ(RecordOptions.autoStopTime, 600000u);
    EXPECT_TRUE(vsim::user::MessageBoxes().empty());
    // Reading the defaults writes nothing back.
    for (const std::string& line : IniLines()) EXPECT_NE(line, "[RECORD]");
}

TEST_F(ConfigTest, RecordingWithoutDialogReadsTheRecordSection) {
    WriteIni("SETTINGS", "NoRecDlg", "1");
    WriteIni("RECORD", "DfltItvlIdx", "4");
    WriteIni("RECORD", "DfltAutostop", "1");
    WriteIni("RECORD", "DfltAutostopTime", "1234567890");  // narrow: 123456789 s
    WriteIni("RECORD", "RecAI", "1");                     // factor absent: 4
    ASSERT_TRUE(StartModule());
    ASSERT_TRUE(Menu("Record..."));
    EXPECT_EQ(ModuleMode, uint32_t(Recording));
    EXPECT_EQ(RecordOptions.interval, 2000u);
    EXPECT_EQ(RecordOptions.autoStop, 3);
    EXPECT_EQ(RecordOptions.autoStopTime, 0xFFFFFFFFu);  // too long for 32 bits: the longest time, not a wrap
    EXPECT_EQ(RecordOptions.aiFactor, 4);
}

TEST_F(ConfigTest, UnknownAutostopChoiceKeepsThePreviousKind) {
    WriteIni("SETTINGS", "NoRecDlg", "1");
    WriteIni("RECORD", "DfltAutostop", "7");
    WriteIni("RECORD", "RecAI", "2");
    WriteIni("RECORD", "AIItvlFactor", "300");
    ASSERT_TRUE(StartModule());
    RecordOptions.autoStop = 3;
    ASSERT_TRUE(Menu("Record..."));
    EXPECT_EQ(ModuleMode, uint32_t(Recording));
    EXPECT_EQ(RecordOptions.autoStop, 3);
    EXPECT_EQ(RecordOptions.aiFactor, 44);
}

TEST_F(ConfigTest, StartLoadsSettingsAndKeysFromTheModulesFolder) {
    WriteIni("SETTINGS", "BufferSize", "500");
    WriteIni("KEYBOARD", "Record", "8227");
    ASSERT_TRUE(StartModule());
    EXPECT_EQ(Settings.BufferSize, 500u);
    EXPECT_EQ(KeyTable[Record], KeyCtrl | VK_END);
    EXPECT_EQ(KeyTable[Stop], VK_ESCAPE);
    // The replay buffer took its capacity from the settings.
    ASSERT_EQ(ModuleMode, uint32_t(ReplayBuffering));
    EXPECT_EQ(TrackTable.entries[0].capacity, 500u);
}

}  // namespace
