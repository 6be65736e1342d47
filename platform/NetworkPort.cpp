#include "platform/NetworkPort.h"

#include <netdb.h>
#include <poll.h>
#include <sys/eventfd.h>
#include <sys/ioctl.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <thread>

namespace platform {

namespace {

constexpr const char* kTcpScheme = "tcp://";
constexpr const char* kGpsdScheme = "gpsd://";
// Asks gpsd for the sentences of every device it serves, as they arrive.
constexpr const char* kGpsdWatch = "?WATCH={\"enable\":true,\"nmea\":true}\n";

bool startsWith(const std::string& text, const char* prefix) {
    return text.compare(0, std::strlen(prefix), prefix) == 0;
}

std::optional<uint16_t> parsePort(const std::string& text) {
    if (text.empty() || text.size() > 5) return std::nullopt;
    unsigned value = 0;
    for (char c : text) {
        if (c < '0' || c > '9') return std::nullopt;
        value = value * 10 + static_cast<unsigned>(c - '0');
    }
    if (value == 0 || value > 65535) return std::nullopt;
    return static_cast<uint16_t>(value);
}

// Names, IPv4 addresses and IPv6 addresses (with a zone after '%'); nothing a resolver would
// take for something else.
bool hostValid(const std::string& host) {
    return !host.empty() && std::all_of(host.begin(), host.end(), [](char c) {
        return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') ||
               c == '.' || c == '-' || c == '_' || c == ':' || c == '%';
    });
}

void closeFd(int& fd) {
    if (fd >= 0) ::close(fd);
    fd = -1;
}

int remainingMs(std::chrono::steady_clock::time_point deadline) {
    auto left =
        std::chrono::ceil<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
    return static_cast<int>(std::max<int64_t>(0, left.count()));
}

} // namespace

// The result of a name lookup, filled by the lookup thread. The port and the thread share it,
// so a port closed while its lookup still runs leaves the thread nothing to touch but this.
struct NetworkPort::Lookup {
    std::mutex mutex;
    bool done = false;
    int error = 0; // errno when the name did not resolve
    std::vector<sockaddr_storage> addresses;
    std::vector<socklen_t> lengths;
    int doneFd = -1; // eventfd, readable once done

    Lookup() { doneFd = eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK); }
    ~Lookup() { closeFd(doneFd); }

    // Stores what getaddrinfo answered; returns false when it found nothing usable.
    bool store(int status, addrinfo* list) {
        std::lock_guard lock(mutex);
        if (status == EAI_SYSTEM)
            error = errno != 0 ? errno : EHOSTUNREACH;
        else if (status != 0)
            error = EHOSTUNREACH;
        for (addrinfo* a = list; status == 0 && a != nullptr && addresses.size() < kMaxAddresses;
             a = a->ai_next) {
            if (a->ai_addrlen > sizeof(sockaddr_storage)) continue;
            sockaddr_storage address{};
            std::memcpy(&address, a->ai_addr, a->ai_addrlen);
            addresses.push_back(address);
            lengths.push_back(a->ai_addrlen);
        }
        if (status == 0 && addresses.empty()) error = EHOSTUNREACH;
        done = true;
        uint64_t one = 1;
        if (doneFd >= 0) (void)::write(doneFd, &one, sizeof one);
        return error == 0;
    }
};

bool isNetworkUrl(const std::string& value) {
    return startsWith(value, kTcpScheme) || startsWith(value, kGpsdScheme);
}

std::optional<NetworkAddress> parseNetworkUrl(const std::string& url) {
    NetworkAddress result;
    std::string rest;
    if (startsWith(url, kTcpScheme)) {
        result.kind = NetworkAddress::Kind::Tcp;
        rest = url.substr(std::strlen(kTcpScheme));
    } else if (startsWith(url, kGpsdScheme)) {
        result.kind = NetworkAddress::Kind::Gpsd;
        rest = url.substr(std::strlen(kGpsdScheme));
    } else {
        return std::nullopt;
    }
    std::string portText;
    bool hasPort = false;
    if (!rest.empty() && rest.front() == '[') {
        size_t close = rest.find(']');
        if (close == std::string::npos) return std::nullopt;
        result.host = rest.substr(1, close - 1);
        std::string after = rest.substr(close + 1);
        if (!after.empty()) {
            if (after.front() != ':') return std::nullopt;
            hasPort = true;
            portText = after.substr(1);
        }
        // Brackets hold an IPv6 address and nothing else.
        if (result.host.find(':') == std::string::npos) return std::nullopt;
    } else {
        size_t colon = rest.find(':');
        result.host = rest.substr(0, colon);
        if (colon != std::string::npos) {
            hasPort = true;
            portText = rest.substr(colon + 1);
        }
        // An IPv6 address without brackets cannot be told from its port.
        if (result.host.find(':') != std::string::npos) return std::nullopt;
    }
    if (!hostValid(result.host)) return std::nullopt;
    if (hasPort) {
        auto port = parsePort(portText);
        if (!port) return std::nullopt;
        result.port = *port;
    } else if (result.kind == NetworkAddress::Kind::Gpsd) {
        result.port = kGpsdDefaultPort;
    } else {
        return std::nullopt;
    }
    return result;
}

