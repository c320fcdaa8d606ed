# kestrel-dllxml, the dll.xml editor that the installer calls, in every build (the linux
# tests run it natively), and in the Windows builds the installer itself,
# KestrelFSX-<version>-Setup.exe, made by NSIS from installer/kestrel.nsi: x86-unicode
# for users (mingw), amd64-unicode for the Wine stage (mingw64).
get_filename_component(KESTREL_ROOT "${CMAKE_CURRENT_LIST_DIR}/.." ABSOLUTE)

add_library(kestrel_dllxml_core STATIC ${KESTREL_ROOT}/installer/dllxml.cpp)
target_include_directories(kestrel_dllxml_core PUBLIC ${KESTREL_ROOT})
target_link_libraries(kestrel_dllxml_core PUBLIC kestrel_pugixml)

add_executable(kestrel-dllxml ${KESTREL_ROOT}/installer/main.cpp)
target_link_libraries(kestrel-dllxml PRIVATE kestrel_dllxml_core kestrel_cli11)
target_compile_definitions(kestrel-dllxml PRIVATE KESTREL_VERSION="${PROJECT_VERSION}")
if(WIN32)
  # wmain: the paths come from the wide command line. Stripped: it ships in the installer.
  target_link_options(kestrel-dllxml PRIVATE -static -mconsole -municode -s)

  find_program(MAKENSIS makensis)
  if(NOT MAKENSIS)
    message(WARNING "makensis not found (install nsis): the installer will not be built")
    return()
  endif()
  if(CMAKE_SIZEOF_VOID_P EQUAL 8)
    set(NSIS_TARGET amd64-unicode)
  else()
    set(NSIS_TARGET x86-unicode)
  endif()
  set(KESTREL_SETUP ${CMAKE_BINARY_DIR}/KestrelFSX-${PROJECT_VERSION}-Setup.exe)
  add_custom_command(
    OUTPUT ${KESTREL_SETUP}
    COMMAND ${MAKENSIS} -V2 -WX -DVERSION=${PROJECT_VERSION}
            -DVERSION_NUMBERS=${PROJECT_VERSION_MAJOR}.${PROJECT_VERSION_MINOR}.${PROJECT_VERSION_PATCH}.${PROJECT_VERSION_TWEAK}
            -DTARGET=${NSIS_TARGET}
            -DBUILD_DIR=${CMAKE_BINARY_DIR} -DSOURCE_DIR=${KESTREL_ROOT} -DOUTFILE=${KESTREL_SETUP}
            ${KESTREL_ROOT}/installer/kestrel.nsi
    DEPENDS ${KESTREL_ROOT}/installer/kestrel.nsi ${KESTREL_ROOT}/README.md ${KESTREL_ROOT}/LICENSE
            KestrelFSX kestrel-frc kestrel-dllxml
    COMMENT "Making the installer KestrelFSX-${PROJECT_VERSION}-Setup.exe (${NSIS_TARGET})"
    VERBATIM)
  add_custom_target(installer ALL DEPENDS ${KESTREL_SETUP})
endif()
