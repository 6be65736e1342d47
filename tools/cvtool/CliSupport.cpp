#include "CliSupport.h"

#include <cerrno>
#include <cstdarg>
#include <cstring>
#include <filesystem>

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

namespace cvtool {

int forEachInputLine(std::FILE* in,
                     const std::function<const char*(std::string_view line)>& handle) {
    int status = 0;
    long lineNumber = 0;
    std::string line;
    int c = 0;
    while (c != EOF) {
        line.clear();
        while ((c = std::fgetc(in)) != EOF && c != '\n')
            line.push_back(static_cast<char>(c));
        if (c == EOF && line.empty()) break;
        ++lineNumber;
        if (!line.empty() && line.back() == '\r') line.pop_back();
        if (const char* reason = handle(line)) {
            std::fprintf(stderr, "cvtool: line %ld: %s\n", lineNumber, reason);
            status = 1;
        }
    }
    return status;
}

std::string tableDirectory(const char* dirArgument) {
    std::string dir;
    if (dirArgument != nullptr && dirArgument[0] != '\0') {
        dir = dirArgument;
    } else {
        // Installed: the tables sit beside the program. In the build tree: the source's share/.
        std::error_code ec;
        auto self = std::filesystem::read_symlink("/proc/self/exe", ec).parent_path();
        dir = (!ec && std::filesystem::exists(self / "ellips.dat")) ? self.string()
                                                                    : CORVANE_SHARE_DIR;
    }
    if (dir.back() != '/') dir.push_back('/');
    return dir;
}

std::string toUtf8(const char16_t* text) {
    std::string out;
    for (const char16_t* p = text; p != nullptr && *p != u'\0'; ++p) {
        char32_t c = *p;
        if (c >= 0xD800 && c <= 0xDBFF && p[1] >= 0xDC00 && p[1] <= 0xDFFF) {
            c = 0x10000 + ((c - 0xD800) << 10) + (p[1] - 0xDC00);
            ++p;
        }
        if (c < 0x80) {
            out.push_back(static_cast<char>(c));
        } else if (c < 0x800) {
            out.push_back(static_cast<char>(0xC0 | (c >> 6)));
            out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
        } else if (c < 0x10000) {
            out.push_back(static_cast<char>(0xE0 | (c >> 12)));
            out.push_back(static_cast<char>(0x80 | ((c >> 6) & 0x3F)));
            out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
        } else {
            out.push_back(static_cast<char>(0xF0 | (c >> 18)));
            out.push_back(static_cast<char>(0x80 | ((c >> 12) & 0x3F)));
            out.push_back(static_cast<char>(0x80 | ((c >> 6) & 0x3F)));
            out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
        }
    }
    return out;
}

} // namespace cvtool
