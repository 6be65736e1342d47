#include "engine/PowerTimeouts.h"

#include "engine/EngineRegistry.h"
#include "engine/GpsEngine.h"
#include "platform/NamedEvent.h"

namespace engine {

void applyPowerTimeouts(GpsEngine& engine, bool restore) {
    withEngineRegistry(engine, [&](platform::Registry& registry) {
        const auto root = platform::RegistryRoot::LocalMachine;
        if (!registry.keyExists(root, kPowerTimeoutsKey)) return;
        if (restore) {
            registry.setDword(root, kPowerTimeoutsKey, "BattSuspendTimeout",
                              engine.savedBattSuspendTimeout);
            registry.setDword(root, kPowerTimeoutsKey, "ACSuspendTimeout",
                              engine.savedAcSuspendTimeout);
            return;
        }
        if (auto v = registry.queryDword(root, kPowerTimeoutsKey, "BattSuspendTimeout"))
            engine.savedBattSuspendTimeout = *v;
        if (auto v = registry.queryDword(root, kPowerTimeoutsKey, "ACSuspendTimeout"))
            engine.savedAcSuspendTimeout = *v;
        registry.setDword(root, kPowerTimeoutsKey, "BattSuspendTimeout", 0);
        registry.setDword(root, kPowerTimeoutsKey, "ACSuspendTimeout", 0);
    });
    if (auto reload = platform::NamedEvent::openExisting(kReloadTimeoutsEvent)) reload->set();
}

} // namespace engine
