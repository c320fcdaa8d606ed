// The data half of the simulator's SimConnect: data definitions, requests and their
// object-data replies, and data writes. A reply's data block holds the values in
// definition order, each FLOAT64 as 8 little-endian bytes and each STRING256 as 256
// bytes, zero-padded; the record is the object-data header followed by that block, and
// its dwSize counts both.
#include "vsim/sim/simconnect_data.h"

#include <cmath>
#include <cstring>
#include <map>

#include "vsim/sim/aircraft.h"
#include "vsim/sim/simconnect.h"
#include "vsim/sim/simhost.h"

namespace vsim {

namespace {

// The object-data header runs up to the data block, which starts where dwData stands.
const size_t ObjectDataHeaderBytes = sizeof(SIMCONNECT_RECV_SIMOBJECT_DATA) - sizeof(DWORD);
static_assert(ObjectDataHeaderBytes == 40, "object data block offset");
const size_t TextDatumBytes = 256;
const DWORD RecordVersion = 4;
// Far beyond any real definition; a larger write is a client fault, not data.
const uint64_t MaxWriteBytes = 1u << 20;
const uint64_t MicrosPerSecond = 1000000;

struct PeriodicRequest {
    DWORD requestId;
    uint32_t defineId;
    uint32_t objectId;  // as asked: 0 follows the user's aircraft
    SIMCONNECT_PERIOD period;
    DWORD flags;
    DWORD origin;    // periods to pass before the first reply
    DWORD interval;  // periods to pass between replies
    DWORD limit;     // replies to send, 0 for no limit
    uint64_t periods = 0;
    uint64_t sent = 0;
    uint64_t nextSecondMicros = 0;
    bool hasLast = false;
    std::vector<uint8_t> last;  // the block of the last reply, for "only when changed"
};

std::map<uint32_t, std::vector<DataDatum>> Definitions;
std::vector<PeriodicRequest> PeriodicRequests;
std::map<uint32_t, DataWrite> LastWrites;
std::map<uint32_t, unsigned> WriteCounts;
std::vector<std::string> UnknownNames;
unsigned UnknownCount = 0;

size_t DatumBytes(const DataDatum& datum) { return datum.type == SIMCONNECT_DATATYPE_STRING256 ? TextDatumBytes : 8; }

void PutDouble(std::vector<uint8_t>* block, double value) {
    uint64_t bits;
    std::memcpy(&bits, &value, sizeof bits);
    for (int i = 0; i < 8; ++i) block->push_back(uint8_t(bits >> (8 * i)));
}

double GetDouble(const uint8_t* bytes) {
    uint64_t bits = 0;
    for (int i = 0; i < 8; ++i) bits |= uint64_t(bytes[i]) << (8 * i);
    double value;
    std::memcpy(&value, &bits, sizeof value);
    return value;
}

uint32_t GetWord(const uint8_t* bytes) {
    return uint32_t(bytes[0]) | uint32_t(bytes[1]) << 8 | uint32_t(bytes[2]) << 16 | uint32_t(bytes[3]) << 24;
}

// Reads the definition's values from the aircraft into a data block.
std::vector<uint8_t> ReadBlock(uint32_t objectId, const std::vector<DataDatum>& definition) {
    std::vector<uint8_t> block;
    for (const DataDatum& datum : definition) {
        if (datum.type == SIMCONNECT_DATATYPE_STRING256) {
            std::string text;
            if (!GetSimVarText(objectId, datum.name, &text)) NoteUnknownSimVar(datum.name, datum.units);
            // Always terminated inside its 256 bytes.
            size_t length = text.size() < TextDatumBytes - 1 ? text.size() : TextDatumBytes - 1;
            block.insert(block.end(), text.begin(), text.begin() + length);
            block.insert(block.end(), TextDatumBytes - length, 0);
        } else {
            double value = 0.0;
            if (!GetSimVar(objectId, datum.var, &value)) {
                NoteUnknownSimVar(datum.name, datum.units);
                value = 0.0;
            }
            PutDouble(&block, value);
        }
    }
    return block;
}

// True when a value differs from the last reply by more than its epsilon.
bool BlockChanged(const std::vector<DataDatum>& definition, const std::vector<uint8_t>& last,
                  const std::vector<uint8_t>& now) {
    if (last.size() != now.size()) return true;
    size_t offset = 0;
    for (const DataDatum& datum : definition) {
        size_t bytes = DatumBytes(datum);
        if (datum.type == SIMCONNECT_DATATYPE_FLOAT64) {
            double before = GetDouble(&last[offset]);
            double after = GetDouble(&now[offset]);
            bool bitsDiffer = std::memcmp(&last[offset], &now[offset], bytes) != 0;
            if (std::isnan(before) || std::isnan(after)) {
                if (bitsDiffer) return true;
            } else if (std::fabs(after - before) > double(datum.epsilon)) {
                return true;
            }
        } else if (std::memcmp(&last[offset], &now[offset], bytes) != 0) {
            return true;
        }
        offset += bytes;
    }
    return false;
}

void QueueObjectData(DWORD requestId, uint32_t objectId, uint32_t defineId, DWORD flags, size_t datumCount,
                     const std::vector<uint8_t>& block) {
    SIMCONNECT_RECV_SIMOBJECT_DATA header;
    std::memset(&header, 0, sizeof header);
    header.dwSize = DWORD(ObjectDataHeaderBytes + block.size());
    header.dwVersion = RecordVersion;
    header.dwID = SIMCONNECT_RECV_ID_SIMOBJECT_DATA;
    header.dwRequestID = requestId;
    header.dwObjectID = objectId;
    header.dwDefineID = defineId;
    header.dwFlags = flags;
    header.dwentrynumber = 1;
    header.dwoutof = 1;
    header.dwDefineCount = DWORD(datumCount);
    std::vector<uint8_t> record(ObjectDataHeaderBytes + block.size());
    std::memcpy(record.data(), &header, ObjectDataHeaderBytes);
    std::memcpy(record.data() + ObjectDataHeaderBytes, block.data(), block.size());
    QueueMessage(record.data(), record.size());
}

std::string Unsigned(uint64_t value) { return std::to_string(value); }

HRESULT Refuse(const std::string& call, const std::string& reason) {
    AddSimConnectError(call + ": " + reason);
    return E_FAIL;
}

bool CheckHandle(HANDLE handle, const std::string& call) {
    if (IsOpenHandle(handle)) return true;
    AddSimConnectError(call + ": no open connection with this handle");
    return false;
}

void DropPeriodicRequest(DWORD requestId) {
    for (auto it = PeriodicRequests.begin(); it != PeriodicRequests.end(); ++it) {
        if (it->requestId == requestId) {
            PeriodicRequests.erase(it);
            return;
        }
    }
}

// One period of a periodic request has passed: true when a reply is due in it.
bool PeriodDue(PeriodicRequest* request) {
    ++request->periods;
    if (request->periods <= request->origin) return false;
    return (request->periods - request->origin - 1) % (uint64_t(request->interval) + 1) == 0;
}

}  // namespace

const std::vector<DataDatum>* FindDataDefinition(uint32_t defineId) {
    auto it = Definitions.find(defineId);
    return it == Definitions.end() ? nullptr : &it->second;
}

std::vector<uint32_t> DataDefinitionIds() {
    std::vector<uint32_t> ids;
    for (const auto& entry : Definitions) ids.push_back(entry.first);
    return ids;
}

size_t DataDefinitionBytes(uint32_t defineId) {
    size_t bytes = 0;
    if (const std::vector<DataDatum>* definition = FindDataDefinition(defineId))
        for (const DataDatum& datum : *definition) bytes += DatumBytes(datum);
    return bytes;
}

const DataWrite* LastDataSet(uint32_t objectId) {
    auto it = LastWrites.find(objectId);
    return it == LastWrites.end() ? nullptr : &it->second;
}

unsigned DataSetCount(uint32_t objectId) {
    auto it = WriteCounts.find(objectId);
    return it == WriteCounts.end() ? 0 : it->second;
}

void ForgetDataSets(uint32_t objectId) {
    LastWrites.erase(objectId);
    WriteCounts.erase(objectId);
}

size_t PeriodicRequestCount() { return PeriodicRequests.size(); }

void QueuePeriodicReplies() {
    uint64_t now = ClockMicros();
    for (size_t i = 0; i < PeriodicRequests.size();) {
        PeriodicRequest& request = PeriodicRequests[i];
        bool due;
        if (request.period == SIMCONNECT_PERIOD_SECOND) {
            due = false;
            if (now >= request.nextSecondMicros) {
                // Seconds skipped by a long frame count as one period.
                while (request.nextSecondMicros <= now) request.nextSecondMicros += MicrosPerSecond;
                due = PeriodDue(&request);
            }
        } else {
            due = PeriodDue(&request);
        }
        uint32_t objectId = ResolveObjectId(request.objectId);
        const std::vector<DataDatum>* definition = FindDataDefinition(request.defineId);
        if (due && definition != nullptr && !definition->empty() && AircraftExists(objectId)) {
            std::vector<uint8_t> block = ReadBlock(objectId, *definition);
            bool onlyWhenChanged = (request.flags & SIMCONNECT_DATA_REQUEST_FLAG_CHANGED) != 0;
            if (!onlyWhenChanged || !request.hasLast || BlockChanged(*definition, request.last, block)) {
                QueueObjectData(request.requestId, objectId, request.defineId, request.flags, definition->size(),
                                block);
                request.last = block;
                request.hasLast = true;
                ++request.sent;
            }
        }
        if (request.limit != 0 && request.sent >= request.limit)
            PeriodicRequests.erase(PeriodicRequests.begin() + long(i));
        else
            ++i;
    }
}

uint32_t ResolveObjectId(uint32_t objectId) {
    return objectId == SIMCONNECT_OBJECT_ID_USER ? UserAircraftId() : objectId;
}

const std::vector<std::string>& UnknownSimVarNames() { return UnknownNames; }
unsigned UnknownSimVarCount() { return UnknownCount; }

void NoteUnknownSimVar(const std::string& name, const std::string& units) {
    ++UnknownCount;
    std::string entry = units.empty() ? name : name + " (" + units + ")";
    for (const std::string& known : UnknownNames)
        if (known == entry) return;
    UnknownNames.push_back(entry);
}

void ResetClientData() {
    Definitions.clear();
    PeriodicRequests.clear();
}

void ResetSimConnectData() {
    ResetClientData();
    LastWrites.clear();
    WriteCounts.clear();
    UnknownNames.clear();
    UnknownCount = 0;
}

}  // namespace vsim

