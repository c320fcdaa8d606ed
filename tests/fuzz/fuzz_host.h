// What the fuzz targets share: one simulated host with the module loaded, for the
// whole fuzzing process, on a virtual drive in a fresh temporary folder; inputs cut
// into parts; and bringing the module back to rest after each input, so that the next
// input starts from the same state and the process stays small.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace fuzz {

// The first call creates the drive, starts the host, writes the ini lines given
// ("SECTION KEY VALUE" triples) and loads the module as the simulator does, with a
// flight loaded and the user's aircraft flying; later calls do nothing.
void StartModuleOnce(const std::vector<std::vector<std::string>>& ini = {});
// A fresh folder in /dev/shm where there is one (the targets write files for every
// input), else in /tmp; removed with its content when the process exits.
std::string MakeTempFolder();
// Writes bytes to a Windows path on the virtual drive.
void PutFile(const std::string& windowsPath, const uint8_t* data, size_t size);
// Frames, each followed by the message loop's turn.
void Frames(unsigned count);
// Stops what the module runs (playback, recording, their AI aircraft), deletes the
// files written since the start, forgets the logs and answers, and pumps the
// simulator once, so the module idles as it did after StartModuleOnce.
void BackToRest();

// The input cut at every occurrence of Separator, at most maxParts parts (the last
// one keeps the rest). Seeds of several files are the files joined with it.
extern const char Separator[];  // "\nKESTREL-NEXT\n"
std::vector<std::string> SplitInput(const uint8_t* data, size_t size, size_t maxParts);

}  // namespace fuzz
