// Kestrel's entry in the simulator's dll.xml, the list of modules it loads at start:
// adding, replacing and removing that one Launch.Addon entry with pugixml while every
// other byte of the file (declaration, encoding, other entries, line ends) stays as it was.
// Used by kestrel-dllxml, the command the installer and the uninstaller call.
#pragma once

#include <filesystem>
#include <string>

// The path the entry names, relative to the simulator's folder.
extern const char* const KestrelDllXmlPath;

struct DllXmlEdit {
    bool ok = false;       // false: the input was refused and `message` says why
    bool changed = false;  // `text` differs from the input
    std::string text;      // the new file's bytes, in the input's encoding
    std::string message;   // what was done, or why nothing could be
};

// The text of a new dll.xml with the simulator's header entries and no modules.
std::string EmptyDllXml();

// Adds the one Kestrel entry naming dllPath; an earlier Kestrel entry is replaced in
// place and any further ones are removed. `bytes` is the whole file as read.
DllXmlEdit AddKestrelEntry(const std::string& bytes, const std::string& dllPath);

// Removes every Kestrel entry and the line it stood on.
DllXmlEdit RemoveKestrelEntries(const std::string& bytes);

// The two edits on a file. Adding creates a missing file; removing from a missing file
// does nothing. A file that cannot be read or parsed is left untouched and false
// returned; a changed file is written beside and then renamed over the old one, so a
// failed write leaves the old file whole. `message` says what happened either way.
bool AddKestrelEntryToFile(const std::filesystem::path& file, const std::string& dllPath, std::string* message);
bool RemoveKestrelEntriesFromFile(const std::filesystem::path& file, std::string* message);
