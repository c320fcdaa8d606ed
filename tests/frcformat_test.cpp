// The recording file format library: header bytes both ways, reading each version,
// refusals with their place and reason, the strict check, writing, recovery from temp
// files and the recording date. Files come from the test helpers, which write headers
// field by field on their own.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <string>
#include <vector>

#include "recording/frcformat.h"
#include "tests/support/playback_helpers.h"
#include "tests/support/recording_helpers.h"

namespace {

frc::Recording Read(const std::vector<uint8_t>& bytes) {
    frc::Recording rec;
    frc::Problem refusal;
    EXPECT_TRUE(frc::ReadRecording(bytes.data(), bytes.size(), &rec, &refusal)) << refusal.what;
    return rec;
}

frc::Problem Refusal(const std::vector<uint8_t>& bytes) {
    frc::Recording rec;
    frc::Problem refusal = {999, ""};
    EXPECT_FALSE(frc::ReadRecording(bytes.data(), bytes.size(), &rec, &refusal));
    EXPECT_TRUE(rec.tracks.empty());
    return refusal;
}

std::vector<frc::Problem> Check(const std::vector<uint8_t>& bytes) {
    return frc::CheckRecording(bytes.data(), bytes.size());
}

// The one finding whose text contains `words`, or a finding with offset ~0 and no text.
frc::Problem Finding(const std::vector<frc::Problem>& problems, const std::string& words) {
    for (const frc::Problem& p : problems) {
        if (p.what.find(words) != std::string::npos) return p;
    }
    return {~0ull, ""};
}

bool SameSamples(const std::vector<FullSample>& a, const std::vector<FullSample>& b) {
    if (a.size() != b.size()) return false;
    for (size_t i = 0; i < a.size(); ++i) {
        if (memcmp(a[i].bytes, b[i].bytes, FullSampleSize) != 0) return false;
    }
    return true;
}

const uint32_t Track1Records = 9;  // LineTrack 0..20000 every 2500

}  // namespace

TEST(FrcFormat, HeadersHaveTheExactBytesBothWays) {
    frc::FileHeader file = {frc::Version6, 2500, 0x01020304, 3452025600u, 0x0203};
    uint8_t fileBytes[frc::FileHeaderSize];
    frc::EncodeFileHeader(fileBytes, file);
    std::vector<uint8_t> expected = rectest::FileHeaderBytes(2500, 0x01020304, 3452025600u, 0x0203);
    ASSERT_EQ(std::vector<uint8_t>(fileBytes, fileBytes + frc::FileHeaderSize), expected);
    frc::FileHeader back = frc::DecodeFileHeader(expected.data());
    EXPECT_EQ(back.version, frc::Version6);
    EXPECT_EQ(back.startTime, 2500u);
    EXPECT_EQ(back.endTime, 0x01020304u);
    EXPECT_EQ(back.date, 3452025600u);
    EXPECT_EQ(back.trackCount, 0x0203);

    // A title of all 100 characters has no terminator in the file and one in memory.
    for (const std::string& title : {std::string("Short"), std::string(100, 'T')}) {
        frc::TrackHeader track = {};
        track.sampleCount = 7;
        track.groups = 0x87F;
        track.startTime = 10;
        track.endTime = 0xFFFFFFF0;
        frc::SetTitle(&track, (title + "and more").c_str());
        track.cgHeight = -1.5f;
        track.interval = 250;
        uint8_t bytes[frc::TrackHeaderSize];
        memset(bytes, 0xAA, sizeof(bytes));
        frc::EncodeTrackHeader(bytes, track);
        std::string stored = title.size() == 100 ? title : title + "and more";
        expected = rectest::TrackHeaderBytes(7, 0x87F, 10, 0xFFFFFFF0, stored, -1.5f, 250);
        ASSERT_EQ(std::vector<uint8_t>(bytes, bytes + frc::TrackHeaderSize), expected) << title;
        frc::TrackHeader decoded = frc::DecodeTrackHeader(expected.data());
        EXPECT_EQ(std::string(decoded.title), stored);
        EXPECT_EQ(decoded.sampleCount, 7u);
        EXPECT_EQ(decoded.groups, 0x87Fu);
        EXPECT_EQ(decoded.startTime, 10u);
        EXPECT_EQ(decoded.endTime, 0xFFFFFFF0u);
        EXPECT_EQ(decoded.cgHeight, -1.5f);
        EXPECT_EQ(decoded.interval, 250u);
    }

    TestTrack legacy = LineTrack("Old", 0, 5000, 2500, 0x0FF);
    legacy.cgHeight = 4.25f;
    frc::LegacyHeader v4 = frc::DecodeLegacyHeader(LegacyFileBytes(frc::Version4, legacy, 77).data());
    EXPECT_EQ(v4.groups, DefaultSampleGroups);  // whatever is stored
    EXPECT_EQ(v4.date, 0u);
    EXPECT_EQ(v4.sampleCount, 3u);
    EXPECT_EQ(v4.endTime, 5000u);
    EXPECT_EQ(v4.cgHeight, 4.25f);
    frc::LegacyHeader v5 = frc::DecodeLegacyHeader(LegacyFileBytes(frc::Version5, legacy, 77).data());
    EXPECT_EQ(v5.groups, 0x0FFu);
    EXPECT_EQ(v5.date, 77u);
}

