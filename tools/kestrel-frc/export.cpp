// The export command: picks the format by name or by the output's extension and writes
// the chosen tracks; and what the format writers share.
#include "tools/kestrel-frc/export.h"

#include <algorithm>
#include <pugixml.hpp>
#include <sstream>

#include "tools/kestrel-frc/commands.h"

Fix FixOf(const FullSample& sample) {
    Fix fix;
    fix.latitude = LatitudeToDegrees(GetSampleI64(&sample, FieldLatitude));
    fix.longitude = LongitudeToDegrees(GetSampleI64(&sample, FieldLongitude));
    fix.altitude = AltitudeToMeters(GetSampleI64(&sample, FieldAltitude));
    fix.heading = (double)GetSampleU32(&sample, FieldHeading) * (360.0 / 4294967296.0);
    // The simulator counts pitch positive nose down and bank positive left wing down.
    fix.pitchUp = -AngleToDegrees(GetSampleI32(&sample, FieldPitch));
    fix.bankRight = -AngleToDegrees(GetSampleI32(&sample, FieldBank));
    fix.time = GetSampleU32(&sample, FieldTime);
    return fix;
}

size_t CountSamples(const frc::Recording& recording, const std::vector<size_t>& tracks) {
    size_t count = 0;
    for (size_t index : tracks) count += recording.tracks[index].samples.size();
    return count;
}

std::string XmlText(const pugi::xml_document& document) {
    std::ostringstream out;
    document.save(out, "  ", pugi::format_default, pugi::encoding_utf8);
    return out.str();
}

static std::string Extension(const std::string& path) {
    size_t dot = path.find_last_of('.');
    size_t slash = path.find_last_of("/\\");
    if (dot == std::string::npos || (slash != std::string::npos && dot < slash)) return std::string();
    std::string extension = path.substr(dot + 1);
    std::transform(extension.begin(), extension.end(), extension.begin(),
                   [](unsigned char c) { return (char)std::tolower(c); });
    return extension;
}

void AddExportCommand(CLI::App& app) {
    struct Options {
        std::string input, output, format;
        size_t track = 0;
    };
    auto options = std::make_shared<Options>();
    CLI::App* command = app.add_subcommand(
        "export", "Writes the tracks of a recording as GPX, KML, IGC, CSV or GeoJSON, with real UTC times");
    command->add_option("FILE", options->input, "the recording (.frc)")->required();
    command->add_option("-o,--output", options->output, "the output file; its extension names the format")->required();
    command->add_option("--format", options->format, "gpx, kml, igc, csv or geojson (default: from OUT's extension)")
        ->check(CLI::IsMember({"gpx", "kml", "igc", "csv", "geojson"}));
    command->add_option("--track", options->track, "only this track (1 = the first); IGC takes the first by default")
        ->check(CLI::PositiveNumber);
    command->callback([options]() {
        std::string format = options->format.empty() ? Extension(options->output) : options->format;
        if (format == "json") format = "geojson";
        if (format != "gpx" && format != "kml" && format != "igc" && format != "csv" && format != "geojson")
            throw UsageError("cannot tell the format from \"" + options->output +
                             "\": give --format gpx, kml, igc, csv or geojson");
        frc::Recording recording = LoadRecording(options->input);
        std::vector<size_t> tracks = SelectTracks(recording, options->input, options->track);
        if (tracks.empty()) throw InputError(options->input + ": the recording has no track to export");
        if (format == "igc") tracks.resize(1);
        Progress progress = StartProgress("exporting " + options->input, CountSamples(recording, tracks));
        std::string text;
        if (format == "gpx") text = ExportGpx(recording, tracks, &progress);
        if (format == "kml") text = ExportKml(recording, tracks, &progress);
        if (format == "igc") text = ExportIgc(recording, tracks[0], &progress);
        if (format == "csv") text = ExportCsv(recording, tracks, &progress);
        if (format == "geojson") text = ExportGeoJson(recording, tracks, &progress);
        EndProgress(&progress);
        WriteOutputFile(options->output, text);
    });
}
