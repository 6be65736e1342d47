#pragma once
// The registry: keys under HKEY_CURRENT_USER and HKEY_LOCAL_MACHINE holding string and 32-bit
// values, kept in one text file in the registry editor's export format.
//
// Every call reads the file afresh, so values written by another process (the installer, cvtool,
// a second program) are seen at once. Every change is made under an advisory lock on a lock file
// beside the registry file: the file is read again under the lock, changed and written back with
// platform::replaceFile (temporary file, flush, rename). Two processes that change the registry
// at the same time therefore never lose each other's values, and a crash never leaves a
// half-written file. A symbolic link at the registry's path is followed: the link stays, the file
// it names is replaced, and the lock file sits beside that file.
//
// Key paths are relative to a root and use backslashes ("SOFTWARE\Varnholt\Corvane"); key and
// value names compare without regard to case and keep the case they were created with. The empty
// value name is the key's default value ("@" in the file).
//
// Temporary files that the earlier writer ("<file>." and six random characters) left beside the
// file when it was killed are removed under the lock; see removeLegacyTemporaries.
//
// A file that cannot be read as a registry file, or is larger than 16 MiB, is reported once through
// the prompter and treated as empty. It is never overwritten: the first change renames it to
// "<file>.damaged-<time>" and writes a new file beside it.

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <sys/types.h>
#include <vector>

namespace platform {

class Clock;
class Prompter;
class RegistryFile;

enum class RegistryRoot { CurrentUser, LocalMachine };

// A registry file larger than this is damaged: it is never read into memory.
inline constexpr size_t kMaxRegistryFileBytes = size_t(16) << 20;

// "HKEY_CURRENT_USER" or "HKEY_LOCAL_MACHINE".
std::string_view registryRootName(RegistryRoot root);

struct RegistryKeyName {
    RegistryRoot root = RegistryRoot::CurrentUser;
    std::string path; // below the root, without leading or trailing backslash; empty for the root
};

// Splits a full key name as used on the command line: "HKEY_CURRENT_USER\SOFTWARE\Varnholt"
// (the roots also as HKCU and HKLM, in any case). Nothing for an unknown root or an empty part.
std::optional<RegistryKeyName> parseRegistryKeyName(std::string_view fullName);

class Registry {
public:
    // prompter receives the one report of a damaged file (stderr when null); clock names the
    // kept damaged file (the system clock when null). Both must outlive the registry.
    explicit Registry(std::string path, Prompter* prompter = nullptr, Clock* clock = nullptr);
    ~Registry();
    Registry(const Registry&) = delete;
    Registry& operator=(const Registry&) = delete;

    // $CORVANE_REGISTRY, else $XDG_CONFIG_HOME/corvane/registry.reg, else
    // ~/.config/corvane/registry.reg.
    static std::string defaultPath();
    const std::string& path() const { return path_; }

    // Creates the key and any missing parents; true when it exists afterwards.
    bool createKey(RegistryRoot root, std::string_view key);
    bool keyExists(RegistryRoot root, std::string_view key);

    // Nothing when the key or value is missing or the value has the other type.
    std::optional<std::string> queryString(RegistryRoot root, std::string_view key,
                                           std::string_view name);
    std::optional<uint32_t> queryDword(RegistryRoot root, std::string_view key,
                                       std::string_view name);

    // Create the key when it is missing and replace a value of the same name, whatever its type.
    // Strings may not contain NUL, CR or LF.
    bool setString(RegistryRoot root, std::string_view key, std::string_view name,
                   std::string_view value);
    bool setDword(RegistryRoot root, std::string_view key, std::string_view name, uint32_t value);

    // False when the value (or key) does not exist.
    bool deleteValue(RegistryRoot root, std::string_view key, std::string_view name);
    // Deletes the key with all its values and subkeys. False when it does not exist; a root
    // cannot be deleted.
    bool deleteKey(RegistryRoot root, std::string_view key);

    // Names of the direct subkeys, in the case they were created with, sorted without regard to
    // case. Empty when the key does not exist.
    std::vector<std::string> subkeys(RegistryRoot root, std::string_view key);

    // Why the last failing call failed, in a few words (for command-line tools).
    const std::string& lastError() const { return lastError_; }

private:
    // The file's contents (empty when missing or damaged), or nothing when it cannot be read. A
    // damaged file not reported yet leaves its report pending.
    std::optional<RegistryFile> load();
    // load() for the reading calls, reporting a damaged file at once.
    std::optional<RegistryFile> read();
    // Shows the pending report of a damaged file, if any. Never called under the lock.
    void reportDamage();
    // Runs change on the contents under the lock and writes the result when it returns true.
    template <typename Change> bool modify(Change&& change);
    // Writes contents to target (path_ with its links followed) through replaceFile, first moving
    // a damaged file aside.
    bool write(const std::string& target, const RegistryFile& contents, bool keepDamaged);
    std::string damagedName(const std::string& target);
    bool fail(std::string reason);

    std::string path_;
    Prompter* prompter_;
    Clock* clock_;
    std::string lastError_;
    // Identity of the damaged file last reported, so that it is reported only once.
    struct FileIdentity {
        dev_t device = 0;
        ino_t inode = 0;
        int64_t modifiedNs = 0;
        int64_t size = -1;
        bool operator==(const FileIdentity&) const = default;
    };
    std::optional<FileIdentity> reportedDamage_;
    std::string pendingReport_;
    bool lastLoadDamaged_ = false;
};

} // namespace platform
