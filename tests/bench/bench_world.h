// The module started on the benchmarks' simulator (bench_simconnect.h), with the
// Win32 emulation and a temporary virtual drive around it, and brought into the two
// states the frame benchmarks measure.
#pragma once

#include <string>

namespace benchsim {

const unsigned BenchAiAircraft = 200;

struct World {
    std::string root;  // the folder behind the virtual drive
    bool started = false;

    // Loads and starts the module with these settings in Kestrel.ini ("SECTION KEY
    // VALUE" lines); false when it did not start.
    bool Start(const char* const* iniLines, unsigned lineCount);
    // The user's aircraft and 200 AI aircraft recorded at 1/8 s, every aircraft at every
    // sample, one frame being 1/8 s: every frame is a sample tick for all 201.
    bool StartRecordingAll();
    // 200 traffic tracks of ten minutes at one sample a second, looped, all in the air.
    bool StartTrafficPlayback();
    // Stops the module, forgets the simulator and the emulation, removes the drive.
    void Stop();
    ~World() { Stop(); }
};

}  // namespace benchsim
