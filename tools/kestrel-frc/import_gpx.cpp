// GPX tracks as fixes: gpx/trk/trkseg/trkpt with lat and lon, ele (metres) and time.
// Elements are matched by local name, so GPX 1.0, 1.1 and prefixed documents all read.
#include "tools/kestrel-frc/import_gpx.h"

#include <cmath>
#include <cstring>

#include "tools/kestrel-frc/commands.h"
#include "tools/kestrel-frc/textformat.h"

static LogFix ReadPoint(const std::string& path, const std::string& text, const pugi::xml_node& point) {
    LogFix fix{0, 0, 0, NAN, -1};
    if (!ParseNumber(point.attribute("lat").value(), &fix.latitude) || std::fabs(fix.latitude) > 90 ||
        !ParseNumber(point.attribute("lon").value(), &fix.longitude) || std::fabs(fix.longitude) > 180)
        throw InputError(XmlPlace(path, text, point) + "track point without a valid lat and lon");
    pugi::xml_node time = ChildNamed(point, "time");
    if (!time) throw InputError(XmlPlace(path, text, point) + "track point without a time");
    if (!ParseUtcTime(time.text().get(), &fix.time))
        throw InputError(XmlPlace(path, text, time) + "invalid time \"" + time.text().get() + "\"");
    pugi::xml_node ele = ChildNamed(point, "ele");
    if (ele && !ParseNumber(ele.text().get(), &fix.altitude))
        throw InputError(XmlPlace(path, text, ele) + "invalid elevation \"" + ele.text().get() + "\"");
    return fix;
}

std::vector<LogTrack> ReadGpx(const std::string& path, const std::string& text) {
    pugi::xml_document doc;
    pugi::xml_node root = LoadXml(path, text, "gpx", &doc);

    std::vector<LogTrack> tracks;
    for (pugi::xml_node trk : root.children()) {
        if (std::strcmp(LocalName(trk), "trk") != 0) continue;
        LogTrack track;
        track.title = Trimmed(ChildNamed(trk, "name").text().get());
        for (pugi::xml_node segment : trk.children()) {
            if (std::strcmp(LocalName(segment), "trkseg") != 0) continue;
            for (pugi::xml_node point : segment.children()) {
                if (std::strcmp(LocalName(point), "trkpt") == 0) track.fixes.push_back(ReadPoint(path, text, point));
            }
        }
        if (track.fixes.empty()) continue;  // a track without points has nothing to fly
        tracks.push_back(track);
    }
    if (tracks.empty()) throw InputError(path + ": no track with points (trk/trkseg/trkpt)");
    NameUntitled(path, &tracks);
    return tracks;
}
