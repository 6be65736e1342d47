#pragma once
// Typing through a virtual keyboard of the kernel's uinput device, for desktops where neither
// XTest nor the portal can type (chosen with CORVANE_INPUT=uinput; see docs/install.md for the
// access to /dev/uinput it needs). The device sends key positions, which the desktop reads
// through the user's layout: each key's keysym (its US meaning, shifted while the logical Shift
// is down) is looked up in that layout's keymap, and the key is pressed with the real left Shift
// around it when its level needs Shift. A keysym the layout has only with AltGr, or not at all,
// is not typed: it is counted and kept as lastError().

#include "platform/KeyInjector.h"
#include "platform/KeymapLookup.h"

#include <memory>
#include <string>

struct libevdev;
struct libevdev_uinput;

namespace platform {

class Clock;

class UinputKeyInjector : public KeyInjector {
public:
    // The time the desktop is given to notice a new keyboard before it is typed on.
    static constexpr uint32_t kSettleMs = 300;

    // Creates the virtual keyboard through devicePath for the layout, then waits kSettleMs on the
    // clock; null with reason set when the device cannot be opened or made, or the layout cannot
    // be compiled.
    static std::unique_ptr<UinputKeyInjector> open(const KeymapLookup::Layout& layout, Clock& clock,
                                                   std::string* reason,
                                                   const std::string& devicePath = "/dev/uinput");
    ~UinputKeyInjector() override;

    void keyDown(uint8_t virtualKey) override;
    void keyUp(uint8_t virtualKey) override;

    // Why the last key could not be typed (empty while every key went through), and how many
    // keys could not.
    std::string lastError() const { return lastError_; }
    unsigned failedKeys() const { return failedKeys_; }
    // The event device the desktop reads the keyboard from ("/dev/input/event7").
    std::string deviceNode() const;

private:
    UinputKeyInjector(std::unique_ptr<KeymapLookup> keymap, std::string layout, int fd,
                      libevdev* device, libevdev_uinput* uinput);
    bool send(uint16_t code, int value);
    void fail(const std::string& why);

    std::unique_ptr<KeymapLookup> keymap_;
    std::string layout_; // its name, for messages
    int fd_;
    libevdev* device_;
    libevdev_uinput* uinput_;
    bool logicalShift_ = false;
    std::string lastError_;
    unsigned failedKeys_ = 0;
};

} // namespace platform
