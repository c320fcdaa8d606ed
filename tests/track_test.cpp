// Tracks: the recording buffer and its temp file (flush at the 241st sample, the
// final header, failed writes), the replay ring and its linearization, titles that
// use all 100 characters, and the growth and shrinking of the TrackTable.
#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#include "module/entry.h"
#include "platform/files.h"
#include "recording/recorder.h"
#include "recording/track.h"
#include "vsim/sim/simhost.h"

namespace {

uint32_t TimeOf(uint32_t k) { return 5000 + k * 2500; }

// A sample whose latitude is k and whose time is TimeOf(k).
FullSample MakeSample(uint32_t k) {
    FullSample full = {};
    SetSampleI64(&full, FieldLatitude, (int64_t)k);
    SetSampleI16(&full, FieldThrottle1, (int16_t)(k * 3));
    SetSampleU32(&full, FieldTime, TimeOf(k));
    return full;
}

bool Append(Track* track, uint32_t k) {
    FullSample full = MakeSample(k);
    return AppendSample(track, &full);
}

std::vector<uint8_t> FileBytes(FILE* file) {
    fflush(file);
    fseek(file, 0, SEEK_END);
    long size = ftell(file);
    std::vector<uint8_t> bytes((size_t)size);
    fseek(file, 0, SEEK_SET);
    if (size > 0 && fread(bytes.data(), 1, bytes.size(), file) != bytes.size()) bytes.clear();
    return bytes;
}

uint32_t U32At(const std::vector<uint8_t>& bytes, size_t at) {
    return bytes[at] | (bytes[at + 1] << 8) | (bytes[at + 2] << 16) | ((uint32_t)bytes[at + 3] << 24);
}

// Group set 127: latitude at 0, throttle 1 at 61, time at 87, 91 bytes a record.
constexpr uint32_t Groups = 0x07F;
constexpr uint32_t RecordSize = 91;
constexpr uint32_t TimeAt = 87;

class TrackTest : public ::testing::Test {
protected:
    void SetUp() override {
        ResetTrackTable();
        opened.reserve(8);  // tests hold pointers to these records
    }
    void TearDown() override {
        for (Track& track : opened) {
            ReleaseTrackBuffer(&track);
            if (track.file) fclose(track.file);
        }
        ResetTrackTable();
        if (!root.empty()) std::filesystem::remove_all(root);
    }
    // A virtual drive in a fresh folder, for the host files of a test.
    void UseVirtualDrive() {
        char rootTemplate[] = "/tmp/kestrel-track-XXXXXX";
        ASSERT_TRUE(mkdtemp(rootTemplate));
        root = rootTemplate;
        vsim::SetDriveRoot(root);
        std::filesystem::create_directories(root + "/C/Sim/Modules");
    }
    Track* NewTrack() {
        opened.emplace_back();
        return &opened.back();
    }
    std::vector<Track> opened;
    std::string root;
};

}  // namespace

