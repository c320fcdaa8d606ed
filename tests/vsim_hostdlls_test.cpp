// The virtual simulator's host DLL entries and panel services, called through the same
// function types the module uses: ordinals per build, the host object's methods with
// placement in stored units and the position-call flag, the option and traffic words,
// the sim rate and frame time, and panel variables by id.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <set>
#include <string>

#include "module/versioncheck.h"
#include "vsim/sim/aircraft.h"
#include "vsim/sim/aircraftstate.h"
#include "vsim/sim/hostdlls.h"
#include "vsim/sim/panels.h"
#include "vsim/sim/simhost.h"

using namespace vsim;

namespace {

void SetAllVersions(uint16_t build, uint16_t revision = 0) {
    for (HostDll& dll : HostDlls()) {
        dll.version[0] = 10;
        dll.version[1] = 0;
        dll.version[2] = build;
        dll.version[3] = revision;
    }
}

void StartHost(uint16_t build) {
    ResetHostServices();
    ResetAircraft();
    SetAllVersions(build);
    InstallHostEntries();
}

std::set<unsigned> Ordinals(const char* dll) {
    std::set<unsigned> ordinals;
    for (const auto& entry : FindHostDll(dll)->ordinals) {
        EXPECT_NE(entry.second, nullptr) << dll << " " << entry.first;
        ordinals.insert(entry.first);
    }
    return ordinals;
}

template <typename Fn>
Fn Entry(const char* dll, unsigned ordinal) {
    HostDll* host = FindHostDll(dll);
    auto found = host->ordinals.find(ordinal);
    return found == host->ordinals.end() ? nullptr : reinterpret_cast<Fn>(found->second);
}

template <typename Fn>
Fn Method(void* object, unsigned index) {
    void* const* table = *static_cast<void* const* const*>(object);
    return reinterpret_cast<Fn>(table[index]);
}

void PutLe(uint8_t* at, uint64_t value, int bytes) {
    for (int i = 0; i < bytes; ++i) at[i] = uint8_t(value >> (8 * i));
}

// A sample's first bytes as the module holds them: the position block at 0, the
// attitude block at 24 and the velocity at 36 (unaligned), the on-ground byte at 60.
struct SampleBytes {
    uint8_t bytes[64];
};

SampleBytes MakeSample(double latitude, double longitude, double altitude, double pitch, double bank,
                       double heading, const double velocity[3]) {
    SampleBytes s;
    std::memset(s.bytes, 0, sizeof s.bytes);
    PutLe(s.bytes + 0, uint64_t(std::llround(latitude * StoredUnitsPerDegreeLatitude)), 8);
    PutLe(s.bytes + 8, uint64_t(std::llround(longitude * StoredUnitsPerDegreeLongitude)), 8);
    PutLe(s.bytes + 16, uint64_t(std::llround(altitude * StoredUnitsPerMetre)), 8);
    PutLe(s.bytes + 24, uint64_t(std::llround(pitch * StoredUnitsPerDegreeAngle)), 4);
    PutLe(s.bytes + 28, uint64_t(std::llround(bank * StoredUnitsPerDegreeAngle)), 4);
    PutLe(s.bytes + 32, uint64_t(std::llround(heading * StoredUnitsPerDegreeAngle)), 4);
    for (int i = 0; i < 3; ++i) {
        uint64_t bits;
        std::memcpy(&bits, &velocity[i], 8);
        PutLe(s.bytes + 36 + 8 * i, bits, 8);
    }
    return s;
}

double Var(uint32_t id, const char* name, const char* unit) {
    double value = -12345.0;
    EXPECT_TRUE(GetSimVar(id, name, unit, &value)) << name;
    return value;
}

}  // namespace

