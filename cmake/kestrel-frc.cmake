# kestrel-frc, the pilots' toolkit, in every build: build/linux/kestrel-frc for Linux and
# kestrel-frc.exe in the Windows builds (32-bit for users, x86_64 for the Wine stage).
# Its commands live in a library, kestrel_frc_core, that the linux tests link too; the
# recording files are read and written by the format library, kestrel_frcformat, the
# same one the module links (so a test linking both holds one copy of it).
get_filename_component(KESTREL_ROOT "${CMAKE_CURRENT_LIST_DIR}/.." ABSOLUTE)

file(GLOB KESTREL_FRC_SOURCES CONFIGURE_DEPENDS ${KESTREL_ROOT}/tools/kestrel-frc/*.cpp)
list(REMOVE_ITEM KESTREL_FRC_SOURCES ${KESTREL_ROOT}/tools/kestrel-frc/main.cpp)
add_library(kestrel_frc_core STATIC ${KESTREL_FRC_SOURCES})
target_include_directories(kestrel_frc_core PUBLIC ${KESTREL_ROOT})
target_link_libraries(kestrel_frc_core PUBLIC kestrel_frcformat kestrel_pugixml kestrel_cli11 kestrel_json)
target_compile_definitions(kestrel_frc_core PUBLIC KESTREL_VERSION="${PROJECT_VERSION}")

add_executable(kestrel-frc ${KESTREL_ROOT}/tools/kestrel-frc/main.cpp)
target_link_libraries(kestrel-frc PRIVATE kestrel_frc_core)
if(WIN32)
  # A console program that needs nothing beside it but the system's DLLs.
  target_link_options(kestrel-frc PRIVATE -static -mconsole)
endif()
