// The benchmarks' simulator: the least one could do for the module. Its SimConnect
// counts every call into fixed storage and answers data requests with records
// prepared when the data definitions were made; its aircraft object (the host entry
// behind sim1.dll) only counts the methods called. kestrel_bench links it in place of
// the virtual simulator's SimConnect, so the module's code and calls are exactly those
// of every other build.
#pragma once

#include <cstdint>

namespace benchsim {

enum Call : uint32_t {
    CallOpen,
    CallClose,
    CallDispatchSet,
    CallMenuAddItem,
    CallMenuAddSubItem,
    CallMenuDeleteSubItem,
    CallSubscribeToSystemEvent,
    CallMapClientEventToSimEvent,
    CallTransmitClientEvent,
    CallAddToDataDefinition,
    CallClearDataDefinition,
    CallRequestDataOnSimObject,
    CallSetDataOnSimObject,
    CallSetSystemState,
    CallText,
    CallAICreateNonATCAircraft,
    CallAIRemoveObject,
    CallAIReleaseControl,
    CallAccessObject,  // the host entries from here on
    CallSetPlacement,
    CallSetVectorProperty,
    CallSetScalarProperty,
    CallKindCount
};
uint64_t CallCount(Call call);
// Requests or creations that did not fit the fixed storage and were never answered.
uint64_t DroppedCount();

// Puts the sim1.dll object accessor and the api.dll frame time of the host DLLs
// (vsim::InstallHostEntries must have run) to the benchmark's own entries.
void InstallHostEntries();
void SetFrameSeconds(double seconds);  // what the frame-time entry returns

// A value in the prepared replies of a definition (datums counted from 0).
void SetReplyValue(uint32_t defineId, uint32_t datum, double value);
void SetReplyText(uint32_t defineId, uint32_t datum, const char* text);

// Records to the dispatch callback the module gave SimConnect_CallDispatch.
void SendOpen();
void SendEvent(uint32_t eventId);  // a menu item or client event
void SendObjectAdded(uint32_t objectId);
// One frame: replies of the periodic requests, the Frame event, then the replies to
// the requests made in it and the object ids of the aircraft it created. The clock
// (vsim::ClockMicros) moves on by the frame time first.
void RunFrame();

// Forgets the connection, definitions, requests, values and counts.
void Reset();

}  // namespace benchsim
