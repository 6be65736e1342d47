// cvtool nmea: one JSON object per decoded sentence, from the engine's refreshed state.

#include <gtest/gtest.h>

#include <algorithm>
#include <string>

#include "support/NmeaText.h"
#include "support/TestSupport.h"

namespace {

const char* kExample = "$GPGGA,123519,4807.038,N,01131.000,E,1,08,0.9,545.4,M,46.9,M,,*47\r\n";

TEST(NmeaCommand, PrintsTheStateAfterEachDecodedSentence) {
    std::string input = std::string("garbage line\r\n") + kExample +
                        "$GPGGA,123519,4807.038,N,01131.000,E,1,08,0.9,545.4,M,46.9,M,,*48\r\n" +
                        "$GPGSV,1,1,01,04,45,120,40*4A\r\n";
    auto r = testsupport::runCvtool("nmea -", input);
    ASSERT_EQ(r.status, 0) << r.err;
    std::string first = r.out.substr(0, r.out.find('\n') + 1);
    EXPECT_EQ(first.rfind("{\"sentence\":\"$GPGGA\",\"raw\":\"$GPGGA,123519,4807.038,N,", 0), 0u);
    EXPECT_NE(first.find("\"ggaTick\":2,\"latitude\":48.1173,"), std::string::npos)
        << "the tick counts input lines";
    EXPECT_NE(first.find("\"longitude\":11.516666666666667,"), std::string::npos);
    EXPECT_NE(first.find("\"altitudeUnit\":\"M\""), std::string::npos);
    EXPECT_NE(first.find("\"satellitesUsed\":8,\"hdop\":0.899999976,"), std::string::npos);
    EXPECT_NE(first.find("\"diffAge\":-1,\"fixText\":\"x_GPS\"}"), std::string::npos);
    EXPECT_NE(first.find("\"speedUnit\":\"\"}"), std::string::npos);
    EXPECT_NE(first.find("\"satellites\":[]}\n"), std::string::npos);

    // The sentence with the bad checksum printed nothing; the GSV shows its satellite.
    std::string second = r.out.substr(first.size());
    EXPECT_EQ(second.rfind("{\"sentence\":\"$GPGSV\"", 0), 0u);
    EXPECT_NE(second.find("\"satellites\":[{\"slot\":4,\"prn\":4,\"azimuth\":120,\"elevation\":45,"
                          "\"snr\":40,\"used\":0,\"inView\":1,\"lastSeenTick\":4}]}\n"),
              std::string::npos);
    EXPECT_EQ(second.find('\n'), second.size() - 1);
}

TEST(NmeaCommand, EscapesStrayBytesInTheRawText) {
    // '\x7f' inside a field still sums into a valid checksum.
    auto r = testsupport::runCvtool(
        "nmea", testsupport::nmea("GPVTG,054.7,T,034.4,M,005.5,N\x7f\",010.2,K"));
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_NE(r.out.find("N\\u007f\\\",010.2"), std::string::npos) << r.out;
    EXPECT_NE(r.out.find("\"speedUnit\":\"N\""), std::string::npos);
}

TEST(NmeaCommand, BadUsageExitsWithStatusTwo) {
    testsupport::TempDir dir;
    auto missing = testsupport::runCvtool("nmea '" + dir.file("missing.log") + "'");
    EXPECT_EQ(missing.status, 2);
    EXPECT_NE(missing.err.find("missing.log"), std::string::npos);
    EXPECT_TRUE(missing.out.empty());
    EXPECT_EQ(testsupport::runCvtool("nmea --bogus").status, 2);
}

} // namespace

namespace {

// The line of output whose sentence is the n-th one printed (0-based).
std::string outputLine(const std::string& out, int n) {
    size_t start = 0;
    for (int i = 0; i < n; ++i)
        start = out.find('\n', start) + 1;
    return out.substr(start, out.find('\n', start) - start);
}

TEST(NmeaCommand, IniAddsStatusEheAndTheMaskVerdictOfThatFile) {
    testsupport::TempDir dir;
    testsupport::writeFile(dir.file("cv.ini"), "[Corvane]\nMaskPDOP=Yes\nMaxPDOP=2.0\n");
    std::string input = std::string(kExample) +
                        "$GPGSA,A,3,04,,,,,,,,,,,,3.5,1.2,2.1*30\r\n"
                        "$GPGGA,123520,4807.038,N,01131.000,E,0,00,,,M,,M,,*58\r\n";
    auto r = testsupport::runCvtool("nmea --ini '" + dir.file("cv.ini") + "' -", input);
    ASSERT_EQ(r.status, 0) << r.err;

    // GGA alone: a 2D GPS fix (no GSA yet); the PDOP mask cannot judge PDOP 0 and fails it.
    EXPECT_NE(outputLine(r.out, 0).find(",\"statusText\":\"2D GPS\",\"ehe\":0,\"masked\":true,"
                                        "\"maskCode\":2,\"maskText\":\"PDOP high\"}"),
              std::string::npos)
        << outputLine(r.out, 0);
    // GSA: 3D with PDOP 3.5 above the file's 2.0; EHE = 1.2 x 5.3 x 2.
    std::string gsa = outputLine(r.out, 1);
    EXPECT_NE(gsa.find("\"statusText\":\"3D GPS  \",\"ehe\":12.72"), std::string::npos) << gsa;
    EXPECT_NE(gsa.find("\"masked\":true,\"maskCode\":2,\"maskText\":\"PDOP high\"}"),
              std::string::npos);
    // The fix is lost: PDOP is tested before the fix itself.
    std::string lost = outputLine(r.out, 2);
    EXPECT_NE(lost.find("\"statusText\":\"No Fix     \",\"ehe\":-1,\"masked\":true,\"maskCode\":2"),
              std::string::npos)
        << lost;
}

TEST(NmeaCommand, UnreadableIniIsAUsageError) {
    auto r = testsupport::runCvtool("nmea --ini /nonexistent/cv.ini -", kExample);
    EXPECT_EQ(r.status, 2);
    EXPECT_EQ(std::count(r.err.begin(), r.err.end(), '\n'), 1);
    EXPECT_TRUE(r.out.empty());
}

} // namespace