TEST(VsimHostDlls, EachBuildExportsItsOwnOrdinals) {
    StartHost(60905);
    EXPECT_EQ(Ordinals("sim1.dll"), (std::set<unsigned>{10}));
    EXPECT_EQ(Ordinals("fs-traffic.dll"), (std::set<unsigned>{5, 6}));
    EXPECT_EQ(Ordinals("main.dll"), (std::set<unsigned>{53, 54}));
    EXPECT_EQ(Ordinals("simscheduler.dll"), (std::set<unsigned>{6}));
    EXPECT_EQ(Ordinals("api.dll"), (std::set<unsigned>{261, 313}));

    StartHost(61355);
    EXPECT_EQ(Ordinals("main.dll"), (std::set<unsigned>{57, 58}));
    EXPECT_EQ(Ordinals("simscheduler.dll"), (std::set<unsigned>{6}));
    EXPECT_EQ(Ordinals("api.dll"), (std::set<unsigned>{265, 317}));

    StartHost(61472);
    EXPECT_EQ(Ordinals("main.dll"), (std::set<unsigned>{57, 58}));
    EXPECT_EQ(Ordinals("simscheduler.dll"), (std::set<unsigned>{6}));
    EXPECT_EQ(Ordinals("api.dll"), (std::set<unsigned>{268, 304}));

    StartHost(61637);
    EXPECT_EQ(Ordinals("sim1.dll"), (std::set<unsigned>{10}));
    EXPECT_EQ(Ordinals("fs-traffic.dll"), (std::set<unsigned>{5, 6}));
    EXPECT_EQ(Ordinals("main.dll"), (std::set<unsigned>{57, 58}));
    EXPECT_EQ(Ordinals("simscheduler.dll"), (std::set<unsigned>{8}));
    EXPECT_EQ(Ordinals("api.dll"), (std::set<unsigned>{268}));

    // Not a known build (a revision counts too): what 61637 exports, and the older
    // builds' ordinals for the same entries.
    ResetHostServices();
    SetAllVersions(61637, 1);
    InstallHostEntries();
    EXPECT_EQ(Ordinals("main.dll"), (std::set<unsigned>{53, 54, 57, 58}));
    EXPECT_EQ(Ordinals("simscheduler.dll"), (std::set<unsigned>{6, 8}));
    EXPECT_EQ(Ordinals("api.dll"), (std::set<unsigned>{261, 265, 268, 304, 313, 317}));
    EXPECT_EQ(Entry<SimRateFn>("simscheduler.dll", 6), Entry<SimRateFn>("simscheduler.dll", 8));

    const uint16_t known[4] = {10, 0, 61472, 0}, other[4] = {10, 1, 61472, 0};
    EXPECT_EQ(KnownBuildOf(known), 61472u);
    EXPECT_EQ(KnownBuildOf(other), 0u);

    // Each DLL goes by its own version.
    StartHost(61637);
    FindHostDll("main.dll")->version[2] = 60905;
    InstallHostEntries();
    EXPECT_EQ(Ordinals("main.dll"), (std::set<unsigned>{53, 54}));
    EXPECT_EQ(Ordinals("simscheduler.dll"), (std::set<unsigned>{8}));

    EXPECT_TRUE(RemoveHostOrdinal("MAIN.DLL", 54));
    EXPECT_FALSE(RemoveHostOrdinal("main.dll", 54));
    EXPECT_FALSE(RemoveHostOrdinal("nothere.dll", 1));
    EXPECT_EQ(Ordinals("main.dll"), (std::set<unsigned>{53}));
}

