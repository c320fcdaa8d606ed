// Reads an IGC flight log (the B records of one aircraft) as fixes for the import command.
#pragma once

#include <string>
#include <vector>

#include "tools/kestrel-frc/flightlog.h"

// One track: every B record, dated by the HFDTE header and carried over midnight; the
// GNSS altitude where the log has it, else the pressure altitude; named by the glider
// type, else the glider id, else the file name. Throws InputError naming the file and
// line for a missing or invalid date or a B record that does not parse.
std::vector<LogTrack> ReadIgc(const std::string& path, const std::string& text);
