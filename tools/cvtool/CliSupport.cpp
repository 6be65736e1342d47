#include "CliSupport.h"

#include <cerrno>
#include <cstdarg>
#include <cstring>

namespace cvtool {

int usageError(const char* format, ...) {
    std::fputs("cvtool: ", stderr);
    va_list args;
    va_start(args, format);
    std::vfprintf(stderr, format, args);
    va_end(args);
    std::fputc('\n', stderr);
    return kExitUsage;
}

std::FILE* openInput(const char* path) {
    if (path == nullptr || path[0] == '\0' || std::strcmp(path, "-") == 0) return stdin;
    std::FILE* file = std::fopen(path, "rb");
    if (file == nullptr) usageError("cannot read %s: %s", path, std::strerror(errno));
    return file;
}

void closeInput(std::FILE* file) {
    if (file != nullptr && file != stdin) std::fclose(file);
}

} // namespace cvtool
