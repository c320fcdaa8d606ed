// KML tracks as fixes: gx:Track (when, gx:coord "lon lat alt"), else LineStrings
// ("lon,lat[,alt] ...") timed by Point placemarks at their vertices or by a TimeSpan.
// Elements are matched by local name; a Placemark's gx:Tracks (a gx:MultiTrack) make one
// track.
#include "tools/kestrel-frc/import_kml.h"

#include <cmath>
#include <cstring>
#include <sstream>

#include "tools/kestrel-frc/commands.h"
#include "tools/kestrel-frc/geo.h"
#include "tools/kestrel-frc/textformat.h"

// Vertices and timed points match when they are this close (degrees).
static const double SamePlaceDegrees = 1e-6;

static bool Named(const pugi::xml_node& node, const char* localName) {
    return node.type() == pugi::node_element && std::strcmp(LocalName(node), localName) == 0;
}

static void Descendants(const pugi::xml_node& node, const char* localName, std::vector<pugi::xml_node>* out) {
    for (pugi::xml_node child : node.children()) {
        if (child.type() != pugi::node_element) continue;
        if (Named(child, localName)) out->push_back(child);
        Descendants(child, localName, out);
    }
}

// Reads "lon lat [alt]" (separator ' ') or "lon,lat[,alt]" (separator ',').
static bool ParseCoordinate(const std::string& text, char separator, LogFix* fix) {
    std::vector<std::string> parts;
    std::string part;
    std::istringstream in(Trimmed(text));
    while (std::getline(in, part, separator)) {
        if (separator == ' ' && part.empty()) continue;
        parts.push_back(part);
    }
    if (parts.size() < 2 || parts.size() > 3) return false;
    if (!ParseNumber(parts[0], &fix->longitude) || !ParseNumber(parts[1], &fix->latitude)) return false;
    if (std::fabs(fix->latitude) > 90 || std::fabs(fix->longitude) > 180) return false;
    fix->altitude = NAN;
    return parts.size() < 3 || ParseNumber(parts[2], &fix->altitude);
}

static void ReadTrack(const std::string& path, const std::string& text, const pugi::xml_node& track, LogTrack* out) {
    std::vector<pugi::xml_node> whens, coords;
    for (pugi::xml_node child : track.children()) {
        if (Named(child, "when")) whens.push_back(child);
        if (Named(child, "coord")) coords.push_back(child);
    }
    if (whens.size() != coords.size()) {
        throw InputError(XmlPlace(path, text, track) + "gx:Track with " + std::to_string(whens.size()) + " when and " +
                         std::to_string(coords.size()) + " gx:coord elements");
    }
    for (size_t i = 0; i < whens.size(); ++i) {
        LogFix fix{0, 0, 0, NAN, -1};
        if (!ParseUtcTime(whens[i].text().get(), &fix.time))
            throw InputError(XmlPlace(path, text, whens[i]) + "invalid time \"" + whens[i].text().get() + "\"");
        if (!ParseCoordinate(coords[i].text().get(), ' ', &fix))
            throw InputError(XmlPlace(path, text, coords[i]) + "invalid gx:coord \"" + coords[i].text().get() + "\"");
        out->fixes.push_back(fix);
    }
}

static std::string NameOf(const pugi::xml_node& node) {
    return Trimmed(ChildNamed(node, "name").text().get());
}

// The timed Point placemarks under a container, in document order.
static std::vector<LogFix> TimedPoints(const std::string& path, const std::string& text, const pugi::xml_node& container) {
    std::vector<pugi::xml_node> placemarks;
    Descendants(container, "Placemark", &placemarks);
    std::vector<LogFix> points;
    for (const pugi::xml_node& placemark : placemarks) {
        pugi::xml_node when = ChildNamed(ChildNamed(placemark, "TimeStamp"), "when");
        pugi::xml_node coordinates = ChildNamed(ChildNamed(placemark, "Point"), "coordinates");
        if (!when || !coordinates) continue;
        LogFix fix{0, 0, 0, NAN, -1};
        if (!ParseUtcTime(when.text().get(), &fix.time))
            throw InputError(XmlPlace(path, text, when) + "invalid time \"" + when.text().get() + "\"");
        if (!ParseCoordinate(coordinates.text().get(), ',', &fix))
            throw InputError(XmlPlace(path, text, coordinates) + "invalid coordinates \"" + coordinates.text().get() + "\"");
        points.push_back(fix);
    }
    return points;
}

