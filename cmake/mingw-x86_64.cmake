# Toolchain for the Windows test build: 64-bit Windows (x86_64) with MinGW-w64. It
# builds the same module sources as KestrelFSX.dll for x86_64, the stand-in
# SimConnect.dll and kestrel-host.exe, which run under 64-bit Wine.
set(CMAKE_SYSTEM_PROCESSOR AMD64)
set(KESTREL_MINGW_PREFIX x86_64-w64-mingw32)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-common.cmake)
