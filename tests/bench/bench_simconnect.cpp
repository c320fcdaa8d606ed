// The benchmarks' simulator: SimConnect calls counted, data requests answered with
// prepared records, AI creations given the next object id, and an aircraft object
// whose methods only count. Nothing here allocates once the definitions are made.
#include "tests/bench/bench_simconnect.h"

#include <cstring>
#include <vector>

#include "module/versioncheck.h"
#include "platform/simconnect.h"
#include "vsim/sim/simhost.h"

namespace benchsim {

namespace {

const uint32_t MaxDefinitions = 8;
const uint32_t MaxDatums = 64;
const uint32_t MaxPending = 4096;
const uint32_t MaxPeriodic = 16;
const uint32_t FirstAiObjectId = 2;  // the user's aircraft is 1
const size_t DataHeaderBytes = offsetof(SIMCONNECT_RECV_SIMOBJECT_DATA, dwData);

uint64_t Counts[CallKindCount];
uint64_t Dropped = 0;
DispatchProc Dispatch = nullptr;
uint32_t FrameEventId = SIMCONNECT_UNUSED;
uint32_t ObjectAddedEventId = SIMCONNECT_UNUSED;
double FrameSeconds = 1.0 / 30.0;
uint32_t NextObjectId = FirstAiObjectId;

// A definition's reply: the object-data header, then the values in definition order.
struct Definition {
    uint32_t datums = 0;
    uint32_t offsets[MaxDatums] = {};
    std::vector<uint8_t> record = std::vector<uint8_t>(DataHeaderBytes);
};
Definition Definitions[MaxDefinitions];

struct Request {
    uint32_t requestId, defineId, objectId;
    bool onlyWhenChanged, answered;
};
Request Pending[MaxPending];
uint32_t PendingCount = 0;
Request Periodic[MaxPeriodic];
uint32_t PeriodicCount = 0;
uint32_t Creations[MaxPending];  // request ids of AI creations not yet confirmed
uint32_t CreationCount = 0;

void Deliver(void* record, size_t size) {
    if (Dispatch) Dispatch(static_cast<SIMCONNECT_RECV*>(record), (DWORD)size, nullptr);
}

void Answer(const Request& request) {
    if (request.defineId >= MaxDefinitions || Definitions[request.defineId].datums == 0) return;
    std::vector<uint8_t>& record = Definitions[request.defineId].record;
    SIMCONNECT_RECV_SIMOBJECT_DATA header = {};
    header.dwSize = (DWORD)record.size();
    header.dwVersion = 4;
    header.dwID = SIMCONNECT_RECV_ID_SIMOBJECT_DATA;
    header.dwRequestID = request.requestId;
    header.dwObjectID = request.objectId == SIMCONNECT_OBJECT_ID_USER ? 1 : request.objectId;
    header.dwDefineID = request.defineId;
    header.dwentrynumber = header.dwoutof = 1;
    header.dwDefineCount = Definitions[request.defineId].datums;
    memcpy(record.data(), &header, DataHeaderBytes);
    Deliver(record.data(), record.size());
}

// Replies and creations made while these are delivered are delivered too.
void DeliverPending() {
    for (uint32_t i = 0; i < PendingCount || i < CreationCount; ++i) {
        if (i < CreationCount) {
            SIMCONNECT_RECV_ASSIGNED_OBJECT_ID assigned = {};
            assigned.dwSize = sizeof(assigned);
            assigned.dwVersion = 4;
            assigned.dwID = SIMCONNECT_RECV_ID_ASSIGNED_OBJECT_ID;
            assigned.dwRequestID = Creations[i];
            assigned.dwObjectID = NextObjectId++;
            Deliver(&assigned, sizeof(assigned));
        }
        if (i < PendingCount) Answer(Pending[i]);
    }
    PendingCount = CreationCount = 0;
}

void SendEventRecord(uint32_t eventId, uint32_t data) {
    SIMCONNECT_RECV_EVENT event = {};
    event.dwSize = sizeof(event);
    event.dwVersion = 4;
    event.dwID = SIMCONNECT_RECV_ID_EVENT;
    event.uGroupID = SIMCONNECT_UNUSED;
    event.uEventID = eventId;
    event.dwData = data;
    Deliver(&event, sizeof(event));
}

// The aircraft object of the host entry: its first member is the method table.
void HOSTMETHOD SetPlacement(void*, const void*, const void*) { ++Counts[CallSetPlacement]; }
void HOSTMETHOD SetVectorProperty(void*, uint32_t, const double*, uint32_t) { ++Counts[CallSetVectorProperty]; }
void HOSTMETHOD SetScalarProperty(void*, uint32_t, uint32_t, double, uint32_t) { ++Counts[CallSetScalarProperty]; }
void* MethodTable[32] = {};
struct {
    void** methods = MethodTable;
} Object;

void* HOSTENTRY AccessObject(uint32_t) {
    ++Counts[CallAccessObject];
    return &Object;
}

double HOSTENTRY FrameTime() { return FrameSeconds; }

}  // namespace

uint64_t CallCount(Call call) { return Counts[call]; }
uint64_t DroppedCount() { return Dropped; }

void InstallHostEntries() {
    MethodTable[MethodSetPlacement] = reinterpret_cast<void*>(&SetPlacement);
    MethodTable[MethodSetVectorProperty] = reinterpret_cast<void*>(&SetVectorProperty);
    MethodTable[MethodSetScalarProperty] = reinterpret_cast<void*>(&SetScalarProperty);
    if (vsim::HostDll* sim = vsim::FindHostDll("sim1.dll")) sim->ordinals[10] = reinterpret_cast<void*>(&AccessObject);
    if (vsim::HostDll* api = vsim::FindHostDll("api.dll")) {
        for (auto& entry : api->ordinals) {
            bool frameTime = entry.first == 261 || entry.first == 265 || entry.first == 268;
            if (frameTime) entry.second = reinterpret_cast<void*>(&FrameTime);
        }
    }
}

void SetFrameSeconds(double seconds) { FrameSeconds = seconds; }

void SetReplyValue(uint32_t defineId, uint32_t datum, double value) {
    if (defineId >= MaxDefinitions || datum >= Definitions[defineId].datums) return;
    memcpy(Definitions[defineId].record.data() + Definitions[defineId].offsets[datum], &value, sizeof(value));
}

void SetReplyText(uint32_t defineId, uint32_t datum, const char* text) {
    if (defineId >= MaxDefinitions || datum >= Definitions[defineId].datums) return;
    char* field = reinterpret_cast<char*>(Definitions[defineId].record.data() + Definitions[defineId].offsets[datum]);
    strncpy(field, text, 255);
}

void SendOpen() {
    SIMCONNECT_RECV_OPEN open = {};
    open.dwSize = sizeof(open);
    open.dwVersion = 4;
    open.dwID = SIMCONNECT_RECV_ID_OPEN;
    strcpy(open.szApplicationName, "Benchmark Simulator");
    Deliver(&open, sizeof(open));
    DeliverPending();
}

void SendEvent(uint32_t eventId) {
    SendEventRecord(eventId, 0);
    DeliverPending();
}

void SendObjectAdded(uint32_t objectId) {
    SIMCONNECT_RECV_EVENT_OBJECT_ADDREMOVE event = {};
    event.dwSize = sizeof(event);
    event.dwVersion = 4;
    event.dwID = SIMCONNECT_RECV_ID_EVENT_OBJECT_ADDREMOVE;
    event.uGroupID = SIMCONNECT_UNUSED;
    event.uEventID = ObjectAddedEventId;
    event.dwData = objectId;
    event.eObjType = SIMCONNECT_SIMOBJECT_TYPE_AIRCRAFT;
    Deliver(&event, sizeof(event));
    if (objectId >= NextObjectId) NextObjectId = objectId + 1;
}

void RunFrame() {
    vsim::AdvanceClock((uint64_t)(FrameSeconds * 1e6));
    for (uint32_t i = 0; i < PeriodicCount; ++i) {
        if (Periodic[i].onlyWhenChanged && Periodic[i].answered) continue;  // the values never change
        Periodic[i].answered = true;
        Answer(Periodic[i]);
    }
    SIMCONNECT_RECV_EVENT_FRAME frame = {};
    frame.dwSize = sizeof(frame);
    frame.dwVersion = 4;
    frame.dwID = SIMCONNECT_RECV_ID_EVENT_FRAME;
    frame.uGroupID = SIMCONNECT_UNUSED;
    frame.uEventID = FrameEventId;
    frame.fFrameRate = (float)(1.0 / FrameSeconds);
    frame.fSimSpeed = 1.0f;
    Deliver(&frame, sizeof(frame));
    DeliverPending();
}

void Reset() {
    for (uint64_t& count : Counts) count = 0;
    Dropped = 0;
    Dispatch = nullptr;
    FrameEventId = ObjectAddedEventId = SIMCONNECT_UNUSED;
    FrameSeconds = 1.0 / 30.0;
    NextObjectId = FirstAiObjectId;
    for (Definition& definition : Definitions) definition = Definition();
    PendingCount = PeriodicCount = CreationCount = 0;
}

}  // namespace benchsim

