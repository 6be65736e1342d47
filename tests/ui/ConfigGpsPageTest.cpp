// The "GPS" page: choices into the settings' codes, the port reopened after an edit (and only
// then), and the device line beside the port list.

// No <termios.h> here: the rates are read back through termios2.
#include <asm/termbits.h>
#include <fcntl.h>
#include <sys/ioctl.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <mutex>

#include "engine/SerialLink.h"
#include "platform/PortMap.h"
#include "platform/Registry.h"
#include "ui/CCnfGPS.h"
#include "ui/ConfigPageFixture.h"

namespace {

class ConfigGpsPage : public ::testing::Test, public ConfigPageFixture {
protected:
    // COM3: (the configured port) and COM4: are pseudo-terminals; the test keeps a descriptor of
    // each device to read the rate the port set.
    void SetUp() override {
        platform::Registry registry(dir.file("registry.reg"));
        for (int i = 0; i < 2; ++i) {
            masters[i] = posix_openpt(O_RDWR | O_NOCTTY);
            ASSERT_TRUE(masters[i] >= 0 && grantpt(masters[i]) == 0 && unlockpt(masters[i]) == 0);
            names[i] = ptsname(masters[i]);
            devices[i] = ::open(names[i].c_str(), O_RDWR | O_NOCTTY);
            ASSERT_TRUE(platform::PortMap(registry).setPath(i == 0 ? "COM3:" : "COM4:", names[i]));
        }
    }
    void TearDown() override {
        engine::closePort(gps.engine);
        for (int fd : {masters[0], masters[1], devices[0], devices[1]})
            ::close(fd);
    }
    unsigned rate(int device) {
        termios2 t{};
        EXPECT_EQ(ioctl(devices[device], TCGETS2, &t), 0);
        return t.c_ospeed;
    }
    std::shared_ptr<platform::CommPort> port(bool* open = nullptr) {
        std::lock_guard<std::mutex> held(gps.engine.lock());
        if (open) *open = gps.engine.link.portOpen != 0;
        return gps.engine.port;
    }

    int masters[2] = {-1, -1};
    int devices[2] = {-1, -1};
    std::string names[2];
};

TEST_F(ConfigGpsPage, PortChoiceReopensOnTheNewPortAndComTenKeepsThePort) {
    const struct {
        const char* choice;
        const char16_t* port;
        int device; // the one opened
        const char* baud;
        unsigned rate;
    } cases[] = {{"COM10:", u"COM3:", 0, "1200", 1200}, {"COM4:", u"COM4:", 1, "2400", 2400}};
    for (const auto& c : cases) {
        std::copy_n(u"COM3:", 6, settings.GPSPort);
        CCnfGPS page(context);
        choose(page, "Port", c.choice);
        choose(page, "Baud", c.baud);
        page.apply();
        bool open = false;
        port(&open);
        EXPECT_TRUE(open) << c.choice;
        EXPECT_EQ(std::u16string(settings.GPSPort), c.port) << c.choice;
        EXPECT_EQ(rate(c.device), c.rate) << c.choice;
        EXPECT_NE(rate(1 - c.device), c.rate) << c.choice;
        engine::closePort(gps.engine);
    }
    EXPECT_TRUE(messages().empty());
}

TEST_F(ConfigGpsPage, AnEditReopensThePortWithTheNewCodesAndDetectionDecidesBluetooth) {
    ASSERT_TRUE(engine::openPort(gps.engine, false));
    settings.BTENBL = 1;
    CCnfGPS page(context);
    // Without an edit the port stays; the test keeps the port object alive, so a reopened port is
    // always another object.
    const std::shared_ptr<platform::CommPort> first = port();
    page.apply();
    EXPECT_EQ(port(), first);

    choose(page, "Baud", "4800");
    EXPECT_TRUE(context.portChanged);
    choose(page, "Parity", "Space");
    choose(page, "Data Bits", "7");
    choose(page, "Stop Bits", "1.5");
    click(page, "DTR"); // the defaults raise DTR, not RTS
    click(page, "RTS");
    page.apply();
    const engine::Settings& s = settings;
    EXPECT_EQ(
        std::string({s.GPSBaud, s.GPSParity, s.GPSDatabits, s.GPSStopBits, s.GPSDTR, s.GPSRTS}),
        "347101");
    EXPECT_NE(port(), first);
    EXPECT_EQ(rate(0), 4800u);
    EXPECT_FALSE(context.portChanged);
    EXPECT_EQ(settings.BTENBL, 0); // a pseudo-terminal is no Bluetooth port
    EXPECT_FALSE(ticked(page, "Bluetooth COM Port"));
}

TEST_F(ConfigGpsPage, DeviceLineShowsWhereTheChosenPortLeads) {
    platform::Registry registry(dir.file("registry.reg"));
    ASSERT_TRUE(platform::PortMap(registry).setPath("COM6:", dir.file("gone")));
    const struct {
        const char* choice;
        std::string device;
    } cases[] = {{"COM4:", names[1]},
                 {"COM6:", dir.file("gone") + " (not present)"},
                 {"COM10:", "no device"}};
    CCnfGPS page(context);
    EXPECT_EQ(textOf(page, "Device").toStdString(), names[0]); // the configured COM3:
    for (const auto& c : cases) {
        choose(page, "Port", c.choice);
        EXPECT_EQ(textOf(page, "Device").toStdString(), c.device) << c.choice;
    }
}

} // namespace
