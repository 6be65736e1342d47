#include "engine/NmeaSimulator.h"

#include <gtest/gtest.h>

#include <set>
#include <string>

#include "engine/Dgps.h"
#include "engine/GpsEngine.h"
#include "geodesy/Navigation.h"
#include "platform/Clock.h"
#include "platform/Prompter.h"
#include "support/NmeaText.h"

namespace {

using engine::NmeaSimulator;
using engine::SimulatorConfig;
using geodesy::greatCircleDistance;

constexpr double kMphPerMps = 2.236936;

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

// Feeds the simulator's output through the engine as the reader and the refresh timer do.
class SimulatedReceiver : public ::testing::Test {
protected:
    void SetUp() override { dgps::resetParser(); }
    void run(const NmeaSimulator& sim, uint64_t from, uint64_t to) {
        for (uint64_t i = from; i < to; ++i) {
            clock.setTick(1000 + static_cast<uint32_t>(sim.epochMs(i)));
            std::string text = epoch(sim, i);
            gps.receiveBytes(reinterpret_cast<const uint8_t*>(text.data()), text.size());
            clock.advance(150);
            ASSERT_TRUE(gps.refresh());
        }
    }
    platform::ManualClock clock;
    platform::RecordingPrompter prompter;
    engine::GpsEngine gps{clock, prompter};
};

TEST_F(SimulatedReceiver, EngineSeesAFixAtTheStartWithSatellitesAndSbas) {
    for (auto start : {std::pair{48.1173, 11.516667}, std::pair{-33.9, -70.6}}) {
        dgps::resetParser();
        SimulatorConfig config;
        config.latitude = start.first;
        config.longitude = start.second;
        NmeaSimulator sim(config);
        run(sim, 0, 6);
        const engine::GpsState& s = gps.state;
        EXPECT_EQ(std::u16string(s.position.fixText), u"DGPS");
        EXPECT_LT(greatCircleDistance(start.first, start.second, s.position.latitude,
                                      s.position.longitude),
                  15.0);
        EXPECT_NEAR(s.motion.speed / kMphPerMps, config.speedMps, 0.1);
        EXPECT_TRUE(s.dop.fixMode == 3 && s.dop.gsaHdop > 0 && s.dop.satellitesInView >= 8);
        int used = 0;
        for (int slot = 1; slot <= 32; ++slot)
            used += s.satellites[slot].used;
        EXPECT_EQ(s.position.satellitesUsed, used + 1); // and the SBAS satellite
        const engine::SatelliteInfo& sbas = s.satellites[engine::kFirstSbasSlot];
        EXPECT_TRUE(sbas.prn == 33 && sbas.inView && sbas.used && sbas.snr > 0);
        EXPECT_EQ(dgps::sbasPrn(engine::kFirstSbasSlot), NmeaSimulator::kSbasPrn);
    }
}

TEST_F(SimulatedReceiver, MovesAtTheConfiguredSpeedInTheReportedDirection) {
    SimulatorConfig config;
    config.speedMps = 3.0;
    config.rateHz = 2.0;
    NmeaSimulator sim(config);
    run(sim, 0, 2);
    const double lat0 = gps.state.position.latitude, lon0 = gps.state.position.longitude;
    run(sim, 2, 42); // twenty seconds later, still on the first leg of the route
    const auto& p = gps.state.position;
    EXPECT_NEAR(greatCircleDistance(lat0, lon0, p.latitude, p.longitude), 60.0, 4.0);
    EXPECT_NEAR(gps.state.motion.trackTrue,
                geodesy::initialBearing(lat0, lon0, p.latitude, p.longitude), 6.0);
    EXPECT_NEAR(gps.state.motion.speed / kMphPerMps, 3.0, 0.15);
    EXPECT_EQ(p.utcSecond, (sim.epochMs(41) / 1000 + config.startUtcSeconds) % 60);
}

} // namespace