using namespace vsim;

SIMCONNECTAPI SimConnect_AddToDataDefinition(HANDLE handle, SIMCONNECT_DATA_DEFINITION_ID defineId,
                                             const char* datumName, const char* unitsName,
                                             SIMCONNECT_DATATYPE datumType, float epsilon, DWORD datumId) {
    std::string call = "AddToDataDefinition(" + Unsigned(defineId) + ", " + QuoteText(datumName) + ", " +
                       QuoteText(unitsName) + ", " + Unsigned(datumType) + ", " + FormatNumber(epsilon) + ", " +
                       Unsigned(datumId) + ")";
    LogSimConnectCall(call);
    if (!CheckHandle(handle, call)) return E_FAIL;
    if (datumName == nullptr || *datumName == 0) return Refuse(call, "no variable name");
    if (datumType != SIMCONNECT_DATATYPE_FLOAT64 && datumType != SIMCONNECT_DATATYPE_STRING256)
        return Refuse(call, "data type not supported");
    std::vector<DataDatum>& definition = Definitions[defineId];
    if (datumId != SIMCONNECT_UNUSED)
        for (const DataDatum& datum : definition)
            if (datum.datumId == datumId) return Refuse(call, "datum id already used in this definition");
    definition.push_back(DataDatum{datumName, unitsName ? unitsName : "", unitsName != nullptr, datumType, epsilon,
                                   datumId});
    if (datumType == SIMCONNECT_DATATYPE_FLOAT64)
        definition.back().var = LookUpSimVar(datumName, definition.back().units);
    return S_OK;
}

