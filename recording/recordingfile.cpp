// The recording file in the module: reading versions 0x01000004 to 0x01000006 into the
// TrackTable (playback windows stay in the file), writing version 0x01000006 from a
// recording's temp files or from the replay ring. The headers are those of
// recording/frcformat. Readers trust no count further than the file reaches; writers
// go through a small writer that remembers its first failure and is checked once, at
// the close.
#include "recording/recordingfile.h"

#include <algorithm>
#include <cstdio>
#include <cstring>

#include "module/dispatch.h"
#include "module/entry.h"
#include "module/simcommands.h"
#include "platform/files.h"
#include "platform/win32.h"
#include "playback/position.h"
#include "ui/config.h"
#include "ui/dialogs.h"

static const char* const OpenFailedText = "The selected file could not be opened!";
static const char* const DamagedText = "The selected file is damaged or incompatible with this version of Kestrel!";

static void ShowFileError(const char* text, const char* caption) {
    ShowModuleMessage(MainWindow, text, caption, MB_OK | MB_ICONERROR);
}

bool FormatTempFileName(char* out, uint32_t objectId, bool isUser) {
    int length = isUser ? snprintf(out, MAX_PATH, "%sKestrel1.tmp", ModuleDir)
                        : snprintf(out, MAX_PATH, "%sKestrel%d.tmp", ModuleDir, (int)objectId);
    return length > 0 && length < MAX_PATH;
}

bool FormatTrackTempFileName(char* out, const Track* track) {
    return track->tempFileId != 0 && FormatTempFileName(out, track->tempFileId, false);
}

static uint64_t SizeOfFile(FILE* file) {
    long position = ftell(file);
    uint64_t size = 0;
    if (fseek(file, 0, SEEK_END) == 0) {
        long end = ftell(file);
        if (end > 0) size = (uint64_t)end;
    }
    if (position >= 0) fseek(file, position, SEEK_SET);
    return size;
}

// ---------------------------------------------------------------------------
// Reading.

// Height correction of a track played on the user's aircraft: the difference of the
// two aircraft's CG heights above the ground, in altitude units.
static int64_t UserHeightOffset(float trackCgHeight) {
    return CgHeightOffset(GetUserCgHeight(), trackCgHeight);
}

// Drops the entries a refused file added (they are the last ones of the table).
static void RemoveAddedEntries(uint32_t firstAdded) {
    while (TrackTable.count > firstAdded) {
        ReleaseTrackBuffer(&TrackTable.entries[TrackTable.count - 1]);
        RemoveTrackEntry(TrackTable.count - 1);
    }
}

// Reads the rest of a header whose first `have` bytes (the version) are in bytes.
static bool ReadHeaderRest(FILE* file, uint8_t* bytes, size_t have, size_t size) {
    return fread(bytes + have, 1, size - have, file) == size - have;
}

static bool LoadLegacyTracks(FILE* file, uint8_t* bytes, uint32_t asTraffic) {
    if (!ReadHeaderRest(file, bytes, 4, frc::LegacyHeaderSize)) {
        fclose(file);
        ShowFileError(DamagedText, "Invalid file");
        return false;
    }
    frc::LegacyHeader header = frc::DecodeLegacyHeader(bytes);

    int index = AddTrackEntry();
    if (index < 0) {
        fclose(file);
        return false;
    }
    Track* track = &TrackTable.entries[index];
    if (!OpenLegacyTrack(track, TrackBufferRecords, file, header.sampleCount, header.groups, header.endTime, 0,
                         header.cgHeight)) {
        // No whole record: nothing to play, and no track for it. Otherwise the
        // buffer could not be allocated.
        bool empty = track->fileRecords == 0;
        RemoveAddedEntries((uint32_t)index);
        fclose(file);
        return empty;
    }
    bool traffic = asTraffic || index != 0;
    PlaybackStart = 0;
    PlaybackEnd = std::max(PlaybackEnd, track->endTime);
    if (!traffic) track->objectId = UserObjectId;
    if (header.version == frc::Version4) {
        track->heightOffset = 0;
        ZuluStamp = 0;
    } else {
        if (!traffic) track->heightOffset = UserHeightOffset(track->cgHeight);
        ZuluStamp = header.date;
    }
    return true;
}

