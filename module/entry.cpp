// The module's entry and lifecycle. The loader calls ModuleAttach, which hooks the
// simulator's main window; the simulator then calls DLLStart, which builds the
// module's state and opens the SimConnect link, and DLLStop before unloading.
#include "module/entry.h"

#include <cstring>

#include "module/dispatch.h"
#include "module/simcommands.h"
#include "module/simlink.h"
#include "module/versioncheck.h"
#include "playback/player.h"
#include "recording/capture.h"
#include "recording/recorder.h"
#include "recording/recovery.h"
#include "recording/track.h"
#include "ui/config.h"
#include "ui/controlwindow.h"
#include "ui/keyboard.h"

HINSTANCE ModuleInstance = nullptr;
HWND MainWindow = nullptr;
WNDPROC MainWindowPrevProc = nullptr;
char ModuleDir[MAX_PATH];
char IniPath[MAX_PATH];
HANDLE SimConnectHandle = nullptr;

void* Panels = nullptr;  // exported; declared with C linkage in entry.h

static const char MainWindowMissingText[] =
    "FS main window could not be found! Please report this problem to the Kestrel support.";
static const char InitFailedText[] =
    "A problem occurred during initialization of the Kestrel Module! The Kestrel has to be disabled.";
static const char SimConnectFailedText[] =
    "A problem occurred during SimConnect initialization of the Kestrel Module! The Kestrel will not be available.";

static void RestoreMainWindowProc() {
    if (MainWindow && MainWindowPrevProc) {
        SetWindowLongPtrA(MainWindow, GWLP_WNDPROC, (LONG_PTR)MainWindowPrevProc);
    }
}

extern "C" BOOL WINAPI ModuleAttach(HINSTANCE instance, DWORD reason, LPVOID) {
    if (reason == DLL_PROCESS_ATTACH) {
        ModuleInstance = instance;
        MainWindow = FindWindowA("FS98MAIN", nullptr);
        if (!MainWindow) {
            MessageBoxA(nullptr, MainWindowMissingText, "Kestrel Module", MB_OK | MB_ICONERROR);
            return FALSE;
        }
        MainWindowPrevProc = (WNDPROC)SetWindowLongPtrA(MainWindow, GWLP_WNDPROC, (LONG_PTR)MainWindowHook);
        return TRUE;
    }
    if (reason == DLL_PROCESS_DETACH) {
        RestoreMainWindowProc();
    }
    return TRUE;
}

// Cuts the module's file name after its last backslash.
static void DeriveModulePaths() {
    char fileName[MAX_PATH];
    DWORD length = GetModuleFileNameA(ModuleInstance, fileName, MAX_PATH);
    if (length >= MAX_PATH) length = MAX_PATH - 1;
    fileName[length] = 0;
    char* lastSlash = strrchr(fileName, '\\');
    if (lastSlash) {
        lastSlash[1] = 0;
    } else {
        fileName[0] = 0;
    }
    strcpy(ModuleDir, fileName);
    // ModuleDir is at most 259 characters; the ini name must still fit.
    if (strlen(ModuleDir) + strlen("Kestrel.ini") < MAX_PATH) {
        strcpy(IniPath, ModuleDir);
        strcat(IniPath, "Kestrel.ini");
    } else {
        strcpy(IniPath, "Kestrel.ini");
    }
}

// Every module-wide value as a fresh load of the DLL has it: the simulator may load
// the module again into the same process, and nothing of the first load may linger.
static void ResetModuleState() {
    ModuleMode = Idle;
    SimLinkRegistered = 0;
    ControlWindow = nullptr;
    FrameClock = 0;
    PrevFrameClock = 0;
    StatusTextTimer = 0;
    FirstLoadSeen = 0;
    IsLevelD767 = 0;
    UserObjectId = 1;
    ZuluStamp = 0;
    SimPaused = 0;
    SimRate = 0;
    SimRateChanged = 0;
    UserTitle[0] = 0;
    UserCgHeight = 0.0f;
    OnGround = 0;
    EngineRunning = 0;
    ParkingBrakeSet = 0;
    ResetTrackTable();
    ResetRecorderState();
    ResetPlayerState();
    ResetCaptureDefinitions();
    RecordOptions = RecordOptionsRecord();
}

int OpenSimLink() {
    // Without a link the handle stays null, which tells every other part so.
    if (SimConnect_Open(&SimConnectHandle, "Kestrel", nullptr, 0, nullptr, 0) < 0) {
        SimConnectHandle = nullptr;
        return 0;
    }
    if (SimConnect_CallDispatch(SimConnectHandle, SimLinkDispatch, nullptr) != 0) {
        SimConnect_Close(SimConnectHandle);
        SimConnectHandle = nullptr;
        return 0;
    }
    return 1;
}

int DLLStart() {
    // First of all, so a module that declines to load is as inert as a fresh one.
    ResetModuleState();
    DeriveModulePaths();
    int check = VersionCheck();
    if (check == -1) {
        RestoreMainWindowProc();
        return 0;
    }
    if (check == 0) {
        MessageBoxA(nullptr, InitFailedText, "Kestrel Module", MB_OK | MB_ICONERROR);
        RestoreMainWindowProc();
        return 0;
    }
    if (!ResetAircraftList()) {
        MessageBoxA(nullptr, InitFailedText, "Kestrel Module", MB_OK | MB_ICONERROR);
        RestoreMainWindowProc();
        return 0;
    }
    LoadSettings();
    LoadKeys();
    CreateControlWindow();
    RecoverInterruptedRecording(0);  // before anything can record over the temp files
    if (!OpenSimLink()) {
        MessageBoxA(nullptr, SimConnectFailedText, "Kestrel Module", MB_OK | MB_ICONERROR);
    }
    return 0;
}

void DLLStop() {
    // A recording beside traffic playback first loses its traffic (the aircraft stay
    // with the simulator) and is then saved like any recording, rather than lost.
    if (ModuleMode == Playing || ModuleMode == PlayingTraffic || ModuleMode == Replaying ||
        ModuleMode == RecordingWithTraffic) {
        StopPlayback(1);
    }
    if (ModuleMode == Recording) StopRecording(1);
    if (ModuleMode == ReplayBuffering) StopReplayBuffer();
    ReleaseAircraftList();
    ModuleMode = Idle;
    if (SimConnectHandle) {
        SimConnect_Close(SimConnectHandle);
        SimConnectHandle = nullptr;
    }
}
