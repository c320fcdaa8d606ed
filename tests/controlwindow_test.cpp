// The control window: its class, window and controls as created at start, the buttons
// and the slider driving a playback, press-and-hold search through the owner-drawn
// buttons, activation that always goes back to the simulator, and the saved position.
#include <filesystem>

#include "module/simcommands.h"
#include "module/simlink.h"
#include "playback/position.h"
#include "recording/recorder.h"
#include "tests/support/ui_session_helpers.h"
#include "ui/config.h"
#include "ui/controlwindow.h"
#include "vsim/sim/simhost.h"
#include "vsim/sim/simulator.h"
#include "vsim/win32/embedded_resources.h"
#include "vsim/win32/win32emu.h"

namespace {

struct ExpectedControl {
    int id;
    const char* className;
    DWORD style;
    int x, y, width, height;
    const char* text;
    int icon;  // attached with BM_SETIMAGE; 0 for none
};

// In creation order.
const ExpectedControl ExpectedControls[] = {
    {1004, "msctls_trackbar32", 0x50000008, 0, 0, 350, 40, "Progress", 0},
    {1000, "BUTTON", 0x50000040, 5, 40, 20, 20, "|<", 121},
    {1001, "BUTTON", 0x5000000B, 25, 40, 20, 20, "<<<", 0},
    {1002, "BUTTON", 0x5000000B, 45, 40, 20, 20, "<<", 0},
    {1003, "BUTTON", 0x5000000B, 65, 40, 20, 20, "<", 0},
    {1009, "BUTTON", 0x50000040, 95, 40, 20, 20, "[", 127},
    {1010, "BUTTON", 0x50001043, 115, 40, 20, 20, "~", 126},
    {1011, "BUTTON", 0x50000040, 135, 40, 20, 20, "]", 128},
    {1012, "BUTTON", 0x50000040, 165, 40, 20, 20, "-", 129},
    {1013, "STATIC", 0x50001101, 186, 40, 48, 20, "100%", 0},
    {1014, "BUTTON", 0x50000040, 235, 40, 20, 20, "+", 130},
    {1005, "BUTTON", 0x5000000B, 265, 40, 20, 20, ">", 0},
    {1006, "BUTTON", 0x5000000B, 285, 40, 20, 20, ">>", 0},
    {1007, "BUTTON", 0x5000000B, 305, 40, 20, 20, ">>>", 0},
    {1008, "BUTTON", 0x50000040, 325, 40, 20, 20, ">|", 125},
};

// The owner-drawn step buttons: the icon they draw and the speed of their search with
// the default search speeds 5, 15 and 50.
struct StepButton {
    int id;
    int icon;
    int16_t searchPercent;
};
const StepButton StepButtons[] = {
    {1003, 118, -500}, {1002, 119, -1500}, {1001, 120, -5000},
    {1005, 122, 500},  {1006, 123, 1500},  {1007, 124, 5000},
};

std::vector<vsim::win32::DrawCall> DrawCallsOn(HWND window) {
    std::vector<vsim::win32::DrawCall> calls;
    for (const vsim::win32::DrawCall& call : vsim::win32::DrawCalls()) {
        if (call.window == window) calls.push_back(call);
    }
    return calls;
}

// Checks one drawing of a step button: the face, then the icon.
void ExpectButtonDrawn(const std::vector<vsim::win32::DrawCall>& calls, bool pushed, int icon) {
    ASSERT_EQ(calls.size(), 2u) << (pushed ? "pushed" : "raised");
    EXPECT_EQ(calls[0].kind, vsim::win32::DrawCall::Frame);
    EXPECT_EQ(calls[0].rect.left, 0);
    EXPECT_EQ(calls[0].rect.top, 0);
    EXPECT_EQ(calls[0].rect.right, 20);
    EXPECT_EQ(calls[0].rect.bottom, 20);
    EXPECT_EQ(calls[0].type, (UINT)DFC_BUTTON);
    EXPECT_EQ(calls[0].state, (UINT)(pushed ? DFCS_BUTTONPUSH | DFCS_PUSHED : DFCS_BUTTONPUSH));
    EXPECT_EQ(calls[1].kind, vsim::win32::DrawCall::Icon);
    EXPECT_EQ(calls[1].x, pushed ? -5 : -6);
    EXPECT_EQ(calls[1].y, pushed ? -5 : -6);
    EXPECT_EQ(calls[1].iconId, icon);
}

int PaintsOfMain = 0;
WNDPROC MainBeforeCounter = nullptr;
LRESULT CALLBACK CountPaints(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_PAINT) ++PaintsOfMain;
    return CallWindowProcA(MainBeforeCounter, window, message, wParam, lParam);
}

}  // namespace

