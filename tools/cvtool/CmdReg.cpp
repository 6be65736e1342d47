// cvtool reg: the registry file from the command line.

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

constexpr const char* kHelp =
    "usage: cvtool reg get KEY NAME\n"
    "       cvtool reg set [--dword] KEY NAME VALUE\n"
    "       cvtool reg delete KEY\n"
    "\n"
    "The registry file: $CORVANE_REGISTRY, else $XDG_CONFIG_HOME/corvane/registry.reg, else\n"
    "~/.config/corvane/registry.reg. KEY is a full key name such as\n"
    "HKEY_CURRENT_USER\\SOFTWARE\\Varnholt\\Corvane (HKCU and HKLM stand for the roots).\n"
    "\n"
    "  get      prints the value on one line (a 32-bit value in decimal)\n"
    "  set      stores a string value, or with --dword a 32-bit value (decimal, or hex with 0x)\n"
    "  delete   removes the key with its values and subkeys\n"
    "\n"
    "  --dword  with set: VALUE is a 32-bit number\n"
    "Options may also follow the operands; a VALUE starting with '-' goes after '--'.\n"
    "\n"
    "Exit status: 0; 1 when the value or key is absent or the file cannot be written; 2 for\n"
    "bad usage.\n";

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
        return kExitOk;
    }
    if (auto value = registry.queryDword(key.root, key.path, name)) {
        std::printf("%" PRIu32 "\n", *value);
        return kExitOk;
    }
    std::fprintf(stderr, "cvtool: no value '%s' in %s\\%s\n", name,
                 std::string(platform::registryRootName(key.root)).c_str(), key.path.c_str());
    return kExitBadData;
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
    if (stored) return kExitOk;
    std::fprintf(stderr, "cvtool: cannot set '%s': %s\n", name, registry.lastError().c_str());
    return kExitBadData;
}

int regDelete(platform::Registry& registry, const platform::RegistryKeyName& key) {
    if (key.path.empty()) return usageError("a root key cannot be deleted");
    if (registry.deleteKey(key.root, key.path)) return kExitOk;
    std::fprintf(stderr, "cvtool: cannot delete %s\\%s: %s\n",
                 std::string(platform::registryRootName(key.root)).c_str(), key.path.c_str(),
                 registry.lastError().c_str());
    return kExitBadData;
}

} // namespace

int cmdReg(int argc, char** argv) {
    bool dword = false;
    std::vector<const char*> args;
    auto handle = [&](std::string_view, const char*) {
        dword = true;
        return kExitOk;
    };
    if (auto s = parseArguments("reg", kHelp, argc, argv, {{"dword", false}}, handle, args))
        return *s;
    if (args.empty()) return usageError("reg needs get, set or delete (see cvtool reg --help)");
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
