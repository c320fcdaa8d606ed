// Recording runs and the instant-replay buffer.
#include "recording/recorder.h"

uint32_t Timeline = 0;
uint32_t FirstTick = 0;
uint16_t ActiveTrafficCount = 0;

void StartRecording() {}
void StopRecording(uint32_t) {}
void RecordingTick() {}
void StartReplayBuffer() {}
void StopReplayBuffer() {}
void SaveReplay(HWND) {}
