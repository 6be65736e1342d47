// The suspend time-outs: saved and switched off at start, put back at exit, and the power
// manager told to reread them.

#include <gtest/gtest.h>

#include <tuple>

#include "engine/GpsEngine.h"
#include "engine/PowerTimeouts.h"
#include "platform/NamedEvent.h"
#include "platform/Registry.h"
#include "support/TestSupport.h"

namespace {

TEST(PowerTimeouts, StartSwitchesOffAndExitRestoresWhatWasThereOrTheDefaults) {
    platform::ManualClock clock;
    platform::RecordingPrompter prompter;
    engine::GpsEngine engine{clock, prompter}, fresh{clock, prompter}; // fresh never starts
    testsupport::TempDir dir;
    platform::Registry registry{dir.file("registry.reg")};
    engine.registry = fresh.registry = &registry;
    const auto root = platform::RegistryRoot::LocalMachine;
    auto values = [&] {
        auto get = [&](const char* name) {
            return registry.queryDword(root, engine::kPowerTimeoutsKey, name).value_or(99999);
        };
        return std::pair(get("BattSuspendTimeout"), get("ACSuspendTimeout"));
    };
    engine::applyPowerTimeouts(engine, false); // no key: nothing is written, not even the key
    engine::applyPowerTimeouts(engine, true);
    EXPECT_FALSE(registry.keyExists(root, engine::kPowerTimeoutsKey));
    // The battery value is missing at the first start: its default stays saved.
    for (auto [name, value, restored] :
         {std::tuple{"ACSuspendTimeout", 600u, std::pair(180u, 600u)},
          {"BattSuspendTimeout", 60u, std::pair(60u, 600u)}}) {
        registry.setDword(root, engine::kPowerTimeoutsKey, name, value);
        engine::applyPowerTimeouts(engine, false);
        EXPECT_EQ(values(), std::pair(0u, 0u));
        engine::applyPowerTimeouts(engine, true);
        EXPECT_EQ(values(), restored);
    }
    EXPECT_FALSE(platform::NamedEvent::openExisting(engine::kReloadTimeoutsEvent));
    auto reload = platform::NamedEvent::create(engine::kReloadTimeoutsEvent, false);
    ASSERT_TRUE(reload);
    engine::applyPowerTimeouts(fresh, true);
    EXPECT_EQ(values(), std::pair(180u, 300u));
    EXPECT_TRUE(reload->isSet());
}

} // namespace
