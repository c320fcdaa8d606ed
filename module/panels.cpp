// Calls into the host's panel-service table. The table holds function addresses;
// the module knows three of them by their byte position in the 32-bit table.
#include "module/panels.h"

#include "module/entry.h"

const LevelDLightSwitch LevelDLightSwitches[13] = {
    {"LVLDLightNavSwitch", 0},    {"LVLDLightBeaconSwitch", 1}, {"LVLDLightLLNoseSwitch", 2},
    {"LVLDLightTaxiSwitch", 3},   {"LVLDLightStrobeSwitch", 4}, {"LVLDLightPanelSwitch", 5},
    {"LVLDLightWingSwitch", 7},   {"LVLDLightRecogSwitch", 8},  {"LVLDLightOvrdSwitch", 10},
    {"LVLDLightTurnLSwitch", 11}, {"LVLDLightTurnRSwitch", 12}, {"LVLDLightLLLeftSwitch", 13},
    {"LVLDLightLLRightSwitch", 14},
};

typedef uint32_t(HOSTENTRY* LookUpPanelVariableFn)(const char* name);
typedef double(HOSTENTRY* ReadPanelVariableFn)(uint32_t id);
typedef void(HOSTENTRY* WritePanelVariableFn)(uint32_t id, double value);

// Byte positions 204, 212 and 220 of a table of 32-bit entries.
enum PanelServiceIndex : unsigned { LookUpIndex = 204 / 4, ReadIndex = 212 / 4, WriteIndex = 220 / 4 };

template <typename Fn>
static Fn PanelService(unsigned index) {
    void* const* table = static_cast<void* const*>(Panels);
    return reinterpret_cast<Fn>(table[index]);
}

bool PanelsAvailable() {
    return Panels != nullptr;
}

uint32_t LookUpPanelVariable(const char* name) {
    if (!Panels) return 0;
    return PanelService<LookUpPanelVariableFn>(LookUpIndex)(name);
}

double ReadPanelVariable(uint32_t id) {
    if (!Panels) return 0.0;
    return PanelService<ReadPanelVariableFn>(ReadIndex)(id);
}

void WritePanelVariable(uint32_t id, double value) {
    if (!Panels) return;
    PanelService<WritePanelVariableFn>(WriteIndex)(id, value);
}
