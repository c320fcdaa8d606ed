// The Replay dialog, which replays the last seconds of the replay buffer or saves the
// whole buffer, and the About box.
#include "ui/replaydialog.h"

#include "module/entry.h"
#include "playback/player.h"
#include "playback/position.h"
#include "recording/recorder.h"

enum ReplayDialogControl : int {
    ReplaySeconds = 1005,
    ReplaySpin = 1006,
    ReplaySave = 1004,
};

INT_PTR CALLBACK ReplayDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM) {
    if (message == WM_INITDIALOG) {
        uint32_t available = AvailableReplaySeconds();
        if (available < 5) {
            MessageBoxA(MainWindow, "No replay data available!", "Kestrel", MB_OK | MB_ICONEXCLAMATION);
            EndDialog(dialog, IDCANCEL);
            return 1;
        }
        SendDlgItemMessageA(dialog, ReplaySpin, UDM_SETRANGE, 0, MAKELPARAM((WORD)available, 5));
        SetDlgItemInt(dialog, ReplaySeconds, available, FALSE);
        return 1;
    }
    if (message != WM_COMMAND) return 0;
    switch (LOWORD(wParam)) {
    case IDOK: {
        uint32_t seconds = LOWORD(SendDlgItemMessageA(dialog, ReplaySpin, UDM_GETPOS, 0, 0));
        StartReplay(seconds);
        EndDialog(dialog, IDOK);
        break;
    }
    case ReplaySave:
        SaveReplay(dialog);
        break;
    case IDCANCEL:
        EndDialog(dialog, IDCANCEL);
        break;
    default:
        break;
    }
    return 0;
}

INT_PTR CALLBACK AboutDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM) {
    if (message == WM_COMMAND && (LOWORD(wParam) == IDOK || LOWORD(wParam) == IDCANCEL)) {
        EndDialog(dialog, LOWORD(wParam));
        return 1;
    }
    return 0;
}
