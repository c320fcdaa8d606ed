# The libraries of the tools, from Debian: pugixml (XML), CLI11 (command lines) and
# nlohmann-json (JSON), as the targets kestrel_pugixml, kestrel_cli11 and kestrel_json.
# The linux build uses the installed packages. The Windows builds compile pugixml from
# Debian's source package (scripts/common.sh, ensure_pugixml_source, unpacks it into
# build/third_party/pugixml) and see the header-only libraries through a folder of links
# to their installed headers, since the cross compiler must not search /usr/include.
get_filename_component(KESTREL_ROOT "${CMAKE_CURRENT_LIST_DIR}/.." ABSOLUTE)

if(WIN32)
  set(PUGIXML_SOURCE_DIR "${KESTREL_ROOT}/build/third_party/pugixml" CACHE PATH "pugixml's source tree")
  if(NOT EXISTS "${PUGIXML_SOURCE_DIR}/src/pugixml.cpp")
    message(FATAL_ERROR "pugixml's source is missing in ${PUGIXML_SOURCE_DIR}: run scripts/test.sh, "
                        "or source scripts/common.sh and call ensure_pugixml_source")
  endif()
  add_library(kestrel_pugixml STATIC "${PUGIXML_SOURCE_DIR}/src/pugixml.cpp")
  target_include_directories(kestrel_pugixml SYSTEM PUBLIC "${PUGIXML_SOURCE_DIR}/src")
  # Not our code: its warnings are not ours to fix.
  target_compile_options(kestrel_pugixml PRIVATE -w)

  set(KESTREL_HEADER_LINKS "${CMAKE_BINARY_DIR}/third_party/include")
  file(MAKE_DIRECTORY "${KESTREL_HEADER_LINKS}")
  foreach(header_dir CLI nlohmann)
    if(NOT EXISTS "/usr/include/${header_dir}")
      message(FATAL_ERROR "/usr/include/${header_dir} is missing: install libcli11-dev and nlohmann-json3-dev")
    endif()
    if(NOT EXISTS "${KESTREL_HEADER_LINKS}/${header_dir}")
      file(CREATE_LINK "/usr/include/${header_dir}" "${KESTREL_HEADER_LINKS}/${header_dir}" SYMBOLIC)
    endif()
  endforeach()
  add_library(kestrel_cli11 INTERFACE)
  target_include_directories(kestrel_cli11 SYSTEM INTERFACE "${KESTREL_HEADER_LINKS}")
  add_library(kestrel_json INTERFACE)
  target_include_directories(kestrel_json SYSTEM INTERFACE "${KESTREL_HEADER_LINKS}")
else()
  find_package(pugixml REQUIRED)
  find_package(CLI11 REQUIRED)
  find_package(nlohmann_json REQUIRED)
  add_library(kestrel_pugixml INTERFACE)
  target_link_libraries(kestrel_pugixml INTERFACE pugixml::pugixml)
  add_library(kestrel_cli11 INTERFACE)
  target_link_libraries(kestrel_cli11 INTERFACE CLI11::CLI11)
  add_library(kestrel_json INTERFACE)
  target_link_libraries(kestrel_json INTERFACE nlohmann_json::nlohmann_json)
endif()
