// Capture: the two SimConnect data definitions that carry sample data, and the
// conversion of a reply to the recording definition into a sample of its track.
// The definition tables stand in the order in which the values arrive.
#include "recording/capture.h"

#include <cstring>

#include "module/dispatch.h"
#include "module/entry.h"
#include "module/panels.h"
#include "module/simlink.h"
#include "platform/simconnect.h"
#include "recording/recorder.h"
#include "recording/sample.h"
#include "recording/track.h"
#include "ui/config.h"

struct SampleDatum {
    const char* name;
    const char* units;  // null: the variable's default unit
    uint32_t datumId;
    uint32_t group;     // 0: always present
};

// The recording definition. "Sim On Ground" is recorded but never written back.
static const SampleDatum RecordingData[] = {
    {"Plane Latitude", "degrees", 0, 0},
    {"Plane Longitude", "degrees", 1, 0},
    {"Plane Altitude", "meters", 2, 0},
    {"Plane Pitch Degrees", "degrees", 3, 0},
    {"Plane Bank Degrees", "degrees", 4, 0},
    {"Plane Heading Degrees True", "degrees", 5, 0},
    {"Sim On Ground", "bool", 6, 0},
    {"Velocity World X", "feet/second", 7, 0},
    {"Velocity World Y", "feet/second", 8, 0},
    {"Velocity World Z", "feet/second", 9, 0},
    {"General Eng Throttle Lever Position:1", nullptr, 10, Throttles},
    {"General Eng Throttle Lever Position:2", nullptr, 11, Throttles},
    {"General Eng Throttle Lever Position:3", nullptr, 12, Throttles},
    {"General Eng Throttle Lever Position:4", nullptr, 13, Throttles},
    {"Elevator Position", nullptr, 14, Controls},
    {"Aileron Position", nullptr, 15, Controls},
    {"Rudder Position", nullptr, 16, Controls},
    {"Spoilers Handle Position", nullptr, 17, Spoilers},
    {"Flaps Handle Index", nullptr, 18, Flaps},
    {"Gear Handle Position", nullptr, 19, Gear},
    {"Light Nav", "bool", 23, Lights},
    {"Light Beacon", "bool", 24, Lights},
    {"Light Landing", "bool", 25, Lights},
    {"Light Taxi", "bool", 26, Lights},
    {"Light Strobe", "bool", 27, Lights},
    {"Light Panel", "bool", 28, Lights},
    {"Light Recognition", "bool", 31, Lights},
    {"Light Wing", "bool", 30, Lights},
    {"Light Logo", "bool", 29, Lights},
    {"Light Cabin", "bool", 32, Lights},
    {"Brake Parking Position", "position", 33, 0},
    {"General Eng Combustion:1", "bool", 34, Engines},
    {"General Eng Combustion:2", "bool", 35, Engines},
    {"General Eng Combustion:3", "bool", 36, Engines},
    {"General Eng Combustion:4", "bool", 37, Engines},
    {"Nav Active Frequency:1", "Frequency BCD16", 38, NavRadios},
    {"Nav Obs:1", "degrees", 39, NavRadios},
    {"Nav Active Frequency:2", "Frequency BCD16", 40, NavRadios},
    {"Nav Obs:2", "degrees", 41, NavRadios},
    {"Adf Active Frequency:1", "Frequency ADF BCD32", 42, NavRadios},
    {"Com Active Frequency:1", "Frequency BCD16", 43, ComRadios},
    {"Com Active Frequency:2", "Frequency BCD16", 44, ComRadios},
    {"Transponder Code:1", "BCO16", 45, ComRadios},
    {"General Eng Mixture Lever Position:1", nullptr, 46, PropMixture},
    {"General Eng Mixture Lever Position:2", nullptr, 47, PropMixture},
    {"General Eng Mixture Lever Position:3", nullptr, 48, PropMixture},
    {"General Eng Mixture Lever Position:4", nullptr, 49, PropMixture},
    {"General Eng Propeller Lever Position:1", nullptr, 50, PropMixture},
    {"General Eng Propeller Lever Position:2", nullptr, 51, PropMixture},
    {"General Eng Propeller Lever Position:3", nullptr, 52, PropMixture},
    {"General Eng Propeller Lever Position:4", nullptr, 53, PropMixture},
    {"Zulu Year", nullptr, 54, DateTime},
    {"Zulu Day Of Year", nullptr, 55, DateTime},
    {"Zulu Time", nullptr, 56, DateTime},
    {"Smoke Enable", nullptr, 57, Smoke},
};
static_assert(sizeof(RecordingData) / sizeof(RecordingData[0]) == 55, "55 values with every group");

