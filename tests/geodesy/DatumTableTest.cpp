// Loading the ellipsoid and datum tables, the look-ups and the datum shifts. Reference values of
// the shifts come from PROJ (cct pipelines: cart, helmert, inverse cart on the same ellipsoids).

#include <gtest/gtest.h>

#include <cmath>
#include <numbers>
#include <string>

#include "geodesy/DatumTable.h"
#include "support/TestSupport.h"

using namespace geodesy;
using testsupport::TempDir;
using testsupport::writeFile;

namespace {

constexpr double kDeg = std::numbers::pi / 180.0;
constexpr double kPi = std::numbers::pi;
const std::string kShare = testsupport::sourcePath("share/");

const char* kWe = "WGS 84                         WE 6378137.000 6356752.3142 298.257223563 \n";
const char* kWd = "WGS 72                         WD 6378135.000 6356750.5200 298.260000000 \n";
const char* kCd = "Clarke 1880                    CD 6378249.145 6356514.8695 293.465000000 \n";
const char* kSeven = "OGB-7 \"OSGB 1936\" AA 446.448 -125.157 542.060 -0.1502 -0.2470 -0.8421 "
                     "-0.0000204894\n";
const char* kThree = "ADI-M \"ADINDAN, Mean\" CD -166 0 -15 0 204 0 -90 90 -180 180\n";

// A directory with the three files; loads both tables and returns the datum status.
struct Tables {
    TempDir dir;
    DatumTable table;
    uint32_t load(const std::string& ellips, const std::string& seven, const std::string& three) {
        writeFile(dir.file("ellips.dat"), ellips);
        writeFile(dir.file("7_param.dat"), seven);
        writeFile(dir.file("3_param.dat"), three);
        if (uint32_t s = table.loadEllipsoids(dir.path().c_str())) return s << 16;
        return table.loadDatums(dir.path().c_str());
    }
};

std::string repeat(const std::string& line, int n) {
    return n == 0 ? "" : line + repeat(line, n - 1);
}

class ShippedTables : public ::testing::Test {
protected:
    int index(const char* code) {
        int i = 0;
        EXPECT_EQ(table.findDatum(code, i), 0u) << code;
        return i;
    }
    const DatumTable& table = testsupport::shippedTables();
};

} // namespace

TEST(EllipsoidLoading, ReadsFixedColumnsAndUserDefinedMarker) {
    Tables t;
    ASSERT_EQ(t.load(std::string(kWe) + kWd +
                         "*My ellipsoid                 MY 6378100.000 6356700.0000 298.500000000 "
                         "\r\n\n",
                     "", ""),
              0u);
    int i = 0;
    ASSERT_EQ(t.table.findEllipsoid("myx", i), 0u); // two characters count, any case
    const Ellipsoid* e = t.table.ellipsoid(3);
    EXPECT_EQ(std::to_string(t.table.ellipsoidCount()) + std::to_string(i) + e->name +
                  std::to_string(e->userDefined),
              "33My ellipsoid                 1");
    double a = 0, f = 0;
    EXPECT_EQ(t.table.ellipsoidParameters(4, a, f), EllipsoidStatus::InvalidIndex);
    EXPECT_EQ(t.table.findEllipsoid("XX", i), EllipsoidStatus::UnknownCode);
}

TEST(EllipsoidLoading, MalformedLinesAreRejectedWhole) {
    const std::string good = std::string(kWe) + kWd;
    const std::string bad[] = {
        "Too wide code                  WEX 6378137.000 6356752.3142 298.257223563\n",
        "Missing number                 WE 6378137.000 6356752.3142\n",
        "Not a number                   WE nan 6356752.3142 298.257223563\n",
        "Zero axis                      WE 0 6356752.3142 298.257223563\n",
        "Trailing text                  WE 6378137.000 6356752.3142 298.257223563 x\n",
        "Long line                      WE 6378137.000 6356752.3142 298.257223563" +
            std::string(30, ' ') + "\n",
    };
    for (const auto& line : bad) {
        TempDir dir;
        writeFile(dir.file("ellips.dat"), good + line);
        DatumTable t;
        EXPECT_EQ(t.loadEllipsoids(dir.path().c_str()), EllipsoidStatus::MalformedLine) << line;
        EXPECT_FALSE(t.ellipsoidsLoaded());
    }
}

