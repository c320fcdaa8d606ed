// Describes a recording file for people: its header and each track's title, sample
// count, start and end time and groups, as the format library reads it.
#pragma once

#include <string>

// The description, one line per item; a file that cannot be read or is refused is
// described as such (the text says what is wrong and where).
std::string DescribeRecordingFile(const std::string& hostPath, const std::string& shownName);
