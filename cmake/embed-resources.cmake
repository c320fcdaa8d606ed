# Writes a C++ source holding the text of resources/kestrel.rc and resource.h, so the
# Linux build's Win32 emulation creates the dialogs from the same templates.
# Usage: cmake -DRC=... -DHEADER=... -DOUT=... -P embed-resources.cmake
file(READ "${RC}" rc_text)
file(READ "${HEADER}" header_text)
set(delimiter "KESTREL_RC")
file(WRITE "${OUT}.tmp"
  "// Generated from resources/kestrel.rc and resources/resource.h; do not edit.\n"
  "extern const char KestrelResourceScript[];\n"
  "extern const char KestrelResourceHeader[];\n"
  "const char KestrelResourceScript[] = R\"${delimiter}(${rc_text})${delimiter}\";\n"
  "const char KestrelResourceHeader[] = R\"${delimiter}(${header_text})${delimiter}\";\n")
file(COPY_FILE "${OUT}.tmp" "${OUT}" ONLY_IF_DIFFERENT)
file(REMOVE "${OUT}.tmp")
