// The SimConnect side of the platform seam: our own declarations of the part of the
// simulator's client library that Kestrel uses, with the record layouts of the 32-bit
// client. On Windows they link to SimConnect.dll (import library from SimConnect.def);
// on Linux the virtual simulator (vsim/sim) defines them.
#pragma once

#include <cstddef>

#include "platform/win32.h"

#ifdef _WIN32
#define SIMCONNECTAPI extern "C" HRESULT __stdcall
#else
#define SIMCONNECTAPI HRESULT
#endif

#ifndef S_OK
#define S_OK ((HRESULT)0L)
#endif
#ifndef E_FAIL
#define E_FAIL ((HRESULT)0x80004005L)
#endif

#define SIMCONNECT_UNUSED 0xFFFFFFFFu
#define SIMCONNECT_OBJECT_ID_USER 0u
#define SIMCONNECT_GROUP_PRIORITY_HIGHEST 1u
#define SIMCONNECT_EVENT_FLAG_GROUPID_IS_PRIORITY 0x00000010u
#define SIMCONNECT_DATA_REQUEST_FLAG_DEFAULT 0u
#define SIMCONNECT_DATA_REQUEST_FLAG_CHANGED 1u
#define SIMCONNECT_DATA_SET_FLAG_DEFAULT 0u
#define SIMCONNECT_DATA_SET_FLAG_TAGGED 1u

typedef DWORD SIMCONNECT_CLIENT_EVENT_ID;
typedef DWORD SIMCONNECT_NOTIFICATION_GROUP_ID;
typedef DWORD SIMCONNECT_DATA_DEFINITION_ID;
typedef DWORD SIMCONNECT_DATA_REQUEST_ID;
typedef DWORD SIMCONNECT_OBJECT_ID;
typedef DWORD SIMCONNECT_EVENT_FLAG;
typedef DWORD SIMCONNECT_DATA_REQUEST_FLAG;
typedef DWORD SIMCONNECT_DATA_SET_FLAG;

enum SIMCONNECT_RECV_ID : DWORD {
    SIMCONNECT_RECV_ID_NULL = 0,
    SIMCONNECT_RECV_ID_EXCEPTION = 1,
    SIMCONNECT_RECV_ID_OPEN = 2,
    SIMCONNECT_RECV_ID_QUIT = 3,
    SIMCONNECT_RECV_ID_EVENT = 4,
    SIMCONNECT_RECV_ID_EVENT_OBJECT_ADDREMOVE = 5,
    SIMCONNECT_RECV_ID_EVENT_FILENAME = 6,
    SIMCONNECT_RECV_ID_EVENT_FRAME = 7,
    SIMCONNECT_RECV_ID_SIMOBJECT_DATA = 8,
    SIMCONNECT_RECV_ID_SIMOBJECT_DATA_BYTYPE = 9,
    SIMCONNECT_RECV_ID_ASSIGNED_OBJECT_ID = 12,
};

enum SIMCONNECT_DATATYPE : DWORD {
    SIMCONNECT_DATATYPE_INVALID = 0,
    SIMCONNECT_DATATYPE_INT32 = 1,
    SIMCONNECT_DATATYPE_INT64 = 2,
    SIMCONNECT_DATATYPE_FLOAT32 = 3,
    SIMCONNECT_DATATYPE_FLOAT64 = 4,
    SIMCONNECT_DATATYPE_STRING8 = 5,
    SIMCONNECT_DATATYPE_STRING32 = 6,
    SIMCONNECT_DATATYPE_STRING64 = 7,
    SIMCONNECT_DATATYPE_STRING128 = 8,
    SIMCONNECT_DATATYPE_STRING256 = 9,
    SIMCONNECT_DATATYPE_STRING260 = 10,
};

enum SIMCONNECT_PERIOD : DWORD {
    SIMCONNECT_PERIOD_NEVER = 0,
    SIMCONNECT_PERIOD_ONCE = 1,
    SIMCONNECT_PERIOD_VISUAL_FRAME = 2,
    SIMCONNECT_PERIOD_SIM_FRAME = 3,
    SIMCONNECT_PERIOD_SECOND = 4,
};

enum SIMCONNECT_SIMOBJECT_TYPE : DWORD {
    SIMCONNECT_SIMOBJECT_TYPE_USER = 0,
    SIMCONNECT_SIMOBJECT_TYPE_ALL = 1,
    SIMCONNECT_SIMOBJECT_TYPE_AIRCRAFT = 2,
    SIMCONNECT_SIMOBJECT_TYPE_HELICOPTER = 3,
    SIMCONNECT_SIMOBJECT_TYPE_BOAT = 4,
    SIMCONNECT_SIMOBJECT_TYPE_GROUND = 5,
};

