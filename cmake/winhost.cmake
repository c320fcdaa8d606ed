# The x86_64 Windows test build (preset mingw64), included by windows.cmake: the same
# module sources as KestrelFSX.dll with a test-only state export, the simulated host as
# a stand-in SimConnect.dll, and kestrel-host.exe, which runs scripts under 64-bit Wine.

# The module: the product's target, plus the export that kestrel-host.exe reads the
# module's state through. KESTREL_TEST_EXPORTS is never set for the i686 product.
target_sources(KestrelFSX PRIVATE ${KESTREL_ROOT}/vsim/winhost/module_probe.cpp)
target_compile_definitions(KestrelFSX PRIVATE KESTREL_TEST_EXPORTS)

# SimConnect.dll: the simulated host (vsim/sim, portable). It exports the SimConnect
# functions under their own names and its whole C++ interface (simulator.h, simhost.h,
# ...) as the host-control API for kestrel-host.exe, built by the same compiler; the
# stand-in host DLLs forward their ordinals to its entries by name.
file(GLOB VSIM_SIM_SOURCES CONFIGURE_DEPENDS ${KESTREL_ROOT}/vsim/sim/*.cpp)
add_library(vsim_simconnect SHARED ${VSIM_SIM_SOURCES})
target_include_directories(vsim_simconnect PUBLIC ${KESTREL_ROOT})
set_target_properties(vsim_simconnect PROPERTIES PREFIX "" OUTPUT_NAME SimConnect
                      IMPORT_PREFIX "lib" IMPORT_SUFFIX ".dll.a" ARCHIVE_OUTPUT_NAME vsim-simconnect)
target_link_options(vsim_simconnect PRIVATE -static-libgcc -static-libstdc++
                    -Wl,--export-all-symbols -Wl,--exclude-libs,ALL)
target_link_libraries(vsim_simconnect PRIVATE user32 kernel32)

# On x86_64 the SimConnect functions carry no @N decoration, so the module binds to
# SimConnect.dll through the stand-in's own import library instead of SimConnect.def's.
set_target_properties(SimConnect PROPERTIES IMPORTED_LOCATION ${CMAKE_CURRENT_BINARY_DIR}/libvsim-simconnect.dll.a)
add_dependencies(KestrelFSX vsim_simconnect)

# kestrel-host.exe: the runner shared with Linux, the Windows side of hostlink.h and the
# scripted user over real windows.
file(GLOB HOST_SOURCES CONFIGURE_DEPENDS ${KESTREL_ROOT}/tools/kestrel-host/*.cpp)
list(REMOVE_ITEM HOST_SOURCES ${KESTREL_ROOT}/tools/kestrel-host/hostlink_linux.cpp)
add_executable(kestrel-host
  ${HOST_SOURCES}
  ${KESTREL_ROOT}/vsim/win32/scripted_user.cpp
  ${KESTREL_ROOT}/vsim/winhost/hostlink_windows.cpp
  ${KESTREL_ROOT}/vsim/winhost/hostdll_files.cpp
  ${KESTREL_ROOT}/vsim/winhost/import_patch.cpp
  ${KESTREL_ROOT}/vsim/winhost/scripted_user_windows.cpp
  ${KESTREL_ROOT}/vsim/winhost/user_input.cpp)
target_include_directories(kestrel-host PRIVATE ${KESTREL_ROOT})
target_link_options(kestrel-host PRIVATE -static-libgcc -static-libstdc++ -mconsole)
target_link_libraries(kestrel-host PRIVATE kestrel_frcformat vsim_simconnect user32 comctl32 comdlg32 kernel32)
add_dependencies(kestrel-host KestrelFSX)