TEST(FrcFormat, ReadsEachVersion) {
    TestTrack user = LineTrack("User", 0, 20000);
    TestTrack ai = LineTrack("Traffic", 5000, 10000, 2500, AllSampleGroups);
    ai.cgHeight = 6.5f;
    std::vector<uint8_t> bytes = RecordingFileBytes({user, ai}, 1234);
    frc::Recording rec = Read(bytes);
    EXPECT_EQ(rec.header.version, frc::Version6);
    EXPECT_EQ(rec.header.date, 1234u);
    EXPECT_EQ(rec.header.startTime, 0u);
    EXPECT_EQ(rec.header.endTime, 20000u);
    ASSERT_EQ(rec.tracks.size(), 2u);
    EXPECT_STREQ(rec.tracks[0].header.title, "User");
    EXPECT_EQ(rec.tracks[0].headerOffset, 18u);
    EXPECT_EQ(rec.tracks[0].dataOffset, 18u + 124u);
    EXPECT_TRUE(SameSamples(rec.tracks[0].samples, user.samples));
    EXPECT_EQ(rec.tracks[1].headerOffset, 18u + 124u + Track1Records * 91u);
    EXPECT_EQ(rec.tracks[1].header.cgHeight, 6.5f);
    EXPECT_TRUE(SameSamples(rec.tracks[1].samples, ai.samples));

    // Version 4 reads the default groups whatever is stored, and no date.
    TestTrack old = LineTrack("Old", 0, 7500);
    std::vector<uint8_t> v4 = LegacyFileBytes(frc::Version4, old, 99);
    v4[12] = 0xFF;  // a stored group set that must be ignored
    rec = Read(v4);
    EXPECT_EQ(rec.header.version, frc::Version4);
    EXPECT_EQ(rec.header.date, 0u);
    EXPECT_EQ(rec.header.trackCount, 1u);
    EXPECT_EQ(rec.header.endTime, 7500u);
    ASSERT_EQ(rec.tracks.size(), 1u);
    EXPECT_EQ(rec.tracks[0].header.groups, DefaultSampleGroups);
    EXPECT_EQ(rec.tracks[0].dataOffset, 28u);
    EXPECT_TRUE(SameSamples(rec.tracks[0].samples, old.samples));

    old.groups = 0x400;
    old.cgHeight = 3.0f;
    rec = Read(LegacyFileBytes(frc::Version5, old, 99));
    EXPECT_EQ(rec.header.date, 99u);
    EXPECT_EQ(rec.tracks[0].header.groups, 0x400u);
    EXPECT_EQ(rec.tracks[0].header.cgHeight, 3.0f);
    EXPECT_EQ(rec.tracks[0].header.endTime, 7500u);
    EXPECT_EQ(rec.tracks[0].samples.size(), 4u);
}

