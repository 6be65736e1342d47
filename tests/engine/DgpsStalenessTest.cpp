// Ageing of the working records when the receiver stops sending them.

#include "NmeaFixture.h"

namespace enginetest {
namespace {

using DgpsStaleness = NmeaFixture;

TEST_F(DgpsStaleness, PositionClearsOnTheSecondDrainPastItsAge) {
    send("GPGGA,123519,4807.038,N,01131.000,E,2,08,0.9,545.4,M,46.9,M,3.5,0100");
    const uint32_t ggaTick = clock.tickCount();
    clock.advance(2500);
    drain();
    drain();
    EXPECT_NEAR(refreshed().position.latitude, 48.1173, 1e-9) << "2500 ms is not too old yet";

    clock.advance(1);
    drain();
    EXPECT_NEAR(refreshed().position.latitude, 48.1173, 1e-9) << "first stage only marks it";
    drain();
    const auto& p = refreshed().position;
    EXPECT_EQ(p.latitude, 0.0);
    EXPECT_EQ(p.altitude, 0.0);
    EXPECT_EQ(p.satellitesUsed, 0);
    EXPECT_EQ(p.quality, 0);
    EXPECT_FLOAT_EQ(p.hdop, -1.0f);
    EXPECT_FLOAT_EQ(p.diffAge, -1.0f);
    EXPECT_EQ(std::u16string(p.fixText), u"No Fix");
    EXPECT_EQ(p.ggaTick, ggaTick);
    EXPECT_EQ(p.altitudeUnit, 'M');
}

TEST_F(DgpsStaleness, FreshSentenceRestartsTheTwoStages) {
    send("GPVTG,054.7,T,034.4,M,005.5,N,010.2,K");
    clock.advance(2600);
    drain(); // marked
    send("GPVTG,054.7,T,034.4,M,005.5,N,010.2,K");
    clock.advance(2600);
    drain(); // marked again, not cleared
    EXPECT_FLOAT_EQ(refreshed().motion.trackTrue, 54.7f);
    drain();
    EXPECT_EQ(refreshed().motion.trackTrue, 0.0f);
    EXPECT_EQ(engine.state.motion.speed, 0.0f);
    EXPECT_FLOAT_EQ(engine.state.motion.trackMagnetic, 34.4f);
}

TEST_F(DgpsStaleness, DopAndSatellitesAgeAfterEightSeconds) {
    send("GPGSV,1,1,02,04,45,120,40,122,20,250,33");
    send("GPGSA,M,3,04,,,,,,,,,,,,2.1,1.2,1.7");
    const uint32_t seen = clock.tickCount();
    clock.advance(8000);
    drain();
    drain();
    EXPECT_EQ(refreshed().dop.fixMode, 3);
    clock.advance(1);
    drain();
    drain();
    const auto& s = refreshed();
    EXPECT_EQ(s.dop.fixMode, 0);
    EXPECT_EQ(s.dop.satellitesInView, 0);
    EXPECT_EQ(s.dop.usedSlots[0], 0);
    EXPECT_FLOAT_EQ(s.dop.pdop, -1.0f);
    EXPECT_FLOAT_EQ(s.dop.vdop, -1.0f);
    EXPECT_EQ(s.dop.gsaSelection, 'M');
    EXPECT_EQ(s.dop.gsaTick, seen);
    for (int slot : {4, 33}) {
        EXPECT_EQ(s.satellites[slot].prn + s.satellites[slot].inView + s.satellites[slot].used, 0);
        EXPECT_EQ(s.satellites[slot].lastSeenTick, seen);
    }
    EXPECT_EQ(dgps::sbasPrn(33), 0);
}

} // namespace
} // namespace enginetest
