// Locale-free number and UTC time texts.
#include "tools/kestrel-frc/textformat.h"

#include <cctype>
#include <charconv>
#include <cmath>

#include "recording/frcformat.h"

std::string FormatFixed(double value, int decimals) {
    char buffer[400];
    auto result = std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::fixed, decimals);
    std::string text(buffer, result.ptr);
    if (text[0] == '-' && text.find_first_not_of("-0.") == std::string::npos) text.erase(0, 1);
    return text;
}

double RoundedTo(double value, int decimals) {
    double rounded = 0;
    ParseDouble(FormatFixed(value, decimals), &rounded);
    return rounded;
}

std::string FormatHex(uint64_t value, int digits) {
    std::string text = "0x";
    for (int i = digits - 1; i >= 0; --i) text += "0123456789ABCDEF"[(value >> (4 * i)) & 0xF];
    return text;
}

std::string FormatShortest(double value) {
    char buffer[64];
    auto result = std::to_chars(buffer, buffer + sizeof buffer, value);
    return std::string(buffer, result.ptr);
}

bool ParseDouble(const std::string& text, double* value) {
    if (text.empty()) return false;
    const char* end = text.data() + text.size();
    auto result = std::from_chars(text.data(), end, *value);
    return result.ec == std::errc() && result.ptr == end;
}

// Both directions count in 400-year eras of 146097 days that begin on 1 March, so leap
// days fall at an era's end.
void CivilFromDays(int64_t days, int* year, int* month, int* day) {
    days += 719468;  // 0000-03-01 to 1970-01-01
    int64_t era = (days >= 0 ? days : days - 146096) / 146097;
    int64_t dayOfEra = days - era * 146097;
    int64_t yearOfEra = (dayOfEra - dayOfEra / 1460 + dayOfEra / 36524 - dayOfEra / 146096) / 365;
    int64_t dayOfYear = dayOfEra - (365 * yearOfEra + yearOfEra / 4 - yearOfEra / 100);
    int64_t monthIndex = (5 * dayOfYear + 2) / 153;  // 0 = March
    *day = (int)(dayOfYear - (153 * monthIndex + 2) / 5 + 1);
    *month = (int)(monthIndex < 10 ? monthIndex + 3 : monthIndex - 9);
    *year = (int)(yearOfEra + era * 400 + (*month <= 2 ? 1 : 0));
}

int64_t DaysFromCivil(int year, int month, int day) {
    int64_t y = (int64_t)year - (month <= 2 ? 1 : 0);  // January and February end the era year before
    int64_t era = (y >= 0 ? y : y - 399) / 400;
    int64_t yearOfEra = y - era * 400;
    int64_t dayOfYear = (153 * (month + (month > 2 ? -3 : 9)) + 2) / 5 + day - 1;
    int64_t dayOfEra = yearOfEra * 365 + yearOfEra / 4 - yearOfEra / 100 + dayOfYear;
    return era * 146097 + dayOfEra - 719468;
}

uint32_t StampOfUnixTime(int64_t seconds) {
    int64_t days = seconds >= 0 ? seconds / 86400 : -((-seconds + 86399) / 86400);
    int year = 0, month = 0, day = 0;
    CivilFromDays(days, &year, &month, &day);
    int64_t dayOfYear = days - DaysFromCivil(year, 1, 1) + 1;
    return frc::MakeDate((uint16_t)year, (uint16_t)dayOfYear, (uint32_t)(seconds - days * 86400));
}

UtcTime SplitUtc(uint32_t date, uint32_t sampleTime) {
    // The date is in whole seconds, so UnixTime(date, 0) is an exact integer.
    int64_t seconds = (int64_t)std::floor(frc::UnixTime(date, 0)) + sampleTime / 10000;
    UtcTime t;
    t.day = seconds >= 0 ? seconds / 86400 : -((-seconds + 86399) / 86400);
    int64_t ofDay = seconds - t.day * 86400;
    CivilFromDays(t.day, &t.year, &t.month, &t.day_of_month);
    t.hour = (int)(ofDay / 3600);
    t.minute = (int)(ofDay / 60 % 60);
    t.second = (int)(ofDay % 60);
    t.ticks = sampleTime % 10000;
    return t;
}

