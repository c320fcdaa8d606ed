// The script runner of kestrel-host. It plays the simulator and the user around the
// module: it starts the simulated host, loads the module the way the simulator does,
// carries out each command, and writes the transcript. It reaches the module and the
// windows through hostlink.h, so the same runner serves the Linux build (module linked
// in, Win32 emulation) and the Windows build (KestrelFSX.dll, real windows).
#include "tools/kestrel-host/runner.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <map>
#include <sstream>
#include <system_error>

#include "module/simlink.h"
#include "tools/kestrel-host/fidelity.h"
#include "tools/kestrel-host/frcdump.h"
#include "tools/kestrel-host/hostlink.h"
#include "ui/controlwindow.h"
#include "vsim/sim/aircraft.h"
#include "vsim/sim/hostdlls.h"
#include "vsim/sim/simconnect.h"
#include "vsim/sim/simhost.h"
#include "vsim/sim/simulator.h"
#include "vsim/win32/scripted_user.h"

namespace {

const char* const ModeNames[] = {"Idle",      "Recording",      "Playing", "ReplayBuffering",
                                 "Replaying", "PlayingTraffic", "RecordingWithTraffic"};
const char* const HostDllNames[] = {"api.dll", "fs-traffic.dll", "main.dll", "sim1.dll", "simscheduler.dll"};

std::string ModeName(uint32_t mode) {
    return mode < sizeof(ModeNames) / sizeof(ModeNames[0]) ? ModeNames[mode] : "mode " + std::to_string(mode);
}

std::string Join(const std::vector<std::string>& items, const char* separator) {
    std::string text;
    for (const std::string& item : items) {
        if (!text.empty()) text += separator;
        text += item;
    }
    return text;
}

bool StartsWith(const std::string& text, const std::string& prefix) {
    return text.compare(0, prefix.size(), prefix) == 0;
}

bool ParseVersion(const std::string& text, uint16_t version[4]) {
    unsigned parts[4];
    if (std::sscanf(text.c_str(), "%u.%u.%u.%u", &parts[0], &parts[1], &parts[2], &parts[3]) != 4) return false;
    for (int i = 0; i < 4; ++i) version[i] = (uint16_t)parts[i];
    return true;
}

class Runner {
public:
    Runner(const RunnerOptions& options, RunResult* result) : options_(options), result_(result) {}

    void Run(const std::vector<ScriptCommand>& commands) {
        hostlink::ResetUserInterface();  // a fresh set of windows for every run in this process
        vsim::HostOptions host;
        host.driveRoot = options_.root;
        host.tracePath = options_.tracePath;
        host.echoTranscript = false;  // printed here, with the status lines thinned out
        host.callLogLimit = options_.callLogLimit;
        if (!vsim::StartHost(host)) {
            Fail(0, "the simulated host could not start");
            return;
        }
        std::string problem;
        if (!hostlink::PrepareUserInterface(&problem)) {
            Fail(0, problem);
            vsim::StopHost();
            return;
        }
        hostlink::ListHostFiles(&files_);
        for (const ScriptCommand& command : commands) {
            current_ = &command;
            Execute(command);
            Observe(true);
        }
        current_ = nullptr;
        if (started_) {
            vsim::Log("end of script: the simulator unloads the module");
            StopModule();
            Observe(true);
        }
        hostlink::ReleaseUserInterface();
        vsim::StopHost();
        Echo();
        result_->transcript = vsim::TranscriptLines();
    }

private:
    void Fail(int line, const std::string& why) {
        std::string text = line > 0 ? "line " + std::to_string(line) + ": " + why : why;
        result_->problems.push_back(text);
        ++result_->failures;
        vsim::Log("FAILED " + text);
        Echo();
    }

    void FailHere(const std::string& why) { Fail(current_ ? current_->line : 0, why); }

    void Expectation(bool met, const std::string& expected, const std::string& found) {
        if (met) {
            vsim::Log("ok: " + expected);
        } else {
            FailHere("expected " + expected + "; found " + found);
        }
    }

    // ---- Observing the module ----

