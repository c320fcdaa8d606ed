// The info command: what a recording holds, file by file and track by track, as text
// or as JSON (--json, an array with one object per file).
#include <cmath>
#include <cstdio>
#include <nlohmann/json.hpp>

#include "tools/kestrel-frc/commands.h"
#include "tools/kestrel-frc/flightfigures.h"
#include "tools/kestrel-frc/frcfiles.h"
#include "tools/kestrel-frc/geo.h"
#include "tools/kestrel-frc/landings.h"
#include "tools/kestrel-frc/textformat.h"

namespace {

const char* const GroupNames[12] = {"throttles", "controls",   "spoilers",   "flaps",        "gear",      "lights",
                                    "engines",   "nav radios", "com radios", "prop/mixture", "date/time", "smoke"};

std::string GroupList(uint32_t groups) {
    std::string list;
    for (int bit = 0; bit < 12; ++bit) {
        if (!(groups & (1u << bit))) continue;
        if (!list.empty()) list += ", ";
        list += GroupNames[bit];
    }
    return list.empty() ? "none" : list;
}

// Times as seconds of the recording with their UTC moment.
std::string Moment(uint32_t date, uint32_t time) {
    return FormatSeconds(time) + " s (" + FormatUtc(date, time, 0) + ")";
}

std::string DescribeText(const std::string& path, const frc::Recording& recording) {
    const frc::FileHeader& h = recording.header;
    std::string out = path + ": version " + FormatHex(h.version, 8) + ", recorded " + FormatUtc(h.date, 0, 0) + ", " +
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
        out += "  groups " + FormatHex(track.header.groups, 3) + " (" + GroupList(track.header.groups) + ")\n";
        out += "  CG height " + FormatFixed(track.header.cgHeight, 2) + " ft\n";
        if (!track.samples.empty())
            out += "  distance " + FormatFixed(figures.distance / MetersPerNauticalMile, 2) + " nm (" +
                   FormatFixed(figures.distance / 1000.0, 2) + " km), highest " +
                   FormatFixed(figures.highest / MetersPerFoot, 0) + " ft (" + FormatFixed(figures.highest, 1) +
                   " m), top ground speed " + FormatFixed(figures.topGroundSpeed, 1) + " kt\n";
        FlightEvents events = FindFlightEvents(track);
        out += "  first landing " +
               (events.landings.empty() ? std::string("none") : LandingLine(events.landings.front(), h.date)) + "\n";
    }
    return out;
}

nlohmann::ordered_json DescribeJson(const std::string& path, const frc::Recording& recording) {
    const frc::FileHeader& h = recording.header;
    nlohmann::ordered_json file;
    file["file"] = path;
    file["version"] = FormatHex(h.version, 8);
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
        t["cg_height_ft"] = std::isfinite(track.header.cgHeight)
                                ? nlohmann::ordered_json(RoundedTo(track.header.cgHeight, 2))
                                : nlohmann::ordered_json();
        t["distance_m"] = RoundedTo(figures.distance, 1);
        t["highest_m"] = RoundedTo(figures.highest, 1);
        t["top_ground_speed_kt"] = RoundedTo(figures.topGroundSpeed, 1);
        FlightEvents events = FindFlightEvents(track);
        t["first_landing"] = events.landings.empty() ? nlohmann::ordered_json()
                                                     : LandingJson(events.landings.front(), h.date);
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
        "info",
        "Shows a recording's version, date, span and per track its title, samples, times, interval, groups, "
        "CG height, distance flown, highest altitude, top ground speed and first landing");
    command->add_option("FILE", options->files, "recordings (.frc)")->required();
    command->add_flag("--json", options->json, "prints a JSON array with one object per file");
    command->callback([options]() {
        // Every file is read before anything prints, so a damaged one leaves no half report.
        std::vector<frc::Recording> recordings;
        for (const std::string& path : options->files) recordings.push_back(LoadRecording(path));
        if (options->json) {
            nlohmann::ordered_json all = nlohmann::ordered_json::array();
            for (size_t i = 0; i < recordings.size(); ++i)
                all.push_back(DescribeJson(options->files[i], recordings[i]));
            fputs((all.dump(2) + "\n").c_str(), stdout);
            return;
        }
        for (size_t i = 0; i < recordings.size(); ++i)
            fputs(DescribeText(options->files[i], recordings[i]).c_str(), stdout);
    });
}
