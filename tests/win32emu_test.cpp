// Tests of the Win32 emulation's windows and controls: the procedure chain, creation
// and geometry, activation and mouse activation, the control classes with their
// messages and notifications, posted messages and painting.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/win32.h"
#include "vsim/sim/simhost.h"
#include "vsim/win32/controls.h"
#include "vsim/win32/drawing.h"
#include "vsim/win32/win32emu.h"
#include "vsim/win32/user_actions.h"
#include "vsim/win32/window.h"

using namespace vsim::win32;

namespace {

struct Message {
    HWND hwnd;
    UINT msg;
    WPARAM wParam;
    LPARAM lParam;
};
std::vector<Message> Received;    // what the recording windows were sent
std::vector<UINT> DrawnStates;    // itemState of each WM_DRAWITEM
std::vector<UINT> DrawnActions;   // itemAction of each WM_DRAWITEM
std::vector<std::string> Calls;   // order of procedures in a chain

LRESULT CALLBACK RecordingProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    Received.push_back({hwnd, msg, wParam, lParam});
    if (msg == WM_DRAWITEM) {
        const DRAWITEMSTRUCT* item = (const DRAWITEMSTRUCT*)lParam;
        DrawnStates.push_back(item->itemState);
        DrawnActions.push_back(item->itemAction);
        return TRUE;
    }
    return DefWindowProcA(hwnd, msg, wParam, lParam);
}

ATOM RegisterTestClass(const char* name, WNDPROC proc, int extra = 0) {
    WNDCLASSEXA wc = {};
    wc.cbSize = sizeof wc;
    wc.lpfnWndProc = proc;
    wc.cbWndExtra = extra;
    wc.lpszClassName = name;
    return RegisterClassExA(&wc);
}

HWND MakeParent() {
    RegisterTestClass("TestParent", RecordingProc);
    return CreateWindowExA(0, "TestParent", "Parent", WS_POPUP | WS_VISIBLE, 0, 0, 400, 300, nullptr, nullptr, nullptr,
                           nullptr);
}

HWND MakeChild(HWND parent, const char* className, DWORD style, int id, const char* text = "") {
    return CreateWindowExA(0, className, text, WS_CHILD | WS_VISIBLE | style, 10, 10, 60, 20, parent,
                           (HMENU)(intptr_t)id, nullptr, nullptr);
}

// The notification codes a control sent its parent with WM_COMMAND, in order.
std::vector<int> Notifications(int id) {
    std::vector<int> codes;
    for (const Message& m : Received)
        if (m.msg == WM_COMMAND && LOWORD(m.wParam) == (WORD)id) codes.push_back(HIWORD(m.wParam));
    return codes;
}

std::vector<UINT> MessagesTo(HWND hwnd, std::initializer_list<UINT> kinds) {
    std::vector<UINT> result;
    for (const Message& m : Received)
        if (m.hwnd == hwnd && std::find(kinds.begin(), kinds.end(), m.msg) != kinds.end()) result.push_back(m.msg);
    return result;
}

class Win32Windows : public ::testing::Test {
protected:
    void SetUp() override {
        vsim::ResetHostServices();
        ResetWin32();
        Received.clear();
        DrawnStates.clear();
        DrawnActions.clear();
        Calls.clear();
    }
};

// ---- The procedure chain ----

WNDPROC FirstPrevious, SecondPrevious;

LRESULT CALLBACK BaseProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    if (msg == WM_USER) {
        Calls.push_back("base");
        return 7;
    }
    return DefWindowProcA(hwnd, msg, wParam, lParam);
}
LRESULT CALLBACK FirstHook(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    if (msg == WM_USER) Calls.push_back("first");
    return CallWindowProcA(FirstPrevious, hwnd, msg, wParam, lParam);
}
LRESULT CALLBACK SecondHook(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    if (msg == WM_USER) Calls.push_back("second");
    return CallWindowProcA(SecondPrevious, hwnd, msg, wParam, lParam);
}

