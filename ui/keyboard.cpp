// The keyboard: the subclassed procedure of the simulator's main window turns key
// messages into key actions by the KeyTable and withholds the keys it acts on; the
// Keyboard controls dialog edits the KeyTable.
#include "ui/keyboard.h"

#include "module/entry.h"
#include "module/simlink.h"
#include "playback/controls.h"
#include "playback/player.h"
#include "recording/recorder.h"
#include "ui/dialogs.h"
#include "ui/replaydialog.h"

KeyCode KeyCodeOfMessage(WPARAM wParam) {
    KeyCode code = (KeyCode)(wParam & 0xFFFF);
    if (GetAsyncKeyState(VK_SHIFT)) code |= KeyShift;
    if (GetAsyncKeyState(VK_CONTROL)) code |= KeyCtrl;
    return code;
}

static bool Matches(KeyCode code, KeyAction action) {
    return KeyTable[action] != 0 && KeyTable[action] == code;
}

static bool InPlaybackMode() {
    return ModuleMode == Playing || ModuleMode == Replaying || (ModuleMode == PlayingTraffic && Settings.ContrAiPlay);
}

// The playback keys, in the order in which they are compared.
static const KeyAction PlaybackKeys[] = {Beginning, End,      Back1,    Back2,      Back3,     Forward1,
                                         Forward2,  Forward3, SpeedInc, SpeedDec,   SpeedReset, LoopStart,
                                         LoopEnd,   LoopToggle, HeightCorrInc, HeightCorrDec};

static void RunPlaybackKey(KeyAction action) {
    switch (action) {
    case Beginning:
        PlaybackJump(0);
        break;
    case End:
        PlaybackJump(1);
        break;
    case Back1:
    case Back2:
    case Back3:
        PlaybackJump(2 + (action - Back1));
        break;
    case Forward1:
    case Forward2:
    case Forward3:
        PlaybackJump(5 + (action - Forward1));
        break;
    case SpeedInc:
        PlaybackSpeed(0);
        break;
    case SpeedDec:
        PlaybackSpeed(1);
        break;
    case SpeedReset:
        PlaybackSpeed(2);
        break;
    case LoopStart:
        PlaybackLoop(0);
        break;
    case LoopEnd:
        PlaybackLoop(1);
        break;
    case LoopToggle:
        PlaybackLoop(4);
        break;
    case HeightCorrInc:
        AdjustHeight(1);
        break;
    case HeightCorrDec:
        AdjustHeight(-1);
        break;
    default:
        break;
    }
}

// True when the key was acted on and must not reach the simulator.
static bool HandleKeyDown(KeyCode code) {
    if (InPlaybackMode()) {
        for (KeyAction action : PlaybackKeys) {
            if (Matches(code, action)) {
                RunPlaybackKey(action);
                return true;
            }
        }
    }
    if (ModuleMode == Playing || ModuleMode == Replaying) {
        if (Matches(code, Stop)) {
            PlaybackJump(1);
            PlaybackLoop(3);
            return true;
        }
        if (Matches(code, StopHere)) {
            StopPlayback(0);
            return true;
        }
    }
    if (ModuleMode == PlayingTraffic && Matches(code, Stop)) {
        StopPlayback(0);
        return true;
    }
    if (Matches(code, Record)) {
        if (ModuleMode == Idle || ModuleMode == ReplayBuffering || ModuleMode == PlayingTraffic) RunRecordCommand();
        return true;
    }
    if (Matches(code, Play)) {
        if (ModuleMode == Idle || ModuleMode == ReplayBuffering) StartPlay(0);
        return true;
    }
    if (Matches(code, Replay)) {
        if (ModuleMode == ReplayBuffering) OpenModuleDialog(DialogReplay, ReplayDialogProc);
        return true;
    }
    if (Matches(code, PlayTraffic)) {
        if (ModuleMode == Idle || ModuleMode == ReplayBuffering) StartPlay(1);
        return true;
    }
    if ((ModuleMode == Recording || ModuleMode == RecordingWithTraffic) && Matches(code, Stop)) {
        StopRecording(0);
        return true;
    }
    return false;
}

static bool HandleKeyUp(KeyCode code) {
    if (!InPlaybackMode()) return false;
    static const KeyAction SearchKeys[] = {Back1, Back2, Back3, Forward1, Forward2, Forward3};
    for (KeyAction action : SearchKeys) {
        if (Matches(code, action)) {
            uint32_t step = action >= Forward1 ? action - Forward1 : action - Back1;
            PlaybackJump(8 + step);
            return true;
        }
    }
    return false;
}

LRESULT CALLBACK MainWindowHook(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    // Without the SimConnect link nothing can record or play: every key goes on.
    if (!SimConnectHandle) return CallWindowProcA(MainWindowPrevProc, window, message, wParam, lParam);
    if (message == WM_KEYDOWN && HandleKeyDown(KeyCodeOfMessage(wParam))) return 0;
    if (message == WM_KEYUP && HandleKeyUp(KeyCodeOfMessage(wParam))) return 0;
    return CallWindowProcA(MainWindowPrevProc, window, message, wParam, lParam);
}