TEST_F(TrackTest, RecordingTrackFlushesAtThe241stSampleAndFinalizes) {
    Track* track = NewTrack();
    FILE* file = tmpfile();
    ASSERT_TRUE(file);
    ASSERT_TRUE(OpenTrack(track, 240, file, 0, Groups, "Test Aircraft", 42, 250, 1));
    EXPECT_EQ(track->memoryOnly, 0u);
    EXPECT_EQ(track->readMode, 0u);
    EXPECT_EQ(track->dataStart, 124u);

    // The provisional header: count 0, groups, times 0, title padded, CG 0.0, interval.
    std::vector<uint8_t> header(124, 0);
    header[4] = 0x7F;
    memcpy(&header[16], "Test Aircraft", 13);
    header[120] = 250;
    EXPECT_EQ(FileBytes(file), header);

    for (uint32_t k = 0; k < 240; ++k) ASSERT_TRUE(Append(track, k));
    EXPECT_EQ(FileBytes(file).size(), 124u);  // nothing written before the buffer is full
    EXPECT_EQ(track->bufferIndex, 240u);

    ASSERT_TRUE(Append(track, 240));
    std::vector<uint8_t> bytes = FileBytes(file);
    ASSERT_EQ(bytes.size(), 124u + 240 * RecordSize);
    for (uint32_t k = 0; k < 240; ++k) {
        ASSERT_EQ(U32At(bytes, 124 + k * RecordSize), k);
        ASSERT_EQ(U32At(bytes, 124 + k * RecordSize + TimeAt), TimeOf(k));
    }
    EXPECT_EQ(track->bufferIndex, 1u);
    EXPECT_EQ(LoadLE32(track->buffer + TimeAt), TimeOf(240));
    EXPECT_EQ(track->sampleCount, 241u);
    EXPECT_EQ(track->position, 241u);
    EXPECT_EQ(track->startTime, TimeOf(0));
    EXPECT_EQ(track->endTime, TimeOf(240));

    track->cgHeight = 2.5f;
    ASSERT_TRUE(FinalizeTrackFile(track));
    EXPECT_EQ(track->bufferIndex, 0u);
    bytes = FileBytes(file);
    ASSERT_EQ(bytes.size(), 124u + 241 * RecordSize);
    EXPECT_EQ(U32At(bytes, 0), 241u);
    EXPECT_EQ(U32At(bytes, 8), TimeOf(0));
    EXPECT_EQ(U32At(bytes, 12), TimeOf(240));
    EXPECT_EQ(U32At(bytes, 116), 0x40200000u);  // 2.5f
    EXPECT_EQ(U32At(bytes, 124 + 240 * RecordSize + TimeAt), TimeOf(240));

    // The recording can go on after a finalize (a save that failed later on).
    ASSERT_TRUE(Append(track, 241));
    ASSERT_TRUE(FinalizeTrackFile(track));
    bytes = FileBytes(file);
    ASSERT_EQ(bytes.size(), 124u + 242 * RecordSize);
    EXPECT_EQ(U32At(bytes, 0), 242u);
    EXPECT_EQ(U32At(bytes, 124 + 241 * RecordSize), 241u);
}

TEST_F(TrackTest, AppendAndFinalizeRefuseTracksTheyCannotServe) {
    Track* noBuffer = NewTrack();
    ASSERT_TRUE(OpenTrack(noBuffer, 240, nullptr, 0, Groups, "", 1, 250, 0));
    EXPECT_FALSE(Append(noBuffer, 0));
    EXPECT_EQ(noBuffer->sampleCount, 0u);

    Track* closed = NewTrack();
    ASSERT_TRUE(OpenTrack(closed, 240, tmpfile(), 0, Groups, "", 5, 250, 1));
    for (uint32_t k = 0; k < 240; ++k) ASSERT_TRUE(Append(closed, k));
    fclose(closed->file);
    closed->file = nullptr;  // as when its aircraft left the simulation
    EXPECT_FALSE(Append(closed, 240));
    EXPECT_EQ(closed->sampleCount, 240u);
    EXPECT_EQ(closed->bufferIndex, 240u);
    EXPECT_FALSE(FinalizeTrackFile(closed));

    Track* ring = NewTrack();
    ASSERT_TRUE(OpenTrack(ring, 120, nullptr, 0, Groups, "", 1, 250, 1));
    ASSERT_TRUE(Append(ring, 0));
    EXPECT_FALSE(FinalizeTrackFile(ring));
    ring->readMode = 1;  // being replayed
    EXPECT_FALSE(Append(ring, 1));
    EXPECT_EQ(ring->sampleCount, 1u);
}

TEST_F(TrackTest, TitlesAreCutAtOneHundredCharactersAndNeverReadPast) {
    std::string longTitle(150, 'T');
    longTitle[99] = 'Z';
    Track* track = NewTrack();
    ASSERT_TRUE(OpenTrack(track, 240, nullptr, 0, Groups, longTitle.c_str(), 1, 250, 0));
    EXPECT_EQ(memcmp(track->title, longTitle.data(), 100), 0);

    track->cgHeight = -1.0f;  // the bytes that follow the title in memory
    uint8_t header[TrackHeaderSize];
    EncodeTrackHeader(header, 3, Groups, 10, 20, track->title, track->cgHeight, 250);
    EXPECT_EQ(memcmp(header + 16, longTitle.data(), 100), 0);
    const uint8_t minusOne[4] = {0x00, 0x00, 0x80, 0xBF};
    EXPECT_EQ(memcmp(header + 116, minusOne, 4), 0);

    EncodeTrackHeader(header, 0, 0, 0, 0, "Short", 0.0f, 0);
    EXPECT_EQ(memcmp(header + 16, "Short", 5), 0);
    for (int i = 21; i < 116; ++i) ASSERT_EQ(header[i], 0) << "padding at " << i;
}

