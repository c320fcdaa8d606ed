// Tests of the Win32 emulation's resource script parser, modal dialogs, message boxes
// and the scripted user that answers them.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/win32.h"
#include "vsim/sim/simhost.h"
#include "vsim/win32/embedded_resources.h"
#include "vsim/win32/win32emu.h"

using namespace vsim::win32;
using vsim::user::DialogAction;

namespace {

// One resource of every kind the parser meets, and one control of every statement.
const char* const AllKindsScript = R"RC(// Comment line
#include <windows.h>
#include "resource.h"
#define IDC_SECONDS 1005   /* a define in the script itself */
#ifdef NOT_DEFINED
this line would not parse
#else
#define IDC_ELSE 1012
#endif
#if defined(IDD_TEST) && !defined(NOT_DEFINED)
#define IDC_IF 1013
#endif
LANGUAGE LANG_ENGLISH, SUBLANG_ENGLISH_US
ISOLATIONAWARE_MANIFEST_RESOURCE_ID RT_MANIFEST "KestrelFSX.manifest"

1 VERSIONINFO
FILEVERSION 1,331,0,0
FILEFLAGSMASK VS_FFI_FILEFLAGSMASK
BEGIN
    BLOCK "StringFileInfo"
    BEGIN
        VALUE "ProductName", "Kestrel"
    END
END

STRINGTABLE
BEGIN
    1 "one"
END

IDI_LOOP ICON "loop.ico"

IDD_TEST DIALOGEX 10, 20, 200, 100
STYLE DS_SETFONT | DS_MODALFRAME | WS_POPUP | WS_CAPTION | WS_SYSMENU
EXSTYLE WS_EX_TOOLWINDOW
CAPTION "All ""kinds"""
FONT 8, "MS Sans Serif"
BEGIN
    LTEXT           "Left", IDC_STATIC, 1, 2, 3, 4
    CTEXT           "Centre\nline", -1, 1, 2, 3, 4
    RTEXT           "Right", 1001, 1, 2, 3, 4, SS_NOTIFY
    PUSHBUTTON      "Push", 1002, 1, 2, 3, 4, WS_DISABLED
    DEFPUSHBUTTON   "OK", IDOK, 1, 2, 3, 4
    GROUPBOX        "Group", -1, 1, 2, 3, 4
    EDITTEXT        IDC_SECONDS, 1, 2, 3, 4, ES_AUTOHSCROLL | ES_NUMBER | NOT WS_BORDER, WS_EX_CLIENTEDGE
    COMBOBOX        1003, 1, 2, 3, 4, CBS_DROPDOWNLIST | WS_VSCROLL
    LISTBOX         1004, 1, 2, 3, 4, NOT LBS_NOTIFY | WS_VSCROLL
    AUTOCHECKBOX    "Auto", 1006, 1, 2, 3, 4
    AUTORADIOBUTTON "Radio", 1007, 1, 2, 3, 4, WS_GROUP
    CHECKBOX        "Check", 1008, 1, 2, 3, 4
    CONTROL         "Spin1", 1009, "msctls_updown32", UDS_SETBUDDYINT | UDS_AUTOBUDDY, 1, 2, 3, 4
    CONTROL         "", 1010, TRACKBAR_CLASS, 0x50000008, 1, 2, 3, 4
    CONTROL         "", 1011, HOTKEY_CLASS, WS_BORDER | NOT WS_VISIBLE, 1 + 1, 2, 3 - 1, (4)
    LTEXT           "Else", IDC_ELSE, 1, 2, 3, 4
    LTEXT           "If", IDC_IF, 1, 2, 3, 4
END

300 DIALOG 0, 0, 10, 10
CAPTION "Plain"
BEGIN
END
)RC";

const char* const TestHeader = "#pragma once\n#define IDD_TEST 150\n#define IDI_LOOP 126\n";

struct Expected {
    int id;
    const char* className;
    DWORD style;
    DWORD exStyle;
    const char* text;
};

