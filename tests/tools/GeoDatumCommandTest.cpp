// cvtool geo datums | shift | utm: output formats, per-line errors and exit statuses.

#include <gtest/gtest.h>

#include <cstdio>
#include <string>

#include "support/TestSupport.h"

using testsupport::runCvtool;

namespace {

std::string dirArgument() {
    return "--dir '" + testsupport::sourcePath("share") + "'";
}

} // namespace

TEST(GeoDatumsCommand, ListsDatumsInTableOrder) {
    const auto r = runCvtool("geo datums " + dirArgument());
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out.substr(0, r.out.find("4 ")),
              "1 WGE WE 2 World Geodetic System 1984\n2 WGC WD 3 World Geodetic System 1972\n"
              "3 OGB-7 AA 1 OSGB 1936, GB (7 param)\n");
    EXPECT_NE(r.out.find("\n230 YAC IN 0 YACARE, Uruguay\n"), std::string::npos);
}

TEST(GeoShiftCommand, ShiftsEachLineAndEchoesRefusedInput) {
    const auto r = runCvtool("geo shift --to OGB-7 " + dirArgument(),
                             "51.5 -0.1 0\r\n95 0 10\nnot numbers\n0 0\n\n");
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.out, "51.4994883352 -0.0983906764 -46.0585 0\n"
                     "95.0000000000 0.0000000000 10.0000 2048\n");
    EXPECT_EQ(r.err, "cvtool: line 3: expected: lat lon h\ncvtool: line 4: expected: lat lon h\n"
                     "cvtool: line 5: expected: lat lon h\n");

    const auto back = runCvtool("geo shift --from OGB-7", "51.4994883352 -0.0983906764 -46.0585\n");
    EXPECT_EQ(back.status, 0) << back.err;
    // Back within a centimetre (the inverse of the seven-parameter shift is a first-order one).
    double lat = 0, lon = 0, h = 0;
    unsigned status = 1;
    ASSERT_EQ(std::sscanf(back.out.c_str(), "%lf %lf %lf %u", &lat, &lon, &h, &status), 4);
    EXPECT_NEAR(lat, 51.5, 1e-7);
    EXPECT_NEAR(lon, -0.1, 1e-7);
    EXPECT_NEAR(h, 0.0, 0.03);
    EXPECT_EQ(status, 0u);
}

TEST(GeoShiftCommand, UsageErrors) {
    EXPECT_EQ(runCvtool("geo shift", "").status, 2);
    EXPECT_EQ(runCvtool("geo shift --to WGE --from WGE", "").status, 2);
    EXPECT_EQ(runCvtool("geo shift --to NOSUCH", "").status, 2);
    EXPECT_EQ(runCvtool("geo shift --to WGE --bogus", "").status, 2);
    const auto r = runCvtool("geo shift --to WGE --dir /nonexistent", "0 0 0\n");
    EXPECT_EQ(r.status, 2);
    EXPECT_EQ(r.out, "");
    EXPECT_NE(r.err.find("ellipsoid"), std::string::npos);
}

TEST(GeoUtmCommand, ForwardAndInverse) {
    auto r = runCvtool("geo utm", "0 3\n60 5\n-0.001 3\n");
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out, "31N 0.0000 500000.0000\n32V 6658157.2032 276979.9264\n"
                     "31M 9999889.4700 500000.0000\n");
    r = runCvtool("geo utm --inverse", "31M 9999889.4700 500000.0000\n31N x 1\n");
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.out, "-0.0009999996 3.0000000000\n"); // northing rounded to 0.1 mm
    EXPECT_EQ(r.err, "cvtool: line 2: expected: zone northing easting\n");
    r = runCvtool("geo utm --datum NAS-C", "40 -100\n");
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.out.substr(0, 4), "14T ");
    EXPECT_NE(r.out, runCvtool("geo utm", "40 -100\n").out);
}
