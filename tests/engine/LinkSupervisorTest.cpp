// The link supervision: Bluetooth stack events, resume and the silence time-out, one turn at a
// time, and the thread over the engine's notification set-up.

#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <thread>
#include <tuple>

#include "FakeLink.h"
#include "engine/GpsEngine.h"
#include "engine/LinkSupervisor.h"
#include "engine/Notifications.h"

namespace {

using platform::BluetoothNotification;
using platform::PowerNotification;

class LinkSupervision : public ::testing::Test {
protected:
    LinkSupervision() {
        engine.bluetoothQueue = std::make_unique<platform::NotificationQueue>(10, 72);
        engine.powerQueue = std::make_unique<platform::NotificationQueue>(10, 16);
    }
    void openLink() {
        engine.link.portOpen = engine::openPort(engine, true);
        fakelink::opens = 0;
    }
    void stackEvent(uint32_t id) {
        BluetoothNotification n;
        n.eventId = id;
        engine.bluetoothQueue->write(&n, sizeof n);
        supervisor.turn(0);
    }
    void power(uint32_t code) {
        PowerNotification n;
        n.message = code;
        engine.powerQueue->write(&n, sizeof n);
        supervisor.turn(0);
    }
    // portOpen, autoConnecting, btStackUp, the closed-by-stack-down note, opens since openLink.
    std::tuple<int, int, int, bool, int> state() {
        return {engine.link.portOpen, engine.link.autoConnecting, engine.btStackUp,
                supervisor.closedByStackDown(), fakelink::opens};
    }

    platform::ManualClock clock;
    platform::RecordingPrompter prompter;
    engine::GpsEngine engine{clock, prompter};
    fakelink::Installed fakePort;
    engine::LinkSupervisor supervisor{engine};
};

TEST_F(LinkSupervision, SystemStackDownClosesAndUpReopensAfterFiveSeconds) {
    engine.settings.BTENBL = 1;
    engine.microsoftStackPort = 1;
    openLink();
    stackEvent(platform::kBluetoothStackDown);
    EXPECT_EQ(state(), std::tuple(0, 1, 0, true, 0));
    uint32_t before = clock.tickCount();
    stackEvent(platform::kBluetoothStackUp);
    EXPECT_EQ(state(), std::tuple(1, 0, 1, false, 1));
    EXPECT_EQ(engine.lastDataTick, before + 5000);
}

TEST_F(LinkSupervision, StackEventsNeedBluetoothOnAndASystemStackPort) {
    for (auto [enabled, systemPort] : {std::pair{0, 1}, std::pair{1, 0}}) {
        engine.settings.BTENBL = enabled;
        engine.microsoftStackPort = systemPort;
        openLink();
        stackEvent(platform::kBluetoothStackDown);
        EXPECT_EQ(state(), std::tuple(1, 0, 1, false, 0));
    }
}

TEST_F(LinkSupervision, ResumeClosesASystemStackPortForTheNextStackUp) {
    engine.microsoftStackPort = 1;
    engine.externalPort = 1;
    openLink();
    power(platform::kPowerResume);
    EXPECT_EQ(state(), std::tuple(0, 1, 1, true, 0));
}

TEST_F(LinkSupervision, ResumeReopensAnExternalPortAfterFiveSecondsAndResetsItsCount) {
    engine.externalPort = 1;
    openLink();
    supervisor.silence().externalReopenings = 3;
    power(platform::kPowerStatusChange); // not a resume: nothing
    EXPECT_EQ(supervisor.silence().externalReopenings, 3);
    uint32_t before = clock.tickCount();
    power(platform::kPowerResume);
    EXPECT_EQ(state(), std::tuple(1, 0, 1, false, 1));
    EXPECT_EQ(engine.lastDataTick, before + 100 + 5000); // the close's 100 ms, then the wait
    EXPECT_EQ(supervisor.silence().externalReopenings, 0);
}

TEST_F(LinkSupervision, TimeOutRunsTheSilenceSupervision) {
    engine.externalPort = 1;
    openLink();
    clock.advance(5001);
    supervisor.turn(0);
    EXPECT_EQ(fakelink::opens, 1);
}

TEST(LinkSupervisorThread, RunsOnlyOverTheNotificationSetUp) {
    setenv("DBUS_SYSTEM_BUS_ADDRESS", "unix:path=/nonexistent/corvane-test-bus", 1);
    platform::ManualClock clock;
    platform::RecordingPrompter prompter;
    engine::GpsEngine engine{clock, prompter};
    fakelink::Installed fakePort;
    engine::runFlag() = 1;
    engine::LinkSupervisor idle{engine};
    idle.start();
    idle.join(); // would wait for ever (or crash) if the loop ran without the queues
    engine::createNotifications(engine);
    ASSERT_TRUE(engine.bluetoothRegistration && engine.powerRegistration);
    engine.externalPort = 1;
    engine.link.portOpen = engine::openPort(engine, true);
    engine::LinkSupervisor supervisor{engine};
    supervisor.start();
    PowerNotification resume;
    resume.message = platform::kPowerResume;
    engine.powerQueue->write(&resume, sizeof resume);
    for (int i = 0; i < 500 && fakelink::opens < 2; ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    engine::runFlag() = 0;
    supervisor.join();
    EXPECT_EQ(fakelink::opens, 2);
    engine::releaseNotifications(engine);
    EXPECT_EQ(engine.powerQueue, nullptr);
    unsetenv("DBUS_SYSTEM_BUS_ADDRESS");
}

} // namespace
