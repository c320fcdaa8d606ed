// The simulated aircraft: the fleet (the user's aircraft first, then AI aircraft in
// creation order), their simulation variables by SimConnect name and unit, the freeze
// flags, exact placement, the world's Zulu clock and the per-frame CSV trace.
// Values are stored in one base unit per kind (degrees, metres, feet per second, lever
// position, MHz, kHz) and converted on every read and write, so each unit the module or
// a test names round-trips through the same numbers.
#include "vsim/sim/aircraft.h"

#include <algorithm>
#include <cctype>
#include <cmath>

#include "vsim/sim/aircraftstate.h"
#include "vsim/sim/flightplans.h"
#include "vsim/sim/simhost.h"

namespace vsim {

namespace {

const char* const DefaultUserTitle = "Kestrel Skylark 180";
const double DefaultUserCgFeet = 4.5;
const double DefaultAiCgFeet = 6.0;
const double OnGroundTolerance = 0.3;  // metres above the CG height that still count as on the ground

std::vector<SimAircraft> Fleet;  // [0] the user's aircraft; AI aircraft in creation order
uint32_t NextObjectId = 2;       // object ids are never reused
bool WorldReady = false;

// The world's date and time, advanced by simulated time.
double ZuluYear = 2024.0;
double ZuluDayOfYear = 172.0;  // 1 = 1 January
double ZuluSeconds = 43200.0;  // seconds since midnight

FILE* TraceFile = nullptr;
std::string TracePath;

void EnsureWorld() {
    if (!WorldReady) ResetAircraft();
}

SimAircraft* FindAircraft(uint32_t objectId) {
    EnsureWorld();
    for (SimAircraft& aircraft : Fleet)
        if (aircraft.objectId == objectId) return &aircraft;
    return nullptr;
}

bool IsLeapYear(int year) { return (year % 4 == 0 && year % 100 != 0) || year % 400 == 0; }

void AdvanceZulu(double seconds) {
    ZuluSeconds += seconds;
    while (ZuluSeconds >= 86400.0) {
        ZuluSeconds -= 86400.0;
        ZuluDayOfYear += 1.0;
        if (ZuluDayOfYear > (IsLeapYear(int(ZuluYear)) ? 366.0 : 365.0)) {
            ZuluDayOfYear = 1.0;
            ZuluYear += 1.0;
        }
    }
}

// ---- Units ---------------------------------------------------------------------------

enum VarKind {
    KindAngle,         // base: degrees
    KindLength,        // base: metres
    KindHeight,        // base: feet (heights the simulator keeps in feet)
    KindSpeed,         // base: feet per second
    KindBool,          // base: 0 or 1
    KindPosition,      // base: lever or surface position (0..1 or -1..1)
    KindCount,         // base: a plain number
    KindTime,          // base: seconds
    KindFrequency,     // base: MHz (nav and com radios)
    KindAdfFrequency,  // base: kHz
    KindSquawk,        // base: the four octal digits of the code read as a decimal number
};

enum UnitCode {
    UnitDegrees, UnitRadians, UnitMeters, UnitFeet, UnitFeetPerSecond, UnitMetersPerSecond, UnitKnots,
    UnitFeetPerMinute, UnitBool, UnitPosition, UnitPercent, UnitPosition16k, UnitNumber, UnitSeconds,
    UnitMinutes, UnitHours, UnitMhz, UnitKhz, UnitHz, UnitBcd16, UnitAdfBcd32, UnitBco16,
};

const struct {
    const char* name;
    UnitCode code;
} UnitNames[] = {
    {"degrees", UnitDegrees}, {"degree", UnitDegrees}, {"radians", UnitRadians}, {"radian", UnitRadians},
    {"meters", UnitMeters}, {"meter", UnitMeters}, {"metres", UnitMeters}, {"metre", UnitMeters},
    {"feet", UnitFeet}, {"foot", UnitFeet}, {"feet/second", UnitFeetPerSecond},
    {"feet per second", UnitFeetPerSecond}, {"meters/second", UnitMetersPerSecond},
    {"meters per second", UnitMetersPerSecond}, {"knots", UnitKnots}, {"knot", UnitKnots},
    {"feet/minute", UnitFeetPerMinute}, {"feet per minute", UnitFeetPerMinute}, {"bool", UnitBool},
    {"boolean", UnitBool}, {"position", UnitPosition}, {"percent over 100", UnitPosition},
    {"percent", UnitPercent}, {"position 16k", UnitPosition16k}, {"number", UnitNumber}, {"enum", UnitNumber},
    {"seconds", UnitSeconds}, {"second", UnitSeconds}, {"minutes", UnitMinutes}, {"hours", UnitHours},
    {"mhz", UnitMhz}, {"khz", UnitKhz}, {"hz", UnitHz}, {"frequency bcd16", UnitBcd16},
    {"frequency adf bcd32", UnitAdfBcd32}, {"bco16", UnitBco16},
};

std::string NormalizeName(const std::string& text) {
    std::string out;
    for (char c : text) {
        if (std::isspace(static_cast<unsigned char>(c))) {
            if (!out.empty() && out.back() != ' ') out += ' ';
        } else {
            out += char(std::tolower(static_cast<unsigned char>(c)));
        }
    }
    if (!out.empty() && out.back() == ' ') out.pop_back();
    return out;
}

bool ParseUnit(const std::string& text, UnitCode* code) {
    std::string name = NormalizeName(text);
    for (const auto& unit : UnitNames) {
        if (name == unit.name) {
            *code = unit.code;
            return true;
        }
    }
    return false;
}

// Base value × factor = value in the unit, for the units that are a plain scale.
bool LinearFactor(VarKind kind, UnitCode unit, double* factor) {
    const double Pi = 3.14159265358979323846;
    switch (kind) {
        case KindAngle:
            if (unit == UnitDegrees) *factor = 1.0;
            else if (unit == UnitRadians) *factor = Pi / 180.0;
            else return false;
            return true;
        case KindLength:
            if (unit == UnitMeters) *factor = 1.0;
            else if (unit == UnitFeet) *factor = FeetPerMetre;
            else return false;
            return true;
        case KindHeight:
            if (unit == UnitFeet) *factor = 1.0;
            else if (unit == UnitMeters) *factor = 0.3048;
            else return false;
            return true;
        case KindSpeed:
            if (unit == UnitFeetPerSecond) *factor = 1.0;
            else if (unit == UnitMetersPerSecond) *factor = 0.3048;
            else if (unit == UnitKnots) *factor = 0.3048 * 3600.0 / 1852.0;
            else if (unit == UnitFeetPerMinute) *factor = 60.0;
            else return false;
            return true;
        case KindBool:
            if (unit != UnitBool && unit != UnitNumber) return false;
            *factor = 1.0;
            return true;
        case KindPosition:
            if (unit == UnitPosition || unit == UnitNumber) *factor = 1.0;
            else if (unit == UnitPercent) *factor = 100.0;
            else if (unit == UnitPosition16k) *factor = 16384.0;
            else return false;
            return true;
        case KindCount:
            if (unit != UnitNumber) return false;
            *factor = 1.0;
            return true;
        case KindTime:
            if (unit == UnitSeconds) *factor = 1.0;
            else if (unit == UnitMinutes) *factor = 1.0 / 60.0;
            else if (unit == UnitHours) *factor = 1.0 / 3600.0;
            else return false;
            return true;
        case KindFrequency:
            if (unit == UnitMhz) *factor = 1.0;
            else if (unit == UnitKhz) *factor = 1e3;
            else if (unit == UnitHz) *factor = 1e6;
            else return false;
            return true;
        case KindAdfFrequency:
            if (unit == UnitKhz) *factor = 1.0;
            else if (unit == UnitHz) *factor = 1e3;
            else if (unit == UnitMhz) *factor = 1e-3;
            else return false;
            return true;
        case KindSquawk:
            if (unit != UnitNumber) return false;
            *factor = 1.0;
            return true;
    }
    return false;
}

// Packs the decimal digits of a number into nibbles: 1810 -> 0x1810.
uint32_t ToBcd(uint32_t number) {
    uint32_t bcd = 0;
    for (int shift = 0; number != 0 && shift < 32; shift += 4, number /= 10) bcd |= (number % 10) << shift;
    return bcd;
}

// The reverse; false when a nibble is not a digit below `radix` (10, or 8 for a squawk).
bool FromBcd(double value, uint32_t radix, uint32_t* number) {
    if (!(value >= 0.0 && value <= 4294967295.0)) return false;
    uint32_t bcd = uint32_t(value);
    uint32_t result = 0;
    for (int shift = 28; shift >= 0; shift -= 4) {
        uint32_t digit = (bcd >> shift) & 0xF;
        if (digit >= radix) return false;
        result = result * 10 + digit;
    }
    *number = result;
    return true;
}

bool ToUnit(VarKind kind, UnitCode unit, double base, double* value) {
    if (kind == KindFrequency && unit == UnitBcd16) {
        // The four digits after the leading 1, in hundredths of a MHz: 118.10 -> 0x1810.
        uint32_t hundredths = uint32_t(std::floor(base * 100.0 + 1e-6));
        *value = double(ToBcd(hundredths % 10000));
        return true;
    }
    if (kind == KindAdfFrequency && unit == UnitAdfBcd32) {
        *value = double(ToBcd(uint32_t(std::floor(base * 1000.0 + 1e-6)) % 100000000));  // Hz
        return true;
    }
    if (kind == KindSquawk && unit == UnitBco16) {
        *value = double(ToBcd(uint32_t(base) % 10000));
        return true;
    }
    double factor = 1.0;
    if (!LinearFactor(kind, unit, &factor)) return false;
    *value = base * factor;
    return true;
}

bool FromUnit(VarKind kind, UnitCode unit, double value, double* base) {
    uint32_t number = 0;
    if (kind == KindFrequency && unit == UnitBcd16) {
        if (value > 65535.0 || !FromBcd(value, 10, &number)) return false;
        *base = (10000.0 + number) / 100.0;
        return true;
    }
    if (kind == KindAdfFrequency && unit == UnitAdfBcd32) {
        if (!FromBcd(value, 10, &number)) return false;
        *base = number / 1000.0;
        return true;
    }
    if (kind == KindSquawk && unit == UnitBco16) {
        if (value > 65535.0 || !FromBcd(value, 8, &number)) return false;
        *base = number;
        return true;
    }
    double factor = 1.0;
    if (!LinearFactor(kind, unit, &factor) || !std::isfinite(value)) return false;
    *base = value / factor;
    if (kind == KindBool) *base = value != 0.0 ? 1.0 : 0.0;
    return true;
}

// ---- Variables -------------------------------------------------------------------------

enum VarId {
    VarLatitude, VarLongitude, VarAltitude, VarPitch, VarBank, VarHeading, VarOnGround, VarVelocityX,
    VarVelocityY, VarVelocityZ, VarThrottle, VarMixture, VarPropeller, VarElevator, VarAileron, VarRudder,
    VarSpoilers, VarFlaps, VarGearHandle, VarGearCenter, VarGearLeft, VarGearRight, VarLight, VarParkingBrake,
    VarCombustion, VarNavFrequency, VarNavObs, VarAdfFrequency, VarComFrequency, VarTransponder, VarZuluYear,
    VarZuluDay, VarZuluTime, VarSmoke, VarCgHeight,
};

struct SimVarInfo {
    const char* name;  // lower case, as NormalizeName leaves it
    VarId id;
    VarKind kind;
    const char* defaultUnit;  // the unit a null or empty unit stands for
    int indexCount;           // 0: no index; n: ":1" to ":n" (a missing index means 1)
    uint32_t bit;             // the light's bit
};

const SimVarInfo SimVars[] = {
    {"plane latitude", VarLatitude, KindAngle, "radians", 0, 0},
    {"plane longitude", VarLongitude, KindAngle, "radians", 0, 0},
    {"plane altitude", VarAltitude, KindLength, "feet", 0, 0},
    {"plane pitch degrees", VarPitch, KindAngle, "radians", 0, 0},
    {"plane bank degrees", VarBank, KindAngle, "radians", 0, 0},
    {"plane heading degrees true", VarHeading, KindAngle, "radians", 0, 0},
    {"sim on ground", VarOnGround, KindBool, "bool", 0, 0},
    {"velocity world x", VarVelocityX, KindSpeed, "feet per second", 0, 0},
    {"velocity world y", VarVelocityY, KindSpeed, "feet per second", 0, 0},
    {"velocity world z", VarVelocityZ, KindSpeed, "feet per second", 0, 0},
    {"general eng throttle lever position", VarThrottle, KindPosition, "position", 4, 0},
    {"general eng mixture lever position", VarMixture, KindPosition, "position", 4, 0},
    {"general eng propeller lever position", VarPropeller, KindPosition, "position", 4, 0},
    {"elevator position", VarElevator, KindPosition, "position", 0, 0},
    {"aileron position", VarAileron, KindPosition, "position", 0, 0},
    {"rudder position", VarRudder, KindPosition, "position", 0, 0},
    {"spoilers handle position", VarSpoilers, KindPosition, "position", 0, 0},
    {"flaps handle index", VarFlaps, KindCount, "number", 0, 0},
    {"gear handle position", VarGearHandle, KindPosition, "position", 0, 0},
    {"gear center position", VarGearCenter, KindPosition, "position", 0, 0},
    {"gear left position", VarGearLeft, KindPosition, "position", 0, 0},
    {"gear right position", VarGearRight, KindPosition, "position", 0, 0},
    {"light nav", VarLight, KindBool, "bool", 0, LightNav},
    {"light beacon", VarLight, KindBool, "bool", 0, LightBeacon},
    {"light landing", VarLight, KindBool, "bool", 0, LightLanding},
    {"light taxi", VarLight, KindBool, "bool", 0, LightTaxi},
    {"light strobe", VarLight, KindBool, "bool", 0, LightStrobe},
    {"light panel", VarLight, KindBool, "bool", 0, LightPanel},
    {"light recognition", VarLight, KindBool, "bool", 0, LightRecognition},
    {"light wing", VarLight, KindBool, "bool", 0, LightWing},
    {"light logo", VarLight, KindBool, "bool", 0, LightLogo},
    {"light cabin", VarLight, KindBool, "bool", 0, LightCabin},
    {"brake parking position", VarParkingBrake, KindPosition, "position", 0, 0},
    {"general eng combustion", VarCombustion, KindBool, "bool", 4, 0},
    {"nav active frequency", VarNavFrequency, KindFrequency, "mhz", 2, 0},
    {"nav obs", VarNavObs, KindAngle, "degrees", 2, 0},
    {"adf active frequency", VarAdfFrequency, KindAdfFrequency, "frequency adf bcd32", 1, 0},
    {"com active frequency", VarComFrequency, KindFrequency, "frequency bcd16", 2, 0},
    {"transponder code", VarTransponder, KindSquawk, "bco16", 1, 0},
    {"zulu year", VarZuluYear, KindCount, "number", 0, 0},
    {"zulu day of year", VarZuluDay, KindCount, "number", 0, 0},
    {"zulu time", VarZuluTime, KindTime, "seconds", 0, 0},
    {"smoke enable", VarSmoke, KindBool, "bool", 0, 0},
    {"static cg to ground", VarCgHeight, KindHeight, "feet", 0, 0},
};

// "General Eng Throttle Lever Position:2" -> its entry and index 2 (0-based 1).
const SimVarInfo* FindSimVar(const std::string& text, int* index) {
    std::string name = NormalizeName(text);
    int number = 1;
    size_t colon = name.find(':');
    if (colon != std::string::npos) {
        std::string digits = name.substr(colon + 1);
        if (digits.empty() || digits.size() > 2) return nullptr;
        number = 0;
        for (char c : digits) {
            if (c < '0' || c > '9') return nullptr;
            number = number * 10 + (c - '0');
        }
        name.erase(colon);
        if (!name.empty() && name.back() == ' ') name.pop_back();
    }
    for (const SimVarInfo& info : SimVars) {
        if (name != info.name) continue;
        if (colon != std::string::npos && info.indexCount == 0) return nullptr;
        if (number < 1 || number > std::max(info.indexCount, 1)) return nullptr;
        *index = number - 1;
        return &info;
    }
    return nullptr;
}

double ReadBase(const SimAircraft& a, const SimVarInfo& info, int i) {
    switch (info.id) {
        case VarLatitude: return a.latitude;
        case VarLongitude: return a.longitude;
        case VarAltitude: return a.altitude;
        case VarPitch: return a.pitch;
        case VarBank: return a.bank;
        case VarHeading: return a.heading;
        case VarOnGround: return a.onGround ? 1.0 : 0.0;
        case VarVelocityX: return a.velocity[0];
        case VarVelocityY: return a.velocity[1];
        case VarVelocityZ: return a.velocity[2];
        case VarThrottle: return a.throttle[i];
        case VarMixture: return a.mixture[i];
        case VarPropeller: return a.propeller[i];
        case VarElevator: return a.elevator;
        case VarAileron: return a.aileron;
        case VarRudder: return a.rudder;
        case VarSpoilers: return a.spoilers;
        case VarFlaps: return a.flapsIndex;
        case VarGearHandle: return a.gearHandle;
        case VarGearCenter: return a.gearPosition[0];
        case VarGearLeft: return a.gearPosition[1];
        case VarGearRight: return a.gearPosition[2];
        case VarLight: return (a.lights & info.bit) ? 1.0 : 0.0;
        case VarParkingBrake: return a.parkingBrake;
        case VarCombustion: return a.combustion[i];
        case VarNavFrequency: return a.navMhz[i];
        case VarNavObs: return a.navObs[i];
        case VarAdfFrequency: return a.adfKhz;
        case VarComFrequency: return a.comMhz[i];
        case VarTransponder: return a.transponder;
        case VarZuluYear: return ZuluYear;
        case VarZuluDay: return ZuluDayOfYear;
        case VarZuluTime: return ZuluSeconds;
        case VarSmoke: return a.smoke;
        case VarCgHeight: return a.cgFeet;
    }
    return 0.0;
}

double WrapHeading(double degrees) {
    double wrapped = std::fmod(degrees, 360.0);
    if (wrapped < 0.0) wrapped += 360.0;
    return wrapped >= 360.0 ? 0.0 : wrapped;
}

double WrapSigned(double degrees) { return WrapHeading(degrees + 180.0) - 180.0; }

// An altitude written from outside decides whether the aircraft stands on the ground.
void SettleOnGround(SimAircraft* a) {
    a->onGround = a->altitude <= GroundElevation + a->cgFeet * 0.3048 + OnGroundTolerance;
}

void WriteBase(SimAircraft* a, const SimVarInfo& info, int i, double v) {
    switch (info.id) {
        case VarLatitude: a->latitude = std::max(-90.0, std::min(90.0, v)); break;
        case VarLongitude: a->longitude = WrapSigned(v); break;
        case VarAltitude: a->altitude = v; SettleOnGround(a); break;
        case VarPitch: a->pitch = WrapSigned(v); break;
        case VarBank: a->bank = WrapSigned(v); break;
        case VarHeading: a->heading = WrapHeading(v); break;
        case VarOnGround: a->onGround = v != 0.0; break;
        case VarVelocityX: a->velocity[0] = v; break;
        case VarVelocityY: a->velocity[1] = v; break;
        case VarVelocityZ: a->velocity[2] = v; break;
        case VarThrottle: a->throttle[i] = v; break;
        case VarMixture: a->mixture[i] = v; break;
        case VarPropeller: a->propeller[i] = v; break;
        case VarElevator: a->elevator = v; break;
        case VarAileron: a->aileron = v; break;
        case VarRudder: a->rudder = v; break;
        case VarSpoilers: a->spoilers = v; break;
        case VarFlaps: a->flapsIndex = v; break;
        case VarGearHandle: a->gearHandle = v; break;
        case VarGearCenter: a->gearPosition[0] = v; break;
        case VarGearLeft: a->gearPosition[1] = v; break;
        case VarGearRight: a->gearPosition[2] = v; break;
        case VarLight: a->lights = v != 0.0 ? (a->lights | info.bit) : (a->lights & ~info.bit); break;
        case VarParkingBrake: a->parkingBrake = v; break;
        case VarCombustion: a->combustion[i] = v; break;
        case VarNavFrequency: a->navMhz[i] = v; break;
        case VarNavObs: a->navObs[i] = WrapHeading(v); break;
        case VarAdfFrequency: a->adfKhz = v; break;
        case VarComFrequency: a->comMhz[i] = v; break;
        case VarTransponder: a->transponder = uint32_t(v); break;
        case VarZuluYear: ZuluYear = std::floor(v); break;
        case VarZuluDay: ZuluDayOfYear = std::floor(v); break;
        case VarZuluTime: ZuluSeconds = std::fmod(std::max(v, 0.0), 86400.0); break;
        case VarSmoke: a->smoke = v; break;
        case VarCgHeight:
            if (a->onGround) a->altitude += (v - a->cgFeet) * 0.3048;  // wheels stay on the ground
            a->cgFeet = v;
            break;
    }
}

bool ResolveUnit(const SimVarInfo& info, const std::string& unit, UnitCode* code) {
    return ParseUnit(NormalizeName(unit).empty() ? std::string(info.defaultUnit) : unit, code);
}

// ---- Trace -----------------------------------------------------------------------------

std::string CsvText(const std::string& text) {
    std::string out = "\"";
    for (char c : text) {
        if (c == '"') out += '"';
        out += c;
    }
    return out + "\"";
}

std::string FrozenText(const SimAircraft& a) {
    static const char* const Names[3] = {"latlon", "alt", "att"};
    std::string out;
    for (int i = 0; i < 3; ++i) {
        if (!a.frozen[i]) continue;
        if (!out.empty()) out += '+';
        out += Names[i];
    }
    return out.empty() ? "-" : out;
}

}  // namespace

bool IsKnownFlightPlan(const std::string& plan) { return ParseFlightPlan(plan, nullptr); }

uint32_t UserAircraftId() {
    EnsureWorld();
    return Fleet[0].objectId;
}

void SetUserFlightPlan(const std::string& plan) {
    EnsureWorld();
    FlightPlanKind kind = PlanParked;
    ParseFlightPlan(plan, &kind);
    SimAircraft& user = Fleet[0];
    user.released = false;
    StartFlightPlan(&user, kind, 0);
}

void LoadUserAircraft(const std::string& title, double cgFeet) {
    EnsureWorld();
    Fleet[0].title = title;
    // The new aircraft stands where the old one stood, its CG at its own height.
    SetAircraftCgHeight(Fleet[0].objectId, cgFeet);
}

uint32_t GiveUserNewObjectId() {
    EnsureWorld();
    Fleet[0].objectId = NextObjectId++;
    return Fleet[0].objectId;
}

uint32_t AddAiAircraft(const std::string& title, const std::string& plan) {
    EnsureWorld();
    SimAircraft aircraft;
    aircraft.objectId = NextObjectId++;
    aircraft.title = title;
    aircraft.cgFeet = DefaultAiCgFeet;
    FlightPlanKind kind = PlanParked;
    ParseFlightPlan(plan, &kind);
    StartFlightPlan(&aircraft, kind, aircraft.objectId - 1);
    Fleet.push_back(aircraft);
    return aircraft.objectId;
}

bool RemoveAiAircraft(uint32_t objectId) {
    EnsureWorld();
    for (size_t i = 1; i < Fleet.size(); ++i) {
        if (Fleet[i].objectId == objectId) {
            Fleet.erase(Fleet.begin() + long(i));
            return true;
        }
    }
    return false;
}

bool AircraftExists(uint32_t objectId) { return FindAircraft(objectId) != nullptr; }

std::vector<uint32_t> AircraftIds() {
    EnsureWorld();
    std::vector<uint32_t> ids;
    for (const SimAircraft& aircraft : Fleet) ids.push_back(aircraft.objectId);
    return ids;
}

uint32_t AiAircraftByIndex(unsigned index) {
    EnsureWorld();
    return (index >= 1 && index < Fleet.size()) ? Fleet[index].objectId : 0;
}

bool SetAircraftCgHeight(uint32_t objectId, double cgFeet) {
    return SetSimVar(objectId, "Static CG To Ground", "feet", cgFeet);
}

const char* AircraftPhase(uint32_t objectId) {
    SimAircraft* aircraft = FindAircraft(objectId);
    return aircraft ? FlightPlanPhaseName(*aircraft) : "";
}

SimVarRef LookUpSimVar(const std::string& name, const std::string& unit) {
    SimVarRef ref;
    int index = 0;
    const SimVarInfo* info = FindSimVar(name, &index);
    UnitCode code;
    if (!info || !ResolveUnit(*info, unit, &code)) return ref;
    ref.var = int(info - SimVars);
    ref.index = index;
    ref.unit = code;
    return ref;
}

bool GetSimVar(uint32_t objectId, const SimVarRef& ref, double* value) {
    SimAircraft* aircraft = FindAircraft(objectId);
    if (!aircraft || ref.var < 0) return false;
    const SimVarInfo& info = SimVars[ref.var];
    return ToUnit(info.kind, UnitCode(ref.unit), ReadBase(*aircraft, info, ref.index), value);
}

bool SetSimVar(uint32_t objectId, const SimVarRef& ref, double value) {
    SimAircraft* aircraft = FindAircraft(objectId);
    double base = 0.0;
    if (!aircraft || ref.var < 0) return false;
    const SimVarInfo& info = SimVars[ref.var];
    if (!FromUnit(info.kind, UnitCode(ref.unit), value, &base)) return false;
    WriteBase(aircraft, info, ref.index, base);
    return true;
}

bool GetSimVar(uint32_t objectId, const std::string& name, const std::string& unit, double* value) {
    return GetSimVar(objectId, LookUpSimVar(name, unit), value);
}

bool GetSimVarText(uint32_t objectId, const std::string& name, std::string* text) {
    SimAircraft* aircraft = FindAircraft(objectId);
    if (!aircraft || NormalizeName(name) != "title") return false;
    *text = aircraft->title;
    return true;
}

bool SetSimVar(uint32_t objectId, const std::string& name, const std::string& unit, double value) {
    return SetSimVar(objectId, LookUpSimVar(name, unit), value);
}

void SetFreeze(uint32_t objectId, int which, bool on) {
    SimAircraft* aircraft = FindAircraft(objectId);
    if (!aircraft || which < 0 || which > 2) return;
    // A dimension that freezes stops: its share of the velocity goes to zero.
    if (on && !aircraft->frozen[which]) {
        if (which == 0) aircraft->velocity[0] = aircraft->velocity[2] = 0.0;
        if (which == 1) aircraft->velocity[1] = 0.0;
    }
    aircraft->frozen[which] = on;
}

bool IsFrozen(uint32_t objectId, int which) {
    SimAircraft* aircraft = FindAircraft(objectId);
    return aircraft && which >= 0 && which <= 2 && aircraft->frozen[which];
}

void ReleaseAiControl(uint32_t objectId) {
    SimAircraft* aircraft = FindAircraft(objectId);
    if (aircraft && aircraft != &Fleet[0]) aircraft->released = true;
}

bool IsAiControlReleased(uint32_t objectId) {
    SimAircraft* aircraft = FindAircraft(objectId);
    return aircraft && aircraft->released;
}

void AdvanceAircraft(double dtSeconds) {
    EnsureWorld();
    if (!(dtSeconds > 0.0)) return;
    AdvanceZulu(dtSeconds);
    for (SimAircraft& aircraft : Fleet) FlyFlightPlan(&aircraft, dtSeconds);
}

void PlaceAircraft(uint32_t objectId, const int64_t position[3], const int32_t attitude[3], int onGround) {
    SimAircraft* a = FindAircraft(objectId);
    if (!a) return;
    a->latitude = double(position[0]) / StoredUnitsPerDegreeLatitude;
    a->longitude = double(position[1]) / StoredUnitsPerDegreeLongitude;
    a->altitude = double(position[2]) / StoredUnitsPerMetre;
    a->pitch = double(attitude[0]) / StoredUnitsPerDegreeAngle;
    a->bank = double(attitude[1]) / StoredUnitsPerDegreeAngle;
    a->heading = WrapHeading(double(uint32_t(attitude[2])) / StoredUnitsPerDegreeAngle);
    if (onGround < 0)
        SettleOnGround(a);
    else
        a->onGround = onGround != 0;
}

void SetAircraftVelocity(uint32_t objectId, const double velocity[3]) {
    SimAircraft* aircraft = FindAircraft(objectId);
    if (!aircraft) return;
    for (int i = 0; i < 3; ++i) aircraft->velocity[i] = velocity[i];
}

void SetAircraftLights(uint32_t objectId, uint32_t lights) {
    SimAircraft* aircraft = FindAircraft(objectId);
    if (aircraft) aircraft->lights = lights & AllLights;
}

void OpenTrace(const std::string& path) {
    CloseTrace();
    TraceFile = std::fopen(path.c_str(), "w");
    if (!TraceFile) {
        Log("Trace: cannot create \"" + path + "\"; no trace is written.");
        return;
    }
    TracePath = path;
    std::fputs(
        "frame,time_s,object_id,latitude,longitude,altitude_m,pitch,bank,heading,on_ground,"
        "velocity_x,velocity_y,velocity_z,frozen,plan,phase,throttle1,flaps,gear,lights,engine1,"
        "parking_brake,title\n",
        TraceFile);
}

void TraceFrame(uint64_t frame, double timeSeconds) {
    if (!TraceFile) return;
    EnsureWorld();
    for (const SimAircraft& a : Fleet) {
        std::fprintf(TraceFile,
                     "%llu,%.4f,%u,%.9f,%.9f,%.3f,%.4f,%.4f,%.4f,%d,%.3f,%.3f,%.3f,%s,%s,%s,%.3f,%g,%.3f,%u,%g,%g,%s\n",
                     (unsigned long long)frame, timeSeconds, a.objectId, a.latitude, a.longitude, a.altitude,
                     a.pitch, a.bank, a.heading, a.onGround ? 1 : 0, a.velocity[0], a.velocity[1], a.velocity[2],
                     FrozenText(a).c_str(), FlightPlanName(a.plan.kind), FlightPlanPhaseName(a), a.throttle[0],
                     a.flapsIndex, a.gearHandle, a.lights, a.combustion[0], a.parkingBrake,
                     CsvText(a.title).c_str());
    }
}

void CloseTrace() {
    if (!TraceFile) return;
    bool failed = std::ferror(TraceFile) != 0;
    if (std::fclose(TraceFile) != 0) failed = true;
    TraceFile = nullptr;
    if (failed) Log("Trace: writing \"" + TracePath + "\" failed; the trace is incomplete.");
}

void ResetAircraft() {
    WorldReady = true;
    Fleet.clear();
    NextObjectId = 2;
    ZuluYear = 2024.0;
    ZuluDayOfYear = 172.0;
    ZuluSeconds = 43200.0;
    SimAircraft user;
    user.objectId = 1;
    user.title = DefaultUserTitle;
    user.cgFeet = DefaultUserCgFeet;
    StartFlightPlan(&user, PlanParked, 0);
    Fleet.push_back(user);
}

}  // namespace vsim
