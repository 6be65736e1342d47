// Typing through a uinput virtual keyboard: where each keysym is in the US, German and French
// layouts, which layout is used, and the key events the device sends. The device test is skipped
// where /dev/uinput cannot be written.

#include "platform/UinputKeyInjector.h"
#include "platform/Clock.h"
#include "platform/KeymapLookup.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <libevdev/libevdev.h>
#include <linux/input-event-codes.h>
#include <poll.h>
#include <unistd.h>

#include <utility>
#include <vector>

namespace {

using platform::KeymapLookup;

TEST(KeymapLookup, FindsEachKeysymsKeyAndShiftInTheLayout) {
    struct Expected {
        int code; // 0: the layout has no key that gives it without AltGr
        bool shift;
    };
    struct Case {
        uint32_t keysym;
        Expected us, de, fr;
    };
    // Keysyms past Latin-1: KP_Subtract, Tab, ISO_Left_Tab (Shift+Tab), Return, F5, Greek alpha.
    const Case cases[] = {
        {'1', {KEY_1, false}, {KEY_1, false}, {KEY_1, true}},
        {'a', {KEY_A, false}, {KEY_A, false}, {KEY_Q, false}},
        {'A', {KEY_A, true}, {KEY_A, true}, {KEY_Q, true}},
        {'z', {KEY_Z, false}, {KEY_Y, false}, {KEY_W, false}},
        {'.', {KEY_DOT, false}, {KEY_DOT, false}, {KEY_COMMA, true}},
        {'\'', {KEY_APOSTROPHE, false}, {KEY_BACKSLASH, true}, {KEY_4, false}},
        {'"', {KEY_APOSTROPHE, true}, {KEY_2, true}, {KEY_3, false}},
        {'@', {KEY_2, true}, {0, false}, {0, false}},
        {0xffad, {KEY_KPMINUS, false}, {KEY_KPMINUS, false}, {KEY_KPMINUS, false}},
        {0xff09, {KEY_TAB, false}, {KEY_TAB, false}, {KEY_TAB, false}},
        {0xfe20, {KEY_TAB, true}, {KEY_TAB, true}, {KEY_TAB, true}},
        {0xff0d, {KEY_ENTER, false}, {KEY_ENTER, false}, {KEY_ENTER, false}},
        {0xffc2, {KEY_F5, false}, {KEY_F5, false}, {KEY_F5, false}},
        {0x7e1, {0, false}, {0, false}, {0, false}},
    };
    std::string reason;
    const auto us = KeymapLookup::compile({"us", ""}, &reason);
    const auto de = KeymapLookup::compile({"de", ""}, &reason);
    const auto fr = KeymapLookup::compile({"fr", ""}, &reason);
    ASSERT_TRUE(us && de && fr) << reason;
    auto check = [](const KeymapLookup& lookup, uint32_t keysym, Expected expected) {
        const auto found = lookup.find(keysym);
        EXPECT_EQ(found ? found->code : 0, expected.code);
        EXPECT_EQ(found && found->shift, expected.shift);
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(KeymapLookup::keysymName(c.keysym));
        check(*us, c.keysym, c.us);
        check(*de, c.keysym, c.de);
        check(*fr, c.keysym, c.fr);
    }
}

TEST(KeymapLookup, LayoutComesFromTheEnvironmentElseTheKeyboardFileElseUs) {
    const std::string file =
        "# keyboard\nXKBMODEL=\"pc105\"\nXKBLAYOUT=\"de\"\nXKBVARIANT='nodeadkeys'\n";
    using Layout = KeymapLookup::Layout;
    EXPECT_EQ(KeymapLookup::chooseLayout("fr", "bepo", file), (Layout{"fr", "bepo"}));
    EXPECT_EQ(KeymapLookup::chooseLayout("fr", nullptr, file), (Layout{"fr", ""}));
    EXPECT_EQ(KeymapLookup::chooseLayout("", "bepo", file), (Layout{"de", "nodeadkeys"}));
    EXPECT_EQ(KeymapLookup::chooseLayout(nullptr, nullptr, "XKBLAYOUT=\n"), (Layout{"us", ""}));
}

TEST(UinputKeyInjector, OpenGivesTheReasonItCannotType) {
    platform::ManualClock clock;
    std::string reason;
    EXPECT_EQ(platform::UinputKeyInjector::open({"xx", ""}, clock, &reason), nullptr);
    EXPECT_EQ(reason, "The keyboard layout \"xx\" is not known (is xkb-data installed?); set "
                      "XKB_DEFAULT_LAYOUT and XKB_DEFAULT_VARIANT to the layout in use.");
    EXPECT_EQ(platform::UinputKeyInjector::open({"us", ""}, clock, &reason, "/nonexistent/uinput"),
              nullptr);
    EXPECT_EQ(reason, "/nonexistent/uinput does not exist: the uinput kernel module is not loaded "
                      "(modprobe uinput). See \"Typing through uinput (opt-in)\" in "
                      "docs/install.md.");
}

// "A", then "@" (AltGr+Q in German: not typed), then "1".
TEST(UinputKeyInjector, TypesWithTheRealShiftAndSkipsKeysTheLayoutLacks) {
    if (::access("/dev/uinput", R_OK | W_OK) != 0)
        GTEST_SKIP() << "/dev/uinput cannot be written here";
    platform::ManualClock clock;
    std::string reason;
    auto keys = platform::UinputKeyInjector::open({"de", ""}, clock, &reason);
    ASSERT_NE(keys, nullptr) << reason;
    EXPECT_EQ(clock.tickCount(), 1300u); // the settle wait, once
    const int fd = ::open(keys->deviceNode().c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    ASSERT_GE(fd, 0) << keys->deviceNode();
    libevdev* reader = nullptr;
    ASSERT_EQ(libevdev_new_from_fd(fd, &reader), 0);
    for (uint8_t vk : {'A', '2'}) {
        keys->keyDown(16); // the logical Shift
        keys->keyDown(vk);
        keys->keyUp(vk);
        keys->keyUp(16);
    }
    keys->keyDown('1');
    keys->keyUp('1');
    std::vector<std::pair<int, int>> received;
    while (received.size() < 6) {
        pollfd p{fd, POLLIN, 0};
        if (::poll(&p, 1, 5000) <= 0) break; // a guard against a hang, not a timing
        input_event e{};
        while (libevdev_next_event(reader, LIBEVDEV_READ_FLAG_NORMAL, &e) == 0)
            if (e.type == EV_KEY) received.emplace_back(e.code, e.value);
    }
    const std::vector<std::pair<int, int>> expected = {{KEY_LEFTSHIFT, 1}, {KEY_A, 1}, {KEY_A, 0},
                                                       {KEY_LEFTSHIFT, 0}, {KEY_1, 1}, {KEY_1, 0}};
    EXPECT_EQ(received, expected);
    EXPECT_EQ(keys->failedKeys(), 1u);
    EXPECT_EQ(keys->lastError(), "The keyboard layout \"de\" has no key that types at without "
                                 "AltGr; it was not typed.");
    libevdev_free(reader);
    ::close(fd);
}

} // namespace
