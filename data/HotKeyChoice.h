#pragma once
// The keys the mark and keyboard-wedge hot keys can be given, and the rule that keeps the two
// functions on different keys.

#include <cstdint>
#include <span>

namespace engine {
struct Settings;
}

namespace data {

// A device key offered for the hot keys.
struct HotKey {
    int32_t key;             // virtual-key code (MarkKey, KWDGKey)
    int32_t keyUp;           // second (key-up) code used with the device's key library
    const char* plainName;   // name without the key library; nullptr: offered only with it
    const char* libraryName; // name with the key library
};

// Shown for a stored code that is not among the keys offered.
inline constexpr const char* kNoKeyName = "No key!";

// The keys offered, in list order: four without the device's key library, seven with it.
std::span<const HotKey> offeredHotKeys(bool keyLibrary);
// The key's position among the keys offered, or -1 when it is not offered.
int hotKeyPosition(int32_t key, bool keyLibrary);
const char* hotKeyName(const HotKey& key, bool keyLibrary);

// The two functions' keys.
struct HotKeyAssignment {
    int32_t markKey = 0;
    int32_t markKeyF = 0;
    int32_t wedgeKey = 0;
    int32_t wedgeKeyF = 0;
};
enum class HotKeyFunction { Mark, Wedge };

HotKeyAssignment hotKeysOf(const engine::Settings& settings);
void storeHotKeys(const HotKeyAssignment& keys, engine::Settings& settings);

// Gives function the key. When the other function has that key, the two swap their keys with
// their second codes. With the key library an offered key also brings its own second code.
void chooseHotKey(HotKeyAssignment& keys, HotKeyFunction function, int32_t key, bool keyLibrary);

} // namespace data
