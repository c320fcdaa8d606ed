// The module's entry and lifecycle: the DLL entry point that hooks the simulator's
// main window, the exported DLLStart and DLLStop, and the exported Panels pointer.
#pragma once

#include "platform/simconnect.h"
#include "platform/win32.h"

#ifdef _WIN32
#define KESTREL_EXPORT extern "C" __declspec(dllexport)
#else
#define KESTREL_EXPORT extern "C"
#endif

extern HINSTANCE ModuleInstance;      // the module's own instance; set at process attach
extern HWND MainWindow;               // the simulator's main window ("FS98MAIN")
extern WNDPROC MainWindowPrevProc;    // its procedure before the module subclassed it
extern char ModuleDir[MAX_PATH];      // folder of the module file, with its trailing backslash
extern char IniPath[MAX_PATH];        // ModuleDir + "Kestrel.ini"
extern HANDLE SimConnectHandle;       // the one SimConnect connection; null until opened

// Exported data: the host stores the address of its panel-service table here.
KESTREL_EXPORT void* Panels;

// The DLL entry point (DllMain of the loader contract); on Linux the host calls it.
extern "C" BOOL WINAPI ModuleAttach(HINSTANCE instance, DWORD reason, LPVOID reserved);
KESTREL_EXPORT int DLLStart();
KESTREL_EXPORT void DLLStop();

// Opens the SimConnect link and registers the dispatch callback; 1 on success.
int OpenSimLink();
