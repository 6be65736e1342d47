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
#include <tuple>
#include <unistd.h>

#include "platform/SerialPort.h"
#include "support/TestSupport.h"

namespace {

using namespace platform;

class SerialPortTest : public ::testing::Test {
protected:
    SerialPortTest() {
        grantpt(master);
        unlockpt(master);
        port = SerialPort::open(ptsname(master));
    }
    ~SerialPortTest() override {
        if (master >= 0) close(master);
    }
    int master = posix_openpt(O_RDWR | O_NOCTTY);
    std::unique_ptr<SerialPort> port;
    testsupport::TempDir dir;
};
using SerialPortSettings = SerialPortTest;
using SerialPortWait = SerialPortTest;
using SerialPortOpen = SerialPortTest;

TEST_F(SerialPortSettings, EveryRateIncluding14400FramingParityAndRawMode) {
    for (uint32_t baud :
         {300u, 1200u, 2400u, 4800u, 9600u, 14400u, 19200u, 38400u, 57600u, 115200u}) {
        ASSERT_TRUE(port->configure(LineSettings{baud}));
        termios2 t{};
        ASSERT_EQ(ioctl(port->fd(), TCGETS2, &t), 0);
        EXPECT_EQ(std::pair(t.c_ispeed, t.c_ospeed), std::pair(baud, baud));
    }
    // A pty keeps no parity bits, so the framing is checked on the record the port would apply.
    for (auto [dataBits, stop, parity, framing, parityCheck] :
         {std::tuple{8, StopBits::One, Parity::None, tcflag_t(CS8), false},
          {7, StopBits::Two, Parity::Even, tcflag_t(CS7 | CSTOPB | PARENB), true},
          {8, StopBits::OneAndHalf, Parity::Odd, tcflag_t(CS8 | CSTOPB | PARENB | PARODD), true},
          {8, StopBits::One, Parity::Mark, tcflag_t(CS8 | PARENB | CMSPAR | PARODD), true}}) {
        termios2 t{};
        t.c_iflag = INPCK;
        t.c_cflag = CRTSCTS | PARENB | PARODD | CMSPAR | CSTOPB | CS6 | B9600;
        ASSERT_TRUE(SerialPort::applySettings(
            t, LineSettings{4800, static_cast<uint8_t>(dataBits), stop, parity}));
        EXPECT_EQ(t.c_cflag, framing | CLOCAL | CREAD | BOTHER | BOTHER << IBSHIFT);
        EXPECT_EQ((t.c_iflag & INPCK) != 0, parityCheck);
    }
}

TEST_F(SerialPortWait, DisarmedWakesThenEveryByteThenTheClosedPeerHangsUp) {
    ASSERT_TRUE(port->configure(LineSettings{115200}));
    EXPECT_TRUE(port->setModemLines(true, true)); // not carried by a pty, not an error
    port->setEventMask(false);
    EXPECT_EQ(port->waitEvent(), CommEvent::Woken);
    EXPECT_EQ(port->waitEvent(), CommEvent::Woken);
    port->setEventMask(true);
    std::string sent, got;
    for (int i = 0; i < 8 * 256; ++i)
        sent += static_cast<char>(i);
    ASSERT_EQ(write(master, sent.data(), sent.size()), ssize_t(sent.size()));
    uint8_t buffer[1000];
    while (got.size() < sent.size()) {
        ASSERT_EQ(port->waitEvent(), CommEvent::Data);
        ssize_t n = port->read(buffer, sizeof buffer);
        ASSERT_GT(n, 0);
        got.append(reinterpret_cast<char*>(buffer), size_t(n));
    }
    EXPECT_EQ(got, sent);
    close(master);
    master = -1;
    EXPECT_EQ(port->waitEvent(), CommEvent::Data); // end of file is still readable
    EXPECT_EQ(port->read(buffer, 1), -1);
    EXPECT_EQ(port->waitEvent(), CommEvent::Hangup);
    EXPECT_EQ(port->waitEvent(), CommEvent::Hangup);
}

TEST_F(SerialPortOpen, RefusesWhatIsNotATerminalOrAlreadyHeld) {
    testsupport::writeFile(dir.file("plain"), "");
    errno = 0;
    EXPECT_FALSE(SerialPort::open(dir.file("plain")));
    EXPECT_EQ(errno, ENOTTY);
    // The superuser passes an exclusive lock, so the second open runs as an ordinary user.
    ASSERT_EQ(chmod(ptsname(master), 0666), 0);
    pid_t child = fork();
    if (child == 0) {
        if (geteuid() == 0 && setuid(65534) != 0) _exit(2);
        _exit(!SerialPort::open(ptsname(master)) && errno == EBUSY ? 0 : 1);
    }
    int status = -1;
    waitpid(child, &status, 0);
    EXPECT_EQ(status, 0);
}

} // namespace
