// kestrel-frc's commands on recording files built field by field: info (text and
// JSON), check on sound and damaged files, trim, split and merge read back with the
// tests' own reader, recover from temp files and after a crash of kestrel-host, and the
// exit statuses with their one line on stderr.
#include <gtest/gtest.h>

#include <filesystem>
#include <nlohmann/json.hpp>

#include "tests/support/frc_helpers.h"
#include "tests/support/recording_helpers.h"

namespace {

const uint32_t Date = frctest::Stamp(2026, 342, 14, 5, 9);  // 2026-12-08 14:05:09 UTC

frctest::TrackSpec Track(const std::string& title, double latitude, size_t count, uint32_t firstTime) {
    frctest::TrackSpec t;
    t.title = title;
    t.groups = 0x07F;
    t.points = frctest::Flight(latitude, 8.5, count, 1000, firstTime);
    return t;
}

std::string Write(const std::string& folder, const std::string& name, uint32_t date,
                  const std::vector<frctest::TrackSpec>& tracks) {
    std::string path = folder + "/" + name;
    frctest::WriteFile(path, frctest::RecordingBytes(date, tracks));
    return path;
}

rectest::RecordingFileView ReadBack(const std::string& path) {
    return rectest::ParseRecordingFile(frctest::ReadFile(path));
}

TEST(FrcCommands, InfoDescribesEachTrackInTextAndJson) {
    std::string folder = frctest::TempFolder("info");
    // 61 samples, 30 s east then 30 s north at 60 m/s: 3.6 km, climbing to 220 m.
    std::string file =
        Write(folder, "flight.frc", Date, {Track("Cessna", 47.0, 61, 0), Track("Piper", 47.1, 10, 20000)});
    frctest::Run text = frctest::RunFrc("info " + file);
    ASSERT_EQ(text.status, 0) << text.err;
    EXPECT_NE(text.out.find("version 0x01000006, recorded 2026-12-08T14:05:09Z, 2 track(s)"), std::string::npos)
        << text.out;
    EXPECT_NE(text.out.find("track 1: \"Cessna\" (user aircraft)\n  samples 61, interval 1000 ms\n"), std::string::npos)
        << text.out;
    EXPECT_NE(text.out.find("from 0.0000 s (2026-12-08T14:05:09Z) to 60.0000 s (2026-12-08T14:06:09Z)"),
              std::string::npos)
        << text.out;

    frctest::Run json = frctest::RunFrc("info --json " + file);
    ASSERT_EQ(json.status, 0) << json.err;
    nlohmann::json all = nlohmann::json::parse(json.out);
    ASSERT_EQ(all.size(), 1u);
    const nlohmann::json& first = all[0]["tracks"][0];
    EXPECT_EQ(first["title"], "Cessna");
    EXPECT_EQ(first["samples"], 61);
    EXPECT_EQ(first["groups"], 0x07F);
    EXPECT_NEAR(first["distance_m"].get<double>(), 3600.0, 5.0);
    EXPECT_NEAR(first["highest_m"].get<double>(), 220.0, 0.1);
    EXPECT_NEAR(first["top_ground_speed_kt"].get<double>(), 60.0 * 3600 / 1852, 0.1);
    EXPECT_EQ(first["end_utc"], "2026-12-08T14:06:09.000Z");
    EXPECT_EQ(all[0]["tracks"][1]["start_s"], 2.0);
}

TEST(FrcCommands, CheckPassesSoundFilesAndNamesWhatIsWrongWithDamagedOnes) {
    std::string folder = frctest::TempFolder("check");
    std::vector<uint8_t> sound = frctest::RecordingBytes(Date, {Track("Cessna", 47.0, 5, 0)});
    frctest::WriteFile(folder + "/sound.frc", sound);
    std::vector<uint8_t> cut(sound.begin(), sound.end() - 10);  // inside the last record
    frctest::WriteFile(folder + "/cut.frc", cut);
    std::vector<uint8_t> version = sound;
    version[0] = 7;
    frctest::WriteFile(folder + "/version.frc", version);

    frctest::Run ok = frctest::RunFrc("check " + folder + "/sound.frc");
    EXPECT_EQ(ok.status, 0) << ok.err;
    EXPECT_EQ(ok.out, folder + "/sound.frc: sound, 1 track(s), 5 samples, 0.0000 s to 4.0000 s\n");
    EXPECT_EQ(ok.err, "");

    frctest::Run one = frctest::RunFrc("check " + folder + "/cut.frc");
    EXPECT_EQ(one.status, 1);
    // One line on stderr: the file, what and the byte where it is cut.
    EXPECT_EQ(std::count(one.err.begin(), one.err.end(), '\n'), 1) << one.err;
    EXPECT_NE(one.err.find(folder + "/cut.frc: "), std::string::npos) << one.err;
    EXPECT_NE(one.err.find("byte"), std::string::npos) << one.err;

    frctest::Run all =
        frctest::RunFrc("check " + folder + "/sound.frc " + folder + "/version.frc " + folder + "/cut.frc");
    EXPECT_EQ(all.status, 1);
    EXPECT_NE(all.out.find("sound.frc: sound"), std::string::npos) << all.out;
    EXPECT_NE(all.out.find("version.frc: "), std::string::npos) << all.out;
    EXPECT_NE(all.out.find("cut.frc: "), std::string::npos) << all.out;
    EXPECT_NE(all.err.find("2 of 3 file(s) damaged"), std::string::npos) << all.err;
}

TEST(FrcCommands, TrimSplitAndMergeKeepSpansTracksAndDates) {
    std::string folder = frctest::TempFolder("trim-split-merge");
    std::string file =
        Write(folder, "flight.frc", Date, {Track("Cessna", 47.0, 61, 0), Track("Piper", 47.1, 10, 50000)});

    ASSERT_EQ(frctest::RunFrc("trim " + file + " --from 10 --to 20.5 -o " + folder + "/trimmed.frc").status, 0);
    rectest::RecordingFileView trimmed = ReadBack(folder + "/trimmed.frc");
    ASSERT_TRUE(trimmed.ok);
    ASSERT_EQ(trimmed.tracks.size(), 2u);
    EXPECT_EQ(trimmed.date, Date);  // the samples keep their times, so their UTC times
    EXPECT_EQ(trimmed.startTime, 100000u);
    EXPECT_EQ(trimmed.endTime, 200000u);
    EXPECT_EQ(trimmed.tracks[0].sampleCount, 11u);
    EXPECT_EQ(trimmed.tracks[0].TimeOf(0), 100000u);
    EXPECT_EQ(trimmed.tracks[1].sampleCount, 5u);  // the Piper flew from 5 s to 14 s
    // A span past the end writes nothing and says where the samples are.
    frctest::Run past = frctest::RunFrc("trim " + file + " --from 500 -o " + folder + "/past.frc");
    EXPECT_EQ(past.status, 1);
    EXPECT_NE(past.err.find(": no sample between 500.0000 s and 429496.7295 s; it holds 2 track(s), 71 samples, "
                            "0.0000 s to 60.0000 s\n"),
              std::string::npos)
        << past.err;
    EXPECT_FALSE(std::filesystem::exists(folder + "/past.frc"));

    frctest::Run split = frctest::RunFrc("split " + file + " -o " + folder + "/parts");
    ASSERT_EQ(split.status, 0) << split.err;
    rectest::RecordingFileView second = ReadBack(folder + "/parts/flight-2.frc");
    ASSERT_TRUE(second.ok);
    ASSERT_EQ(second.tracks.size(), 1u);
    EXPECT_EQ(second.tracks[0].title, "Piper");
    EXPECT_EQ(second.tracks[0].sampleCount, 10u);
    EXPECT_EQ(second.date, Date);
    EXPECT_EQ(second.startTime, 50000u);

    // A second flight recorded 100 s later: by date its track starts 100 s in; by start
    // both begin together.
    std::string later = Write(folder, "later.frc", Date + 100, {Track("Glider", 46.0, 5, 30000)});
    ASSERT_EQ(frctest::RunFrc("merge " + later + " " + file + " -o " + folder + "/bydate.frc").status, 0);
    rectest::RecordingFileView byDate = ReadBack(folder + "/bydate.frc");
    ASSERT_TRUE(byDate.ok);
    ASSERT_EQ(byDate.tracks.size(), 3u);
    EXPECT_EQ(byDate.date, Date);
    EXPECT_EQ(byDate.tracks[0].title, "Glider");
    EXPECT_EQ(byDate.tracks[0].TimeOf(0), 1030000u);
    EXPECT_EQ(byDate.tracks[1].TimeOf(0), 0u);
    ASSERT_EQ(frctest::RunFrc("merge " + later + " " + file + " --align start -o " + folder + "/bystart.frc").status,
              0);
    rectest::RecordingFileView byStart = ReadBack(folder + "/bystart.frc");
    ASSERT_TRUE(byStart.ok);
    EXPECT_EQ(byStart.date, Date + 100);
    EXPECT_EQ(byStart.tracks[0].TimeOf(0), 30000u);
    EXPECT_EQ(byStart.tracks[1].TimeOf(0), 30000u);
    EXPECT_EQ(byStart.tracks[2].TimeOf(0), 80000u);
}

TEST(FrcCommands, RecoverMakesARecordingOfTheWholeRecordsOfTempFiles) {
    std::string folder = frctest::TempFolder("recover");
    // The user's temp file with 4 whole records and a cut one; an AI's with 2.
    frctest::TrackSpec user = Track("Cessna", 47.0, 5, 0), ai = Track("Traffic", 47.2, 2, 0);
    user.groups = ai.groups = 0x47F;  // with the Zulu date and time
    std::vector<uint8_t> userBytes = rectest::TrackHeaderBytes(0, user.groups, 0, 0, user.title, 4.5f, 1000);
    for (frctest::Point p : user.points) {
        std::vector<uint8_t> record = frctest::RecordBytes(p, user.groups);
        // year, day of year, hour, minute, second of the sample (14:05:09 + its time)
        size_t at = record.size() - 4 - 6;
        uint32_t second = 9 + p.time / 10000;
        record[at] = 126;
        record[at + 1] = 342 & 0xFF;
        record[at + 2] = 342 >> 8;
        record[at + 3] = 14;
        record[at + 4] = 5;
        record[at + 5] = (uint8_t)second;
        userBytes.insert(userBytes.end(), record.begin(), record.end());
    }
    userBytes.resize(userBytes.size() - 20);
    std::vector<uint8_t> aiBytes = rectest::TrackHeaderBytes(0, ai.groups, 0, 0, ai.title, 4.5f, 1000);
    for (const frctest::Point& p : ai.points) {
        std::vector<uint8_t> record = frctest::RecordBytes(p, ai.groups);
        aiBytes.insert(aiBytes.end(), record.begin(), record.end());
    }
    frctest::WriteFile(folder + "/Kestrel1.tmp", userBytes);
    frctest::WriteFile(folder + "/Kestrel27.tmp", aiBytes);
    frctest::WriteFile(folder + "/notes.tmp", {1, 2, 3});

    frctest::Run run = frctest::RunFrc("recover " + folder + " -o " + folder + "/recovered.frc");
    ASSERT_EQ(run.status, 0) << run.err;
    rectest::RecordingFileView recovered = ReadBack(folder + "/recovered.frc");
    ASSERT_TRUE(recovered.ok);
    ASSERT_EQ(recovered.tracks.size(), 2u);
    EXPECT_EQ(recovered.tracks[0].title, "Cessna");
    EXPECT_EQ(recovered.tracks[0].sampleCount, 4u);
    EXPECT_EQ(recovered.tracks[1].sampleCount, 2u);
    EXPECT_EQ(recovered.date, Date);
    EXPECT_TRUE(std::filesystem::exists(folder + "/Kestrel1.tmp"));  // left for the module

    // After a real crash of kestrel-host during a recording with traffic, the toolkit
    // recovers the same tracks and records as the module does at its next start.
    std::string root = frctest::TempFolder("crash"), modules = root + "/C/Sim/Modules";
    std::string host = std::string(KESTREL_HOST_EXE) + " --quiet --root " + root + " " KESTREL_SOURCE_DIR "/tests/scripts/crash/";
    ASSERT_EQ(frctest::Shell(host + "1-record-and-crash.khs >/dev/null"), 0);
    ASSERT_EQ(frctest::RunFrc("recover " + modules + " -o " + root + "/toolkit.frc").status, 0);
    ASSERT_EQ(frctest::Shell(host + "2-start-again.khs >/dev/null"), 0);
    std::string moduleFile;
    for (const auto& entry : std::filesystem::directory_iterator(modules))
        if (entry.path().filename().string().rfind("Recovered_", 0) == 0) moduleFile = entry.path().string();
    ASSERT_NE(moduleFile, "");
    rectest::RecordingFileView byToolkit = ReadBack(root + "/toolkit.frc"), byModule = ReadBack(moduleFile);
    ASSERT_TRUE(byToolkit.ok);
    ASSERT_EQ(byToolkit.tracks.size(), 2u);
    ASSERT_EQ(byModule.tracks.size(), 2u);
    for (size_t t = 0; t < 2; ++t) {
        EXPECT_EQ(byToolkit.tracks[t].title, byModule.tracks[t].title);
        EXPECT_GT(byToolkit.tracks[t].records.size(), 10u);
        EXPECT_EQ(byToolkit.tracks[t].records, byModule.tracks[t].records);
    }

    frctest::Run none = frctest::RunFrc("recover " + frctest::TempFolder("recover-empty") + " -o " + folder + "/x.frc");
    EXPECT_EQ(none.status, 1);
    EXPECT_NE(none.err.find("no temp files"), std::string::npos) << none.err;
}

TEST(FrcCommands, ExitStatusesAndMessages) {
    std::string folder = frctest::TempFolder("status");
    std::string file = Write(folder, "flight.frc", Date, {Track("Cessna", 47.0, 5, 0)});
    std::vector<uint8_t> header = frctest::ReadFile(file);
    header.resize(12);
    frctest::WriteFile(folder + "/short.frc", header);

    frctest::Run refused = frctest::RunFrc("export " + folder + "/short.frc -o " + folder + "/x.gpx");
    EXPECT_EQ(refused.status, 1);
    EXPECT_EQ(refused.err.rfind("kestrel-frc: " + folder + "/short.frc: ", 0), 0u) << refused.err;
    EXPECT_NE(refused.err.find("12"), std::string::npos) << refused.err;
    EXPECT_FALSE(std::filesystem::exists(folder + "/x.gpx"));

    EXPECT_EQ(frctest::RunFrc("info " + folder + "/missing.frc").status, 1);
    EXPECT_EQ(frctest::RunFrc("export " + file + " -o " + folder + "/x.txt").status, 2);
    EXPECT_EQ(frctest::RunFrc("export " + file + " --track 3 -o " + folder + "/x.gpx").status, 2);
    EXPECT_EQ(frctest::RunFrc("trim " + file + " --from 5 --to 2 -o " + folder + "/x.frc").status, 2);
    EXPECT_EQ(frctest::RunFrc("merge " + file + " --align sideways -o " + folder + "/x.frc").status, 2);
    EXPECT_EQ(frctest::RunFrc("frobnicate").status, 2);
    for (const char* command : {"info", "check", "export", "trim", "split", "merge", "recover"}) {
        frctest::Run help = frctest::RunFrc(std::string(command) + " --help");
        EXPECT_EQ(help.status, 0) << command;
        EXPECT_NE(help.out.find("Usage"), std::string::npos) << command;
    }
}

}  // namespace
