// The "GPS" page: the port and line settings into the settings' codes, the reopening of the port
// after an edit (and only then), and the device line beside the port list.

// No <termios.h> here: the rates are read back through termios2.
#include <asm/termbits.h>
#include <cstdlib>
#include <fcntl.h>
#include <sys/ioctl.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <cstring>
#include <mutex>

#include "engine/SerialLink.h"
#include "platform/PortMap.h"
#include "platform/Registry.h"
#include "ui/CCnfGPS.h"
#include "ui/ConfigPageFixture.h"

namespace {

class ConfigGpsPage : public ::testing::Test, public ConfigPageFixture {
protected:
    // COM3: (the configured port) and COM4: are pseudo-terminals; the test holds both sides, and
    // reads the line settings the port gave the device on its own descriptor of the device.
    void SetUp() override {
        for (int i = 0; i < 2; ++i) {
            masters[i] = posix_openpt(O_RDWR | O_NOCTTY);
            ASSERT_GE(masters[i], 0);
            ASSERT_EQ(grantpt(masters[i]), 0);
            ASSERT_EQ(unlockpt(masters[i]), 0);
            std::strcpy(names[i], ptsname(masters[i]));
            slaves[i] = ::open(names[i], O_RDWR | O_NOCTTY);
            ASSERT_GE(slaves[i], 0);
            platform::Registry registry(registryPath());
            ASSERT_TRUE(platform::PortMap(registry).setPath(i == 0 ? "COM3:" : "COM4:", names[i]));
        }
    }
    void TearDown() override {
        engine::closePort(gps.engine);
        for (int fd : {masters[0], masters[1], slaves[0], slaves[1]})
            if (fd >= 0) ::close(fd);
    }
    void openConfiguredPort() {
        ASSERT_TRUE(engine::openPort(gps.engine, false));
        std::lock_guard<std::mutex> held(gps.engine.lock());
        gps.engine.link.portOpen = 1;
    }
    bool portOpen() {
        std::lock_guard<std::mutex> held(gps.engine.lock());
        return gps.engine.link.portOpen != 0;
    }
    // The rate the port set its device to.
    unsigned speed(int which) {
        termios2 t{};
        EXPECT_EQ(ioctl(slaves[which], TCGETS2, &t), 0);
        return t.c_ospeed;
    }
    std::shared_ptr<platform::CommPort> port() {
        std::lock_guard<std::mutex> held(gps.engine.lock());
        return gps.engine.port;
    }

