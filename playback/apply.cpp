// Applying a sample to an aircraft. All values of one aircraft go over in one tagged
// data call per frame; where the host's object interface is known, position, attitude,
// velocity and lights go through it instead, which places the aircraft exactly.
#include "playback/apply.h"

#include <cstring>

#include "module/dispatch.h"
#include "module/entry.h"
#include "module/panels.h"
#include "module/simcommands.h"
#include "module/simlink.h"
#include "module/versioncheck.h"
#include "platform/simconnect.h"
#include "playback/position.h"
#include "ui/config.h"

static const uint32_t MaxEntries = 32;
static const uint32_t EntrySize = 12;  // datum id (4 bytes), value (8-byte float)
static const double LeverScale = 6.103515625e-05;  // 2^-14

struct TaggedData {
    uint8_t bytes[MaxEntries * EntrySize];
    uint32_t count;
};

static void AddEntry(TaggedData* data, uint32_t datumId, double value) {
    if (data->count >= MaxEntries) return;
    uint8_t* entry = data->bytes + data->count * EntrySize;
    StoreLE32(entry, datumId);
    StoreLEF64(entry + 4, value);
    ++data->count;
}

static void AddLevers(TaggedData* data, const FullSample* sample, uint32_t firstDatum, uint32_t field, uint32_t count) {
    for (uint32_t i = 0; i < count; ++i) {
        AddEntry(data, firstDatum + i, GetSampleI16(sample, field + 2 * i) * LeverScale);
    }
}

static void TransmitToUser(uint32_t eventId, DWORD data) {
    SimConnect_TransmitClientEvent(SimConnectHandle, SIMCONNECT_OBJECT_ID_USER, eventId, data,
                                   SIMCONNECT_GROUP_PRIORITY_HIGHEST, SIMCONNECT_EVENT_FLAG_GROUPID_IS_PRIORITY);
}

template <typename Fn>
static Fn HostMethod(void* object, uint32_t index) {
    void* const* table = *static_cast<void* const* const*>(object);
    return reinterpret_cast<Fn>(table[index]);
}


static void ApplyThroughHostObject(const FullSample* sample, uint32_t objectId, uint32_t mask) {
    void* object = ObjectAccessor(objectId);
    if (!object) return;
    // The host reads aligned values; the sample's bytes are copied out of the record form.
    int64_t position[3] = {GetSampleI64(sample, FieldLatitude), GetSampleI64(sample, FieldLongitude),
                           GetSampleI64(sample, FieldAltitude)};
    uint32_t attitude[3] = {GetSampleU32(sample, FieldPitch), GetSampleU32(sample, FieldBank),
                            GetSampleU32(sample, FieldHeading)};
    if (HostBuild == 2) {
        HostMethod<SetPlacementShortFn>(object, MethodSetPlacement)(object, position, attitude);
    } else {
        if (PositionCallFlag) *PositionCallFlag = 1;
        HostMethod<SetPlacementFn>(object, MethodSetPlacement)(object, position, attitude,
                                                             GetSampleU8(sample, FieldOnGround), 0);
        if (PositionCallFlag) *PositionCallFlag = 0;
    }
    double velocity[3] = {GetSampleF64(sample, FieldVelocityX), GetSampleF64(sample, FieldVelocityY),
                          GetSampleF64(sample, FieldVelocityZ)};
    HostMethod<SetVectorPropertyFn>(object, MethodSetVectorProperty)(object, VelocityPropertyId, velocity, 0);

    if (!(mask & Lights)) return;
    uint16_t lights = GetSampleU16(sample, FieldLights);
    if (objectId == UserObjectId && IsLevelD767 && PanelsAvailable()) {
        for (const LevelDLightSwitch& lightSwitch : LevelDLightSwitches) {
            WritePanelVariable(LookUpPanelVariable(lightSwitch.name), (lights >> lightSwitch.bit) & 1 ? 1.0 : 0.0);
        }
    } else {
        HostMethod<SetScalarPropertyFn>(object, MethodSetScalarProperty)(object, 7, 0, (double)lights, 0);
    }
}

