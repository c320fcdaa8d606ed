# Toolchain for the Windows test build: 64-bit Windows (x86_64) with MinGW-w64. It
# builds the same module sources as KestrelFSX.dll for x86_64, the stand-in
# SimConnect.dll and kestrel-host.exe, which run under 64-bit Wine.
# The win32 thread model compilers keep libwinpthread-1.dll out of the binaries.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR AMD64)

set(KESTREL_MINGW_PREFIX x86_64-w64-mingw32)

find_program(KESTREL_MINGW_CXX NAMES ${KESTREL_MINGW_PREFIX}-g++-win32 ${KESTREL_MINGW_PREFIX}-g++ REQUIRED)
find_program(KESTREL_MINGW_CC NAMES ${KESTREL_MINGW_PREFIX}-gcc-win32 ${KESTREL_MINGW_PREFIX}-gcc REQUIRED)
find_program(KESTREL_MINGW_WINDRES NAMES ${KESTREL_MINGW_PREFIX}-windres REQUIRED)
find_program(KESTREL_MINGW_DLLTOOL NAMES ${KESTREL_MINGW_PREFIX}-dlltool REQUIRED)

set(CMAKE_C_COMPILER ${KESTREL_MINGW_CC})
set(CMAKE_CXX_COMPILER ${KESTREL_MINGW_CXX})
set(CMAKE_RC_COMPILER ${KESTREL_MINGW_WINDRES})
set(CMAKE_DLLTOOL ${KESTREL_MINGW_DLLTOOL})

# Look for libraries and headers only in the target's own tree, programs on the host.
set(CMAKE_FIND_ROOT_PATH /usr/${KESTREL_MINGW_PREFIX})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)
