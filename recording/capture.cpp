// Capture: the sample data definitions and the conversion of replies into samples.
#include "recording/capture.h"

void BuildRecordingDefinition() {}
void BuildPlaybackDefinition() {}
uint32_t RecordingReplySize() {
    return 0;
}
bool CaptureSample(const double*, uint32_t) {
    return false;
}
