// The link supervision: Bluetooth stack events, resume and the silence time-out, one turn at a
// time, and the thread over the engine's notification set-up.

#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <string>
#include <thread>
#include <tuple>

#include "FakeLink.h"
#include "engine/GpsEngine.h"
#include "engine/LinkSupervisor.h"
#include "engine/Notifications.h"
#include "platform/SystemBus.h"

namespace {

using platform::BluetoothNotification;
using platform::PowerNotification;

TEST(LinkSupervision, StackEventsAndResumeCloseAndReopenThePort) {
    // portOpen, autoConnecting, btStackUp, the closed-by-stack-down note, opens, lastDataTick
    // after the start.
    using State = std::tuple<int32_t, int32_t, int32_t, bool, int, uint32_t>;
    const struct {
        int32_t bluetooth, systemPort, external;
        const char* turns; // Down, Up, Resume, a power Status change, a Time-out after silence
        State after;
    } cases[] = {
        {1, 1, 0, "D", {0, 1, 0, true, 0, 100}},
        {1, 1, 0, "DU", {1, 0, 1, false, 1, 5100}}, // up reopens 5000 ms later
        {0, 1, 0, "D", {1, 0, 1, false, 0, 0}},     // Bluetooth off
        {1, 0, 0, "D", {1, 0, 1, false, 0, 0}},     // not a system stack port
        {0, 1, 1, "R", {0, 1, 1, true, 0, 100}},    // for the next stack-up
        // An external port is closed and reopened 5000 ms later, and its reopenings (all three
        // used) count from 0 again.
        {0, 0, 1, "SR", {1, 0, 1, false, 1, 5100}},
        {0, 0, 1, "RT", {1, 0, 1, false, 2, 11201}},
    };
    fakelink::Installed fakePort;
    platform::ManualClock clock;
    platform::RecordingPrompter prompter;
    for (const auto& c : cases) {
        SCOPED_TRACE(c.turns);
        engine::GpsEngine engine{clock, prompter};
        engine.bluetoothQueue = std::make_unique<platform::NotificationQueue>(10, 72);
        engine.powerQueue = std::make_unique<platform::NotificationQueue>(10, 16);
        engine::LinkSupervisor supervisor{engine};
        engine.settings.BTENBL = c.bluetooth;
        engine.microsoftStackPort = c.systemPort;
        engine.externalPort = c.external;
        engine.link.portOpen = engine::openPort(engine, true);
        supervisor.silence().externalReopenings = 3;
        fakelink::opens = 0;
        uint32_t start = clock.tickCount();
        for (char turn : std::string(c.turns)) {
            BluetoothNotification stack;
            stack.eventId =
                turn == 'D' ? platform::kBluetoothStackDown : platform::kBluetoothStackUp;
            PowerNotification power;
            power.message = turn == 'R' ? platform::kPowerResume : platform::kPowerStatusChange;
            if (turn == 'D' || turn == 'U') engine.bluetoothQueue->write(&stack, sizeof stack);
            if (turn == 'R' || turn == 'S') engine.powerQueue->write(&power, sizeof power);
            if (turn == 'T') clock.advance(5001);
            supervisor.turn(0);
        }
        EXPECT_EQ(State(engine.link.portOpen, engine.link.autoConnecting, engine.btStackUp,
                        supervisor.closedByStackDown(), fakelink::opens,
                        engine.lastDataTick - start),
                  c.after);
    }
}

// Without a system bus nothing fails and nothing is printed: the registrations exist, the sleep
// inhibitor is a no-op, and the thread runs over them.
TEST(LinkSupervisorThread, RunsOnlyOverTheNotificationSetUpWhichNeedsNoSystemBus) {
    setenv("DBUS_SYSTEM_BUS_ADDRESS", "unix:path=/nonexistent/corvane-test-bus", 1);
    platform::ManualClock clock;
    platform::RecordingPrompter prompter;
    engine::GpsEngine engine{clock, prompter};
    fakelink::Installed fakePort;
    engine::runFlag() = 1;
    engine::LinkSupervisor idle{engine}, supervisor{engine};
    idle.start();
    idle.join(); // would wait for ever (or crash) if the loop ran without the queues
    ::testing::internal::CaptureStderr();
    engine::createNotifications(engine);
    ASSERT_TRUE(engine.bluetoothRegistration && engine.powerRegistration);
    engine.powerRegistration->bus().setSleepInhibited(true);
    EXPECT_FALSE(engine.powerRegistration->bus().sleepInhibitorHeld());
    engine.externalPort = 1;
    engine.link.portOpen = engine::openPort(engine, true);
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
    EXPECT_EQ(::testing::internal::GetCapturedStderr(), "");
    unsetenv("DBUS_SYSTEM_BUS_ADDRESS");
}

} // namespace