TEST_F(Win32Windows, SubclassingChainsProceduresNewestFirstAndUnwinds) {
    ASSERT_NE(RegisterTestClass("FS98MAIN", BaseProc), 0);
    EXPECT_EQ(RegisterTestClass("fs98main", BaseProc), 0) << "a class name is registered once";
    HWND main = CreateWindowExA(0, "FS98MAIN", "Flight Simulator", 0, 0, 0, 800, 600, nullptr, nullptr, nullptr,
                                nullptr);
    ASSERT_NE(main, nullptr);
    EXPECT_EQ(FindWindowA("fs98main", nullptr), main);
    EXPECT_EQ(FindWindowA(nullptr, "FLIGHT SIMULATOR"), main);
    EXPECT_EQ(FindWindowA("FS98MAIN", "Other"), nullptr);

    FirstPrevious = (WNDPROC)SetWindowLongPtrA(main, GWLP_WNDPROC, (LONG_PTR)FirstHook);
    EXPECT_EQ(FirstPrevious, BaseProc);
    SecondPrevious = (WNDPROC)SetWindowLongPtrA(main, GWLP_WNDPROC, (LONG_PTR)SecondHook);
    EXPECT_EQ(SecondPrevious, FirstHook);
    EXPECT_EQ(GetWindowLongPtrA(main, GWLP_WNDPROC), (LONG_PTR)SecondHook);
    EXPECT_EQ(SendMessageA(main, WM_USER, 0, 0), 7);
    EXPECT_EQ(Calls, (std::vector<std::string>{"second", "first", "base"}));

    // Taking the newest hook out restores the one below it.
    Calls.clear();
    EXPECT_EQ(SetWindowLongPtrA(main, GWLP_WNDPROC, (LONG_PTR)SecondPrevious), (LONG_PTR)SecondHook);
    SendMessageA(main, WM_USER, 0, 0);
    EXPECT_EQ(Calls, (std::vector<std::string>{"first", "base"}));

    // DefWindowProcA keeps the text; GetWindowTextA truncates to the buffer.
    EXPECT_TRUE(SetWindowTextA(main, "Playback 12 / 300 seconds"));
    char text[9];
    EXPECT_EQ(GetWindowTextA(main, text, sizeof text), 8);
    EXPECT_STREQ(text, "Playback");
    EXPECT_EQ(SendMessageA(main, WM_GETTEXTLENGTH, 0, 0), 25);

    // Window extra bytes and user data are kept per window.
    SetWindowLongPtrA(main, GWLP_USERDATA, 1234);
    EXPECT_EQ(GetWindowLongPtrA(main, GWLP_USERDATA), 1234);
    EXPECT_EQ(GetWindowLongPtrA(main, 0), 0) << "the class has no extra bytes";

    EXPECT_TRUE(DestroyWindow(main));
    EXPECT_EQ(SendMessageA(main, WM_USER, 0, 0), 0) << "a destroyed window's handle reaches nothing";
    EXPECT_EQ(FindWindowA("FS98MAIN", nullptr), nullptr);
}

// ---- Creation and geometry ----

LPVOID CreateParamSeen;
LRESULT CALLBACK RefusingProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    if (msg == WM_CREATE) {
        const CREATESTRUCTA* create = (const CREATESTRUCTA*)lParam;
        CreateParamSeen = create->lpCreateParams;
        return create->lpCreateParams == nullptr ? -1 : 0;
    }
    return RecordingProc(hwnd, msg, wParam, lParam);
}

TEST_F(Win32Windows, CreationStylesAndFrameGeometry) {
    RegisterTestClass("KESWND", RefusingProc);
    int marker = 0;
    EXPECT_EQ(CreateWindowExA(0, "KESWND", "Kestrel", 0, 20, 20, 200, 70, nullptr, nullptr, nullptr, nullptr), nullptr)
        << "WM_CREATE returning -1 refuses the window";
    EXPECT_EQ(FindWindowA("KESWND", nullptr), nullptr);
    HWND window = CreateWindowExA(WS_EX_TOOLWINDOW, "KESWND", "Kestrel", 0, 20, 20, 200, 70, nullptr, nullptr,
                                  nullptr, &marker);
    ASSERT_NE(window, nullptr);
    EXPECT_EQ(CreateParamSeen, &marker);
    EXPECT_EQ(CreateWindowExA(0, "NoSuchClass", "", 0, 0, 0, 1, 1, nullptr, nullptr, nullptr, nullptr), nullptr);

    // An overlapped window gets a caption; a tool window's caption is 15 px, frames 3 px.
    DWORD style = (DWORD)GetWindowLongA(window, GWL_STYLE);
    EXPECT_EQ(style & WS_CAPTION, (DWORD)WS_CAPTION);
    EXPECT_FALSE(style & WS_VISIBLE);
    RECT r = {0, 0, 350, 65};
    ASSERT_TRUE(AdjustWindowRectEx(&r, style, FALSE, (DWORD)GetWindowLongA(window, GWL_EXSTYLE)));
    EXPECT_EQ(r.left, -3);
    EXPECT_EQ(r.top, -18);
    EXPECT_EQ(r.right, 353);
    EXPECT_EQ(r.bottom, 68);
    RECT dialogFrame = {0, 0, 100, 50};
    AdjustWindowRectEx(&dialogFrame, WS_POPUP | WS_CAPTION, FALSE, WS_EX_DLGMODALFRAME);
    EXPECT_EQ(dialogFrame.top, -21) << "an ordinary caption is 18 px";

    Received.clear();
    ASSERT_TRUE(SetWindowPos(window, nullptr, 100, 200, r.right - r.left, r.bottom - r.top, 0));
    EXPECT_EQ(GetActiveWindow(), nullptr) << "a hidden window is not activated by SetWindowPos";
    RECT client, frame;
    GetClientRect(window, &client);
    GetWindowRect(window, &frame);
    EXPECT_EQ(client.right, 350);
    EXPECT_EQ(client.bottom, 65);
    EXPECT_EQ(frame.left, 100);
    EXPECT_EQ(frame.bottom, 286);
    bool movedToClient = false;
    for (const Message& m : Received)
        if (m.msg == WM_MOVE) movedToClient = LOWORD(m.lParam) == 103 && HIWORD(m.lParam) == 218;
    EXPECT_TRUE(movedToClient) << "WM_MOVE carries the client origin";

    // A child's window rectangle is in screen coordinates.
    HWND child = CreateWindowExA(0, "BUTTON", "|<", WS_CHILD | WS_VISIBLE, 5, 40, 20, 20, window, (HMENU)1000,
                                 nullptr, nullptr);
    GetWindowRect(child, &frame);
    EXPECT_EQ(frame.left, 108);
    EXPECT_EQ(frame.top, 258);
    EXPECT_EQ(GetDlgCtrlID(child), 1000);
    EXPECT_EQ(GetParent(child), window);
    EXPECT_EQ(GetDlgItem(window, 1000), child);
    EXPECT_FALSE(IsWindowVisible(child)) << "a visible child of a hidden window is not visible";
    ShowWindow(window, SW_SHOW);
    EXPECT_TRUE(IsWindowVisible(child));
    EXPECT_EQ(FindWindowA("BUTTON", nullptr), nullptr) << "FindWindowA looks at top-level windows only";

    // Destroying the parent destroys the child, parent first.
    Received.clear();
    DestroyWindow(window);
    EXPECT_EQ(SendMessageA(child, BM_GETSTATE, 0, 0), 0);
    EXPECT_EQ(GetDlgCtrlID(child), 0);
}