TEST(DatumLoading, ShippedTablesInListOrder) {
    DatumTable t;
    int i = 0;
    EXPECT_EQ(t.findDatum("WGE", i), DatumStatus::NotLoaded);
    ASSERT_EQ(t.loadEllipsoids(kShare.c_str()), 0u);
    ASSERT_EQ(t.loadDatums(kShare.c_str()), 0u);
    EXPECT_EQ(t.loadDatums("/nonexistent/"), 0u); // loaded once, kept
    EXPECT_EQ(t.datumCount(), 230);
    char name[kDatumNameSize], code[kDatumNameSize], ellipsoid[kDatumNameSize];
    EXPECT_EQ(t.datumName(1, name) | t.datumCode(2, code) | t.datumEllipsoidCode(3, ellipsoid), 0u);
    EXPECT_EQ(std::string(name) + "|" + code + "|" + ellipsoid,
              "World Geodetic System 1984|WGC|AA");
    EXPECT_EQ(t.datumCode(231, code) | t.datumCode(0, code), DatumStatus::InvalidIndex);
    for (auto [text, index] : {std::pair{" wge ", 1}, {"ogb-7", 3}, {"ADI-M", 4}}) {
        EXPECT_EQ(t.findDatum(text, i), 0u);
        EXPECT_EQ(i, index);
    }
    EXPECT_EQ(t.findDatum("OGB-7XX", i), DatumStatus::InvalidCode);
    EXPECT_EQ(t.findDatum("NOPE", i), DatumStatus::InvalidCode);
}

TEST(DatumLoading, RecordLimits) {
    const std::string ellips = std::string(kWe) + kWd + kCd;
    const struct {
        std::string ellips, seven, three;
        uint32_t status;
        const char* counts; // datums/ellipsoids
    } cases[] = {{ellips, repeat(kSeven, 25), "", 0, "27/3"},
                 {ellips, repeat(kSeven, 26), "", DatumStatus::SevenParamOverflow, "0/3"},
                 {ellips, "", repeat(kThree, 250), 0, "252/3"},
                 {ellips, "", repeat(kThree, 251), DatumStatus::ThreeParamOverflow, "0/3"},
                 {ellips + repeat(kCd, 29), "", "", 0, "2/32"},
                 {ellips + repeat(kCd, 30), "", "", EllipsoidStatus::TooManyLines << 16, "0/0"}};
    for (const auto& c : cases) {
        Tables t;
        EXPECT_EQ(t.load(c.ellips, c.seven, c.three), c.status) << c.counts;
        EXPECT_EQ(std::to_string(t.table.datumCount()) + "/" +
                      std::to_string(t.table.ellipsoidCount()),
                  c.counts);
    }
}

TEST(TableLoading, MissingFilesAndWgsEllipsoids) {
    TempDir dir;
    DatumTable t;
    const char* path = dir.path().c_str();
    EXPECT_EQ(t.loadEllipsoids(path), EllipsoidStatus::FileOpenError);
    writeFile(dir.file("ellips.dat"), std::string(kWe) + kCd);
    EXPECT_EQ(t.loadEllipsoids(path), EllipsoidStatus::WgsMissing);
    EXPECT_EQ(t.loadDatums(path), DatumStatus::NotLoaded);
    // A load that found no WGS ellipsoids has not succeeded: the next call reads again.
    writeFile(dir.file("ellips.dat"), std::string(kWe) + kWd + kCd);
    ASSERT_EQ(t.loadEllipsoids(path), 0u);
    EXPECT_EQ(t.loadDatums(path), DatumStatus::SevenParamOpenError);
    writeFile(dir.file("7_param.dat"), "");
    EXPECT_EQ(t.loadDatums(path), DatumStatus::ThreeParamOpenError);
    EXPECT_FALSE(t.datumsLoaded());
}

