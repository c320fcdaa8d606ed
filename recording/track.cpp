// Tracks and the TrackTable. A recording track writes its 240-record buffer to its
// temp file at a fixed place (dataStart + records already written), so a write that
// failed can simply be repeated; a playback track reads windows of records and never
// reads past the records its file really holds; the replay ring stays in memory.
#include "recording/track.h"

#include <algorithm>
#include <climits>
#include <cstdlib>
#include <cstring>

#include "module/simcommands.h"
#include "recording/recorder.h"

TrackTableRecord TrackTable;

static_assert(sizeof(Track::title) == TrackTitleSize, "title field width");

// ---------------------------------------------------------------------------
// File helpers. Offsets beyond what a long can address are refused rather than
// truncated.

static bool SeekFile(FILE* file, uint64_t offset) {
    if (offset > (uint64_t)LONG_MAX) return false;
    return fseek(file, (long)offset, SEEK_SET) == 0;
}

static uint64_t FileSize(FILE* file) {
    if (fseek(file, 0, SEEK_END) != 0) return 0;
    long size = ftell(file);
    return size < 0 ? 0 : (uint64_t)size;
}

uint32_t CountFileRecords(FILE* file, uint32_t dataStart, uint32_t recordSize, uint32_t announced) {
    uint64_t size = FileSize(file);
    if (size <= dataStart || recordSize == 0) return 0;
    uint64_t present = (size - dataStart) / recordSize;
    return present < announced ? (uint32_t)present : announced;
}

// Writes count records at a fixed place and flushes, so a failure shows here and not
// at some later call; the stream's error state is cleared for the next attempt.
static bool WriteRecordsAt(FILE* file, uint64_t offset, const uint8_t* records, uint32_t count, uint32_t recordSize) {
    bool ok = SeekFile(file, offset);
    if (ok && count > 0) ok = fwrite(records, recordSize, count, file) == count;
    if (ok) ok = fflush(file) == 0 && !ferror(file);
    if (!ok) clearerr(file);
    return ok;
}

static uint64_t RecordOffset(const Track* track, uint32_t index) {
    return (uint64_t)track->dataStart + (uint64_t)index * track->layout.recordSize;
}

static uint32_t RecordTime(const Track* track, const uint8_t* record) {
    return LoadLE32(record + track->layout.offsets[BlockTime]);
}

static bool AllocateBuffer(Track* track) {
    if (track->capacity == 0 || track->layout.recordSize == 0) return false;
    track->buffer = (uint8_t*)calloc(track->capacity, track->layout.recordSize);
    return track->buffer != nullptr;
}

// ---------------------------------------------------------------------------
// The track header.

void EncodeTrackHeader(uint8_t* out, uint32_t sampleCount, uint32_t groups, uint32_t startTime, uint32_t endTime,
                       const char* title, float cgHeight, uint32_t interval) {
    frc::TrackHeader header = {sampleCount, groups, startTime, endTime, {}, cgHeight, interval};
    frc::SetTitle(&header, title);
    frc::EncodeTrackHeader(out, header);
}

static bool WriteTrackHeaderAt(const Track* track, uint64_t offset) {
    uint8_t header[TrackHeaderSize];
    EncodeTrackHeader(header, track->sampleCount, track->groups, track->startTime, track->endTime, track->title,
                      track->cgHeight, track->interval);
    return WriteRecordsAt(track->file, offset, header, 1, TrackHeaderSize);
}

// ---------------------------------------------------------------------------
// Opening tracks.

