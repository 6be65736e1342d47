#include "platform/KeymapLookup.h"

#include <xkbcommon/xkbcommon.h>

#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string_view>

namespace platform {

namespace {

std::string_view trim(std::string_view s) {
    const auto first = s.find_first_not_of(" \t\r");
    if (first == std::string_view::npos) return {};
    const auto last = s.find_last_not_of(" \t\r");
    return s.substr(first, last - first + 1);
}

// The value of NAME=VALUE in a shell-style file such as /etc/default/keyboard (quotes removed);
// empty when absent.
std::string shellValue(const std::string& text, std::string_view name) {
    std::istringstream lines(text);
    std::string line;
    std::string value;
    while (std::getline(lines, line)) {
        std::string_view l = trim(line);
        if (l.starts_with("export ")) l = trim(l.substr(7));
        const auto equals = l.find('=');
        if (l.empty() || l.front() == '#' || equals == std::string_view::npos) continue;
        if (trim(l.substr(0, equals)) != name) continue;
        std::string_view v = trim(l.substr(equals + 1));
        if (v.size() >= 2 && (v.front() == '"' || v.front() == '\'') && v.back() == v.front())
            v = v.substr(1, v.size() - 2);
        value = std::string(v); // the last assignment wins, as in the shell
    }
    return value;
}

bool isSet(const char* value) {
    return value != nullptr && *value != '\0';
}

} // namespace

KeymapLookup::Layout KeymapLookup::chooseLayout(const char* environmentLayout,
                                                const char* environmentVariant,
                                                const std::string& keyboardFileText) {
    if (isSet(environmentLayout))
        return {environmentLayout, isSet(environmentVariant) ? environmentVariant : ""};
    Layout fromFile{shellValue(keyboardFileText, "XKBLAYOUT"),
                    shellValue(keyboardFileText, "XKBVARIANT")};
    if (!fromFile.layout.empty()) return fromFile;
    return {"us", ""};
}

KeymapLookup::Layout KeymapLookup::systemLayout() {
    std::ifstream file("/etc/default/keyboard");
    std::ostringstream text;
    text << file.rdbuf();
    return chooseLayout(std::getenv("XKB_DEFAULT_LAYOUT"), std::getenv("XKB_DEFAULT_VARIANT"),
                        text.str());
}

std::unique_ptr<KeymapLookup> KeymapLookup::compile(const Layout& layout, std::string* reason) {
    // The names are given in full, so the environment's XKB_DEFAULT_* must not fill in others.
    xkb_context* context = xkb_context_new(XKB_CONTEXT_NO_ENVIRONMENT_NAMES);
    if (!context) {
        if (reason) *reason = "The keyboard layouts (libxkbcommon) cannot be used.";
        return nullptr;
    }
    // Compiler messages would go to stderr; the reason below says what went wrong.
    xkb_context_set_log_level(context, XKB_LOG_LEVEL_CRITICAL);
    xkb_rule_names names{};
    names.rules = "evdev";
    names.layout = layout.layout.c_str();
    names.variant = layout.variant.c_str();
    xkb_keymap* keymap = xkb_keymap_new_from_names(context, &names, XKB_KEYMAP_COMPILE_NO_FLAGS);
    if (!keymap) {
        xkb_context_unref(context);
        if (reason)
            *reason = "The keyboard layout \"" + layout.layout +
                      (layout.variant.empty() ? "" : "\" with variant \"" + layout.variant) +
                      "\" is not known (is xkb-data installed?); set XKB_DEFAULT_LAYOUT and "
                      "XKB_DEFAULT_VARIANT to the layout in use.";
        return nullptr;
    }
    return std::unique_ptr<KeymapLookup>(new KeymapLookup(context, keymap));
}

KeymapLookup::KeymapLookup(xkb_context* context, xkb_keymap* keymap)
    : context_(context), keymap_(keymap) {}

KeymapLookup::~KeymapLookup() {
    xkb_keymap_unref(keymap_);
    xkb_context_unref(context_);
}

// xkb key codes are the evdev codes plus 8. The levels are judged by the modifiers that reach
// them (only Shift, or none), not by their number: in some key types the second level is NumLock's
// or CapsLock's.
std::optional<KeymapLookup::Place> KeymapLookup::find(uint32_t keysym) const {
    const xkb_mod_index_t shiftIndex = xkb_keymap_mod_get_index(keymap_, XKB_MOD_NAME_SHIFT);
    if (shiftIndex == XKB_MOD_INVALID) return std::nullopt;
    const xkb_mod_mask_t shiftMask = xkb_mod_mask_t{1} << shiftIndex;
    const xkb_keycode_t first = 1 + 8;
    const xkb_keycode_t last = kMaxCode + 8;
    for (const bool shift : {false, true}) {
        const xkb_mod_mask_t wanted = shift ? shiftMask : 0;
        for (xkb_keycode_t kc = first; kc <= last; ++kc) {
            const xkb_level_index_t levels = xkb_keymap_num_levels_for_key(keymap_, kc, 0);
            for (xkb_level_index_t level = 0; level < levels; ++level) {
                const xkb_keysym_t* syms = nullptr;
                if (xkb_keymap_key_get_syms_by_level(keymap_, kc, 0, level, &syms) != 1 ||
                    syms[0] != keysym)
                    continue;
                xkb_mod_mask_t masks[16];
                const size_t count =
                    xkb_keymap_key_get_mods_for_level(keymap_, kc, 0, level, masks, 16);
                for (size_t i = 0; i < count; ++i)
                    if (masks[i] == wanted) return Place{static_cast<uint16_t>(kc - 8), shift};
            }
        }
    }
    return std::nullopt;
}

std::string KeymapLookup::keysymName(uint32_t keysym) {
    char name[64] = {};
    xkb_keysym_get_name(keysym, name, sizeof name); // "0x..." for keysyms without a name
    return name;
}

} // namespace platform
