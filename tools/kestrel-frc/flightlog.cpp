// What the import readers share: file names, numbers, places in a text, XML.
#include "tools/kestrel-frc/flightlog.h"

#include <algorithm>
#include <cmath>
#include <cstring>

#include "tools/kestrel-frc/commands.h"
#include "tools/kestrel-frc/textformat.h"

std::string FileStem(const std::string& path) {
    size_t slash = path.find_last_of("/\\");
    std::string name = slash == std::string::npos ? path : path.substr(slash + 1);
    size_t dot = name.find_last_of('.');
    return dot == std::string::npos || dot == 0 ? name : name.substr(0, dot);
}

void NameUntitled(const std::string& path, std::vector<LogTrack>* tracks) {
    for (size_t i = 0; i < tracks->size(); ++i) {
        if ((*tracks)[i].title.empty()) (*tracks)[i].title = FileStem(path) + (i ? " " + std::to_string(i + 1) : "");
    }
}

size_t LineAt(const std::string& text, size_t offset) {
    offset = std::min(offset, text.size());
    size_t line = 1;
    for (size_t i = 0; i < offset; ++i) line += text[i] == '\n';
    return line;
}

std::string Trimmed(const std::string& text) {
    size_t first = text.find_first_not_of(" \t\r\n");
    if (first == std::string::npos) return "";
    return text.substr(first, text.find_last_not_of(" \t\r\n") - first + 1);
}

bool ParseNumber(const std::string& text, double* value) {
    return ParseDouble(Trimmed(text), value) && std::isfinite(*value);
}

pugi::xml_node LoadXml(const std::string& path, const std::string& text, const char* rootName,
                       pugi::xml_document* doc) {
    pugi::xml_parse_result result = doc->load_buffer(text.data(), text.size());
    if (!result) {
        throw InputError(path + ": not well-formed XML at line " + std::to_string(LineAt(text, (size_t)result.offset)) +
                         " (byte " + std::to_string(result.offset) + "): " + result.description());
    }
    pugi::xml_node root = doc->document_element();
    if (std::strcmp(LocalName(root), rootName) != 0)
        throw InputError(path + ": the document is not " + rootName + " (its root element is <" + root.name() + ">)");
    return root;
}

std::string XmlPlace(const std::string& path, const std::string& text, const pugi::xml_node& node) {
    return path + ": line " + std::to_string(LineAt(text, (size_t)node.offset_debug())) + ": ";
}

const char* LocalName(const pugi::xml_node& node) {
    const char* name = node.name();
    const char* colon = std::strrchr(name, ':');
    return colon ? colon + 1 : name;
}

pugi::xml_node ChildNamed(const pugi::xml_node& node, const char* localName) {
    for (pugi::xml_node child : node.children()) {
        if (child.type() == pugi::node_element && std::strcmp(LocalName(child), localName) == 0) return child;
    }
    return pugi::xml_node();
}
