#include "ui/GpsScreenTexts.h"

#include <algorithm>
#include <cstdio>

#include "engine/EngineFormat.h"
#include "engine/FixStatus.h"
#include "engine/GpsEngine.h"

namespace ui {
namespace {

constexpr double kFeetPerMetre = 3.28084;
constexpr std::size_t kStatusCapacity = 79;

// printf into a 16-bit text; the formats here give ASCII only.
template <typename... Args> std::u16string format16(const char* format, Args... args) {
    char text[64];
    int n = std::snprintf(text, sizeof text, format, args...);
    if (n < 0) return {};
    return std::u16string(
        text, text + std::min<std::size_t>(static_cast<std::size_t>(n), sizeof text - 1));
}

} // namespace

std::u16string eheText(double metres, int units) {
    if (!(metres > 0)) return u"EHE:       ";
    if (units == 1 || units == 4) return format16("EHE: %3.1f m ", metres);
    return format16("EHE: %3.1f ft", metres * kFeetPerMetre);
}

GpsScreenTexts gpsScreenTexts(const engine::GpsEngine& engine) {
    GpsScreenTexts texts;
    const engine::PositionRecord& position = engine.state.position;
    char16_t place[100] = {};
    char16_t altitude[100] = {};
    engine::formatPositionForDisplay(engine, position.latitude, position.longitude,
                                     position.altitude, place, altitude);
    texts.position = place;
    texts.elevation = u"Elev: " + std::u16string(altitude);
    char16_t status[kStatusCapacity] = {};
    engine::statusText(engine, status, kStatusCapacity);
    texts.status = status;
    texts.pdop = format16("PDOP: %3.1f", static_cast<double>(engine.state.dop.pdop));
    texts.ehe = eheText(engine::estimatedHorizontalError(engine), engine.settings.Units);
    texts.satellitesInView = engine.state.dop.satellitesInView;
    texts.satellitesUsed = position.satellitesUsed;
    return texts;
}

} // namespace ui
