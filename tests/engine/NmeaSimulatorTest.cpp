#include "engine/NmeaSimulator.h"

#include <gtest/gtest.h>

#include <set>
#include <string>

#include "support/NmeaText.h"

namespace {

using engine::NmeaSimulator;
using engine::SimulatorConfig;

std::string epoch(const NmeaSimulator& sim, uint64_t index) {
    char buffer[engine::kMaxEpochBytes];
    return std::string(buffer, sim.writeEpoch(index, buffer, sizeof buffer));
}

// Every rate writes one position per epoch and one satellite cycle per second.
TEST(NmeaSimulatorOutput, EverySentenceIsWellFormedAcrossTheRouteAndRates) {
    const std::set<std::string> accepted = {"$GPGGA", "$GPGSA", "$GPGSV", "$GPRMC", "$GPVTG"};
    for (double rate : {1.0, 5.0, 0.5}) {
        SimulatorConfig config;
        config.rateHz = rate;
        config.speedMps = 7.0; // covers the whole loop and its corners in the sampled span
        config.latitude = -33.9;
        config.longitude = -70.6;
        NmeaSimulator sim(config);
        int cycles = 0, positions = 0;
        for (uint64_t i = 0; i < 600; ++i) {
            for (const std::string& line : testsupport::crlfLines(epoch(sim, i))) {
                EXPECT_TRUE(testsupport::checksumValid(line)) << line;
                EXPECT_LE(line.size() + 2, 82u) << line; // NMEA 0183 sentence limit
                EXPECT_TRUE(accepted.count(line.substr(0, 6))) << line;
                cycles += line.rfind("$GPGSV,", 0) == 0 && line.compare(8, 3, ",1,") == 0;
                positions += line.rfind("$GPGGA,", 0) == 0;
            }
        }
        EXPECT_EQ(positions, 600) << rate;
        EXPECT_EQ(cycles, rate > 1 ? 600 / rate : 600) << rate;
    }
    NmeaSimulator a{SimulatorConfig{}}, b{SimulatorConfig{}};
    EXPECT_EQ(epoch(a, 1234), epoch(b, 1234)); // a pure function of the epoch
    char small[100];
    EXPECT_EQ(a.writeEpoch(0, small, sizeof small), 0u);
}

} // namespace
