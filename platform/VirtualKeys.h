#pragma once
// The virtual-key codes this program sends or grabs, with the X keysyms of the character each
// key gives on a US keyboard without and with Shift, and the name shown to the user. cv.ini keeps
// the device's key numbers; the typing and hot-key backends translate them here.

#include <cstdint>

namespace platform {

inline constexpr uint8_t VK_TAB = 9;
inline constexpr uint8_t VK_RETURN = 13;
inline constexpr uint8_t VK_SHIFT = 16;
inline constexpr uint8_t VK_SPACE = 32;
inline constexpr uint8_t VK_LEFT = 37;
inline constexpr uint8_t VK_UP = 38;
inline constexpr uint8_t VK_RIGHT = 39;
inline constexpr uint8_t VK_DOWN = 40;
inline constexpr uint8_t VK_SUBTRACT = 109; // keypad minus
inline constexpr uint8_t VK_PERIOD = 190;
inline constexpr uint8_t VK_QUOTE = 222;

struct VirtualKey {
    uint8_t code = 0;
    const char* name = "";       // for the user: "Tab", "Enter", "A", "F1"
    uint32_t keysym = 0;         // X keysym of the key alone
    const char* keysymName = ""; // its name in X's keysym list
    uint32_t shiftedKeysym = 0;  // X keysym of the key with Shift
    const char* shiftedName = "";
};

// The key of that code, or nullptr for a code this program does not know.
const VirtualKey* findVirtualKey(uint8_t code);

} // namespace platform