bool OpenTrack(Track* track, uint32_t capacity, FILE* file, uint32_t forReading, uint32_t groups, const char* title,
               uint32_t objectId, uint32_t interval, uint32_t allocate) {
    if (forReading) {
        if (!file) return false;
        long headerStart = ftell(file);
        uint8_t bytes[TrackHeaderSize];
        if (headerStart < 0 || fread(bytes, 1, TrackHeaderSize, file) != TrackHeaderSize) return false;
        frc::TrackHeader header = frc::DecodeTrackHeader(bytes);
        *track = Track();
        track->sampleCount = header.sampleCount;
        track->groups = header.groups;
        track->startTime = header.startTime;
        track->endTime = header.endTime;
        memcpy(track->title, header.title, TrackTitleSize);
        track->cgHeight = header.cgHeight;
        track->interval = header.interval;
        track->readMode = 1;
        track->file = file;
        track->dataStart = (uint32_t)headerStart + TrackHeaderSize;
        track->objectId = objectId;
        track->layout = ComputeSampleLayout(track->groups);
        track->capacity = capacity;
        uint32_t announced = track->sampleCount;
        track->fileRecords = CountFileRecords(file, track->dataStart, track->layout.recordSize, announced);
        if (track->fileRecords < announced) {
            // A cut-off file: play what is there. Without any record the span is
            // empty (start after end), so no frame ever falls inside it.
            track->sampleCount = track->fileRecords;
            uint8_t time[4];
            if (track->fileRecords > 0 &&
                SeekFile(file, RecordOffset(track, track->fileRecords - 1) + track->layout.offsets[BlockTime]) &&
                fread(time, 1, 4, file) == 4) {
                track->endTime = LoadLE32(time);
            } else {
                track->sampleCount = track->fileRecords = 0;
                track->startTime = 0xFFFFFFFF;
                track->endTime = 0;
            }
        }
        bool ok = true;
        if (allocate) {
            ok = AllocateBuffer(track);
            if (ok) LoadTrackWindow(track, 0);
        }
        // Leave the file where the next header begins; past the end when that lies
        // beyond what can be addressed, so reading it fails as for a short file.
        if (!SeekFile(file, RecordOffset(track, 0) + (uint64_t)announced * track->layout.recordSize))
            fseek(file, 1, SEEK_END);
        return ok;
    }

    *track = Track();
    track->groups = groups;
    frc::CopyTitle(track->title, title);
    track->objectId = objectId;
    track->interval = interval;
    track->layout = ComputeSampleLayout(groups);
    track->capacity = capacity;
    if (file) {
        long headerStart = ftell(file);
        if (headerStart < 0) headerStart = 0;
        track->file = file;
        track->dataStart = (uint32_t)headerStart + TrackHeaderSize;
        // A failed provisional header is repaired by FinalizeTrackFile, which writes
        // the header again at the same place.
        WriteTrackHeaderAt(track, (uint64_t)headerStart);
    } else {
        track->memoryOnly = 1;
    }
    if (allocate) return AllocateBuffer(track);
    return true;
}

bool OpenLegacyTrack(Track* track, uint32_t capacity, FILE* file, uint32_t sampleCount, uint32_t groups,
                     uint32_t endTime, uint32_t objectId, float cgHeight) {
    if (!file) return false;
    long dataStart = ftell(file);
    if (dataStart < 0) return false;
    *track = Track();
    track->sampleCount = sampleCount;
    track->groups = groups;
    track->cgHeight = cgHeight;
    track->objectId = objectId;
    track->endTime = endTime;
    frc::CopyTitle(track->title, GetUserTitle());
    track->readMode = 1;
    track->file = file;
    track->dataStart = (uint32_t)dataStart;
    track->layout = ComputeSampleLayout(groups);
    track->capacity = capacity;
    // The end time is taken from the last record, so there must be one; the count
    // is trusted only as far as the file reaches.
    track->fileRecords = CountFileRecords(file, track->dataStart, track->layout.recordSize, sampleCount);
    track->sampleCount = track->fileRecords;
    if (track->fileRecords == 0) return false;
    if (!AllocateBuffer(track)) return false;
    if (!SeekFile(file, RecordOffset(track, track->fileRecords - 1)) ||
        fread(track->buffer, track->layout.recordSize, 1, file) != 1) {
        ReleaseTrackBuffer(track);
        return false;
    }
    track->endTime = RecordTime(track, track->buffer);
    LoadTrackWindow(track, 0);
    return true;
}