static bool LoadCurrentTracks(FILE* file, uint8_t* bytes, uint32_t asTraffic) {
    if (!ReadHeaderRest(file, bytes, 4, frc::FileHeaderSize)) {
        fclose(file);
        ShowFileError(DamagedText, "Invalid file");
        return false;
    }
    frc::FileHeader header = frc::DecodeFileHeader(bytes);
    uint32_t fileStart = header.startTime;
    uint32_t fileEnd = header.endTime;
    uint32_t trackCount = header.trackCount;
    uint64_t fileSize = SizeOfFile(file);

    uint32_t firstAdded = TrackTable.count;
    bool traffic = asTraffic != 0;
    bool cut = false;  // the file ends before its last track's records do
    uint32_t readCount = Settings.PlayAIMode != 0 ? std::min<uint32_t>(trackCount, 1) : trackCount;
    for (uint32_t i = 0; i < readCount; ++i) {
        int index = AddTrackEntry();
        if (index < 0) break;  // the table is full: play the tracks that fit
        if (index != 0) traffic = true;
        Track* track = &TrackTable.entries[index];
        if (!OpenTrack(track, TrackBufferRecords, file, 1, 0, nullptr, 0, 0, traffic ? 0 : 1)) {
            // readMode is set once the header has been read, so a track without it
            // is a damaged file; otherwise its buffer could not be allocated.
            bool damaged = track->readMode == 0;
            RemoveAddedEntries(firstAdded);
            fclose(file);
            if (damaged) ShowFileError(DamagedText, "Invalid file");
            return false;
        }
        long next = ftell(file);
        if (next < 0 || (uint64_t)next > fileSize) cut = true;
        if (i == 0 && !traffic) {
            track->objectId = UserObjectId;
            track->heightOffset = UserHeightOffset(track->cgHeight);
        }
    }
    if (TrackTable.count == firstAdded) fclose(file);  // no track shares the stream

    if (cut) {
        // The header's span counts records that are not there: take the span of
        // what was read instead (nothing follows a cut track).
        fileStart = 0xFFFFFFFF;
        fileEnd = 0;
        for (uint32_t i = firstAdded; i < TrackTable.count; ++i) {
            const Track* track = &TrackTable.entries[i];
            if (track->sampleCount == 0) continue;
            fileStart = std::min(fileStart, track->startTime);
            fileEnd = std::max(fileEnd, track->endTime);
        }
    }
    PlaybackStart = std::min(PlaybackStart, fileStart);
    PlaybackEnd = std::max(PlaybackEnd, fileEnd);
    ZuluStamp = header.date;
    return true;
}

bool LoadRecordingFile(const char* path, uint32_t asTraffic) {
    FILE* file = OpenHostFile(path, "rb");
    if (!file) {
        ShowFileError(OpenFailedText, "Kestrel");
        return false;
    }
    uint8_t header[std::max(frc::FileHeaderSize, frc::LegacyHeaderSize)];
    uint32_t version = 0;
    if (fread(header, 1, 4, file) == 4) version = LoadLE32(header);
    if (version == frc::Version4 || version == frc::Version5) return LoadLegacyTracks(file, header, asTraffic);
    if (version == frc::Version6) return LoadCurrentTracks(file, header, asTraffic);
    fclose(file);
    ShowFileError(DamagedText, "Invalid file");
    return false;
}

// ---------------------------------------------------------------------------
// Writing.

struct FileWriter {
    FILE* file;
    bool failed;  // set by the first write or seek that fails; later calls do nothing
};

static void WriteBytes(FileWriter* writer, const void* data, size_t size) {
    if (writer->failed) return;
    if (fwrite(data, 1, size, writer->file) != size) writer->failed = true;
}

static void SeekWriter(FileWriter* writer, long offset) {
    if (!writer->failed && fseek(writer->file, offset, SEEK_SET) != 0) writer->failed = true;
}

// Flushes and closes; true when every write, seek, the flush and the close succeeded.
static bool CloseWriter(FileWriter* writer) {
    if (!writer->failed && (fflush(writer->file) != 0 || ferror(writer->file))) writer->failed = true;
    if (fclose(writer->file) != 0) writer->failed = true;
    writer->file = nullptr;
    return !writer->failed;
}

static void WriteFileHeader(FileWriter* writer, uint32_t startTime, uint32_t endTime, uint32_t date,
                            uint16_t trackCount) {
    uint8_t bytes[frc::FileHeaderSize];
    frc::EncodeFileHeader(bytes, {frc::Version6, startTime, endTime, date, trackCount});
    WriteBytes(writer, bytes, frc::FileHeaderSize);
}

// Copies count bytes from the source's current position; a short read is a failure.
static void CopyFileBytes(FileWriter* writer, FILE* source, uint64_t count) {
    uint8_t chunk[1024];
    while (count > 0 && !writer->failed) {
        size_t size = count < sizeof(chunk) ? (size_t)count : sizeof(chunk);
        if (fread(chunk, 1, size, source) != size) {
            writer->failed = true;
            return;
        }
        WriteBytes(writer, chunk, size);
        count -= size;
    }
}

static bool IsRecordingTrack(const Track* track) { return track->readMode == 0; }

static int FindUserRecordingTrack() {
    for (uint32_t i = 0; i < TrackTable.count; ++i) {
        const Track* track = &TrackTable.entries[i];
        // By its temp file too: the user's aircraft may have got a new object id since.
        if (IsRecordingTrack(track) && (track->objectId == UserObjectId || track->tempFileId == UserTempFileId))
            return (int)i;
    }
    return -1;
}

