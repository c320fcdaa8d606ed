// CSV flight logs as fixes. Records follow RFC 4180: fields separated by commas, quoted
// with double quotes when they hold commas, quotes (doubled) or line breaks; CRLF or LF
// line ends.
#include "tools/kestrel-frc/import_csv.h"

#include <cmath>
#include <cstring>

#include <map>

#include "tools/kestrel-frc/commands.h"
#include "tools/kestrel-frc/csvformat.h"
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

// The header row without a UTF-8 byte order mark; empty when the text has no record.
static std::vector<std::string> HeaderRow(const std::string& text) {
    size_t pos = 0, line = 0;
    std::vector<std::string> header;
    if (!ReadRecord(text, &pos, &line, &header)) return {};
    if (header[0].compare(0, 3, "\xEF\xBB\xBF") == 0) header[0] = header[0].substr(3);
    return header;
}

static const char* const TrackingColumns[] = {"Timestamp", "UTC", "Callsign", "Position", "Altitude", "Speed",
                                              "Direction"};

bool IsFlightTrackingCsv(const std::string& text) {
    std::vector<std::string> header = HeaderRow(text);
    if (header.size() != 7) return false;
    for (size_t i = 0; i < 7; ++i) {
        if (header[i] != TrackingColumns[i]) return false;
    }
    return true;
}

std::vector<LogTrack> ReadFlightTrackingCsv(const std::string& path, const std::string& text) {
    if (!IsFlightTrackingCsv(text))
        throw InputError(path + ": line 1: not a CSV header this import reads (track,title,time_s,utc,... or "
                                "Timestamp,UTC,Callsign,Position,Altitude,Speed,Direction)");
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

bool IsKestrelCsv(const std::string& text) {
    std::vector<std::string> header = HeaderRow(text);
    if (header.size() < 4) return false;
    for (size_t i = 0; i < 4; ++i) {
        if (header[i] != CsvLeadingColumns[i]) return false;
    }
    return true;
}

frc::Recording ReadKestrelCsv(const std::string& path, const std::string& text, uint32_t interval) {
    if (!IsKestrelCsv(text)) throw InputError(path + ": line 1: not the header track,title,time_s,utc,...");
    std::vector<std::string> header = HeaderRow(text);
    std::vector<CsvColumn> columns;
    for (size_t i = 4; i < header.size(); ++i) {
        const CsvColumn* found = nullptr;
        for (const CsvColumn& column : CsvSampleColumns()) {
            if (header[i] == column.name) found = &column;
        }
        if (!found) throw InputError(path + ": line 1: unknown column \"" + header[i] + "\"");
        columns.push_back(*found);
    }
    for (const CsvColumn& column : CsvSampleColumns()) {
        bool present = false;
        for (const CsvColumn& have : columns) present = present || have.field == column.field;
        if (column.group == 0 && !present) throw InputError(path + ": line 1: no column " + column.name);
    }

    frc::Recording recording{};
    recording.header.version = frc::Version6;
    std::map<std::string, size_t> trackOfNumber;  // the track column's text -> index
    size_t pos = 0, line = 0;
    std::vector<std::string> row;
    ReadRecord(text, &pos, &line, &row);
    while (pos < text.size()) {
        std::string where = path + ": line " + std::to_string(line + 1) + ": ";
        if (!ReadRecord(text, &pos, &line, &row)) throw InputError(where + "a quoted field is never closed");
        if (row.size() == 1 && row[0].empty()) continue;
        if (row.size() != header.size())
            throw InputError(where + std::to_string(row.size()) + " fields, " + std::to_string(header.size()) + " expected");
        uint32_t time;
        if (!ParseCsvTime(row[2], &time)) throw InputError(where + "invalid time_s \"" + row[2] + "\"");
        auto known = trackOfNumber.find(row[0]);
        if (known == trackOfNumber.end()) {
            // A track's groups are those its first row fills.
            frc::Track track{};
            if (row[1].size() > 100) throw InputError(where + "a title longer than 100 bytes");
            memcpy(track.header.title, row[1].c_str(), row[1].size() + 1);
            for (size_t i = 0; i < columns.size(); ++i) {
                if (!row[4 + i].empty()) track.header.groups |= columns[i].group;
            }
            track.header.interval = interval;
            if (recording.tracks.empty()) {
                double utc;
                if (!ParseUtcTime(row[3], &utc)) throw InputError(where + "invalid utc \"" + row[3] + "\"");
                recording.header.date = StampOfUnixTime((int64_t)std::llround(utc - time / 10000.0));
            }
            known = trackOfNumber.emplace(row[0], recording.tracks.size()).first;
            recording.tracks.push_back(track);
        }
        frc::Track& track = recording.tracks[known->second];
        FullSample sample;
        memset(sample.bytes, 0, sizeof(sample.bytes));
        SetSampleU32(&sample, FieldTime, time);
        for (size_t i = 0; i < columns.size(); ++i) {
            const std::string& cell = row[4 + i];
            bool wanted = columns[i].group == 0 || (track.header.groups & columns[i].group) != 0;
            if (!wanted && cell.empty()) continue;
            if (!wanted)
                throw InputError(where + columns[i].name + " filled where the track's first row leaves it empty");
            if (!ParseCsvValue(cell, columns[i], &sample))
                throw InputError(where + "invalid " + columns[i].name + " \"" + cell + "\"");
        }
        track.samples.push_back(sample);
    }
    if (recording.tracks.empty()) throw InputError(path + ": no rows after the header");
    recording.header.trackCount = (uint16_t)recording.tracks.size();
    return recording;
}