SIMCONNECTAPI SimConnect_ClearDataDefinition(HANDLE handle, SIMCONNECT_DATA_DEFINITION_ID defineId) {
    std::string call = "ClearDataDefinition(" + Unsigned(defineId) + ")";
    LogSimConnectCall(call);
    if (!CheckHandle(handle, call)) return E_FAIL;
    if (Definitions.erase(defineId) == 0) return Refuse(call, "no such definition");
    return S_OK;
}

SIMCONNECTAPI SimConnect_RequestDataOnSimObject(HANDLE handle, SIMCONNECT_DATA_REQUEST_ID requestId,
                                                SIMCONNECT_DATA_DEFINITION_ID defineId, SIMCONNECT_OBJECT_ID objectId,
                                                SIMCONNECT_PERIOD period, SIMCONNECT_DATA_REQUEST_FLAG flags,
                                                DWORD origin, DWORD interval, DWORD limit) {
    std::string call = "RequestDataOnSimObject(" + Unsigned(requestId) + ", " + Unsigned(defineId) + ", " +
                       Unsigned(objectId) + ", " + Unsigned(period) + ", " + Unsigned(flags);
    if (origin != 0 || interval != 0 || limit != 0)
        call += ", " + Unsigned(origin) + ", " + Unsigned(interval) + ", " + Unsigned(limit);
    call += ")";
    LogSimConnectCall(call);
    if (!CheckHandle(handle, call)) return E_FAIL;
    if (period > SIMCONNECT_PERIOD_SECOND) return Refuse(call, "unknown period");
    // A new request under the same id replaces a periodic one; NEVER only cancels.
    DropPeriodicRequest(requestId);
    if (period == SIMCONNECT_PERIOD_NEVER) return S_OK;
    const std::vector<DataDatum>* definition = FindDataDefinition(defineId);
    if (definition == nullptr || definition->empty()) return Refuse(call, "no such definition");
    uint32_t target = ResolveObjectId(objectId);
    if (!AircraftExists(target)) return Refuse(call, "no such object");
    if (period == SIMCONNECT_PERIOD_ONCE) {
        QueueObjectData(requestId, target, defineId, flags, definition->size(), ReadBlock(target, *definition));
        return S_OK;
    }
    PeriodicRequest request;
    request.requestId = requestId;
    request.defineId = defineId;
    request.objectId = objectId;
    request.period = period;
    request.flags = flags;
    request.origin = origin;
    request.interval = interval;
    request.limit = limit;
    request.nextSecondMicros = ClockMicros() + MicrosPerSecond;
    PeriodicRequests.push_back(request);
    return S_OK;
}

