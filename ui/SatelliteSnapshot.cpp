#include "ui/SatelliteSnapshot.h"

namespace ui {

SatelliteSnapshot takeSatelliteSnapshot(const engine::GpsState& state, bool usedOnly) {
    SatelliteSnapshot snapshot;
    for (int slot = kFirstSnapshotSlot; slot <= kLastSnapshotSlot; ++slot) {
        const engine::SatelliteInfo& s = state.satellites[slot];
        if (s.prn <= 0 || (usedOnly && s.used == 0)) continue;
        snapshot.entries[static_cast<std::size_t>(snapshot.count++)] =
            SatelliteEntry{slot, s.prn, s.azimuth, s.elevation, s.snr, s.used != 0};
    }
    return snapshot;
}

std::string satelliteLabel(int slot, int prn) {
    if (slot >= engine::kFirstSbasSlot && slot <= engine::kLastSbasSlot)
        return "w" + std::to_string(slot - (engine::kFirstSbasSlot - 1));
    return std::to_string(prn);
}

int sbasSlotState(const engine::SatelliteInfo& satellite) {
    return 2 * (satellite.used != 0 ? 1 : 0) + (satellite.inView != 0 ? 1 : 0);
}

} // namespace ui