// ---- Activation ----

HWND SimMain, ControlWindow;
LRESULT CALLBACK ControlWindowProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    Received.push_back({hwnd, msg, wParam, lParam});
    switch (msg) {
    case WM_ACTIVATE:
        if (LOWORD(wParam) != WA_INACTIVE) {
            SetActiveWindow(SimMain);
            return 0;
        }
        break;
    case WM_MOUSEACTIVATE:
        if (LOWORD(lParam) == HTCLIENT) return MA_NOACTIVATE;
        break;
    case WM_NCACTIVATE: return DefWindowProcA(hwnd, msg, 1, 0);
    case WM_DRAWITEM: {
        const DRAWITEMSTRUCT* item = (const DRAWITEMSTRUCT*)lParam;
        bool pushed = (SendMessageA(item->hwndItem, BM_GETSTATE, 0, 0) & BST_PUSHED) != 0;
        EXPECT_EQ(pushed, (item->itemState & ODS_SELECTED) != 0);
        DrawnStates.push_back(item->itemState);
        DrawnActions.push_back(item->itemAction);
        RECT face = item->rcItem;
        DrawFrameControl(item->hDC, &face, DFC_BUTTON, DFCS_BUTTONPUSH | (pushed ? DFCS_PUSHED : 0));
        return TRUE;
    }
    default: break;
    }
    return DefWindowProcA(hwnd, msg, wParam, lParam);
}

TEST_F(Win32Windows, ControlWindowNeverKeepsActivationAndOwnerDrawnButtonsPushAndRelease) {
    RegisterTestClass("FS98MAIN", RecordingProc);
    RegisterTestClass("KESWND", ControlWindowProc);
    SimMain = CreateWindowExA(0, "FS98MAIN", "FSX", WS_VISIBLE, 0, 0, 800, 600, nullptr, nullptr, nullptr, nullptr);
    ASSERT_EQ(GetActiveWindow(), SimMain);
    ASSERT_EQ(GetFocus(), SimMain);
    ControlWindow = CreateWindowExA(WS_EX_TOOLWINDOW, "KESWND", "Kestrel", 0, 20, 20, 356, 86, SimMain, nullptr,
                                    nullptr, nullptr);
    HWND back1 = CreateWindowExA(0, "BUTTON", "<", 0x5000000B, 65, 40, 20, 20, ControlWindow, (HMENU)1003, nullptr,
                                 nullptr);
    ASSERT_NE(back1, nullptr);

    // Showing activates the window; its WM_ACTIVATE hands the activation straight back.
    Received.clear();
    ShowWindow(ControlWindow, SW_SHOW);
    EXPECT_EQ(GetActiveWindow(), SimMain);
    EXPECT_EQ(GetFocus(), SimMain);
    EXPECT_EQ(MessagesTo(SimMain, {WM_NCACTIVATE, WM_ACTIVATE}),
              (std::vector<UINT>{WM_NCACTIVATE, WM_ACTIVATE, WM_NCACTIVATE, WM_ACTIVATE}));

    // The first paint draws the owner-drawn button once, raised.
    PumpPostedMessages();
    ASSERT_EQ(DrawnStates.size(), 1u);
    EXPECT_EQ(DrawnActions[0], (UINT)ODA_DRAWENTIRE);
    EXPECT_FALSE(DrawnStates[0] & ODS_SELECTED);
    ASSERT_EQ(DrawCalls().size(), 1u);
    EXPECT_EQ(DrawCalls()[0].window, back1);
    EXPECT_EQ(DrawCalls()[0].rect.right, 20);

    // Pressing: mouse activation asked with HTCLIENT and refused, then the pushed face.
    Received.clear();
    DrawnStates.clear();
    ASSERT_TRUE(PressButton(back1));
    bool askedClient = false;
    for (const Message& m : Received)
        if (m.hwnd == ControlWindow && m.msg == WM_MOUSEACTIVATE) askedClient = LOWORD(m.lParam) == HTCLIENT;
    EXPECT_TRUE(askedClient);
    ASSERT_EQ(DrawnStates.size(), 1u);
    EXPECT_TRUE(DrawnStates[0] & ODS_SELECTED);
    EXPECT_EQ(Notifications(1003), std::vector<int>{}) << "no click before the release";
    EXPECT_TRUE(ReleaseButton(back1));
    ASSERT_EQ(DrawnStates.size(), 2u);
    EXPECT_FALSE(DrawnStates[1] & ODS_SELECTED);
    EXPECT_EQ(Notifications(1003), std::vector<int>{BN_CLICKED});
    EXPECT_EQ(GetActiveWindow(), SimMain) << "keys still go to the simulator";
    EXPECT_EQ(GetFocus(), SimMain);
    EXPECT_FALSE(ReleaseButton(nullptr));

    // A repaint (the window uncovered) draws the button again.
    DrawnStates.clear();
    RepaintWindow(ControlWindow);
    EXPECT_EQ(DrawnStates.size(), 1u);

    // Dragging the window by its caption: the move messages in order, then the position.
    Received.clear();
    ASSERT_TRUE(MoveWindowByUser(ControlWindow, 100, 200));
    EXPECT_EQ(MessagesTo(ControlWindow, {WM_ENTERSIZEMOVE, WM_MOVING, WM_MOVE, WM_EXITSIZEMOVE}),
              (std::vector<UINT>{WM_ENTERSIZEMOVE, WM_MOVING, WM_MOVE, WM_EXITSIZEMOVE}));
    RECT r;
    GetWindowRect(ControlWindow, &r);
    EXPECT_EQ(r.left, 100);
    EXPECT_EQ(r.top, 200);
    EXPECT_EQ(GetActiveWindow(), SimMain);

    // Hiding and disabling: a disabled window takes no clicks.
    EnableWindow(back1, FALSE);
    EXPECT_FALSE(ClickControl(back1));
    ShowWindow(ControlWindow, SW_HIDE);
    EnableWindow(back1, TRUE);
    EXPECT_FALSE(ClickControl(back1)) << "a hidden control takes no clicks";
}

