// The split command: one recording file per track, named after the input and the
// track's number ("flight-1.frc", "flight-2.frc", ...), each with the input's date.
#include <cstdio>
#include <filesystem>

#include "tools/kestrel-frc/commands.h"
#include "tools/kestrel-frc/frcfiles.h"

void AddSplitCommand(CLI::App& app) {
    struct Options {
        std::string input, directory;
    };
    auto options = std::make_shared<Options>();
    CLI::App* command = app.add_subcommand("split", "Writes each track of a recording to a file of its own");
    command->add_option("FILE", options->input, "the recording (.frc)")->required();
    command->add_option("-o,--output", options->directory, "the folder for the files (made if missing)")->required();
    command->callback([options]() {
        frc::Recording recording = LoadRecording(options->input);
        namespace fs = std::filesystem;
        std::error_code error;
        fs::create_directories(options->directory, error);
        if (!fs::is_directory(options->directory)) throw InputError(options->directory + ": cannot make the folder");
        std::string stem = fs::path(options->input).stem().string();
        // Joined with "/" (which Windows takes too) so the printed names are the same everywhere.
        std::string folder = options->directory;
        if (folder.back() != '/' && folder.back() != '\\') folder += '/';
        for (size_t i = 0; i < recording.tracks.size(); ++i) {
            frc::Recording single;
            single.header = recording.header;
            single.tracks.push_back(recording.tracks[i]);
            std::string path = folder + stem + "-" + std::to_string(i + 1) + ".frc";
            WriteRecordingOutput(path, single);
            fputs(("wrote " + path + ": " + SummarizeRecording(single) + "\n").c_str(), stdout);
        }
    });
}
