// The merge command: the tracks of several recordings in one file, the first file's
// first track on the user's aircraft and every other as traffic. --align date puts each
// track at its real time (the files' recording dates); --align start lets every file
// begin when the first one does, under the first file's date.
#include <cstdio>

#include "tools/kestrel-frc/commands.h"
#include "tools/kestrel-frc/frcfiles.h"
#include "tools/kestrel-frc/textformat.h"

namespace {

// The earliest sample time of a recording; false when it holds no sample.
bool FirstTime(const frc::Recording& recording, uint32_t* first) {
    bool any = false;
    for (const frc::Track& track : recording.tracks) {
        for (const FullSample& sample : track.samples) {
            uint32_t time = GetSampleU32(&sample, FieldTime);
            if (!any || time < *first) *first = time;
            any = true;
        }
    }
    return any;
}

}  // namespace

void AddMergeCommand(CLI::App& app) {
    struct Options {
        std::vector<std::string> inputs;
        std::string output, align = "date";
    };
    auto options = std::make_shared<Options>();
    CLI::App* command = app.add_subcommand("merge", "Puts the tracks of several recordings into one file");
    command
        ->add_option("FILE", options->inputs,
                     "recordings (.frc); the first one's first track flies on the user's "
                     "aircraft")
        ->required();
    command->add_option("-o,--output", options->output, "the merged recording (.frc)")->required();
    command->add_option("--align", options->align, "date: at their real times (default); start: all begin together")
        ->check(CLI::IsMember({"date", "start"}));
    command->callback([options]() {
        std::vector<frc::Recording> inputs;
        for (const std::string& path : options->inputs) inputs.push_back(LoadRecording(path));
        bool byDate = options->align == "date";
        uint32_t base = inputs[0].header.date;
        for (size_t i = 0; i < inputs.size(); ++i) {
            if (byDate && inputs[i].header.date == 0)
                throw InputError(options->inputs[i] +
                                 ": holds no recording date (a version 4 file); merge with "
                                 "--align start");
            if (inputs[i].header.date < base) base = inputs[i].header.date;
        }
        frc::Recording merged;
        merged.header = inputs[0].header;
        uint32_t firstStart = 0;
        FirstTime(inputs[0], &firstStart);
        if (byDate) merged.header.date = base;
        for (size_t i = 0; i < inputs.size(); ++i) {
            // New time = old time - from + to, checked to stay on the 32-bit timeline.
            int64_t shift = 0;
            uint32_t start = 0;
            if (byDate) {
                shift = ((int64_t)inputs[i].header.date - base) * 10000;
            } else if (FirstTime(inputs[i], &start)) {
                shift = (int64_t)firstStart - start;
            }
            for (frc::Track& track : inputs[i].tracks) {
                for (FullSample& sample : track.samples) {
                    int64_t time = (int64_t)GetSampleU32(&sample, FieldTime) + shift;
                    if (time < 0 || time > 0xFFFFFFFFLL)
                        throw InputError(options->inputs[i] +
                                         ": its samples fall outside the merged timeline "
                                         "(recordings more than 4.9 days apart)");
                    SetSampleU32(&sample, FieldTime, (uint32_t)time);
                }
                merged.tracks.push_back(std::move(track));
            }
        }
        if (merged.tracks.size() > 0xFFFF)
            throw InputError("the files hold " + std::to_string(merged.tracks.size()) +
                             " tracks together; a recording holds at most 65535");
        WriteRecordingOutput(options->output, merged);
        fputs(("wrote " + options->output + ": " + SummarizeRecording(merged) + ", recorded " +
               FormatUtc(merged.header.date, 0, 0) + "\n")
                  .c_str(),
              stdout);
    });
}
