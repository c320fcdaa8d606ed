// Tracks whose samples are easy to recognise and the bytes of recording files holding
// them (current and legacy versions), written without the module's own writer.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "recording/sample.h"

struct TestTrack {
    std::string title = "Kestrel Test Aircraft";
    uint32_t groups = DefaultSampleGroups;
    float cgHeight = 0.0f;   // feet
    uint32_t interval = 250;  // ms
    std::vector<FullSample> samples;
};

// A sample stamped with time; every other field is 0.
FullSample SampleAt(uint32_t time);

// A straight northbound flight 1000 m above sea level near the simulator's airfield:
// samples every step from start to end (end included when it falls on a step), the
// latitude rising by LineLatitudeRate units per 1/10000 s, throttles at 0.75, gear up.
const int64_t LineLatitudeRate = 20000000;  // about 47 m/s
int64_t LineLatitude(uint32_t time);
int64_t LineLongitude();
int64_t LineAltitude();
TestTrack LineTrack(const std::string& title, uint32_t start, uint32_t end, uint32_t step = 2500,
                    uint32_t groups = DefaultSampleGroups);

// The bytes of a version 0x01000006 file: the file span from the tracks' first and
// last sample times, then each track header and its records.
std::vector<uint8_t> RecordingFileBytes(const std::vector<TestTrack>& tracks, uint32_t date = 0);
// The bytes of a one-track file of version 0x01000004 or 0x01000005.
std::vector<uint8_t> LegacyFileBytes(uint32_t version, const TestTrack& track, uint32_t date = 0);
