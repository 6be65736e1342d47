// Network sources against servers on the loopback interface: raw NMEA over TCP, a fake gpsd,
// peers that close, reset or refuse.

#include <gtest/gtest.h>

#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <string>
#include <thread>
#include <tuple>

#include "platform/NetworkPort.h"

namespace {

using platform::CommEvent;
using platform::CommPort;
using Kind = platform::NetworkAddress::Kind;

// A socket on the loopback interface with a port of the system's choice.
struct Server {
    explicit Server(bool listening = true) {
        sockaddr_in a{AF_INET, 0, {htonl(INADDR_LOOPBACK)}, {}};
        socklen_t length = sizeof a;
        EXPECT_EQ(bind(fd, reinterpret_cast<sockaddr*>(&a), length), 0);
        if (listening) listen(fd, 4);
        getsockname(fd, reinterpret_cast<sockaddr*>(&a), &length);
        port = std::to_string(ntohs(a.sin_port));
    }
    ~Server() { close(fd); }
    int fd = socket(AF_INET, SOCK_STREAM, 0);
    std::string port;
};

void send(int fd, const std::string& text) {
    ASSERT_EQ(write(fd, text.data(), text.size()), static_cast<ssize_t>(text.size()));
}

// Reads as the reader does, `chunk` bytes at most a time, until an event other than Data.
CommEvent drain(CommPort& port, size_t chunk, std::string& bytes) {
    CommEvent event;
    uint8_t buffer[1000];
    while ((event = port.waitEvent()) == CommEvent::Data) {
        ssize_t n = port.read(buffer, chunk);
        if (n > 0) bytes.append(reinterpret_cast<char*>(buffer), static_cast<size_t>(n));
    }
    return event;
}

TEST(NetworkUrl, HostPortAndKindOrRefused) {
    for (auto [url, kind, host, port] :
         {std::tuple{"tcp://gps.local:10110", Kind::Tcp, "gps.local", 10110},
          {"gpsd://[::1]:2948", Kind::Gpsd, "::1", 2948},
          {"gpsd://[fe80::1%eth0]", Kind::Gpsd, "fe80::1%eth0", 2947}}) {
        auto got = platform::parseNetworkUrl(url);
        ASSERT_TRUE(got.has_value()) << url;
        EXPECT_EQ(std::tuple(got->kind, got->host, got->port),
                  std::tuple(kind, std::string(host), uint16_t(port)));
    }
    for (const char* url : {"tcp://host", "tcp://host:0", "tcp://host:65536", "tcp://:10110",
                            "tcp://host:10110/x", "gpsd://::1:2947", "udp://host:1"})
        EXPECT_FALSE(platform::parseNetworkUrl(url).has_value()) << url;
    errno = 0;
    EXPECT_EQ(platform::openNetworkPort("tcp://host"), nullptr);
    EXPECT_EQ(errno, EINVAL);
}

TEST(NetworkPort, RawTcpWakesWhenDisarmedPurgesAndPassesEveryByteUntilThePeerCloses) {
    Server server;
    auto port = platform::openNetworkPort("tcp://localhost:" + server.port);
    ASSERT_NE(port, nullptr);
    pollfd waiting{server.fd, POLLIN, 0};
    EXPECT_EQ(poll(&waiting, 1, 0), 0) << "the open must leave the connect to the reader";
    CommEvent event{};
    std::thread waiter([&] { event = port->waitEvent(); });
    int peer = accept(server.fd, nullptr, nullptr); // the waiter connected and waits for data
    port->setEventMask(false);
    waiter.join();
    EXPECT_EQ(event, CommEvent::Woken);
    port->setEventMask(true);
    send(peer, "stale bytes");
    ASSERT_EQ(port->waitEvent(), CommEvent::Data);
    port->purge();
    std::string sent, got;
    for (int b = 0; b < 256; ++b)
        sent += static_cast<char>(b);
    send(peer, sent);
    close(peer);
    EXPECT_EQ(drain(*port, 1000, got), CommEvent::Hangup);
    EXPECT_EQ(got, sent);
    EXPECT_EQ(port->waitEvent(), CommEvent::Hangup) << "until reopened";
}

TEST(NetworkPort, GpsdIsAskedForNmeaAndOnlyItsNmeaLinesPassOn) {
    Server server;
    auto port = platform::openNetworkPort("gpsd://127.0.0.1:" + server.port);
    ASSERT_NE(port, nullptr);
    std::string got;
    CommEvent end{};
    // Reads of 5 bytes split every line across reads.
    std::thread reader([&] { end = drain(*port, 5, got); });
    int peer = accept(server.fd, nullptr, nullptr);
    std::string request;
    for (char c = 0; request.find('\n') == std::string::npos && ::read(peer, &c, 1) == 1;)
        request += c;
    EXPECT_EQ(request, "?WATCH={\"enable\":true,\"nmea\":true}\n");
    send(peer,
         "{\"class\":\"VERSION\"}\r\n$GPGSA,A,3*39\r\n{\"class\":\"DEVICES\",\"devices\":[]}\r\n"
         "$GPRMC,123519,A*6A\r\n{\"class\":\"WATCH\"}\r\n");
    close(peer);
    reader.join();
    EXPECT_EQ(got, "$GPGSA,A,3*39\r\n$GPRMC,123519,A*6A\r\n");
    EXPECT_EQ(end, CommEvent::Hangup);
}

TEST(NetworkPort, ResetAndRefusedPeersHangUpWithTheReason) {
    Server server;
    auto port = platform::openNetworkPort("tcp://127.0.0.1:" + server.port);
    std::string ignored;
    std::thread reader([&] { EXPECT_EQ(drain(*port, 1000, ignored), CommEvent::Hangup); });
    int peer = accept(server.fd, nullptr, nullptr);
    linger reset{1, 0};
    setsockopt(peer, SOL_SOCKET, SO_LINGER, &reset, sizeof reset);
    close(peer);
    reader.join();
    uint8_t byte;
    EXPECT_EQ(port->read(&byte, 1), -1);
    EXPECT_EQ(errno, ECONNRESET);

    Server closed(false); // a port nobody listens on
    port = platform::openNetworkPort("tcp://127.0.0.1:" + closed.port);
    ASSERT_NE(port, nullptr) << "a refusal shows on the reader's side, not at the open";
    EXPECT_EQ(port->waitEvent(), CommEvent::Hangup);
    EXPECT_EQ(port->read(&byte, 1), -1);
    EXPECT_EQ(errno, ECONNREFUSED);
}

} // namespace
