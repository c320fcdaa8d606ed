// The recording file on the virtual drive: files written byte for byte as the format
// lays them out (expected bytes built here field by field, not by the writer), the
// three readable versions, refused and damaged files, and failed writes that must
// leave the recording whole.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "module/dispatch.h"
#include "module/entry.h"
#include "module/simcommands.h"
#include "platform/files.h"
#include "playback/position.h"
#include "recording/recorder.h"
#include "recording/recordingfile.h"
#include "recording/track.h"
#include "tools/kestrel-host/frcdump.h"
#include "ui/config.h"
#include "vsim/sim/simhost.h"
#include "vsim/win32/scripted_user.h"

namespace {

// Little-endian byte builder of the expected files.
struct Bytes {
    std::vector<uint8_t> data;
    Bytes& u8(uint32_t v) {
        data.push_back((uint8_t)v);
        return *this;
    }
    Bytes& u16(uint32_t v) { return u8(v).u8(v >> 8); }
    Bytes& u32(uint32_t v) { return u16(v).u16(v >> 16); }
    Bytes& u64(uint64_t v) { return u32((uint32_t)v).u32((uint32_t)(v >> 32)); }
    Bytes& f32(float v) {
        uint32_t bits;
        memcpy(&bits, &v, 4);
        return u32(bits);
    }
    Bytes& f64(double v) {
        uint64_t bits;
        memcpy(&bits, &v, 8);
        return u64(bits);
    }
    Bytes& text(const std::string& s, size_t width) {
        for (size_t i = 0; i < width; ++i) u8(i < s.size() ? (uint8_t)s[i] : 0);
        return *this;
    }
    Bytes& add(const Bytes& other) {
        data.insert(data.end(), other.data.begin(), other.data.end());
        return *this;
    }
    size_t size() const { return data.size(); }
};

// Distinct field values for record k of the aircraft numbered seed. The test aircraft
// record subsets of 0x87F; the other groups' layouts are the sample tests' business.
struct Values {
    int64_t latitude, longitude, altitude;
    int32_t pitch, bank;
    uint32_t heading;
    double velocity[3];
    uint8_t onGround;
    int16_t throttle[4], elevator, aileron, rudder, spoilers;
    uint8_t flaps;
    int16_t gear;
    uint16_t lights;
    uint8_t parkingBrake, engine[4], smoke;
    uint32_t time;
};

Values ValuesOf(uint32_t seed, uint32_t k, uint32_t time) {
    Values v = {};
    v.latitude = (int64_t)seed * 1000000 + k;
    v.longitude = -((int64_t)seed * 1000 + k);
    v.altitude = (int64_t)(k + 100) << 32;
    v.pitch = (int32_t)k * 100;
    v.bank = -(int32_t)k * 100;
    v.heading = 0x80000000u + k;
    v.velocity[0] = k * 0.5;
    v.velocity[1] = -1.25;
    v.velocity[2] = seed;
    v.onGround = k & 1;
    for (int i = 0; i < 4; ++i) {
        v.throttle[i] = (int16_t)(k + i);
        v.engine[i] = (uint8_t)((k + i) & 1);
    }
    v.elevator = (int16_t)(10 + k);
    v.aileron = (int16_t)(20 + k);
    v.rudder = (int16_t)(30 + k);
    v.spoilers = (int16_t)(40 + k);
    v.flaps = (uint8_t)(k % 5);
    v.gear = 16384;
    v.lights = (uint16_t)(0x0100 | seed);
    v.parkingBrake = k == 0;
    v.smoke = (uint8_t)(seed & 1);
    v.time = time;
    return v;
}

// The packed record of v for a group set, field by field in storage order.
Bytes RecordBytes(uint32_t groups, const Values& v) {
    Bytes b;
    b.u64((uint64_t)v.latitude).u64((uint64_t)v.longitude).u64((uint64_t)v.altitude);
    b.u32((uint32_t)v.pitch).u32((uint32_t)v.bank).u32(v.heading);
    b.f64(v.velocity[0]).f64(v.velocity[1]).f64(v.velocity[2]);
    b.u8(v.onGround);
    if (groups & 0x001)
        for (int16_t t : v.throttle) b.u16((uint16_t)t);
    if (groups & 0x002) b.u16((uint16_t)v.elevator).u16((uint16_t)v.aileron).u16((uint16_t)v.rudder);
    if (groups & 0x004) b.u16((uint16_t)v.spoilers);
    if (groups & 0x008) b.u8(v.flaps);
    if (groups & 0x010) b.u16((uint16_t)v.gear);
    if (groups & 0x020) b.u16(v.lights);
    b.u8(v.parkingBrake);
    if (groups & 0x040)
        for (uint8_t e : v.engine) b.u8(e);
    if (groups & 0x800) b.u8(v.smoke);
    b.u32(v.time);
    return b;
}

// The same values as the capture hands them to AppendSample.
FullSample FullSampleOf(const Values& v) {
    FullSample s = {};
    SetSampleI64(&s, FieldLatitude, v.latitude);
    SetSampleI64(&s, FieldLongitude, v.longitude);
    SetSampleI64(&s, FieldAltitude, v.altitude);
    SetSampleI32(&s, FieldPitch, v.pitch);
    SetSampleI32(&s, FieldBank, v.bank);
    SetSampleU32(&s, FieldHeading, v.heading);
    SetSampleF64(&s, FieldVelocityX, v.velocity[0]);
    SetSampleF64(&s, FieldVelocityY, v.velocity[1]);
    SetSampleF64(&s, FieldVelocityZ, v.velocity[2]);
    SetSampleU8(&s, FieldOnGround, v.onGround);
    for (uint32_t i = 0; i < 4; ++i) {
        SetSampleI16(&s, FieldThrottle1 + 2 * i, v.throttle[i]);
        SetSampleU8(&s, FieldEngine1 + i, v.engine[i]);
    }
    SetSampleI16(&s, FieldElevator, v.elevator);
    SetSampleI16(&s, FieldAileron, v.aileron);
    SetSampleI16(&s, FieldRudder, v.rudder);
    SetSampleI16(&s, FieldSpoilers, v.spoilers);
    SetSampleU8(&s, FieldFlapsIndex, v.flaps);
    SetSampleI16(&s, FieldGear, v.gear);
    SetSampleU16(&s, FieldLights, v.lights);
    SetSampleU8(&s, FieldParkingBrake, v.parkingBrake);
    SetSampleU8(&s, FieldSmoke, v.smoke);
    SetSampleU32(&s, FieldTime, v.time);
    return s;
}

// One aircraft of a test: its groups, sample times and header data.
struct Aircraft {
    uint32_t seed;
    uint32_t groups;
    uint32_t count;
    uint32_t firstTime;
    uint32_t step;
    std::string title;
    float cgHeight;
    uint32_t interval;