class Win32Dialogs : public ::testing::Test {
protected:
    void SetUp() override {
        vsim::ResetHostServices();
        ResetWin32();
    }
    const std::vector<std::string>& Transcript() { return vsim::TranscriptLines(); }
};

TEST_F(Win32Dialogs, ResourceScriptParsesEveryStatementWithTheirDefaultStyles) {
    ASSERT_TRUE(SetResourceHeader(TestHeader));
    ASSERT_TRUE(SetResourceScript(AllKindsScript)) << ResourceScriptError();
    const DialogTemplate* t = FindDialogTemplate(150);
    ASSERT_NE(t, nullptr);
    EXPECT_EQ(t->x, 10);
    EXPECT_EQ(t->y, 20);
    EXPECT_EQ(t->width, 200);
    EXPECT_EQ(t->height, 100);
    EXPECT_EQ(t->style, (DWORD)(DS_SETFONT | DS_MODALFRAME | WS_POPUP | WS_CAPTION | WS_SYSMENU));
    EXPECT_EQ(t->exStyle, (DWORD)WS_EX_TOOLWINDOW);
    EXPECT_EQ(t->caption, "All \"kinds\"");
    EXPECT_EQ(t->fontName, "MS Sans Serif");
    EXPECT_EQ(t->fontSize, 8);

    const Expected expected[] = {
        {-1, "STATIC", 0x50020000, 0, "Left"},
        {-1, "STATIC", 0x50020001, 0, "Centre\nline"},
        {1001, "STATIC", 0x50020102, 0, "Right"},
        {1002, "BUTTON", 0x58010000, 0, "Push"},
        {1, "BUTTON", 0x50010001, 0, "OK"},
        {-1, "BUTTON", 0x50000007, 0, "Group"},
        {1005, "EDIT", 0x50012080, WS_EX_CLIENTEDGE, ""},
        {1003, "COMBOBOX", 0x50210003, 0, ""},
        {1004, "LISTBOX", 0x50A00000, 0, ""},
        {1006, "BUTTON", 0x50010003, 0, "Auto"},
        {1007, "BUTTON", 0x50030009, 0, "Radio"},
        {1008, "BUTTON", 0x50010002, 0, "Check"},
        {1009, UPDOWN_CLASSA, 0x50000012, 0, "Spin1"},
        {1010, TRACKBAR_CLASSA, 0x50000008, 0, ""},
        {1011, HOTKEY_CLASSA, 0x40800000, 0, ""},
        {1012, "STATIC", 0x50020000, 0, "Else"},
        {1013, "STATIC", 0x50020000, 0, "If"},
    };
    ASSERT_EQ(t->controls.size(), sizeof expected / sizeof expected[0]);
    for (size_t i = 0; i < t->controls.size(); ++i) {
        const DialogControlTemplate& c = t->controls[i];
        SCOPED_TRACE(c.statement + " " + std::to_string(c.id));
        EXPECT_EQ(c.id, expected[i].id);
        EXPECT_EQ(c.className, expected[i].className);
        EXPECT_EQ(c.style, expected[i].style) << std::hex << c.style;
        EXPECT_EQ(c.exStyle, expected[i].exStyle);
        EXPECT_EQ(c.text, expected[i].text);
    }
    EXPECT_EQ(t->controls[14].x, 2);
    EXPECT_EQ(t->controls[14].width, 2);
    EXPECT_EQ(t->controls[14].height, 4);

    const DialogTemplate* plain = FindDialogTemplate(300);
    ASSERT_NE(plain, nullptr);
    EXPECT_EQ(plain->style, (DWORD)(WS_POPUP | WS_BORDER | WS_SYSMENU | WS_CAPTION)) << "the default dialog style";
    EXPECT_TRUE(plain->controls.empty());
    EXPECT_TRUE(IconDeclared(126));
    EXPECT_FALSE(IconDeclared(118));
    EXPECT_EQ(FindDialogTemplate(1), nullptr) << "the version block is no dialog";
    long value = 0;
    EXPECT_TRUE(FindResourceSymbol("IDC_SECONDS", &value));
    EXPECT_EQ(value, 1005);
    EXPECT_TRUE(FindResourceSymbol("IDD_TEST", &value)) << "the header's names count too";
    EXPECT_EQ(value, 150);
    EXPECT_FALSE(FindResourceSymbol("IDC_NONE", &value));

    // Dialog units: MS Sans Serif 8, rounded to nearest.
    EXPECT_EQ(DialogUnitsToPixelsX(202), 303);
    EXPECT_EQ(DialogUnitsToPixelsY(71), 115);
    EXPECT_EQ(DialogUnitsToPixelsX(1), 2);
    EXPECT_EQ(DialogUnitsToPixelsY(3), 5);
    EXPECT_EQ(DialogUnitsToPixelsY(8), 13);
}