enum SIMCONNECT_TEXT_TYPE : DWORD {
    SIMCONNECT_TEXT_TYPE_SCROLL_BLACK = 0,
    SIMCONNECT_TEXT_TYPE_PRINT_BLACK = 0x100,
    SIMCONNECT_TEXT_TYPE_PRINT_WHITE = 0x101,
    SIMCONNECT_TEXT_TYPE_PRINT_RED = 0x102,
    SIMCONNECT_TEXT_TYPE_PRINT_GREEN = 0x103,
    SIMCONNECT_TEXT_TYPE_PRINT_BLUE = 0x104,
    SIMCONNECT_TEXT_TYPE_PRINT_YELLOW = 0x105,
    SIMCONNECT_TEXT_TYPE_PRINT_MAGENTA = 0x106,
    SIMCONNECT_TEXT_TYPE_PRINT_CYAN = 0x107,
};

// Receive records: packed, as the client library lays them out. Each record starts
// with the SIMCONNECT_RECV header fields; they are spelled out in every record (not
// inherited) so that the records stay standard-layout and their offsets checkable.
#define SIMCONNECT_RECV_HEADER \
    DWORD dwSize;              \
    DWORD dwVersion;           \
    DWORD dwID
#define SIMCONNECT_RECV_EVENT_FIELDS \
    SIMCONNECT_RECV_HEADER;          \
    DWORD uGroupID;                  \
    DWORD uEventID;                  \
    DWORD dwData
#pragma pack(push, 1)
struct SIMCONNECT_RECV {
    SIMCONNECT_RECV_HEADER;
};
struct SIMCONNECT_RECV_OPEN {
    SIMCONNECT_RECV_HEADER;
    char szApplicationName[256];
    DWORD dwApplicationVersionMajor;
    DWORD dwApplicationVersionMinor;
    DWORD dwApplicationBuildMajor;
    DWORD dwApplicationBuildMinor;
    DWORD dwSimConnectVersionMajor;
    DWORD dwSimConnectVersionMinor;
    DWORD dwSimConnectBuildMajor;
    DWORD dwSimConnectBuildMinor;
    DWORD dwReserved1;
    DWORD dwReserved2;
};
struct SIMCONNECT_RECV_EVENT {
    SIMCONNECT_RECV_EVENT_FIELDS;
};
struct SIMCONNECT_RECV_EVENT_OBJECT_ADDREMOVE {
    SIMCONNECT_RECV_EVENT_FIELDS;
    SIMCONNECT_SIMOBJECT_TYPE eObjType;
};
struct SIMCONNECT_RECV_EVENT_FILENAME {
    SIMCONNECT_RECV_EVENT_FIELDS;
    char szFileName[MAX_PATH];
    DWORD dwFlags;
};
struct SIMCONNECT_RECV_EVENT_FRAME {
    SIMCONNECT_RECV_EVENT_FIELDS;
    float fFrameRate;
    float fSimSpeed;
};
struct SIMCONNECT_RECV_SIMOBJECT_DATA {
    SIMCONNECT_RECV_HEADER;
    DWORD dwRequestID;
    DWORD dwObjectID;
    DWORD dwDefineID;
    DWORD dwFlags;
    DWORD dwentrynumber;
    DWORD dwoutof;
    DWORD dwDefineCount;
    DWORD dwData;  // the first word of the data block, which runs on past the record
};
struct SIMCONNECT_RECV_ASSIGNED_OBJECT_ID {
    SIMCONNECT_RECV_HEADER;
    DWORD dwRequestID;
    DWORD dwObjectID;
};
struct SIMCONNECT_DATA_INITPOSITION {
    double Latitude;
    double Longitude;
    double Altitude;
    double Pitch;
    double Bank;
    double Heading;
    DWORD OnGround;
    DWORD Airspeed;
};
#pragma pack(pop)