class ControlWindowTest : public SessionTest {
protected:
    void Click(int id) { EXPECT_TRUE(vsim::win32::ClickControl(WindowControl(id))) << id; }
    // Starts the host again on the same drive, as a new session of the simulator.
    void RestartHost() {
        StopModule();
        vsim::HostOptions options;
        options.driveRoot = root_;
        options.callLogLimit = CallLogLimit;
        ASSERT_TRUE(vsim::StartHost(options));
        vsim::win32::SetModuleFileName(instance_, ModulePath);
    }
};

TEST_F(ControlWindowTest, ClassAndWindowAsCreatedAtStart) {
    ASSERT_TRUE(StartModule());
    const vsim::win32::WindowClass* windowClass = vsim::win32::FindWindowClass("KESWND");
    ASSERT_NE(windowClass, nullptr);
    EXPECT_EQ(windowClass->style, 3u);
    EXPECT_EQ(windowClass->proc, ControlWindowProc);
    EXPECT_EQ(windowClass->windowExtra, 0);
    EXPECT_EQ(windowClass->instance, instance_);
    EXPECT_EQ(windowClass->icon, nullptr);
    EXPECT_EQ(windowClass->cursor, LoadCursorA(nullptr, IDC_ARROW));
    EXPECT_EQ(windowClass->background, (HBRUSH)(uintptr_t)16);

    ASSERT_NE(ControlWindow, nullptr);
    EXPECT_EQ(vsim::win32::ClassNameOf(ControlWindow), "KESWND");
    const vsim::win32::Window* window = vsim::win32::FindWindowObject(ControlWindow);
    ASSERT_NE(window, nullptr);
    EXPECT_EQ(window->exStyle, (DWORD)WS_EX_TOOLWINDOW);
    // Style 0: an overlapped window, which always has a caption, and nothing else.
    EXPECT_EQ(window->style & ~(DWORD)(WS_CAPTION | WS_CLIPSIBLINGS), 0u) << std::hex << window->style;
    EXPECT_EQ(window->owner, vsim::MainWindowHandle());
    EXPECT_EQ(window->parent, nullptr);
    EXPECT_FALSE(IsWindowVisible(ControlWindow));
    char title[32];
    GetWindowTextA(ControlWindow, title, sizeof title);
    EXPECT_STREQ(title, "Kestrel");

    // Placed at XPos 5, YPos 25 (the defaults) with a client area of 350 x 65.
    RECT rect, client;
    GetWindowRect(ControlWindow, &rect);
    GetClientRect(ControlWindow, &client);
    EXPECT_EQ(rect.left, 5);
    EXPECT_EQ(rect.top, 25);
    EXPECT_EQ(client.right, 350);
    EXPECT_EQ(client.bottom, 65);
    RECT frame = {0, 0, 350, 65};
    AdjustWindowRectEx(&frame, (DWORD)GetWindowLongA(ControlWindow, GWL_STYLE), FALSE,
                       (DWORD)GetWindowLongA(ControlWindow, GWL_EXSTYLE));
    EXPECT_EQ(rect.right - rect.left, frame.right - frame.left);
    EXPECT_EQ(rect.bottom - rect.top, frame.bottom - frame.top);
}