// ---- Buttons ----

TEST_F(Win32Windows, CheckBoxesRadioGroupsAndButtonState) {
    HWND parent = MakeParent();
    HWND stepA = MakeChild(parent, "BUTTON", BS_AUTORADIOBUTTON | WS_GROUP, 1052, "Step");
    HWND searchA = MakeChild(parent, "BUTTON", BS_AUTORADIOBUTTON, 1053, "Search");
    HWND edit = MakeChild(parent, "EDIT", ES_NUMBER | WS_GROUP, 1010);
    HWND stepB = MakeChild(parent, "BUTTON", BS_AUTORADIOBUTTON | WS_GROUP, 1058, "Step");
    HWND searchB = MakeChild(parent, "BUTTON", BS_AUTORADIOBUTTON, 1059, "Search");
    HWND box = MakeChild(parent, "BUTTON", BS_AUTOCHECKBOX, 1003, "Enable replay");
    HWND manual = MakeChild(parent, "BUTTON", BS_CHECKBOX, 1004, "Manual");
    HWND toggle = MakeChild(parent, "BUTTON", BS_AUTOCHECKBOX | BS_ICON | BS_PUSHLIKE, 1010 + 100, "~");
    HWND group = MakeChild(parent, "BUTTON", BS_GROUPBOX, -1, "Playback");
    HWND push = MakeChild(parent, "BUTTON", BS_PUSHBUTTON, 1097, "Recording settings...");
    ASSERT_NE(edit, nullptr);

    // CheckRadioButton and BM_SETCHECK set states without touching the group.
    CheckRadioButton(parent, 1052, 1053, 1052);
    CheckDlgButton(parent, 1058, BST_CHECKED);
    CheckDlgButton(parent, 1059, BST_CHECKED);
    EXPECT_EQ(IsDlgButtonChecked(parent, 1058), (UINT)BST_CHECKED);
    EXPECT_EQ(IsDlgButtonChecked(parent, 1059), (UINT)BST_CHECKED) << "BM_SETCHECK leaves the other radio alone";

    // A click moves the group's check: only inside the group that WS_GROUP delimits.
    ASSERT_TRUE(ClickControl(searchA));
    EXPECT_EQ(IsDlgButtonChecked(parent, 1053), (UINT)BST_CHECKED);
    EXPECT_EQ(IsDlgButtonChecked(parent, 1052), (UINT)BST_UNCHECKED);
    EXPECT_EQ(IsDlgButtonChecked(parent, 1058), (UINT)BST_CHECKED) << "the next group is untouched";
    ClickControl(stepB);
    EXPECT_EQ(IsDlgButtonChecked(parent, 1059), (UINT)BST_UNCHECKED);
    ClickControl(searchA);  // clicking the checked radio keeps it checked and still notifies
    EXPECT_EQ(IsDlgButtonChecked(parent, 1053), (UINT)BST_CHECKED);
    EXPECT_EQ(Notifications(1053), (std::vector<int>{BN_CLICKED, BN_CLICKED}));
    (void)stepA;
    (void)searchB;

    // Automatic check boxes toggle; plain ones only report the click.
    ClickControl(box);
    EXPECT_EQ(IsDlgButtonChecked(parent, 1003), (UINT)BST_CHECKED);
    ClickControl(box);
    EXPECT_EQ(IsDlgButtonChecked(parent, 1003), (UINT)BST_UNCHECKED);
    EXPECT_EQ(Notifications(1003), (std::vector<int>{BN_CLICKED, BN_CLICKED}));
    ClickControl(manual);
    EXPECT_EQ(IsDlgButtonChecked(parent, 1004), (UINT)BST_UNCHECKED);
    EXPECT_EQ(Notifications(1004), std::vector<int>{BN_CLICKED});
    SendMessageA(toggle, BM_CLICK, 0, 0);
    EXPECT_EQ(SendMessageA(toggle, BM_GETCHECK, 0, 0), BST_CHECKED) << "a push-like check box is a toggle";

    // Push buttons have no check state; BM_GETSTATE reports pushed and the check.
    SendMessageA(push, BM_SETCHECK, BST_CHECKED, 0);
    EXPECT_EQ(SendMessageA(push, BM_GETCHECK, 0, 0), 0);
    SendMessageA(push, BM_SETSTATE, TRUE, 0);
    EXPECT_EQ(SendMessageA(push, BM_GETSTATE, 0, 0) & (BST_PUSHED | BST_CHECKED), BST_PUSHED);
    EXPECT_EQ(SendMessageA(toggle, BM_GETSTATE, 0, 0) & BST_CHECKED, BST_CHECKED);

    // Images: BM_SETIMAGE answers the previous one.
    HICON loop = LoadIconA((HINSTANCE)0x1000, MAKEINTRESOURCE(126));
    HICON faster = LoadIconA((HINSTANCE)0x1000, MAKEINTRESOURCE(130));
    EXPECT_EQ(SendMessageA(toggle, BM_SETIMAGE, IMAGE_ICON, (LPARAM)loop), 0);
    EXPECT_EQ(SendMessageA(toggle, BM_SETIMAGE, IMAGE_ICON, (LPARAM)faster), (LRESULT)loop);
    EXPECT_EQ(IconIdOf((HANDLE)SendMessageA(toggle, BM_GETIMAGE, IMAGE_ICON, 0)), 130);
    EXPECT_EQ(LoadIconA((HINSTANCE)0x1000, MAKEINTRESOURCE(130)), faster) << "the same icon, the same handle";

    // A group box takes no click; a disabled button none either.
    ClickControl(group);
    EXPECT_EQ(Notifications(-1), std::vector<int>{});
    EnableWindow(box, FALSE);
    EXPECT_FALSE(ClickControl(box));
    SendMessageA(box, BM_CLICK, 0, 0);
    EXPECT_EQ(Notifications(1003).size(), 2u);
}

