// The playback position and its clock arithmetic, the bracketing-sample search with
// its sliding window, the blending of two samples, and the per-track play step.
#pragma once

#include <cstdint>

#include "recording/sample.h"
#include "recording/track.h"

extern uint32_t PlaybackStart;      // first recording time of what plays
extern uint32_t PlaybackEnd;        // last recording time of what plays
extern int16_t SpeedPercent;        // percent of real time; negative during a backward search
extern uint8_t SpeedIndex;          // 0..8 into SpeedPercentTable; 4 is 100%
extern uint32_t LoopEnabled;
extern uint32_t LoopStartTime;
extern uint32_t LoopEndTime;
extern uint32_t PositionJumped;     // the position moved discontinuously since the last playback frame
extern uint32_t LastPlaybackClock;  // FrameClock at the previous playback frame
extern uint32_t LastFrameDelta;     // the last frame step below 5000

bool AdvancePlayback();
bool InterpolateSample(Track* track, uint32_t t, FullSample* sample);
void PlayTrackStep(Track* track);
uint32_t AvailableReplaySeconds();
// The control window slider's position (0..350) of a recording time.
uint32_t SliderPositionOf(uint32_t time);
