// Number and time texts of the toolkit's outputs: locale-free and the same bytes on
// every platform (std::to_chars, never printf, whose C libraries round differently).
#pragma once

#include <cstdint>
#include <string>

// value with exactly `decimals` digits after the point; a negative zero prints as zero.
std::string FormatFixed(double value, int decimals);
// value rounded as FormatFixed writes it, for JSON numbers that match the texts.
double RoundedTo(double value, int decimals);
// "0x" and `digits` upper-case hex digits.
std::string FormatHex(uint64_t value, int digits);
// The shortest text that reads back as exactly value.
std::string FormatShortest(double value);
// Reads a whole decimal number (no spaces, no hex); false when text is not one.
bool ParseDouble(const std::string& text, double* value);

// A moment of a recording in UTC: the file's recording date plus a sample time.
struct UtcTime {
    int64_t day;  // days since 1970-01-01
    int year, month, day_of_month, hour, minute, second;
    uint32_t ticks;  // 1/10000 s into the second
};
UtcTime SplitUtc(uint32_t date, uint32_t sampleTime);
// "2026-12-08T14:05:09.123Z" with 0 to 4 decimals of the second (cut, not rounded, so
// the text never names a later second than the sample's).
std::string FormatUtc(uint32_t date, uint32_t sampleTime, int decimals);
// Parses an XML Schema / ISO 8601 date and time ("2024-06-21T08:15:30.25Z", also with an
// offset "+02:00" or "+0200", a space for the T, and no zone meaning UTC) into seconds
// since 1970-01-01 UTC. False for anything else, including impossible dates.
bool ParseUtcTime(const std::string& text, double* seconds);
// Days since 1970-01-01 of a date of the proleptic Gregorian calendar, and back.
int64_t DaysFromCivil(int year, int month, int day);
void CivilFromDays(int64_t days, int* year, int* month, int* day);
// The recording date (ZuluStamp) of a moment given in seconds since 1970-01-01 UTC.
uint32_t StampOfUnixTime(int64_t seconds);
// A sample time in seconds with its four decimals: "12.3456".
std::string FormatSeconds(uint32_t sampleTime);

// A track title as UTF-8 for XML and JSON outputs: kept when it is valid UTF-8, else read
// as Windows-1252 bytes (what the simulator's titles are); control characters become
// spaces.
std::string TitleText(const char* title);
