// The recover command: the temp files an interrupted recording left in a module folder
// (Kestrel1.tmp for the user's aircraft, Kestrel<id>.tmp for traffic) become a recording
// file, by the same function the module runs at start. The temp files stay where they
// are. The recording date comes from the samples' Zulu date and time when they hold it,
// else from when the user's temp file was last written.
#include <sys/stat.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>

#include "tools/kestrel-frc/commands.h"
#include "tools/kestrel-frc/frcfiles.h"
#include "tools/kestrel-frc/textformat.h"

namespace {

// The date the recording started, or 0 when nothing tells it.
uint32_t RecordingDate(const frc::Recording& recording, const std::string& userTempPath) {
    if (recording.tracks.empty() || recording.tracks[0].samples.empty()) return 0;
    const frc::Track& user = recording.tracks[0];
    const FullSample* first = &user.samples.front();
    uint32_t firstTime = GetSampleU32(first, FieldTime);
    if (user.header.groups & DateTime) {
        uint32_t secondsOfDay = GetSampleU8(first, FieldHour) * 3600u + GetSampleU8(first, FieldMinute) * 60u +
                                GetSampleU8(first, FieldSecond);
        uint32_t at = frc::MakeDate((uint16_t)(1900 + GetSampleU8(first, FieldYear)),
                                    GetSampleU16(first, FieldDayOfYear), secondsOfDay);
        return at - firstTime / 10000;
    }
    struct stat status;
    if (userTempPath.empty() || stat(userTempPath.c_str(), &status) != 0) return 0;
    uint32_t lastTime = GetSampleU32(&user.samples.back(), FieldTime);
    return StampOfUnixTime((int64_t)status.st_mtime - lastTime / 10000);
}

}  // namespace

void AddRecoverCommand(CLI::App& app) {
    struct Options {
        std::string directory, output;
    };
    auto options = std::make_shared<Options>();
    CLI::App* command = app.add_subcommand(
        "recover", "Makes a recording of the temp files (Kestrel*.tmp) an interrupted recording left in a folder");
    command->add_option("DIR", options->directory, "the module's folder")->required();
    command->add_option("-o,--output", options->output, "the recovered recording (.frc)")->required();
    command->callback([options]() {
        namespace fs = std::filesystem;
        std::error_code error;
        if (!fs::is_directory(options->directory, error)) throw InputError(options->directory + ": not a folder");
        std::vector<std::string> names;
        for (const fs::directory_entry& entry : fs::directory_iterator(options->directory, error)) {
            uint32_t objectId;
            if (entry.is_regular_file(error) && frc::TempFileObjectId(entry.path().filename().string(), &objectId))
                names.push_back(entry.path().filename().string());
        }
        if (error) throw InputError(options->directory + ": cannot list the folder");
        if (names.empty()) throw InputError(options->directory + ": no temp files (Kestrel*.tmp) to recover");
        std::sort(names.begin(), names.end());
        std::vector<frc::TempFile> temps;
        std::string userTemp;
        for (const std::string& name : names) {
            std::string path = (fs::path(options->directory) / name).string();
            temps.push_back({name, ReadFileBytes(path)});
            uint32_t objectId = 0;
            if (frc::TempFileObjectId(name, &objectId) && objectId == 1) userTemp = path;
        }
        frc::Recording recording;
        if (!frc::RecoverRecording(temps, 0, &recording) || recording.tracks.empty())
            throw InputError(options->directory + ": the temp files hold no whole sample");
        recording.header.date = RecordingDate(recording, userTemp);
        WriteRecordingOutput(options->output, recording);
        fputs(
            ("wrote " + options->output + ": " + SummarizeRecording(recording) + " from " +
             std::to_string(temps.size()) + " temp file(s), recorded " + FormatUtc(recording.header.date, 0, 0) + "\n")
                .c_str(),
            stdout);
    });
}
