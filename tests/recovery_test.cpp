// Crash recovery: a real crash of kestrel-host during a recording with traffic, the
// recording file the next start assembles from the temp files, the temp files that are
// kept when it cannot be written or does not fit in memory, and the 30-second bound on
// what a crash can lose.
#include <sys/wait.h>
#include <unistd.h>
#include <time.h>
#include <utime.h>

#include <cstdlib>
#include <cstring>
#include <fstream>
#include <string>
#include <vector>

#include "module/simcommands.h"
#include "module/simlink.h"
#include "recording/frcformat.h"
#include "recording/track.h"
#include "tests/support/module_fixture.h"
#include "tests/support/recording_helpers.h"
#include "ui/config.h"
#include "vsim/sim/aircraft.h"
#include "vsim/sim/simhost.h"
#include "vsim/sim/simulator.h"
#include "vsim/win32/scripted_user.h"

#ifndef KESTREL_HOST_EXE
#error "KESTREL_HOST_EXE names the kestrel-host program"
#endif

using rectest::Le32;
using rectest::ParseRecordingFile;
using rectest::RecordingFileView;

namespace {

const char* const UserTemp = "C:\\Sim\\Modules\\Kestrel1.tmp";
const char* const Recovered = "C:\\Sim\\Modules\\Recovered_2026-03-01_14-05-09.frc";
const char* const RecoveredSecond = "C:\\Sim\\Modules\\Recovered_2026-03-01_14-05-09_2.frc";

class RecoveryTest : public ModuleTest {
protected:
    // Gives a file on the drive the write time 2026-03-01 14:05:09 UTC.
    void SetWriteTime(const std::string& windowsPath) {
        struct tm date = {};
        date.tm_year = 2026 - 1900;
        date.tm_mon = 2;
        date.tm_mday = 1;
        date.tm_hour = 14;
        date.tm_min = 5;
        date.tm_sec = 9;
        struct utimbuf times = {timegm(&date), timegm(&date)};
        ASSERT_EQ(utime(HostPath(windowsPath).c_str(), &times), 0) << windowsPath;
    }

    std::vector<std::string> BoxesStartingWith(const std::string& prefix) const {
        std::vector<std::string> found;
        for (const std::string& text : MessageTexts())
            if (text.compare(0, prefix.size(), prefix) == 0) found.push_back(text);
        return found;
    }

    // A temp file of `records` whole records of the given groups, then `extra` bytes.
    std::vector<uint8_t> TempFileBytes(uint32_t groups, uint32_t records, uint32_t extra) {
        std::vector<uint8_t> bytes = rectest::TrackHeaderBytes(0, groups, 0, 0, "Temp Aircraft", 0.0f, 1000);
        uint32_t size = rectest::RecordSizeOf(groups);
        for (uint32_t i = 0; i < records; ++i) {
            std::vector<uint8_t> record(size, (uint8_t)(i + 1));
            for (int b = 0; b < 4; ++b) record[rectest::TimeOffsetOf(groups) + b] = (uint8_t)((i * 10000) >> (8 * b));
            bytes.insert(bytes.end(), record.begin(), record.end());
        }
        bytes.insert(bytes.end(), extra, 0xAB);
        return bytes;
    }

    // The records of a temp file (after its 124-byte header), whole ones only.
    static std::vector<uint8_t> RecordsOf(const std::vector<uint8_t>& temp) {
        uint32_t size = rectest::RecordSizeOf(Le32(temp, 4));
        size_t whole = (temp.size() - 124) / size * size;
        return std::vector<uint8_t>(temp.begin() + 124, temp.begin() + 124 + whole);
    }

    // Runs kestrel-host (after the shell's `prefix`) on a script over this test's drive;
    // its exit status and what it printed.
    struct HostRun {
        int status;
        std::string out;
    };
    HostRun RunHost(const std::string& script, const std::string& prefix = "") {
        std::string scriptPath = root_ + "/script.khs";
        std::ofstream(scriptPath) << script;
        std::string command = prefix + std::string(KESTREL_HOST_EXE) + " --quiet --root '" + root_ + "' '" +
                              scriptPath + "' >'" + root_ + "/out.txt' 2>&1";
        HostRun run;
        run.status = std::system(command.c_str());
        std::ifstream outFile(root_ + "/out.txt");
        run.out.assign(std::istreambuf_iterator<char>(outFile), std::istreambuf_iterator<char>());
        return run;
    }

