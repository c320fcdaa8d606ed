// Icons, cursors and drawing of the Win32 emulation. Nothing is drawn: every
// DrawFrameControl and DrawIcon call is recorded so tests can check what a window
// procedure painted, and icon handles map back to their resource ids.
#pragma once

#include <vector>

#include "platform/win32.h"

namespace vsim::win32 {

struct DrawCall {
    enum Kind { Frame, Icon } kind;
    HWND window;      // the window whose device context was drawn on (null if unknown)
    RECT rect;        // Frame: the rectangle
    int x, y;         // Icon: the position
    UINT type, state; // Frame: DFC_* and DFCS_* values
    int iconId;       // Icon: resource id of the icon
};
const std::vector<DrawCall>& DrawCalls();
void ClearDrawCalls();

// The resource id behind an icon handle from LoadIconA, or -1.
int IconIdOf(HANDLE icon);
// The device context handed out for painting a window (WM_DRAWITEM) and back.
HDC DeviceContextOf(HWND hwnd);
HWND WindowOfDeviceContext(HDC dc);

void ResetDrawing();

}  // namespace vsim::win32
