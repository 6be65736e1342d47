#pragma once
// Typing into whatever program has the focus, as if from the keyboard: key-down and key-up events
// of the platform's virtual-key codes (platform/VirtualKeys.h maps them to keysyms). Backends:
// X11 (XTest), the desktop portal on Wayland, and a recording one for tests.
//
// Shift (virtual key 16) pressed through this interface is the logical Shift of the device: a
// backend types, for a key pressed while it is down, the character the key gives with Shift on a
// US keyboard ('"' for the quote key, 'N' for the N key), in whatever layout the user has.

#include <cstdint>

namespace platform {

class KeyInjector {
public:
    virtual ~KeyInjector() = default;
    virtual void keyDown(uint8_t virtualKey) = 0;
    virtual void keyUp(uint8_t virtualKey) = 0;
    // Returns once the events sent so far have been delivered (and any keyboard mapping borrowed
    // for them restored).
    virtual void flush() {}
    // Waits until the user has released every modifier key (those of a hot key that started the
    // typing), at most timeoutMs; false when some are still down.
    virtual bool waitForModifiersReleased(uint32_t timeoutMs) {
        (void)timeoutMs;
        return true;
    }
};

} // namespace platform
