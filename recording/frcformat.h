// The recording file format (".frc") as a pure library: header encoders and decoders,
// reading versions 0x01000004 to 0x01000006 with precise refusals, a strict check,
// writing version 0x01000006, recovery from a recording's temp files, and the
// recording date. No module-wide state, no dialogs, no simulator.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "recording/sample.h"

namespace frc {

constexpr uint32_t Version4 = 0x01000004, Version5 = 0x01000005, Version6 = 0x01000006;
constexpr uint32_t FileHeaderSize = 18, LegacyHeaderSize = 28, TrackHeaderSize = 124;
constexpr uint32_t TitleSize = 100;           // stored title bytes, no terminator when all are used
constexpr float CgHeightLimit = 1000.0f;      // feet; a CG height beyond this is absurd

struct FileHeader {  // version 6: the 18-byte file header
    uint32_t version, startTime, endTime, date;  // times 1/10000 s; date = ZuluStamp
    uint16_t trackCount;
};
struct TrackHeader {  // the 124-byte track header
    uint32_t sampleCount, groups, startTime, endTime;
    char title[TitleSize + 1];  // NUL-terminated copy of the at most 100 stored characters
    float cgHeight;             // feet
    uint32_t interval;          // ms
};
struct LegacyHeader {  // versions 4 and 5: the 28-byte header
    uint32_t version, sampleCount, endTime, groups;
    float cgHeight;
    uint32_t date;
};

// Field-by-field little-endian encoders and decoders (buffer sizes as the constants).
void EncodeFileHeader(uint8_t* out, const FileHeader& h);
FileHeader DecodeFileHeader(const uint8_t* in);
void EncodeTrackHeader(uint8_t* out, const TrackHeader& h);  // title zero padded
TrackHeader DecodeTrackHeader(const uint8_t* in);
LegacyHeader DecodeLegacyHeader(const uint8_t* in);  // version 4: groups = 127
// Copies a title of at most 100 characters (it ends at its terminator or there) into
// the 100 bytes at out, zero padded; SetTitle does so into a header, terminated.
void CopyTitle(char* out, const char* title);
void SetTitle(TrackHeader* h, const char* title);

// ZuluStamp <-> calendar (every year counted as 366 days in the stamp, as the module
// does). A stamp on day 0 of a year (the stamp of day 366 of a leap year, or no date)
// is the last day of the year before.
struct DateTime {
    uint16_t year;
    uint8_t month, day, hour, minute, second;
    uint16_t dayOfYear;
};
DateTime SplitDate(uint32_t stamp);
uint32_t MakeDate(uint16_t year, uint16_t dayOfYear, uint32_t secondsOfDay);
// Seconds since 1970-01-01 UTC of stamp + sampleTime/10000 (for real UTC times).
double UnixTime(uint32_t stamp, uint32_t sampleTime);

// A whole recording in memory, every record unpacked into a FullSample (fields of
// groups absent from the track's set are zero).
struct Track {
    TrackHeader header;               // as stored (sampleCount = what the header announced)
    std::vector<FullSample> samples;  // the whole records the file really holds (<= announced)
    uint64_t headerOffset;            // byte offset of the track header (legacy: 0)
    uint64_t dataOffset;              // byte offset of the first record
};
struct Recording {
    FileHeader header;  // for legacy files: version, date, trackCount 1, start 0 and
                        // end = the last record's time
    std::vector<Track> tracks;
};

// A precise reason with where it was found: "file header cut at byte 12 (18 needed)".
struct Problem {
    uint64_t offset;
    std::string what;
};

// Reads a recording as the module plays it: versions 4, 5, 6; a file or track header
// that cannot be read whole, or an unknown version, refuses (false, *refusal set);
// tracks are cut to the whole records present. A legacy track's header holds the
// stored count, groups (127 for version 4) and CG height, start 0, end = the last
// record's time (0 without one), no title and interval 0.
bool ReadRecording(const uint8_t* data, size_t size, Recording* out, Problem* refusal);
bool ReadRecordingFile(const std::string& path, Recording* out, Problem* refusal);

// Every finding of a strict check (empty for a sound file): unknown version, header
// or track header cut, fewer/more records than announced, a file cut inside a
// record, groups with undefined bits, CG height not finite or absurd (outside
// +-1000 ft), sample times going backwards, positions outside the earth, trailing
// bytes after the last track. Record-level findings are reported once per track,
// at the first record concerned, with the number of records concerned.
std::vector<Problem> CheckRecording(const uint8_t* data, size_t size);

// Writes version 6: file header (start/end times recomputed from the tracks' samples,
// header.date kept), then each track's header (sampleCount, startTime, endTime
// recomputed from its samples; groups, title, cgHeight, interval kept) and its records
// packed with the track's groups. A track without samples gets start and end 0 and
// does not count for the file's span; a file without samples has start 0xFFFFFFFF and
// end 0. A recording the format cannot hold (more than 65535 tracks) gives no bytes.
std::vector<uint8_t> WriteRecording(const Recording& rec);
bool WriteRecordingFile(const std::string& path, const Recording& rec, std::string* error);

// Crash recovery: the temp files an interrupted recording left ("Kestrel1.tmp" for the
// user's aircraft, "Kestrel<id>.tmp" for AI aircraft; each a 124-byte provisional track
// header followed by the records flushed so far). Builds a recording of the whole
// records they hold, the user's track first then AI tracks by id; a temp file with no
// whole record contributes nothing, and names of another form (a folder part is
// ignored) are not temp files. `date` becomes the file's recording date. True when
// at least one track was recovered.
struct TempFile {
    std::string name;
    std::vector<uint8_t> bytes;
};
bool RecoverRecording(const std::vector<TempFile>& temps, uint32_t date, Recording* out);
// The object id a temp file's name stands for (1 for the user's aircraft); false
// when the name is not that of a temp file.
bool TempFileObjectId(const std::string& name, uint32_t* objectId);

}  // namespace frc
