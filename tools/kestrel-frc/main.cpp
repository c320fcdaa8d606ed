// kestrel-frc: the pilots' toolkit for Kestrel recording files. Parses the command line
// and runs one command; exit status 0 done, 1 an input damaged or refused, 2 usage.
#include <cstdio>
#ifdef _WIN32
#include <fcntl.h>
#include <io.h>
#endif

#include "tools/kestrel-frc/commands.h"

int main(int argc, char** argv) {
#ifdef _WIN32
    // "\n" stays "\n": what the commands print is the same bytes on every system.
    _setmode(_fileno(stdout), _O_BINARY);
    _setmode(_fileno(stderr), _O_BINARY);
#endif
    CLI::App app{"kestrel-frc: inspects, checks, exports, imports, trims, merges and recovers Kestrel recording "
                 "files (.frc), and shows the landings and a report of a flight",
                 "kestrel-frc"};
    app.set_version_flag("--version", "kestrel-frc " KESTREL_VERSION);
    app.require_subcommand(1, 1);
    AddInfoCommand(app);
    AddCheckCommand(app);
    AddExportCommand(app);
    AddImportCommand(app);
    AddTrimCommand(app);
    AddSplitCommand(app);
    AddMergeCommand(app);
    AddRecoverCommand(app);
    AddLandingsCommand(app);
    AddReportCommand(app);
    try {
        app.parse(argc, argv);
    } catch (const CLI::ParseError& e) {
        int code = app.exit(e);
        return code == 0 ? 0 : 2;
    } catch (const InputError& e) {
        fprintf(stderr, "kestrel-frc: %s\n", e.what());
        return 1;
    } catch (const UsageError& e) {
        fprintf(stderr, "kestrel-frc: %s\n", e.what());
        return 2;
    } catch (const std::exception& e) {
        // Whatever else fails (memory, a file name the system cannot convert) is still
        // reported, not a crash.
        fprintf(stderr, "kestrel-frc: %s\n", e.what());
        return 1;
    }
    return 0;
}
