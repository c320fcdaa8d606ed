// The host's panel services: the table of function addresses that the host stores in
// the module's exported Panels pointer, and the named panel variables behind it. The
// table is pointer-sized entries; the look-up, read and write services stand at entries
// 51, 53 and 55 (byte positions 204, 212 and 220 of the 32-bit host's table).
#pragma once

#include <cstdint>
#include <string>

namespace vsim {

const unsigned PanelTableEntries = 64;
const unsigned PanelLookUpEntry = 51;
const unsigned PanelReadEntry = 53;
const unsigned PanelWriteEntry = 55;

// The table to hand to the module; the other entries are null.
void* PanelTable();

// Named variables: a name keeps the id its first look-up gave it (ids from 1); an
// unknown name gets a new variable of value 0. Reading an unknown id gives 0; writing
// one changes nothing. The Level-D 767 light switches ("LVLDLightNavSwitch", ...) exist
// from the start with value 0.
uint32_t PanelVariableId(const std::string& name);
void SetPanelVariable(const std::string& name, double value);
double GetPanelVariable(const std::string& name);

// How often the module called each service since the last reset, for tests.
struct PanelServiceCounts {
    unsigned lookUps = 0;
    unsigned reads = 0;
    unsigned writes = 0;
};
PanelServiceCounts PanelServiceCalls();

// Forgets every variable but the Level-D switches (back at 0) and the counts.
void ResetPanels();

}  // namespace vsim
