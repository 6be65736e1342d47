// The link from end to end: a source named through the port map, openPort, the link threads
// (reader and supervision), the parser and the refresh; the orderly stop at exit. Sources: a
// pseudo-terminal and loopback TCP servers (raw and gpsd), each fed by the simulator.

#include <gtest/gtest.h>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <pty.h>
#include <sys/socket.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <cstdlib>
#include <string>
#include <thread>

#include "engine/GpsEngine.h"
#include "engine/LinkThreads.h"
#include "engine/NmeaSimulator.h"
#include "engine/SerialLink.h"
#include "platform/PortMap.h"
#include "platform/Registry.h"
#include "support/TestSupport.h"

namespace {

using platform::RegistryRoot;
constexpr const char* kTimeouts = "System\\CurrentControlSet\\Power\\Timeouts";

// Writes simulator epochs every 20 ms to a descriptor until stopped.
class Feeder {
public:
    explicit Feeder(int fd, std::string before = "") : fd_(fd), before_(std::move(before)) {
        thread_ = std::thread([this] {
            engine::SimulatorConfig config;
            config.latitude = -33.9;
            config.longitude = -70.6;
            config.speedMps = 0;
            engine::NmeaSimulator simulator(config);
            char epoch[engine::kMaxEpochBytes];
            for (uint64_t i = 0; !stop_; ++i) {
                std::string text = before_;
                text.append(epoch, simulator.writeEpoch(i, epoch, sizeof epoch));
                if (::write(fd_, text.data(), text.size()) < 0) break;
                std::this_thread::sleep_for(std::chrono::milliseconds(20));
            }
        });
    }
    ~Feeder() {
        stop_ = true;
        thread_.join();
        ::close(fd_);
    }

private:
    int fd_;
    std::string before_;
    std::atomic<bool> stop_{false};
    std::thread thread_;
};

// A loopback server with one connection; port() for the map value.
struct Server {
    Server() {
        fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        socklen_t length = sizeof address;
        ::bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address);
        ::listen(fd, 1);
        ::getsockname(fd, reinterpret_cast<sockaddr*>(&address), &length);
        port = ntohs(address.sin_port);
    }
    ~Server() { ::close(fd); }
    int fd;
    int port;
};

std::string readLine(int fd) {
    std::string line;
    char c;
    while (::read(fd, &c, 1) == 1 && c != '\n')
        line += c;
    return line;
}

class LinkEndToEnd : public ::testing::TestWithParam<const char*> {
protected:
    LinkEndToEnd() {
        setenv("CORVANE_REGISTRY", dir.file("registry.reg").c_str(), 1);
        registry.setDword(RegistryRoot::LocalMachine, kTimeouts, "BattSuspendTimeout", 60);
        registry.setDword(RegistryRoot::LocalMachine, kTimeouts, "ACSuspendTimeout", 120);
        engine.registry = &registry;
        std::copy_n(u"COM5:", 6, engine.portName);
        engine.externalPort = 1;
    }
    std::string timeouts() {
        return std::to_string(*registry.queryDword(RegistryRoot::LocalMachine, kTimeouts,
                                                   "BattSuspendTimeout")) +
               "/" +
               std::to_string(
                   *registry.queryDword(RegistryRoot::LocalMachine, kTimeouts, "ACSuspendTimeout"));
    }
    // Refreshes as the 200 ms timer does until a fix shows; false after 10 s without one.
    bool waitForFix() {
        for (int i = 0; i < 500; ++i) {
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
            std::lock_guard<std::mutex> held(engine.lock());
            engine.refreshLocked();
            if (engine.state.position.quality != 0) return true;
        }
        return false;
    }

    testsupport::TempDir dir;
    platform::Registry registry{dir.file("registry.reg")};
    platform::SystemClock clock;
    platform::RecordingPrompter prompter;
    engine::GpsEngine engine{clock, prompter};
};

TEST_P(LinkEndToEnd, SourceReachesTheStateUntilTheStopClosesItAndRestoresTheTimeouts) {
    const std::string kind = GetParam();
    std::unique_ptr<Feeder> feeder;
    Server server;
    platform::PortMap map(registry);
    int master = -1;
    if (kind == "pty") {
        int slave;
        char name[256];
        ASSERT_EQ(openpty(&master, &slave, name, nullptr, nullptr), 0);
        ::close(slave);
        ASSERT_TRUE(map.setPath("COM5:", name));
        feeder = std::make_unique<Feeder>(master);
    } else {
        ASSERT_TRUE(map.setPath("COM5:", kind + "://127.0.0.1:" + std::to_string(server.port)));
    }
    ASSERT_TRUE(engine::openPort(engine, false)) << prompter.messages().at(0);
    engine.link.portOpen = 1;
    {
        engine::LinkThreads threads(engine);
        threads.start();
        EXPECT_EQ(timeouts(), "0/0");
        if (kind != "pty") {
            int peer = ::accept4(server.fd, nullptr, nullptr, SOCK_CLOEXEC);
            ASSERT_GE(peer, 0);
            if (kind == "gpsd") {
                EXPECT_EQ(readLine(peer), "?WATCH={\"enable\":true,\"nmea\":true}");
                feeder = std::make_unique<Feeder>(peer, "{\"class\":\"TPV\",\"lat\":1.5}\r\n");
            } else {
                feeder = std::make_unique<Feeder>(peer);
            }
        }
        ASSERT_TRUE(waitForFix());
        EXPECT_NEAR(engine.state.position.latitude, -33.9, 0.001);
        EXPECT_NEAR(engine.state.position.longitude, -70.6, 0.001);
        EXPECT_EQ(engine.link.dataSeen, 1);
        threads.stop();
        EXPECT_EQ(engine::runFlag().load(), 0);
        EXPECT_EQ(engine.link.portOpen + engine.link.dataSeen, 0);
        EXPECT_EQ(engine.port, nullptr);
        EXPECT_EQ(engine.state.position.quality, 0) << "the close reset the state";
        EXPECT_EQ(timeouts(), "60/120");
    }
    EXPECT_TRUE(prompter.entries().empty());
}

INSTANTIATE_TEST_SUITE_P(Sources, LinkEndToEnd, ::testing::Values("pty", "tcp", "gpsd"),
                         [](const auto& info) { return std::string(info.param); });

// A clock whose waits stand for the owner's exit arriving during them.
struct ExitDuringWait final : platform::Clock {
    uint32_t tickCount() override { return 1000; }
    platform::SystemTime localTime() override { return {}; }
    void sleepMs(uint32_t) override {
        ++waits;
        engine::runFlag().store(0);
    }
    int waits = 0;
};

TEST(LinkShutdown, ExitCutsAWorkersReopenAttemptsShortWithoutAMessage) {
    testsupport::TempDir dir;
    setenv("CORVANE_REGISTRY", dir.file("registry.reg").c_str(), 1);
    platform::Registry registry(dir.file("registry.reg"));
    ASSERT_TRUE(platform::PortMap(registry).setPath("COM5:", dir.file("no-such-tty")));
    ExitDuringWait clock;
    platform::RecordingPrompter prompter;
    engine::GpsEngine engine(clock, prompter);
    std::copy_n(u"COM5:", 6, engine.portName);
    engine.externalPort = 1; // 15 attempts
    engine::runFlag().store(1);
    EXPECT_FALSE(engine::openPort(engine, false));
    EXPECT_EQ(clock.waits, 1);
    EXPECT_TRUE(prompter.entries().empty());
}

} // namespace
