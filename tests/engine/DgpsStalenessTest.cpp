// Ageing of the working records when the receiver stops sending them, and the engine's refresh.

#include <thread>

#include "NmeaFixture.h"

namespace enginetest {
namespace {

using DgpsStaleness = NmeaFixture;

// Two drains past the age: the first marks the record, the second clears it.
TEST_F(DgpsStaleness, PositionClearsOnTheSecondDrainPastItsAge) {
    send("GPGGA,123519,4807.038,N,01131.000,E,2,08,0.9,545.4,M,46.9,M,3.5,0100");
    const uint32_t ggaTick = clock.tickCount();
    const std::string fresh = "48.1173 11.5166667 545.4M q2 n8 h0.9 g46.9M d3.5 DGPS 123519";
    clock.advance(2500);
    drain();
    drain();
    EXPECT_EQ(text(refreshed().position), fresh) << "2500 ms is not too old yet";
    clock.advance(1);
    drain();
    EXPECT_EQ(text(refreshed().position), fresh);
    drain();
    EXPECT_EQ(text(refreshed().position), "0 0 0M q0 n0 h-1 g46.9M d-1 No Fix 000000");
    EXPECT_EQ(engine.state.position.ggaTick, ggaTick);
}

TEST_F(DgpsStaleness, DopAndSatellitesAgeAfterEightSeconds) {
    send("GPGSA,M,1,,,,,,,,,,,,,,,"); // a DOP record without a tick would age out at once
    send("GPGSV,1,1,02,04,45,120,40,122,20,250,33");
    send("GPGSA,M,3,04,,,,,,,,,,,,2.1,1.2,1.7");
    const uint32_t seen = clock.tickCount();
    clock.advance(8000);
    drain();
    drain();
    EXPECT_EQ(text(refreshed().dop), "M3 v2 [4] 2.1 1.2 1.7");
    clock.advance(1);
    drain();
    drain();
    const auto& s = refreshed();
    EXPECT_EQ(text(s.dop) + " | " + text(s.satellites[4]) + " | " + text(s.satellites[33]),
              "M0 v0 [] -1 -1 -1 | 0 0/0/0 u0 v0 | 0 0/0/0 u0 v0");
    EXPECT_EQ(
        (std::vector{s.dop.gsaTick, s.satellites[4].lastSeenTick, s.satellites[33].lastSeenTick}),
        std::vector<uint32_t>(3, seen));
    EXPECT_EQ(dgps::sbasPrn(33), 0);
}

TEST_F(DgpsStaleness, ReadNotesTheArrivalAndRefreshSkipsWhileTheLockIsBusy) {
    clock.advance(42);
    feed(nmea(kExampleGga));
    EXPECT_EQ(engine.link.dataSeen, 1);
    EXPECT_EQ(engine.lastDataTick, clock.tickCount());
    bool refreshed = true;
    {
        std::lock_guard<std::mutex> reader(engine.lock());
        std::thread timer([&] { refreshed = engine.refresh(); });
        timer.join();
    }
    EXPECT_FALSE(refreshed);
    EXPECT_EQ(engine.state.position.ggaTick, 0u);
    EXPECT_TRUE(engine.refresh());
    EXPECT_EQ(engine.state.position.latitude, 48.1173);
}

} // namespace
} // namespace enginetest
