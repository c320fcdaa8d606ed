// Tests of the Win32 emulation's host side: ini files, host files with failure
// injection, the current directory, modules and version information, the file dialogs,
// the keyboard and the clock.
#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "platform/files.h"
#include "platform/win32.h"
#include "vsim/sim/simhost.h"
#include "vsim/win32/win32emu.h"

using namespace vsim::win32;

namespace {

class Win32Host : public ::testing::Test {
protected:
    void SetUp() override {
        vsim::ResetHostServices();
        ResetWin32();
        char rootTemplate[] = "/tmp/kestrel-win32-XXXXXX";
        ASSERT_NE(mkdtemp(rootTemplate), nullptr);
        root_ = rootTemplate;
        vsim::SetDriveRoot(root_);
        std::filesystem::create_directories(root_ + "/C/Sim/Modules");
        std::filesystem::create_directories(root_ + "/C/Flights");
    }
    void TearDown() override { std::filesystem::remove_all(root_); }

    std::string Real(const std::string& windowsPath) { return vsim::MapPath(windowsPath); }
    void Put(const std::string& windowsPath, const std::string& bytes) {
        std::ofstream out(Real(windowsPath), std::ios::binary);
        out << bytes;
    }
    std::string Get(const std::string& windowsPath) {
        std::ifstream in(Real(windowsPath), std::ios::binary);
        return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    }
    bool Exists(const std::string& windowsPath) { return std::filesystem::exists(Real(windowsPath)); }
    std::string Read(const char* section, const char* key, const char* def, DWORD size, const char* file,
                     DWORD* count = nullptr) {
        std::vector<char> buffer(size + 1, 'X');
        DWORD n = GetPrivateProfileStringA(section, key, def, buffer.data(), size, file);
        if (count != nullptr) *count = n;
        return std::string(buffer.data(), n);
    }

