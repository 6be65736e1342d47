#include "data/HotKeyChoice.h"

#include <utility>

#include "engine/Settings.h"

namespace data {

namespace {

// The device keys 193 to 196 in both namings first, so that the keys offered without the key
// library are the first four entries.
constexpr HotKey kHotKeys[] = {
    {193, 233, "Windows Key", "Home/F1"},
    {194, 234, "Left Menu Menu Key", "Left Soft Key/F2"},
    {195, 235, "Home Key", "(Right) Menu Key/F3"},
    {196, 236, "Right Menu Key", "Right Soft Key/F4"},
    {197, 237, nullptr, "OK/F5"},
    {45, 45, nullptr, "Insert"},
    {46, 46, nullptr, "Delete"},
};
constexpr std::size_t kPlainKeys = 4;

} // namespace

std::span<const HotKey> offeredHotKeys(bool keyLibrary) {
    return std::span<const HotKey>(kHotKeys).first(keyLibrary ? std::size(kHotKeys) : kPlainKeys);
}

int hotKeyPosition(int32_t key, bool keyLibrary) {
    const std::span<const HotKey> keys = offeredHotKeys(keyLibrary);
    for (std::size_t i = 0; i < keys.size(); ++i)
        if (keys[i].key == key) return static_cast<int>(i);
    return -1;
}

const char* hotKeyName(const HotKey& key, bool keyLibrary) {
    return keyLibrary || key.plainName == nullptr ? key.libraryName : key.plainName;
}

HotKeyAssignment hotKeysOf(const engine::Settings& s) {
    return {s.MarkKey, s.MarkKeyF, s.KWDGKey, s.KWDGKeyF};
}

void storeHotKeys(const HotKeyAssignment& keys, engine::Settings& s) {
    s.MarkKey = keys.markKey;
    s.MarkKeyF = keys.markKeyF;
    s.KWDGKey = keys.wedgeKey;
    s.KWDGKeyF = keys.wedgeKeyF;
}

void chooseHotKey(HotKeyAssignment& keys, HotKeyFunction function, int32_t key, bool keyLibrary) {
    const bool mark = function == HotKeyFunction::Mark;
    int32_t& own = mark ? keys.markKey : keys.wedgeKey;
    int32_t& ownF = mark ? keys.markKeyF : keys.wedgeKeyF;
    int32_t& other = mark ? keys.wedgeKey : keys.markKey;
    int32_t& otherF = mark ? keys.wedgeKeyF : keys.markKeyF;
    if (other == key && own != key) {
        std::swap(own, other);
        std::swap(ownF, otherF);
    }
    own = key;
    const int position = hotKeyPosition(key, keyLibrary);
    if (keyLibrary && position >= 0) ownF = offeredHotKeys(true)[position].keyUp;
}

} // namespace data
