#include "platform/VirtualKeys.h"

#include <array>

namespace platform {

namespace {

// Keysym values as X numbers them: Latin-1 characters are their own code; the function and
// cursor keys live at 0xff00 and above.
constexpr uint32_t XK_Tab = 0xff09;
constexpr uint32_t XK_ISO_Left_Tab = 0xfe20;
constexpr uint32_t XK_Return = 0xff0d;
constexpr uint32_t XK_Left = 0xff51;
constexpr uint32_t XK_Up = 0xff52;
constexpr uint32_t XK_Right = 0xff53;
constexpr uint32_t XK_Down = 0xff54;
constexpr uint32_t XK_Shift_L = 0xffe1;
constexpr uint32_t XK_KP_Subtract = 0xffad;
constexpr uint32_t XK_F1 = 0xffbe;

constexpr const char* kLetterNames[] = {"a", "b", "c", "d", "e", "f", "g", "h", "i",
                                        "j", "k", "l", "m", "n", "o", "p", "q", "r",
                                        "s", "t", "u", "v", "w", "x", "y", "z"};
constexpr const char* kCapitalNames[] = {"A", "B", "C", "D", "E", "F", "G", "H", "I",
                                         "J", "K", "L", "M", "N", "O", "P", "Q", "R",
                                         "S", "T", "U", "V", "W", "X", "Y", "Z"};
constexpr const char* kDigitNames[] = {"0", "1", "2", "3", "4", "5", "6", "7", "8", "9"};
// What Shift gives on the digit row of a US keyboard, from 0 to 9.
constexpr uint32_t kDigitShifted[] = {')', '!', '@', '#', '$', '%', '^', '&', '*', '('};
constexpr const char* kDigitShiftedNames[] = {"parenright", "exclam",   "at",          "numbersign",
                                              "dollar",     "percent",  "asciicircum", "ampersand",
                                              "asterisk",   "parenleft"};
constexpr const char* kFunctionNames[] = {"F1", "F2", "F3", "F4",  "F5",  "F6",
                                          "F7", "F8", "F9", "F10", "F11", "F12"};

using Table = std::array<VirtualKey, 256>;

Table buildTable() {
    Table t{};
    auto put = [&t](uint8_t code, const char* name, uint32_t keysym, const char* keysymName,
                    uint32_t shifted, const char* shiftedName) {
        t[code] = VirtualKey{code, name, keysym, keysymName, shifted, shiftedName};
    };
    put(VK_TAB, "Tab", XK_Tab, "Tab", XK_ISO_Left_Tab, "ISO_Left_Tab");
    put(VK_RETURN, "Enter", XK_Return, "Return", XK_Return, "Return");
    put(VK_SHIFT, "Shift", XK_Shift_L, "Shift_L", XK_Shift_L, "Shift_L");
    put(VK_SPACE, "Space", ' ', "space", ' ', "space");
    put(VK_LEFT, "Left Arrow", XK_Left, "Left", XK_Left, "Left");
    put(VK_UP, "Up Arrow", XK_Up, "Up", XK_Up, "Up");
    put(VK_RIGHT, "Right Arrow", XK_Right, "Right", XK_Right, "Right");
    put(VK_DOWN, "Down Arrow", XK_Down, "Down", XK_Down, "Down");
    for (uint8_t i = 0; i < 10; ++i)
        put(static_cast<uint8_t>('0' + i), kDigitNames[i], '0' + i, kDigitNames[i],
            kDigitShifted[i], kDigitShiftedNames[i]);
    for (uint8_t i = 0; i < 26; ++i)
        put(static_cast<uint8_t>('A' + i), kCapitalNames[i], 'a' + i, kLetterNames[i], 'A' + i,
            kCapitalNames[i]);
    put(VK_SUBTRACT, "Keypad Minus", XK_KP_Subtract, "KP_Subtract", XK_KP_Subtract, "KP_Subtract");
    put(VK_PERIOD, "Period", '.', "period", '>', "greater");
    put(VK_QUOTE, "Quote", '\'', "apostrophe", '"', "quotedbl");
    // The function keys, and the device's programmable keys, which its hot keys default to.
    for (uint8_t i = 0; i < 12; ++i)
        put(static_cast<uint8_t>(112 + i), kFunctionNames[i], XK_F1 + i, kFunctionNames[i],
            XK_F1 + i, kFunctionNames[i]);
    for (uint8_t i = 0; i < 5; ++i)
        put(static_cast<uint8_t>(193 + i), kFunctionNames[i], XK_F1 + i, kFunctionNames[i],
            XK_F1 + i, kFunctionNames[i]);
    return t;
}

} // namespace

const VirtualKey* findVirtualKey(uint8_t code) {
    static const Table table = buildTable();
    return table[code].keysym != 0 ? &table[code] : nullptr;
}

} // namespace platform