TEST(VsimHostDlls, OptionTrafficRateAndFrameTimeEntries) {
    StartHost(60905);
    HostOptionReaderFn readOptions = Entry<HostOptionReaderFn>("main.dll", 53);
    HostOptionWriterFn writeOptions = Entry<HostOptionWriterFn>("main.dll", 54);
    ASSERT_TRUE(readOptions && writeOptions);
    uint32_t* table = readOptions();
    EXPECT_EQ(table, HostOptionTable());
    for (unsigned i = 0; i < HostOptionWords; ++i) EXPECT_EQ(table[i], (i == 19 || i == 20) ? 1u : 0u) << i;
    uint32_t copy[HostOptionWords];
    for (unsigned i = 0; i < HostOptionWords; ++i) copy[i] = table[i] + 100 * i;
    copy[19] = 0;
    writeOptions(copy);
    EXPECT_EQ(HostOptionTable()[19], 0u);
    EXPECT_EQ(HostOptionTable()[24], 2400u);

    TrafficSettingsFn writeTraffic = Entry<TrafficSettingsFn>("fs-traffic.dll", 5);
    TrafficSettingsFn readTraffic = Entry<TrafficSettingsFn>("fs-traffic.dll", 6);
    uint32_t block[4] = {7, 7, 7, 7};
    readTraffic(block);
    EXPECT_EQ(block[0], 100u);
    EXPECT_EQ(block[1], 50u);
    EXPECT_EQ(block[2], 7u);  // only the two settings words are touched
    block[0] = block[1] = 0;
    writeTraffic(block);
    EXPECT_EQ(TrafficSettingsWords()[0], 0u);
    EXPECT_EQ(TrafficSettingsWords()[1], 0u);

    Entry<SimRateFn>("simscheduler.dll", 6)(512);
    EXPECT_EQ(HostSimRate(), 2.0);
    Entry<SimRateFn>("simscheduler.dll", 6)(64);
    EXPECT_EQ(HostSimRate(), 0.25);

    FrameTimeFn frameTime = Entry<FrameTimeFn>("api.dll", 261);
    EXPECT_EQ(frameTime(), 0.0);
    SetLastFrameSeconds(1.0 / 30.0);
    EXPECT_EQ(frameTime(), 1.0 / 30.0);

    // A fresh installation starts from the documented values again.
    InstallHostEntries();
    EXPECT_EQ(HostOptionTable()[19], 1u);
    EXPECT_EQ(TrafficSettingsWords()[0], 100u);
    EXPECT_EQ(HostSimRate(), 1.0);
    EXPECT_EQ(LastFrameSeconds(), 0.0);
}