// Times the vertices from timed points at the same places, in order; false unless every
// vertex finds one.
static bool TimeFromPoints(std::vector<LogFix>* vertices, const std::vector<LogFix>& points) {
    size_t next = 0;
    for (LogFix& vertex : *vertices) {
        while (next < points.size() && (std::fabs(points[next].latitude - vertex.latitude) > SamePlaceDegrees ||
                                        std::fabs(points[next].longitude - vertex.longitude) > SamePlaceDegrees))
            ++next;
        if (next == points.size()) return false;
        vertex.time = points[next++].time;
    }
    return true;
}

// Times the vertices at constant speed from begin to end.
static void TimeFromSpan(std::vector<LogFix>* vertices, double begin, double end) {
    std::vector<LogFix>& v = *vertices;
    std::vector<double> along(v.size(), 0.0);
    for (size_t i = 1; i < v.size(); ++i)
        along[i] = along[i - 1] + DistanceMeters(v[i - 1].latitude, v[i - 1].longitude, v[i].latitude, v[i].longitude);
    for (size_t i = 0; i < v.size(); ++i) {
        double share = along.back() > 0 ? along[i] / along.back() : (v.size() > 1 ? (double)i / (v.size() - 1) : 0);
        v[i].time = begin + (end - begin) * share;
    }
}

// The TimeSpan of the node or its nearest ancestor that has one.
static bool FindSpan(const std::string& path, const std::string& text, pugi::xml_node node, double* begin, double* end) {
    for (; node; node = node.parent()) {
        pugi::xml_node span = ChildNamed(node, "TimeSpan");
        if (!span) continue;
        pugi::xml_node b = ChildNamed(span, "begin"), e = ChildNamed(span, "end");
        if (!b || !e) return false;  // an open span gives no speed
        if (!ParseUtcTime(b.text().get(), begin) || !ParseUtcTime(e.text().get(), end) || *end < *begin)
            throw InputError(XmlPlace(path, text, span) + "invalid TimeSpan");
        return true;
    }
    return false;
}

static void ReadLines(const std::string& path, const std::string& text, const pugi::xml_node& root,
                      std::vector<LogTrack>* tracks) {
    std::vector<pugi::xml_node> placemarks;
    Descendants(root, "Placemark", &placemarks);
    for (const pugi::xml_node& placemark : placemarks) {
        std::vector<pugi::xml_node> lines;
        Descendants(placemark, "LineString", &lines);
        for (const pugi::xml_node& line : lines) {
            pugi::xml_node coordinates = ChildNamed(line, "coordinates");
            LogTrack track;
            std::istringstream in(coordinates.text().get());
            std::string tuple;
            while (in >> tuple) {
                LogFix fix{0, 0, 0, NAN, -1};
                if (!ParseCoordinate(tuple, ',', &fix))
                    throw InputError(XmlPlace(path, text, coordinates) + "invalid coordinates \"" + tuple + "\"");
                track.fixes.push_back(fix);
            }
            if (track.fixes.empty()) continue;
            pugi::xml_node container = placemark.parent();
            double begin, end;
            if (TimeFromPoints(&track.fixes, TimedPoints(path, text, container))) {
                track.title = NameOf(container).empty() ? NameOf(placemark) : NameOf(container);
            } else if (FindSpan(path, text, placemark, &begin, &end)) {
                TimeFromSpan(&track.fixes, begin, end);
                track.title = NameOf(placemark).empty() ? NameOf(container) : NameOf(placemark);
            } else {
                continue;  // a line without times is a drawing, not a flight
            }
            tracks->push_back(track);
        }
    }
}

std::vector<LogTrack> ReadKml(const std::string& path, const std::string& text) {
    pugi::xml_document doc;
    pugi::xml_node root = LoadXml(path, text, "kml", &doc);

    std::vector<LogTrack> tracks;
    std::vector<pugi::xml_node> placemarks;
    Descendants(root, "Placemark", &placemarks);
    for (const pugi::xml_node& placemark : placemarks) {
        std::vector<pugi::xml_node> gxTracks;
        Descendants(placemark, "Track", &gxTracks);
        if (gxTracks.empty()) continue;
        LogTrack track;
        track.title = NameOf(placemark);
        for (const pugi::xml_node& gxTrack : gxTracks) ReadTrack(path, text, gxTrack, &track);
        if (!track.fixes.empty()) tracks.push_back(track);
    }
    if (tracks.empty()) ReadLines(path, text, root, &tracks);
    if (tracks.empty())
        throw InputError(path + ": no timed track (a gx:Track, or a LineString with timed points or a TimeSpan)");
    NameUntitled(path, &tracks);
    return tracks;
}
