# Windows build: KestrelFSX.dll for the simulator's modules folder, 32-bit, linked
# against the real Win32 import libraries and an import library for SimConnect.dll
# made from our own .def. Nothing but the Windows C runtime and the system DLLs may
# be needed beside it, so the GCC runtime is linked in statically.
get_filename_component(KESTREL_ROOT "${CMAKE_CURRENT_LIST_DIR}/.." ABSOLUTE)

enable_language(RC)

# SimConnect.dll's exports are undecorated __stdcall names; --kill-at maps the
# decorated names the compiler asks for (SimConnect_Open@24) onto them.
if(NOT CMAKE_DLLTOOL)
  find_program(CMAKE_DLLTOOL NAMES i686-w64-mingw32-dlltool dlltool REQUIRED)
endif()
set(SIMCONNECT_DEF ${KESTREL_ROOT}/platform/SimConnect.def)
set(SIMCONNECT_IMPORT_LIB ${CMAKE_CURRENT_BINARY_DIR}/libSimConnect.a)
add_custom_command(
  OUTPUT ${SIMCONNECT_IMPORT_LIB}
  COMMAND ${CMAKE_DLLTOOL} --kill-at --input-def ${SIMCONNECT_DEF} --dllname SimConnect.dll
          --output-lib ${SIMCONNECT_IMPORT_LIB}
  DEPENDS ${SIMCONNECT_DEF}
  COMMENT "Making the SimConnect.dll import library"
  VERBATIM)
add_custom_target(simconnect_import_lib DEPENDS ${SIMCONNECT_IMPORT_LIB})
add_library(SimConnect STATIC IMPORTED)
set_target_properties(SimConnect PROPERTIES IMPORTED_LOCATION ${SIMCONNECT_IMPORT_LIB})
add_dependencies(SimConnect simconnect_import_lib)

add_library(KestrelFSX SHARED
  ${KESTREL_MODULE_SOURCES}
  ${KESTREL_ROOT}/platform/files_windows.cpp
  ${KESTREL_ROOT}/platform/dllmain_windows.cpp
  ${KESTREL_ROOT}/platform/KestrelFSX.def
  ${KESTREL_ROOT}/resources/kestrel.rc)
target_include_directories(KestrelFSX PRIVATE ${KESTREL_ROOT} ${KESTREL_ROOT}/resources ${CMAKE_BINARY_DIR}/generated)
# The simulator looks for exactly this file name.
set_target_properties(KestrelFSX PROPERTIES PREFIX "" OUTPUT_NAME KestrelFSX SUFFIX ".dll")
# windres reports no dependencies: name the files the resource script pulls in.
file(GLOB KESTREL_RC_INPUTS CONFIGURE_DEPENDS ${KESTREL_ROOT}/resources/*.ico)
list(APPEND KESTREL_RC_INPUTS ${KESTREL_ROOT}/resources/KestrelFSX.manifest ${KESTREL_ROOT}/resources/resource.h
     ${CMAKE_BINARY_DIR}/generated/kestrel_version.h)
set_source_files_properties(${KESTREL_ROOT}/resources/kestrel.rc PROPERTIES OBJECT_DEPENDS "${KESTREL_RC_INPUTS}")
# The exports come from KestrelFSX.def alone; --kill-at keeps their names undecorated
# even if an export is ever declared __stdcall.
target_link_options(KestrelFSX PRIVATE -static-libgcc -static-libstdc++ -Wl,--kill-at)
target_link_libraries(KestrelFSX PRIVATE kestrel_frcformat SimConnect user32 comctl32 comdlg32 version kernel32)

# The x86_64 build is the test build that runs under Wine.
if(CMAKE_SIZEOF_VOID_P EQUAL 8)
  include(${KESTREL_ROOT}/cmake/winhost.cmake)
endif()
