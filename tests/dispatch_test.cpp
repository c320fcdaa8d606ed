// The dispatch callback and the frame loop: the status line (interval, texts, colours,
// suffixes), the AI aircraft list, the replies to the module's requests, the Level-D
// title test, flight and aircraft loads, the frame clock, and menu commands in modes
// that they do not serve.
#include <dirent.h>

#include <cmath>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "module/dispatch.h"
#include "module/simcommands.h"
#include "module/simlink.h"
#include "module/versioncheck.h"
#include "playback/position.h"
#include "playback/player.h"
#include "recording/recorder.h"
#include "recording/track.h"
#include "tests/support/dispatch_records.h"
#include "tests/support/module_fixture.h"
#include "tests/support/session_helpers.h"
#include "ui/config.h"
#include "vsim/sim/aircraft.h"
#include "vsim/sim/hostdlls.h"
#include "vsim/sim/simconnect.h"
#include "vsim/sim/simhost.h"
#include "vsim/sim/simulator.h"
#include "vsim/win32/scripted_user.h"

// The program's allocator, wrapped so that a test can make the next resize fail as it
// would on a full heap. Everything else goes straight to the C library, or to
// AddressSanitizer's allocator in the sanitize build.
#if defined(__has_feature)
#if __has_feature(address_sanitizer)
#define KESTREL_ASAN_REALLOC 1
#endif
#endif
#ifdef KESTREL_ASAN_REALLOC
extern "C" void* __interceptor_realloc(void* block, size_t size);
#define NEXT_REALLOC __interceptor_realloc
#else
extern "C" void* __libc_realloc(void* block, size_t size);
#define NEXT_REALLOC __libc_realloc
#endif
static int FailingReallocs = 0;
extern "C" void* realloc(void* block, size_t size) noexcept {
    if (FailingReallocs > 0) {
        --FailingReallocs;
        return nullptr;
    }
    return NEXT_REALLOC(block, size);
}

