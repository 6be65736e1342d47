// The system bus as a producer of notifications: logind's resume and BlueZ adapter power on a
// private bus. (A missing bus is checked with the supervision thread.)

#include <gtest/gtest.h>

#include <cstdio>
#include <signal.h>
#include <systemd/sd-bus.h>

#include "platform/NotificationRegistration.h"
#include "platform/SystemBus.h"

namespace {

using platform::NotificationKind;
using platform::NotificationQueue;
using platform::NotificationRegistration;

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

} // namespace