TEST_F(ControlWindowTest, FifteenControlsInCreationOrder) {
    ASSERT_TRUE(StartModule());
    const vsim::win32::Window* window = vsim::win32::FindWindowObject(ControlWindow);
    ASSERT_NE(window, nullptr);
    ASSERT_EQ(window->children.size(), 15u);
    for (size_t i = 0; i < 15; ++i) {
        const ExpectedControl& expected = ExpectedControls[i];
        vsim::win32::ControlInfo info;
        ASSERT_TRUE(vsim::win32::ReadControl(window->children[i], &info));
        EXPECT_EQ(info.id, expected.id) << i;
        EXPECT_EQ(info.className, expected.className) << expected.id;
        EXPECT_EQ(info.style, expected.style) << expected.id;
        EXPECT_EQ(info.exStyle, 0u) << expected.id;
        EXPECT_EQ(info.text, expected.text) << expected.id;
        EXPECT_EQ(info.rect.left, expected.x) << expected.id;
        EXPECT_EQ(info.rect.top, expected.y) << expected.id;
        EXPECT_EQ(info.rect.right - info.rect.left, expected.width) << expected.id;
        EXPECT_EQ(info.rect.bottom - info.rect.top, expected.height) << expected.id;
        if (expected.icon) {
            EXPECT_EQ(vsim::win32::IconIdOf(info.image), expected.icon) << expected.id;
        } else {
            EXPECT_EQ(info.image, nullptr) << expected.id;
        }
    }
    vsim::win32::ControlInfo slider;
    ASSERT_TRUE(vsim::win32::ReadControl(WindowControl(CtlSlider), &slider));
    EXPECT_EQ(slider.rangeMin, 0);
    EXPECT_EQ(slider.rangeMax, 350);
    EXPECT_EQ(slider.position, 0);
    EXPECT_TRUE(slider.ticks.empty());
}

TEST_F(ControlWindowTest, PositionComesFromTheIniBesideTheCurrentDirectory) {
    // "modules\Kestrel.ini" is resolved against the current directory, not the module's
    // folder: with C:\Other current, C:\Other\modules\Kestrel.ini is read.
    WriteIni("WINDOW", "XPos", "100");
    WriteIni("WINDOW", "YPos", "200");
    std::filesystem::create_directories(HostPath("C:\\Other\\modules"));
    WritePrivateProfileStringA("WINDOW", "XPos", "300", "C:\\Other\\modules\\Kestrel.ini");
    WritePrivateProfileStringA("WINDOW", "YPos", "-40", "C:\\Other\\modules\\Kestrel.ini");
    vsim::SetCurrentDirectoryPath("C:\\Other");
    ASSERT_TRUE(StartModule());
    RECT rect;
    GetWindowRect(ControlWindow, &rect);
    EXPECT_EQ(rect.left, 300);
    EXPECT_EQ(rect.top, -40);

    vsim::SetCurrentDirectoryPath("C:\\Sim");
    ASSERT_NO_FATAL_FAILURE(RestartHost());
    ASSERT_TRUE(StartModule());
    GetWindowRect(ControlWindow, &rect);
    EXPECT_EQ(rect.left, 100);
    EXPECT_EQ(rect.top, 200);
}