static_assert(sizeof(SIMCONNECT_RECV) == 12, "SIMCONNECT_RECV size");
static_assert(sizeof(SIMCONNECT_RECV_OPEN) == 308, "SIMCONNECT_RECV_OPEN size");
static_assert(sizeof(SIMCONNECT_RECV_EVENT) == 24, "SIMCONNECT_RECV_EVENT size");
static_assert(sizeof(SIMCONNECT_RECV_EVENT_OBJECT_ADDREMOVE) == 28, "SIMCONNECT_RECV_EVENT_OBJECT_ADDREMOVE size");
static_assert(sizeof(SIMCONNECT_RECV_EVENT_FILENAME) == 288, "SIMCONNECT_RECV_EVENT_FILENAME size");
static_assert(sizeof(SIMCONNECT_RECV_EVENT_FRAME) == 32, "SIMCONNECT_RECV_EVENT_FRAME size");
static_assert(sizeof(SIMCONNECT_RECV_SIMOBJECT_DATA) == 44, "SIMCONNECT_RECV_SIMOBJECT_DATA size");
static_assert(sizeof(SIMCONNECT_RECV_ASSIGNED_OBJECT_ID) == 20, "SIMCONNECT_RECV_ASSIGNED_OBJECT_ID size");
static_assert(sizeof(SIMCONNECT_DATA_INITPOSITION) == 56, "SIMCONNECT_DATA_INITPOSITION size");
static_assert(offsetof(SIMCONNECT_RECV_EVENT, uEventID) == 16, "uEventID offset");
static_assert(offsetof(SIMCONNECT_RECV_EVENT, dwData) == 20, "dwData offset");
static_assert(offsetof(SIMCONNECT_RECV_EVENT_OBJECT_ADDREMOVE, eObjType) == 24, "eObjType offset");
static_assert(offsetof(SIMCONNECT_RECV_EVENT_FILENAME, szFileName) == 24, "szFileName offset");
static_assert(offsetof(SIMCONNECT_RECV_EVENT_FRAME, fSimSpeed) == 28, "fSimSpeed offset");
static_assert(offsetof(SIMCONNECT_RECV_SIMOBJECT_DATA, dwRequestID) == 12, "dwRequestID offset");
static_assert(offsetof(SIMCONNECT_RECV_SIMOBJECT_DATA, dwObjectID) == 16, "dwObjectID offset");
static_assert(offsetof(SIMCONNECT_RECV_SIMOBJECT_DATA, dwData) == 40, "dwData offset");
static_assert(offsetof(SIMCONNECT_RECV_ASSIGNED_OBJECT_ID, dwObjectID) == 16, "dwObjectID offset");
static_assert(offsetof(SIMCONNECT_DATA_INITPOSITION, OnGround) == 48, "OnGround offset");
static_assert(offsetof(SIMCONNECT_RECV, dwSize) == 0 && offsetof(SIMCONNECT_RECV, dwVersion) == 4 &&
                  offsetof(SIMCONNECT_RECV, dwID) == 8,
              "SIMCONNECT_RECV header offsets");
static_assert(offsetof(SIMCONNECT_RECV_OPEN, szApplicationName) == 12 &&
                  offsetof(SIMCONNECT_RECV_OPEN, dwApplicationVersionMajor) == 268 &&
                  offsetof(SIMCONNECT_RECV_OPEN, dwSimConnectVersionMajor) == 284 &&
                  offsetof(SIMCONNECT_RECV_OPEN, dwReserved2) == 304,
              "SIMCONNECT_RECV_OPEN offsets");
static_assert(offsetof(SIMCONNECT_RECV_EVENT, uGroupID) == 12, "uGroupID offset");
static_assert(offsetof(SIMCONNECT_RECV_EVENT_FILENAME, dwFlags) == 284, "dwFlags offset");
static_assert(offsetof(SIMCONNECT_RECV_EVENT_FRAME, fFrameRate) == 24, "fFrameRate offset");
static_assert(offsetof(SIMCONNECT_RECV_SIMOBJECT_DATA, dwDefineID) == 20 &&
                  offsetof(SIMCONNECT_RECV_SIMOBJECT_DATA, dwFlags) == 24 &&
                  offsetof(SIMCONNECT_RECV_SIMOBJECT_DATA, dwentrynumber) == 28 &&
                  offsetof(SIMCONNECT_RECV_SIMOBJECT_DATA, dwoutof) == 32 &&
                  offsetof(SIMCONNECT_RECV_SIMOBJECT_DATA, dwDefineCount) == 36,
              "SIMCONNECT_RECV_SIMOBJECT_DATA offsets");
static_assert(offsetof(SIMCONNECT_RECV_ASSIGNED_OBJECT_ID, dwRequestID) == 12, "dwRequestID offset");
static_assert(offsetof(SIMCONNECT_DATA_INITPOSITION, Longitude) == 8 &&
                  offsetof(SIMCONNECT_DATA_INITPOSITION, Altitude) == 16 &&
                  offsetof(SIMCONNECT_DATA_INITPOSITION, Pitch) == 24 &&
                  offsetof(SIMCONNECT_DATA_INITPOSITION, Bank) == 32 &&
                  offsetof(SIMCONNECT_DATA_INITPOSITION, Heading) == 40 &&
                  offsetof(SIMCONNECT_DATA_INITPOSITION, Airspeed) == 52,
              "SIMCONNECT_DATA_INITPOSITION offsets");
