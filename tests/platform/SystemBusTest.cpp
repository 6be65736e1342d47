// The notification queues (order and limits), and the system bus as a producer of notifications:
// logind's resume and BlueZ adapter power on a private bus, and a missing bus that stays silent.

#include <gtest/gtest.h>

#include <cstdint>
#include <cstdio>
#include <signal.h>
#include <systemd/sd-bus.h>
#include <tuple>

#include "platform/NotificationRegistration.h"
#include "platform/SystemBus.h"

namespace {

using platform::NotificationKind;
using platform::NotificationQueue;
using platform::NotificationRegistration;

TEST(SystemBus, MissingBusIsSilentAndRegistrationsStillExist) {
    setenv("DBUS_SYSTEM_BUS_ADDRESS", "unix:path=/nonexistent/corvane-test-bus", 1);
    ::testing::internal::CaptureStderr();
    NotificationQueue queue(10, 16);
    {
        NotificationRegistration registration(queue, NotificationKind::Power, 15);
        EXPECT_FALSE(registration.bus().waitConnected());
        registration.bus().setSleepInhibited(true);
        EXPECT_FALSE(registration.bus().sleepInhibitorHeld());
    }
    EXPECT_EQ(::testing::internal::GetCapturedStderr(), "");
    unsetenv("DBUS_SYSTEM_BUS_ADDRESS");
}

// A private message bus stands in for the system bus; the test's own connection plays logind and
// BlueZ.
TEST(SystemBus, ResumeAndAdapterPowerBecomeQueueMessages) {
    FILE* p = popen("dbus-daemon --session --fork --print-address=1 --print-pid=1", "r");
    char address[512] = {};
    long daemon = 0;
    bool started = p != nullptr && std::fscanf(p, "%511s %ld", address, &daemon) == 2;
    if (p != nullptr) pclose(p);
    if (!started) GTEST_SKIP() << "dbus-daemon is not available";
    setenv("DBUS_SYSTEM_BUS_ADDRESS", address, 1);
    sd_bus* peer = nullptr;
    ASSERT_GE(sd_bus_new(&peer), 0);
    sd_bus_set_address(peer, address);
    sd_bus_set_bus_client(peer, 1);
    ASSERT_GE(sd_bus_start(peer), 0);
    {
        NotificationQueue power(10, 16), bluetooth(10, 72);
        NotificationRegistration powerRegistration(power, NotificationKind::Power, 15);
        NotificationRegistration btRegistration(bluetooth, NotificationKind::Bluetooth, 15);
        ASSERT_TRUE(powerRegistration.bus().waitConnected());
        ASSERT_GE(sd_bus_request_name(peer, "org.freedesktop.login1", 0), 0);
        ASSERT_GE(sd_bus_request_name(peer, "org.bluez", 0), 0);
        const char* manager = "org.freedesktop.login1.Manager";
        sd_bus_emit_signal(peer, "/org/freedesktop/login1", manager, "PrepareForSleep", "b", 1);
        sd_bus_emit_signal(peer, "/org/freedesktop/login1", manager, "PrepareForSleep", "b", 0);
        sd_bus_emit_signal(peer, "/org/bluez/hci0", "org.freedesktop.DBus.Properties",
                           "PropertiesChanged", "sa{sv}as", "org.bluez.Adapter1", 2, "Class", "u",
                           7, "Powered", "b", 0, 0);
        sd_bus_flush(peer);
        platform::PowerNotification m;
        ASSERT_EQ(power.read(&m, sizeof m, 5000), 16);
        EXPECT_EQ(m.message, platform::kPowerResume);
        EXPECT_EQ(power.read(&m, sizeof m, 100), -1); // going to sleep is no message
        platform::BluetoothNotification b;
        ASSERT_EQ(bluetooth.read(&b, sizeof b, 5000), 72);
        EXPECT_EQ(b.eventId, platform::kBluetoothStackDown);
    }
    sd_bus_flush_close_unref(peer);
    unsetenv("DBUS_SYSTEM_BUS_ADDRESS");
    kill(static_cast<pid_t>(daemon), SIGTERM);
}

TEST(NotificationQueue, KeepsOrderAndDropsWhatDoesNotFit) {
    NotificationQueue q(2, 4);
    uint32_t one = 1, two = 2, out = 0;
    uint64_t big = 4;
    uint16_t small = 0;
    // Braced lists keep the calls in order.
    EXPECT_EQ((std::tuple{q.write(&one, 4), q.write(&big, 8), q.write(&two, 4), q.write(&one, 4)}),
              std::tuple(true, false, true, false)); // too large, then full
    EXPECT_EQ(q.droppedCount(), 2u);
    EXPECT_EQ(q.read(&small, sizeof small, 0), -1); // does not fit the buffer: stays queued
    EXPECT_EQ((std::tuple{q.read(&out, 4, 0), out}), std::tuple(4, 1u));
    EXPECT_EQ((std::tuple{q.read(&out, 4, 0), out}), std::tuple(4, 2u));
    EXPECT_EQ(q.read(&out, sizeof out, 20), -1); // empty: times out
}

} // namespace
