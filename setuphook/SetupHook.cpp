#include "setuphook/SetupHook.h"

#include "setuphook/InstallerHookApi.h"
#include "setuphook/RegistryKeyHolder.h"

namespace setuphook {

int SetupHook::installInit() {
    return kInstallInitContinue;
}

int SetupHook::installExit(const char* installDir) {
    RegistryKeyHolder keys(registry_);
    if (keys.createParent(kParentKey) == kResultOk &&
        keys.createSubkey(kApplicationKey) == kResultOk)
        keys.setString(kPathValue, installDir);
    int32_t result = keys.result();
    keys.close();
    if (result != kResultOk) {
        std::string reason = registry_.lastError().empty() ? "error " + std::to_string(result)
                                                           : registry_.lastError();
        prompter_.message("Corvane could not record its installation directory in the registry (" +
                              reason + "). Please install Corvane again.",
                          kCaption);
        return kInstallExitUninstall;
    }
    prompter_.message(kCompleteMessage, kCaption);
    return kInstallExitDone;
}

int SetupHook::uninstallInit() {
    return kUninstallInitContinue;
}

int SetupHook::uninstallExit() {
    RegistryKeyHolder keys(registry_);
    if (keys.openParent(kParentKey) == kResultOk) keys.deleteSubkey(kApplicationKey);
    keys.close();
    return kUninstallExitDone;
}

} // namespace setuphook
