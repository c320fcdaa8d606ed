// The commands of kestrel-frc: each command file registers its subcommand with the app
// through one Add...Command function, and reports failures with the two errors below,
// which main turns into the exit status.
#pragma once

#include <stdexcept>
#include <string>

#include <CLI/CLI.hpp>

// An input that is damaged or refused: exit status 1. The message names the file, what
// is wrong and where ("flight.frc: track 2 header cut at byte 160 (124 bytes needed)").
struct InputError : std::runtime_error {
    using std::runtime_error::runtime_error;
};

// Arguments that do not make sense together: exit status 2, like CLI11's own errors.
struct UsageError : std::runtime_error {
    using std::runtime_error::runtime_error;
};

// The commands, one file each (info.cpp, check.cpp, export.cpp, import.cpp, ...).
void AddInfoCommand(CLI::App& app);
void AddCheckCommand(CLI::App& app);
void AddExportCommand(CLI::App& app);
void AddImportCommand(CLI::App& app);
void AddTrimCommand(CLI::App& app);
void AddSplitCommand(CLI::App& app);
void AddMergeCommand(CLI::App& app);
void AddRecoverCommand(CLI::App& app);
void AddLandingsCommand(CLI::App& app);
void AddReportCommand(CLI::App& app);
