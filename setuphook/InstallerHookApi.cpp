// The exported entry points of libsetuphook.so. Each runs the hook on the user's registry
// (platform::Registry::defaultPath(), so CORVANE_REGISTRY redirects it) and shows its messages
// on stderr: there is no window to show them in.
//
// The library needs no load or unload hook on Linux: there is no component library to
// initialise, and the messages are compiled in rather than loaded as resources of the module.

#include "setuphook/InstallerHookApi.h"

#include "platform/Prompter.h"
#include "platform/Registry.h"
#include "setuphook/SetupHook.h"

#define SETUPHOOK_EXPORT extern "C" __attribute__((visibility("default")))

namespace {

template <typename Step> int runHook(Step&& step) {
    platform::StderrPrompter prompter;
    platform::Registry registry(platform::Registry::defaultPath(), &prompter);
    setuphook::SetupHook hook(registry, prompter);
    return step(hook);
}

} // namespace

SETUPHOOK_EXPORT int Install_Init(void*, int, int, const char*) {
    return runHook([](setuphook::SetupHook& hook) { return hook.installInit(); });
}

SETUPHOOK_EXPORT int Install_Exit(void*, const char* installDir, uint16_t, uint16_t, uint16_t,
                                  uint16_t, uint16_t) {
    return runHook([&](setuphook::SetupHook& hook) { return hook.installExit(installDir); });
}

SETUPHOOK_EXPORT int Uninstall_Init(void*, const char*) {
    return runHook([](setuphook::SetupHook& hook) { return hook.uninstallInit(); });
}

SETUPHOOK_EXPORT int Uninstall_Exit(void*) {
    return runHook([](setuphook::SetupHook& hook) { return hook.uninstallExit(); });
}
