// Reads CSV files for the import command: the CSV of flight-tracking sites
// (Timestamp,UTC,Callsign,Position,Altitude,Speed,Direction) as fixes, and kestrel-frc's
// own CSV export as the very samples it was made of.
#pragma once

#include <string>
#include <vector>

#include "recording/frcformat.h"
#include "tools/kestrel-frc/flightlog.h"

// One track named by its callsign: Timestamp (Unix seconds; the UTC column when it is
// empty), Position "lat,lon", Altitude in feet (0 meaning on the ground, at a height
// the log does not give). Throws InputError naming the file and line for a header
// without these columns or a row that does not parse.
std::vector<LogTrack> ReadFlightTrackingCsv(const std::string& path, const std::string& text);

// True when the CSV's header row is the flight-tracking sites' one.
bool IsFlightTrackingCsv(const std::string& text);

// True when the header row is kestrel-frc's own (track,title,time_s,utc,...).
bool IsKestrelCsv(const std::string& text);
// kestrel-frc's CSV export read back exactly: the recording date (from the first row's
// utc less its time_s) and per track number, in the order they appear, the title, the
// groups whose cells are filled and every sample, each field parsed back to the value
// it was printed from. The interval and CG height, which the CSV does not hold, are the
// given interval and 0. Throws InputError naming the file, line and column of what does
// not parse.
frc::Recording ReadKestrelCsv(const std::string& path, const std::string& text, uint32_t interval);
