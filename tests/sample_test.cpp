// The sample record: layouts of the edge-case group sets, packing and unpacking
// against hand-placed bytes, and the fixed-point conversions with known values.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>

#include "recording/sample.h"

namespace {

// Bytes of each optional group, straight from the group table (bit order).
const uint32_t GroupBytes[12] = {8, 6, 2, 1, 2, 2, 4, 12, 6, 16, 6, 1};

uint32_t ExpectedRecordSize(uint32_t groups) {
    uint32_t size = 66;
    for (int bit = 0; bit < 12; ++bit)
        if (groups & (1u << bit)) size += GroupBytes[bit];
    return size;
}

// The group a FullSample byte belongs to (0: every record holds it), from the field table.
uint32_t GroupOfByte(uint32_t offset) {
    struct Range { uint32_t first, last, group; };
    const Range ranges[] = {
        {61, 68, Throttles}, {69, 74, Controls},  {75, 76, Spoilers},   {77, 77, Flaps},
        {78, 79, Gear},      {80, 81, Lights},    {83, 86, Engines},    {87, 98, NavRadios},
        {99, 104, ComRadios}, {105, 120, PropMixture}, {121, 126, DateTime}, {127, 127, Smoke},
    };
    for (const Range& range : ranges)
        if (offset >= range.first && offset <= range.last) return range.group;
    return 0;
}

FullSample PatternSample() {
    FullSample full;
    for (uint32_t i = 0; i < FullSampleSize; ++i) full.bytes[i] = (uint8_t)(i + 1);
    return full;
}

}  // namespace

TEST(SampleLayout, SmallestAndDefaultSets) {
    SampleLayout none = ComputeSampleLayout(0);
    EXPECT_EQ(none.offsets[BlockPosition], 0u);
    EXPECT_EQ(none.offsets[BlockVelocity], 36u);
    EXPECT_EQ(none.offsets[BlockOnGround], 60u);
    EXPECT_EQ(none.offsets[BlockParkingBrake], 61u);
    EXPECT_EQ(none.offsets[BlockTime], 62u);
    EXPECT_EQ(none.recordSize, 66u);

    SampleLayout standard = ComputeSampleLayout(127);
    const uint32_t expected[][2] = {
        {BlockThrottles, 61}, {BlockElevator, 69}, {BlockAileron, 71},     {BlockRudder, 73},
        {BlockSpoilers, 75},  {BlockFlapsIndex, 77}, {BlockGear, 78},      {BlockLights, 80},
        {BlockParkingBrake, 82}, {BlockEngines, 83}, {BlockTime, 87},
    };
    for (const auto& e : expected) EXPECT_EQ(standard.offsets[e[0]], e[1]) << "block " << e[0];
    EXPECT_EQ(standard.recordSize, 91u);

    SampleLayout withSmoke = ComputeSampleLayout(0x87F);
    EXPECT_EQ(withSmoke.offsets[BlockEngines], 83u);
    EXPECT_EQ(withSmoke.offsets[BlockSmoke], 87u);
    EXPECT_EQ(withSmoke.offsets[BlockTime], 88u);
    EXPECT_EQ(withSmoke.recordSize, 92u);
}

TEST(SampleLayout, SparseSetsAndMeaninglessBits) {
    SampleLayout smoke = ComputeSampleLayout(0x800);
    EXPECT_EQ(smoke.offsets[BlockParkingBrake], 61u);
    EXPECT_EQ(smoke.offsets[BlockSmoke], 62u);
    EXPECT_EQ(smoke.offsets[BlockTime], 63u);
    EXPECT_EQ(smoke.recordSize, 67u);

    SampleLayout radios = ComputeSampleLayout(0x280);
    EXPECT_EQ(radios.offsets[BlockNavRadios], 62u);
    EXPECT_EQ(radios.offsets[BlockMixture], 74u);
    EXPECT_EQ(radios.offsets[BlockPropeller], 82u);
    EXPECT_EQ(radios.offsets[BlockTime], 90u);
    EXPECT_EQ(radios.recordSize, 94u);

    SampleLayout high = ComputeSampleLayout(0x1000);
    SampleLayout zero = ComputeSampleLayout(0);
    EXPECT_EQ(memcmp(&high, &zero, sizeof(SampleLayout)), 0);
    EXPECT_EQ(SampleRecordSize(0xFFFFF07Fu), 91u);
}

