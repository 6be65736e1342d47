// The link from end to end: a source named through the port map, openPort, the link threads,
// the parser and the refresh, then the stop at exit. Sources: a pseudo-terminal and loopback TCP
// servers (raw and gpsd), each fed by the simulator.

#include <gtest/gtest.h>

#include <arpa/inet.h>
#include <pty.h>
#include <unistd.h>

#include <chrono>
#include <string>
#include <thread>
#include <utility>

#include "engine/GpsEngine.h"
#include "engine/LinkThreads.h"
#include "engine/NmeaSimulator.h"
#include "platform/PortMap.h"
#include "platform/Registry.h"
#include "support/TestSupport.h"

namespace {

using platform::RegistryRoot;
constexpr const char* kTimeouts = "System\\CurrentControlSet\\Power\\Timeouts";

// Writes simulator epochs at -33.9, -70.6 every 20 ms to fd (each after `before`) until stopped,
// then closes fd.
std::jthread feed(int fd, std::string before = "") {
    return std::jthread([fd, before](std::stop_token stop) {
        engine::NmeaSimulator simulator({-33.9, -70.6, 0.0});
        char epoch[engine::kMaxEpochBytes];
        for (uint64_t i = 0; !stop.stop_requested(); ++i) {
            std::string text =
                before + std::string(epoch, simulator.writeEpoch(i, epoch, sizeof epoch));
            if (::write(fd, text.data(), text.size()) < 0) break;
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
        }
        ::close(fd);
    });
}

class LinkEndToEnd : public ::testing::TestWithParam<const char*> {
protected:
    std::pair<uint32_t, uint32_t> timeouts() {
        auto get = [&](const char* name) {
            return registry.queryDword(RegistryRoot::LocalMachine, kTimeouts, name).value_or(0);
        };
        return {get("BattSuspendTimeout"), get("ACSuspendTimeout")};
    }
    testsupport::TempDir dir;
    platform::Registry registry{dir.file("registry.reg")};
    platform::SystemClock clock;
    platform::RecordingPrompter prompter;
    engine::GpsEngine engine{clock, prompter};
};

TEST_P(LinkEndToEnd, SourceReachesTheStateUntilTheStopClosesItAndRestoresTheTimeouts) {
    const std::string kind = GetParam();
    setenv("CORVANE_REGISTRY", dir.file("registry.reg").c_str(), 1);
    registry.setDword(RegistryRoot::LocalMachine, kTimeouts, "BattSuspendTimeout", 60);
    registry.setDword(RegistryRoot::LocalMachine, kTimeouts, "ACSuspendTimeout", 120);
    engine.registry = &registry;
    std::copy_n(u"COM5:", 6, engine.portName);
    std::jthread feeder;
    int server = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in address{AF_INET, 0, {htonl(INADDR_LOOPBACK)}, {}};
    socklen_t length = sizeof address;
    ASSERT_EQ(::bind(server, reinterpret_cast<sockaddr*>(&address), length) + ::listen(server, 1),
              0);
    ::getsockname(server, reinterpret_cast<sockaddr*>(&address), &length);
    std::string source = kind + "://127.0.0.1:" + std::to_string(ntohs(address.sin_port));
    if (kind == "pty") {
        int master, slave;
        char name[256];
        ASSERT_EQ(openpty(&master, &slave, name, nullptr, nullptr), 0);
        ::close(slave);
        feeder = feed(master);
        source = name;
    }
    ASSERT_TRUE(platform::PortMap(registry).setPath("COM5:", source));
    ASSERT_TRUE(engine::openPort(engine, false)) << prompter.messages().at(0);
    engine.link.portOpen = 1;
    engine::LinkThreads threads(engine);
    threads.start();
    EXPECT_EQ(timeouts(), std::pair(0u, 0u));
    if (kind != "pty") {
        int peer = ::accept4(server, nullptr, nullptr, SOCK_CLOEXEC);
        char request[64] = {};
        if (kind == "gpsd") {
            EXPECT_GT(::read(peer, request, sizeof request - 1), 0);
        }
        EXPECT_STREQ(request, kind == "gpsd" ? "?WATCH={\"enable\":true,\"nmea\":true}\n" : "");
        feeder = feed(peer, kind == "gpsd" ? "{\"class\":\"TPV\"}\r\n" : "");
    }
    // Refreshed as the 200 ms timer does, until a fix shows (at most 10 s).
    for (int i = 0; i < 500 && engine.state.position.quality == 0; ++i) {
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
        while (!engine.refresh()) {
        }
    }
    EXPECT_NEAR(engine.state.position.latitude, -33.9, 0.001);
    EXPECT_NEAR(engine.state.position.longitude, -70.6, 0.001);
    EXPECT_EQ(engine.link.dataSeen, 1);
    threads.stop();
    EXPECT_EQ(engine::runFlag().load() + engine.link.portOpen + engine.link.dataSeen, 0);
    EXPECT_EQ(engine.port, nullptr);
    EXPECT_EQ(engine.state.position.quality, 0) << "the close reset the state";
    EXPECT_EQ(timeouts(), std::pair(60u, 120u));
    EXPECT_TRUE(prompter.entries().empty());
    ::close(server);
}

INSTANTIATE_TEST_SUITE_P(Sources, LinkEndToEnd, ::testing::Values("pty", "tcp", "gpsd"),
                         [](const auto& info) { return std::string(info.param); });

} // namespace
