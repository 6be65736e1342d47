#pragma once
// Conversion between geodetic (latitude, longitude, height) and earth-centred Cartesian
// coordinates on one ellipsoid. A small value object: each datum shift builds its own, so shifts
// may run on several threads at once.

#include <cstdint>

namespace geodesy {

// Status bits of the converter's operations.
namespace GeocentricStatus {
inline constexpr uint32_t InvalidLatitude = 0x1;   // latitude outside -pi/2..pi/2
inline constexpr uint32_t InvalidLongitude = 0x2;  // longitude outside -pi..2pi
inline constexpr uint32_t InvalidAxis = 0x4;       // semi-major axis not above 0
inline constexpr uint32_t InvalidFlattening = 0x8; // 1/f outside 250..350
} // namespace GeocentricStatus

class GeocentricConverter {
public:
    // WGS 84: a = 6378137.0, f = 1/298.257223563.
    GeocentricConverter();
    // The given ellipsoid; a refused one (see setGeocentricEllipsoid) leaves WGS 84.
    GeocentricConverter(double a, double f);

    // Switches to the ellipsoid (a in metres, flattening f). Refuses a <= 0 or 1/f outside
    // [250, 350] and then changes nothing.
    uint32_t setGeocentricEllipsoid(double a, double f);

    // Angles in radians, lengths in metres. A longitude above pi is taken as lon - 2pi.
    uint32_t geodeticToGeocentric(double lat, double lon, double h, double& x, double& y,
                                  double& z) const;
    // Closed form, no iteration. On the polar axis the latitude is +-pi/2; at the centre pi/2
    // with h = -b.
    void geocentricToGeodetic(double x, double y, double z, double& lat, double& lon,
                              double& h) const;

    double semiMajorAxis() const { return a_; }
    double flattening() const { return f_; }
    double eccentricitySquared() const { return e2_; }
    double secondEccentricitySquared() const { return ep2_; }

private:
    double a_;
    double f_;
    double e2_;
    double ep2_;
};

} // namespace geodesy
