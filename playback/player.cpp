// Playback runs: start, per-frame tick with traffic aircraft, stop.
#include "playback/player.h"

uint16_t SavedHostOption = 0;
uint32_t SavedTrafficSettings[2] = {0, 0};
uint32_t AiCreateRequestId = 0x80000000u;

void StartPlay(uint32_t) {}
void StartReplay(uint32_t) {}
void StopPlayback(uint32_t) {}
void PlaybackFrame() {}
uint32_t CreateTrafficAircraft(const char*) {
    return 0;
}
void RemoveTrafficAircraft(uint32_t) {}
uint16_t GetHostOption() {
    return 0;
}
void SetHostOption(uint16_t) {}
void ReadTrafficSettings(uint32_t*) {}
void WriteTrafficSettings(uint32_t*) {}
