// The CSV column table and its exact decimal conversions. Fixed-point fields hold more
// bits than a double (a latitude has 62), so they are turned into decimals and back with
// integer arithmetic, rounding to the nearest: printed with a step below the field's
// resolution, a value always reads back to the same integer.
#include "tools/kestrel-frc/csvformat.h"

#include <charconv>

#include "tools/kestrel-frc/textformat.h"

const char* const CsvLeadingColumns[4] = {"track", "title", "time_s", "utc"};

namespace {

// An unsigned integer of 256 bits in 32-bit limbs, lowest first: a 64-bit fixed-point
// value times its scale and a power of ten fits with room to spare.
struct Wide {
    uint32_t limb[8] = {};
};

Wide WideFrom(uint64_t value) {
    Wide w;
    w.limb[0] = (uint32_t)value;
    w.limb[1] = (uint32_t)(value >> 32);
    return w;
}

void Multiply(Wide* w, uint32_t factor) {
    uint64_t carry = 0;
    for (uint32_t& limb : w->limb) {
        uint64_t v = (uint64_t)limb * factor + carry;
        limb = (uint32_t)v;
        carry = v >> 32;
    }
}

void Add(Wide* w, uint32_t addend) {
    uint64_t carry = addend;
    for (uint32_t& limb : w->limb) {
        if (carry == 0) break;
        uint64_t v = (uint64_t)limb + carry;
        limb = (uint32_t)v;
        carry = v >> 32;
    }
}

uint32_t Divide(Wide* w, uint32_t divisor) {
    uint64_t remainder = 0;
    for (int i = 7; i >= 0; --i) {
        uint64_t v = (remainder << 32) | w->limb[i];
        w->limb[i] = (uint32_t)(v / divisor);
        remainder = v % divisor;
    }
    return (uint32_t)remainder;
}

void Shift(Wide* w, int bits) {  // left for bits > 0, right for bits < 0
    while (bits != 0) {
        int step = bits > 0 ? (bits > 31 ? 31 : bits) : (bits < -31 ? -31 : bits);
        if (step > 0) {
            Multiply(w, 1u << step);
        } else {
            uint32_t carry = 0;
            for (int i = 7; i >= 0; --i) {
                uint32_t limb = w->limb[i];
                w->limb[i] = (limb >> -step) | carry;
                carry = limb << (32 + step);
            }
        }
        bits -= step;
    }
}

bool IsZero(const Wide& w) {
    for (uint32_t limb : w.limb)
        if (limb != 0) return false;
    return true;
}

bool ToU64(const Wide& w, uint64_t* value) {
    for (int i = 2; i < 8; ++i)
        if (w.limb[i] != 0) return false;
    *value = (uint64_t)w.limb[0] | ((uint64_t)w.limb[1] << 32);
    return true;
}

std::string ToDecimal(Wide w) {
    std::string digits;
    do digits.insert(digits.begin(), (char)('0' + Divide(&w, 10)));
    while (!IsZero(w));
    return digits;
}

// physical value = stored * num / (den * 2^shift), printed with `decimals` digits.
struct FixedScale {
    uint32_t num, den;
    int shift, decimals;
};
// A step of 10^-decimals is under half the resolution in each case (latitude 2.1e-15
// degrees, longitude 1.95e-17, altitude 2.3e-10 m, angles 8.4e-8 degrees, levers 6.1e-5).
constexpr FixedScale LatitudeScale = {90, 10001750, 32, 15};
constexpr FixedScale LongitudeScale = {360, 1, 64, 17};
constexpr FixedScale AltitudeScale = {1, 1, 32, 10};
constexpr FixedScale AngleScale = {360, 1, 32, 8};
constexpr FixedScale LeverScale = {1, 1, 14, 6};

std::string FormatScaled(bool negative, uint64_t magnitude, const FixedScale& scale) {
    // round(magnitude * num * 10^decimals / (den * 2^shift)) = floor((2x / y + 1) / 2).
    Wide w = WideFrom(magnitude);
    Multiply(&w, scale.num);
    for (int i = 0; i < scale.decimals; ++i) Multiply(&w, 10);
    Shift(&w, 1 - scale.shift);
    Divide(&w, scale.den);
    Add(&w, 1);
    Shift(&w, -1);
    std::string digits = ToDecimal(w);
    if (digits.size() <= (size_t)scale.decimals) digits.insert(0, scale.decimals + 1 - digits.size(), '0');
    digits.insert(digits.size() - scale.decimals, ".");
    while (digits.back() == '0') digits.pop_back();
    if (digits.back() == '.') digits.pop_back();
    if (negative && digits != "0") digits.insert(0, "-");
    return digits;
}

// The inverse: the stored magnitude nearest to the decimal text. Plain decimals only.
bool ParseScaled(const std::string& text, const FixedScale& scale, bool* negative, uint64_t* magnitude) {
    size_t at = 0;
    *negative = false;
    if (at < text.size() && (text[at] == '-' || text[at] == '+')) *negative = text[at++] == '-';
    Wide w;
    int digits = 0, decimals = 0;
    bool point = false;
    for (; at < text.size(); ++at) {
        char c = text[at];
        if (c == '.' && !point) {
            point = true;
        } else if (c >= '0' && c <= '9') {
            if (++digits > 40) return false;  // keeps the product within 256 bits
            Multiply(&w, 10);
            Add(&w, (uint32_t)(c - '0'));
            if (point) ++decimals;
        } else {
            return false;
        }
    }
    if (digits == 0) return false;
    // round(x / y) with x = value * den * 2^shift and y = num * 10^decimals: floor(2x / y)
    // by successive floor divisions, then half of it plus one, floored.
    Multiply(&w, scale.den);
    Shift(&w, scale.shift + 1);
    Divide(&w, scale.num);
    for (int i = 0; i < decimals; ++i) Divide(&w, 10);
    Add(&w, 1);
    Shift(&w, -1);
    return ToU64(w, magnitude);
}

std::string FormatSigned(int64_t value, const FixedScale& scale) {
    bool negative = value < 0;
    return FormatScaled(negative, negative ? 0 - (uint64_t)value : (uint64_t)value, scale);
}

// A signed field of `bits` bits: the decimal must lie within its range.
bool ParseSigned(const std::string& text, const FixedScale& scale, int bits, int64_t* value) {
    bool negative;
    uint64_t magnitude;
    if (!ParseScaled(text, scale, &negative, &magnitude)) return false;
    uint64_t limit = (uint64_t)1 << (bits - 1);
    if (negative ? magnitude > limit : magnitude >= limit) return false;
    *value = negative ? (int64_t)(0 - magnitude) : (int64_t)magnitude;
    return true;
}

bool ParseInteger(const std::string& text, int64_t low, int64_t high, int64_t* value) {
    const char* end = text.data() + text.size();
    auto result = std::from_chars(text.data(), end, *value);
    return !text.empty() && result.ec == std::errc() && result.ptr == end && *value >= low && *value <= high;
}

template <typename Unsigned>
bool ParseHex(const std::string& text, int width, Unsigned* value) {
    if (text.size() != (size_t)width + 2 || text[0] != '0' || (text[1] != 'x' && text[1] != 'X')) return false;
    const char* end = text.data() + text.size();
    auto result = std::from_chars(text.data() + 2, end, *value, 16);
    return result.ec == std::errc() && result.ptr == end;
}

// Each 4-bit nibble is one digit no larger than maxDigit.
bool NibblesAreDigits(uint32_t value, int count, uint32_t maxDigit) {
    for (int i = 0; i < count; ++i)
        if (((value >> (4 * i)) & 0xF) > maxDigit) return false;
    return true;
}

std::string FormatFrequency(uint16_t bcd) {
    // The hundreds digit is implied: 0x1345 is 113.45 MHz. Anything else keeps its code.
    if (!NibblesAreDigits(bcd, 4, 9)) return FormatHex(bcd, 4);
    std::string digits = FormatHex(bcd, 4).substr(2);
    return "1" + digits.substr(0, 2) + "." + digits.substr(2);
}

bool ParseFrequency(const std::string& text, uint16_t* bcd) {
    uint32_t code;
    if (ParseHex(text, 4, &code)) {
        *bcd = (uint16_t)code;
        return true;
    }
    if (text.size() != 6 || text[0] != '1' || text[3] != '.') return false;
    std::string digits = text.substr(1, 2) + text.substr(4, 2);
    if (digits.find_first_not_of("0123456789") != std::string::npos) return false;
    *bcd = (uint16_t)std::stoul(digits, nullptr, 16);
    return true;
}

std::string FormatSquawk(uint16_t bco) {
    if (!NibblesAreDigits(bco, 4, 7)) return FormatHex(bco, 4);
    return FormatHex(bco, 4).substr(2);
}

bool ParseSquawk(const std::string& text, uint16_t* bco) {
    uint32_t code;
    if (ParseHex(text, 4, &code)) {
        *bco = (uint16_t)code;
        return true;
    }
    if (text.size() != 4 || text.find_first_not_of("01234567") != std::string::npos) return false;
    *bco = (uint16_t)std::stoul(text, nullptr, 16);
    return true;
}

std::vector<CsvColumn> MakeColumns() {
    std::vector<CsvColumn> c = {
        {"latitude", 0, FieldLatitude, CsvKind::Latitude},
        {"longitude", 0, FieldLongitude, CsvKind::Longitude},
        {"altitude_m", 0, FieldAltitude, CsvKind::Altitude},
        {"pitch", 0, FieldPitch, CsvKind::Angle},
        {"bank", 0, FieldBank, CsvKind::Angle},
        {"heading", 0, FieldHeading, CsvKind::Heading},
        {"velocity_east_ft_s", 0, FieldVelocityX, CsvKind::Velocity},
        {"velocity_up_ft_s", 0, FieldVelocityY, CsvKind::Velocity},
        {"velocity_north_ft_s", 0, FieldVelocityZ, CsvKind::Velocity},
        {"on_ground", 0, FieldOnGround, CsvKind::Unsigned8},
        {"parking_brake", 0, FieldParkingBrake, CsvKind::Unsigned8},
    };
    static const char* const throttles[] = {"throttle1", "throttle2", "throttle3", "throttle4"};
    for (uint32_t i = 0; i < 4; ++i) c.push_back({throttles[i], Throttles, FieldThrottle1 + 2 * i, CsvKind::Lever});
    c.push_back({"elevator", Controls, FieldElevator, CsvKind::Lever});
    c.push_back({"aileron", Controls, FieldAileron, CsvKind::Lever});
    c.push_back({"rudder", Controls, FieldRudder, CsvKind::Lever});
    c.push_back({"spoilers", Spoilers, FieldSpoilers, CsvKind::Lever});
    c.push_back({"flaps_index", Flaps, FieldFlapsIndex, CsvKind::Unsigned8});
    c.push_back({"gear", Gear, FieldGear, CsvKind::Lever});
    c.push_back({"lights", Lights, FieldLights, CsvKind::Unsigned16});
    static const char* const engines[] = {"engine1", "engine2", "engine3", "engine4"};
    for (uint32_t i = 0; i < 4; ++i) c.push_back({engines[i], Engines, FieldEngine1 + i, CsvKind::Unsigned8});
    c.push_back({"nav1_mhz", NavRadios, FieldNav1Frequency, CsvKind::Frequency});
    c.push_back({"nav1_obs", NavRadios, FieldNav1Obs, CsvKind::Signed16});
    c.push_back({"nav2_mhz", NavRadios, FieldNav2Frequency, CsvKind::Frequency});
    c.push_back({"nav2_obs", NavRadios, FieldNav2Obs, CsvKind::Signed16});
    c.push_back({"adf_bcd32", NavRadios, FieldAdfFrequency, CsvKind::Adf});
    c.push_back({"com1_mhz", ComRadios, FieldCom1Frequency, CsvKind::Frequency});
    c.push_back({"com2_mhz", ComRadios, FieldCom2Frequency, CsvKind::Frequency});
    c.push_back({"transponder", ComRadios, FieldTransponder, CsvKind::Squawk});
    static const char* const mixtures[] = {"mixture1", "mixture2", "mixture3", "mixture4"};
    for (uint32_t i = 0; i < 4; ++i) c.push_back({mixtures[i], PropMixture, FieldMixture1 + 2 * i, CsvKind::Lever});
    static const char* const propellers[] = {"propeller1", "propeller2", "propeller3", "propeller4"};
    for (uint32_t i = 0; i < 4; ++i) c.push_back({propellers[i], PropMixture, FieldPropeller1 + 2 * i, CsvKind::Lever});
    c.push_back({"zulu_year", DateTime, FieldYear, CsvKind::Year});
    c.push_back({"zulu_day_of_year", DateTime, FieldDayOfYear, CsvKind::Unsigned16});
    c.push_back({"zulu_hour", DateTime, FieldHour, CsvKind::Unsigned8});
    c.push_back({"zulu_minute", DateTime, FieldMinute, CsvKind::Unsigned8});
    c.push_back({"zulu_second", DateTime, FieldSecond, CsvKind::Unsigned8});
    c.push_back({"smoke", Smoke, FieldSmoke, CsvKind::Unsigned8});
    return c;
}

}  // namespace

