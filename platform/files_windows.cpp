// Windows build: host files are ordinary files.
#include "platform/files.h"

FILE* OpenHostFile(const char* path, const char* mode) {
    return fopen(path, mode);
}