TEST(DatumLoading, OverWideFieldsAndBadNumbersAreParseErrors) {
    const std::string ellips = std::string(kWe) + kWd + kCd;
    const std::string badSeven[] = {
        "OGB-7XX \"Code too long\" AA 1 2 3 4 5 6 7\n",
        "OGB-7 \"A name of thirty-three characters\" AA 1 2 3 4 5 6 7\n",
        "OGB-7 \"Unterminated AA 1 2 3 4 5 6 7\n",
        "OGB-7 \"Wide ellipsoid\" AAA 1 2 3 4 5 6 7\n",
        "OGB-7 \"Missing\" AA 1 2 3 4 5 6\n",
    };
    for (const auto& record : badSeven) {
        Tables t;
        EXPECT_EQ(t.load(ellips, std::string(kSeven) + record, ""),
                  DatumStatus::SevenParamParseError)
            << record;
        EXPECT_FALSE(t.table.datumsLoaded());
    }
    Tables star;
    EXPECT_EQ(star.load(ellips, "", "* \"Only a star\" CD 1 0 2 0 3 0 -90 90 -180 180\n"),
              DatumStatus::ThreeParamParseError);
    // The widest fields that fit, no line end after the last record, the sigmas and bounds of a
    // user-defined three-parameter datum.
    Tables exact;
    const std::string name32(32, 'n');
    EXPECT_EQ(
        exact.load(ellips, "ABCDEF \"" + name32 + "\" AA 1 2 3 4 5 6 7",
                   "NONAME CD 1 0 2 0 3 0 -90 90 -180 180\n*ABCDEF \"\" CD 1 4 2 5 3 6 -10 20 -30 "
                   "40"),
        0u);
    EXPECT_EQ(exact.table.datum(3)->name, name32);
    EXPECT_STREQ(exact.table.datum(4)->name, "") << "no name field";
    const Datum* d = exact.table.datum(5);
    EXPECT_EQ(d->code + std::to_string(d->userDefined), "ABCDEF1");
    EXPECT_EQ(d->sigmaZ, 6.0);
    EXPECT_DOUBLE_EQ(d->southLatitude, -10 * kDeg);
    EXPECT_DOUBLE_EQ(d->eastLongitude, 40 * kDeg);
}

TEST_F(ShippedTables, ShiftsAgreeWithIndependentReference) {
    struct Case {
        const char* code;
        bool toWgs84;
        double lat, lon, h;    // input, degrees
        double rlat, rlon, rh; // reference
        double tolerance;      // metres
    };
    const Case cases[] = {
        // Seven-parameter: the inverse is the first-order one, a centimetre or two off.
        {"OGB-7", false, 51.5, -0.1, 0, 51.4994882896, -0.0983906228, -46.0752, 0.03},
        {"OGB-7", true, 52.0, -1.5, 100, 52.0004320848, -1.5014684096, 148.3985, 0.01},
        // Three-parameter: PROJ's (full) molodensky on the same ellipsoids.
        {"NAS-C", true, 40, -100, 0, 40.0000094677, -100.0004176089, -35.2159, 0.001},
        {"ADI-M", false, 9, 38.7, 2000, 8.9989556870, 38.6991628168, 2001.6889, 0.001},
        // PROJ's seven-parameter WGS 72 transformation agrees within a few centimetres.
        {"WGC", false, -20, 150, 0, -20.0000370336, 149.9998461111, 2.0723, 0.06},
    };
    for (const auto& c : cases) {
        double lat, lon, h;
        const int i = index(c.code);
        const uint32_t s =
            c.toWgs84 ? table.shiftToWgs84(i, c.lat * kDeg, c.lon * kDeg, c.h, lat, lon, h)
                      : table.shiftFromWgs84(c.lat * kDeg, c.lon * kDeg, c.h, i, lat, lon, h);
        ASSERT_EQ(s, 0u) << c.code;
        EXPECT_NEAR(lat / kDeg, c.rlat, c.tolerance / 111000) << c.code;
        EXPECT_NEAR(lon / kDeg, c.rlon, c.tolerance / 111000 / std::cos(c.lat * kDeg)) << c.code;
        EXPECT_NEAR(h, c.rh, c.tolerance) << c.code;
    }
}

