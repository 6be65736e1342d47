#include "setuphook/Installer.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <set>
#include <sstream>
#include <sys/stat.h>
#include <unistd.h>

#include "platform/FileReplace.h"
#include "platform/Registry.h"
#include "setuphook/HookLibrary.h"
#include "setuphook/SetupHook.h"

namespace setuphook {

namespace fs = std::filesystem;

namespace {

constexpr char kManifestHeader[] =
    "# Files installed by cvinstall; 'cvinstall uninstall' removes them.";
constexpr char kCreatedDirectoryLine[] = "created-directory";
constexpr char kFilePrefix[] = "file ";

std::string withSlash(std::string dir) {
    if (dir.empty() || dir.back() != '/') dir.push_back('/');
    return dir;
}

bool readWhole(const std::string& path, std::string& contents, mode_t& mode) {
    int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) return false;
    struct stat info {};
    bool ok = ::fstat(fd, &info) == 0;
    if (ok && !S_ISREG(info.st_mode)) {
        errno = EISDIR;
        ok = false;
    }
    mode = info.st_mode & 0777;
    char buffer[65536];
    ssize_t n = 0;
    while (ok && (n = ::read(fd, buffer, sizeof buffer)) != 0) {
        if (n < 0 && errno == EINTR) continue;
        if (n < 0)
            ok = false;
        else
            contents.append(buffer, static_cast<size_t>(n));
    }
    int savedErrno = errno;
    ::close(fd);
    errno = savedErrno;
    return ok;
}

std::string baseName(const std::string& path) {
    return fs::path(path).filename().string();
}

// A desktop entry names the program and its icon by their places in the installation, since
// the installation directory is on no search path: "Exec=corvane ARGS" becomes the program's
// path in quotes, and "Icon=corvane" the path of corvane.svg.
std::string placedDesktopEntry(const std::string& contents, const std::string& dir) {
    // Inside a quoted argument '"', '`', '$' and '\' take a backslash, and the value's own
    // escaping then doubles every backslash.
    std::string quotedDir;
    for (char c : dir) {
        if (c == '\\') quotedDir += "\\\\";
        if (c == '"' || c == '`' || c == '$' || c == '\\') quotedDir += "\\\\";
        quotedDir += c;
    }
    std::string placed;
    std::istringstream lines(contents);
    std::string line;
    while (std::getline(lines, line)) {
        if (line.starts_with("Exec=")) {
            size_t end = line.find(' ', 5);
            std::string program = line.substr(5, end - 5);
            std::string arguments = end == std::string::npos ? "" : line.substr(end);
            line = "Exec=\"" + quotedDir + program + "\"" + arguments;
        } else if (line.starts_with("Icon=") && line.find('/') == std::string::npos) {
            line = "Icon=" + dir + line.substr(5) + ".svg";
        }
        placed += line + '\n';
    }
    return placed;
}

} // namespace

Installer::Installer(const std::string& installDir, std::FILE* out, std::FILE* err)
    : out_(out), err_(err) {
    std::error_code ec;
    fs::path absolute = fs::absolute(installDir, ec);
    dir_ = withSlash((ec ? fs::path(installDir) : absolute).lexically_normal().string());
}

bool Installer::problem(const std::string& text) {
    std::fprintf(err_, "cvinstall: %s\n", text.c_str());
    return false;
}

bool Installer::readManifest(Manifest& manifest, bool& present) {
    std::ifstream in(dir_ + kManifestName);
    present = in.is_open();
    if (!present) return errno == ENOENT || problem("cannot read " + dir_ + kManifestName);
    std::string line;
    while (std::getline(in, line)) {
        if (!line.empty() && line.back() == '\r') line.pop_back();
        if (line == kCreatedDirectoryLine) {
            manifest.createdDirectory = true;
        } else if (line.starts_with(kFilePrefix)) {
            std::string name = line.substr(std::strlen(kFilePrefix));
            // Only plain names: a damaged or edited manifest must not remove files elsewhere.
            if (name.empty() || name == "." || name == ".." || name.find('/') != name.npos)
                return problem("bad entry in " + dir_ + kManifestName + ": " + line);
            manifest.files.push_back(name);
        }
    }
    return true;
}

bool Installer::writeManifest(const Manifest& manifest) {
    std::string text = std::string(kManifestHeader) + '\n';
    if (manifest.createdDirectory) text += std::string(kCreatedDirectoryLine) + '\n';
    for (const auto& name : manifest.files)
        text += kFilePrefix + name + '\n';
    std::string reason;
    if (platform::replaceFile(dir_ + kManifestName, text, {}, &reason)) return true;
    return problem(reason);
}

bool Installer::removeFiles(const std::vector<std::string>& names) {
    bool ok = true;
    for (const auto& name : names) {
        std::string path = dir_ + name;
        if (::unlink(path.c_str()) != 0 && errno != ENOENT)
            ok = problem("cannot remove " + path + ": " + std::strerror(errno));
    }
    return ok;
}

void Installer::removeManifest(const Manifest& manifest) {
    ::unlink((dir_ + kManifestName).c_str());
    if (manifest.createdDirectory) ::rmdir(dir_.c_str()); // stays when the user added files
}