TEST(VsimHostDlls, ObjectMethodsPlaceTheAircraftWithThePositionCallFlag) {
    StartHost(61355);
    ObjectAccessorFn accessor = Entry<ObjectAccessorFn>("sim1.dll", 10);
    ASSERT_NE(accessor, nullptr);
    EXPECT_EQ(accessor(0), nullptr);
    EXPECT_EQ(accessor(77), nullptr);
    uint32_t ai = AddAiAircraft("Traffic", "parked");
    void* object = accessor(ai);
    ASSERT_NE(object, nullptr);
    EXPECT_EQ(accessor(ai), object);  // one object per aircraft

    // The flag word is 424 bytes into api.dll's data block (ordinal 317 on this build).
    uint32_t* flag = reinterpret_cast<uint32_t*>(static_cast<uint8_t*>(FindHostDll("api.dll")->ordinals.at(317)) + 424);
    EXPECT_EQ(*flag, 0u);

    const double velocity[3] = {-150.5, 2.25, 33.0};
    SampleBytes sample = MakeSample(47.5, -7.25, 1234.5678, -5.0, 20.0, 270.0, velocity);
    SetPlacementFn place = Method<SetPlacementFn>(object, MethodSetPlacement);
    *flag = 1;
    place(object, sample.bytes, sample.bytes + 24, 0, 0);
    *flag = 0;
    EXPECT_EQ(PlacementCalls(), 1u);
    EXPECT_EQ(PlacementsWithoutFlag(), 0u);
    EXPECT_NEAR(Var(ai, "Plane Latitude", "degrees"), 47.5, 1e-9);
    EXPECT_NEAR(Var(ai, "Plane Longitude", "degrees"), -7.25, 1e-9);
    EXPECT_NEAR(Var(ai, "Plane Altitude", "meters"), 1234.5678, 0.001);
    EXPECT_NEAR(Var(ai, "Plane Pitch Degrees", "degrees"), -5.0, 1e-6);
    EXPECT_NEAR(Var(ai, "Plane Bank Degrees", "degrees"), 20.0, 1e-6);
    EXPECT_NEAR(Var(ai, "Plane Heading Degrees True", "degrees"), 270.0, 1e-6);
    EXPECT_EQ(Var(ai, "Sim On Ground", "bool"), 0.0);

    place(object, sample.bytes, sample.bytes + 24, 1, 0);  // without the flag: counted
    EXPECT_EQ(PlacementCalls(), 2u);
    EXPECT_EQ(PlacementsWithoutFlag(), 1u);
    EXPECT_EQ(Var(ai, "Sim On Ground", "bool"), 1.0);

    // Velocity through property 648 on this build; another property changes nothing.
    SetVectorPropertyFn setVector = Method<SetVectorPropertyFn>(object, MethodSetVectorProperty);
    const double* unaligned = reinterpret_cast<const double*>(sample.bytes + 36);
    setVector(object, 675, unaligned, 0);
    EXPECT_EQ(Var(ai, "Velocity World X", "feet/second"), 0.0);
    setVector(object, 648, unaligned, 0);
    EXPECT_EQ(Var(ai, "Velocity World X", "feet/second"), -150.5);
    EXPECT_EQ(Var(ai, "Velocity World Y", "feet/second"), 2.25);
    EXPECT_EQ(Var(ai, "Velocity World Z", "feet/second"), 33.0);

    // Lights through property 7 as a bit field: bit 0 nav ... bit 9 cabin.
    SetScalarPropertyFn setScalar = Method<SetScalarPropertyFn>(object, MethodSetScalarProperty);
    setScalar(object, 7, 0, double(0x211), 0);
    EXPECT_EQ(Var(ai, "Light Nav", "bool"), 1.0);
    EXPECT_EQ(Var(ai, "Light Strobe", "bool"), 1.0);
    EXPECT_EQ(Var(ai, "Light Cabin", "bool"), 1.0);
    EXPECT_EQ(Var(ai, "Light Beacon", "bool"), 0.0);
    setScalar(object, 8, 0, 0.0, 0);
    setScalar(object, 7, 0, -1.0, 0);
    EXPECT_EQ(Var(ai, "Light Nav", "bool"), 1.0);

    // A removed aircraft has no object any more.
    ASSERT_TRUE(RemoveAiAircraft(ai));
    EXPECT_EQ(accessor(ai), nullptr);
}

TEST(VsimHostDlls, Build61637TakesTheShortPlacementAndItsOwnVelocityProperty) {
    StartHost(61637);
    EXPECT_EQ(HostVelocityPropertyId(), 675u);
    ObjectAccessorFn accessor = Entry<ObjectAccessorFn>("sim1.dll", 10);
    const uint32_t user = UserAircraftId();
    SetFreeze(user, 0, true);
    SetFreeze(user, 1, true);
    SetFreeze(user, 2, true);
    void* object = accessor(user);
    ASSERT_NE(object, nullptr);

    const double velocity[3] = {1.0, 2.0, 3.0};
    SampleBytes sample = MakeSample(47.25, 8.5, GroundElevation + 4.5 * 0.3048, 0.0, 0.0, 90.0, velocity);
    Method<SetPlacementShortFn>(object, MethodSetPlacement)(object, sample.bytes, sample.bytes + 24);
    EXPECT_EQ(PlacementCalls(), 1u);
    EXPECT_EQ(PlacementsWithoutFlag(), 0u);  // this build has no flag to set
    EXPECT_NEAR(Var(user, "Plane Latitude", "degrees"), 47.25, 1e-9);
    EXPECT_NEAR(Var(user, "Plane Heading Degrees True", "degrees"), 90.0, 1e-6);
    EXPECT_EQ(Var(user, "Sim On Ground", "bool"), 1.0);  // from the altitude

    SetVectorPropertyFn setVector = Method<SetVectorPropertyFn>(object, MethodSetVectorProperty);
    setVector(object, 648, reinterpret_cast<const double*>(sample.bytes + 36), 0);
    EXPECT_EQ(Var(user, "Velocity World Z", "feet/second"), 0.0);
    setVector(object, 675, reinterpret_cast<const double*>(sample.bytes + 36), 0);
    EXPECT_EQ(Var(user, "Velocity World Z", "feet/second"), 3.0);
    // Frozen: the written velocity stays and the aircraft stays where it was put.
    AdvanceAircraft(1.0);
    EXPECT_EQ(Var(user, "Velocity World Z", "feet/second"), 3.0);
    EXPECT_NEAR(Var(user, "Plane Latitude", "degrees"), 47.25, 1e-9);

    StartHost(61355);
    EXPECT_EQ(HostVelocityPropertyId(), 648u);
}

