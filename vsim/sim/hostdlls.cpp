// The host DLLs' ordinal entries and the state behind them. The entries take what the
// module passes (blocks of stored integer units, raw doubles, word tables) byte by byte,
// little-endian, so an unaligned sample field is read the same on every build. The host
// object the accessor returns is a plain record whose first member points to a method
// table; placements, velocity and lights go to the simulated aircraft it stands for.
#include "vsim/sim/hostdlls.h"

#include <cstring>
#include <map>
#include <type_traits>

#include "module/versioncheck.h"
#include "platform/win32.h"
#include "vsim/sim/aircraft.h"
#include "vsim/sim/simhost.h"

namespace vsim {

namespace {

const unsigned Build60905 = 60905;
const unsigned Build61355 = 61355;
const unsigned Build61472 = 61472;
const unsigned Build61637 = 61637;
const uint32_t LightsPropertyId = 7;

double SimRate = 1.0;
double FrameSeconds = 0.0;
uint32_t OptionTable[HostOptionWords] = {0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 1, 1};
uint32_t TrafficWords[2] = {100, 50};
// The position-call flag is the word 424 bytes into api.dll's data block.
const unsigned PositionFlagIndex = 424 / 4;
unsigned Placements = 0;
unsigned PlacementsNoFlag = 0;

struct HostObject {
    void* const* methods;  // first member: the method table
    uint32_t objectId;
};
std::map<uint32_t, HostObject> HostObjects;  // by object id; map nodes keep their addresses

const unsigned MethodTableSize = 32;
void* LongFormMethods[MethodTableSize];   // entry 16 takes the on-ground byte and a reserved word
void* ShortFormMethods[MethodTableSize];  // entry 16 takes position and attitude only (61637)

unsigned Sim1Build() {
    HostDll* dll = FindHostDll("sim1.dll");
    return dll ? KnownBuildOf(dll->version) : 0;
}

bool UsesShortPlacement() {
    unsigned build = Sim1Build();
    return build == Build61637 || build == 0;
}

uint64_t ReadU64(const void* address) {
    const uint8_t* bytes = static_cast<const uint8_t*>(address);
    uint64_t value = 0;
    for (int i = 7; i >= 0; --i) value = (value << 8) | bytes[i];
    return value;
}

uint32_t ReadU32(const void* address) {
    const uint8_t* bytes = static_cast<const uint8_t*>(address);
    return uint32_t(bytes[0]) | uint32_t(bytes[1]) << 8 | uint32_t(bytes[2]) << 16 | uint32_t(bytes[3]) << 24;
}

double ReadDouble(const void* address) {
    uint64_t bits = ReadU64(address);
    double value;
    std::memcpy(&value, &bits, sizeof value);
    return value;
}

// Position: latitude, longitude, altitude as signed 64-bit; attitude: pitch, bank,
// heading as 32-bit (the heading unsigned, kept here by its bits).
void DecodePlacement(const void* position, const void* attitude, int64_t pos[3], int32_t att[3]) {
    const uint8_t* p = static_cast<const uint8_t*>(position);
    const uint8_t* a = static_cast<const uint8_t*>(attitude);
    for (int i = 0; i < 3; ++i) {
        pos[i] = int64_t(ReadU64(p + 8 * i));
        att[i] = int32_t(ReadU32(a + 4 * i));
    }
}

uint32_t ObjectIdOf(void* object) { return static_cast<HostObject*>(object)->objectId; }

void HOSTMETHOD SetPlacementShort(void* object, const void* position, const void* attitude) {
    if (!object || !position || !attitude) return;
    ++Placements;
    int64_t pos[3];
    int32_t att[3];
    DecodePlacement(position, attitude, pos, att);
    PlaceAircraft(ObjectIdOf(object), pos, att, -1);
}

void HOSTMETHOD SetPlacementLong(void* object, const void* position, const void* attitude, uint8_t onGround,
                                 uint32_t /*reserved*/) {
    if (!object || !position || !attitude) return;
    ++Placements;
    if (ApiDataBlock[PositionFlagIndex] != 1) ++PlacementsNoFlag;
    int64_t pos[3];
    int32_t att[3];
    DecodePlacement(position, attitude, pos, att);
    PlaceAircraft(ObjectIdOf(object), pos, att, onGround ? 1 : 0);
}

void HOSTMETHOD SetVectorProperty(void* object, uint32_t propertyId, const double* vector, uint32_t /*reserved*/) {
    if (!object || !vector || propertyId != HostVelocityPropertyId()) return;
    double velocity[3];
    for (int i = 0; i < 3; ++i) velocity[i] = ReadDouble(reinterpret_cast<const uint8_t*>(vector) + 8 * i);
    SetAircraftVelocity(ObjectIdOf(object), velocity);
}

void HOSTMETHOD SetScalarProperty(void* object, uint32_t propertyId, uint32_t index, double value,
                                  uint32_t /*reserved*/) {
    if (!object || propertyId != LightsPropertyId || index != 0) return;
    if (!(value >= 0.0 && value < 4294967296.0)) return;  // not a bit field
    SetAircraftLights(ObjectIdOf(object), uint32_t(value));
}

// The entries must have exactly the types through which the module calls them.
static_assert(std::is_same<decltype(&AccessObject), ObjectAccessorFn>::value, "object accessor");
static_assert(std::is_same<decltype(&WriteTrafficSettings), TrafficSettingsFn>::value, "traffic writer");
static_assert(std::is_same<decltype(&ReadTrafficSettings), TrafficSettingsFn>::value, "traffic reader");
static_assert(std::is_same<decltype(&ReadHostOptions), HostOptionReaderFn>::value, "option reader");
static_assert(std::is_same<decltype(&WriteHostOptions), HostOptionWriterFn>::value, "option writer");
static_assert(std::is_same<decltype(&SetSimRateEntry), SimRateFn>::value, "sim rate");
static_assert(std::is_same<decltype(&ReadFrameTime), FrameTimeFn>::value, "frame time");
static_assert(std::is_same<decltype(&SetPlacementShort), SetPlacementShortFn>::value, "short placement");
static_assert(std::is_same<decltype(&SetPlacementLong), SetPlacementFn>::value, "placement");
static_assert(std::is_same<decltype(&SetVectorProperty), SetVectorPropertyFn>::value, "vector property");
static_assert(std::is_same<decltype(&SetScalarProperty), SetScalarPropertyFn>::value, "scalar property");

template <typename Fn>
void* Address(Fn function) {
    return reinterpret_cast<void*>(function);
}

void BuildMethodTables() {
    for (unsigned i = 0; i < MethodTableSize; ++i) LongFormMethods[i] = ShortFormMethods[i] = nullptr;
    LongFormMethods[MethodSetVectorProperty] = ShortFormMethods[MethodSetVectorProperty] = Address(&SetVectorProperty);
    LongFormMethods[MethodSetScalarProperty] = ShortFormMethods[MethodSetScalarProperty] = Address(&SetScalarProperty);
    LongFormMethods[MethodSetPlacement] = Address(&SetPlacementLong);
    ShortFormMethods[MethodSetPlacement] = Address(&SetPlacementShort);
}

void ResetEntryState() {
    SimRate = 1.0;
    FrameSeconds = 0.0;
    for (uint32_t& word : OptionTable) word = 0;
    OptionTable[19] = 1;
    OptionTable[20] = 1;
    TrafficWords[0] = 100;
    TrafficWords[1] = 50;
    for (uint32_t& word : ApiDataBlock) word = 0;
    Placements = 0;
    PlacementsNoFlag = 0;
    HostObjects.clear();
}

// The ordinals each DLL exports, by the build of its own version (0: not a known build).
void InstallOrdinals(HostDll* dll, unsigned build) {
    std::map<unsigned, void*>& ordinals = dll->ordinals;
    ordinals.clear();
    const bool unknown = build == 0;
    if (dll->name == "sim1.dll") {
        ordinals[10] = Address(&AccessObject);
    } else if (dll->name == "fs-traffic.dll") {
        ordinals[5] = Address(&WriteTrafficSettings);
        ordinals[6] = Address(&ReadTrafficSettings);
    } else if (dll->name == "main.dll") {
        if (build == Build60905 || unknown) {
            ordinals[53] = Address(&ReadHostOptions);
            ordinals[54] = Address(&WriteHostOptions);
        }
        if (build != Build60905) {
            ordinals[57] = Address(&ReadHostOptions);
            ordinals[58] = Address(&WriteHostOptions);
        }
    } else if (dll->name == "simscheduler.dll") {
        if (build != Build61637) ordinals[6] = Address(&SetSimRateEntry);
        if (build == Build61637 || unknown) ordinals[8] = Address(&SetSimRateEntry);
    } else if (dll->name == "api.dll") {
        if (build == Build60905 || unknown) {
            ordinals[261] = Address(&ReadFrameTime);
            ordinals[313] = ApiDataBlock;
        }
        if (build == Build61355 || unknown) {
            ordinals[265] = Address(&ReadFrameTime);
            ordinals[317] = ApiDataBlock;
        }
        if (build == Build61472 || unknown) ordinals[304] = ApiDataBlock;
        if (build == Build61472 || build == Build61637 || unknown) ordinals[268] = Address(&ReadFrameTime);
    }
}

}  // namespace

// The entries the DLLs export (declared in the header).

uint32_t ApiDataBlock[ApiDataBlockWords];

void* HOSTENTRY AccessObject(uint32_t objectId) {
    if (!AircraftExists(objectId)) return nullptr;
    HostObject& object = HostObjects[objectId];
    object.objectId = objectId;
    object.methods = UsesShortPlacement() ? ShortFormMethods : LongFormMethods;
    return &object;
}

void HOSTENTRY WriteTrafficSettings(uint32_t* block) {
    if (!block) return;
    TrafficWords[0] = block[0];
    TrafficWords[1] = block[1];
}

void HOSTENTRY ReadTrafficSettings(uint32_t* block) {
    if (!block) return;
    block[0] = TrafficWords[0];
    block[1] = TrafficWords[1];
}

uint32_t* HOSTENTRY ReadHostOptions() { return OptionTable; }

void HOSTENTRY WriteHostOptions(uint32_t* table) {
    if (!table) return;
    for (unsigned i = 0; i < HostOptionWords; ++i) OptionTable[i] = table[i];
}

void HOSTENTRY SetSimRateEntry(uint32_t rate) { SimRate = rate / 256.0; }

double HOSTENTRY ReadFrameTime() { return FrameSeconds; }

unsigned KnownBuildOf(const uint16_t version[4]) {
    if (version[0] != 10 || version[1] != 0 || version[3] != 0) return 0;
    switch (version[2]) {
        case Build60905:
        case Build61355:
        case Build61472:
        case Build61637:
            return version[2];
        default:
            return 0;
    }
}

void InstallHostEntries() {
    ResetEntryState();
    BuildMethodTables();
    for (HostDll& dll : HostDlls()) InstallOrdinals(&dll, KnownBuildOf(dll.version));
}

bool RemoveHostOrdinal(const std::string& dll, unsigned ordinal) {
    HostDll* host = FindHostDll(dll);
    return host && host->ordinals.erase(ordinal) > 0;
}

double HostSimRate() { return SimRate; }
void SetHostSimRate(double rate) { SimRate = rate; }

double LastFrameSeconds() { return FrameSeconds; }
void SetLastFrameSeconds(double seconds) { FrameSeconds = seconds; }

uint32_t* HostOptionTable() { return OptionTable; }
uint32_t* TrafficSettingsWords() { return TrafficWords; }

uint32_t PositionCallFlagWord() { return ApiDataBlock[PositionFlagIndex]; }
unsigned PlacementCalls() { return Placements; }
unsigned PlacementsWithoutFlag() { return PlacementsNoFlag; }

uint32_t HostVelocityPropertyId() { return UsesShortPlacement() ? 675 : 648; }

}  // namespace vsim
