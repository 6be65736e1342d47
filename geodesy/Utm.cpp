#include "geodesy/Utm.h"

#include <cmath>
#include <cstdio>

#include "geodesy/Constants.h"
#include "geodesy/DatumTable.h"

namespace geodesy {

namespace {

constexpr double kScale = 0.9996;
constexpr double kFalseEasting = 500000.0;
constexpr double kSouthernFalseNorthing = 1e7;

// Longitude brought into [-180, 180). fmod is exact, so even huge values give a valid zone.
double normalisedLongitude(double lon) {
    double l = std::fmod(lon + 180.0, 360.0);
    if (l < 0.0) l += 360.0;
    l -= 180.0;
    if (l >= 180.0) l -= 360.0;
    return l;
}

// Zone of a normalised longitude with the Norway and Svalbard exceptions; 0 when the longitude
// is not a number.
int utmZone(double lat, double l) {
    if (!(l >= -180.0 && l < 180.0)) return 0;
    int zone = static_cast<int>((l + 180.0) / 6.0) + 1;
    if (zone > 60) zone = 60;
    if (lat >= 56.0 && lat < 64.0 && l >= 3.0 && l < 12.0) zone = 32;
    if (lat >= 72.0 && lat < 84.0) {
        if (l >= 0.0 && l < 9.0) {
            zone = 31;
        } else if (l >= 9.0 && l < 21.0) {
            zone = 33;
        } else if (l >= 21.0 && l < 33.0) {
            zone = 35;
        } else if (l >= 33.0 && l < 42.0) {
            zone = 37;
        }
    }
    return zone;
}

double centralMeridian(long zone) {
    return static_cast<double>(zone - 1) * 6.0 - 180.0 + 3.0;
}

} // namespace

UtmEllipsoid utmEllipsoid(const DatumTable& table, const char* datumCode) {
    int datumIndex = 0;
    int ellipsoidIndex = 0;
    char ellipsoidCode[kEllipsoidCodeSize] = {};
    UtmEllipsoid e;
    double a = 0.0;
    double f = 0.0;
    double e2 = 0.0;
    if (table.findDatum(datumCode, datumIndex) != 0 ||
        table.datumEllipsoidCode(datumIndex, ellipsoidCode) != 0 ||
        table.findEllipsoid(ellipsoidCode, ellipsoidIndex) != 0 ||
        table.ellipsoidParameters(ellipsoidIndex, a, f) != 0 ||
        table.ellipsoidEccentricitySquared(ellipsoidIndex, e2) != 0)
        return e;
    e.a = a;
    e.e2 = e2;
    return e;
}

char utmBandLetter(double lat) {
    if (lat >= 72.0 && lat <= 84.0) return 'X';
    // Exact comparisons band by band, so a latitude a hair below a boundary keeps its band.
    static constexpr char kBands[] = "WVUTSRQPNMLKJHGFEDC";
    double south = 64.0;
    for (const char* letter = kBands; *letter != '\0'; ++letter, south -= 8.0)
        if (lat >= south && lat < south + 8.0) return *letter;
    return 'Z';
}

void utmFromGeodetic(const DatumTable& table, const char* datumCode, double lat, double lon,
                     double& northing, double& easting, char* zone, std::size_t zoneSize) {
    utmFromGeodetic(utmEllipsoid(table, datumCode), lat, lon, northing, easting, zone, zoneSize);
}

void utmFromGeodetic(const UtmEllipsoid& ellipsoid, double lat, double lon, double& northing,
                     double& easting, char* zone, std::size_t zoneSize) {
    const double l = normalisedLongitude(lon);
    const int zoneNumber = utmZone(lat, l);
    const double lon0 = centralMeridian(zoneNumber) * kRadiansPerDegree;
    if (zone != nullptr && zoneSize > 0)
        std::snprintf(zone, zoneSize, "%d%c", zoneNumber, utmBandLetter(lat));

    const double a = ellipsoid.a;
    const double e2 = ellipsoid.e2;
    const double e4 = e2 * e2;
    const double e6 = e4 * e2;
    const double ep2 = e2 / (1.0 - e2);
    const double phi = lat * kRadiansPerDegree;
    const double lambda = l * kRadiansPerDegree;
    const double sinPhi = std::sin(phi);
    const double cosPhi = std::cos(phi);
    const double tanPhi = std::tan(phi);

    const double n = a / std::sqrt(1.0 - e2 * sinPhi * sinPhi);
    const double t = tanPhi * tanPhi;
    const double c = ep2 * cosPhi * cosPhi;
    const double aa = cosPhi * (lambda - lon0);
    const double m =
        a * ((1.0 - e2 / 4.0 - 3.0 * e4 / 64.0 - 5.0 * e6 / 256.0) * phi -
             (3.0 * e2 / 8.0 + 3.0 * e4 / 32.0 + 45.0 * e6 / 1024.0) * std::sin(2.0 * phi) +
             (15.0 * e4 / 256.0 + 45.0 * e6 / 1024.0) * std::sin(4.0 * phi) -
             (35.0 * e6 / 3072.0) * std::sin(6.0 * phi));
    const double a2 = aa * aa;
    const double a3 = a2 * aa;
    const double a4 = a3 * aa;
    const double a5 = a4 * aa;
    const double a6 = a5 * aa;

    easting = kScale * n *
                  (aa + (1.0 - t + c) * a3 / 6.0 +
                   (5.0 - 18.0 * t + t * t + 72.0 * c - 58.0 * ep2) * a5 / 120.0) +
              kFalseEasting;
    northing =
        kScale * (m + n * tanPhi *
                          (a2 / 2.0 + (5.0 - t + 9.0 * c + 4.0 * c * c) * a4 / 24.0 +
                           (61.0 - 58.0 * t + t * t + 600.0 * c - 330.0 * ep2) * a6 / 720.0));
    if (lat < 0.0) northing += kSouthernFalseNorthing;
}

void geodeticFromUtm(const DatumTable& table, const char* datumCode, double northing,
                     double easting, const char* zone, double& lat, double& lon) {
    geodeticFromUtm(utmEllipsoid(table, datumCode), northing, easting, zone, lat, lon);
}

void geodeticFromUtm(const UtmEllipsoid& ellipsoid, double northing, double easting,
                     const char* zone, double& lat, double& lon) {
    // The zone number as read, however large (held below overflow), then the hemisphere from
    // the character after the digits: below 'N' (or none) is the southern hemisphere.
    long zoneNumber = 0;
    const char* p = zone != nullptr ? zone : "";
    for (; *p >= '0' && *p <= '9'; ++p)
        if (zoneNumber < 100000000) zoneNumber = zoneNumber * 10 + (*p - '0');
    double y = northing;
    if (static_cast<unsigned char>(*p) < static_cast<unsigned char>('N'))
        y -= kSouthernFalseNorthing;

    const double lon0 = centralMeridian(zoneNumber);
    const double x = easting - kFalseEasting;
    const double a = ellipsoid.a;
    const double e2 = ellipsoid.e2;
    const double e4 = e2 * e2;
    const double e6 = e4 * e2;
    const double root = std::sqrt(1.0 - e2);
    const double e1 = (1.0 - root) / (1.0 + root);
    const double ep2 = e2 / (1.0 - e2);

    const double m = y / kScale;
    const double mu = m / (a * (1.0 - e2 / 4.0 - 3.0 * e4 / 64.0 - 5.0 * e6 / 256.0));
    const double phi1 =
        mu + (3.0 * e1 / 2.0 - 27.0 * e1 * e1 * e1 / 32.0) * std::sin(2.0 * mu) +
        (21.0 * e1 * e1 / 16.0 - 55.0 * e1 * e1 * e1 * e1 / 32.0) * std::sin(4.0 * mu) +
        (151.0 * e1 * e1 * e1 / 96.0) * std::sin(6.0 * mu);

    const double sinPhi1 = std::sin(phi1);
    const double cosPhi1 = std::cos(phi1);
    const double tanPhi1 = std::tan(phi1);
    const double w = 1.0 - e2 * sinPhi1 * sinPhi1;
    const double n1 = a / std::sqrt(w);
    const double t1 = tanPhi1 * tanPhi1;
    const double c1 = ep2 * cosPhi1 * cosPhi1;
    const double r1 = a * (1.0 - e2) / std::pow(w, 1.5);
    const double d = x / (n1 * kScale);
    const double d2 = d * d;
    const double d3 = d2 * d;
    const double d4 = d3 * d;
    const double d5 = d4 * d;
    const double d6 = d5 * d;

    lat = (phi1 -
           (n1 * tanPhi1 / r1) *
               (d2 / 2.0 - (5.0 + 3.0 * t1 + 10.0 * c1 - 4.0 * c1 * c1 - 9.0 * ep2) * d4 / 24.0 +
                (61.0 + 90.0 * t1 + 298.0 * c1 + 45.0 * t1 * t1 - 252.0 * ep2 - 3.0 * c1 * c1) *
                    d6 / 720.0)) *
          kDegreesPerRadian;
    lon = lon0 + kDegreesPerRadian *
                     (d - (1.0 + 2.0 * t1 + c1) * d3 / 6.0 +
                      (5.0 - 2.0 * c1 + 28.0 * t1 - 3.0 * c1 * c1 + 8.0 * ep2 + 24.0 * t1 * t1) *
                          d5 / 120.0) /
                     cosPhi1;
}

} // namespace geodesy
