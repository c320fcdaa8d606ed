// The host version check: reads the file versions of the simulator's five DLLs,
// resolves the entries of the recognised builds by ordinal, and for a build it does
// not know writes Kestrel.log and asks whether to run with limited functionality.
#include "module/versioncheck.h"

#include <cstdio>
#include <cstdlib>

#include "module/entry.h"
#include "platform/files.h"

ObjectAccessorFn ObjectAccessor = nullptr;
uint32_t VelocityPropertyId = 0;
uint32_t HostBuild = 4;
TrafficSettingsFn TrafficSettingsWriter = nullptr;
TrafficSettingsFn TrafficSettingsReader = nullptr;
HostOptionReaderFn HostOptionReader = nullptr;
HostOptionWriterFn HostOptionWriter = nullptr;
uint32_t HostOptionIndex = 0;
SimRateFn SimRateEntry = nullptr;
FrameTimeFn FrameTimeEntry = nullptr;
uint32_t* PositionCallFlag = nullptr;

static const char UnverifiedHostText[] =
    "This version of Kestrel was not verified with your version of FSX and might be incompatible. "
    "Please look for a newer version of Kestrel on the Kestrel web site. "
    "If there is none, please report this problem to the Kestrel support and attach the file \"Kestrel.log\" "
    "from the installation folder. "
    "To load Kestrel with limited functionality select OK. To not load Kestrel, select Cancel.";

HostDllVersionRecord HostDllVersion(HMODULE module) {
    HostDllVersionRecord version = {0, 0, 0, 0};
    char fileName[MAX_PATH];
    DWORD length = GetModuleFileNameA(module, fileName, MAX_PATH);
    if (length == 0 || length >= MAX_PATH) return version;
    fileName[length] = 0;
    DWORD handle = 0;
    DWORD size = GetFileVersionInfoSizeA(fileName, &handle);
    if (size == 0) return version;
    void* block = malloc(size);
    if (!block) return version;
    VS_FIXEDFILEINFO* info = nullptr;
    UINT infoLength = 0;
    if (GetFileVersionInfoA(fileName, handle, size, block) &&
        VerQueryValueA(block, "\\", (LPVOID*)&info, &infoLength) && info && infoLength >= sizeof(VS_FIXEDFILEINFO)) {
        version.major = HIWORD(info->dwFileVersionMS);
        version.minor = LOWORD(info->dwFileVersionMS);
        version.build = HIWORD(info->dwFileVersionLS);
        version.revision = LOWORD(info->dwFileVersionLS);
    }
    free(block);
    return version;
}

// True for version 10.0.build.0 exactly.
static bool IsBuild(const HostDllVersionRecord& v, uint16_t build) {
    return v.major == 10 && v.minor == 0 && v.build == build && v.revision == 0;
}

// The entry of an ordinal as the function type it has; a plain void(*)() in between
// keeps the compiler from warning about the unrelated function types.
template <typename Fn>
static Fn Resolve(HMODULE module, unsigned ordinal) {
    return reinterpret_cast<Fn>(reinterpret_cast<void (*)()>(GetProcAddress(module, MAKEINTRESOURCE(ordinal))));
}

// Prints an entry address as eight hex digits (the low 32 bits on a 64-bit build).
static unsigned EntryWord(const void* entry) {
    return (unsigned)(uintptr_t)entry;
}

static void WriteVersionLog(const HostDllVersionRecord& api, const HostDllVersionRecord& traffic,
                            const HostDllVersionRecord& main, const HostDllVersionRecord& sim,
                            const HostDllVersionRecord& scheduler) {
    char path[MAX_PATH + 16];
    snprintf(path, sizeof(path), "%s\\Kestrel.log", ModuleDir);
    FILE* log = OpenHostFile(path, "w");
    if (!log) return;  // a log that cannot be written is not reported; the warning follows anyway
    fprintf(log, "api:          %d.%d.%d.%d (%08X)\n", api.major, api.minor, api.build, api.revision,
            EntryWord((void*)FrameTimeEntry));
    fprintf(log, "fs-traffic:   %d.%d.%d.%d (%08X, %08X)\n", traffic.major, traffic.minor, traffic.build,
            traffic.revision, EntryWord((void*)TrafficSettingsWriter), EntryWord((void*)TrafficSettingsReader));
    fprintf(log, "main:         %d.%d.%d.%d (%08X, %08X)\n", main.major, main.minor, main.build, main.revision,
            EntryWord((void*)HostOptionReader), EntryWord((void*)HostOptionWriter));
    fprintf(log, "sim1:         %d.%d.%d.%d (%08X)\n", sim.major, sim.minor, sim.build, sim.revision,
            EntryWord((void*)ObjectAccessor));
    fprintf(log, "simscheduler: %d.%d.%d.%d (%08X)\n", scheduler.major, scheduler.minor, scheduler.build,
            scheduler.revision, EntryWord((void*)SimRateEntry));
    fclose(log);
}