std::unique_ptr<CommPort> openNetworkPort(const std::string& url) {
    auto address = parseNetworkUrl(url);
    if (!address) {
        errno = EINVAL;
        return nullptr;
    }
    auto lookup = std::make_shared<NetworkPort::Lookup>();
    if (lookup->doneFd < 0) return nullptr;
    const std::string service = std::to_string(address->port);
    addrinfo hints{};
    hints.ai_family = AF_UNSPEC;
    hints.ai_socktype = SOCK_STREAM;
    hints.ai_flags = AI_NUMERICHOST | AI_NUMERICSERV;
    addrinfo* list = nullptr;
    // An address literal resolves at once; only a name needs the resolver, which may wait on
    // the network, so that lookup runs on a thread of its own.
    int status = getaddrinfo(address->host.c_str(), service.c_str(), &hints, &list);
    if (status != EAI_NONAME) {
        lookup->store(status, list);
        if (list != nullptr) freeaddrinfo(list);
    } else {
        try {
            std::thread([lookup, host = address->host, service] {
                addrinfo hints{};
                hints.ai_family = AF_UNSPEC;
                hints.ai_socktype = SOCK_STREAM;
                hints.ai_flags = AI_NUMERICSERV;
                addrinfo* list = nullptr;
                int status = getaddrinfo(host.c_str(), service.c_str(), &hints, &list);
                lookup->store(status, list);
                if (list != nullptr) freeaddrinfo(list);
            }).detach();
        } catch (const std::system_error&) {
            errno = EAGAIN;
            return nullptr;
        }
    }
    int wakeFd = eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK);
    if (wakeFd < 0) return nullptr;
    return std::make_unique<NetworkPort>(*address, std::move(lookup), wakeFd);
}

NetworkPort::NetworkPort(const NetworkAddress& address, std::shared_ptr<Lookup> lookup, int wakeFd)
    : address_(address), lookup_(std::move(lookup)), wakeFd_(wakeFd) {
    deadline_ = std::chrono::steady_clock::now() + kLookupTimeout;
    armed_ = true;
}

NetworkPort::~NetworkPort() {
    closeFd(socket_);
    closeFd(wakeFd_);
}

bool NetworkPort::configure(const LineSettings&) {
    return true;
}

bool NetworkPort::setModemLines(bool, bool) {
    return true;
}

void NetworkPort::purge() {
    std::lock_guard lock(ioMutex_);
    if (state_ != State::Connected) return;
    // Discard what has arrived so far, and no more: a peer that keeps sending cannot hold the
    // caller here. A gpsd stream keeps track of its lines through the discarded bytes.
    int queued = 0;
    if (ioctl(socket_, FIONREAD, &queued) != 0) return;
    uint8_t scratch[1024];
    while (queued > 0) {
        ssize_t n = recv(socket_, scratch, std::min(sizeof scratch, static_cast<size_t>(queued)),
                         MSG_DONTWAIT);
        if (n <= 0) break;
        if (address_.kind == NetworkAddress::Kind::Gpsd)
            filterGpsd(scratch, static_cast<size_t>(n));
        queued -= static_cast<int>(n);
    }
}

void NetworkPort::setEventMask(bool armed) {
    std::lock_guard lock(armMutex_);
    armed_ = armed;
    uint64_t value = 1;
    if (armed)
        (void)::read(wakeFd_, &value, sizeof value);
    else
        (void)::write(wakeFd_, &value, sizeof value);
}

CommEvent NetworkPort::waitEvent() {
    for (;;) {
        {
            std::lock_guard lock(armMutex_);
            if (!armed_) return CommEvent::Woken;
        }
        pollfd fds[2] = {{wakeFd_, POLLIN, 0}, {-1, 0, 0}};
        int timeout = -1;
        {
            std::lock_guard lock(ioMutex_);
            switch (state_) {
            case State::Down:
                return CommEvent::Hangup;
            case State::Resolving:
                fds[1] = {lookup_->doneFd, POLLIN, 0};
                timeout = remainingMs(deadline_);
                break;
            case State::Connecting:
                fds[1] = {socket_, POLLOUT, 0};
                timeout = remainingMs(deadline_);
                break;
            case State::Connected:
                fds[1] = {socket_,
                          static_cast<short>(POLLIN | POLLRDHUP | (pending_.empty() ? 0 : POLLOUT)),
                          0};
                break;
            }
        }
        int ready = poll(fds, 2, timeout);
        const int pollError = errno;
        if (ready < 0 && pollError == EINTR) continue;
        if (fds[0].revents != 0) return CommEvent::Woken;
        std::lock_guard lock(ioMutex_);
        if (ready < 0) return goDown(pollError);
        std::optional<CommEvent> event;
        const short got = fds[1].revents;
        switch (state_) {
        case State::Down:
            return CommEvent::Hangup;
        case State::Resolving:
            event = ready == 0 ? goDown(ETIMEDOUT) : finishLookup();
            break;
        case State::Connecting:
            if (ready == 0) {
                // This address did not answer in time; try the next one.
                closeFd(socket_);
                error_ = ETIMEDOUT;
                event = startNextConnect();
            } else {
                event = finishConnect();
            }
            break;
        case State::Connected:
            if (got & POLLOUT) event = sendPending();
            if (event) break;
            if (got & POLLIN) return CommEvent::Data; // a close is found by the read after it
            if (got & (POLLERR | POLLHUP | POLLRDHUP)) {
                int error = 0;
                socklen_t length = sizeof error;
                getsockopt(socket_, SOL_SOCKET, SO_ERROR, &error, &length);
                event = goDown(error != 0 ? error : ECONNRESET);
            }
            break;
        }
        if (event) return *event;
    }
}

