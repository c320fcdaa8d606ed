// Reads the tracks of a GPX file (1.0 or 1.1) as timed fixes for the import command.
#pragma once

#include <string>
#include <vector>

#include "tools/kestrel-frc/flightlog.h"

// Every trk of the document, its segments joined, named by its name. Throws InputError
// naming the file and the place for XML that does not parse, a point without a valid
// time or position, or a document without a track.
std::vector<LogTrack> ReadGpx(const std::string& path, const std::string& text);
