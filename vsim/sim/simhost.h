// The simulated host's shared services: the transcript of what the user sees, the
// virtual clock, the virtual drive, the failure injection, and the host DLLs that
// the Win32 loader emulation looks up. Everything here is deterministic.
#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <vector>

namespace vsim {

// Transcript: one line per thing the user would see or the module did.
void Log(const std::string& line);
const std::vector<std::string>& TranscriptLines();
void ClearTranscript();
void SetTranscriptEcho(bool echo);  // also print each line to stdout as it is logged

// Virtual clock, microseconds since the host started. Only the frame driver advances it.
uint64_t ClockMicros();
void AdvanceClock(uint64_t micros);

// Virtual drive: "C:\Sim\x.frc" is <root>/C/Sim/x.frc; relative paths resolve against
// the virtual current directory (a Windows path, "C:\Sim" by default). An empty root
// means the real drives (the host runs on Windows): the full Windows path itself.
void SetDriveRoot(const std::string& root);
const std::string& DriveRoot();
std::string MapPath(const std::string& windowsPath);
void SetCurrentDirectoryPath(const std::string& windowsPath);
const std::string& CurrentDirectoryPath();

// Failure injection: the next call of a kind fails once.
enum FailKind { FailSimConnectOpen, FailFileOpen, FailFileWrite, FailAiCreate, FailKindCount };
void FailNext(FailKind kind);
bool TakeFailure(FailKind kind);  // true exactly once after FailNext(kind)
bool ParseFailKind(const std::string& name, FailKind* kind);  // "simconnect-open", "file-open", ...

// Host DLLs as the loader sees them.
struct HostDll {
    std::string name;         // "sim1.dll", "fs-traffic.dll", "main.dll", "simscheduler.dll", "api.dll"
    bool loaded = true;
    uint16_t version[4] = {10, 0, 61637, 0};
    std::map<unsigned, void*> ordinals;  // entry address by ordinal
};
std::vector<HostDll>& HostDlls();
HostDll* FindHostDll(const std::string& name);  // case-insensitive; null when absent

// Resets every piece of host state above (between runs of the host in one process).
void ResetHostServices();

}  // namespace vsim
