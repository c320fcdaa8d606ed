// Playback controls: jumps and press-and-hold search, speed steps with the
// simulation rate, loops with the slider's marks, slider seeking, height correction.
#pragma once

#include <cstdint>

void PlaybackJump(uint32_t code);
void PlaybackSpeed(uint32_t code);
void PlaybackLoop(uint32_t code);
void SeekToSlider();
void AdjustHeight(int32_t direction);
