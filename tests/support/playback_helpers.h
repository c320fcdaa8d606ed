// Helpers of the playback tests: samples whose fields are easy to recognise, recording
// files written byte by byte (current and legacy versions), and a fixture that plays
// such files through the Add-ons menu and the open dialog as a user does.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "recording/sample.h"
#include "tests/support/module_fixture.h"

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

class PlaybackTest : public ModuleTest {
protected:
    // Writes a recording file (creating its folder).
    void PutRecording(const std::string& windowsPath, const std::vector<TestTrack>& tracks);
    void PutBytes(const std::string& windowsPath, const std::vector<uint8_t>& bytes);
    // The user picks these files in the open dialog of "Play..." or "Play as traffic...".
    bool Play(const std::vector<std::string>& windowsPaths, bool asTraffic = false);
    // The SimConnect calls starting with prefix that were made after the first `from` calls.
    std::vector<std::string> CallsSince(size_t from, const std::string& prefix) const;
    size_t CallCount() const;
};
