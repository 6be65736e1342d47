#include "geodesy/GeocentricConverter.h"

#include <cmath>

#include "geodesy/Constants.h"

namespace geodesy {

namespace {

constexpr double kWgs84A = 6378137.0;
constexpr double kWgs84F = 1.0 / 298.257223563;
constexpr double kCos67p5 = 0.3826834323650898;
// Scales Z for the first guess of the parametric latitude in the closed-form solution.
constexpr double kAdcFactor = 1.0026;

} // namespace

GeocentricConverter::GeocentricConverter()
    : a_(kWgs84A), f_(kWgs84F), e2_(2.0 * kWgs84F - kWgs84F * kWgs84F),
      ep2_(1.0 / (1.0 - e2_) - 1.0) {}

GeocentricConverter::GeocentricConverter(double a, double f) : GeocentricConverter() {
    setGeocentricEllipsoid(a, f);
}

uint32_t GeocentricConverter::setGeocentricEllipsoid(double a, double f) {
    uint32_t status = 0;
    if (!(a > 0.0)) status |= GeocentricStatus::InvalidAxis;
    const double inverseFlattening = 1.0 / f;
    if (!(inverseFlattening >= 250.0 && inverseFlattening <= 350.0))
        status |= GeocentricStatus::InvalidFlattening;
    if (status != 0) return status;
    a_ = a;
    f_ = f;
    e2_ = 2.0 * f - f * f;
    ep2_ = 1.0 / (1.0 - e2_) - 1.0;
    return 0;
}

uint32_t GeocentricConverter::geodeticToGeocentric(double lat, double lon, double h, double& x,
                                                   double& y, double& z) const {
    uint32_t status = 0;
    if (!(lat >= -kHalfPi && lat <= kHalfPi)) status |= GeocentricStatus::InvalidLatitude;
    if (!(lon >= -std::numbers::pi && lon <= 2.0 * std::numbers::pi))
        status |= GeocentricStatus::InvalidLongitude;
    if (status != 0) return status;
    if (lon > std::numbers::pi) lon -= 2.0 * std::numbers::pi;
    const double sinLat = std::sin(lat);
    const double cosLat = std::cos(lat);
    const double rn = a_ / std::sqrt(1.0 - e2_ * sinLat * sinLat);
    x = (rn + h) * cosLat * std::cos(lon);
    y = (rn + h) * cosLat * std::sin(lon);
    z = (rn * (1.0 - e2_) + h) * sinLat;
    return 0;
}

void GeocentricConverter::geocentricToGeodetic(double x, double y, double z, double& lat,
                                               double& lon, double& h) const {
    const double b = a_ * (1.0 - f_);
    bool onAxis = false;
    if (x != 0.0) {
        lon = std::atan2(y, x);
    } else if (y > 0.0) {
        lon = kHalfPi;
    } else if (y < 0.0) {
        lon = -kHalfPi;
    } else {
        onAxis = true;
        lon = 0.0;
        if (z > 0.0) {
            lat = kHalfPi;
        } else if (z < 0.0) {
            lat = -kHalfPi;
        } else {
            lat = kHalfPi;
            h = -b;
            return;
        }
    }
    const double w2 = x * x + y * y;
    const double w = std::sqrt(w2);
    const double t0 = z * kAdcFactor;
    const double s0 = std::sqrt(t0 * t0 + w2);
    const double sinB0 = t0 / s0;
    const double cosB0 = w / s0;
    const double t1 = z + b * ep2_ * sinB0 * sinB0 * sinB0;
    const double sum = w - a_ * e2_ * cosB0 * cosB0 * cosB0;
    const double s1 = std::sqrt(t1 * t1 + sum * sum);
    const double sinP = t1 / s1;
    const double cosP = sum / s1;
    const double rn = a_ / std::sqrt(1.0 - e2_ * sinP * sinP);
    if (cosP >= kCos67p5) {
        h = w / cosP - rn;
    } else if (cosP <= -kCos67p5) {
        h = w / -cosP - rn;
    } else {
        h = z / sinP + rn * (e2_ - 1.0);
    }
    if (!onAxis) lat = std::atan(sinP / cosP);
}

} // namespace geodesy
