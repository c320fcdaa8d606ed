// The playback position, interpolation and the per-track play step.
#include "playback/position.h"

uint32_t PlaybackStart = 0;
uint32_t PlaybackEnd = 0;
int16_t SpeedPercent = 100;
uint8_t SpeedIndex = 4;
uint32_t LoopEnabled = 0;
uint32_t LoopStartTime = 0;
uint32_t LoopEndTime = 0;
uint32_t PositionJumped = 0;
uint32_t LastPlaybackClock = 0;
uint32_t LastFrameDelta = 0;

bool AdvancePlayback() {
    return false;
}
bool InterpolateSample(Track*, uint32_t, FullSample*) {
    return false;
}
void PlayTrackStep(Track*) {}
uint32_t AvailableReplaySeconds() {
    return 0;
}