TEST_F(Win32Dialogs, ResourceScriptErrorsNameTheLineAndKeepNothing) {
    ASSERT_TRUE(SetResourceScript("300 DIALOG 0, 0, 10, 10\nBEGIN\nEND\n"));
    ASSERT_NE(FindDialogTemplate(300), nullptr);
    struct Case {
        const char* script;
        const char* error;
    } cases[] = {
        {"300 DIALOG 0, 0, 10, 10\nBEGIN\n  LTEXT \"x\", IDC_MISSING, 1, 2, 3, 4\nEND\n",
         "line 3: unknown name 'IDC_MISSING'"},
        {"300 DIALOG 0, 0, 10, 10\nBEGIN\n  LTEXT \"x\", 1, 2, 3, 4\nEND\n",
         "line 3: LTEXT has a wrong number of arguments"},
        {"300 DIALOG 0, 0, 10, 10\nBEGIN\n  SLIDER 1, 2, 3, 4, 5\nEND\n",
         "line 3: unknown control statement 'SLIDER'"},
        {"300 DIALOG 0, 0, 10, 10\nBEGIN\n  CONTROL \"\", 1, SysListView32, 0, 1, 2, 3, 4\nEND\n",
         "line 3: unknown control class"},
        {"300 DIALOG 0, 0, 10, 10\nBEGIN\n  EDITTEXT 1, 2, 3, 4, 5\n", "line 3: dialog without END"},
        {"IDD_NOWHERE DIALOG 0, 0, 10, 10\nBEGIN\nEND\n", "line 1: unknown name 'IDD_NOWHERE'"},
        {"#if 1\n300 DIALOG 0, 0, 10, 10\n", "line 2: missing #endif"},
        {"300 DIALOG 0, 0, 10, 10\nCAPTION \"unterminated\nBEGIN\nEND\n", "line 2: unterminated string"},
        {"300 DIALOG 0,0,10,10\nBEGIN\nEND\n300 DIALOG 0,0,10,10\nBEGIN\nEND\n", "line 4: dialog 300 defined twice"},
    };
    for (const Case& c : cases) {
        EXPECT_FALSE(SetResourceScript(c.script)) << c.script;
        EXPECT_EQ(ResourceScriptError(), c.error);
        EXPECT_EQ(FindDialogTemplate(300), nullptr) << "a failed script keeps nothing";
        EXPECT_FALSE(HasResourceScript());
    }
    EXPECT_EQ(DialogBoxParamA(nullptr, MAKEINTRESOURCE(300), nullptr, nullptr, 0), -1);
    EXPECT_EQ(Transcript().back(), "dialog 300 failed: no such dialog template");
}

