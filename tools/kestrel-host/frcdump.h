// Describes a recording file for people: its header and each track's title, sample
// count, start and end time and groups. Reads the bytes itself, independently of the
// module's reader, so a transcript also cross-checks what the module wrote.
#pragma once

#include <string>

// The description, one line per item; a file that cannot be read or is damaged is
// described as such (the text says what is wrong), never trusted beyond its length.
std::string DescribeRecordingFile(const std::string& hostPath, const std::string& shownName);
