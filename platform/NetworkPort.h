#pragma once
// A receiver reached over the network instead of a serial device:
//   "tcp://HOST:PORT"    raw NMEA 0183 on a TCP connection (a phone app, ser2net, an RTK box);
//   "gpsd://HOST[:PORT]" a gpsd daemon (default port 2947), asked for its NMEA watch; the JSON
//                        reports it sends besides the sentences are dropped.
// HOST is a name, an IPv4 address or an IPv6 address in brackets ("[::1]:2947").
//
// Opening never blocks: the name lookup runs on a short-lived background thread, and the
// connection is made, without blocking, inside the reader's waitEvent. A lookup or connection
// that fails or takes too long, and a peer that closes or resets, make waitEvent return Hangup;
// the engine's silence supervision then reopens the port as it does a serial one. Serial
// settings and modem lines do not apply and are accepted as they are.

#include <chrono>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include <sys/socket.h>

#include "platform/CommPort.h"

namespace platform {

// What a network port-map value names.
struct NetworkAddress {
    enum class Kind { Tcp, Gpsd };
    Kind kind = Kind::Tcp;
    std::string host; // without the brackets of an IPv6 literal
    uint16_t port = 0;
};

inline constexpr uint16_t kGpsdDefaultPort = 2947;

// The parts of "tcp://HOST:PORT" or "gpsd://HOST[:PORT]"; nothing when the value is malformed
// (unknown scheme, empty or unbracketed IPv6 host, port missing for tcp, port outside 1..65535,
// anything after the port).
std::optional<NetworkAddress> parseNetworkUrl(const std::string& url);

// True when the value names a network source (starts with "tcp://" or "gpsd://").
bool isNetworkUrl(const std::string& value);

// Opens a network source; returns at once. Nothing, with errno EINVAL, for a malformed value
// (EAGAIN when no background thread could be started).
std::unique_ptr<CommPort> openNetworkPort(const std::string& url);

class NetworkPort final : public CommPort {
public:
    // Time allowed for the name lookup, and for the connection to each address found.
    static constexpr std::chrono::seconds kLookupTimeout{10};
    static constexpr std::chrono::seconds kConnectTimeout{5};
    // Addresses of one name tried in turn, at most.
    static constexpr size_t kMaxAddresses = 4;

    struct Lookup; // shared with the lookup thread, which may outlive the port

    // Takes over wakeFd, a non-blocking eventfd.
    NetworkPort(const NetworkAddress& address, std::shared_ptr<Lookup> lookup, int wakeFd);
    ~NetworkPort() override;
    NetworkPort(const NetworkPort&) = delete;
    NetworkPort& operator=(const NetworkPort&) = delete;

    bool configure(const LineSettings& settings) override;
    bool setModemLines(bool dtr, bool rts) override;
    void purge() override;
    void setEventMask(bool armed) override;
    CommEvent waitEvent() override;
    ssize_t read(uint8_t* buffer, size_t size) override;
    bool clearErrors(LineErrorCounts* counts) override;

private:
    enum class State { Resolving, Connecting, Connected, Down };
    // Where a gpsd stream stands within its current line.
    enum class Line { Start, Pass, Drop };

    // Each returns an event for waitEvent to hand out, or nothing to poll again.
    std::optional<CommEvent> startNextConnect();
    std::optional<CommEvent> finishLookup();
    std::optional<CommEvent> finishConnect();
    std::optional<CommEvent> sendPending();
    CommEvent goDown(int error);
    size_t filterGpsd(uint8_t* data, size_t size);

    const NetworkAddress address_;
    std::shared_ptr<Lookup> lookup_;
    int wakeFd_ = -1; // eventfd: readable while the event mask is disarmed

    std::mutex armMutex_;
    bool armed_ = false;

    // Connection state: changed by the reader (waitEvent, read) and by purge.
    std::mutex ioMutex_;
    State state_ = State::Resolving;
    int socket_ = -1;
    int error_ = 0; // errno of the failure that took the link down
    std::vector<sockaddr_storage> addresses_;
    std::vector<socklen_t> addressLengths_;
    size_t nextAddress_ = 0;
    std::chrono::steady_clock::time_point deadline_;
    std::string pending_; // bytes still to send (the gpsd watch request)
    size_t pendingSent_ = 0;
    Line line_ = Line::Start;
};

} // namespace platform
