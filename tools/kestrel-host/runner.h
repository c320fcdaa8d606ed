// Runs kestrel-host scripts: the simulated host with the module loaded into it, the
// scripted user, and a transcript of what the user would see and what the module did
// (mode changes, the Add-ons menu, status lines, message boxes, dialogs, files written).
#pragma once

#include <string>
#include <vector>

#include "tools/kestrel-host/script.h"

struct RunnerOptions {
    std::string root = "kestrel-demo";  // the folder behind the virtual drive
    std::string tracePath;              // CSV trace of every aircraft per frame; "" for none
    bool echo = true;                   // print the transcript while it is written
    size_t callLogLimit = 0;            // SimConnect calls the simulator keeps for a test; 0: none
};

struct RunResult {
    bool parsed = false;
    int failures = 0;                     // failed expectations and commands that could not run
    std::vector<std::string> problems;    // one line each: parse errors, failures
    std::vector<std::string> transcript;  // every transcript line
};

// Parses and runs a script in a fresh simulated host. The module is stopped at the end
// if the script left it running. A script's "crash" ends the whole process there, with
// the summary printed as at the end of a run.
RunResult RunScript(const std::string& scriptText, const RunnerOptions& options);

// Prints a run's problems (stderr) and its summary line (stdout); returns the exit code.
int PrintRunSummary(const RunResult& result);
