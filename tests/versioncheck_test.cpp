// The host version check: the entries resolved by ordinal for each known build, mixed
// versions, unknown builds with the log and the question, and the failures (a missing
// DLL or required ordinal). Ordinals get addresses of their own here, so each resolved
// entry shows which DLL and ordinal it came from.
#include <cstdio>
#include <cstring>
#include <ostream>
#include <string>
#include <vector>

#include "module/entry.h"
#include "module/simlink.h"
#include "module/versioncheck.h"
#include "tests/support/module_fixture.h"
#include "vsim/sim/hostdlls.h"
#include "vsim/sim/simconnect.h"
#include "vsim/sim/simhost.h"
#include "vsim/win32/modules.h"
#include "vsim/win32/scripted_user.h"

namespace {

const char* const DllNames[] = {"sim1.dll", "fs-traffic.dll", "main.dll", "simscheduler.dll", "api.dll"};
const char LogPath[] = "C:\\Sim\\Modules\\Kestrel.log";

// One distinct address per DLL and ordinal; never called.
char OrdinalMarks[5][1024];

int DllIndex(const std::string& name) {
    for (int i = 0; i < 5; ++i) {
        if (name == DllNames[i]) return i;
    }
    return -1;
}

void* Mark(const char* dll, unsigned ordinal) {
    return &OrdinalMarks[DllIndex(dll)][ordinal];
}

template <typename Fn>
void* Address(Fn entry) {
    return reinterpret_cast<void*>(entry);
}

// The module prints an entry as the low 32 bits of its address.
std::string Hex(void* address) {
    char text[16];
    snprintf(text, sizeof(text), "%08X", unsigned(uintptr_t(address)));
    return text;
}

class VersionCheckTest : public ModuleTest {
protected:
    void SetUp() override {
        ModuleTest::SetUp();
        strcpy(ModuleDir, "C:\\Sim\\Modules\\");
    }
    void SetVersion(const char* dll, uint16_t build, uint16_t revision = 0, uint16_t major = 10) {
        uint16_t* version = vsim::FindHostDll(dll)->version;
        version[0] = major;
        version[1] = 0;
        version[2] = build;
        version[3] = revision;
    }
    void SetAllVersions(uint16_t build) {
        for (const char* dll : DllNames) SetVersion(dll, build);
    }
    // Installs the DLLs' ordinals for their versions and gives each its own mark.
    void InstallMarkedOrdinals() {
        vsim::InstallHostEntries();
        for (vsim::HostDll& dll : vsim::HostDlls()) {
            for (auto& entry : dll.ordinals) entry.second = Mark(dll.name.c_str(), entry.first);
        }
    }
    std::string ReadLog() {
        std::vector<uint8_t> bytes = ReadBytes(LogPath);
        return std::string(bytes.begin(), bytes.end());
    }
};

struct KnownBuild {
    uint16_t build;
    uint32_t hostBuild;
    uint32_t velocityId;
    unsigned optionReader;  // main.dll; the writer is the next ordinal
    uint32_t optionIndex;
    unsigned simRate;     // simscheduler.dll
    unsigned frameTime;   // api.dll
    unsigned positionFlag;  // api.dll; 0 for none
};

const KnownBuild KnownBuilds[] = {
    {60905, 0, 648, 53, 19, 6, 261, 313},
    {61355, 1, 648, 57, 19, 6, 265, 317},
    {61472, 3, 648, 57, 20, 6, 268, 304},
    {61637, 2, 675, 57, 20, 8, 268, 0},
};

void PrintTo(const KnownBuild& b, std::ostream* out) {
    *out << "10.0." << b.build << ".0";
}

void ExpectBuildEntries(const KnownBuild& b) {
    SCOPED_TRACE(b.build);
    EXPECT_EQ(HostBuild, b.hostBuild);
    EXPECT_EQ(VelocityPropertyId, b.velocityId);
    EXPECT_EQ(HostOptionIndex, b.optionIndex);
    EXPECT_EQ(Address(ObjectAccessor), Mark("sim1.dll", 10));
    EXPECT_EQ(Address(TrafficSettingsWriter), Mark("fs-traffic.dll", 5));
    EXPECT_EQ(Address(TrafficSettingsReader), Mark("fs-traffic.dll", 6));
    EXPECT_EQ(Address(HostOptionReader), Mark("main.dll", b.optionReader));
    EXPECT_EQ(Address(HostOptionWriter), Mark("main.dll", b.optionReader + 1));
    EXPECT_EQ(Address(SimRateEntry), Mark("simscheduler.dll", b.simRate));
    EXPECT_EQ(Address(FrameTimeEntry), Mark("api.dll", b.frameTime));
    if (b.positionFlag) {
        EXPECT_EQ((void*)PositionCallFlag, (void*)((char*)Mark("api.dll", b.positionFlag) + 424));
    } else {
        EXPECT_EQ(PositionCallFlag, nullptr);
    }
}

class KnownBuildTest : public VersionCheckTest, public ::testing::WithParamInterface<KnownBuild> {};

TEST_P(KnownBuildTest, ResolvesTheEntriesOfTheBuild) {
    const KnownBuild& b = GetParam();
    SetAllVersions(b.build);
    InstallMarkedOrdinals();
    EXPECT_EQ(VersionCheck(), 1);
    ExpectBuildEntries(b);
    EXPECT_FALSE(FileExists(LogPath));
    EXPECT_TRUE(vsim::user::MessageBoxes().empty());
}

INSTANTIATE_TEST_SUITE_P(AllKnownBuilds, KnownBuildTest, ::testing::ValuesIn(KnownBuilds),
                         [](const ::testing::TestParamInfo<KnownBuild>& info) {
                             return "Build" + std::to_string(info.param.build);
                         });

TEST_F(VersionCheckTest, TrafficAndRateEntriesFollowTheSimVersion) {
    // sim1.dll 61355 decides for fs-traffic.dll and simscheduler.dll, whatever they are.
    for (const char* dll : DllNames) SetVersion(dll, 61355);
    SetVersion("fs-traffic.dll", 61000);
    SetVersion("simscheduler.dll", 61000);
    InstallMarkedOrdinals();
    EXPECT_EQ(VersionCheck(), 1);
    EXPECT_EQ(HostBuild, 1u);
    EXPECT_EQ(Address(TrafficSettingsWriter), Mark("fs-traffic.dll", 5));
    EXPECT_EQ(Address(TrafficSettingsReader), Mark("fs-traffic.dll", 6));
    EXPECT_EQ(Address(SimRateEntry), Mark("simscheduler.dll", 6));
    EXPECT_FALSE(FileExists(LogPath));
    EXPECT_TRUE(vsim::user::MessageBoxes().empty());
}

TEST_F(VersionCheckTest, RateAndFrameEntriesFollowMain61637) {
    SetAllVersions(61637);
    SetVersion("simscheduler.dll", 62000);
    SetVersion("api.dll", 62000);
    InstallMarkedOrdinals();
    EXPECT_EQ(VersionCheck(), 1);
    EXPECT_EQ(Address(SimRateEntry), Mark("simscheduler.dll", 8));
    EXPECT_EQ(Address(FrameTimeEntry), Mark("api.dll", 268));
    EXPECT_EQ(PositionCallFlag, nullptr);  // although the unknown api.dll exports 313, 317 and 304
    EXPECT_FALSE(FileExists(LogPath));
    EXPECT_TRUE(vsim::user::MessageBoxes().empty());
}

TEST_F(VersionCheckTest, UnknownSimVersionWritesTheLogAndAsks) {
    SetAllVersions(61637);
    SetVersion("sim1.dll", 61000);
    InstallMarkedOrdinals();
    WriteBytes(LogPath, std::vector<uint8_t>(500, 'x'));  // an older log is replaced
    EXPECT_EQ(VersionCheck(), 1);  // the user answers OK

    EXPECT_EQ(HostBuild, 4u);
    EXPECT_EQ(ObjectAccessor, nullptr);
    // fs-traffic.dll 61637 is no 60905 and sim1.dll no known build: its entries stay none.
    EXPECT_EQ(TrafficSettingsWriter, nullptr);
    EXPECT_EQ(TrafficSettingsReader, nullptr);
    EXPECT_EQ(Address(HostOptionReader), Mark("main.dll", 57));
    EXPECT_EQ(Address(SimRateEntry), Mark("simscheduler.dll", 8));
    EXPECT_EQ(Address(FrameTimeEntry), Mark("api.dll", 268));
    EXPECT_EQ(ReadLog(), "api:          10.0.61637.0 (" + Hex(Mark("api.dll", 268)) +
                             ")\n"
                             "fs-traffic:   10.0.61637.0 (00000000, 00000000)\n"
                             "main:         10.0.61637.0 (" +
                             Hex(Mark("main.dll", 57)) + ", " + Hex(Mark("main.dll", 58)) +
                             ")\n"
                             "sim1:         10.0.61000.0 (00000000)\n"
                             "simscheduler: 10.0.61637.0 (" +
                             Hex(Mark("simscheduler.dll", 8)) + ")\n");

    const auto& boxes = vsim::user::MessageBoxes();
    ASSERT_EQ(boxes.size(), 1u);
    const std::string& text = boxes[0].text;
    const std::string head =
        "This version of Kestrel was not verified with your version of FSX and might be incompatible.";
    const std::string tail =
        "To load Kestrel with limited functionality select OK. To not load Kestrel, select Cancel.";
    EXPECT_EQ(text.rfind(head, 0), 0u) << text;
    ASSERT_GE(text.size(), tail.size());
    EXPECT_EQ(text.substr(text.size() - tail.size()), tail);
    EXPECT_NE(text.find("\"Kestrel.log\""), std::string::npos);
    EXPECT_EQ(boxes[0].caption, "Kestrel Module");
    EXPECT_EQ(boxes[0].type, UINT(MB_OKCANCEL | MB_ICONEXCLAMATION));
    EXPECT_EQ(boxes[0].owner, nullptr);
}

TEST_F(VersionCheckTest, CancellingTheQuestionDeclines) {
    SetAllVersions(61637);
    SetVersion("sim1.dll", 61000);
    InstallMarkedOrdinals();
    vsim::user::OnMessage("This version of Kestrel", vsim::user::AnswerCancel);
    EXPECT_EQ(VersionCheck(), -1);
    EXPECT_TRUE(FileExists(LogPath));
}

TEST_F(VersionCheckTest, NonzeroRevisionIsNoKnownBuild) {
    SetAllVersions(61637);
    SetVersion("main.dll", 61637, 1);
    InstallMarkedOrdinals();
    EXPECT_EQ(VersionCheck(), 1);
    EXPECT_EQ(HostBuild, 2u);
    EXPECT_EQ(HostOptionReader, nullptr);
    EXPECT_EQ(HostOptionWriter, nullptr);
    // simscheduler.dll and api.dll went by main.dll 61637: they are none now too.
    EXPECT_EQ(SimRateEntry, nullptr);
    EXPECT_EQ(FrameTimeEntry, nullptr);
    EXPECT_EQ(ReadLog(), "api:          10.0.61637.0 (00000000)\n"
                         "fs-traffic:   10.0.61637.0 (" +
                             Hex(Mark("fs-traffic.dll", 5)) + ", " + Hex(Mark("fs-traffic.dll", 6)) +
                             ")\n"
                             "main:         10.0.61637.1 (00000000, 00000000)\n"
                             "sim1:         10.0.61637.0 (" +
                             Hex(Mark("sim1.dll", 10)) +
                             ")\n"
                             "simscheduler: 10.0.61637.0 (00000000)\n");
    EXPECT_EQ(vsim::user::MessageBoxes().size(), 1u);
}

TEST_F(VersionCheckTest, OtherMajorVersionIsNoKnownBuild) {
    SetAllVersions(61637);
    SetVersion("sim1.dll", 61637, 0, 11);
    InstallMarkedOrdinals();
    EXPECT_EQ(VersionCheck(), 1);
    EXPECT_EQ(HostBuild, 4u);
    EXPECT_EQ(ObjectAccessor, nullptr);
    EXPECT_NE(ReadLog().find("sim1:         11.0.61637.0 (00000000)\n"), std::string::npos);
}

TEST_F(VersionCheckTest, MissingRequiredOrdinalFailsAtOnce) {
    SetAllVersions(60905);
    InstallMarkedOrdinals();
    ASSERT_TRUE(vsim::RemoveHostOrdinal("main.dll", 54));
    EXPECT_EQ(VersionCheck(), 0);
    // What was resolved before the failure stays; the later DLLs were not looked at.
    EXPECT_EQ(Address(ObjectAccessor), Mark("sim1.dll", 10));
    EXPECT_EQ(Address(TrafficSettingsReader), Mark("fs-traffic.dll", 6));
    EXPECT_EQ(Address(HostOptionReader), Mark("main.dll", 53));
    EXPECT_EQ(HostOptionWriter, nullptr);
    EXPECT_EQ(SimRateEntry, nullptr);
    EXPECT_EQ(FrameTimeEntry, nullptr);
    EXPECT_FALSE(FileExists(LogPath));
    EXPECT_TRUE(vsim::user::MessageBoxes().empty());
}

TEST_F(VersionCheckTest, EveryRequiredOrdinalIsRequired) {
    struct Required {
        uint16_t build;
        const char* dll;
        unsigned ordinal;
    };
    const Required cases[] = {
        {61637, "sim1.dll", 10},         {61637, "fs-traffic.dll", 5}, {61637, "fs-traffic.dll", 6},
        {61355, "main.dll", 57},         {61637, "main.dll", 58},      {61472, "simscheduler.dll", 6},
        {61637, "simscheduler.dll", 8},  {60905, "api.dll", 261},      {61355, "api.dll", 265},
        {61637, "api.dll", 268},
    };
    for (const Required& c : cases) {
        SetAllVersions(c.build);
        InstallMarkedOrdinals();
        ASSERT_TRUE(vsim::RemoveHostOrdinal(c.dll, c.ordinal)) << c.dll << " " << c.ordinal;
        EXPECT_EQ(VersionCheck(), 0) << c.build << " " << c.dll << " " << c.ordinal;
    }
    EXPECT_FALSE(FileExists(LogPath));
    EXPECT_TRUE(vsim::user::MessageBoxes().empty());
}

TEST_F(VersionCheckTest, MissingPositionFlagOrdinalIsNotRequired) {
    SetAllVersions(60905);
    InstallMarkedOrdinals();
    ASSERT_TRUE(vsim::RemoveHostOrdinal("api.dll", 313));
    EXPECT_EQ(VersionCheck(), 1);
    EXPECT_EQ(Address(FrameTimeEntry), Mark("api.dll", 261));
    EXPECT_EQ(PositionCallFlag, nullptr);
}

TEST_F(VersionCheckTest, DllNotLoadedFailsAtOnce) {
    for (const char* missing : DllNames) {
        SetAllVersions(61637);
        InstallMarkedOrdinals();
        for (vsim::HostDll& dll : vsim::HostDlls()) dll.loaded = dll.name != missing;
        EXPECT_EQ(VersionCheck(), 0) << missing;
    }
    EXPECT_FALSE(FileExists(LogPath));
    EXPECT_TRUE(vsim::user::MessageBoxes().empty());
}

TEST_F(VersionCheckTest, HostDllVersionReadsTheFixedFileVersion) {
    uint16_t* version = vsim::FindHostDll("api.dll")->version;
    version[0] = 10;
    version[1] = 2;
    version[2] = 61637;
    version[3] = 7;
    HostDllVersionRecord v = HostDllVersion(GetModuleHandleA("api.dll"));
    EXPECT_EQ(v.major, 10);
    EXPECT_EQ(v.minor, 2);
    EXPECT_EQ(v.build, 61637);
    EXPECT_EQ(v.revision, 7);
    // A file without version information, and no module at all: 0.0.0.0.
    HINSTANCE plain = reinterpret_cast<HINSTANCE>(uintptr_t(0x05000000));
    vsim::win32::SetModuleFileName(plain, "C:\\Sim\\Modules\\Other.dll");
    v = HostDllVersion(plain);
    EXPECT_EQ(v.major + v.minor + v.build + v.revision, 0);
    v = HostDllVersion(reinterpret_cast<HMODULE>(uintptr_t(0x7777000)));
    EXPECT_EQ(v.major + v.minor + v.build + v.revision, 0);
}

// ---- Through DLLStart ----

TEST_F(VersionCheckTest, AcceptedLimitedFunctionalityStartsTheModule) {
    vsim::FindHostDll("sim1.dll")->version[2] = 61000;
    vsim::InstallHostEntries();
    ASSERT_TRUE(StartModule());  // the question is answered OK
    EXPECT_EQ(vsim::user::MessageBoxes().size(), 1u);
    EXPECT_TRUE(FileExists(LogPath));
    EXPECT_EQ(ObjectAccessor, nullptr);
    EXPECT_TRUE(vsim::IsSimConnectOpen());
    EXPECT_EQ(SimLinkRegistered, 1u);
    Seconds(1);
    EXPECT_EQ(ModuleMode, uint32_t(ReplayBuffering));
}

TEST_F(VersionCheckTest, MissingOrdinalStopsTheStartWithTheFailureMessage) {
    vsim::RemoveHostOrdinal("main.dll", 58);
    ASSERT_TRUE(StartModule());
    ASSERT_EQ(vsim::user::MessageBoxes().size(), 1u);
    EXPECT_EQ(vsim::user::MessageBoxes()[0].text,
              "A problem occurred during initialization of the Kestrel Module! The Kestrel has to be disabled.");
    EXPECT_FALSE(FileExists(LogPath));
    EXPECT_TRUE(vsim::SimConnectCalls().empty());
}

// The same through kestrel-host scripts, one per test: the module's state lives in
// this process, so each run needs a fresh one.
TEST_F(VersionCheckTest, ScriptedHostWithoutTheSchedulerDll) {
    RunResult missing = Script(
        "host missing simscheduler.dll\n"
        "start\n"
        "expect message \"A problem occurred during initialization of the Kestrel Module!\"\n"
        "expect no file C:\\Sim\\Modules\\Kestrel.log\n"
        "frames 30\n"
        "expect mode Idle\n");
    EXPECT_TRUE(missing.parsed);
    EXPECT_EQ(missing.failures, 0) << (missing.problems.empty() ? "" : missing.problems[0]);
}

TEST_F(VersionCheckTest, ScriptedHostWithAnUnknownBuildDeclined) {
    RunResult declined = Script(
        "host version sim1.dll 10.0.61000.0\n"
        "on message \"This version of Kestrel\" answer cancel\n"
        "start\n"
        "expect message \"This version of Kestrel was not verified\"\n"
        "expect file C:\\Sim\\Modules\\Kestrel.log\n"
        "frames 30\n"
        "expect mode Idle\n");
    EXPECT_TRUE(declined.parsed);
    EXPECT_EQ(declined.failures, 0) << (declined.problems.empty() ? "" : declined.problems[0]);
}

}  // namespace