// Appends one recording track to the output: its header from the track itself and
// its records from its temp file (reopened by name when the track's file was closed).
// A track is left out when it has fewer than two records or its temp file cannot be
// opened; a memory-only track (its temp file was never created) is left out too, as
// a file of its name could only be a stale one. Returns whether it was written.
static bool AppendTrackToFile(FileWriter* writer, Track* track, uint32_t* fileStart, uint32_t* fileEnd) {
    if (track->memoryOnly || track->sampleCount < 2) return false;
    FILE* source = track->file;
    if (!source) {
        char name[MAX_PATH];
        if (!FormatTrackTempFileName(name, track)) return false;
        source = OpenHostFile(name, "rb");
        if (!source) return false;
    } else if (track->buffer && !FinalizeTrackFile(track)) {
        writer->failed = true;
        return false;
    }

    uint32_t recordSize = track->layout.recordSize;
    uint32_t records = CountFileRecords(source, track->dataStart, recordSize, track->sampleCount);
    uint32_t endTime = track->endTime;
    bool written = false;
    if (records < track->sampleCount && records >= 2) {
        // A temp file that stops short (its last write failed): keep what it holds.
        uint8_t time[4];
        long at = (long)track->dataStart + (long)((records - 1) * recordSize + track->layout.offsets[BlockTime]);
        if (fseek(source, at, SEEK_SET) == 0 && fread(time, 1, 4, source) == 4)
            endTime = LoadLE32(time);
        else
            records = 0;
    }
    if (records >= 2 && fseek(source, (long)track->dataStart, SEEK_SET) == 0) {
        uint8_t header[TrackHeaderSize];
        EncodeTrackHeader(header, records, track->groups, track->startTime, endTime, track->title, track->cgHeight,
                          track->interval);
        WriteBytes(writer, header, TrackHeaderSize);
        CopyFileBytes(writer, source, (uint64_t)records * recordSize);
        *fileStart = std::min(*fileStart, track->startTime);
        *fileEnd = std::max(*fileEnd, endTime);
        written = true;
    }
    if (source != track->file) fclose(source);
    else fseek(source, 0, SEEK_END);  // appending goes on where the records end
    return written;
}

void DiscardRecordingTrack(uint32_t index) {
    Track* track = &TrackTable.entries[index];
    if (track->file) fclose(track->file);
    track->file = nullptr;
    char name[MAX_PATH];
    if (FormatTrackTempFileName(name, track)) DeleteFileA(name);
    ReleaseTrackBuffer(track);
    RemoveTrackEntry(index);
}

RecordingFileResult WriteRecordingFile(const char* path) {
    FILE* output = OpenHostFile(path, "wb");
    if (!output) return RecordingFileNotOpened;
    FileWriter writer = {output, false};
    WriteFileHeader(&writer, 0xFFFFFFFF, 0, ZuluStamp, 0);

    uint32_t fileStart = 0xFFFFFFFF;
    uint32_t fileEnd = 0;
    uint32_t trackCount = 0;
    int user = FindUserRecordingTrack();
    if (user >= 0 && AppendTrackToFile(&writer, &TrackTable.entries[user], &fileStart, &fileEnd)) ++trackCount;
    for (uint32_t i = 0; i < TrackTable.count && !writer.failed; ++i) {
        Track* track = &TrackTable.entries[i];
        if ((int)i == user || !IsRecordingTrack(track)) continue;
        if (trackCount == UINT16_MAX) break;
        if (AppendTrackToFile(&writer, track, &fileStart, &fileEnd)) ++trackCount;
    }
    SeekWriter(&writer, 0);
    WriteFileHeader(&writer, fileStart, fileEnd, ZuluStamp, (uint16_t)trackCount);
    if (!CloseWriter(&writer)) {
        DeleteFileA(path);
        return RecordingFileWriteFailed;
    }

    // The file is complete: only now do the temp files and entries go.
    if (user >= 0) DiscardRecordingTrack((uint32_t)user);
    for (uint32_t i = 0; i < TrackTable.count;) {
        if (IsRecordingTrack(&TrackTable.entries[i]))
            DiscardRecordingTrack(i);
        else
            ++i;
    }
    return RecordingFileWritten;
}

RecordingFileResult WriteReplayFile(const char* path, Track* track) {
    FILE* output = OpenHostFile(path, "wb");
    if (!output) return RecordingFileNotOpened;
    LinearizeRing(track);
    uint32_t records = track->buffer ? std::min(track->sampleCount, track->capacity) : 0;
    FileWriter writer = {output, false};
    WriteFileHeader(&writer, track->startTime, track->endTime, ZuluStamp, 1);
    uint8_t header[TrackHeaderSize];
    EncodeTrackHeader(header, records, track->groups, track->startTime, track->endTime, GetUserTitle(),
                      GetUserCgHeight(), track->interval);
    WriteBytes(&writer, header, TrackHeaderSize);
    if (records > 0) WriteBytes(&writer, track->buffer, (size_t)records * track->layout.recordSize);
    if (!CloseWriter(&writer)) {
        DeleteFileA(path);
        return RecordingFileWriteFailed;
    }
    return RecordingFileWritten;
}
