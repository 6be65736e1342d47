// Decoding of the five sentences into the working records, as seen after a refresh.

#include "NmeaFixture.h"

namespace enginetest {
namespace {

using DgpsDecode = NmeaFixture;

TEST_F(DgpsDecode, GgaExampleSentence) {
    feed("$GPGGA,123519,4807.038,N,01131.000,E,1,08,0.9,545.4,M,46.9,M,,*47\r\n");
    const auto& p = refreshed().position;
    EXPECT_NEAR(p.latitude, 48.1173, 1e-9);
    EXPECT_NEAR(p.longitude, 11.516667, 1e-6);
    EXPECT_EQ(p.quality, 1);
    EXPECT_EQ(p.satellitesUsed, 8);
    EXPECT_FLOAT_EQ(p.hdop, 0.9f);
    EXPECT_DOUBLE_EQ(p.altitude, 545.4);
    EXPECT_EQ(p.altitudeUnit, 'M');
    EXPECT_FLOAT_EQ(p.geoidSeparation, 46.9f);
    EXPECT_EQ(p.geoidUnit, 'M');
    EXPECT_FLOAT_EQ(p.diffAge, -1.0f);
    EXPECT_EQ(std::u16string(p.fixText), u"x_GPS");
    EXPECT_EQ(p.utcHour * 10000 + p.utcMinute * 100 + p.utcSecond, 123519);
    EXPECT_EQ(p.ggaTick, clock.tickCount());
}

TEST_F(DgpsDecode, GgaHemispheresQualityAndShortFields) {
    send("GPGGA,0935,3352.,S,15112.5000,W,2,05,1.5,10.0,M,,,3.5,0100");
    const auto& p = refreshed().position;
    EXPECT_EQ(p.latitude, 0.0); // five characters only
    EXPECT_NEAR(p.longitude, -151.208333333333, 1e-12);
    EXPECT_EQ(p.utcHour, 0);
    EXPECT_EQ(std::u16string(p.fixText), u"DGPS");
    EXPECT_EQ(p.geoidUnit, 0);
    EXPECT_FLOAT_EQ(p.diffAge, 3.5f);

    send("GPGGA,093600,3352.1200,S,15112.5000,E,,05,1.5,10.0,M,,,,");
    EXPECT_NEAR(refreshed().position.latitude, -33.868666666667, 1e-12);
    EXPECT_EQ(engine.state.position.quality, 2) << "an empty quality field keeps the last one";
    send("GPGGA,093601,3352.1200,S,15112.5000,E,7,05,1.5,10.0,M,,,,");
    EXPECT_EQ(refreshed().position.quality, 0);
    EXPECT_EQ(std::u16string(engine.state.position.fixText), u"No Fix");
}

TEST_F(DgpsDecode, ChecksumRules) {
    feed(nmea(kExampleGga, true)); // lower-case hexadecimal
    EXPECT_EQ(refreshed().position.satellitesUsed, 8);

    std::string bad = nmea("GPGGA,123519,4807.038,N,01131.000,E,1,09,0.9,545.4,M,46.9,M,,");
    bad[bad.size() - 3] ^= 1;
    feed(bad);
    feed("$GPGGA,123519,4807.038,N,01131.000,E,1,09,0.9,545.4,M,46.9,M,,*G7\r\n");
    EXPECT_EQ(refreshed().position.satellitesUsed, 8);
}

TEST_F(DgpsDecode, VtgDerivesVariationWithinHalfCircle) {
    send("GPVTG,054.7,T,034.4,M,005.5,N,010.2,K");
    const auto& s = refreshed();
    EXPECT_FLOAT_EQ(s.motion.trackTrue, 54.7f);
    EXPECT_FLOAT_EQ(s.motion.speed, 6.3292845f);
    EXPECT_EQ(s.motion.speedUnit, 'N');
    EXPECT_EQ(s.magVar.magVarDir, 'E');
    EXPECT_NEAR(s.magVar.magVar, 20.3f, 1e-4);

    send("GPVTG,005.0,T,358.0,M,001.0,N,001.9,K"); // 7 degrees east across north
    EXPECT_EQ(refreshed().magVar.magVarDir, 'E');
    EXPECT_NEAR(engine.state.magVar.magVar, 7.0f, 1e-4);
    send("GPVTG,350.0,T,010.0,M,001.0,,001.9,K");
    EXPECT_EQ(refreshed().magVar.magVarDir, 'W');
    EXPECT_NEAR(engine.state.magVar.magVar, 20.0f, 1e-4);
    EXPECT_EQ(engine.state.motion.speedUnit, 'N') << "kept when the field is empty";

    send("GPVTG,010.0,T,,M,001.0,N,001.9,K");
    EXPECT_EQ(refreshed().magVar.magVarDir, 'W');
    EXPECT_EQ(engine.state.magVar.magVar, 0.0f);
}

TEST_F(DgpsDecode, RmcOnlyWhenValidAndItsVariationFields) {
    send("GPRMC,123519,V,4807.038,N,01131.000,E,022.4,084.4,230394,003.1,W,N");
    EXPECT_EQ(refreshed().motion.motionTick, 0u);
    EXPECT_EQ(engine.state.magVar.magVar, 0.0f);

    send("GPRMC,123519,A,4807.038,N,01131.000,E,022.4,084.4,230394,003.1,W,A");
    EXPECT_FLOAT_EQ(refreshed().motion.speed, 25.77745f);
    EXPECT_FLOAT_EQ(engine.state.motion.trackTrue, 84.4f);
    EXPECT_EQ(engine.state.magVar.magVarDir, 'W');
    EXPECT_FLOAT_EQ(engine.state.magVar.magVar, 3.1f);
    EXPECT_EQ(engine.state.motion.motionTick, clock.tickCount());

    // NMEA 2.0 ends the sentence with the variation's direction.
    clock.advance(1000);
    send("GPRMC,113258,A,3238.9148,N,10822.4466,W,005.3,247.1,181022,009.3,E");
    EXPECT_EQ(refreshed().magVar.magVarDir, 'E');
    EXPECT_FLOAT_EQ(engine.state.magVar.magVar, 9.3f);
    EXPECT_EQ(engine.state.motion.motionTick, clock.tickCount());

    clock.advance(1000);
    send("GPRMC,113259,A,3238.9148,N,10822.4466,W,005.3,247.1,181022,,,A");
    EXPECT_EQ(refreshed().magVar.magVar, 0.0f);
    EXPECT_EQ(engine.state.magVar.magVarDir, 'E') << "an empty variation keeps the direction";
    EXPECT_EQ(engine.state.motion.motionTick, clock.tickCount());

    clock.advance(1000);
    send("GPRMC,113300,A,3238.9148,N,10822.4466,W,005.3,247.1,181022,0,A"); // mode, no direction
    EXPECT_EQ(refreshed().magVar.magVarDir, 0);
    EXPECT_EQ(engine.state.motion.motionTick, clock.tickCount());

    // Without its direction field the variation has no direction and the motion no new time.
    const uint32_t stamped = clock.tickCount();
    clock.advance(1000);
    send("GPRMC,113300,A,3238.9148,N,10822.4466,W,006.0,247.1,181022,009.3," +
         std::string(60, 'E'));
    EXPECT_EQ(refreshed().magVar.magVarDir, 0);
    EXPECT_FLOAT_EQ(engine.state.magVar.magVar, 9.3f);
    EXPECT_EQ(engine.state.motion.motionTick, stamped);
    EXPECT_FLOAT_EQ(engine.state.motion.speed, 6.904674f);
}

// A cycle reporting PRNs 4, 7 and 122 (SBAS), then a GSA listing 4, 9 and 122.
TEST_F(DgpsDecode, GsaMarksOnlySatellitesInView) {
    send("GPGSA,A,1,,,,,,,,,,,,,,,"); // a DOP record without a tick would age out at once
    send("GPGSV,2,1,03,04,45,120,40,07,30,200,35");
    send("GPGSV,2,2,03,122,20,250,33");
    send("GPGSA,A,3,04,09,122,,,,,,,,,,2.1,1.2,1.7");
    const auto& s = refreshed();
    EXPECT_EQ(s.dop.satellitesInView, 3);
    EXPECT_EQ(s.dop.gsaSelection, 'A');
    EXPECT_EQ(s.dop.fixMode, 3);
    const uint16_t used[] = {4, 33, 0};
    for (int i = 0; i < 3; ++i)
        EXPECT_EQ(s.dop.usedSlots[i], used[i]) << i;
    EXPECT_EQ(s.satellites[4].used, 1);
    EXPECT_EQ(s.satellites[7].used, 0);
    EXPECT_EQ(s.satellites[9].used + s.satellites[9].prn, 0);
    EXPECT_EQ(s.satellites[33].prn, 33);
    EXPECT_EQ(s.satellites[33].used, 1);
    EXPECT_EQ(dgps::sbasPrn(33), 122);
    EXPECT_FLOAT_EQ(s.dop.pdop, 2.1f);
    EXPECT_FLOAT_EQ(s.dop.gsaHdop, 1.2f);
    EXPECT_FLOAT_EQ(s.dop.vdop, 1.7f);
    EXPECT_EQ(s.satellites[7].elevation, 30);
    EXPECT_EQ(s.satellites[7].azimuth, 200);
    EXPECT_EQ(s.satellites[7].snr, 35);

    send("GPGSA,A,2,07,,,,,,,,,,,,2.5,1.4,1.9");
    EXPECT_EQ(refreshed().dop.usedSlots[0], 7);
    EXPECT_EQ(engine.state.dop.usedSlots[1], 0) << "the previous list is gone";
    EXPECT_EQ(engine.state.satellites[4].used, 0);
}

TEST_F(DgpsDecode, GsaStopsAtAShortSentenceOrAnOverlongPrnField) {
    send("GPGSV,1,1,03,04,45,120,40,07,30,200,35,09,10,020,30");
    send("GPGSA,A,1,,,,,,,,,,,,,9.9,9.9,9.9");
    const uint32_t stamped = clock.tickCount();
    clock.advance(1000);
    send("GPGSA,A,3,04,,,,,,,,,,,,2.1");
    EXPECT_EQ(refreshed().satellites[4].used, 1);
    EXPECT_EQ(engine.state.dop.usedSlots[0], 4);
    EXPECT_EQ(engine.state.dop.fixMode, 3);
    EXPECT_FLOAT_EQ(engine.state.dop.pdop, 9.9f) << "PDOP is taken only from a field ending ','";
    EXPECT_EQ(engine.state.dop.gsaTick, stamped);

    // The cut field is not read as PRN 4, and nothing after it is decoded.
    send("GPGSA,A,3,09,04" + std::string(58, 'x') + ",07,,,,,,,,,,2.5,1.5,1.9");
    const auto& s = refreshed();
    EXPECT_EQ(s.dop.usedSlots[0], 9);
    EXPECT_EQ(s.dop.usedSlots[1], 0);
    EXPECT_EQ(s.satellites[4].used + s.satellites[7].used, 0);
    EXPECT_FLOAT_EQ(s.dop.pdop, 9.9f);
}

TEST_F(DgpsDecode, GsaMapsSbasPrnsToTheirSlots) {
    send("GPGSV,1,1,03,04,45,120,40,122,20,250,33,134,21,251,34");
    send("GPGSA,A,3,04,48,40,,,,,,,,,,2.1,1.2,1.7");
    EXPECT_EQ(refreshed().dop.usedSlots[0], 4);
    EXPECT_EQ(engine.state.dop.usedSlots[1], 33) << "an SBAS PRN not in view takes slot 33";
    EXPECT_EQ(engine.state.dop.usedSlots[2], 0) << "40 is no SBAS number";

    send("GPGSA,A,3,134,48,,,,,,,,,,,2.1,1.2,1.7");
    EXPECT_EQ(refreshed().dop.usedSlots[0], 34);
    EXPECT_EQ(engine.state.dop.usedSlots[1], 34) << "the slot of the previous SBAS PRN";
    EXPECT_EQ(engine.state.satellites[33].used, 0);
    EXPECT_EQ(engine.state.satellites[34].used, 1);
}

// Each cycle fills the SBAS slots from 33 again; a clean-up drops the PRNs no longer reported.
TEST_F(DgpsDecode, SbasSlotsAcrossCycles) {
    auto expectSbas = [this](const int(&prns)[4], const int(&snrs)[4]) {
        const auto& s = refreshed();
        for (int i = 0; i < 4; ++i) {
            EXPECT_EQ(dgps::sbasPrn(33 + i), prns[i]) << "slot " << 33 + i;
            EXPECT_EQ(s.satellites[33 + i].prn, prns[i] != 0 ? 33 + i : 0) << "slot " << 33 + i;
            EXPECT_EQ(s.satellites[33 + i].snr, snrs[i]) << "slot " << 33 + i;
        }
        for (int slot = 37; slot < engine::kSatelliteSlots; ++slot)
            EXPECT_EQ(s.satellites[slot].prn, 0);
    };
    // Five SBAS satellites (35 is one) fill the four slots; 99 is none.
    send("GPGSV,2,1,05,122,20,250,33,134,21,251,34,135,22,252,35,138,23,253,36");
    send("GPGSV,2,2,05,35,24,254,37,99,25,255,38");
    expectSbas({122, 134, 135, 138}, {33, 34, 35, 36});

    clock.advance(1000); // before the next clean-up: the other slots stay
    send("GPGSV,1,1,02,122,30,250,43,134,31,251,44");
    expectSbas({122, 134, 135, 138}, {43, 44, 35, 36});

    clock.advance(5001);
    send("GPGSV,1,1,01,135,40,252,45");
    expectSbas({135, 0, 0, 0}, {45, 0, 0, 0});
}

// Satellites that left the view are dropped at most every 5 s, and never while in use.
TEST_F(DgpsDecode, CycleCleanUpWaitsFiveSecondsAndKeepsUsedSatellites) {
    send("GPGSV,1,1,03,04,45,120,40,07,30,200,35,09,10,020,30");
    send("GPGSA,A,3,07,,,,,,,,,,,,2.1,1.2,1.7");
    clock.advance(5000);
    send("GPGSV,1,1,01,04,45,121,41");
    EXPECT_EQ(refreshed().satellites[9].prn, 9) << "not five seconds since the last clean-up";
    EXPECT_EQ(engine.state.satellites[9].inView, 1);

    clock.advance(1);
    send("GPGSV,1,1,01,04,45,122,42");
    const auto& s = refreshed();
    EXPECT_EQ(s.satellites[4].azimuth, 122);
    EXPECT_EQ(s.satellites[9].prn, 0);
    EXPECT_EQ(s.satellites[9].lastSeenTick, clock.tickCount());
    EXPECT_EQ(s.satellites[7].prn, 7);
    EXPECT_EQ(s.satellites[7].inView, 1);
    EXPECT_EQ(s.satellites[7].used, 1);

    clock.advance(6000);
    send("GPGSA,A,3,,,,,,,,,,,,,2.1,1.2,1.7");
    send("GPGSV,1,1,00"); // nothing in view any more
    EXPECT_EQ(refreshed().dop.satellitesInView, 0);
    EXPECT_EQ(engine.state.satellites[4].prn + engine.state.satellites[7].prn, 0);
}

} // namespace
} // namespace enginetest