TEST_F(Win32Dialogs, KestrelResourceScriptBuildsItsDialogs) {
    ASSERT_TRUE(SetResourceHeader(KestrelResourceHeader));
    ASSERT_TRUE(SetResourceScript(KestrelResourceScript)) << ResourceScriptError();
    for (int id : {101, 102, 103, 131, 132}) EXPECT_NE(FindDialogTemplate(id), nullptr) << id;
    for (int icon = 118; icon <= 130; ++icon) EXPECT_TRUE(IconDeclared(icon)) << icon;
    const DialogTemplate* record = FindDialogTemplate(102);
    ASSERT_NE(record, nullptr);
    EXPECT_EQ(record->caption, "Record Flight");
    EXPECT_EQ(record->controls.size(), 14u);

    // The Replay dialog: the up-down takes the edit before it as its buddy, at its right edge.
    static HWND buddy;
    static ControlInfo spin, edit;
    vsim::user::OnDialog(103, [](HWND dialog) {
        buddy = GetDlgItem(dialog, 1005);
        ReadControl(GetDlgItem(dialog, 1006), &spin);
        ReadControl(GetDlgItem(dialog, 1005), &edit);
        EndDialog(dialog, 7);
    });
    DLGPROC quiet = [](HWND, UINT, WPARAM, LPARAM) -> INT_PTR { return FALSE; };
    EXPECT_EQ(DialogBoxParamA(nullptr, MAKEINTRESOURCE(103), nullptr, quiet, 0), 7);
    EXPECT_EQ(spin.className, UPDOWN_CLASSA);
    EXPECT_EQ(spin.buddy, buddy);
    EXPECT_NE(buddy, nullptr);
    EXPECT_EQ(edit.rect.left, DialogUnitsToPixelsX(41));
    EXPECT_EQ(spin.rect.left, edit.rect.right) << "aligned at the buddy's right edge";
    EXPECT_EQ(edit.rect.right - edit.rect.left, DialogUnitsToPixelsX(39) - 16);
}

// ---- Modal dialogs ----

const char* const DialogScript = R"RC(
200 DIALOGEX 0, 0, 137, 153
STYLE DS_SETFONT | DS_MODALFRAME | WS_POPUP | WS_CAPTION | WS_SYSMENU
CAPTION "Record Flight"
FONT 8, "MS Sans Serif"
BEGIN
    LTEXT           "Recording interval:", -1, 5, 12, 60, 8
    COMBOBOX        1000, 75, 10, 55, 60, CBS_DROPDOWNLIST | WS_VSCROLL | WS_TABSTOP
    AUTOCHECKBOX    "Auto stop recording", 1034, 10, 35, 77, 10
    EDITTEXT        1036, 20, 49, 25, 12, ES_AUTOHSCROLL | ES_NUMBER
    PUSHBUTTON      "More...", 1097, 10, 70, 50, 14
    PUSHBUTTON      "Disabled", 1098, 10, 90, 50, 14, WS_DISABLED
    DEFPUSHBUTTON   "OK", IDOK, 16, 132, 50, 14
    PUSHBUTTON      "Cancel", IDCANCEL, 71, 132, 50, 14
END

201 DIALOGEX 0, 0, 100, 50
STYLE DS_SETFONT | DS_MODALFRAME | WS_POPUP | WS_CAPTION | WS_SYSMENU
CAPTION "Replay"
FONT 8, "MS Sans Serif"
BEGIN
    DEFPUSHBUTTON   "OK", IDOK, 10, 10, 50, 14
    PUSHBUTTON      "Cancel", IDCANCEL, 10, 30, 50, 14
END
)RC";

struct DialogRun {
    int initFocusId = 0;
    LPARAM initParam = 0;
    int interval = -2;
    UINT autoStop = 9;
    std::string seconds;
    std::vector<std::pair<int, int>> commands;  // id, notification
    int boxAnswer = 0;
    INT_PTR nestedResult = 0;
    bool ownerEnabledInNested = true;
};
DialogRun Seen;  // what the dialog procedures saw
HWND Main;

LRESULT CALLBACK MainProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    return DefWindowProcA(hwnd, msg, wParam, lParam);
}

