// Windows build: the loader's DllMain. The runtime's start-up code (DllMainCRTStartup)
// initialises the C and C++ runtime and then calls DllMain, which hands over to the
// module's entry point.
#include "module/entry.h"

extern "C" BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID reserved) {
    return ModuleAttach(instance, reason, reserved);
}
