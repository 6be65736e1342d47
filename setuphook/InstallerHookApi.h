#pragma once
// The entry points an installer calls in libsetuphook.so, with C linkage and the argument lists
// of the platform's installer-hook convention. Window handles are opaque pointers (the hook does
// not use them); the installation directory is UTF-8 text.

#include <stdint.h>

#ifdef __cplusplus
extern "C" {
#endif

// Results of the entry points.
enum {
    kInstallInitContinue = 0, // go on and copy the files
    kInstallInitCancel = 1,
    kInstallExitDone = 0,       // installation complete
    kInstallExitUninstall = 1,  // the installer should take the installation back
    kUninstallInitContinue = 0, // go on and remove the files
    kUninstallInitCancel = 1,
    kUninstallExitDone = 0,
};

typedef int (*InstallInitFunction)(void* parentWindow, int firstCall, int previouslyInstalled,
                                   const char* installDir);
typedef int (*InstallExitFunction)(void* parentWindow, const char* installDir, uint16_t failedDirs,
                                   uint16_t failedFiles, uint16_t failedRegKeys,
                                   uint16_t failedRegVals, uint16_t failedShortcuts);
typedef int (*UninstallInitFunction)(void* parentWindow, const char* installDir);
typedef int (*UninstallExitFunction)(void* parentWindow);

// Before the files are copied.
int Install_Init(void* parentWindow, int firstCall, int previouslyInstalled,
                 const char* installDir);
// After the files are copied: records installDir as the registry value "rpath" of
// HKEY_CURRENT_USER\SOFTWARE\Varnholt\Corvane and tells the user that installation is complete.
int Install_Exit(void* parentWindow, const char* installDir, uint16_t failedDirs,
                 uint16_t failedFiles, uint16_t failedRegKeys, uint16_t failedRegVals,
                 uint16_t failedShortcuts);
// Before the files are removed.
int Uninstall_Init(void* parentWindow, const char* installDir);
// After the files are removed: deletes HKEY_CURRENT_USER\SOFTWARE\Varnholt\Corvane.
int Uninstall_Exit(void* parentWindow);

#ifdef __cplusplus
}
#endif
