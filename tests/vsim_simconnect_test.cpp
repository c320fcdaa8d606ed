// Tests of the virtual simulator's SimConnect and host loop, driven by a small dispatch
// callback of the test's own: record layouts, the queue and its pump, the menu, data
// requests and writes, events, AI creation, failure injection, the frame clock and the
// virtual drive.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <functional>
#include <string>
#include <vector>

#include "platform/simconnect.h"
#include "vsim/sim/aircraft.h"
#include "vsim/sim/hostdlls.h"
#include "vsim/sim/simconnect.h"
#include "vsim/sim/simconnect_data.h"
#include "vsim/sim/simhost.h"
#include "vsim/sim/simulator.h"

namespace {

// What the test's dispatch callback saw, one copy per record, and an optional reaction
// that runs inside the callback (as the module's own handling would).
struct Received {
    std::vector<uint8_t> bytes;
    DWORD size;

    DWORD id() const { return header().dwID; }
    const SIMCONNECT_RECV& header() const { return *reinterpret_cast<const SIMCONNECT_RECV*>(bytes.data()); }
    template <class Record>
    const Record& as() const {
        return *reinterpret_cast<const Record*>(bytes.data());
    }
    double value(size_t index) const {  // index-th FLOAT64 of an object-data block
        double v;
        std::memcpy(&v, bytes.data() + 40 + 8 * index, sizeof v);
        return v;
    }
};

std::vector<Received> Inbox;
std::function<void(const Received&)> OnMessage;

void TestDispatch(SIMCONNECT_RECV* data, DWORD size, void*) {
    Received message{std::vector<uint8_t>(reinterpret_cast<uint8_t*>(data), reinterpret_cast<uint8_t*>(data) + size),
                     size};
    Inbox.push_back(message);
    if (OnMessage) OnMessage(message);
}

std::vector<DWORD> InboxIds() {
    std::vector<DWORD> ids;
    for (const Received& message : Inbox) ids.push_back(message.id());
    return ids;
}

std::vector<const Received*> InboxOf(DWORD id) {
    std::vector<const Received*> found;
    for (const Received& message : Inbox)
        if (message.id() == id) found.push_back(&message);
    return found;
}

class SimConnectTest : public ::testing::Test {
protected:
    HANDLE sim = nullptr;