INT_PTR CALLBACK NestedProc(HWND dialog, UINT msg, WPARAM wParam, LPARAM) {
    if (msg == WM_INITDIALOG) {
        Seen.ownerEnabledInNested = IsWindowEnabled(GetParent(dialog)) != FALSE;
        return TRUE;
    }
    if (msg == WM_COMMAND && (LOWORD(wParam) == IDOK || LOWORD(wParam) == IDCANCEL)) {
        EndDialog(dialog, LOWORD(wParam));
        return TRUE;
    }
    return FALSE;
}

INT_PTR CALLBACK RecordProc(HWND dialog, UINT msg, WPARAM wParam, LPARAM lParam) {
    switch (msg) {
    case WM_INITDIALOG:
        Seen.initFocusId = GetDlgCtrlID((HWND)wParam);
        Seen.initParam = lParam;
        for (const char* item : {"1/8 sec", "1/4 sec", "1/2 sec"})
            SendDlgItemMessageA(dialog, 1000, CB_ADDSTRING, 0, (LPARAM)item);
        SendDlgItemMessageA(dialog, 1000, CB_SETCURSEL, 1, 0);
        SetDlgItemInt(dialog, 1036, 60, FALSE);
        return TRUE;
    case WM_COMMAND: {
        Seen.commands.push_back({LOWORD(wParam), HIWORD(wParam)});
        char text[32];
        switch (LOWORD(wParam)) {
        case IDOK:
        case IDCANCEL:
            Seen.interval = (int)SendDlgItemMessageA(dialog, 1000, CB_GETCURSEL, 0, 0);
            Seen.autoStop = IsDlgButtonChecked(dialog, 1034);
            GetDlgItemTextA(dialog, 1036, text, sizeof text);
            Seen.seconds = text;
            EndDialog(dialog, LOWORD(wParam));
            return TRUE;
        case 1097:
            Seen.boxAnswer = MessageBoxA(dialog, "Really?", "Kestrel", MB_YESNO | MB_ICONQUESTION);
            Seen.nestedResult = DialogBoxParamA(nullptr, MAKEINTRESOURCE(201), dialog, NestedProc, 0);
            return TRUE;
        default: return FALSE;
        }
    }
    default: return FALSE;
    }
}

class Win32ModalDialogs : public Win32Dialogs {
protected:
    void SetUp() override {
        Win32Dialogs::SetUp();
        Seen = DialogRun();
        ASSERT_TRUE(SetResourceScript(DialogScript)) << ResourceScriptError();
        WNDCLASSEXA wc = {};
        wc.cbSize = sizeof wc;
        wc.lpfnWndProc = MainProc;
        wc.lpszClassName = "FS98MAIN";
        RegisterClassExA(&wc);
        Main = CreateWindowExA(0, "FS98MAIN", "FSX", WS_VISIBLE, 0, 0, 800, 600, nullptr, nullptr, nullptr, nullptr);
        ASSERT_EQ(GetActiveWindow(), Main);
    }
    static std::vector<DialogAction> Actions(const char* text) {
        std::vector<DialogAction> actions;
        std::string error;
        EXPECT_TRUE(vsim::user::ParseDialogActions(text, &actions, &error)) << error;
        return actions;
    }
    bool Commanded(int id, int code) {
        for (const auto& c : Seen.commands)
            if (c.first == id && c.second == code) return true;
        return false;
    }
};