    // Prints the transcript lines written since the last call. Status lines, which the
    // module refreshes several times a second, are printed when their kind changes and
    // otherwise every ten simulated seconds; the transcript itself keeps them all.
    void Echo() {
        const std::vector<std::string>& lines = vsim::TranscriptLines();
        for (; printed_ < lines.size(); ++printed_) {
            const std::string& line = lines[printed_];
            if (StartsWith(line, "text [")) {
                std::string kind = line.substr(0, line.find('[', 6));
                uint64_t now = vsim::ClockMicros();
                if (kind == statusKind_ && now - statusShown_ < 10000000) continue;
                statusKind_ = kind;
                statusShown_ = now;
            }
            if (options_.echo) std::printf("%s\n", line.c_str());
        }
        if (options_.echo) std::fflush(stdout);
    }

    void Observe(bool afterCommand) {
        if (started_ && !hostlink::ReadModuleState(&state_)) state_ = hostlink::ModuleState();
        if (started_) {
            if (state_.mode != mode_) {
                mode_ = state_.mode;
                vsim::Log("mode: " + ModeName(mode_));
            }
            std::vector<std::string> menu = vsim::MenuItems();
            if (menu != menu_) {
                menu_ = menu;
                vsim::Log("menu: " + vsim::MenuTopText() + " > " + Join(menu, ", "));
            }
        }
        if (afterCommand) {
            // The control window belongs to the module: once the module is unloaded its
            // procedure is gone with it (on Windows), so it is no longer asked anything.
            if (attached_) ObserveControlWindow();
            ObserveReplayBuffer();
            ObserveFiles();
        }
        Echo();
    }

    void ObserveControlWindow() {
        HWND window = FindWindowA("KESWND", nullptr);
        if (!window) return;
        char caption[128] = "";
        char speed[32] = "";
        GetWindowTextA(window, caption, sizeof(caption));
        GetDlgItemTextA(window, CtlSpeedText, speed, sizeof(speed));
        LRESULT slider = SendDlgItemMessageA(window, CtlSlider, TBM_GETPOS, 0, 0);
        std::ostringstream state;
        state << (IsWindowVisible(window) ? "shown" : "hidden") << ", \"" << caption << "\", slider " << slider
              << ", speed " << speed;
        if (state.str() != controlWindow_) {
            controlWindow_ = state.str();
            vsim::Log("control window: " + controlWindow_);
        }
    }

    void ObserveReplayBuffer() {
        if (!started_ || state_.mode != ReplayBuffering || state_.trackCount == 0) return;
        if (state_.firstSamples == replayCount_) return;
        replayCount_ = state_.firstSamples;
        char text[128];
        std::snprintf(text, sizeof(text), "replay buffer: %u samples, %.1f s", state_.firstSamples,
                      (uint32_t)(state_.firstEnd - state_.firstStart) / 10000.0);
        vsim::Log(text);
    }

    void ObserveFiles() {
        std::map<std::string, hostlink::HostFileState> now;
        hostlink::ListHostFiles(&now);
        for (const auto& [path, state] : now) {
            auto before = files_.find(path);
            bool changed = before == files_.end() || before->second.size != state.size ||
                           before->second.modified != state.modified;
            bool temporary = path.size() > 4 && path.compare(path.size() - 4, 4, ".tmp") == 0;
            if (changed && !temporary) {
                vsim::Log("file written: " + path + " (" + std::to_string(state.size) + " bytes)");
            }
        }
        files_ = now;
    }

    // ---- Module lifetime ----

    void StartModule() {
        // The simulator's folders exist before it loads anything from them.
        size_t slash = modulePath_.rfind('\\');
        if (slash != std::string::npos) {
            std::error_code ignored;
            std::filesystem::create_directories(hostlink::HostPathOf(modulePath_.substr(0, slash)), ignored);
        }
        for (const auto& entry : iniWrites_) {
            WritePrivateProfileStringA(entry[0].c_str(), entry[1].c_str(), entry[2].c_str(), IniPathOfModule().c_str());
        }
        iniWrites_.clear();
        vsim::Log("simulator loads " + modulePath_);
        std::string problem;
        if (!hostlink::LoadModule(modulePath_, &problem)) {
            vsim::Log(problem);
            return;
        }
        attached_ = true;
        started_ = true;
        hostlink::StartModule();
    }

