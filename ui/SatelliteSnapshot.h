#pragma once
// The satellites the GPS screen and the details list draw: a copy of slots 1 to 37 of the
// satellite table and, when the user shows them, of the other constellations' table, taken under
// the engine lock so that the drawing needs no lock. No Qt here.

#include <array>
#include <string>

#include "engine/GpsState.h"

namespace engine {
class GpsEngine;
}

namespace ui {

inline constexpr int kFirstSnapshotSlot = 1;
inline constexpr int kLastSnapshotSlot = 37;
inline constexpr int kSnapshotGpsCapacity = kLastSnapshotSlot - kFirstSnapshotSlot + 1;
inline constexpr int kSnapshotCapacity = kSnapshotGpsCapacity + engine::kOtherSatelliteSlots;

// The constellations of the other table in the order they are listed: GLONASS, Galileo, BeiDou,
// QZSS, NavIC. An entry of any other system is not shown.
inline constexpr char kOtherSystems[] = {'R', 'E', 'C', 'J', 'I'};

struct SatelliteEntry {
    int slot = 0; // the slot of the 42-slot table, or of the other table when system is set
    int prn = 0;
    int azimuth = 0;
    int elevation = 0;
    int snr = 0;
    bool used = false;
    char system = 0; // 0 for GPS and SBAS; 'R', 'E', 'C', 'J' or 'I' for the other table
};

struct SatelliteSnapshot {
    std::array<SatelliteEntry, kSnapshotCapacity> entries{};
    int count = 0;

    const SatelliteEntry* begin() const { return entries.data(); }
    const SatelliteEntry* end() const { return entries.data() + count; }
};

// Every slot 1 to 37 whose PRN is above 0, in slot order; then, with otherConstellations, every
// entry of the other table with a known system and a PRN above 0, by constellation (in the order
// of kOtherSystems) and PRN. With usedOnly, only those used in the solution (the signal bars).
// The caller holds the engine lock.
SatelliteSnapshot takeSatelliteSnapshot(const engine::GpsState& state, bool usedOnly,
                                        bool otherConstellations);
// The same from the engine's state, with the other constellations as the ShowOtherSatellites
// setting says. The caller holds the engine lock.
SatelliteSnapshot takeSatelliteSnapshot(const engine::GpsEngine& engine, bool usedOnly = false);

// The label of a satellite: its PRN for the GPS slots 1 to 32, "w1" to "w4" for the SBAS slots 33
// to 36. Slot 37 is no SBAS slot; the parser never fills it, and were it filled it would show its
// PRN like a GPS slot.
std::string satelliteLabel(int slot, int prn);
// The label of an entry: as above for GPS and SBAS, the constellation's letter and the number
// within it for the others ("R7", "E12", "C23", "J1", "I3").
std::string satelliteLabel(const SatelliteEntry& entry);

// The SBAS slot's state for the diagnostics: 2 x used + in view (0 none, 1 in view, 2 used only,
// 3 both).
int sbasSlotState(const engine::SatelliteInfo& satellite);

// How many satellites of the other table, with a known system, are marked in view.
int otherSatellitesInView(const engine::GpsState& state);

} // namespace ui
