#pragma once
// An installer hook library loaded with dlopen, with its four entry points looked up by name.

#include <string>

#include "setuphook/InstallerHookApi.h"

namespace setuphook {

class HookLibrary {
public:
    HookLibrary() = default;
    ~HookLibrary();
    HookLibrary(const HookLibrary&) = delete;
    HookLibrary& operator=(const HookLibrary&) = delete;

    // Loads the library at path (a path with a '/', so the library search path is not used).
    // False with error() set when it cannot be loaded or lacks an entry point.
    bool load(const std::string& path);
    const std::string& error() const { return error_; }

    InstallInitFunction installInit = nullptr;
    InstallExitFunction installExit = nullptr;
    UninstallInitFunction uninstallInit = nullptr;
    UninstallExitFunction uninstallExit = nullptr;

private:
    void* handle_ = nullptr;
    std::string error_;
};

} // namespace setuphook