// ---- Edits, static texts, combo and list boxes ----

TEST_F(Win32Windows, EditAndStaticNotificationsAndDialogIntegers) {
    HWND parent = MakeParent();
    HWND edit = MakeChild(parent, "EDIT", ES_NUMBER | ES_AUTOHSCROLL, 1011);
    HWND speed = MakeChild(parent, "STATIC", SS_CENTER | SS_SUNKEN | SS_NOTIFY, 1013, "100%");
    HWND label = MakeChild(parent, "STATIC", 0, 1012, "Used memory:");

    // Setting text reports an update, then a change; empty over empty reports nothing.
    SetDlgItemTextA(parent, 1011, "");
    EXPECT_EQ(Notifications(1011), std::vector<int>{});
    SetDlgItemInt(parent, 1011, 3600, FALSE);
    EXPECT_EQ(Notifications(1011), (std::vector<int>{EN_UPDATE, EN_CHANGE}));
    char text[16];
    EXPECT_EQ(GetDlgItemTextA(parent, 1011, text, sizeof text), 4u);
    EXPECT_STREQ(text, "3600");
    EXPECT_EQ(GetDlgItemTextA(parent, 4242, text, sizeof text), 0u);
    EXPECT_STREQ(text, "");

    struct Case {
        const char* text;
        BOOL isSigned;
        UINT value;
        BOOL translated;
    } cases[] = {
        {"42", FALSE, 42, TRUE},          {"  17", FALSE, 17, TRUE},     {"12abc", FALSE, 12, TRUE},
        {"abc", FALSE, 0, FALSE},         {"", FALSE, 0, FALSE},         {"-5", TRUE, (UINT)-5, TRUE},
        {"-5", FALSE, 0xFFFFFFFBu, TRUE}, {"4294967295", FALSE, 0xFFFFFFFFu, TRUE},
        {"4294967296", FALSE, 0, FALSE},  {"2147483648", TRUE, 0, FALSE}, {"-2147483648", TRUE, 0x80000000u, TRUE},
    };
    for (const Case& c : cases) {
        SetDlgItemTextA(parent, 1011, c.text);
        BOOL translated = 2;
        EXPECT_EQ(GetDlgItemInt(parent, 1011, &translated, c.isSigned), c.value) << c.text;
        EXPECT_EQ(translated, c.translated) << c.text;
    }

    // Typing is text set by the user after a click into the field.
    Received.clear();
    ASSERT_TRUE(TypeText(edit, "120"));
    EXPECT_EQ(Notifications(1011), (std::vector<int>{EN_SETFOCUS, EN_UPDATE, EN_CHANGE}));
    EXPECT_EQ(GetFocus(), edit);
    EXPECT_FALSE(TypeText(label, "x")) << "a static text takes no typing";

    // A notifying static text reports clicks; a double click sends two notifications.
    Received.clear();
    ASSERT_TRUE(DoubleClickControl(speed));
    EXPECT_EQ(Notifications(1013), (std::vector<int>{STN_CLICKED, STN_DBLCLK}));
    ClickControl(label);
    EXPECT_EQ(Notifications(1012), std::vector<int>{});
}