// ---- The Keyboard controls dialog ----

enum KeyboardDialogControl : int {
    KeyboardHotKey = 1041,
    KeyboardList = 1039,
    KeyboardDefault = 1100,
};

static const char* const KeyActionTexts[KeyActionCount] = {
    "Jump to beginning",        "Jump back step size 3",   "Jump back step size 2",
    "Jump back step size 1",    "Jump forward step size 1", "Jump forward step size 2",
    "Jump forward step size 3", "Jump to end",             "Set loop start",
    "Set loop end",             "Turn looping on/off",     "Increase speed",
    "Decrease speed",           "Reset speed",             "Increase height correction",
    "Decrease height correction", "Record",                "Play",
    "Replay",                   "Play as traffic",         "Stop recording/playback",
    "Stop playback at current position",
};

static KeyCode WorkingKeys[KeyActionCount];  // indexed by list position (the KEYBOARD order)
static int EditedEntry = -1;

KeyCode KeyCodeOfHotKey(WORD hotKey) {
    KeyCode code = LOBYTE(hotKey);
    if (HIBYTE(hotKey) & HOTKEYF_SHIFT) code |= KeyShift;
    if (HIBYTE(hotKey) & HOTKEYF_CONTROL) code |= KeyCtrl;
    return code;
}

WORD HotKeyOfKeyCode(KeyCode code) {
    BYTE modifiers = 0;
    if (code & KeyShift) modifiers |= HOTKEYF_SHIFT;
    if (code & KeyCtrl) modifiers |= HOTKEYF_CONTROL;
    return MAKEWORD(code & 0xFF, modifiers);
}

static KeyCode ReadHotKey(HWND dialog) {
    return KeyCodeOfHotKey((WORD)SendDlgItemMessageA(dialog, KeyboardHotKey, HKM_GETHOTKEY, 0, 0));
}

static void ShowHotKey(HWND dialog, KeyCode code) {
    SendDlgItemMessageA(dialog, KeyboardHotKey, HKM_SETHOTKEY, HotKeyOfKeyCode(code), 0);
    SetFocus(GetDlgItem(dialog, KeyboardHotKey));
}

static void OpenKeyboardDialog(HWND dialog) {
    SendDlgItemMessageA(dialog, KeyboardHotKey, HKM_SETRULES, HKCOMB_A | HKCOMB_SA | HKCOMB_CA | HKCOMB_SCA, 0);
    for (const char* text : KeyActionTexts) SendDlgItemMessageA(dialog, KeyboardList, LB_ADDSTRING, 0, (LPARAM)text);
    for (uint32_t i = 0; i < KeyActionCount; ++i) WorkingKeys[i] = KeyTable[KeyDefaults[i].action];
    EditedEntry = -1;
}

static void SelectKeyEntry(HWND dialog) {
    KeyCode shown = ReadHotKey(dialog);
    if (EditedEntry >= 0) WorkingKeys[EditedEntry] = shown;  // an empty control unbinds the action
    int selected = (int)SendDlgItemMessageA(dialog, KeyboardList, LB_GETCURSEL, 0, 0);
    if (selected < 0 || selected >= (int)KeyActionCount) {
        EditedEntry = -1;
        return;
    }
    EditedEntry = selected;
    ShowHotKey(dialog, WorkingKeys[selected]);
}

static void RestoreDefaultKey(HWND dialog) {
    int selected = (int)SendDlgItemMessageA(dialog, KeyboardList, LB_GETCURSEL, 0, 0);
    if (selected < 0 || selected >= (int)KeyActionCount) {
        SendDlgItemMessageA(dialog, KeyboardHotKey, HKM_SETHOTKEY, 0, 0);
        return;
    }
    EditedEntry = selected;
    WorkingKeys[selected] = KeyDefaults[selected].code;
    ShowHotKey(dialog, WorkingKeys[selected]);
}

static void StoreKeys(HWND dialog) {
    KeyCode shown = ReadHotKey(dialog);
    if ((shown & 0xFF) != 0 && EditedEntry >= 0) WorkingKeys[EditedEntry] = shown;
    for (uint32_t i = 0; i < KeyActionCount; ++i) KeyTable[KeyDefaults[i].action] = WorkingKeys[i];
    SaveKeys();
}

INT_PTR CALLBACK KeyboardDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM) {
    if (message == WM_INITDIALOG) {
        OpenKeyboardDialog(dialog);
        return 1;
    }
    if (message != WM_COMMAND) return 0;
    switch (LOWORD(wParam)) {
    case KeyboardList:
        if (HIWORD(wParam) == LBN_SELCHANGE) SelectKeyEntry(dialog);
        break;
    case KeyboardDefault:
        RestoreDefaultKey(dialog);
        break;
    case IDOK:
        StoreKeys(dialog);
        EndDialog(dialog, IDOK);
        break;
    case IDCANCEL:
        EndDialog(dialog, IDCANCEL);
        break;
    default:
        break;
    }
    return 0;
}
