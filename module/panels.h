// The simulator's panel services, reached through the table that the host stores in
// the exported Panels pointer. Used only for the Level-D 767 light switches.
#pragma once

#include <cstdint>

// The Level-D 767's light switch variables and the bit each one has in the Level-D
// form of a sample's lights word (bit 15 marks that form).
struct LevelDLightSwitch {
    const char* name;
    uint32_t bit;
};
extern const LevelDLightSwitch LevelDLightSwitches[13];
const uint16_t LevelDLightsMarker = 0x8000;

// False when the host has not filled in Panels; the callers then skip their work.
bool PanelsAvailable();
uint32_t LookUpPanelVariable(const char* name);
double ReadPanelVariable(uint32_t id);
void WritePanelVariable(uint32_t id, double value);
