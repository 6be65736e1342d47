#pragma once
// The Universal Transverse Mercator grid: a series-expansion transverse Mercator projection on
// the ellipsoid of the user's datum (k0 0.9996, false easting 500000 m, false northing 1e7 m in
// the southern hemisphere). Latitudes and longitudes in degrees, grid values in metres. The
// conversions never shift datums and never fail.

#include <cstddef>

namespace geodesy {

class DatumTable;

// Zone text: the zone number and the band letter, e.g. "12T".
inline constexpr std::size_t kUtmZoneTextSize = 8;

struct UtmEllipsoid {
    double a = 6378137.0;   // semi-major axis, metres
    double e2 = 0.00669438; // first eccentricity squared
};

// The ellipsoid of the datum with this code (the Datum setting), or the default above when the
// code, its ellipsoid or the tables are not found.
UtmEllipsoid utmEllipsoid(const DatumTable& table, const char* datumCode);

// Band letter of a latitude: "XWVUTSRQPNMLKJHGFEDC" from 84 down to -80, 'Z' outside.
char utmBandLetter(double lat);

// lat, lon -> northing, easting and the zone text (written NUL-terminated into zone, at most
// zoneSize bytes).
void utmFromGeodetic(const DatumTable& table, const char* datumCode, double lat, double lon,
                     double& northing, double& easting, char* zone,
                     std::size_t zoneSize = kUtmZoneTextSize);
void utmFromGeodetic(const UtmEllipsoid& ellipsoid, double lat, double lon, double& northing,
                     double& easting, char* zone, std::size_t zoneSize = kUtmZoneTextSize);

// northing, easting and zone text -> lat, lon. The zone number is read from the start of the
// text; a letter below 'N' (or none) means the southern hemisphere.
void geodeticFromUtm(const DatumTable& table, const char* datumCode, double northing,
                     double easting, const char* zone, double& lat, double& lon);
void geodeticFromUtm(const UtmEllipsoid& ellipsoid, double northing, double easting,
                     const char* zone, double& lat, double& lon);

} // namespace geodesy
