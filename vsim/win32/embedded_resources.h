// The text of resources/kestrel.rc and resources/resource.h, embedded by the build
// (cmake/embed-resources.cmake), for SetResourceScript and SetResourceHeader.
#pragma once

extern const char KestrelResourceScript[];
extern const char KestrelResourceHeader[];
