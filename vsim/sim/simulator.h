// The host loop of the virtual simulator: the main window, the frame driver (virtual
// clock, aircraft movement, periodic data, the Frame event, the pump to the client's
// dispatch callback, the trace) and the things a user does to the simulator (pause,
// rate, loading a flight or aircraft, AI traffic, the Add-ons menu).
//
// The program that drives the host calls the module's own entry points itself:
//   StartHost(options); ModuleAttach(instance, DLL_PROCESS_ATTACH, 0); DLLStart();
//   RunFrames(n) / SelectMenuItem(...) / ...; DLLStop();
//   ModuleAttach(instance, DLL_PROCESS_DETACH, 0); StopHost();
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "platform/win32.h"

namespace vsim {

struct HostOptions {
    std::string driveRoot = "vsim-drive";        // real folder behind the virtual drives
    std::string currentDirectory = "C:\\Sim";    // the host's current directory
    uint16_t hostVersion[4] = {10, 0, 61637, 0};  // file version of all five host DLLs
    double framesPerSecond = 30.0;               // visual frames per second of simulated wall time
    std::string tracePath;                       // CSV trace of every aircraft per frame; "" for none
    bool echoTranscript = false;                 // print every transcript line as it is logged
    size_t callLogLimit = 0;                     // SimConnect calls kept for tests (simconnect.h); 0: none
};

// Resets everything (ResetHost), then sets up the host: drive root and current
// directory (created on disk), host DLL versions and entries, main window, trace.
// A driver may change single DLLs through HostDlls() afterwards (a version, or loaded
// false), then calls InstallHostEntries() again, all before DLLStart.
// False when the main window could not be created.
bool StartHost(const HostOptions& options);
// Destroys the main window and closes the trace; the recorded state stays readable.
void StopHost();
// Everything back to the state of a fresh process: SimConnect, aircraft, host
// services, clock, rate, pause, frame count, key messages.
void ResetHost();

// Frames: each advances the virtual clock by one frame period, moves the aircraft by
// the frame time times the sim rate unless paused, queues the periodic data replies and
// the Frame event, pumps the queue to the dispatch callback and writes the trace row.
void RunFrames(unsigned count);
// Runs frames until the clock has advanced by at least the given seconds.
void RunSeconds(double seconds);
uint64_t FrameCount();
// Frame period as a rate. Frame ends follow the grid of 1/rate seconds rounded to
// 1/10000 s (the unit of the module's clock), so at 30 frames per second frames are
// 333 or 334 units apart and 30 of them make one second exactly. False (unchanged) for
// a rate that is not above 0 and at most 1000.
bool SetFrameRate(double framesPerSecond);
double FrameRate();
// The wall time of the latest frame (before the sim rate) is hostdlls.h LastFrameSeconds,
// which the host's frame-time entry returns.

// Simulation rate multiplier (1 normal, 2 twice), kept with the host's rate entry
// (hostdlls.h HostSimRate); false (unchanged) when not positive.
bool SetSimRate(double rate);
double SimRateMultiplier();

// The user pressing P: changes the pause state and, when it changed, sends Paused or
// Unpaused and pumps.
void SetPaused(bool paused);
bool IsPaused();
// Changes the pause state and queues the events without pumping (a client's PAUSE_ON).
// True when the state changed.
bool ChangePause(bool paused);

// Loading a flight: SimStop, FlightLoaded with the flight's file name, SimStart; pumps.
void LoadFlight(const std::string& fileName = "Flights\\myflts\\Previous flight.FLT");
// Loading an aircraft (aircraft.h LoadUserAircraft). With newObjectId the user's
// aircraft also gets a fresh object id (aircraft.h GiveUserNewObjectId), announced as
// ObjectRemoved for the old id and ObjectAdded for the new one, as the simulator does
// when it replaces the user's object. Then AircraftLoaded with the .AIR file name; pumps.
void LoadAircraft(const std::string& title, double cgFeet, bool newObjectId = false);
// AI traffic of the simulator's own: ObjectAdded / ObjectRemoved, then pumps. AddAi
// returns the new object id (0 when it could not be created); RemoveAi takes the
// 1-based index in creation order and is false when there is no such aircraft.
uint32_t AddAi(const std::string& title, const std::string& plan);
bool RemoveAi(unsigned index);
// The user choosing an Add-ons sub-item by its text: its event, then a pump. False
// when the menu holds no such item or no client is connected.
bool SelectMenuItem(const std::string& text);

// The main window of class "FS98MAIN" and its procedure, which counts the key messages
// that reach the simulator (those the module passes on).
HWND MainWindowHandle();
LRESULT CALLBACK HostMainWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
struct SimKeyMessage {
    UINT message;  // WM_KEYDOWN, WM_KEYUP, WM_SYSKEYDOWN, WM_SYSKEYUP or WM_CHAR
    unsigned vk;   // the virtual key (the character for WM_CHAR)
};
const std::vector<SimKeyMessage>& SimKeyMessages();
void ClearSimKeyMessages();

}  // namespace vsim
