#pragma once
// The registry the engine's Bluetooth and power code reads: the one the owner set in the engine,
// else the user's registry file.

#include <utility>

#include "engine/GpsEngine.h"
#include "platform/Registry.h"

namespace engine {

template <typename Use> auto withEngineRegistry(GpsEngine& engine, Use&& use) {
    if (engine.registry != nullptr) return std::forward<Use>(use)(*engine.registry);
    platform::Registry registry(platform::Registry::defaultPath(), &engine.prompter(),
                                &engine.clock());
    return std::forward<Use>(use)(registry);
}

} // namespace engine