static void AppendDigits(std::string* out, int64_t value, int width) {
    std::string digits = std::to_string(value < 0 ? -value : value);
    if (value < 0) out->push_back('-');
    if ((int)digits.size() < width) out->append(width - digits.size(), '0');
    out->append(digits);
}

std::string FormatUtc(uint32_t date, uint32_t sampleTime, int decimals) {
    UtcTime t = SplitUtc(date, sampleTime);
    std::string text;
    AppendDigits(&text, t.year, 4);
    text += '-';
    AppendDigits(&text, t.month, 2);
    text += '-';
    AppendDigits(&text, t.day_of_month, 2);
    text += 'T';
    AppendDigits(&text, t.hour, 2);
    text += ':';
    AppendDigits(&text, t.minute, 2);
    text += ':';
    AppendDigits(&text, t.second, 2);
    if (decimals > 0) {
        std::string ticks;
        AppendDigits(&ticks, t.ticks, 4);
        text += '.';
        text += ticks.substr(0, decimals);
    }
    text += 'Z';
    return text;
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
    int year = 0, month = 0, day = 0, hour = 0, minute = 0, second = 0;
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
        int sign = text[pos] == '-' ? -1 : 1, offsetHours = 0, offsetMins = 0;
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

std::string FormatSeconds(uint32_t sampleTime) {
    std::string ticks;
    AppendDigits(&ticks, sampleTime % 10000, 4);
    return std::to_string(sampleTime / 10000) + "." + ticks;
}

// Strict UTF-8: no overlong forms, no surrogates, nothing beyond U+10FFFF, as JSON and
// XML readers demand.
static bool IsValidUtf8(const std::string& text) {
    static const uint32_t Lowest[4] = {0, 0x80, 0x800, 0x10000};
    size_t i = 0;
    while (i < text.size()) {
        unsigned char c = (unsigned char)text[i];
        int extra = c < 0x80 ? 0 : (c >> 5) == 6 ? 1 : (c >> 4) == 14 ? 2 : (c >> 3) == 30 ? 3 : -1;
        if (extra < 0) return false;
        uint32_t code = extra == 0 ? c : c & (0x3F >> extra);
        for (int k = 1; k <= extra; ++k) {
            if (i + k >= text.size() || ((unsigned char)text[i + k] >> 6) != 2) return false;
            code = (code << 6) | ((unsigned char)text[i + k] & 0x3F);
        }
        if (code < Lowest[extra] || (code >= 0xD800 && code <= 0xDFFF) || code > 0x10FFFF) return false;
        i += extra + 1;
    }
    return true;
}

static void AppendUtf8(std::string* text, uint32_t code) {
    if (code < 0x80) {
        *text += (char)code;
    } else if (code < 0x800) {
        *text += (char)(0xC0 | (code >> 6));
        *text += (char)(0x80 | (code & 0x3F));
    } else {
        *text += (char)(0xE0 | (code >> 12));
        *text += (char)(0x80 | ((code >> 6) & 0x3F));
        *text += (char)(0x80 | (code & 0x3F));
    }
}

// Windows-1252's characters at 0x80..0x9F; its five unassigned bytes keep their own
// code point, as Windows converts them. Every other byte is its Latin-1 code point.
static const uint16_t Cp1252High[32] = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178,
};

std::string TitleText(const char* title) {
    std::string raw(title);
    for (char& c : raw)
        if ((unsigned char)c < 0x20 || c == 0x7F) c = ' ';
    if (IsValidUtf8(raw)) return raw;
    std::string text;
    for (unsigned char c : raw) AppendUtf8(&text, c >= 0x80 && c < 0xA0 ? Cp1252High[c - 0x80] : c);
    return text;
}
