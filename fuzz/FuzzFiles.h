#pragma once
// The table readers read files, so the fuzz targets hand them their input through a scratch
// directory made once per process.

#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>

namespace fuzzfiles {

inline void writeFile(const std::string& path, const void* data, size_t size) {
    std::FILE* file = std::fopen(path.c_str(), "wb");
    if (file == nullptr) std::abort();
    if (size > 0) std::fwrite(data, 1, size, file);
    std::fclose(file);
}

// A fresh directory (path ending in '/') for this process, removed when the process exits.
inline std::string makeScratchDirectory(const char* tag) {
    static std::string created;
    std::string pattern = std::string("/tmp/fuzz-") + tag + "-XXXXXX";
    if (mkdtemp(pattern.data()) == nullptr) std::abort();
    created = pattern;
    std::atexit([] {
        std::error_code ec;
        std::filesystem::remove_all(created, ec);
    });
    return pattern + "/";
}

} // namespace fuzzfiles
