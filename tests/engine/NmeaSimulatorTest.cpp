#include "engine/NmeaSimulator.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <set>
#include <string>
#include <vector>

#include "engine/Dgps.h"
#include "engine/GpsEngine.h"
#include "geodesy/Constants.h"
#include "platform/Clock.h"
#include "platform/Prompter.h"
#include "support/NmeaText.h"

namespace {

using engine::NmeaSimulator;
using engine::SimulatorConfig;

using geodesy::kPi;
constexpr double kMphPerMps = 2.236936;

std::string epoch(const NmeaSimulator& sim, uint64_t index) {
    char buffer[engine::kMaxEpochBytes];
    size_t n = sim.writeEpoch(index, buffer, sizeof buffer);
    return std::string(buffer, n);
}

using testsupport::checksumValid;
using testsupport::crlfLines;

double metresBetween(double lat1, double lon1, double lat2, double lon2) {
    double dn = (lat2 - lat1) * 111132.0;
    double de = (lon2 - lon1) * 111320.0 * std::cos(lat1 * kPi / 180.0);
    return std::hypot(dn, de);
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
            for (const std::string& line : crlfLines(epoch(sim, i))) {
                EXPECT_TRUE(checksumValid(line)) << line;
                EXPECT_LE(line.size() + 2, 82u) << line; // NMEA 0183 sentence limit
                EXPECT_TRUE(accepted.count(line.substr(0, 6))) << line;
                cycles += line.rfind("$GPGSV,", 0) == 0 && line.compare(8, 3, ",1,") == 0;
                positions += line.rfind("$GPGGA,", 0) == 0;
            }
        }
        EXPECT_EQ(positions, 600) << rate;
        EXPECT_EQ(cycles, rate > 1 ? 600 / rate : 600) << rate;
    }
}

TEST(NmeaSimulatorOutput, IsAPureFunctionOfTheEpochAndSeed) {
    SimulatorConfig config;
    NmeaSimulator a(config), b(config);
    EXPECT_EQ(epoch(a, 1234), epoch(b, 1234));
    config.seed = 7;
    NmeaSimulator other(config);
    EXPECT_NE(epoch(a, 0), epoch(other, 0));

    char small[100];
    EXPECT_EQ(a.writeEpoch(0, small, sizeof small), 0u);
}

TEST(NmeaSimulatorSky, StaysPlausibleOverADay) {
    NmeaSimulator sim{SimulatorConfig{}};
    std::set<int> firstPrns, laterPrns;
    std::set<int> qualities;
    for (int minute = 0; minute < 24 * 60; minute += 5) {
        NmeaSimulator::Sky sky = sim.sky(minute * 60.0);
        int gps = 0;
        for (int i = 0; i < sky.count; ++i) {
            const auto& sat = sky.satellites[i];
            EXPECT_TRUE(sat.elevation >= 1 && sat.elevation <= 90 && sat.azimuth >= 0 &&
                        sat.azimuth < 360)
                << sat.elevation << " " << sat.azimuth;
            EXPECT_TRUE(sat.snr == 0 ? !sat.used : sat.snr >= 20 && sat.snr <= 55) << sat.snr;
            if (sat.prn <= 32) ++gps;
            if (minute == 0) firstPrns.insert(sat.prn);
            if (minute == 2 * 60) laterPrns.insert(sat.prn);
        }
        EXPECT_TRUE(gps >= 7 && gps <= 12) << "minute " << minute;
        EXPECT_EQ(sky.fixMode, 3);
        EXPECT_TRUE(sky.hdop > 0.4 && sky.hdop <= sky.pdop && sky.pdop < 6.0) << minute;
        qualities.insert(sky.quality);
    }
    EXPECT_NE(firstPrns, laterPrns);             // satellites rise and set
    EXPECT_EQ(qualities, (std::set<int>{1, 2})); // the SBAS correction comes and goes
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
        EXPECT_EQ(s.position.quality, 2);
        EXPECT_LT(
            metresBetween(start.first, start.second, s.position.latitude, s.position.longitude),
            15.0);
        EXPECT_NEAR(s.motion.speed / kMphPerMps, config.speedMps, 0.1);
        EXPECT_TRUE(s.dop.fixMode == 3 && s.dop.gsaHdop > 0 && s.dop.satellitesInView >= 8);

        int inView = 0, used = 0;
        for (int slot = 1; slot <= 32; ++slot) {
            inView += s.satellites[slot].inView;
            used += s.satellites[slot].used;
        }
        EXPECT_TRUE(inView >= 7 && used >= 4) << inView << " " << used;
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
    double lat0 = gps.state.position.latitude, lon0 = gps.state.position.longitude;
    run(sim, 2, 42); // twenty seconds later, still on the first leg of the route
    double lat1 = gps.state.position.latitude, lon1 = gps.state.position.longitude;

    EXPECT_NEAR(metresBetween(lat0, lon0, lat1, lon1), 60.0, 4.0);
    double bearing = std::atan2((lon1 - lon0) * std::cos(lat0 * kPi / 180.0), lat1 - lat0);
    bearing = std::fmod(bearing * 180.0 / kPi + 360.0, 360.0);
    EXPECT_NEAR(gps.state.motion.trackTrue, bearing, 6.0);
    EXPECT_NEAR(gps.state.motion.speed / kMphPerMps, 3.0, 0.15);
    EXPECT_EQ(gps.state.position.utcSecond, (sim.epochMs(41) / 1000 + config.startUtcSeconds) % 60);
}

} // namespace