TEST_F(ControlWindowTest, ButtonsDriveThePlayback) {
    WriteIni("WINDOW", "Show", "1");
    ASSERT_NO_FATAL_FAILURE(StartPlaying());
    ASSERT_TRUE(IsWindowVisible(ControlWindow));
    HWND main = vsim::MainWindowHandle();

    Timeline = 300000;
    Click(1000);
    EXPECT_EQ(Timeline, 0u);
    Click(1008);
    EXPECT_EQ(Timeline, PlaybackEnd - 10000);
    // Step buttons with their searches off jump once.
    const struct {
        int id;
        uint32_t from, to;
    } steps[] = {{1003, 4000000, 3850000}, {1002, 4000000, 3400000}, {1001, 4000000, 1000000},
                 {1005, 100000, 250000},   {1006, 100000, 700000},   {1007, 100000, 3100000},
                 {1003, 100000, 0}};
    for (const auto& step : steps) {
        Timeline = step.from;
        PositionJumped = 0;
        Click(step.id);
        EXPECT_EQ(Timeline, step.to) << step.id;
        EXPECT_EQ(PositionJumped, 1u) << step.id;
    }

    // Loop start and end, then the toggle button following its own check state.
    Timeline = 300000;
    Click(1009);
    EXPECT_EQ(LoopStartTime, 300000u);
    EXPECT_EQ(LoopEnabled, 0u);
    Timeline = 450000;
    Click(1011);
    EXPECT_EQ(LoopEndTime, 450000u);
    EXPECT_EQ(LoopEnabled, 1u);
    EXPECT_EQ(CheckOf(ControlWindow, 1010), (UINT)BST_CHECKED);
    Click(1010);
    EXPECT_EQ(CheckOf(ControlWindow, 1010), (UINT)BST_UNCHECKED);
    EXPECT_EQ(LoopEnabled, 0u);
    Timeline = 100000;
    PositionJumped = 0;
    Click(1010);
    EXPECT_EQ(CheckOf(ControlWindow, 1010), (UINT)BST_CHECKED);
    EXPECT_EQ(LoopEnabled, 1u);
    EXPECT_EQ(Timeline, 300000u) << "looping on moves the position into the loop";
    EXPECT_EQ(PositionJumped, 1u);
    // Only a click counts: another notification of the toggle button does nothing.
    SendMessageA(ControlWindow, WM_COMMAND, MAKEWPARAM(1010, BN_DOUBLECLICKED), (LPARAM)WindowControl(1010));
    SendMessageA(WindowControl(1010), BM_SETCHECK, BST_UNCHECKED, 0);
    SendMessageA(ControlWindow, WM_COMMAND, MAKEWPARAM(1010, BN_DOUBLECLICKED), (LPARAM)WindowControl(1010));
    EXPECT_EQ(LoopEnabled, 1u);

    // Speed: slower, faster, and a click on the speed text.
    Click(1012);
    EXPECT_EQ(SpeedPercent, 50);
    EXPECT_EQ(TextOf(ControlWindow, 1013), "50%");
    Click(1012);
    EXPECT_EQ(SpeedPercent, 33);
    Click(1014);
    EXPECT_EQ(SpeedPercent, 50);
    Click(1013);
    EXPECT_EQ(SpeedPercent, 100);
    EXPECT_EQ(SpeedIndex, 4);
    EXPECT_EQ(TextOf(ControlWindow, 1013), "100%");
    Click(1014);
    EXPECT_EQ(TextOf(ControlWindow, 1013), "200%");

    EXPECT_EQ(GetActiveWindow(), main) << "the clicks left the simulator active";
    EXPECT_EQ(ModuleMode, (uint32_t)Playing);
}

TEST_F(ControlWindowTest, SpeedTextDoubleClickResetsTwice) {
    WriteIni("WINDOW", "Show", "1");
    ASSERT_NO_FATAL_FAILURE(StartPlaying());
    // Count the speed text's updates by subclassing it.
    static int speedTexts = 0;
    static WNDPROC before = nullptr;
    before = (WNDPROC)SetWindowLongPtrA(WindowControl(1013), GWLP_WNDPROC,
                                        (LONG_PTR)+[](HWND w, UINT m, WPARAM wp, LPARAM lp) -> LRESULT {
                                            if (m == WM_SETTEXT) ++speedTexts;
                                            return CallWindowProcA(before, w, m, wp, lp);
                                        });
    Click(1014);
    ASSERT_EQ(SpeedPercent, 200);
    speedTexts = 0;
    EXPECT_TRUE(vsim::win32::DoubleClickControl(WindowControl(1013)));
    EXPECT_EQ(SpeedPercent, 100);
    EXPECT_EQ(SpeedIndex, 4);
    EXPECT_EQ(speedTexts, 2) << "the click and the double click each reset the speed";
    SetWindowLongPtrA(WindowControl(1013), GWLP_WNDPROC, (LONG_PTR)before);
}

