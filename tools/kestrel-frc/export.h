// Exports of a recording to the formats other programs read, one file per format
// (export_gpx.cpp, export_kml.cpp, export_igc.cpp, export_csv.cpp, export_geojson.cpp);
// export.cpp holds the command and what the formats share. Each writer returns the
// whole output; `tracks` are indices into the recording's tracks.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "recording/frcformat.h"
#include "tools/kestrel-frc/frcfiles.h"

// One sample in the units other programs use.
struct Fix {
    double latitude, longitude;  // degrees
    double altitude;             // metres above mean sea level
    double heading;              // degrees true, 0..360
    double pitchUp;              // degrees, positive nose up
    double bankRight;            // degrees, positive right wing down
    uint32_t time;               // sample time, 1/10000 s
};
Fix FixOf(const FullSample& sample);

std::string ExportGpx(const frc::Recording& recording, const std::vector<size_t>& tracks, Progress* progress);
std::string ExportKml(const frc::Recording& recording, const std::vector<size_t>& tracks, Progress* progress);
// IGC holds one aircraft: the track at index `track`.
std::string ExportIgc(const frc::Recording& recording, size_t track, Progress* progress);
std::string ExportCsv(const frc::Recording& recording, const std::vector<size_t>& tracks, Progress* progress);
std::string ExportGeoJson(const frc::Recording& recording, const std::vector<size_t>& tracks, Progress* progress);

// The number of samples of the tracks, for the progress line.
size_t CountSamples(const frc::Recording& recording, const std::vector<size_t>& tracks);

namespace pugi {
class xml_document;
}
// The document as UTF-8 text, indented by two spaces, "\n" line ends.
std::string XmlText(const pugi::xml_document& document);
