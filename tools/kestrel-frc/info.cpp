// The info command: what a recording holds, file by file and track by track, as text
// or as JSON (--json, an array with one object per file).
#include <cmath>
#include <cstdio>

#include <nlohmann/json.hpp>

#include "tools/kestrel-frc/commands.h"
#include "tools/kestrel-frc/frcfiles.h"
#include "tools/kestrel-frc/geo.h"
#include "tools/kestrel-frc/textformat.h"

namespace {

const char* const GroupNames[12] = {"throttles", "controls",  "spoilers",   "flaps",      "gear",      "lights",
                                    "engines",   "nav radios", "com radios", "prop/mixture", "date/time", "smoke"};

struct TrackFigures {
    uint32_t startTime = 0, endTime = 0;  // of the samples the file holds
    double distance = 0;                  // metres along the path
    double highest = 0;                   // metres
    double topGroundSpeed = 0;            // knots, from the recorded velocities
};

TrackFigures MeasureTrack(const frc::Track& track) {
    TrackFigures figures;
    if (track.samples.empty()) return figures;
    figures.startTime = GetSampleU32(&track.samples.front(), FieldTime);
    figures.endTime = GetSampleU32(&track.samples.back(), FieldTime);
    figures.highest = -HUGE_VAL;
    const double knotsPerFootPerSecond = MetersPerFoot * 3600.0 / MetersPerNauticalMile;
    for (size_t i = 0; i < track.samples.size(); ++i) {
        const FullSample* s = &track.samples[i];
        double latitude = LatitudeToDegrees(GetSampleI64(s, FieldLatitude));
        double longitude = LongitudeToDegrees(GetSampleI64(s, FieldLongitude));
        if (i > 0) {
            const FullSample* p = &track.samples[i - 1];
            figures.distance += DistanceMeters(LatitudeToDegrees(GetSampleI64(p, FieldLatitude)),
                                               LongitudeToDegrees(GetSampleI64(p, FieldLongitude)), latitude,
                                               longitude);
        }
        figures.highest = std::fmax(figures.highest, AltitudeToMeters(GetSampleI64(s, FieldAltitude)));
        double speed = std::hypot(GetSampleF64(s, FieldVelocityX), GetSampleF64(s, FieldVelocityZ));
        if (std::isfinite(speed)) figures.topGroundSpeed = std::fmax(figures.topGroundSpeed, speed * knotsPerFootPerSecond);
    }
    return figures;
}

std::string GroupList(uint32_t groups) {
    std::string list;
    for (int bit = 0; bit < 12; ++bit) {
        if (!(groups & (1u << bit))) continue;
        if (!list.empty()) list += ", ";
        list += GroupNames[bit];
    }
    return list.empty() ? "none" : list;
}

std::string Hex(uint32_t value, int width) {
    std::string text;
    for (int i = width - 1; i >= 0; --i) text += "0123456789ABCDEF"[(value >> (4 * i)) & 0xF];
    return "0x" + text;
}

// Times as seconds of the recording with their UTC moment.
std::string Moment(uint32_t date, uint32_t time) {
    return FormatSeconds(time) + " s (" + FormatUtc(date, time, 0) + ")";
}

std::string DescribeText(const std::string& path, const frc::Recording& recording) {
    const frc::FileHeader& h = recording.header;
    std::string out = path + ": version " + Hex(h.version, 8) + ", recorded " + FormatUtc(h.date, 0, 0) + ", " +
                      std::to_string(recording.tracks.size()) + " track(s)\n";
    out += "  span " + Moment(h.date, h.startTime) + " to " + Moment(h.date, h.endTime) + "\n";
    for (size_t i = 0; i < recording.tracks.size(); ++i) {
        const frc::Track& track = recording.tracks[i];
        TrackFigures figures = MeasureTrack(track);
        out += "track " + std::to_string(i + 1) + ": \"" + TitleText(track.header.title) + "\"" +
               (i == 0 ? " (user aircraft)" : " (traffic)") + "\n";
        out += "  samples " + std::to_string(track.samples.size());
        if (track.samples.size() != track.header.sampleCount)
            out += " (the header announces " + std::to_string(track.header.sampleCount) + ")";
        out += ", interval " + std::to_string(track.header.interval) + " ms\n";
        if (!track.samples.empty())
            out += "  from " + Moment(h.date, figures.startTime) + " to " + Moment(h.date, figures.endTime) + "\n";
        out += "  groups " + Hex(track.header.groups, 3) + " (" + GroupList(track.header.groups) + ")\n";
        out += "  CG height " + FormatFixed(track.header.cgHeight, 2) + " ft\n";
        if (!track.samples.empty())
            out += "  distance " + FormatFixed(figures.distance / MetersPerNauticalMile, 2) + " nm (" +
                   FormatFixed(figures.distance / 1000.0, 2) + " km), highest " +
                   FormatFixed(figures.highest / MetersPerFoot, 0) + " ft (" + FormatFixed(figures.highest, 1) +
                   " m), top ground speed " + FormatFixed(figures.topGroundSpeed, 1) + " kt\n";
    }
    return out;
}

// A figure rounded as the text shows it, as a JSON number.
double Rounded(double value, int decimals) {
    double rounded = 0;
    ParseDouble(FormatFixed(value, decimals), &rounded);
    return rounded;
}

nlohmann::ordered_json DescribeJson(const std::string& path, const frc::Recording& recording) {
    const frc::FileHeader& h = recording.header;
    nlohmann::ordered_json file;
    file["file"] = path;
    file["version"] = Hex(h.version, 8);
    file["date"] = FormatUtc(h.date, 0, 0);
    file["start_s"] = h.startTime / 10000.0;
    file["end_s"] = h.endTime / 10000.0;
    file["tracks"] = nlohmann::ordered_json::array();
    for (size_t i = 0; i < recording.tracks.size(); ++i) {
        const frc::Track& track = recording.tracks[i];
        TrackFigures figures = MeasureTrack(track);
        nlohmann::ordered_json t;
        t["number"] = i + 1;
        t["title"] = TitleText(track.header.title);
        t["samples"] = track.samples.size();
        t["announced_samples"] = track.header.sampleCount;
        t["start_s"] = figures.startTime / 10000.0;
        t["end_s"] = figures.endTime / 10000.0;
        t["start_utc"] = FormatUtc(h.date, figures.startTime, 3);
        t["end_utc"] = FormatUtc(h.date, figures.endTime, 3);
        t["interval_ms"] = track.header.interval;
        t["groups"] = track.header.groups;
        t["group_names"] = nlohmann::ordered_json::array();
        for (int bit = 0; bit < 12; ++bit)
            if (track.header.groups & (1u << bit)) t["group_names"].push_back(GroupNames[bit]);
        t["cg_height_ft"] = std::isfinite(track.header.cgHeight) ? nlohmann::ordered_json(Rounded(track.header.cgHeight, 2))
                                                                 : nlohmann::ordered_json();
        t["distance_m"] = Rounded(figures.distance, 1);
        t["highest_m"] = Rounded(figures.highest, 1);
        t["top_ground_speed_kt"] = Rounded(figures.topGroundSpeed, 1);
        file["tracks"].push_back(t);
    }
    return file;
}

}  // namespace

void AddInfoCommand(CLI::App& app) {
    struct Options {
        std::vector<std::string> files;
        bool json = false;
    };
    auto options = std::make_shared<Options>();
    CLI::App* command = app.add_subcommand(
        "info", "Shows a recording's version, date, span and per track its title, samples, times, interval, groups, "
                "CG height, distance flown, highest altitude and top ground speed");
    command->add_option("FILE", options->files, "recordings (.frc)")->required();
    command->add_flag("--json", options->json, "prints a JSON array with one object per file");
    command->callback([options]() {
        // Every file is read before anything prints, so a damaged one leaves no half report.
        std::vector<frc::Recording> recordings;
        for (const std::string& path : options->files) recordings.push_back(LoadRecording(path));
        if (options->json) {
            nlohmann::ordered_json all = nlohmann::ordered_json::array();
            for (size_t i = 0; i < recordings.size(); ++i) all.push_back(DescribeJson(options->files[i], recordings[i]));
            fputs((all.dump(2) + "\n").c_str(), stdout);
            return;
        }
        for (size_t i = 0; i < recordings.size(); ++i) fputs(DescribeText(options->files[i], recordings[i]).c_str(), stdout);
    });
}
