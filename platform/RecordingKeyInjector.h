#pragma once
// A typing backend that sends nothing and keeps every key event, for tests and for showing what
// would be typed.

#include <string>
#include <vector>

#include "platform/KeyInjector.h"

namespace platform {

class RecordingKeyInjector final : public KeyInjector {
public:
    struct Event {
        bool down = false;
        uint8_t virtualKey = 0;
    };

    void keyDown(uint8_t virtualKey) override { events_.push_back({true, virtualKey}); }
    void keyUp(uint8_t virtualKey) override { events_.push_back({false, virtualKey}); }
    bool waitForModifiersReleased(uint32_t) override {
        ++modifierWaits_;
        return true;
    }

    const std::vector<Event>& events() const { return events_; }
    int modifierWaits() const { return modifierWaits_; }
    void clear() { events_.clear(); }
    // One line per event: "down 16 Shift", "up 9 Tab" (the code alone for a key without a name).
    std::string lines() const;
    // What a US keyboard would type: the character of each pressed key (with Shift while it is
    // down, '-' for the keypad minus), other keys by name in angle brackets ("<Tab>").
    std::string text() const;

private:
    std::vector<Event> events_;
    int modifierWaits_ = 0;
};

} // namespace platform