TEST_F(Win32Windows, ComboAndListBoxesKeepItemsAndReportUserSelections) {
    HWND parent = MakeParent();
    HWND combo = MakeChild(parent, "COMBOBOX", CBS_DROPDOWNLIST | WS_VSCROLL, 1000);
    HWND notifying = MakeChild(parent, "LISTBOX", LBS_NOTIFY, 1039);
    HWND quiet = MakeChild(parent, "LISTBOX", 0, 1040);
    for (const char* item : {"1/8 sec", "1/4 sec", "1/2 sec", "1 sec", "2 sec"})
        SendMessageA(combo, CB_ADDSTRING, 0, (LPARAM)item);
    EXPECT_EQ(SendMessageA(combo, CB_GETCOUNT, 0, 0), 5);
    EXPECT_EQ(SendMessageA(combo, CB_GETCURSEL, 0, 0), CB_ERR);
    EXPECT_EQ(SendMessageA(combo, CB_SETCURSEL, 2, 0), 2);
    char text[32];
    EXPECT_EQ(GetWindowTextA(combo, text, sizeof text), 7) << "a drop-down list shows its selected item";
    EXPECT_STREQ(text, "1/2 sec");
    EXPECT_EQ(SendMessageA(combo, CB_GETLBTEXT, 4, (LPARAM)text), 5);
    EXPECT_STREQ(text, "2 sec");
    EXPECT_EQ(SendMessageA(combo, CB_GETLBTEXT, 5, (LPARAM)text), CB_ERR);
    EXPECT_EQ(SendMessageA(combo, CB_SETCURSEL, 7, 0), CB_ERR);
    EXPECT_EQ(SendMessageA(combo, CB_GETCURSEL, 0, 0), CB_ERR) << "an index out of range clears the selection";
    EXPECT_EQ(Notifications(1000), std::vector<int>{}) << "the program's own selection is not reported";

    Received.clear();
    ASSERT_TRUE(SelectItem(combo, 3));
    EXPECT_EQ(SendMessageA(combo, CB_GETCURSEL, 0, 0), 3);
    EXPECT_EQ(Notifications(1000), (std::vector<int>{CBN_SETFOCUS, CBN_SELCHANGE}));
    EXPECT_FALSE(SelectItem(combo, 5));

    SendMessageA(notifying, LB_ADDSTRING, 0, (LPARAM) "Jump to beginning");
    SendMessageA(notifying, LB_ADDSTRING, 0, (LPARAM) "Jump to end");
    SendMessageA(quiet, LB_ADDSTRING, 0, (LPARAM) "x");
    EXPECT_EQ(SendMessageA(notifying, LB_SETCURSEL, (WPARAM)-1, 0), LB_ERR) << "-1 clears and answers LB_ERR";
    EXPECT_EQ(SendMessageA(notifying, LB_SETCURSEL, 1, 0), 1);
    EXPECT_EQ(SendMessageA(notifying, LB_SETCURSEL, 2, 0), LB_ERR);
    EXPECT_EQ(SendMessageA(notifying, LB_GETCURSEL, 0, 0), 1) << "a refused index keeps the selection";
    EXPECT_EQ(SendMessageA(notifying, LB_GETTEXT, 0, (LPARAM)text), 17);
    EXPECT_STREQ(text, "Jump to beginning");
    Received.clear();
    SelectItem(notifying, 0);
    SelectItem(quiet, 0);
    EXPECT_EQ(Notifications(1039), (std::vector<int>{LBN_SETFOCUS, LBN_SELCHANGE, LBN_KILLFOCUS}));
    EXPECT_EQ(Notifications(1040), std::vector<int>{}) << "without LBS_NOTIFY a list box reports nothing";
    SendMessageA(combo, CB_RESETCONTENT, 0, 0);
    EXPECT_EQ(SendMessageA(combo, CB_GETCOUNT, 0, 0), 0);
    EXPECT_EQ(SendMessageA(combo, CB_GETCURSEL, 0, 0), CB_ERR);
}

// ---- Common controls ----

