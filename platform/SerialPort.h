#pragma once
// A serial device opened through termios: exclusive, raw, non-blocking, with a comm-event wait
// that poll()s the device together with an eventfd, so that disarming the wait from another
// thread wakes the reader at once.
//
// Line settings go through termios2 (TCGETS2/TCSETS2 with BOTHER), which takes every rate as a
// number, 14400 included. One and a half stop bits are set as two, the nearest the termios layer
// offers. Pseudo-terminals carry no modem lines and count no line errors: there DTR/RTS changes
// are accepted and do nothing, and no LineError event is ever reported.
//
// Line errors: poll() cannot report them, so the driver's error counters (TIOCGICOUNT) are read
// at each wake for data; a change since the last clearErrors makes that wake a LineError event.

#include <atomic>
#include <memory>
#include <string>

#include "platform/CommPort.h"

struct termios2;

namespace platform {

class SerialPort final : public CommPort {
public:
    // Opens the device read-write, without becoming its controlling terminal, and takes it for
    // this program alone (TIOCEXCL). Nothing, with errno, when it cannot be opened; a path that
    // is not a terminal gives ENOTTY, a port another program holds EBUSY.
    static std::unique_ptr<SerialPort> open(const std::string& path);
    ~SerialPort() override;
    SerialPort(const SerialPort&) = delete;
    SerialPort& operator=(const SerialPort&) = delete;

    bool configure(const LineSettings& settings) override;
    bool setModemLines(bool dtr, bool rts) override;
    // Also ends a break condition the port may be sending.
    void purge() override;
    void setEventMask(bool armed) override;
    CommEvent waitEvent() override;
    // A device that vanished (EIO, ENXIO, ENODEV, or end of file on a terminal whose other side
    // closed) fails with errno set; the next waitEvent reports Hangup.
    ssize_t read(uint8_t* buffer, size_t size) override;
    bool clearErrors(LineErrorCounts* counts) override;

    int fd() const { return fd_; }

    // Writes the settings into a termios2 record: raw binary mode, no flow control, the local
    // line ignored, the rate as a number; parity checked on input unless the parity is none.
    // False (errno EINVAL) for data bits other than 7 and 8 or a rate of 0.
    static bool applySettings(termios2& t, const LineSettings& settings);

private:
    SerialPort(int fd, int eventFd);
    // The driver's counters; false when the driver keeps none.
    bool readCounters(LineErrorCounts& out) const;

    int fd_;
    int eventFd_;
    std::atomic<bool> hungUp_{false};
    bool countersOffered_ = false;
    LineErrorCounts seen_; // the counters at the last clearErrors (or the open)
};

} // namespace platform