    std::string root_;
};

// ---- Ini files ----

TEST_F(Win32Host, IniReadsWithWindowsSemantics) {
    const char* ini = "C:\\Sim\\Modules\\Kestrel.ini";
    Put(ini, "[Settings]\r\n  rplyitvl =  250  \r\nBufferSize=\"3600\"\r\nEmpty=\r\n; Show=1\r\n"
             "[WINDOW]\nXPos=100\n[settings]\nRplyItvl=999\n");
    EXPECT_EQ(Read("SETTINGS", "RplyItvl", "500", 10, ini), "250") << "names case-insensitive, values trimmed";
    EXPECT_EQ(Read("SETTINGS", "BufferSize", "3600", 10, ini), "3600") << "quotes around a value are dropped";
    EXPECT_EQ(Read("SETTINGS", "Empty", "5", 10, ini), "") << "an empty value is no default";
    EXPECT_EQ(Read("SETTINGS", "Show", "0  ", 10, ini), "0") << "a comment is no key; trailing blanks of the default go";
    EXPECT_EQ(Read("WINDOW", "xpos", "5", 10, ini), "100");
    EXPECT_EQ(Read("RECORD", "RecAI", "0", 10, ini), "0");
    EXPECT_EQ(Read("RECORD", "RecAI", nullptr, 10, ini), "");

    // Truncation: at most size - 1 characters, the count copied returned.
    DWORD count;
    Put(ini, "[KEYBOARD]\nHeightCorrInc=4203123456789\n");
    EXPECT_EQ(Read("KEYBOARD", "HeightCorrInc", "0", 10, ini, &count), "420312345");
    EXPECT_EQ(count, 9u);
    std::vector<char> buffer(4, 'X');
    EXPECT_EQ(GetPrivateProfileStringA("KEYBOARD", "HeightCorrInc", "0", buffer.data(), 4, ini), 3u);
    EXPECT_EQ(std::string(buffer.data()), "420");
    EXPECT_EQ(GetPrivateProfileStringA("KEYBOARD", "Missing", "4205", buffer.data(), 3, ini), 2u);
    EXPECT_EQ(std::string(buffer.data()), "42");

    // Section and key lists: names each ended by a zero, and a final zero.
    Put(ini, "[A]\nx=1\ny=2\n[B]\n");
    std::vector<char> sections(6, 'X');
    EXPECT_EQ(GetPrivateProfileStringA(nullptr, nullptr, "", sections.data(), 6, ini), 4u);
    EXPECT_EQ(std::string(sections.data(), 6), std::string("A\0B\0\0X", 6));
    EXPECT_EQ(GetPrivateProfileStringA(nullptr, nullptr, "", sections.data(), 4, ini), 2u)
        << "a list cut short ends with two zeros and answers size - 2";
    EXPECT_EQ(std::string(sections.data(), 4), std::string("A\0\0\0", 4));
    DWORD n;
    std::vector<char> keys(8, 'X');
    n = GetPrivateProfileStringA("a", nullptr, "", keys.data(), 8, ini);
    EXPECT_EQ(n, 4u);
    EXPECT_EQ(std::string(keys.data(), 6), std::string("x\0y\0\0", 5) + "X");

    // A missing file reads as empty.
    EXPECT_EQ(Read("SETTINGS", "RplyItvl", "500", 10, "C:\\Sim\\Modules\\Missing.ini"), "500");
}

TEST_F(Win32Host, IniWritesInPlaceAndKeepsTheRest) {
    const char* ini = "C:\\Sim\\Modules\\Kestrel.ini";
    EXPECT_TRUE(WritePrivateProfileStringA("SETTINGS", "RplyItvl", "500", ini)) << "writing creates the file";
    EXPECT_EQ(Get(ini), "[SETTINGS]\r\nRplyItvl=500\r\n");
    Put(ini, "; Kestrel settings\r\n[SETTINGS]\r\nrplyitvl = 250\r\nBufferSize=3600\r\n\r\n[WINDOW]\r\nShow=1\r\n");
    EXPECT_TRUE(WritePrivateProfileStringA("settings", "RplyItvl", "2000", ini));
    EXPECT_TRUE(WritePrivateProfileStringA("SETTINGS", "Pause", "0", ini));
    EXPECT_TRUE(WritePrivateProfileStringA("WINDOW", "XPos", "-1", ini));
    EXPECT_TRUE(WritePrivateProfileStringA("RECORD", "RecAI", "1", ini));
    EXPECT_EQ(Get(ini),
              "; Kestrel settings\r\n[SETTINGS]\r\nrplyitvl=2000\r\nBufferSize=3600\r\nPause=0\r\n\r\n"
              "[WINDOW]\r\nShow=1\r\nXPos=-1\r\n[RECORD]\r\nRecAI=1\r\n");
    EXPECT_EQ(Read("Settings", "RPLYITVL", "500", 10, ini), "2000");

    // A null value deletes the key; a null key the section.
    EXPECT_TRUE(WritePrivateProfileStringA("SETTINGS", "BufferSize", nullptr, ini));
    EXPECT_TRUE(WritePrivateProfileStringA("WINDOW", nullptr, nullptr, ini));
    EXPECT_EQ(Get(ini), "; Kestrel settings\r\n[SETTINGS]\r\nrplyitvl=2000\r\nPause=0\r\n\r\n[RECORD]\r\nRecAI=1\r\n");
    EXPECT_FALSE(WritePrivateProfileStringA("SETTINGS", "x", "1", "C:\\NoFolder\\Kestrel.ini"));
    EXPECT_FALSE(WritePrivateProfileStringA(nullptr, "x", "1", ini));

    // A relative name resolves against the current directory; a bare name is in C:\Windows.
    EXPECT_TRUE(WritePrivateProfileStringA("WINDOW", "XPos", "100", "modules\\Kestrel.ini"));
    EXPECT_EQ(Read("WINDOW", "XPos", "5", 10, ini), "100");
    std::filesystem::create_directories(root_ + "/C/Windows");
    EXPECT_TRUE(WritePrivateProfileStringA("A", "b", "c", "win.ini"));
    EXPECT_TRUE(Exists("C:\\Windows\\win.ini"));
}

// ---- Host files ----

TEST_F(Win32Host, HostFilesFailOnRequestAsOnAFullDisk) {
    const char* path = "C:\\Sim\\Modules\\Kestrel1.tmp";
    vsim::FailNext(vsim::FailFileOpen);
    EXPECT_EQ(OpenHostFile(path, "w+b"), nullptr);
    EXPECT_FALSE(Exists(path)) << "a failed open touches nothing";

    FILE* f = OpenHostFile(path, "w+b");
    ASSERT_NE(f, nullptr) << "the failure is used once";
    char block[100];
    for (int i = 0; i < 100; ++i) block[i] = (char)i;
    EXPECT_EQ(fwrite(block, 1, 100, f), 100u);
    EXPECT_FALSE(ferror(f));
    vsim::FailNext(vsim::FailFileWrite);
    EXPECT_EQ(fwrite(block, 1, 100, f), 50u) << "half the write lands";
    EXPECT_TRUE(ferror(f)) << "the stream reports the failure";
    clearerr(f);
    EXPECT_EQ(fwrite(block, 1, 10, f), 10u) << "later writes work again";

    // Reading back through the same stream after a seek.
    ASSERT_EQ(fseek(f, 98, SEEK_SET), 0);
    unsigned char back[4];
    ASSERT_EQ(fread(back, 1, 4, f), 4u);
    EXPECT_EQ(back[0], 98);
    EXPECT_EQ(back[1], 99);
    EXPECT_EQ(back[2], 0);
    EXPECT_EQ(back[3], 1);
    EXPECT_EQ(ftell(f), 102);
    EXPECT_EQ(fclose(f), 0);
    EXPECT_EQ(Get(path).size(), 160u);

    // Reading streams are plain files; a missing file does not open.
    FILE* r = OpenHostFile("c:\\sim\\modules\\kestrel1.tmp", "rb");
    ASSERT_NE(r, nullptr) << "Windows paths are case-insensitive";
    fclose(r);
    EXPECT_EQ(OpenHostFile("C:\\Sim\\Modules\\None.frc", "rb"), nullptr);

    EXPECT_TRUE(DeleteFileA(path));
    EXPECT_FALSE(Exists(path));
    EXPECT_FALSE(DeleteFileA(path));
    EXPECT_FALSE(DeleteFileA("C:\\Sim\\Modules")) << "a folder is not a file";
}

TEST_F(Win32Host, CurrentDirectoryOnTheVirtualDrive) {
    char buffer[MAX_PATH];
    EXPECT_EQ(GetCurrentDirectoryA(sizeof buffer, buffer), 6u);
    EXPECT_STREQ(buffer, "C:\\Sim");
    EXPECT_EQ(GetCurrentDirectoryA(6, buffer), 7u) << "too small: the size needed, terminator included";
    EXPECT_TRUE(SetCurrentDirectoryA("modules"));
    EXPECT_EQ(GetCurrentDirectoryA(sizeof buffer, buffer), 14u);
    EXPECT_STREQ(buffer, "C:\\Sim\\modules") << "the directory keeps the case it was given, as in Windows";
    EXPECT_TRUE(SetCurrentDirectoryA("..\\..\\Flights\\."));
    GetCurrentDirectoryA(sizeof buffer, buffer);
    EXPECT_STREQ(buffer, "C:\\Flights");
    EXPECT_FALSE(SetCurrentDirectoryA("C:\\Nowhere"));
    GetCurrentDirectoryA(sizeof buffer, buffer);
    EXPECT_STREQ(buffer, "C:\\Flights") << "a failed change keeps the directory";
    EXPECT_EQ(FullWindowsPath("x.frc"), "C:\\Flights\\x.frc");
    EXPECT_EQ(FullWindowsPath("\\Sim/a\\..\\b.frc"), "C:\\Sim\\b.frc");
    EXPECT_EQ(FolderOfPath("C:\\a.frc"), "C:\\");
    EXPECT_EQ(FolderOfPath("C:\\Sim\\a.frc"), "C:\\Sim");
}

// ---- File dialogs ----

struct Ofn {
    OPENFILENAMEA ofn = {};
    char file[300] = {};
    Ofn(DWORD flags, DWORD size) {
        ofn.lStructSize = sizeof ofn;
        ofn.lpstrFilter = "Flight Recordings\0*.frc\0";
        ofn.lpstrFile = file;
        ofn.nMaxFile = size;
        ofn.lpstrDefExt = "frc";
        ofn.Flags = flags;
    }
};

TEST_F(Win32Host, OpenDialogFillsTheMultipleSelectionFormat) {
    vsim::user::OnOpen({"C:\\Flights\\one.frc", "C:\\Flights\\two"});
    Ofn two(OFN_EXPLORER | OFN_ALLOWMULTISELECT, 259);
    two.ofn.lpstrTitle = "Load Recording";
    ASSERT_TRUE(GetOpenFileNameA(&two.ofn));
    const char expected[] = "C:\\Flights\0one.frc\0two.frc\0";  // and the literal's own final zero
    EXPECT_EQ(std::string(two.file, sizeof expected), std::string(expected, sizeof expected));
    EXPECT_EQ(two.ofn.nFileOffset, 11);
    const FileDialogRecord& record = LastFileDialog();
    EXPECT_FALSE(record.save);
    EXPECT_EQ(record.title, "Load Recording");
    EXPECT_EQ(record.filter, (std::vector<std::string>{"Flight Recordings", "*.frc"}));
    EXPECT_EQ(record.flags, (DWORD)(OFN_EXPLORER | OFN_ALLOWMULTISELECT));
    EXPECT_EQ(record.defaultExtension, "frc");
    char current[MAX_PATH];
    GetCurrentDirectoryA(sizeof current, current);
    EXPECT_STREQ(current, "C:\\Flights") << "the dialog leaves the current directory in the folder";

    // Exactly fitting works; one character less fails with the size needed in front.
    vsim::user::OnOpen({"C:\\Flights\\one.frc", "C:\\Flights\\two.frc"});
    Ofn exact(OFN_EXPLORER | OFN_ALLOWMULTISELECT, sizeof expected);
    EXPECT_TRUE(GetOpenFileNameA(&exact.ofn));
    vsim::user::OnOpen({"C:\\Flights\\one.frc", "C:\\Flights\\two.frc"});
    Ofn small(OFN_EXPLORER | OFN_ALLOWMULTISELECT, sizeof expected - 1);
    EXPECT_FALSE(GetOpenFileNameA(&small.ofn));
    EXPECT_EQ((unsigned char)small.file[0] | (unsigned char)small.file[1] << 8, (int)sizeof expected);

    // One file: the full path; a relative answer resolves against the current directory.
    vsim::user::OnOpen({"one.frc"});
    Ofn one(OFN_EXPLORER | OFN_ALLOWMULTISELECT, 259);
    ASSERT_TRUE(GetOpenFileNameA(&one.ofn));
    EXPECT_EQ(std::string(one.file, 20), std::string("C:\\Flights\\one.frc\0\0", 20));
    EXPECT_EQ(one.ofn.nFileOffset, 11);
    EXPECT_EQ(one.ofn.nFileExtension, 15);

    // Several files for a single-file dialog, files from two folders, nothing scripted.
    vsim::user::OnOpen({"C:\\Flights\\a.frc", "C:\\Flights\\b.frc"});
    Ofn single(OFN_EXPLORER, 259);
    EXPECT_FALSE(GetOpenFileNameA(&single.ofn));
    vsim::user::OnOpen({"C:\\Flights\\a.frc", "C:\\Sim\\b.frc"});
    EXPECT_FALSE(GetOpenFileNameA(&two.ofn));
    vsim::user::OnOpen({"C:\\Flights\\missing.frc"});
    Ofn mustExist(OFN_EXPLORER | OFN_FILEMUSTEXIST, 259);
    EXPECT_FALSE(GetOpenFileNameA(&mustExist.ofn));
    vsim::user::OnOpen({"C:\\Nowhere\\a.frc"});
    EXPECT_FALSE(GetOpenFileNameA(&two.ofn));
    vsim::user::OnOpenCancel();
    EXPECT_FALSE(GetOpenFileNameA(&two.ofn));
    EXPECT_FALSE(GetOpenFileNameA(&two.ofn));
    const std::vector<std::string>& log = vsim::TranscriptLines();
    ASSERT_GE(log.size(), 6u);
    EXPECT_EQ(log[0], "open dialog [Load Recording] -> C:\\Flights\\one.frc, C:\\Flights\\two.frc");
    EXPECT_EQ(log[log.size() - 6], "open dialog [Open] -> cancel (several files scripted for a single-file dialog)");
    EXPECT_EQ(log[log.size() - 5], "open dialog [Load Recording] -> cancel (the scripted files are not in one folder)");
    EXPECT_EQ(log[log.size() - 4], "open dialog [Open] -> cancel (C:\\Flights\\missing.frc does not exist)");
    EXPECT_EQ(log[log.size() - 3], "open dialog [Load Recording] -> cancel (the folder C:\\Nowhere does not exist)");
    EXPECT_EQ(log[log.size() - 2], "open dialog [Load Recording] -> cancel");
    EXPECT_EQ(log[log.size() - 1], "open dialog [Load Recording] -> cancel (no answer scripted)");
}

TEST_F(Win32Host, SaveDialogAddsTheExtensionAndAsksBeforeReplacing) {
    Put("C:\\Flights\\old.frc", "x");
    vsim::user::OnSave("C:\\Nowhere\\x.frc");
    vsim::user::OnSave("C:\\Flights\\old");
    vsim::user::OnSave("C:\\Flights\\new.frc");
    vsim::user::OnMessage("C:\\Flights\\old.frc already exists.", vsim::user::AnswerNo);
    Ofn save(OFN_OVERWRITEPROMPT | OFN_EXPLORER, 259);
    save.ofn.lpstrTitle = "Save Recording";
    save.ofn.hwndOwner = nullptr;
    ASSERT_TRUE(GetSaveFileNameA(&save.ofn));
    EXPECT_STREQ(save.file, "C:\\Flights\\new.frc") << "No to replacing: the next answer is used";
    EXPECT_EQ(vsim::TranscriptLines()[0], "save dialog [Save Recording] -> C:\\Nowhere\\x.frc refused: the folder does not exist");
    EXPECT_EQ(save.ofn.nFileOffset, 11);
    EXPECT_EQ(save.ofn.nFileExtension, 15);
    ASSERT_EQ(vsim::user::MessageBoxes().size(), 1u);
    EXPECT_EQ(vsim::user::MessageBoxes()[0].text, "C:\\Flights\\old.frc already exists.\nDo you want to replace it?");
    EXPECT_EQ(vsim::user::MessageBoxes()[0].caption, "Save Recording");

    vsim::user::OnMessage("C:\\Flights\\old.frc already exists.", vsim::user::AnswerYes);
    vsim::user::OnSave("C:\\Flights\\old.frc");
    ASSERT_TRUE(GetSaveFileNameA(&save.ofn));
    EXPECT_STREQ(save.file, "C:\\Flights\\old.frc");

    // A path that does not fit (with its terminator) fails, as in Windows.
    vsim::user::OnSave("C:\\Flights\\toolong.frc");
    Ofn small(OFN_EXPLORER, 22);
    EXPECT_FALSE(GetSaveFileNameA(&small.ofn));
    EXPECT_EQ(small.file[0], 23);
    vsim::user::OnSave("C:\\Flights\\fits.frc");
    Ofn fits(OFN_EXPLORER | OFN_NOCHANGEDIR, 20);
    SetCurrentDirectoryA("C:\\Sim");
    EXPECT_TRUE(GetSaveFileNameA(&fits.ofn));
    char current[MAX_PATH];
    GetCurrentDirectoryA(sizeof current, current);
    EXPECT_STREQ(current, "C:\\Sim") << "OFN_NOCHANGEDIR keeps the current directory";
    vsim::user::OnSaveCancel();
    EXPECT_FALSE(GetSaveFileNameA(&save.ofn));
    EXPECT_EQ(vsim::TranscriptLines().back(), "save dialog [Save Recording] -> cancel");
    EXPECT_EQ(FileDialogCount(), 5);
    EXPECT_TRUE(LastFileDialog().save);
}

// ---- Modules and versions ----

int OrdinalTarget;

TEST_F(Win32Host, HostDllsByHandleOrdinalAndVersion) {
    vsim::HostDll* sim1 = vsim::FindHostDll("sim1.dll");
    ASSERT_NE(sim1, nullptr);
    const uint16_t version[4] = {10, 0, 61355, 7};
    std::copy(version, version + 4, sim1->version);
    sim1->ordinals[10] = &OrdinalTarget;

    HMODULE handle = GetModuleHandleA("SIM1.DLL");
    ASSERT_NE(handle, nullptr);
    EXPECT_EQ(GetModuleHandleA("sim1"), handle) << "a name without extension means a .dll";
    EXPECT_EQ(GetModuleHandleA("nothere.dll"), nullptr);
    FARPROC entry = GetProcAddress(handle, MAKEINTRESOURCE(10));
    EXPECT_EQ((void*)entry, (void*)&OrdinalTarget);
    EXPECT_EQ(GetProcAddress(handle, MAKEINTRESOURCE(11)), nullptr);
    EXPECT_EQ(GetProcAddress(handle, "ByName"), nullptr);

    char name[MAX_PATH];
    EXPECT_EQ(GetModuleFileNameA(handle, name, sizeof name), 15u);
    EXPECT_STREQ(name, "C:\\Sim\\sim1.dll");
    EXPECT_EQ(GetModuleFileNameA(handle, name, 8), 8u) << "truncated: the size is returned";
    EXPECT_STREQ(name, "C:\\Sim\\");

    DWORD zero = 7;
    DWORD size = GetFileVersionInfoSizeA("C:\\Sim\\sim1.dll", &zero);
    EXPECT_EQ(zero, 0u);
    ASSERT_GT(size, 0u);
    std::vector<unsigned char> block(size);
    EXPECT_FALSE(GetFileVersionInfoA("C:\\Sim\\sim1.dll", 0, size - 1, block.data()));
    ASSERT_TRUE(GetFileVersionInfoA("C:\\Sim\\sim1.dll", 0, size, block.data()));
    LPVOID value = nullptr;
    UINT length = 0;
    ASSERT_TRUE(VerQueryValueA(block.data(), "\\", &value, &length));
    EXPECT_EQ(length, sizeof(VS_FIXEDFILEINFO));
    const VS_FIXEDFILEINFO* info = (const VS_FIXEDFILEINFO*)value;
    EXPECT_EQ(info->dwSignature, 0xFEEF04BDu);
    EXPECT_EQ(info->dwFileVersionMS, (10u << 16) | 0u);
    EXPECT_EQ(info->dwFileVersionLS, (61355u << 16) | 7u);
    EXPECT_FALSE(VerQueryValueA(block.data(), "\\StringFileInfo\\040904b0\\FileVersion", &value, &length));
    EXPECT_EQ(GetFileVersionInfoSizeA("C:\\Sim\\other.dll", nullptr), 0u);

    // A DLL the process has not loaded has no handle, and its old handle finds nothing.
    sim1->loaded = false;
    EXPECT_EQ(GetModuleHandleA("sim1.dll"), nullptr);
    EXPECT_EQ(GetProcAddress(handle, MAKEINTRESOURCE(10)), nullptr);
    EXPECT_EQ(GetModuleFileNameA(handle, name, sizeof name), 0u);

    // The process and the module's own file.
    EXPECT_EQ(GetModuleFileNameA(nullptr, name, sizeof name), 14u);
    EXPECT_STREQ(name, "C:\\Sim\\fsx.exe");
    HINSTANCE module = (HINSTANCE)0x70000000;
    SetModuleFileName(module, "C:\\Sim\\Modules\\KestrelFSX.dll");
    EXPECT_EQ(GetModuleHandleA("kestrelfsx.dll"), (HMODULE)module);
    EXPECT_EQ(GetModuleFileNameA(module, name, sizeof name), 29u);
    EXPECT_STREQ(name, "C:\\Sim\\Modules\\KestrelFSX.dll");
}

// ---- Keyboard and clock ----

struct KeyMessage {
    UINT msg;
    WPARAM wParam;
    DWORD lParam;
};
std::vector<KeyMessage> Keys;

LRESULT CALLBACK KeyProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    if (msg >= WM_KEYDOWN && msg <= WM_SYSKEYUP) {
        Keys.push_back({msg, wParam, (DWORD)lParam});
        return msg == WM_KEYDOWN ? 0 : 1;
    }
    return DefWindowProcA(hwnd, msg, wParam, lParam);
}

