// The Win32 emulation as a whole, for the host program and tests: this header brings in
// every part of the emulation's own interface (windows, controls, user actions, dialog
// templates, drawing records, file dialogs, host files, modules) and declares the reset
// of all of it.
#pragma once

#include "vsim/win32/controls.h"
#include "vsim/win32/dialogs.h"
#include "vsim/win32/drawing.h"
#include "vsim/win32/file_dialogs.h"
#include "vsim/win32/hostfiles.h"
#include "vsim/win32/modules.h"
#include "vsim/win32/resource_script.h"
#include "vsim/win32/scripted_user.h"
#include "vsim/win32/user_actions.h"
#include "vsim/win32/window.h"

namespace vsim::win32 {

// Forgets every window, class, queued message, dialog template, scripted answer, key
// state, module name, icon and recorded drawing call, without sending any message.
void ResetWin32();

}  // namespace vsim::win32
