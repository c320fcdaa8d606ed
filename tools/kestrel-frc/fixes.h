// Timed position fixes as the import readers find them in flight logs (GPX, KML, IGC,
// CSV), before any cleaning or resampling, and what the readers share: UTC time
// arithmetic, numbers, and loading XML with pugixml.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include <pugixml.hpp>

struct Fix {
    double time;       // seconds since 1970-01-01 UTC
    double latitude;   // degrees north
    double longitude;  // degrees east
    double altitude;   // metres above mean sea level; NaN when the log gives none
    int onGround;      // 1 or 0 when the log says so, -1 when it does not
};

// One aircraft's fixes in the order the log holds them (which may be unsorted).
struct FixTrack {
    std::string title;       // the aircraft's name in the log; "" for none
    std::vector<Fix> fixes;
    bool powered = true;     // false for glider logs: engines off, no throttle
};

// Days since 1970-01-01 of a date of the proleptic Gregorian calendar.
int64_t DaysFromCivil(int year, int month, int day);
// The calendar date of a day count since 1970-01-01.
void CivilFromDays(int64_t days, int* year, int* month, int* day);
// Parses an XML Schema / ISO 8601 date and time ("2024-06-21T08:15:30.25Z", also with an
// offset "+02:00" or "+0200", a space for the T, and no zone meaning UTC) into seconds
// since 1970-01-01 UTC. False for anything else, including impossible dates.
bool ParseUtcTime(const std::string& text, double* seconds);
// The file name of a path without folders and extension ("logs/a.igc" -> "a"), the
// title of a track whose log names none.
std::string FileStem(const std::string& path);

// The line number (from 1) of a byte offset into a text.
size_t LineAt(const std::string& text, size_t offset);
// A whole decimal number ("12", "-0.5", "1e3", surrounding blanks allowed); false for
// anything else, including infinities and NaN.
bool ParseNumber(const std::string& text, double* value);
// Parses an XML document; throws InputError naming the file, line and what is wrong.
void LoadXml(const std::string& path, const std::string& text, pugi::xml_document* doc);
// An element's name without its namespace prefix ("gx:Track" -> "Track").
const char* LocalName(const pugi::xml_node& node);
// The first child element with that local name; an empty node when there is none.
pugi::xml_node ChildNamed(const pugi::xml_node& node, const char* localName);
