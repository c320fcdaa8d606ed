// The recording tests' own reading of the file layout and the sample conversions,
// kept apart from the module's code so that the two can disagree.
#include "tests/support/recording_helpers.h"

#include <cmath>
#include <cstring>

#include "vsim/sim/aircraft.h"
#include "vsim/sim/panels.h"
#include "vsim/sim/simconnect.h"

namespace rectest {

void ByteWriter::U8(uint32_t value) { bytes.push_back((uint8_t)value); }
void ByteWriter::U16(uint32_t value) {
    U8(value & 0xFF);
    U8((value >> 8) & 0xFF);
}
void ByteWriter::U32(uint32_t value) {
    U16(value & 0xFFFF);
    U16(value >> 16);
}
void ByteWriter::I64(int64_t value) {
    uint64_t bits = (uint64_t)value;
    U32((uint32_t)bits);
    U32((uint32_t)(bits >> 32));
}
void ByteWriter::F32(float value) {
    uint32_t bits;
    memcpy(&bits, &value, 4);
    U32(bits);
}
void ByteWriter::F64(double value) {
    uint64_t bits;
    memcpy(&bits, &value, 8);
    I64((int64_t)bits);
}
void ByteWriter::Text(const std::string& text, size_t width) {
    for (size_t i = 0; i < width; ++i) U8(i < text.size() ? (uint8_t)text[i] : 0);
}
void ByteWriter::Append(const std::vector<uint8_t>& more) { bytes.insert(bytes.end(), more.begin(), more.end()); }

uint16_t Le16(const std::vector<uint8_t>& bytes, size_t at) { return (uint16_t)(bytes[at] | (bytes[at + 1] << 8)); }
uint32_t Le32(const std::vector<uint8_t>& bytes, size_t at) {
    return (uint32_t)Le16(bytes, at) | ((uint32_t)Le16(bytes, at + 2) << 16);
}
int64_t Le64(const std::vector<uint8_t>& bytes, size_t at) {
    return (int64_t)((uint64_t)Le32(bytes, at) | ((uint64_t)Le32(bytes, at + 4) << 32));
}

uint32_t RecordSizeOf(uint32_t groups) {
    static const uint32_t GroupBytes[12] = {8, 6, 2, 1, 2, 2, 4, 12, 6, 16, 6, 1};
    uint32_t size = 66;
    for (int bit = 0; bit < 12; ++bit) {
        if (groups & (1u << bit)) size += GroupBytes[bit];
    }
    return size;
}

std::vector<uint8_t> FileHeaderBytes(uint32_t startTime, uint32_t endTime, uint32_t date, uint16_t trackCount) {
    ByteWriter w;
    w.U32(0x01000006);
    w.U32(startTime);
    w.U32(endTime);
    w.U32(date);
    w.U16(trackCount);
    return w.bytes;
}

std::vector<uint8_t> TrackHeaderBytes(uint32_t sampleCount, uint32_t groups, uint32_t startTime, uint32_t endTime,
                                      const std::string& title, float cgHeight, uint32_t interval) {
    ByteWriter w;
    w.U32(sampleCount);
    w.U32(groups);
    w.U32(startTime);
    w.U32(endTime);
    w.Text(title, 100);
    w.F32(cgHeight);
    w.U32(interval);
    return w.bytes;
}

namespace {

struct Variable {
    const char* name;
    const char* units;  // null: the variable's default unit
};
// The recording definition with every group, in the order its values arrive.
const Variable Variables[55] = {
    {"Plane Latitude", "degrees"},
    {"Plane Longitude", "degrees"},
    {"Plane Altitude", "meters"},
    {"Plane Pitch Degrees", "degrees"},
    {"Plane Bank Degrees", "degrees"},
    {"Plane Heading Degrees True", "degrees"},
    {"Sim On Ground", "bool"},
    {"Velocity World X", "feet/second"},
    {"Velocity World Y", "feet/second"},
    {"Velocity World Z", "feet/second"},
    {"General Eng Throttle Lever Position:1", nullptr},
    {"General Eng Throttle Lever Position:2", nullptr},
    {"General Eng Throttle Lever Position:3", nullptr},
    {"General Eng Throttle Lever Position:4", nullptr},
    {"Elevator Position", nullptr},
    {"Aileron Position", nullptr},
    {"Rudder Position", nullptr},
    {"Spoilers Handle Position", nullptr},
    {"Flaps Handle Index", nullptr},
    {"Gear Handle Position", nullptr},
    {"Light Nav", "bool"},
    {"Light Beacon", "bool"},
    {"Light Landing", "bool"},
    {"Light Taxi", "bool"},
    {"Light Strobe", "bool"},
    {"Light Panel", "bool"},
    {"Light Recognition", "bool"},
    {"Light Wing", "bool"},
    {"Light Logo", "bool"},
    {"Light Cabin", "bool"},
    {"Brake Parking Position", "position"},
    {"General Eng Combustion:1", "bool"},
    {"General Eng Combustion:2", "bool"},
    {"General Eng Combustion:3", "bool"},
    {"General Eng Combustion:4", "bool"},
    {"Nav Active Frequency:1", "Frequency BCD16"},
    {"Nav Obs:1", "degrees"},
    {"Nav Active Frequency:2", "Frequency BCD16"},
    {"Nav Obs:2", "degrees"},
    {"Adf Active Frequency:1", "Frequency ADF BCD32"},
    {"Com Active Frequency:1", "Frequency BCD16"},
    {"Com Active Frequency:2", "Frequency BCD16"},
    {"Transponder Code:1", "BCO16"},
    {"General Eng Mixture Lever Position:1", nullptr},
    {"General Eng Mixture Lever Position:2", nullptr},
    {"General Eng Mixture Lever Position:3", nullptr},
    {"General Eng Mixture Lever Position:4", nullptr},
    {"General Eng Propeller Lever Position:1", nullptr},
    {"General Eng Propeller Lever Position:2", nullptr},
    {"General Eng Propeller Lever Position:3", nullptr},
    {"General Eng Propeller Lever Position:4", nullptr},
    {"Zulu Year", nullptr},
    {"Zulu Day Of Year", nullptr},
    {"Zulu Time", nullptr},
    {"Smoke Enable", nullptr},
};

// Truncation toward zero to a 64-bit integer, keeping the low bits of wider values.
int64_t Whole(double value) {
    double whole = std::trunc(value);
    if (whole >= -9223372036854775808.0 && whole < 9223372036854775808.0) return (int64_t)whole;
    double wrapped = std::fmod(whole, 18446744073709551616.0);
    if (wrapped < 0) wrapped += 18446744073709551616.0;
    if (wrapped >= 9223372036854775808.0) wrapped -= 18446744073709551616.0;
    return (int64_t)wrapped;
}

uint32_t Low32(double value) { return (uint32_t)(uint64_t)Whole(value); }
uint32_t Low16(double value) { return Low32(value) & 0xFFFF; }
uint32_t Low8(double value) { return Low32(value) & 0xFF; }
uint32_t Lever(double value) { return Low16(value * 16384.0); }

}  // namespace

SampleValues ReadAircraftValues(uint32_t objectId) {
    SampleValues values;
    for (int i = 0; i < 55; ++i) {
        double value = 0.0;
        vsim::GetSimVar(objectId, Variables[i].name, Variables[i].units ? Variables[i].units : "", &value);
        values.v[i] = value;
    }
    return values;
}

std::vector<uint8_t> EncodeRecord(const SampleValues& values, uint32_t groups, uint32_t time, int levelDLights) {
    const double* v = values.v;
    ByteWriter w;
    w.I64(Whole(v[0] * 477302101697422.25));
    w.I64(Whole(v[1] * (18446744073709551616.0 / 360.0)));
    w.I64(Whole(v[2] * 4294967296.0));
    w.U32(Low32(v[3] * (4294967296.0 / 360.0)));
    w.U32(Low32(v[4] * (4294967296.0 / 360.0)));
    w.U32(Low32(v[5] * (4294967296.0 / 360.0)));
    w.F64(v[7]);
    w.F64(v[8]);
    w.F64(v[9]);
    w.U8(Low8(v[6]));
    if (groups & GThrottles)
        for (int i = 0; i < 4; ++i) w.U16(Lever(v[10 + i]));
    if (groups & GControls)
        for (int i = 0; i < 3; ++i) w.U16(Lever(v[14 + i]));
    if (groups & GSpoilers) w.U16(Lever(v[17]));
    if (groups & GFlaps) w.U8(Low8(v[18]));
    if (groups & GGear) w.U16(Lever(v[19]));
    if (groups & GLights) {
        uint32_t lights = 0;
        for (int k = 0; k < 10; ++k) lights |= Low32(v[20 + k]) << k;
        w.U16(levelDLights >= 0 ? (uint32_t)levelDLights : lights);
    }
    w.U8(v[30] > 0.0 ? 1 : 0);
    if (groups & GEngines)
        for (int i = 0; i < 4; ++i) w.U8(Low8(v[31 + i]));
    if (groups & GNavRadios) {
        w.U16(Low16(v[35]));
        w.U16(Low16(v[36]));
        w.U16(Low16(v[37]));
        w.U16(Low16(v[38]));
        w.U32(Low32(v[39]));
    }
    if (groups & GComRadios)
        for (int i = 0; i < 3; ++i) w.U16(Low16(v[40 + i]));
    if (groups & GPropMixture)
        for (int i = 0; i < 8; ++i) w.U16(Lever(v[43 + i]));
    if (groups & GDateTime) {
        int32_t s = (int32_t)Whole(v[53]);
        int32_t hour = s / 3600;
        int32_t minute = (s - hour * 3600) / 60;
        w.U8(Low8(v[51] - 1900.0));
        w.U16(Low16(v[52]));
        w.U8((uint32_t)hour & 0xFF);
        w.U8((uint32_t)minute & 0xFF);
        w.U8((uint32_t)(s - hour * 3600 - minute * 60) & 0xFF);
    }
    if (groups & GSmoke) w.U8(Low8(v[54]));
    w.U32(time);
    return w.bytes;
}

std::vector<uint8_t> ExpectedRecord(uint32_t objectId, uint32_t groups, uint32_t time, int levelDLights) {
    return EncodeRecord(ReadAircraftValues(objectId), groups, time, levelDLights);
}

uint16_t LevelDLightsNow() {
    struct Switch {
        const char* name;
        int bit;
    };
    static const Switch Switches[] = {
        {"LVLDLightNavSwitch", 0},    {"LVLDLightBeaconSwitch", 1}, {"LVLDLightLLNoseSwitch", 2},
        {"LVLDLightTaxiSwitch", 3},   {"LVLDLightStrobeSwitch", 4}, {"LVLDLightPanelSwitch", 5},
        {"LVLDLightWingSwitch", 7},   {"LVLDLightRecogSwitch", 8},  {"LVLDLightOvrdSwitch", 10},
        {"LVLDLightTurnLSwitch", 11}, {"LVLDLightTurnRSwitch", 12}, {"LVLDLightLLLeftSwitch", 13},
    };
    uint32_t lights = 0x8000;
    for (const Switch& s : Switches) lights |= (Low32(vsim::GetPanelVariable(s.name)) << s.bit) & 0xFFFF;
    lights |= (Low32(vsim::GetPanelVariable("LVLDLightLLRightSwitch")) & 1) << 14;
    return (uint16_t)lights;
}

uint32_t ZuluStampNow() {
    double year = 0, day = 0, seconds = 0;
    vsim::GetSimVar(1, "Zulu Year", "", &year);
    vsim::GetSimVar(1, "Zulu Day Of Year", "", &day);
    vsim::GetSimVar(1, "Zulu Time", "", &seconds);
    return (uint32_t)(int64_t)(((year - 1900.0) * 366.0 + day) * 86400.0 + seconds);
}

uint32_t FileTrack::TimeOf(size_t record) const {
    const std::vector<uint8_t>& bytes = records[record];
    return Le32(bytes, bytes.size() - 4);
}

RecordingFileView ParseRecordingFile(const std::vector<uint8_t>& bytes) {
    RecordingFileView view;
    if (bytes.size() < 18) return view;
    view.version = Le32(bytes, 0);
    view.startTime = Le32(bytes, 4);
    view.endTime = Le32(bytes, 8);
    view.date = Le32(bytes, 12);
    view.trackCount = Le16(bytes, 16);
    size_t at = 18;
    for (uint32_t t = 0; t < view.trackCount; ++t) {
        if (bytes.size() < at + 124) return view;
        FileTrack track;
        track.sampleCount = Le32(bytes, at);
        track.groups = Le32(bytes, at + 4);
        track.startTime = Le32(bytes, at + 8);
        track.endTime = Le32(bytes, at + 12);
        const char* title = (const char*)&bytes[at + 16];
        track.title = std::string(title, strnlen(title, 100));
        uint32_t cgBits = Le32(bytes, at + 116);
        memcpy(&track.cgHeight, &cgBits, 4);
        track.interval = Le32(bytes, at + 120);
        at += 124;
        uint32_t size = RecordSizeOf(track.groups);
        if (bytes.size() < at + (size_t)size * track.sampleCount) return view;
        for (uint32_t i = 0; i < track.sampleCount; ++i) {
            track.records.emplace_back(bytes.begin() + (long)at, bytes.begin() + (long)(at + size));
            at += size;
        }
        view.tracks.push_back(track);
    }
    view.ok = at == bytes.size();
    return view;
}

std::vector<uint32_t> SampleRequestWatcher::NewRequests() {
    static const std::string Prefix = "RequestDataOnSimObject(0, 0, ";
    const std::vector<std::string>& calls = vsim::SimConnectCalls();
    std::vector<uint32_t> ids;
    for (; next_ < calls.size(); ++next_) {
        const std::string& call = calls[next_];
        if (call.compare(0, Prefix.size(), Prefix) != 0) continue;
        ids.push_back((uint32_t)std::stoul(call.substr(Prefix.size())));
    }
    return ids;
}

void SampleRequestWatcher::SkipAll() { next_ = vsim::SimConnectCalls().size(); }

}  // namespace rectest
