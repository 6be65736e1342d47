#include <gtest/gtest.h>

#include <string>

#include "support/TestSupport.h"

namespace {

using testsupport::runCvtool;

std::string shareDir() {
    return " --dir '" + testsupport::sourcePath("share") + "'";
}

TEST(CvtoolGeoWmm, OneLineOfFieldValuesPerInputLine) {
    auto r = runCvtool("geo wmm --year 2025.0" + shareDir(), "80 0 0\n0 120 100\n");
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out, "1.2815 83.2106 55178.48 1.2815\n"
                     "-0.1463 -15.0757 39032.09 -999.0000\n");
}

TEST(CvtoolGeoWmm, MalformedLineIsReportedAndSkipped) {
    auto r = runCvtool("geo wmm --year 2027.5" + shareDir(), "80 0\n80 0 0\n1 2 3 4\n");
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.out, "2.5941 83.2363 55253.93 2.5941\n");
    EXPECT_NE(r.err.find("line 1:"), std::string::npos) << r.err;
    EXPECT_NE(r.err.find("line 3:"), std::string::npos) << r.err;
}

TEST(CvtoolGeoWmm, YearOutsideTheModelOrMissingFileFails) {
    auto r = runCvtool("geo wmm --year 2030.1" + shareDir(), "80 0 0\n");
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.out, "");
    EXPECT_NE(r.err.find("WMM.COF File outdated for WMM2K Calculations or incorrect system time. "
                         "Please update the file or set time."),
              std::string::npos);

    testsupport::TempDir empty;
    r = runCvtool("geo wmm --year 2026 --dir '" + empty.path() + "'", "80 0 0\n");
    EXPECT_EQ(r.status, 2) << "an unreadable table is an unreadable input";
    EXPECT_NE(r.err.find("Error initializing WMM"), std::string::npos);
    r = runCvtool("geo format --datum WGE --format DD --units 1 --dir '" + empty.path() + "'",
                  "1 2 3\n");
    EXPECT_EQ(r.status, 2);
    EXPECT_NE(r.err.find("cannot read the ellipsoid table"), std::string::npos) << r.err;
}

TEST(CvtoolGeoNav, DistanceAndBearingOrCrossTrackError) {
    auto r = runCvtool("geo nav", "0 0 0 1\n0 0 1 0\n0 0 0 1 0.001 0.5\n0 0 x 1\n\n");
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.out, "111319.4908 90.0000000000\n111319.4908 360.0000000000\n-111.3209\n");
    EXPECT_NE(r.err.find("line 4:"), std::string::npos);
    EXPECT_NE(r.err.find("line 5:"), std::string::npos);
}

TEST(CvtoolGeoFormat, EachStyle) {
    std::string in = "0 3 100\n-45.5 -0.25 10\n";
    auto star =
        runCvtool("geo format --datum WGE --format UTM --units 1 --style star" + shareDir(), in);
    EXPECT_EQ(star.status, 0) << star.err;
    EXPECT_EQ(star.out.substr(0, star.out.find('\n')), "31N*\t500000.00*E\t0.00*N\t100.0*m");

    auto display = runCvtool("geo format --datum wge --format DM --units 0" + shareDir(), in);
    EXPECT_EQ(display.status, 0) << display.err;
    EXPECT_EQ(display.out, "N 0 0.00000' E 3 0.00000'\t 328.1 ft\n"
                           "S 45 30.00000' W 0 15.00000'\t 32.8 ft\n");

    auto spaced =
        runCvtool("geo format --datum WGE --format DMS --units 4 --style spaced" + shareDir(),
                  "-45.5 -0.25 10\n");
    EXPECT_EQ(spaced.out, "\tS 45 30' 0.00\"\tW 0 15' 0.00\"\t10.0 m\n");

    auto raw = runCvtool("geo format --datum WGE --format UTM --units 2 --style raw" + shareDir(),
                         "-45.5 -0.25 10\n");
    EXPECT_EQ(raw.out, "-45.5000000\t-0.2500000\t32.8\n");
}

TEST(CvtoolGeoFormat, BadArgumentsAndLines) {
    EXPECT_EQ(runCvtool("geo format --datum WGE --format DD" + shareDir()).status, 2);
    EXPECT_EQ(runCvtool("geo format --datum WGE --format XY --units 1" + shareDir()).status, 2);
    EXPECT_EQ(runCvtool("geo format --datum NOPE --format DD --units 1" + shareDir()).status, 2);
    auto r = runCvtool("geo format --datum WGE --format DD --units 1" + shareDir(), "1 2\n1 2 3\n");
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.out, "N  1.0000000 E  2.0000000\t 3.0 m\n");
    EXPECT_NE(r.err.find("line 1:"), std::string::npos);
}

} // namespace
