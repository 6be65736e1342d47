#include "geodesy/Navigation.h"

#include <algorithm>
#include <cmath>

#include "geodesy/Constants.h"

namespace geodesy {

namespace {

// Below this cosine of the origin's latitude the origin counts as a pole.
constexpr double kPoleCosine = 1e-5;

} // namespace

double greatCircleDistance(double lat1, double lon1, double lat2, double lon2) {
    double dLat = (lat2 - lat1) * kPi / 180.0;
    double dLon = (lon2 - lon1) * kPi / 180.0;
    double sinLat = std::sin(dLat / 2.0);
    double sinLon = std::sin(dLon / 2.0);
    double h = sinLat * sinLat +
               std::cos(lat1 * kPi / 180.0) * std::cos(lat2 * kPi / 180.0) * sinLon * sinLon;
    // Rounding can take h a hair above 1 for nearly antipodal points, where sqrt(1 - h) would be
    // NaN; such points are half a circumference apart. (NaN input stays NaN.)
    h = std::clamp(h, 0.0, 1.0);
    return kNavigationEarthRadius * 2.0 * std::atan2(std::sqrt(h), std::sqrt(1.0 - h));
}

double initialBearing(double lat1, double lon1, double lat2, double lon2) {
    double phi1 = lat1 * kRadiansPerDegree;
    double lambda1 = lon1 * kRadiansPerDegree;
    double phi2 = lat2 * kRadiansPerDegree;
    double lambda2 = lon2 * kRadiansPerDegree;
    double course;
    if (std::cos(phi1) < kPoleCosine) {
        // From the north pole everything lies south, from the south pole everything north.
        course = phi1 > 0 ? kPi : 2.0 * kPi;
    } else {
        // Measured counter-clockwise for east-positive longitudes; turned round below.
        course = std::atan2(std::sin(lambda1 - lambda2) * std::cos(phi2),
                            std::cos(phi1) * std::sin(phi2) -
                                std::sin(phi1) * std::cos(phi2) * std::cos(lambda1 - lambda2));
    }
    double degrees = course * 180.0 / kPi;
    // atan2 keeps the value within one turn, so each loop runs at most once (never for NaN).
    while (degrees > 360.0)
        degrees -= 360.0;
    while (degrees < 0.0)
        degrees += 360.0;
    return 360.0 - degrees;
}

double crossTrackError(const Point& from, const Point& to, const Point& here) {
    double d = greatCircleDistance(from.latitude, from.longitude, here.latitude, here.longitude);
    double bearingToHere =
        initialBearing(from.latitude, from.longitude, here.latitude, here.longitude);
    double bearingToTarget =
        initialBearing(from.latitude, from.longitude, to.latitude, to.longitude);
    // The distance in radians stands in for its sine, which is close for every distance a course
    // is navigated over; more than a radian (6378 km) off the course the product can leave -1..1,
    // where asin has no value. Held there, the error is a quarter circumference, the most any
    // point can lie off a great circle.
    double x = (d / kNavigationEarthRadius) *
               std::sin(bearingToHere * kRadiansPerDegree - bearingToTarget * kRadiansPerDegree);
    return kNavigationEarthRadius * std::asin(std::clamp(x, -1.0, 1.0));
}

} // namespace geodesy
