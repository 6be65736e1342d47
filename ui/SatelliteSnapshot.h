#pragma once
// The satellites the GPS screen and the details list draw: a copy of slots 1 to 37 of the
// satellite table, taken under the engine lock so that the drawing needs no lock. No Qt here.

#include <array>
#include <string>

#include "engine/GpsState.h"

namespace ui {

inline constexpr int kFirstSnapshotSlot = 1;
inline constexpr int kLastSnapshotSlot = 37;
inline constexpr int kSnapshotCapacity = kLastSnapshotSlot - kFirstSnapshotSlot + 1;

struct SatelliteEntry {
    int slot = 0;
    int prn = 0;
    int azimuth = 0;
    int elevation = 0;
    int snr = 0;
    bool used = false;
};

struct SatelliteSnapshot {
    std::array<SatelliteEntry, kSnapshotCapacity> entries{};
    int count = 0;

    const SatelliteEntry* begin() const { return entries.data(); }
    const SatelliteEntry* end() const { return entries.data() + count; }
};

// Every slot 1 to 37 whose PRN is above 0, in slot order; with usedOnly, only those used in the
// solution (the signal bars). The caller holds the engine lock.
SatelliteSnapshot takeSatelliteSnapshot(const engine::GpsState& state, bool usedOnly = false);

// The label of a satellite: its PRN for the GPS slots 1 to 32, "w1" to "w4" for the SBAS slots 33
// to 36. Slot 37 is no SBAS slot; the parser never fills it, and were it filled it would show its
// PRN like a GPS slot.
std::string satelliteLabel(int slot, int prn);

// The SBAS slot's state for the diagnostics: 2 x used + in view (0 none, 1 in view, 2 used only,
// 3 both).
int sbasSlotState(const engine::SatelliteInfo& satellite);

} // namespace ui