TEST_F(TrackTest, ReplayRingWrapsAndLinearizes) {
    Track* ring = NewTrack();
    ASSERT_TRUE(OpenTrack(ring, 120, nullptr, 0, Groups, "Ring", 1, 250, 1));
    EXPECT_EQ(ring->memoryOnly, 1u);
    for (uint32_t k = 0; k < 120; ++k) ASSERT_TRUE(Append(ring, k));
    EXPECT_EQ(ring->bufferIndex, 120u);
    EXPECT_EQ(ring->position, 120u);
    EXPECT_EQ(ring->startTime, TimeOf(0));

    ASSERT_TRUE(Append(ring, 120));  // wraps to slot 0
    EXPECT_EQ(LoadLE32(ring->buffer + TimeAt), TimeOf(120));
    EXPECT_EQ(ring->bufferIndex, 1u);
    EXPECT_EQ(ring->startTime, TimeOf(1));

    for (uint32_t k = 121; k < 130; ++k) ASSERT_TRUE(Append(ring, k));
    EXPECT_EQ(ring->sampleCount, 120u);
    EXPECT_EQ(ring->position, 120u);
    EXPECT_EQ(ring->bufferIndex, 10u);
    EXPECT_EQ(ring->startTime, TimeOf(10));  // the 11th sample appended
    EXPECT_EQ(ring->endTime, TimeOf(129));

    Timeline = TimeOf(129) + 77;
    ASSERT_TRUE(LinearizeRing(ring));
    for (uint32_t slot = 0; slot < 120; ++slot) {
        const uint8_t* record = ring->buffer + slot * RecordSize;
        ASSERT_EQ(LoadLE32(record), slot + 10) << "slot " << slot;
        ASSERT_EQ(LoadLE32(record + TimeAt), TimeOf(slot + 10) - TimeOf(10)) << "slot " << slot;
    }
    EXPECT_EQ(ring->startTime, 0u);
    EXPECT_EQ(ring->endTime, TimeOf(129) - TimeOf(10));
    EXPECT_EQ(Timeline, TimeOf(129) + 77 - TimeOf(10));
    EXPECT_EQ(ring->bufferIndex, 0u);

    // The ring goes on capturing over its (now first) oldest record.
    ASSERT_TRUE(Append(ring, 130));
    EXPECT_EQ(LoadLE32(ring->buffer), 130u);
    EXPECT_EQ(ring->startTime, TimeOf(11) - TimeOf(10));
}

TEST_F(TrackTest, LinearizeLeavesAnUnwrappedRingAndRefusesFileTracks) {
    Track* ring = NewTrack();
    ASSERT_TRUE(OpenTrack(ring, 120, nullptr, 0, Groups, "Ring", 1, 250, 1));
    for (uint32_t k = 0; k < 50; ++k) ASSERT_TRUE(Append(ring, k));
    std::vector<uint8_t> before(ring->buffer, ring->buffer + 120 * RecordSize);
    Timeline = 999999;
    ASSERT_TRUE(LinearizeRing(ring));
    EXPECT_EQ(std::vector<uint8_t>(ring->buffer, ring->buffer + 120 * RecordSize), before);
    EXPECT_EQ(ring->startTime, TimeOf(0));
    EXPECT_EQ(ring->endTime, TimeOf(49));
    EXPECT_EQ(ring->bufferIndex, 50u);
    EXPECT_EQ(Timeline, 999999u);

    Track* recording = NewTrack();
    ASSERT_TRUE(OpenTrack(recording, 240, tmpfile(), 0, Groups, "", 1, 250, 1));
    ASSERT_TRUE(Append(recording, 0));
    EXPECT_FALSE(LinearizeRing(recording));
}