TEST_F(Win32ModalDialogs, ScriptedStepsDriveTheDialogProcedureToItsResult) {
    vsim::user::OnDialog(200, Actions("select 1000 2; check 1034; set 1036 30; click 1"));
    EXPECT_EQ(DialogBoxParamA(nullptr, MAKEINTRESOURCE(200), Main, RecordProc, 77), 1);
    EXPECT_EQ(Seen.initFocusId, 1000) << "WM_INITDIALOG names the first tab stop";
    EXPECT_EQ(Seen.initParam, 77);
    EXPECT_EQ(Seen.interval, 2);
    EXPECT_EQ(Seen.autoStop, (UINT)BST_CHECKED);
    EXPECT_EQ(Seen.seconds, "30");
    EXPECT_TRUE(Commanded(1000, CBN_SELCHANGE));
    EXPECT_TRUE(Commanded(1034, BN_CLICKED));
    EXPECT_TRUE(Commanded(1036, EN_CHANGE));
    EXPECT_EQ(Seen.commands.back(), (std::pair<int, int>{IDOK, BN_CLICKED}));
    EXPECT_EQ(Transcript(), (std::vector<std::string>{"dialog 200 opened: Record Flight",
                                                      "dialog 200 closed: result 1"}));
    EXPECT_TRUE(IsWindowEnabled(Main));
    EXPECT_EQ(GetActiveWindow(), Main);
    EXPECT_EQ(GetFocus(), Main);
    EXPECT_TRUE(OpenDialogs().empty());

    // The handler stays for the next time the dialog opens.
    vsim::ClearTranscript();
    EXPECT_EQ(DialogBoxParamA(nullptr, MAKEINTRESOURCE(200), Main, RecordProc, 0), 1);
    EXPECT_EQ(Transcript().size(), 2u);
}

TEST_F(Win32ModalDialogs, NestedMessageBoxAndDialogDisableTheirOwners) {
    static HWND seen;
    static bool mainEnabled = true, dialogEnabledAfter = false;
    vsim::user::OnMessage("Really", vsim::user::AnswerYes);
    vsim::user::OnDialog(201, Actions("click 1"));
    vsim::user::OnDialog(200, [](HWND dialog) {
        seen = dialog;
        mainEnabled = IsWindowEnabled(Main) != FALSE;
        EXPECT_EQ(OpenDialogs(), std::vector<HWND>{dialog});
        EXPECT_EQ(GetActiveWindow(), dialog);
        ClickControl(GetDlgItem(dialog, 1097));
        dialogEnabledAfter = IsWindowEnabled(dialog) != FALSE;
        EXPECT_EQ(GetActiveWindow(), dialog) << "the activation came back from the nested dialog";
        ClickControl(GetDlgItem(dialog, IDCANCEL));
    });
    EXPECT_EQ(DialogBoxParamA(nullptr, MAKEINTRESOURCE(200), Main, RecordProc, 0), IDCANCEL);
    EXPECT_FALSE(mainEnabled) << "the owner is disabled while the dialog is open";
    EXPECT_FALSE(Seen.ownerEnabledInNested);
    EXPECT_TRUE(dialogEnabledAfter);
    EXPECT_EQ(Seen.boxAnswer, IDYES);
    EXPECT_EQ(Seen.nestedResult, IDOK);
    EXPECT_EQ(Transcript(), (std::vector<std::string>{
                                "dialog 200 opened: Record Flight",
                                "message box [Kestrel] \"Really?\" -> yes",
                                "dialog 201 opened: Replay",
                                "dialog 201 closed: result 1",
                                "dialog 200 closed: result 2",
                            }));
    ASSERT_EQ(vsim::user::MessageBoxes().size(), 1u);
    EXPECT_EQ(vsim::user::MessageBoxes()[0].owner, seen);
    EXPECT_EQ(vsim::user::MessageBoxes()[0].type, (UINT)(MB_YESNO | MB_ICONQUESTION));
    EXPECT_TRUE(IsWindowEnabled(Main));
    EXPECT_EQ(GetActiveWindow(), Main);
}

bool ReplayHandlerRan;
INT_PTR CALLBACK EmptyReplayProc(HWND dialog, UINT msg, WPARAM, LPARAM) {
    if (msg == WM_INITDIALOG) {
        MessageBoxA(Main, "No replay data available!", "Kestrel", MB_OK | MB_ICONEXCLAMATION);
        EndDialog(dialog, 0);
        return TRUE;
    }
    return FALSE;
}

