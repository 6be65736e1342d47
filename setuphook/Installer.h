#pragma once
// Installs Corvane into a directory the way the device's package installer does: it loads the
// installer hook, calls Install_Init, copies the payload files flat into the directory, records
// them in a manifest there and calls Install_Exit; removal calls Uninstall_Init, removes the
// files the manifest lists and calls Uninstall_Exit, which removes the application's registry
// key. The installer calls Uninstall_Exit only when every file was removed and the registry's
// rpath names the directory removed, so removing one directory never breaks an installation in
// another.

#include <cstdio>
#include <string>
#include <vector>

namespace setuphook {

inline constexpr char kManifestName[] = "cvinstall.manifest";
inline constexpr char kHookName[] = "libsetuphook.so";

class Installer {
public:
    // installDir may be relative; the hook is given it as an absolute path ending in '/'.
    // Progress goes to out, problems to err.
    Installer(const std::string& installDir, std::FILE* out, std::FILE* err);

    const std::string& directory() const { return dir_; }

    // payload: the files to install; missing ones are skipped with a note (they have not been
    // built). One of them must be the hook, libsetuphook.so. True when every file was installed
    // and the hook accepted the installation. When the directory or a file could not be written,
    // Install_Exit is not called, so the registry keeps the directory it had.
    bool install(const std::vector<std::string>& payload);
    // Removes what install recorded. True when everything listed is gone, and when nothing is
    // installed in the directory.
    bool uninstall();

private:
    struct Manifest {
        bool createdDirectory = false;
        std::vector<std::string> files;
    };
    bool readManifest(Manifest& manifest, bool& present);
    bool writeManifest(const Manifest& manifest);
    // Removes the named files of the directory. False when one could not be removed.
    bool removeFiles(const std::vector<std::string>& names);
    // Removes the manifest and, when the installer created it and it is now empty, the directory.
    void removeManifest(const Manifest& manifest);
    bool problem(const std::string& text);
    // The registry's rpath names this directory (compared normalised, or as the same folder).
    bool namedByRegistry();

    std::string dir_;
    std::FILE* out_;
    std::FILE* err_;
};

} // namespace setuphook