    void StopModule() {
        if (!attached_) return;
        vsim::Log("simulator unloads the module");
        hostlink::UnloadModule();
        attached_ = false;
        started_ = false;
    }

    std::string IniPathOfModule() const {
        size_t slash = modulePath_.rfind('\\');
        return (slash == std::string::npos ? std::string() : modulePath_.substr(0, slash + 1)) + "Kestrel.ini";
    }

    // ---- Commands ----

    void RunFrames(uint64_t count) {
        for (uint64_t i = 0; i < count; ++i) {
            vsim::RunFrames(1);
            hostlink::PumpWindowMessages();  // posted messages and painting, as a message loop would
            Observe(false);
            fidelity_.Frame(started_ ? state_.mode : Idle, started_ ? state_.timeline : 0);
        }
    }

    void RunSeconds(double seconds) {
        uint64_t end = vsim::ClockMicros() + (uint64_t)std::llround(seconds * 1e6);
        while (vsim::ClockMicros() < end) RunFrames(1);
    }

    bool PressKey(const std::string& keyText, bool down, bool up) {
        KeyStroke key;
        if (!ParseKeyStroke(keyText, &key)) return false;
        HWND main = vsim::MainWindowHandle();
        if (key.shift) hostlink::HoldModifierKey(VK_SHIFT, true);
        if (key.ctrl) hostlink::HoldModifierKey(VK_CONTROL, true);
        if (key.alt) hostlink::HoldModifierKey(VK_MENU, true);
        vsim::Log("user presses " + keyText + (down && !up ? " (held)" : !down && up ? " (released)" : ""));
        if (down) hostlink::PressKeyOn(main, key.vk, true);
        if (up) hostlink::PressKeyOn(main, key.vk, false);
        if (key.alt) hostlink::HoldModifierKey(VK_MENU, false);
        if (key.ctrl) hostlink::HoldModifierKey(VK_CONTROL, false);
        if (key.shift) hostlink::HoldModifierKey(VK_SHIFT, false);
        return true;
    }

    HWND ControlWindowChild(int id) {
        HWND window = FindWindowA("KESWND", nullptr);
        return window ? GetDlgItem(window, id) : nullptr;
    }

