// The engine's start-up sequence: the order of its steps, the message that ends it early, the
// port and notification steps, and what the engine's destruction releases.

#include <gtest/gtest.h>

#include <dlfcn.h>

#include <cstring>
#include <filesystem>
#include <memory>
#include <string>

#include "FakeLink.h"
#include "NmeaFixture.h"
#include "fakes/FakeDrakar.h"
#include "geodesy/DatumTable.h"
#include "platform/Registry.h"
#include "support/TestSupport.h"

namespace {

// Stands in for the registry and configuration layer: hands out a fixed directory and notes the
// calls, so the tests see where in the sequence each step runs.
struct FixedDirectory final : engine::StartupServices {
    FixedDirectory(std::string dir, bool found) : dir(std::move(dir)), found(found) {}
    bool readApplicationDirectory(engine::GpsEngine& e) override {
        calls += "dir;";
        std::snprintf(e.applicationDirectory, sizeof e.applicationDirectory, "%s", dir.c_str());
        return found;
    }
    bool readSettings(engine::GpsEngine& e) override {
        calls += "settings;";
        yearSeenBySettings = e.decimalYear;
        std::memcpy(e.settings.GPSPort, port, sizeof e.settings.GPSPort);
        e.settings.BTENBL = 0;
        return true;
    }
    bool writeSettings(engine::GpsEngine& e) override {
        calls += "write BTENBL=" + std::to_string(e.settings.BTENBL) + ";";
        return true;
    }
    void openWaypointFile(engine::GpsEngine&) override { calls += "waypoints;"; }
    std::string dir;
    bool found;
    const char16_t* port = u"COM5:";
    std::string calls;
    float yearSeenBySettings = 0;
};

void copyTable(const testsupport::TempDir& dir, const char* name) {
    std::filesystem::copy_file(testsupport::sourcePath(std::string("share/") + name),
                               dir.file(name));
}

class EngineStart : public ::testing::Test {
protected:
    EngineStart() {
        platform::SystemTime t;
        t.wYear = 2026;
        t.wMonth = 6;
        clock.setLocalTime(t);
    }
    ~EngineStart() override {
        if (fake != nullptr) dlclose(fake);
    }
    void copyTables() {
        for (const char* name : {"ellips.dat", "3_param.dat", "7_param.dat", "WMM.COF"})
            copyTable(dir, name);
    }
    // The fake vendor library in the application directory; the test holds the same instance to
    // steer it and read its calls.
    FakeDrakarState* installVendorLibrary() {
        std::filesystem::copy_file(std::string(FAKE_DRAKAR_DIR) + "full/libdrakar.so",
                                   dir.file("libdrakar.so"));
        fake = dlopen(dir.file("libdrakar.so").c_str(), RTLD_NOW | RTLD_LOCAL);
        using Get = FakeDrakarState* (*)();
        return &(*reinterpret_cast<Get>(dlsym(fake, "FakeDrakarGetState"))() = FakeDrakarState{});
    }

