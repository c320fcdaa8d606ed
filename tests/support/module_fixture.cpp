// The module test fixture: a temporary drive, the simulated host, the module's load.
#include "tests/support/module_fixture.h"

#include <filesystem>
#include <fstream>
#include <iterator>
#include <stdlib.h>
#include <unistd.h>

#include "module/entry.h"
#include "tools/kestrel-host/script.h"
#include "vsim/sim/panels.h"
#include "vsim/sim/simconnect.h"
#include "vsim/sim/simhost.h"
#include "vsim/sim/simulator.h"
#include "vsim/win32/embedded_resources.h"
#include "vsim/win32/scripted_user.h"
#include "vsim/win32/win32emu.h"

void ModuleTest::SetUp() {
    char pattern[] = "/tmp/kestrel-test-XXXXXX";
    ASSERT_NE(mkdtemp(pattern), nullptr);
    root_ = pattern;
    // The windows, dialogs, keys and scripted answers of earlier tests in this process.
    vsim::win32::ResetWin32();
    vsim::HostOptions options;
    options.driveRoot = root_;
    options.callLogLimit = CallLogLimit;
    ASSERT_TRUE(vsim::StartHost(options));
    vsim::win32::SetResourceScript(KestrelResourceScript);
    vsim::win32::SetResourceHeader(KestrelResourceHeader);
    // Apart from the host DLLs' handles (0x10000000 upward) so each name stays its own.
    instance_ = reinterpret_cast<HINSTANCE>(static_cast<uintptr_t>(0x60000000));
    vsim::win32::SetModuleFileName(instance_, ModulePath);
    std::filesystem::create_directories(HostPath("C:\\Sim\\Modules"));
}

void ModuleTest::TearDown() {
    // The simulator unloads what it loaded, so every test ends as the process would.
    if (started_) StopModule();
    vsim::StopHost();
    std::string command = "rm -rf '" + root_ + "'";
    if (system(command.c_str()) != 0) ADD_FAILURE() << "could not remove " << root_;
}

void ModuleTest::WriteIni(const std::string& section, const std::string& key, const std::string& value) {
    WritePrivateProfileStringA(section.c_str(), key.c_str(), value.c_str(), IniPathOnDrive);
}

bool ModuleTest::StartModule() {
    Panels = vsim::PanelTable();
    if (!ModuleAttach(instance_, DLL_PROCESS_ATTACH, nullptr)) return false;
    started_ = true;
    DLLStart();
    vsim::PumpSimConnect();
    return true;
}

void ModuleTest::StopModule() {
    started_ = false;
    DLLStop();
    ModuleAttach(instance_, DLL_PROCESS_DETACH, nullptr);
}

// Each frame is followed by what a message loop does between frames: posted messages
// and painting.
void ModuleTest::Frames(unsigned count) {
    for (unsigned i = 0; i < count; ++i) {
        vsim::RunFrames(1);
        vsim::win32::PumpPostedMessages();
    }
}

void ModuleTest::Seconds(double seconds) {
    uint64_t end = vsim::ClockMicros() + (uint64_t)(seconds * 1e6 + 0.5);
    while (vsim::ClockMicros() < end) Frames(1);
}

bool ModuleTest::Menu(const std::string& text) {
    return vsim::SelectMenuItem(text);
}

void ModuleTest::Key(const std::string& keyText) {
    KeyStroke key;
    ASSERT_TRUE(ParseKeyStroke(keyText, &key)) << keyText;
    HWND main = vsim::MainWindowHandle();
    if (key.shift) vsim::win32::SetKeyState(VK_SHIFT, true);
    if (key.ctrl) vsim::win32::SetKeyState(VK_CONTROL, true);
    vsim::win32::PressKey(main, key.vk, true);
    vsim::win32::PressKey(main, key.vk, false);
    if (key.ctrl) vsim::win32::SetKeyState(VK_CONTROL, false);
    if (key.shift) vsim::win32::SetKeyState(VK_SHIFT, false);
}

std::string ModuleTest::HostPath(const std::string& windowsPath) const {
    return vsim::MapPath(windowsPath);
}

bool ModuleTest::FileExists(const std::string& windowsPath) const {
    return access(HostPath(windowsPath).c_str(), F_OK) == 0;
}

std::vector<uint8_t> ModuleTest::ReadBytes(const std::string& windowsPath) const {
    std::ifstream in(HostPath(windowsPath), std::ios::binary);
    return std::vector<uint8_t>((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

void ModuleTest::WriteBytes(const std::string& windowsPath, const std::vector<uint8_t>& bytes) const {
    std::ofstream out(HostPath(windowsPath), std::ios::binary);
    out.write(reinterpret_cast<const char*>(bytes.data()), (std::streamsize)bytes.size());
}

RunResult ModuleTest::Script(const std::string& text) {
    RunnerOptions options;
    options.root = root_;
    options.echo = false;
    options.callLogLimit = CallLogLimit;
    return RunScript(text, options);
}

std::vector<std::string> ModuleTest::MessageTexts() const {
    std::vector<std::string> texts;
    for (const auto& box : vsim::user::MessageBoxes()) texts.push_back(box.text);
    return texts;
}

std::vector<std::string> ModuleTest::CallsStartingWith(const std::string& prefix) const {
    std::vector<std::string> calls;
    for (const std::string& call : vsim::SimConnectCalls()) {
        if (call.compare(0, prefix.size(), prefix) == 0) calls.push_back(call);
    }
    return calls;
}
