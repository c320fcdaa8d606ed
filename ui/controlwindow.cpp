// The floating control window: a position slider over a row of transport buttons.
// It never keeps the activation, so the simulator's main window (and the key hook)
// goes on receiving the keys while the user clicks it.
#include "ui/controlwindow.h"

#include <cstdio>

#include "module/entry.h"
#include "playback/controls.h"
#include "ui/config.h"

HWND ControlWindow = nullptr;

static const char WindowIni[] = "modules\\Kestrel.ini";
static const int ClientWidth = 350;
static const int ClientHeight = 65;

struct ControlSpec {
    int id;
    const char* className;
    DWORD style;
    int x, y, width, height;
    const char* text;
    int icon;  // 0: none
};

static const ControlSpec Controls[] = {
    {CtlSlider, "msctls_trackbar32", 0x50000008, 0, 0, 350, 40, "Progress", 0},
    {CtlJumpStart, "BUTTON", 0x50000040, 5, 40, 20, 20, "|<", 121},
    {CtlBack3, "BUTTON", 0x5000000B, 25, 40, 20, 20, "<<<", 120},
    {CtlBack2, "BUTTON", 0x5000000B, 45, 40, 20, 20, "<<", 119},
    {CtlBack1, "BUTTON", 0x5000000B, 65, 40, 20, 20, "<", 118},
    {CtlLoopStart, "BUTTON", 0x50000040, 95, 40, 20, 20, "[", 127},
    {CtlLoopToggle, "BUTTON", 0x50001043, 115, 40, 20, 20, "~", 126},
    {CtlLoopEnd, "BUTTON", 0x50000040, 135, 40, 20, 20, "]", 128},
    {CtlSlower, "BUTTON", 0x50000040, 165, 40, 20, 20, "-", 129},
    {CtlSpeedText, "STATIC", 0x50001101, 186, 40, 48, 20, "100%", 0},
    {CtlFaster, "BUTTON", 0x50000040, 235, 40, 20, 20, "+", 130},
    {CtlForward1, "BUTTON", 0x5000000B, 265, 40, 20, 20, ">", 122},
    {CtlForward2, "BUTTON", 0x5000000B, 285, 40, 20, 20, ">>", 123},
    {CtlForward3, "BUTTON", 0x5000000B, 305, 40, 20, 20, ">>>", 124},
    {CtlJumpEnd, "BUTTON", 0x50000040, 325, 40, 20, 20, ">|", 125},
};

// The owner-drawn step buttons: their step size and their PlaybackJump codes.
struct StepButton {
    int id;
    uint32_t step;
    uint32_t startCode;
    uint32_t endCode;
};
static const StepButton StepButtons[] = {
    {CtlBack1, 1, 2, 8},    {CtlBack2, 2, 3, 9},    {CtlBack3, 3, 4, 10},
    {CtlForward1, 1, 5, 8}, {CtlForward2, 2, 6, 9}, {CtlForward3, 3, 7, 10},
};

static const StepButton* FindStepButton(int id) {
    for (const StepButton& button : StepButtons) {
        if (button.id == id) return &button;
    }
    return nullptr;
}

static int IconOf(int id) {
    for (const ControlSpec& control : Controls) {
        if (control.id == id) return control.icon;
    }
    return 0;
}

static uint32_t SearchSetting(uint32_t step) {
    return step == 1 ? Settings.Search1 : step == 2 ? Settings.Search2 : Settings.Search3;
}

void CreateControlWindow() {
    int x = ReadIniNumber(WindowIni, "WINDOW", "XPos", "5", 10);
    int y = ReadIniNumber(WindowIni, "WINDOW", "YPos", "25", 10);
    WNDCLASSEXA windowClass = {};
    windowClass.cbSize = sizeof(windowClass);
    windowClass.style = CS_HREDRAW | CS_VREDRAW;
    windowClass.lpfnWndProc = ControlWindowProc;
    windowClass.hInstance = ModuleInstance;
    windowClass.hCursor = LoadCursorA(nullptr, IDC_ARROW);
    windowClass.hbrBackground = (HBRUSH)(uintptr_t)(COLOR_BTNFACE + 1);
    windowClass.lpszClassName = "KESWND";
    RegisterClassExA(&windowClass);
    ControlWindow = CreateWindowExA(WS_EX_TOOLWINDOW, "KESWND", "Kestrel", 0, 20, 20, 200, 70, MainWindow, nullptr,
                                    ModuleInstance, nullptr);
    if (!ControlWindow) return;  // the module then works without the window
    RECT frame = {0, 0, ClientWidth, ClientHeight};
    AdjustWindowRectEx(&frame, (DWORD)GetWindowLongA(ControlWindow, GWL_STYLE), FALSE,
                       (DWORD)GetWindowLongA(ControlWindow, GWL_EXSTYLE));
    SetWindowPos(ControlWindow, nullptr, x, y, frame.right - frame.left, frame.bottom - frame.top, 0);

    for (const ControlSpec& control : Controls) {
        HWND child = CreateWindowExA(0, control.className, control.text, control.style, control.x, control.y,
                                     control.width, control.height, ControlWindow, (HMENU)(uintptr_t)control.id,
                                     ModuleInstance, nullptr);
        bool ownerDrawn = (control.style & BS_TYPEMASK) == BS_OWNERDRAW && control.className[0] == 'B';
        if (child && control.icon && !ownerDrawn) {
            SendMessageA(child, BM_SETIMAGE, IMAGE_ICON,
                         (LPARAM)LoadIconA(ModuleInstance, MAKEINTRESOURCE(control.icon)));
        }
    }
    SendDlgItemMessageA(ControlWindow, CtlSlider, TBM_SETRANGE, TRUE, MAKELPARAM(0, 350));
    SendDlgItemMessageA(ControlWindow, CtlSlider, TBM_SETPOS, TRUE, 0);
}

