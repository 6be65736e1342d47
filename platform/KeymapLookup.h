#pragma once
// Where a keysym is on the keyboard in a given layout: the evdev key code of the key and whether
// Shift must be held for it, from the layout's keymap compiled with libxkbcommon. A virtual
// keyboard sends key positions, which the desktop reads through the user's layout, so this is how
// a position is chosen that gives the character wanted.

#include <cstdint>
#include <memory>
#include <optional>
#include <string>

struct xkb_context;
struct xkb_keymap;

namespace platform {

class KeymapLookup {
public:
    struct Layout {
        std::string layout;  // "us", "de", or a list "us,de" (the first is used)
        std::string variant; // "", "nodeadkeys", ...
        bool operator==(const Layout&) const = default;
    };
    struct Place {
        uint16_t code = 0; // evdev key code (KEY_A ...)
        bool shift = false;
        bool operator==(const Place&) const = default;
    };

    // The evdev codes a lookup can answer: 1 (KEY_ESC) to this one.
    static constexpr uint16_t kMaxCode = 255;

    // The layout that new keyboards get: XKB_DEFAULT_LAYOUT with XKB_DEFAULT_VARIANT when the
    // first is set, else XKBLAYOUT with XKBVARIANT from the text of /etc/default/keyboard, else
    // "us". Layout and variant always come from the same place.
    static Layout chooseLayout(const char* environmentLayout, const char* environmentVariant,
                               const std::string& keyboardFileText);
    // chooseLayout from this process's environment and /etc/default/keyboard.
    static Layout systemLayout();

    // Compiles the layout's keymap (with the evdev rules); null with reason set when the layout
    // or variant is not known.
    static std::unique_ptr<KeymapLookup> compile(const Layout& layout, std::string* reason);
    ~KeymapLookup();
    KeymapLookup(const KeymapLookup&) = delete;
    KeymapLookup& operator=(const KeymapLookup&) = delete;

    // The key that types the keysym in the layout's first group, without any modifier or with
    // Shift alone; a key without modifier anywhere is preferred. Nothing when only other
    // modifiers (AltGr) give it or the layout lacks it.
    std::optional<Place> find(uint32_t keysym) const;

    // The keysym's name for messages ("quotedbl"; "0x..." for one without a name).
    static std::string keysymName(uint32_t keysym);

private:
    KeymapLookup(xkb_context* context, xkb_keymap* keymap);
    xkb_context* context_;
    xkb_keymap* keymap_;
};

} // namespace platform
