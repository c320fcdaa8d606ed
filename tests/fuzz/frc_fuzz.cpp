// Fuzz target: the toolkit's readers. The first byte picks what the rest is read as:
// a recording (read, checked, analysed, exported and written back), the temp files of
// an interrupted recording (joined by fuzz::Separator), or a flight log to import
// (GPX, KML, IGC, flight-tracking CSV, kestrel-frc's own CSV). A refusal is an
// InputError; anything else thrown, or a recording that does not read back as it was
// written, is a fault.
#include <algorithm>
#include <cstdlib>
#include <cstring>

#include "recording/frcformat.h"
#include "tests/fuzz/fuzz_host.h"
#include "tools/kestrel-frc/commands.h"
#include "tools/kestrel-frc/export.h"
#include "tools/kestrel-frc/import_csv.h"
#include "tools/kestrel-frc/import_gpx.h"
#include "tools/kestrel-frc/import_igc.h"
#include "tools/kestrel-frc/import_kml.h"
#include "tools/kestrel-frc/landings.h"
#include "tools/kestrel-frc/resample.h"

namespace {

// What every command does with a recording it has read; written back, it must read
// the same.
void UseRecording(const frc::Recording& recording) {
    std::vector<size_t> all;
    for (size_t i = 0; i < recording.tracks.size(); ++i) {
        all.push_back(i);
        FindFlightEvents(recording.tracks[i]);
    }
    Progress progress;
    ExportGpx(recording, all, &progress);
    ExportKml(recording, all, &progress);
    ExportCsv(recording, all, &progress);
    ExportGeoJson(recording, all, &progress);
    // IGC holds a fix a second from the first sample to the latest: only spans of up
    // to an hour, to keep each input quick.
    if (!all.empty() && !recording.tracks[0].samples.empty()) {
        const std::vector<FullSample>& samples = recording.tracks[0].samples;
        uint32_t first = GetSampleU32(&samples.front(), FieldTime), latest = first;
        for (const FullSample& sample : samples) latest = std::max(latest, GetSampleU32(&sample, FieldTime));
        if (latest - first <= 3600u * 10000u) ExportIgc(recording, 0, &progress);
    }

    std::vector<uint8_t> bytes = frc::WriteRecording(recording);
    if (bytes.empty()) return;  // more tracks than the format holds
    frc::Recording back;
    frc::Problem refusal;
    if (!frc::ReadRecording(bytes.data(), bytes.size(), &back, &refusal)) std::abort();
    if (back.tracks.size() != recording.tracks.size()) std::abort();
    for (size_t i = 0; i < back.tracks.size(); ++i) {
        const std::vector<FullSample>& a = recording.tracks[i].samples;
        const std::vector<FullSample>& b = back.tracks[i].samples;
        if (a.size() != b.size() || (!a.empty() && std::memcmp(a.data(), b.data(), a.size() * sizeof a[0]) != 0)) {
            std::abort();
        }
    }
}

// What the import does with a log's tracks, on spans short enough to stay quick.
void ImportTracks(const std::vector<LogTrack>& tracks) {
    for (const LogTrack& track : tracks) {
        CleanReport report;
        std::vector<LogFix> fixes = CleanFixes(track.fixes, &report);
        if (fixes.size() < 2 || fixes.back().time - fixes.front().time > 3600) continue;
        std::vector<FlightState> states = ResampleFlight(fixes, 1000);
        FlightSamples(states, fixes.front().time, track.powered);
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size == 0) return 0;
    uint8_t kind = data[0] % 7;
    ++data;
    --size;
    std::string text(reinterpret_cast<const char*>(data), size);
    try {
        frc::Recording recording;
        frc::Problem refusal;
        switch (kind) {
            case 0:
                frc::CheckRecording(data, size);
                if (frc::ReadRecording(data, size, &recording, &refusal)) UseRecording(recording);
                break;
            case 1: {
                std::vector<frc::TempFile> temps;
                std::vector<std::string> parts = fuzz::SplitInput(data, size, 4);
                for (size_t i = 0; i < parts.size(); ++i) {
                    temps.push_back({"Kestrel" + std::to_string(i == 0 ? 1 : 100 + i) + ".tmp",
                                     std::vector<uint8_t>(parts[i].begin(), parts[i].end())});
                }
                if (frc::RecoverRecording(temps, 0x12345678, &recording)) UseRecording(recording);
                break;
            }
            case 2: ImportTracks(ReadGpx("f.gpx", text)); break;
            case 3: ImportTracks(ReadKml("f.kml", text)); break;
            case 4: ImportTracks(ReadIgc("f.igc", text)); break;
            case 5: ImportTracks(ReadFlightTrackingCsv("f.csv", text)); break;
            case 6: UseRecording(ReadKestrelCsv("f.csv", text, 250)); break;
        }
    } catch (const InputError&) {
        // a refusal with its message: what the command prints
    }
    return 0;
}
