// Icons, cursors and the recorded drawing calls. An icon handle is an index into the
// table of loaded icons, so the same resource always gives the same handle, as
// LoadIcon's shared icons do. With a resource script set, only icons it declares load.
#include "vsim/win32/drawing.h"

#include "vsim/win32/resource_script.h"

namespace vsim::win32 {

namespace {

struct LoadedIcon {
    bool system;  // loaded with no instance: a system icon (IDI_*)
    int id;
};

std::vector<LoadedIcon> Icons;
std::vector<DrawCall> Calls;

constexpr uintptr_t IconHandleBase = 0x00C00000;
constexpr uintptr_t CursorHandleBase = 0x00D00000;
constexpr int FirstSystemResource = 32512;  // IDI_APPLICATION, IDC_ARROW
constexpr int LastSystemResource = 32651;

HICON IconHandle(bool system, int id) {
    for (size_t i = 0; i < Icons.size(); ++i)
        if (Icons[i].system == system && Icons[i].id == id) return (HICON)(IconHandleBase + 4 * (i + 1));
    Icons.push_back({system, id});
    return (HICON)(IconHandleBase + 4 * Icons.size());
}

}  // namespace

const std::vector<DrawCall>& DrawCalls() {
    return Calls;
}

void ClearDrawCalls() {
    Calls.clear();
}

int IconIdOf(HANDLE icon) {
    uintptr_t value = (uintptr_t)icon;
    if (value <= IconHandleBase || (value - IconHandleBase) % 4 != 0) return -1;
    size_t index = (value - IconHandleBase) / 4 - 1;
    return index < Icons.size() ? Icons[index].id : -1;
}

// Window handles are multiples of 4, so handle + 1 is a distinct, reversible value.
HDC DeviceContextOf(HWND hwnd) {
    return hwnd != nullptr ? (HDC)((uintptr_t)hwnd + 1) : nullptr;
}

HWND WindowOfDeviceContext(HDC dc) {
    uintptr_t value = (uintptr_t)dc;
    return (value & 3) == 1 ? (HWND)(value - 1) : nullptr;
}

void ResetDrawing() {
    Icons.clear();
    Calls.clear();
}

}  // namespace vsim::win32

using namespace vsim::win32;

HICON WINAPI LoadIconA(HINSTANCE instance, LPCSTR name) {
    if (!IS_INTRESOURCE(name)) return nullptr;  // named icon resources are not used
    int id = LOWORD(name);
    if (instance == nullptr) {
        if (id < FirstSystemResource || id > LastSystemResource) return nullptr;
        return IconHandle(true, id);
    }
    if (HasResourceScript() && !IconDeclared(id)) return nullptr;
    return IconHandle(false, id);
}

HCURSOR WINAPI LoadCursorA(HINSTANCE instance, LPCSTR name) {
    // Only the system cursors exist here; the module has no cursor resources.
    if (instance != nullptr || !IS_INTRESOURCE(name)) return nullptr;
    int id = LOWORD(name);
    if (id < FirstSystemResource || id > LastSystemResource) return nullptr;
    return (HCURSOR)(CursorHandleBase + 4 * (uintptr_t)id);
}

BOOL WINAPI DrawFrameControl(HDC dc, LPRECT rect, UINT type, UINT state) {
    if (rect == nullptr) return FALSE;
    DrawCall call = {DrawCall::Frame, WindowOfDeviceContext(dc), *rect, 0, 0, type, state, -1};
    Calls.push_back(call);
    return TRUE;
}

BOOL WINAPI DrawIcon(HDC dc, int x, int y, HICON icon) {
    int id = IconIdOf(icon);
    if (id < 0) return FALSE;
    DrawCall call = {DrawCall::Icon, WindowOfDeviceContext(dc), {0, 0, 0, 0}, x, y, 0, 0, id};
    Calls.push_back(call);
    return TRUE;
}

void WINAPI InitCommonControls() {
    // The common control classes are always registered here.
}