TEST_F(ShippedTables, RouteChoiceShowsInLongitudeAbovePi) {
    // The Molodensky route keeps a longitude given as 3pi/2; the geocentric route returns it
    // as -pi/2. The limit is 89.75 degrees, 1.5664330036649106 rad.
    double lat, lon, h;
    ASSERT_EQ(table.shiftFromWgs84(1.5664330036649106, 3 * kPi / 2, 0, index("NAS-C"), lat, lon, h),
              0u);
    EXPECT_NEAR(lon, 3 * kPi / 2, 1e-3);
    ASSERT_EQ(table.shiftFromWgs84(89.76 * kDeg, 3 * kPi / 2, 0, index("NAS-C"), lat, lon, h), 0u);
    EXPECT_NEAR(lon, -kPi / 2, 1e-3);
    // The geocentric route leads back to the start within a few decimetres.
    ASSERT_EQ(table.shiftToWgs84(index("NAS-C"), lat, lon, h, lat, lon, h), 0u);
    EXPECT_NEAR(lat, 89.76 * kDeg, 5e-8);
    EXPECT_NEAR(h, 0.0, 0.2);
    ASSERT_EQ(table.shiftToWgs84(index("OGB-7"), 0.1, 3 * kPi / 2, 0, lat, lon, h), 0u);
    EXPECT_NEAR(lon, -kPi / 2, 1e-3);
    // NAD27 to WGS 84 moves a point on the antimeridian west, past -pi: it wraps to the east.
    ASSERT_EQ(table.shiftToWgs84(index("NAS-C"), 0.7, -kPi, 0, lat, lon, h), 0u);
    EXPECT_LT(lon, kPi);
    EXPECT_GT(lon, kPi - 1e-4);
}

TEST_F(ShippedTables, RefusedInputsLeaveOutputsAlone) {
    double lat = 7, lon = 7, h = 7;
    EXPECT_EQ(table.shiftFromWgs84(0, 0, 0, 0, lat, lon, h), DatumStatus::InvalidTargetIndex);
    EXPECT_EQ(table.shiftToWgs84(231, 0, 0, 0, lat, lon, h), DatumStatus::InvalidSourceIndex);
    EXPECT_EQ(table.shiftToWgs84(1, 1.6, 7.0, 0, lat, lon, h),
              DatumStatus::InvalidLatitude | DatumStatus::InvalidLongitude);
    EXPECT_EQ(table.shiftFromWgs84(NAN, 0, 0, 3, lat, lon, h), DatumStatus::InvalidLatitude);
    EXPECT_EQ(table.shiftFromWgs84(0, INFINITY, 0, 3, lat, lon, h), DatumStatus::InvalidLongitude);
    EXPECT_EQ(lat + lon + h, 21.0);
}

TEST(DatumShift, UnknownOrUnusableEllipsoidIsAnEllipsoidError) {
    // FL (1/f = 200) loads, but the geocentric route would silently fall back to WGS 84, so
    // neither route shifts on it. XX is not in the file at all.
    Tables t;
    ASSERT_EQ(
        t.load(std::string(kWe) + kWd +
                   "*Flat                          FL 6378000.000 6346110.0000 200.000000000 \n",
               "FLAT-7 \"Flat\" FL 1 2 3 0 0 0 0\nXX-7 \"None\" XX 1 2 3 0 0 0 0\n",
               "FLAT-3 \"Flat\" FL 1 0 2 0 3 0 -90 90 -180 180\n"
               "XX-3 \"None\" XX 1 0 2 0 3 0 -90 90 -180 180\n"),
        0u);
    double lat = 7, lon = 7, h = 7;
    for (int i : {3, 4, 5, 6}) {
        for (double at : {0.5, 1.567}) {
            EXPECT_EQ(t.table.shiftToWgs84(i, at, 0.5, 0, lat, lon, h),
                      DatumStatus::EllipsoidError);
            EXPECT_EQ(t.table.shiftFromWgs84(at, 0.5, 0, i, lat, lon, h),
                      DatumStatus::EllipsoidError);
        }
    }
    EXPECT_EQ(lat + lon + h, 21.0);
}
