// Recording runs driven as a user drives them (menu, keys, the Record Flight and save
// dialogs, frames), the files they write, the recording clock and sampling, automatic
// stops, AI traffic, the replay buffer, and the failures that must lose nothing.
#include <algorithm>
#include <string>
#include <vector>

#include "module/dispatch.h"
#include "module/entry.h"
#include "module/simcommands.h"
#include "module/simlink.h"
#include "recording/recorder.h"
#include "recording/track.h"
#include "tests/support/module_fixture.h"
#include "tests/support/recording_helpers.h"
#include "ui/config.h"
#include "ui/controlwindow.h"
#include "vsim/sim/aircraft.h"
#include "vsim/sim/simconnect.h"
#include "vsim/sim/simhost.h"
#include "vsim/sim/simulator.h"
#include "vsim/win32/controls.h"
#include "vsim/win32/file_dialogs.h"
#include "vsim/win32/scripted_user.h"
#include "vsim/win32/user_actions.h"

using rectest::FileHeaderBytes;
using rectest::ParseRecordingFile;
using rectest::RecordingFileView;
using rectest::TrackHeaderBytes;

namespace {

const char* const UserTempFile = "C:\\Sim\\Modules\\Kestrel1.tmp";

std::vector<vsim::user::DialogAction> Actions(const std::string& text) {
    std::vector<vsim::user::DialogAction> actions;
    std::string error;
    EXPECT_TRUE(vsim::user::ParseDialogActions(text, &actions, &error)) << error;
    return actions;
}

// The Record Flight dialog filled in and confirmed. autoStopChoice -1 leaves "Auto stop
// recording" unticked; 0 after touchdown, 1 after engine shutdown, 2 after start.
std::vector<vsim::user::DialogAction> RecordDialog(int intervalIndex, int autoStopChoice = -1, int seconds = 60,
                                                   int aiFactor = 0) {
    std::string text = "select 1000 " + std::to_string(intervalIndex) + ";";
    if (autoStopChoice >= 0) {
        text += "check 1034; select 1035 " + std::to_string(autoStopChoice) + ";";
    } else {
        text += "uncheck 1034;";
    }
    text += "set 1036 " + std::to_string(seconds) + ";";
    text += aiFactor > 0 ? "check 1089; set 1090 " + std::to_string(aiFactor) + ";" : "uncheck 1089;";
    text += "click 1";
    return Actions(text);
}

struct ExpectedSample {
    uint32_t objectId;
    uint32_t mode;  // the mode the sample was taken in
    uint64_t frame;
    uint32_t time;
    std::vector<uint8_t> record;
};

bool IsSamplingMode(uint32_t mode) {
    return mode == Recording || mode == RecordingWithTraffic || mode == ReplayBuffering;
}

class RecorderTest : public ModuleTest {
protected:
    // The module started, with frames exactly 333 units (1/10000 s) apart.
    void StartWith333UnitFrames() {
        ASSERT_TRUE(StartModule());
        ASSERT_TRUE(vsim::SetFrameRate(10000.0 / 333.0));
    }

    uint32_t GroupsOf(uint32_t objectId) const {
        return objectId == UserObjectId ? Settings.RecFlags : (Settings.RecFlags & 0x87F);
    }

    // Runs frames one at a time. For every sample asked for in a frame, notes the record
    // its answer must give: the aircraft as the simulator shows it then, stamped with
    // the recording time. A sample asked for by a tick that ended the recording is
    // answered after the file was written, so it is not noted. Also notes the frames
    // in which the module saw the aircraft touch down or lift off.
    void Run(unsigned frames) {
        for (unsigned i = 0; i < frames; ++i) {
            uint32_t modeBefore = ModuleMode;
            uint8_t groundBefore = OnGround;
            watcher_.SkipAll();
            vsim::RunFrames(1);
            if (OnGround != groundBefore) groundChanges_.push_back(vsim::FrameCount());
            std::vector<uint32_t> asked = watcher_.NewRequests();
            if (ModuleMode != modeBefore || !IsSamplingMode(ModuleMode)) continue;
            for (uint32_t objectId : asked) {
                if (!vsim::AircraftExists(objectId)) continue;  // gone: the simulator does not answer
                expected_.push_back({objectId, ModuleMode, vsim::FrameCount(), Timeline,
                                     rectest::ExpectedRecord(objectId, GroupsOf(objectId), Timeline)});
            }
        }
    }

    // Runs frames while the mode stays `mode`, at most `limit`; returns the frames run.
    unsigned RunWhileMode(uint32_t mode, unsigned limit) {
        unsigned count = 0;
        while (ModuleMode == mode && count < limit) {
            Run(1);
            ++count;
        }
        return count;
    }

    std::vector<const ExpectedSample*> ExpectedOf(uint32_t objectId, uint32_t mode = Recording) const {
        std::vector<const ExpectedSample*> samples;
        for (const ExpectedSample& sample : expected_) {
            if (sample.objectId == objectId && sample.mode == mode) samples.push_back(&sample);
        }
        return samples;
    }
    std::vector<uint64_t> FramesOfSamples(uint32_t objectId, uint32_t mode = Recording) const {
        std::vector<uint64_t> frames;
        for (const ExpectedSample* sample : ExpectedOf(objectId, mode)) frames.push_back(sample->frame);
        return frames;
    }

    // The track a recording of the noted samples of one aircraft must give.
    std::vector<uint8_t> ExpectedTrack(const std::vector<const ExpectedSample*>& samples, uint32_t groups,
                                       const std::string& title, float cgHeight, uint32_t interval) const {
        rectest::ByteWriter track;
        track.Append(TrackHeaderBytes((uint32_t)samples.size(), groups, samples.front()->time, samples.back()->time,
                                      title, cgHeight, interval));
        for (const ExpectedSample* sample : samples) track.Append(sample->record);
        return track.bytes;
    }
    // The whole file of a recording of the user's aircraft alone.
    std::vector<uint8_t> ExpectedUserFile(const std::vector<const ExpectedSample*>& samples, uint32_t date,
                                          uint32_t interval) const {
        rectest::ByteWriter file;
        file.Append(FileHeaderBytes(samples.front()->time, samples.back()->time, date, 1));
        file.Append(ExpectedTrack(samples, Settings.RecFlags, UserTitleNow(), UserCgNow(), interval));
        return file.bytes;
    }
    static std::string UserTitleNow() {
        std::string title;
        vsim::GetSimVarText(1, "Title", &title);
        return title;
    }
    static float UserCgNow() {
        double cg = 0.0;
        vsim::GetSimVar(1, "Static CG To Ground", "feet", &cg);
        return (float)cg;
    }

    size_t MessageCount(const std::string& text) const {
        size_t count = 0;
        for (const auto& box : vsim::user::MessageBoxes()) count += box.text == text;
        return count;
    }
    const vsim::user::MessageBoxRecord* LastMessage() const {
        const auto& boxes = vsim::user::MessageBoxes();
        return boxes.empty() ? nullptr : &boxes.back();
    }

