#include "platform/PortalHotKeys.h"

#include "platform/VirtualKeys.h"

#include <cstring>
#include <poll.h>
#include <sys/eventfd.h>
#include <systemd/sd-bus.h>
#include <unistd.h>

namespace platform {

namespace {

constexpr const char* kGlobalShortcuts = "org.freedesktop.portal.GlobalShortcuts";
constexpr const char* kIdPrefix = "hotkey-";

} // namespace

struct PortalHotKeysCallbacks {
    static int activated(sd_bus_message* m, void* self, sd_bus_error*) {
        static_cast<PortalHotKeys*>(self)->onSignal(m, false);
        return 0;
    }
    static int deactivated(sd_bus_message* m, void* self, sd_bus_error*) {
        static_cast<PortalHotKeys*>(self)->onSignal(m, true);
        return 0;
    }
};

std::string PortalHotKeys::triggerFor(uint32_t modifiers, uint8_t virtualKey) {
    const VirtualKey* key = findVirtualKey(virtualKey);
    if (key == nullptr) return {};
    return std::string((modifiers & MOD_WIN) ? "LOGO+" : "") + key->keysymName;
}

std::unique_ptr<PortalHotKeys> PortalHotKeys::open(std::string* reason, uint32_t timeoutMs) {
    std::unique_ptr<PortalSession> portal = PortalSession::connect(reason);
    if (!portal) return nullptr;
    PortalSession::Answer created;
    std::string sessionToken = portal->newToken();
    if (!portal->request(
            kGlobalShortcuts, "CreateSession",
            [&](sd_bus_message* m, const char* token) {
                return sd_bus_message_append(m, "a{sv}", 2, "handle_token", "s", token,
                                             "session_handle_token", "s", sessionToken.c_str());
            },
            timeoutMs, "GlobalShortcuts", created, reason))
        return nullptr;
    if (created.response != 0 || created.sessionHandle.empty()) {
        if (reason) *reason = "The desktop refused the session for the hot keys.";
        return nullptr;
    }
    int wakeFd = eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK);
    if (wakeFd < 0) {
        if (reason) *reason = std::string("No event descriptor: ") + std::strerror(errno) + ".";
        return nullptr;
    }
    return std::unique_ptr<PortalHotKeys>(
        new PortalHotKeys(std::move(portal), created.sessionHandle, timeoutMs, wakeFd));
}

PortalHotKeys::PortalHotKeys(std::unique_ptr<PortalSession> portal, std::string session,
                             uint32_t timeoutMs, int wakeFd)
    : portal_(std::move(portal)), session_(std::move(session)), timeoutMs_(timeoutMs),
      wakeFd_(wakeFd) {
    sd_bus_match_signal(portal_->bus(), &activated_, nullptr, PortalSession::kPath,
                        kGlobalShortcuts, "Activated", &PortalHotKeysCallbacks::activated, this);
    sd_bus_match_signal(portal_->bus(), &deactivated_, nullptr, PortalSession::kPath,
                        kGlobalShortcuts, "Deactivated", &PortalHotKeysCallbacks::deactivated,
                        this);
    thread_ = std::thread([this] { run(); });
}

PortalHotKeys::~PortalHotKeys() {
    {
        std::lock_guard<std::recursive_mutex> held(portal_->lock());
        stopping_ = true;
    }
    uint64_t one = 1;
    (void)!write(wakeFd_, &one, sizeof one);
    thread_.join();
    sd_bus_slot_unref(activated_);
    sd_bus_slot_unref(deactivated_);
    close(wakeFd_);
}

void PortalHotKeys::setHandler(Handler handler) {
    std::lock_guard<std::recursive_mutex> held(portal_->lock());
    handler_ = std::move(handler);
}

