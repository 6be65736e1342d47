// The UTM grid: zones and bands, the series against an exact transverse Mercator (PROJ's utm,
// Poder/Engsager) and the inverse.

#include <gtest/gtest.h>

#include <cmath>
#include <string>

#include "geodesy/DatumTable.h"
#include "geodesy/Utm.h"
#include "support/TestSupport.h"

using namespace geodesy;

namespace {

class UtmGrid : public ::testing::Test {
protected:
    struct Grid {
        std::string zone;
        double northing, easting;
    };
    Grid forward(double lat, double lon, const char* datum = "WGE") {
        Grid g;
        char zone[kUtmZoneTextSize];
        utmFromGeodetic(table, datum, lat, lon, g.northing, g.easting, zone);
        g.zone = zone;
        return g;
    }
    const DatumTable& table = testsupport::shippedTables();
};

} // namespace

TEST(UtmBand, LettersAndBoundaries) {
    const std::pair<double, char> cases[] = {{84.0, 'X'},   {72.0, 'X'},  {71.999999999, 'W'},
                                             {-1e-12, 'M'}, {-80.0, 'C'}, {-80.1, 'Z'},
                                             {84.1, 'Z'},   {NAN, 'Z'}};
    for (auto [lat, letter] : cases)
        EXPECT_EQ(utmBandLetter(lat), letter) << lat;
    std::string all; // one letter from each band
    for (double lat = 76.0; lat > -80.0; lat -= 8.0)
        all += utmBandLetter(lat);
    EXPECT_EQ(all, "XWVUTSRQPNMLKJHGFEDC");
}

TEST_F(UtmGrid, ZonesIncludingNorwayAndSvalbard) {
    const std::tuple<double, double, const char*> cases[] = {
        {60, 5, "32V"},  {60, 2.9, "31V"},  {78, 10, "33X"}, {78, 8, "31X"},   {78, 21, "35X"},
        {78, 41, "37X"}, {84.1, 10, "32Z"}, {10, 180, "1P"}, {10, -180, "1P"}, {10, 179.9, "60P"},
        {10, 540, "1P"}, {10, -200, "57P"}}; // -200 is 160 east
    for (auto [lat, lon, zone] : cases)
        EXPECT_EQ(forward(lat, lon).zone, zone) << lat << " " << lon;
}

TEST_F(UtmGrid, AgreesWithExactTransverseMercator) {
    struct Case {
        double lat, lon;
        const char* zone;
        double northing, easting;
        double inverseTolerance; // metres
    };
    // Reference: PROJ +proj=utm on WGS 84. The forward series stays within a millimetre even 6
    // degrees from the central meridian (special zones); the inverse drifts there to centimetres.
    const Case cases[] = {
        {-33.9, 18.4, "34H", 6245888.0454, 259583.2217, 0.002},
        {60, 5, "32V", 6658157.2024, 276979.9264, 0.005},
        {78, 10, "33X", 8663320.2014, 384085.4751, 0.01},
        {63.9, 3.0, "32V", 7099721.5822, 205808.9932, 0.06},
    };
    for (const auto& c : cases) {
        const Grid g = forward(c.lat, c.lon);
        EXPECT_EQ(g.zone, c.zone);
        EXPECT_NEAR(g.northing, c.northing, 0.003) << c.zone;
        EXPECT_NEAR(g.easting, c.easting, 0.003) << c.zone;
        double lat, lon;
        geodeticFromUtm(table, "WGE", c.northing, c.easting, c.zone, lat, lon);
        const double degrees = c.inverseTolerance / 111320.0; // metres to degrees of latitude
        EXPECT_NEAR(lat, c.lat, degrees) << c.zone;
        EXPECT_NEAR(lon, c.lon, degrees / std::cos(c.lat * 0.017453292519943295)) << c.zone;
    }
}

TEST_F(UtmGrid, EquatorAndInverseHemisphereFromCharacterAfterDigits) {
    const Grid g = forward(0, 3);
    EXPECT_EQ(g.zone + " " + std::to_string(g.northing) + " " + std::to_string(g.easting),
              "31N 0.000000 500000.000000");
    const Grid south = forward(-0.001, 3);
    EXPECT_EQ(south.zone, "31M");
    EXPECT_NEAR(south.northing, 9999889.4, 0.1);
    double lat, lon;
    for (const char* zone : {"31M", "31"}) {
        geodeticFromUtm(table, "WGE", south.northing, south.easting, zone, lat, lon);
        EXPECT_NEAR(lat, -0.001, 1e-10) << zone;
        EXPECT_NEAR(lon, 3.0, 1e-10) << zone;
    }
    geodeticFromUtm(table, "WGE", 1000.0, 500000.0, "31z", lat, lon);
    EXPECT_GT(lat, 0.0);
    geodeticFromUtm(table, "WGE", 1000.0, 500000.0, "99999999999999999999N", lat, lon);
    EXPECT_TRUE(std::isfinite(lon));
}

TEST_F(UtmGrid, EllipsoidFollowsDatumWithFallback) {
    // NAD27 is on Clarke 1866; an unknown datum gives WGS 84.
    EXPECT_NEAR(forward(40, -100, " nas-c").northing, 4428026.0, 0.1);
    EXPECT_NEAR(forward(40, -100, "NOSUCH").northing, 4428236.1, 0.1);
}

TEST_F(UtmGrid, NonFiniteInputGivesNonFiniteOutput) {
    Grid g = forward(NAN, 10);
    EXPECT_TRUE(g.zone == "32Z" && std::isnan(g.northing)) << g.zone;
    g = forward(45, INFINITY);
    EXPECT_TRUE(g.zone == "0T" && !std::isfinite(g.easting)) << g.zone;
    double lat, lon;
    geodeticFromUtm(table, "WGE", NAN, INFINITY, "", lat, lon);
    EXPECT_TRUE(std::isnan(lat));
}
