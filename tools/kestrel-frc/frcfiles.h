// The files of the commands: reading a recording (a refusal becomes an InputError that
// names the file, what and the byte), writing outputs whole, choosing tracks, and the
// progress line of long conversions.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

#include "recording/frcformat.h"

// "flight.frc: track 2 header cut at byte 160 (124 bytes needed)".
std::string DescribeProblem(const std::string& path, const frc::Problem& problem);
frc::Recording LoadRecording(const std::string& path);
// The whole file; an InputError when it cannot be read.
std::vector<uint8_t> ReadFileBytes(const std::string& path);
// "2 tracks, 480 samples, 12.0000 s to 72.0000 s": what a written recording holds.
std::string SummarizeRecording(const frc::Recording& recording);

// Writes the bytes as the whole file; on failure nothing half-written stays behind and
// an InputError names the file and the reason.
void WriteOutputFile(const std::string& path, const std::string& bytes);
void WriteRecordingOutput(const std::string& path, const frc::Recording& recording);

// Indices of the tracks a command works on: all of them, or track `number` (1-based)
// when it is not 0; a number the file does not have is a usage error.
std::vector<size_t> SelectTracks(const frc::Recording& recording, const std::string& path, size_t number);

// A line on stderr that counts up while a long job runs, shown only when stderr is a
// terminal (so logs and pipes stay clean); erased again by EndProgress.
struct Progress {
    std::string label;
    size_t total = 0;
    int shown = -1;  // the percentage on screen, -1 before the first
    bool active = false;
};
Progress StartProgress(const std::string& label, size_t total);
void ShowProgress(Progress* progress, size_t done);
void EndProgress(Progress* progress);