static const SampleDatum GearPositions[] = {
    {"Gear Center Position", nullptr, 20, Gear},
    {"Gear Left Position", nullptr, 21, Gear},
    {"Gear Right Position", nullptr, 22, Gear},
};


static bool RecordingDefinitionBuilt = false;
static bool PlaybackDefinitionBuilt = false;
static uint32_t RecordingDefinitionGroups = 0;  // the groups definition 0 was built from
static uint32_t RecordingValueCount = 0;

static void AddDatum(uint32_t definition, const SampleDatum& datum) {
    SimConnect_AddToDataDefinition(SimConnectHandle, definition, datum.name, datum.units, SIMCONNECT_DATATYPE_FLOAT64,
                                   0.0f, datum.datumId);
}

void BuildRecordingDefinition() {
    if (RecordingDefinitionBuilt) SimConnect_ClearDataDefinition(SimConnectHandle, DefRecording);
    RecordingDefinitionBuilt = true;
    RecordingDefinitionGroups = Settings.RecFlags & AllSampleGroups;
    RecordingValueCount = 0;
    for (const SampleDatum& datum : RecordingData) {
        if (datum.group && !(RecordingDefinitionGroups & datum.group)) continue;
        AddDatum(DefRecording, datum);
        ++RecordingValueCount;
    }
}

void BuildPlaybackDefinition() {
    if (PlaybackDefinitionBuilt) SimConnect_ClearDataDefinition(SimConnectHandle, DefPlayback);
    PlaybackDefinitionBuilt = true;
    for (const SampleDatum& datum : RecordingData) {
        if (datum.datumId == 6) continue;  // "Sim On Ground" is the simulator's to decide
        AddDatum(DefPlayback, datum);
        if (datum.datumId == 19) {
            for (const SampleDatum& gear : GearPositions) AddDatum(DefPlayback, gear);
        }
    }
}

uint32_t RecordingReplySize() {
    return RecordingValueCount * 8;
}

static uint8_t ToU8(double value) {
    return (uint8_t)TruncateToInt64(value);
}

static uint16_t ToU16(double value) {
    return (uint16_t)TruncateToInt64(value);
}

static uint16_t CaptureLevelDLights() {
    uint16_t lights = 0;
    for (const LevelDLightSwitch& lightSwitch : LevelDLightSwitches) {
        int32_t value = (int32_t)TruncateToInt64(ReadPanelVariable(LookUpPanelVariable(lightSwitch.name)));
        if (lightSwitch.bit == 14) value &= 1;
        lights |= (uint16_t)((uint32_t)value << lightSwitch.bit);
    }
    return lights | LevelDLightsMarker;
}