TEST(FrcFormat, RefusesWithWhereAndWhy) {
    std::vector<uint8_t> bytes = RecordingFileBytes({LineTrack("A", 0, 20000), LineTrack("B", 0, 5000)});

    std::vector<uint8_t> unknown = bytes;
    unknown[0] = 0x07;
    frc::Problem p = Refusal(unknown);
    EXPECT_EQ(p.offset, 0u);
    EXPECT_EQ(p.what, "unknown version 0x01000007");

    p = Refusal(std::vector<uint8_t>(bytes.begin(), bytes.begin() + 12));
    EXPECT_EQ(p.offset, 12u);
    EXPECT_EQ(p.what, "file header cut at byte 12 (18 needed)");
    std::vector<uint8_t> legacy = LegacyFileBytes(frc::Version5, LineTrack("C", 0, 0));
    p = Refusal(std::vector<uint8_t>(legacy.begin(), legacy.begin() + 20));
    EXPECT_EQ(p.what, "file header cut at byte 20 (28 needed)");

    size_t second = 18 + 124 + Track1Records * 91;
    p = Refusal(std::vector<uint8_t>(bytes.begin(), bytes.begin() + second + 50));
    EXPECT_EQ(p.offset, second + 50);
    EXPECT_EQ(p.what, "track 2 header cut at byte " + std::to_string(second + 50) + " (" +
                          std::to_string(second + 124) + " needed)");
    // Cut inside the first track's records: the second header is missing, as the module sees it.
    p = Refusal(std::vector<uint8_t>(bytes.begin(), bytes.begin() + 18 + 124 + 100));
    EXPECT_EQ(p.what.rfind("track 2 header cut at byte 242", 0), 0u) << p.what;

    // The last track cut inside a record keeps its whole records and its announced count.
    frc::Recording rec = Read(std::vector<uint8_t>(bytes.begin(), bytes.end() - 30));
    ASSERT_EQ(rec.tracks.size(), 2u);
    EXPECT_EQ(rec.tracks[1].header.sampleCount, 3u);
    EXPECT_EQ(rec.tracks[1].samples.size(), 2u);
    EXPECT_EQ(rec.tracks[0].samples.size(), Track1Records);
}

TEST(FrcFormat, CheckFindsEachProblemAndPassesSoundFiles) {
    TestTrack line = LineTrack("A", 0, 20000);
    std::vector<uint8_t> sound = RecordingFileBytes({line, LineTrack("B", 0, 5000, 2500, AllSampleGroups)});
    EXPECT_TRUE(Check(sound).empty());
    EXPECT_TRUE(Check(LegacyFileBytes(frc::Version4, line)).empty());
    EXPECT_TRUE(Check(LegacyFileBytes(frc::Version5, line, 5)).empty());

    const size_t data1 = 18 + 124, second = data1 + Track1Records * 91, data2 = second + 124;
    struct Case {
        std::vector<uint8_t> bytes;
        std::string words;
        uint64_t offset;
    };
    std::vector<Case> cases;
    auto changed = [&](size_t at, std::vector<uint8_t> with) {
        std::vector<uint8_t> bytes = sound;
        std::copy(with.begin(), with.end(), bytes.begin() + at);
        return bytes;
    };
    cases.push_back({changed(0, {0x03}), "unknown version 0x01000003", 0});
    cases.push_back({std::vector<uint8_t>(sound.begin(), sound.begin() + 10), "file header cut", 10});
    cases.push_back({std::vector<uint8_t>(sound.begin(), sound.begin() + second + 3), "track 2 header cut", second + 3});
    cases.push_back({changed(data2 - 124, {4}), "fewer than the 4 announced", sound.size()});
    cases.push_back({std::vector<uint8_t>(sound.begin(), sound.end() - 1), "file cut inside record 3",
                     sound.size() - 132});
    cases.push_back({changed(data2 - 124, {2}), "1 more records than the 2 announced", sound.size() - 132});
    std::vector<uint8_t> trailing = sound;
    trailing.insert(trailing.end(), 5, 0);
    cases.push_back({trailing, "5 trailing bytes", sound.size()});
    cases.push_back({changed(data2 - 120, {0x7F, 0x10}), "groups 0x107F have undefined bits", data2 - 120});
    cases.push_back({changed(second + 116, {0x00, 0x00, 0xC0, 0x7F}), "CG height nan", second + 116});
    cases.push_back({changed(second + 116, {0x00, 0x40, 0x9C, 0x45}), "CG height 5000", second + 116});
    // Record 3's time before record 2's; record 5 at 95 degrees north.
    std::vector<uint8_t> early = {0x00, 0x00, 0x00, 0x00};
    cases.push_back({changed(data1 + 2 * 91 + 87, early), "time goes backwards at record 3 (1 records)",
                     data1 + 2 * 91});
    std::vector<uint8_t> north(8);
    StoreLE64(north.data(), (uint64_t)DegreesToLatitude(95.0));
    cases.push_back({changed(data1 + 4 * 91, north), "outside the earth at record 5 (1 records)", data1 + 4 * 91});

    for (const Case& c : cases) {
        std::vector<frc::Problem> problems = Check(c.bytes);
        frc::Problem found = Finding(problems, c.words);
        std::string all;
        for (const frc::Problem& p : problems) all += " | " + std::to_string(p.offset) + ": " + p.what;
        EXPECT_EQ(found.offset, c.offset) << c.words << " in" << all;
    }
    // A legacy file with a CG height out of range and fewer records than announced.
    std::vector<uint8_t> legacy = LegacyFileBytes(frc::Version5, line);
    StoreLEF32(legacy.data() + 16, -2000.0f);
    legacy.resize(legacy.size() - 91);
    std::vector<frc::Problem> problems = Check(legacy);
    EXPECT_EQ(Finding(problems, "CG height -2000").offset, 16u);
    EXPECT_EQ(Finding(problems, "8 records, fewer than the 9 announced").offset, legacy.size());
}