void ShowControlWindow(bool show) {
    if (ControlWindow) ShowWindow(ControlWindow, show ? SW_SHOW : SW_HIDE);
}

static LRESULT HandleCommand(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    int id = LOWORD(wParam);
    if (const StepButton* button = FindStepButton(id)) {
        // A searching step size is driven by the button's drawing (pressed, released).
        if (!SearchSetting(button->step)) PlaybackJump(button->startCode);
        return 0;
    }
    switch (id) {
    case CtlJumpStart:
        PlaybackJump(0);
        return 0;
    case CtlJumpEnd:
        PlaybackJump(1);
        return 0;
    case CtlLoopStart:
        PlaybackLoop(0);
        return 0;
    case CtlLoopEnd:
        PlaybackLoop(1);
        return 0;
    case CtlLoopToggle:
        if (HIWORD(wParam) == BN_CLICKED) {
            bool checked = SendDlgItemMessageA(window, CtlLoopToggle, BM_GETCHECK, 0, 0) == BST_CHECKED;
            PlaybackLoop(checked ? 2 : 3);
        }
        return 0;
    case CtlSlower:
        PlaybackSpeed(1);
        return 0;
    case CtlFaster:
        PlaybackSpeed(0);
        return 0;
    case CtlSpeedText:
        PlaybackSpeed(2);
        return 0;
    default:
        return DefWindowProcA(window, message, wParam, lParam);
    }
}

static LRESULT DrawStepButton(const StepButton* button, const DRAWITEMSTRUCT* item) {
    bool pushed = (SendMessageA(item->hwndItem, BM_GETSTATE, 0, 0) & BST_PUSHED) != 0;
    RECT rect = item->rcItem;
    DrawFrameControl(item->hDC, &rect, DFC_BUTTON, DFCS_BUTTONPUSH | (pushed ? DFCS_PUSHED : 0));
    HICON icon = LoadIconA(ModuleInstance, MAKEINTRESOURCE(IconOf(button->id)));
    // A 32 x 32 icon centred on the 20 x 20 button; pushed, one pixel right and down.
    int offset = pushed ? -5 : -6;
    DrawIcon(item->hDC, offset, offset, icon);
    if (SearchSetting(button->step)) PlaybackJump(pushed ? button->startCode : button->endCode);
    return 1;
}

LRESULT CALLBACK ControlWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_COMMAND:
        if (LOWORD(wParam) >= CtlJumpStart && LOWORD(wParam) <= CtlFaster) {
            return HandleCommand(window, message, wParam, lParam);
        }
        break;
    case WM_HSCROLL:
        SeekToSlider();
        return 0;
    case WM_DRAWITEM: {
        const DRAWITEMSTRUCT* item = (const DRAWITEMSTRUCT*)lParam;
        const StepButton* button = item ? FindStepButton((int)item->CtlID) : nullptr;
        if (button) return DrawStepButton(button, item);
        break;
    }
    case WM_ACTIVATE:
        if (LOWORD(wParam) != WA_INACTIVE) {
            SetActiveWindow(MainWindow);
            return 0;
        }
        break;
    case WM_MOUSEACTIVATE:
        if (LOWORD(lParam) == HTCLIENT) return MA_NOACTIVATE;
        break;
    case WM_NCACTIVATE:
        return DefWindowProcA(window, message, TRUE, 0);
    case WM_MOVING: {
        RECT client;
        GetClientRect(MainWindow, &client);
        InvalidateRect(MainWindow, &client, FALSE);
        SendMessageA(MainWindow, WM_PAINT, 0, 0);
        break;
    }
    case WM_EXITSIZEMOVE: {
        RECT rect;
        GetWindowRect(window, &rect);
        WriteIniNumber(WindowIni, "WINDOW", "XPos", rect.left);
        WriteIniNumber(WindowIni, "WINDOW", "YPos", rect.top);
        return 0;
    }
    default:
        break;
    }
    return DefWindowProcA(window, message, wParam, lParam);
}