TEST(SampleLayout, FullSetMatchesFullSampleOffsets) {
    SampleLayout full = ComputeSampleLayout(0xFFF);
    const uint32_t expected[][2] = {
        {BlockPosition, 0},        {BlockVelocity, 36},  {BlockOnGround, 60},   {BlockThrottles, 61},
        {BlockElevator, 69},       {BlockAileron, 71},   {BlockRudder, 73},     {BlockSpoilers, 75},
        {BlockFlapsIndex, 77},     {BlockGear, 78},      {BlockLights, 80},     {BlockParkingBrake, 82},
        {BlockEngines, 83},        {BlockNavRadios, 87}, {BlockComRadios, 99},  {BlockMixture, 105},
        {BlockPropeller, 113},     {BlockDateTime, 121}, {BlockSmoke, 127},     {BlockTime, 128},
    };
    for (const auto& e : expected) EXPECT_EQ(full.offsets[e[0]], e[1]) << "block " << e[0];
    EXPECT_EQ(full.recordSize, 132u);
}

TEST(SampleLayout, RecordSizeOfEveryGroupSet) {
    for (uint32_t groups = 0; groups <= 0xFFF; ++groups) {
        ASSERT_EQ(SampleRecordSize(groups), ExpectedRecordSize(groups)) << "groups " << groups;
        ASSERT_EQ(ComputeSampleLayout(groups).recordSize, ExpectedRecordSize(groups)) << "groups " << groups;
    }
}

TEST(SampleLayout, FieldOffsetsInsidePackedRecords) {
    SampleLayout radios = ComputeSampleLayout(0x280);
    EXPECT_EQ(RecordFieldOffset(&radios, FieldNav1Frequency), 62u);
    EXPECT_EQ(RecordFieldOffset(&radios, FieldNav2Obs), 68u);
    EXPECT_EQ(RecordFieldOffset(&radios, FieldAdfFrequency), 70u);
    EXPECT_EQ(RecordFieldOffset(&radios, FieldMixture1 + 6), 80u);
    EXPECT_EQ(RecordFieldOffset(&radios, FieldPropeller1 + 2), 84u);
    EXPECT_EQ(RecordFieldOffset(&radios, FieldTime), 90u);
    EXPECT_EQ(RecordFieldOffset(&radios, FieldHeading), 32u);
    EXPECT_EQ(RecordFieldOffset(&radios, FieldVelocityZ), 52u);
    EXPECT_EQ(RecordFieldOffset(&radios, FieldParkingBrake), 61u);
}

