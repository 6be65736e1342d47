// openPort, closePort, the reader thread and the silence supervision, with scripted ports and a
// pseudo-terminal. The reader tests pace their waits only to avoid hanging; nothing is timed.

#include <gtest/gtest.h>

#include <atomic>
#include <cerrno>
#include <chrono>
#include <condition_variable>
#include <cstdlib>
#include <deque>
#include <fcntl.h>
#include <functional>
#include <grp.h>
#include <mutex>
#include <string>
#include <thread>
#include <unistd.h>

#include "engine/Dgps.h"
#include "engine/GpsEngine.h"
#include "engine/SerialLink.h"
#include "platform/PortMap.h"
#include "platform/Registry.h"
#include "support/NmeaText.h"
#include "support/TestSupport.h"

namespace {

using platform::CommEvent;

// A clock other threads may sleep on: each sleep moves time on and yields the processor.
class ThreadClock final : public platform::Clock {
public:
    uint32_t tickCount() override { return tick_.load(); }
    platform::SystemTime localTime() override { return {2026, 1, 4, 1, 12, 0, 0, 0}; }
    void sleepMs(uint32_t ms) override {
        tick_ += ms;
        ++sleeps_;
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    std::atomic<uint32_t> tick_{1000};
    std::atomic<int> sleeps_{0};
};

// Waits (paced, bounded so a fault fails instead of hanging) until done() holds.
bool eventually(const std::function<bool()>& done) {
    for (int i = 0; i < 10000 && !done(); ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    return done();
}

std::atomic<int> portReads{0}; // reads of every scripted port; they outlive the port

// A port that records what is done to it and answers waits from a script; with the script empty
// a wait blocks until the port is disarmed.
class ScriptedPort final : public platform::CommPort {
public:
    bool configure(const platform::LineSettings& s) override {
        log += "configure " + std::to_string(s.baud) + " " + std::to_string(s.dataBits) + " " +
               std::to_string(int(s.stopBits)) + " " + std::to_string(int(s.parity)) + "|";
        errno = EINVAL;
        return configureOk;
    }
    bool setModemLines(bool dtr, bool rts) override {
        log += "lines dtr" + std::to_string(dtr) + " rts" + std::to_string(rts) + "|";
        return true;
    }
    void purge() override { log += "purge|"; }
    void setEventMask(bool armed) override {
        std::lock_guard<std::mutex> held(m);
        armed_ = armed;
        if (!armed) log += "disarm|";
        changed.notify_all();
    }
    CommEvent waitEvent() override {
        std::unique_lock<std::mutex> held(m);
        ++waits;
        waiting = true;
        changed.notify_all();
        changed.wait(held, [&] { return !armed_ || !script.empty(); });
        waiting = false;
        if (!armed_) return wokenAs;
        CommEvent e = script.front().first;
        errors = script.front().second;
        script.pop_front();
        return e;
    }
    ssize_t read(uint8_t* buffer, size_t size) override {
        ++portReads;
        size_t n = std::min(size, data.size());
        std::copy_n(data.begin(), n, buffer);
        data.erase(0, n);
        return ssize_t(n);
    }
    bool clearErrors(platform::LineErrorCounts* counts) override {
        *counts = errors;
        return true;
    }
    void push(CommEvent e, platform::LineErrorCounts c = {}) {
        std::lock_guard<std::mutex> held(m);
        script.emplace_back(e, c);
        changed.notify_all();
    }
    bool isWaiting() {
        std::lock_guard<std::mutex> held(m);
        return waiting && script.empty();
    }

    std::string log;
    bool configureOk = true;
    CommEvent wokenAs = CommEvent::Woken;
    std::string data;
    std::atomic<int> waits{0};

private:
    std::mutex m;
    std::condition_variable changed;
    bool armed_ = true;
    bool waiting = false;
    std::deque<std::pair<CommEvent, platform::LineErrorCounts>> script;
    platform::LineErrorCounts errors;
};

// What the scripted opener hands out: a prepared port, or nothing with errno.
ScriptedPort* nextPort = nullptr;
int openerErrno = ENOENT;
int opens = 0;
std::string openedDevice;

std::unique_ptr<platform::CommPort> scriptedOpener(const std::string& device) {
    ++opens;
    openedDevice = device;
    if (nextPort == nullptr) {
        errno = openerErrno;
        return nullptr;
    }
    std::unique_ptr<platform::CommPort> port(nextPort);
    nextPort = nullptr;
    return port;
}

class SerialLinkTest : public ::testing::Test {
protected:
    void SetUp() override {
        setenv("CORVANE_REGISTRY", dir.file("registry.reg").c_str(), 1);
        engine::setCommPortOpener(scriptedOpener);
        nextPort = nullptr;
        openerErrno = ENOENT;
        opens = 0;
        engine.link.portOpen = 0;
    }
    void TearDown() override {
        engine::runFlag() = 0;
        engine::setCommPortOpener(nullptr);
        delete nextPort;
        nextPort = nullptr;
    }
    void mapPort(const std::string& path) {
        platform::Registry registry(platform::Registry::defaultPath());
        ASSERT_TRUE(platform::PortMap(registry).setPath("COM3:", path));
    }
    // Opens a scripted port as the engine's open port and returns it.
    ScriptedPort* openScripted() {
        auto* port = new ScriptedPort;
        nextPort = port;
        EXPECT_TRUE(engine::openPort(engine, false));
        engine.link.portOpen = 1;
        return port;
    }

    testsupport::TempDir dir;
    platform::RecordingPrompter prompter;
    platform::ManualClock clock;
    engine::GpsEngine engine{clock, prompter};
};

constexpr const char* kOpenFailed =
    "Error opening Com Port: COM3:. Please verify the correct GPS Com Port has been selected and "
    "then retry.";

TEST_F(SerialLinkTest, AttemptsOneSecondApartAndOneMessage) {
    const struct {
        int32_t external, stackPort;
        bool silent;
        uint32_t elapsed;
        size_t messages;
    } cases[] = {{0, 0, false, 0, 1},
                 {1, 0, false, 14000, 1},
                 {1, 1, false, 9000, 1},
                 {1, 0, true, 14000, 0}};
    for (const auto& c : cases) {
        prompter.clear();
        engine.externalPort = c.external;
        engine.microsoftStackPort = c.stackPort;
        uint32_t before = clock.tickCount();
        EXPECT_FALSE(engine::openPort(engine, c.silent));
        EXPECT_EQ(clock.tickCount() - before, c.elapsed);
        EXPECT_EQ(prompter.messages(), std::vector<std::string>(c.messages, kOpenFailed));
    }
    EXPECT_EQ(openedDevice, "/dev/ttyUSB0");
}

TEST_F(SerialLinkTest, RefusedDeviceNamesTheGroupToJoin) {
    mapPort(dir.path());
    openerErrno = EACCES;
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
    clock.advance(500);
    ScriptedPort* port = openScripted();
    EXPECT_EQ(port->log, "configure 14400 7 1 3|lines dtr0 rts0|lines dtr0 rts1|purge|disarm|");
    EXPECT_EQ(engine.port.get(), port);
    EXPECT_EQ(engine.reconnectCount, 0);
    EXPECT_EQ(engine.lastDataTick, 1500u);

    engine::closePort(engine);
    EXPECT_EQ(engine.port, nullptr);
    nextPort = new ScriptedPort;
    nextPort->configureOk = false;
    EXPECT_FALSE(engine::openPort(engine, false));
    EXPECT_EQ(engine.port, nullptr);
    EXPECT_EQ(prompter.messages(),
              std::vector<std::string>{"Error setting Com Port: COM3: parameters. OS Error Code: "
                                       "22.\nUse the \"GPS Connect\" menu option to retry, when "
                                       "ready."});
}

// The reader tests share the engine with a reader thread, so they run on a ThreadClock.
class ReaderTest : public SerialLinkTest {
protected:
    void SetUp() override {
        SerialLinkTest::SetUp();
        dgps::resetParser();
        engine::runFlag() = 1;
    }
    void TearDown() override {
        engine::runFlag() = 0;
        reader.join();
        SerialLinkTest::TearDown();
    }
    ScriptedPort* openScripted() {
        auto* port = new ScriptedPort;
        nextPort = port;
        EXPECT_TRUE(engine::openPort(readerEngine, false));
        std::lock_guard<std::mutex> held(readerEngine.lock());
        readerEngine.link.portOpen = 1;
        return port;
    }
    int32_t flag(int32_t engine::LinkFlags::*field) {
        std::lock_guard<std::mutex> held(readerEngine.lock());
        return readerEngine.link.*field;
    }

    ThreadClock threadClock;
    engine::GpsEngine readerEngine{threadClock, prompter};
    engine::ReaderThread reader{readerEngine};
};

TEST_F(ReaderTest, CloseWakesTheReaderAndNothingIsFedAfterTheReset) {
    portReads = 0;
    ScriptedPort* port = openScripted();
    port->wokenAs = CommEvent::Data; // as if bytes arrived together with the close
    port->data = testsupport::nmea("GPGGA,120000,4807.038,N,01131.000,E,1,08,0.9,545.4,M,,M,,");
    reader.start();
    ASSERT_TRUE(eventually([&] { return port->isWaiting(); }));
    engine::closePort(readerEngine);
    ASSERT_TRUE(eventually([&] { return threadClock.sleeps_ > 5; })); // idling on the closed port
    EXPECT_EQ(portReads, 0); // the port itself is gone with the close
    EXPECT_EQ(dgps::lineFeedsFramed(), 0u);
}

TEST_F(ReaderTest, HangupIsNotWaitedOnAgain) {
    ScriptedPort* port = openScripted();
    port->push(CommEvent::Hangup);
    port->push(CommEvent::Hangup);
    reader.start();
    ASSERT_TRUE(eventually([&] { return threadClock.sleeps_ > 20; }));
    EXPECT_EQ(port->waits, 1);
}

TEST_F(ReaderTest, TenthLineErrorClearsCommOkAndCloseSetsIt) {
    ScriptedPort* port = openScripted();
    const platform::LineErrorCounts frame{1, 0, 0, 0, 0}, overflow{0, 0, 0, 0, 3};
    for (int i = 0; i < 9; ++i)
        port->push(CommEvent::LineError, frame);
    for (int i = 0; i < 3; ++i)
        port->push(CommEvent::LineError, overflow); // a receive-queue overflow alone
    reader.start();
    ASSERT_TRUE(eventually([&] { return port->isWaiting(); }));
    EXPECT_EQ(flag(&engine::LinkFlags::commOk), 1);
    port->push(CommEvent::LineError, {0, 1, 0, 0, 1});
    ASSERT_TRUE(eventually([&] { return port->isWaiting() && port->waits == 14; }));
    EXPECT_EQ(flag(&engine::LinkFlags::commOk), 0);
    engine::closePort(readerEngine);
    EXPECT_EQ(flag(&engine::LinkFlags::commOk), 1);
}

std::atomic<int> ggaSeen{0};

TEST_F(ReaderTest, BurstOnAPseudoTerminalLosesNothing) {
    int master = posix_openpt(O_RDWR | O_NOCTTY);
    ASSERT_GE(master, 0);
    grantpt(master);
    unlockpt(master);
    engine::setCommPortOpener(nullptr);
    mapPort(ptsname(master));
    reader.start(); // idling before the open, so that its first purge cannot drop the burst
    ASSERT_TRUE(eventually([&] { return threadClock.sleeps_ > 0; }));
    ASSERT_TRUE(engine::openPort(readerEngine, false));
    {
        std::lock_guard<std::mutex> held(readerEngine.lock());
        readerEngine.link.portOpen = 1;
    }
    ggaSeen = 0;
    dgps::setSentenceObserver([](void*, dgps::SentenceKind, const char*) { ++ggaSeen; }, nullptr);
    std::string burst;
    for (int i = 0; i < 40; ++i)
        burst += testsupport::nmea("GPGGA,1200" + std::to_string(10 + i) +
                                   ",4807.038,N,01131.000,E,1,08,0.9,545.4,M,46.9,M,,");
    ASSERT_GT(burst.size(), 2000u);
    ASSERT_EQ(write(master, burst.data(), burst.size()), ssize_t(burst.size()));
    EXPECT_TRUE(eventually([&] { return ggaSeen == 40; }));
    EXPECT_EQ(flag(&engine::LinkFlags::dataSeen), 1);
    dgps::setSentenceObserver(nullptr, nullptr);
    close(master);
    engine::closePort(readerEngine);
}

// One supervision turn after the given silence; flags as the turn left them.
class SupervisionTest : public SerialLinkTest {
protected:
    void turnAfter(uint32_t silentMs) {
        {
            std::lock_guard<std::mutex> held(engine.lock());
            engine.lastDataTick = clock.tickCount();
            engine.link.dataSeen = 1;
        }
        clock.advance(silentMs);
        engine::superviseSilence(engine, supervision);
    }
    engine::SilenceSupervision supervision;
};

TEST_F(SupervisionTest, AutoConnectingEndsAfter25Seconds) {
    engine.link.autoConnecting = 1;
    engine::superviseSilence(engine, supervision); // notes the start
    clock.advance(25000);
    engine::superviseSilence(engine, supervision);
    EXPECT_EQ(engine.link.autoConnecting, 1);
    clock.advance(1);
    engine::superviseSilence(engine, supervision);
    EXPECT_EQ(engine.link.autoConnecting, 0);
    // A reconnection that ended by itself leaves no start behind for the next one.
    engine.link.autoConnecting = 1;
    engine::superviseSilence(engine, supervision);
    engine.link.autoConnecting = 0;
    engine::superviseSilence(engine, supervision);
    clock.advance(30000);
    engine.link.autoConnecting = 1;
    engine::superviseSilence(engine, supervision);
    EXPECT_EQ(engine.link.autoConnecting, 1);
}

TEST_F(SupervisionTest, ExternalPortReopensThreeTimesThenOnlyLosesDataSeen) {
    engine.externalPort = 1;
    openScripted();
    turnAfter(5000);
    EXPECT_EQ(opens, 1); // 5000 ms of silence is not yet silence
    EXPECT_EQ(engine.link.dataSeen, 1);
    for (int turn = 1; turn <= 4; ++turn) {
        turnAfter(5001);
        EXPECT_EQ(opens, 1 + std::min(turn, 3) * 15); // each failed reopen tries 15 times
        EXPECT_EQ(engine.link.portOpen, 1);           // open-but-failed
        EXPECT_EQ(engine.link.autoConnecting, 0);
        EXPECT_EQ(engine.link.dataSeen, 0);
    }
    EXPECT_EQ(prompter.messages(), std::vector<std::string>(3, kOpenFailed));
}

TEST_F(SupervisionTest, BluetoothPortReconnectsSilently) {
    const struct {
        int32_t drakar, stackPort, stackUp, reconnects;
        int opensAfterFourTurns;
        int32_t portOpen;
        size_t messages;
    } cases[] = {
        {0, 1, 1, 0, 1 + 10, 0, 0},     // system stack: one silent reconnect of 10 attempts
        {0, 1, 0, 0, 1, 1, 0},          // system stack down: left alone
        {1, 0, 0, 0, 1 + 15, 0, 0},     // vendor stack: external, so 15 attempts
        {1, 0, 0, 3, 1 + 3 * 15, 1, 3}, // reconnects used up: the external-port rule
    };
    for (const auto& c : cases) {
        opens = 0;
        prompter.clear();
        engine.btPortInUse = 1;
        engine.drakarPort = c.drakar;
        engine.microsoftStackPort = c.stackPort;
        engine.btStackUp = c.stackUp;
        engine.externalPort = 1;
        supervision = {};
        openScripted();
        engine.reconnectCount = c.reconnects;
        for (int turn = 0; turn < 4; ++turn)
            turnAfter(5001);
        EXPECT_EQ(opens, c.opensAfterFourTurns);
        EXPECT_EQ(engine.link.portOpen, c.portOpen);
        EXPECT_EQ(engine.link.autoConnecting, 0);
        EXPECT_EQ(prompter.messages().size(), c.messages);
        engine::closePort(engine);
    }
}

TEST_F(SupervisionTest, SuccessfulReconnectRestartsTheCount) {
    engine.btPortInUse = 1;
    engine.drakarPort = 1;
    openScripted();
    ScriptedPort* reopened = nextPort = new ScriptedPort;
    turnAfter(5001);
    EXPECT_EQ(engine.reconnectCount, 0);
    EXPECT_EQ(engine.link.portOpen, 1);
    EXPECT_EQ(engine.port.get(), reopened);
}

} // namespace
