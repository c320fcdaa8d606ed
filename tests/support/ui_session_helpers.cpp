// The session helpers of the user-interface tests: recording and playing a flight through
// the menu, keys on the main window, the simulator's view of keys, controls and ini keys.
#include "tests/support/ui_session_helpers.h"

#include <cstdio>

#include "module/simlink.h"
#include "tools/kestrel-host/script.h"
#include "ui/controlwindow.h"
#include "vsim/sim/aircraft.h"
#include "vsim/sim/simhost.h"
#include "vsim/sim/simulator.h"
#include "vsim/win32/win32emu.h"

void SessionTest::StartFlying() {
    ASSERT_TRUE(StartModule());
    vsim::SetUserFlightPlan("circuit");
    vsim::LoadFlight();
    Frames(10);
}

void SessionTest::RecordFlight(const std::string& path, double seconds) {
    OnDialogDo(102, "click 1");
    ASSERT_TRUE(Menu("Record..."));
    ASSERT_EQ(ModuleMode, (uint32_t)Recording);
    Seconds(seconds);
    vsim::user::OnSave(path);
    ASSERT_TRUE(Menu("Stop..."));
    ASSERT_TRUE(FileExists(path)) << path;
}

void SessionTest::PlayFile(const std::string& path, bool asTraffic) {
    vsim::user::OnOpen({path});
    ASSERT_TRUE(Menu(asTraffic ? "Play as traffic..." : "Play..."));
    ASSERT_EQ(ModuleMode, (uint32_t)(asTraffic ? PlayingTraffic : Playing));
    Frames(1);
}

void SessionTest::StartPlaying() {
    ASSERT_NO_FATAL_FAILURE(StartFlying());
    ASSERT_NO_FATAL_FAILURE(RecordFlight("C:\\Sim\\flight.frc", 60));
    ASSERT_NO_FATAL_FAILURE(PlayFile("C:\\Sim\\flight.frc"));
}

static void PressWithModifiers(const std::string& keyText, bool down) {
    KeyStroke key;
    ASSERT_TRUE(ParseKeyStroke(keyText, &key)) << keyText;
    HWND main = vsim::MainWindowHandle();
    if (down) {
        if (key.shift) vsim::win32::SetKeyState(VK_SHIFT, true);
        if (key.ctrl) vsim::win32::SetKeyState(VK_CONTROL, true);
        if (key.alt) vsim::win32::SetKeyState(VK_MENU, true);
    }
    vsim::win32::PressKey(main, key.vk, down);
    if (!down) {
        if (key.alt) vsim::win32::SetKeyState(VK_MENU, false);
        if (key.ctrl) vsim::win32::SetKeyState(VK_CONTROL, false);
        if (key.shift) vsim::win32::SetKeyState(VK_SHIFT, false);
    }
}

void SessionTest::KeyDown(const std::string& keyText) {
    PressWithModifiers(keyText, true);
}

void SessionTest::KeyUp(const std::string& keyText) {
    PressWithModifiers(keyText, false);
}

std::vector<std::string> SessionTest::SimKeys() const {
    std::vector<std::string> keys;
    for (const vsim::SimKeyMessage& message : vsim::SimKeyMessages()) {
        const char* kind = message.message == WM_KEYDOWN      ? "down"
                           : message.message == WM_KEYUP      ? "up"
                           : message.message == WM_SYSKEYDOWN ? "sysdown"
                           : message.message == WM_SYSKEYUP   ? "sysup"
                                                              : "char";
        char text[32];
        snprintf(text, sizeof text, "%s 0x%02X", kind, message.vk);
        keys.push_back(text);
    }
    return keys;
}

void SessionTest::ClearSimKeys() {
    vsim::ClearSimKeyMessages();
}

std::vector<std::string> SessionTest::TranscriptStartingWith(const std::string& prefix) const {
    std::vector<std::string> lines;
    for (const std::string& line : vsim::TranscriptLines()) {
        if (line.compare(0, prefix.size(), prefix) == 0) lines.push_back(line);
    }
    return lines;
}

HWND SessionTest::WindowControl(int id) const {
    return ControlWindow ? GetDlgItem(ControlWindow, id) : nullptr;
}

std::string SessionTest::IniText(const std::string& section, const std::string& key, const std::string& path) const {
    char buffer[256];
    GetPrivateProfileStringA(section.c_str(), key.c_str(), "<none>", buffer, sizeof buffer, path.c_str());
    return buffer;
}

std::vector<std::string> SessionTest::IniSection(const std::string& section, const std::string& path) const {
    std::vector<char> names(8192, 0);
    DWORD length = GetPrivateProfileStringA(section.c_str(), nullptr, "", names.data(), (DWORD)names.size(), path.c_str());
    std::vector<std::string> lines;
    for (DWORD at = 0; at < length;) {
        std::string name(names.data() + at);
        if (name.empty()) break;
        lines.push_back(name + "=" + IniText(section, name, path));
        at += (DWORD)name.size() + 1;
    }
    return lines;
}

std::string TextOf(HWND parent, int id) {
    char buffer[512];
    GetDlgItemTextA(parent, id, buffer, sizeof buffer);
    return buffer;
}

UINT CheckOf(HWND parent, int id) {
    return IsDlgButtonChecked(parent, id);
}

bool EnabledOf(HWND parent, int id) {
    return IsWindowEnabled(GetDlgItem(parent, id)) != FALSE;
}

void ClickOn(HWND parent, int id) {
    EXPECT_TRUE(vsim::win32::ClickControl(GetDlgItem(parent, id))) << "control " << id;
}

void TypeInto(HWND parent, int id, const std::string& text) {
    EXPECT_TRUE(vsim::win32::TypeText(GetDlgItem(parent, id), text)) << "control " << id;
}

void OnDialogDo(int dialogId, const std::string& actions) {
    std::vector<vsim::user::DialogAction> steps;
    std::string error;
    ASSERT_TRUE(vsim::user::ParseDialogActions(actions, &steps, &error)) << error;
    vsim::user::OnDialog(dialogId, steps);
}
