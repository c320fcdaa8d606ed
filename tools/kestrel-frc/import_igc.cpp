// IGC flight logs as fixes. The lines used:
//   HFDTEDDMMYY or HFDTEDATE:DDMMYY,NN   the UTC date of the first fix
//   HFGTYGLIDERTYPE:...  HFGIDGLIDERID:...  the aircraft's names
//   B HHMMSS DDMMmmm(N|S) DDDMMmmm(E|W) (A|V) PPPPP GGGGG ...
//     time UTC, latitude and longitude in degrees and thousandths of minutes, fix
//     validity, pressure and GNSS altitude in metres (extensions may follow).
// Every other record is left alone. Times run on past midnight: a B time more than 12
// hours before the previous one starts the next day.
#include "tools/kestrel-frc/import_igc.h"

#include <cctype>
#include <cmath>
#include <sstream>

#include "tools/kestrel-frc/commands.h"
#include "tools/kestrel-frc/textformat.h"

static const size_t BRecordLength = 35;

static bool Digits(const std::string& line, size_t at, size_t count, int* value) {
    if (at + count > line.size()) return false;
    int v = 0;
    for (size_t i = at; i < at + count; ++i) {
        if (!std::isdigit((unsigned char)line[i])) return false;
        v = v * 10 + (line[i] - '0');
    }
    *value = v;
    return true;
}

// A signed five-character altitude: "00512" or "-0012".
static bool Altitude(const std::string& line, size_t at, int* value) {
    if (line[at] == '-') {
        if (!Digits(line, at + 1, 4, value)) return false;
        *value = -*value;
        return true;
    }
    return Digits(line, at, 5, value);
}

// Degrees from DDMMmmm (or DDDMMmmm) and a hemisphere letter.
static bool Angle(const std::string& line, size_t at, size_t degreeDigits, char positive, char negative, double limit,
                  double* value) {
    int degrees, minutes, thousandths;
    if (!Digits(line, at, degreeDigits, &degrees) || !Digits(line, at + degreeDigits, 2, &minutes) ||
        !Digits(line, at + degreeDigits + 2, 3, &thousandths) || minutes > 59)
        return false;
    char hemisphere = line[at + degreeDigits + 5];
    if (hemisphere != positive && hemisphere != negative) return false;
    *value = degrees + (minutes + thousandths / 1000.0) / 60.0;
    if (*value > limit) return false;
    if (hemisphere == negative) *value = -*value;
    return true;
}

// The text after "KEY:" of an H record, trimmed.
static std::string HeaderValue(const std::string& line) {
    size_t colon = line.find(':');
    std::string value = colon == std::string::npos ? line.substr(5) : line.substr(colon + 1);
    size_t first = value.find_first_not_of(" \t");
    if (first == std::string::npos) return "";
    return value.substr(first, value.find_last_not_of(" \t") - first + 1);
}

struct BRecord {
    int secondsOfDay;
    double latitude, longitude;
    int pressureAltitude, gnssAltitude;
    size_t line;
};

std::vector<LogTrack> ReadIgc(const std::string& path, const std::string& text) {
    std::istringstream in(text);
    std::string line, gliderType, gliderId;
    int64_t day = -1;  // days since 1970 of the first fix
    size_t lineNumber = 0;
    std::vector<BRecord> records;
    while (std::getline(in, line)) {
        ++lineNumber;
        if (!line.empty() && line.back() == '\r') line.pop_back();
        std::string where = path + ": line " + std::to_string(lineNumber) + ": ";
        if (line.compare(0, 5, "HFDTE") == 0) {
            size_t at = line.compare(5, 5, "DATE:") == 0 ? 10 : 5;
            int dd = 0, mm = 0, yy = 0;
            if (!Digits(line, at, 2, &dd) || !Digits(line, at + 2, 2, &mm) || !Digits(line, at + 4, 2, &yy) || mm < 1 ||
                mm > 12 || dd < 1 || dd > 31)
                throw InputError(where + "invalid date \"" + line + "\" (HFDTEDDMMYY expected)");
            int year = yy < 80 ? 2000 + yy : 1900 + yy;
            int checkYear = 0, checkMonth = 0, checkDay = 0;
            CivilFromDays(DaysFromCivil(year, mm, dd), &checkYear, &checkMonth, &checkDay);
            if (checkDay != dd) throw InputError(where + "invalid date \"" + line + "\"");
            if (records.empty()) day = DaysFromCivil(year, mm, dd);
        } else if (line.compare(0, 5, "HFGTY") == 0) {
            gliderType = HeaderValue(line);
        } else if (line.compare(0, 5, "HFGID") == 0) {
            gliderId = HeaderValue(line);
        } else if (!line.empty() && line[0] == 'B') {
            BRecord b;
            int hh = 0, mi = 0, ss = 0;
            b.line = lineNumber;
            if (line.size() < BRecordLength || !Digits(line, 1, 2, &hh) || !Digits(line, 3, 2, &mi) ||
                !Digits(line, 5, 2, &ss) || hh > 23 || mi > 59 || ss > 59 ||
                !Angle(line, 7, 2, 'N', 'S', 90, &b.latitude) || !Angle(line, 15, 3, 'E', 'W', 180, &b.longitude) ||
                (line[24] != 'A' && line[24] != 'V') || !Altitude(line, 25, &b.pressureAltitude) ||
                !Altitude(line, 30, &b.gnssAltitude))
                throw InputError(where + "invalid B record \"" + line + "\"");
            if (day < 0) throw InputError(where + "B record before the date (HFDTE)");
            b.secondsOfDay = hh * 3600 + mi * 60 + ss;
            records.push_back(b);
        }
    }
    if (records.empty()) throw InputError(path + ": no fixes (B records)");

    // GNSS altitude for the whole log when it has any (0 means none), else pressure
    // altitude; mixing the two would make steps.
    bool gnss = false;
    for (const BRecord& b : records) gnss = gnss || b.gnssAltitude != 0;
    LogTrack track;
    track.title = !gliderType.empty() ? gliderType : !gliderId.empty() ? gliderId : FileStem(path);
    track.powered = false;
    int previous = records.front().secondsOfDay;
    for (const BRecord& b : records) {
        if (b.secondsOfDay < previous - 12 * 3600) ++day;
        previous = b.secondsOfDay;
        LogFix fix{(double)day * 86400.0 + b.secondsOfDay, b.latitude, b.longitude,
                gnss ? (b.gnssAltitude != 0 ? (double)b.gnssAltitude : NAN) : (double)b.pressureAltitude, -1};
        track.fixes.push_back(fix);
    }
    return {track};
}
