// Describes .frc files (versions 0x01000004 to 0x01000006) for the transcript.
#include "tools/kestrel-host/frcdump.h"

#include <cstdint>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <iterator>
#include <sstream>
#include <vector>

namespace {

uint32_t Read32(const std::vector<uint8_t>& b, size_t at) {
    return (uint32_t)b[at] | ((uint32_t)b[at + 1] << 8) | ((uint32_t)b[at + 2] << 16) | ((uint32_t)b[at + 3] << 24);
}

uint16_t Read16(const std::vector<uint8_t>& b, size_t at) {
    return (uint16_t)(b[at] | (b[at + 1] << 8));
}

float ReadFloat(const std::vector<uint8_t>& b, size_t at) {
    uint32_t bits = Read32(b, at);
    float value;
    static_assert(sizeof(value) == sizeof(bits), "32-bit float");
    std::memcpy(&value, &bits, sizeof(value));
    return value;
}

// Record size of a group set: 66 bytes plus each present group's bytes.
uint32_t RecordSize(uint32_t groups) {
    static const uint32_t GroupBytes[12] = {8, 6, 2, 1, 2, 2, 4, 12, 6, 16, 6, 1};
    uint32_t size = 66;
    for (int bit = 0; bit < 12; ++bit) {
        if (groups & (1u << bit)) size += GroupBytes[bit];
    }
    return size;
}

std::string GroupNames(uint32_t groups) {
    static const char* const Names[12] = {"Throttles", "Elev/Ailr/Rud", "Spoilers",     "Flaps",
                                          "Gear",      "Lights",        "Engines",      "Nav radios",
                                          "Com radios", "Prop/Mixture", "Date/time",    "Smoke"};
    std::string text;
    for (int bit = 0; bit < 12; ++bit) {
        if (!(groups & (1u << bit))) continue;
        if (!text.empty()) text += ", ";
        text += Names[bit];
    }
    char mask[16];
    std::snprintf(mask, sizeof(mask), "0x%03X", groups);
    return std::string(mask) + (text.empty() ? "" : " (" + text + ")");
}

// The recording date: seconds since 1900 with every year counted as 366 days.
std::string RecordingDate(uint32_t stamp) {
    char text[48];
    std::snprintf(text, sizeof(text), "%u, day %u, %02u:%02u:%02u UTC", stamp / 31622400 + 1900, (stamp / 86400) % 366,
                  (stamp / 3600) % 24, (stamp / 60) % 60, stamp % 60);
    return text;
}

std::string Seconds(uint32_t ticks) {
    char text[32];
    std::snprintf(text, sizeof(text), "%.1f s", ticks / 10000.0);
    return text;
}

}  // namespace

std::string DescribeRecordingFile(const std::string& hostPath, const std::string& shownName) {
    std::ifstream in(hostPath, std::ios::binary);
    std::ostringstream out;
    if (!in) {
        out << "file " << shownName << ": cannot be read\n";
        return out.str();
    }
    std::vector<uint8_t> bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    out << "file " << shownName << ": " << bytes.size() << " bytes\n";
    if (bytes.size() < 4) {
        out << "  damaged: shorter than its version\n";
        return out.str();
    }
    uint32_t version = Read32(bytes, 0);
    char versionText[16];
    std::snprintf(versionText, sizeof(versionText), "0x%08X", version);
    if (version == 0x01000004 || version == 0x01000005) {
        if (bytes.size() < 28) {
            out << "  version " << versionText << ", damaged: header cut short\n";
            return out.str();
        }
        uint32_t samples = Read32(bytes, 4);
        uint32_t groups = version == 0x01000004 ? 127 : Read32(bytes, 12);
        uint32_t held = (uint32_t)((bytes.size() - 28) / RecordSize(groups));
        out << "  version " << versionText << " (one track), CG height " << ReadFloat(bytes, 16) << " ft\n";
        out << "  track 1: " << samples << " samples";
        if (held < samples) out << " (the file holds " << held << ")";
        out << ", end " << Seconds(Read32(bytes, 8)) << ", groups " << GroupNames(groups) << "\n";
        return out.str();
    }
    if (version != 0x01000006) {
        out << "  unknown version " << versionText << "\n";
        return out.str();
    }
    if (bytes.size() < 18) {
        out << "  version " << versionText << ", damaged: header cut short\n";
        return out.str();
    }
    uint16_t tracks = Read16(bytes, 16);
    out << "  version " << versionText << ", " << tracks << " tracks, from " << Seconds(Read32(bytes, 4)) << " to "
        << Seconds(Read32(bytes, 8)) << ", recorded " << RecordingDate(Read32(bytes, 12)) << "\n";
    size_t at = 18;
    for (uint16_t i = 0; i < tracks; ++i) {
        if (at + 124 > bytes.size()) {
            out << "  track " << i + 1 << ": damaged, its header is cut short\n";
            break;
        }
        uint32_t samples = Read32(bytes, at);
        uint32_t groups = Read32(bytes, at + 4);
        std::string title(reinterpret_cast<const char*>(&bytes[at + 16]), 100);
        title = title.substr(0, title.find('\0'));
        uint64_t size = (uint64_t)samples * RecordSize(groups);
        out << "  track " << i + 1 << ": \"" << title << "\", " << samples << " samples, " << Seconds(Read32(bytes, at + 8))
            << " to " << Seconds(Read32(bytes, at + 12)) << ", interval " << Read32(bytes, at + 120) << " ms, groups "
            << GroupNames(groups) << "\n";
        at += 124;
        if (at + size > bytes.size()) {
            out << "  track " << i + 1 << ": damaged, its samples are cut short\n";
            break;
        }
        at += (size_t)size;
    }
    return out.str();
}