TEST_F(Win32ModalDialogs, EndDialogDuringInitialisationSkipsTheUser) {
    ReplayHandlerRan = false;
    vsim::user::OnDialog(201, [](HWND) { ReplayHandlerRan = true; });
    EXPECT_EQ(DialogBoxParamA(nullptr, MAKEINTRESOURCE(201), Main, EmptyReplayProc, 0), 0);
    EXPECT_FALSE(ReplayHandlerRan);
    EXPECT_EQ(Transcript(), (std::vector<std::string>{
                                "message box [Kestrel] \"No replay data available!\" -> ok",
                                "dialog 201 closed: result 0",
                            }));
    EXPECT_TRUE(IsWindowEnabled(Main));
    EXPECT_EQ(GetActiveWindow(), Main);
}

TEST_F(Win32ModalDialogs, StepsThatCannotBeDoneAreLoggedAndAnOpenDialogIsCancelled) {
    vsim::user::OnDialog(200, Actions("select 1000 9; click 4242; set 1098 x; click 1098; check 1000; "
                                      "set 1036 \"a;b\""));
    EXPECT_EQ(DialogBoxParamA(nullptr, MAKEINTRESOURCE(200), Main, RecordProc, 0), IDCANCEL);
    EXPECT_EQ(Seen.seconds, "a;b");
    EXPECT_EQ(Transcript(), (std::vector<std::string>{
                                "dialog 200 opened: Record Flight",
                                "dialog 200: select 1000 9 failed: no item 9 (it has 3)",
                                "dialog 200: click 4242 failed: no control 4242",
                                "dialog 200: set 1098 \"x\" failed: the control is disabled",
                                "dialog 200: click 1098 failed: the control is disabled",
                                "dialog 200: check 1000 failed: not a check box or radio button",
                                "dialog 200: the script did not close it; pressing Cancel",
                                "dialog 200 closed: result 2",
                            }));

    // The close box reads as Cancel; steps after the dialog closed are not done.
    vsim::ClearTranscript();
    vsim::user::OnDialog(200, Actions("close; click 1"));
    EXPECT_EQ(DialogBoxParamA(nullptr, MAKEINTRESOURCE(200), Main, RecordProc, 0), IDCANCEL);
    EXPECT_EQ(Transcript(), (std::vector<std::string>{
                                "dialog 200 opened: Record Flight",
                                "dialog 200: click 1 not done: the dialog has closed",
                                "dialog 200 closed: result 2",
                            }));
    EXPECT_EQ(DialogBoxParamA(nullptr, MAKEINTRESOURCE(999), Main, RecordProc, 0), -1);
    EXPECT_TRUE(IsWindowEnabled(Main));
}

// ---- Message boxes and the text form of dialog steps ----

TEST_F(Win32Dialogs, MessageBoxAnswersFollowTheNewestMatchingRuleOrTheDefault) {
    using namespace vsim::user;
    EXPECT_EQ(MessageBoxA(nullptr, "Saved.", "Kestrel", MB_OK), IDOK);
    EXPECT_EQ(MessageBoxA(nullptr, "Load anyway?", "Kestrel", MB_YESNO), IDNO);
    EXPECT_EQ(MessageBoxA(nullptr, "Continue?", "Kestrel", MB_OKCANCEL), IDOK);
    SetDefaultAnswer(AnswerCancel);
    EXPECT_EQ(MessageBoxA(nullptr, "Continue?", "Kestrel", MB_OKCANCEL), IDCANCEL);
    EXPECT_EQ(MessageBoxA(nullptr, "Saved.", "Kestrel", MB_OK), IDOK) << "cancel is no button of an OK box";
    EXPECT_EQ(MessageBoxA(nullptr, "Load anyway?", "Kestrel", MB_YESNO), IDNO);

    OnMessage("Replay is not", AnswerYes);
    OnMessage("Replay", AnswerNo);
    const char* text = "Replay is not available while a multiplayer session is running!";
    EXPECT_EQ(MessageBoxA(nullptr, text, "Kestrel", MB_YESNO), IDNO) << "the newest matching rule wins";
    OnMessage("Replay is not", AnswerYes);
    EXPECT_EQ(MessageBoxA(nullptr, text, "Kestrel", MB_YESNO), IDYES) << "a rule given again becomes the newest";
    EXPECT_EQ(MessageBoxA(nullptr, text, "Kestrel", MB_YESNO), IDYES) << "rules are used every time";
    EXPECT_TRUE(OnMessage("FS main", "ok"));
    EXPECT_FALSE(OnMessage("FS main", "maybe"));

    vsim::ClearTranscript();
    EXPECT_EQ(MessageBoxA(nullptr, "Replay\nfailed", nullptr, MB_OK | MB_ICONERROR), IDOK);
    EXPECT_EQ(Transcript(), (std::vector<std::string>{
                                "message box [Error] \"Replay\\nfailed\": the scripted answer no is not one of its "
                                "buttons",
                                "message box [Error] \"Replay\\nfailed\" -> ok",
                            }));
    const MessageBoxRecord& last = MessageBoxes().back();
    EXPECT_EQ(last.text, "Replay\nfailed");
    EXPECT_EQ(last.caption, "Error");
    EXPECT_EQ(last.type, (UINT)(MB_OK | MB_ICONERROR));
    EXPECT_EQ(last.answer, IDOK);
    EXPECT_EQ(MessageBoxes().size(), 10u);
}

