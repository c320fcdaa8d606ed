// The landings command: every take-off and landing of a recording's tracks, as lines
// of text or as a JSON list of events (--json), for one track with --track.
#include <cstdio>
#include <memory>

#include "tools/kestrel-frc/commands.h"
#include "tools/kestrel-frc/frcfiles.h"
#include "tools/kestrel-frc/landings.h"
#include "tools/kestrel-frc/textformat.h"

namespace {

std::string Count(size_t n, const char* one, const char* many) {
    return std::to_string(n) + " " + (n == 1 ? one : many);
}

std::string LandingsText(const std::string& path, const frc::Recording& recording, const std::vector<size_t>& tracks) {
    const uint32_t date = recording.header.date;
    std::string out = path + ": recorded " + FormatUtc(date, 0, 0) + "\n";
    for (size_t index : tracks) {
        const frc::Track& track = recording.tracks[index];
        FlightEvents events = FindFlightEvents(track);
        out += "track " + std::to_string(index + 1) + ": \"" + TitleText(track.header.title) + "\"" +
               (index == 0 ? " (user aircraft)" : " (traffic)") + ", " +
               Count(events.takeOffs.size(), "take-off", "take-offs") + ", " +
               Count(events.landings.size(), "landing", "landings") + "\n";
        for (EventRef e : InTimeOrder(events)) {
            if (!e.landing) {
                out += "  take-off " + TakeOffLine(events.takeOffs[e.index], date) + "\n";
                continue;
            }
            const Landing& landing = events.landings[e.index];
            out += "  landing " + LandingLine(landing, date) + "\n";
            for (const Bounce& bounce : landing.bounces)
                out += "    bounce " + FormatFixed(bounce.liftOffSeconds, 4) + " s to " +
                       FormatFixed(bounce.touchdownSeconds, 4) + " s, " + FormatFixed(bounce.heightFeet, 1) +
                       " ft high, down at " + FormatFixed(bounce.verticalSpeedFpm, 0) + " fpm\n";
        }
    }
    return out;
}

nlohmann::ordered_json LandingsJson(const frc::Recording& recording, const std::vector<size_t>& tracks) {
    const uint32_t date = recording.header.date;
    nlohmann::ordered_json list = nlohmann::ordered_json::array();
    for (size_t index : tracks) {
        const frc::Track& track = recording.tracks[index];
        FlightEvents events = FindFlightEvents(track);
        auto add = [&](const char* kind, nlohmann::ordered_json fields) {
            nlohmann::ordered_json event;
            event["track"] = index + 1;
            event["title"] = TitleText(track.header.title);
            event["event"] = kind;
            event.update(fields);
            list.push_back(event);
        };
        for (EventRef e : InTimeOrder(events)) {
            if (e.landing)
                add("landing", LandingJson(events.landings[e.index], date));
            else
                add("take-off", TakeOffJson(events.takeOffs[e.index], date));
        }
    }
    return list;
}

}  // namespace

void AddLandingsCommand(CLI::App& app) {
    struct Options {
        std::string input;
        bool json = false;
        size_t track = 0;
    };
    auto options = std::make_shared<Options>();
    CLI::App* command = app.add_subcommand(
        "landings", "Lists every take-off and landing: time, UTC, position, vertical speed at touchdown, ground "
                    "speed, pitch and bank at contact, bounces and the distance rolled until taxi speed");
    command->add_option("FILE", options->input, "the recording (.frc)")->required();
    command->add_flag("--json", options->json,
                      "prints a JSON list of the take-offs and landings in time order, track by track");
    command->add_option("--track", options->track, "only this track (1 = the first)")->check(CLI::PositiveNumber);
    command->callback([options]() {
        frc::Recording recording = LoadRecording(options->input);
        std::vector<size_t> tracks = SelectTracks(recording, options->input, options->track);
        if (options->json)
            fputs((LandingsJson(recording, tracks).dump(2) + "\n").c_str(), stdout);
        else
            fputs(LandingsText(options->input, recording, tracks).c_str(), stdout);
    });
}
