#include "ui/WaypointDetailTexts.h"

#include <cmath>
#include <cstdarg>
#include <cstdio>
#include <cstring>

#include "engine/Waypoint.h"
#include "engine/WaypointStore.h"
#include "geodesy/Constants.h"
#include "geodesy/Offset.h"
#include "geodesy/Utm.h"
#include "platform/Utf.h"

namespace ui {

namespace {

std::u16string format16(const char* format, ...) {
    char text[96];
    va_list args;
    va_start(args, format);
    std::vsnprintf(text, sizeof text, format, args);
    va_end(args);
    return std::u16string(text, text + std::strlen(text));
}

// "N 47 30.00000'" or "S 8 15' 0.00\"" for a signed angle.
std::u16string angleText(int32_t format, double value, const char* negative, const char* positive) {
    const char* hemisphere = value < 0 ? negative : positive;
    const double absolute = std::fabs(value);
    const int degrees = static_cast<int>(absolute);
    const double minutes = (absolute - degrees) * 60.0;
    if (format == geodesy::FormatDM) return format16("%s %d %.5f'", hemisphere, degrees, minutes);
    const int wholeMinutes = static_cast<int>(minutes);
    return format16("%s %d %d' %.2f\"", hemisphere, degrees, wholeMinutes,
                    (minutes - wholeMinutes) * 60.0);
}

bool metricUnits(int32_t units) {
    return units == geodesy::Metric || units == geodesy::Meters;
}

} // namespace

WaypointDetailTexts waypointDetailTexts(const engine::Waypoint& w,
                                        const geodesy::FormatSettings& settings,
                                        const geodesy::DatumTable& table) {
    geodesy::LocalPosition p =
        geodesy::toLocalDatum(table, settings.datum, w.latitude, w.longitude, w.altitude);
    if (p.altitude > -0.05 && p.altitude < 0.05) p.altitude = 0;
    if (std::fabs(p.latitude) < 1e-8) p.latitude = 0;
    if (std::fabs(p.longitude) < 1e-8) p.longitude = 0;

    WaypointDetailTexts t;
    t.number = format16("%d", w.number);
    t.name = std::u16string(w.name);
    if (w.offsetOn) {
        const geodesy::OffsetPosition moved =
            geodesy::applyOffset(table, settings.datum, {p.latitude, p.longitude, p.altitude},
                                 w.offsetDistance, w.offsetSlope, w.offsetDirection);
        p = {moved.latitude, moved.longitude, moved.altitude};
        t.offset = u"Offset ON";
    }
    switch (settings.format) {
    case geodesy::FormatDM:
    case geodesy::FormatDMS:
        t.first = angleText(settings.format, p.latitude, "S", "N");
        t.second = angleText(settings.format, p.longitude, "W", "E");
        break;
    case geodesy::FormatUTM: {
        double northing = 0, easting = 0;
        char zone[geodesy::kUtmZoneTextSize] = {};
        geodesy::utmFromGeodetic(table, settings.datum, p.latitude, p.longitude, northing, easting,
                                 zone);
        t.first = format16("% .2f", northing);
        t.second = format16("% .2f", easting);
        t.zone = format16(" %s", zone);
        break;
    }
    default:
        t.first = format16("% .8f", p.latitude);
        t.second = format16("% .8f", p.longitude);
        break;
    }
    if (metricUnits(settings.units)) {
        t.elevation = format16("% .1f  m", p.altitude);
        t.ehe = format16("% .1f m", static_cast<double>(w.ehe));
    } else {
        t.elevation = format16("% .1f ft", p.altitude * geodesy::kFeetPerMetre);
        t.ehe = format16("% .1f ft", w.ehe * geodesy::kFeetPerMetre);
    }
    t.pdop = format16("% .1f", static_cast<double>(w.pdop));
    return t;
}

const char* firstPositionCaption(int32_t format) {
    return format == geodesy::FormatUTM ? "Nor" : "Lat";
}

const char* secondPositionCaption(int32_t format) {
    return format == geodesy::FormatUTM ? "Eas" : "Lon";
}

std::u16string waypointFileText(const engine::WaypointStore& store, const char* waypointPath) {
    if (store.fileName[0] != 0) return std::u16string(store.fileName);
    const std::string path = waypointPath != nullptr ? waypointPath : "";
    const std::size_t cut = path.find_last_of("\\/");
    const std::string last = cut == std::string::npos ? path : path.substr(cut + 1);
    if (last.find('.') == std::string::npos) return {};
    std::u16string text(last.size() + 1, u'\0');
    text.resize(platform::fromUtf8(last, text.data(), text.size()));
    return text;
}

} // namespace ui
