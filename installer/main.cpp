// kestrel-dllxml: adds Kestrel's entry to the simulator's dll.xml or removes it; called
// by the installer and the uninstaller. Exit status 0 done (or nothing to do), 1 the
// file was left unchanged because it could not be read, parsed or written, 2 usage.
#include <cstdio>
#include <string>
#include <vector>

#include <CLI/CLI.hpp>

#include "installer/dllxml.h"

static int Run(int argc, char** argv) {
    CLI::App app{"kestrel-dllxml: adds Kestrel's Launch.Addon entry to the simulator's dll.xml, or removes it"};
    app.set_version_flag("--version", "kestrel-dllxml " KESTREL_VERSION);
    app.require_subcommand(1, 1);
    std::string file;
    std::string dllPath = KestrelDllXmlPath;
    CLI::App* add = app.add_subcommand("add", "add the entry, or replace an earlier one; creates a missing file");
    add->add_option("file", file, "the dll.xml file")->required();
    add->add_option("--path", dllPath, "the module's path in the entry")->capture_default_str();
    CLI::App* remove = app.add_subcommand("remove", "remove the entry");
    remove->add_option("file", file, "the dll.xml file")->required();
    try {
        app.parse(argc, argv);
    } catch (const CLI::ParseError& e) {
        return app.exit(e) == 0 ? 0 : 2;
    }

    std::string message;
    // Paths arrive as UTF-8 (converted from the wide command line on Windows).
    bool ok = add->parsed() ? AddKestrelEntryToFile(std::filesystem::u8path(file), dllPath, &message)
                            : RemoveKestrelEntriesFromFile(std::filesystem::u8path(file), &message);
    fprintf(ok ? stdout : stderr, "%s\n", message.c_str());
    return ok ? 0 : 1;
}

#ifdef _WIN32
// The wide command line, so a user folder outside the ANSI code page still works.
int wmain(int argc, wchar_t** wargv) {
    std::vector<std::string> args;
    for (int i = 0; i < argc; ++i) args.push_back(std::filesystem::path(wargv[i]).u8string());
    std::vector<char*> argv;
    for (std::string& arg : args) argv.push_back(arg.data());
    return Run(argc, argv.data());
}
#else
int main(int argc, char** argv) { return Run(argc, argv); }
#endif
