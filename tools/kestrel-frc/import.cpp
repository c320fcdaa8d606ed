// kestrel-frc import: flight logs (GPX, KML, IGC, CSV) become one recording file. Every
// track of every input becomes a track, in order: the first is played on the user's
// aircraft, the others as traffic beside it. Tracks keep their real times relative to
// each other; the recording date is the first fix's UTC second.
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <memory>

#include "recording/frcformat.h"
#include "tools/kestrel-frc/commands.h"
#include "tools/kestrel-frc/frcfiles.h"
#include "tools/kestrel-frc/import_csv.h"
#include "tools/kestrel-frc/import_gpx.h"
#include "tools/kestrel-frc/import_igc.h"
#include "tools/kestrel-frc/import_kml.h"
#include "tools/kestrel-frc/resample.h"
#include "tools/kestrel-frc/textformat.h"

namespace {

struct ImportOptions {
    std::vector<std::string> inputs;
    std::string output;
    std::string format;  // "" = from each input's extension
    uint32_t interval = 250;
    std::string title;
};

// Sample times are 1/10000 s in 32 bits: a recording spans at most 119 hours.
constexpr double MaxSpanSeconds = 4294967295.0 / 10000.0;

InputError SpanTooLong(const std::string& source) {
    return InputError(source + ": the tracks span more than the 119 hours a recording holds");
}

std::string FormatOf(const std::string& path, const std::string& chosen) {
    if (!chosen.empty()) return chosen;
    size_t dot = path.find_last_of('.');
    std::string extension = dot == std::string::npos ? "" : path.substr(dot + 1);
    std::transform(extension.begin(), extension.end(), extension.begin(), [](unsigned char c) { return std::tolower(c); });
    if (extension == "gpx" || extension == "kml" || extension == "igc" || extension == "csv") return extension;
    throw UsageError(path + ": cannot tell the format from the name; choose one with --format gpx|kml|igc|csv");
}

// At most the 100 bytes a track header holds, not cutting a UTF-8 character.
std::string StoredTitle(std::string title) {
    if (title.size() <= 100) return title;
    size_t end = 100;
    while (end > 0 && ((unsigned char)title[end] & 0xC0) == 0x80) --end;
    return title.substr(0, end);
}

std::string Plural(size_t count, const char* one, const char* many) {
    return std::to_string(count) + " " + (count == 1 ? one : many);
}

// One track of OUT: a log's fixes sampled into states, or the very samples of
// kestrel-frc's own CSV (exact, with their own recording date).
struct Flight {
    std::string source, title;
    bool powered = true;
    size_t fixCount = 0;
    CleanReport report;
    std::vector<FlightState> states;
    bool exact = false;
    frc::Track track{};
    double date = 0;  // exact: the CSV's recording date, seconds since 1970 UTC
};

void ReadInput(const std::string& path, const ImportOptions& options, std::vector<Flight>* flights) {
    std::string format = FormatOf(path, options.format);
    std::vector<uint8_t> bytes = ReadFileBytes(path);
    std::string text(bytes.begin(), bytes.end());
    if (format == "csv" && IsKestrelCsv(text)) {
        frc::Recording recording = ReadKestrelCsv(path, text, options.interval);
        for (frc::Track& track : recording.tracks) {
            Flight flight;
            flight.source = path;
            flight.title = options.title.empty() ? track.header.title : options.title;
            flight.exact = true;
            flight.date = frc::UnixTime(recording.header.date, 0);
            flight.track = std::move(track);
            flights->push_back(std::move(flight));
        }
        return;
    }
    std::vector<LogTrack> tracks = format == "gpx"   ? ReadGpx(path, text)
                                   : format == "kml" ? ReadKml(path, text)
                                   : format == "igc" ? ReadIgc(path, text)
                                                     : ReadFlightTrackingCsv(path, text);
    for (LogTrack& track : tracks) {
        Flight flight;
        flight.source = path;
        flight.title = options.title.empty() ? track.title : options.title;
        flight.powered = track.powered;
        flight.fixCount = track.fixes.size();
        std::vector<LogFix> fixes = CleanFixes(track.fixes, &flight.report);
        if (fixes.size() < 2) {
            fprintf(stderr, "%s: track \"%s\" skipped: fewer than two fixes at different times\n", path.c_str(),
                    track.title.c_str());
            continue;
        }
        // Refused before sampling: fixes years apart would be sampled into more states
        // than memory holds.
        if (fixes.back().time - fixes.front().time > MaxSpanSeconds) throw SpanTooLong(path);
        flight.states = ResampleFlight(fixes, options.interval);
        flights->push_back(std::move(flight));
    }
}

void PrintFlight(const Flight& flight, const frc::Track& track) {
    printf("%s: \"%s\": ", flight.source.c_str(), track.header.title);
    if (flight.exact) {
        printf("%s as exported\n", Plural(track.samples.size(), "sample", "samples").c_str());
        return;
    }
    const CleanReport& r = flight.report;
    printf("%s", Plural(flight.fixCount, "fix", "fixes").c_str());
    if (r.outOfOrder) printf(", %s sorted in", Plural(r.outOfOrder, "fix out of order", "fixes out of order").c_str());
    if (r.duplicates) printf(", %s dropped", Plural(r.duplicates, "duplicate time", "duplicate times").c_str());
    if (r.spikes) printf(", %s dropped", Plural(r.spikes, "spike", "spikes").c_str());
    if (r.gaps) printf(", %s flown straight", Plural(r.gaps, "gap", "gaps").c_str());
    if (r.noAltitude) printf(", no altitudes (flown at 0 m)");
    printf(" -> %s\n", Plural(track.samples.size(), "sample", "samples").c_str());
}

void RunImport(const ImportOptions& options) {
    std::vector<Flight> flights;
    for (const std::string& input : options.inputs) ReadInput(input, options, &flights);
    if (flights.empty()) throw InputError(options.inputs.front() + ": no track with two or more timed fixes");
    if (flights.size() > 0xFFFF) throw InputError(options.inputs.front() + ": more than 65535 tracks");

    // Every track keeps its real time: the recording starts at the earliest whole second.
    double base = INFINITY;
    for (const Flight& flight : flights) base = std::min(base, flight.exact ? flight.date : std::floor(flight.states.front().time));
    frc::Recording recording{};
    recording.header.version = frc::Version6;
    recording.header.trackCount = (uint16_t)flights.size();
    // The recording date counts seconds from 1900 in 32 bits (to late 2035): a date it
    // cannot hold does not come back.
    recording.header.date = StampOfUnixTime((int64_t)base);
    if (frc::UnixTime(recording.header.date, 0) != base)
        throw InputError(flights.front().source + ": the first fix is dated outside what a recording holds (1900 to 2035)");

    for (Flight& flight : flights) {
        frc::Track track{};
        if (flight.exact) {
            track = std::move(flight.track);
            uint64_t shift = (uint64_t)((flight.date - base) * 10000.0);
            for (FullSample& sample : track.samples) {
                uint64_t time = GetSampleU32(&sample, FieldTime) + shift;
                if (time > 0xFFFFFFFFu)
                    throw SpanTooLong(flight.source);
                SetSampleU32(&sample, FieldTime, (uint32_t)time);
            }
        } else {
            if (flight.states.back().time - base > MaxSpanSeconds)
                throw SpanTooLong(flight.source);
            track.header.groups = DefaultSampleGroups;
            track.header.cgHeight = 0;
            track.header.interval = options.interval;
            track.samples = FlightSamples(flight.states, base, flight.powered);
        }
        std::string title = StoredTitle(flight.title);
        memcpy(track.header.title, title.c_str(), title.size() + 1);
        PrintFlight(flight, track);
        recording.tracks.push_back(std::move(track));
    }

    WriteRecordingOutput(options.output, recording);
    printf("%s: %s, recorded %s\n", options.output.c_str(), SummarizeRecording(recording).c_str(),
           FormatUtc(recording.header.date, 0, 0).c_str());
}

}  // namespace

void AddImportCommand(CLI::App& app) {
    auto options = std::make_shared<ImportOptions>();
    CLI::App* command = app.add_subcommand(
        "import", "Makes a recording of flight logs (GPX, KML, IGC, CSV): every track becomes a track of OUT, "
                  "the first flown on the user's aircraft, the others as traffic");
    command->add_option("IN", options->inputs, "Flight logs")->required();
    command->add_option("-o,--output", options->output, "The recording file to write (.frc)")->required();
    command->add_option("--format", options->format, "The inputs' format (default: from each name's extension)")
        ->check(CLI::IsMember({"gpx", "kml", "igc", "csv"}));
    command->add_option("--interval", options->interval, "Milliseconds between samples")
        ->check(CLI::Range(10, 60000))
        ->capture_default_str();
    command->add_option("--title", options->title, "The aircraft title of every track (default: the logs' names)");
    command->callback([options] { RunImport(*options); });
}
