// The host version check: recognises the simulator build from the file versions of
// its five DLLs, resolves the undocumented entries by ordinal, and writes the log and
// asks the user when a build is not recognised.
#pragma once

#include <cstdint>

#include "platform/win32.h"

// The host's entries, called with the host's own calling convention.
typedef void*(HOSTENTRY* ObjectAccessorFn)(uint32_t objectId);
typedef void(HOSTENTRY* TrafficSettingsFn)(uint32_t* block);
typedef uint32_t*(HOSTENTRY* HostOptionReaderFn)();
typedef void(HOSTENTRY* HostOptionWriterFn)(uint32_t* table);
typedef void(HOSTENTRY* SimRateFn)(uint32_t rate);
typedef double(HOSTENTRY* FrameTimeFn)();

// Methods of the host's aircraft object, reached through the method table that is its
// first member; each takes the object itself first.
typedef void(HOSTMETHOD* SetPlacementShortFn)(void* object, const void* position, const void* attitude);
typedef void(HOSTMETHOD* SetPlacementFn)(void* object, const void* position, const void* attitude, uint8_t onGround,
                                        uint32_t reserved);
typedef void(HOSTMETHOD* SetVectorPropertyFn)(void* object, uint32_t propertyId, const double* vector,
                                             uint32_t reserved);
typedef void(HOSTMETHOD* SetScalarPropertyFn)(void* object, uint32_t propertyId, uint32_t index, double value,
                                             uint32_t reserved);
enum HostObjectMethod : uint32_t {
    MethodSetVectorProperty = 5,
    MethodSetScalarProperty = 7,
    MethodSetPlacement = 16,
};

struct HostDllVersionRecord {
    uint16_t major, minor, build, revision;
};

extern ObjectAccessorFn ObjectAccessor;          // sim1.dll ordinal 10; null when unknown
extern uint32_t VelocityPropertyId;              // 648, or 675 on build 61637
extern uint32_t HostBuild;                       // 0..3 known builds of sim1.dll, 4 anything else
extern TrafficSettingsFn TrafficSettingsWriter;  // fs-traffic.dll ordinal 5
extern TrafficSettingsFn TrafficSettingsReader;  // fs-traffic.dll ordinal 6
extern HostOptionReaderFn HostOptionReader;      // main.dll ordinal 53 or 57
extern HostOptionWriterFn HostOptionWriter;      // main.dll ordinal 54 or 58
extern uint32_t HostOptionIndex;                 // 19 or 20
extern SimRateFn SimRateEntry;                   // simscheduler.dll ordinal 6 or 8
extern FrameTimeFn FrameTimeEntry;               // api.dll ordinal 261, 265 or 268
extern uint32_t* PositionCallFlag;               // api.dll ordinal 313/317/304 + 424 bytes; null on 61637

// 1: run (maybe with some entries none); 0: failure; -1: the user declined.
int VersionCheck();
HostDllVersionRecord HostDllVersion(HMODULE module);
