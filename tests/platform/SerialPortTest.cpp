// The termios port on pseudo-terminals (which carry no modem lines and count no line errors).
// No <termios.h> here: the settings are read back through termios2.

#include <gtest/gtest.h>

#include <asm/termbits.h>
#include <cerrno>
#include <cstdlib>
#include <fcntl.h>
#include <string>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include "platform/PortMap.h"
#include "platform/Registry.h"
#include "platform/SerialPort.h"
#include "support/TestSupport.h"

namespace {

using platform::CommEvent;
using platform::LineSettings;
using platform::Parity;
using platform::SerialPort;
using platform::StopBits;

struct Pty {
    Pty() {
        master = posix_openpt(O_RDWR | O_NOCTTY);
        grantpt(master);
        unlockpt(master);
        slave = ptsname(master);
    }
    ~Pty() {
        if (master >= 0) close(master);
    }
    int master;
    std::string slave;
};

termios2 readBack(const SerialPort& port) {
    termios2 t{};
    EXPECT_EQ(ioctl(port.fd(), TCGETS2, &t), 0);
    return t;
}

TEST(SerialPortSettings, EveryRateIncluding14400) {
    Pty pty;
    auto port = SerialPort::open(pty.slave);
    ASSERT_TRUE(port);
    for (uint32_t baud :
         {300u, 1200u, 2400u, 4800u, 9600u, 14400u, 19200u, 38400u, 57600u, 115200u}) {
        ASSERT_TRUE(port->configure(LineSettings{baud}));
        termios2 t = readBack(*port);
        EXPECT_EQ(t.c_ispeed, baud);
        EXPECT_EQ(t.c_ospeed, baud);
    }
}

// A pty keeps no parity bits, so the framing is checked on the record the port would apply.
TEST(SerialPortSettings, FramingParityAndRawMode) {
    constexpr tcflag_t kFraming = CSIZE | PARENB | PARODD | CMSPAR | CSTOPB;
    const struct {
        uint8_t dataBits;
        StopBits stop;
        Parity parity;
        tcflag_t framing;
        bool parityCheck;
    } cases[] = {
        {8, StopBits::One, Parity::None, CS8, false},
        {7, StopBits::Two, Parity::Even, CS7 | CSTOPB | PARENB, true},
        {8, StopBits::OneAndHalf, Parity::Odd, CS8 | CSTOPB | PARENB | PARODD, true},
        {8, StopBits::One, Parity::Mark, CS8 | PARENB | CMSPAR | PARODD, true},
        {7, StopBits::One, Parity::Space, CS7 | PARENB | CMSPAR, true},
    };
    for (const auto& c : cases) {
        termios2 t{};
        t.c_iflag = IXON | ICRNL | ISTRIP | INPCK;
        t.c_lflag = ICANON | ECHO | ISIG;
        t.c_cflag = CRTSCTS | PARENB | PARODD | CMSPAR | CSTOPB | CS6 | B9600;
        ASSERT_TRUE(SerialPort::applySettings(t, LineSettings{4800, c.dataBits, c.stop, c.parity}));
        EXPECT_EQ(t.c_cflag & kFraming, c.framing);
        EXPECT_EQ((t.c_iflag & INPCK) != 0, c.parityCheck);
        EXPECT_EQ(t.c_cflag & (CLOCAL | CREAD | CRTSCTS | CBAUD), CLOCAL | CREAD | BOTHER);
        EXPECT_EQ(t.c_iflag & (IXON | ICRNL | ISTRIP), 0u);
        EXPECT_EQ(t.c_lflag & (ICANON | ECHO | ISIG), 0u);
    }
    termios2 t{};
    errno = 0;
    EXPECT_FALSE(SerialPort::applySettings(t, LineSettings{4800, 6}));
    EXPECT_EQ(errno, EINVAL);
}

TEST(SerialPortData, EveryByteValuePassesUnchanged) {
    Pty pty;
    auto port = SerialPort::open(pty.slave);
    ASSERT_TRUE(port);
    ASSERT_TRUE(port->configure(LineSettings{115200}));
    std::string sent;
    for (int round = 0; round < 8; ++round)
        for (int b = 0; b < 256; ++b)
            sent += static_cast<char>(b);
    ASSERT_EQ(write(pty.master, sent.data(), sent.size()), ssize_t(sent.size()));
    std::string got;
    uint8_t buffer[1000];
    while (got.size() < sent.size()) {
        port->setEventMask(true);
        ASSERT_EQ(port->waitEvent(), CommEvent::Data);
        ssize_t n = port->read(buffer, sizeof buffer);
        ASSERT_GE(n, 0);
        got.append(reinterpret_cast<char*>(buffer), size_t(n));
    }
    EXPECT_EQ(got, sent);
}

TEST(SerialPortWait, DisarmWakesUntilArmedAgain) {
    Pty pty;
    auto port = SerialPort::open(pty.slave);
    ASSERT_TRUE(port);
    ASSERT_TRUE(port->configure(LineSettings{}));
    EXPECT_TRUE(port->setModemLines(true, true)); // not carried by a pty, not an error
    port->setEventMask(false);
    EXPECT_EQ(port->waitEvent(), CommEvent::Woken);
    EXPECT_EQ(port->waitEvent(), CommEvent::Woken);
    port->setEventMask(true);
    ASSERT_EQ(write(pty.master, "x", 1), 1);
    EXPECT_EQ(port->waitEvent(), CommEvent::Data);
}

TEST(SerialPortWait, OtherSideClosingIsAHangupThatDoesNotBlock) {
    Pty pty;
    auto port = SerialPort::open(pty.slave);
    ASSERT_TRUE(port);
    port->setEventMask(true);
    close(pty.master);
    pty.master = -1;
    uint8_t b[16];
    EXPECT_EQ(port->waitEvent(), CommEvent::Data); // end of file is still readable
    EXPECT_EQ(port->read(b, sizeof b), -1);
    EXPECT_EQ(port->waitEvent(), CommEvent::Hangup);
    EXPECT_EQ(port->waitEvent(), CommEvent::Hangup);
}

TEST(SerialPortOpen, RefusesWhatIsNotATerminalOrAlreadyHeld) {
    testsupport::TempDir dir;
    testsupport::writeFile(dir.file("plain"), "");
    errno = 0;
    EXPECT_FALSE(SerialPort::open(dir.file("plain")));
    EXPECT_EQ(errno, ENOTTY);

    Pty pty;
    auto held = SerialPort::open(pty.slave);
    ASSERT_TRUE(held);
    // The superuser passes an exclusive lock, so the second open runs as an ordinary user.
    ASSERT_EQ(chmod(pty.slave.c_str(), 0666), 0);
    pid_t child = fork();
    if (child == 0) {
        if (geteuid() == 0 && setuid(65534) != 0) _exit(2);
        _exit(!SerialPort::open(pty.slave) && errno == EBUSY ? 0 : 1);
    }
    int status = -1;
    waitpid(child, &status, 0);
    EXPECT_EQ(status, 0);
}

TEST(PortMap, DefaultsStoredPathsAndListing) {
    testsupport::TempDir dir;
    platform::Registry registry(dir.file("registry.reg"));
    platform::PortMap map(registry);
    EXPECT_EQ(map.path("COM3:"), "/dev/ttyUSB0");
    EXPECT_EQ(map.path("COM9:"), "/dev/ttyS2");
    EXPECT_EQ(map.path("COM0:"), std::nullopt);
    EXPECT_EQ(map.path("LPT1:"), std::nullopt);

    EXPECT_TRUE(map.setPath("com5", dir.path()));
    EXPECT_TRUE(map.setPath("COM6:", "tcp://127.0.0.1:2947"));
    EXPECT_FALSE(map.setPath("COM7:", "ttyUSB0"));
    EXPECT_FALSE(map.setPath("COM10:", "/dev/ttyUSB0"));
    EXPECT_EQ(registry.queryString(platform::RegistryRoot::LocalMachine,
                                   "HARDWARE\\DEVICEMAP\\SERIALCOMM", "COM5:"),
              dir.path());

    auto list = map.list();
    ASSERT_EQ(list.size(), 9u);
    EXPECT_EQ(list[4].name, "COM5:");
    EXPECT_TRUE(list[4].exists);
    EXPECT_TRUE(list[5].network);
    EXPECT_FALSE(list[5].exists);
    EXPECT_EQ(list[6].path, "/dev/ttyACM1");
}

} // namespace
