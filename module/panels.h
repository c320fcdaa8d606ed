// The simulator's panel services, reached through the table that the host stores in
// the exported Panels pointer. Used only for the Level-D 767 light switches.
#pragma once

#include <cstdint>

// False when the host has not filled in Panels; the callers then skip their work.
bool PanelsAvailable();
uint32_t LookUpPanelVariable(const char* name);
double ReadPanelVariable(uint32_t id);
void WritePanelVariable(uint32_t id, double value);