bool CaptureSample(const double* values, uint32_t objectId) {
    Track* track = FindTrack(objectId);
    if (!track) return false;

    FullSample full;
    memset(&full, 0, sizeof(full));
    const uint32_t walked = RecordingDefinitionGroups;
    const uint32_t kept = track->groups;
    const double* v = values;

    SetSampleI64(&full, FieldLatitude, DegreesToLatitude(v[0]));
    SetSampleI64(&full, FieldLongitude, DegreesToLongitude(v[1]));
    SetSampleI64(&full, FieldAltitude, MetersToAltitude(v[2]));
    SetSampleI32(&full, FieldPitch, (int32_t)DegreesToAngle(v[3]));
    SetSampleI32(&full, FieldBank, (int32_t)DegreesToAngle(v[4]));
    SetSampleU32(&full, FieldHeading, DegreesToAngle(v[5]));
    SetSampleU8(&full, FieldOnGround, ToU8(v[6]));
    SetSampleF64(&full, FieldVelocityX, v[7]);
    SetSampleF64(&full, FieldVelocityY, v[8]);
    SetSampleF64(&full, FieldVelocityZ, v[9]);
    v += 10;

    if (walked & Throttles) {
        if (kept & Throttles) {
            for (uint32_t i = 0; i < 4; ++i) SetSampleI16(&full, FieldThrottle1 + 2 * i, LeverToFixed(v[i]));
        }
        v += 4;
    }
    if (walked & Controls) {
        if (kept & Controls) {
            SetSampleI16(&full, FieldElevator, LeverToFixed(v[0]));
            SetSampleI16(&full, FieldAileron, LeverToFixed(v[1]));
            SetSampleI16(&full, FieldRudder, LeverToFixed(v[2]));
        }
        v += 3;
    }
    if (walked & Spoilers) {
        if (kept & Spoilers) SetSampleI16(&full, FieldSpoilers, LeverToFixed(v[0]));
        v += 1;
    }
    if (walked & Flaps) {
        if (kept & Flaps) SetSampleU8(&full, FieldFlapsIndex, ToU8(v[0]));
        v += 1;
    }
    if (walked & Gear) {
        if (kept & Gear) SetSampleI16(&full, FieldGear, LeverToFixed(v[0]));
        v += 1;
    }
    if (walked & Lights) {
        if (kept & Lights) {
            // The Level-D 767 keeps its lights in its own panel switches; without the
            // panel services the simulator's light switches are recorded instead.
            uint16_t lights = 0;
            if (objectId == UserObjectId && IsLevelD767 && PanelsAvailable()) {
                lights = CaptureLevelDLights();
            } else {
                for (uint32_t k = 0; k < 10; ++k) lights |= (uint16_t)((uint32_t)TruncateToInt64(v[k]) << k);
            }
            SetSampleU16(&full, FieldLights, lights);
        }
        v += 10;
    }
    SetSampleU8(&full, FieldParkingBrake, v[0] > 0.0 ? 1 : 0);
    v += 1;
    if (walked & Engines) {
        if (kept & Engines) {
            for (uint32_t i = 0; i < 4; ++i) SetSampleU8(&full, FieldEngine1 + i, ToU8(v[i]));
        }
        v += 4;
    }
    if (walked & NavRadios) {
        if (kept & NavRadios) {
            SetSampleU16(&full, FieldNav1Frequency, ToU16(v[0]));
            SetSampleU16(&full, FieldNav1Obs, ToU16(v[1]));
            SetSampleU16(&full, FieldNav2Frequency, ToU16(v[2]));
            SetSampleU16(&full, FieldNav2Obs, ToU16(v[3]));
            SetSampleU32(&full, FieldAdfFrequency, (uint32_t)TruncateToInt64(v[4]));
        }
        v += 5;
    }
    if (walked & ComRadios) {
        if (kept & ComRadios) {
            SetSampleU16(&full, FieldCom1Frequency, ToU16(v[0]));
            SetSampleU16(&full, FieldCom2Frequency, ToU16(v[1]));
            SetSampleU16(&full, FieldTransponder, ToU16(v[2]));
        }
        v += 3;
    }
    if (walked & PropMixture) {
        if (kept & PropMixture) {
            for (uint32_t i = 0; i < 4; ++i) SetSampleI16(&full, FieldMixture1 + 2 * i, LeverToFixed(v[i]));
            for (uint32_t i = 0; i < 4; ++i) SetSampleI16(&full, FieldPropeller1 + 2 * i, LeverToFixed(v[4 + i]));
        }
        v += 8;
    }
    if (walked & DateTime) {
        if (kept & DateTime) {
            int32_t seconds = (int32_t)TruncateToInt64(v[2]);
            int32_t hour = seconds / 3600;
            int32_t minute = (seconds - hour * 3600) / 60;
            SetSampleU8(&full, FieldYear, ToU8(v[0] - 1900.0));
            SetSampleU16(&full, FieldDayOfYear, ToU16(v[1]));
            SetSampleU8(&full, FieldHour, (uint8_t)hour);
            SetSampleU8(&full, FieldMinute, (uint8_t)minute);
            SetSampleU8(&full, FieldSecond, (uint8_t)(seconds - hour * 3600 - minute * 60));
        }
        v += 3;
    }
    if (walked & Smoke) {
        if (kept & Smoke) SetSampleU8(&full, FieldSmoke, ToU8(v[0]));
        v += 1;
    }
    SetSampleU32(&full, FieldTime, Timeline);
    // A temp file that cannot take the buffer (a full disk) must not fail silently.
    if (!AppendSample(track, &full) && track->readMode == 0 && !track->memoryOnly && track->file) {
        ReportRecordingWriteFailure();
    }
    return true;
}
