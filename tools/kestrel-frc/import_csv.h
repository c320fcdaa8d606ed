// Reads CSV flight logs as fixes for the import command: the CSV of flight-tracking
// sites (Timestamp,UTC,Callsign,Position,Altitude,Speed,Direction).
#pragma once

#include <string>
#include <vector>

#include "tools/kestrel-frc/flightlog.h"

// One track named by its callsign: Timestamp (Unix seconds; the UTC column when it is
// empty), Position "lat,lon", Altitude in feet (0 meaning on the ground, at a height
// the log does not give). Throws InputError naming the file and line for a header
// without these columns or a row that does not parse.
std::vector<LogTrack> ReadFlightTrackingCsv(const std::string& path, const std::string& text);

// True when the CSV's header row is the flight-tracking sites' one.
bool IsFlightTrackingCsv(const std::string& text);
