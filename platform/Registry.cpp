#include "platform/Registry.h"

#include <cctype>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <pwd.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>
#include <utility>

#include "platform/Clock.h"
#include "platform/FileDescriptor.h"
#include "platform/FileReplace.h"
#include "platform/Prompter.h"
#include "platform/RegistryFile.h"

namespace platform {

namespace {

bool equalNoCase(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (size_t i = 0; i < a.size(); ++i) {
        unsigned char x = static_cast<unsigned char>(a[i]), y = static_cast<unsigned char>(b[i]);
        if (std::tolower(x) != std::tolower(y)) return false;
    }
    return true;
}

std::string_view trimSeparators(std::string_view key) {
    while (!key.empty() && key.front() == '\\')
        key.remove_prefix(1);
    while (!key.empty() && key.back() == '\\')
        key.remove_suffix(1);
    return key;
}

std::string fullName(RegistryRoot root, std::string_view key) {
    std::string name(registryRootName(root));
    key = trimSeparators(key);
    if (!key.empty()) {
        name.push_back('\\');
        name.append(key);
    }
    return name;
}

std::string errnoText(const char* what, const std::string& path) {
    return std::string(what) + " " + path + ": " + std::strerror(errno);
}

// Creates every missing directory of path's folder.
void makeParentDirectories(const std::string& path) {
    for (size_t slash = path.find('/', 1); slash != std::string::npos;
         slash = path.find('/', slash + 1))
        ::mkdir(path.substr(0, slash).c_str(), 0700);
}

// The six random characters put after "registry.reg." in the temporary files of the earlier
// writer: letters and digits, with at least one upper-case letter or digit and at least one
// lower-case letter, so that a word such as "backup" or "BACKUP" never matches.
bool isLegacyTempSuffix(std::string_view suffix) {
    if (suffix.size() != 6) return false;
    bool lower = false, upperOrDigit = false;
    for (char c : suffix) {
        if (c >= 'a' && c <= 'z')
            lower = true;
        else if ((c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9'))
            upperOrDigit = true;
        else
            return false;
    }
    return lower && upperOrDigit;
}

// Whether the open file is empty or starts with as much of the registry header as it holds.
bool startsLikeARegistry(int fd) {
    const std::string_view header = RegistryFile::kHeader;
    char buffer[64];
    size_t have = 0;
    while (have < header.size()) {
        ssize_t n = ::pread(fd, buffer + have, header.size() - have, off_t(have));
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) return false;
        if (n == 0) break;
        have += size_t(n);
    }
    return header.starts_with(std::string_view(buffer, have));
}

// Removes the temporary files that the earlier registry writer ("<file>." and six
// random characters, no marker) left beside target when it was killed. Called under the registry's
// lock, so no registry writer is at work; since such a name could still be a user's own copy,
// only regular files of the user, not locked, holding nothing or the start of a registry file go.
void removeLegacyTemporaries(const std::string& target) {
    size_t slash = target.rfind('/');
    std::string folder = slash == std::string::npos ? "."
                         : slash == 0               ? "/"
                                                    : target.substr(0, slash);
    std::string prefix = (slash == std::string::npos ? target : target.substr(slash + 1)) + ".";
    removeUnlockedLeftovers(folder, prefix, isLegacyTempSuffix, startsLikeARegistry);
}

} // namespace

std::string_view registryRootName(RegistryRoot root) {
    return root == RegistryRoot::LocalMachine ? "HKEY_LOCAL_MACHINE" : "HKEY_CURRENT_USER";
}

std::optional<RegistryKeyName> parseRegistryKeyName(std::string_view fullName) {
    size_t sep = fullName.find('\\');
    std::string_view root = fullName.substr(0, sep);
    RegistryKeyName name;
    if (equalNoCase(root, "HKEY_CURRENT_USER") || equalNoCase(root, "HKCU"))
        name.root = RegistryRoot::CurrentUser;
    else if (equalNoCase(root, "HKEY_LOCAL_MACHINE") || equalNoCase(root, "HKLM"))
        name.root = RegistryRoot::LocalMachine;
    else
        return std::nullopt;
    if (sep != std::string_view::npos) {
        std::string_view path = fullName.substr(sep + 1);
        while (!path.empty() && path.back() == '\\')
            path.remove_suffix(1);
        if (path.starts_with('\\') || path.find("\\\\") != path.npos) return std::nullopt;
        name.path = path;
    }
    return name;
}

Registry::Registry(std::string path, Prompter* prompter, Clock* clock)
    : path_(std::move(path)), prompter_(prompter), clock_(clock) {}

Registry::~Registry() = default;

std::string Registry::defaultPath() {
    const char* explicitPath = std::getenv("CORVANE_REGISTRY");
    if (explicitPath != nullptr && explicitPath[0] != '\0') return explicitPath;
    const char* config = std::getenv("XDG_CONFIG_HOME");
    // Relative values are invalid and ignored, as the base-directory rules say.
    if (config != nullptr && config[0] == '/') return std::string(config) + "/corvane/registry.reg";
    const char* home = std::getenv("HOME");
    if (home == nullptr || home[0] == '\0') {
        const passwd* entry = ::getpwuid(::getuid());
        home = entry != nullptr ? entry->pw_dir : "";
    }
    return std::string(home) + "/.config/corvane/registry.reg";
}

bool Registry::fail(std::string reason) {
    lastError_ = std::move(reason);
    return false;
}

std::optional<RegistryFile> Registry::load() {
    lastLoadDamaged_ = false;
    // Without waiting: a FIFO in the file's place must not hang the program (it is refused below).
    FileDescriptor fd(::open(path_.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC));
    if (fd.get() < 0) {
        if (errno == ENOENT) return RegistryFile{};
        fail(errnoText("cannot read", path_));
        return std::nullopt;
    }
    struct stat info {};
    if (::fstat(fd.get(), &info) != 0) {
        fail(errnoText("cannot read", path_));
        return std::nullopt;
    }
    if (!S_ISREG(info.st_mode)) {
        fail("cannot read " + path_ + ": not a regular file");
        return std::nullopt;
    }
    // Never more than the limit (and one byte to tell) in memory, whatever the file claims.
    std::string text;
    std::string reason;
    if (info.st_size <= static_cast<off_t>(kMaxRegistryFileBytes)) {
        char buffer[8192];
        ssize_t n = 0;
        while (text.size() <= kMaxRegistryFileBytes &&
               (n = ::read(fd.get(), buffer, sizeof buffer)) != 0) {
            if (n < 0 && errno == EINTR) continue;
            if (n < 0) {
                fail(errnoText("cannot read", path_));
                return std::nullopt;
            }
            text.append(buffer, static_cast<size_t>(n));
        }
    }
    std::optional<RegistryFile> contents;
    if (info.st_size > static_cast<off_t>(kMaxRegistryFileBytes) ||
        text.size() > kMaxRegistryFileBytes) {
        reason = "larger than " + std::to_string(kMaxRegistryFileBytes >> 20) + " MiB";
    } else {
        if (text.empty()) return RegistryFile{}; // a new, empty file holds no keys yet
        contents = RegistryFile::parse(text, &reason);
        if (contents) return contents;
    }

    lastLoadDamaged_ = true;
    FileIdentity identity{info.st_dev, info.st_ino,
                          int64_t(info.st_mtim.tv_sec) * 1000000000 + info.st_mtim.tv_nsec,
                          int64_t(info.st_size)};
    if (reportedDamage_ != identity) {
        reportedDamage_ = identity;
        pendingReport_ = "The registry file \"" + path_ + "\" is damaged (" + reason +
                         "); its values are ignored. The file is kept beside the new one "
                         "when the registry is next changed.";
    }
    return RegistryFile{};
}

std::optional<RegistryFile> Registry::read() {
    auto contents = load();
    reportDamage();
    return contents;
}

void Registry::reportDamage() {
    if (pendingReport_.empty()) return;
    std::string message = std::exchange(pendingReport_, {});
    if (prompter_ != nullptr) {
        prompter_->message(message);
    } else {
        StderrPrompter stderrPrompter;
        stderrPrompter.message(message);
    }
}

std::string Registry::damagedName(const std::string& target) {
    SystemClock systemClock;
    SystemTime t = (clock_ != nullptr ? *clock_ : static_cast<Clock&>(systemClock)).localTime();
    char stamp[32];
    std::snprintf(stamp, sizeof stamp, "%04u%02u%02u-%02u%02u%02u", unsigned(t.wYear),
                  unsigned(t.wMonth), unsigned(t.wDay), unsigned(t.wHour), unsigned(t.wMinute),
                  unsigned(t.wSecond));
    std::string base = target + ".damaged-" + stamp;
    std::string name = base;
    struct stat info {};
    for (int n = 2; ::lstat(name.c_str(), &info) == 0; ++n)
        name = base + "-" + std::to_string(n);
    return name;
}

bool Registry::write(const std::string& target, const RegistryFile& contents, bool keepDamaged) {
    // The damaged file steps aside first and comes back when the new one cannot be written.
    std::string kept;
    if (keepDamaged) {
        kept = damagedName(target);
        if (::rename(target.c_str(), kept.c_str()) != 0)
            return fail(errnoText("cannot keep the damaged file as", kept));
    }
    ReplaceOptions options;
    options.newFileMode = 0600; // the registry is the user's own
    std::string reason;
    if (replaceFile(target, contents.serialize(), options, &reason)) return true;
    if (keepDamaged) ::rename(kept.c_str(), target.c_str());
    return fail(reason);
}

template <typename Change> bool Registry::modify(Change&& change) {
    bool changed = [&] {
        // A link stays a link and the file it names is written. The lock sits beside that file,
        // so writers reaching it through the link and directly share one lock.
        std::optional<std::string> target = followLinks(path_);
        if (!target) return fail(errnoText("cannot follow the links of", path_));
        makeParentDirectories(*target);
        std::string lockPath = *target + ".lock";
        FileDescriptor lock(::open(lockPath.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600));
        if (lock.get() < 0) return fail(errnoText("cannot open", lockPath));
        int locked = 0;
        while ((locked = ::flock(lock.get(), LOCK_EX)) != 0 && errno == EINTR) {
        }
        if (locked != 0) return fail(errnoText("cannot lock", lockPath));
        removeLegacyTemporaries(*target);
        // Read again under the lock: another process may have changed the file since.
        auto contents = load();
        if (!contents) return false;
        if (!change(*contents)) return false;
        return write(*target, *contents, lastLoadDamaged_);
    }();
    // Only now that the lock is released: the prompter may wait for the user, and the installer
    // or another program must not wait for the user with it.
    reportDamage();
    return changed;
}

bool Registry::createKey(RegistryRoot root, std::string_view key) {
    std::string name = fullName(root, key);
    // Opening an existing key changes nothing, so it needs neither the lock nor a write.
    auto contents = read();
    if (contents && contents->hasKey(name)) return true;
    return modify(
        [&](RegistryFile& file) { return file.createKey(name) || fail("malformed key name"); });
}

bool Registry::keyExists(RegistryRoot root, std::string_view key) {
    auto contents = read();
    return contents && contents->hasKey(fullName(root, key));
}

std::optional<std::string> Registry::queryString(RegistryRoot root, std::string_view key,
                                                 std::string_view name) {
    auto contents = read();
    if (!contents) return std::nullopt;
    const RegistryValue* value = contents->findValue(fullName(root, key), name);
    if (value == nullptr || value->type != RegistryValue::Type::String) return std::nullopt;
    return value->text;
}

std::optional<uint32_t> Registry::queryDword(RegistryRoot root, std::string_view key,
                                             std::string_view name) {
    auto contents = read();
    if (!contents) return std::nullopt;
    const RegistryValue* value = contents->findValue(fullName(root, key), name);
    if (value == nullptr || value->type != RegistryValue::Type::Dword) return std::nullopt;
    return value->dword;
}

bool Registry::setString(RegistryRoot root, std::string_view key, std::string_view name,
                         std::string_view value) {
    std::string keyName = fullName(root, key);
    RegistryValue entry{std::string(name), RegistryValue::Type::String, std::string(value), 0};
    return modify([&](RegistryFile& file) {
        return file.setValue(keyName, entry) || fail("malformed key name, value name or string");
    });
}

bool Registry::setDword(RegistryRoot root, std::string_view key, std::string_view name,
                        uint32_t value) {
    std::string keyName = fullName(root, key);
    RegistryValue entry{std::string(name), RegistryValue::Type::Dword, {}, value};
    return modify([&](RegistryFile& file) {
        return file.setValue(keyName, entry) || fail("malformed key name or value name");
    });
}

bool Registry::deleteValue(RegistryRoot root, std::string_view key, std::string_view name) {
    std::string keyName = fullName(root, key);
    return modify([&](RegistryFile& file) {
        return file.deleteValue(keyName, name) || fail("no such value");
    });
}

bool Registry::deleteKey(RegistryRoot root, std::string_view key) {
    std::string keyName = fullName(root, key);
    return modify(
        [&](RegistryFile& file) { return file.deleteKey(keyName) || fail("no such key"); });
}

std::vector<std::string> Registry::subkeys(RegistryRoot root, std::string_view key) {
    auto contents = read();
    if (!contents) return {};
    return contents->subkeys(fullName(root, key));
}

} // namespace platform
