// The stand-in host DLLs of the Windows build (sim1.dll, fs-traffic.dll, main.dll,
// simscheduler.dll, api.dll), written as files just before the module loads. Each is a
// 64-bit DLL without code: its export table holds exactly the ordinals the simulated
// host's DLL exports for its configured version (vsim::HostDll::ordinals), each
// forwarded by name to the entry in the stand-in SimConnect.dll, and its resources hold
// a version block with that file version. The module's real GetModuleHandleA,
// GetProcAddress and GetFileVersionInfoA then see what the simulator's DLLs would show.
#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <vector>

namespace vsim::winhost {

struct HostDllImage {
    std::string name;                            // "sim1.dll"
    uint16_t version[4] = {0, 0, 0, 0};          // the file version
    std::map<unsigned, std::string> forwarders;  // ordinal -> "SimConnect.<export name>"
    uint64_t imageBase = 0x10000000;             // preferred load address
};

// The bytes of the DLL file, laid out field by field (little-endian).
std::vector<uint8_t> BuildHostDllImage(const HostDllImage& image);

// The named exports of a loaded module by address, for finding the SimConnect.dll
// export behind an entry address.
std::map<const void*, std::string> NamedExportsByAddress(const void* moduleBase);

}  // namespace vsim::winhost
