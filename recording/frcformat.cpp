// The recording file format: header encoding, reading, checking, writing, recovery
// from temp files and the recording date. Counts are never trusted past the bytes.
//
// Byte layout, little-endian, no padding.
//
// Version 0x01000006 (the only one written):
//   0   u32  version 0x01000006
//   4   u32  file start time: smallest startTime of its tracks (1/10000 s)
//   8   u32  file end time: largest endTime of its tracks
//   12  u32  recording date (ZuluStamp at the start of the recording)
//   16  u16  track count
//   18  ...  the tracks one after the other, the user's aircraft first. Each is a
//            124-byte track header followed at once by sampleCount records of the
//            record size of its groups:
//              0    u32  sampleCount
//              4    u32  groups (SampleGroup set)
//              8    u32  startTime
//              12   u32  endTime
//              16   100  title, zero padded, no terminator when all 100 are used
//              116  f32  cgHeight, feet
//              120  u32  interval, ms
//
// Versions 0x01000004 and 0x01000005 (read only), one track without a track header:
//   0   u32  version
//   4   u32  sampleCount
//   8   u32  end time (not used: the last record gives it)
//   12  u32  groups (0x01000004: not used, always 127)
//   16  f32  cgHeight, feet
//   20  u32  recording date (0x01000005 only)
//   24  u32  reserved
//   28  ...  the records
//
// A recording's temp file is one track header (provisional: count, times and CG
// height 0) followed by the records written so far.
#include "recording/frcformat.h"

#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstdarg>
#include <cstdio>
#include <cstring>

