// The scenario scripts of tests/scripts, which the Wine stage of scripts/test.sh also runs
// against the x86_64 build of the module with real windows, and the cases where the two
// runs once disagreed, pinned here so that the linux build keeps the behaviour that the
// real Win32 run showed.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "support/module_fixture.h"

#ifndef KESTREL_SCENARIO_DIR
#error "KESTREL_SCENARIO_DIR names the folder of the scenario scripts"
#endif

namespace {

std::vector<std::string> ScenarioScripts() {
    std::vector<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(KESTREL_SCENARIO_DIR))
        if (entry.path().extension() == ".khs") names.push_back(entry.path().stem().string());
    std::sort(names.begin(), names.end());
    return names;
}

std::string ReadScript(const std::string& name) {
    std::ifstream in(std::string(KESTREL_SCENARIO_DIR) + "/" + name + ".khs");
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

bool StartsWith(const std::string& text, const std::string& prefix) {
    return text.compare(0, prefix.size(), prefix) == 0;
}

size_t CountStartingWith(const std::vector<std::string>& lines, const std::string& prefix) {
    return (size_t)std::count_if(lines.begin(), lines.end(),
                                 [&](const std::string& line) { return StartsWith(line, prefix); });
}

class ScenarioScript : public ModuleTest, public ::testing::WithParamInterface<std::string> {};

// Every expectation of the script holds, and every dialog step could be done as written.
TEST_P(ScenarioScript, RunsCleanly) {
    std::string text = ReadScript(GetParam());
    ASSERT_FALSE(text.empty());
    RunResult result = Script(text);
    ASSERT_TRUE(result.parsed);
    EXPECT_EQ(result.failures, 0);
    for (const std::string& problem : result.problems) ADD_FAILURE() << problem;
    for (const std::string& line : result.transcript) {
        EXPECT_EQ(line.find(" failed: "), std::string::npos) << line;
        EXPECT_EQ(line.find("the script did not close it"), std::string::npos) << line;
        EXPECT_EQ(line.find("no answer scripted"), std::string::npos) << line;
    }
}

INSTANTIATE_TEST_SUITE_P(Scripts, ScenarioScript, ::testing::ValuesIn(ScenarioScripts()),
                         [](const ::testing::TestParamInfo<std::string>& info) {
                             std::string name = info.param;
                             std::replace(name.begin(), name.end(), '-', '_');
                             return name;
                         });

using ParityCases = ModuleTest;

// Real Windows never shows a dialog that its own WM_INITDIALOG ends (the Replay dialog
// with too little data): the transcript has its message box and its result, no opening.
TEST_F(ParityCases, DialogEndedWhileOpeningIsNeverShown) {
    RunResult result = Script(
        "start\nflight load\nuser flies circuit\nseconds 2\non dialog 103 do click 2\nmenu \"Replay...\"\n");
    ASSERT_EQ(result.failures, 0);
    const std::vector<std::string>& lines = result.transcript;
    EXPECT_EQ(CountStartingWith(lines, "dialog 103 opened"), 0u);
    EXPECT_EQ(CountStartingWith(lines, "dialog 103 closed: result 2"), 1u);
    EXPECT_EQ(CountStartingWith(lines, "message box [Kestrel] \"No replay data available!\" -> ok"), 1u);
}

// Two writes of the ini file with the same length are both seen (the Windows C library
// keeps whole seconds of a file's time; the host reads the system's file times instead).
TEST_F(ParityCases, RewrittenIniOfTheSameSizeIsSeenAsWritten) {
    RunResult result = Script(
        "start\nflight load\nuser flies circuit\nseconds 2\n"
        "on dialog 102 do select 1000 2; click 1\nmenu \"Record...\"\n"
        "on save answer cancel\non message \"Do you want to continue recording?\" answer no\nmenu \"Stop...\"\n"
        "on dialog 102 do select 1000 3; click 1\nmenu \"Record...\"\n");
    ASSERT_EQ(result.failures, 0);
    EXPECT_EQ(CountStartingWith(result.transcript, "file written: C:\\Sim\\Modules\\Kestrel.ini"), 2u);
}

// The control window belongs to the module: after the module is unloaded it is not
// asked anything more (on Windows its procedure went with the DLL).
TEST_F(ParityCases, ControlWindowIsNotObservedAfterUnload) {
    RunResult result = Script(
        "ini WINDOW Show 1\nstart\nflight load\nuser flies circuit\nseconds 2\n"
        "on dialog 103 do set 1005 1; click 1\nseconds 10\nstop\n");
    ASSERT_EQ(result.failures, 0);
    const std::vector<std::string>& lines = result.transcript;
    auto unload = std::find(lines.begin(), lines.end(), "simulator unloads the module");
    ASSERT_NE(unload, lines.end());
    for (auto line = unload; line != lines.end(); ++line) EXPECT_FALSE(StartsWith(*line, "control window:")) << *line;
}

}  // namespace
