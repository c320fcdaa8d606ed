// The columns of kestrel-frc's CSV and their exact conversions both ways: each sample
// column names a FullSample field, is present when its group is recorded, and holds the
// field in physical units with enough digits that ParseCsvValue gives back the very
// fixed-point value FormatCsvValue was given. Export writes this table; import reads it.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "recording/sample.h"

enum class CsvKind {
    Latitude,   // int64 fixed point -> degrees
    Longitude,  // int64 fixed point -> degrees
    Altitude,   // int64 fixed point -> metres
    Angle,      // int32, 2^32 per turn -> degrees -180..180 (pitch, bank)
    Heading,    // uint32, 2^32 per turn -> degrees 0..360
    Velocity,   // double, feet per second, as recorded (a NaN as its bits, "0x7FF8000000000000")
    Lever,      // int16, 16384 = 1.0
    Unsigned8,
    Unsigned16,
    Signed16,
    Year,       // uint8 years since 1900 -> the year
    Frequency,  // uint16 BCD16 -> MHz, "113.45" for 0x1345
    Squawk,     // uint16 BCO16 -> the four octal digits, "7000"
    Adf,        // uint32 ADF BCD32, as its eight hex digits "0x00034500"
};

struct CsvColumn {
    const char* name;
    uint32_t group;  // SampleGroup bit; 0 for the columns every sample has
    uint32_t field;  // SampleField offset
    CsvKind kind;
};

// The columns before the sample columns, in order: track number (1-based), the track's
// title, the sample time in seconds (4 decimals) and its UTC time.
extern const char* const CsvLeadingColumns[4];
// Every sample column in file order: position, attitude, velocities, on ground, parking
// brake, then the optional groups in their bit order.
const std::vector<CsvColumn>& CsvSampleColumns();
// The sample columns present for a group set.
std::vector<CsvColumn> CsvColumnsFor(uint32_t groups);

std::string FormatCsvValue(const FullSample& sample, const CsvColumn& column);
// Stores the value of text in the column's field; false (sample unchanged) when text is
// not a value of the column's kind.
bool ParseCsvValue(const std::string& text, const CsvColumn& column, FullSample* sample);

// "12.3456" seconds <-> 123456 ticks of 1/10000 s; at most 4 decimals.
bool ParseCsvTime(const std::string& text, uint32_t* sampleTime);
// A field as RFC 4180 wants it: quoted, with doubled quotes, when it holds a comma,
// a quote or a line break.
std::string CsvQuote(const std::string& text);
