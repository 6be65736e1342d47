#include "platform/PortalKeyInjector.h"

#include "platform/VirtualKeys.h"

#include <systemd/sd-bus.h>

namespace platform {

namespace {

constexpr const char* kRemoteDesktop = "org.freedesktop.portal.RemoteDesktop";
constexpr uint32_t kKeyboard = 1; // the device type of SelectDevices

} // namespace

std::unique_ptr<PortalKeyInjector> PortalKeyInjector::open(std::string* reason,
                                                           uint32_t timeoutMs) {
    std::unique_ptr<PortalSession> portal = PortalSession::connect(reason);
    if (!portal) return nullptr;
    const std::string title = "RemoteDesktop";
    PortalSession::Answer created;
    std::string sessionToken = portal->newToken();
    if (!portal->request(
            kRemoteDesktop, "CreateSession",
            [&](sd_bus_message* m, const char* token) {
                return sd_bus_message_append(m, "a{sv}", 2, "handle_token", "s", token,
                                             "session_handle_token", "s", sessionToken.c_str());
            },
            timeoutMs, title, created, reason))
        return nullptr;
    const std::string session = created.sessionHandle;
    auto granted = [&](const PortalSession::Answer& a, const char* step) {
        if (a.response == 0 && !session.empty()) return true;
        if (reason)
            *reason = std::string("Typing into other programs was refused by the desktop (") +
                      step + (a.response == 1 ? " cancelled)." : " refused).");
        return false;
    };
    if (!granted(created, "session")) return nullptr;
    PortalSession::Answer selected;
    if (!portal->request(
            kRemoteDesktop, "SelectDevices",
            [&](sd_bus_message* m, const char* token) {
                return sd_bus_message_append(m, "oa{sv}", session.c_str(), 2, "handle_token", "s",
                                             token, "types", "u", kKeyboard);
            },
            timeoutMs, title, selected, reason) ||
        !granted(selected, "keyboard"))
        return nullptr;
    PortalSession::Answer started;
    if (!portal->request(
            kRemoteDesktop, "Start",
            [&](sd_bus_message* m, const char* token) {
                return sd_bus_message_append(m, "osa{sv}", session.c_str(), "", 1, "handle_token",
                                             "s", token);
            },
            timeoutMs, title, started, reason) ||
        !granted(started, "start"))
        return nullptr;
    return std::unique_ptr<PortalKeyInjector>(new PortalKeyInjector(std::move(portal), session));
}

PortalKeyInjector::PortalKeyInjector(std::unique_ptr<PortalSession> portal, std::string session)
    : portal_(std::move(portal)), session_(std::move(session)) {}

void PortalKeyInjector::keyDown(uint8_t virtualKey) {
    if (virtualKey == VK_SHIFT) {
        logicalShift_ = true;
        return;
    }
    const VirtualKey* key = findVirtualKey(virtualKey);
    if (key == nullptr || pressed_[virtualKey] != 0) return;
    pressed_[virtualKey] = logicalShift_ ? key->shiftedKeysym : key->keysym;
    send(pressed_[virtualKey], 1);
}

void PortalKeyInjector::keyUp(uint8_t virtualKey) {
    if (virtualKey == VK_SHIFT) {
        logicalShift_ = false;
        return;
    }
    // Released with the keysym it went down with, even if Shift changed in between.
    if (pressed_[virtualKey] == 0) return;
    send(pressed_[virtualKey], 0);
    pressed_[virtualKey] = 0;
}

void PortalKeyInjector::send(uint32_t keysym, uint32_t state) {
    std::lock_guard<std::recursive_mutex> held(portal_->lock());
    sd_bus_error error = SD_BUS_ERROR_NULL;
    int r = sd_bus_call_method(portal_->bus(), PortalSession::kService, PortalSession::kPath,
                               kRemoteDesktop, "NotifyKeyboardKeysym", &error, nullptr, "oa{sv}iu",
                               session_.c_str(), 0, static_cast<int32_t>(keysym), state);
    if (r < 0)
        lastError_ = PortalSession::describeError(error.name, error.message, "RemoteDesktop");
    sd_bus_error_free(&error);
}

} // namespace platform
