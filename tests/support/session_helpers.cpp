// Shared steps of a user's session in the simulated host.
#include "tests/support/session_helpers.h"

#include <cstdio>

#include "module/simlink.h"
#include "platform/win32.h"
#include "vsim/sim/simhost.h"
#include "vsim/sim/simulator.h"
#include "vsim/win32/scripted_user.h"

void AcceptRecordDialog() {
    vsim::user::OnDialog(102, [](HWND dialog) { SendMessageA(dialog, WM_COMMAND, IDOK, 0); });
}

bool RecordUserFlight(const std::string& windowsPath, double seconds) {
    AcceptRecordDialog();
    if (!vsim::SelectMenuItem("Record...") || ModuleMode != Recording) return false;
    vsim::RunSeconds(seconds);
    vsim::user::OnSave(windowsPath);
    if (!vsim::SelectMenuItem("Stop...")) return false;
    FILE* file = fopen(vsim::MapPath(windowsPath).c_str(), "rb");
    if (!file) return false;
    fclose(file);
    return true;
}
