#include "geodesy/Formatter.h"

#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <tuple>

#include "support/TestSupport.h"

namespace {

using namespace geodesy;

using testsupport::shippedTables;

TEST(FormatDistance, LargerUnitFromItsThresholdSignKeptSmallBufferRefused) {
    const std::tuple<int32_t, double, const char16_t*> cases[] = {
        {Metric, 999.9, u" 999.9 m"},     {Meters, 1000.0, u" 1.00 km"},
        {Statute, 3047.9, u" 9999.7 ft"}, {Feet, 3048.0, u" 1.89 mi"},
        {Nautical, 1852.0, u" 1.0 nm"},   {Metric, -1500.0, u"-1.50 km"},
    };
    for (auto [units, metres, expected] : cases) {
        char16_t buffer[32];
        EXPECT_TRUE(formatDistance(units, buffer, metres));
        EXPECT_EQ(std::u16string(buffer), expected) << units << " " << metres;
    }
    char16_t small[11] = u"untouched", exact[12];
    EXPECT_FALSE(formatDistance(Metric, small, 5.0));
    EXPECT_TRUE(formatDistance(Metric, exact, 5.0));
    EXPECT_EQ(std::u16string(small), u"untouched");
}

TEST(FormatSpeed, LowVelocityInEveryUnitSystem) {
    const std::tuple<int32_t, float, const char16_t*> cases[] = {
        {Statute, 0.49f, u"Low Vel"},   {Metric, 0.49f, u"Low Vel"}, {Metric, 0.5f, u" 0.8 km/h"},
        {Nautical, 10.0f, u" 8.7 knt"}, {Feet, 10.0f, u" 10.0 mph"}, {9, 10.0f, u"untouched"}};
    for (auto [units, mph, expected] : cases) {
        char16_t buffer[32] = u"untouched";
        EXPECT_TRUE(formatSpeed(units, mph, buffer));
        EXPECT_EQ(std::u16string(buffer), expected) << units;
    }
}

struct Display {
    std::u16string position;
    std::u16string altitude;
};

Display display(int32_t format, int32_t units, double lat, double lon, double alt,
                const char* datum = "WGE") {
    char16_t position[kPositionTextSize] = u"untouched";
    char16_t altitude[kAltitudeTextSize] = {};
    formatPositionForDisplay({units, format, datum}, shippedTables(), lat, lon, alt, position,
                             altitude);
    return {position, altitude};
}

TEST(FormatPositionForDisplay, EachCoordinateFormatAndAltitudeUnit) {
    struct Case {
        int32_t format, units;
        double lat, lon, alt;
        const char16_t *position, *altitude;
    };
    const Case cases[] = {
        {FormatDD, Metric, 45.5, -0.25, 100, u"N  45.5000000 W  0.2500000", u" 100.0 m"},
        {FormatDM, Meters, -45.5, 10.75, -2, u"S 45 30.00000' E 10 45.00000'", u"-2.0 m"},
        {FormatDMS, Statute, 12.5, -0.25, 100, u"N 12 30' 0.00\" W 0 15' 0.00\"", u" 328.1 ft"},
        {FormatUTM, Nautical, 0, 3, 100, u"Zn 31N N 0.00 E 500000.00", u" 328.1 ft"},
        {7, Feet, 0, 3, 100, u"untouched", u" 328.1 ft"}};
    for (const Case& c : cases) {
        const Display d = display(c.format, c.units, c.lat, c.lon, c.alt);
        EXPECT_EQ(d.position, c.position) << c.format << " " << c.lat;
        EXPECT_EQ(d.altitude, c.altitude) << c.units;
    }
}

TEST(FormatPositionLocalDatum, OtherDatumsShiftPositionAndHeight) {
    const std::u16string wgs = u"N  9.0000000 E  38.7000000| 2000.0 m";
    const std::pair<const char*, std::u16string> cases[] = {
        {" wge ", wgs}, {"NOPE", wgs}, {"ADI-M", u"N  8.9989557 E  38.6991628| 2001.7 m"}};
    for (const auto& [datum, expected] : cases) {
        const Display d = display(FormatDD, Metric, 9.0, 38.7, 2000, datum);
        EXPECT_EQ(d.position + u"|" + d.altitude, expected) << datum;
    }
    // The raw texts: shifted degrees whatever the format; the altitude in the units' length.
    char la[kOutputTextSize], lo[kOutputTextSize], alt[kOutputTextSize];
    formatPositionRaw({Statute, FormatUTM, "ADI-M"}, shippedTables(), 9.0, 38.7, 2000, la, lo, alt);
    EXPECT_EQ(std::string(la) + " " + lo + " " + alt, "8.9989557 38.6991628 6567.2");
}

TEST(FormatPositionLocalDatum, TypedLocalPositionsGoBackToWgs84) {
    // datum, local latitude, longitude, height -> WGS84 (unchanged for WGS84 and unknown codes)
    const std::tuple<const char*, double, double, double, double, double, double> cases[] = {
        {"WGE", 9.0, 38.7, 2000, 9.0, 38.7, 2000},
        {"NOPE", 9.0, 38.7, 2000, 9.0, 38.7, 2000},
        {"ADI-M", 8.9989557, 38.6991628, 2001.7, 9.0, 38.7, 2000},
    };
    for (auto [datum, lat, lon, alt, lat84, lon84, alt84] : cases) {
        const LocalPosition p = fromLocalDatum(shippedTables(), datum, lat, lon, alt);
        EXPECT_NEAR(p.latitude, lat84, 1e-6) << datum;
        EXPECT_NEAR(p.longitude, lon84, 1e-6) << datum;
        EXPECT_NEAR(p.altitude, alt84, 0.1) << datum;
    }
}

// zone|first|second|altitude in the spaced (1) or star (0) style.
std::string output(int32_t format, int spaced, double lat, double lon, double alt) {
    char zone[kOutputTextSize] = "x", first[kOutputTextSize] = "x", second[kOutputTextSize] = "x",
         altitude[kOutputTextSize] = "x";
    formatPositionForOutput({Metric, format, "WGE"}, shippedTables(), spaced, lat, lon, alt, zone,
                            first, second, altitude);
    return std::string(zone) + "|" + first + "|" + second + "|" + altitude;
}

TEST(FormatPositionForOutput, SpacedAndStarStyles) {
    // format, spaced, latitude, longitude, altitude, fields
    const std::tuple<int32_t, int, double, double, double, const char*> cases[] = {
        {FormatDM, 1, -45.5, 10.75, 12.34, "|S 45 30.00000'|E 10 45.00000'|12.3 m"},
        {FormatDMS, 1, 1, -0.25, 0, "|N 1 0' 0.00\"|W 0 15' 0.00\"|0.0 m"},
        {FormatDD, 1, 1, -0.25, 0, "|N 1.0000000|W 0.2500000|0.0 m"},
        {FormatUTM, 1, 0, 3, 0, "31N|Zn 31N 500000.00 E|Zn 31N 0.00 N|0.0 m"},
        {FormatUTM, 0, 0, 3, 100, "31N*|500000.00*E|0.00*N|100.0*m"},
        {FormatDM, 0, -45.5, 0, 0, "|S*45*30.00000|E*0*0.00000|0.0*m"},
        {FormatDMS, 0, 0, -0.25, 0, "|N*0*0*0.00|W*0*15*0.00|0.0*m"},
        {FormatDD, 0, 45.5, 0, 0, "|N*45.5000000|E*0.0000000|0.0*m"},
        {9, 0, 45.5, 0, 0, "|||0.0*m"}};
    for (auto [format, spaced, lat, lon, alt, fields] : cases)
        EXPECT_EQ(output(format, spaced, lat, lon, alt), fields) << format << " " << spaced;
}

TEST(PositionFormatters, NonFiniteCoordinatesAndTinyBuffers) {
    EXPECT_EQ(display(FormatDD, Metric, -0.0, -0.0, 0).position, u"N  0.0000000 E  0.0000000");
    EXPECT_EQ(display(FormatDM, Metric, NAN, INFINITY, NAN).position, u"N 0 nan' E 0 inf'");
    EXPECT_EQ(display(FormatDMS, Metric, INFINITY, 0, INFINITY).altitude, u" inf m");
    EXPECT_EQ(display(FormatUTM, Metric, NAN, NAN, 0).position, u"Zn 0Z N nan E nan");
    for (int32_t format : {FormatDD, FormatDM, FormatDMS, FormatUTM}) {
        for (double bad : {double(NAN), double(INFINITY), -double(INFINITY), 1e300}) {
            EXPECT_FALSE(display(format, Statute, bad, bad, bad, "ADI-M").altitude.empty());
            output(format, format % 2, bad, -bad, bad); // no crash, no overflow
        }
    }
    char16_t position[4], altitude[1];
    formatPositionForDisplay({Metric, FormatDMS, "WGE"}, shippedTables(), -45.5, 0, 0, position,
                             altitude);
    EXPECT_EQ(std::u16string(position), u"S 4");
    EXPECT_EQ(altitude[0], u'\0');
}

} // namespace
