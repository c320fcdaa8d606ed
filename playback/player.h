// The three kinds of playback (onto the user's aircraft, as AI traffic, instant
// replay): starting, the per-frame tick with its AI aircraft, and stopping with the
// undoing of every temporary change.
#pragma once

#include <cstdint>

extern uint16_t SavedHostOption;
extern uint32_t SavedTrafficSettings[2];
extern uint32_t AiCreateRequestId;

// Every playback value as at a fresh load, the position's included (module start).
void ResetPlayerState();
void StartPlay(uint32_t asTraffic);
void StartReplay(uint32_t seconds);
void StopPlayback(uint32_t keepAircraft);
void PlaybackFrame();
uint32_t CreateTrafficAircraft(const char* title);
void RemoveTrafficAircraft(uint32_t objectId);
uint16_t GetHostOption();
void SetHostOption(uint16_t value);
void ReadTrafficSettings(uint32_t* block);
void WriteTrafficSettings(uint32_t* block);
// Sets ActiveTrafficCount to the AI tracks (recorded or played) that hold a buffer.
void RecountActiveTraffic();