TEST_F(Win32Windows, TrackbarRangePositionTicksAndDragging) {
    HWND parent = MakeParent();
    HWND slider = MakeChild(parent, TRACKBAR_CLASSA, TBS_BOTH, 1004);
    EXPECT_EQ(SendMessageA(slider, TBM_GETRANGEMAX, 0, 0), 100) << "a new trackbar's range is 0 .. 100";
    EXPECT_EQ(SendMessageA(slider, TBM_GETNUMTICS, 0, 0), 2) << "the two ends";
    SendMessageA(slider, TBM_SETPOS, TRUE, 90);
    SendMessageA(slider, TBM_SETRANGE, TRUE, MAKELONG(0, 50));
    EXPECT_EQ(SendMessageA(slider, TBM_GETPOS, 0, 0), 50) << "a narrower range clamps the position";
    SendMessageA(slider, TBM_SETRANGE, TRUE, MAKELONG(0, 350));
    SendMessageA(slider, TBM_SETPOS, TRUE, -4);
    EXPECT_EQ(SendMessageA(slider, TBM_GETPOS, 0, 0), 0);
    EXPECT_TRUE(SendMessageA(slider, TBM_SETTIC, 0, 300));
    EXPECT_TRUE(SendMessageA(slider, TBM_SETTIC, 0, 20));
    EXPECT_FALSE(SendMessageA(slider, TBM_SETTIC, 0, 351));
    EXPECT_EQ(SendMessageA(slider, TBM_GETNUMTICS, 0, 0), 4);
    EXPECT_EQ(SendMessageA(slider, TBM_GETTIC, 0, 0), 20);
    EXPECT_EQ(SendMessageA(slider, TBM_GETTIC, 1, 0), 300);
    EXPECT_EQ(SendMessageA(slider, TBM_GETTIC, 2, 0), -1);
    SendMessageA(slider, TBM_CLEARTICS, TRUE, 0);
    EXPECT_EQ(SendMessageA(slider, TBM_GETNUMTICS, 0, 0), 2);

    Received.clear();
    ASSERT_TRUE(DragTrackbar(slider, 400));
    EXPECT_EQ(SendMessageA(slider, TBM_GETPOS, 0, 0), 350);
    std::vector<std::pair<int, int>> scrolls;
    for (const Message& m : Received)
        if (m.msg == WM_HSCROLL && (HWND)m.lParam == slider) scrolls.push_back({LOWORD(m.wParam), HIWORD(m.wParam)});
    EXPECT_EQ(scrolls, (std::vector<std::pair<int, int>>{{TB_THUMBTRACK, 350}, {TB_THUMBPOSITION, 350},
                                                          {TB_ENDTRACK, 0}}));
    ControlInfo info;
    ASSERT_TRUE(ReadControl(slider, &info));
    EXPECT_EQ(info.position, 350);
    EXPECT_EQ(info.rangeMax, 350);
}

TEST_F(Win32Windows, HotKeyControlAppliesRulesToTypedKeys) {
    HWND parent = MakeParent();
    HWND hotKey = MakeChild(parent, HOTKEY_CLASSA, WS_BORDER, 1041);
    SendMessageA(hotKey, HKM_SETRULES, HKCOMB_A | HKCOMB_SA | HKCOMB_CA | HKCOMB_SCA, MAKELPARAM(0, 0));
    SendMessageA(hotKey, HKM_SETHOTKEY, MAKEWORD(VK_ESCAPE, HOTKEYF_SHIFT), 0);
    EXPECT_EQ(SendMessageA(hotKey, HKM_GETHOTKEY, 0, 0), MAKEWORD(VK_ESCAPE, HOTKEYF_SHIFT))
        << "the program's value is kept as given";

    struct Case {
        WORD typed;
        WORD value;
    } cases[] = {
        {MAKEWORD('A', HOTKEYF_ALT), MAKEWORD('A', 0)},
        {MAKEWORD(VK_ADD, HOTKEYF_SHIFT), MAKEWORD(VK_ADD, HOTKEYF_SHIFT)},
        {MAKEWORD('A', HOTKEYF_ALT | HOTKEYF_SHIFT | HOTKEYF_CONTROL), MAKEWORD('A', 0)},
        {MAKEWORD(VK_END, HOTKEYF_CONTROL), MAKEWORD(VK_END, HOTKEYF_CONTROL | HOTKEYF_EXT)},
        {MAKEWORD(VK_HOME, 0), MAKEWORD(VK_HOME, HOTKEYF_EXT)},
        {MAKEWORD(0x08, 0), 0},  // Backspace clears the control
    };
    for (const Case& c : cases) {
        Received.clear();
        ASSERT_TRUE(TypeHotKey(hotKey, c.typed));
        EXPECT_EQ(SendMessageA(hotKey, HKM_GETHOTKEY, 0, 0), c.value) << std::hex << c.typed;
        std::vector<int> codes = Notifications(1041);
        EXPECT_NE(std::find(codes.begin(), codes.end(), EN_CHANGE), codes.end()) << std::hex << c.typed;
    }
    EXPECT_EQ(GetAsyncKeyState(VK_MENU), 0) << "the modifiers are released after typing";
    EXPECT_EQ(GetAsyncKeyState(VK_SHIFT), 0);

    // Without rules Alt stays in the value.
    SendMessageA(hotKey, HKM_SETRULES, 0, 0);
    TypeHotKey(hotKey, MAKEWORD('Z', HOTKEYF_ALT));
    EXPECT_EQ(SendMessageA(hotKey, HKM_GETHOTKEY, 0, 0), MAKEWORD('Z', HOTKEYF_ALT));
}

