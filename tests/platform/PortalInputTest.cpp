// Typing and hot keys through the desktop portal (and the program's registration with it), against
// a mocked portal (python3-dbusmock, tests/platform/desktop_portal.py) on a private session bus.
// Skipped where dbus-daemon or python3-dbusmock is missing.

#include "platform/PortalHotKeys.h"
#include "platform/PortalKeyInjector.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <atomic>
#include <cstdio>
#include <cstring>
#include <mutex>
#include <signal.h>
#include <systemd/sd-bus.h>
#include <tuple>

namespace {

using platform::MOD_KEYUP;
using platform::MOD_WIN;
using testsupport::eventually;

constexpr const char* kSession = "/org/freedesktop/portal/desktop/session/1/test";

class PortalInput : public ::testing::Test {
protected:
    void SetUp() override {
        if (std::system("/usr/bin/python3 -c 'import dbusmock' 2>/dev/null") != 0)
            GTEST_SKIP() << "python3-dbusmock is not installed";
        FILE* p = popen("dbus-daemon --session --fork --print-address=1 --print-pid=1", "r");
        char address[512] = {};
        bool started = p != nullptr && std::fscanf(p, "%511s %ld", address, &daemon_) == 2;
        if (p != nullptr) pclose(p);
        if (!started) GTEST_SKIP() << "dbus-daemon is not available";
        setenv("DBUS_SESSION_BUS_ADDRESS", address, 1);
        ASSERT_GE(sd_bus_open_user(&peer_), 0);
    }
    void TearDown() override {
        portal_.reset();
        sd_bus_flush_close_unref(peer_);
        unsetenv("DBUS_SESSION_BUS_ADDRESS");
        if (daemon_ > 0) kill(static_cast<pid_t>(daemon_), SIGTERM);
    }
    // Starts the mocked portal with the template's parameters (JSON).
    void startPortal(const std::string& parameters) {
        portal_ = std::make_unique<testsupport::Process>(
            std::vector<std::string>{"/usr/bin/python3", "-m", "dbusmock", "--template",
                                     CORVANE_SOURCE_DIR "/tests/platform/desktop_portal.py", "-p",
                                     parameters},
            dir_.path() + "portal.log");
        ASSERT_TRUE(eventually([this] {
            int owned = 0;
            sd_bus_message* reply = nullptr;
            if (sd_bus_call_method(peer_, "org.freedesktop.DBus", "/org/freedesktop/DBus",
                                   "org.freedesktop.DBus", "NameHasOwner", nullptr, &reply, "s",
                                   platform::PortalSession::kService) >= 0)
                sd_bus_message_read(reply, "b", &owned);
            sd_bus_message_unref(reply);
            return owned != 0;
        }));
    }
    // The keysym and state of each NotifyKeyboardKeysym the portal received, in order; the
    // application ids registered before them go to registered_.
    std::vector<std::pair<int32_t, uint32_t>> keysyms() {
        std::vector<std::pair<int32_t, uint32_t>> seen;
        sd_bus_message* reply = nullptr;
        EXPECT_GE(sd_bus_call_method(peer_, platform::PortalSession::kService,
                                     platform::PortalSession::kPath, "org.freedesktop.DBus.Mock",
                                     "GetCalls", nullptr, &reply, ""),
                  0);
        sd_bus_message_enter_container(reply, 'a', "(tsav)");
        while (sd_bus_message_enter_container(reply, 'r', "tsav") > 0) {
            uint64_t when = 0;
            const char* method = nullptr;
            sd_bus_message_read(reply, "ts", &when, &method);
            if (std::strcmp(method, "Register") == 0) {
                const char* id = nullptr;
                sd_bus_message_enter_container(reply, 'a', "v");
                sd_bus_message_read(reply, "v", "s", &id);
                sd_bus_message_skip(reply, "v");
                sd_bus_message_exit_container(reply);
                if (seen.empty()) registered_.push_back(id); // only before any key
            } else if (std::strcmp(method, "NotifyKeyboardKeysym") == 0) {
                std::pair<int32_t, uint32_t> key;
                sd_bus_message_enter_container(reply, 'a', "v");
                sd_bus_message_skip(reply, "vv");
                sd_bus_message_read(reply, "vv", "i", &key.first, "u", &key.second);
                sd_bus_message_exit_container(reply);
                seen.push_back(key);
            } else {
                sd_bus_message_skip(reply, "av");
            }
            sd_bus_message_exit_container(reply);
        }
        sd_bus_message_unref(reply);
        return seen;
    }
    void emit(const char* signal, const char* session, const char* id) {
        EXPECT_GE(sd_bus_call_method(peer_, platform::PortalSession::kService,
                                     platform::PortalSession::kPath, "org.freedesktop.DBus.Mock",
                                     "EmitSignal", nullptr, nullptr, "sssav",
                                     "org.freedesktop.portal.GlobalShortcuts", signal, "osta{sv}",
                                     4, "o", session, "s", id, "t", uint64_t{0}, "a{sv}", 0),
                  0);
    }

