// The host loop of the virtual simulator: main window, frame driver and the user's
// actions on the simulator. Portable: the window comes from ordinary Win32 calls and
// nothing here reads the wall clock or starts a thread.
#include "vsim/sim/simulator.h"

#include "vsim/sim/panels.h"

#include <cmath>
#include <filesystem>
#include <system_error>

#include "vsim/sim/aircraft.h"
#include "vsim/sim/hostdlls.h"
#include "vsim/sim/simconnect.h"
#include "vsim/sim/simconnect_data.h"
#include "vsim/sim/simhost.h"

namespace vsim {

namespace {

const char* const MainWindowClass = "FS98MAIN";
const char* const MainWindowTitle = "Microsoft Flight Simulator X";
const double DefaultFrameRate = 30.0;
const double MaxFrameRate = 1000.0;  // frames must stay several clock units apart

HWND MainWindow = nullptr;
double FramesPerSecond = DefaultFrameRate;
// Frame times come from a grid that starts where the frame rate was last set, so that
// rounding never accumulates: frame k of the grid ends at GridStart + k / rate seconds,
// rounded to 1/10000 s.
uint64_t GridStartMicros = 0;
uint64_t GridFrames = 0;
uint64_t Frames = 0;
bool Paused = false;
std::vector<SimKeyMessage> KeyMessages;

// Frame ends lie on the 1/10000 s grid of the clients' frame clocks.
uint64_t GridMicros(uint64_t frames) {
    return GridStartMicros + 100 * uint64_t(std::llround(double(frames) * 10000.0 / FramesPerSecond));
}

// The frame time as the host's frame-time entry reports it: the double nearest to
// units / 10000 s that still gives the units back when a client multiplies it by 10000
// and truncates, so that such a frame clock follows the virtual clock exactly.
double ReportedFrameSeconds(uint64_t units) {
    double seconds = double(units) / 10000.0;
    while (int64_t(seconds * 10000.0) < int64_t(units)) seconds = std::nextafter(seconds, 1.0e9);
    return seconds;
}

void RunFrame() {
    ++Frames;
    uint64_t before = ClockMicros();
    if (before != GridMicros(GridFrames)) {
        // Someone else moved the clock: a new grid starts here.
        GridStartMicros = before;
        GridFrames = 0;
    }
    ++GridFrames;
    uint64_t after = GridMicros(GridFrames);
    AdvanceClock(after - before);
    double frameSeconds = ReportedFrameSeconds((after - before) / 100);
    SetLastFrameSeconds(frameSeconds);
    double rate = HostSimRate();

    // Aircraft created since the last pump exist from this frame on, before its data.
    CompletePendingAiCreations();
    if (!Paused) AdvanceAircraft(frameSeconds * rate);
    QueuePeriodicReplies();
    QueueFrameEvent(float(FramesPerSecond), float(rate));
    PumpSimConnect();
    TraceFrame(Frames, double(ClockMicros()) / 1e6);
}

bool IsKeyMessage(UINT message) {
    return message == WM_KEYDOWN || message == WM_KEYUP || message == WM_SYSKEYDOWN || message == WM_SYSKEYUP ||
           message == WM_CHAR;
}

bool CreateMainWindow() {
    WNDCLASSEXA windowClass = {};
    windowClass.cbSize = sizeof windowClass;
    windowClass.lpfnWndProc = HostMainWindowProc;
    windowClass.lpszClassName = MainWindowClass;
    // A class left registered by an earlier run in this process serves as well.
    RegisterClassExA(&windowClass);
    MainWindow = CreateWindowExA(0, MainWindowClass, MainWindowTitle, WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU, 0, 0,
                                 1024, 768, nullptr, nullptr, nullptr, nullptr);
    if (MainWindow == nullptr) return false;
    ShowWindow(MainWindow, SW_SHOW);
    return true;
}

}  // namespace

bool StartHost(const HostOptions& options) {
    ResetHost();
    SetTranscriptEcho(options.echoTranscript);
    SetSimConnectCallLogLimit(options.callLogLimit);
    SetDriveRoot(options.driveRoot);
    SetCurrentDirectoryPath(options.currentDirectory);
    std::error_code error;
    std::filesystem::create_directories(MapPath(CurrentDirectoryPath()), error);
    for (HostDll& dll : HostDlls())
        for (int i = 0; i < 4; ++i) dll.version[i] = options.hostVersion[i];
    InstallHostEntries();
    SetFrameRate(options.framesPerSecond);
    if (!options.tracePath.empty()) OpenTrace(options.tracePath);
    if (!CreateMainWindow()) {
        Log("host: the main window could not be created");
        return false;
    }
    return true;
}

void StopHost() {
    if (MainWindow != nullptr) DestroyWindow(MainWindow);
    MainWindow = nullptr;
    CloseTrace();
}

void ResetHost() {
    StopHost();
    ResetSimConnect();
    ResetAircraft();
    ResetPanels();
    ResetHostServices();
    FramesPerSecond = DefaultFrameRate;
    GridStartMicros = 0;
    GridFrames = 0;
    Frames = 0;
    SetLastFrameSeconds(0.0);
    SetHostSimRate(1.0);
    Paused = false;
    KeyMessages.clear();
}

void RunFrames(unsigned count) {
    for (unsigned i = 0; i < count; ++i) RunFrame();
}

void RunSeconds(double seconds) {
    if (!(seconds > 0.0)) return;
    uint64_t target = ClockMicros() + uint64_t(std::llround(seconds * 1e6));
    while (ClockMicros() < target) RunFrame();
}

uint64_t FrameCount() { return Frames; }

bool SetFrameRate(double framesPerSecond) {
    if (!(framesPerSecond > 0.0) || framesPerSecond > MaxFrameRate) return false;
    FramesPerSecond = framesPerSecond;
    GridStartMicros = ClockMicros();
    GridFrames = 0;
    return true;
}

double FrameRate() { return FramesPerSecond; }

bool SetSimRate(double rate) {
    if (!(rate > 0.0) || !std::isfinite(rate)) return false;
    SetHostSimRate(rate);
    return true;
}

double SimRateMultiplier() { return HostSimRate(); }

void SetPaused(bool paused) {
    if (ChangePause(paused)) PumpSimConnect();
}

bool IsPaused() { return Paused; }

bool ChangePause(bool paused) {
    if (paused == Paused) return false;
    Paused = paused;
    QueuePauseEvents(paused);
    return true;
}

void LoadFlight(const std::string& fileName) {
    QueueSimpleEvent(SysSimStop, 0);
    QueueFileNameEvent(SysFlightLoaded, fileName);
    QueueSimpleEvent(SysSimStart, 0);
    PumpSimConnect();
}

void LoadAircraft(const std::string& title, double cgFeet, bool newObjectId) {
    uint32_t before = UserAircraftId();
    LoadUserAircraft(title, cgFeet);
    if (newObjectId) GiveUserNewObjectId();
    uint32_t after = UserAircraftId();
    if (after != before) {
        QueueObjectEvent(SysObjectRemoved, before);
        QueueObjectEvent(SysObjectAdded, after);
    }
    QueueFileNameEvent(SysAircraftLoaded, "SimObjects\\Airplanes\\" + title + "\\" + title + ".AIR");
    PumpSimConnect();
}

uint32_t AddAi(const std::string& title, const std::string& plan) {
    uint32_t objectId = AddAiAircraft(title, plan);
    if (objectId == 0) return 0;
    QueueObjectEvent(SysObjectAdded, objectId);
    PumpSimConnect();
    return objectId;
}

bool RemoveAi(unsigned index) {
    uint32_t objectId = AiAircraftByIndex(index);
    if (objectId == 0 || !RemoveAiAircraft(objectId)) return false;
    ForgetDataSets(objectId);
    QueueObjectEvent(SysObjectRemoved, objectId);
    PumpSimConnect();
    return true;
}

bool SelectMenuItem(const std::string& text) {
    if (!QueueMenuSelection(text)) return false;
    PumpSimConnect();
    return true;
}

HWND MainWindowHandle() { return MainWindow; }

LRESULT CALLBACK HostMainWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (IsKeyMessage(message)) KeyMessages.push_back(SimKeyMessage{message, unsigned(wParam)});
    return DefWindowProcA(window, message, wParam, lParam);
}

const std::vector<SimKeyMessage>& SimKeyMessages() { return KeyMessages; }
void ClearSimKeyMessages() { KeyMessages.clear(); }

}  // namespace vsim
