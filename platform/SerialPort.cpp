// This file speaks termios2 through <asm/termbits.h>; it must not include <termios.h>, whose
// struct termios and constants clash with the kernel's.

#include "platform/SerialPort.h"

#include <asm/termbits.h>
#include <cerrno>
#include <fcntl.h>
#include <linux/serial.h>
#include <poll.h>
#include <sys/eventfd.h>
#include <sys/ioctl.h>
#include <unistd.h>

namespace platform {

namespace {

bool notOffered(int error) {
    return error == ENOTTY || error == EINVAL;
}

bool vanished(int error) {
    return error == EIO || error == ENXIO || error == ENODEV;
}

} // namespace

std::unique_ptr<SerialPort> SerialPort::open(const std::string& path) {
    int fd = ::open(path.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) return nullptr;
    if (::ioctl(fd, TIOCEXCL) != 0) {
        int error = errno;
        ::close(fd);
        errno = error; // ENOTTY for anything that is not a terminal
        return nullptr;
    }
    int eventFd = ::eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK);
    if (eventFd < 0) {
        int error = errno;
        ::close(fd);
        errno = error;
        return nullptr;
    }
    return std::unique_ptr<SerialPort>(new SerialPort(fd, eventFd));
}

SerialPort::SerialPort(int fd, int eventFd) : fd_(fd), eventFd_(eventFd) {
    countersOffered_ = readCounters(seen_);
}

SerialPort::~SerialPort() {
    ::close(eventFd_);
    ::close(fd_);
}

bool SerialPort::configure(const LineSettings& settings) {
    termios2 t{};
    if (::ioctl(fd_, TCGETS2, &t) != 0) return false;
    return applySettings(t, settings) && ::ioctl(fd_, TCSETS2, &t) == 0;
}

bool SerialPort::applySettings(termios2& t, const LineSettings& settings) {
    if ((settings.dataBits != 7 && settings.dataBits != 8) || settings.baud == 0) {
        errno = EINVAL;
        return false;
    }
    t.c_iflag &= ~tcflag_t(IGNBRK | BRKINT | PARMRK | ISTRIP | INLCR | IGNCR | ICRNL | IXON |
                           IXOFF | IXANY | INPCK | IGNPAR);
    if (settings.parity != Parity::None) t.c_iflag |= INPCK;
    t.c_oflag &= ~tcflag_t(OPOST);
    t.c_lflag &= ~tcflag_t(ECHO | ECHONL | ICANON | ISIG | IEXTEN);
    t.c_cflag &=
        ~tcflag_t(CSIZE | PARENB | PARODD | CMSPAR | CSTOPB | CRTSCTS | CBAUD | (CBAUD << IBSHIFT));
    t.c_cflag |= CLOCAL | CREAD | BOTHER | (BOTHER << IBSHIFT);
    t.c_cflag |= settings.dataBits == 7 ? CS7 : CS8;
    if (settings.stopBits != StopBits::One) t.c_cflag |= CSTOPB; // one and a half: two
    switch (settings.parity) {
    case Parity::None:
        break;
    case Parity::Odd:
        t.c_cflag |= PARENB | PARODD;
        break;
    case Parity::Even:
        t.c_cflag |= PARENB;
        break;
    case Parity::Mark:
        t.c_cflag |= PARENB | CMSPAR | PARODD;
        break;
    case Parity::Space:
        t.c_cflag |= PARENB | CMSPAR;
        break;
    }
    t.c_ispeed = t.c_ospeed = settings.baud;
    t.c_cc[VMIN] = 1;
    t.c_cc[VTIME] = 0;
    return true;
}

bool SerialPort::setModemLines(bool dtr, bool rts) {
    int raise = (dtr ? TIOCM_DTR : 0) | (rts ? TIOCM_RTS : 0);
    int drop = (dtr ? 0 : TIOCM_DTR) | (rts ? 0 : TIOCM_RTS);
    for (auto [request, bits] : {std::pair{TIOCMBIC, drop}, std::pair{TIOCMBIS, raise}}) {
        if (bits == 0) continue;
        if (::ioctl(fd_, request, &bits) != 0 && !notOffered(errno)) return false;
    }
    return true;
}

void SerialPort::purge() {
    ::ioctl(fd_, TIOCCBRK);
    ::ioctl(fd_, TCFLSH, TCIOFLUSH);
}

void SerialPort::setEventMask(bool armed) {
    if (armed) {
        uint64_t value = 0;
        while (::read(eventFd_, &value, sizeof value) < 0 && errno == EINTR) {
        }
    } else {
        uint64_t one = 1;
        while (::write(eventFd_, &one, sizeof one) < 0 && errno == EINTR) {
        }
    }
}

CommEvent SerialPort::waitEvent() {
    for (;;) {
        pollfd fds[2] = {{eventFd_, POLLIN, 0}, {fd_, POLLIN, 0}};
        // A port known to be gone still reports a pending disarm first, but never blocks.
        if (::poll(fds, 2, hungUp_.load() ? 0 : -1) < 0) {
            if (errno == EINTR) continue;
            return CommEvent::Hangup;
        }
        if (fds[0].revents & POLLIN) return CommEvent::Woken;
        if (hungUp_.load()) return CommEvent::Hangup;
        // Bytes still waiting are read first; the hangup shows when they are gone.
        if (fds[1].revents & POLLIN) {
            LineErrorCounts now;
            if (countersOffered_ && readCounters(now) &&
                (now.frame != seen_.frame || now.overrun != seen_.overrun ||
                 now.parity != seen_.parity || now.breaks != seen_.breaks ||
                 now.bufferOverrun != seen_.bufferOverrun))
                return CommEvent::LineError;
            return CommEvent::Data;
        }
        if (fds[1].revents & (POLLHUP | POLLERR | POLLNVAL)) {
            hungUp_ = true;
            return CommEvent::Hangup;
        }
    }
}

ssize_t SerialPort::read(uint8_t* buffer, size_t size) {
    ssize_t n = ::read(fd_, buffer, size);
    if (n > 0) return n;
    if (n == 0) {
        // A terminal in raw mode reads end of file only when its other side is gone.
        hungUp_ = true;
        errno = EIO;
        return -1;
    }
    if (errno == EAGAIN || errno == EINTR) return 0;
    if (vanished(errno)) hungUp_ = true;
    return -1;
}

bool SerialPort::clearErrors(LineErrorCounts* counts) {
    LineErrorCounts now;
    if (!countersOffered_ || !readCounters(now)) {
        if (counts != nullptr) *counts = LineErrorCounts{};
        return true;
    }
    if (counts != nullptr) {
        counts->frame = now.frame - seen_.frame;
        counts->overrun = now.overrun - seen_.overrun;
        counts->parity = now.parity - seen_.parity;
        counts->breaks = now.breaks - seen_.breaks;
        counts->bufferOverrun = now.bufferOverrun - seen_.bufferOverrun;
    }
    seen_ = now;
    return true;
}

bool SerialPort::readCounters(LineErrorCounts& out) const {
    serial_icounter_struct c{};
    if (::ioctl(fd_, TIOCGICOUNT, &c) != 0) return false;
    out.frame = static_cast<uint32_t>(c.frame);
    out.overrun = static_cast<uint32_t>(c.overrun);
    out.parity = static_cast<uint32_t>(c.parity);
    out.breaks = static_cast<uint32_t>(c.brk);
    out.bufferOverrun = static_cast<uint32_t>(c.buf_overrun);
    return true;
}

} // namespace platform
