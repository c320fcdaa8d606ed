// The toolkit's texts: every fixed-point field written to CSV reads back to the same
// bits (the exact round trip an import relies on), and UTC times from recording dates.
#include <gtest/gtest.h>

#include <random>

#include "tests/support/frc_helpers.h"
#include "tools/kestrel-frc/csvformat.h"
#include "tools/kestrel-frc/textformat.h"

namespace {

TEST(FrcCsvFormat, EveryFieldReadsBackToTheSameBits) {
    std::mt19937_64 random(20261208);
    FullSample edge[3];
    memset(edge[0].bytes, 0x00, FullSampleSize);
    memset(edge[1].bytes, 0xFF, FullSampleSize);  // -1 everywhere, NaN velocities
    memset(edge[2].bytes, 0x80, FullSampleSize);
    for (FullSample& s : edge) SetSampleI64(&s, FieldLongitude, INT64_MIN);
    for (int round = 0; round < 2003; ++round) {
        FullSample sample;
        if (round < 3) {
            sample = edge[round];
        } else {
            for (uint8_t& b : sample.bytes) b = (uint8_t)random();
            // Real positions too, not only noise.
            SetSampleI64(&sample, FieldLatitude, DegreesToLatitude(std::uniform_real_distribution<>(-90, 90)(random)));
            SetSampleF64(&sample, FieldVelocityX, std::uniform_real_distribution<>(-900, 900)(random));
        }
        for (const CsvColumn& column : CsvSampleColumns()) {
            std::string text = FormatCsvValue(sample, column);
            FullSample read = sample;
            // Scramble the field's bytes so a parse that stores nothing cannot pass.
            for (uint32_t i = column.field; i < column.field + 8 && i < FieldTime; ++i) read.bytes[i] ^= 0x5A;
            ASSERT_TRUE(ParseCsvValue(text, column, &read)) << column.name << " = " << text;
            // Compare only the field itself: its neighbours were scrambled on purpose.
            EXPECT_EQ(FormatCsvValue(read, column), text) << column.name;
            size_t width = 1;
            switch (column.kind) {
                case CsvKind::Latitude:
                case CsvKind::Longitude:
                case CsvKind::Altitude:
                case CsvKind::Velocity: width = 8; break;
                case CsvKind::Angle:
                case CsvKind::Heading:
                case CsvKind::Adf: width = 4; break;
                case CsvKind::Lever:
                case CsvKind::Unsigned16:
                case CsvKind::Signed16:
                case CsvKind::Frequency:
                case CsvKind::Squawk: width = 2; break;
                default: break;
            }
            ASSERT_EQ(memcmp(read.bytes + column.field, sample.bytes + column.field, width), 0)
                << column.name << " = " << text;
        }
    }
    // Physical units a person can read.
    FullSample s = {};
    SetSampleI64(&s, FieldLongitude, DegreesToLongitude(-122.375));
    SetSampleU32(&s, FieldHeading, DegreesToAngle(270.0));
    SetSampleU16(&s, FieldNav1Frequency, 0x1345);
    SetSampleU16(&s, FieldTransponder, 0x7000);
    SetSampleI16(&s, FieldThrottle1, LeverToFixed(0.75));
    auto column = [](const char* name) {
        for (const CsvColumn& c : CsvSampleColumns())
            if (std::string(c.name) == name) return c;
        return CsvColumn{};
    };
    // A longitude holds 1/2^64 turn: 17 decimals, which show the degrees a person typed.
    EXPECT_EQ(FormatCsvValue(s, column("longitude")).substr(0, 16), "-122.37500000000");
    EXPECT_EQ(FormatCsvValue(s, column("heading")), "270");
    EXPECT_EQ(FormatCsvValue(s, column("nav1_mhz")), "113.45");
    EXPECT_EQ(FormatCsvValue(s, column("transponder")), "7000");
    EXPECT_EQ(FormatCsvValue(s, column("throttle1")), "0.75");
    FullSample bad = s;
    for (const char* text : {"", "1e5", "12.3.4", "abc", " 1", "-"})
        EXPECT_FALSE(ParseCsvValue(text, column("latitude"), &bad)) << text;
    EXPECT_FALSE(ParseCsvValue("300", column("flaps_index"), &bad));
    EXPECT_EQ(memcmp(bad.bytes, s.bytes, FullSampleSize), 0);
}

TEST(FrcCsvFormat, UtcTimesFromRecordingDates) {
    // Every year counts 366 days in the stamp: day 60 is 29 February in 2008, 1 March in 2009.
    EXPECT_EQ(FormatUtc(frctest::Stamp(2008, 60, 14, 5, 9), 0, 0), "2008-02-29T14:05:09Z");
    EXPECT_EQ(FormatUtc(frctest::Stamp(2009, 60, 14, 5, 9), 0, 0), "2009-03-01T14:05:09Z");
    // Sample times add on, across midnight and the year's end; decimals are cut.
    EXPECT_EQ(FormatUtc(frctest::Stamp(2026, 365, 23, 59, 59), 12345, 3), "2027-01-01T00:00:00.234Z");
    EXPECT_EQ(FormatUtc(frctest::Stamp(2024, 366, 23, 59, 59), 19999, 4), "2025-01-01T00:00:00.9999Z");
    EXPECT_EQ(FormatUtc(frctest::Stamp(2026, 342, 14, 5, 9), 4294967295u, 4), "2026-12-13T13:23:25.7295Z");
    // The inverse used to date recovered recordings.
    EXPECT_EQ(StampOfUnixTime(1796738709), frctest::Stamp(2026, 342, 14, 5, 9));
    EXPECT_EQ(StampOfUnixTime(951782400), frctest::Stamp(2000, 60, 0, 0, 0));  // 2000-02-29
    EXPECT_EQ(FormatFixed(-0.0001, 2), "0.00");
    EXPECT_EQ(FormatFixed(2.675, 2), "2.67");  // the double below 2.675, rounded exactly
}

}  // namespace
