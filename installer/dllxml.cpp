// Editing dll.xml: the document is parsed with every whitespace node, comment and the
// declaration kept, and written back raw, so what is not Kestrel's round-trips exactly.
// A file in a code page pugixml does not know (dll.xml is usually Windows-1252) is read
// as UTF-8, which keeps its bytes as they are, and written back the same way.
#include "installer/dllxml.h"

#include <pugixml.hpp>

#include <cstring>
#include <fstream>
#include <sstream>
#include <strings.h>
#include <system_error>
#include <vector>

const char* const KestrelDllXmlPath = "Modules\\KestrelFSX.dll";

namespace {

const char* const RootName = "SimBase.Document";
const char* const EntryName = "Launch.Addon";

// Everything the file holds comes back on output: no end-of-line or attribute
// whitespace normalisation, whitespace-only text nodes and comments kept, and (as a
// fragment) the line breaks around the root element too.
const unsigned ParseOptions = pugi::parse_cdata | pugi::parse_escapes | pugi::parse_ws_pcdata |
                              pugi::parse_declaration | pugi::parse_comments | pugi::parse_pi |
                              pugi::parse_doctype | pugi::parse_fragment;

struct LoadedXml {
    pugi::xml_document doc;
    pugi::xml_encoding encoding = pugi::encoding_utf8;
    bool bom = false;
    std::string newline = "\n";
};

std::string Trimmed(const char* text) {
    std::string s = text;
    size_t first = s.find_first_not_of(" \t\r\n");
    if (first == std::string::npos) return "";
    return s.substr(first, s.find_last_not_of(" \t\r\n") - first + 1);
}

bool HasBom(const std::string& bytes) {
    static const char* const boms[] = {"\xEF\xBB\xBF", "\xFF\xFE", "\xFE\xFF"};
    for (const char* bom : boms)
        if (bytes.compare(0, strlen(bom), bom) == 0) return true;
    return false;
}

bool LoadXml(const std::string& bytes, LoadedXml* xml, std::string* error) {
    pugi::xml_parse_result result = xml->doc.load_buffer(bytes.data(), bytes.size(), ParseOptions);
    xml->encoding = result.encoding;
    if (!result) {
        *error = std::string("not well-formed XML (") + result.description() + " at byte " +
                 std::to_string(result.offset) + ")";
        return false;
    }
    // A fragment may hold anything at the top: a dll.xml holds one element.
    int elements = 0;
    for (pugi::xml_node node : xml->doc.children()) {
        if (node.type() == pugi::node_element) ++elements;
        if (node.type() == pugi::node_pcdata && !Trimmed(node.value()).empty()) elements = 2;
    }
    pugi::xml_node root = xml->doc.document_element();
    if (elements != 1 || strcmp(root.name(), RootName) != 0) {
        *error = std::string("it is not a list of modules (one <") + RootName + "> element)";
        return false;
    }
    xml->bom = HasBom(bytes);
    // Line ends as the file has them, looked for in the text (a UTF-16 file has no
    // "\r\n" bytes).
    for (pugi::xml_node node : root.children())
        if (node.type() == pugi::node_pcdata && strchr(node.value(), '\r')) xml->newline = "\r\n";
    return true;
}

std::string SaveXml(const LoadedXml& xml) {
    std::ostringstream out;
    unsigned flags = pugi::format_raw | pugi::format_no_declaration;
    if (xml.bom) flags |= pugi::format_write_bom;
    xml.doc.save(out, "", flags, xml.encoding);
    return out.str();
}

// An entry is Kestrel's by its name or by the file it loads, whatever the folder.
bool IsKestrelEntry(pugi::xml_node node) {
    if (node.type() != pugi::node_element || strcmp(node.name(), EntryName) != 0) return false;
    if (strcasecmp(Trimmed(node.child_value("Name")).c_str(), "Kestrel") == 0) return true;
    std::string path = Trimmed(node.child_value("Path"));
    size_t slash = path.find_last_of("\\/");
    std::string file = slash == std::string::npos ? path : path.substr(slash + 1);
    return strcasecmp(file.c_str(), "KestrelFSX.dll") == 0;
}

bool IsWhitespace(pugi::xml_node node) {
    return node.type() == pugi::node_pcdata && Trimmed(node.value()).empty();
}

// The whitespace before `node`'s first element child, or `fallback`.
std::string IndentOfChildren(pugi::xml_node node, const std::string& fallback) {
    pugi::xml_node first = node.find_child([](pugi::xml_node n) { return n.type() == pugi::node_element; });
    if (first && IsWhitespace(first.previous_sibling())) return first.previous_sibling().value();
    return fallback;
}

// Builds Kestrel's entry as a child of `root` before `before` (at the end when null),
// laid out like the entries already there.
pugi::xml_node InsertEntry(const LoadedXml& xml, pugi::xml_node root, pugi::xml_node before,
                           const std::string& dllPath) {
    const std::string entryIndent = IndentOfChildren(root, xml.newline + "  ");
    pugi::xml_node sample = root.child(EntryName);
    std::string fieldIndent = entryIndent + (entryIndent.back() == '\t' ? "\t" : "  ");
    std::string closeIndent = entryIndent;
    if (sample) {
        fieldIndent = IndentOfChildren(sample, fieldIndent);
        if (IsWhitespace(sample.last_child())) closeIndent = sample.last_child().value();
    }

    pugi::xml_node entry = before ? root.insert_child_before(EntryName, before) : root.append_child(EntryName);
    const char* const fields[][2] = {
        {"Name", "Kestrel"}, {"Disabled", "False"}, {"ManualLoad", "False"}, {"Path", dllPath.c_str()}};
    for (const auto& field : fields) {
        entry.append_child(pugi::node_pcdata).set_value(fieldIndent.c_str());
        entry.append_child(field[0]).text().set(field[1]);
    }
    entry.append_child(pugi::node_pcdata).set_value(closeIndent.c_str());
    return entry;
}

// Removes an entry with the whitespace that led up to it, so no empty line is left.
void RemoveEntry(pugi::xml_node entry) {
    pugi::xml_node parent = entry.parent();
    if (IsWhitespace(entry.previous_sibling())) parent.remove_child(entry.previous_sibling());
    parent.remove_child(entry);
}

std::vector<pugi::xml_node> KestrelEntries(pugi::xml_node root) {
    std::vector<pugi::xml_node> entries;
    for (pugi::xml_node node : root.children())
        if (IsKestrelEntry(node)) entries.push_back(node);
    return entries;
}

DllXmlEdit Finish(const std::string& bytes, const LoadedXml& xml, const std::string& message) {
    DllXmlEdit edit;
    edit.ok = true;
    edit.text = SaveXml(xml);
    edit.changed = edit.text != bytes;
    edit.message = message;
    return edit;
}

bool ReadFile(const std::filesystem::path& file, std::string* bytes) {
    std::ifstream in(file, std::ios::binary);
    if (!in) return false;
    std::ostringstream content;
    content << in.rdbuf();
    *bytes = content.str();
    return !in.bad();
}

bool ReplaceFile(const std::filesystem::path& file, const std::string& bytes, std::string* error) {
    std::filesystem::path temp = file;
    temp += ".kestrel-new";
    {
        std::ofstream out(temp, std::ios::binary | std::ios::trunc);
        out.write(bytes.data(), (std::streamsize)bytes.size());
        out.close();
        if (!out) {
            std::error_code ignored;
            std::filesystem::remove(temp, ignored);
            *error = "it could not be written";
            return false;
        }
    }
    std::error_code failed;
    std::filesystem::rename(temp, file, failed);
    if (failed) {
        std::error_code ignored;
        std::filesystem::remove(temp, ignored);
        *error = "it could not be replaced (" + failed.message() + ")";
        return false;
    }
    return true;
}

using Editor = DllXmlEdit (*)(const std::string&, const std::string&);

bool EditFile(const std::filesystem::path& file, bool createMissing, Editor editor, const std::string& dllPath,
              std::string* message) {
    const std::string name = file.u8string();
    std::error_code error;
    bool exists = std::filesystem::exists(file, error);
    if (error) {
        *message = name + " could not be looked at (" + error.message() + "); it was left unchanged";
        return false;
    }
    std::string bytes;
    if (!exists && !createMissing) {
        *message = name + " does not exist: nothing to remove";
        return true;
    }
    if (exists && !ReadFile(file, &bytes)) {
        *message = name + " could not be read; it was left unchanged";
        return false;
    }
    DllXmlEdit edit = editor(exists ? bytes : EmptyDllXml(), dllPath);
    if (!edit.ok) {
        *message = name + ": " + edit.message + "; it was left unchanged";
        return false;
    }
    std::string writeError;
    if ((edit.changed || !exists) && !ReplaceFile(file, edit.text, &writeError)) {
        *message = name + ": " + writeError + "; it was left unchanged";
        return false;
    }
    *message = name + ": " + edit.message + (exists ? "" : " (new file)");
    return true;
}

}  // namespace

