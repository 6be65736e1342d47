#pragma once
// The typing, hot-key and window-in-front backends of the session this program runs in, chosen
// at run time: X11 in an X session; on Wayland the desktop portal's (typing and hot keys; no
// window-in-front backend there). What cannot be had is left empty, with the reason for the user.
// CORVANE_INPUT=uinput types through a uinput virtual keyboard instead, in any session.

#include <memory>
#include <string>

#include "platform/Focus.h"
#include "platform/HotKeys.h"
#include "platform/KeyInjector.h"

namespace platform {

enum class SessionKind { X11, Wayland, None };

// The kind of graphical session from its environment variables (null: unset): Wayland when
// XDG_SESSION_TYPE says so or WAYLAND_DISPLAY is set, even with DISPLAY set (Xwayland's clients
// are not the whole desktop); X11 when DISPLAY is set; else none.
SessionKind sessionKind(const char* sessionType, const char* waylandDisplay, const char* display);

enum class TypingChoice { Session, Uinput, Unknown };

// The typing backend asked for by CORVANE_INPUT (null: unset): the session's when it is unset or
// empty, the uinput one for "uinput"; any other value is unknown (the session's is used).
TypingChoice typingChoice(const char* corvaneInput);

struct InputBackends {
    std::unique_ptr<KeyInjector> keys;
    std::unique_ptr<HotKeys> hotKeys;
    std::unique_ptr<Focus> focus;
    // Why some of them are missing (or that CORVANE_INPUT was not understood), as a sentence for
    // the user; empty when all are there.
    std::string reason;
};

// Opens the backends of the current session (from this process's environment).
InputBackends openInputBackends();

} // namespace platform
