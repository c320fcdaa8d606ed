// Hand-built receive records for the module's dispatch callback.
#include "tests/support/dispatch_records.h"

#include <cstring>

#include "module/dispatch.h"

namespace {

template <typename Record>
void Deliver(Record& record) {
    record.dwSize = sizeof(Record);
    record.dwVersion = 4;
    SimLinkDispatch(reinterpret_cast<SIMCONNECT_RECV*>(&record), sizeof(Record), nullptr);
}

void PutWord(std::vector<uint8_t>& bytes, size_t at, uint32_t value) {
    for (int i = 0; i < 4; ++i) bytes[at + i] = uint8_t(value >> (8 * i));
}

}  // namespace

void DeliverOpen() {
    SIMCONNECT_RECV_OPEN open;
    memset(&open, 0, sizeof(open));
    open.dwID = SIMCONNECT_RECV_ID_OPEN;
    strcpy(open.szApplicationName, "Microsoft Flight Simulator X");
    Deliver(open);
}

void DeliverEvent(uint32_t eventId, uint32_t data) {
    SIMCONNECT_RECV_EVENT event;
    memset(&event, 0, sizeof(event));
    event.dwID = SIMCONNECT_RECV_ID_EVENT;
    event.uGroupID = SIMCONNECT_UNUSED;
    event.uEventID = eventId;
    event.dwData = data;
    Deliver(event);
}

void DeliverObjectEvent(uint32_t eventId, uint32_t objectId, SIMCONNECT_SIMOBJECT_TYPE type) {
    SIMCONNECT_RECV_EVENT_OBJECT_ADDREMOVE event;
    memset(&event, 0, sizeof(event));
    event.dwID = SIMCONNECT_RECV_ID_EVENT_OBJECT_ADDREMOVE;
    event.uGroupID = SIMCONNECT_UNUSED;
    event.uEventID = eventId;
    event.dwData = objectId;
    event.eObjType = type;
    Deliver(event);
}

void DeliverFileNameEvent(uint32_t eventId, const std::string& fileName) {
    SIMCONNECT_RECV_EVENT_FILENAME event;
    memset(&event, 0, sizeof(event));
    event.dwID = SIMCONNECT_RECV_ID_EVENT_FILENAME;
    event.uGroupID = SIMCONNECT_UNUSED;
    event.uEventID = eventId;
    strncpy(event.szFileName, fileName.c_str(), sizeof(event.szFileName) - 1);
    Deliver(event);
}

void DeliverFrame(float simSpeed) {
    SIMCONNECT_RECV_EVENT_FRAME frame;
    memset(&frame, 0, sizeof(frame));
    frame.dwID = SIMCONNECT_RECV_ID_EVENT_FRAME;
    frame.uGroupID = SIMCONNECT_UNUSED;
    frame.uEventID = 9;
    frame.fFrameRate = 30.0f;
    frame.fSimSpeed = simSpeed;
    Deliver(frame);
}

void DeliverObjectData(uint32_t requestId, uint32_t objectId, uint32_t defineId, const std::vector<uint8_t>& block) {
    const size_t fixed = offsetof(SIMCONNECT_RECV_SIMOBJECT_DATA, dwData);
    std::vector<uint8_t> bytes(fixed + block.size(), 0);
    PutWord(bytes, 0, uint32_t(bytes.size()));
    PutWord(bytes, 4, 4);
    PutWord(bytes, 8, SIMCONNECT_RECV_ID_SIMOBJECT_DATA);
    PutWord(bytes, 12, requestId);
    PutWord(bytes, 16, objectId);
    PutWord(bytes, 20, defineId);
    PutWord(bytes, 28, 1);  // entry 1 of 1
    PutWord(bytes, 32, 1);
    PutWord(bytes, 36, uint32_t(block.size() / 8));
    if (!block.empty()) memcpy(bytes.data() + fixed, block.data(), block.size());
    SimLinkDispatch(reinterpret_cast<SIMCONNECT_RECV*>(bytes.data()), DWORD(bytes.size()), nullptr);
}

void DeliverAssignedObjectId(uint32_t requestId, uint32_t objectId) {
    SIMCONNECT_RECV_ASSIGNED_OBJECT_ID assigned;
    memset(&assigned, 0, sizeof(assigned));
    assigned.dwID = SIMCONNECT_RECV_ID_ASSIGNED_OBJECT_ID;
    assigned.dwRequestID = requestId;
    assigned.dwObjectID = objectId;
    Deliver(assigned);
}

std::vector<uint8_t> DoublesBlock(std::initializer_list<double> values) {
    std::vector<uint8_t> block;
    for (double value : values) {
        uint8_t bytes[8];
        memcpy(bytes, &value, 8);
        block.insert(block.end(), bytes, bytes + 8);
    }
    return block;
}

std::vector<uint8_t> TitleBlock(double cgFeet, const std::string& title) {
    std::vector<uint8_t> block = DoublesBlock({cgFeet});
    std::vector<uint8_t> text(256, 0);
    memcpy(text.data(), title.data(), title.size() < 256 ? title.size() : 256);
    block.insert(block.end(), text.begin(), text.end());
    return block;
}
