// Tracks: one aircraft's sample stream in one of three forms (recording into a temp
// file, memory-only ring, playback window over a recording file), and the TrackTable
// that holds every live track.
#pragma once

#include <cstdint>
#include <cstdio>

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
    uint32_t fileRecords;   // playback: records the file really holds for this track
};

struct TrackTableRecord {
    Track* entries;
    uint16_t count;
    uint16_t capacity;
};
extern TrackTableRecord TrackTable;  // entry 0 is the user's aircraft whenever it has a track

bool OpenTrack(Track* track, uint32_t capacity, FILE* file, uint32_t forReading, uint32_t groups, const char* title,
               uint32_t objectId, uint32_t interval, uint32_t allocate);
bool OpenLegacyTrack(Track* track, uint32_t capacity, FILE* file, uint32_t sampleCount, uint32_t groups,
                     uint32_t endTime, uint32_t objectId, float cgHeight);
bool AllocateTrackBuffer(Track* track);
void LoadTrackWindow(Track* track, uint32_t first);
bool AppendSample(Track* track, const FullSample* full);
bool FinalizeTrackFile(Track* track);
void ReleaseTrackBuffer(Track* track);
bool LinearizeRing(Track* track);

// Returns the index of a new, zeroed entry at the end, or -1 when the table cannot grow.
int AddTrackEntry();
void RemoveTrackEntry(uint32_t index);
// Releases every entry and the table storage (module start and tests).
void ResetTrackTable();
