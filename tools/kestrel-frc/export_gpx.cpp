// GPX 1.1: one trk per track, named by its title, one trkpt per sample with its
// altitude and UTC time.
#include <pugixml.hpp>

#include "tools/kestrel-frc/export.h"
#include "tools/kestrel-frc/textformat.h"

std::string ExportGpx(const frc::Recording& recording, const std::vector<size_t>& tracks, Progress* progress) {
    pugi::xml_document document;
    pugi::xml_node gpx = document.append_child("gpx");
    gpx.append_attribute("version") = "1.1";
    gpx.append_attribute("creator") = "kestrel-frc " KESTREL_VERSION;
    gpx.append_attribute("xmlns") = "http://www.topografix.com/GPX/1/1";
    gpx.append_child("metadata").append_child("time").text() =
        FormatUtc(recording.header.date, recording.header.startTime, 0).c_str();
    size_t done = 0;
    for (size_t index : tracks) {
        const frc::Track& track = recording.tracks[index];
        pugi::xml_node trk = gpx.append_child("trk");
        trk.append_child("name").text() = TitleText(track.header.title).c_str();
        trk.append_child("number").text() = std::to_string(index + 1).c_str();
        pugi::xml_node segment = trk.append_child("trkseg");
        for (const FullSample& sample : track.samples) {
            Fix fix = FixOf(sample);
            pugi::xml_node point = segment.append_child("trkpt");
            point.append_attribute("lat") = FormatFixed(fix.latitude, 9).c_str();
            point.append_attribute("lon") = FormatFixed(fix.longitude, 9).c_str();
            point.append_child("ele").text() = FormatFixed(fix.altitude, 3).c_str();
            point.append_child("time").text() = FormatUtc(recording.header.date, fix.time, 3).c_str();
            ShowProgress(progress, ++done);
        }
    }
    return XmlText(document);
}
