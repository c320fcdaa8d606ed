// Capture: the SimConnect data definitions that carry sample data (recording and
// playback), and the conversion of a data reply into a sample of the right track.
#pragma once

#include <cstdint>

// Forgets the definitions built on an earlier link (module start).
void ResetCaptureDefinitions();
void BuildRecordingDefinition();
void BuildPlaybackDefinition();
// Bytes of a reply to the recording definition as it is built now.
uint32_t RecordingReplySize();
// values: the reply's 64-bit floats in definition order; true when a track has objectId.
bool CaptureSample(const double* values, uint32_t objectId);
