// cvtool simulate and cvtool watch, run as programs.

#include <gtest/gtest.h>

#include <fcntl.h>
#include <poll.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "support/NmeaText.h"
#include "support/TestSupport.h"

namespace {

using testsupport::runCvtool;

using testsupport::checksumValid;
using testsupport::crlfLines;

int countPrefix(const std::vector<std::string>& lines, const std::string& prefix) {
    int n = 0;
    for (const auto& l : lines)
        n += l.rfind(prefix, 0) == 0 ? 1 : 0;
    return n;
}

TEST(SimulateCommand, FastRunWritesTheRequestedSecondsOfValidSentences) {
    auto r = runCvtool("simulate --fast --seconds 3");
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.err, "");
    auto lines = crlfLines(r.out);
    for (const auto& l : lines)
        EXPECT_TRUE(checksumValid(l)) << l;
    EXPECT_EQ(countPrefix(lines, "$GPGGA,"), 3);
    EXPECT_EQ(countPrefix(lines, "$GPRMC,"), 3);
    EXPECT_EQ(countPrefix(lines, "$GPVTG,"), 3);
    EXPECT_EQ(countPrefix(lines, "$GPGSA,"), 3);
    EXPECT_GE(countPrefix(lines, "$GPGSV,"), 9);
}

TEST(SimulateCommand, OptionsSetRateAndStart) {
    auto r = runCvtool("simulate --fast --seconds 2 --rate 4 --start=-33.9,-70.6 --speed 0");
    ASSERT_EQ(r.status, 0) << r.err;
    auto lines = crlfLines(r.out);
    ASSERT_EQ(countPrefix(lines, "$GPGGA,"), 8);
    EXPECT_NE(lines[0].find(",335"), std::string::npos) << lines[0];
    EXPECT_NE(lines[0].find(",S,0703"), std::string::npos) << lines[0];
    EXPECT_NE(lines[0].find(",W,"), std::string::npos) << lines[0];
    for (const auto& l : lines)
        if (l.rfind("$GPVTG,", 0) == 0) {
            EXPECT_EQ(l.substr(0, 22), "$GPVTG,0.0,T,,M,0.00,N");
        }
}

TEST(SimulateCommand, BadOptionsAreUsageErrors) {
    for (const char* args : {"--rate 0", "--rate fast", "--start 91,0", "--start 10", "--speed -1",
                             "--seconds", "--seconds 0", "--bogus", "extra"}) {
        auto r = runCvtool(std::string("simulate --fast ") + args);
        EXPECT_EQ(r.status, 2) << args;
        EXPECT_EQ(r.out, "") << args;
        ASSERT_FALSE(r.err.empty()) << args;
        EXPECT_EQ(r.err.find('\n'), r.err.size() - 1) << r.err;
    }
}

TEST(SimulateCommand, PseudoTerminalCarriesTheStream) {
    std::string cmd = std::string("'") + CVTOOL_PATH + "' simulate --pty --seconds 2";
    std::FILE* sim = popen(cmd.c_str(), "r");
    ASSERT_NE(sim, nullptr);
    char path[256] = {};
    ASSERT_NE(std::fgets(path, sizeof path, sim), nullptr);
    std::string slave(path);
    ASSERT_EQ(slave.back(), '\n');
    slave.pop_back();
    int fd = open(slave.c_str(), O_RDONLY | O_NOCTTY);
    ASSERT_GE(fd, 0) << slave;
    std::string got;
    while (got.find("*", got.find("$GPGGA")) == std::string::npos ||
           got.find("\r\n", got.find("$GPGGA")) == std::string::npos) {
        pollfd p{fd, POLLIN, 0};
        ASSERT_EQ(poll(&p, 1, 10000), 1) << "no data on " << slave;
        char buf[512];
        ssize_t n = read(fd, buf, sizeof buf);
        ASSERT_GT(n, 0);
        got.append(buf, static_cast<size_t>(n));
    }
    close(fd);
    EXPECT_EQ(pclose(sim), 0);
    size_t start = got.find("$GPGGA");
    std::string gga = got.substr(start, got.find("\r\n", start) - start);
    EXPECT_TRUE(checksumValid(gga)) << gga;
}

TEST(WatchCommand, ShowsTheSimulatedFixAndSatellites) {
    auto sim = runCvtool("simulate --fast --seconds 3");
    ASSERT_EQ(sim.status, 0);
    auto r = runCvtool("watch -", sim.out);
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out.find('\x1b'), std::string::npos) << "escape codes on a pipe";
    EXPECT_NE(r.out.find("Fix        DGPS     quality 2   3D   selection A"), std::string::npos)
        << r.out;
    EXPECT_NE(r.out.find("Position   48.117"), std::string::npos) << r.out;
    EXPECT_NE(r.out.find(" N   11.516"), std::string::npos) << r.out;
    EXPECT_NE(r.out.find("Motion     3.3"), std::string::npos) << r.out;
    EXPECT_NE(r.out.find("Slot  PRN  Elev  Azim  SNR  Used"), std::string::npos) << r.out;
    EXPECT_NE(r.out.find("\n  33   48 "), std::string::npos) << "SBAS slot with its PRN\n" << r.out;
    EXPECT_NE(r.out.find(" bytes read"), std::string::npos);
}

TEST(WatchCommand, EmptyInputGivesTheInitialStateAndBadInputIsAUsageError) {
    auto r = runCvtool("watch");
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_NE(r.out.find("Fix        No Fix"), std::string::npos) << r.out;

    EXPECT_EQ(runCvtool("watch /nonexistent/file.nmea").status, 2);
    EXPECT_EQ(runCvtool("watch --bogus").status, 2);
    EXPECT_EQ(runCvtool("watch a b").status, 2);
}

} // namespace
