#include "ui/SatelliteSnapshot.h"

#include <algorithm>
#include <iterator>

#include "engine/GpsEngine.h"

namespace ui {
namespace {

// The place of a system in kOtherSystems; -1 for a system that is not shown.
int systemOrder(char system) {
    const auto* at = std::find(std::begin(kOtherSystems), std::end(kOtherSystems), system);
    return at == std::end(kOtherSystems) ? -1 : static_cast<int>(at - std::begin(kOtherSystems));
}

bool shownOther(const engine::OtherSatellite& s) {
    return s.prn > 0 && systemOrder(s.system) >= 0;
}

} // namespace

SatelliteSnapshot takeSatelliteSnapshot(const engine::GpsState& state, bool usedOnly,
                                        bool otherConstellations) {
    SatelliteSnapshot snapshot;
    for (int slot = kFirstSnapshotSlot; slot <= kLastSnapshotSlot; ++slot) {
        const engine::SatelliteInfo& s = state.satellites[slot];
        if (s.prn <= 0 || (usedOnly && s.used == 0)) continue;
        snapshot.entries[static_cast<std::size_t>(snapshot.count++)] =
            SatelliteEntry{slot, s.prn, s.azimuth, s.elevation, s.snr, s.used != 0, 0};
    }
    if (!otherConstellations) return snapshot;
    const int gpsCount = snapshot.count;
    for (int slot = 0; slot < engine::kOtherSatelliteSlots; ++slot) {
        const engine::OtherSatellite& s = state.otherSatellites[slot];
        if (!shownOther(s) || (usedOnly && s.used == 0)) continue;
        snapshot.entries[static_cast<std::size_t>(snapshot.count++)] =
            SatelliteEntry{slot, s.prn, s.azimuth, s.elevation, s.snr, s.used != 0, s.system};
    }
    // The other table is kept in arrival order; listed by constellation and number, each
    // satellite keeps its row from one refresh to the next.
    std::sort(snapshot.entries.begin() + gpsCount, snapshot.entries.begin() + snapshot.count,
              [](const SatelliteEntry& a, const SatelliteEntry& b) {
                  const int sa = systemOrder(a.system), sb = systemOrder(b.system);
                  return sa != sb ? sa < sb : a.prn < b.prn;
              });
    return snapshot;
}

SatelliteSnapshot takeSatelliteSnapshot(const engine::GpsEngine& engine, bool usedOnly) {
    return takeSatelliteSnapshot(engine.state, usedOnly, engine.settings.ShowOtherSatellites != 0);
}

std::string satelliteLabel(int slot, int prn) {
    if (slot >= engine::kFirstSbasSlot && slot <= engine::kLastSbasSlot)
        return "w" + std::to_string(slot - (engine::kFirstSbasSlot - 1));
    return std::to_string(prn);
}

std::string satelliteLabel(const SatelliteEntry& entry) {
    if (entry.system != 0) return entry.system + std::to_string(entry.prn);
    return satelliteLabel(entry.slot, entry.prn);
}

int sbasSlotState(const engine::SatelliteInfo& satellite) {
    return 2 * (satellite.used != 0 ? 1 : 0) + (satellite.inView != 0 ? 1 : 0);
}

int otherSatellitesInView(const engine::GpsState& state) {
    return static_cast<int>(std::count_if(
        std::begin(state.otherSatellites), std::end(state.otherSatellites),
        [](const engine::OtherSatellite& s) { return shownOther(s) && s.inView != 0; }));
}

} // namespace ui
