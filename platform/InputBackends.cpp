#include "platform/InputBackends.h"

#include <cstdlib>
#include <string_view>

#include "platform/HotKeyGatedInjector.h"
#include "platform/PortalHotKeys.h"
#include "platform/PortalKeyInjector.h"
#include "platform/X11Focus.h"
#include "platform/X11HotKeys.h"
#include "platform/X11KeyInjector.h"

namespace platform {
namespace {

bool isSet(const char* value) {
    return value != nullptr && *value != '\0';
}

void addReason(InputBackends& backends, const std::string& reason) {
    if (reason.empty() || backends.reason.find(reason) != std::string::npos) return;
    if (!backends.reason.empty()) backends.reason += ' ';
    backends.reason += reason;
}

void openX11(InputBackends& backends) {
    std::string reason;
    backends.keys = X11KeyInjector::open("", &reason);
    addReason(backends, reason);
    reason.clear();
    backends.hotKeys = X11HotKeys::open("", &reason);
    addReason(backends, reason);
    reason.clear();
    backends.focus = X11Focus::open("", &reason);
    addReason(backends, reason);
}

// The Wayland backends: the desktop portal's RemoteDesktop (typing) and GlobalShortcuts (hot
// keys). Wayland gives no program the window in front of another's; the desktop hands the focus
// back itself when the notice window (which never takes it) goes.
void openWayland(InputBackends& backends) {
    std::string reason;
    std::unique_ptr<PortalKeyInjector> keys = PortalKeyInjector::open(&reason);
    addReason(backends, reason);
    reason.clear();
    std::unique_ptr<PortalHotKeys> hotKeys = PortalHotKeys::open(&reason);
    addReason(backends, reason);
    // The portal reports the hot key's press and release, never the modifiers: typing waits for
    // the release.
    if (keys && hotKeys)
        backends.keys = std::make_unique<HotKeyGatedInjector>(std::move(keys), hotKeys->held());
    else
        backends.keys = std::move(keys);
    backends.hotKeys = std::move(hotKeys);
}

} // namespace

SessionKind sessionKind(const char* sessionType, const char* waylandDisplay, const char* display) {
    if ((sessionType != nullptr && std::string_view(sessionType) == "wayland") ||
        isSet(waylandDisplay))
        return SessionKind::Wayland;
    if (isSet(display)) return SessionKind::X11;
    return SessionKind::None;
}

InputBackends openInputBackends() {
    InputBackends backends;
    switch (sessionKind(std::getenv("XDG_SESSION_TYPE"), std::getenv("WAYLAND_DISPLAY"),
                        std::getenv("DISPLAY"))) {
    case SessionKind::X11:
        openX11(backends);
        break;
    case SessionKind::Wayland:
        openWayland(backends);
        break;
    case SessionKind::None:
        addReason(backends, "There is no graphical session (neither DISPLAY nor "
                            "WAYLAND_DISPLAY is set) to type into.");
        break;
    }
    return backends;
}

} // namespace platform
