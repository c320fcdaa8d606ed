// The sample record: the twelve optional field groups, the unpacked FullSample (every
// group present), the per-group-set layout of a packed record, packing and unpacking,
// and the fixed-point conversions shared by capture and playback.
#pragma once

#include <cstdint>
#include <cstring>
#include <limits>
#include <type_traits>

// Optional field groups; a group set is a mask of these. Bits 12..31 mean nothing.
enum SampleGroup : uint32_t {
    Throttles = 0x001,
    Controls = 0x002,
    Spoilers = 0x004,
    Flaps = 0x008,
    Gear = 0x010,
    Lights = 0x020,
    Engines = 0x040,
    NavRadios = 0x080,
    ComRadios = 0x100,
    PropMixture = 0x200,
    DateTime = 0x400,
    Smoke = 0x800,
};
constexpr uint32_t AllSampleGroups = 0xFFF;
constexpr uint32_t DefaultSampleGroups = 0x07F;  // Throttles .. Engines

// Little-endian access to unaligned bytes; records and files use these, never casts.
// On a little-endian machine a value's bytes are already in that order: one copy of
// them is one load or store, where the compiler does not always merge the bytes.
#if defined(__BYTE_ORDER__) && __BYTE_ORDER__ == __ORDER_LITTLE_ENDIAN__
#define KESTREL_LITTLE_ENDIAN 1
#else
#define KESTREL_LITTLE_ENDIAN 0
#endif
inline uint16_t LoadLE16(const uint8_t* p) {
    if (KESTREL_LITTLE_ENDIAN) {
        uint16_t v;
        memcpy(&v, p, 2);
        return v;
    }
    return (uint16_t)(p[0] | (p[1] << 8));
}
inline uint32_t LoadLE32(const uint8_t* p) {
    if (KESTREL_LITTLE_ENDIAN) {
        uint32_t v;
        memcpy(&v, p, 4);
        return v;
    }
    return (uint32_t)p[0] | ((uint32_t)p[1] << 8) | ((uint32_t)p[2] << 16) | ((uint32_t)p[3] << 24);
}
inline uint64_t LoadLE64(const uint8_t* p) {
    if (KESTREL_LITTLE_ENDIAN) {
        uint64_t v;
        memcpy(&v, p, 8);
        return v;
    }
    return (uint64_t)LoadLE32(p) | ((uint64_t)LoadLE32(p + 4) << 32);
}
inline float LoadLEF32(const uint8_t* p) {
    uint32_t bits = LoadLE32(p);
    float value;
    memcpy(&value, &bits, 4);
    return value;
}
inline double LoadLEF64(const uint8_t* p) {
    uint64_t bits = LoadLE64(p);
    double value;
    memcpy(&value, &bits, 8);
    return value;
}
inline void StoreLE16(uint8_t* p, uint16_t v) {
    if (KESTREL_LITTLE_ENDIAN) {
        memcpy(p, &v, 2);
        return;
    }
    p[0] = (uint8_t)v;
    p[1] = (uint8_t)(v >> 8);
}
inline void StoreLE32(uint8_t* p, uint32_t v) {
    if (KESTREL_LITTLE_ENDIAN) {
        memcpy(p, &v, 4);
        return;
    }
    p[0] = (uint8_t)v;
    p[1] = (uint8_t)(v >> 8);
    p[2] = (uint8_t)(v >> 16);
    p[3] = (uint8_t)(v >> 24);
}
inline void StoreLE64(uint8_t* p, uint64_t v) {
    if (KESTREL_LITTLE_ENDIAN) {
        memcpy(p, &v, 8);
        return;
    }
    StoreLE32(p, (uint32_t)v);
    StoreLE32(p + 4, (uint32_t)(v >> 32));
}
inline void StoreLEF32(uint8_t* p, float v) {
    uint32_t bits;
    memcpy(&bits, &v, 4);
    StoreLE32(p, bits);
}
inline void StoreLEF64(uint8_t* p, double v) {
    uint64_t bits;
    memcpy(&bits, &v, 8);
    StoreLE64(p, bits);
}

