// The data half of the simulator's SimConnect: data definitions of named simulation
// variables, requests once or periodic (optionally only when changed) answered with
// object-data records, and writes (tagged or in definition order) onto aircraft.
// Values are read from and written to the simulated aircraft of aircraft.h.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "platform/simconnect.h"
#include "vsim/sim/aircraft.h"

namespace vsim {

struct DataDatum {
    std::string name;
    std::string units;  // "" when the client passed none
    bool hasUnits;
    SIMCONNECT_DATATYPE type;  // FLOAT64 or STRING256
    float epsilon;
    DWORD datumId;  // SIMCONNECT_UNUSED when none
    SimVarRef var = {};  // the variable, looked up when the datum was added
};

// The definition's data in the order added; null when the id has none.
const std::vector<DataDatum>* FindDataDefinition(uint32_t defineId);
std::vector<uint32_t> DataDefinitionIds();
size_t DataDefinitionBytes(uint32_t defineId);  // size of one reply's data block

// One SetDataOnSimObject as the simulator applied it.
struct DataWriteEntry {
    DWORD datumId;
    std::string name;
    std::string units;
    double value;
};
struct DataWrite {
    uint32_t defineId;
    DWORD flags;
    std::vector<DataWriteEntry> entries;  // in the order of the call
};
// The last data set on an aircraft (its real object id); null when none was set.
const DataWrite* LastDataSet(uint32_t objectId);
unsigned DataSetCount(uint32_t objectId);
// Drops what was set on an aircraft that left the world: ids are not reused, and a
// long run creates many AI aircraft.
void ForgetDataSets(uint32_t objectId);

size_t PeriodicRequestCount();
// Queues the replies of the periodic requests that are due in this frame.
void QueuePeriodicReplies();

// Object 0 stands for the user's aircraft.
uint32_t ResolveObjectId(uint32_t objectId);

// Variables the aircraft did not know, each once as "name (units)", in first-seen order;
// they read as 0.0. The count counts every read or write of one.
const std::vector<std::string>& UnknownSimVarNames();
unsigned UnknownSimVarCount();
void NoteUnknownSimVar(const std::string& name, const std::string& units);

// Forgets the client's definitions and requests (the connection closed).
void ResetClientData();
// Also forgets what was written and the unknown variables (between host runs).
void ResetSimConnectData();

}  // namespace vsim