std::string EmptyDllXml() {
    return "<?xml version=\"1.0\" encoding=\"Windows-1252\"?>\r\n"
           "<SimBase.Document Type=\"Launch\" version=\"1,0\">\r\n"
           "  <Descr>Launch</Descr>\r\n"
           "  <Filename>dll.xml</Filename>\r\n"
           "  <Disabled>False</Disabled>\r\n"
           "  <Launch.ManualLoad>False</Launch.ManualLoad>\r\n"
           "</SimBase.Document>\r\n";
}

DllXmlEdit AddKestrelEntry(const std::string& bytes, const std::string& dllPath) {
    LoadedXml xml;
    DllXmlEdit refused;
    if (!LoadXml(bytes, &xml, &refused.message)) return refused;
    pugi::xml_node root = xml.doc.document_element();
    std::vector<pugi::xml_node> old = KestrelEntries(root);
    if (!old.empty()) {
        InsertEntry(xml, root, old[0], dllPath);
        root.remove_child(old[0]);
        for (size_t i = 1; i < old.size(); ++i) RemoveEntry(old[i]);
        DllXmlEdit edit = Finish(bytes, xml, "replaced the Kestrel entry");
        if (!edit.changed) edit.message = "the Kestrel entry is already in place";
        return edit;
    }
    pugi::xml_node last;
    for (pugi::xml_node node : root.children())
        if (node.type() == pugi::node_element) last = node;
    if (!last) {
        // No entries at all: the entry on a line of its own before the closing tag.
        pugi::xml_node closing = root.last_child();
        if (!IsWhitespace(closing)) closing = root.append_child(pugi::node_pcdata);
        closing.set_value(xml.newline.c_str());
        root.insert_child_before(pugi::node_pcdata, closing).set_value((xml.newline + "  ").c_str());
        InsertEntry(xml, root, closing, dllPath);
        return Finish(bytes, xml, "added the Kestrel entry");
    }
    // After the last element, preceded by the same whitespace that preceded that one.
    std::string indent = IsWhitespace(last.previous_sibling()) ? last.previous_sibling().value() : "";
    pugi::xml_node after = last.next_sibling();
    if (!indent.empty()) {
        pugi::xml_node space = after ? root.insert_child_before(pugi::node_pcdata, after)
                                     : root.append_child(pugi::node_pcdata);
        space.set_value(indent.c_str());
    }
    InsertEntry(xml, root, after, dllPath);
    return Finish(bytes, xml, "added the Kestrel entry");
}

DllXmlEdit RemoveKestrelEntries(const std::string& bytes) {
    LoadedXml xml;
    DllXmlEdit refused;
    if (!LoadXml(bytes, &xml, &refused.message)) return refused;
    std::vector<pugi::xml_node> old = KestrelEntries(xml.doc.document_element());
    for (pugi::xml_node entry : old) RemoveEntry(entry);
    return Finish(bytes, xml, old.empty() ? "there was no Kestrel entry" : "removed the Kestrel entry");
}

bool AddKestrelEntryToFile(const std::filesystem::path& file, const std::string& dllPath, std::string* message) {
    return EditFile(file, true, AddKestrelEntry, dllPath, message);
}

bool RemoveKestrelEntriesFromFile(const std::filesystem::path& file, std::string* message) {
    return EditFile(
        file, false, [](const std::string& bytes, const std::string&) { return RemoveKestrelEntries(bytes); }, "",
        message);
}
