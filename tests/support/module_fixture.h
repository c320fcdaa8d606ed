// Test fixture: a fresh simulated host in a folder of its own, with the module loaded
// into it the way the simulator loads it. Each test starts from a fresh host and a fresh
// load of the module, also when the tests of one binary run in one process.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "platform/win32.h"
#include "tools/kestrel-host/runner.h"

class ModuleTest : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;

    // Writes a key of the module's Kestrel.ini (C:\Sim\Modules\Kestrel.ini) before start.
    void WriteIni(const std::string& section, const std::string& key, const std::string& value);
    // Attach (hooking the main window), DLLStart, then the open message. False when the
    // module refused to load.
    bool StartModule();
    // DLLStop and detach (TearDown does it for a module still loaded).
    void StopModule();
    void Frames(unsigned count);
    void Seconds(double seconds);
    // Chooses an Add-ons sub-item; false when the menu has no such item.
    bool Menu(const std::string& text);
    // Presses and releases a key on the simulator's main window (e.g. "Esc", "Shift+Esc").
    void Key(const std::string& keyText);

    // The real path of a Windows path on the virtual drive, and file helpers.
    std::string HostPath(const std::string& windowsPath) const;
    bool FileExists(const std::string& windowsPath) const;
    std::vector<uint8_t> ReadBytes(const std::string& windowsPath) const;
    void WriteBytes(const std::string& windowsPath, const std::vector<uint8_t>& bytes) const;

    // Runs a kestrel-host script in this test's folder (a fresh host; echo off).
    RunResult Script(const std::string& text);
    // Message-box texts and SimConnect call lines seen so far.
    std::vector<std::string> MessageTexts() const;
    std::vector<std::string> CallsStartingWith(const std::string& prefix) const;

    // The SimConnect calls the simulator keeps for the tests, far more than one test makes.
    static constexpr size_t CallLogLimit = 1 << 20;
    std::string root_;  // the folder behind the virtual drive
    static constexpr const char* ModulePath = "C:\\Sim\\Modules\\KestrelFSX.dll";
    static constexpr const char* IniPathOnDrive = "C:\\Sim\\Modules\\Kestrel.ini";
    HINSTANCE instance_ = nullptr;
    bool started_ = false;  // the module was loaded and not yet stopped
};
