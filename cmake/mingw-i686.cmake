# Toolchain for KestrelFSX.dll: 32-bit Windows (i686) with MinGW-w64.
set(CMAKE_SYSTEM_PROCESSOR x86)
set(KESTREL_MINGW_PREFIX i686-w64-mingw32)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-common.cmake)
