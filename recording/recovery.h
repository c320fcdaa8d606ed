// Crash recovery at module start: the temp files an interrupted recording left in
// ModuleDir become a recording file "Recovered_<date>_<time>.frc" beside them.
#pragma once

#include <cstdint>

// 1 while the temp files of an interrupted recording stay in ModuleDir because their
// recording could not be saved; a new recording must not start over them. Written by
// RecoverInterruptedRecording.
extern uint32_t RecoveryPending;

// Joins the whole records of the temp files in ModuleDir into a new file named after
// the files' last write time (UTC), never over an existing file, and deletes the temp
// files once it is written and closed; temp files without a whole record are just
// deleted. The user is told of the saved file, or that it could not be saved or not be
// joined in the memory left (the temp files then stay and RecoveryPending is set).
// dialogMode brackets the message with the simulator's dialog mode (not at DLLStart,
// before the link is open). Returns 1 when no temp file is left over, 0 when they stay.
uint32_t RecoverInterruptedRecording(uint32_t dialogMode);
