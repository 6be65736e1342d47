#pragma once
// Typing through the XTest extension of an X server. Each key's keysym (its US meaning, shifted
// while the logical Shift is down) is looked up in the keyboard layout in use, so a German or
// French layout gets the same characters as a US one: the key is pressed at the level that gives
// the keysym, with the real Shift around it when that level needs it. A keysym the layout lacks
// is put on a keycode that carries nothing, until flush() gives that keycode back.

#include "platform/KeyInjector.h"

#include <memory>
#include <string>
#include <vector>

// Xlib's types, declared here so that its macros (None, Bool, ...) stay out of the includers.
struct _XDisplay;
struct _XkbDesc;

namespace platform {

class X11KeyInjector : public KeyInjector {
public:
    // Connects to the display named (empty: $DISPLAY); null with reason set when there is none or
    // it lacks XTest.
    static std::unique_ptr<X11KeyInjector> open(const std::string& displayName,
                                                std::string* reason);
    ~X11KeyInjector() override;

    void keyDown(uint8_t virtualKey) override;
    void keyUp(uint8_t virtualKey) override;
    void flush() override;
    bool waitForModifiersReleased(uint32_t timeoutMs) override;

    // The keysym of a virtual key on a US keyboard, with or without Shift (NoSymbol: none), from
    // the table of platform/VirtualKeys.h.
    static unsigned long keysymFor(uint8_t virtualKey, bool shifted);

private:
    explicit X11KeyInjector(_XDisplay* display);
    struct Place {
        uint8_t keycode = 0;
        bool shift = false;
    };
    bool find(unsigned long keysym, Place& place);
    uint8_t borrow(unsigned long keysym);
    void restoreBorrowed();
    bool capsLocked();
    void tap(const Place& place);

    _XDisplay* display_;
    bool logicalShift_ = false;
    uint8_t shiftKeycode_ = 0;
    struct Borrowed {
        uint8_t keycode;
        unsigned long keysym;
    };
    std::vector<Borrowed> borrowed_;
    _XkbDesc* layout_ = nullptr; // the layout of this run of typing
};

} // namespace platform
