#pragma once
// System-wide hot keys: a key (with modifiers) that reaches this program whichever program has
// the focus. Backends: X11 (XGrabKey on the root window), the GlobalShortcuts portal on Wayland,
// and a recording one for tests.

#include <cstdint>
#include <functional>
#include <string>

namespace platform {

// Modifiers of a hot key, as the platform numbers them.
inline constexpr uint32_t MOD_WIN = 0x0008;   // the Super (Windows) key
inline constexpr uint32_t MOD_KEYUP = 0x1000; // act when the key is released

class HotKeys {
public:
    // Called with the identifier of a pressed hot key, on the backend's own thread: the receiver
    // hands it to its user-interface thread.
    using Handler = std::function<void(int identifier)>;

    virtual ~HotKeys() = default;
    virtual void setHandler(Handler handler) = 0;
    // False when the key cannot be had (another program owns it); reason says why.
    virtual bool registerHotKey(int identifier, uint32_t modifiers, uint8_t virtualKey,
                                std::string* reason = nullptr) = 0;
    virtual void unregisterHotKey(int identifier) = 0;
};

} // namespace platform