TEST(VsimPanels, ServicesLookUpReadAndWriteVariablesById) {
    ResetPanels();
    void** table = static_cast<void**>(PanelTable());
    ASSERT_NE(table, nullptr);
    for (unsigned i = 0; i < PanelTableEntries; ++i) {
        bool service = i == 51 || i == 53 || i == 55;
        EXPECT_EQ(table[i] != nullptr, service) << i;
    }
    typedef uint32_t(HOSTENTRY * LookUpFn)(const char*);
    typedef double(HOSTENTRY * ReadFn)(uint32_t);
    typedef void(HOSTENTRY * WriteFn)(uint32_t, double);
    LookUpFn lookUp = reinterpret_cast<LookUpFn>(table[204 / 4]);
    ReadFn read = reinterpret_cast<ReadFn>(table[212 / 4]);
    WriteFn write = reinterpret_cast<WriteFn>(table[220 / 4]);

    // The Level-D switches are there from the start, at 0, with the first ids.
    const char* const switches[] = {"LVLDLightNavSwitch",   "LVLDLightBeaconSwitch", "LVLDLightLLNoseSwitch",
                                    "LVLDLightTaxiSwitch",  "LVLDLightStrobeSwitch", "LVLDLightPanelSwitch",
                                    "LVLDLightWingSwitch",  "LVLDLightRecogSwitch",  "LVLDLightOvrdSwitch",
                                    "LVLDLightTurnLSwitch", "LVLDLightTurnRSwitch",  "LVLDLightLLLeftSwitch",
                                    "LVLDLightLLRightSwitch"};
    std::set<uint32_t> ids;
    for (const char* name : switches) {
        uint32_t id = lookUp(name);
        EXPECT_NE(id, 0u);
        EXPECT_EQ(lookUp(name), id);  // stable
        EXPECT_EQ(read(id), 0.0);
        ids.insert(id);
    }
    EXPECT_EQ(ids.size(), 13u);

    uint32_t fresh = lookUp("SomeGaugeVar");
    EXPECT_EQ(ids.count(fresh), 0u);
    EXPECT_EQ(read(fresh), 0.0);
    write(fresh, 2.5);
    EXPECT_EQ(GetPanelVariable("SomeGaugeVar"), 2.5);
    SetPanelVariable("LVLDLightTaxiSwitch", 1.0);
    EXPECT_EQ(read(lookUp("LVLDLightTaxiSwitch")), 1.0);
    EXPECT_EQ(PanelVariableId("SomeGaugeVar"), fresh);
    EXPECT_NE(lookUp("somegaugevar"), fresh);  // names are exact

    // Unknown ids read 0 and take no writes; a null name gets no id.
    EXPECT_EQ(read(0), 0.0);
    EXPECT_EQ(read(9999), 0.0);
    write(9999, 1.0);
    EXPECT_EQ(read(9999), 0.0);
    EXPECT_EQ(lookUp(nullptr), 0u);

    PanelServiceCounts counts = PanelServiceCalls();
    EXPECT_EQ(counts.lookUps, 13u * 2 + 4);
    EXPECT_EQ(counts.reads, 13u + 5);
    EXPECT_EQ(counts.writes, 2u);

    ResetPanels();
    EXPECT_EQ(GetPanelVariable("LVLDLightTaxiSwitch"), 0.0);
    EXPECT_EQ(PanelServiceCalls().lookUps, 0u);
}