    void Execute(const ScriptCommand& c) {
        const std::vector<std::string>& a = c.args;
        if (c.verb == "host version" || c.verb == "host missing") {
            if (started_) return FailHere("the host's DLLs can only change before start");
            std::vector<std::string> dlls = a[0].empty() ? std::vector<std::string>(std::begin(HostDllNames),
                                                                                    std::end(HostDllNames))
                                                         : std::vector<std::string>{a[0]};
            uint16_t version[4];
            if (c.verb == "host version" && !ParseVersion(a[1], version)) return FailHere("bad version");
            for (const std::string& name : dlls) {
                vsim::HostDll* dll = vsim::FindHostDll(name);
                if (!dll) return FailHere("no host DLL " + name);
                if (c.verb == "host missing") {
                    dll->loaded = false;
                } else {
                    std::copy(version, version + 4, dll->version);
                }
            }
            vsim::InstallHostEntries();
        } else if (c.verb == "ini") {
            iniWrites_.push_back({a[0], a[1], a[2]});
        } else if (c.verb == "module") {
            if (started_) return FailHere("the module path can only change before start");
            modulePath_ = a[0];
        } else if (c.verb == "fail next") {
            vsim::FailKind kind;
            if (!vsim::ParseFailKind(a[0], &kind)) return FailHere("unknown failure kind");
            vsim::FailNext(kind);
        } else if (c.verb == "start") {
            if (attached_) return FailHere("the module is already loaded");
            StartModule();
        } else if (c.verb == "stop") {
            if (!attached_) return FailHere("the module is not loaded");
            StopModule();
        } else if (c.verb == "crash") {
            vsim::Log("the simulator crashes");
            Echo();
            result_->transcript = vsim::TranscriptLines();
            hostlink::CrashProcess(PrintRunSummary(*result_));
        } else if (c.verb == "flight load") {
            vsim::Log("user loads a flight");
            vsim::LoadFlight();
        } else if (c.verb == "aircraft load") {
            vsim::Log("user loads the aircraft \"" + a[0] + "\"");
            vsim::LoadAircraft(a[0], std::atof(a[1].c_str()));
        } else if (c.verb == "user flies") {
            if (!vsim::IsKnownFlightPlan(a[0])) return FailHere("unknown flight plan " + a[0]);
            vsim::SetUserFlightPlan(a[0]);
            vsim::Log("the user's aircraft flies " + a[0]);
        } else if (c.verb == "ai add") {
            if (!vsim::IsKnownFlightPlan(a[1])) return FailHere("unknown flight plan " + a[1]);
            uint32_t id = vsim::AddAi(a[0], a[1]);
            vsim::Log("AI aircraft " + std::to_string(id) + " \"" + a[0] + "\" flies " + a[1]);
        } else if (c.verb == "ai remove") {
            if (!vsim::RemoveAi((unsigned)std::atoi(a[0].c_str()))) return FailHere("no AI aircraft " + a[0]);
            vsim::Log("AI aircraft " + a[0] + " leaves the simulation");
        } else if (c.verb == "frames") {
            RunFrames((uint64_t)std::atoll(a[0].c_str()));
        } else if (c.verb == "seconds") {
            RunSeconds(std::atof(a[0].c_str()));
        } else if (c.verb == "rate") {
            vsim::SetSimRate(std::atof(a[0].c_str()));
            vsim::Log("simulation rate " + a[0]);
        } else if (c.verb == "pause") {
            vsim::Log(std::string("user ") + (a[0] == "on" ? "pauses" : "unpauses") + " the simulator");
            vsim::SetPaused(a[0] == "on");
        } else if (c.verb == "menu") {
            vsim::Log("user chooses Add-ons > " + vsim::MenuTopText() + " > " + a[0]);
            if (!vsim::SelectMenuItem(a[0])) return FailHere("the Add-ons menu has no item \"" + a[0] + "\"");
        } else if (c.verb == "key" || c.verb == "key down" || c.verb == "key up") {
            PressKey(a[0], c.verb != "key up", c.verb != "key down");
        } else if (c.verb == "on message") {
            vsim::user::OnMessage(a[0], a[1]);
        } else if (c.verb == "on save") {
            if (a[0] == "cancel") {
                vsim::user::OnSaveCancel();
            } else {
                vsim::user::OnSave(a[0]);
            }
        } else if (c.verb == "on open") {
            if (a[0] == "cancel") {
                vsim::user::OnOpenCancel();
            } else {
                std::vector<std::string> paths;
                std::stringstream in(a[0]);
                std::string path;
                while (std::getline(in, path, ';')) paths.push_back(path);
                vsim::user::OnOpen(paths);
            }
        } else if (c.verb == "on dialog") {
            std::vector<vsim::user::DialogAction> actions;
            std::string error;
            if (!vsim::user::ParseDialogActions(a[1], &actions, &error)) return FailHere(error);
            vsim::user::OnDialog(std::atoi(a[0].c_str()), actions);
        } else if (c.verb == "expect mode") {
            std::string found = started_ ? ModeName(state_.mode) : "no module";
            Expectation(found == a[0], "mode " + a[0], found);
        } else if (c.verb == "expect menu") {
            std::vector<std::string> menu = vsim::MenuItems();
            Expectation(menu == a, "menu " + Join(a, ", "), menu.empty() ? "no menu" : Join(menu, ", "));
        } else if (c.verb == "expect text") {
            bool found = false;
            for (const vsim::TextLine& line : vsim::TextLines()) found = found || StartsWith(line.text, a[0]);
            const auto& lines = vsim::TextLines();
            Expectation(found, "text \"" + a[0] + "\"", lines.empty() ? "no text" : "last \"" + lines.back().text + "\"");
        } else if (c.verb == "expect message") {
            bool found = false;
            std::string last = "no message box";
            for (const vsim::user::MessageBoxRecord& box : vsim::user::MessageBoxes()) {
                found = found || StartsWith(box.text, a[0]);
                last = "last \"" + box.text + "\"";
            }
            Expectation(found, "message \"" + a[0] + "\"", last);
        } else if (c.verb == "expect file" || c.verb == "expect no file") {
            std::error_code error;
            bool exists = std::filesystem::exists(hostlink::HostPathOf(a[0]), error);
            bool wanted = c.verb == "expect file";
            Expectation(exists == wanted, (wanted ? "file " : "no file ") + a[0], exists ? "it exists" : "none");
        } else if (c.verb == "dump") {
            std::istringstream lines(DescribeRecordingFile(hostlink::HostPathOf(a[0]), a[0]));
            for (std::string line; std::getline(lines, line);) vsim::Log(line);
        } else if (c.verb == "click window" || c.verb == "press window" || c.verb == "release window") {
            HWND control = ControlWindowChild(std::atoi(a[0].c_str()));
            if (!control) return FailHere("the control window has no control " + a[0]);
            vsim::Log("user " + c.verb.substr(0, c.verb.find(' ')) + "s control " + a[0] + " of the control window");
            if (c.verb == "click window") hostlink::ClickControl(control);
            if (c.verb == "press window") hostlink::PressButton(control);
            if (c.verb == "release window") hostlink::ReleaseButton(control);
        } else if (c.verb == "slider") {
            HWND slider = ControlWindowChild(CtlSlider);
            if (!slider) return FailHere("there is no control window");
            vsim::Log("user drags the slider to " + a[0]);
            hostlink::DragTrackbar(slider, std::atoi(a[0].c_str()));
        } else if (c.verb == "move window") {
            HWND window = FindWindowA("KESWND", nullptr);
            if (!window) return FailHere("there is no control window");
            vsim::Log("user moves the control window to " + a[0] + ", " + a[1]);
            hostlink::MoveWindowByUser(window, std::atoi(a[0].c_str()), std::atoi(a[1].c_str()));
        } else if (c.verb == "fidelity") {
            if (a[0] == "record") fidelity_.StartRecording();
            if (a[0] == "play") fidelity_.StartPlayback();
            if (a[0] == "report") {
                std::istringstream lines(fidelity_.Report());
                for (std::string line; std::getline(lines, line);) vsim::Log(line);
            }
        } else if (c.verb == "snapshot") {
            HWND window = FindWindowA("KESWND", nullptr);
            if (!window) return FailHere("there is no control window");
            hostlink::TakeSnapshot(a[0], window);
        } else if (c.verb == "memory") {
            char text[64] = "peak memory: unknown";
            size_t kilobytes = hostlink::PeakMemoryKilobytes();
            if (kilobytes) std::snprintf(text, sizeof text, "peak memory: %.1f MB", kilobytes / 1024.0);
            vsim::Log(text);
        } else if (c.verb == "say") {
            vsim::Log("== " + a[0]);
        } else {
            FailHere("unknown command");
        }
    }

