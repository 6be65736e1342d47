#pragma once
// Typing through another backend that cannot see the keyboard's modifiers (the desktop portal,
// uinput): before typing, it waits for the hot keys the hot-key backend reports as held to be let
// go, so that a Super still held from the hot key does not turn the typed digits into shortcuts.

#include <memory>
#include <utility>

#include "platform/HeldHotKeys.h"
#include "platform/KeyInjector.h"

namespace platform {

class HotKeyGatedInjector : public KeyInjector {
public:
    HotKeyGatedInjector(std::unique_ptr<KeyInjector> keys, std::shared_ptr<HeldHotKeys> held)
        : keys_(std::move(keys)), held_(std::move(held)) {}

    void keyDown(uint8_t virtualKey) override { keys_->keyDown(virtualKey); }
    void keyUp(uint8_t virtualKey) override { keys_->keyUp(virtualKey); }
    void flush() override { keys_->flush(); }
    bool waitForModifiersReleased(uint32_t timeoutMs) override {
        return held_->waitUntilNoneHeld(timeoutMs) && keys_->waitForModifiersReleased(timeoutMs);
    }

private:
    std::unique_ptr<KeyInjector> keys_;
    std::shared_ptr<HeldHotKeys> held_;
};

} // namespace platform
