#pragma once
// What the installer hook does at each step of installing and removing Corvane, on a given
// registry and prompter; the exported entry points run it on the user's registry.

#include <string>
#include <string_view>

#include "platform/Prompter.h"
#include "platform/Registry.h"

namespace setuphook {

// HKEY_CURRENT_USER\SOFTWARE\Varnholt\Corvane, value "rpath": the installation directory.
inline constexpr char kParentKey[] = "SOFTWARE\\Varnholt";
inline constexpr char kApplicationKey[] = "Corvane";
inline constexpr char kPathValue[] = "rpath";

inline constexpr std::string_view kCompleteMessage =
    "Corvane installation is complete.\r\n\nTo run Corvane, double click on the Corvane icon in "
    "the programs folder.";
inline constexpr std::string_view kCaption = "Corvane";

class SetupHook {
public:
    SetupHook(platform::Registry& registry, platform::Prompter& prompter)
        : registry_(registry), prompter_(prompter) {}

    // Nothing to prepare: always kInstallInitContinue.
    int installInit();
    // Records installDir, exactly as given, as "rpath" and tells the user that installation is
    // complete: kInstallExitDone. When the directory cannot be recorded, the program could never
    // find its files: the user is told why and the installer is asked to take the installation
    // back (kInstallExitUninstall).
    int installExit(const char* installDir);
    // Nothing to prepare: always kUninstallInitContinue.
    int uninstallInit();
    // Deletes the application's key with everything stored in it. A registry without the key is
    // left as it is. Always kUninstallExitDone.
    int uninstallExit();

private:
    platform::Registry& registry_;
    platform::Prompter& prompter_;
};

} // namespace setuphook
