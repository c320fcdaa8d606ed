// Locale-free number and UTC time texts.
#include "tools/kestrel-frc/textformat.h"

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

// The civil date of a day count since 1970-01-01 (proleptic Gregorian): counted in
// 400-year eras of 146097 days that begin on 1 March, so leap days fall at an era's end.
static void CivilFromDays(int64_t days, int* year, int* month, int* day) {
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

// Days since 1970-01-01 of 1 January of a year (the inverse of the above for that day).
static int64_t DaysToNewYear(int64_t year) {
    int64_t y = year - 1;  // 1 January belongs to the era year before, counted from March
    int64_t era = (y >= 0 ? y : y - 399) / 400;
    int64_t yearOfEra = y - era * 400;
    int64_t dayOfEra = yearOfEra * 365 + yearOfEra / 4 - yearOfEra / 100 + 306;  // 306: March to January
    return era * 146097 + dayOfEra - 719468;
}

uint32_t StampOfUnixTime(int64_t seconds) {
    int64_t days = seconds >= 0 ? seconds / 86400 : -((-seconds + 86399) / 86400);
    int year, month, day;
    CivilFromDays(days, &year, &month, &day);
    int64_t dayOfYear = days - DaysToNewYear(year) + 1;
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

std::string FormatSeconds(uint32_t sampleTime) {
    std::string ticks;
    AppendDigits(&ticks, sampleTime % 10000, 4);
    return std::to_string(sampleTime / 10000) + "." + ticks;
}

static bool IsValidUtf8(const std::string& text) {
    size_t i = 0;
    while (i < text.size()) {
        unsigned char c = (unsigned char)text[i];
        int extra = c < 0x80 ? 0 : (c >> 5) == 6 ? 1 : (c >> 4) == 14 ? 2 : (c >> 3) == 30 ? 3 : -1;
        if (extra < 0 || (extra == 1 && c < 0xC2)) return false;
        for (int k = 1; k <= extra; ++k)
            if (i + k >= text.size() || ((unsigned char)text[i + k] >> 6) != 2) return false;
        i += extra + 1;
    }
    return true;
}

std::string TitleText(const char* title) {
    std::string raw(title);
    for (char& c : raw)
        if ((unsigned char)c < 0x20 || c == 0x7F) c = ' ';
    if (IsValidUtf8(raw)) return raw;
    std::string text;
    for (unsigned char c : raw) {
        if (c < 0x80) {
            text += (char)c;
        } else {
            text += (char)(0xC0 | (c >> 6));
            text += (char)(0x80 | (c & 0x3F));
        }
    }
    return text;
}