// Byte offsets of the fields in a FullSample. Inside a packed record a field keeps its
// distance from the start of its block (see SampleLayout).
enum SampleField : uint32_t {
    FieldLatitude = 0,        // int64, degrees * 10001750 * 2^32 / 90
    FieldLongitude = 8,       // int64, degrees * 2^64 / 360
    FieldAltitude = 16,       // int64, metres * 2^32
    FieldPitch = 24,          // int32, 2^32 per turn
    FieldBank = 28,           // int32, 2^32 per turn
    FieldHeading = 32,        // uint32, 2^32 per turn
    FieldVelocityX = 36,      // double, feet/second
    FieldVelocityY = 44,
    FieldVelocityZ = 52,
    FieldOnGround = 60,       // uint8, 0/1
    FieldThrottle1 = 61,      // 4 x int16, lever * 16384
    FieldElevator = 69,       // int16, * 16384
    FieldAileron = 71,
    FieldRudder = 73,
    FieldSpoilers = 75,       // int16, * 16384
    FieldFlapsIndex = 77,     // uint8
    FieldGear = 78,           // int16, * 16384
    FieldLights = 80,         // uint16, switch bits; bit 15 marks the Level-D form
    FieldParkingBrake = 82,   // uint8, 0/1
    FieldEngine1 = 83,        // 4 x uint8, 0/1
    FieldNav1Frequency = 87,  // uint16, BCD16
    FieldNav1Obs = 89,        // int16, degrees
    FieldNav2Frequency = 91,
    FieldNav2Obs = 93,
    FieldAdfFrequency = 95,   // uint32, ADF BCD32
    FieldCom1Frequency = 99,  // uint16, BCD16
    FieldCom2Frequency = 101,
    FieldTransponder = 103,   // uint16, BCO16
    FieldMixture1 = 105,      // 4 x int16, * 16384
    FieldPropeller1 = 113,    // 4 x int16, * 16384
    FieldYear = 121,          // uint8, year - 1900
    FieldDayOfYear = 122,     // uint16, 1 = 1 January
    FieldHour = 124,          // uint8
    FieldMinute = 125,        // uint8
    FieldSecond = 126,        // uint8
    FieldSmoke = 127,         // uint8
    FieldTime = 128,          // uint32, Timeline in 1/10000 s
};
constexpr uint32_t FullSampleSize = 132;

// One sample with every group present: exactly the packed record of group set 0xFFF.
struct FullSample {
    uint8_t bytes[FullSampleSize];
};
static_assert(sizeof(FullSample) == FullSampleSize, "FullSample is the 132-byte record of group set 0xFFF");

inline uint8_t GetSampleU8(const FullSample* s, uint32_t field) { return s->bytes[field]; }
inline uint16_t GetSampleU16(const FullSample* s, uint32_t field) { return LoadLE16(s->bytes + field); }
inline int16_t GetSampleI16(const FullSample* s, uint32_t field) { return (int16_t)LoadLE16(s->bytes + field); }
inline uint32_t GetSampleU32(const FullSample* s, uint32_t field) { return LoadLE32(s->bytes + field); }
inline int32_t GetSampleI32(const FullSample* s, uint32_t field) { return (int32_t)LoadLE32(s->bytes + field); }
inline int64_t GetSampleI64(const FullSample* s, uint32_t field) { return (int64_t)LoadLE64(s->bytes + field); }
inline double GetSampleF64(const FullSample* s, uint32_t field) { return LoadLEF64(s->bytes + field); }
inline void SetSampleU8(FullSample* s, uint32_t field, uint8_t v) { s->bytes[field] = v; }
inline void SetSampleU16(FullSample* s, uint32_t field, uint16_t v) { StoreLE16(s->bytes + field, v); }
inline void SetSampleI16(FullSample* s, uint32_t field, int16_t v) { StoreLE16(s->bytes + field, (uint16_t)v); }
inline void SetSampleU32(FullSample* s, uint32_t field, uint32_t v) { StoreLE32(s->bytes + field, v); }
inline void SetSampleI32(FullSample* s, uint32_t field, int32_t v) { StoreLE32(s->bytes + field, (uint32_t)v); }
inline void SetSampleI64(FullSample* s, uint32_t field, int64_t v) { StoreLE64(s->bytes + field, (uint64_t)v); }
inline void SetSampleF64(FullSample* s, uint32_t field, double v) { StoreLEF64(s->bytes + field, v); }

// The blocks of a record in storage order; a block is copied whole when packing.
enum SampleBlock : uint32_t {
    BlockPosition,      // latitude .. heading, 36 bytes
    BlockVelocity,      // 24 bytes
    BlockOnGround,
    BlockThrottles,
    BlockElevator,
    BlockAileron,
    BlockRudder,
    BlockSpoilers,
    BlockFlapsIndex,
    BlockGear,
    BlockLights,
    BlockParkingBrake,
    BlockEngines,
    BlockNavRadios,
    BlockComRadios,
    BlockMixture,
    BlockPropeller,
    BlockDateTime,
    BlockSmoke,
    BlockTime,
    SampleBlockCount
};

