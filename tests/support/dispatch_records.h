// Receive records built by hand, laid out as the simulator sends them, and handed
// straight to the module's dispatch callback: for tests that need a message the
// simulated host would not send on its own (a second open, a chosen sim speed, a
// reply with chosen values).
#pragma once

#include <cstdint>
#include <initializer_list>
#include <string>
#include <vector>

#include "platform/simconnect.h"

void DeliverOpen();
void DeliverEvent(uint32_t eventId, uint32_t data = 0);
void DeliverObjectEvent(uint32_t eventId, uint32_t objectId,
                        SIMCONNECT_SIMOBJECT_TYPE type = SIMCONNECT_SIMOBJECT_TYPE_AIRCRAFT);
void DeliverFileNameEvent(uint32_t eventId, const std::string& fileName);
void DeliverFrame(float simSpeed);
// An object-data record: the fixed fields, then the data block.
void DeliverObjectData(uint32_t requestId, uint32_t objectId, uint32_t defineId, const std::vector<uint8_t>& block);
void DeliverAssignedObjectId(uint32_t requestId, uint32_t objectId);

// Data blocks: 64-bit floats packed in order; a float then a 256-byte text (the title
// definition). A title of 256 characters or more fills the text without a terminator.
std::vector<uint8_t> DoublesBlock(std::initializer_list<double> values);
std::vector<uint8_t> TitleBlock(double cgFeet, const std::string& title);