bool AllocateTrackBuffer(Track* track) {
    if (track->buffer) return false;
    if (!AllocateBuffer(track)) return false;
    track->bufferIndex = 0;
    track->position = 0;
    if (track->readMode && !track->memoryOnly) LoadTrackWindow(track, 0);
    return true;
}

void LoadTrackWindow(Track* track, uint32_t first) {
    if (!track->buffer || !track->file || first >= track->fileRecords) return;
    uint32_t count = std::min(track->capacity, track->fileRecords - first);
    if (!SeekFile(track->file, RecordOffset(track, first))) return;
    // A short read leaves the rest of the buffer as it was; fileRecords keeps every
    // record asked for inside the file.
    if (fread(track->buffer, track->layout.recordSize, count, track->file) != count) clearerr(track->file);
}

// ---------------------------------------------------------------------------
// Recording.

bool AppendSample(Track* track, const FullSample* full) {
    if (!track->buffer || track->readMode || track->position != track->sampleCount || track->capacity == 0)
        return false;
    if (track->bufferIndex >= track->capacity) {
        if (!track->memoryOnly) {
            if (!track->file) return false;
            uint32_t written = track->position - track->bufferIndex;
            if (!WriteRecordsAt(track->file, RecordOffset(track, written), track->buffer, track->bufferIndex,
                                track->layout.recordSize))
                return false;
        }
        track->bufferIndex = 0;  // a ring thereby overwrites its oldest record
    }
    uint8_t* slot = track->buffer + (size_t)track->bufferIndex * track->layout.recordSize;
    PackSample(full, &track->layout, track->groups, slot);
    // The next record lands beside this one a sample later, after every other track's
    // record: its lines are fetched now, so that write does not wait on memory.
    if (track->bufferIndex + 1 < track->capacity) {
        const uint8_t* next = slot + track->layout.recordSize;
        for (uint32_t at = 0; at < track->layout.recordSize; at += 64) __builtin_prefetch(next + at, 1);
    }
    uint32_t time = GetSampleU32(full, FieldTime);
    if (track->position == 0) track->startTime = time;
    track->endTime = time;
    track->bufferIndex += 1;
    track->position += 1;
    if (track->memoryOnly && track->position > track->capacity) {
        track->position = track->capacity;
        uint32_t oldest = track->bufferIndex == track->capacity ? 0 : track->bufferIndex;
        track->startTime = RecordTime(track, track->buffer + (size_t)oldest * track->layout.recordSize);
    }
    track->sampleCount = track->position;
    return true;
}

bool WriteOutAgedRecords(Track* track, uint32_t now) {
    const uint32_t MaxUnwrittenAge = 300000;  // 30 s in 1/10000 s
    if (!track->buffer || track->memoryOnly || track->readMode || !track->file || track->bufferIndex == 0) return true;
    if (now - RecordTime(track, track->buffer) < MaxUnwrittenAge) return true;
    uint32_t written = track->sampleCount - track->bufferIndex;
    if (!WriteRecordsAt(track->file, RecordOffset(track, written), track->buffer, track->bufferIndex,
                        track->layout.recordSize))
        return false;
    track->bufferIndex = 0;
    // Now the header matches the records on disk (count, times, title, CG height), so a
    // recovery after a crash finds them described. A failure here costs nothing: the
    // save writes its own header, and a recovery counts the records itself.
    WriteTrackHeaderAt(track, track->dataStart - TrackHeaderSize);
    return true;
}

bool FinalizeTrackFile(Track* track) {
    if (!track->buffer || track->memoryOnly || track->readMode || !track->file) return false;
    uint32_t written = track->sampleCount - track->bufferIndex;
    if (!WriteRecordsAt(track->file, RecordOffset(track, written), track->buffer, track->bufferIndex,
                        track->layout.recordSize))
        return false;
    if (!WriteTrackHeaderAt(track, track->dataStart - TrackHeaderSize)) return false;
    if (!SeekFile(track->file, RecordOffset(track, track->sampleCount))) return false;
    track->bufferIndex = 0;
    return true;
}

