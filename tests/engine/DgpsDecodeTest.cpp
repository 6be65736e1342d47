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
    EXPECT_EQ(p.utcHour, 12);
    EXPECT_EQ(p.utcMinute, 35);
    EXPECT_EQ(p.utcSecond, 19);
    EXPECT_EQ(p.ggaTick, clock.tickCount());
}

TEST_F(DgpsDecode, GgaHemispheresQualityAndShortFields) {
    send("GPGGA,0935,3352.,S,15112.5000,W,2,05,1.5,10.0,M,,,3.5,0100");
    const auto& p = refreshed().position;
    EXPECT_EQ(p.latitude, 0.0); // five characters only
    EXPECT_NEAR(p.longitude, -(151 + 12.5 / 60), 1e-12);
    EXPECT_EQ(p.utcHour, 0);
    EXPECT_EQ(std::u16string(p.fixText), u"DGPS");
    EXPECT_EQ(p.geoidUnit, 0);
    EXPECT_FLOAT_EQ(p.diffAge, 3.5f);

    send("GPGGA,093600,3352.1200,S,15112.5000,E,,05,1.5,10.0,M,,,,");
    EXPECT_NEAR(refreshed().position.latitude, -(33 + 52.12 / 60), 1e-12);
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
    EXPECT_FLOAT_EQ(s.motion.speed, static_cast<float>(5.5 * 1.150779));
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

TEST_F(DgpsDecode, RmcOnlyWhenValid) {
    send("GPRMC,123519,V,4807.038,N,01131.000,E,022.4,084.4,230394,003.1,W,N");
    const auto& s = refreshed();
    EXPECT_EQ(s.motion.motionTick, 0u);
    EXPECT_EQ(s.motion.speed, 0.0f);
    EXPECT_EQ(s.magVar.magVar, 0.0f);

    send("GPRMC,123519,A,4807.038,N,01131.000,E,022.4,084.4,230394,003.1,W,A");
    refreshed();
    EXPECT_FLOAT_EQ(engine.state.motion.speed, static_cast<float>(22.4 * 1.150779));
    EXPECT_FLOAT_EQ(engine.state.motion.trackTrue, 84.4f);
    EXPECT_EQ(engine.state.magVar.magVarDir, 'W');
    EXPECT_FLOAT_EQ(engine.state.magVar.magVar, 3.1f);
    EXPECT_EQ(engine.state.motion.motionTick, clock.tickCount());
}

TEST_F(DgpsDecode, RmcVariationFields) {
    // NMEA 2.0 ends the sentence with the variation's direction.
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
    EXPECT_FLOAT_EQ(engine.state.motion.speed, static_cast<float>(6.0 * 1.150779));
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
    EXPECT_EQ(s.dop.usedSlots[0], 4);
    EXPECT_EQ(s.dop.usedSlots[1], 33);
    EXPECT_EQ(s.dop.usedSlots[2], 0);
    EXPECT_EQ(s.satellites[4].used, 1);
    EXPECT_EQ(s.satellites[7].used, 0);
    EXPECT_EQ(s.satellites[9].used, 0);
    EXPECT_EQ(s.satellites[9].prn, 0);
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

TEST_F(DgpsDecode, FiveSbasSatellitesFillFourSlots) {
    send("GPGSV,2,1,05,122,20,250,33,134,21,251,34,135,22,252,35,138,23,253,36");
    send("GPGSV,2,2,05,35,24,254,37,99,25,255,38");
    const auto& s = refreshed();
    const int expected[] = {122, 134, 135, 138};
    for (int i = 0; i < 4; ++i) {
        EXPECT_EQ(s.satellites[33 + i].prn, 33 + i);
        EXPECT_EQ(s.satellites[33 + i].snr, 33 + i);
        EXPECT_EQ(dgps::sbasPrn(33 + i), expected[i]);
    }
    for (int slot = 37; slot < engine::kSatelliteSlots; ++slot)
        EXPECT_EQ(s.satellites[slot].prn, 0);
}

TEST_F(DgpsDecode, GsaStopsWhereTheSentenceEndsEarly) {
    send("GPGSV,1,1,01,04,45,120,40");
    send("GPGSA,A,1,,,,,,,,,,,,,9.9,9.9,9.9");
    const uint32_t stamped = clock.tickCount();
    clock.advance(1000);
    send("GPGSA,A,3,04,,,,,,,,,,,,2.1");
    const auto& s = refreshed();
    EXPECT_EQ(s.satellites[4].used, 1);
    EXPECT_EQ(s.dop.usedSlots[0], 4);
    EXPECT_EQ(s.dop.fixMode, 3);
    EXPECT_FLOAT_EQ(s.dop.pdop, 9.9f) << "PDOP is taken only from a field that ends with ','";
    EXPECT_EQ(s.dop.gsaTick, stamped);
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
    EXPECT_EQ(s.satellites[9].prn, 0);
    EXPECT_EQ(s.satellites[7].prn, 7);
    EXPECT_EQ(s.satellites[7].inView, 1);
    EXPECT_EQ(s.satellites[7].used, 1);
}

TEST_F(DgpsDecode, CycleEndEmptiesSatellitesThatLeftTheView) {
    send("GPGSV,1,1,02,04,45,120,40,07,30,200,35");
    clock.advance(6000);
    send("GPGSV,1,1,01,04,45,121,41");
    const auto& s = refreshed();
    EXPECT_EQ(s.satellites[4].azimuth, 121);
    EXPECT_EQ(s.satellites[7].prn, 0);
    EXPECT_EQ(s.satellites[7].lastSeenTick, clock.tickCount());

    clock.advance(6000);
    send("GPGSV,1,1,00"); // nothing in view any more
    EXPECT_EQ(refreshed().dop.satellitesInView, 0);
    EXPECT_EQ(engine.state.satellites[4].prn, 0);
}

} // namespace
} // namespace enginetest
