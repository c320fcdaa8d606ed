// Recording runs and the instant-replay buffer: the recording tick with sampling,
// AI discovery and automatic stop, starting and saving recordings, temp files, and
// the memory-only replay ring.
#pragma once

#include <cstddef>
#include <cstdint>

#include "platform/win32.h"

extern uint32_t Timeline;            // 1/10000 s; recording time, or the playback position while playing
extern uint32_t FirstTick;           // 1 after a start, 2 after a recording started during traffic playback
extern uint16_t ActiveTrafficCount;  // AI tracks that hold a buffer (recorded or played)

// Every recording value as at a fresh load (module start).
void ResetRecorderState();
void StartRecording();
void StopRecording(uint32_t forced);
void RecordingTick();
void StartReplayBuffer();
void StopReplayBuffer();
void SaveReplay(HWND owner);
// Tells the user once per recording that a temp file could not be written.
void ReportRecordingWriteFailure();
// The recording file name used without dialogs: ModuleDir + "Rec_<date>_<time>.frc".
// False when it does not fit into size characters (no cut name is ever used).
bool FormatDefaultRecordingName(char* path, size_t size);
