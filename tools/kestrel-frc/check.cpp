// The check command: reads every byte of each file and lists what is wrong with it, a
// line per finding; a sound file gets one "sound" line. Exit status 1 when any file has
// a finding.
#include <cstdio>

#include "tools/kestrel-frc/commands.h"
#include "tools/kestrel-frc/frcfiles.h"

void AddCheckCommand(CLI::App& app) {
    auto files = std::make_shared<std::vector<std::string>>();
    CLI::App* command = app.add_subcommand(
        "check",
        "Reads every byte of each recording and says what is wrong: version, cut headers or records, "
        "sample counts, groups, CG height, times going backwards, positions outside the earth");
    command->add_option("FILE", *files, "recordings (.frc)")->required();
    command->callback([files]() {
        std::string firstFinding;
        size_t damaged = 0, findings = 0;
        for (const std::string& path : *files) {
            std::vector<uint8_t> bytes;
            std::vector<frc::Problem> problems;
            try {
                bytes = ReadFileBytes(path);
                problems = frc::CheckRecording(bytes.data(), bytes.size());
            } catch (const InputError& e) {
                problems.push_back({0, e.what()});
            }
            if (problems.empty()) {
                frc::Recording recording;
                frc::Problem refusal;
                frc::ReadRecording(bytes.data(), bytes.size(), &recording, &refusal);
                fputs((path + ": sound, " + SummarizeRecording(recording) + "\n").c_str(), stdout);
                continue;
            }
            ++damaged;
            for (const frc::Problem& problem : problems) {
                std::string line =
                    problem.what.rfind(path + ":", 0) == 0 ? problem.what : DescribeProblem(path, problem);
                if (firstFinding.empty()) firstFinding = line;
                ++findings;
                fputs((line + "\n").c_str(), stdout);
            }
        }
        fflush(stdout);
        if (damaged == 1 && findings == 1) throw InputError(firstFinding);
        if (damaged > 0)
            throw InputError(std::to_string(damaged) + " of " + std::to_string(files->size()) + " file(s) damaged, " +
                             std::to_string(findings) + " finding(s); the first: " + firstFinding);
    });
}