    static std::vector<uint8_t> Joined(const rectest::FileTrack& track) {
        std::vector<uint8_t> bytes;
        for (const auto& record : track.records) bytes.insert(bytes.end(), record.begin(), record.end());
        return bytes;
    }
};

// kestrel-host records the user and an AI aircraft for 75 s at 1 s and crashes. The temp
// files hold what the 30-second writes put there, with headers brought up to date; the
// next start joins them into a Recovered file (beside one of that name already there),
// says so once, and deletes them.
TEST_F(RecoveryTest, ACrashDuringARecordingWithTrafficIsRecoveredAtTheNextStart) {
    std::string script =
        "start\nflight load\nuser flies circuit\nai add \"Beech Baron 58 Paint1\" flies orbit\nseconds 2\n"
        "on dialog 102 do select 1000 3; uncheck 1034; check 1089; set 1090 1; click 1\n"
        "menu \"Record...\"\nexpect mode Recording\nseconds 75\ncrash\nsay \"never reached\"\n";
    HostRun run = RunHost(script);
    ASSERT_TRUE(WIFEXITED(run.status));
    EXPECT_EQ(WEXITSTATUS(run.status), 0);
    EXPECT_EQ(run.out, "done: 0 problems\n");

    // The AI aircraft is the one object besides the user's: find its temp file.
    std::vector<std::string> aiTemps;
    for (int id = 2; id < 100; ++id) {
        std::string name = "C:\\Sim\\Modules\\Kestrel" + std::to_string(id) + ".tmp";
        if (FileExists(name)) aiTemps.push_back(name);
    }
    ASSERT_EQ(aiTemps.size(), 1u);
    std::vector<uint8_t> userTemp = ReadBytes(UserTemp), aiTemp = ReadBytes(aiTemps[0]);
    ASSERT_GE(userTemp.size(), 124u);
    std::vector<uint8_t> userRecords = RecordsOf(userTemp), aiRecords = RecordsOf(aiTemp);
    uint32_t userSize = rectest::RecordSizeOf(Le32(userTemp, 4));
    uint32_t userCount = (uint32_t)(userRecords.size() / userSize);
    // Written at about 30 s and 60 s; nothing of the last 15 s; the header says so.
    EXPECT_GE(userCount, 58u);
    EXPECT_LE(userCount, 64u);
    EXPECT_EQ(Le32(userTemp, 0), userCount);
    EXPECT_EQ(Le32(userTemp, 12), Le32(userRecords, userRecords.size() - 4));
    EXPECT_EQ(std::string((const char*)&aiTemp[16]), "Beech Baron 58 Paint1");

    SetWriteTime(UserTemp);
    SetWriteTime(aiTemps[0]);
    WriteBytes(Recovered, {1, 2, 3});
    ASSERT_TRUE(StartModule());

    std::vector<std::string> boxes = BoxesStartingWith("A recording that was interrupted");
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0], std::string("A recording that was interrupted has been recovered and saved as ") +
                            RecoveredSecond + ".");
    EXPECT_EQ(vsim::user::MessageBoxes().back().caption, "Kestrel");
    EXPECT_EQ(ReadBytes(Recovered), std::vector<uint8_t>({1, 2, 3})) << "an existing file is never replaced";
    EXPECT_FALSE(FileExists(UserTemp));
    EXPECT_FALSE(FileExists(aiTemps[0]));

    RecordingFileView file = ParseRecordingFile(ReadBytes(RecoveredSecond));
    ASSERT_TRUE(file.ok);
    EXPECT_EQ(file.date, frc::MakeDate(2026, 60, 14 * 3600 + 5 * 60 + 9));
    ASSERT_EQ(file.trackCount, 2u);
    EXPECT_EQ(file.tracks[0].sampleCount, userCount);
    EXPECT_EQ(file.tracks[0].title, std::string((const char*)&userTemp[16]));
    EXPECT_TRUE(Joined(file.tracks[0]) == userRecords);
    EXPECT_EQ(file.tracks[1].title, "Beech Baron 58 Paint1");
    EXPECT_TRUE(Joined(file.tracks[1]) == aiRecords);
    EXPECT_EQ(file.startTime, 0u);
    EXPECT_EQ(file.endTime, std::max(file.tracks[0].endTime, file.tracks[1].endTime));
    StopModule();
}

