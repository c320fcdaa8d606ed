// Fuzz target: recording files as the module loads them for playback. The input is
// one file, or several joined by fuzz::Separator, which the user picks together in
// the open dialog of "Play..." (the first byte of the first file odd) or of "Play as
// traffic..."; a few frames of the playback run, then it stops.
#include "module/simlink.h"
#include "tests/fuzz/fuzz_host.h"
#include "vsim/sim/simulator.h"
#include "vsim/win32/scripted_user.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    fuzz::StartModuleOnce();
    std::vector<std::string> files = fuzz::SplitInput(data, size, 4);
    std::vector<std::string> paths;
    for (size_t i = 0; i < files.size(); ++i) {
        std::string path = "C:\\Sim\\fuzz" + std::to_string(i) + ".frc";
        fuzz::PutFile(path, reinterpret_cast<const uint8_t*>(files[i].data()), files[i].size());
        paths.push_back(path);
    }
    bool asTraffic = size == 0 || (data[0] & 1) == 0;
    vsim::user::OnOpen(paths);
    vsim::SelectMenuItem(asTraffic ? "Play as traffic..." : "Play...");
    fuzz::Frames(12);
    fuzz::BackToRest();
    return 0;
}