    uint32_t TimeOf(uint32_t k) const { return firstTime + k * step; }
    uint32_t EndTime() const { return TimeOf(count - 1); }
    Bytes Records(uint32_t from, uint32_t to) const {
        Bytes b;
        for (uint32_t k = from; k < to; ++k) b.add(RecordBytes(groups, ValuesOf(seed, k, TimeOf(k))));
        return b;
    }
    Bytes Records() const { return Records(0, count); }
    Bytes Header(uint32_t sampleCount) const {
        Bytes b;
        b.u32(sampleCount).u32(groups).u32(TimeOf(0)).u32(TimeOf(sampleCount - 1));
        return b.text(title, 100).f32(cgHeight).u32(interval);
    }
    Bytes TrackBytes() const { return Header(count).add(Records()); }
};

Bytes FileHeader(uint32_t version, uint32_t start, uint32_t end, uint32_t date, uint32_t count) {
    Bytes b;
    return b.u32(version).u32(start).u32(end).u32(date).u16(count);
}

Bytes LegacyHeader(uint32_t version, uint32_t count, uint32_t end, uint32_t groups, float cg, uint32_t date) {
    Bytes b;
    return b.u32(version).u32(count).u32(end).u32(groups).f32(cg).u32(date).u32(0);
}

const Aircraft User = {1, 0x07F, 300, 10000, 2500, "Kestrel Test Cub", 6.5f, 250};
const Aircraft AiSeven = {7, 0x805, 3, 2000, 5000, "AI Seven", 9.25f, 500};
const Aircraft AiNine = {9, 0x07F, 1, 40000, 5000, "AI Nine", 3.0f, 500};
const Aircraft AiEleven = {11, 0x000, 5, 700000, 50000, "AI Eleven", 12.0f, 500};

const char* const DamagedText = "The selected file is damaged or incompatible with this version of Kestrel!";
const char* const OpenFailedText = "The selected file could not be opened!";

class RecordingFileTest : public ::testing::Test {
protected:
    void SetUp() override {
        char rootTemplate[] = "/tmp/kestrel-recfile-XXXXXX";
        ASSERT_TRUE(mkdtemp(rootTemplate));
        root = rootTemplate;
        vsim::SetDriveRoot(root);
        std::filesystem::create_directories(root + "/C/Sim/Modules");
        strcpy(ModuleDir, "C:\\Sim\\Modules\\");
        ResetTrackTable();
        Settings = SettingsRecord();
        PlaybackStart = 0xFFFFFFFF;
        PlaybackEnd = 0;
        UserObjectId = 1;
        strcpy(UserTitle, "Kestrel Test Cub");
        UserCgHeight = 6.5f;
        ZuluStamp = 0x0DEADBEE;
        vsim::user::ResetScriptedUser();
    }
    void TearDown() override {
        ResetTrackTable();
        std::filesystem::remove_all(root);
    }

