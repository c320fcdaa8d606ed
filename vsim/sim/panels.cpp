// The panel-service table and the panel variables. A variable is a name with a value;
// its id is its position in the list plus one, so ids stay stable for the whole run.
#include "vsim/sim/panels.h"

#include <map>
#include <type_traits>
#include <vector>

#include "platform/win32.h"

namespace vsim {

namespace {

// The services with the host's calling convention, as the module calls them.
typedef uint32_t(HOSTENTRY* LookUpServiceFn)(const char* name);
typedef double(HOSTENTRY* ReadServiceFn)(uint32_t id);
typedef void(HOSTENTRY* WriteServiceFn)(uint32_t id, double value);

const char* const LevelDSwitches[] = {
    "LVLDLightNavSwitch",   "LVLDLightBeaconSwitch", "LVLDLightLLNoseSwitch", "LVLDLightTaxiSwitch",
    "LVLDLightStrobeSwitch", "LVLDLightPanelSwitch", "LVLDLightWingSwitch",   "LVLDLightRecogSwitch",
    "LVLDLightOvrdSwitch",  "LVLDLightTurnLSwitch",  "LVLDLightTurnRSwitch",  "LVLDLightLLLeftSwitch",
    "LVLDLightLLRightSwitch",
};

struct PanelVariable {
    std::string name;
    double value = 0.0;
};
std::vector<PanelVariable> Variables;  // id = index + 1
std::map<std::string, uint32_t> IdsByName;
PanelServiceCounts Counts;
bool Ready = false;
void* Table[PanelTableEntries];

void EnsureReady() {
    if (!Ready) ResetPanels();
}

uint32_t IdOf(const std::string& name) {
    EnsureReady();
    auto found = IdsByName.find(name);
    if (found != IdsByName.end()) return found->second;
    Variables.push_back(PanelVariable{name, 0.0});
    uint32_t id = uint32_t(Variables.size());
    IdsByName[name] = id;
    return id;
}

uint32_t HOSTENTRY LookUpService(const char* name) {
    ++Counts.lookUps;
    return name ? IdOf(name) : 0;  // id 0 names no variable
}

double HOSTENTRY ReadService(uint32_t id) {
    EnsureReady();
    ++Counts.reads;
    return (id >= 1 && id <= Variables.size()) ? Variables[id - 1].value : 0.0;
}

void HOSTENTRY WriteService(uint32_t id, double value) {
    EnsureReady();
    ++Counts.writes;
    if (id >= 1 && id <= Variables.size()) Variables[id - 1].value = value;
}

static_assert(std::is_same<decltype(&LookUpService), LookUpServiceFn>::value, "look-up service");
static_assert(std::is_same<decltype(&ReadService), ReadServiceFn>::value, "read service");
static_assert(std::is_same<decltype(&WriteService), WriteServiceFn>::value, "write service");

}  // namespace

void* PanelTable() {
    EnsureReady();
    return Table;
}

uint32_t PanelVariableId(const std::string& name) { return IdOf(name); }

void SetPanelVariable(const std::string& name, double value) { Variables[IdOf(name) - 1].value = value; }

double GetPanelVariable(const std::string& name) { return Variables[IdOf(name) - 1].value; }

PanelServiceCounts PanelServiceCalls() { return Counts; }

void ResetPanels() {
    Ready = true;
    Variables.clear();
    IdsByName.clear();
    Counts = PanelServiceCounts();
    for (const char* name : LevelDSwitches) IdOf(name);
    for (void*& entry : Table) entry = nullptr;
    Table[PanelLookUpEntry] = reinterpret_cast<void*>(&LookUpService);
    Table[PanelReadEntry] = reinterpret_cast<void*>(&ReadService);
    Table[PanelWriteEntry] = reinterpret_cast<void*>(&WriteService);
}

}  // namespace vsim