void ApplySample(const FullSample* sample, uint32_t objectId, uint32_t groups) {
    uint32_t mask = Settings.PlayFlags & groups;
    TaggedData data;
    data.count = 0;
    if (!ObjectAccessor) {
        AddEntry(&data, 0, (double)GetSampleI64(sample, FieldLatitude) * 2.0951091487837895e-15);
        AddEntry(&data, 1, (double)GetSampleI64(sample, FieldLongitude) * 1.951563910473908e-17);
        AddEntry(&data, 2, (double)GetSampleI64(sample, FieldAltitude) / 4294967296.0);
        AddEntry(&data, 3, GetSampleI32(sample, FieldPitch) * 8.381903171539307e-08);
        AddEntry(&data, 4, GetSampleI32(sample, FieldBank) * 8.381903171539307e-08);
        AddEntry(&data, 5, GetSampleI32(sample, FieldHeading) * 8.381903171539307e-08);
    }
    if (mask & Throttles) AddLevers(&data, sample, 10, FieldThrottle1, 4);
    if (mask & Controls) AddLevers(&data, sample, 14, FieldElevator, 3);
    if (mask & Spoilers) AddEntry(&data, 17, GetSampleU16(sample, FieldSpoilers) * LeverScale);
    if (mask & Flaps) AddEntry(&data, 18, GetSampleU8(sample, FieldFlapsIndex));
    if (mask & Gear) AddEntry(&data, 19, GetSampleU16(sample, FieldGear) * LeverScale);

    bool userAircraft = objectId == UserObjectId;
    uint8_t parkingBrake = GetSampleU8(sample, FieldParkingBrake);
    if (userAircraft && parkingBrake != ParkingBrakeSet) {
        TransmitToUser(EventParkingBrakes, 0);
        ParkingBrakeSet = parkingBrake;
    }
    if (mask & Engines) {
        for (uint32_t i = 0; i < 4; ++i) AddEntry(&data, 34 + i, GetSampleU8(sample, FieldEngine1 + i));
    }
    // The radio events reach the user's own radios, so only the user's track sets them.
    if (userAircraft && (mask & NavRadios)) {
        TransmitToUser(EventNav1RadioSet, GetSampleU16(sample, FieldNav1Frequency));
        TransmitToUser(EventVor1Set, GetSampleU16(sample, FieldNav1Obs));
        TransmitToUser(EventNav2RadioSet, GetSampleU16(sample, FieldNav2Frequency));
        TransmitToUser(EventVor2Set, GetSampleU16(sample, FieldNav2Obs));
        TransmitToUser(EventAdfCompleteSet, GetSampleU32(sample, FieldAdfFrequency));
    }
    if (userAircraft && (mask & ComRadios)) {
        TransmitToUser(EventComRadioSet, GetSampleU16(sample, FieldCom1Frequency));
        TransmitToUser(EventCom2RadioSet, GetSampleU16(sample, FieldCom2Frequency));
        TransmitToUser(EventXpndrSet, GetSampleU16(sample, FieldTransponder));
    }
    if (mask & PropMixture) {
        AddLevers(&data, sample, 46, FieldMixture1, 4);
        AddLevers(&data, sample, 50, FieldPropeller1, 4);
    }
    if (mask & Smoke) AddEntry(&data, 57, GetSampleU8(sample, FieldSmoke));
    if ((mask & Gear) && (PositionJumped || SpeedPercent < 0 || SpeedPercent > 300)) {
        double gear = GetSampleU16(sample, FieldGear) * LeverScale;
        AddEntry(&data, 21, gear);
        AddEntry(&data, 22, gear);
        AddEntry(&data, 20, gear);
    }
    // What an empty tagged write would do is not documented: none is sent.
    if (data.count > 0) {
        SimConnect_SetDataOnSimObject(SimConnectHandle, DefPlayback, objectId, SIMCONNECT_DATA_SET_FLAG_TAGGED, 0,
                                      EntrySize * data.count, data.bytes);
    }
    if (ObjectAccessor) ApplyThroughHostObject(sample, objectId, mask);
}