TEST_F(Win32Windows, UpDownBuddyRangeAndPositionReadBack) {
    HWND parent = MakeParent();
    HWND edit = CreateWindowExA(0, "EDIT", "", WS_CHILD | WS_VISIBLE | WS_BORDER | ES_NUMBER, 61, 41, 59, 23, parent,
                                (HMENU)1005, nullptr, nullptr);
    HWND spin = CreateWindowExA(0, UPDOWN_CLASSA, "Spin1",
                                WS_CHILD | WS_VISIBLE | UDS_SETBUDDYINT | UDS_ALIGNRIGHT | UDS_AUTOBUDDY | UDS_ARROWKEYS,
                                105, 65, 17, 24, parent, (HMENU)1006, nullptr, nullptr);
    ControlInfo info;
    ASSERT_TRUE(ReadControl(spin, &info));
    EXPECT_EQ(info.buddy, edit) << "the buddy is the control created before it";
    EXPECT_EQ(SendMessageA(spin, UDM_GETBUDDY, 0, 0), (LRESULT)edit);
    // Aligned at the buddy's right edge: the buddy gives up 16 px; +2 beside a bordered edit.
    ControlInfo buddy;
    ReadControl(edit, &buddy);
    EXPECT_EQ(buddy.rect.right - buddy.rect.left, 43);
    EXPECT_EQ(info.rect.left, 104);
    EXPECT_EQ(info.rect.top, 41);
    EXPECT_EQ(info.rect.right - info.rect.left, 18);
    EXPECT_EQ(info.rect.bottom - info.rect.top, 23);
    EXPECT_EQ(SendMessageA(spin, UDM_GETRANGE, 0, 0), MAKELONG(0, 100)) << "a new up-down runs 100 .. 0";

    SendMessageA(spin, UDM_SETRANGE, 0, MAKELONG(1800, 5));
    EXPECT_EQ(SendMessageA(spin, UDM_GETRANGE, 0, 0), MAKELONG(1800, 5));
    EXPECT_EQ(SendMessageA(spin, UDM_SETPOS, 0, MAKELONG(1234, 0)), 0) << "answers the previous position";
    char text[16];
    GetWindowTextA(edit, text, sizeof text);
    EXPECT_STREQ(text, "1,234") << "the buddy gets the position with a thousands separator";
    SendMessageA(spin, UDM_SETPOS, 0, MAKELONG(9000, 0));
    GetWindowTextA(edit, text, sizeof text);
    EXPECT_STREQ(text, "1,800") << "positions are clamped to the range";

    struct Case {
        const char* text;
        int position;
        bool error;
    } cases[] = {
        {"60", 60, false}, {"1,500", 1500, false}, {"5", 5, false}, {"4", 5, true},
        {"1801", 5, true}, {"abc", 5, true},       {"", 5, true},   {"12 ", 5, true},
    };
    for (const Case& c : cases) {
        SetWindowTextA(edit, c.text);
        LRESULT answer = SendMessageA(spin, UDM_GETPOS, 0, 0);
        EXPECT_EQ(HIWORD(answer) != 0, c.error) << c.text;
        EXPECT_EQ(LOWORD(answer), c.position) << c.text << ": a failed read keeps the last good position";
    }

    HWND lonely = MakeChild(parent, UPDOWN_CLASSA, 0, 1007);
    EXPECT_NE(HIWORD(SendMessageA(lonely, UDM_GETPOS, 0, 0)), 0) << "no buddy: an error";
}

// ---- Posted messages and painting ----

TEST_F(Win32Windows, PostedMessagesWaitForThePumpAndComeBeforePaints) {
    HWND parent = MakeParent();
    PumpPostedMessages();
    Received.clear();
    EXPECT_TRUE(PostMessageA(parent, WM_USER + 1, 1, 0));
    EXPECT_TRUE(PostMessageA(parent, WM_USER + 2, 2, 0));
    InvalidateRect(parent, nullptr, FALSE);
    EXPECT_TRUE(Received.empty()) << "nothing is delivered before the pump";
    EXPECT_EQ(InvalidateCount(parent), 1);
    EXPECT_EQ(PumpPostedMessages(), 3);
    ASSERT_EQ(Received.size(), 3u);
    EXPECT_EQ(Received[0].msg, (UINT)WM_USER + 1);
    EXPECT_EQ(Received[1].msg, (UINT)WM_USER + 2);
    EXPECT_EQ(Received[2].msg, (UINT)WM_PAINT);
    EXPECT_EQ(PumpPostedMessages(), 0);
    HWND gone = MakeChild(parent, "STATIC", 0, 5);
    DestroyWindow(gone);
    EXPECT_FALSE(PostMessageA(gone, WM_USER, 0, 0));
}

}  // namespace
