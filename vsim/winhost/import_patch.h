// The host's view of the calls a loaded module makes: replacing one entry of its import
// address table, so that kestrel-host.exe learns of the module's modal calls and gives it
// the simulated host's clock.
#pragma once

#include <windows.h>

namespace vsim::winhost {

// Replaces the module's import of a function (by name) from a DLL; false when the module
// does not import it by name.
bool PatchImport(HMODULE module, const char* dllName, const char* function, void* replacement);

}  // namespace vsim::winhost