std::optional<CommEvent> NetworkPort::finishLookup() {
    std::lock_guard lock(lookup_->mutex);
    if (!lookup_->done) return std::nullopt;
    if (lookup_->error != 0) return goDown(lookup_->error);
    addresses_ = lookup_->addresses;
    addressLengths_ = lookup_->lengths;
    nextAddress_ = 0;
    state_ = State::Connecting;
    return startNextConnect();
}

std::optional<CommEvent> NetworkPort::startNextConnect() {
    while (nextAddress_ < addresses_.size()) {
        const size_t i = nextAddress_++;
        const auto* address = reinterpret_cast<const sockaddr*>(&addresses_[i]);
        socket_ = socket(address->sa_family, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
        if (socket_ < 0) {
            error_ = errno;
            continue;
        }
        if (connect(socket_, address, addressLengths_[i]) == 0) return finishConnect();
        if (errno == EINPROGRESS) {
            deadline_ = std::chrono::steady_clock::now() + kConnectTimeout;
            return std::nullopt;
        }
        error_ = errno;
        closeFd(socket_);
    }
    return goDown(error_ != 0 ? error_ : ECONNREFUSED);
}

std::optional<CommEvent> NetworkPort::finishConnect() {
    int error = 0;
    socklen_t length = sizeof error;
    if (getsockopt(socket_, SOL_SOCKET, SO_ERROR, &error, &length) != 0) error = errno;
    if (error != 0) {
        error_ = error;
        closeFd(socket_);
        return startNextConnect();
    }
    state_ = State::Connected;
    line_ = Line::Start;
    if (address_.kind == NetworkAddress::Kind::Gpsd) {
        pending_ = kGpsdWatch;
        pendingSent_ = 0;
        return sendPending();
    }
    return std::nullopt;
}

std::optional<CommEvent> NetworkPort::sendPending() {
    while (pendingSent_ < pending_.size()) {
        ssize_t n = send(socket_, pending_.data() + pendingSent_, pending_.size() - pendingSent_,
                         MSG_DONTWAIT | MSG_NOSIGNAL);
        if (n < 0) {
            if (errno == EINTR) continue;
            if (errno == EAGAIN || errno == EWOULDBLOCK) return std::nullopt;
            return goDown(errno);
        }
        pendingSent_ += static_cast<size_t>(n);
    }
    pending_.clear();
    pendingSent_ = 0;
    return std::nullopt;
}

CommEvent NetworkPort::goDown(int error) {
    closeFd(socket_);
    state_ = State::Down;
    error_ = error;
    return CommEvent::Hangup;
}

ssize_t NetworkPort::read(uint8_t* buffer, size_t size) {
    std::lock_guard lock(ioMutex_);
    if (state_ != State::Connected) {
        errno = state_ == State::Down ? error_ : ENOTCONN;
        return -1;
    }
    if (size == 0) return 0;
    for (;;) {
        ssize_t n = recv(socket_, buffer, size, MSG_DONTWAIT);
        if (n > 0) {
            if (address_.kind == NetworkAddress::Kind::Tcp) return n;
            return static_cast<ssize_t>(filterGpsd(buffer, static_cast<size_t>(n)));
        }
        if (n == 0) {
            // The peer closed the connection: the next wait reports it.
            goDown(ENOTCONN);
            return 0;
        }
        if (errno == EINTR) continue;
        if (errno == EAGAIN || errno == EWOULDBLOCK) return 0;
        int error = errno;
        goDown(error);
        errno = error;
        return -1;
    }
}

// Keeps the NMEA lines of a gpsd stream and drops its JSON objects (lines starting with '{'),
// in place. The position within the current line carries over to the next read, so a line
// split across reads is kept or dropped whole.
size_t NetworkPort::filterGpsd(uint8_t* data, size_t size) {
    size_t kept = 0;
    for (size_t i = 0; i < size; ++i) {
        const uint8_t c = data[i];
        if (line_ == Line::Start) line_ = c == '{' ? Line::Drop : Line::Pass;
        if (line_ == Line::Pass) data[kept++] = c;
        if (c == '\n') line_ = Line::Start;
    }
    return kept;
}

bool NetworkPort::clearErrors(LineErrorCounts* counts) {
    if (counts != nullptr) *counts = {};
    return true;
}

} // namespace platform
