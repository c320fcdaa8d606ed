// Timed position fixes as the import readers find them in flight logs (GPX, KML, IGC,
// CSV), before any cleaning or resampling, and what the readers share: file names,
// numbers, places in a text, and loading XML with pugixml.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include <pugixml.hpp>

struct LogFix {
    double time;       // seconds since 1970-01-01 UTC
    double latitude;   // degrees north
    double longitude;  // degrees east
    double altitude;   // metres above mean sea level; NaN when the log gives none
    int onGround;      // 1 or 0 when the log says so, -1 when it does not
};

// One aircraft's fixes in the order the log holds them (which may be unsorted).
struct LogTrack {
    std::string title;       // the aircraft's name in the log; "" for none
    std::vector<LogFix> fixes;
    bool powered = true;     // false for glider logs: engines off, no throttle
};

// Names the tracks a log leaves unnamed after the file: "flight", "flight 2", ...
void NameUntitled(const std::string& path, std::vector<LogTrack>* tracks);
// The file name of a path without folders and extension ("logs/a.igc" -> "a"), the
// title of a track whose log names none.
std::string FileStem(const std::string& path);

// The line number (from 1) of a byte offset into a text.
size_t LineAt(const std::string& text, size_t offset);
// The text without leading and trailing blanks and line breaks.
std::string Trimmed(const std::string& text);
// A whole decimal number ("12", "-0.5", "1e3"), blanks around it allowed; false for
// anything else.
bool ParseNumber(const std::string& text, double* value);
// Parses an XML document and returns its root element, which must have the local name
// rootName; throws InputError naming the file, line and what is wrong.
pugi::xml_node LoadXml(const std::string& path, const std::string& text, const char* rootName,
                       pugi::xml_document* doc);
// "path: line N: " of a node of a document parsed from text, for messages.
std::string XmlPlace(const std::string& path, const std::string& text, const pugi::xml_node& node);
// An element's name without its namespace prefix ("gx:Track" -> "Track").
const char* LocalName(const pugi::xml_node& node);
// The first child element with that local name; an empty node when there is none.
pugi::xml_node ChildNamed(const pugi::xml_node& node, const char* localName);