TEST(FrcFormat, WriteThenReadGivesTheSameRecording) {
    TestTrack user = LineTrack(std::string(100, 'U'), 2500, 20000, 2500, 0x87F);
    user.cgHeight = 5.5f;
    TestTrack ai = LineTrack("AI", 10000, 30000, 5000, AllSampleGroups);
    std::vector<uint8_t> bytes = RecordingFileBytes({user, ai}, 3452025600u);
    frc::Recording rec = Read(bytes);
    EXPECT_EQ(frc::WriteRecording(rec), bytes);

    // Counts and spans are recomputed from the samples, not taken from stale headers.
    rec.tracks[1].samples.resize(2);
    rec.tracks[0].header.sampleCount = 1000;
    rec.header.startTime = 0;
    frc::Recording back = Read(frc::WriteRecording(rec));
    EXPECT_EQ(back.header.startTime, 2500u);
    EXPECT_EQ(back.header.endTime, 20000u);
    EXPECT_EQ(back.tracks[0].header.sampleCount, user.samples.size());
    EXPECT_EQ(back.tracks[1].header.endTime, 15000u);
    EXPECT_TRUE(SameSamples(back.tracks[0].samples, user.samples));
    EXPECT_TRUE(Check(frc::WriteRecording(back)).empty());

    std::string path = testing::TempDir() + "frcformat_roundtrip.frc";
    std::string error;
    ASSERT_TRUE(frc::WriteRecordingFile(path, rec, &error)) << error;
    frc::Problem refusal;
    ASSERT_TRUE(frc::ReadRecordingFile(path, &back, &refusal)) << refusal.what;
    EXPECT_EQ(frc::WriteRecording(back), frc::WriteRecording(rec));
    std::remove(path.c_str());
    EXPECT_FALSE(frc::ReadRecordingFile(path, &back, &refusal));
    EXPECT_FALSE(frc::WriteRecordingFile(testing::TempDir() + "no/such/folder/x.frc", rec, &error));
}

