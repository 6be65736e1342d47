#pragma once
// The texts of the GPS screen, from the engine's state and settings: the position and elevation
// in the user's datum, format and units, the status text, PDOP and EHE, and the satellite counts.
// The screen shows them; `corvane --headless` prints them. No Qt here, so both share one source.

#include <string>

namespace engine {
class GpsEngine;
}

namespace ui {

struct GpsScreenTexts {
    std::u16string position;
    std::u16string elevation; // "Elev: ..."
    std::u16string status;
    std::u16string pdop; // "PDOP: 1.8"
    std::u16string ehe;  // "EHE: 4.2 m ", "EHE: 13.8 ft" or "EHE:       "
    int satellitesInView = 0;
    int satellitesUsed = 0;
};

// The caller holds the engine lock.
GpsScreenTexts gpsScreenTexts(const engine::GpsEngine& engine);

// The EHE text for an EHE in metres and the Units setting: metres for Metric (1) and Meters (4),
// feet otherwise; blank when the EHE is not above 0.
std::u16string eheText(double metres, int units);

} // namespace ui
