// The kind of graphical session, from its environment, that picks the typing backends.

#include "platform/InputBackends.h"

#include <gtest/gtest.h>

namespace {

using platform::SessionKind;

TEST(InputBackends, SessionKindFromTheEnvironment) {
    struct Case {
        const char* sessionType;
        const char* waylandDisplay;
        const char* display;
        SessionKind expected;
    };
    const Case cases[] = {
        {nullptr, nullptr, ":0", SessionKind::X11},
        {"x11", nullptr, ":1", SessionKind::X11},
        {"x11", "", ":0", SessionKind::X11},
        {"wayland", nullptr, ":0", SessionKind::Wayland},
        {nullptr, "wayland-0", ":0", SessionKind::Wayland},
        {"tty", "wayland-0", nullptr, SessionKind::Wayland},
        {"x11", nullptr, nullptr, SessionKind::None},
        {nullptr, nullptr, "", SessionKind::None},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.sessionType ? c.sessionType : "-") + " " +
                     (c.waylandDisplay ? c.waylandDisplay : "-") + " " +
                     (c.display ? c.display : "-"));
        EXPECT_EQ(platform::sessionKind(c.sessionType, c.waylandDisplay, c.display), c.expected);
    }
}

TEST(InputBackends, UinputTypingOnlyWhenCorvaneInputAsksForIt) {
    using platform::TypingChoice;
    EXPECT_EQ(platform::typingChoice(nullptr), TypingChoice::Session);
    EXPECT_EQ(platform::typingChoice(""), TypingChoice::Session);
    EXPECT_EQ(platform::typingChoice("uinput"), TypingChoice::Uinput);
    EXPECT_EQ(platform::typingChoice("UINPUT"), TypingChoice::Unknown);
}

} // namespace