TEST_F(Win32Host, KeysReachTheWindowWithTheirStateAndTheClockIsVirtual) {
    Keys.clear();
    WNDCLASSEXA wc = {};
    wc.cbSize = sizeof wc;
    wc.lpfnWndProc = KeyProc;
    wc.lpszClassName = "FS98MAIN";
    RegisterClassExA(&wc);
    HWND main = CreateWindowExA(0, "FS98MAIN", "FSX", WS_VISIBLE, 0, 0, 800, 600, nullptr, nullptr, nullptr, nullptr);

    EXPECT_EQ(GetAsyncKeyState(VK_SHIFT), 0);
    SetKeyState(VK_SHIFT, true);
    EXPECT_NE(GetAsyncKeyState(VK_SHIFT), 0);
    EXPECT_EQ(PressKey(main, VK_ADD, true), 0) << "the procedure's answer comes back";
    EXPECT_EQ(PressKey(main, VK_ADD, false), 1);
    SetKeyState(VK_SHIFT, false);
    PressKey(main, VK_LEFT, true);
    PressKey(main, VK_LEFT, true);  // auto-repeat
    PressKey(main, VK_LEFT, false);
    PressKey(main, VK_MENU, true);
    PressKey(main, 'A', true);
    PressKey(main, 'A', false);
    PressKey(main, VK_MENU, false);
    const KeyMessage expected[] = {
        {WM_KEYDOWN, VK_ADD, 0x00000001},       {WM_KEYUP, VK_ADD, 0xC0000001},
        {WM_KEYDOWN, VK_LEFT, 0x01000001},      {WM_KEYDOWN, VK_LEFT, 0x41000001},
        {WM_KEYUP, VK_LEFT, 0xC1000001},        {WM_SYSKEYDOWN, VK_MENU, 0x00000001},
        {WM_SYSKEYDOWN, 'A', 0x20000001},       {WM_SYSKEYUP, 'A', 0xE0000001},
        {WM_SYSKEYUP, VK_MENU, 0xC0000001},
    };
    ASSERT_EQ(Keys.size(), sizeof expected / sizeof expected[0]);
    for (size_t i = 0; i < Keys.size(); ++i) {
        EXPECT_EQ(Keys[i].msg, expected[i].msg) << i;
        EXPECT_EQ(Keys[i].wParam, expected[i].wParam) << i;
        EXPECT_EQ(Keys[i].lParam, expected[i].lParam) << std::hex << i;
    }

    // A disabled window (a modal dialog is open) receives no keys; the state still changes.
    EnableWindow(main, FALSE);
    Keys.clear();
    EXPECT_EQ(PressKey(main, VK_ESCAPE, true), 0);
    EXPECT_TRUE(Keys.empty());
    EXPECT_NE(GetAsyncKeyState(VK_ESCAPE), 0);

    vsim::AdvanceClock(1234567);
    EXPECT_EQ(GetTickCount(), 1234u);
    LARGE_INTEGER value;
    ASSERT_TRUE(QueryPerformanceFrequency(&value));
    EXPECT_EQ(value.QuadPart, 10000000);
    ASSERT_TRUE(QueryPerformanceCounter(&value));
    EXPECT_EQ(value.QuadPart, 12345670);
    vsim::AdvanceClock(0x100000000ull * 1000);
    EXPECT_EQ(GetTickCount(), 1234u) << "the tick count wraps at 32 bits";
}

}  // namespace