TEST(SamplePacking, PlacesEachBlockAtItsLayoutOffset) {
    FullSample full = {};
    SetSampleI64(&full, FieldLatitude, -0x0102030405060708LL);
    SetSampleU32(&full, FieldHeading, 0xC0000000u);
    SetSampleF64(&full, FieldVelocityY, -12.25);
    SetSampleU8(&full, FieldOnGround, 1);
    SetSampleU16(&full, FieldNav1Frequency, 0x1130);
    SetSampleI16(&full, FieldNav2Obs, -90);
    SetSampleU32(&full, FieldAdfFrequency, 0x03500000u);
    SetSampleI16(&full, FieldMixture1, 16384);
    SetSampleI16(&full, FieldPropeller1 + 6, -8192);
    SetSampleU8(&full, FieldParkingBrake, 1);
    SetSampleU32(&full, FieldTime, 123456789u);
    SetSampleU16(&full, FieldLights, 0x8001);  // not in the set: must not appear

    SampleLayout layout = ComputeSampleLayout(0x280);
    uint8_t record[120];
    memset(record, 0xEE, sizeof(record));
    PackSample(&full, &layout, 0x280, record);

    const uint8_t latitude[8] = {0xF8, 0xF8, 0xF9, 0xFA, 0xFB, 0xFC, 0xFD, 0xFE};
    EXPECT_EQ(memcmp(record, latitude, 8), 0);
    const uint8_t heading[4] = {0x00, 0x00, 0x00, 0xC0};
    EXPECT_EQ(memcmp(record + 32, heading, 4), 0);
    const uint8_t velocityY[8] = {0, 0, 0, 0, 0, 0x80, 0x28, 0xC0};  // -12.25
    EXPECT_EQ(memcmp(record + 44, velocityY, 8), 0);
    EXPECT_EQ(record[60], 1);
    EXPECT_EQ(record[61], 1);  // parking brake
    EXPECT_EQ(record[62], 0x30);
    EXPECT_EQ(record[63], 0x11);
    EXPECT_EQ(record[68], 0xA6);  // -90
    EXPECT_EQ(record[69], 0xFF);
    const uint8_t adf[4] = {0x00, 0x00, 0x50, 0x03};
    EXPECT_EQ(memcmp(record + 70, adf, 4), 0);
    EXPECT_EQ(record[74], 0x00);
    EXPECT_EQ(record[75], 0x40);
    EXPECT_EQ(record[88], 0x00);  // propeller 4 = -8192
    EXPECT_EQ(record[89], 0xE0);
    const uint8_t time[4] = {0x15, 0xCD, 0x5B, 0x07};
    EXPECT_EQ(memcmp(record + 90, time, 4), 0);
    for (size_t i = 94; i < sizeof(record); ++i) ASSERT_EQ(record[i], 0xEE) << "written past the record at " << i;
}

TEST(SamplePacking, RoundTripKeepsPresentGroupsAndLeavesOthersUntouched) {
    const FullSample source = PatternSample();
    for (uint32_t groups = 0; groups <= 0xFFF; ++groups) {
        SampleLayout layout = ComputeSampleLayout(groups);
        uint8_t record[FullSampleSize + 8];
        memset(record, 0xEE, sizeof(record));
        PackSample(&source, &layout, groups, record);
        for (size_t i = layout.recordSize; i < sizeof(record); ++i) ASSERT_EQ(record[i], 0xEE);

        FullSample back;
        memset(back.bytes, 0, sizeof(back.bytes));
        UnpackSample(record, &layout, groups, &back);
        for (uint32_t i = 0; i < FullSampleSize; ++i) {
            uint32_t group = GroupOfByte(i);
            bool present = group == 0 || (groups & group) != 0;
            ASSERT_EQ(back.bytes[i], present ? source.bytes[i] : 0) << "groups " << groups << " byte " << i;
        }
    }
    // The full set packs to the FullSample itself.
    SampleLayout all = ComputeSampleLayout(0xFFF);
    uint8_t record[FullSampleSize];
    PackSample(&source, &all, 0xFFF, record);
    EXPECT_EQ(memcmp(record, source.bytes, FullSampleSize), 0);
}

TEST(SampleConversions, KnownValues) {
    EXPECT_EQ(DegreesToAngle(90.0), 1073741824u);
    EXPECT_EQ(DegreesToAngle(359.0), 4283036831u);
    EXPECT_GT(DegreesToAngle(359.0), 2147483648u);
    EXPECT_EQ((int32_t)DegreesToAngle(-45.0), -536870912);
    EXPECT_EQ(DegreesToAngle(180.0), 2147483648u);  // low bits: bank +180 is stored as -180
    EXPECT_EQ(DegreesToAngle(360.0), 0u);
    EXPECT_EQ(MetersToAltitude(100.5), 431644213248LL);
    EXPECT_EQ(MetersToAltitude(-0.1), -429496729LL);  // toward zero
    EXPECT_EQ(DegreesToLatitude(1.0), 477302101697422LL);
    EXPECT_EQ(DegreesToLatitude(47.5), 22671849830627556LL);
    EXPECT_EQ(DegreesToLongitude(-12.5), -640511947003803904LL);
    EXPECT_EQ(DegreesToLongitude(-180.0), INT64_MIN);
    EXPECT_EQ(DegreesToLongitude(180.0), INT64_MIN);  // 2^63 keeps its low 64 bits
    EXPECT_EQ(FeetToAltitude(1.0), 1309106031LL);
    EXPECT_EQ(FeetToAltitude(-1.0), -1309106031LL);

    EXPECT_EQ(LeverToFixed(1.0), 16384);
    EXPECT_EQ(LeverToFixed(-1.0), -16384);
    EXPECT_EQ(LeverToFixed(0.99999), 16383);
    EXPECT_EQ(LeverToFixed(-0.00001), 0);
    EXPECT_EQ(LeverToFixed(2.0), -32768);  // 32768 keeps its low 16 bits
    EXPECT_EQ(LeverToFixed(4.0), 0);
    EXPECT_EQ(SaturateToInt<int64_t>(NAN), 0);
}

