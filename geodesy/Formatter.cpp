#include "geodesy/Formatter.h"

#include <cmath>
#include <cstdarg>
#include <cstdio>
#include <cstring>

#include "geodesy/DatumTable.h"
#include "geodesy/Utm.h"

namespace geodesy {

namespace {

constexpr int kWgs84Index = 1;

[[gnu::format(printf, 2, 3)]] void putText(std::span<char> out, const char* format, ...) {
    if (out.empty()) return;
    va_list args;
    va_start(args, format);
    std::vsnprintf(out.data(), out.size(), format, args);
    va_end(args);
}

// The texts are plain ASCII, so widening is a character-by-character copy.
[[gnu::format(printf, 2, 3)]] void putWide(std::span<char16_t> out, const char* format, ...) {
    if (out.empty()) return;
    char text[256];
    va_list args;
    va_start(args, format);
    int length = std::vsnprintf(text, sizeof text, format, args);
    va_end(args);
    if (length < 0) length = 0;
    std::size_t count = static_cast<std::size_t>(length);
    if (count >= sizeof text) count = sizeof text - 1;
    if (count >= out.size()) count = out.size() - 1;
    for (std::size_t i = 0; i < count; ++i)
        out[i] = static_cast<char16_t>(static_cast<unsigned char>(text[i]));
    out[count] = u'\0';
}

void clear(std::span<char> out) {
    if (!out.empty()) out[0] = '\0';
}

// Integer part of a non-negative value; 0 for values no int can hold (NaN, infinities), whose
// remaining fraction then prints as such.
int wholePart(double value) {
    return std::isfinite(value) && value < 2147483647.0 ? static_cast<int>(value) : 0;
}

// A coordinate split into hemisphere, degrees, minutes and seconds. Nothing is rounded, so a
// value just below a whole minute keeps its 59.99... minutes or seconds.
struct Angle {
    const char* hemisphere;
    double absolute;
    int degrees;
    double minutes;   // DM: fraction of a degree in minutes
    int wholeMinutes; // DMS
    double seconds;   // DMS
};

Angle splitAngle(double value, const char* negative, const char* positive) {
    Angle a{};
    a.hemisphere = value < 0 ? negative : positive;
    a.absolute = std::fabs(value);
    a.degrees = wholePart(a.absolute);
    a.minutes = (a.absolute - a.degrees) * 60.0;
    a.wholeMinutes = wholePart(a.minutes);
    a.seconds = (a.minutes - a.wholeMinutes) * 60.0;
    return a;
}

double altitudeValue(int32_t units, double metres) {
    return altitudeInMetres(units) ? metres : metres * kFeetPerMetre;
}

const char* altitudeUnit(int32_t units) {
    return altitudeInMetres(units) ? "m" : "ft";
}

struct Grid {
    double northing = 0;
    double easting = 0;
    char zone[kUtmZoneTextSize] = {};
};

Grid gridOf(const FormatSettings& settings, const DatumTable& table, const LocalPosition& p) {
    Grid g;
    utmFromGeodetic(table, settings.datum, p.latitude, p.longitude, g.northing, g.easting, g.zone,
                    sizeof g.zone);
    return g;
}

} // namespace

bool altitudeInMetres(int32_t units) {
    return units == Metric || units == Meters;
}

namespace {

// The datum table's index for a code; an unknown code (or none) gives 0, which every shift
// refuses, so the values stay as they are.
int shiftIndex(const DatumTable& table, const char* datumCode) {
    int index = 0;
    if (table.findDatum(datumCode != nullptr ? datumCode : "", index) != 0) index = 0;
    return index;
}

} // namespace

LocalPosition toLocalDatum(const DatumTable& table, const char* datumCode, double lat, double lon,
                           double alt) {
    const int index = shiftIndex(table, datumCode);
    if (index != kWgs84Index) {
        double localLat = 0, localLon = 0, localAlt = 0;
        if (table.shiftFromWgs84(lat / kShiftDegreesPerRadian, lon / kShiftDegreesPerRadian, alt,
                                 index, localLat, localLon, localAlt) == 0)
            return {localLat * kShiftDegreesPerRadian, localLon * kShiftDegreesPerRadian, localAlt};
    }
    return {lat, lon, alt};
}

LocalPosition fromLocalDatum(const DatumTable& table, const char* datumCode, double lat, double lon,
                             double alt) {
    const int index = shiftIndex(table, datumCode);
    if (index != kWgs84Index) {
        double lat84 = 0, lon84 = 0, alt84 = 0;
        if (table.shiftToWgs84(index, lat / kShiftDegreesPerRadian, lon / kShiftDegreesPerRadian,
                               alt, lat84, lon84, alt84) == 0)
            return {lat84 * kShiftDegreesPerRadian, lon84 * kShiftDegreesPerRadian, alt84};
    }
    return {lat, lon, alt};
}

bool formatDistance(int32_t units, std::span<char16_t> buffer, double metres) {
    if (buffer.size() < kDistanceTextMinCapacity) return false;
    switch (units) {
    case Statute:
    case Feet: {
        double feet = metres * kFeetPerMetre;
        if (std::fabs(std::trunc(feet)) >= 10000.0)
            putWide(buffer, "% .2f mi", feet / kFeetPerMile);
        else
            putWide(buffer, "% .1f ft", feet);
        break;
    }
    case Metric:
    case Meters:
        if (std::fabs(std::trunc(metres)) >= 1000.0)
            putWide(buffer, "% .2f km", metres / kMetresPerKilometre);
        else
            putWide(buffer, "% .1f m", metres);
        break;
    case Nautical:
        putWide(buffer, "% .1f nm", metres * kNauticalMilesPerMetre);
        break;
    default:
        putWide(buffer, "% .1f m", metres);
        break;
    }
    return true;
}

bool formatSpeed(int32_t units, float speedMph, std::span<char16_t> buffer) {
    if (buffer.size() < kSpeedTextMinCapacity) return false;
    double speed = speedMph;
    if (speedMph < 0.5f) {
        putWide(buffer, "Low Vel");
        return true;
    }
    switch (units) {
    case Metric:
    case Meters:
        putWide(buffer, "% .1f km/h", speed * kKmhPerMph);
        break;
    case Nautical:
        putWide(buffer, "% .1f knt", speed * kKnotsPerMph);
        break;
    case Statute:
    case Feet:
        putWide(buffer, "% .1f mph", speed);
        break;
    default:
        break;
    }
    return true;
}

void formatPositionForDisplay(const FormatSettings& settings, const DatumTable& table, double lat,
                              double lon, double alt, std::span<char16_t> position,
                              std::span<char16_t> altitude) {
    LocalPosition local = toLocalDatum(table, settings.datum, lat, lon, alt);
    Angle la = splitAngle(local.latitude, "S", "N");
    Angle lo = splitAngle(local.longitude, "W", "E");
    switch (settings.format) {
    case FormatDD:
        putWide(position, "%s % .7f %s % .7f", la.hemisphere, la.absolute, lo.hemisphere,
                lo.absolute);
        break;
    case FormatDM:
        putWide(position, "%s %d %.5f' %s %d %.5f'", la.hemisphere, la.degrees, la.minutes,
                lo.hemisphere, lo.degrees, lo.minutes);
        break;
    case FormatDMS:
        putWide(position, "%s %d %d' %.2f\" %s %d %d' %.2f\"", la.hemisphere, la.degrees,
                la.wholeMinutes, la.seconds, lo.hemisphere, lo.degrees, lo.wholeMinutes,
                lo.seconds);
        break;
    case FormatUTM: {
        Grid g = gridOf(settings, table, local);
        putWide(position, "Zn %s N %.2f E %.2f", g.zone, g.northing, g.easting);
        break;
    }
    default:
        break; // the position text stays as it was
    }
    putWide(altitude, "% .1f %s", altitudeValue(settings.units, local.altitude),
            altitudeUnit(settings.units));
}

void formatPositionRaw(const FormatSettings& settings, const DatumTable& table, double lat,
                       double lon, double alt, std::span<char> latitude, std::span<char> longitude,
                       std::span<char> altitude) {
    clear(latitude);
    clear(longitude);
    clear(altitude);
    LocalPosition local = toLocalDatum(table, settings.datum, lat, lon, alt);
    putText(latitude, "%.7f", local.latitude);
    putText(longitude, "%.7f", local.longitude);
    putText(altitude, "%.1f", altitudeValue(settings.units, local.altitude));
}

void formatPositionForOutput(const FormatSettings& settings, const DatumTable& table, int spaced,
                             double lat, double lon, double alt, std::span<char> zone,
                             std::span<char> first, std::span<char> second,
                             std::span<char> altitude) {
    clear(zone);
    clear(first);
    clear(second);
    clear(altitude);
    LocalPosition local = toLocalDatum(table, settings.datum, lat, lon, alt);
    Angle la = splitAngle(local.latitude, "S", "N");
    Angle lo = splitAngle(local.longitude, "W", "E");
    switch (settings.format) {
    case FormatDD:
        putText(first, spaced ? "%s %.7f" : "%s*%.7f", la.hemisphere, la.absolute);
        putText(second, spaced ? "%s %.7f" : "%s*%.7f", lo.hemisphere, lo.absolute);
        break;
    case FormatDM:
        putText(first, spaced ? "%s %d %.5f'" : "%s*%d*%.5f", la.hemisphere, la.degrees,
                la.minutes);
        putText(second, spaced ? "%s %d %.5f'" : "%s*%d*%.5f", lo.hemisphere, lo.degrees,
                lo.minutes);
        break;
    case FormatDMS:
        putText(first, spaced ? "%s %d %d' %.2f\"" : "%s*%d*%d*%.2f", la.hemisphere, la.degrees,
                la.wholeMinutes, la.seconds);
        putText(second, spaced ? "%s %d %d' %.2f\"" : "%s*%d*%d*%.2f", lo.hemisphere, lo.degrees,
                lo.wholeMinutes, lo.seconds);
        break;
    case FormatUTM: {
        Grid g = gridOf(settings, table, local);
        int zoneLength = static_cast<int>(strnlen(g.zone, kOutputZoneTextMax));
        if (spaced) {
            putText(zone, "%.*s", zoneLength, g.zone);
            putText(first, "Zn %s %.2f E", g.zone, g.easting);
            putText(second, "Zn %s %.2f N", g.zone, g.northing);
        } else {
            putText(zone, "%.*s*", zoneLength, g.zone);
            putText(first, "%.2f*E", g.easting);
            putText(second, "%.2f*N", g.northing);
        }
        break;
    }
    default:
        break;
    }
    putText(altitude, spaced ? "%.1f %s" : "%.1f*%s", altitudeValue(settings.units, local.altitude),
            altitudeUnit(settings.units));
}

} // namespace geodesy
