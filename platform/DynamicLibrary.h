#pragma once
// A shared library loaded at run time (the vendor's Bluetooth stack, the device maker's hardware
// library): looked up in the application directory first, then on the library path.

#include <memory>
#include <string>

namespace platform {

class DynamicLibrary {
public:
    // Loads fileName ("libdrakar.so") from directory (a path ending in '/', may be empty), then by
    // the bare name through the system's library search. Nothing when neither loads. The library
    // is bound at once (RTLD_NOW) and its symbols stay private to it (RTLD_LOCAL).
    static std::unique_ptr<DynamicLibrary> load(const std::string& directory,
                                                const std::string& fileName);
    ~DynamicLibrary(); // unloads
    DynamicLibrary(const DynamicLibrary&) = delete;
    DynamicLibrary& operator=(const DynamicLibrary&) = delete;

    // The address of an exported symbol, or null when the library does not export it.
    void* symbol(const char* name) const;
    template <typename Function> Function function(const char* name) const {
        return reinterpret_cast<Function>(symbol(name));
    }

private:
    explicit DynamicLibrary(void* handle) : handle_(handle) {}
    void* handle_;
};

} // namespace platform
