// The text of resources/kestrel.rc and resources/resource.h, embedded by the build so
// the Win32 emulation creates the module's dialogs from the same templates as Windows.
#pragma once

extern const char KestrelResourceScript[];
extern const char KestrelResourceHeader[];