using namespace benchsim;

SIMCONNECTAPI SimConnect_Open(HANDLE* handle, LPCSTR, HWND, DWORD, HANDLE, DWORD) {
    ++Counts[CallOpen];
    *handle = reinterpret_cast<HANDLE>(static_cast<uintptr_t>(1));
    return S_OK;
}

SIMCONNECTAPI SimConnect_Close(HANDLE) {
    ++Counts[CallClose];
    Dispatch = nullptr;
    return S_OK;
}

SIMCONNECTAPI SimConnect_CallDispatch(HANDLE, DispatchProc dispatch, void*) {
    ++Counts[CallDispatchSet];
    Dispatch = dispatch;
    return S_OK;
}

SIMCONNECTAPI SimConnect_MenuAddItem(HANDLE, const char*, SIMCONNECT_CLIENT_EVENT_ID, DWORD) {
    ++Counts[CallMenuAddItem];
    return S_OK;
}

SIMCONNECTAPI SimConnect_MenuAddSubItem(HANDLE, SIMCONNECT_CLIENT_EVENT_ID, const char*, SIMCONNECT_CLIENT_EVENT_ID,
                                        DWORD) {
    ++Counts[CallMenuAddSubItem];
    return S_OK;
}

SIMCONNECTAPI SimConnect_MenuDeleteSubItem(HANDLE, SIMCONNECT_CLIENT_EVENT_ID, SIMCONNECT_CLIENT_EVENT_ID) {
    ++Counts[CallMenuDeleteSubItem];
    return S_OK;
}

