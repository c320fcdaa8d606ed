// Fuzz target: kestrel-host scripts. Every input goes through the script parser; one
// that parses and stays short (few commands, little simulated time) also runs, with
// the module, on a drive in a temporary folder that is emptied after each run, unless
// it would crash the simulator.
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "tests/fuzz/fuzz_host.h"
#include "tools/kestrel-host/runner.h"
#include "tools/kestrel-host/script.h"

namespace {

// Runs of at most this many commands, frames and simulated seconds.
const size_t MaxCommands = 24;
const double MaxFrames = 90;

std::string Root;

// The frames the script's time commands take at 30 frames per second; a huge
// number when one cannot be read.
double FramesOf(const std::vector<ScriptCommand>& commands) {
    double frames = 0;
    for (const ScriptCommand& command : commands) {
        if (command.verb != "frames" && command.verb != "seconds") continue;
        double value = std::strtod(command.args.at(0).c_str(), nullptr);
        if (!(value >= 0 && value <= MaxFrames)) return 1e9;
        frames += command.verb == "frames" ? value : value * 30;
    }
    return frames;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (Root.empty()) Root = fuzz::MakeTempFolder();
    std::string text(reinterpret_cast<const char*>(data), size);
    std::vector<ScriptCommand> commands;
    std::vector<std::string> errors;
    if (!ParseScript(text, &commands, &errors)) return 0;
    if (commands.size() > MaxCommands || FramesOf(commands) > MaxFrames) return 0;
    // `crash` ends the process at once, which is what it is for.
    for (const ScriptCommand& command : commands) {
        if (command.verb == "crash") return 0;
    }
    RunnerOptions options;
    options.root = Root + "/drive";
    options.echo = false;
    RunScript(text, options);
    std::error_code ignored;
    std::filesystem::remove_all(options.root, ignored);
    return 0;
}
