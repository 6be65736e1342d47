// The suspend time-outs: saved and switched off at start, put back at exit, and the power
// manager told to reread them.

#include <gtest/gtest.h>

#include "engine/GpsEngine.h"
#include "engine/PowerTimeouts.h"
#include "platform/NamedEvent.h"
#include "platform/Registry.h"
#include "support/TestSupport.h"

namespace {

using platform::RegistryRoot;

class PowerTimeouts : public ::testing::Test {
protected:
    PowerTimeouts() { engine.registry = &registry; }
    uint32_t value(const char* name) {
        return registry.queryDword(RegistryRoot::LocalMachine, engine::kPowerTimeoutsKey, name)
            .value_or(99999);
    }
    void set(const char* name, uint32_t v) {
        registry.setDword(RegistryRoot::LocalMachine, engine::kPowerTimeoutsKey, name, v);
    }

    platform::ManualClock clock;
    platform::RecordingPrompter prompter;
    engine::GpsEngine engine{clock, prompter};
    testsupport::TempDir dir;
    platform::Registry registry{dir.file("registry.reg")};
};

TEST_F(PowerTimeouts, StartSwitchesOffAndExitRestoresWhatWasThere) {
    set("BattSuspendTimeout", 60);
    set("ACSuspendTimeout", 600);
    engine::applyPowerTimeouts(engine, false);
    EXPECT_EQ(value("BattSuspendTimeout"), 0u);
    EXPECT_EQ(value("ACSuspendTimeout"), 0u);
    engine::applyPowerTimeouts(engine, true);
    EXPECT_EQ(value("BattSuspendTimeout"), 60u);
    EXPECT_EQ(value("ACSuspendTimeout"), 600u);
}

TEST_F(PowerTimeouts, ValuesNeverSavedRestoreAsTheDefaults) {
    set("ACSuspendTimeout", 45); // battery value missing at start: its default stays saved
    engine::applyPowerTimeouts(engine, false);
    engine::applyPowerTimeouts(engine, true);
    EXPECT_EQ(value("BattSuspendTimeout"), 180u);
    EXPECT_EQ(value("ACSuspendTimeout"), 45u);
    engine::GpsEngine fresh{clock, prompter}; // exit without a start
    fresh.registry = &registry;
    engine::applyPowerTimeouts(fresh, true);
    EXPECT_EQ(value("BattSuspendTimeout"), 180u);
    EXPECT_EQ(value("ACSuspendTimeout"), 300u);
}

TEST_F(PowerTimeouts, MissingKeyIsLeftAlone) {
    engine::applyPowerTimeouts(engine, false);
    engine::applyPowerTimeouts(engine, true);
    EXPECT_FALSE(registry.keyExists(RegistryRoot::LocalMachine, engine::kPowerTimeoutsKey));
    EXPECT_TRUE(prompter.entries().empty());
}

TEST_F(PowerTimeouts, ReloadEventIsSignalledOnlyWhenItExists) {
    engine::applyPowerTimeouts(engine, true);
    EXPECT_FALSE(platform::NamedEvent::openExisting(engine::kReloadTimeoutsEvent));
    auto reload = platform::NamedEvent::create(engine::kReloadTimeoutsEvent, false);
    ASSERT_TRUE(reload);
    engine::applyPowerTimeouts(engine, true);
    EXPECT_TRUE(reload->isSet());
}

} // namespace