SIMCONNECTAPI SimConnect_SetDataOnSimObject(HANDLE handle, SIMCONNECT_DATA_DEFINITION_ID defineId,
                                            SIMCONNECT_OBJECT_ID objectId, SIMCONNECT_DATA_SET_FLAG flags,
                                            DWORD arrayCount, DWORD unitSize, void* data) {
    std::string call = "SetDataOnSimObject(" + Unsigned(defineId) + ", " + Unsigned(objectId) + ", " +
                       Unsigned(flags) + ", " + Unsigned(arrayCount) + ", " + Unsigned(unitSize) + ")";
    LogSimConnectCall(call);
    if (!CheckHandle(handle, call)) return E_FAIL;
    const std::vector<DataDatum>* definition = FindDataDefinition(defineId);
    if (definition == nullptr) return Refuse(call, "no such definition");
    uint32_t target = ResolveObjectId(objectId);
    if (!AircraftExists(target)) return Refuse(call, "no such object");
    // An array count of 0 stands for one element of unitSize bytes.
    uint64_t total = uint64_t(arrayCount ? arrayCount : 1) * unitSize;
    if (total > MaxWriteBytes) return Refuse(call, "data block too large");
    if (data == nullptr && total != 0) return Refuse(call, "no data");
    const uint8_t* bytes = static_cast<const uint8_t*>(data);

    // Every entry is checked before any is applied, so a damaged block changes nothing.
    struct Found {
        const DataDatum* datum;
        const uint8_t* value;
    };
    std::vector<Found> found;
    if (flags & SIMCONNECT_DATA_SET_FLAG_TAGGED) {
        uint64_t offset = 0;
        while (offset < total) {
            if (total - offset < 4) return Refuse(call, "truncated datum id at byte " + Unsigned(offset));
            DWORD datumId = GetWord(bytes + offset);
            const DataDatum* match = nullptr;
            for (const DataDatum& datum : *definition)
                if (datumId != SIMCONNECT_UNUSED && datum.datumId == datumId) match = &datum;
            if (match == nullptr) return Refuse(call, "no datum id " + Unsigned(datumId) + " in the definition");
            if (total - offset - 4 < DatumBytes(*match))
                return Refuse(call, "truncated value of datum id " + Unsigned(datumId));
            found.push_back(Found{match, bytes + offset + 4});
            offset += 4 + DatumBytes(*match);
        }
    } else {
        uint64_t needed = DataDefinitionBytes(defineId);
        if (total < needed) return Refuse(call, "data block shorter than the definition");
        uint64_t offset = 0;
        for (const DataDatum& datum : *definition) {
            found.push_back(Found{&datum, bytes + offset});
            offset += DatumBytes(datum);
        }
    }

    DataWrite write{defineId, flags, {}};
    for (const Found& entry : found) {
        if (entry.datum->type == SIMCONNECT_DATATYPE_STRING256) {
            AddSimConnectError(call + ": text datum \"" + entry.datum->name + "\" cannot be written");
            continue;
        }
        double value = GetDouble(entry.value);
        if (!SetSimVar(target, entry.datum->var, value))
            NoteUnknownSimVar(entry.datum->name, entry.datum->units);
        write.entries.push_back(DataWriteEntry{entry.datum->datumId, entry.datum->name, entry.datum->units, value});
    }
    LastWrites[target] = write;
    ++WriteCounts[target];
    return S_OK;
}