// A full disk at start keeps the temp files (one of them without a whole record) and
// tells the user; recordings then refuse to start over them until the file can be
// written, and the one that does start first recovers them.
TEST_F(RecoveryTest, ARecoveryThatCannotBeWrittenKeepsTheTempFilesUntilItCan) {
    std::vector<uint8_t> user = TempFileBytes(0x7F, 3, 10), partial = TempFileBytes(0x7F, 0, 40);
    WriteBytes(UserTemp, user);
    WriteBytes("C:\\Sim\\Modules\\Kestrel9.tmp", partial);
    SetWriteTime(UserTemp);
    SetWriteTime("C:\\Sim\\Modules\\Kestrel9.tmp");
    const std::string Failed = std::string("A recording that was interrupted could not be saved as ") + Recovered +
                               "! Its temporary files are kept; please check the free space on your disk. No new "
                               "recording can start until it is saved.";

    vsim::FailNext(vsim::FailFileWrite);
    ASSERT_TRUE(StartModule());
    EXPECT_EQ(BoxesStartingWith("A recording that was interrupted"), std::vector<std::string>{Failed});
    EXPECT_EQ(vsim::user::MessageBoxes().back().type, (UINT)(MB_OK | MB_ICONERROR));
    EXPECT_FALSE(FileExists(Recovered)) << "no partial file";
    EXPECT_TRUE(ReadBytes(UserTemp) == user);

    vsim::LoadFlight();
    vsim::SetUserFlightPlan("circuit");
    Seconds(2);
    vsim::user::OnDialog(102, [](HWND dialog) { SendMessageA(dialog, WM_COMMAND, IDOK, 0); });
    vsim::FailNext(vsim::FailFileWrite);
    ASSERT_TRUE(Menu("Record..."));
    EXPECT_EQ(BoxesStartingWith("A recording that was interrupted"), std::vector<std::string>(2, Failed));
    EXPECT_EQ(ModuleMode, (uint32_t)ReplayBuffering) << "the recording did not start";
    EXPECT_TRUE(ReadBytes(UserTemp) == user) << "not truncated";

    ASSERT_TRUE(Menu("Record..."));
    EXPECT_EQ(BoxesStartingWith("A recording that was interrupted").back(),
              std::string("A recording that was interrupted has been recovered and saved as ") + Recovered + ".");
    EXPECT_EQ(ModuleMode, (uint32_t)Recording);
    EXPECT_FALSE(FileExists("C:\\Sim\\Modules\\Kestrel9.tmp"));
    RecordingFileView file = ParseRecordingFile(ReadBytes(Recovered));
    ASSERT_TRUE(file.ok);
    ASSERT_EQ(file.trackCount, 1u);
    EXPECT_EQ(file.tracks[0].sampleCount, 3u);
    EXPECT_EQ(file.tracks[0].endTime, 20000u);
    EXPECT_TRUE(Joined(file.tracks[0]) == RecordsOf(user));
    StopModule();
}

