// The recording file (".frc"): loading its tracks into the TrackTable for playback,
// joining a recording's temp files into one file, saving the replay ring, and the
// names of the temp files. The byte layout lives in recording/frcformat.
#pragma once

#include <cstdint>

#include "recording/track.h"

// Adds the file's tracks to the TrackTable as playback tracks sharing the file's one
// stream, widening PlaybackStart/PlaybackEnd and setting ZuluStamp. The first track
// plays on the user's aircraft unless asTraffic is set or the table already held an
// entry. A file that cannot be opened, has another version or is damaged gets its
// message box and adds no track (false).
bool LoadRecordingFile(const char* path, uint32_t asTraffic);

// Result of writing a recording file; the caller tells the user about a failure.
enum RecordingFileResult : int {
    RecordingFileNotOpened = 0,    // the output could not be created; nothing was written
    RecordingFileWritten = 1,
    RecordingFileWriteFailed = 2,  // a write or the close failed; the partial file is deleted
};

// Joins every recording-form track of the TrackTable (the user's first) into one
// file; tracks of fewer than two samples are left out. Only when the file has been
// written and closed whole are the temp files deleted and the entries removed; after
// a failure every recording track is as it was, its temp file intact, so the
// recording can go on or be saved again.
RecordingFileResult WriteRecordingFile(const char* path);

// Saves the memory-only replay track (rebased to start at 0) as a one-track file
// with the user's current title and CG height.
RecordingFileResult WriteReplayFile(const char* path, Track* track);

// The temp file of a recording track: "<ModuleDir>Kestrel1.tmp" for the user's
// aircraft, "<ModuleDir>Kestrel<objectId>.tmp" for an AI aircraft. out holds MAX_PATH
// characters; false when the name does not fit (no such file can then be used).
bool FormatTempFileName(char* out, uint32_t objectId, bool isUser);
constexpr uint32_t UserTempFileId = 1;  // the user's aircraft's temp file is "Kestrel1.tmp"
// The temp file a recording track was created with (its tempFileId), whatever its
// object id has become since; false when it has none.
bool FormatTrackTempFileName(char* out, const Track* track);
// Closes and deletes a recording track's temp file, frees its buffer and removes its
// table entry.
void DiscardRecordingTrack(uint32_t index);