TEST(SampleConversions, NonFiniteAndHugeValuesSaturate) {
    // In range: truncation toward zero, as a cast would give.
    EXPECT_EQ(SaturateToInt<int32_t>(-2.9), -2);
    EXPECT_EQ(SaturateToInt<uint16_t>(65535.9), 65535);
    EXPECT_EQ(SaturateToInt<uint32_t>(-0.9), 0u);
    // Beyond the range, the nearest limit; a NaN is 0.
    EXPECT_EQ(SaturateToInt<uint16_t>(65536.0), 65535);
    EXPECT_EQ(SaturateToInt<uint32_t>(-1.0), 0u);
    EXPECT_EQ(SaturateToInt<uint32_t>(1e10), UINT32_MAX);
    EXPECT_EQ(SaturateToInt<int32_t>(-3e38), INT32_MIN);
    EXPECT_EQ(SaturateToInt<int64_t>(9223372036854775808.0), INT64_MAX);
    EXPECT_EQ(SaturateToInt<int64_t>(-INFINITY), INT64_MIN);
    EXPECT_EQ(SaturateToInt<uint64_t>(INFINITY), UINT64_MAX);
    EXPECT_EQ(SaturateToInt<int16_t>(NAN), 0);

    // The fixed-point fields saturate at 64 bits and keep the low bits of that.
    EXPECT_EQ(MetersToAltitude(INFINITY), INT64_MAX);
    EXPECT_EQ(MetersToAltitude(-3e38), INT64_MIN);
    EXPECT_EQ(DegreesToLatitude(NAN), 0);
    EXPECT_EQ(DegreesToLongitude(1e300), INT64_MAX);
    EXPECT_EQ(DegreesToAngle(-INFINITY), 0u);
    EXPECT_EQ(LeverToFixed(INFINITY), -1);

    // Height corrections: a CG height that is not finite or beyond 1000 ft counts as 0.
    EXPECT_EQ(CgHeightOffset(6.5, 5.0), FeetToAltitude(1.5));
    EXPECT_EQ(CgHeightOffset(6.5, -1000.0), FeetToAltitude(1006.5));
    for (double absurd : {(double)NAN, (double)INFINITY, -3e38, 3e38, 1000.001, -1000.5}) {
        EXPECT_EQ(CgHeightOffset(6.5, absurd), FeetToAltitude(6.5)) << absurd;
        EXPECT_EQ(CgHeightOffset(absurd, 6.5), FeetToAltitude(-6.5)) << absurd;
    }
}

TEST(SampleConversions, BackToSimulatorUnits) {
    EXPECT_EQ(AngleToDegrees(1073741824), 90.0);
    EXPECT_EQ(AngleToDegrees(-536870912), -45.0);
    EXPECT_EQ(AngleToDegrees((int32_t)DegreesToAngle(270.0)), -90.0);
    EXPECT_EQ(AltitudeToMeters(431644213248LL), 100.5);
    EXPECT_EQ(FixedToLever(-16384), -1.0);
    EXPECT_EQ(LongitudeToDegrees(INT64_MIN), -180.0);
    EXPECT_NEAR(LatitudeToDegrees(DegreesToLatitude(47.5)), 47.5, 1e-12);
    EXPECT_NEAR(LongitudeToDegrees(DegreesToLongitude(-122.3)), -122.3, 1e-12);
}
