// Describes .frc files (versions 0x01000004 to 0x01000006) for the transcript, as the
// format library reads them.
#include "tools/kestrel-host/frcdump.h"

#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <sstream>
#include <vector>

#include "recording/frcformat.h"

namespace {

std::string GroupNames(uint32_t groups) {
    static const char* const Names[12] = {"Throttles", "Elev/Ailr/Rud", "Spoilers",     "Flaps",
                                          "Gear",      "Lights",        "Engines",      "Nav radios",
                                          "Com radios", "Prop/Mixture", "Date/time",    "Smoke"};
    std::string text;
    for (int bit = 0; bit < 12; ++bit) {
        if (!(groups & (1u << bit))) continue;
        if (!text.empty()) text += ", ";
        text += Names[bit];
    }
    char mask[16];
    std::snprintf(mask, sizeof(mask), "0x%03X", groups);
    return std::string(mask) + (text.empty() ? "" : " (" + text + ")");
}

std::string RecordingDate(uint32_t stamp) {
    frc::DateTime d = frc::SplitDate(stamp);
    char text[64];
    std::snprintf(text, sizeof(text), "%04u-%02u-%02u (day %u), %02u:%02u:%02u UTC", d.year, d.month, d.day,
                  d.dayOfYear, d.hour, d.minute, d.second);
    return text;
}

std::string Seconds(uint32_t ticks) {
    char text[32];
    std::snprintf(text, sizeof(text), "%.1f s", ticks / 10000.0);
    return text;
}

}  // namespace

std::string DescribeRecordingFile(const std::string& hostPath, const std::string& shownName) {
    // A folder opens as a stream too, and reading it then throws: only files are read.
    std::error_code error;
    bool isFile = std::filesystem::is_regular_file(hostPath, error);
    std::ifstream in;
    if (isFile) in.open(hostPath, std::ios::binary);
    std::ostringstream out;
    if (!isFile || !in) {
        out << "file " << shownName << ": cannot be read\n";
        return out.str();
    }
    std::vector<uint8_t> bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    out << "file " << shownName << ": " << bytes.size() << " bytes\n";
    frc::Recording rec;
    frc::Problem refusal;
    if (!frc::ReadRecording(bytes.data(), bytes.size(), &rec, &refusal)) {
        out << "  damaged: " << refusal.what << "\n";
        return out.str();
    }
    char version[16];
    std::snprintf(version, sizeof(version), "0x%08X", rec.header.version);
    if (rec.header.version != frc::Version6) {
        const frc::Track& track = rec.tracks[0];
        out << "  version " << version << " (one track), CG height " << track.header.cgHeight << " ft\n";
        out << "  track 1: " << track.header.sampleCount << " samples";
        if (track.samples.size() < track.header.sampleCount) out << " (the file holds " << track.samples.size() << ")";
        out << ", end " << Seconds(track.header.endTime) << ", groups " << GroupNames(track.header.groups) << "\n";
        return out.str();
    }
    out << "  version " << version << ", " << rec.header.trackCount << " tracks, from "
        << Seconds(rec.header.startTime) << " to " << Seconds(rec.header.endTime) << ", recorded "
        << RecordingDate(rec.header.date) << "\n";
    for (size_t i = 0; i < rec.tracks.size(); ++i) {
        const frc::TrackHeader& h = rec.tracks[i].header;
        out << "  track " << i + 1 << ": \"" << h.title << "\", " << h.sampleCount << " samples, "
            << Seconds(h.startTime) << " to " << Seconds(h.endTime) << ", interval " << h.interval << " ms, groups "
            << GroupNames(h.groups) << "\n";
        if (rec.tracks[i].samples.size() < h.sampleCount)
            out << "  track " << i + 1 << ": damaged, its samples are cut short (the file holds "
                << rec.tracks[i].samples.size() << ")\n";
    }
    return out.str();
}