namespace frc {

static_assert(FileHeaderSize == 4 + 4 + 4 + 4 + 2, "file header fields");
static_assert(LegacyHeaderSize == 4 + 6 * 4, "legacy header fields");
static_assert(TrackHeaderSize == 4 + 4 + 4 + 4 + TitleSize + 4 + 4, "track header fields");

// ---------------------------------------------------------------------------
// Headers.

void EncodeFileHeader(uint8_t* out, const FileHeader& h) {
    StoreLE32(out + 0, h.version);
    StoreLE32(out + 4, h.startTime);
    StoreLE32(out + 8, h.endTime);
    StoreLE32(out + 12, h.date);
    StoreLE16(out + 16, h.trackCount);
}

FileHeader DecodeFileHeader(const uint8_t* in) {
    FileHeader h;
    h.version = LoadLE32(in + 0);
    h.startTime = LoadLE32(in + 4);
    h.endTime = LoadLE32(in + 8);
    h.date = LoadLE32(in + 12);
    h.trackCount = LoadLE16(in + 16);
    return h;
}

void CopyTitle(char* out, const char* title) {
    memset(out, 0, TitleSize);
    if (!title) return;
    const void* end = memchr(title, 0, TitleSize);
    memcpy(out, title, end ? (size_t)((const char*)end - title) : TitleSize);
}

void SetTitle(TrackHeader* h, const char* title) {
    CopyTitle(h->title, title);
    h->title[TitleSize] = 0;
}

void EncodeTrackHeader(uint8_t* out, const TrackHeader& h) {
    StoreLE32(out + 0, h.sampleCount);
    StoreLE32(out + 4, h.groups);
    StoreLE32(out + 8, h.startTime);
    StoreLE32(out + 12, h.endTime);
    CopyTitle((char*)out + 16, h.title);
    StoreLEF32(out + 116, h.cgHeight);
    StoreLE32(out + 120, h.interval);
}

TrackHeader DecodeTrackHeader(const uint8_t* in) {
    TrackHeader h;
    h.sampleCount = LoadLE32(in + 0);
    h.groups = LoadLE32(in + 4);
    h.startTime = LoadLE32(in + 8);
    h.endTime = LoadLE32(in + 12);
    SetTitle(&h, (const char*)in + 16);
    h.cgHeight = LoadLEF32(in + 116);
    h.interval = LoadLE32(in + 120);
    return h;
}

LegacyHeader DecodeLegacyHeader(const uint8_t* in) {
    LegacyHeader h;
    h.version = LoadLE32(in + 0);
    h.sampleCount = LoadLE32(in + 4);
    h.endTime = LoadLE32(in + 8);
    h.groups = h.version == Version4 ? DefaultSampleGroups : LoadLE32(in + 12);
    h.cgHeight = LoadLEF32(in + 16);
    h.date = h.version == Version5 ? LoadLE32(in + 20) : 0;
    return h;
}

// ---------------------------------------------------------------------------
// The recording date.

constexpr uint32_t SecondsPerDay = 86400;
constexpr uint32_t StampDaysPerYear = 366;

static bool IsLeapYear(uint32_t year) { return (year % 4 == 0 && year % 100 != 0) || year % 400 == 0; }
static uint32_t DaysInYear(uint32_t year) { return IsLeapYear(year) ? 366 : 365; }

DateTime SplitDate(uint32_t stamp) {
    DateTime d = {};
    uint32_t seconds = stamp % SecondsPerDay;
    uint32_t days = stamp / SecondsPerDay;
    uint32_t year = 1900 + days / StampDaysPerYear;
    uint32_t dayOfYear = days % StampDaysPerYear;
    if (dayOfYear == 0) {
        year -= 1;
        dayOfYear = DaysInYear(year);
    }
    d.year = (uint16_t)year;
    d.dayOfYear = (uint16_t)dayOfYear;
    d.hour = (uint8_t)(seconds / 3600);
    d.minute = (uint8_t)(seconds / 60 % 60);
    d.second = (uint8_t)(seconds % 60);
    static const uint8_t MonthDays[12] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    uint32_t day = dayOfYear;
    uint32_t month = 0;
    while (month < 11) {
        uint32_t length = MonthDays[month] + (month == 1 && IsLeapYear(year) ? 1 : 0);
        if (day <= length) break;
        day -= length;
        ++month;
    }
    d.month = (uint8_t)(month + 1);
    d.day = (uint8_t)day;
    return d;
}

uint32_t MakeDate(uint16_t year, uint16_t dayOfYear, uint32_t secondsOfDay) {
    // The module forms the stamp in wider arithmetic and keeps its low 32 bits.
    int64_t days = ((int64_t)year - 1900) * StampDaysPerYear + dayOfYear;
    return (uint32_t)(uint64_t)(days * SecondsPerDay + secondsOfDay);
}

double UnixTime(uint32_t stamp, uint32_t sampleTime) {
    DateTime d = SplitDate(stamp);
    int64_t days = 0;  // days from 1970-01-01 to 1 January of d.year
    for (uint32_t y = 1970; y < d.year; ++y) days += DaysInYear(y);
    for (uint32_t y = d.year; y < 1970; ++y) days -= DaysInYear(y);
    days += d.dayOfYear - 1;
    int64_t seconds = days * SecondsPerDay + d.hour * 3600 + d.minute * 60 + d.second;
    return (double)seconds + sampleTime / 10000.0;
}

// ---------------------------------------------------------------------------
// Reading and checking share one walk over the file's structure.

static std::string Text(const char* format, ...) {
    char text[256];
    va_list args;
    va_start(args, format);
    vsnprintf(text, sizeof(text), format, args);
    va_end(args);
    return text;
}

static Problem CutHeader(const char* name, uint64_t start, uint32_t needed, size_t size) {
    return {size, Text("%s cut at byte %llu (%llu needed)", name, (unsigned long long)size,
                       (unsigned long long)(start + needed))};
}

// The layout of a file as far as its headers reach; records are located, not unpacked.
struct Structure {
    uint32_t version = 0;
    FileHeader header = {};
    bool legacy = false;
    std::vector<Track> tracks;      // headers and offsets of the tracks whose header is whole
    std::vector<uint64_t> present;  // whole records each of them really holds
    bool refused = false;
    Problem refusal = {};
    uint64_t end = 0;               // where the last track's announced records end
};

static Structure WalkRecording(const uint8_t* data, size_t size) {
    Structure s;
    if (size < 4) {
        s.refused = true;
        s.refusal = CutHeader("file header", 0, 4, size);
        return s;
    }
    s.version = LoadLE32(data);
    if (s.version == Version4 || s.version == Version5) {
        s.legacy = true;
        if (size < LegacyHeaderSize) {
            s.refused = true;
            s.refusal = CutHeader("file header", 0, LegacyHeaderSize, size);
            return s;
        }
        LegacyHeader legacy = DecodeLegacyHeader(data);
        Track track = {};
        track.header.sampleCount = legacy.sampleCount;
        track.header.groups = legacy.groups;
        track.header.cgHeight = legacy.cgHeight;
        track.headerOffset = 0;
        track.dataOffset = LegacyHeaderSize;
        s.header = {s.version, 0, 0, legacy.date, 1};
        s.tracks.push_back(track);
    } else if (s.version == Version6) {
        if (size < FileHeaderSize) {
            s.refused = true;
            s.refusal = CutHeader("file header", 0, FileHeaderSize, size);
            return s;
        }
        s.header = DecodeFileHeader(data);
        uint64_t at = FileHeaderSize;
        for (uint32_t i = 0; i < s.header.trackCount; ++i) {
            if (at > size || size - at < TrackHeaderSize) {
                s.refused = true;
                s.refusal = CutHeader(Text("track %u header", i + 1).c_str(), at, TrackHeaderSize, size);
                break;
            }
            Track track = {};
            track.header = DecodeTrackHeader(data + at);
            track.headerOffset = at;
            track.dataOffset = at + TrackHeaderSize;
            at = track.dataOffset + (uint64_t)track.header.sampleCount * SampleRecordSize(track.header.groups);
            s.tracks.push_back(track);
        }
        s.end = FileHeaderSize;
    } else {
        s.refused = true;
        s.refusal = {0, Text("unknown version 0x%08X", s.version)};
        return s;
    }
    for (const Track& track : s.tracks) {
        uint64_t recordSize = SampleRecordSize(track.header.groups);
        uint64_t held = track.dataOffset < size ? (size - track.dataOffset) / recordSize : 0;
        s.present.push_back(std::min<uint64_t>(held, track.header.sampleCount));
        s.end = track.dataOffset + track.header.sampleCount * recordSize;
    }
    return s;
}

bool ReadRecording(const uint8_t* data, size_t size, Recording* out, Problem* refusal) {
    *out = Recording();
    Structure s = WalkRecording(data, size);
    if (s.refused) {
        if (refusal) *refusal = s.refusal;
        return false;
    }
    out->header = s.header;
    for (size_t t = 0; t < s.tracks.size(); ++t) {
        Track& track = s.tracks[t];
        SampleLayout layout = ComputeSampleLayout(track.header.groups);
        track.samples.resize((size_t)s.present[t]);
        for (size_t i = 0; i < track.samples.size(); ++i) {
            memset(track.samples[i].bytes, 0, FullSampleSize);
            UnpackSample(data + track.dataOffset + i * layout.recordSize, &layout, track.header.groups,
                         &track.samples[i]);
        }
        out->tracks.push_back(std::move(track));
    }
    if (s.legacy) {
        Track& track = out->tracks[0];
        uint32_t end = track.samples.empty() ? 0 : GetSampleU32(&track.samples.back(), FieldTime);
        track.header.endTime = end;
        out->header.endTime = end;
    }
    return true;
}

bool ReadRecordingFile(const std::string& path, Recording* out, Problem* refusal) {
    *out = Recording();
    FILE* file = fopen(path.c_str(), "rb");
    if (!file) {
        if (refusal) *refusal = {0, "cannot be opened"};
        return false;
    }
    std::vector<uint8_t> bytes;
    uint8_t chunk[65536];
    size_t got;
    while ((got = fread(chunk, 1, sizeof(chunk), file)) > 0) bytes.insert(bytes.end(), chunk, chunk + got);
    bool failed = ferror(file) != 0;
    fclose(file);
    if (failed) {
        if (refusal) *refusal = {bytes.size(), Text("read failed at byte %llu", (unsigned long long)bytes.size())};
        return false;
    }
    return ReadRecording(bytes.data(), bytes.size(), out, refusal);
}

// The record-level findings of one track: times going backwards and positions outside
// the earth, each reported at its first record with the number of records concerned.
static void CheckRecords(const uint8_t* data, const Track& track, uint64_t present, uint32_t number,
                         std::vector<Problem>* problems) {
    SampleLayout layout = ComputeSampleLayout(track.header.groups);
    uint64_t backwards = 0, backwardsFirst = 0, outside = 0, outsideFirst = 0;
    uint32_t previous = 0;
    for (uint64_t i = 0; i < present; ++i) {
        const uint8_t* record = data + track.dataOffset + i * layout.recordSize;
        uint32_t time = LoadLE32(record + layout.offsets[BlockTime]);
        if (i > 0 && time < previous && backwards++ == 0) backwardsFirst = i;
        previous = time;
        double latitude = LatitudeToDegrees((int64_t)LoadLE64(record + FieldLatitude));
        double longitude = LongitudeToDegrees((int64_t)LoadLE64(record + FieldLongitude));
        if ((std::fabs(latitude) > 90.0 || std::fabs(longitude) > 180.0) && outside++ == 0) outsideFirst = i;
    }
    if (backwards > 0)
        problems->push_back({track.dataOffset + backwardsFirst * layout.recordSize,
                             Text("track %u: sample time goes backwards at record %llu (%llu records)", number,
                                  (unsigned long long)backwardsFirst + 1, (unsigned long long)backwards)});
    if (outside > 0)
        problems->push_back({track.dataOffset + outsideFirst * layout.recordSize,
                             Text("track %u: position outside the earth at record %llu (%llu records)", number,
                                  (unsigned long long)outsideFirst + 1, (unsigned long long)outside)});
}

std::vector<Problem> CheckRecording(const uint8_t* data, size_t size) {
    std::vector<Problem> problems;
    Structure s = WalkRecording(data, size);
    for (size_t t = 0; t < s.tracks.size(); ++t) {
        const Track& track = s.tracks[t];
        uint32_t number = (uint32_t)t + 1;
        // Version 4 stores no group set that is used, so there is nothing to find there.
        if (s.version != Version4 && (track.header.groups & ~AllSampleGroups) != 0)
            problems.push_back({track.headerOffset + (s.legacy ? 12 : 4),
                                Text("track %u: groups 0x%X have undefined bits", number, track.header.groups)});
        float cg = track.header.cgHeight;
        if (!std::isfinite(cg) || std::fabs(cg) > CgHeightLimit)
            problems.push_back({track.headerOffset + (s.legacy ? 16 : 116),
                                Text("track %u: CG height %g ft is not plausible", number, (double)cg)});
        CheckRecords(data, track, s.present[t], number, &problems);
        uint64_t recordSize = SampleRecordSize(track.header.groups);
        if (s.present[t] < track.header.sampleCount) {
            uint64_t wholeEnd = track.dataOffset + s.present[t] * recordSize;
            problems.push_back({wholeEnd, Text("track %u: %llu records, fewer than the %u announced", number,
                                               (unsigned long long)s.present[t], track.header.sampleCount)});
            if (size > wholeEnd)
                problems.push_back({wholeEnd, Text("track %u: file cut inside record %llu at byte %llu", number,
                                                   (unsigned long long)s.present[t] + 1, (unsigned long long)size)});
        }
    }
    if (s.refused) {
        problems.push_back(s.refusal);
        return problems;
    }
    if (size > s.end) {
        uint64_t trailing = size - s.end;
        uint64_t recordSize = s.tracks.empty() ? 0 : SampleRecordSize(s.tracks.back().header.groups);
        uint64_t extra = recordSize ? trailing / recordSize : 0;
        if (extra > 0)
            problems.push_back({s.end, Text("track %u: %llu more records than the %u announced",
                                            (unsigned)s.tracks.size(), (unsigned long long)extra,
                                            s.tracks.back().header.sampleCount)});
        if (trailing > extra * recordSize)
            problems.push_back({s.end + extra * recordSize,
                                Text("%llu trailing bytes after the last track",
                                     (unsigned long long)(trailing - extra * recordSize))});
    }
    return problems;
}

// ---------------------------------------------------------------------------
// Writing.

// The header of a track as written: counts and times from its samples.
static TrackHeader WrittenHeader(const Track& track) {
    TrackHeader h = track.header;
    h.sampleCount = (uint32_t)track.samples.size();
    h.startTime = track.samples.empty() ? 0 : GetSampleU32(&track.samples.front(), FieldTime);
    h.endTime = track.samples.empty() ? 0 : GetSampleU32(&track.samples.back(), FieldTime);
    return h;
}

std::vector<uint8_t> WriteRecording(const Recording& rec) {
    std::vector<uint8_t> bytes;
    if (rec.tracks.size() > UINT16_MAX) return bytes;
    for (const Track& track : rec.tracks) {
        if (track.samples.size() > UINT32_MAX) return bytes;
    }
    FileHeader file = {Version6, 0xFFFFFFFF, 0, rec.header.date, (uint16_t)rec.tracks.size()};
    for (const Track& track : rec.tracks) {
        if (track.samples.empty()) continue;
        TrackHeader h = WrittenHeader(track);
        file.startTime = std::min(file.startTime, h.startTime);
        file.endTime = std::max(file.endTime, h.endTime);
    }
    bytes.resize(FileHeaderSize);
    EncodeFileHeader(bytes.data(), file);
    for (const Track& track : rec.tracks) {
        SampleLayout layout = ComputeSampleLayout(track.header.groups);
        size_t at = bytes.size();
        bytes.resize(at + TrackHeaderSize + track.samples.size() * layout.recordSize);
        EncodeTrackHeader(bytes.data() + at, WrittenHeader(track));
        uint8_t* record = bytes.data() + at + TrackHeaderSize;
        for (const FullSample& sample : track.samples) {
            PackSample(&sample, &layout, track.header.groups, record);
            record += layout.recordSize;
        }
    }
    return bytes;
}

bool WriteRecordingFile(const std::string& path, const Recording& rec, std::string* error) {
    std::vector<uint8_t> bytes = WriteRecording(rec);
    if (bytes.empty()) {
        if (error) *error = "more tracks or samples than the format holds";
        return false;
    }
    FILE* file = fopen(path.c_str(), "wb");
    if (!file) {
        if (error) *error = "cannot be created";
        return false;
    }
    bool ok = fwrite(bytes.data(), 1, bytes.size(), file) == bytes.size();
    ok = fflush(file) == 0 && ok;
    ok = fclose(file) == 0 && ok;
    if (!ok) {
        remove(path.c_str());  // never leave a partial recording behind
        if (error) *error = "write failed";
    }
    return ok;
}

// ---------------------------------------------------------------------------
// Recovery.

bool TempFileObjectId(const std::string& name, uint32_t* objectId) {
    size_t slash = name.find_last_of("/\\");
    std::string base = slash == std::string::npos ? name : name.substr(slash + 1);
    for (char& c : base) c = (char)std::tolower((unsigned char)c);  // Windows names ignore case
    const size_t prefix = 7, suffix = 4;
    if (base.size() <= prefix + suffix || base.compare(0, prefix, "kestrel") != 0 ||
        base.compare(base.size() - suffix, suffix, ".tmp") != 0)
        return false;
    // The module writes the id as a signed decimal number.
    std::string digits = base.substr(prefix, base.size() - prefix - suffix);
    bool negative = digits[0] == '-';
    if (negative) digits.erase(0, 1);
    if (digits.empty() || digits.size() > 10 || digits.find_first_not_of("0123456789") != std::string::npos)
        return false;
    uint64_t value = std::stoull(digits);
    if (negative ? value > 0x80000000ull : value > INT32_MAX) return false;
    *objectId = negative ? (uint32_t)(0 - value) : (uint32_t)value;
    return true;
}

bool RecoverRecording(const std::vector<TempFile>& temps, uint32_t date, Recording* out) {
    *out = Recording();
    struct Found {
        uint32_t id;
        Track track;
    };
    std::vector<Found> found;
    for (const TempFile& temp : temps) {
        uint32_t id = 0;
        if (!TempFileObjectId(temp.name, &id) || temp.bytes.size() < TrackHeaderSize) continue;
        Track track = {};
        track.header = DecodeTrackHeader(temp.bytes.data());
        track.headerOffset = 0;
        track.dataOffset = TrackHeaderSize;
        SampleLayout layout = ComputeSampleLayout(track.header.groups);
        // The provisional header counts nothing: every whole record flushed counts.
        size_t records = (temp.bytes.size() - TrackHeaderSize) / layout.recordSize;
        if (records == 0 || records > UINT32_MAX) continue;
        track.samples.resize(records);
        for (size_t i = 0; i < records; ++i) {
            memset(track.samples[i].bytes, 0, FullSampleSize);
            UnpackSample(temp.bytes.data() + TrackHeaderSize + i * layout.recordSize, &layout, track.header.groups,
                         &track.samples[i]);
        }
        track.header = WrittenHeader(track);
        found.push_back({id, std::move(track)});
    }
    // The user's aircraft first (its temp file is Kestrel1.tmp), then AI aircraft by id.
    std::stable_sort(found.begin(), found.end(), [](const Found& a, const Found& b) {
        return (a.id != 1) < (b.id != 1) || ((a.id != 1) == (b.id != 1) && a.id < b.id);
    });
    if (found.size() > UINT16_MAX) found.resize(UINT16_MAX);
    out->header = {Version6, 0xFFFFFFFF, 0, date, (uint16_t)found.size()};
    for (Found& f : found) {
        out->header.startTime = std::min(out->header.startTime, f.track.header.startTime);
        out->header.endTime = std::max(out->header.endTime, f.track.header.endTime);
        out->tracks.push_back(std::move(f.track));
    }
    return !out->tracks.empty();
}

}  // namespace frc
