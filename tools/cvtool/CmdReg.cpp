// cvtool reg: the registry file from the command line.
//
//   cvtool reg get KEY NAME                  prints the value (a dword in decimal); 1 when absent
//   cvtool reg set [--dword] KEY NAME VALUE  a string, or with --dword a 32-bit value (0x... hex
//                                            or decimal)
//   cvtool reg delete KEY                    the key with its values and subkeys; 1 when absent
//
// KEY is a full key name such as HKEY_CURRENT_USER\SOFTWARE\Varnholt\Corvane (HKCU and HKLM may
// stand for the roots). The file is the registry's default: $CORVANE_REGISTRY, else
// $XDG_CONFIG_HOME/corvane/registry.reg, else ~/.config/corvane/registry.reg.

#include <cerrno>
#include <cinttypes>
#include <cstdlib>
#include <cstring>
#include <optional>
#include <string>
#include <vector>

#include "CliSupport.h"
#include "Commands.h"
#include "platform/Prompter.h"
#include "platform/Registry.h"

namespace cvtool {

namespace {

constexpr int kExitFailed = 1;

// "0x" followed by hex digits, or decimal digits; nothing outside 0..0xFFFFFFFF.
std::optional<uint32_t> parseDword(const char* text) {
    bool hex = text[0] == '0' && (text[1] == 'x' || text[1] == 'X');
    const char* digits = hex ? text + 2 : text;
    if (digits[0] == '\0' || std::strchr("+- \t", digits[0]) != nullptr) return std::nullopt;
    errno = 0;
    char* end = nullptr;
    unsigned long long value = std::strtoull(digits, &end, hex ? 16 : 10);
    if (errno != 0 || *end != '\0' || value > UINT32_MAX) return std::nullopt;
    return static_cast<uint32_t>(value);
}

int regGet(platform::Registry& registry, const platform::RegistryKeyName& key, const char* name) {
    if (auto text = registry.queryString(key.root, key.path, name)) {
        std::printf("%s\n", text->c_str());
        return 0;
    }
    if (auto value = registry.queryDword(key.root, key.path, name)) {
        std::printf("%" PRIu32 "\n", *value);
        return 0;
    }
    std::fprintf(stderr, "cvtool: no value '%s' in %s\\%s\n", name,
                 std::string(platform::registryRootName(key.root)).c_str(), key.path.c_str());
    return kExitFailed;
}

int regSet(platform::Registry& registry, const platform::RegistryKeyName& key, const char* name,
           const char* value, bool dword) {
    bool stored = false;
    if (dword) {
        auto number = parseDword(value);
        if (!number) return usageError("not a 32-bit value: '%s' (decimal, or hex with 0x)", value);
        stored = registry.setDword(key.root, key.path, name, *number);
    } else {
        stored = registry.setString(key.root, key.path, name, value);
    }
    if (stored) return 0;
    std::fprintf(stderr, "cvtool: cannot set '%s': %s\n", name, registry.lastError().c_str());
    return kExitFailed;
}

int regDelete(platform::Registry& registry, const platform::RegistryKeyName& key) {
    if (key.path.empty()) return usageError("a root key cannot be deleted");
    if (registry.deleteKey(key.root, key.path)) return 0;
    std::fprintf(stderr, "cvtool: cannot delete %s\\%s: %s\n",
                 std::string(platform::registryRootName(key.root)).c_str(), key.path.c_str(),
                 registry.lastError().c_str());
    return kExitFailed;
}

} // namespace

int cmdReg(int argc, char** argv) {
    bool dword = false;
    std::vector<char*> args;
    for (int i = 0; i < argc; ++i) {
        if (std::strcmp(argv[i], "--dword") == 0)
            dword = true;
        else
            args.push_back(argv[i]);
    }
    if (args.empty()) return usageError("reg needs get, set or delete (see cvtool --help)");
    std::string verb = args[0];
    size_t wanted = verb == "get" ? 3 : verb == "set" ? 4 : verb == "delete" ? 2 : 0;
    if (wanted == 0) return usageError("unknown reg command '%s'", args[0]);
    if (args.size() != wanted) return usageError("wrong number of arguments for reg %s", args[0]);
    if (dword && verb != "set") return usageError("--dword only goes with reg set");
    auto key = platform::parseRegistryKeyName(args[1]);
    if (!key) return usageError("not a key name: '%s' (e.g. HKEY_CURRENT_USER\\SOFTWARE)", args[1]);

    platform::StderrPrompter prompter;
    platform::Registry registry(platform::Registry::defaultPath(), &prompter);
    if (verb == "get") return regGet(registry, *key, args[2]);
    if (verb == "set") return regSet(registry, *key, args[2], args[3], dword);
    return regDelete(registry, *key);
}

} // namespace cvtool
