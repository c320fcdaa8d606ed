// The host DLLs' undocumented entries, exported by ordinal: the aircraft object accessor
// with its method table (sim1.dll), the traffic settings (fs-traffic.dll), the host
// option table (main.dll), the simulation rate (simscheduler.dll), and the frame time
// and position-call flag (api.dll). InstallHostEntries fills each DLL's ordinal map for
// its configured file version; the Win32 loader emulation answers GetProcAddress from it.
#pragma once

#include <cstdint>
#include <string>

#include "platform/win32.h"

namespace vsim {

// Fills the ordinal maps of HostDlls() for each DLL's version, as the build of that
// version exports them. A version that is no known build exports what 10.0.61637 does
// plus the ordinals the older builds use for the same entries. Also puts the option
// table, traffic words, sim rate, frame time and counters back to their initial values.
void InstallHostEntries();
// Removes one ordinal of a DLL (a host that lacks an entry); false when it was not there.
bool RemoveHostOrdinal(const std::string& dll, unsigned ordinal);

// The known builds by the build number of a 10.0.B.0 file version; 0 for any other.
unsigned KnownBuildOf(const uint16_t version[4]);

// Simulation rate, 1.0 normal; set by the module through simscheduler.dll (1/256 units)
// and read by the frame driver.
double HostSimRate();
void SetHostSimRate(double rate);

// Seconds since the previous frame, as the frame driver last advanced; what api.dll's
// frame-time entry returns. 0 before the first frame.
double LastFrameSeconds();
void SetLastFrameSeconds(double seconds);

// The host option table (main.dll): 25 words, all 0 except entries 19 and 20, which are 1.
const unsigned HostOptionWords = 25;
uint32_t* HostOptionTable();
// The two traffic-settings words (fs-traffic.dll): 100 (density) and 50 at start.
uint32_t* TrafficSettingsWords();

// The position-call flag word inside api.dll's data block, and the placement calls.
uint32_t PositionCallFlagWord();
unsigned PlacementCalls();             // entry 16 calls on any build
unsigned PlacementsWithoutFlag();      // long-form calls made while the flag word was not 1

// The velocity property id the host's entry 5 accepts on the configured sim1.dll build.
uint32_t HostVelocityPropertyId();

// The entries themselves, as the ordinal maps hold them. They have external linkage so
// that the Windows build's stand-in host DLLs can forward their ordinals to them by name.
void* HOSTENTRY AccessObject(uint32_t objectId);       // sim1.dll
void HOSTENTRY WriteTrafficSettings(uint32_t* block);  // fs-traffic.dll
void HOSTENTRY ReadTrafficSettings(uint32_t* block);
uint32_t* HOSTENTRY ReadHostOptions();                 // main.dll
void HOSTENTRY WriteHostOptions(uint32_t* table);
void HOSTENTRY SetSimRateEntry(uint32_t rate);         // simscheduler.dll, 1/256 units
double HOSTENTRY ReadFrameTime();                      // api.dll
const unsigned ApiDataBlockWords = 128;
extern uint32_t ApiDataBlock[ApiDataBlockWords];       // api.dll's data block (exported as data)

}  // namespace vsim