// A recording too large for the simulator's memory (kestrel-host limited to 150 MB of
// address space, the user's temp file 256 MB) stays on disk and the user is told; the
// simulator goes on instead of ending at the failed allocation.
TEST_F(RecoveryTest, ARecoveryTooLargeForMemoryKeepsTheTempFilesAndTheSimulatorGoesOn) {
#if defined(__has_feature)
#if __has_feature(address_sanitizer)
    GTEST_SKIP() << "AddressSanitizer needs far more address space than the limit";
#endif
#endif
    std::vector<uint8_t> user = TempFileBytes(0x7F, 3, 0);
    WriteBytes(UserTemp, user);
    const off_t Large = (off_t)256 << 20;
    ASSERT_EQ(truncate(HostPath(UserTemp).c_str(), Large), 0);
    HostRun run = RunHost("start\nexpect message \"A recording that was interrupted is too large to be "
                          "recovered while the simulator runs! Its temporary files are kept in "
                          "C:\\Sim\\Modules\\; \"\nexpect mode ReplayBuffering\nseconds 1\n",
                          "ulimit -v 150000 && ");
    ASSERT_TRUE(WIFEXITED(run.status)) << run.out;
    EXPECT_EQ(WEXITSTATUS(run.status), 0);
    EXPECT_EQ(run.out, "done: 0 problems\n");
    std::ifstream kept(HostPath(UserTemp), std::ios::binary | std::ios::ate);
    EXPECT_EQ((off_t)kept.tellg(), Large);
    std::vector<uint8_t> head(user.size());
    kept.seekg(0);
    kept.read(reinterpret_cast<char*>(head.data()), (std::streamsize)head.size());
    EXPECT_TRUE(head == user);
}

// Temp files without a whole record are deleted without a word or a file.
TEST_F(RecoveryTest, TempFilesWithoutAWholeRecordAreSimplyDeleted) {
    WriteBytes(UserTemp, TempFileBytes(0x7F, 0, 50));
    WriteBytes("C:\\Sim\\Modules\\Kestrel12.tmp", std::vector<uint8_t>(60, 0));
    WriteBytes("C:\\Sim\\Modules\\KestrelNotes.tmp", {1});  // not a temp file of a recording
    ASSERT_TRUE(StartModule());
    EXPECT_TRUE(MessageTexts().empty());
    EXPECT_FALSE(FileExists(UserTemp));
    EXPECT_FALSE(FileExists("C:\\Sim\\Modules\\Kestrel12.tmp"));
    EXPECT_TRUE(FileExists("C:\\Sim\\Modules\\KestrelNotes.tmp"));
    StopModule();
}

// At 2 s a buffer of 240 records took 8 minutes to fill: now the records are on disk,
// described by the header, once the oldest is 30 s old.
TEST_F(RecoveryTest, ATwoSecondRecordingHasItsRecordsOnDiskAfter30Seconds) {
    ASSERT_TRUE(StartModule());
    vsim::LoadFlight();
    vsim::SetUserFlightPlan("circuit");
    Seconds(2);
    vsim::user::OnDialog(102, [](HWND dialog) {
        SendDlgItemMessageA(dialog, 1000, CB_SETCURSEL, 4, 0);  // 2 sec
        SendMessageA(dialog, WM_COMMAND, IDOK, 0);
    });
    ASSERT_TRUE(Menu("Record..."));
    ASSERT_EQ(RecordOptions.interval, 2000u);
    Seconds(29);
    EXPECT_EQ(ReadBytes(UserTemp).size(), 124u) << "nothing written before the oldest record is 30 s old";
    Seconds(3);
    std::vector<uint8_t> temp = ReadBytes(UserTemp);
    const Track& track = TrackTable.entries[0];
    uint32_t size = track.layout.recordSize;
    ASSERT_EQ((temp.size() - 124) % size, 0u);
    uint32_t count = (uint32_t)((temp.size() - 124) / size);
    EXPECT_GE(count, 15u);
    EXPECT_EQ(count + track.bufferIndex, track.sampleCount);
    EXPECT_EQ(Le32(temp, 0), count);
    EXPECT_EQ(Le32(temp, 8), 0u);
    EXPECT_EQ(Le32(temp, 12), Le32(temp, 124 + count * size - 4));
    float cg;
    memcpy(&cg, &temp[116], 4);
    EXPECT_EQ(cg, GetUserCgHeight());
    StopModule();
}

}  // namespace
