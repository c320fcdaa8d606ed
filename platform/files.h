// Opening files by their Windows path. The module opens every file through here:
// on Windows it is fopen itself; on Linux the virtual simulator maps the path onto
// its virtual drive (and can make the next open or write fail for tests).
#pragma once

#include <cstdio>

FILE* OpenHostFile(const char* path, const char* mode);
