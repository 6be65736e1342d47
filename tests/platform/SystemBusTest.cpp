// The system bus as producer of notifications: logind's resume and BlueZ adapter power changes
// on a private bus, and a missing bus that stays silent.

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <signal.h>
#include <string>
#include <systemd/sd-bus.h>

#include "platform/NotificationRegistration.h"
#include "platform/SystemBus.h"

namespace {

using platform::NotificationKind;
using platform::NotificationQueue;
using platform::NotificationRegistration;

// DBUS_SYSTEM_BUS_ADDRESS for the test's lifetime.
struct SystemBusAddress {
    explicit SystemBusAddress(const std::string& address) {
        if (const char* old = std::getenv("DBUS_SYSTEM_BUS_ADDRESS")) saved = old;
        setenv("DBUS_SYSTEM_BUS_ADDRESS", address.c_str(), 1);
    }
    ~SystemBusAddress() {
        if (saved.empty())
            unsetenv("DBUS_SYSTEM_BUS_ADDRESS");
        else
            setenv("DBUS_SYSTEM_BUS_ADDRESS", saved.c_str(), 1);
    }
    std::string saved;
};

TEST(SystemBus, MissingBusIsSilentAndRegistrationsStillExist) {
    SystemBusAddress nowhere("unix:path=/nonexistent/corvane-test-bus");
    ::testing::internal::CaptureStderr();
    NotificationQueue queue(10, 16);
    {
        NotificationRegistration registration(queue, NotificationKind::Power, 15);
        EXPECT_FALSE(registration.bus().waitConnected());
        registration.bus().setSleepInhibited(true);
        EXPECT_FALSE(registration.bus().sleepInhibitorHeld());
    }
    EXPECT_EQ(::testing::internal::GetCapturedStderr(), "");
}

// A private message bus standing in for the system bus; the test's own connection plays logind
// and BlueZ.
class PrivateBus : public ::testing::Test {
protected:
    void SetUp() override {
        FILE* p = popen("dbus-daemon --session --fork --print-address=1 --print-pid=1", "r");
        ASSERT_NE(p, nullptr);
        char address[512] = {};
        long pid = 0;
        bool read = std::fscanf(p, "%511s %ld", address, &pid) == 2;
        pclose(p);
        if (!read) GTEST_SKIP() << "dbus-daemon is not available";
        daemon = static_cast<pid_t>(pid);
        env = std::make_unique<SystemBusAddress>(address);
        ASSERT_GE(sd_bus_new(&peer), 0);
        sd_bus_set_address(peer, address);
        sd_bus_set_bus_client(peer, 1);
        ASSERT_GE(sd_bus_start(peer), 0);
    }
    void TearDown() override {
        sd_bus_flush_close_unref(peer);
        env.reset();
        if (daemon > 0) kill(daemon, SIGTERM);
    }
    pid_t daemon = 0;
    std::unique_ptr<SystemBusAddress> env;
    sd_bus* peer = nullptr;
};

TEST_F(PrivateBus, ResumeAndAdapterPowerBecomeQueueMessages) {
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
                       "PropertiesChanged", "sa{sv}as", "org.bluez.Adapter1", 2, "Class", "u", 7,
                       "Powered", "b", 0, 0);
    sd_bus_flush(peer);
    platform::PowerNotification p;
    ASSERT_EQ(power.read(&p, sizeof p, 5000), 16);
    EXPECT_EQ(p.message, platform::kPowerResume);
    EXPECT_EQ(power.read(&p, sizeof p, 100), -1); // going to sleep is no message
    platform::BluetoothNotification b;
    ASSERT_EQ(bluetooth.read(&b, sizeof b, 5000), 72);
    EXPECT_EQ(b.eventId, platform::kBluetoothStackDown);
}

} // namespace