static_assert(sizeof(SIMCONNECT_RECV_ID) == 4 && sizeof(SIMCONNECT_DATATYPE) == 4 && sizeof(SIMCONNECT_PERIOD) == 4 &&
                  sizeof(SIMCONNECT_SIMOBJECT_TYPE) == 4 && sizeof(SIMCONNECT_TEXT_TYPE) == 4,
              "SimConnect enums are 32-bit");

#ifdef _WIN32
typedef void(CALLBACK* DispatchProc)(SIMCONNECT_RECV* data, DWORD size, void* context);
#else
typedef void (*DispatchProc)(SIMCONNECT_RECV* data, DWORD size, void* context);
#endif

SIMCONNECTAPI SimConnect_Open(HANDLE* handle, LPCSTR name, HWND window, DWORD userEventWin32, HANDLE eventHandle,
                              DWORD configIndex);
SIMCONNECTAPI SimConnect_Close(HANDLE handle);
SIMCONNECTAPI SimConnect_CallDispatch(HANDLE handle, DispatchProc dispatch, void* context);
SIMCONNECTAPI SimConnect_MenuAddItem(HANDLE handle, const char* menuItem, SIMCONNECT_CLIENT_EVENT_ID menuEventId,
                                     DWORD data);
SIMCONNECTAPI SimConnect_MenuAddSubItem(HANDLE handle, SIMCONNECT_CLIENT_EVENT_ID menuEventId, const char* menuItem,
                                        SIMCONNECT_CLIENT_EVENT_ID subMenuEventId, DWORD data);
SIMCONNECTAPI SimConnect_MenuDeleteSubItem(HANDLE handle, SIMCONNECT_CLIENT_EVENT_ID menuEventId,
                                           SIMCONNECT_CLIENT_EVENT_ID subMenuEventId);
SIMCONNECTAPI SimConnect_SubscribeToSystemEvent(HANDLE handle, SIMCONNECT_CLIENT_EVENT_ID eventId,
                                                const char* systemEventName);
SIMCONNECTAPI SimConnect_MapClientEventToSimEvent(HANDLE handle, SIMCONNECT_CLIENT_EVENT_ID eventId,
                                                  const char* eventName);
SIMCONNECTAPI SimConnect_TransmitClientEvent(HANDLE handle, SIMCONNECT_OBJECT_ID objectId,
                                             SIMCONNECT_CLIENT_EVENT_ID eventId, DWORD data,
                                             SIMCONNECT_NOTIFICATION_GROUP_ID groupId, SIMCONNECT_EVENT_FLAG flags);
SIMCONNECTAPI SimConnect_AddToDataDefinition(HANDLE handle, SIMCONNECT_DATA_DEFINITION_ID defineId,
                                             const char* datumName, const char* unitsName,
                                             SIMCONNECT_DATATYPE datumType, float epsilon, DWORD datumId);
SIMCONNECTAPI SimConnect_ClearDataDefinition(HANDLE handle, SIMCONNECT_DATA_DEFINITION_ID defineId);
SIMCONNECTAPI SimConnect_RequestDataOnSimObject(HANDLE handle, SIMCONNECT_DATA_REQUEST_ID requestId,
                                                SIMCONNECT_DATA_DEFINITION_ID defineId, SIMCONNECT_OBJECT_ID objectId,
                                                SIMCONNECT_PERIOD period, SIMCONNECT_DATA_REQUEST_FLAG flags,
                                                DWORD origin, DWORD interval, DWORD limit);
SIMCONNECTAPI SimConnect_SetDataOnSimObject(HANDLE handle, SIMCONNECT_DATA_DEFINITION_ID defineId,
                                            SIMCONNECT_OBJECT_ID objectId, SIMCONNECT_DATA_SET_FLAG flags,
                                            DWORD arrayCount, DWORD unitSize, void* data);
SIMCONNECTAPI SimConnect_SetSystemState(HANDLE handle, const char* state, DWORD integer, float value,
                                        const char* text);
SIMCONNECTAPI SimConnect_Text(HANDLE handle, SIMCONNECT_TEXT_TYPE type, float timeSeconds,
                              SIMCONNECT_CLIENT_EVENT_ID eventId, DWORD unitSize, void* data);
SIMCONNECTAPI SimConnect_AICreateNonATCAircraft(HANDLE handle, const char* containerTitle, const char* tailNumber,
                                                SIMCONNECT_DATA_INITPOSITION initPos,
                                                SIMCONNECT_DATA_REQUEST_ID requestId);
SIMCONNECTAPI SimConnect_AIRemoveObject(HANDLE handle, SIMCONNECT_OBJECT_ID objectId,
                                        SIMCONNECT_DATA_REQUEST_ID requestId);
SIMCONNECTAPI SimConnect_AIReleaseControl(HANDLE handle, SIMCONNECT_OBJECT_ID objectId,
                                          SIMCONNECT_DATA_REQUEST_ID requestId);
