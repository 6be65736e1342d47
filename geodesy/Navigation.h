#pragma once
// Distance, initial bearing and cross-track error on a sphere of the WGS84 equatorial radius,
// from WGS84 latitudes and longitudes in decimal degrees (north and east positive).

namespace geodesy {

inline constexpr double kNavigationEarthRadius = 6378137.0; // metres

struct Point {
    double latitude = 0;
    double longitude = 0;
    double altitude = 0; // metres; carried along, not used by the formulas
};

// Haversine distance in metres.
double greatCircleDistance(double lat1, double lon1, double lat2, double lon2);

// Degrees true in (0, 360]: due north is 360, never 0. From within about 64 m of a pole the
// course is 180 from the north pole and 0 from the south pole.
double initialBearing(double lat1, double lon1, double lat2, double lon2);

// Metres off the course from -> to, positive when here lies to its right; at most a quarter
// circumference either way.
double crossTrackError(const Point& from, const Point& to, const Point& here);

} // namespace geodesy
