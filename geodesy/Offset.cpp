#include "geodesy/Offset.h"

#include <cmath>

#include "geodesy/Constants.h"
#include "geodesy/Utm.h"

namespace geodesy {

OffsetPosition applyOffset(const DatumTable& table, const char* datumCode,
                           const OffsetPosition& from, double distance, double slope,
                           double direction) {
    OffsetPosition to = from;
    to.altitude = from.altitude + distance * std::sin(slope * kRadiansPerDegree);
    const double horizontal = distance * std::cos(slope * kRadiansPerDegree);
    const double north = horizontal * std::cos(direction * kRadiansPerDegree);
    const double east = horizontal * std::sin(direction * kRadiansPerDegree);

    const UtmEllipsoid ellipsoid = utmEllipsoid(table, datumCode);
    double northing = 0;
    double easting = 0;
    char zone[kUtmZoneTextSize] = {};
    utmFromGeodetic(ellipsoid, from.latitude, from.longitude, northing, easting, zone);
    geodeticFromUtm(ellipsoid, northing + north, easting + east, zone, to.latitude, to.longitude);
    return to;
}

} // namespace geodesy