    std::string HostPath(const std::string& windowsPath) { return vsim::MapPath(windowsPath); }
    bool HostFileExists(const std::string& windowsPath) { return std::filesystem::exists(HostPath(windowsPath)); }
    void PutFile(const std::string& windowsPath, const Bytes& bytes) {
        std::ofstream out(HostPath(windowsPath), std::ios::binary);
        out.write((const char*)bytes.data.data(), (std::streamsize)bytes.size());
    }
    std::vector<uint8_t> FileOf(const std::string& windowsPath) {
        std::ifstream in(HostPath(windowsPath), std::ios::binary);
        return std::vector<uint8_t>(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    }
    // Error boxes with this text and caption, owned by the simulator's main window.
    int MessagesShown(const std::string& text, const std::string& caption) {
        int shown = 0;
        for (const vsim::user::MessageBoxRecord& box : vsim::user::MessageBoxes())
            shown += box.text == text && box.caption == caption && box.owner == MainWindow &&
                     box.type == (MB_OK | MB_ICONERROR);
        return shown;
    }
    int AnyMessagesShown() { return (int)vsim::user::MessageBoxes().size(); }
    std::vector<uint8_t> BufferOf(const Track* track, uint32_t records) {
        return std::vector<uint8_t>(track->buffer, track->buffer + records * track->layout.recordSize);
    }

    // A recording track as StartRecording and the AI discovery make it, with its samples.
    Track* Record(const Aircraft& aircraft, uint32_t objectId, bool isUser) {
        char name[MAX_PATH];
        EXPECT_TRUE(FormatTempFileName(name, objectId, isUser));
        FILE* file = OpenHostFile(name, "w+b");
        EXPECT_TRUE(file);
        int index = AddTrackEntry();
        Track* track = &TrackTable.entries[index];
        EXPECT_TRUE(OpenTrack(track, 240, file, 0, aircraft.groups, aircraft.title.c_str(), objectId,
                              aircraft.interval, 1));
        track->cgHeight = aircraft.cgHeight;
        AppendSamples(track, aircraft, 0, aircraft.count);
        return track;
    }
    void AppendSamples(Track* track, const Aircraft& aircraft, uint32_t from, uint32_t to) {
        for (uint32_t k = from; k < to; ++k) {
            FullSample full = FullSampleOf(ValuesOf(aircraft.seed, k, aircraft.TimeOf(k)));
            ASSERT_TRUE(AppendSample(track, &full));
        }
    }
    // As the dispatch does when an AI aircraft leaves the simulation.
    void CloseTrack(Track* track) {
        ASSERT_TRUE(FinalizeTrackFile(track));
        ReleaseTrackBuffer(track);
        fclose(track->file);
        track->file = nullptr;
    }
    Track* FindTrack(uint32_t objectId) {
        for (uint32_t i = 0; i < TrackTable.count; ++i)
            if (TrackTable.entries[i].objectId == objectId) return &TrackTable.entries[i];
        return nullptr;
    }

    std::string root;
};

}  // namespace

TEST_F(RecordingFileTest, TempFileNames) {
    char name[MAX_PATH];
    ASSERT_TRUE(FormatTempFileName(name, 1, true));
    EXPECT_STREQ(name, "C:\\Sim\\Modules\\Kestrel1.tmp");
    ASSERT_TRUE(FormatTempFileName(name, 4711, false));
    EXPECT_STREQ(name, "C:\\Sim\\Modules\\Kestrel4711.tmp");
    memset(ModuleDir, 'x', MAX_PATH - 8);
    ModuleDir[MAX_PATH - 8] = 0;
    EXPECT_FALSE(FormatTempFileName(name, 4711, false));
}

TEST_F(RecordingFileTest, WritesEveryRecordingTrackUserFirstAndThenDropsThem) {
    int traffic = AddTrackEntry();  // a played traffic track (recording during traffic playback)
    TrackTable.entries[traffic].readMode = 1;
    TrackTable.entries[traffic].objectId = 0x55;
    Record(AiSeven, 7, false);
    Record(User, 1, true);
    Record(AiNine, 9, false);
    CloseTrack(Record(AiEleven, 11, false));

    ASSERT_EQ(RecordingFileWritten, WriteRecordingFile("C:\\Sim\\Modules\\Flight.frc"));

    Bytes expected = FileHeader(0x01000006, AiSeven.TimeOf(0), AiEleven.EndTime(), 0x0DEADBEE, 3);
    expected.add(User.TrackBytes()).add(AiSeven.TrackBytes()).add(AiEleven.TrackBytes());
    std::vector<uint8_t> written = FileOf("C:\\Sim\\Modules\\Flight.frc");
    ASSERT_EQ(written.size(), expected.size());
    EXPECT_TRUE(written == expected.data);

    for (const char* name : {"Kestrel1.tmp", "Kestrel7.tmp", "Kestrel9.tmp", "Kestrel11.tmp"})
        EXPECT_FALSE(HostFileExists(std::string("C:\\Sim\\Modules\\") + name)) << name;
    ASSERT_EQ(TrackTable.count, 1);
    EXPECT_EQ(TrackTable.entries[0].objectId, 0x55u);
}

TEST_F(RecordingFileTest, FileWithoutTracksOfTwoSamplesHoldsTheHeaderAlone) {
    Record(AiNine, 9, false);
    ASSERT_EQ(RecordingFileWritten, WriteRecordingFile("C:\\Sim\\Modules\\Empty.frc"));
    EXPECT_TRUE(FileOf("C:\\Sim\\Modules\\Empty.frc") == FileHeader(0x01000006, 0xFFFFFFFF, 0, 0x0DEADBEE, 0).data);
    EXPECT_EQ(TrackTable.count, 0);
    EXPECT_FALSE(HostFileExists("C:\\Sim\\Modules\\Kestrel9.tmp"));
}

// A failed save must lose nothing: the recording goes on and a later save holds it all.
TEST_F(RecordingFileTest, FailedWriteKeepsEveryTrackAndTempFile) {
    Track* user = Record(User, 1, true);
    Record(AiSeven, 7, false);
    CloseTrack(Record(AiEleven, 11, false));
    const char* path = "C:\\Sim\\Modules\\Flight.frc";

    for (vsim::FailKind failure : {vsim::FailFileWrite, vsim::FailFileOpen}) {
        vsim::FailNext(failure);
        EXPECT_EQ(WriteRecordingFile(path),
                  failure == vsim::FailFileOpen ? RecordingFileNotOpened : RecordingFileWriteFailed);
        EXPECT_FALSE(HostFileExists(path)) << "a partial file is left behind";
        ASSERT_EQ(TrackTable.count, 3);
        for (const char* name : {"Kestrel1.tmp", "Kestrel7.tmp", "Kestrel11.tmp"})
            EXPECT_TRUE(HostFileExists(std::string("C:\\Sim\\Modules\\") + name)) << name;
        user = FindTrack(1);
        ASSERT_TRUE(user && user->file && user->buffer);
        EXPECT_TRUE(FindTrack(7)->file);
        EXPECT_EQ(FindTrack(11)->file, nullptr);
    }

    // The recording went on (crossing another flush) and is then saved whole.
    Aircraft longer = User;
    longer.count = 500;
    AppendSamples(user, longer, User.count, longer.count);
    ASSERT_EQ(RecordingFileWritten, WriteRecordingFile(path));
    Bytes expected = FileHeader(0x01000006, AiSeven.TimeOf(0), longer.EndTime(), 0x0DEADBEE, 3);
    expected.add(longer.TrackBytes()).add(AiSeven.TrackBytes()).add(AiEleven.TrackBytes());
    EXPECT_TRUE(FileOf(path) == expected.data);
    EXPECT_EQ(TrackTable.count, 0);
}

// Tracks whose aircraft left the simulation are only read: the failing write is one
// to the output file itself.
TEST_F(RecordingFileTest, FailedOutputWriteKeepsClosedTracks) {
    CloseTrack(Record(AiSeven, 7, false));
    CloseTrack(Record(AiEleven, 11, false));
    const char* path = "C:\\Sim\\Modules\\Traffic.frc";
    vsim::FailNext(vsim::FailFileWrite);
    EXPECT_EQ(WriteRecordingFile(path), RecordingFileWriteFailed);
    EXPECT_FALSE(HostFileExists(path));
    EXPECT_EQ(TrackTable.count, 2);
    EXPECT_TRUE(HostFileExists("C:\\Sim\\Modules\\Kestrel7.tmp"));
    EXPECT_TRUE(HostFileExists("C:\\Sim\\Modules\\Kestrel11.tmp"));

    ASSERT_EQ(RecordingFileWritten, WriteRecordingFile(path));
    Bytes expected = FileHeader(0x01000006, AiSeven.TimeOf(0), AiEleven.EndTime(), 0x0DEADBEE, 2);
    expected.add(AiSeven.TrackBytes()).add(AiEleven.TrackBytes());
    EXPECT_TRUE(FileOf(path) == expected.data);
    EXPECT_FALSE(HostFileExists("C:\\Sim\\Modules\\Kestrel7.tmp"));
}

TEST_F(RecordingFileTest, WritesTheReplayRingOldestFirstFromZero) {
    Aircraft ring = {3, 0x07F, 130, 20000, 2500, "Kestrel Test Cub", 6.5f, 250};
    int index = AddTrackEntry();
    Track* track = &TrackTable.entries[index];
    ASSERT_TRUE(OpenTrack(track, 120, nullptr, 0, ring.groups, "Old title", 1, ring.interval, 1));
    AppendSamples(track, ring, 0, ring.count);
    Timeline = ring.EndTime() + 1000;
    strcpy(UserTitle, "Kestrel Test Cub");  // the user's current title goes into the file
    UserCgHeight = 6.5f;

    vsim::FailNext(vsim::FailFileOpen);
    EXPECT_EQ(WriteReplayFile("C:\\Sim\\Modules\\Replay.frc", track), RecordingFileNotOpened);
    vsim::FailNext(vsim::FailFileWrite);
    EXPECT_EQ(WriteReplayFile("C:\\Sim\\Modules\\Replay.frc", track), RecordingFileWriteFailed);
    EXPECT_FALSE(HostFileExists("C:\\Sim\\Modules\\Replay.frc"));
    EXPECT_FALSE(HostFileExists("C:\\Sim\\Modules\\Replay.frc"));

    ASSERT_EQ(RecordingFileWritten, WriteReplayFile("C:\\Sim\\Modules\\Replay.frc", track));
    uint32_t base = ring.TimeOf(10);
    uint32_t end = ring.EndTime() - base;
    Bytes expected = FileHeader(0x01000006, 0, end, 0x0DEADBEE, 1);
    expected.u32(120).u32(0x07F).u32(0).u32(end).text("Kestrel Test Cub", 100).f32(6.5f).u32(250);
    for (uint32_t k = 10; k < 130; ++k) expected.add(RecordBytes(0x07F, ValuesOf(3, k, ring.TimeOf(k) - base)));
    EXPECT_TRUE(FileOf("C:\\Sim\\Modules\\Replay.frc") == expected.data);
    EXPECT_EQ(Timeline, ring.EndTime() + 1000 - base);
    EXPECT_EQ(TrackTable.count, 1);  // the replay buffer keeps running
}

namespace {

const Aircraft Alpha = {21, 0x07F, 4, 10000, 2500, "Alpha", 5.0f, 250};
const Aircraft Bravo = {22, 0x005, 3, 2000, 5000, "Bravo", 8.0f, 500};
// A title of all 100 characters has no terminator in the file.
const Aircraft Charlie = {23, 0x000, 2, 50000, 40000, std::string(100, 'C'), 7.0f, 1000};

Bytes ThreeTrackFile() {
    Bytes file = FileHeader(0x01000006, 2000, 90000, 12345, 3);
    return file.add(Alpha.TrackBytes()).add(Bravo.TrackBytes()).add(Charlie.TrackBytes());
}

}  // namespace

TEST_F(RecordingFileTest, ReadsEveryTrackOfTheCurrentVersion) {
    PutFile("C:\\Sim\\Modules\\three.frc", ThreeTrackFile());
    ASSERT_TRUE(LoadRecordingFile("C:\\Sim\\Modules\\three.frc", 0));
    ASSERT_EQ(TrackTable.count, 3);
    EXPECT_EQ(PlaybackStart, 2000u);
    EXPECT_EQ(PlaybackEnd, 90000u);
    EXPECT_EQ(ZuluStamp, 12345u);

    const Track* first = &TrackTable.entries[0];
    EXPECT_EQ(first->readMode, 1u);
    EXPECT_EQ(first->memoryOnly, 0u);
    EXPECT_EQ(first->objectId, 1u);
    EXPECT_EQ(first->heightOffset, 1963659047LL);  // (6.5 - 5.0) ft in altitude units
    EXPECT_EQ(first->sampleCount, 4u);
    EXPECT_EQ(first->groups, 0x07Fu);
    EXPECT_EQ(first->startTime, 10000u);
    EXPECT_EQ(first->endTime, Alpha.EndTime());
    EXPECT_EQ(first->cgHeight, 5.0f);
    EXPECT_EQ(first->interval, 250u);
    EXPECT_EQ(first->dataStart, 18u + 124);
    EXPECT_EQ(first->capacity, 240u);
    ASSERT_TRUE(first->buffer);
    EXPECT_TRUE(BufferOf(first, 4) == Alpha.Records().data);

    Track* second = &TrackTable.entries[1];
    Track* third = &TrackTable.entries[2];
    for (const Track* traffic : {second, third}) {
        EXPECT_EQ(traffic->objectId, 0u);
        EXPECT_EQ(traffic->heightOffset, 0);
        EXPECT_EQ(traffic->buffer, nullptr);
        EXPECT_EQ(traffic->file, first->file);
    }
    EXPECT_EQ(second->dataStart, 18u + 124 + 4 * 91 + 124);
    ASSERT_TRUE(AllocateTrackBuffer(second));
    EXPECT_TRUE(BufferOf(second, 3) == Bravo.Records().data);
    ASSERT_TRUE(AllocateTrackBuffer(third));
    EXPECT_TRUE(BufferOf(third, 2) == Charlie.Records().data);
    EXPECT_EQ(std::string(third->title, TrackTitleSize), Charlie.title);
    EXPECT_EQ(AnyMessagesShown(), 0);
}

TEST_F(RecordingFileTest, TrafficRulesForTheTracksOfAFile) {
    PutFile("C:\\Sim\\Modules\\three.frc", ThreeTrackFile());

    // Show normal traffic (and turn off traffic) read the first track only.
    Settings.PlayAIMode = 1;
    ASSERT_TRUE(LoadRecordingFile("C:\\Sim\\Modules\\three.frc", 0));
    ASSERT_EQ(TrackTable.count, 1);
    EXPECT_EQ(TrackTable.entries[0].objectId, 1u);
    ResetTrackTable();
    Settings.PlayAIMode = 0;

    // As traffic: even the first track waits for its own AI aircraft.
    ASSERT_TRUE(LoadRecordingFile("C:\\Sim\\Modules\\three.frc", 1));
    ASSERT_EQ(TrackTable.count, 3);
    EXPECT_EQ(TrackTable.entries[0].objectId, 0u);
    EXPECT_EQ(TrackTable.entries[0].buffer, nullptr);
    EXPECT_EQ(TrackTable.entries[0].heightOffset, 0);

    // A second file loaded into a table that already holds tracks is all traffic, and
    // the span only widens.
    PlaybackStart = 1000;
    PlaybackEnd = 95000;
    ASSERT_TRUE(LoadRecordingFile("C:\\Sim\\Modules\\three.frc", 0));
    ASSERT_EQ(TrackTable.count, 6);
    EXPECT_EQ(TrackTable.entries[3].objectId, 0u);
    EXPECT_EQ(TrackTable.entries[3].buffer, nullptr);
    EXPECT_NE(TrackTable.entries[3].file, TrackTable.entries[0].file);
    EXPECT_EQ(PlaybackStart, 1000u);
    EXPECT_EQ(PlaybackEnd, 95000u);
}

TEST_F(RecordingFileTest, ReadsBothOlderVersions) {
    // Version 4: the stored group set is ignored (127 is used), and so is the end time.
    Aircraft old4 = {31, 0x07F, 3, 0, 2500, "", 4.0f, 0};
    PutFile("C:\\Sim\\Modules\\legacy-v4-one-track.frc",
            LegacyHeader(0x01000004, 3, 999, 0x000, 4.0f, 777).add(old4.Records()));
    ASSERT_TRUE(LoadRecordingFile("C:\\Sim\\Modules\\legacy-v4-one-track.frc", 0));
    ASSERT_EQ(TrackTable.count, 1);
    const Track* track = &TrackTable.entries[0];
    EXPECT_EQ(track->groups, 0x07Fu);
    EXPECT_EQ(track->sampleCount, 3u);
    EXPECT_EQ(track->startTime, 0u);
    EXPECT_EQ(track->endTime, old4.EndTime());
    EXPECT_EQ(track->dataStart, 28u);
    EXPECT_EQ(track->objectId, 1u);
    EXPECT_EQ(track->heightOffset, 0);
    EXPECT_EQ(track->cgHeight, 4.0f);
    EXPECT_EQ(std::string(track->title, strnlen(track->title, 100)), "Kestrel Test Cub");
    EXPECT_TRUE(BufferOf(track, 3) == old4.Records().data);
    EXPECT_EQ(ZuluStamp, 0u);
    EXPECT_EQ(PlaybackStart, 0u);
    EXPECT_EQ(PlaybackEnd, old4.EndTime());
    ResetTrackTable();

    // Version 5: its own group set, a recording date and the height correction.
    Aircraft old5 = {32, 0x001, 2, 100, 10000, "", 5.0f, 0};
    PutFile("C:\\Sim\\Modules\\legacy-v5-one-track.frc",
            LegacyHeader(0x01000005, 2, 0, 0x001, 5.0f, 4242).add(old5.Records()));
    ASSERT_TRUE(LoadRecordingFile("C:\\Sim\\Modules\\legacy-v5-one-track.frc", 0));
    track = &TrackTable.entries[0];
    EXPECT_EQ(track->layout.recordSize, 74u);
    EXPECT_EQ(track->endTime, old5.EndTime());
    EXPECT_EQ(track->heightOffset, 1963659047LL);
    EXPECT_EQ(ZuluStamp, 4242u);
    EXPECT_TRUE(BufferOf(track, 2) == old5.Records().data);
    ResetTrackTable();

    ASSERT_TRUE(LoadRecordingFile("C:\\Sim\\Modules\\legacy-v5-one-track.frc", 1));
    EXPECT_EQ(TrackTable.entries[0].objectId, 0u);
    EXPECT_EQ(TrackTable.entries[0].heightOffset, 0);
    EXPECT_TRUE(TrackTable.entries[0].buffer);  // an old file's track always has its buffer
}

TEST_F(RecordingFileTest, RefusesFilesItCannotOpenOrDoesNotKnow) {
    EXPECT_FALSE(LoadRecordingFile("C:\\Sim\\Modules\\missing.frc", 0));
    EXPECT_EQ(MessagesShown(OpenFailedText, "Kestrel"), 1);

    Bytes body = Alpha.TrackBytes();
    for (uint32_t version : {0x01000003u, 0x01000007u}) {
        PutFile("C:\\Sim\\Modules\\other.frc", FileHeader(version, 0, 90000, 1, 1).add(body));
        EXPECT_FALSE(LoadRecordingFile("C:\\Sim\\Modules\\other.frc", 0)) << version;
    }
    PutFile("C:\\Sim\\Modules\\empty.frc", Bytes());
    EXPECT_FALSE(LoadRecordingFile("C:\\Sim\\Modules\\empty.frc", 0));
    EXPECT_EQ(MessagesShown(DamagedText, "Invalid file"), 3);
    EXPECT_EQ(TrackTable.count, 0);
    EXPECT_EQ(PlaybackStart, 0xFFFFFFFFu);
    EXPECT_EQ(PlaybackEnd, 0u);
}

// A file whose headers cannot be read whole is refused and adds nothing, even after
// tracks of it were already read.
TEST_F(RecordingFileTest, RefusesCutHeaders) {
    int earlier = AddTrackEntry();  // a track of a file loaded before
    TrackTable.entries[earlier].objectId = 0x77;
    PlaybackStart = 5000;
    PlaybackEnd = 6000;
    ZuluStamp = 99;

    Bytes cutSecond = FileHeader(0x01000006, 2000, 90000, 12345, 2).add(Alpha.TrackBytes());
    Bytes bravo = Bravo.TrackBytes();
    cutSecond.data.insert(cutSecond.data.end(), bravo.data.begin(), bravo.data.begin() + 50);
    PutFile("C:\\Sim\\Modules\\truncated-second-track.frc", cutSecond);
    EXPECT_FALSE(LoadRecordingFile("C:\\Sim\\Modules\\truncated-second-track.frc", 0));

    Bytes cutFileHeader = FileHeader(0x01000006, 2000, 90000, 12345, 2);
    cutFileHeader.data.resize(10);
    PutFile("C:\\Sim\\Modules\\cut-file-header.frc", cutFileHeader);
    EXPECT_FALSE(LoadRecordingFile("C:\\Sim\\Modules\\cut-file-header.frc", 0));

    Bytes cutLegacy = LegacyHeader(0x01000005, 2, 0, 0x001, 5.0f, 4242);
    cutLegacy.data.resize(20);
    PutFile("C:\\Sim\\Modules\\cut-legacy-header.frc", cutLegacy);
    EXPECT_FALSE(LoadRecordingFile("C:\\Sim\\Modules\\cut-legacy-header.frc", 0));

    EXPECT_EQ(MessagesShown(DamagedText, "Invalid file"), 3);
    ASSERT_EQ(TrackTable.count, 1);
    EXPECT_EQ(TrackTable.entries[0].objectId, 0x77u);
    EXPECT_EQ(PlaybackStart, 5000u);
    EXPECT_EQ(PlaybackEnd, 6000u);
    EXPECT_EQ(ZuluStamp, 99u);
}

// Records the file does not hold are never played, read or made up.
TEST_F(RecordingFileTest, CutRecordsPlayOnlyWhatIsThere) {
    Aircraft announced = {41, 0x000, 10, 3000, 1000, "Cut", 6.5f, 100};
    Bytes file = FileHeader(0x01000006, 3000, announced.EndTime(), 7, 1).add(announced.Header(10));
    file.add(announced.Records(0, 6));
    Bytes partial = announced.Records(6, 7);
    file.data.insert(file.data.end(), partial.data.begin(), partial.data.begin() + 30);
    PutFile("C:\\Sim\\Modules\\cut-records.frc", file);

    ASSERT_TRUE(LoadRecordingFile("C:\\Sim\\Modules\\cut-records.frc", 0));
    ASSERT_EQ(TrackTable.count, 1);
    Track* track = &TrackTable.entries[0];
    EXPECT_EQ(track->sampleCount, 6u);
    EXPECT_EQ(track->fileRecords, 6u);
    EXPECT_EQ(track->endTime, announced.TimeOf(5));
    EXPECT_EQ(PlaybackStart, 3000u);
    EXPECT_EQ(PlaybackEnd, announced.TimeOf(5));
    EXPECT_TRUE(BufferOf(track, 6) == announced.Records(0, 6).data);
    std::vector<uint8_t> rest(track->buffer + 6 * 66, track->buffer + 240 * 66);
    EXPECT_EQ(std::count(rest.begin(), rest.end(), 0), (long)rest.size()) << "read beyond the records";

    // A later window stops at the last whole record too.
    LoadTrackWindow(track, 4);
    EXPECT_TRUE(BufferOf(track, 2) == announced.Records(4, 6).data);
    rest.assign(track->buffer + 6 * 66, track->buffer + 240 * 66);
    EXPECT_EQ(std::count(rest.begin(), rest.end(), 0), (long)rest.size());
    ResetTrackTable();

    // No whole record at all: a track that never falls inside the playback span.
    Bytes none = FileHeader(0x01000006, 3000, announced.EndTime(), 7, 1).add(announced.Header(10));
    none.data.insert(none.data.end(), partial.data.begin(), partial.data.begin() + 30);
    PutFile("C:\\Sim\\Modules\\no-records.frc", none);
    PlaybackStart = 0xFFFFFFFF;
    PlaybackEnd = 0;
    ASSERT_TRUE(LoadRecordingFile("C:\\Sim\\Modules\\no-records.frc", 1));
    ASSERT_EQ(TrackTable.count, 1);
    EXPECT_EQ(TrackTable.entries[0].sampleCount, 0u);
    EXPECT_GT(TrackTable.entries[0].startTime, TrackTable.entries[0].endTime);
    EXPECT_EQ(PlaybackStart, 0xFFFFFFFFu);
    EXPECT_EQ(PlaybackEnd, 0u);
    ResetTrackTable();

    // An old file shorter than its count: the end time comes from the last whole record.
    Aircraft old5 = {42, 0x001, 5, 0, 10000, "", 5.0f, 0};
    Bytes legacy = LegacyHeader(0x01000005, 5, 0, 0x001, 5.0f, 1).add(old5.Records(0, 2));
    legacy.u8(0xAB);
    PutFile("C:\\Sim\\Modules\\cut-legacy.frc", legacy);
    ASSERT_TRUE(LoadRecordingFile("C:\\Sim\\Modules\\cut-legacy.frc", 0));
    EXPECT_EQ(TrackTable.entries[0].sampleCount, 2u);
    EXPECT_EQ(TrackTable.entries[0].endTime, old5.TimeOf(1));
    EXPECT_EQ(AnyMessagesShown(), 0);
}

// An old file without a whole record has nothing to play: it adds no track.
TEST_F(RecordingFileTest, OlderFileWithoutRecordsAddsNoTrack) {
    PutFile("C:\\Sim\\Modules\\zero-count-legacy.frc", LegacyHeader(0x01000004, 0, 0, 0, 4.0f, 0));
    EXPECT_TRUE(LoadRecordingFile("C:\\Sim\\Modules\\zero-count-legacy.frc", 0));
    EXPECT_EQ(TrackTable.count, 0);

    Aircraft old = {43, 0x07F, 1, 0, 1, "", 4.0f, 0};
    PutFile("C:\\Sim\\Modules\\zero-count-with-data.frc",
            LegacyHeader(0x01000004, 0, 0, 0, 4.0f, 0).add(old.Records()));
    EXPECT_TRUE(LoadRecordingFile("C:\\Sim\\Modules\\zero-count-with-data.frc", 0));
    EXPECT_EQ(TrackTable.count, 0);
    EXPECT_EQ(PlaybackStart, 0xFFFFFFFFu);
    EXPECT_EQ(PlaybackEnd, 0u);
    EXPECT_EQ(AnyMessagesShown(), 0);
}

// kestrel-host's dump of a folder or of a missing file says it cannot be read (a folder
// once ended the program: reading it as a stream throws).
TEST_F(RecordingFileTest, DumpOfWhatIsNoFileSaysSo) {
    EXPECT_EQ(DescribeRecordingFile(vsim::MapPath("C:\\Sim"), "C:\\Sim"), "file C:\\Sim: cannot be read\n");
    EXPECT_EQ(DescribeRecordingFile(vsim::MapPath("C:\\Sim\\none.frc"), "none.frc"), "file none.frc: cannot be read\n");
}
