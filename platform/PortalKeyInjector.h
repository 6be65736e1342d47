#pragma once
// Typing on Wayland through the desktop portal's RemoteDesktop interface: one remote-desktop
// session with the keyboard, asked for once when the backend is opened (the desktop may ask the
// user), then each key as its keysym through NotifyKeyboardKeysym, which the compositor types in
// whatever layout is in use. The logical Shift (virtual key 16) is never sent: a key pressed
// while it is down sends its shifted keysym instead.

#include "platform/KeyInjector.h"
#include "platform/PortalSession.h"

#include <array>
#include <memory>
#include <string>

namespace platform {

class PortalKeyInjector : public KeyInjector {
public:
    // Makes the session, waiting up to timeoutMs for each answer; null with reason set when
    // there is no portal, the desktop lacks the interface, or the session was refused.
    static std::unique_ptr<PortalKeyInjector> open(std::string* reason, uint32_t timeoutMs = 60000);

    void keyDown(uint8_t virtualKey) override;
    void keyUp(uint8_t virtualKey) override;

    // Why the last key could not be sent (empty while every key went through).
    std::string lastError() const { return lastError_; }

private:
    PortalKeyInjector(std::unique_ptr<PortalSession> portal, std::string session);
    void send(uint32_t keysym, uint32_t state);

    std::unique_ptr<PortalSession> portal_;
    std::string session_;
    bool logicalShift_ = false;
    std::array<uint32_t, 256> pressed_{}; // the keysym each key went down with (0: up)
    std::string lastError_;
};

} // namespace platform