    int masters[2] = {-1, -1};
    int slaves[2] = {-1, -1};
    char names[2][256] = {};
};

TEST_F(ConfigGpsPage, ChoicesBecomeTheSettingsCodesAndShowAgain) {
    using S = engine::Settings;
    const struct {
        const char* list;
        const char* entry;
        char S::*field;
        char code;
    } cases[] = {
        {"Baud", "300", &S::GPSBaud, '0'},        {"Baud", "115200", &S::GPSBaud, '9'},
        {"Parity", "Odd", &S::GPSParity, '1'},    {"Parity", "Space", &S::GPSParity, '4'},
        {"Data Bits", "7", &S::GPSDatabits, '7'}, {"Stop Bits", "1.5", &S::GPSStopBits, '1'},
        {"Stop Bits", "2", &S::GPSStopBits, '2'},
    };
    CCnfGPS page(context);
    for (const auto& c : cases) {
        choose(page, c.list, c.entry);
        page.apply();
        EXPECT_EQ(settings().*c.field, c.code) << c.list << " " << c.entry;
        CCnfGPS shownAgain(context);
        EXPECT_EQ(chosen(shownAgain, c.list), QString::fromUtf8(c.entry));
    }
    // The line boxes flip the stored defaults (DTR raised, RTS not).
    click(page, "DTR");
    click(page, "RTS");
    page.apply();
    EXPECT_EQ(settings().GPSDTR, '0');
    EXPECT_EQ(settings().GPSRTS, '1');
    EXPECT_TRUE(messages().empty());
}

TEST_F(ConfigGpsPage, PortChoiceTakesOneOfTheNineAndComTenKeepsThePort) {
    const struct {
        const char* choice;
        const char16_t* port;
        int device; // the pseudo-terminal opened
        const char* baud;
        unsigned speed;
    } cases[] = {{"COM10:", u"COM3:", 0, "1200", 1200}, {"COM4:", u"COM4:", 1, "2400", 2400}};
    for (const auto& c : cases) {
        std::copy_n(u"COM3:", 6, settings().GPSPort);
        std::copy_n(u"COM3:", 6, gps.engine.portName);
        CCnfGPS page(context);
        choose(page, "Port", c.choice);
        EXPECT_TRUE(context.portChanged);
        choose(page, "Baud", c.baud);
        page.apply();
        EXPECT_EQ(std::u16string(settings().GPSPort), c.port) << c.choice;
        EXPECT_EQ(std::u16string(gps.engine.portName), c.port) << c.choice;
        EXPECT_TRUE(portOpen()) << c.choice;
        EXPECT_EQ(speed(c.device), c.speed) << c.choice;
        EXPECT_NE(speed(1 - c.device), c.speed) << c.choice;
        EXPECT_FALSE(context.portChanged);
        engine::closePort(gps.engine);
    }
    EXPECT_TRUE(messages().empty());
}

TEST_F(ConfigGpsPage, AnEditReopensThePortWithTheNewSettingsAndNoEditLeavesIt) {
    openConfiguredPort();
    settings().BTENBL = 1;
    CCnfGPS page(context);
    EXPECT_TRUE(ticked(page, "Bluetooth COM Port"));

    // The test keeps the port object alive, so a reopened port is always another object.
    const std::shared_ptr<platform::CommPort> first = port();
    page.apply();
    EXPECT_EQ(port(), first);
    EXPECT_EQ(settings().BTENBL, 1);

    choose(page, "Baud", "4800");
    EXPECT_TRUE(context.portChanged);
    EXPECT_EQ(gps.engine.settingsChanged, 1);
    page.apply();
    EXPECT_TRUE(portOpen());
    EXPECT_NE(port(), first);
    EXPECT_NE(port(), nullptr);
    EXPECT_EQ(speed(0), 4800u);
    EXPECT_FALSE(context.portChanged);
    // The pseudo-terminal is no Bluetooth port: the detection switches Bluetooth off.
    EXPECT_EQ(settings().BTENBL, 0);
    EXPECT_FALSE(ticked(page, "Bluetooth COM Port"));
    EXPECT_EQ(gps.engine.externalPort, 1);
    EXPECT_TRUE(messages().empty());
}

TEST_F(ConfigGpsPage, BluetoothBoxOnlyMarksThePortForReopening) {
    CCnfGPS page(context);
    click(page, "Bluetooth COM Port");
    EXPECT_TRUE(context.portChanged);
    EXPECT_EQ(settings().BTENBL, 0); // decided by the detection when the sheet is confirmed
}

TEST_F(ConfigGpsPage, DeviceLineShowsWhereTheChosenPortLeads) {
    platform::Registry registry(registryPath());
    ASSERT_TRUE(platform::PortMap(registry).setPath("COM6:", dir.file("gone")));
    const struct {
        const char* choice;
        std::string device;
    } cases[] = {
        {"COM4:", names[1]},
        {"COM6:", dir.file("gone") + " (not present)"},
        {"COM10:", "no device"},
        {"COM3:", names[0]},
    };
    CCnfGPS page(context);
    EXPECT_EQ(textOf(page, "Device").toStdString(), names[0]); // the configured COM3:
    for (const auto& c : cases) {
        choose(page, "Port", c.choice);
        EXPECT_EQ(textOf(page, "Device").toStdString(), c.device) << c.choice;
    }
}

} // namespace
