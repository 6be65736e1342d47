// openPort, closePort, the reader thread, the silence supervision and the link supervision over
// the notification queues, on scripted ports and a pseudo-terminal. Waits on the threads are
// bounded so that a fault fails instead of hanging.

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cstdlib>
#include <fcntl.h>
#include <functional>
#include <grp.h>
#include <string>
#include <thread>
#include <tuple>
#include <unistd.h>

#include "FakeLink.h"
#include "engine/Dgps.h"
#include "engine/GpsEngine.h"
#include "engine/LinkSupervisor.h"
#include "engine/Notifications.h"
#include "platform/PortMap.h"
#include "platform/Registry.h"
#include "platform/SystemBus.h"
#include "support/NmeaText.h"
#include "support/TestSupport.h"

namespace {

using platform::BluetoothNotification;
using platform::CommEvent;
using platform::PowerNotification;

// A clock other threads may sleep on: each sleep moves time on and yields the processor.
class ThreadClock final : public platform::Clock {
public:
    uint32_t tickCount() override { return tick; }
    platform::SystemTime localTime() override { return {2026, 1, 4, 1, 12, 0, 0, 0}; }
    void sleepMs(uint32_t ms) override {
        tick += ms;
        ++sleeps;
        if (duringSleep) duringSleep(ms);
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    std::atomic<uint32_t> tick{1000};
    std::atomic<int> sleeps{0};
    std::function<void(uint32_t ms)> duringSleep; // what happens elsewhere while a thread sleeps
};

bool eventually(const std::function<bool()>& done) {
    for (int i = 0; i < 10000 && !done(); ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    return done();
}

class SerialLinkTest : public ::testing::Test {
protected:
    SerialLinkTest() {
        setenv("CORVANE_REGISTRY", dir.file("registry.reg").c_str(), 1);
        dgps::resetParser();
        engine::runFlag() = 1;
    }
    ~SerialLinkTest() override {
        engine::runFlag() = 0;
        reader.join();
    }
    void mapPort(const std::string& path) {
        platform::Registry registry(platform::Registry::defaultPath());
        ASSERT_TRUE(platform::PortMap(registry).setPath("COM3:", path));
    }
    // Opens the engine's port as the user's "GPS Connect" does.
    fakelink::Port* open() {
        EXPECT_TRUE(engine::openPort(engine, false));
        std::lock_guard<std::mutex> held(engine.lock());
        engine.link.portOpen = 1;
        return dynamic_cast<fakelink::Port*>(engine.port.get());
    }
    int32_t flag(int32_t engine::LinkFlags::*field) {
        std::lock_guard<std::mutex> held(engine.lock());
        return engine.link.*field;
    }

    testsupport::TempDir dir;
    ThreadClock clock;
    platform::RecordingPrompter prompter;
    engine::GpsEngine engine{clock, prompter};
    fakelink::Installed fake;
    engine::ReaderThread reader{engine};
};

constexpr const char* kOpenFailed =
    "Error opening Com Port: COM3:. Please verify the correct GPS Com Port has been selected and "
    "then retry.";

TEST_F(SerialLinkTest, AttemptsOneSecondApartAndOneMessageNamingTheGroupOfARefusedDevice) {
    fakelink::refuse = ENOENT;
    for (auto [external, stackPort, silent, elapsed, messages] : {std::tuple{0, 0, false, 0u, 1u},
                                                                  {1, 0, false, 14000u, 1u},
                                                                  {1, 1, false, 9000u, 1u},
                                                                  {1, 0, true, 14000u, 0u}}) {
        prompter.clear();
        engine.externalPort = external;
        engine.microsoftStackPort = stackPort;
        uint32_t before = clock.tick;
        EXPECT_FALSE(engine::openPort(engine, silent));
        EXPECT_EQ(clock.tick - before, elapsed);
        EXPECT_EQ(prompter.messages(), std::vector<std::string>(messages, kOpenFailed));
    }
    // A device that refuses the user: the message names the group to join.
    mapPort(dir.path());
    fakelink::refuse = EACCES;
    EXPECT_FALSE(engine::openPort(engine, false));
    const std::string group = getgrgid(getegid())->gr_name; // the temporary folder's group
    EXPECT_EQ(prompter.messages(),
              std::vector<std::string>{std::string(kOpenFailed) + "\n" + dir.path() +
                                       " belongs to the group \"" + group +
                                       "\": add your user to that group and log in again."});
}

TEST_F(SerialLinkTest, OpenConfiguresDropsAndRaisesLinesPurgesAndDisarms) {
    engine.settings.GPSBaud = '5';
    engine.settings.GPSDatabits = '7';
    engine.settings.GPSStopBits = '1';
    engine.settings.GPSParity = '3';
    engine.settings.GPSRTS = '1';
    engine.settings.GPSDTR = '0';
    engine.reconnectCount = 2;
    clock.tick = 1500;
    EXPECT_EQ(open()->log, "configure 14400 7 1 3|lines dtr0 rts0|lines dtr0 rts1|purge|disarm|");
    EXPECT_EQ(engine.reconnectCount, 0);
    EXPECT_EQ(engine.lastDataTick, 1500u);

    engine::closePort(engine);
    fakelink::refuseSettings = true;
    EXPECT_FALSE(engine::openPort(engine, false));
    EXPECT_EQ(engine.port, nullptr);
    EXPECT_EQ(prompter.messages(),
              std::vector<std::string>{"Error setting Com Port: COM3: parameters. OS Error Code: "
                                       "22.\nUse the \"GPS Connect\" menu option to retry, when "
                                       "ready."});
}

TEST_F(SerialLinkTest, TenthLineErrorClearsCommOkAndCloseWakesTheReaderFeedsNothingAndSetsIt) {
    fakelink::Port* port = open();
    std::shared_ptr<platform::CommPort> kept = engine.port;
    for (int i = 0; i < 9; ++i)
        port->push(CommEvent::LineError, {1, 0, 0, 0, 0});
    for (int i = 0; i < 3; ++i)
        port->push(CommEvent::LineError, {0, 0, 0, 0, 3}); // a receive-queue overflow alone
    reader.start();
    ASSERT_TRUE(eventually([&] { return port->waits == 13; })); // all twelve answered
    EXPECT_EQ(flag(&engine::LinkFlags::commOk), 1);
    port->push(CommEvent::LineError, {0, 1, 0, 0, 1});
    ASSERT_TRUE(eventually([&] { return port->waits == 14; }));
    EXPECT_EQ(flag(&engine::LinkFlags::commOk), 0);
    port->wokenAs = CommEvent::Data; // as if bytes arrived together with the close
    engine::closePort(engine);
    EXPECT_EQ(flag(&engine::LinkFlags::commOk), 1);
    ASSERT_TRUE(eventually([&] { return clock.sleeps > 5; })); // idling on the closed port
    EXPECT_EQ(port->reads, 0);
}

TEST_F(SerialLinkTest, BurstOnAPseudoTerminalLosesNothingAndItsHangupIsNotWaitedOnAgain) {
    int master = posix_openpt(O_RDWR | O_NOCTTY);
    grantpt(master);
    unlockpt(master);
    engine::setCommPortOpener(nullptr);
    mapPort(ptsname(master));
    reader.start(); // idling before the open, so that its first purge cannot drop the burst
    ASSERT_TRUE(eventually([&] { return clock.sleeps > 0; }));
    open();
    std::atomic<int> seen{0};
    dgps::setSentenceObserver(
        [](void* n, dgps::SentenceKind, const char*) { ++*static_cast<std::atomic<int>*>(n); },
        &seen);
    std::string burst;
    for (int i = 0; i < 40; ++i)
        burst += testsupport::nmea("GPGGA,1200" + std::to_string(10 + i) +
                                   ",4807.038,N,01131.000,E,1,08,0.9,545.4,M,46.9,M,,");
    ASSERT_EQ(write(master, burst.data(), burst.size()), ssize_t(burst.size()));
    EXPECT_TRUE(eventually([&] { return seen == 40; }));
    EXPECT_EQ(flag(&engine::LinkFlags::dataSeen), 1);
    dgps::setSentenceObserver(nullptr, nullptr);
    int sleeps = clock.sleeps;
    close(master);
    EXPECT_TRUE(eventually([&] { return clock.sleeps > sleeps + 20; })); // idling, not waiting
    engine::closePort(engine);
}

TEST_F(SerialLinkTest, AutoConnectingEndsAfter25Seconds) {
    engine::SilenceSupervision supervision;
    // autoConnecting set to (-1 left alone), time passed, autoConnecting after a turn. A
    // reconnection that ended by itself leaves no start behind for the next one.
    for (auto [set, passed, after] : {std::tuple{1, 0u, 1},
                                      {-1, 25000u, 1},
                                      {-1, 1u, 0},
                                      {1, 0u, 1},
                                      {0, 0u, 0},
                                      {1, 30000u, 1}}) {
        if (set >= 0) engine.link.autoConnecting = set;
        clock.tick += passed;
        engine::superviseSilence(engine, supervision);
        EXPECT_EQ(engine.link.autoConnecting, after);
    }
}

// The owner stops the program while the supervision waits before its reopen: no reopen, no
// attempts to wait out, no message after the user has quit, and the port stays closed.
TEST_F(SerialLinkTest, NoReopenWhenTheProgramStopsDuringTheWaitBeforeIt) {
    for (char kind : {'p', 'v'}) {
        engine.externalPort = 1;
        engine.btPortInUse = engine.drakarPort = kind == 'v';
        open();
        fakelink::opens = 0;
        prompter.clear();
        engine::runFlag() = 1;
        clock.duringSleep = [](uint32_t ms) {
            if (ms == 1000) engine::runFlag() = 0;
        };
        engine.lastDataTick = clock.tick - 5001;
        engine::SilenceSupervision supervision;
        engine::superviseSilence(engine, supervision);
        clock.duringSleep = nullptr;
        EXPECT_EQ(fakelink::opens, 0) << kind;
        EXPECT_EQ(engine.link.portOpen + engine.link.autoConnecting, 0) << kind;
        EXPECT_TRUE(prompter.entries().empty()) << kind;
    }
}

TEST_F(SerialLinkTest, SilentPortIsReopenedByTheRulesOfItsKind) {
    // Ports: 'p'lain, of the 'v'endor stack, of the system stack 'u'p or 'd'own. After one turn
    // at 5000 ms of silence and four at 5001 ms: opens, portOpen, dataSeen, messages.
    using After = std::tuple<int, int32_t, int32_t, size_t>;
    for (auto [kind, external, reconnects, refuse, after] :
         {std::tuple{'p', 0, 0, ENOENT, After{0, 1, 0, 0}}, // loses dataSeen only
          {'p', 1, 0, ENOENT, After{45, 1, 0, 3}},          // 3 reopens, then open-but-failed
          {'u', 1, 0, ENOENT, After{10, 0, 1, 0}},          // 1 silent reconnect
          {'d', 1, 0, ENOENT, After{0, 1, 1, 0}},           // left alone
          {'v', 1, 0, ENOENT, After{15, 0, 1, 0}},          // external, so 15 attempts
          {'v', 1, 3, ENOENT, After{45, 1, 0, 3}},          // reconnects used up: external rule
          {'v', 0, 0, 0, After{4, 1, 0, 0}}}) {             // each success restarts the count
        engine.btPortInUse = kind != 'p';
        engine.drakarPort = kind == 'v';
        engine.microsoftStackPort = kind == 'u' || kind == 'd';
        engine.btStackUp = kind != 'd';
        engine.externalPort = external;
        open();
        engine.reconnectCount = reconnects;
        fakelink::opens = 0;
        fakelink::refuse = refuse;
        prompter.clear();
        engine::SilenceSupervision supervision;
        for (uint32_t silentMs : {5000, 5001, 5001, 5001, 5001}) {
            engine.lastDataTick = clock.tick;
            engine.link.dataSeen = 1;
            clock.tick += silentMs;
            engine::superviseSilence(engine, supervision);
        }
        EXPECT_EQ(After(fakelink::opens, engine.link.portOpen, engine.link.dataSeen,
                        prompter.messages().size()),
                  after);
        EXPECT_EQ(engine.link.autoConnecting, 0);
        engine::closePort(engine);
        fakelink::refuse = 0;
    }
}

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