TEST_F(ControlWindowTest, SliderSeeks) {
    WriteIni("WINDOW", "Show", "1");
    ASSERT_NO_FATAL_FAILURE(StartPlaying());
    HWND slider = WindowControl(CtlSlider);
    PlaybackStart = 100000;
    PlaybackEnd = 1100000;
    const struct {
        int position;
        uint32_t timeline;
    } seeks[] = {{175, 600000}, {350, 1100000}, {0, 100000}, {1, 102857}, {349, 1097142}};
    for (const auto& seek : seeks) {
        PositionJumped = 0;
        EXPECT_TRUE(vsim::win32::DragTrackbar(slider, seek.position));
        EXPECT_EQ(Timeline, seek.timeline) << seek.position;
        EXPECT_EQ(PositionJumped, 1u);
    }
    // A recording of no length: every position seeks to its start.
    PlaybackStart = PlaybackEnd = 500000;
    for (int position : {0, 175, 350}) {
        EXPECT_TRUE(vsim::win32::DragTrackbar(slider, position));
        EXPECT_EQ(Timeline, 500000u) << position;
    }
    EXPECT_EQ(GetActiveWindow(), vsim::MainWindowHandle());
}

TEST_F(ControlWindowTest, OwnerDrawnButtonsSearchWhileHeld) {
    WriteIni("WINDOW", "Show", "1");
    WriteIni("SETTINGS", "Search1", "1");
    WriteIni("SETTINGS", "Search2", "1");
    WriteIni("SETTINGS", "Search3", "1");
    ASSERT_NO_FATAL_FAILURE(StartPlaying());
    for (const StepButton& button : StepButtons) {
        HWND control = WindowControl(button.id);
        Timeline = 300000;
        PositionJumped = 0;
        vsim::win32::ClearDrawCalls();
        ASSERT_TRUE(vsim::win32::PressButton(control));
        EXPECT_EQ(SpeedPercent, button.searchPercent) << button.id;
        EXPECT_EQ(SimRate, 1024) << "search rate limited to 4x";
        ExpectButtonDrawn(DrawCallsOn(control), true, button.icon);

        vsim::win32::ClearDrawCalls();
        ASSERT_TRUE(vsim::win32::ReleaseButton(control));
        EXPECT_EQ(SpeedPercent, 100) << button.id;
        EXPECT_EQ(SimRate, 256);
        ExpectButtonDrawn(DrawCallsOn(control), false, button.icon);
        EXPECT_EQ(Timeline, 300000u) << "a searching button does not jump on its click";
        EXPECT_EQ(PositionJumped, 0u);
        EXPECT_EQ(GetActiveWindow(), vsim::MainWindowHandle());
    }
}

TEST_F(ControlWindowTest, ClickWithoutSearchJumpsOnceOnRelease) {
    WriteIni("WINDOW", "Show", "1");
    ASSERT_NO_FATAL_FAILURE(StartPlaying());
    HWND back = WindowControl(1003);
    Timeline = 400000;
    vsim::win32::ClearDrawCalls();
    ASSERT_TRUE(vsim::win32::PressButton(back));
    EXPECT_EQ(Timeline, 400000u);
    EXPECT_EQ(SpeedPercent, 100);
    ExpectButtonDrawn(DrawCallsOn(back), true, 118);
    vsim::win32::ClearDrawCalls();
    ASSERT_TRUE(vsim::win32::ReleaseButton(back));
    EXPECT_EQ(Timeline, 250000u);
    EXPECT_EQ(SpeedPercent, 100);
    ExpectButtonDrawn(DrawCallsOn(back), false, 118);
}

