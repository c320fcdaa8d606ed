// kestrel-host: runs the Kestrel module inside the virtual simulator, either on its
// built-in demo or on a script file, and prints the transcript.
#include <cstdio>
#include <cstring>
#include <fstream>
#include <sstream>
#include <string>

#include "tools/kestrel-host/demo.h"
#include "tools/kestrel-host/hostlink.h"
#include "tools/kestrel-host/runner.h"
#include "tools/kestrel-host/script.h"

static void PrintUsage() {
    std::printf(
        "usage: kestrel-host [--root DIR] [--trace FILE] [--quiet] [--snapshots DIR] [SCRIPT]\n"
        "  Runs the Kestrel module in the virtual simulator: the built-in demo without SCRIPT.\n"
        "  --root DIR    folder behind the virtual drive (C:\\Sim\\x.frc is DIR/C/Sim/x.frc); default ./kestrel-demo\n"
        "                (the Windows build works on the real drives and takes no --root)\n"
        "  --trace FILE  CSV of every aircraft in every frame\n"
        "  --quiet       print only problems and the summary\n"
        "  --snapshots DIR  Windows build: each dialog and \"snapshot\" waits for a picture (DIR\\NAME.request)\n\n%s",
        ScriptHelp());
}

int main(int argc, char** argv) {
    RunnerOptions options;
#ifdef _WIN32
    options.root.clear();  // the real drives
#endif
    std::string scriptPath;
    for (int i = 1; i < argc; ++i) {
        if (!std::strcmp(argv[i], "--root") && i + 1 < argc) {
#ifdef _WIN32
            std::fprintf(stderr, "kestrel-host: the Windows build works on the real drives; --root is not taken\n");
            return 2;
#endif
            options.root = argv[++i];
        } else if (!std::strcmp(argv[i], "--snapshots") && i + 1 < argc) {
            hostlink::SetSnapshotFolder(argv[++i]);
        } else if (!std::strcmp(argv[i], "--trace") && i + 1 < argc) {
            options.tracePath = argv[++i];
        } else if (!std::strcmp(argv[i], "--quiet")) {
            options.echo = false;
        } else if (!std::strcmp(argv[i], "--help") || !std::strcmp(argv[i], "-h")) {
            PrintUsage();
            return 0;
        } else if (argv[i][0] != '-' && scriptPath.empty()) {
            scriptPath = argv[i];
        } else {
            std::fprintf(stderr, "kestrel-host: unknown option %s (try --help)\n", argv[i]);
            return 2;
        }
    }
    std::string script = DemoScript;
    if (!scriptPath.empty()) {
        std::ifstream in(scriptPath);
        if (!in) {
            std::fprintf(stderr, "kestrel-host: cannot read %s\n", scriptPath.c_str());
            return 2;
        }
        std::stringstream text;
        text << in.rdbuf();
        script = text.str();
    }
    RunResult result = RunScript(script, options);
    if (!result.parsed) {
        for (const std::string& problem : result.problems) std::fprintf(stderr, "kestrel-host: %s\n", problem.c_str());
        std::fprintf(stderr, "kestrel-host: nothing ran\n");
        return 2;
    }
    return PrintRunSummary(result);
}