TEST_F(Win32Dialogs, DialogStepsParseFromTheirTextForm) {
    std::vector<DialogAction> actions;
    std::string error;
    ASSERT_TRUE(vsim::user::ParseDialogActions(
        " set 1005 30; select 1000 2;check 1034 ;uncheck 1089; click 1; set 1036 \"x; \\\"y\\\"\"; "
        "hotkey 1041 Shift+Ctrl+0x23; hotkey 1041 577; set 1090; close;",
        &actions, &error))
        << error;
    ASSERT_EQ(actions.size(), 10u);
    EXPECT_EQ(actions[0].kind, DialogAction::Set);
    EXPECT_EQ(actions[0].control, 1005);
    EXPECT_EQ(actions[0].text, "30");
    EXPECT_EQ(actions[1].kind, DialogAction::Select);
    EXPECT_EQ(actions[1].index, 2);
    EXPECT_EQ(actions[2].kind, DialogAction::Check);
    EXPECT_EQ(actions[2].control, 1034);
    EXPECT_EQ(actions[3].kind, DialogAction::Uncheck);
    EXPECT_EQ(actions[4].kind, DialogAction::Click);
    EXPECT_EQ(actions[4].control, 1);
    EXPECT_EQ(actions[5].text, "x; \"y\"");
    EXPECT_EQ(actions[6].kind, DialogAction::HotKey);
    EXPECT_EQ(actions[6].index, MAKEWORD(0x23, HOTKEYF_SHIFT | HOTKEYF_CONTROL));
    EXPECT_EQ(actions[7].index, 577);
    EXPECT_EQ(actions[8].text, "");
    EXPECT_EQ(actions[9].kind, DialogAction::Close);

    struct Case {
        const char* text;
        const char* error;
    } cases[] = {
        {"click 1; press 2", "step 2: unknown action 'press'"},
        {"set abc 3", "step 1: set needs a control id, not 'abc'"},
        {"select 1000", "step 1: select needs an item index"},
        {"select 1000 -1", "step 1: select needs an item index"},
        {"click 1 2", "step 1: click takes only a control id"},
        {"set 1 \"open", "step 1: unterminated quoted text"},
        {"hotkey 1041 Meta+65", "step 1: bad key 'Meta+65'"},
        {"close 1", "step 1: close takes no arguments"},
    };
    for (const Case& c : cases) {
        EXPECT_FALSE(vsim::user::ParseDialogActions(c.text, &actions, &error)) << c.text;
        EXPECT_EQ(error, c.error);
        EXPECT_TRUE(actions.empty());
    }
}

}  // namespace
