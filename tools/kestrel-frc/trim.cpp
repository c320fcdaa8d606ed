// The trim command: keeps the samples between two times of the recording (seconds from
// its time 0, both ends included). Sample times and the recording date stay as they
// were, so every kept sample keeps its UTC time; a track left empty is dropped.
#include <cmath>
#include <cstdio>

#include "tools/kestrel-frc/commands.h"
#include "tools/kestrel-frc/frcfiles.h"
#include "tools/kestrel-frc/textformat.h"

void AddTrimCommand(CLI::App& app) {
    struct Options {
        std::string input, output;
        double from = 0, to = 429496.7295;  // the whole timeline
    };
    auto options = std::make_shared<Options>();
    CLI::App* command = app.add_subcommand("trim", "Keeps the part of a recording between two times");
    command->add_option("FILE", options->input, "the recording (.frc)")->required();
    command->add_option("--from", options->from, "seconds from the recording's start (default 0)")
        ->check(CLI::Range(0.0, 429496.7295));
    command->add_option("--to", options->to, "seconds from the recording's start (default its end)")
        ->check(CLI::Range(0.0, 429496.7295));
    command->add_option("-o,--output", options->output, "the trimmed recording (.frc)")->required();
    command->callback([options]() {
        if (!(options->from < options->to))
            throw UsageError("--from " + FormatShortest(options->from) + " is not before --to " +
                             FormatShortest(options->to));
        uint32_t from = (uint32_t)std::llround(options->from * 10000.0);
        uint32_t to = (uint32_t)std::llround(options->to * 10000.0);
        frc::Recording recording = LoadRecording(options->input);
        std::vector<frc::Track> kept;
        for (frc::Track& track : recording.tracks) {
            std::vector<FullSample> samples;
            for (const FullSample& sample : track.samples) {
                uint32_t time = GetSampleU32(&sample, FieldTime);
                if (time >= from && time <= to) samples.push_back(sample);
            }
            if (samples.empty()) continue;
            track.samples = std::move(samples);
            kept.push_back(std::move(track));
        }
        if (kept.empty())
            throw InputError(options->input + ": no sample between " + FormatSeconds(from) + " s and " +
                             FormatSeconds(to) + " s; it holds " + SummarizeRecording(recording));
        recording.tracks = std::move(kept);
        WriteRecordingOutput(options->output, recording);
        fputs(("wrote " + options->output + ": " + SummarizeRecording(recording) + "\n").c_str(), stdout);
    });
}
