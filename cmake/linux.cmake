# Linux build: the module as a static library, the virtual simulator, kestrel-host,
# the tests and the benchmarks.
find_package(GTest REQUIRED)
find_package(benchmark QUIET)

add_library(kestrel_module STATIC ${KESTREL_MODULE_SOURCES})
target_include_directories(kestrel_module PUBLIC ${CMAKE_SOURCE_DIR})
target_link_libraries(kestrel_module PUBLIC kestrel_frcformat)

# The simulated host (portable) and the Win32 emulation (Linux only). The simulator's
# SimConnect and its frame loop are a library of their own, so that the benchmarks can
# run the module on a SimConnect that does almost nothing (vsim_host without vsim_sim).
set(VSIM_SIMCONNECT_SOURCES
  ${CMAKE_SOURCE_DIR}/vsim/sim/simconnect.cpp
  ${CMAKE_SOURCE_DIR}/vsim/sim/simconnect_data.cpp
  ${CMAKE_SOURCE_DIR}/vsim/sim/simulator.cpp)
file(GLOB VSIM_HOST_SOURCES CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/vsim/sim/*.cpp)
list(REMOVE_ITEM VSIM_HOST_SOURCES ${VSIM_SIMCONNECT_SOURCES})
add_library(vsim_host STATIC ${VSIM_HOST_SOURCES})
target_include_directories(vsim_host PUBLIC ${CMAKE_SOURCE_DIR})
add_library(vsim_sim STATIC ${VSIM_SIMCONNECT_SOURCES})
target_include_directories(vsim_sim PUBLIC ${CMAKE_SOURCE_DIR})
# The dialog templates reach the emulation as the text of kestrel.rc itself.
set(EMBEDDED_RESOURCES ${CMAKE_BINARY_DIR}/generated/kestrel_resources.cpp)
add_custom_command(
  OUTPUT ${EMBEDDED_RESOURCES}
  COMMAND ${CMAKE_COMMAND} -DRC=${CMAKE_SOURCE_DIR}/resources/kestrel.rc
          -DHEADER=${CMAKE_SOURCE_DIR}/resources/resource.h -DOUT=${EMBEDDED_RESOURCES}
          -P ${CMAKE_SOURCE_DIR}/cmake/embed-resources.cmake
  DEPENDS ${CMAKE_SOURCE_DIR}/resources/kestrel.rc ${CMAKE_SOURCE_DIR}/resources/resource.h
          ${CMAKE_SOURCE_DIR}/cmake/embed-resources.cmake
  COMMENT "Embedding kestrel.rc")
file(GLOB VSIM_WIN32_SOURCES CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/vsim/win32/*.cpp)
add_library(vsim_win32 STATIC ${VSIM_WIN32_SOURCES} ${EMBEDDED_RESOURCES})
target_include_directories(vsim_win32 PUBLIC ${CMAKE_SOURCE_DIR})

# The module and the virtual simulator call each other (the module calls Win32 and
# SimConnect; the host calls the module's exports), so they link as one group.
add_library(kestrel_vsim INTERFACE)
target_link_libraries(kestrel_vsim INTERFACE "$<LINK_GROUP:RESCAN,kestrel_module,vsim_sim,vsim_host,vsim_win32>")

# kestrel-host: the script runner is a library so the scenario tests can run scripts too.
file(GLOB HOST_SOURCES CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/tools/kestrel-host/*.cpp)
list(REMOVE_ITEM HOST_SOURCES ${CMAKE_SOURCE_DIR}/tools/kestrel-host/main.cpp)
add_library(kestrel_host_core STATIC ${HOST_SOURCES})
target_link_libraries(kestrel_host_core PUBLIC kestrel_vsim kestrel_frcformat)
add_executable(kestrel-host ${CMAKE_SOURCE_DIR}/tools/kestrel-host/main.cpp)
target_link_libraries(kestrel-host PRIVATE kestrel_host_core)

# One test executable per tests/*_test.cpp; shared test helpers live in tests/support/.
enable_testing()
include(GoogleTest)
file(GLOB TEST_SUPPORT_SOURCES CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/tests/support/*.cpp)
add_library(kestrel_test_support STATIC ${TEST_SUPPORT_SOURCES})
target_link_libraries(kestrel_test_support PUBLIC kestrel_host_core GTest::gtest)
# The toolkit's tests run the built program (defined in cmake/kestrel-frc.cmake).
target_compile_definitions(kestrel_test_support PRIVATE KESTREL_FRC_EXE="$<TARGET_FILE:kestrel-frc>")
file(GLOB TEST_SOURCES CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/tests/*_test.cpp)
foreach(test_source ${TEST_SOURCES})
  get_filename_component(test_name ${test_source} NAME_WE)
  add_executable(${test_name} ${test_source})
  target_link_libraries(${test_name} PRIVATE kestrel_test_support GTest::gtest_main)
  # The toolkit's tests (tests/frc_*_test.cpp) also link its commands.
  if(test_name MATCHES "^frc_")
    target_link_libraries(${test_name} PRIVATE kestrel_frc_core)
    add_dependencies(${test_name} kestrel-frc kestrel-host)
    target_compile_definitions(${test_name} PRIVATE KESTREL_HOST_EXE="$<TARGET_FILE:kestrel-host>"
                                                    KESTREL_SOURCE_DIR="${CMAKE_SOURCE_DIR}")
  endif()
  # The dll.xml editor's tests (tests/dllxml_*_test.cpp) link the editor.
  if(test_name MATCHES "^dllxml_")
    target_link_libraries(${test_name} PRIVATE kestrel_dllxml_core)
  endif()
  gtest_discover_tests(${test_name} DISCOVERY_TIMEOUT 60 PROPERTIES TIMEOUT 120)
endforeach()
# The scenario scripts that the Wine stage of scripts/test.sh runs on both builds.
if(TARGET wine_parity_test)
  target_compile_definitions(wine_parity_test PRIVATE KESTREL_SCENARIO_DIR="${CMAKE_SOURCE_DIR}/tests/scripts")
endif()
# The crash-recovery tests run kestrel-host itself, to crash it for real.
if(TARGET recovery_test)
  target_compile_definitions(recovery_test PRIVATE KESTREL_HOST_EXE="$<TARGET_FILE:kestrel-host>")
  add_dependencies(recovery_test kestrel-host)
endif()

# kestrel_bench: the module alone, its SimConnect the benchmark backend of tests/bench
# (calls counted, requests answered with prepared records) in place of the virtual
# simulator's; the module library is the one every other program links.
# kestrel_host_bench: whole frames of the virtual simulator with the module in it.
if(benchmark_FOUND)
  file(GLOB BENCH_SOURCES CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/tests/bench/*.cpp)
  add_executable(kestrel_bench ${BENCH_SOURCES} ${CMAKE_SOURCE_DIR}/tests/support/test_tracks.cpp)
  target_link_libraries(kestrel_bench PRIVATE
    "$<LINK_GROUP:RESCAN,kestrel_module,vsim_host,vsim_win32>" benchmark::benchmark benchmark::benchmark_main)
  file(GLOB HOST_BENCH_SOURCES CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/tests/bench/host/*.cpp)
  add_executable(kestrel_host_bench ${HOST_BENCH_SOURCES})
  target_link_libraries(kestrel_host_bench PRIVATE kestrel_test_support benchmark::benchmark benchmark::benchmark_main)
endif()

# Remakes the control window's icons: cmake --build build/linux --target make-icons,
# then build/linux/make-icons resources
add_executable(make-icons ${CMAKE_SOURCE_DIR}/tools/make-icons/make-icons.cpp)

# libFuzzer targets (sanitize preset only): tests/fuzz/*_fuzz.cpp, each with the fuzz
# host of tests/fuzz; scripts/fuzz.sh runs them.
if(KESTREL_SANITIZE)
  add_library(kestrel_fuzz_host STATIC ${CMAKE_SOURCE_DIR}/tests/fuzz/fuzz_host.cpp)
  target_link_libraries(kestrel_fuzz_host PUBLIC kestrel_host_core)
  file(GLOB FUZZ_SOURCES CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/tests/fuzz/*_fuzz.cpp)
  foreach(fuzz_source ${FUZZ_SOURCES})
    get_filename_component(fuzz_name ${fuzz_source} NAME_WE)
    add_executable(${fuzz_name} ${fuzz_source})
    target_link_libraries(${fuzz_name} PRIVATE kestrel_fuzz_host)
    if(fuzz_name STREQUAL "frc_fuzz")
      target_link_libraries(${fuzz_name} PRIVATE kestrel_frc_core)
    endif()
    target_link_options(${fuzz_name} PRIVATE -fsanitize=fuzzer)
  endforeach()
endif()