    void SetUp() override {
        vsim::ResetHost();
        Inbox.clear();
        OnMessage = nullptr;
    }
    void TearDown() override {
        OnMessage = nullptr;
        vsim::ResetHost();
    }
    // Opens the connection and delivers the open message.
    void Connect() {
        ASSERT_EQ(SimConnect_Open(&sim, "Kestrel", nullptr, 0, nullptr, 0), S_OK);
        ASSERT_EQ(SimConnect_CallDispatch(sim, TestDispatch, nullptr), S_OK);
        vsim::PumpSimConnect();
        Inbox.clear();
    }
    void Subscribe(DWORD id, const char* name) { ASSERT_EQ(SimConnect_SubscribeToSystemEvent(sim, id, name), S_OK); }
    void Map(DWORD id, const char* name) { ASSERT_EQ(SimConnect_MapClientEventToSimEvent(sim, id, name), S_OK); }
    double UserVar(const char* name, const char* unit) {
        double value = -12345.0;
        EXPECT_TRUE(vsim::GetSimVar(vsim::UserAircraftId(), name, unit, &value)) << name;
        return value;
    }
};

TEST_F(SimConnectTest, OpenQueuesTheOpenRecordAndOnlyThePumpDeliversIt) {
    HANDLE handle = nullptr;
    ASSERT_EQ(SimConnect_Open(&handle, "Kestrel", nullptr, 0, nullptr, 0), S_OK);
    ASSERT_NE(handle, nullptr);
    EXPECT_EQ(SimConnect_CallDispatch(handle, TestDispatch, nullptr), 0);
    EXPECT_TRUE(Inbox.empty()) << "CallDispatch must not deliver by itself";
    EXPECT_EQ(vsim::QueuedMessageCount(), 1u);

    EXPECT_EQ(vsim::PumpSimConnect(), 1u);
    ASSERT_EQ(Inbox.size(), 1u);
    const Received& open = Inbox[0];
    EXPECT_EQ(open.size, 308u);
    EXPECT_EQ(open.header().dwSize, 308u);
    EXPECT_EQ(open.id(), DWORD(SIMCONNECT_RECV_ID_OPEN));
    EXPECT_STREQ(open.as<SIMCONNECT_RECV_OPEN>().szApplicationName, "Microsoft Flight Simulator X");
    EXPECT_EQ(open.as<SIMCONNECT_RECV_OPEN>().dwApplicationBuildMajor, 61637u);
    EXPECT_EQ(vsim::SimConnectClientName(), "Kestrel");
    EXPECT_EQ(vsim::PumpSimConnect(), 0u);
}

TEST_F(SimConnectTest, OpenFailsOnceAfterInjectionAndLeavesTheHandleAlone) {
    HANDLE handle = reinterpret_cast<HANDLE>(uintptr_t(0x1234));
    vsim::FailNext(vsim::FailSimConnectOpen);
    HRESULT result = SimConnect_Open(&handle, "Kestrel", nullptr, 0, nullptr, 0);
    EXPECT_EQ(result, E_FAIL);
    EXPECT_LT(result, 0) << "clients test SimConnect results for a negative value";
    EXPECT_EQ(handle, reinterpret_cast<HANDLE>(uintptr_t(0x1234)));
    EXPECT_FALSE(vsim::IsSimConnectOpen());
    EXPECT_EQ(vsim::QueuedMessageCount(), 0u);

    EXPECT_EQ(SimConnect_Open(&handle, "Kestrel", nullptr, 0, nullptr, 0), S_OK);
    EXPECT_TRUE(vsim::IsSimConnectOpen());
    // One connection only.
    HANDLE second = nullptr;
    EXPECT_EQ(SimConnect_Open(&second, "Other", nullptr, 0, nullptr, 0), E_FAIL);
    EXPECT_EQ(second, nullptr);
}

TEST_F(SimConnectTest, ClosedConnectionRefusesCallsAndDeliversNothing) {
    Connect();
    Subscribe(9, "Frame");
    ASSERT_EQ(SimConnect_MenuAddItem(sim, "Kestrel", 0, 0), S_OK);
    vsim::RunFrames(1);
    EXPECT_EQ(Inbox.size(), 1u);

    EXPECT_EQ(SimConnect_Close(sim), S_OK);
    Inbox.clear();
    vsim::RunFrames(3);
    EXPECT_TRUE(Inbox.empty());
    EXPECT_TRUE(vsim::Menus().empty()) << "a closed client's menu goes away";
    EXPECT_EQ(SimConnect_MenuAddItem(sim, "Kestrel", 0, 0), E_FAIL);
    EXPECT_EQ(SimConnect_Close(sim), E_FAIL);
    EXPECT_EQ(SimConnect_Text(sim, SIMCONNECT_TEXT_TYPE_PRINT_RED, 1.0f, 0, 3, (void*)"hi"), E_FAIL);
    EXPECT_TRUE(vsim::TextLines().empty());
    EXPECT_EQ(SimConnect_Close(nullptr), E_FAIL);
}

TEST_F(SimConnectTest, EventRecordsHaveTheirLayouts) {
    Connect();
    Subscribe(9, "Frame");
    Subscribe(10, "FlightLoaded");
    Subscribe(11, "AircraftLoaded");
    Subscribe(12, "Paused");
    Subscribe(13, "Unpaused");
    Subscribe(14, "ObjectAdded");
    Subscribe(15, "ObjectRemoved");

    vsim::SetSimRate(2.0);
    vsim::RunFrames(1);
    ASSERT_EQ(Inbox.size(), 1u);
    const auto& frame = Inbox[0].as<SIMCONNECT_RECV_EVENT_FRAME>();
    EXPECT_EQ(Inbox[0].size, 32u);
    EXPECT_EQ(frame.dwSize, 32u);
    EXPECT_EQ(frame.dwID, DWORD(SIMCONNECT_RECV_ID_EVENT_FRAME));
    EXPECT_EQ(frame.uEventID, 9u);
    EXPECT_FLOAT_EQ(frame.fFrameRate, 30.0f);
    EXPECT_FLOAT_EQ(frame.fSimSpeed, 2.0f);

    Inbox.clear();
    vsim::SetPaused(true);
    vsim::SetPaused(true);  // no change, no event
    vsim::SetPaused(false);
    ASSERT_EQ(Inbox.size(), 2u);
    EXPECT_EQ(Inbox[0].size, 24u);
    EXPECT_EQ(Inbox[0].id(), DWORD(SIMCONNECT_RECV_ID_EVENT));
    EXPECT_EQ(Inbox[0].as<SIMCONNECT_RECV_EVENT>().uEventID, 12u);
    EXPECT_EQ(Inbox[1].as<SIMCONNECT_RECV_EVENT>().uEventID, 13u);

    Inbox.clear();
    uint32_t ai = vsim::AddAi("Traffic One", "parked");
    ASSERT_NE(ai, 0u);
    ASSERT_TRUE(vsim::RemoveAi(1));
    ASSERT_EQ(Inbox.size(), 2u);
    for (int i = 0; i < 2; ++i) {
        const auto& record = Inbox[i].as<SIMCONNECT_RECV_EVENT_OBJECT_ADDREMOVE>();
        EXPECT_EQ(Inbox[i].size, 28u);
        EXPECT_EQ(record.dwID, DWORD(SIMCONNECT_RECV_ID_EVENT_OBJECT_ADDREMOVE));
        EXPECT_EQ(record.uEventID, i == 0 ? 14u : 15u);
        EXPECT_EQ(record.dwData, ai);
        EXPECT_EQ(record.eObjType, SIMCONNECT_SIMOBJECT_TYPE_AIRCRAFT);
    }
    EXPECT_FALSE(vsim::RemoveAi(1));

    Inbox.clear();
    vsim::LoadFlight("Flights\\myflts\\Circuit.FLT");
    vsim::LoadAircraft("Kestrel Test Twin", 6.5);
    auto names = InboxOf(SIMCONNECT_RECV_ID_EVENT_FILENAME);
    ASSERT_EQ(names.size(), 2u);
    EXPECT_EQ(names[0]->size, 288u);
    EXPECT_EQ(names[0]->as<SIMCONNECT_RECV_EVENT_FILENAME>().uEventID, 10u);
    EXPECT_STREQ(names[0]->as<SIMCONNECT_RECV_EVENT_FILENAME>().szFileName, "Flights\\myflts\\Circuit.FLT");
    EXPECT_EQ(names[1]->as<SIMCONNECT_RECV_EVENT_FILENAME>().uEventID, 11u);
    std::string air = names[1]->as<SIMCONNECT_RECV_EVENT_FILENAME>().szFileName;
    EXPECT_EQ(air.substr(air.size() - 4), ".AIR");
}

TEST_F(SimConnectTest, ReplacedUserAircraftIsAnnouncedAndObjectZeroFollowsIt) {
    Connect();
    Subscribe(11, "AircraftLoaded");
    Subscribe(14, "ObjectAdded");
    Subscribe(15, "ObjectRemoved");
    ASSERT_EQ(SimConnect_AddToDataDefinition(sim, 3, "Title", nullptr, SIMCONNECT_DATATYPE_STRING256, 0,
                                             SIMCONNECT_UNUSED),
              S_OK);
    ASSERT_EQ(SimConnect_RequestDataOnSimObject(sim, 2, 3, 0, SIMCONNECT_PERIOD_VISUAL_FRAME,
                                                SIMCONNECT_DATA_REQUEST_FLAG_CHANGED, 0, 0, 0),
              S_OK);
    vsim::RunFrames(1);
    uint32_t before = vsim::UserAircraftId();
    Inbox.clear();

    vsim::LoadAircraft("Kestrel Test Twin", 6.5, true);
    uint32_t after = vsim::UserAircraftId();
    ASSERT_NE(after, before);
    ASSERT_EQ(Inbox.size(), 3u);
    EXPECT_EQ(Inbox[0].as<SIMCONNECT_RECV_EVENT_OBJECT_ADDREMOVE>().uEventID, 15u);
    EXPECT_EQ(Inbox[0].as<SIMCONNECT_RECV_EVENT_OBJECT_ADDREMOVE>().dwData, before);
    EXPECT_EQ(Inbox[1].as<SIMCONNECT_RECV_EVENT_OBJECT_ADDREMOVE>().uEventID, 14u);
    EXPECT_EQ(Inbox[1].as<SIMCONNECT_RECV_EVENT_OBJECT_ADDREMOVE>().dwData, after);
    EXPECT_EQ(Inbox[2].id(), DWORD(SIMCONNECT_RECV_ID_EVENT_FILENAME));

    Inbox.clear();
    vsim::RunFrames(1);
    ASSERT_EQ(Inbox.size(), 1u) << "the new title is a change";
    EXPECT_EQ(Inbox[0].as<SIMCONNECT_RECV_SIMOBJECT_DATA>().dwObjectID, after);
    EXPECT_STREQ(reinterpret_cast<const char*>(Inbox[0].bytes.data() + 40), "Kestrel Test Twin");

    // Without a new object id only the file-name event comes.
    Inbox.clear();
    vsim::LoadAircraft("Kestrel Test Single", 4.0);
    EXPECT_EQ(vsim::UserAircraftId(), after);
    EXPECT_EQ(InboxIds(), std::vector<DWORD>{SIMCONNECT_RECV_ID_EVENT_FILENAME});
}

TEST_F(SimConnectTest, OnlySubscribedEventsAreSentAndUnknownNamesAreRefused) {
    Connect();
    vsim::RunFrames(2);
    vsim::SetPaused(true);
    vsim::LoadFlight();
    EXPECT_TRUE(Inbox.empty());
    EXPECT_EQ(SimConnect_SubscribeToSystemEvent(sim, 9, "NoSuchEvent"), E_FAIL);
    ASSERT_FALSE(vsim::SimConnectErrors().empty());
    EXPECT_NE(vsim::SimConnectErrors().back().find("unknown system event"), std::string::npos);
    // Names are not case-sensitive, and "Pause" carries the state in its data.
    Subscribe(20, "pause");
    vsim::SetPaused(false);
    ASSERT_EQ(Inbox.size(), 1u);
    EXPECT_EQ(Inbox[0].as<SIMCONNECT_RECV_EVENT>().uEventID, 20u);
    EXPECT_EQ(Inbox[0].as<SIMCONNECT_RECV_EVENT>().dwData, 0u);
}

TEST_F(SimConnectTest, PumpDeliversMessagesQueuedDuringDeliveryInOrderButBoundsTheLoop) {
    Connect();
    Subscribe(9, "Frame");
    ASSERT_EQ(SimConnect_AddToDataDefinition(sim, 3, "Plane Altitude", "meters", SIMCONNECT_DATATYPE_FLOAT64, 0, 0),
              S_OK);
    // On the frame the client asks twice for data once; both replies come in the same
    // pump, after the frame, in the order asked.
    OnMessage = [&](const Received& message) {
        if (message.id() == SIMCONNECT_RECV_ID_EVENT_FRAME) {
            SimConnect_RequestDataOnSimObject(sim, 7, 3, 0, SIMCONNECT_PERIOD_ONCE, 0, 0, 0, 0);
            SimConnect_RequestDataOnSimObject(sim, 8, 3, 0, SIMCONNECT_PERIOD_ONCE, 0, 0, 0, 0);
        }
    };
    vsim::RunFrames(1);
    ASSERT_EQ(Inbox.size(), 3u);
    EXPECT_EQ(Inbox[0].id(), DWORD(SIMCONNECT_RECV_ID_EVENT_FRAME));
    EXPECT_EQ(Inbox[1].as<SIMCONNECT_RECV_SIMOBJECT_DATA>().dwRequestID, 7u);
    EXPECT_EQ(Inbox[2].as<SIMCONNECT_RECV_SIMOBJECT_DATA>().dwRequestID, 8u);
    EXPECT_EQ(vsim::QueuedMessageCount(), 0u);

    // A client that answers every reply with a new request cannot hang the host.
    Inbox.clear();
    OnMessage = [&](const Received&) {
        SimConnect_RequestDataOnSimObject(sim, 7, 3, 0, SIMCONNECT_PERIOD_ONCE, 0, 0, 0, 0);
    };
    SimConnect_RequestDataOnSimObject(sim, 7, 3, 0, SIMCONNECT_PERIOD_ONCE, 0, 0, 0, 0);
    EXPECT_EQ(vsim::PumpSimConnect(), vsim::MaxMessagesPerPump);
    EXPECT_EQ(vsim::QueuedMessageCount(), 1u);
    EXPECT_NE(vsim::SimConnectErrors().back().find("left for the next pump"), std::string::npos);
}

TEST_F(SimConnectTest, MenuKeepsSubItemsInTheOrderAddedAndSelectionSendsTheirIds) {
    Connect();
    ASSERT_EQ(SimConnect_MenuAddItem(sim, "Kestrel", 0, 0), S_OK);
    const char* texts[] = {"Record...", "Play...", "Play as traffic...", "Replay..."};
    for (DWORD i = 0; i < 4; ++i) ASSERT_EQ(SimConnect_MenuAddSubItem(sim, 0, texts[i], i + 1, 0), S_OK);
    EXPECT_EQ(vsim::MenuTopText(), "Kestrel");
    EXPECT_EQ(vsim::MenuItems(), (std::vector<std::string>{"Record...", "Play...", "Play as traffic...", "Replay..."}));

    ASSERT_EQ(SimConnect_MenuDeleteSubItem(sim, 0, 2), S_OK);
    ASSERT_EQ(SimConnect_MenuAddSubItem(sim, 0, "Play...", 2, 0), S_OK);
    ASSERT_EQ(SimConnect_MenuAddSubItem(sim, 0, "Stop...", 5, 0), S_OK);
    EXPECT_EQ(vsim::MenuItems(),
              (std::vector<std::string>{"Record...", "Play as traffic...", "Replay...", "Play...", "Stop..."}));
    // Refused: deleting what is not there, a second item under one id, an unknown parent.
    EXPECT_EQ(SimConnect_MenuDeleteSubItem(sim, 0, 8), E_FAIL);
    EXPECT_EQ(SimConnect_MenuAddSubItem(sim, 0, "Again", 5, 0), E_FAIL);
    EXPECT_EQ(SimConnect_MenuAddSubItem(sim, 3, "Orphan", 9, 0), E_FAIL);
    EXPECT_EQ(vsim::MenuItems().size(), 5u);

    EXPECT_TRUE(vsim::SelectMenuItem("Stop..."));
    EXPECT_FALSE(vsim::SelectMenuItem("About..."));
    ASSERT_EQ(Inbox.size(), 1u);
    const auto& event = Inbox[0].as<SIMCONNECT_RECV_EVENT>();
    EXPECT_EQ(Inbox[0].size, 24u);
    EXPECT_EQ(event.dwID, DWORD(SIMCONNECT_RECV_ID_EVENT));
    EXPECT_EQ(event.uEventID, 5u);
    EXPECT_EQ(event.uGroupID, SIMCONNECT_UNUSED);
}

TEST_F(SimConnectTest, ObjectDataRepliesCarryTheBlockAndTheRealObjectId) {
    Connect();
    uint32_t user = vsim::UserAircraftId();
    ASSERT_TRUE(vsim::SetSimVar(user, "Plane Altitude", "meters", 1234.5));
    ASSERT_EQ(SimConnect_AddToDataDefinition(sim, 3, "Plane Altitude", "meters", SIMCONNECT_DATATYPE_FLOAT64, 0,
                                             SIMCONNECT_UNUSED),
              S_OK);
    ASSERT_EQ(SimConnect_AddToDataDefinition(sim, 3, "Title", nullptr, SIMCONNECT_DATATYPE_STRING256, 0,
                                             SIMCONNECT_UNUSED),
              S_OK);
    ASSERT_EQ(SimConnect_AddToDataDefinition(sim, 3, "No Such Variable", "feet", SIMCONNECT_DATATYPE_FLOAT64, 0,
                                             SIMCONNECT_UNUSED),
              S_OK);
    EXPECT_EQ(vsim::DataDefinitionBytes(3), 8u + 256u + 8u);
    // Types the simulator does not carry are refused rather than misread.
    EXPECT_EQ(SimConnect_AddToDataDefinition(sim, 3, "Plane Altitude", "meters", SIMCONNECT_DATATYPE_INT32, 0,
                                             SIMCONNECT_UNUSED),
              E_FAIL);

    ASSERT_EQ(SimConnect_RequestDataOnSimObject(sim, 2, 3, 0, SIMCONNECT_PERIOD_ONCE, 0, 0, 0, 0), S_OK);
    vsim::PumpSimConnect();
    ASSERT_EQ(Inbox.size(), 1u);
    const Received& reply = Inbox[0];
    const auto& data = reply.as<SIMCONNECT_RECV_SIMOBJECT_DATA>();
    EXPECT_EQ(reply.size, 40u + 272u);
    EXPECT_EQ(data.dwSize, 40u + 272u);
    EXPECT_EQ(data.dwID, DWORD(SIMCONNECT_RECV_ID_SIMOBJECT_DATA));
    EXPECT_EQ(data.dwRequestID, 2u);
    EXPECT_EQ(data.dwObjectID, user);
    EXPECT_EQ(data.dwDefineID, 3u);
    EXPECT_EQ(data.dwDefineCount, 3u);
    EXPECT_DOUBLE_EQ(reply.value(0), 1234.5);
    std::string title;
    ASSERT_TRUE(vsim::GetSimVarText(user, "Title", &title));
    const char* text = reinterpret_cast<const char*>(reply.bytes.data() + 48);
    EXPECT_EQ(std::string(text), title.substr(0, 255));
    EXPECT_EQ(text[255], 0);
    double unknown;
    std::memcpy(&unknown, reply.bytes.data() + 48 + 256, 8);
    EXPECT_EQ(unknown, 0.0);
    EXPECT_EQ(vsim::UnknownSimVarNames(), std::vector<std::string>{"No Such Variable (feet)"});

    // An AI aircraft answers with its own id; an object that does not exist, not at all.
    Inbox.clear();
    uint32_t ai = vsim::AddAi("Traffic One", "parked");
    ASSERT_EQ(SimConnect_RequestDataOnSimObject(sim, 3, 3, ai, SIMCONNECT_PERIOD_ONCE, 0, 0, 0, 0), S_OK);
    EXPECT_EQ(SimConnect_RequestDataOnSimObject(sim, 3, 3, ai + 1000, SIMCONNECT_PERIOD_ONCE, 0, 0, 0, 0), E_FAIL);
    EXPECT_EQ(SimConnect_RequestDataOnSimObject(sim, 3, 9, ai, SIMCONNECT_PERIOD_ONCE, 0, 0, 0, 0), E_FAIL);
    vsim::PumpSimConnect();
    ASSERT_EQ(Inbox.size(), 1u);
    EXPECT_EQ(Inbox[0].as<SIMCONNECT_RECV_SIMOBJECT_DATA>().dwObjectID, ai);
}

TEST_F(SimConnectTest, PeriodicRequestsWithChangedFlagReplyOnlyWhenAValueChanged) {
    Connect();
    uint32_t user = vsim::UserAircraftId();
    ASSERT_EQ(SimConnect_AddToDataDefinition(sim, 2, "Brake Parking Position", "position",
                                             SIMCONNECT_DATATYPE_FLOAT64, 0, SIMCONNECT_UNUSED),
              S_OK);
    ASSERT_EQ(SimConnect_AddToDataDefinition(sim, 2, "Plane Altitude", "meters", SIMCONNECT_DATATYPE_FLOAT64, 0,
                                             SIMCONNECT_UNUSED),
              S_OK);
    ASSERT_EQ(SimConnect_RequestDataOnSimObject(sim, 1, 2, 0, SIMCONNECT_PERIOD_VISUAL_FRAME,
                                                SIMCONNECT_DATA_REQUEST_FLAG_CHANGED, 0, 0, 0),
              S_OK);
    ASSERT_EQ(SimConnect_RequestDataOnSimObject(sim, 4, 2, 0, SIMCONNECT_PERIOD_VISUAL_FRAME, 0, 0, 0, 0), S_OK);
    EXPECT_TRUE(Inbox.empty()) << "periodic replies come with the frames";

    vsim::SetPaused(true);  // nothing moves
    Inbox.clear();
    vsim::RunFrames(3);
    auto replies = InboxOf(SIMCONNECT_RECV_ID_SIMOBJECT_DATA);
    ASSERT_EQ(replies.size(), 4u);  // request 1 once (the first is always sent), request 4 every frame
    EXPECT_EQ(replies[0]->as<SIMCONNECT_RECV_SIMOBJECT_DATA>().dwRequestID, 1u);
    EXPECT_EQ(replies[0]->as<SIMCONNECT_RECV_SIMOBJECT_DATA>().dwFlags, SIMCONNECT_DATA_REQUEST_FLAG_CHANGED);
    for (int i = 1; i < 4; ++i) EXPECT_EQ(replies[i]->as<SIMCONNECT_RECV_SIMOBJECT_DATA>().dwRequestID, 4u);

    ASSERT_TRUE(vsim::SetSimVar(user, "Brake Parking Position", "position", 0.0));
    ASSERT_TRUE(vsim::SetSimVar(user, "Plane Altitude", "meters", 2000.0));
    ASSERT_EQ(SimConnect_RequestDataOnSimObject(sim, 4, 2, 0, SIMCONNECT_PERIOD_NEVER, 0, 0, 0, 0), S_OK);
    Inbox.clear();
    vsim::RunFrames(3);
    replies = InboxOf(SIMCONNECT_RECV_ID_SIMOBJECT_DATA);
    ASSERT_EQ(replies.size(), 1u) << "NEVER cancelled request 4; request 1 answers the change once";
    EXPECT_EQ(replies[0]->as<SIMCONNECT_RECV_SIMOBJECT_DATA>().dwRequestID, 1u);
    EXPECT_DOUBLE_EQ(replies[0]->value(0), 0.0);
    EXPECT_DOUBLE_EQ(replies[0]->value(1), 2000.0);
    EXPECT_EQ(vsim::PeriodicRequestCount(), 1u);
}

TEST_F(SimConnectTest, TaggedWritesGoByDatumIdAndDamagedBlocksChangeNothing) {
    Connect();
    uint32_t user = vsim::UserAircraftId();
    ASSERT_EQ(SimConnect_AddToDataDefinition(sim, 1, "Plane Altitude", "meters", SIMCONNECT_DATATYPE_FLOAT64, 0, 2),
              S_OK);
    ASSERT_EQ(SimConnect_AddToDataDefinition(sim, 1, "Elevator Position", nullptr, SIMCONNECT_DATATYPE_FLOAT64, 0, 14),
              S_OK);
    ASSERT_EQ(SimConnect_AddToDataDefinition(sim, 1, "Brake Parking Position", "position",
                                             SIMCONNECT_DATATYPE_FLOAT64, 0, 33),
              S_OK);
    EXPECT_EQ(SimConnect_AddToDataDefinition(sim, 1, "Rudder Position", nullptr, SIMCONNECT_DATATYPE_FLOAT64, 0, 14),
              E_FAIL)
        << "a datum id names one datum";

    // Entries in an order of their own: datum 33, then 2.
    uint8_t block[24];
    auto put = [&](size_t at, uint32_t id, double value) {
        for (int i = 0; i < 4; ++i) block[at + i] = uint8_t(id >> (8 * i));
        std::memcpy(block + at + 4, &value, 8);
    };
    put(0, 33, 0.0);
    put(12, 2, 3048.0);
    ASSERT_EQ(SimConnect_SetDataOnSimObject(sim, 1, 0, SIMCONNECT_DATA_SET_FLAG_TAGGED, 0, 24, block), S_OK);
    EXPECT_DOUBLE_EQ(UserVar("Plane Altitude", "meters"), 3048.0);
    EXPECT_DOUBLE_EQ(UserVar("Brake Parking Position", "position"), 0.0);
    const vsim::DataWrite* write = vsim::LastDataSet(user);
    ASSERT_NE(write, nullptr);
    ASSERT_EQ(write->entries.size(), 2u);
    EXPECT_EQ(write->entries[0].datumId, 33u);
    EXPECT_EQ(write->entries[1].name, "Plane Altitude");
    EXPECT_DOUBLE_EQ(write->entries[1].value, 3048.0);

    // An unknown datum id or a cut-off entry: refused, and nothing of the block applied.
    put(0, 33, 1.0);
    put(12, 99, 10.0);
    EXPECT_EQ(SimConnect_SetDataOnSimObject(sim, 1, 0, SIMCONNECT_DATA_SET_FLAG_TAGGED, 0, 24, block), E_FAIL);
    put(12, 2, 10.0);
    EXPECT_EQ(SimConnect_SetDataOnSimObject(sim, 1, 0, SIMCONNECT_DATA_SET_FLAG_TAGGED, 0, 20, block), E_FAIL);
    EXPECT_DOUBLE_EQ(UserVar("Brake Parking Position", "position"), 0.0);
    EXPECT_DOUBLE_EQ(UserVar("Plane Altitude", "meters"), 3048.0);
    EXPECT_EQ(vsim::DataSetCount(user), 1u);

    // An empty tagged block is a valid call that sets nothing.
    EXPECT_EQ(SimConnect_SetDataOnSimObject(sim, 1, 0, SIMCONNECT_DATA_SET_FLAG_TAGGED, 0, 0, block), S_OK);
    EXPECT_TRUE(vsim::LastDataSet(user)->entries.empty());

    // Untagged: the values in definition order, and the whole definition is needed.
    double values[3] = {500.0, 0.25, 1.0};
    EXPECT_EQ(SimConnect_SetDataOnSimObject(sim, 1, 0, SIMCONNECT_DATA_SET_FLAG_DEFAULT, 0, 16, values), E_FAIL);
    ASSERT_EQ(SimConnect_SetDataOnSimObject(sim, 1, 0, SIMCONNECT_DATA_SET_FLAG_DEFAULT, 0, 24, values), S_OK);
    EXPECT_DOUBLE_EQ(UserVar("Plane Altitude", "meters"), 500.0);
    EXPECT_DOUBLE_EQ(UserVar("Brake Parking Position", "position"), 1.0);
    EXPECT_EQ(SimConnect_SetDataOnSimObject(sim, 1, 777, SIMCONNECT_DATA_SET_FLAG_DEFAULT, 0, 24, values), E_FAIL);
}

TEST_F(SimConnectTest, ClientEventsTakeEffectOnTheirAircraft) {
    Connect();
    Subscribe(12, "Paused");
    Subscribe(13, "Unpaused");
    Map(16, "PAUSE_ON");
    Map(17, "PAUSE_OFF");
    Map(18, "SIM_RATE_SET");
    Map(19, "NAV1_RADIO_SET");
    Map(26, "XPNDR_SET");
    Map(27, "FREEZE_LATITUDE_LONGITUDE_SET");
    Map(29, "FREEZE_ATTITUDE_SET");
    Map(31, "PARKING_BRAKES");
    EXPECT_EQ(SimConnect_MapClientEventToSimEvent(sim, 40, "NO_SUCH_EVENT"), E_FAIL);
    EXPECT_EQ(SimConnect_MapClientEventToSimEvent(sim, 16, "PAUSE_OFF"), E_FAIL);
    EXPECT_EQ(SimConnect_TransmitClientEvent(sim, 0, 41, 0, 1, 16), E_FAIL) << "not mapped";

    // Pause from the client: takes effect at once, the event comes with the next pump.
    ASSERT_EQ(SimConnect_TransmitClientEvent(sim, 0, 16, 0, 1, 16), S_OK);
    EXPECT_TRUE(vsim::IsPaused());
    EXPECT_TRUE(Inbox.empty());
    ASSERT_EQ(SimConnect_TransmitClientEvent(sim, 0, 16, 0, 1, 16), S_OK);  // already paused
    vsim::PumpSimConnect();
    ASSERT_EQ(Inbox.size(), 1u);
    EXPECT_EQ(Inbox[0].as<SIMCONNECT_RECV_EVENT>().uEventID, 12u);
    ASSERT_EQ(SimConnect_TransmitClientEvent(sim, 0, 17, 0, 1, 16), S_OK);
    EXPECT_FALSE(vsim::IsPaused());

    ASSERT_EQ(SimConnect_TransmitClientEvent(sim, 0, 18, 512, 1, 16), S_OK);
    EXPECT_DOUBLE_EQ(vsim::SimRateMultiplier(), 2.0);

    uint32_t user = vsim::UserAircraftId();
    ASSERT_EQ(SimConnect_TransmitClientEvent(sim, 0, 19, 0x1130, 1, 16), S_OK);
    ASSERT_EQ(SimConnect_TransmitClientEvent(sim, 0, 26, 0x7000, 1, 16), S_OK);
    EXPECT_DOUBLE_EQ(UserVar("Nav Active Frequency:1", "Frequency BCD16"), double(0x1130));
    EXPECT_DOUBLE_EQ(UserVar("Transponder Code:1", "BCO16"), double(0x7000));

    double brake = UserVar("Brake Parking Position", "position");
    ASSERT_EQ(SimConnect_TransmitClientEvent(sim, 0, 31, 0, 1, 16), S_OK);
    EXPECT_EQ(UserVar("Brake Parking Position", "position") > 0.0, !(brake > 0.0)) << "a toggle";
    ASSERT_EQ(SimConnect_TransmitClientEvent(sim, 0, 31, 0, 1, 16), S_OK);
    EXPECT_EQ(UserVar("Brake Parking Position", "position") > 0.0, brake > 0.0);

    uint32_t ai = vsim::AddAi("Traffic One", "parked");
    ASSERT_EQ(SimConnect_TransmitClientEvent(sim, ai, 27, 1, 1, 16), S_OK);
    ASSERT_EQ(SimConnect_TransmitClientEvent(sim, 0, 29, 1, 1, 16), S_OK);
    EXPECT_TRUE(vsim::IsFrozen(ai, 0));
    EXPECT_FALSE(vsim::IsFrozen(ai, 2));
    EXPECT_TRUE(vsim::IsFrozen(user, 2));
    EXPECT_FALSE(vsim::IsFrozen(user, 0));
    ASSERT_EQ(SimConnect_TransmitClientEvent(sim, ai, 27, 0, 1, 16), S_OK);
    EXPECT_FALSE(vsim::IsFrozen(ai, 0));
    EXPECT_EQ(SimConnect_TransmitClientEvent(sim, ai + 1000, 27, 1, 1, 16), E_FAIL);
}

TEST_F(SimConnectTest, AiCreationIsConfirmedInALaterPump) {
    Connect();
    Subscribe(14, "ObjectAdded");
    Subscribe(9, "Frame");
    SIMCONNECT_DATA_INITPOSITION position = {};
    position.OnGround = 1;
    // Asked for inside a frame, as the playback does: nothing more in that pump.
    OnMessage = [&](const Received& message) {
        if (message.id() == SIMCONNECT_RECV_ID_EVENT_FRAME && vsim::FrameCount() == 1) {
            EXPECT_EQ(SimConnect_AICreateNonATCAircraft(sim, "Traffic Jet", "KE-STR", position, 0x80000001u), S_OK);
        }
    };
    vsim::RunFrames(1);
    EXPECT_EQ(InboxIds(), std::vector<DWORD>{SIMCONNECT_RECV_ID_EVENT_FRAME});
    EXPECT_EQ(vsim::AiAircraftByIndex(1), 0u);

    Inbox.clear();
    vsim::RunFrames(1);
    ASSERT_EQ(Inbox.size(), 3u);
    EXPECT_EQ(Inbox[0].id(), DWORD(SIMCONNECT_RECV_ID_EVENT_OBJECT_ADDREMOVE));
    EXPECT_EQ(Inbox[1].id(), DWORD(SIMCONNECT_RECV_ID_ASSIGNED_OBJECT_ID));
    EXPECT_EQ(Inbox[2].id(), DWORD(SIMCONNECT_RECV_ID_EVENT_FRAME));
    const auto& assigned = Inbox[1].as<SIMCONNECT_RECV_ASSIGNED_OBJECT_ID>();
    EXPECT_EQ(Inbox[1].size, 20u);
    EXPECT_EQ(assigned.dwRequestID, 0x80000001u);
    uint32_t created = assigned.dwObjectID;
    EXPECT_EQ(Inbox[0].as<SIMCONNECT_RECV_EVENT_OBJECT_ADDREMOVE>().dwData, created);
    EXPECT_TRUE(vsim::AircraftExists(created));
    EXPECT_EQ(vsim::AiAircraftByIndex(1), created);
    std::string title;
    ASSERT_TRUE(vsim::GetSimVarText(created, "Title", &title));
    EXPECT_EQ(title, "Traffic Jet");

    // Release, then removal with ObjectRemoved; a second removal has nothing to remove.
    // What was set on the aircraft goes with it (a long run creates many).
    Subscribe(15, "ObjectRemoved");
    OnMessage = nullptr;
    Inbox.clear();
    EXPECT_EQ(SimConnect_AIReleaseControl(sim, created, 4), S_OK);
    ASSERT_EQ(SimConnect_AddToDataDefinition(sim, 3, "Plane Altitude", "meters", SIMCONNECT_DATATYPE_FLOAT64, 0, 0),
              S_OK);
    double altitude = 500.0;
    ASSERT_EQ(SimConnect_SetDataOnSimObject(sim, 3, created, 0, 0, sizeof altitude, &altitude), S_OK);
    ASSERT_NE(vsim::LastDataSet(created), nullptr);
    EXPECT_EQ(SimConnect_AIRemoveObject(sim, created, created + 0x08000000u), S_OK);
    EXPECT_FALSE(vsim::AircraftExists(created));
    EXPECT_EQ(vsim::LastDataSet(created), nullptr);
    EXPECT_EQ(vsim::DataSetCount(created), 0u);
    EXPECT_EQ(SimConnect_AIRemoveObject(sim, created, created + 0x08000000u), E_FAIL);
    EXPECT_EQ(SimConnect_AIRemoveObject(sim, 0, 0x08000000u), E_FAIL) << "the user's aircraft is not AI";
    vsim::PumpSimConnect();
    ASSERT_EQ(Inbox.size(), 1u);
    EXPECT_EQ(Inbox[0].as<SIMCONNECT_RECV_EVENT_OBJECT_ADDREMOVE>().uEventID, 15u);
    EXPECT_EQ(Inbox[0].as<SIMCONNECT_RECV_EVENT_OBJECT_ADDREMOVE>().dwData, created);
}

TEST_F(SimConnectTest, AiCreationFailuresAndUnconfirmedCreations) {
    Connect();
    SIMCONNECT_DATA_INITPOSITION position = {};
    vsim::FailNext(vsim::FailAiCreate);
    EXPECT_EQ(SimConnect_AICreateNonATCAircraft(sim, "Traffic Jet", "KE-STR", position, 1), E_FAIL);
    EXPECT_EQ(SimConnect_AICreateNonATCAircraft(sim, "", "KE-STR", position, 2), E_FAIL);
    EXPECT_EQ(SimConnect_AICreateNonATCAircraft(sim, nullptr, "KE-STR", position, 3), E_FAIL);
    EXPECT_EQ(vsim::PendingAiCreationCount(), 0u);

    vsim::SetAiCreationConfirmed(false);
    EXPECT_EQ(SimConnect_AICreateNonATCAircraft(sim, "Traffic Jet", "KE-STR", position, 4), S_OK);
    vsim::RunFrames(5);
    EXPECT_TRUE(InboxOf(SIMCONNECT_RECV_ID_ASSIGNED_OBJECT_ID).empty());
    EXPECT_EQ(vsim::AiAircraftByIndex(1), 0u);

    vsim::SetAiCreationConfirmed(true);
    EXPECT_EQ(SimConnect_AICreateNonATCAircraft(sim, "Traffic Jet", "KE-STR", position, 5), S_OK);
    vsim::PumpSimConnect();
    auto assigned = InboxOf(SIMCONNECT_RECV_ID_ASSIGNED_OBJECT_ID);
    ASSERT_EQ(assigned.size(), 1u);
    EXPECT_EQ(assigned[0]->as<SIMCONNECT_RECV_ASSIGNED_OBJECT_ID>().dwRequestID, 5u);
}

TEST_F(SimConnectTest, CallLogDialogModeAndTextLines) {
    Connect();
    EXPECT_TRUE(vsim::SimConnectCalls().empty());  // off until a test asks for it
    vsim::SetSimConnectCallLogLimit(100);
    SimConnect_MenuAddSubItem(sim, 0, "Record...", 1, 0);
    SimConnect_RequestDataOnSimObject(sim, 1, 2, 0, SIMCONNECT_PERIOD_VISUAL_FRAME, 1, 0, 0, 0);
    SimConnect_TransmitClientEvent(sim, 0, 16, 0, 1, 16);
    SimConnect_SetSystemState(sim, "DialogMode", 1, 0.0f, nullptr);
    EXPECT_TRUE(vsim::DialogModeOn());
    SimConnect_SetSystemState(sim, "DialogMode", 0, 0.0f, nullptr);
    char status[100] = "RECORDING [12 seconds]";
    SimConnect_Text(sim, SIMCONNECT_TEXT_TYPE_PRINT_RED, 1.0f, 0, sizeof status, status);
    SimConnect_AddToDataDefinition(sim, 4, "Zulu Year", nullptr, SIMCONNECT_DATATYPE_FLOAT64, 0, SIMCONNECT_UNUSED);
    EXPECT_EQ(vsim::SimConnectCalls(),
              (std::vector<std::string>{
                  "MenuAddSubItem(0, \"Record...\", 1, 0)",
                  "RequestDataOnSimObject(1, 2, 0, 2, 1)",
                  "TransmitClientEvent(0, 16, 0, 1, 16)",
                  "SetSystemState(\"DialogMode\", 1)",
                  "SetSystemState(\"DialogMode\", 0)",
                  "Text(258, 1, 0, 100, \"RECORDING [12 seconds]\")",
                  "AddToDataDefinition(4, \"Zulu Year\", null, 4, 0, 4294967295)",
              }));
    EXPECT_FALSE(vsim::DialogModeOn());
    EXPECT_EQ(vsim::DialogModeEnters(), 1u);
    EXPECT_EQ(vsim::DialogModeLeaves(), 1u);
    EXPECT_EQ(SimConnect_SetSystemState(sim, "Sim", 1, 0.0f, nullptr), E_FAIL);

    ASSERT_EQ(vsim::TextLines().size(), 1u);
    EXPECT_EQ(vsim::TextLines()[0].type, DWORD(SIMCONNECT_TEXT_TYPE_PRINT_RED));
    EXPECT_FLOAT_EQ(vsim::TextLines()[0].seconds, 1.0f);
    EXPECT_EQ(vsim::TranscriptLines().back(), "text [red] RECORDING [12 seconds]");
    // The text never runs past the size the client gave.
    char unterminated[5] = {'A', 'B', 'C', 'D', 'E'};
    SimConnect_Text(sim, SIMCONNECT_TEXT_TYPE_PRINT_MAGENTA, 1.0f, 0, 3, unterminated);
    EXPECT_EQ(vsim::TranscriptLines().back(), "text [magenta] ABC");
    EXPECT_EQ(vsim::TextTypeName(SIMCONNECT_TEXT_TYPE_PRINT_GREEN), "green");
    EXPECT_EQ(vsim::TextTypeName(SIMCONNECT_TEXT_TYPE_PRINT_BLUE), "blue");

    // A limit of 3 keeps at least the latest three calls and never more than six.
    vsim::SetSimConnectCallLogLimit(3);
    EXPECT_EQ(vsim::SimConnectCalls().size(), 3u);
    for (int i = 0; i < 10; ++i) {
        SimConnect_MenuAddSubItem(sim, 0, "Item", (DWORD)i, 0);
        ASSERT_GE(vsim::SimConnectCalls().size(), 3u);
        ASSERT_LE(vsim::SimConnectCalls().size(), 6u);
        EXPECT_EQ(vsim::SimConnectCalls().back(), "MenuAddSubItem(0, \"Item\", " + std::to_string(i) + ", 0)");
    }
    vsim::SetSimConnectCallLogLimit(0);
    EXPECT_TRUE(vsim::SimConnectCalls().empty());
}

TEST_F(SimConnectTest, FramesFollowTheVirtualClockAndTheRate) {
    Connect();
    Subscribe(9, "Frame");
    // 1/30 s frames: 333 or 334 units of 1/10000 s apart, 30 frames to the second, and
    // a client that truncates the reported frame time times 10000 (as the module's frame
    // clock does) gets exactly those units.
    uint64_t before = vsim::ClockMicros();
    for (int i = 0; i < 30; ++i) {
        vsim::RunFrames(1);
        uint64_t step = vsim::ClockMicros() - before;
        before = vsim::ClockMicros();
        EXPECT_TRUE(step == 33300 || step == 33400) << step;
        EXPECT_EQ(uint64_t(vsim::LastFrameSeconds() * 10000.0), step / 100);
    }
    EXPECT_EQ(vsim::ClockMicros(), 1000000u);
    EXPECT_EQ(vsim::FrameCount(), 30u);

    vsim::RunSeconds(2.0);
    EXPECT_EQ(vsim::FrameCount(), 90u);
    EXPECT_EQ(vsim::ClockMicros(), 3000000u);

    // 326 / 10000 is a double just below it; the reported time must still give 326.
    ASSERT_TRUE(vsim::SetFrameRate(10000.0 / 326));
    vsim::RunFrames(1);
    EXPECT_EQ(uint64_t(vsim::LastFrameSeconds() * 10000.0), 326u);
    EXPECT_NEAR(vsim::LastFrameSeconds(), 0.0326, 1e-15);

    ASSERT_TRUE(vsim::SetFrameRate(20.0));
    EXPECT_FALSE(vsim::SetFrameRate(0.0));
    EXPECT_FALSE(vsim::SetFrameRate(1e6));
    vsim::RunFrames(1);
    EXPECT_DOUBLE_EQ(vsim::LastFrameSeconds(), 0.05);
    EXPECT_FLOAT_EQ(Inbox.back().as<SIMCONNECT_RECV_EVENT_FRAME>().fFrameRate, 20.0f);
    EXPECT_FALSE(vsim::SetSimRate(-1.0));
}

TEST_F(SimConnectTest, AircraftMoveByFrameTimeTimesRateAndStandStillWhilePaused) {
    Connect();
    vsim::SetUserFlightPlan("orbit");
    vsim::RunFrames(5);  // let the orbit settle into its turn
    auto heading = [&] { return UserVar("Plane Heading Degrees True", "degrees"); };
    auto turned = [](double from, double to) {
        double delta = to - from;
        while (delta > 180.0) delta -= 360.0;
        while (delta < -180.0) delta += 360.0;
        return delta;
    };
    double start = heading();
    vsim::RunFrames(30);
    double normal = turned(start, heading());
    ASSERT_NE(normal, 0.0) << "an orbit turns";

    vsim::SetPaused(true);
    start = heading();
    vsim::RunFrames(30);
    EXPECT_DOUBLE_EQ(heading(), start);
    vsim::SetPaused(false);

    vsim::SetSimRate(2.0);
    start = heading();
    vsim::RunFrames(15);  // half the wall time at twice the rate
    EXPECT_NEAR(turned(start, heading()), normal, std::fabs(normal) * 0.05);
}

TEST(VirtualDrive, MapsWindowsPathsOntoTheRootFolder) {
    vsim::ResetHostServices();
    std::filesystem::path root = std::filesystem::temp_directory_path() / "vsim-drive-test";
    std::filesystem::remove_all(root);
    vsim::SetDriveRoot(root.string());
    std::string base = root.generic_string();

    EXPECT_EQ(vsim::CurrentDirectoryPath(), "C:\\Sim");
    EXPECT_EQ(vsim::MapPath("C:\\Sim\\Modules\\x.frc"), base + "/C/Sim/Modules/x.frc");
    EXPECT_EQ(vsim::MapPath("c:/Sim/Modules/X.FRC"), base + "/C/Sim/Modules/X.FRC");
    EXPECT_EQ(vsim::MapPath("modules\\Kestrel.ini"), base + "/C/Sim/modules/Kestrel.ini");
    EXPECT_EQ(vsim::MapPath("C:\\Sim\\Modules\\\\Kestrel.log"), base + "/C/Sim/Modules/Kestrel.log");
    EXPECT_EQ(vsim::MapPath(".\\a\\..\\b\\.\\c.txt"), base + "/C/Sim/b/c.txt");
    EXPECT_EQ(vsim::MapPath("\\Flights\\f.FLT"), base + "/C/Flights/f.FLT");
    EXPECT_EQ(vsim::MapPath("d:\\Data"), base + "/D/Data");
    // ".." never climbs out of the drive.
    EXPECT_EQ(vsim::MapPath("C:\\..\\..\\etc\\passwd"), base + "/C/etc/passwd");
    EXPECT_EQ(vsim::MapPath("..\\..\\..\\x"), base + "/C/x");

    vsim::SetCurrentDirectoryPath("Modules\\Recordings\\..");
    EXPECT_EQ(vsim::CurrentDirectoryPath(), "C:\\Sim\\Modules");
    EXPECT_EQ(vsim::MapPath("a.frc"), base + "/C/Sim/Modules/a.frc");
    vsim::SetCurrentDirectoryPath("e:\\");
    EXPECT_EQ(vsim::CurrentDirectoryPath(), "E:\\");
    EXPECT_EQ(vsim::MapPath("a.frc"), base + "/E/a.frc");

    // An existing file under another case is the same file, as on Windows.
    std::filesystem::create_directories(root / "C" / "Sim" / "Modules");
    std::ofstream(root / "C" / "Sim" / "Modules" / "Kestrel.ini") << "[SETTINGS]\n";
    EXPECT_EQ(vsim::MapPath("C:\\SIM\\modules\\KESTREL.INI"), base + "/C/Sim/Modules/Kestrel.ini");
    EXPECT_EQ(vsim::MapPath("C:\\sim\\modules\\new.frc"), base + "/C/Sim/Modules/new.frc");
    std::filesystem::remove_all(root);
    vsim::ResetHostServices();
}

TEST(HostServices, FailureInjectionTranscriptAndHostDlls) {
    vsim::ResetHostServices();
    vsim::FailKind kind = vsim::FailKindCount;
    ASSERT_TRUE(vsim::ParseFailKind("file-write", &kind));
    EXPECT_EQ(kind, vsim::FailFileWrite);
    ASSERT_TRUE(vsim::ParseFailKind("simconnect-open", &kind));
    EXPECT_EQ(kind, vsim::FailSimConnectOpen);
    EXPECT_FALSE(vsim::ParseFailKind("disk-full", &kind));

    EXPECT_FALSE(vsim::TakeFailure(vsim::FailFileOpen));
    vsim::FailNext(vsim::FailFileOpen);
    EXPECT_FALSE(vsim::TakeFailure(vsim::FailFileWrite));
    EXPECT_TRUE(vsim::TakeFailure(vsim::FailFileOpen));
    EXPECT_FALSE(vsim::TakeFailure(vsim::FailFileOpen));

    ASSERT_EQ(vsim::HostDlls().size(), 5u);
    vsim::HostDll* main = vsim::FindHostDll("MAIN.DLL");
    ASSERT_NE(main, nullptr);
    EXPECT_EQ(main->name, "main.dll");
    EXPECT_EQ(main->version[2], 61637);
    EXPECT_EQ(vsim::FindHostDll("window.dll"), nullptr);

    vsim::Log("one");
    vsim::AdvanceClock(5);
    vsim::ResetHostServices();
    EXPECT_TRUE(vsim::TranscriptLines().empty());
    EXPECT_EQ(vsim::ClockMicros(), 0u);
}

TEST(Host, StartHostCreatesTheMainWindowAndCountsKeysThatReachIt) {
    vsim::HostOptions options;
    options.driveRoot = (std::filesystem::temp_directory_path() / "vsim-host-test").string();
    options.hostVersion[2] = 60905;
    ASSERT_TRUE(vsim::StartHost(options));
    HWND window = vsim::MainWindowHandle();
    ASSERT_NE(window, nullptr);
    EXPECT_EQ(FindWindowA("FS98MAIN", nullptr), window);
    char title[64] = {};
    GetWindowTextA(window, title, sizeof title);
    EXPECT_STREQ(title, "Microsoft Flight Simulator X");
    EXPECT_EQ(vsim::FindHostDll("api.dll")->version[2], 60905);
    EXPECT_TRUE(std::filesystem::is_directory(vsim::MapPath("C:\\Sim")));

    SendMessageA(window, WM_KEYDOWN, 'P', 0);
    SendMessageA(window, WM_KEYUP, 'P', 0);
    SendMessageA(window, WM_MOVE, 0, 0);
    ASSERT_EQ(vsim::SimKeyMessages().size(), 2u);
    EXPECT_EQ(vsim::SimKeyMessages()[0].message, UINT(WM_KEYDOWN));
    EXPECT_EQ(vsim::SimKeyMessages()[0].vk, unsigned('P'));
    EXPECT_EQ(vsim::SimKeyMessages()[1].message, UINT(WM_KEYUP));

    vsim::StopHost();
    EXPECT_EQ(vsim::MainWindowHandle(), nullptr);
    EXPECT_EQ(FindWindowA("FS98MAIN", nullptr), nullptr);
    vsim::ResetHost();
    std::filesystem::remove_all(options.driveRoot);
}

}  // namespace
