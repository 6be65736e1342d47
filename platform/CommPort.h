#pragma once
// A byte source the GPS receiver talks on: a serial device (termios), or a network source
// ("tcp://HOST:PORT", "gpsd://HOST:PORT"). The engine opens and closes it; the reader thread
// waits for and reads bytes through this interface only.
//
// Thread use: the reader thread calls waitEvent, read and clearErrors; any thread may call
// setEventMask (closing the port disarms it to wake the reader at once). The port is closed when
// the object is destroyed.

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <sys/types.h>

namespace platform {

enum class Parity : uint8_t { None, Odd, Even, Mark, Space };
enum class StopBits : uint8_t { One, OneAndHalf, Two };

struct LineSettings {
    uint32_t baud = 9600;
    uint8_t dataBits = 8;
    StopBits stopBits = StopBits::One;
    Parity parity = Parity::None;
    bool dtr = true;
    bool rts = false;
};

// What a wait for a comm event found.
enum class CommEvent {
    Data,      // bytes can be read
    LineError, // the driver counted a framing, parity, overrun or break error (serial only)
    Woken,     // the event mask is disarmed (the port is being closed or the link restarted)
    Hangup,    // the device vanished or the peer closed; reads fail until the port is reopened
};

// Line errors counted by the driver since the port was opened, where it offers them.
struct LineErrorCounts {
    uint32_t frame = 0;
    uint32_t overrun = 0;
    uint32_t parity = 0;
    uint32_t breaks = 0;
    uint32_t bufferOverrun = 0;
};

class CommPort {
public:
    virtual ~CommPort() = default;

    // Applies the line settings (serial only; a network source takes them as given). False with
    // errno when the device refuses them.
    virtual bool configure(const LineSettings& settings) = 0;
    // Raises or drops DTR and RTS (serial only).
    virtual bool setModemLines(bool dtr, bool rts) = 0;
    // Discards what waits in either direction.
    virtual void purge() = 0;
    // Arms (true) or disarms (false) the comm-event wait. Disarming wakes a waiting reader at once
    // with Woken, and every wait returns Woken until the wait is armed again.
    virtual void setEventMask(bool armed) = 0;
    // Blocks until there is an event; no time-out.
    virtual CommEvent waitEvent() = 0;
    // Reads what has arrived, up to size bytes, without blocking: the count, 0 when nothing is
    // there, -1 with errno on failure.
    virtual ssize_t read(uint8_t* buffer, size_t size) = 0;
    // Clears the error state after a LineError; fills counts where the driver offers them.
    virtual bool clearErrors(LineErrorCounts* counts) = 0;
};

// Opens what a port-map value names: a device path (termios, exclusive), or a network source,
// whose name lookup and connection run in the background so the caller never blocks. Nothing,
// with errno, when it cannot be opened.
std::unique_ptr<CommPort> openCommPort(const std::string& device);

} // namespace platform
