// Helpers of the keyboard, control-window and Settings-dialog tests: a module whose user
// has recorded a flight and plays it back, keys held and released on the simulator's main
// window, the key messages that reached the simulator, and reading controls and ini keys.
#pragma once

#include <string>
#include <vector>

#include "tests/support/module_fixture.h"

class SessionTest : public ModuleTest {
protected:
    // Starts the module with the user flying a circuit and runs a few frames, which
    // brings the module into ReplayBuffering (or Idle with replay off).
    void StartFlying();
    // Records through the Record Flight dialog (OK) for the given seconds, then stops and
    // saves to path through the menu. Leaves the save and dialog answers used up.
    void RecordFlight(const std::string& path, double seconds);
    // Plays a recording file ("Play..." or "Play as traffic...") and runs one frame.
    void PlayFile(const std::string& path, bool asTraffic = false);
    // StartFlying, a 60-second recording saved as C:\Sim\flight.frc, then its playback.
    void StartPlaying();

    // Key down and up on the main window with modifiers named as in "Shift+Ctrl+End".
    void KeyDown(const std::string& keyText);
    void KeyUp(const std::string& keyText);

    // The key messages that reached the simulator's own window procedure since the last
    // ClearSimKeys, one text each: "down 0x24", "up 0x24", "sysdown 0x24", "sysup 0x24".
    std::vector<std::string> SimKeys() const;
    void ClearSimKeys();
    // Transcript lines that start with the prefix.
    std::vector<std::string> TranscriptStartingWith(const std::string& prefix) const;

    // A control of the control window.
    HWND WindowControl(int id) const;

    // An ini key's text ("<none>" when absent); the path defaults to the module's ini.
    std::string IniText(const std::string& section, const std::string& key,
                        const std::string& path = IniPathOnDrive) const;
    // The "key=value" lines of a section in file order.
    std::vector<std::string> IniSection(const std::string& section, const std::string& path = IniPathOnDrive) const;
};

// What a person sees of a control in a dialog or window.
std::string TextOf(HWND parent, int id);
UINT CheckOf(HWND parent, int id);
bool EnabledOf(HWND parent, int id);
// Clicks a control / types into an edit; fails the test when the control takes no input.
void ClickOn(HWND parent, int id);
void TypeInto(HWND parent, int id, const std::string& text);
// Sets what the scripted user does in a dialog, in the text form of the scripted user.
void OnDialogDo(int dialogId, const std::string& actions);
