// Fuzz target: SimConnect receive records through the module's dispatch callback.
// The input is a sequence of records, each a 2-byte little-endian length followed by
// that many bytes (any id, size field and content), handed to the dispatch exactly as
// long as they are, so that reading past a record's end is caught. Then the simulator
// delivers what the module's calls queued (replies, created aircraft).
#include <cstring>
#include <vector>

#include "module/dispatch.h"
#include "tests/fuzz/fuzz_host.h"
#include "vsim/sim/simconnect.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    fuzz::StartModuleOnce();
    size_t at = 0;
    for (unsigned records = 0; records < 16 && at + 2 <= size; ++records) {
        size_t length = data[at] | (size_t)data[at + 1] << 8;
        at += 2;
        if (length > size - at) length = size - at;
        // A heap block of exactly the record's length.
        std::vector<uint8_t> record(data + at, data + at + length);
        at += length;
        SimLinkDispatch(record.empty() ? nullptr : reinterpret_cast<SIMCONNECT_RECV*>(record.data()),
                        (DWORD)record.size(), nullptr);
    }
    vsim::PumpSimConnect();
    fuzz::BackToRest();
    return 0;
}