bool PortalHotKeys::registerHotKey(int identifier, uint32_t modifiers, uint8_t virtualKey,
                                   std::string* reason) {
    std::string trigger = triggerFor(modifiers, virtualKey);
    if (trigger.empty()) {
        if (reason) *reason = "The key " + std::to_string(virtualKey) + " cannot be a hot key.";
        return false;
    }
    bool bound = false;
    {
        std::lock_guard<std::recursive_mutex> held(portal_->lock());
        std::map<int, Key> before = keys_;
        keys_[identifier] = Key{trigger, (modifiers & MOD_KEYUP) != 0};
        bound = bind(reason);
        if (!bound) keys_ = std::move(before);
    }
    // Messages read while binding wait in the connection: let the thread look at them.
    uint64_t one = 1;
    (void)!write(wakeFd_, &one, sizeof one);
    return bound;
}

void PortalHotKeys::unregisterHotKey(int identifier) {
    std::lock_guard<std::recursive_mutex> held(portal_->lock());
    keys_.erase(identifier);
    held_->released(identifier);
}

// Binds every registered key at once: the portal replaces a session's shortcuts with each call.
bool PortalHotKeys::bind(std::string* reason) {
    PortalSession::Answer answer;
    auto arguments = [this](sd_bus_message* m, const char* token) {
        int r = sd_bus_message_append(m, "o", session_.c_str());
        if (r >= 0) r = sd_bus_message_open_container(m, 'a', "(sa{sv})");
        for (const auto& [identifier, key] : keys_) {
            std::string id = kIdPrefix + std::to_string(identifier);
            std::string description = "Corvane hot key " + std::to_string(identifier);
            if (r >= 0)
                r = sd_bus_message_append(m, "(sa{sv})", id.c_str(), 2, "description", "s",
                                          description.c_str(), "preferred_trigger", "s",
                                          key.trigger.c_str());
        }
        if (r >= 0) r = sd_bus_message_close_container(m);
        if (r >= 0) r = sd_bus_message_append(m, "sa{sv}", "", 1, "handle_token", "s", token);
        return r;
    };
    if (!portal_->request(kGlobalShortcuts, "BindShortcuts", arguments, timeoutMs_,
                          "GlobalShortcuts", answer, reason))
        return false;
    if (answer.response != 0) {
        if (reason) *reason = "The desktop refused the hot keys.";
        return false;
    }
    return true;
}

void PortalHotKeys::onSignal(sd_bus_message* m, bool released) {
    const char* session = nullptr;
    const char* id = nullptr;
    if (sd_bus_message_read(m, "os", &session, &id) < 0 || session_ != session) return;
    size_t prefix = std::strlen(kIdPrefix);
    if (std::strncmp(id, kIdPrefix, prefix) != 0) return;
    char* end = nullptr;
    long identifier = std::strtol(id + prefix, &end, 10);
    if (end == id + prefix || *end != '\0') return;
    auto key = keys_.find(static_cast<int>(identifier));
    if (key == keys_.end()) return;
    if (released)
        held_->released(key->first);
    else
        held_->pressed(key->first);
    if (key->second.onRelease != released || !handler_) return;
    handler_(key->first);
}

void PortalHotKeys::run() {
    sd_bus* bus = portal_->bus();
    for (;;) {
        pollfd fds[2] = {{-1, 0, 0}, {wakeFd_, POLLIN, 0}};
        {
            std::lock_guard<std::recursive_mutex> held(portal_->lock());
            if (stopping_) return;
            int r;
            while ((r = sd_bus_process(bus, nullptr)) > 0) {
            }
            if (r < 0) return; // the bus is gone: no more hot keys
            fds[0].fd = sd_bus_get_fd(bus);
            fds[0].events = static_cast<short>(sd_bus_get_events(bus));
        }
        if (poll(fds, 2, -1) < 0 && errno != EINTR) return;
        if (fds[1].revents & POLLIN) {
            uint64_t count;
            (void)!read(wakeFd_, &count, sizeof count);
        }
    }
}

} // namespace platform