SIMCONNECTAPI SimConnect_SubscribeToSystemEvent(HANDLE, SIMCONNECT_CLIENT_EVENT_ID eventId,
                                                const char* systemEventName) {
    ++Counts[CallSubscribeToSystemEvent];
    if (strcmp(systemEventName, "Frame") == 0) FrameEventId = eventId;
    if (strcmp(systemEventName, "ObjectAdded") == 0) ObjectAddedEventId = eventId;
    return S_OK;
}

SIMCONNECTAPI SimConnect_MapClientEventToSimEvent(HANDLE, SIMCONNECT_CLIENT_EVENT_ID, const char*) {
    ++Counts[CallMapClientEventToSimEvent];
    return S_OK;
}

SIMCONNECTAPI SimConnect_TransmitClientEvent(HANDLE, SIMCONNECT_OBJECT_ID, SIMCONNECT_CLIENT_EVENT_ID, DWORD,
                                             SIMCONNECT_NOTIFICATION_GROUP_ID, SIMCONNECT_EVENT_FLAG) {
    ++Counts[CallTransmitClientEvent];
    return S_OK;
}

SIMCONNECTAPI SimConnect_AddToDataDefinition(HANDLE, SIMCONNECT_DATA_DEFINITION_ID defineId, const char*,
                                             const char*, SIMCONNECT_DATATYPE datumType, float, DWORD) {
    ++Counts[CallAddToDataDefinition];
    if (defineId >= MaxDefinitions || Definitions[defineId].datums >= MaxDatums) return E_FAIL;
    Definition& definition = Definitions[defineId];
    definition.offsets[definition.datums++] = (uint32_t)definition.record.size();
    definition.record.resize(definition.record.size() + (datumType == SIMCONNECT_DATATYPE_STRING256 ? 256 : 8));
    return S_OK;
}

