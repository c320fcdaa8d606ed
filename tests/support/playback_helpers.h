// Helpers of the playback tests: a fixture that plays recording files (test_tracks.h)
// through the Add-ons menu and the open dialog as a user does.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "recording/sample.h"
#include "tests/support/module_fixture.h"
#include "tests/support/test_tracks.h"

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
