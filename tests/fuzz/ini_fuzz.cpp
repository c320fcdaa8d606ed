// Fuzz target: Kestrel.ini as the module reads it at start (settings and key
// bindings). The input is the whole ini file; the module loads it, shows its status
// line with those settings, and saves and loads it again, which must give the same.
#include <cstdlib>
#include <cstring>

#include "module/dispatch.h"
#include "tests/fuzz/fuzz_host.h"
#include "ui/config.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    fuzz::StartModuleOnce({{"SETTINGS", "RplyEnabled", "0"}});
    fuzz::PutFile("C:\\Sim\\Modules\\Kestrel.ini", data, size);
    LoadSettings();
    LoadKeys();
    ShowStatusLine();
    SettingsRecord loaded = Settings;
    KeyCode keys[KeyActionCount];
    std::memcpy(keys, KeyTable, sizeof keys);
    SaveSettings();
    SaveKeys();
    LoadSettings();
    LoadKeys();
    // What the module writes it must read back as it was.
    if (std::memcmp(&loaded, &Settings, sizeof loaded) != 0 || std::memcmp(keys, KeyTable, sizeof keys) != 0) {
        std::abort();
    }
    fuzz::BackToRest();
    return 0;
}
