// The engine's start-up sequence: the order of its steps and the message that ends it early.

#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <string>

#include "NmeaFixture.h"
#include "geodesy/DatumTable.h"
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
        std::memcpy(e.settings.GPSPort, u"COM5:", sizeof e.settings.GPSPort);
        return true;
    }
    std::string dir;
    bool found;
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
    platform::ManualClock clock;
    platform::RecordingPrompter prompter;
    engine::GpsEngine engine{clock, prompter};
    testsupport::TempDir dir;
};

TEST_F(EngineStart, RunsEveryStepInOrderAndSucceeds) {
    for (const char* name : {"ellips.dat", "3_param.dat", "7_param.dat", "WMM.COF"})
        copyTable(dir, name);
    FixedDirectory services(dir.path(), true);
    engine.setStartupServices(&services);
    engine.state.position.latitude = 1.0;
    engine.link.commOk = 0;
    ASSERT_TRUE(engine.start());
    EXPECT_TRUE(prompter.entries().empty());
    EXPECT_EQ(services.calls + std::to_string(services.yearSeenBySettings),
              "dir;settings;2026.500000")
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

TEST_F(EngineStart, MissingRegistryValueEndsStartUpBeforeTheTables) {
    FixedDirectory services(dir.path(), false);
    engine.setStartupServices(&services);
    EXPECT_FALSE(engine.start());
    EXPECT_EQ(services.calls + prompter.messages().at(0),
              "dir;Error Reading registry values, please re-install Corvane.");
    EXPECT_EQ(std::u16string(engine.portName), u"COM3:") << "the default until the file is read";
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

} // namespace
