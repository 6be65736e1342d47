#pragma once
// System-wide hot keys on Wayland through the desktop portal's GlobalShortcuts interface: one
// shortcuts session per run, every registered key bound in it as "hotkey-<identifier>" with its
// preferred trigger ("LOGO+F5"); the desktop may let the user change the trigger. Activated
// reaches the handler, or Deactivated for a key registered with MOD_KEYUP. A thread of the
// backend waits for the signals and calls the handler. Between a key's Activated and its
// Deactivated the key counts as held (held()).

#include "platform/HeldHotKeys.h"
#include "platform/HotKeys.h"
#include "platform/PortalSession.h"

#include <map>
#include <memory>
#include <string>
#include <thread>

namespace platform {

class PortalHotKeys : public HotKeys {
public:
    // Makes the session, waiting up to timeoutMs for each answer; null with reason set when
    // there is no portal or the desktop lacks the interface.
    static std::unique_ptr<PortalHotKeys> open(std::string* reason, uint32_t timeoutMs = 60000);
    ~PortalHotKeys() override;

    // The handler is called with the backend's lock held: it must hand the key on, not register
    // keys itself from another thread and wait for that.
    void setHandler(Handler handler) override;
    bool registerHotKey(int identifier, uint32_t modifiers, uint8_t virtualKey,
                        std::string* reason = nullptr) override;
    // The portal cannot take one binding back: the key stays bound until the session ends, and
    // its presses are ignored.
    void unregisterHotKey(int identifier) override;

    // The trigger asked of the desktop for a key: "LOGO+F5", "a"; empty for a key not in the
    // table of platform/VirtualKeys.h.
    static std::string triggerFor(uint32_t modifiers, uint8_t virtualKey);

    // The registered keys the user holds down now.
    std::shared_ptr<HeldHotKeys> held() const { return held_; }

private:
    PortalHotKeys(std::unique_ptr<PortalSession> portal, std::string session, uint32_t timeoutMs,
                  int wakeFd);
    friend struct PortalHotKeysCallbacks;
    void onSignal(sd_bus_message* m, bool released);
    bool bind(std::string* reason);
    void run();

    struct Key {
        std::string trigger;
        bool onRelease;
    };
    std::unique_ptr<PortalSession> portal_;
    std::string session_;
    uint32_t timeoutMs_;
    int wakeFd_;
    std::map<int, Key> keys_; // under the portal's lock, as everything below
    Handler handler_;
    std::shared_ptr<HeldHotKeys> held_ = std::make_shared<HeldHotKeys>();
    bool stopping_ = false;
    sd_bus_slot* activated_ = nullptr;
    sd_bus_slot* deactivated_ = nullptr;
    std::thread thread_;
};

} // namespace platform