namespace {

using Lines = std::vector<std::string>;

Lines TakeCalls() {
    Lines calls = vsim::SimConnectCalls();
    vsim::ClearSimConnectCalls();
    return calls;
}

std::vector<uint32_t> ListedAircraft() {
    return std::vector<uint32_t>(AircraftList.ids, AircraftList.ids + AircraftList.count);
}

class DispatchTest : public ModuleTest {
protected:
    // Starts with the replay buffer off, so the module stays Idle.
    void StartIdle() {
        WriteIni("SETTINGS", "RplyEnabled", "0");
        ASSERT_TRUE(StartModule());
        ASSERT_EQ(ModuleMode, uint32_t(Idle));
        vsim::ClearSimConnectCalls();
    }
    // The status line printed by ShowStatusLine now, as its SimConnect call; "" for none.
    std::string StatusCall() {
        vsim::ClearSimConnectCalls();
        ShowStatusLine();
        Lines calls = TakeCalls();
        EXPECT_LE(calls.size(), 1u);
        return calls.empty() ? "" : calls[0];
    }
    // Runs single frames and returns the GetTickCount value of each frame that printed
    // a status line.
    std::vector<uint32_t> PrintTicks(unsigned frames) {
        std::vector<uint32_t> ticks;
        for (unsigned i = 0; i < frames; ++i) {
            size_t before = vsim::TextLines().size();
            Frames(1);
            if (vsim::TextLines().size() > before) ticks.push_back(GetTickCount());
        }
        return ticks;
    }
    static std::vector<uint32_t> Gaps(const std::vector<uint32_t>& ticks) {
        std::vector<uint32_t> gaps;
        for (size_t i = 1; i < ticks.size(); ++i) gaps.push_back(ticks[i] - ticks[i - 1]);
        return gaps;
    }
};

// ---- Status line ----

TEST_F(DispatchTest, StatusLineTextsAndColoursByMode) {
    StartIdle();
    Settings.ShowRec = 1;
    Settings.ShowPlay = 1;
    PlaybackStart = 50000;
    PlaybackEnd = 950000;
    Timeline = 173000;
    LoopEnabled = 0;
    SpeedIndex = 4;

    ModuleMode = Recording;
    EXPECT_EQ(StatusCall(), "Text(258, 1, 0, 100, \"RECORDING [17 seconds]\")");
    ModuleMode = Playing;
    EXPECT_EQ(StatusCall(), "Text(259, 1, 0, 100, \"PLAYBACK [12 / 90 seconds]\")");
    ModuleMode = Replaying;  // the seconds still to go
    EXPECT_EQ(StatusCall(), "Text(259, 1, 0, 100, \"REPLAY [77 seconds]\")");
    ModuleMode = PlayingTraffic;
    EXPECT_EQ(StatusCall(), "Text(260, 1, 0, 100, \"TRAFFIC PLAYBACK [12 / 90 seconds]\")");
    ModuleMode = RecordingWithTraffic;
    EXPECT_EQ(StatusCall(), "Text(262, 1, 0, 100, \"RECORDING + TRAFFIC PLAYBACK [12 / 90 seconds]\")");
    ModuleMode = Idle;
    EXPECT_EQ(StatusCall(), "");
    ModuleMode = ReplayBuffering;
    EXPECT_EQ(StatusCall(), "");
    EXPECT_EQ(vsim::TextLines().back().text, "RECORDING + TRAFFIC PLAYBACK [12 / 90 seconds]");
}

TEST_F(DispatchTest, StatusLineShownOnlyWithItsSetting) {
    StartIdle();
    PlaybackStart = 0;
    PlaybackEnd = 100000;
    Timeline = 20000;
    SpeedIndex = 4;
    Settings.ShowRec = 0;
    Settings.ShowPlay = 0;
    for (uint32_t mode : {Recording, Playing, Replaying, PlayingTraffic, RecordingWithTraffic}) {
        ModuleMode = mode;
        EXPECT_EQ(StatusCall(), "") << mode;
    }
    // ShowRec alone: recordings only, and the recording beside traffic.
    Settings.ShowRec = 5;
    for (uint32_t mode : {Playing, Replaying, PlayingTraffic}) {
        ModuleMode = mode;
        EXPECT_EQ(StatusCall(), "") << mode;
    }
    ModuleMode = Recording;
    EXPECT_EQ(StatusCall(), "Text(258, 1, 0, 100, \"RECORDING [2 seconds]\")");
    ModuleMode = RecordingWithTraffic;
    EXPECT_NE(StatusCall(), "");
    // ShowPlay alone: playbacks, and the recording beside traffic, but not a recording.
    Settings.ShowRec = 0;
    Settings.ShowPlay = -1;
    ModuleMode = Recording;
    EXPECT_EQ(StatusCall(), "");
    for (uint32_t mode : {Playing, Replaying, PlayingTraffic, RecordingWithTraffic}) {
        ModuleMode = mode;
        EXPECT_NE(StatusCall(), "") << mode;
    }
}

TEST_F(DispatchTest, StatusLineLoopAndSpeedSuffixes) {
    StartIdle();
    Settings.ShowRec = 1;
    Settings.ShowPlay = 1;
    PlaybackStart = 0;
    PlaybackEnd = 600000;
    Timeline = 305000;

    ModuleMode = Playing;
    LoopEnabled = 1;
    SpeedIndex = 4;  // normal speed: no speed suffix
    EXPECT_EQ(StatusCall(), "Text(259, 1, 0, 100, \"PLAYBACK [30 / 60 seconds] (loop)\")");
    SpeedIndex = 0;
    EXPECT_EQ(StatusCall(), "Text(259, 1, 0, 100, \"PLAYBACK [30 / 60 seconds] (loop) (speed 10%)\")");
    LoopEnabled = 0;
    const char* const percents[9] = {"10", "20", "33", "50", "", "200", "300", "500", "1000"};
    for (uint8_t step = 0; step < 9; ++step) {
        SpeedIndex = step;
        std::string expected = std::string("PLAYBACK [30 / 60 seconds]") +
                               (step == 4 ? "" : std::string(" (speed ") + percents[step] + "%)");
        EXPECT_EQ(StatusCall(), "Text(259, 1, 0, 100, \"" + expected + "\")") << int(step);
    }

    SpeedIndex = 8;
    LoopEnabled = 1;
    ModuleMode = Replaying;
    EXPECT_EQ(StatusCall(), "Text(259, 1, 0, 100, \"REPLAY [29 seconds] (loop) (speed 1000%)\")");
    ModuleMode = PlayingTraffic;
    EXPECT_EQ(StatusCall(), "Text(260, 1, 0, 100, \"TRAFFIC PLAYBACK [30 / 60 seconds] (loop) (speed 1000%)\")");
    // Beside a recording the loop is shown, never the speed; a recording shows neither.
    ModuleMode = RecordingWithTraffic;
    EXPECT_EQ(StatusCall(), "Text(262, 1, 0, 100, \"RECORDING + TRAFFIC PLAYBACK [30 / 60 seconds] (loop)\")");
    LoopEnabled = 0;
    EXPECT_EQ(StatusCall(), "Text(262, 1, 0, 100, \"RECORDING + TRAFFIC PLAYBACK [30 / 60 seconds]\")");
    ModuleMode = Recording;
    LoopEnabled = 1;
    EXPECT_EQ(StatusCall(), "Text(258, 1, 0, 100, \"RECORDING [30 seconds]\")");
}

TEST_F(DispatchTest, StatusLineIntervalFollowsTheSimRateUnlessPaused) {
    WriteIni("SETTINGS", "ShowRec", "1");
    WriteIni("SETTINGS", "NoRecDlg", "1");
    ASSERT_TRUE(StartModule());
    ASSERT_TRUE(vsim::SetFrameRate(1000.0));  // one frame per millisecond
    ASSERT_TRUE(Menu("Record..."));
    ASSERT_EQ(ModuleMode, uint32_t(Recording));

    // Normal rate: a line after more than 800 ms, so every 801 ms at 1 ms frames.
    std::vector<uint32_t> ticks = PrintTicks(3000);
    ASSERT_EQ(ticks.size(), 3u);
    EXPECT_EQ(ticks[0], 801u);
    EXPECT_EQ(Gaps(ticks), (std::vector<uint32_t>{801, 801}));
    EXPECT_EQ(vsim::TextLines()[0].type, DWORD(SIMCONNECT_TEXT_TYPE_PRINT_RED));

    struct RateCase {
        double rate;
        uint32_t gap;
    };
    // Half rate (128) is not above 256; then 204800 / SimRate ms.
    for (RateCase c : {RateCase{0.5, 801}, RateCase{2.0, 401}, RateCase{3.0, 267}, RateCase{4.0, 201}}) {
        vsim::SetSimRate(c.rate);
        PrintTicks(1000);  // the interval in force when the rate changed ends first
        std::vector<uint32_t> gaps = Gaps(PrintTicks(2500));
        ASSERT_GE(gaps.size(), 2u) << c.rate;
        for (uint32_t gap : gaps) EXPECT_EQ(gap, c.gap) << "rate " << c.rate;
    }

    // Paused at four times the rate: 800 ms again, and the text still shows.
    vsim::SetPaused(true);
    PrintTicks(1000);
    std::vector<uint32_t> paused = PrintTicks(2500);
    EXPECT_EQ(Gaps(paused), (std::vector<uint32_t>{801, 801}));
    EXPECT_EQ(GetSimRate(), 1024);
}

TEST_F(DispatchTest, ReplayStatusCountsDownToTheEndOfTheBuffer) {
    WriteIni("SETTINGS", "ShowPlay", "1");
    ASSERT_TRUE(StartModule());
    ASSERT_EQ(ModuleMode, uint32_t(ReplayBuffering));
    Seconds(30);
    EXPECT_TRUE(vsim::TextLines().empty());  // nothing while buffering
    std::vector<vsim::user::DialogAction> actions;
    std::string error;
    ASSERT_TRUE(vsim::user::ParseDialogActions("set 1005 20; click 1", &actions, &error)) << error;
    vsim::user::OnDialog(103, actions);
    ASSERT_TRUE(Menu("Replay..."));
    ASSERT_EQ(ModuleMode, uint32_t(Replaying));

    Seconds(12);
    std::vector<int> seconds;
    for (const vsim::TextLine& line : vsim::TextLines()) {
        int value = -1;
        ASSERT_EQ(sscanf(line.text.c_str(), "REPLAY [%d seconds]", &value), 1) << line.text;
        EXPECT_EQ(line.type, DWORD(SIMCONNECT_TEXT_TYPE_PRINT_GREEN));
        seconds.push_back(value);
    }
    // From (nearly) the 20 seconds chosen down, one second per second of replay.
    ASSERT_GE(seconds.size(), 12u);
    EXPECT_GE(seconds.front(), 18);
    EXPECT_LE(seconds.front(), 20);
    for (size_t i = 1; i < seconds.size(); ++i) {
        EXPECT_TRUE(seconds[i] == seconds[i - 1] || seconds[i] == seconds[i - 1] - 1) << i;
    }
    EXPECT_GE(seconds.front() - seconds.back(), 10);
}

// ---- AircraftList ----

TEST_F(DispatchTest, AircraftListGrowsByTenAndShrinksWhenTwentyAreFree) {
    StartIdle();
    EXPECT_EQ(AircraftList.capacity, 10u);
    EXPECT_EQ(ListedAircraft(), std::vector<uint32_t>{1});

    std::vector<uint32_t> expected = {1};
    for (uint32_t id = 101; id <= 109; ++id) {
        AddAircraft(id);
        expected.push_back(id);
    }
    EXPECT_EQ(AircraftList.capacity, 10u);
    AddAircraft(110);  // the 11th id
    expected.push_back(110);
    EXPECT_EQ(AircraftList.capacity, 20u);
    EXPECT_EQ(ListedAircraft(), expected);
    for (uint32_t id = 111; id <= 120; ++id) AddAircraft(id);
    EXPECT_EQ(AircraftList.count, 21u);
    EXPECT_EQ(AircraftList.capacity, 30u);

    // Removing keeps the order of the others; the list shrinks once count <= capacity - 20.
    RemoveAircraft(105);
    EXPECT_EQ(AircraftList.count, 20u);
    EXPECT_EQ(AircraftList.ids[4], 104u);
    EXPECT_EQ(AircraftList.ids[5], 106u);
    for (uint32_t id = 111; id <= 119; ++id) RemoveAircraft(id);
    EXPECT_EQ(AircraftList.count, 11u);
    EXPECT_EQ(AircraftList.capacity, 30u);
    RemoveAircraft(120);  // count 10 = 30 - 20
    EXPECT_EQ(AircraftList.count, 10u);
    EXPECT_EQ(AircraftList.capacity, 20u);
    for (uint32_t id : {101u, 102u, 103u, 104u, 106u, 107u, 108u, 109u, 110u}) RemoveAircraft(id);
    EXPECT_EQ(ListedAircraft(), std::vector<uint32_t>{1});
    EXPECT_EQ(AircraftList.capacity, 20u);  // never below 20 once grown

    // Entry 0 stays, and an absent id changes nothing.
    RemoveAircraft(1);
    RemoveAircraft(555);
    EXPECT_EQ(ListedAircraft(), std::vector<uint32_t>{1});
}

TEST_F(DispatchTest, FailedGrowthKeepsTheListAsItWas) {
    StartIdle();
    for (uint32_t id = 101; id <= 109; ++id) AddAircraft(id);
    ASSERT_EQ(AircraftList.count, 10u);
    uint32_t* storage = AircraftList.ids;
    std::vector<uint32_t> before = ListedAircraft();

    FailingReallocs = 1;
    AddAircraft(110);
    EXPECT_EQ(FailingReallocs, 0);  // the growth was tried
    EXPECT_EQ(AircraftList.ids, storage);
    EXPECT_EQ(AircraftList.capacity, 10u);
    EXPECT_EQ(ListedAircraft(), before);
    EXPECT_EQ(NextAircraftId(109), 1u);

    // The next announcement, with memory to spare, is taken.
    AddAircraft(110);
    EXPECT_EQ(AircraftList.capacity, 20u);
    EXPECT_EQ(AircraftList.count, 11u);
    EXPECT_EQ(AircraftList.ids[10], 110u);

    // A failed shrink keeps the larger storage, which still holds every entry.
    for (uint32_t id = 111; id <= 120; ++id) AddAircraft(id);
    ASSERT_EQ(AircraftList.capacity, 30u);
    for (uint32_t id = 110; id <= 119; ++id) RemoveAircraft(id);
    ASSERT_EQ(AircraftList.count, 11u);
    FailingReallocs = 1;
    RemoveAircraft(120);  // count 10 = 30 - 20: the shrink is tried
    EXPECT_EQ(AircraftList.capacity, 30u);
    EXPECT_EQ(AircraftList.count, 10u);
    EXPECT_EQ(AircraftList.ids[9], 109u);
}

TEST_F(DispatchTest, ObjectAddedIgnoresTheUserIdZeroOtherObjectsAndDuplicates) {
    StartIdle();
    DeliverObjectEvent(EventObjectAdded, 1);  // the user's own object
    DeliverObjectEvent(EventObjectAdded, 0);
    DeliverObjectEvent(EventObjectAdded, 300, SIMCONNECT_SIMOBJECT_TYPE_BOAT);
    DeliverObjectEvent(EventObjectAdded, 301, SIMCONNECT_SIMOBJECT_TYPE_GROUND);
    DeliverObjectEvent(EventObjectAdded, 302, SIMCONNECT_SIMOBJECT_TYPE_HELICOPTER);
    EXPECT_EQ(ListedAircraft(), std::vector<uint32_t>{1});

    DeliverObjectEvent(EventObjectAdded, 200);
    DeliverObjectEvent(EventObjectAdded, 201);
    DeliverObjectEvent(EventObjectAdded, 200);
    EXPECT_EQ(ListedAircraft(), (std::vector<uint32_t>{1, 200, 201}));

    // Removals of the user, of other objects and of unknown ids change nothing.
    DeliverObjectEvent(EventObjectRemoved, 1);
    DeliverObjectEvent(EventObjectRemoved, 200, SIMCONNECT_SIMOBJECT_TYPE_BOAT);
    DeliverObjectEvent(EventObjectRemoved, 999);
    EXPECT_EQ(ListedAircraft(), (std::vector<uint32_t>{1, 200, 201}));
    DeliverObjectEvent(EventObjectRemoved, 200);
    EXPECT_EQ(ListedAircraft(), (std::vector<uint32_t>{1, 201}));
    EXPECT_TRUE(TakeCalls().empty());
}

TEST_F(DispatchTest, SimulatorTrafficIsListedInAnnouncementOrder) {
    StartIdle();
    uint32_t a = vsim::AddAi("Beech Baron 58", "orbit");
    uint32_t b = vsim::AddAi("Mooney Bravo", "circuit");
    uint32_t c = vsim::AddAi("Piper Cub", "parked");
    EXPECT_EQ(ListedAircraft(), (std::vector<uint32_t>{1, a, b, c}));
    ASSERT_TRUE(vsim::RemoveAi(2));
    EXPECT_EQ(ListedAircraft(), (std::vector<uint32_t>{1, a, c}));
}

// Finds the one file of the folder whose name starts with the prefix; "" for none.
std::string FindFile(const std::string& folder, const std::string& prefix) {
    std::string found;
    DIR* dir = opendir(folder.c_str());
    if (!dir) return found;
    while (dirent* entry = readdir(dir)) {
        std::string name = entry->d_name;
        if (name.rfind(prefix, 0) == 0) found = name;
    }
    closedir(dir);
    return found;
}

TEST_F(DispatchTest, RemovedAircraftFinalizesItsRecordingTrack) {
    WriteIni("SETTINGS", "NoRecDlg", "1");
    WriteIni("RECORD", "RecAI", "1");
    WriteIni("RECORD", "AIItvlFactor", "1");
    ASSERT_TRUE(StartModule());
    uint32_t first = vsim::AddAi("Beech Baron 58", "orbit");
    uint32_t second = vsim::AddAi("Mooney Bravo", "orbit");
    ASSERT_TRUE(Menu("Record..."));
    ASSERT_EQ(ModuleMode, uint32_t(Recording));
    Seconds(3);
    ASSERT_EQ(TrackTable.count, 3u);
    ASSERT_EQ(ActiveTrafficCount, 2u);
    Track* gone = &TrackTable.entries[1];
    ASSERT_EQ(gone->objectId, first);
    ASSERT_NE(gone->buffer, nullptr);
    ASSERT_NE(gone->file, nullptr);
    uint32_t samples = gone->sampleCount;
    ASSERT_GT(samples, 5u);

    ASSERT_TRUE(vsim::RemoveAi(1));
    EXPECT_EQ(ListedAircraft(), (std::vector<uint32_t>{1, second}));
    ASSERT_EQ(TrackTable.count, 3u);  // the track stays, closed
    gone = &TrackTable.entries[1];
    EXPECT_EQ(gone->objectId, first);
    EXPECT_EQ(gone->buffer, nullptr);
    EXPECT_EQ(gone->file, nullptr);
    EXPECT_EQ(gone->sampleCount, samples);
    EXPECT_EQ(ActiveTrafficCount, 1u);
    EXPECT_NE(TrackTable.entries[2].buffer, nullptr);  // the other aircraft records on
    // Its temp file holds the header with the final count.
    std::vector<uint8_t> temp = ReadBytes("C:\\Sim\\Modules\\Kestrel" + std::to_string(first) + ".tmp");
    ASSERT_GE(temp.size(), 124u);
    EXPECT_EQ(uint32_t(temp[0] | temp[1] << 8 | temp[2] << 16 | uint32_t(temp[3]) << 24), samples);
    EXPECT_EQ(temp.size(), 124u + samples * uint32_t(gone->layout.recordSize));

    Seconds(1);
    EXPECT_EQ(TrackTable.entries[1].sampleCount, samples);
    ASSERT_TRUE(Menu("Stop..."));
    EXPECT_EQ(ModuleMode, uint32_t(ReplayBuffering));
    std::string saved = FindFile(HostPath("C:\\Sim\\Modules"), "Rec_");
    ASSERT_FALSE(saved.empty());
    std::vector<uint8_t> file = ReadBytes("C:\\Sim\\Modules\\" + saved);
    ASSERT_GE(file.size(), 18u);
    EXPECT_EQ(file[16] | file[17] << 8, 3);  // the user's aircraft and both AI aircraft
}

// ---- Replies to the module's requests ----

TEST_F(DispatchTest, ControlDataReplyDecodesEngineGroundAndBrake) {
    StartIdle();
    struct Case {
        double engine, ground, brake;
        uint8_t wantEngine, wantGround, wantBrake;
    };
    const Case cases[] = {
        {1.0, 0.0, 0.5, 1, 0, 1},
        {0.0, 1.0, 0.0, 0, 1, 0},
        {0.0, 0.99, 1e-9, 0, 0, 1},      // truncated; any brake position above 0 is set
        {257.9, 513.0, -0.25, 1, 1, 0},  // the low byte of the whole number
    };
    for (const Case& c : cases) {
        DeliverObjectData(ReqControlData, 1, DefControlData, DoublesBlock({c.engine, c.ground, c.brake}));
        EXPECT_EQ(EngineRunning, c.wantEngine) << c.engine;
        EXPECT_EQ(OnGround, c.wantGround) << c.ground;
        EXPECT_EQ(ParkingBrakeSet, c.wantBrake) << c.brake;
    }
    // A reply too short for three values is not read.
    DeliverObjectData(ReqControlData, 1, DefControlData, DoublesBlock({0.0, 0.0}));
    EXPECT_EQ(EngineRunning, 1);
    EXPECT_EQ(OnGround, 1);
}

TEST_F(DispatchTest, ZuluReplyPacksTheDateIntoTheStamp) {
    StartIdle();
    DeliverObjectData(ReqZuluDateTime, 1, DefZulu, DoublesBlock({2024.0, 172.0, 43200.75}));
    EXPECT_EQ(ZuluStamp, 3936081600u);
    DeliverObjectData(ReqZuluDateTime, 1, DefZulu, DoublesBlock({1900.0, 0.0, 0.0}));
    EXPECT_EQ(ZuluStamp, 0u);
    // Past 2036 the stamp keeps its low 32 bits.
    DeliverObjectData(ReqZuluDateTime, 1, DefZulu, DoublesBlock({2100.0, 1.0, 0.0}));
    EXPECT_EQ(ZuluStamp, 2029599104u);
}

TEST_F(DispatchTest, SplitZuluStampInvertsThePacking) {
    struct Stamp {
        uint16_t year, day;
        uint8_t hour, minute, second;
    };
    const Stamp stamps[] = {
        {1900, 0, 0, 0, 0}, {2024, 172, 12, 0, 0}, {2024, 365, 23, 59, 59}, {1999, 1, 0, 0, 1}, {2035, 1, 7, 8, 9},
    };
    for (const Stamp& s : stamps) {
        uint32_t stamp = ((uint32_t(s.year) - 1900) * 366 + s.day) * 86400 + s.hour * 3600 + s.minute * 60 + s.second;
        uint16_t year = 0, day = 0;
        uint8_t hour = 99, minute = 99, second = 99;
        SplitZuluStamp(stamp, &year, &day, &hour, &minute, &second);
        EXPECT_EQ(year, s.year) << stamp;
        EXPECT_EQ(day, s.day) << stamp;
        EXPECT_EQ(hour, s.hour) << stamp;
        EXPECT_EQ(minute, s.minute) << stamp;
        EXPECT_EQ(second, s.second) << stamp;
    }
    // The largest stamp: 135 years of 366 days, day 300, 06:28:15.
    uint16_t year = 0, day = 0;
    uint8_t hour = 0, minute = 0, second = 0;
    SplitZuluStamp(0xFFFFFFFFu, &year, &day, &hour, &minute, &second);
    EXPECT_EQ(year, 2035);
    EXPECT_EQ(day, 300);
    EXPECT_EQ(hour, 6);
    EXPECT_EQ(minute, 28);
    EXPECT_EQ(second, 15);
}

TEST_F(DispatchTest, LevelDTitleTest) {
    StartIdle();
    struct Case {
        const char* title;
        uint32_t levelD;
    };
    const Case cases[] = {
        {"Level D Simulations 767-300ER", 1},
        {"Level-D 767-300 American", 1},
        {"LevelD767", 1},
        {"Boeing 767 by Level-D", 1},
        {"Level-D 757", 0},
        {"level d 767-300", 0},
        {"LEVEL-D 767", 0},
        {"Leveld 767", 0},
        {"Boeing 767-300ER", 0},
        {"Level D", 0},
    };
    for (const Case& c : cases) {
        DeliverObjectData(ReqUserTitle, 1, DefTitle, TitleBlock(10.0, c.title));
        EXPECT_STREQ(UserTitle, c.title);
        EXPECT_EQ(IsLevelD767, c.levelD) << c.title;
    }
    // Only 255 characters of the title are kept: what stands beyond does not count.
    std::string longTitle = std::string(250, 'x') + "Level-D 767";
    DeliverObjectData(ReqUserTitle, 1, DefTitle, TitleBlock(10.0, longTitle));
    EXPECT_EQ(std::string(UserTitle), longTitle.substr(0, 255));
    EXPECT_EQ(IsLevelD767, 0u);
    std::string fitting = std::string(240, 'x') + "Level-D 767";
    DeliverObjectData(ReqUserTitle, 1, DefTitle, TitleBlock(10.0, fitting));
    EXPECT_EQ(IsLevelD767, 1u);
}

TEST_F(DispatchTest, UserTitleReplyTakesTheNewUserObject) {
    ASSERT_TRUE(StartModule());
    ASSERT_EQ(ModuleMode, uint32_t(ReplayBuffering));
    AddAircraft(40);
    Seconds(3);
    ASSERT_GT(TrackTable.entries[0].sampleCount, 5u);
    vsim::ClearSimConnectCalls();

    // The simulator replaces the user's object: the new id is announced as an AI
    // aircraft first, then the reply to the title request makes it the user's.
    vsim::LoadAircraft("Level-D Simulations B767-300ER", 12.5, true);
    uint32_t user = vsim::UserAircraftId();
    ASSERT_NE(user, 1u);
    EXPECT_EQ(UserObjectId, user);
    EXPECT_EQ(ListedAircraft(), (std::vector<uint32_t>{user, 40}));
    EXPECT_STREQ(UserTitle, "Level-D Simulations B767-300ER");
    EXPECT_EQ(UserCgHeight, 12.5f);
    EXPECT_EQ(IsLevelD767, 1u);
    // The replay buffer started over on the new object.
    EXPECT_EQ(ModuleMode, uint32_t(ReplayBuffering));
    ASSERT_EQ(TrackTable.count, 1u);
    EXPECT_EQ(TrackTable.entries[0].objectId, user);
    EXPECT_EQ(TrackTable.entries[0].sampleCount, 0u);
    Lines requests = CallsStartingWith("RequestDataOnSimObject(");
    EXPECT_EQ(requests, (Lines{"RequestDataOnSimObject(2, 3, 0, 1, 0)", "RequestDataOnSimObject(5, 4, 0, 1, 0)"}));
    // Stopped (to Idle) and started again (to ReplayBuffering): two menu rebuilds.
    EXPECT_EQ(CallsStartingWith("MenuDeleteSubItem(").size(), 14u);
    Seconds(2);
    EXPECT_GT(TrackTable.entries[0].sampleCount, 3u);  // samples of the new object arrive
}

TEST_F(DispatchTest, UserTitleReplyInIdleTouchesNoTrack) {
    StartIdle();
    DeliverObjectData(ReqUserTitle, 7, DefTitle, TitleBlock(3.5, "Piper Cub"));
    EXPECT_EQ(UserObjectId, 7u);
    EXPECT_EQ(ListedAircraft(), std::vector<uint32_t>{7});
    EXPECT_EQ(TrackTable.count, 0u);
    EXPECT_EQ(ModuleMode, uint32_t(Idle));  // the replay buffer is off
    EXPECT_TRUE(TakeCalls().empty());
}

TEST_F(DispatchTest, ObjectTitleReplyFillsRecordedAndPlayedTracks) {
    StartIdle();
    for (int i = 0; i < 3; ++i) ASSERT_EQ(AddTrackEntry(), i);
    Track* recorded = &TrackTable.entries[0];
    Track* played = &TrackTable.entries[1];
    Track* other = &TrackTable.entries[2];
    recorded->objectId = 55;
    played->objectId = 55;
    played->readMode = 1;
    played->cgHeight = 5.0f;
    other->objectId = 56;
    other->readMode = 1;
    other->cgHeight = 5.0f;

    DeliverObjectData(ReqObjectTitle, 55, DefTitle, TitleBlock(7.5, "Beech Baron 58"));
    EXPECT_EQ(recorded->cgHeight, 7.5f);
    EXPECT_STREQ(recorded->title, "Beech Baron 58");
    EXPECT_EQ(played->heightOffset, 3272765079);  // 2.5 ft in metres * 2^32, truncated
    EXPECT_EQ(played->cgHeight, 5.0f);
    EXPECT_EQ(other->heightOffset, 0);

    DeliverObjectData(ReqObjectTitle, 55, DefTitle, TitleBlock(3.0, "Beech Baron 58"));
    EXPECT_EQ(played->heightOffset, -2618212063);  // truncated toward zero

    // A reply for an object that has no track changes nothing.
    DeliverObjectData(ReqObjectTitle, 99, DefTitle, TitleBlock(1.0, "Nobody"));
    EXPECT_EQ(recorded->cgHeight, 3.0f);
    EXPECT_EQ(other->heightOffset, 0);
    EXPECT_EQ(UserObjectId, 1u);
}

TEST_F(DispatchTest, AssignedObjectIdTakesOverItsTrack) {
    StartIdle();
    uint32_t created = vsim::AddAi("Beech Baron 58", "orbit");
    for (int i = 0; i < 3; ++i) ASSERT_EQ(AddTrackEntry(), i);
    TrackTable.entries[0].objectId = 0x80000001u;
    TrackTable.entries[1].objectId = 0x80000002u;
    TrackTable.entries[2].objectId = 0x80000003u;
    vsim::ClearSimConnectCalls();

    DeliverAssignedObjectId(0x80000002u, created);
    std::string id = std::to_string(created);
    EXPECT_EQ(TakeCalls(), (Lines{"AIReleaseControl(" + id + ", 4)", "TransmitClientEvent(" + id + ", 27, 1, 1, 16)",
                                  "TransmitClientEvent(" + id + ", 28, 1, 1, 16)",
                                  "TransmitClientEvent(" + id + ", 29, 1, 1, 16)",
                                  "RequestDataOnSimObject(3, 3, " + id + ", 1, 0)"}));
    EXPECT_EQ(TrackTable.entries[0].objectId, 0x80000001u);
    EXPECT_EQ(TrackTable.entries[1].objectId, created);
    EXPECT_EQ(TrackTable.entries[2].objectId, 0x80000003u);
    EXPECT_TRUE(vsim::IsAiControlReleased(created));
    EXPECT_TRUE(vsim::IsFrozen(created, 0));
}

TEST_F(DispatchTest, RecordsShorterThanTheirTypeAndOtherIdsAreIgnored) {
    StartIdle();
    uint32_t clock = FrameClock;
    SimRate = 256;
    SIMCONNECT_RECV_EVENT_FRAME frame;
    memset(&frame, 0, sizeof(frame));
    frame.dwSize = sizeof(frame);
    frame.dwID = SIMCONNECT_RECV_ID_EVENT_FRAME;
    frame.uEventID = EventFrame;
    frame.fSimSpeed = 2.0f;
    vsim::AdvanceClock(100000);
    SimLinkDispatch(reinterpret_cast<SIMCONNECT_RECV*>(&frame), sizeof(SIMCONNECT_RECV_EVENT), nullptr);
    EXPECT_EQ(FrameClock, clock);
    EXPECT_EQ(SimRate, 256);
    frame.uEventID = EventPaused;  // a frame record counts only for the Frame event
    SimLinkDispatch(reinterpret_cast<SIMCONNECT_RECV*>(&frame), sizeof(frame), nullptr);
    EXPECT_EQ(SimRate, 256);

    // A title reply without its whole text is not read.
    std::vector<uint8_t> block = TitleBlock(9.0, "Piper Cub");
    block.resize(8 + 100);
    DeliverObjectData(ReqUserTitle, 7, DefTitle, block);
    EXPECT_EQ(UserObjectId, 1u);
    EXPECT_STRNE(UserTitle, "Piper Cub");
    // Records shorter than the fixed fields of object data, and other message ids.
    SIMCONNECT_RECV_SIMOBJECT_DATA data;
    memset(&data, 0, sizeof(data));
    data.dwID = SIMCONNECT_RECV_ID_SIMOBJECT_DATA;
    data.dwRequestID = ReqZuluDateTime;
    SimLinkDispatch(reinterpret_cast<SIMCONNECT_RECV*>(&data), 20, nullptr);
    for (DWORD id : {DWORD(SIMCONNECT_RECV_ID_EXCEPTION), DWORD(SIMCONNECT_RECV_ID_QUIT), DWORD(9), DWORD(40)}) {
        data.dwID = id;
        SimLinkDispatch(reinterpret_cast<SIMCONNECT_RECV*>(&data), sizeof(data), nullptr);
    }
    EXPECT_EQ(ZuluStamp, 0u);
    EXPECT_TRUE(TakeCalls().empty());
    EXPECT_EQ(ModuleMode, uint32_t(Idle));
}

// ---- Frame tick ----

TEST_F(DispatchTest, FrameSimSpeedSetsTheRateUnlessZero) {
    StartIdle();
    SimRate = 512;
    DeliverFrame(0.0f);
    EXPECT_EQ(SimRate, 512);
    DeliverFrame(0.5f);
    EXPECT_EQ(SimRate, 128);
    DeliverFrame(0.0f);
    EXPECT_EQ(SimRate, 128);
    DeliverFrame(1.999f);  // truncated
    EXPECT_EQ(SimRate, 511);
    DeliverFrame(300.0f);  // 76800 keeps its low 16 bits
    EXPECT_EQ(SimRate, 11264);
}

TEST_F(DispatchTest, FrameClockFollowsTheHostFrameTime) {
    StartIdle();
    ASSERT_NE(FrameTimeEntry, nullptr);
    EXPECT_EQ(FrameClock, 0u);
    Frames(30);  // one second at 30 frames per second
    EXPECT_EQ(FrameClock, 10000u);
    EXPECT_EQ(PrevFrameClock, 9667u);
    // Time that passes outside frames does not count: the entry gives frame times.
    vsim::AdvanceClock(5000000);
    Frames(1);
    EXPECT_EQ(PrevFrameClock, 10000u);
    EXPECT_EQ(FrameClock, 10000u + uint32_t(vsim::LastFrameSeconds() * 10000.0));
    EXPECT_LT(FrameClock, 10400u);

    // The clock wraps at 2^32.
    FrameClock = 0xFFFFFF00u;
    Frames(1);
    EXPECT_EQ(PrevFrameClock, 0xFFFFFF00u);
    EXPECT_EQ(FrameClock, 0xFFFFFF00u + uint32_t(vsim::LastFrameSeconds() * 10000.0));
    EXPECT_LT(FrameClock, 0x100u);
}

TEST_F(DispatchTest, FrameClockWithoutTheHostEntryIsThePerformanceCounter) {
    StartIdle();
    FrameTimeEntry = nullptr;
    Frames(3);
    vsim::AdvanceClock(5000000);
    Frames(1);
    EXPECT_EQ(FrameClock, uint32_t(vsim::ClockMicros() / 100));
    EXPECT_GT(FrameClock, 50000u);
}

TEST_F(DispatchTest, QueryClockReadsTheCounterInTenThousandthsWrapping) {
    vsim::AdvanceClock(123456789);  // microseconds
    EXPECT_EQ(QueryClock(), 1234567u);
    vsim::AdvanceClock(429496729600ull - 123456789 + 12345);  // 2^32 ten-thousandths and 12345 us
    EXPECT_EQ(QueryClock(), 123u);
}

TEST_F(DispatchTest, PauseStopsTheTicksButNotTheClock) {
    ASSERT_TRUE(StartModule());
    Seconds(2);
    uint32_t samples = TrackTable.entries[0].sampleCount;
    uint32_t timeline = Timeline;
    ASSERT_GT(samples, 0u);
    vsim::SetPaused(true);
    EXPECT_EQ(SimPaused, 1u);
    uint32_t clock = FrameClock;
    Seconds(2);
    EXPECT_EQ(TrackTable.entries[0].sampleCount, samples);
    EXPECT_EQ(Timeline, timeline);
    EXPECT_EQ(FrameClock - clock, 20000u);
    vsim::SetPaused(false);
    EXPECT_EQ(SimPaused, 0u);
    Seconds(2);
    EXPECT_GT(TrackTable.entries[0].sampleCount, samples);
}

// ---- Flight and aircraft loads ----

TEST_F(DispatchTest, WithoutReplayClearOnlyTheFirstFlightLoadRestartsTheBuffer) {
    WriteIni("SETTINGS", "RplyClear", "0");
    ASSERT_TRUE(StartModule());
    ASSERT_EQ(ModuleMode, uint32_t(ReplayBuffering));
    Seconds(2);
    ASSERT_GT(TrackTable.entries[0].sampleCount, 0u);
    vsim::LoadFlight();
    EXPECT_EQ(FirstLoadSeen, 1u);
    EXPECT_EQ(TrackTable.entries[0].sampleCount, 0u);

    Seconds(2);
    uint32_t samples = TrackTable.entries[0].sampleCount;
    ASSERT_GT(samples, 0u);
    vsim::ClearSimConnectCalls();
    vsim::LoadFlight();
    EXPECT_EQ(TrackTable.entries[0].sampleCount, samples);  // kept
    EXPECT_TRUE(TakeCalls().empty());

    // An aircraft load asks for the title again, and its reply restarts the buffer.
    vsim::LoadAircraft("Mooney Bravo", 4.0);
    EXPECT_EQ(CallsStartingWith("RequestDataOnSimObject(2, 3, 0, 1, 0)").size(), 1u);
    EXPECT_EQ(ModuleMode, uint32_t(ReplayBuffering));
    EXPECT_EQ(TrackTable.entries[0].sampleCount, 0u);
    EXPECT_STREQ(TrackTable.entries[0].title, "Mooney Bravo");
}

TEST_F(DispatchTest, WithReplayClearEveryFlightLoadRestartsTheBuffer) {
    ASSERT_TRUE(StartModule());
    for (int load = 0; load < 3; ++load) {
        Seconds(2);
        ASSERT_GT(TrackTable.entries[0].sampleCount, 0u);
        vsim::LoadFlight();
        EXPECT_EQ(TrackTable.entries[0].sampleCount, 0u) << load;
        EXPECT_EQ(ModuleMode, uint32_t(ReplayBuffering));
    }
}

TEST_F(DispatchTest, AircraftLoadSetsTheFirstLoadWithoutRestartingItself) {
    WriteIni("SETTINGS", "RplyClear", "0");
    ASSERT_TRUE(StartModule());
    Seconds(2);
    uint32_t samples = TrackTable.entries[0].sampleCount;
    ASSERT_GT(samples, 0u);
    vsim::ClearSimConnectCalls();
    DeliverFileNameEvent(EventAircraftLoaded, "SimObjects\\Airplanes\\Mooney\\aircraft.cfg");
    EXPECT_EQ(FirstLoadSeen, 1u);
    EXPECT_EQ(TrackTable.entries[0].sampleCount, samples);
    EXPECT_EQ(TakeCalls(), Lines{"RequestDataOnSimObject(2, 3, 0, 1, 0)"});
    vsim::PumpSimConnect();  // the reply
    EXPECT_EQ(TrackTable.entries[0].sampleCount, 0u);

    // The first load has been seen: a flight load now keeps the buffer.
    Seconds(2);
    samples = TrackTable.entries[0].sampleCount;
    vsim::LoadFlight();
    EXPECT_EQ(TrackTable.entries[0].sampleCount, samples);
}

TEST_F(DispatchTest, FlightLoadDuringRecordingDiscardsItWhenTheSaveIsCancelled) {
    ASSERT_TRUE(StartModule());
    AcceptRecordDialog();
    ASSERT_TRUE(Menu("Record..."));
    ASSERT_EQ(ModuleMode, uint32_t(Recording));
    Seconds(3);
    ASSERT_TRUE(FileExists("C:\\Sim\\Modules\\Kestrel1.tmp"));
    vsim::user::OnSaveCancel();
    vsim::LoadFlight();
    // No offer to go on recording: the recording is gone, the buffer runs again.
    EXPECT_TRUE(MessageTexts().empty());
    EXPECT_EQ(ModuleMode, uint32_t(ReplayBuffering));
    EXPECT_FALSE(FileExists("C:\\Sim\\Modules\\Kestrel1.tmp"));
    ASSERT_EQ(TrackTable.count, 1u);
    EXPECT_EQ(TrackTable.entries[0].memoryOnly, 1u);
}

TEST_F(DispatchTest, AircraftLoadDuringRecordingSavesIt) {
    ASSERT_TRUE(StartModule());
    AcceptRecordDialog();
    ASSERT_TRUE(Menu("Record..."));
    Seconds(3);
    vsim::user::OnSave("C:\\Sim\\Modules\\before-load.frc");
    vsim::LoadAircraft("Mooney Bravo", 4.0);
    EXPECT_TRUE(MessageTexts().empty());
    EXPECT_EQ(ModuleMode, uint32_t(ReplayBuffering));
    std::vector<uint8_t> file = ReadBytes("C:\\Sim\\Modules\\before-load.frc");
    ASSERT_GE(file.size(), 18u + 124u);
    EXPECT_EQ(file[0] | file[1] << 8 | file[2] << 16 | uint32_t(file[3]) << 24, 0x01000006u);
    EXPECT_EQ(file[16] | file[17] << 8, 1);
    // The buffer restarted on the new aircraft.
    EXPECT_STREQ(TrackTable.entries[0].title, "Mooney Bravo");
}

// ---- Menu commands ----

TEST_F(DispatchTest, ReplayChosenInIdleDoesNothing) {
    StartIdle();
    EXPECT_EQ(vsim::MenuItems()[3], "Replay...");
    unsigned enters = vsim::DialogModeEnters();
    ASSERT_TRUE(Menu("Replay..."));
    EXPECT_TRUE(TakeCalls().empty());
    EXPECT_EQ(vsim::DialogModeEnters(), enters);
    EXPECT_TRUE(MessageTexts().empty());
    EXPECT_EQ(ModuleMode, uint32_t(Idle));
}

TEST_F(DispatchTest, ReplayChosenWhileBufferingOpensTheReplayDialog) {
    ASSERT_TRUE(StartModule());
    Frames(10);  // not yet five seconds to replay
    vsim::ClearSimConnectCalls();
    ASSERT_TRUE(Menu("Replay..."));
    EXPECT_EQ(MessageTexts(), Lines{"No replay data available!"});
    EXPECT_EQ(CallsStartingWith("SetSystemState("),
              (Lines{"SetSystemState(\"DialogMode\", 1)", "SetSystemState(\"DialogMode\", 0)"}));
    EXPECT_EQ(ModuleMode, uint32_t(ReplayBuffering));
}

TEST_F(DispatchTest, MenuCommandsOutsideTheirModesDoNothing) {
    StartIdle();
    for (uint32_t mode : {Recording, RecordingWithTraffic}) {
        SetModuleMode(mode);
        vsim::ClearSimConnectCalls();
        for (uint32_t id : {MenuRecord, MenuPlay, MenuPlayTraffic, MenuReplay, MenuSettings, MenuKeyboard}) {
            DeliverEvent(id);
            EXPECT_TRUE(TakeCalls().empty()) << mode << " " << id;
            EXPECT_EQ(ModuleMode, mode) << id;
        }
    }
    EXPECT_TRUE(vsim::user::MessageBoxes().empty());
    // Events that are not commands are ignored; About works in any mode.
    DeliverEvent(0);
    DeliverEvent(EventFrame);
    DeliverEvent(40);
    EXPECT_TRUE(TakeCalls().empty());
    DeliverEvent(MenuAbout);
    EXPECT_EQ(TakeCalls(), (Lines{"SetSystemState(\"DialogMode\", 1)", "SetSystemState(\"DialogMode\", 0)"}));
}

TEST_F(DispatchTest, StopLetsAPlaybackRunOutByItself) {
    ASSERT_TRUE(StartModule());
    ASSERT_TRUE(RecordUserFlight("C:\\Sim\\Modules\\flight.frc", 20));
    vsim::user::OnOpen({"C:\\Sim\\Modules\\flight.frc"});
    ASSERT_TRUE(Menu("Play..."));
    ASSERT_EQ(ModuleMode, uint32_t(Playing));
    Seconds(2);
    LoopEnabled = 1;
    ASSERT_TRUE(Menu("Stop..."));
    // One second before the end, without the loop; the playback is still on.
    EXPECT_EQ(ModuleMode, uint32_t(Playing));
    EXPECT_EQ(Timeline, PlaybackEnd - 10000);
    EXPECT_EQ(LoopEnabled, 0u);
    Seconds(2);
    EXPECT_EQ(ModuleMode, uint32_t(ReplayBuffering));
    EXPECT_FALSE(vsim::IsFrozen(vsim::UserAircraftId(), 0));
}

TEST_F(DispatchTest, StopEndsATrafficPlaybackAndRemovesItsAircraft) {
    ASSERT_TRUE(StartModule());
    ASSERT_TRUE(RecordUserFlight("C:\\Sim\\Modules\\traffic.frc", 20));
    vsim::user::OnOpen({"C:\\Sim\\Modules\\traffic.frc"});
    ASSERT_TRUE(Menu("Play as traffic..."));
    Seconds(2);
    ASSERT_EQ(TrackTable.count, 1u);
    uint32_t traffic = TrackTable.entries[0].objectId;
    ASSERT_TRUE(vsim::AircraftExists(traffic));
    vsim::ClearSimConnectCalls();
    ASSERT_TRUE(Menu("Stop..."));
    EXPECT_EQ(CallsStartingWith("AIRemoveObject("),
              Lines{"AIRemoveObject(" + std::to_string(traffic) + ", " + std::to_string(traffic + 0x08000000u) + ")"});
    EXPECT_FALSE(vsim::AircraftExists(traffic));
    EXPECT_EQ(ModuleMode, uint32_t(ReplayBuffering));
    EXPECT_TRUE(MessageTexts().empty());  // no save dialog or question followed
}

TEST_F(DispatchTest, StopWithTheSaveCancelledOffersToContinueRecording) {
    ASSERT_TRUE(StartModule());
    AcceptRecordDialog();
    ASSERT_TRUE(Menu("Record..."));
    Seconds(3);
    vsim::user::OnSaveCancel();
    vsim::user::OnMessage("Do you want to continue recording?", vsim::user::AnswerYes);
    ASSERT_TRUE(Menu("Stop..."));
    EXPECT_EQ(MessageTexts(), Lines{"Do you want to continue recording?"});
    EXPECT_EQ(ModuleMode, uint32_t(Recording));
    Seconds(1);
    vsim::user::OnSave("C:\\Sim\\Modules\\continued.frc");
    ASSERT_TRUE(Menu("Stop..."));
    EXPECT_TRUE(FileExists("C:\\Sim\\Modules\\continued.frc"));
    EXPECT_EQ(ModuleMode, uint32_t(ReplayBuffering));
}

TEST_F(DispatchTest, StopBesideTrafficSavesTheRecordingAndTheTrafficGoesOn) {
    ASSERT_TRUE(StartModule());
    ASSERT_TRUE(RecordUserFlight("C:\\Sim\\Modules\\traffic.frc", 30));
    vsim::user::OnOpen({"C:\\Sim\\Modules\\traffic.frc"});
    ASSERT_TRUE(Menu("Play as traffic..."));
    Seconds(2);
    uint32_t traffic = TrackTable.entries[0].objectId;
    AcceptRecordDialog();
    ASSERT_TRUE(Menu("Record..."));
    ASSERT_EQ(ModuleMode, uint32_t(RecordingWithTraffic));
    Seconds(3);
    vsim::user::OnSave("C:\\Sim\\Modules\\beside.frc");
    ASSERT_TRUE(Menu("Stop..."));
    EXPECT_TRUE(FileExists("C:\\Sim\\Modules\\beside.frc"));
    EXPECT_EQ(ModuleMode, uint32_t(PlayingTraffic));
    EXPECT_TRUE(vsim::AircraftExists(traffic));
    EXPECT_TRUE(CallsStartingWith("AIRemoveObject(").empty());
}

}  // namespace