bool Installer::install(const std::vector<std::string>& payload) {
    std::string hookPath;
    std::set<std::string> names;
    for (const auto& file : payload) {
        std::string name = baseName(file);
        if (name.empty() || name == kManifestName || !names.insert(name).second)
            return problem("payload file name used twice or not allowed: " + file);
        if (name == kHookName) hookPath = file;
    }
    if (hookPath.empty()) return problem(std::string("the payload holds no ") + kHookName);
    HookLibrary hook;
    if (!hook.load(hookPath)) return problem("cannot load the installer hook: " + hook.error());

    Manifest manifest;
    bool previouslyInstalled = false;
    if (!readManifest(manifest, previouslyInstalled)) return false;
    if (hook.installInit(nullptr, 1, previouslyInstalled ? 1 : 0, dir_.c_str()) !=
        kInstallInitContinue)
        return problem("the installer hook cancelled the installation");

    uint16_t failedDirs = 0;
    uint16_t failedFiles = 0;
    std::error_code ec;
    bool existed = fs::is_directory(dir_, ec);
    if (!existed) fs::create_directories(dir_, ec);
    if (!existed && !fs::is_directory(dir_)) {
        problem("cannot create " + dir_ + ": " + ec.message());
        failedDirs = 1;
    }
    manifest.createdDirectory = manifest.createdDirectory || (!existed && failedDirs == 0);
    std::set<std::string> recorded(manifest.files.begin(), manifest.files.end());
    // Files that no earlier installation into this directory put there.
    std::vector<std::string> added;
    for (const auto& file : payload) {
        std::string contents;
        mode_t mode = 0644;
        if (!readWhole(file, contents, mode)) {
            if (errno == ENOENT) {
                std::fprintf(err_, "cvinstall: skipped %s (not built)\n", file.c_str());
                continue;
            }
            problem("cannot read " + file + ": " + std::strerror(errno));
            ++failedFiles;
            continue;
        }
        std::string name = baseName(file);
        if (name.ends_with(".desktop")) contents = placedDesktopEntry(contents, dir_);
        // The installed file gets the payload file's mode, and replaces an earlier read-only copy.
        platform::ReplaceOptions options;
        options.mode = mode;
        options.keepWriteProtected = false;
        std::string reason = "cannot create " + dir_;
        if (failedDirs != 0 || !platform::replaceFile(dir_ + name, contents, options, &reason)) {
            problem("cannot install " + name + ": " + reason);
            ++failedFiles;
            continue;
        }
        std::fprintf(out_, "installed %s%s\n", dir_.c_str(), name.c_str());
        if (recorded.insert(name).second) {
            manifest.files.push_back(name);
            added.push_back(name);
        }
    }
    if (failedDirs == 0 && !writeManifest(manifest)) ++failedFiles;
    // The hook would record the directory and tell the user that installation is complete; for
    // a directory that is missing files that would be false, and it would replace the
    // directory of an installation that still works.
    if (failedDirs != 0 || failedFiles != 0)
        return problem("the installation into " + dir_ + " is incomplete (" +
                       std::to_string(failedDirs + failedFiles) +
                       " failed); the registry was not changed");

    int exit = hook.installExit(nullptr, dir_.c_str(), failedDirs, failedFiles, 0, 0, 0);
    if (exit != kInstallExitDone) {
        // Take back what this run added. Files that replaced those of an earlier installation
        // stay: removing them would break that installation, which the registry may still name.
        problem("the installer hook refused the installation; removing the files it added");
        removeFiles(added);
        std::set<std::string> removed(added.begin(), added.end());
        Manifest left{manifest.createdDirectory, {}};
        for (const auto& name : manifest.files)
            if (removed.count(name) == 0) left.files.push_back(name);
        if (left.files.empty())
            removeManifest(left);
        else
            writeManifest(left);
        return false;
    }
    return true;
}

bool Installer::namedByRegistry() {
    platform::Registry registry(platform::Registry::defaultPath());
    auto rpath = registry.queryString(platform::RegistryRoot::CurrentUser,
                                      std::string(kParentKey) + "\\" + kApplicationKey, kPathValue);
    if (!rpath || rpath->empty()) return false;
    std::string named = withSlash(fs::path(*rpath).lexically_normal().string());
    if (named == dir_) return true;
    // The same folder reached through another name (a link, a mount).
    std::error_code ec;
    return fs::equivalent(named, dir_, ec);
}

bool Installer::uninstall() {
    Manifest manifest;
    bool present = false;
    if (!readManifest(manifest, present)) return false;
    if (!present) {
        // Removing twice, or a directory never installed into, leaves nothing to do.
        std::fprintf(err_, "cvinstall: nothing installed in %s (no %s)\n", dir_.c_str(),
                     kManifestName);
        return true;
    }
    HookLibrary hook;
    if (!hook.load(dir_ + kHookName))
        return problem("cannot load the installer hook: " + hook.error());
    if (hook.uninstallInit(nullptr, dir_.c_str()) != kUninstallInitContinue)
        return problem("the installer hook cancelled the removal");
    // Asked before the files go: the directory may go with them.
    bool named = namedByRegistry();
    // The hook goes last: while any file is left, a second attempt needs it again.
    std::vector<std::string> first, last;
    for (const auto& name : manifest.files)
        (name == kHookName ? last : first).push_back(name);
    bool removed = removeFiles(first) && removeFiles(last);
    if (!removed)
        return problem("not every file could be removed from " + dir_ +
                       "; the registry was not changed");
    removeManifest(manifest);
    std::fprintf(out_, "removed %zu files from %s\n", manifest.files.size(), dir_.c_str());
    // The hook removes the application's key. That key belongs to the installation rpath names:
    // removing another directory must leave a working installation elsewhere alone.
    if (named)
        hook.uninstallExit(nullptr);
    else
        std::fprintf(err_, "cvinstall: the registry names another installation directory; it was "
                           "left as it is\n");
    return true;
}

} // namespace setuphook