TEST_F(TrackTest, TableGrowsAndShrinksByTenAndMovesTheLastEntryIntoAGap) {
    for (int i = 0; i < 11; ++i) {
        ASSERT_EQ(AddTrackEntry(), i);
        TrackTable.entries[i].objectId = 100 + i;
    }
    EXPECT_EQ(TrackTable.count, 11);
    EXPECT_EQ(TrackTable.capacity, 20);

    RemoveTrackEntry(3);
    EXPECT_EQ(TrackTable.count, 10);
    EXPECT_EQ(TrackTable.capacity, 10);
    EXPECT_EQ(TrackTable.entries[3].objectId, 110u);
    EXPECT_EQ(TrackTable.entries[9].objectId, 109u);

    RemoveTrackEntry(10);  // no such entry
    EXPECT_EQ(TrackTable.count, 10);
    while (TrackTable.count > 1) RemoveTrackEntry(0);
    EXPECT_EQ(TrackTable.capacity, 10);
    RemoveTrackEntry(0);
    EXPECT_EQ(TrackTable.count, 0);
    EXPECT_EQ(TrackTable.capacity, 0);
    EXPECT_EQ(TrackTable.entries, nullptr);

    ASSERT_EQ(AddTrackEntry(), 0);
    EXPECT_EQ(TrackTable.capacity, 10);
    EXPECT_EQ(TrackTable.entries[0].objectId, 0u);  // a new entry starts empty
}

// The search starts after the last entry found; any order of look-ups, and entries
// moved by a removal, still find the entry of the id, and id 0 the first such entry.
TEST_F(TrackTest, FindTrackFindsEachIdInAnyOrder) {
    const uint32_t ids[] = {5, 0, 9, 0, 7};
    for (uint32_t id : ids) {
        int index = AddTrackEntry();
        ASSERT_GE(index, 0);
        TrackTable.entries[index].objectId = id;
    }
    EXPECT_EQ(FindTrack(7), &TrackTable.entries[4]);
    EXPECT_EQ(FindTrack(0), &TrackTable.entries[1]);
    EXPECT_EQ(FindTrack(5), &TrackTable.entries[0]);
    EXPECT_EQ(FindTrack(8), nullptr);
    EXPECT_EQ(FindTrack(7), &TrackTable.entries[4]);
    RemoveTrackEntry(0);  // 7 moves into entry 0
    EXPECT_EQ(FindTrack(7), &TrackTable.entries[0]);
    EXPECT_EQ(FindTrack(9), &TrackTable.entries[2]);
    EXPECT_EQ(FindTrack(5), nullptr);
    while (TrackTable.count > 0) RemoveTrackEntry(0);
    EXPECT_EQ(FindTrack(9), nullptr);
}

TEST_F(TrackTest, TableRefusesToGrowPastItsSixteenBitCount) {
    for (uint32_t i = 0; i < 65535; ++i) ASSERT_EQ(AddTrackEntry(), (int)i);
    EXPECT_EQ(TrackTable.count, 65535);
    EXPECT_EQ(TrackTable.capacity, 65535);
    EXPECT_EQ(AddTrackEntry(), -1);
    EXPECT_EQ(TrackTable.count, 65535);
    TrackTable.entries[65534].objectId = 7;
    RemoveTrackEntry(0);
    EXPECT_EQ(TrackTable.entries[0].objectId, 7u);
    EXPECT_EQ(AddTrackEntry(), 65534);
}

// The temp file's write fails once: the sample that needed the flush is refused, the
// buffer stays whole, and the next append writes it to the right place.
TEST_F(TrackTest, FailedFlushKeepsTheBufferForTheNextAppend) {
    UseVirtualDrive();
    Track* track = NewTrack();
    FILE* file = OpenHostFile("C:\\Sim\\Modules\\Kestrel1.tmp", "w+b");
    ASSERT_TRUE(file);
    ASSERT_TRUE(OpenTrack(track, 240, file, 0, Groups, "User", 1, 250, 1));
    for (uint32_t k = 0; k < 240; ++k) ASSERT_TRUE(Append(track, k));

    vsim::FailNext(vsim::FailFileWrite);
    EXPECT_FALSE(Append(track, 240));
    EXPECT_EQ(track->sampleCount, 240u);
    EXPECT_EQ(track->bufferIndex, 240u);
    ASSERT_TRUE(Append(track, 241));
    ASSERT_TRUE(FinalizeTrackFile(track));

    std::vector<uint8_t> bytes = FileBytes(file);
    ASSERT_EQ(bytes.size(), 124u + 241 * RecordSize);
    EXPECT_EQ(U32At(bytes, 0), 241u);
    for (uint32_t k = 0; k < 240; ++k) ASSERT_EQ(U32At(bytes, 124 + k * RecordSize), k);
    EXPECT_EQ(U32At(bytes, 124 + 240 * RecordSize), 241u);
}
