// A test-only export of the Windows test build of KestrelFSX.dll (compile definition
// KESTREL_TEST_EXPORTS, set for the x86_64 build under Wine and never for the product):
// kestrel-host.exe reads through it the module state that the Linux build of the host
// reads directly, because there the module is linked in. The product DLL exports only
// DLLStart, DLLStop and Panels.
#pragma once

#include <cstdint>

struct KestrelProbeRecord {
    uint32_t mode;          // ModuleMode
    uint32_t timeline;      // Timeline, 1/10000 s
    uint32_t trackCount;    // TrackTable.count
    uint32_t firstSamples;  // TrackTable.entries[0].sampleCount (0 without tracks)
    uint32_t firstStart;    // its startTime and endTime, 1/10000 s
    uint32_t firstEnd;
};

// The export's name and type, for GetProcAddress.
#define KESTREL_PROBE_EXPORT "KestrelProbe"
typedef void (*KestrelProbeFn)(KestrelProbeRecord* record);