    testsupport::TempDir dir_;
    long daemon_ = 0;
    sd_bus* peer_ = nullptr;
    std::unique_ptr<testsupport::Process> portal_;
    std::vector<std::string> registered_;
};

TEST_F(PortalInput, KeysGoAsKeysymsWithTheLogicalShift) {
    startPortal("{}");
    std::string reason;
    auto keys = platform::PortalKeyInjector::open(&reason, 5000);
    ASSERT_TRUE(keys) << reason;
    // Shift N (78), then the quote with Shift let go before its release, Tab, 4 (52); minus: up.
    for (int key : {16, 78, -78, 222, -16, -222, 9, -9, 52, -52})
        key > 0 ? keys->keyDown(static_cast<uint8_t>(key))
                : keys->keyUp(static_cast<uint8_t>(-key));
    EXPECT_EQ(keys->lastError(), "");
    std::vector<std::pair<int32_t, uint32_t>> expected = {
        {78, 1}, {78, 0}, {34, 1}, {34, 0}, {0xff09, 1}, {0xff09, 0}, {52, 1}, {52, 0}};
    EXPECT_EQ(keysyms(), expected);
    EXPECT_EQ(registered_, std::vector<std::string>{"org.corvane.Corvane"});
}

TEST_F(PortalInput, MissingOrRefusedPortalsGiveTheirReason) {
    struct Case {
        const char* parameters; // empty: no portal on the bus
        const char* typing;     // the typing backend's reason, empty when it opens
        const char* hotKeys;    // the hot keys' reason, empty when they open
    } cases[] = {
        {"",
         "The desktop portal (xdg-desktop-portal) is not running, so the RemoteDesktop portal "
         "cannot be used.",
         "The desktop portal (xdg-desktop-portal) is not running, so the GlobalShortcuts portal "
         "cannot be used."},
        {R"({"start_response": 1, "shortcuts": false})",
         "Typing into other programs was refused by the desktop (start cancelled).",
         "This desktop does not offer the GlobalShortcuts portal."},
        {R"({"start_response": 2})",
         "Typing into other programs was refused by the desktop (start refused).", ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.parameters);
        if (*c.parameters) startPortal(c.parameters);
        std::string typing, hotKeys;
        EXPECT_FALSE(platform::PortalKeyInjector::open(&typing, 5000));
        EXPECT_EQ(typing, c.typing);
        EXPECT_EQ(platform::PortalHotKeys::open(&hotKeys, 5000) != nullptr, *c.hotKeys == '\0');
        EXPECT_EQ(hotKeys, c.hotKeys);
        portal_.reset();
    }
}

TEST_F(PortalInput, ShortcutSignalsReachTheHandler) {
    startPortal("{}");
    std::string reason;
    auto hotKeys = platform::PortalHotKeys::open(&reason, 5000);
    ASSERT_TRUE(hotKeys) << reason;
    std::mutex mutex;
    std::vector<int> pressed;
    hotKeys->setHandler([&](int id) {
        std::lock_guard<std::mutex> held(mutex);
        pressed.push_back(id);
    });
    ASSERT_TRUE(hotKeys->registerHotKey(5, MOD_WIN, 197, &reason)) << reason;
    ASSERT_TRUE(hotKeys->registerHotKey(7, MOD_WIN | MOD_KEYUP, 196, &reason)) << reason;
    emit("Activated", "/org/freedesktop/portal/desktop/session/1/other", "hotkey-5");
    emit("Activated", kSession, "hotkey-7"); // acts on release
    emit("Deactivated", kSession, "hotkey-5");
    emit("Activated", kSession, "hotkey-5");
    emit("Deactivated", kSession, "hotkey-7");
    ASSERT_TRUE(eventually([&] {
        std::lock_guard<std::mutex> held(mutex);
        return pressed.size() >= 2;
    }));
    {
        std::lock_guard<std::mutex> held(mutex);
        EXPECT_EQ(pressed, (std::vector<int>{5, 7}));
    }
    // Key 5 went down again and is held until its release comes.
    std::shared_ptr<platform::HeldHotKeys> held = hotKeys->held();
    EXPECT_FALSE(held->waitUntilNoneHeld(0));
    emit("Deactivated", kSession, "hotkey-5");
    EXPECT_TRUE(held->waitUntilNoneHeld(5000));
}

TEST(PortalHotKeys, TriggersNameTheKeyWithLogoForSuper) {
    const std::tuple<uint32_t, uint8_t, const char*> cases[] = {
        {MOD_WIN, 197, "LOGO+F5"},
        {MOD_WIN | MOD_KEYUP, 112, "LOGO+F1"},
        {0, 'A', "a"},
        {MOD_KEYUP, 190, "period"},
        {MOD_WIN, 250, ""}};
    for (auto [modifiers, key, trigger] : cases)
        EXPECT_EQ(platform::PortalHotKeys::triggerFor(modifiers, key), trigger) << trigger;
}

} // namespace