TEST(FrcFormat, RecoversTheWholeRecordsOfTempFiles) {
    auto temp = [](const std::string& name, const TestTrack& track, size_t partial) {
        std::vector<uint8_t> bytes = rectest::TrackHeaderBytes(0, track.groups, 0, 0, track.title, 0.0f, track.interval);
        std::vector<uint8_t> file = RecordingFileBytes({track});
        bytes.insert(bytes.end(), file.begin() + 18 + 124, file.end());
        SampleLayout layout = ComputeSampleLayout(track.groups);
        bytes.insert(bytes.end(), file.end() - layout.recordSize, file.end() - layout.recordSize + partial);
        return frc::TempFile{name, bytes};
    };
    TestTrack user = LineTrack("User", 10000, 30000);
    TestTrack ai7 = LineTrack("Seven", 5000, 7500, 2500, AllSampleGroups);
    TestTrack ai12 = LineTrack("Twelve", 40000, 50000);
    std::vector<frc::TempFile> temps = {
        temp("C:\\Sim\\Modules\\Kestrel12.tmp", ai12, 0),
        temp("/sim/Kestrel7.tmp", ai7, 30),
        temp("Kestrel1.tmp", user, 90),
        temp("Kestrel9.tmp", TestTrack(), 60),   // a partial record only
        temp("Notes.tmp", user, 0),              // not a temp file of a recording
    };
    frc::Recording rec;
    ASSERT_TRUE(frc::RecoverRecording(temps, 3452025600u, &rec));
    ASSERT_EQ(rec.tracks.size(), 3u);
    EXPECT_STREQ(rec.tracks[0].header.title, "User");
    EXPECT_STREQ(rec.tracks[1].header.title, "Seven");
    EXPECT_STREQ(rec.tracks[2].header.title, "Twelve");
    EXPECT_TRUE(SameSamples(rec.tracks[0].samples, user.samples));
    EXPECT_TRUE(SameSamples(rec.tracks[1].samples, ai7.samples));
    EXPECT_EQ(rec.tracks[1].header.sampleCount, 2u);
    EXPECT_EQ(rec.tracks[1].header.startTime, 5000u);
    EXPECT_EQ(rec.tracks[1].header.endTime, 7500u);
    EXPECT_EQ(rec.header.date, 3452025600u);
    EXPECT_EQ(rec.header.trackCount, 3u);
    EXPECT_EQ(rec.header.startTime, 5000u);
    EXPECT_EQ(rec.header.endTime, 50000u);
    EXPECT_TRUE(Check(frc::WriteRecording(rec)).empty());

    EXPECT_FALSE(frc::RecoverRecording({temps[3], temps[4]}, 0, &rec));
    EXPECT_TRUE(rec.tracks.empty());
}

TEST(FrcFormat, RecordingDatesMatchTheCalendar) {
    uint32_t stamp = frc::MakeDate(2009, 60, 12 * 3600 + 34 * 60 + 56);
    EXPECT_EQ(stamp, (109u * 366 + 60) * 86400 + 45296);
    frc::DateTime d = frc::SplitDate(stamp);
    EXPECT_EQ(d.year, 2009);
    EXPECT_EQ(d.month, 3);
    EXPECT_EQ(d.day, 1);
    EXPECT_EQ(d.dayOfYear, 60);
    EXPECT_EQ(d.hour, 12);
    EXPECT_EQ(d.minute, 34);
    EXPECT_EQ(d.second, 56);

    d = frc::SplitDate(frc::MakeDate(2008, 60, 0));
    EXPECT_EQ(d.month, 2);
    EXPECT_EQ(d.day, 29);
    // Day 366 of a leap year lands on the next year's day 0 in the stamp.
    d = frc::SplitDate(frc::MakeDate(2008, 366, 3600));
    EXPECT_EQ(d.year, 2008);
    EXPECT_EQ(d.month, 12);
    EXPECT_EQ(d.day, 31);
    EXPECT_EQ(d.hour, 1);
    d = frc::SplitDate(frc::MakeDate(2009, 365, 0));
    EXPECT_EQ(d.month, 12);
    EXPECT_EQ(d.day, 31);

    // 2009-03-01 12:00:00 UTC, then half a second into the recording.
    EXPECT_EQ(frc::UnixTime(frc::MakeDate(2009, 60, 43200), 5000), 1235908800.5);
    EXPECT_EQ(frc::UnixTime(frc::MakeDate(1970, 1, 0), 0), 0.0);
    EXPECT_EQ(frc::UnixTime(frc::MakeDate(2000, 366, 86399), 0), 978307199.0);  // 2000-12-31 23:59:59
}
