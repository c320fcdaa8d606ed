// Writes the stand-in host DLLs (hostdll_files.h). The file is a PE32+ image with two
// sections: ".edata" with the export directory, its address table and the forwarder
// strings, and ".rsrc" with one RT_VERSION resource (id 1, language 0x409) holding a
// VS_VERSIONINFO block with only the fixed file information. No code, no imports and
// no relocations are needed: every export is a forwarder.
#include "vsim/winhost/hostdll_files.h"

#include <windows.h>

#include <cstring>

namespace vsim::winhost {

namespace {

const uint32_t FileAlignment = 0x200;
const uint32_t SectionAlignment = 0x1000;
const uint32_t HeadersSize = 0x200;
const uint32_t PeOffset = 0x40;
const uint32_t OptionalHeaderSize = 240;  // PE32+ with 16 data directories
const uint32_t SectionHeaderSize = 40;
const uint32_t ExportDirectorySize = 40;
const uint32_t VersionBlockSize = 92;  // header, "VS_VERSION_INFO", padding, VS_FIXEDFILEINFO
static_assert(PeOffset + 4 + 20 + OptionalHeaderSize + 2 * SectionHeaderSize <= HeadersSize, "headers fit");

uint32_t AlignUp(uint32_t value, uint32_t alignment) {
    return (value + alignment - 1) / alignment * alignment;
}

// A little-endian byte writer over a growing buffer.
struct Writer {
    std::vector<uint8_t> bytes;
    void At(size_t offset) {
        if (bytes.size() < offset) bytes.resize(offset, 0);
        position = offset;
    }
    void U8(uint8_t value) {
        if (position >= bytes.size()) bytes.resize(position + 1, 0);
        bytes[position++] = value;
    }
    void U16(uint16_t value) {
        U8(uint8_t(value));
        U8(uint8_t(value >> 8));
    }
    void U32(uint32_t value) {
        U16(uint16_t(value));
        U16(uint16_t(value >> 16));
    }
    void U64(uint64_t value) {
        U32(uint32_t(value));
        U32(uint32_t(value >> 32));
    }
    void Text(const std::string& text) {  // with its terminating zero
        for (char c : text) U8(uint8_t(c));
        U8(0);
    }
    size_t position = 0;
};

// The export section's contents at the given RVA; returns its size.
std::vector<uint8_t> ExportSection(const HostDllImage& image, uint32_t rva, uint32_t* directorySize) {
    unsigned first = image.forwarders.empty() ? 1 : image.forwarders.begin()->first;
    unsigned last = image.forwarders.empty() ? 0 : image.forwarders.rbegin()->first;
    uint32_t functionCount = image.forwarders.empty() ? 0 : last - first + 1;
    uint32_t tableRva = rva + ExportDirectorySize;
    uint32_t stringsRva = tableRva + 4 * functionCount;

    Writer strings;
    uint32_t nameRva = stringsRva;
    strings.Text(image.name);
    std::map<unsigned, uint32_t> forwarderRvas;
    for (const auto& [ordinal, target] : image.forwarders) {
        forwarderRvas[ordinal] = stringsRva + uint32_t(strings.bytes.size());
        strings.Text(target);
    }

    Writer w;
    w.U32(0);  // characteristics
    w.U32(0);  // time stamp
    w.U16(0);  // major version
    w.U16(0);  // minor version
    w.U32(nameRva);
    w.U32(first);  // ordinal base
    w.U32(functionCount);
    w.U32(0);  // no names: the entries are found by ordinal only
    w.U32(tableRva);
    w.U32(0);
    w.U32(0);
    for (uint32_t i = 0; i < functionCount; ++i) {
        auto found = forwarderRvas.find(first + i);
        w.U32(found != forwarderRvas.end() ? found->second : 0);
    }
    for (uint8_t byte : strings.bytes) w.U8(byte);
    // A forwarder is recognised by its address lying inside the export directory's span.
    *directorySize = uint32_t(w.bytes.size());
    return w.bytes;
}

std::vector<uint8_t> ResourceSection(const HostDllImage& image, uint32_t rva) {
    const uint32_t TypeDirectory = 24, NameDirectory = 48, DataEntry = 72, Data = 88;
    Writer w;
    auto directory = [&](uint32_t id, uint32_t target) {
        w.U32(0);  // characteristics
        w.U32(0);  // time stamp
        w.U16(0);
        w.U16(0);
        w.U16(0);  // named entries
        w.U16(1);  // id entries
        w.U32(id);
        w.U32(target);
    };
    directory(16, 0x80000000u | TypeDirectory);  // RT_VERSION
    directory(1, 0x80000000u | NameDirectory);   // resource id 1
    directory(0x409, DataEntry);                 // US English
    w.U32(rva + Data);
    w.U32(VersionBlockSize);
    w.U32(0);  // code page
    w.U32(0);
    // VS_VERSIONINFO: length, value length, type (binary), key, padding, fixed info.
    w.U16(uint16_t(VersionBlockSize));
    w.U16(52);
    w.U16(0);
    for (char c : std::string("VS_VERSION_INFO")) w.U16(uint16_t(c));
    w.U16(0);
    w.U16(0);  // to a 4-byte boundary
    uint32_t ms = uint32_t(image.version[0]) << 16 | image.version[1];
    uint32_t ls = uint32_t(image.version[2]) << 16 | image.version[3];
    const uint32_t fixed[13] = {0xFEEF04BD, 0x00010000, ms, ls, ms, ls, 0x3F, 0, 0x00040004, 2, 0, 0, 0};
    for (uint32_t field : fixed) w.U32(field);
    return w.bytes;
}

}  // namespace

std::vector<uint8_t> BuildHostDllImage(const HostDllImage& image) {
    const uint32_t exportRva = SectionAlignment;
    uint32_t exportDirectorySize = 0;
    std::vector<uint8_t> exports = ExportSection(image, exportRva, &exportDirectorySize);
    const uint32_t resourceRva = exportRva + AlignUp(uint32_t(exports.size()), SectionAlignment);
    std::vector<uint8_t> resources = ResourceSection(image, resourceRva);
    const uint32_t imageSize = resourceRva + AlignUp(uint32_t(resources.size()), SectionAlignment);
    const uint32_t exportFileSize = AlignUp(uint32_t(exports.size()), FileAlignment);
    const uint32_t resourceFileSize = AlignUp(uint32_t(resources.size()), FileAlignment);
    const uint32_t exportFileOffset = HeadersSize;
    const uint32_t resourceFileOffset = exportFileOffset + exportFileSize;

    Writer w;
    w.U16(0x5A4D);  // "MZ"
    w.At(0x3C);
    w.U32(PeOffset);
    w.At(PeOffset);
    w.U32(0x00004550);  // "PE\0\0"
    // File header.
    w.U16(0x8664);  // x86_64
    w.U16(2);       // sections
    w.U32(0);       // time stamp
    w.U32(0);
    w.U32(0);
    w.U16(uint16_t(OptionalHeaderSize));
    w.U16(0x2022);  // executable image, large address aware, DLL
    // Optional header (PE32+).
    w.U16(0x20B);
    w.U8(0);
    w.U8(0);
    w.U32(0);  // size of code
    w.U32(exportFileSize + resourceFileSize);
    w.U32(0);
    w.U32(0);  // no entry point
    w.U32(exportRva);  // base of code (there is none)
    w.U64(image.imageBase);
    w.U32(SectionAlignment);
    w.U32(FileAlignment);
    w.U16(6);  // operating system 6.0
    w.U16(0);
    w.U16(0);  // image version
    w.U16(0);
    w.U16(6);  // subsystem 6.0
    w.U16(0);
    w.U32(0);
    w.U32(imageSize);
    w.U32(HeadersSize);
    w.U32(0);       // checksum
    w.U16(2);       // Windows GUI
    w.U16(0x100);   // NX compatible
    w.U64(0x100000);
    w.U64(0x1000);
    w.U64(0x100000);
    w.U64(0x1000);
    w.U32(0);
    w.U32(16);
    for (int i = 0; i < 16; ++i) {
        if (i == 0) {
            w.U32(exportRva);
            w.U32(exportDirectorySize);
        } else if (i == 2) {
            w.U32(resourceRva);
            w.U32(uint32_t(resources.size()));
        } else {
            w.U32(0);
            w.U32(0);
        }
    }
    auto section = [&](const char* name, uint32_t virtualSize, uint32_t rva, uint32_t fileSize, uint32_t fileOffset) {
        for (int i = 0; i < 8; ++i) w.U8(uint8_t(i < (int)std::strlen(name) ? name[i] : 0));
        w.U32(virtualSize);
        w.U32(rva);
        w.U32(fileSize);
        w.U32(fileOffset);
        w.U32(0);
        w.U32(0);
        w.U16(0);
        w.U16(0);
        w.U32(0x40000040);  // initialised data, readable
    };
    section(".edata", uint32_t(exports.size()), exportRva, exportFileSize, exportFileOffset);
    section(".rsrc", uint32_t(resources.size()), resourceRva, resourceFileSize, resourceFileOffset);
    w.At(exportFileOffset);
    for (uint8_t byte : exports) w.U8(byte);
    w.At(resourceFileOffset);
    for (uint8_t byte : resources) w.U8(byte);
    w.At(resourceFileOffset + resourceFileSize);
    return w.bytes;
}

std::map<const void*, std::string> NamedExportsByAddress(const void* moduleBase) {
    std::map<const void*, std::string> exports;
    const uint8_t* base = static_cast<const uint8_t*>(moduleBase);
    if (!base) return exports;
    auto dos = reinterpret_cast<const IMAGE_DOS_HEADER*>(base);
    auto nt = reinterpret_cast<const IMAGE_NT_HEADERS*>(base + dos->e_lfanew);
    const IMAGE_DATA_DIRECTORY& entry = nt->OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_EXPORT];
    if (entry.VirtualAddress == 0) return exports;
    auto directory = reinterpret_cast<const IMAGE_EXPORT_DIRECTORY*>(base + entry.VirtualAddress);
    auto functions = reinterpret_cast<const DWORD*>(base + directory->AddressOfFunctions);
    auto names = reinterpret_cast<const DWORD*>(base + directory->AddressOfNames);
    auto indexes = reinterpret_cast<const WORD*>(base + directory->AddressOfNameOrdinals);
    for (DWORD i = 0; i < directory->NumberOfNames; ++i) {
        const void* address = base + functions[indexes[i]];
        exports.emplace(address, reinterpret_cast<const char*>(base + names[i]));
    }
    return exports;
}

}  // namespace vsim::winhost
