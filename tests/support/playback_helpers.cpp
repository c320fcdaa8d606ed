// The playback fixture: plays recording files through the Add-ons menu and the open
// dialog as a user does.
#include "tests/support/playback_helpers.h"

#include <filesystem>

#include "vsim/sim/simconnect.h"
#include "vsim/sim/simhost.h"
#include "vsim/win32/scripted_user.h"

void PlaybackTest::PutBytes(const std::string& windowsPath, const std::vector<uint8_t>& bytes) {
    std::filesystem::create_directories(std::filesystem::path(HostPath(windowsPath)).parent_path());
    WriteBytes(windowsPath, bytes);
}

void PlaybackTest::PutRecording(const std::string& windowsPath, const std::vector<TestTrack>& tracks) {
    PutBytes(windowsPath, RecordingFileBytes(tracks));
}

bool PlaybackTest::Play(const std::vector<std::string>& windowsPaths, bool asTraffic) {
    vsim::user::OnOpen(windowsPaths);
    return Menu(asTraffic ? "Play as traffic..." : "Play...");
}

std::vector<std::string> PlaybackTest::CallsSince(size_t from, const std::string& prefix) const {
    std::vector<std::string> calls;
    const std::vector<std::string>& all = vsim::SimConnectCalls();
    for (size_t i = from; i < all.size(); ++i) {
        if (all[i].compare(0, prefix.size(), prefix) == 0) calls.push_back(all[i]);
    }
    return calls;
}

size_t PlaybackTest::CallCount() const {
    return vsim::SimConnectCalls().size();
}
