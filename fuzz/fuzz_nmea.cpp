// libFuzzer target for the NMEA byte input: the bytes arrive through the engine in reads whose
// sizes and timing come from the input, and every read is followed by a state refresh. The
// refreshed state must keep the satellite table's invariants.

#include <cstddef>
#include <cstdint>
#include <cstdlib>

#include "engine/Dgps.h"
#include "engine/GpsEngine.h"
#include "platform/Clock.h"
#include "platform/Prompter.h"

namespace {

void checkInvariants(const engine::GpsState& s) {
    for (int slot = 0; slot < engine::kSatelliteSlots; ++slot) {
        const auto& sat = s.satellites[slot];
        if (sat.used && !sat.inView) std::abort();
        if ((slot == 0 || slot > engine::kLastSbasSlot) && sat.prn != 0) std::abort();
    }
    for (uint16_t slot : s.dop.usedSlots)
        if (slot > engine::kLastSbasSlot) std::abort();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static platform::ManualClock clock{1000};
    static platform::StderrPrompter prompter;
    static engine::GpsEngine engine(clock, prompter);
    dgps::resetParser();
    // The first byte picks the read size (1..256, or the whole input), the second the time step.
    size_t chunk = size > 0 && data[0] != 0 ? data[0] : size + 1;
    uint32_t step = size > 1 ? data[1] * 40u : 0;
    for (size_t at = 0; at < size; at += chunk) {
        size_t n = size - at < chunk ? size - at : chunk;
        engine.receiveBytes(data + at, n);
        clock.advance(step);
        if (!engine.refresh()) std::abort();
        checkInvariants(engine.state);
    }
    return 0;
}
