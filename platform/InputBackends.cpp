#include "platform/InputBackends.h"

#include <cstdlib>
#include <string_view>

#include "platform/Clock.h"
#include "platform/HotKeyGatedInjector.h"
#include "platform/PortalHotKeys.h"
#include "platform/PortalKeyInjector.h"
#include "platform/UinputKeyInjector.h"
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

void openX11(InputBackends& backends, bool withKeys) {
    std::string reason;
    if (withKeys) backends.keys = X11KeyInjector::open("", &reason);
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
void openWayland(InputBackends& backends, bool withKeys) {
    std::string reason;
    if (withKeys) backends.keys = PortalKeyInjector::open(&reason);
    addReason(backends, reason);
    reason.clear();
    std::unique_ptr<PortalHotKeys> hotKeys = PortalHotKeys::open(&reason);
    addReason(backends, reason);
    // The portal reports the hot key's press and release, never the modifiers: typing (through
    // the portal or uinput) waits for the release.
    if (backends.keys && hotKeys)
        backends.keys =
            std::make_unique<HotKeyGatedInjector>(std::move(backends.keys), hotKeys->held());
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

TypingChoice typingChoice(const char* corvaneInput) {
    if (!isSet(corvaneInput)) return TypingChoice::Session;
    return std::string_view(corvaneInput) == "uinput" ? TypingChoice::Uinput
                                                      : TypingChoice::Unknown;
}

InputBackends openInputBackends() {
    InputBackends backends;
    const char* corvaneInput = std::getenv("CORVANE_INPUT");
    const TypingChoice typing = typingChoice(corvaneInput);
    // The uinput keyboard replaces the session's typing only; hot keys and the window in front
    // stay the session's.
    if (typing == TypingChoice::Uinput) {
        SystemClock clock;
        std::string reason;
        backends.keys = UinputKeyInjector::open(KeymapLookup::systemLayout(), clock, &reason);
        addReason(backends, reason);
    } else if (typing == TypingChoice::Unknown) {
        addReason(backends, std::string("CORVANE_INPUT=\"") + corvaneInput +
                                "\" is not known (only \"uinput\" is); typing goes through "
                                "the session.");
    }
    const bool sessionKeys = typing != TypingChoice::Uinput;
    switch (sessionKind(std::getenv("XDG_SESSION_TYPE"), std::getenv("WAYLAND_DISPLAY"),
                        std::getenv("DISPLAY"))) {
    case SessionKind::X11:
        openX11(backends, sessionKeys);
        break;
    case SessionKind::Wayland:
        openWayland(backends, sessionKeys);
        break;
    case SessionKind::None:
        addReason(backends, sessionKeys ? "There is no graphical session (neither DISPLAY nor "
                                          "WAYLAND_DISPLAY is set) to type into."
                                        : "There is no graphical session (neither DISPLAY nor "
                                          "WAYLAND_DISPLAY is set) for the hot keys.");
        break;
    }
    return backends;
}

} // namespace platform
