#include "platform/DynamicLibrary.h"

#include <dlfcn.h>

namespace platform {

std::unique_ptr<DynamicLibrary> DynamicLibrary::load(const std::string& directory,
                                                     const std::string& fileName) {
    void* handle = nullptr;
    if (!directory.empty()) {
        std::string path = directory;
        if (path.back() != '/') path += '/';
        handle = dlopen((path + fileName).c_str(), RTLD_NOW | RTLD_LOCAL);
    }
    // A name without a slash makes dlopen search LD_LIBRARY_PATH, the cache and the system
    // folders.
    if (handle == nullptr) handle = dlopen(fileName.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (handle == nullptr) return nullptr;
    return std::unique_ptr<DynamicLibrary>(new DynamicLibrary(handle));
}

DynamicLibrary::~DynamicLibrary() {
    dlclose(handle_);
}

void* DynamicLibrary::symbol(const char* name) const {
    return dlsym(handle_, name);
}

} // namespace platform
