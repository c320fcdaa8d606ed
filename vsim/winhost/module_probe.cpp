// The test-only state export of the Windows test build of the module (module_probe.h).
#include "vsim/winhost/module_probe.h"

#include "module/simlink.h"
#include "recording/recorder.h"
#include "recording/track.h"

#ifndef KESTREL_TEST_EXPORTS
#error "module_probe.cpp belongs to the test build of the module only"
#endif

extern "C" __declspec(dllexport) void KestrelProbe(KestrelProbeRecord* record) {
    if (!record) return;
    record->mode = ModuleMode;
    record->timeline = Timeline;
    record->trackCount = TrackTable.count;
    record->firstSamples = TrackTable.count > 0 ? TrackTable.entries[0].sampleCount : 0;
    record->firstStart = TrackTable.count > 0 ? TrackTable.entries[0].startTime : 0;
    record->firstEnd = TrackTable.count > 0 ? TrackTable.entries[0].endTime : 0;
}
