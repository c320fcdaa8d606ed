# Toolchain for KestrelFSX.dll: 32-bit Windows (i686) with MinGW-w64.
# The win32 thread model compilers are preferred: the posix ones would make the DLL
# depend on libwinpthread-1.dll, which the simulator's folder does not have.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86)

set(KESTREL_MINGW_PREFIX i686-w64-mingw32)

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
