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
    PowerTimeouts() { engine.registry = fresh.registry = &registry; }
    std::pair<uint32_t, uint32_t> values() {
        auto get = [&](const char* name) {
            return registry.queryDword(RegistryRoot::LocalMachine, engine::kPowerTimeoutsKey, name)
                .value_or(99999);
        };
        return {get("BattSuspendTimeout"), get("ACSuspendTimeout")};
    }
    void set(const char* name, uint32_t v) {
        registry.setDword(RegistryRoot::LocalMachine, engine::kPowerTimeoutsKey, name, v);
    }

    platform::ManualClock clock;
    platform::RecordingPrompter prompter;
    engine::GpsEngine engine{clock, prompter};
    engine::GpsEngine fresh{clock, prompter}; // one that never started
    testsupport::TempDir dir;
    platform::Registry registry{dir.file("registry.reg")};
};

TEST_F(PowerTimeouts, StartSwitchesOffAndExitRestoresWhatWasThereOrTheDefaults) {
    engine::applyPowerTimeouts(engine, false); // no key: nothing is written, not even the key
    engine::applyPowerTimeouts(engine, true);
    EXPECT_FALSE(registry.keyExists(RegistryRoot::LocalMachine, engine::kPowerTimeoutsKey));
    set("ACSuspendTimeout", 600); // the battery value is missing: its default stays saved
    engine::applyPowerTimeouts(engine, false);
    EXPECT_EQ(values(), std::pair(0u, 0u));
    engine::applyPowerTimeouts(engine, true);
    EXPECT_EQ(values(), std::pair(180u, 600u));
    set("BattSuspendTimeout", 60);
    engine::applyPowerTimeouts(engine, false);
    engine::applyPowerTimeouts(engine, true);
    EXPECT_EQ(values(), std::pair(60u, 600u));
    engine::applyPowerTimeouts(fresh, true);
    EXPECT_EQ(values(), std::pair(180u, 300u));
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
