// Helpers of the recording tests: the bytes a recording file must hold, built field
// by field from the file layout and from what the simulated aircraft show (never
// with the module's own writer or packer), a reader of written files, and a watcher
// of the sample requests in the SimConnect call log.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace rectest {

// Little-endian bytes, one field at a time.
struct ByteWriter {
    std::vector<uint8_t> bytes;
    void U8(uint32_t value);
    void U16(uint32_t value);
    void U32(uint32_t value);
    void I64(int64_t value);
    void F32(float value);
    void F64(double value);
    void Text(const std::string& text, size_t width);  // zero padded, cut at width
    void Append(const std::vector<uint8_t>& more);
};

uint16_t Le16(const std::vector<uint8_t>& bytes, size_t at);
uint32_t Le32(const std::vector<uint8_t>& bytes, size_t at);
int64_t Le64(const std::vector<uint8_t>& bytes, size_t at);

// Group bits as the file format numbers them.
constexpr uint32_t GThrottles = 0x001, GControls = 0x002, GSpoilers = 0x004, GFlaps = 0x008, GGear = 0x010,
                   GLights = 0x020, GEngines = 0x040, GNavRadios = 0x080, GComRadios = 0x100,
                   GPropMixture = 0x200, GDateTime = 0x400, GSmoke = 0x800;

// 66 bytes plus the bytes of each group present.
uint32_t RecordSizeOf(uint32_t groups);
// Offset of the time field in a record of the group set (always its last 4 bytes).
inline uint32_t TimeOffsetOf(uint32_t groups) { return RecordSizeOf(groups) - 4; }

// The 18-byte header of a version 0x01000006 file and the 124-byte track header.
std::vector<uint8_t> FileHeaderBytes(uint32_t startTime, uint32_t endTime, uint32_t date, uint16_t trackCount);
std::vector<uint8_t> TrackHeaderBytes(uint32_t sampleCount, uint32_t groups, uint32_t startTime, uint32_t endTime,
                                      const std::string& title, float cgHeight, uint32_t interval);

// The values of one sample as the recording definition with every group delivers
// them (55 values, in definition order).
struct SampleValues {
    double v[55];
};
// What the simulated aircraft shows now, in the units of the recording definition.
SampleValues ReadAircraftValues(uint32_t objectId);
// The packed record of group set `groups` for these values: every conversion as the
// file layout defines it. levelDLights >= 0 replaces the standard lights word.
std::vector<uint8_t> EncodeRecord(const SampleValues& values, uint32_t groups, uint32_t time, int levelDLights = -1);
// The same for the aircraft as it is now.
std::vector<uint8_t> ExpectedRecord(uint32_t objectId, uint32_t groups, uint32_t time, int levelDLights = -1);
// The Level-D 767 lights word from the simulator's panel switch variables now.
uint16_t LevelDLightsNow();

// The recording date the module forms from the simulator's Zulu date and time now.
uint32_t ZuluStampNow();

// A written recording file, read field by field.
struct FileTrack {
    uint32_t sampleCount = 0, groups = 0, startTime = 0, endTime = 0, interval = 0;
    std::string title;
    float cgHeight = 0.0f;
    std::vector<std::vector<uint8_t>> records;
    uint32_t TimeOf(size_t record) const;
};
struct RecordingFileView {
    bool ok = false;  // the bytes hold exactly the header, the tracks and their records
    uint32_t version = 0, startTime = 0, endTime = 0, date = 0;
    uint16_t trackCount = 0;
    std::vector<FileTrack> tracks;
};
RecordingFileView ParseRecordingFile(const std::vector<uint8_t>& bytes);

// The sample requests (request 0, definition 0, once) in the SimConnect call log.
class SampleRequestWatcher {
public:
    // Object ids asked for since the previous call (or since construction), in order.
    std::vector<uint32_t> NewRequests();
    // Skips everything logged so far.
    void SkipAll();

private:
    size_t next_ = 0;
};

}  // namespace rectest