    // A recording of the user's circuit, saved for playing as traffic.
    void RecordTrafficFile(const std::string& path, unsigned frames) {
        vsim::SetUserFlightPlan("circuit");
        vsim::user::OnDialog(102, RecordDialog(1));
        ASSERT_TRUE(Menu("Record..."));
        Run(frames);
        vsim::user::OnSave(path);
        ASSERT_TRUE(Menu("Stop..."));
        ASSERT_TRUE(FileExists(path));
        expected_.clear();
    }

    rectest::SampleRequestWatcher watcher_;
    std::vector<ExpectedSample> expected_;
    std::vector<uint64_t> groundChanges_;
};

// ---- A recording from the menu to the saved file ----

TEST_F(RecorderTest, RecordingFromTheMenuIsSavedThroughTheSaveDialogByteForByte) {
    StartWith333UnitFrames();
    vsim::SetUserFlightPlan("circuit");
    Frames(10);
    ASSERT_EQ(ModuleMode, (uint32_t)ReplayBuffering);

    vsim::user::OnDialog(102, RecordDialog(0));  // 1/8 sec
    unsigned entersBefore = vsim::DialogModeEnters();
    ASSERT_TRUE(Menu("Record..."));
    EXPECT_EQ(ModuleMode, (uint32_t)Recording);
    EXPECT_EQ(vsim::DialogModeEnters(), entersBefore + 1);
    EXPECT_FALSE(vsim::DialogModeOn());
    EXPECT_EQ(vsim::MenuItems(), (std::vector<std::string>{"Stop...", "About..."}));
    EXPECT_EQ(TrackTable.count, 1u) << "the replay buffer was dropped";
    EXPECT_TRUE(FileExists(UserTempFile));
    uint32_t date = rectest::ZuluStampNow();

    // 1300 frames at 1/8 s: a sample every 4th frame, 325 of them, so the track's
    // buffer went to its temp file once on the way.
    Run(1300);
    ASSERT_EQ(ExpectedOf(1).size(), 325u);
    EXPECT_EQ(expected_.front().time, 0u);
    EXPECT_EQ(ExpectedOf(1)[1]->time, 4u * 333u);

    vsim::user::OnSave("C:\\Sim\\circuit.frc");
    ASSERT_TRUE(Menu("Stop..."));
    EXPECT_EQ(ModuleMode, (uint32_t)ReplayBuffering) << "back to idle, and the replay buffer runs again";
    EXPECT_EQ(TrackTable.count, 1u);
    EXPECT_EQ(TrackTable.entries[0].sampleCount, 0u);
    EXPECT_FALSE(FileExists(UserTempFile));
    EXPECT_FALSE(vsim::DialogModeOn());

    const vsim::win32::FileDialogRecord& dialog = vsim::win32::LastFileDialog();
    EXPECT_TRUE(dialog.save);
    EXPECT_EQ(dialog.owner, vsim::MainWindowHandle());
    EXPECT_EQ(dialog.title, "Save Recording");
    EXPECT_EQ(dialog.filter, (std::vector<std::string>{"Flight Recordings", "*.frc"}));
    EXPECT_EQ(dialog.flags, 0x80002u);
    EXPECT_EQ(dialog.defaultExtension, "frc");
    EXPECT_EQ(dialog.initialFile, "");
    EXPECT_EQ(dialog.maxFile, 259u);
    EXPECT_EQ(vsim::CurrentDirectoryPath(), "C:\\Sim") << "the dialog's change of folder is undone";

    std::vector<uint8_t> bytes = ReadBytes("C:\\Sim\\circuit.frc");
    std::vector<uint8_t> expected = ExpectedUserFile(ExpectedOf(1), date, 125);
    ASSERT_EQ(bytes.size(), expected.size());
    EXPECT_TRUE(bytes == expected);
    RecordingFileView view = ParseRecordingFile(bytes);
    ASSERT_TRUE(view.ok);
    EXPECT_EQ(view.tracks[0].title, "Kestrel Skylark 180");
    EXPECT_EQ(view.tracks[0].records.size(), 325u);
    // The circuit's preflight shows in the records: engines started, lights on.
    EXPECT_EQ(view.tracks[0].records.front()[83], 0) << "engine 1 off at the start";
    EXPECT_EQ(view.tracks[0].records.back()[83], 1) << "engine 1 running at the end";
}

TEST_F(RecorderTest, WithoutDialogsEscStopsAndSavesUnderTheZuluDateInTheModuleFolder) {
    WriteIni("SETTINGS", "NoRecDlg", "1");
    WriteIni("RECORD", "DfltItvlIdx", "2");  // 1/2 sec
    StartWith333UnitFrames();
    vsim::SetUserFlightPlan("circuit");
    bool dialogShown = false;
    vsim::user::OnDialog(102, [&](HWND) { dialogShown = true; });
    Frames(45);  // the Zulu clock moves on from 12:00:00 to 12:00:01.4985

    ASSERT_TRUE(Menu("Record..."));
    EXPECT_FALSE(dialogShown);
    ASSERT_EQ(ModuleMode, (uint32_t)Recording);
    EXPECT_EQ(RecordOptions.interval, 500u);
    EXPECT_EQ(RecordOptions.aiFactor, 0u);
    uint32_t date = rectest::ZuluStampNow();
    Run(300);

    Key("Esc");
    EXPECT_EQ(ModuleMode, (uint32_t)ReplayBuffering);
    EXPECT_EQ(vsim::win32::FileDialogCount(), 0);
    // 2024 is a leap year: day 172 is 20 June.
    const std::string path = "C:\\Sim\\Modules\\Rec_2024-06-20_12-00-01.frc";
    ASSERT_TRUE(FileExists(path));
    EXPECT_TRUE(ReadBytes(path) == ExpectedUserFile(ExpectedOf(1), date, 500));
    EXPECT_EQ(ExpectedOf(1).size(), 19u);  // 300 frames, a sample every 16th (15 are 4995 units)
    EXPECT_FALSE(FileExists(UserTempFile));
}

TEST_F(RecorderTest, DefaultNameTurnsTheDayOfTheYearIntoMonthAndDay) {
    ASSERT_TRUE(StartModule());
    struct Case {
        uint32_t year, day, hour, minute, second;
        const char* name;
    };
    const Case cases[] = {
        {2009, 60, 14, 5, 9, "Rec_2009-03-01_14-05-09.frc"},
        {2008, 60, 14, 5, 9, "Rec_2008-02-29_14-05-09.frc"},
        {2000, 60, 0, 0, 0, "Rec_2000-02-29_00-00-00.frc"},   // divisible by 400: a leap year
        {1900, 60, 23, 59, 59, "Rec_1900-03-01_23-59-59.frc"},  // divisible by 100 only: not one
        {2009, 1, 0, 0, 0, "Rec_2009-01-01_00-00-00.frc"},
        {2009, 59, 12, 0, 0, "Rec_2009-02-28_12-00-00.frc"},
        {2009, 365, 12, 0, 0, "Rec_2009-12-31_12-00-00.frc"},
        {2008, 366, 12, 0, 0, "Rec_2008-12-31_12-00-00.frc"},
        {2024, 172, 12, 0, 1, "Rec_2024-06-20_12-00-01.frc"},
    };
    for (const Case& c : cases) {
        ZuluStamp = ((c.year - 1900) * 366 + c.day) * 86400 + c.hour * 3600 + c.minute * 60 + c.second;
        char path[MAX_PATH];
        FormatDefaultRecordingName(path, sizeof(path));
        EXPECT_EQ(std::string(path), std::string("C:\\Sim\\Modules\\") + c.name);
    }
}

// ---- Stopping: the save dialog cancelled, loads, automatic stops ----

TEST_F(RecorderTest, CancelledSaveAsksToContinueYesGoesOnNoDiscards) {
    StartWith333UnitFrames();
    vsim::user::OnDialog(102, RecordDialog(1));
    ASSERT_TRUE(Menu("Record..."));
    Run(90);

    vsim::user::OnSaveCancel();
    vsim::user::OnMessage("Do you want to continue recording?", vsim::user::AnswerYes);
    ASSERT_TRUE(Menu("Stop..."));
    EXPECT_EQ(ModuleMode, (uint32_t)Recording);
    ASSERT_NE(LastMessage(), nullptr);
    EXPECT_EQ(LastMessage()->text, "Do you want to continue recording?");
    EXPECT_EQ(LastMessage()->caption, "Kestrel");
    EXPECT_EQ(LastMessage()->type, (UINT)(MB_YESNO | MB_ICONQUESTION));
    EXPECT_EQ(LastMessage()->owner, vsim::MainWindowHandle());
    EXPECT_FALSE(vsim::DialogModeOn());
    EXPECT_TRUE(FileExists(UserTempFile));
    uint32_t before = TrackTable.entries[0].sampleCount;
    Run(90);
    EXPECT_GT(TrackTable.entries[0].sampleCount, before) << "the recording goes on";

    vsim::user::OnSaveCancel();
    vsim::user::OnMessage("Do you want to continue recording?", vsim::user::AnswerNo);
    Key("Esc");
    EXPECT_EQ(MessageCount("Do you want to continue recording?"), 2u);
    EXPECT_EQ(ModuleMode, (uint32_t)ReplayBuffering);
    EXPECT_FALSE(FileExists(UserTempFile)) << "discarded";
    EXPECT_EQ(TrackTable.count, 1u);
    EXPECT_EQ(TrackTable.entries[0].memoryOnly, 1u) << "only the replay buffer is left";
    EXPECT_FALSE(vsim::DialogModeOn());
}

TEST_F(RecorderTest, FlightLoadedSavesThroughTheDialogAndACancelDiscardsWithoutAsking) {
    StartWith333UnitFrames();
    vsim::SetUserFlightPlan("circuit");
    vsim::user::OnDialog(102, RecordDialog(1));
    ASSERT_TRUE(Menu("Record..."));
    uint32_t date = rectest::ZuluStampNow();
    Run(120);
    vsim::user::OnSave("C:\\Sim\\loaded.frc");
    vsim::LoadFlight();
    EXPECT_EQ(ModuleMode, (uint32_t)ReplayBuffering);
    EXPECT_EQ(vsim::win32::FileDialogCount(), 1);
    EXPECT_TRUE(ReadBytes("C:\\Sim\\loaded.frc") == ExpectedUserFile(ExpectedOf(1), date, 250));

    ASSERT_TRUE(Menu("Record..."));
    ASSERT_EQ(ModuleMode, (uint32_t)Recording);
    Run(60);
    vsim::user::OnSaveCancel();
    vsim::LoadFlight();
    EXPECT_EQ(vsim::win32::FileDialogCount(), 2);
    EXPECT_EQ(MessageCount("Do you want to continue recording?"), 0u);
    EXPECT_EQ(ModuleMode, (uint32_t)ReplayBuffering);
    EXPECT_FALSE(FileExists(UserTempFile));
}

TEST_F(RecorderTest, AutoStopAfterStartStopsAtTheFirstSampleTickPastTheTime) {
    StartWith333UnitFrames();
    vsim::user::OnDialog(102, RecordDialog(1, 2, 5));  // after start of recording, 5 s
    ASSERT_TRUE(Menu("Record..."));
    EXPECT_EQ(RecordOptions.autoStop, 1);
    EXPECT_EQ(RecordOptions.autoStopTime, 50000u);
    uint32_t date = rectest::ZuluStampNow();
    vsim::user::OnSave("C:\\Sim\\five.frc");
    unsigned frames = RunWhileMode(Recording, 1000);
    // Samples at 0, 2664, ... 47952; the tick at 50616 is the first past 50000.
    EXPECT_EQ(frames, 1u + 19 * 8);
    EXPECT_EQ(ModuleMode, (uint32_t)ReplayBuffering);
    EXPECT_EQ(RecordOptions.autoStop, 0);
    ASSERT_EQ(ExpectedOf(1).size(), 19u);
    EXPECT_EQ(ExpectedOf(1).back()->time, 47952u);
    EXPECT_TRUE(ReadBytes("C:\\Sim\\five.frc") == ExpectedUserFile(ExpectedOf(1), date, 250));
}

TEST_F(RecorderTest, AutoStopAfterTouchdownOfACircuitAndGroundChangesAlwaysSample) {
    StartWith333UnitFrames();
    vsim::SetUserFlightPlan("circuit");
    Frames(1700);  // lining up
    vsim::user::OnDialog(102, RecordDialog(4, 0, 10));  // 2 sec, after touchdown, 10 s
    ASSERT_TRUE(Menu("Record..."));
    uint32_t date = rectest::ZuluStampNow();
    vsim::user::OnSave("C:\\Sim\\landing.frc");
    RunWhileMode(Recording, 30 * 600);
    ASSERT_EQ(ModuleMode, (uint32_t)ReplayBuffering);

    // Lift-off and touchdown, each sampled in the very frame the module saw it.
    ASSERT_EQ(groundChanges_.size(), 2u);
    std::vector<uint64_t> frames = FramesOfSamples(1);
    for (uint64_t change : groundChanges_) {
        EXPECT_NE(std::find(frames.begin(), frames.end(), change), frames.end()) << "frame " << change;
        EXPECT_NE((change - frames.front()) % 60, 0u) << "off the 2-second grid";
    }
    const ExpectedSample* touchdown = nullptr;
    for (const ExpectedSample* sample : ExpectedOf(1)) {
        if (sample->frame == groundChanges_[1]) touchdown = sample;
    }
    ASSERT_NE(touchdown, nullptr);
    // The stop came at the first sample tick more than 10 s after the touchdown sample;
    // the sample before it was within the 10 s.
    uint32_t last = ExpectedOf(1).back()->time;
    EXPECT_LE(last - touchdown->time, 100000u);
    EXPECT_GT(last + 20000 - touchdown->time, 100000u) << "the next tick, 2 s later, was past it";
    EXPECT_TRUE(ReadBytes("C:\\Sim\\landing.frc") == ExpectedUserFile(ExpectedOf(1), date, 2000));
}

TEST_F(RecorderTest, AutoStopAfterEngineShutdownOfACircuit) {
    StartWith333UnitFrames();
    vsim::SetUserFlightPlan("circuit");
    Frames(9800);  // rolling out, engine running
    ASSERT_EQ(EngineRunning, 1u);
    vsim::user::OnDialog(102, RecordDialog(3, 1, 5));  // 1 sec, after engine shutdown, 5 s
    ASSERT_TRUE(Menu("Record..."));
    EXPECT_EQ(RecordOptions.autoStop, 3);
    vsim::user::OnSave("C:\\Sim\\shutdown.frc");
    RunWhileMode(Recording, 30 * 120);
    ASSERT_EQ(ModuleMode, (uint32_t)ReplayBuffering);

    RecordingFileView view = ParseRecordingFile(ReadBytes("C:\\Sim\\shutdown.frc"));
    ASSERT_TRUE(view.ok);
    ASSERT_EQ(view.trackCount, 1u);
    const rectest::FileTrack& track = view.tracks[0];
    // The countdown starts with the first sample tick that sees the engine stopped.
    size_t stopped = 0;
    while (stopped < track.records.size() && track.records[stopped][83] == 1) ++stopped;
    ASSERT_GT(stopped, 0u);
    ASSERT_LT(stopped, track.records.size());
    uint32_t trigger = track.TimeOf(stopped);
    uint32_t last = track.TimeOf(track.records.size() - 1);
    EXPECT_LE(last - trigger, 50000u);
    EXPECT_GT(last + 10000 - trigger, 50000u);
}

// The aircraft stands parked and the test plays the simulator's part in its ground
// and engine state.
TEST_F(RecorderTest, ABounceRestartsTheTouchdownCountdown) {
    StartWith333UnitFrames();
    vsim::SetSimVar(1, "Sim On Ground", "bool", 0.0);
    Frames(5);
    vsim::user::OnDialog(102, RecordDialog(1, 0, 10));  // 1/4 sec, after touchdown, 10 s
    ASSERT_TRUE(Menu("Record..."));
    Run(60);
    vsim::SetSimVar(1, "Sim On Ground", "bool", 1.0);  // touchdown
    Run(1);
    uint32_t firstTouchdown = Timeline;
    Run(150);
    vsim::SetSimVar(1, "Sim On Ground", "bool", 0.0);  // bounce
    Run(30);
    vsim::SetSimVar(1, "Sim On Ground", "bool", 1.0);  // second touchdown
    Run(1);
    uint32_t secondTouchdown = Timeline;
    ASSERT_EQ(ExpectedOf(1).back()->time, secondTouchdown) << "the touchdown frame sampled";
    vsim::user::OnSave("C:\\Sim\\bounce.frc");
    RunWhileMode(Recording, 1000);
    ASSERT_EQ(ModuleMode, (uint32_t)ReplayBuffering);
    uint32_t last = ExpectedOf(1).back()->time;
    EXPECT_GT(last - firstTouchdown, 100000u) << "not stopped 10 s after the first touchdown";
    EXPECT_LE(last - secondTouchdown, 100000u);
    EXPECT_GT(last + 2664 - secondTouchdown, 100000u);
}

TEST_F(RecorderTest, EngineRestartDoesNotCancelTheShutdownCountdown) {
    StartWith333UnitFrames();
    vsim::SetSimVar(1, "General Eng Combustion:1", "bool", 1.0);
    Frames(5);
    ASSERT_EQ(EngineRunning, 1u);
    vsim::user::OnDialog(102, RecordDialog(1, 1, 10));  // 1/4 sec, after engine shutdown, 10 s
    ASSERT_TRUE(Menu("Record..."));
    Run(60);
    vsim::SetSimVar(1, "General Eng Combustion:1", "bool", 0.0);
    Run(8);  // the next sample tick sees the shutdown
    uint32_t shutdown = ExpectedOf(1).back()->time;
    ASSERT_EQ(ExpectedOf(1).back()->record[83], 0);
    Run(90);
    vsim::SetSimVar(1, "General Eng Combustion:1", "bool", 1.0);
    vsim::user::OnSave("C:\\Sim\\restart.frc");
    RunWhileMode(Recording, 1000);
    ASSERT_EQ(ModuleMode, (uint32_t)ReplayBuffering);
    uint32_t last = ExpectedOf(1).back()->time;
    EXPECT_LE(last - shutdown, 100000u);
    EXPECT_GT(last + 2664 - shutdown, 100000u);
}

TEST_F(RecorderTest, EngineShutdownStopWaitsForAShutdownSeenByThisRecording) {
    StartWith333UnitFrames();
    RecordTrafficFile("C:\\Sim\\traffic.frc", 1800);
    vsim::SetUserFlightPlan("parked");
    // A first recording, also to stop after an engine shutdown, that the user stops
    // while the engine runs.
    vsim::SetSimVar(1, "General Eng Combustion:1", "bool", 1.0);
    Frames(5);
    vsim::user::OnDialog(102, RecordDialog(1, 1, 60));
    ASSERT_TRUE(Menu("Record..."));
    Run(30);
    vsim::user::OnSave("C:\\Sim\\first.frc");
    ASSERT_TRUE(Menu("Stop..."));
    // The engine is stopped before the next recording starts, beside traffic, where
    // the recording's first sample tick is not at time 0.
    vsim::SetSimVar(1, "General Eng Combustion:1", "bool", 0.0);
    Frames(5);
    vsim::user::OnOpen({"C:\\Sim\\traffic.frc"});
    ASSERT_TRUE(Menu("Play as traffic..."));
    Run(60);
    vsim::user::OnDialog(102, RecordDialog(1, 1, 1));  // after engine shutdown, 1 s
    ASSERT_TRUE(Menu("Record..."));
    ASSERT_EQ(ModuleMode, (uint32_t)RecordingWithTraffic);
    Run(300);
    EXPECT_EQ(ModuleMode, (uint32_t)RecordingWithTraffic) << "no shutdown happened during this recording";
    vsim::SetSimVar(1, "General Eng Combustion:1", "bool", 1.0);
    Run(30);
    vsim::SetSimVar(1, "General Eng Combustion:1", "bool", 0.0);
    vsim::user::OnSave("C:\\Sim\\second.frc");
    unsigned frames = RunWhileMode(RecordingWithTraffic, 300);
    EXPECT_EQ(ModuleMode, (uint32_t)PlayingTraffic);
    EXPECT_LE(frames, 8u * 6);  // the shutdown's tick, then the first tick past 1 s
}

// ---- The clock and the sampling ----

TEST_F(RecorderTest, SamplesEveryEighthFrameAtNormalRateAndEverySecondAtRate1024) {
    StartWith333UnitFrames();
    vsim::user::OnDialog(102, RecordDialog(1));  // 1/4 sec
    ASSERT_TRUE(Menu("Record..."));
    std::vector<uint32_t> steps;
    for (int i = 0; i < 81; ++i) {
        uint32_t before = Timeline;
        Run(1);
        if (i > 0) steps.push_back(Timeline - before);
    }
    EXPECT_EQ(steps, std::vector<uint32_t>(80, 333u));
    std::vector<uint64_t> frames = FramesOfSamples(1);
    ASSERT_EQ(frames.size(), 11u);
    for (size_t i = 1; i < frames.size(); ++i) EXPECT_EQ(frames[i] - frames[i - 1], 8u);

    ASSERT_TRUE(vsim::SetSimRate(4.0));
    expected_.clear();
    Run(1);
    EXPECT_EQ(SimRate, 1024u);
    for (int i = 0; i < 40; ++i) {
        uint32_t before = Timeline;
        Run(1);
        EXPECT_EQ(Timeline - before, 1332u);
    }
    frames = FramesOfSamples(1);
    ASSERT_GE(frames.size(), 20u);
    for (size_t i = 1; i < frames.size(); ++i) EXPECT_EQ(frames[i] - frames[i - 1], 2u);
}

TEST_F(RecorderTest, AFrameGapOf5000OrMoreAdvancesByTheLastGoodDelta) {
    StartWith333UnitFrames();
    vsim::user::OnDialog(102, RecordDialog(3));  // 1 sec
    ASSERT_TRUE(Menu("Record..."));
    Run(10);
    auto step = [&](double framesPerSecond) {
        if (framesPerSecond > 0) {
            EXPECT_TRUE(vsim::SetFrameRate(framesPerSecond));
        }
        uint32_t before = Timeline;
        Run(1);
        return Timeline - before;
    };
    // A long frame shows in the tick after it, which measures the frame before it.
    EXPECT_EQ(step(2.0), 333u);             // a frame of 5000 units
    EXPECT_EQ(step(10000.0 / 333.0), 333u);  // ... measured here: the last good delta
    EXPECT_EQ(step(0), 333u);
    EXPECT_EQ(step(1.0), 333u);             // 10000 units
    EXPECT_EQ(step(10000.0 / 4999.0), 333u);  // 4999 units
    EXPECT_EQ(step(10000.0 / 333.0), 4999u);  // under 5000: counted in full
    EXPECT_EQ(step(0), 333u);

    // A pause: no tick while paused; the first tick after it takes the last good delta.
    vsim::SetPaused(true);
    uint32_t paused = Timeline;
    Run(100);
    EXPECT_EQ(Timeline, paused);
    vsim::SetPaused(false);
    EXPECT_EQ(step(0), 333u);
    EXPECT_EQ(step(0), 333u);
}

// ---- AI traffic ----

TEST_F(RecorderTest, AiAircraftAreRecordedAndOneThatLeavesKeepsItsTrack) {
    WriteIni("SETTINGS", "RecFlags", "4095");
    StartWith333UnitFrames();
    vsim::SetUserFlightPlan("circuit");
    uint32_t first = vsim::AddAi("Traffic One", "orbit");
    Frames(5);
    vsim::user::OnDialog(102, RecordDialog(1, -1, 60, 1));  // every sample
    ASSERT_TRUE(Menu("Record..."));
    EXPECT_EQ(RecordOptions.aiFactor, 1u);
    uint32_t date = rectest::ZuluStampNow();
    Run(1);
    ASSERT_EQ(TrackTable.count, 2u);
    EXPECT_EQ(TrackTable.entries[1].objectId, first);
    EXPECT_EQ(TrackTable.entries[1].groups, 0x87Fu);
    EXPECT_EQ(std::string(TrackTable.entries[1].title), "Traffic One");
    EXPECT_EQ(ActiveTrafficCount, 1u);
    const std::string firstTemp = "C:\\Sim\\Modules\\Kestrel" + std::to_string(first) + ".tmp";
    EXPECT_TRUE(FileExists(firstTemp));

    Run(40);
    uint32_t second = vsim::AddAi("Traffic Two", "orbit");
    Run(60);
    ASSERT_EQ(TrackTable.count, 3u);
    EXPECT_EQ(TrackTable.entries[2].objectId, second);
    EXPECT_EQ(ActiveTrafficCount, 2u);

    ASSERT_TRUE(vsim::RemoveAi(1));
    const Track& gone = TrackTable.entries[1];
    EXPECT_EQ(gone.buffer, nullptr);
    EXPECT_EQ(gone.file, nullptr);
    EXPECT_EQ(ActiveTrafficCount, 1u);
    EXPECT_TRUE(FileExists(firstTemp)) << "its samples wait in the temp file";
    Run(60);

    vsim::user::OnSave("C:\\Sim\\traffic.frc");
    ASSERT_TRUE(Menu("Stop..."));
    EXPECT_FALSE(FileExists(firstTemp));
    EXPECT_FALSE(FileExists("C:\\Sim\\Modules\\Kestrel" + std::to_string(second) + ".tmp"));

    auto user = ExpectedOf(1);
    auto one = ExpectedOf(first);
    auto two = ExpectedOf(second);
    ASSERT_EQ(user.size(), 21u);
    ASSERT_EQ(one.size(), 13u) << "sampled until it left";
    ASSERT_EQ(two.size(), 15u);
    rectest::ByteWriter expected;
    expected.Append(FileHeaderBytes(0, user.back()->time, date, 3));
    expected.Append(ExpectedTrack(user, 0xFFF, UserTitleNow(), UserCgNow(), 250));
    expected.Append(ExpectedTrack(one, 0x87F, "Traffic One", 6.0f, 250));
    expected.Append(ExpectedTrack(two, 0x87F, "Traffic Two", 6.0f, 250));
    std::vector<uint8_t> bytes = ReadBytes("C:\\Sim\\traffic.frc");
    ASSERT_EQ(bytes.size(), expected.bytes.size());
    EXPECT_TRUE(bytes == expected.bytes);
}

TEST_F(RecorderTest, MaxAIAcftLimitsTheTracksAndTheNextTickAddsOneWhenAnotherLeaves) {
    WriteIni("SETTINGS", "MaxAIAcft", "2");
    StartWith333UnitFrames();
    std::vector<uint32_t> ai;
    for (int i = 0; i < 5; ++i) ai.push_back(vsim::AddAi("Traffic " + std::to_string(i + 1), "orbit"));
    Frames(5);
    vsim::user::OnDialog(102, RecordDialog(1, -1, 60, 1));
    ASSERT_TRUE(Menu("Record..."));
    Run(20);
    auto ids = [] {
        std::vector<uint32_t> out;
        for (uint32_t i = 0; i < TrackTable.count; ++i) out.push_back(TrackTable.entries[i].objectId);
        return out;
    };
    EXPECT_EQ(ids(), (std::vector<uint32_t>{1, ai[0], ai[1]}));
    EXPECT_EQ(ActiveTrafficCount, 2u);
    EXPECT_FALSE(FileExists("C:\\Sim\\Modules\\Kestrel" + std::to_string(ai[2]) + ".tmp"));

    ASSERT_TRUE(vsim::RemoveAi(1));
    EXPECT_EQ(ActiveTrafficCount, 1u);
    // Frames without a sample tick change nothing; the next tick adds the third.
    std::vector<uint32_t> asked;
    while (asked.empty()) {
        EXPECT_EQ(ids(), (std::vector<uint32_t>{1, ai[0], ai[1]}));
        watcher_.SkipAll();
        Frames(1);
        asked = watcher_.NewRequests();
    }
    EXPECT_EQ(ids(), (std::vector<uint32_t>{1, ai[0], ai[1], ai[2]}));
    EXPECT_EQ(asked, (std::vector<uint32_t>{1, ai[0], ai[1], ai[2]}));
    EXPECT_EQ(ActiveTrafficCount, 2u);
    EXPECT_TRUE(FileExists("C:\\Sim\\Modules\\Kestrel" + std::to_string(ai[2]) + ".tmp"));
    Run(40);
    EXPECT_EQ(TrackTable.count, 4u);
}

TEST_F(RecorderTest, AiAircraftAreAskedEveryFourthSampleTickCountedFromTheStart) {
    StartWith333UnitFrames();
    uint32_t early = vsim::AddAi("Early", "orbit");
    Frames(5);
    vsim::user::OnDialog(102, RecordDialog(0, -1, 60, 4));  // 1/8 sec, AI every 4th sample
    ASSERT_TRUE(Menu("Record..."));
    uint32_t late = 0;
    std::vector<std::vector<uint32_t>> ticks;  // the objects asked for at each sample tick
    while (ticks.size() < 13) {
        if (ticks.size() == 5 && late == 0) late = vsim::AddAi("Late", "orbit");
        watcher_.SkipAll();
        Frames(1);
        std::vector<uint32_t> asked = watcher_.NewRequests();
        if (!asked.empty()) ticks.push_back(asked);
    }
    const std::vector<uint32_t> user = {1};
    EXPECT_EQ(ticks[0], (std::vector<uint32_t>{1, early}));
    for (int t : {1, 2, 3, 5, 6, 7, 9, 10, 11}) EXPECT_EQ(ticks[t], user) << "tick " << t;
    EXPECT_EQ(ticks[4], (std::vector<uint32_t>{1, early}));
    EXPECT_EQ(ticks[8], (std::vector<uint32_t>{1, early, late})) << "discovered at tick 5, first asked at 8";
    EXPECT_EQ(ticks[12], (std::vector<uint32_t>{1, early, late}));
    EXPECT_EQ(TrackTable.entries[2].objectId, late);
}

// ---- The replay buffer ----

TEST_F(RecorderTest, ReplayBufferWrapsAroundAndRestartsOnFlightLoad) {
    WriteIni("SETTINGS", "BufferSize", "120");
    WriteIni("SETTINGS", "RplyItvl", "125");
    StartWith333UnitFrames();
    ASSERT_EQ(ModuleMode, (uint32_t)ReplayBuffering);
    Run(1 + 129 * 4);  // 130 samples, one every 4th frame
    ASSERT_EQ(ExpectedOf(1, ReplayBuffering).size(), 130u);
    const Track& ring = TrackTable.entries[0];
    EXPECT_EQ(ring.memoryOnly, 1u);
    EXPECT_EQ(ring.capacity, 120u);
    EXPECT_EQ(ring.sampleCount, 120u);
    EXPECT_EQ(ring.bufferIndex, 10u);
    EXPECT_EQ(ring.startTime, ExpectedOf(1, ReplayBuffering)[10]->time);
    EXPECT_EQ(ring.startTime, 10u * 1332u);
    EXPECT_EQ(ring.endTime, 129u * 1332u);
    EXPECT_FALSE(FileExists(UserTempFile)) << "the replay buffer never touches the disk";

    vsim::LoadFlight();
    EXPECT_EQ(ModuleMode, (uint32_t)ReplayBuffering);
    EXPECT_EQ(TrackTable.count, 1u);
    EXPECT_EQ(TrackTable.entries[0].sampleCount, 0u);
    EXPECT_EQ(Timeline, 0u);
    Run(1);
    EXPECT_EQ(TrackTable.entries[0].sampleCount, 1u);
    EXPECT_EQ(TrackTable.entries[0].startTime, 0u);
}

TEST_F(RecorderTest, SavedReplayStartsAtZeroTwiceAndTheBufferKeepsRunning) {
    WriteIni("SETTINGS", "BufferSize", "120");
    WriteIni("SETTINGS", "RplyItvl", "125");
    StartWith333UnitFrames();
    uint32_t date = rectest::ZuluStampNow();
    vsim::SetUserFlightPlan("circuit");
    Run(600);  // 150 samples: the ring has wrapped
    vsim::user::OnDialog(103, Actions("click 1004; click 2"));  // "Save replay", then Cancel

    auto expectedReplay = [&](size_t firstSample) {
        auto samples = ExpectedOf(1, ReplayBuffering);
        std::vector<const ExpectedSample*> kept(samples.begin() + (long)firstSample, samples.end());
        uint32_t base = kept.front()->time;
        rectest::ByteWriter file;
        file.Append(FileHeaderBytes(0, kept.back()->time - base, date, 1));
        file.Append(TrackHeaderBytes(120, 0x7F, 0, kept.back()->time - base, UserTitleNow(), UserCgNow(), 125));
        for (const ExpectedSample* sample : kept) {
            std::vector<uint8_t> record = sample->record;
            uint32_t time = sample->time - base;
            for (int b = 0; b < 4; ++b) record[record.size() - 4 + b] = (uint8_t)(time >> (8 * b));
            file.Append(record);
        }
        return file.bytes;
    };

    vsim::user::OnSave("C:\\Sim\\replay1.frc");
    ASSERT_TRUE(Menu("Replay..."));
    EXPECT_EQ(ModuleMode, (uint32_t)ReplayBuffering);
    ASSERT_EQ(ExpectedOf(1, ReplayBuffering).size(), 150u);
    std::vector<uint8_t> first = ReadBytes("C:\\Sim\\replay1.frc");
    EXPECT_TRUE(first == expectedReplay(30));
    RecordingFileView view = ParseRecordingFile(first);
    ASSERT_TRUE(view.ok);
    EXPECT_EQ(view.startTime, 0u);
    EXPECT_EQ(view.tracks[0].TimeOf(0), 0u);
    EXPECT_EQ(Timeline, 119u * 1332u + 3 * 333u) << "the clock was rebased with the records";
    // The samples noted so far move onto the rebased clock too.
    uint32_t base = 30 * 1332;
    for (ExpectedSample& sample : expected_) {
        sample.time -= base;
        for (int b = 0; b < 4; ++b) sample.record[sample.record.size() - 4 + b] = (uint8_t)(sample.time >> (8 * b));
    }

    Run(200);  // 50 more samples
    vsim::user::OnSave("C:\\Sim\\replay2.frc");
    ASSERT_TRUE(Menu("Replay..."));
    ASSERT_EQ(ExpectedOf(1, ReplayBuffering).size(), 200u);
    std::vector<uint8_t> second = ReadBytes("C:\\Sim\\replay2.frc");
    EXPECT_TRUE(second == expectedReplay(80));
    view = ParseRecordingFile(second);
    ASSERT_TRUE(view.ok);
    EXPECT_EQ(view.startTime, 0u);
    EXPECT_EQ(view.tracks[0].TimeOf(0), 0u);
    EXPECT_EQ(ModuleMode, (uint32_t)ReplayBuffering);
}

// ---- Failures that must lose nothing ----

TEST_F(RecorderTest, AFailedWriteOfATrackBufferToItsTempFileIsReported) {
    StartWith333UnitFrames();
    vsim::SetUserFlightPlan("circuit");
    vsim::user::OnDialog(102, RecordDialog(0));  // 1/8 sec
    ASSERT_TRUE(Menu("Record..."));
    uint32_t date = rectest::ZuluStampNow();
    // The buffer is first written when its oldest record is 30 s old (here after 226
    // records, taken 1332 units apart), and the disk is full then.
    while (Timeline < 300000 - 333) Run(1);
    vsim::FailNext(vsim::FailFileWrite);
    size_t boxes = vsim::user::MessageBoxes().size();
    Run(4);
    ASSERT_EQ(vsim::user::MessageBoxes().size(), boxes + 1);
    const vsim::user::MessageBoxRecord* box = LastMessage();
    EXPECT_EQ(box->text,
              "The recording could not be written to its temporary file! Please check the free space on your disk.");
    EXPECT_EQ(box->caption, "Kestrel");
    EXPECT_EQ(box->type, (UINT)(MB_OK | MB_ICONERROR));
    EXPECT_FALSE(vsim::DialogModeOn());
    EXPECT_EQ(ModuleMode, (uint32_t)Recording);

    Run(100);  // the disk has room again: the next sample tick writes the buffer
    vsim::user::OnSave("C:\\Sim\\survived.frc");
    ASSERT_TRUE(Menu("Stop..."));
    auto samples = ExpectedOf(1);  // the records stayed in the buffer: none is lost
    EXPECT_TRUE(ReadBytes("C:\\Sim\\survived.frc") == ExpectedUserFile(samples, date, 125));
}

TEST_F(RecorderTest, AFullDiskWhileSavingIsReportedAndTheRecordingGoesOnToBeSavedElsewhere) {
    StartWith333UnitFrames();
    vsim::SetUserFlightPlan("circuit");
    vsim::user::OnDialog(102, RecordDialog(0));
    ASSERT_TRUE(Menu("Record..."));
    uint32_t date = rectest::ZuluStampNow();
    Run(1100);  // 275 samples: 240 of them in the temp file

    vsim::user::OnSave("C:\\Sim\\full.frc");
    vsim::FailNext(vsim::FailFileWrite);
    ASSERT_TRUE(Menu("Stop..."));
    const vsim::user::MessageBoxRecord* box = LastMessage();
    ASSERT_NE(box, nullptr);
    EXPECT_EQ(box->text,
              "The recording could not be written completely to the selected file! Please check the free space "
              "on your disk and save it again.");
    EXPECT_EQ(box->caption, "Kestrel");
    EXPECT_EQ(box->type, (UINT)(MB_OK | MB_ICONERROR));
    EXPECT_EQ(ModuleMode, (uint32_t)Recording);
    EXPECT_TRUE(FileExists(UserTempFile)) << "kept until a file was written whole";
    EXPECT_FALSE(FileExists("C:\\Sim\\full.frc")) << "no half-written file is left to be mistaken for one";
    EXPECT_FALSE(vsim::DialogModeOn());

    Run(400);
    vsim::user::OnSave("C:\\Sim\\elsewhere.frc");
    ASSERT_TRUE(Menu("Stop..."));
    EXPECT_EQ(ModuleMode, (uint32_t)ReplayBuffering);
    EXPECT_FALSE(FileExists(UserTempFile));
    ASSERT_EQ(ExpectedOf(1).size(), 375u);
    EXPECT_TRUE(ReadBytes("C:\\Sim\\elsewhere.frc") == ExpectedUserFile(ExpectedOf(1), date, 125));
}

TEST_F(RecorderTest, AnOutputFileThatCannotBeOpenedKeepsTheRecordingGoing) {
    StartWith333UnitFrames();
    vsim::SetUserFlightPlan("circuit");
    vsim::user::OnDialog(102, RecordDialog(1));
    ASSERT_TRUE(Menu("Record..."));
    uint32_t date = rectest::ZuluStampNow();
    Run(100);
    vsim::user::OnSave("C:\\Sim\\locked.frc");
    vsim::FailNext(vsim::FailFileOpen);
    Key("Esc");
    const vsim::user::MessageBoxRecord* box = LastMessage();
    ASSERT_NE(box, nullptr);
    EXPECT_EQ(box->text, "The selected file could not be opened!");
    EXPECT_EQ(box->caption, "Kestrel");
    EXPECT_EQ(box->type, (UINT)(MB_OK | MB_ICONERROR));
    EXPECT_EQ(ModuleMode, (uint32_t)Recording);
    EXPECT_TRUE(FileExists(UserTempFile));

    Run(100);
    vsim::user::OnSave("C:\\Sim\\open.frc");
    Key("Esc");
    EXPECT_EQ(ModuleMode, (uint32_t)ReplayBuffering);
    EXPECT_TRUE(ReadBytes("C:\\Sim\\open.frc") == ExpectedUserFile(ExpectedOf(1), date, 250));
}

TEST_F(RecorderTest, AnAiAircraftWhoseTempFileCannotBeCreatedIsReported) {
    StartWith333UnitFrames();
    vsim::user::OnDialog(102, RecordDialog(1, -1, 60, 1));
    ASSERT_TRUE(Menu("Record..."));
    Run(20);
    vsim::FailNext(vsim::FailFileOpen);
    uint32_t ai = vsim::AddAi("Traffic", "orbit");
    Run(8);
    ASSERT_EQ(TrackTable.count, 2u);
    EXPECT_EQ(TrackTable.entries[1].objectId, ai);
    EXPECT_EQ(TrackTable.entries[1].memoryOnly, 1u);
    const vsim::user::MessageBoxRecord* box = LastMessage();
    ASSERT_NE(box, nullptr);
    EXPECT_EQ(box->text,
              "The recording could not be written to its temporary file! Please check the free space on your disk.");
    EXPECT_EQ(box->caption, "Kestrel");
    Run(60);
    vsim::user::OnSave("C:\\Sim\\user-only.frc");
    ASSERT_TRUE(Menu("Stop..."));
    RecordingFileView view = ParseRecordingFile(ReadBytes("C:\\Sim\\user-only.frc"));
    ASSERT_TRUE(view.ok);
    EXPECT_EQ(view.trackCount, 1u) << "the user's aircraft is saved; the AI track had nowhere to go";
    EXPECT_EQ(MessageCount(box->text), 1u);
}

TEST_F(RecorderTest, AnAiAircraftLeavingWhileTheDiskIsFullKeepsItsRecordsForTheSave) {
    StartWith333UnitFrames();
    uint32_t ai = vsim::AddAi("Traffic", "orbit");
    Frames(5);
    vsim::user::OnDialog(102, RecordDialog(1, -1, 60, 1));
    ASSERT_TRUE(Menu("Record..."));
    uint32_t date = rectest::ZuluStampNow();
    Run(100);
    vsim::FailNext(vsim::FailFileWrite);
    ASSERT_TRUE(vsim::RemoveAi(1));
    const vsim::user::MessageBoxRecord* box = LastMessage();
    ASSERT_NE(box, nullptr);
    EXPECT_EQ(box->text,
              "The recording could not be written to its temporary file! Please check the free space on your disk.");
    EXPECT_EQ(box->caption, "Kestrel");
    EXPECT_NE(TrackTable.entries[1].buffer, nullptr) << "its last records are still held";
    EXPECT_EQ(ActiveTrafficCount, 0u);
    Run(30);
    vsim::user::OnSave("C:\\Sim\\kept.frc");
    ASSERT_TRUE(Menu("Stop..."));
    auto user = ExpectedOf(1);
    auto traffic = ExpectedOf(ai);
    ASSERT_EQ(traffic.size(), 13u);
    rectest::ByteWriter expected;
    expected.Append(FileHeaderBytes(0, user.back()->time, date, 2));
    expected.Append(ExpectedTrack(user, 0x7F, UserTitleNow(), UserCgNow(), 250));
    expected.Append(ExpectedTrack(traffic, 0x7F, "Traffic", 6.0f, 250));
    EXPECT_TRUE(ReadBytes("C:\\Sim\\kept.frc") == expected.bytes);
    EXPECT_FALSE(FileExists("C:\\Sim\\Modules\\Kestrel" + std::to_string(ai) + ".tmp"));
}

TEST_F(RecorderTest, SavingTheReplayToAFileThatFailsIsReportedAndTheBufferStaysWhole) {
    StartWith333UnitFrames();
    Run(600);  // 20 s at 1/2 sec
    ASSERT_EQ(ModuleMode, (uint32_t)ReplayBuffering);
    HWND replayDialog = nullptr;
    vsim::user::OnDialog(103, [&](HWND dialog) {
        replayDialog = dialog;
        vsim::win32::ClickControl(vsim::win32::FindControl(dialog, 1004));
        vsim::win32::ClickControl(vsim::win32::FindControl(dialog, IDCANCEL));
    });

    vsim::user::OnSave("C:\\Sim\\replay.frc");
    vsim::FailNext(vsim::FailFileOpen);
    ASSERT_TRUE(Menu("Replay..."));
    const vsim::user::MessageBoxRecord* box = LastMessage();
    ASSERT_NE(box, nullptr);
    EXPECT_EQ(box->text, "The selected file could not be opened!");
    EXPECT_EQ(box->caption, "Kestrel");
    EXPECT_EQ(box->type, (UINT)(MB_OK | MB_ICONERROR));
    EXPECT_EQ(box->owner, replayDialog);
    EXPECT_FALSE(FileExists("C:\\Sim\\replay.frc"));

    vsim::user::OnSave("C:\\Sim\\replay.frc");
    vsim::FailNext(vsim::FailFileWrite);
    ASSERT_TRUE(Menu("Replay..."));
    box = LastMessage();
    EXPECT_EQ(box->text,
              "The recording could not be written completely to the selected file! Please check the free space "
              "on your disk and save it again.");
    EXPECT_EQ(box->owner, replayDialog);
    EXPECT_FALSE(FileExists("C:\\Sim\\replay.frc")) << "no half-written file is left";
    EXPECT_FALSE(vsim::DialogModeOn());

    vsim::user::OnSave("C:\\Sim\\replay.frc");
    ASSERT_TRUE(Menu("Replay..."));
    RecordingFileView view = ParseRecordingFile(ReadBytes("C:\\Sim\\replay.frc"));
    ASSERT_TRUE(view.ok);
    ASSERT_EQ(view.trackCount, 1u);
    EXPECT_EQ(view.tracks[0].sampleCount, ExpectedOf(1, ReplayBuffering).size());
    EXPECT_EQ(ModuleMode, (uint32_t)ReplayBuffering);
}

TEST_F(RecorderTest, ARecordingThatCannotStartBesideTrafficLeavesTheTrafficPlaying) {
    StartWith333UnitFrames();
    RecordTrafficFile("C:\\Sim\\traffic.frc", 900);
    vsim::user::OnOpen({"C:\\Sim\\traffic.frc"});
    ASSERT_TRUE(Menu("Play as traffic..."));
    ASSERT_EQ(ModuleMode, (uint32_t)PlayingTraffic);
    Run(60);
    size_t traffic = TrackTable.count;
    ASSERT_GE(traffic, 1u);

    vsim::FailNext(vsim::FailFileOpen);
    vsim::user::OnDialog(102, RecordDialog(1));
    ASSERT_TRUE(Menu("Record..."));
    const vsim::user::MessageBoxRecord* box = LastMessage();
    ASSERT_NE(box, nullptr);
    EXPECT_EQ(box->text, "Temp file could not be opened!");
    EXPECT_EQ(box->caption, "Kestrel Module");
    EXPECT_EQ(box->type, (UINT)(MB_OK | MB_ICONERROR));
    EXPECT_EQ(ModuleMode, (uint32_t)PlayingTraffic);
    EXPECT_EQ(vsim::MenuItems(), (std::vector<std::string>{"Record...", "Stop...", "About..."}));
    EXPECT_EQ(TrackTable.count, traffic);
    uint32_t position = Timeline;
    Run(30);
    EXPECT_EQ(Timeline - position, 30u * 333u) << "the traffic plays on";
    EXPECT_EQ(ModuleMode, (uint32_t)PlayingTraffic);
}

TEST_F(RecorderTest, AutoStopAfterStartCountsFromTheStartOfARecordingBesideTraffic) {
    WriteIni("WINDOW", "Show", "1");
    WriteIni("SETTINGS", "WindAiPlay", "1");
    StartWith333UnitFrames();
    RecordTrafficFile("C:\\Sim\\traffic.frc", 1200);
    vsim::user::OnOpen({"C:\\Sim\\traffic.frc"});
    ASSERT_TRUE(Menu("Play as traffic..."));
    Run(300);
    ASSERT_EQ(ModuleMode, (uint32_t)PlayingTraffic);
    ASSERT_GT(Timeline, 90000u);
    EXPECT_TRUE(IsWindowVisible(ControlWindow));

    vsim::user::OnDialog(102, RecordDialog(1, 2, 5));  // after start of recording, 5 s
    ASSERT_TRUE(Menu("Record..."));
    ASSERT_EQ(ModuleMode, (uint32_t)RecordingWithTraffic);
    EXPECT_FALSE(IsWindowVisible(ControlWindow)) << "hidden while recording";
    vsim::user::OnSave("C:\\Sim\\beside.frc");
    unsigned frames = RunWhileMode(RecordingWithTraffic, 600);
    EXPECT_EQ(ModuleMode, (uint32_t)PlayingTraffic);
    EXPECT_TRUE(IsWindowVisible(ControlWindow)) << "back with the traffic";
    // 5 s are 150 frames; the stop comes at the first sample tick after them.
    EXPECT_GT(frames, 150u);
    EXPECT_LE(frames, 158u);
    RecordingFileView view = ParseRecordingFile(ReadBytes("C:\\Sim\\beside.frc"));
    ASSERT_TRUE(view.ok);
    ASSERT_EQ(view.trackCount, 1u);
    EXPECT_GT(view.startTime, 90000u) << "stamped with the traffic's time";
    EXPECT_LE(view.endTime - view.startTime, 50000u);
    EXPECT_GT(view.endTime - view.startTime, 45000u);
}

}  // namespace