    RunnerOptions options_;
    RunResult* result_;
    const ScriptCommand* current_ = nullptr;
    std::string modulePath_ = "C:\\Sim\\Modules\\KestrelFSX.dll";
    std::vector<std::vector<std::string>> iniWrites_;
    bool attached_ = false;
    bool started_ = false;
    uint32_t mode_ = 0xFFFFFFFFu;
    std::vector<std::string> menu_;
    std::string controlWindow_;
    uint32_t replayCount_ = 0;
    std::map<std::string, hostlink::HostFileState> files_;
    hostlink::ModuleState state_;
    Fidelity fidelity_;
    size_t printed_ = 0;
    std::string statusKind_;
    uint64_t statusShown_ = 0;
};

}  // namespace

int PrintRunSummary(const RunResult& result) {
    for (const std::string& problem : result.problems) std::fprintf(stderr, "kestrel-host: %s\n", problem.c_str());
    std::printf("%s: %d problem%s\n", result.failures ? "FAILED" : "done", result.failures,
                result.failures == 1 ? "" : "s");
    return result.failures ? 1 : 0;
}

RunResult RunScript(const std::string& scriptText, const RunnerOptions& options) {
    RunResult result;
    std::vector<ScriptCommand> commands;
    if (!ParseScript(scriptText, &commands, &result.problems)) {
        result.failures = (int)result.problems.size();
        return result;
    }
    result.parsed = true;
    Runner runner(options, &result);
    runner.Run(commands);
    return result;
}
