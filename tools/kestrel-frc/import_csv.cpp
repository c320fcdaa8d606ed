// CSV flight logs as fixes. Records follow RFC 4180: fields separated by commas, quoted
// with double quotes when they hold commas, quotes (doubled) or line breaks; CRLF or LF
// line ends.
#include "tools/kestrel-frc/import_csv.h"

#include <cmath>

#include "tools/kestrel-frc/commands.h"
#include "tools/kestrel-frc/textformat.h"
#include "tools/kestrel-frc/geo.h"

// Reads the record starting at *pos into fields and moves *pos past its line end;
// *line counts the lines consumed. False at the end of the text or for a quote that is
// never closed (*pos then stays put).
static bool ReadRecord(const std::string& text, size_t* pos, size_t* line, std::vector<std::string>* fields) {
    fields->clear();
    if (*pos >= text.size()) return false;
    size_t i = *pos, lines = 1;
    std::string field;
    bool quoted = false, wasQuoted = false;
    for (; i < text.size(); ++i) {
        char c = text[i];
        if (quoted) {
            if (c == '"' && i + 1 < text.size() && text[i + 1] == '"') {
                field += '"';
                ++i;
            } else if (c == '"') {
                quoted = false;
            } else {
                lines += c == '\n';
                field += c;
            }
        } else if (c == '"' && field.empty() && !wasQuoted) {
            quoted = wasQuoted = true;
        } else if (c == ',') {
            fields->push_back(field);
            field.clear();
            wasQuoted = false;
        } else if (c == '\n' || c == '\r') {
            if (c == '\r' && i + 1 < text.size() && text[i + 1] == '\n') ++i;
            ++i;
            break;
        } else {
            field += c;
        }
    }
    if (quoted) return false;
    fields->push_back(field);
    *pos = i;
    *line += lines;
    return true;
}

static const char* const TrackingColumns[] = {"Timestamp", "UTC", "Callsign", "Position", "Altitude", "Speed",
                                              "Direction"};

bool IsFlightTrackingCsv(const std::string& text) {
    size_t pos = 0, line = 0;
    std::vector<std::string> header;
    if (!ReadRecord(text, &pos, &line, &header) || header.size() != 7) return false;
    for (size_t i = 0; i < 7; ++i) {
        std::string name = header[i];
        if (i == 0 && name.compare(0, 3, "\xEF\xBB\xBF") == 0) name = name.substr(3);  // a UTF-8 mark
        if (name != TrackingColumns[i]) return false;
    }
    return true;
}

std::vector<LogTrack> ReadFlightTrackingCsv(const std::string& path, const std::string& text) {
    if (!IsFlightTrackingCsv(text))
        throw InputError(path + ": line 1: not the header Timestamp,UTC,Callsign,Position,Altitude,Speed,Direction");
    size_t pos = 0, line = 0;
    std::vector<std::string> row;
    ReadRecord(text, &pos, &line, &row);
    LogTrack track;
    while (pos < text.size()) {
        size_t rowLine = line + 1;
        std::string where = path + ": line " + std::to_string(rowLine) + ": ";
        if (!ReadRecord(text, &pos, &line, &row)) throw InputError(where + "a quoted field is never closed");
        if (row.size() == 1 && row[0].empty()) continue;  // a blank line
        if (row.size() != 7) throw InputError(where + std::to_string(row.size()) + " fields, 7 expected");
        LogFix fix{0, 0, 0, NAN, 0};
        if (!ParseNumber(row[0], &fix.time) && !ParseUtcTime(row[1], &fix.time))
            throw InputError(where + "invalid time \"" + row[0] + "\" / \"" + row[1] + "\"");
        size_t comma = row[3].find(',');
        if (comma == std::string::npos || !ParseNumber(row[3].substr(0, comma), &fix.latitude) ||
            !ParseNumber(row[3].substr(comma + 1), &fix.longitude) || std::fabs(fix.latitude) > 90 ||
            std::fabs(fix.longitude) > 180)
            throw InputError(where + "invalid position \"" + row[3] + "\" (\"latitude,longitude\" expected)");
        double feet;
        if (!ParseNumber(row[4], &feet)) throw InputError(where + "invalid altitude \"" + row[4] + "\"");
        // The sites report 0 on the ground, where the real height is the field's: the
        // neighbouring fixes in the air give it.
        if (feet == 0) {
            fix.onGround = 1;
        } else {
            fix.altitude = feet * MetersPerFoot;
        }
        if (track.title.empty()) track.title = row[2];
        track.fixes.push_back(fix);
    }
    if (track.fixes.empty()) throw InputError(path + ": no rows after the header");
    if (track.title.empty()) track.title = FileStem(path);
    return {track};
}
