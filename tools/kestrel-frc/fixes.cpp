// What the import readers share: UTC time texts, calendar arithmetic, numbers, XML.
#include "tools/kestrel-frc/fixes.h"

#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstdlib>
#include <cstring>

#include "tools/kestrel-frc/commands.h"

// Counts in 400-year eras starting on 1 March, so the leap day ends each era's year.
int64_t DaysFromCivil(int year, int month, int day) {
    int64_t y = (int64_t)year - (month <= 2 ? 1 : 0);
    int64_t era = (y >= 0 ? y : y - 399) / 400;
    int64_t yearOfEra = y - era * 400;
    int64_t dayOfYear = (153 * (month + (month > 2 ? -3 : 9)) + 2) / 5 + day - 1;
    int64_t dayOfEra = yearOfEra * 365 + yearOfEra / 4 - yearOfEra / 100 + dayOfYear;
    return era * 146097 + dayOfEra - 719468;
}

void CivilFromDays(int64_t days, int* year, int* month, int* day) {
    days += 719468;
    int64_t era = (days >= 0 ? days : days - 146096) / 146097;
    int64_t dayOfEra = days - era * 146097;
    int64_t yearOfEra = (dayOfEra - dayOfEra / 1460 + dayOfEra / 36524 - dayOfEra / 146096) / 365;
    int64_t dayOfYear = dayOfEra - (365 * yearOfEra + yearOfEra / 4 - yearOfEra / 100);
    int64_t monthIndex = (5 * dayOfYear + 2) / 153;  // 0 = March
    *day = (int)(dayOfYear - (153 * monthIndex + 2) / 5 + 1);
    *month = (int)(monthIndex < 10 ? monthIndex + 3 : monthIndex - 9);
    *year = (int)(yearOfEra + era * 400 + (*month <= 2 ? 1 : 0));
}

static bool IsLeapYear(int year) {
    return (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
}

// Reads exactly count digits at *pos.
static bool ReadDigits(const std::string& text, size_t* pos, int count, int* value) {
    if (*pos + (size_t)count > text.size()) return false;
    int v = 0;
    for (int i = 0; i < count; ++i) {
        char c = text[*pos + (size_t)i];
        if (!std::isdigit((unsigned char)c)) return false;
        v = v * 10 + (c - '0');
    }
    *pos += (size_t)count;
    *value = v;
    return true;
}

static bool Expect(const std::string& text, size_t* pos, char c) {
    if (*pos >= text.size() || text[*pos] != c) return false;
    ++*pos;
    return true;
}

bool ParseUtcTime(const std::string& raw, double* seconds) {
    size_t first = raw.find_first_not_of(" \t\r\n");
    size_t last = raw.find_last_not_of(" \t\r\n");
    if (first == std::string::npos) return false;
    std::string text = raw.substr(first, last - first + 1);

    size_t pos = 0;
    int year, month, day, hour, minute, second;
    if (!ReadDigits(text, &pos, 4, &year) || !Expect(text, &pos, '-') || !ReadDigits(text, &pos, 2, &month) ||
        !Expect(text, &pos, '-') || !ReadDigits(text, &pos, 2, &day))
        return false;
    if (pos >= text.size() || (text[pos] != 'T' && text[pos] != 't' && text[pos] != ' ')) return false;
    ++pos;
    if (!ReadDigits(text, &pos, 2, &hour) || !Expect(text, &pos, ':') || !ReadDigits(text, &pos, 2, &minute) ||
        !Expect(text, &pos, ':') || !ReadDigits(text, &pos, 2, &second))
        return false;
    double fraction = 0;
    if (pos < text.size() && (text[pos] == '.' || text[pos] == ',')) {
        ++pos;
        double scale = 0.1;
        size_t digits = 0;
        while (pos < text.size() && std::isdigit((unsigned char)text[pos])) {
            fraction += (text[pos] - '0') * scale;
            scale /= 10;
            ++pos;
            ++digits;
        }
        if (digits == 0) return false;
    }
    int offsetMinutes = 0;
    if (pos < text.size() && (text[pos] == 'Z' || text[pos] == 'z')) {
        ++pos;
    } else if (pos < text.size() && (text[pos] == '+' || text[pos] == '-')) {
        int sign = text[pos] == '-' ? -1 : 1, offsetHours, offsetMins;
        ++pos;
        if (!ReadDigits(text, &pos, 2, &offsetHours)) return false;
        if (pos < text.size() && text[pos] == ':') ++pos;
        if (!ReadDigits(text, &pos, 2, &offsetMins) || offsetHours > 14 || offsetMins > 59) return false;
        offsetMinutes = sign * (offsetHours * 60 + offsetMins);
    }
    if (pos != text.size()) return false;

    static const int DaysInMonth[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    if (month < 1 || month > 12 || day < 1) return false;
    if (day > DaysInMonth[month - 1] + (month == 2 && IsLeapYear(year) ? 1 : 0)) return false;
    // 24:00:00 is the end of the day; a leap second 60 is taken as the next second.
    if (hour > 24 || minute > 59 || second > 60 || (hour == 24 && (minute || second || fraction))) return false;

    *seconds = (double)DaysFromCivil(year, month, day) * 86400.0 + hour * 3600.0 + minute * 60.0 + second +
               fraction - offsetMinutes * 60.0;
    return true;
}

std::string FileStem(const std::string& path) {
    size_t slash = path.find_last_of("/\\");
    std::string name = slash == std::string::npos ? path : path.substr(slash + 1);
    size_t dot = name.find_last_of('.');
    return dot == std::string::npos || dot == 0 ? name : name.substr(0, dot);
}

size_t LineAt(const std::string& text, size_t offset) {
    offset = std::min(offset, text.size());
    size_t line = 1;
    for (size_t i = 0; i < offset; ++i) line += text[i] == '\n';
    return line;
}

bool ParseNumber(const std::string& text, double* value) {
    const char* begin = text.c_str();
    while (*begin == ' ' || *begin == '\t') ++begin;
    if (*begin == '\0') return false;
    char* end = nullptr;
    double v = std::strtod(begin, &end);
    while (*end == ' ' || *end == '\t' || *end == '\r' || *end == '\n') ++end;
    if (*end != '\0' || !std::isfinite(v)) return false;
    // strtod also reads hexadecimal and "inf"; a log's numbers are plain decimals.
    for (const char* p = begin; p < end; ++p) {
        if (std::strchr("0123456789+-.eE \t\r\n", *p) == nullptr) return false;
    }
    *value = v;
    return true;
}

void LoadXml(const std::string& path, const std::string& text, pugi::xml_document* doc) {
    pugi::xml_parse_result result = doc->load_buffer(text.data(), text.size());
    if (!result) {
        throw InputError(path + ": not well-formed XML at line " + std::to_string(LineAt(text, (size_t)result.offset)) +
                         " (byte " + std::to_string(result.offset) + "): " + result.description());
    }
}

const char* LocalName(const pugi::xml_node& node) {
    const char* name = node.name();
    const char* colon = std::strrchr(name, ':');
    return colon ? colon + 1 : name;
}

pugi::xml_node ChildNamed(const pugi::xml_node& node, const char* localName) {
    for (pugi::xml_node child : node.children()) {
        if (child.type() == pugi::node_element && std::strcmp(LocalName(child), localName) == 0) return child;
    }
    return pugi::xml_node();
}
