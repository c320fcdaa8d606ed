// The Win32 time functions over the virtual clock: GetTickCount in milliseconds (wrapping
// at 32 bits like the real one) and a performance counter of 10 MHz.
#include "platform/win32.h"
#include "vsim/sim/simhost.h"

namespace {
constexpr LONGLONG CounterFrequency = 10000000;  // counts per second: 10 per microsecond
}

DWORD WINAPI GetTickCount() {
    return (DWORD)(vsim::ClockMicros() / 1000);
}

BOOL WINAPI QueryPerformanceFrequency(LARGE_INTEGER* frequency) {
    if (frequency == nullptr) return FALSE;
    frequency->QuadPart = CounterFrequency;
    return TRUE;
}

BOOL WINAPI QueryPerformanceCounter(LARGE_INTEGER* count) {
    if (count == nullptr) return FALSE;
    count->QuadPart = (LONGLONG)(vsim::ClockMicros() * 10);
    return TRUE;
}