// Offsets of the blocks in the packed record of one group set, then its size. The
// offset of a block whose group is absent is 0 and means nothing.
struct SampleLayout {
    uint32_t offsets[SampleBlockCount];
    uint32_t recordSize;
};
static_assert(sizeof(SampleLayout) == 84, "twenty block offsets and the record size");

SampleLayout ComputeSampleLayout(uint32_t groups);
uint32_t SampleRecordSize(uint32_t groups);
// Offset inside a packed record of the FullSample field at fullOffset; the field's
// group must be in the layout's set.
uint32_t RecordFieldOffset(const SampleLayout* layout, uint32_t fullOffset);
// Copy the blocks present in groups between the FullSample and a packed record of
// layout (which must be the layout of groups). Absent blocks are left untouched.
void PackSample(const FullSample* full, const SampleLayout* layout, uint32_t groups, uint8_t* record);
void UnpackSample(const uint8_t* record, const SampleLayout* layout, uint32_t groups, FullSample* full);

// Every conversion of a double to an integer goes through here: truncation toward
// zero, a NaN gives 0 and a value beyond Int's range gives the nearest limit (a cast
// would be undefined there).
template <typename Int>
inline Int SaturateToInt(double value) {
    static_assert(std::is_integral<Int>::value, "an integer type");
    constexpr double lowest = (double)std::numeric_limits<Int>::min();                  // 0 or -2^(n-1)
    constexpr double limit = (double)(std::numeric_limits<Int>::max() / 2 + 1) * 2.0;  // max + 1
    if (value >= lowest && value < limit) return (Int)value;  // the usual case; false for NaN
    if (value != value) return 0;
    return value < lowest ? std::numeric_limits<Int>::min() : std::numeric_limits<Int>::max();
}

// Fixed-point conversions. Simulator values truncate toward zero to 64 bits
// (saturating there) and narrower fields keep the low bits of that, so angles and
// levers wrap as they always have. Inline: a capture converts some 50 values.
constexpr double TwoTo32 = 4294967296.0;
constexpr double TwoTo63 = 9223372036854775808.0;
constexpr double TwoTo64 = 18446744073709551616.0;
constexpr double LatitudeUnitsPerDegree = 10001750.0 * TwoTo32 / 90.0;  // 477302101697422.25
constexpr double LongitudeUnitsPerDegree = TwoTo64 / 360.0;
constexpr double AngleUnitsPerDegree = TwoTo32 / 360.0;
constexpr double LeverUnits = 16384.0;  // per full travel

inline int64_t DegreesToLatitude(double degrees) { return SaturateToInt<int64_t>(degrees * LatitudeUnitsPerDegree); }
// +180 degrees is the meridian of -180, which is what the field holds for it.
inline int64_t DegreesToLongitude(double degrees) {
    double units = degrees * LongitudeUnitsPerDegree;
    return units == TwoTo63 ? INT64_MIN : SaturateToInt<int64_t>(units);
}
inline int64_t MetersToAltitude(double meters) { return SaturateToInt<int64_t>(meters * TwoTo32); }
// Height corrections: feet * 0.3048 * 2^32.
inline int64_t FeetToAltitude(double feet) { return SaturateToInt<int64_t>(feet * 0.3048 * TwoTo32); }
// Height correction from one CG height above the ground to another (feet): the
// altitude to add to a track recorded with trackCgFeet when it is flown by an
// aircraft whose CG height is aircraftCgFeet. A CG height that is not finite or lies
// beyond 1000 ft is no real one and counts as 0.
int64_t CgHeightOffset(double aircraftCgFeet, double trackCgFeet);
// Pitch, bank (as int32) and heading (as uint32).
inline uint32_t DegreesToAngle(double degrees) {
    return (uint32_t)(uint64_t)SaturateToInt<int64_t>(degrees * AngleUnitsPerDegree);
}
// Levers and surfaces: * 16384, low 16 bits.
inline int16_t LeverToFixed(double position) {
    return (int16_t)(uint16_t)(uint64_t)SaturateToInt<int64_t>(position * LeverUnits);
}

// Back to simulator units by the reciprocal factors (exact powers of two except for
// latitude), so playback sends the values the recording was made from.
inline double LatitudeToDegrees(int64_t latitude) { return (double)latitude * (90.0 / (10001750.0 * TwoTo32)); }
inline double LongitudeToDegrees(int64_t longitude) { return (double)longitude * (360.0 / TwoTo64); }
inline double AltitudeToMeters(int64_t altitude) { return (double)altitude / TwoTo32; }
// -180 .. 180; a heading of 270 gives -90.
inline double AngleToDegrees(int32_t angle) { return (double)angle * (360.0 / TwoTo32); }
inline double FixedToLever(int16_t value) { return (double)value / LeverUnits; }
