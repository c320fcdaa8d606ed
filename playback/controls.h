// Playback controls: jumps and press-and-hold search, speed steps with the
// simulation rate, loops with the slider's marks, slider seeking, height correction.
#pragma once

#include <cstdint>

void PlaybackJump(uint32_t code);
void PlaybackSpeed(uint32_t code);
void PlaybackLoop(uint32_t code);
void SeekToSlider();
void AdjustHeight(int32_t direction);

// The control window's speed text ("100%") and loop display (slider marks, "~" box).
void ShowSpeedText();
void ShowLoopMarks();
// The marks and the "~" box as LoopEnabled says (at the start of a playback).
void ResetLoopDisplay();
// Simulation rates (1/256 units) that go with a playback speed and a search speed.
uint16_t RateOfSpeed(int32_t percent);
uint16_t RateOfSearch(uint32_t times);