int VersionCheck() {
    bool mismatch = false;
    // Every entry starts unresolved, also on a second load into the same process.
    ObjectAccessor = nullptr;
    VelocityPropertyId = 0;
    HostBuild = 4;
    TrafficSettingsWriter = nullptr;
    TrafficSettingsReader = nullptr;
    HostOptionReader = nullptr;
    HostOptionWriter = nullptr;
    HostOptionIndex = 0;
    SimRateEntry = nullptr;
    FrameTimeEntry = nullptr;
    PositionCallFlag = nullptr;

    HMODULE simDll = GetModuleHandleA("sim1.dll");
    if (!simDll) return 0;
    HostDllVersionRecord s = HostDllVersion(simDll);
    HostBuild = IsBuild(s, 60905) ? 0 : IsBuild(s, 61355) ? 1 : IsBuild(s, 61637) ? 2 : IsBuild(s, 61472) ? 3 : 4;
    if (IsBuild(s, 60905) || IsBuild(s, 61355) || IsBuild(s, 61472) || IsBuild(s, 61637)) {
        ObjectAccessor = Resolve<ObjectAccessorFn>(simDll, 10);
        if (!ObjectAccessor) return 0;
        VelocityPropertyId = IsBuild(s, 61637) ? 675 : 648;
    } else {
        ObjectAccessor = nullptr;
        mismatch = true;
    }

    HMODULE trafficDll = GetModuleHandleA("fs-traffic.dll");
    if (!trafficDll) return 0;
    HostDllVersionRecord t = HostDllVersion(trafficDll);
    if (IsBuild(t, 60905) || IsBuild(s, 61355) || IsBuild(s, 61472) || IsBuild(s, 61637)) {
        TrafficSettingsWriter = Resolve<TrafficSettingsFn>(trafficDll, 5);
        if (!TrafficSettingsWriter) return 0;
        TrafficSettingsReader = Resolve<TrafficSettingsFn>(trafficDll, 6);
        if (!TrafficSettingsReader) return 0;
    } else {
        mismatch = true;
    }

    HMODULE mainDll = GetModuleHandleA("main.dll");
    if (!mainDll) return 0;
    HostDllVersionRecord m = HostDllVersion(mainDll);
    unsigned readerOrdinal = 0;
    if (IsBuild(m, 60905)) {
        readerOrdinal = 53;
        HostOptionIndex = 19;
    } else if (IsBuild(m, 61355)) {
        readerOrdinal = 57;
        HostOptionIndex = 19;
    } else if (IsBuild(m, 61472) || IsBuild(m, 61637)) {
        readerOrdinal = 57;
        HostOptionIndex = 20;
    }
    if (readerOrdinal) {
        HostOptionReader = Resolve<HostOptionReaderFn>(mainDll, readerOrdinal);
        if (!HostOptionReader) return 0;
        HostOptionWriter = Resolve<HostOptionWriterFn>(mainDll, readerOrdinal + 1);
        if (!HostOptionWriter) return 0;
    } else {
        mismatch = true;
    }

    HMODULE schedulerDll = GetModuleHandleA("simscheduler.dll");
    if (!schedulerDll) return 0;
    HostDllVersionRecord k = HostDllVersion(schedulerDll);
    unsigned rateOrdinal = 0;
    if (IsBuild(k, 60905) || IsBuild(s, 61355) || IsBuild(s, 61472)) {
        rateOrdinal = 6;
    } else if (IsBuild(m, 61637)) {
        rateOrdinal = 8;
    }
    if (rateOrdinal) {
        SimRateEntry = Resolve<SimRateFn>(schedulerDll, rateOrdinal);
        if (!SimRateEntry) return 0;
    } else {
        mismatch = true;
    }

    HMODULE apiDll = GetModuleHandleA("api.dll");
    if (!apiDll) return 0;
    HostDllVersionRecord a = HostDllVersion(apiDll);
    unsigned frameOrdinal = 0, flagOrdinal = 0;
    if (IsBuild(a, 60905)) {
        frameOrdinal = 261;
        flagOrdinal = 313;
    } else if (IsBuild(a, 61355)) {
        frameOrdinal = 265;
        flagOrdinal = 317;
    } else if (IsBuild(a, 61472)) {
        frameOrdinal = 268;
        flagOrdinal = 304;
    } else if (IsBuild(m, 61637)) {
        frameOrdinal = 268;
    }
    if (frameOrdinal) {
        FrameTimeEntry = Resolve<FrameTimeFn>(apiDll, frameOrdinal);
        if (!FrameTimeEntry) return 0;
        if (flagOrdinal) {
            char* base = reinterpret_cast<char*>(GetProcAddress(apiDll, MAKEINTRESOURCE(flagOrdinal)));
            PositionCallFlag = base ? reinterpret_cast<uint32_t*>(base + 424) : nullptr;
        }
    } else {
        mismatch = true;
    }

    if (!mismatch) return 1;
    WriteVersionLog(a, t, m, s, k);
    int answer = MessageBoxA(nullptr, UnverifiedHostText, "Kestrel Module", MB_OKCANCEL | MB_ICONEXCLAMATION);
    return answer == IDCANCEL ? -1 : 1;
}
