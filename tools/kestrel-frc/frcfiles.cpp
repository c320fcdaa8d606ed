// Reading recordings, writing outputs and the progress line for the commands.
#include "tools/kestrel-frc/frcfiles.h"

#include <cstdio>
#include <fstream>
#ifdef _WIN32
#include <io.h>
#define KESTREL_ISATTY _isatty
#else
#include <unistd.h>
#define KESTREL_ISATTY isatty
#endif

#include <iterator>

#include "tools/kestrel-frc/commands.h"
#include "tools/kestrel-frc/textformat.h"

std::string DescribeProblem(const std::string& path, const frc::Problem& problem) {
    // The library's texts usually say where already ("... cut at byte 12 ...").
    if (problem.what.find("byte") != std::string::npos) return path + ": " + problem.what;
    return path + ": " + problem.what + " at byte " + std::to_string(problem.offset);
}

frc::Recording LoadRecording(const std::string& path) {
    frc::Recording recording;
    frc::Problem refusal;
    if (!frc::ReadRecordingFile(path, &recording, &refusal)) throw InputError(DescribeProblem(path, refusal));
    return recording;
}

std::vector<uint8_t> ReadFileBytes(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in) throw InputError(path + ": cannot open the file");
    std::vector<uint8_t> bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    if (in.bad()) throw InputError(path + ": cannot read the file");
    return bytes;
}

std::string SummarizeRecording(const frc::Recording& recording) {
    size_t samples = 0;
    uint32_t start = 0xFFFFFFFFu, end = 0;
    for (const frc::Track& track : recording.tracks) {
        samples += track.samples.size();
        for (const FullSample& sample : track.samples) {
            uint32_t time = GetSampleU32(&sample, FieldTime);
            if (time < start) start = time;
            if (time > end) end = time;
        }
    }
    std::string text = std::to_string(recording.tracks.size()) + " track(s), " + std::to_string(samples) + " samples";
    if (samples > 0) text += ", " + FormatSeconds(start) + " s to " + FormatSeconds(end) + " s";
    return text;
}

void WriteOutputFile(const std::string& path, const std::string& bytes) {
    bool written = false;
    {
        std::ofstream out(path, std::ios::binary | std::ios::trunc);
        if (out) {
            out.write(bytes.data(), (std::streamsize)bytes.size());
            out.flush();
            written = (bool)out;
        } else {
            throw InputError(path + ": cannot create the file");
        }
    }
    if (!written) {
        std::remove(path.c_str());
        throw InputError(path + ": cannot write the file (disk full?)");
    }
}

void WriteRecordingOutput(const std::string& path, const frc::Recording& recording) {
    std::string error;
    if (!frc::WriteRecordingFile(path, recording, &error)) {
        std::remove(path.c_str());
        throw InputError(path + ": " + (error.empty() ? std::string("cannot write the file") : error));
    }
}

std::vector<size_t> SelectTracks(const frc::Recording& recording, const std::string& path, size_t number) {
    std::vector<size_t> tracks;
    if (number != 0) {
        if (number > recording.tracks.size())
            throw UsageError(path + " has " + std::to_string(recording.tracks.size()) + " track(s), not track " +
                             std::to_string(number));
        tracks.push_back(number - 1);
        return tracks;
    }
    for (size_t i = 0; i < recording.tracks.size(); ++i) tracks.push_back(i);
    return tracks;
}

Progress StartProgress(const std::string& label, size_t total) {
    Progress progress;
    progress.label = label;
    progress.total = total;
    progress.active = total > 0 && KESTREL_ISATTY(2);
    return progress;
}

void ShowProgress(Progress* progress, size_t done) {
    if (!progress->active) return;
    int percent = (int)(done * 100 / progress->total);
    if (percent == progress->shown) return;
    progress->shown = percent;
    fprintf(stderr, "\r%s: %3d %%", progress->label.c_str(), percent);
    fflush(stderr);
}

void EndProgress(Progress* progress) {
    if (!progress->active || progress->shown < 0) return;
    // Blank the line so the next output starts clean.
    fprintf(stderr, "\r%*s\r", (int)progress->label.size() + 8, "");
    fflush(stderr);
    progress->shown = -1;
}
