// Steps of a user's session that many scenario tests share: recording a flight of
// the user's aircraft through the Record Flight dialog and saving it.
#pragma once

#include <string>

// Answers the Record Flight dialog with OK (its options as they stand).
void AcceptRecordDialog();
// Records the user's aircraft for the given simulated seconds through "Record..." and
// "Stop...", saving under the Windows path. False when a step did not work.
bool RecordUserFlight(const std::string& windowsPath, double seconds);