    fakelink::Installed ports;
    platform::ManualClock clock;
    platform::RecordingPrompter prompter;
    engine::GpsEngine engine{clock, prompter};
    testsupport::TempDir dir;
    platform::Registry registry{dir.file("registry.reg")};
    void* fake = nullptr;
};

TEST_F(EngineStart, RunsEveryStepInOrderAndSucceeds) {
    copyTables();
    FixedDirectory services(dir.path(), false);
    engine.setStartupServices(&services);
    EXPECT_FALSE(engine.start()) << "without the application directory";
    EXPECT_EQ(
        prompter.messages(),
        std::vector<std::string>{"Error Reading registry values, please re-install Corvane."});
    EXPECT_EQ(std::u16string(engine.portName), u"COM3:") << "the default until the file is read";
    services.found = true;
    prompter.clear();
    engine.state.position.latitude = 1.0;
    engine.link.commOk = 0;
    ASSERT_TRUE(engine.start());
    EXPECT_TRUE(prompter.entries().empty());
    EXPECT_EQ(services.calls + std::to_string(services.yearSeenBySettings),
              "dir;dir;settings;waypoints;2026.500000")
        << "the decimal year precedes the settings";
    EXPECT_TRUE(geodesy::datumTable().datumsLoaded());
    // Step 1 put every field back to its initial value.
    EXPECT_EQ(enginetest::text(engine.state.position) + " " + enginetest::text(engine.state.dop),
              "0 0 0- q0 n0 h-1 g0- d-1 No Fix 000000 -1 v0 [] 0 0 0");
    EXPECT_EQ(engine.link.commOk + engine.btStackUp, 2);
    EXPECT_EQ(engine.link.staleTimeoutMs, 3000u);
    EXPECT_EQ(engine.lastDataTick, clock.tickCount());
    EXPECT_EQ(std::u16string(engine.portName), u"COM5:") << "the port the configuration names";
    EXPECT_TRUE(engine.refresh());
    EXPECT_EQ(engine.state.dop.fixMode, 1) << "the parser starts with fix mode 1 as well";
}

// The tables are process-wide and load once; this case needs a process that has not loaded them
// yet (ctest runs every test in its own process).
TEST_F(EngineStart, EachMissingTableEndsStartUpWithItsMessageBeforeTheSettings) {
    if (geodesy::datumTable().ellipsoidsLoaded())
        GTEST_SKIP() << "tables already loaded in this process";
    FixedDirectory services(dir.path(), true);
    engine.setStartupServices(&services);
    const struct {
        const char* added;
        const char* message;
    } steps[] = {
        {nullptr, "Could not find \"ellipse.dat\" file."}, // named as the device did
        {"ellips.dat", "Error initializing datums."},
        {"3_param.dat", "Error initializing datums."},
        {"7_param.dat", "Error initializing WMM - \"WMM.COF\" file not found."},
    };
    for (const auto& step : steps) {
        if (step.added != nullptr) copyTable(dir, step.added);
        prompter.clear();
        EXPECT_FALSE(engine.start());
        EXPECT_EQ(prompter.messages(), std::vector<std::string>{step.message});
    }
    EXPECT_EQ(services.calls, "dir;dir;dir;dir;");
}

TEST_F(EngineStart, ChecksTheBluetoothStackThenOpensAPlainPortAndCreatesTheNotifications) {
    copyTables();
    installVendorLibrary(); // reports COM6:
    registry.setString(platform::RegistryRoot::LocalMachine,
                       "Software\\Microsoft\\Bluetooth\\Serial\\Ports\\01", "Port", "COM7:");
    engine.registry = &registry;
    const struct {
        const char16_t* port;
        bool refuse;
        const char* expected;
    } rows[] = {
        // btPortInUse, externalPort, portOpen, port opens, BTENBL, time waited, start-up calls
        {u"COM1:", false, "0 0 1 opens1 BTENBL=0 waited0 dir;settings;waypoints;"},
        // An external receiver gets 15 attempts one second apart and one message; not fatal.
        {u"COM5:", true, "0 1 0 opens15 BTENBL=0 waited14000 dir;settings;waypoints; messages1"},
        // Bluetooth ports wait for "GPS Connect"; Bluetooth is switched on and written down.
        {u"COM7:", false, "1 0 0 opens0 BTENBL=1 waited0 dir;settings;waypoints;write BTENBL=1;"},
    };
    for (const auto& row : rows) {
        FixedDirectory services(dir.path(), true);
        services.port = row.port;
        engine.setStartupServices(&services);
        fakelink::opens = 0;
        fakelink::refuse = row.refuse;
        prompter.clear();
        const uint32_t before = clock.tickCount();
        ASSERT_TRUE(engine.start());
        std::string got;
        for (int32_t v : {engine.btPortInUse, engine.externalPort, engine.link.portOpen})
            got += std::to_string(v) + " ";
        got += "opens" + std::to_string(fakelink::opens) +
               " BTENBL=" + std::to_string(engine.settings.BTENBL) + " waited" +
               std::to_string(clock.tickCount() - before) + " " + services.calls;
        if (!prompter.messages().empty())
            got += " messages" + std::to_string(prompter.messages().size());
        EXPECT_EQ(got, row.expected);
        EXPECT_TRUE(engine.bluetoothQueue && engine.bluetoothRegistration && engine.powerQueue &&
                    engine.powerRegistration);
        engine.port.reset();
    }
}

TEST_F(EngineStart, DestructionStopsTheNotificationsAndReleasesTheVendorLibrary) {
    copyTables();
    FakeDrakarState* vendor = installVendorLibrary();
    FixedDirectory services(dir.path(), true);
    services.port = u"COM6:";
    auto owned = std::make_unique<engine::GpsEngine>(clock, prompter);
    owned->registry = &registry;
    owned->setStartupServices(&services);
    ASSERT_TRUE(owned->start());
    ASSERT_TRUE(owned->drakarPort && owned->bluetoothQueue && owned->powerQueue);
    EXPECT_EQ(vendor->deinitCalls, 0);
    owned.reset();
    EXPECT_EQ(vendor->deinitCalls, 1);
}

} // namespace
