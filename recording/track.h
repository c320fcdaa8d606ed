// Tracks: one aircraft's sample stream in one of three forms (recording into a temp
// file, memory-only ring, playback window over a recording file), and the TrackTable
// that holds every live track.
#pragma once

#include <cstdint>
#include <cstdio>

#include "recording/frcformat.h"
#include "recording/sample.h"

struct Track {
    uint8_t* buffer;        // capacity packed records, or null
    uint32_t capacity;      // records the buffer holds
    uint32_t sampleCount;   // samples in the track
    uint32_t position;      // recording: samples held; playback: index of the current sample
    uint32_t bufferIndex;   // recording: records not yet written / ring slot; playback: slot of current sample
    uint32_t groups;        // SampleGroup set of the records
    SampleLayout layout;    // offsets and record size of groups
    uint32_t memoryOnly;    // 1: no file, the buffer is a ring
    uint32_t readMode;      // 1: playback track read from a recording file
    FILE* file;             // temp file (recording) or recording file (playback)
    uint32_t dataStart;     // file offset of the first sample record
    uint32_t startTime;     // Timeline of the oldest sample
    uint32_t endTime;       // Timeline of the newest sample
    uint32_t objectId;      // simulator object id (or pending creation request id)
    char title[100];        // not terminated when all 100 characters are used
    float cgHeight;         // feet
    int64_t heightOffset;   // playback: metres * 2^32 added to the recorded altitude
    uint32_t interval;      // ms
    uint32_t fileRecords;   // playback: whole records the file really holds for this track (<= the header's count)
};

constexpr uint32_t TrackTitleSize = frc::TitleSize;
constexpr uint32_t TrackHeaderSize = frc::TrackHeaderSize;
constexpr uint32_t TrackBufferRecords = 240;  // capacity of every file-backed track

struct TrackTableRecord {
    Track* entries;
    uint16_t count;
    uint16_t capacity;
};
extern TrackTableRecord TrackTable;  // entry 0 is the user's aircraft whenever it has a track

// Recording form (forReading 0): a fresh track, writing its provisional header to the
// file when there is one (without a file the track is a memory-only ring). Playback
// form (forReading 1): reads the header at the file's position and leaves the file
// at the next track's header; a header that cannot be read whole gives false, and a
// file holding fewer records than announced gives a track of the records present.
bool OpenTrack(Track* track, uint32_t capacity, FILE* file, uint32_t forReading, uint32_t groups, const char* title,
               uint32_t objectId, uint32_t interval, uint32_t allocate);
// Old single-track files: the records start at the file's position. False when the
// buffer cannot be allocated, or when the file holds no whole record (fileRecords is
// then 0 and nothing was allocated): such a file has nothing to play.
bool OpenLegacyTrack(Track* track, uint32_t capacity, FILE* file, uint32_t sampleCount, uint32_t groups,
                     uint32_t endTime, uint32_t objectId, float cgHeight);
bool AllocateTrackBuffer(Track* track);
// Reads up to capacity records from sample index first on, never past fileRecords.
void LoadTrackWindow(Track* track, uint32_t first);
// False when nothing was stored, also when the full buffer could not be written to
// the temp file; the buffer is then kept whole and the next append writes it again.
bool AppendSample(Track* track, const FullSample* full);
// Bounds what a crash can lose: when the oldest record a recording track has not yet
// written to its temp file is at least 30 s older than now (Timeline), writes them out
// and brings the temp file's header up to date. False when the records could not be
// written; they then stay buffered for the next attempt.
bool WriteOutAgedRecords(Track* track, uint32_t now);
// Writes the buffered records and the header to the temp file. False when that
// fails; the track stays as it was, so a later call can try again.
bool FinalizeTrackFile(Track* track);
void ReleaseTrackBuffer(Track* track);
bool LinearizeRing(Track* track);

// The entry of an object id, null when none has it.
Track* FindTrack(uint32_t objectId);
// Returns the index of a new, zeroed entry at the end, or -1 when the table cannot grow.
int AddTrackEntry();
void RemoveTrackEntry(uint32_t index);
// Releases every entry and the table storage (module start and tests).
void ResetTrackTable();

// The 124-byte track header of these values (frc::EncodeTrackHeader). The title is read
// up to its terminator or 100 characters, whichever comes first, and padded with zeros.
void EncodeTrackHeader(uint8_t* out, uint32_t sampleCount, uint32_t groups, uint32_t startTime, uint32_t endTime,
                       const char* title, float cgHeight, uint32_t interval);
// Whole records of recordSize between dataStart and the end of the file, at most
// announced (moves the file position).
uint32_t CountFileRecords(FILE* file, uint32_t dataStart, uint32_t recordSize, uint32_t announced);
