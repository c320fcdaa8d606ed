// KML 2.2 for Google Earth: per track a gx:Track (when, gx:coord and gx:angles, so the
// flight replays with its attitude) and a line of the path, both at absolute altitudes.
#include <pugixml.hpp>

#include "tools/kestrel-frc/export.h"
#include "tools/kestrel-frc/textformat.h"

std::string ExportKml(const frc::Recording& recording, const std::vector<size_t>& tracks, Progress* progress) {
    pugi::xml_document document;
    pugi::xml_node kml = document.append_child("kml");
    kml.append_attribute("xmlns") = "http://www.opengis.net/kml/2.2";
    kml.append_attribute("xmlns:gx") = "http://www.google.com/kml/ext/2.2";
    pugi::xml_node folder = kml.append_child("Document");
    folder.append_child("name").text() =
        ("Kestrel recording " + FormatUtc(recording.header.date, recording.header.startTime, 0)).c_str();
    size_t done = 0;
    for (size_t index : tracks) {
        const frc::Track& track = recording.tracks[index];
        std::string title = TitleText(track.header.title);
        pugi::xml_node flight = folder.append_child("Placemark");
        flight.append_child("name").text() = title.c_str();
        pugi::xml_node gxTrack = flight.append_child("gx:Track");
        gxTrack.append_child("altitudeMode").text() = "absolute";
        // The three lists go in blocks (every when, then every coord, then every angle):
        // the order the schema gives and the one readers expect.
        std::string path;
        for (const FullSample& sample : track.samples)
            gxTrack.append_child("when").text() = FormatUtc(recording.header.date, FixOf(sample).time, 3).c_str();
        for (const FullSample& sample : track.samples) {
            Fix fix = FixOf(sample);
            std::string lon = FormatFixed(fix.longitude, 9), lat = FormatFixed(fix.latitude, 9),
                        alt = FormatFixed(fix.altitude, 3);
            gxTrack.append_child("gx:coord").text() = (lon + " " + lat + " " + alt).c_str();
            path += lon + "," + lat + "," + alt + "\n";
        }
        for (const FullSample& sample : track.samples) {
            // Google Earth's model angles: tilt positive nose up, roll positive right wing down.
            Fix fix = FixOf(sample);
            gxTrack.append_child("gx:angles").text() =
                (FormatFixed(fix.heading, 2) + " " + FormatFixed(fix.pitchUp, 2) + " " + FormatFixed(fix.bankRight, 2))
                    .c_str();
            ShowProgress(progress, ++done);
        }
        pugi::xml_node line = folder.append_child("Placemark");
        line.append_child("name").text() = (title + " (path)").c_str();
        pugi::xml_node lineString = line.append_child("LineString");
        lineString.append_child("altitudeMode").text() = "absolute";
        lineString.append_child("coordinates").text() = path.c_str();
    }
    return XmlText(document);
}
