#include "setuphook/HookLibrary.h"

#include <dlfcn.h>

namespace setuphook {

namespace {

template <typename Function>
bool lookUp(void* handle, const char* name, Function& out, std::string& error) {
    out = reinterpret_cast<Function>(::dlsym(handle, name));
    if (out == nullptr) error = std::string("no entry point ") + name;
    return out != nullptr;
}

} // namespace

HookLibrary::~HookLibrary() {
    if (handle_ != nullptr) ::dlclose(handle_);
}

bool HookLibrary::load(const std::string& path) {
    std::string file = path.find('/') == std::string::npos ? "./" + path : path;
    handle_ = ::dlopen(file.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (handle_ == nullptr) {
        const char* reason = ::dlerror();
        error_ = reason != nullptr ? reason : "cannot load " + path;
        return false;
    }
    return lookUp(handle_, "Install_Init", installInit, error_) &&
           lookUp(handle_, "Install_Exit", installExit, error_) &&
           lookUp(handle_, "Uninstall_Init", uninstallInit, error_) &&
           lookUp(handle_, "Uninstall_Exit", uninstallExit, error_);
}

} // namespace setuphook
