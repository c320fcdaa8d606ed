// Playback controls.
#include "playback/controls.h"

void PlaybackJump(uint32_t) {}
void PlaybackSpeed(uint32_t) {}
void PlaybackLoop(uint32_t) {}
void SeekToSlider() {}
void AdjustHeight(int32_t) {}