const std::vector<CsvColumn>& CsvSampleColumns() {
    static const std::vector<CsvColumn> columns = MakeColumns();
    return columns;
}

std::vector<CsvColumn> CsvColumnsFor(uint32_t groups) {
    std::vector<CsvColumn> present;
    for (const CsvColumn& column : CsvSampleColumns())
        if (column.group == 0 || (groups & column.group) != 0) present.push_back(column);
    return present;
}

std::string FormatCsvValue(const FullSample& sample, const CsvColumn& column) {
    const FullSample* s = &sample;
    uint32_t f = column.field;
    switch (column.kind) {
        case CsvKind::Latitude: return FormatSigned(GetSampleI64(s, f), LatitudeScale);
        case CsvKind::Longitude: return FormatSigned(GetSampleI64(s, f), LongitudeScale);
        case CsvKind::Altitude: return FormatSigned(GetSampleI64(s, f), AltitudeScale);
        case CsvKind::Angle: return FormatSigned(GetSampleI32(s, f), AngleScale);
        case CsvKind::Heading: return FormatScaled(false, GetSampleU32(s, f), AngleScale);
        case CsvKind::Velocity: {
            // A NaN has no decimal that keeps its bits: it is written as them.
            double v = GetSampleF64(s, f);
            return v == v ? FormatShortest(v) : FormatHex(LoadLE64(s->bytes + f), 16);
        }
        case CsvKind::Lever: return FormatSigned(GetSampleI16(s, f), LeverScale);
        case CsvKind::Unsigned8: return std::to_string(GetSampleU8(s, f));
        case CsvKind::Unsigned16: return std::to_string(GetSampleU16(s, f));
        case CsvKind::Signed16: return std::to_string(GetSampleI16(s, f));
        case CsvKind::Year: return std::to_string(1900 + GetSampleU8(s, f));
        case CsvKind::Frequency: return FormatFrequency(GetSampleU16(s, f));
        case CsvKind::Squawk: return FormatSquawk(GetSampleU16(s, f));
        case CsvKind::Adf: return FormatHex(GetSampleU32(s, f), 8);
    }
    return std::string();
}