TEST_F(ControlWindowTest, RepaintOfARaisedSearchButtonEndsAKeyboardSearch) {
    WriteIni("WINDOW", "Show", "1");
    WriteIni("SETTINGS", "Search1", "1");
    ASSERT_NO_FATAL_FAILURE(StartPlaying());
    KeyDown("Left");
    ASSERT_EQ(SpeedPercent, -500);
    vsim::win32::ClearDrawCalls();
    vsim::win32::RepaintWindow(ControlWindow);
    EXPECT_EQ(SpeedPercent, 100);
    // The six owner-drawn buttons were drawn raised, each with its own icon.
    for (const StepButton& button : StepButtons) {
        ExpectButtonDrawn(DrawCallsOn(WindowControl(button.id)), false, button.icon);
    }
    KeyUp("Left");
    EXPECT_EQ(SpeedPercent, 100);
}

TEST_F(ControlWindowTest, NeverKeepsTheActivation) {
    WriteIni("WINDOW", "Show", "1");
    ASSERT_NO_FATAL_FAILURE(StartPlaying());
    HWND main = vsim::MainWindowHandle();
    SetActiveWindow(main);
    ASSERT_EQ(GetActiveWindow(), main);

    SetActiveWindow(ControlWindow);
    EXPECT_EQ(GetActiveWindow(), main) << "activation is handed straight back";
    EXPECT_EQ(SendMessageA(ControlWindow, WM_MOUSEACTIVATE, (WPARAM)ControlWindow, MAKELPARAM(HTCLIENT, WM_LBUTTONDOWN)),
              (LRESULT)MA_NOACTIVATE);
    EXPECT_NE(SendMessageA(ControlWindow, WM_MOUSEACTIVATE, (WPARAM)ControlWindow, MAKELPARAM(HTCAPTION, WM_LBUTTONDOWN)),
              (LRESULT)MA_NOACTIVATE)
        << "the caption can be grabbed";

    Click(1000);
    EXPECT_TRUE(vsim::win32::DragTrackbar(WindowControl(CtlSlider), 100));
    EXPECT_TRUE(vsim::win32::MoveWindowByUser(ControlWindow, 50, 60));
    EXPECT_EQ(GetActiveWindow(), main);
    EXPECT_TRUE(GetFocus() == nullptr || vsim::win32::TopLevelOf(GetFocus()) == main)
        << "no control of the control window holds the keyboard focus";

    // Keys typed afterwards still reach the hook.
    Timeline = 300000;
    Key("Home");
    EXPECT_EQ(Timeline, 0u);
}

TEST_F(ControlWindowTest, MovingRepaintsTheSimulatorAndSavesThePosition) {
    WriteIni("WINDOW", "Show", "1");
    WriteIni("WINDOW", "XPos", "7");
    ASSERT_NO_FATAL_FAILURE(StartPlaying());
    HWND main = vsim::MainWindowHandle();
    MainBeforeCounter = (WNDPROC)SetWindowLongPtrA(main, GWLP_WNDPROC, (LONG_PTR)CountPaints);
    PaintsOfMain = 0;
    int invalidated = vsim::win32::InvalidateCount(main);
    ASSERT_TRUE(vsim::win32::MoveWindowByUser(ControlWindow, 100, 200));
    SetWindowLongPtrA(main, GWLP_WNDPROC, (LONG_PTR)MainBeforeCounter);
    EXPECT_EQ(vsim::win32::InvalidateCount(main), invalidated + 1);
    EXPECT_EQ(PaintsOfMain, 1) << "WM_PAINT sent at once while moving";
    RECT rect;
    GetWindowRect(ControlWindow, &rect);
    EXPECT_EQ(rect.left, 100);
    EXPECT_EQ(rect.top, 200);
    // "modules\Kestrel.ini" from the current directory C:\Sim is the module's ini.
    EXPECT_EQ(IniText("WINDOW", "XPos"), "100");
    EXPECT_EQ(IniText("WINDOW", "YPos"), "200");
    EXPECT_EQ(IniText("WINDOW", "Show"), "1");

    ASSERT_NO_FATAL_FAILURE(RestartHost());
    ASSERT_TRUE(StartModule());
    GetWindowRect(ControlWindow, &rect);
    EXPECT_EQ(rect.left, 100);
    EXPECT_EQ(rect.top, 200);
    EXPECT_FALSE(IsWindowVisible(ControlWindow));
}