void ReleaseTrackBuffer(Track* track) {
    free(track->buffer);
    track->buffer = nullptr;
}

bool LinearizeRing(Track* track) {
    if (!track->memoryOnly) return false;
    if (!track->buffer || track->sampleCount < track->capacity) return true;
    uint32_t recordSize = track->layout.recordSize;
    uint8_t* begin = track->buffer;
    uint8_t* end = begin + (size_t)track->capacity * recordSize;
    uint32_t oldest = std::min(track->bufferIndex, track->capacity);
    std::rotate(begin, begin + (size_t)oldest * recordSize, end);
    uint32_t base = track->startTime;
    for (uint8_t* record = begin; record < end; record += recordSize) {
        uint8_t* time = record + track->layout.offsets[BlockTime];
        StoreLE32(time, LoadLE32(time) - base);
    }
    Timeline -= base;
    track->endTime -= base;
    track->startTime = 0;
    track->bufferIndex = 0;
    return true;
}

// ---------------------------------------------------------------------------
// The table.

// The entry after the last one found. Callers go through the aircraft in table order
// (the sample requests, their replies, the discovery of AI aircraft), so the search
// mostly ends at its first step. A non-zero object id is in at most one entry, so
// where the search starts does not change what it finds.
static uint32_t FindTrackStart = 0;

Track* FindTrack(uint32_t objectId) {
    uint32_t count = TrackTable.count;
    uint32_t i = objectId != 0 && FindTrackStart < count ? FindTrackStart : 0;
    for (uint32_t steps = 0; steps < count; ++steps) {
        if (TrackTable.entries[i].objectId == objectId) {
            FindTrackStart = i + 1;
            return &TrackTable.entries[i];
        }
        i = i + 1 < count ? i + 1 : 0;
    }
    return nullptr;
}

int AddTrackEntry() {
    if (TrackTable.count == TrackTable.capacity) {
        uint32_t grown = std::min<uint32_t>(TrackTable.capacity + 10u, UINT16_MAX);
        if (grown == TrackTable.capacity) return -1;  // the 16-bit count is exhausted
        Track* entries = (Track*)realloc(TrackTable.entries, grown * sizeof(Track));
        if (!entries) return -1;
        TrackTable.entries = entries;
        TrackTable.capacity = (uint16_t)grown;
    }
    TrackTable.entries[TrackTable.count] = Track();
    TrackTable.count += 1;
    return TrackTable.count - 1;
}

void RemoveTrackEntry(uint32_t index) {
    if (index >= TrackTable.count) return;
    TrackTable.count -= 1;
    TrackTable.entries[index] = TrackTable.entries[TrackTable.count];
    TrackTable.entries[TrackTable.count] = Track();
    if (TrackTable.capacity < 10 || TrackTable.count > TrackTable.capacity - 10) return;
    uint32_t shrunk = TrackTable.capacity - 10u;
    if (shrunk == 0) {
        free(TrackTable.entries);
        TrackTable.entries = nullptr;
    } else {
        Track* entries = (Track*)realloc(TrackTable.entries, shrunk * sizeof(Track));
        if (!entries) return;  // the larger array stays valid
        TrackTable.entries = entries;
    }
    TrackTable.capacity = (uint16_t)shrunk;
}

void ResetTrackTable() {
    for (uint32_t i = 0; i < TrackTable.count; ++i) {
        Track* track = &TrackTable.entries[i];
        ReleaseTrackBuffer(track);
        if (!track->file) continue;
        // Tracks of one recording file share its stream: close it once.
        FILE* file = track->file;
        for (uint32_t j = i; j < TrackTable.count; ++j) {
            if (TrackTable.entries[j].file == file) TrackTable.entries[j].file = nullptr;
        }
        fclose(file);
    }
    free(TrackTable.entries);
    TrackTable = TrackTableRecord();
    FindTrackStart = 0;
}
