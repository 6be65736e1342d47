#pragma once
// The contents of a registry file in memory, with the reader and writer of its text format, the
// registry editor's export format:
//
//   Windows Registry Editor Version 5.00
//
//   [HKEY_CURRENT_USER\SOFTWARE\Varnholt\Corvane]
//   "rpath"="/home/u/corvane/"
//   "BattSuspendTimeout"=dword:000000b4
//
// Names and strings escape backslash and double quote with a backslash; "@" names the default
// value. Comments (';') and blank lines are skipped, CR LF and LF line ends are both read, a UTF-8
// byte-order mark is skipped. Key names are full names starting with HKEY_CURRENT_USER or
// HKEY_LOCAL_MACHINE. Only string and dword values exist here; any other value type, a deletion
// entry ("[-KEY]", "=-") or a malformed line makes the whole file unreadable, so that nothing of it
// is silently dropped.

#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace platform {

struct RegistryValue {
    enum class Type { String, Dword };
    std::string name;
    Type type = Type::String;
    std::string text;   // String
    uint32_t dword = 0; // Dword
};

class RegistryFile {
public:
    static constexpr std::string_view kHeader = "Windows Registry Editor Version 5.00";

    // The file's contents, or nothing with "line N: reason" in error.
    static std::optional<RegistryFile> parse(std::string_view text, std::string* error = nullptr);
    std::string serialize() const;

    // Keys are full names ("HKEY_CURRENT_USER\SOFTWARE\Varnholt"), matched without regard to case.
    // The two roots always exist. createKey creates the missing parents too; it fails only for a
    // malformed name.
    bool createKey(std::string_view fullKey);
    bool hasKey(std::string_view fullKey) const;
    // Removes the key with its values and all keys below it. False when missing or a root.
    bool deleteKey(std::string_view fullKey);
    std::vector<std::string> subkeys(std::string_view fullKey) const;

    const RegistryValue* findValue(std::string_view fullKey, std::string_view name) const;
    // Creates the key when needed. False for a malformed key name, or a name or string holding
    // NUL, CR or LF (they could not be written back).
    bool setValue(std::string_view fullKey, RegistryValue value);
    bool deleteValue(std::string_view fullKey, std::string_view name);

    bool empty() const { return keys_.empty(); }

private:
    struct Key {
        std::string name; // full name as created
        std::vector<RegistryValue> values;
    };

    // The canonical (lower-case, normalised) form of a full key name, or nothing when malformed.
    static std::optional<std::string> canonical(std::string_view fullKey, std::string* display);
    Key* ensureKey(const std::string& canon, const std::string& display);

    std::map<std::string, Key> keys_; // by canonical name
};

} // namespace platform
