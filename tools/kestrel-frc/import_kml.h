// Reads the timed tracks of a KML file as fixes for the import command.
#pragma once

#include <string>
#include <vector>

#include "tools/kestrel-frc/flightlog.h"

// Every gx:Track (with its when and gx:coord lists) as a track, named by its Placemark.
// A document without gx:Track gives its LineStrings with timestamps instead: the times
// of the timed Point placemarks beside the line at its vertices (as GPS converters
// write a track), or else a TimeSpan of the line's Placemark or Folder, spread over the
// line at constant speed. Lines drawn beside gx:Tracks are pictures of them and are not
// read. Throws InputError naming the file and the place for XML that does not parse,
// coordinates or times that do not, and a document without a timed track.
std::vector<LogTrack> ReadKml(const std::string& path, const std::string& text);