bool ParseCsvValue(const std::string& text, const CsvColumn& column, FullSample* sample) {
    uint32_t f = column.field;
    int64_t value;
    switch (column.kind) {
        case CsvKind::Latitude:
        case CsvKind::Longitude:
        case CsvKind::Altitude: {
            const FixedScale& scale = column.kind == CsvKind::Latitude    ? LatitudeScale
                                      : column.kind == CsvKind::Longitude ? LongitudeScale
                                                                          : AltitudeScale;
            if (!ParseSigned(text, scale, 64, &value)) return false;
            SetSampleI64(sample, f, value);
            return true;
        }
        case CsvKind::Angle:
            if (!ParseSigned(text, AngleScale, 32, &value)) return false;
            SetSampleI32(sample, f, (int32_t)value);
            return true;
        case CsvKind::Heading: {
            bool negative;
            uint64_t magnitude;
            if (!ParseScaled(text, AngleScale, &negative, &magnitude) || magnitude > 0xFFFFFFFFu) return false;
            if (negative && magnitude != 0) return false;
            SetSampleU32(sample, f, (uint32_t)magnitude);
            return true;
        }
        case CsvKind::Velocity: {
            double v;
            uint64_t bits;
            if (ParseHex(text, 16, &bits)) {
                StoreLE64(sample->bytes + f, bits);
                return true;
            }
            if (!ParseDouble(text, &v) || v != v) return false;
            SetSampleF64(sample, f, v);
            return true;
        }
        case CsvKind::Lever:
            if (!ParseSigned(text, LeverScale, 16, &value)) return false;
            SetSampleI16(sample, f, (int16_t)value);
            return true;
        case CsvKind::Unsigned8:
            if (!ParseInteger(text, 0, 255, &value)) return false;
            SetSampleU8(sample, f, (uint8_t)value);
            return true;
        case CsvKind::Unsigned16:
            if (!ParseInteger(text, 0, 65535, &value)) return false;
            SetSampleU16(sample, f, (uint16_t)value);
            return true;
        case CsvKind::Signed16:
            if (!ParseInteger(text, -32768, 32767, &value)) return false;
            SetSampleI16(sample, f, (int16_t)value);
            return true;
        case CsvKind::Year:
            if (!ParseInteger(text, 1900, 2155, &value)) return false;
            SetSampleU8(sample, f, (uint8_t)(value - 1900));
            return true;
        case CsvKind::Frequency:
        case CsvKind::Squawk: {
            uint16_t code;
            if (!(column.kind == CsvKind::Frequency ? ParseFrequency(text, &code) : ParseSquawk(text, &code)))
                return false;
            SetSampleU16(sample, f, code);
            return true;
        }
        case CsvKind::Adf: {
            uint32_t code;
            if (!ParseHex(text, 8, &code)) return false;
            SetSampleU32(sample, f, code);
            return true;
        }
    }
    return false;
}

bool ParseCsvTime(const std::string& text, uint32_t* sampleTime) {
    size_t point = text.find('.');
    std::string whole = text.substr(0, point), fraction = point == std::string::npos ? "" : text.substr(point + 1);
    if (whole.empty() || fraction.size() > 4 || whole.find_first_not_of("0123456789") != std::string::npos ||
        fraction.find_first_not_of("0123456789") != std::string::npos || whole.size() > 6)
        return false;
    uint64_t ticks = std::stoull(whole) * 10000 +
                     (fraction.empty() ? 0 : std::stoull(fraction + std::string(4 - fraction.size(), '0')));
    if (ticks > 0xFFFFFFFFu) return false;
    *sampleTime = (uint32_t)ticks;
    return true;
}

std::string CsvQuote(const std::string& text) {
    if (text.find_first_of(",\"\r\n") == std::string::npos) return text;
    std::string quoted = "\"";
    for (char c : text) {
        if (c == '"') quoted += '"';
        quoted += c;
    }
    return quoted + "\"";
}
