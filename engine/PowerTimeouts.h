#pragma once
// The system's automatic suspend time-outs: switched off while Corvane runs (a receiver link must
// not be cut by a suspend) and put back at exit.

namespace engine {

class GpsEngine;

inline constexpr const char* kPowerTimeoutsKey = "System\\CurrentControlSet\\Power\\Timeouts";
inline constexpr const char* kReloadTimeoutsEvent = "PowerManager/ReloadActivityTimeouts";

// restore false (start): saves "BattSuspendTimeout" and "ACSuspendTimeout" of the local-machine
// key into the engine (a value that cannot be read keeps its saved value) and writes 0 to both.
// restore true (exit): writes the saved values back; never saved, they are 180 and 300. Either
// way the power manager is then told to reread them through the named event, when it exists.
// Registry failures are silent.
void applyPowerTimeouts(GpsEngine& engine, bool restore);

} // namespace engine