SIMCONNECTAPI SimConnect_ClearDataDefinition(HANDLE, SIMCONNECT_DATA_DEFINITION_ID defineId) {
    ++Counts[CallClearDataDefinition];
    if (defineId >= MaxDefinitions) return E_FAIL;
    Definitions[defineId].datums = 0;
    Definitions[defineId].record.resize(DataHeaderBytes);
    return S_OK;
}

SIMCONNECTAPI SimConnect_RequestDataOnSimObject(HANDLE, SIMCONNECT_DATA_REQUEST_ID requestId,
                                                SIMCONNECT_DATA_DEFINITION_ID defineId, SIMCONNECT_OBJECT_ID objectId,
                                                SIMCONNECT_PERIOD period, SIMCONNECT_DATA_REQUEST_FLAG flags, DWORD,
                                                DWORD, DWORD) {
    ++Counts[CallRequestDataOnSimObject];
    Request request = {requestId, defineId, objectId, (flags & SIMCONNECT_DATA_REQUEST_FLAG_CHANGED) != 0, false};
    if (period == SIMCONNECT_PERIOD_ONCE) {
        if (PendingCount < MaxPending) {
            Pending[PendingCount++] = request;
        } else {
            ++Dropped;
        }
        return S_OK;
    }
    // A periodic request replaces the one of its id; NEVER only cancels it.
    uint32_t i = 0;
    while (i < PeriodicCount && Periodic[i].requestId != requestId) ++i;
    if (period == SIMCONNECT_PERIOD_NEVER) {
        if (i < PeriodicCount) Periodic[i] = Periodic[--PeriodicCount];
    } else if (i < MaxPeriodic) {
        Periodic[i] = request;
        if (i == PeriodicCount) ++PeriodicCount;
    } else {
        ++Dropped;
    }
    return S_OK;
}

SIMCONNECTAPI SimConnect_SetDataOnSimObject(HANDLE, SIMCONNECT_DATA_DEFINITION_ID, SIMCONNECT_OBJECT_ID,
                                            SIMCONNECT_DATA_SET_FLAG, DWORD, DWORD, void*) {
    ++Counts[CallSetDataOnSimObject];
    return S_OK;
}

SIMCONNECTAPI SimConnect_SetSystemState(HANDLE, const char*, DWORD, float, const char*) {
    ++Counts[CallSetSystemState];
    return S_OK;
}

SIMCONNECTAPI SimConnect_Text(HANDLE, SIMCONNECT_TEXT_TYPE, float, SIMCONNECT_CLIENT_EVENT_ID, DWORD, void*) {
    ++Counts[CallText];
    return S_OK;
}

SIMCONNECTAPI SimConnect_AICreateNonATCAircraft(HANDLE, const char*, const char*, SIMCONNECT_DATA_INITPOSITION,
                                                SIMCONNECT_DATA_REQUEST_ID requestId) {
    ++Counts[CallAICreateNonATCAircraft];
    if (CreationCount < MaxPending) {
        Creations[CreationCount++] = requestId;
    } else {
        ++Dropped;
    }
    return S_OK;
}

SIMCONNECTAPI SimConnect_AIRemoveObject(HANDLE, SIMCONNECT_OBJECT_ID, SIMCONNECT_DATA_REQUEST_ID) {
    ++Counts[CallAIRemoveObject];
    return S_OK;
}

SIMCONNECTAPI SimConnect_AIReleaseControl(HANDLE, SIMCONNECT_OBJECT_ID, SIMCONNECT_DATA_REQUEST_ID) {
    ++Counts[CallAIReleaseControl];
    return S_OK;
}
