// Decoding of the five sentences into the working records, as seen after a refresh.

#include "NmeaFixture.h"

namespace enginetest {
namespace {

using DgpsDecode = NmeaFixture;

TEST_F(DgpsDecode, GgaFieldsHemispheresAndQuality) {
    const std::pair<const char*, const char*> cases[] = {
        // sentence, position record
        {kExampleGga, "48.1173 11.5166667 545.4M q1 n8 h0.9 g46.9M d-1 x_GPS 123519"},
        // A five-character time and a latitude without minutes' fraction are not read.
        {"GPGGA,0935,3352.,S,15112.5000,W,2,05,1.5,10.0,M,,,3.5,0100",
         "-0 -151.208333 10M q2 n5 h1.5 g0- d3.5 DGPS 000000"},
        // An empty quality keeps the last one.
        {"GPGGA,093600,3352.1200,S,15112.5000,E,,05,1.5,10.0,M,,,,",
         "-33.8686667 151.208333 10M q2 n5 h1.5 g0- d-1 DGPS 093600"},
        {"GPGGA,093601,3352.1200,S,15112.5000,E,7,05,1.5,10.0,M,,,,",
         "-33.8686667 151.208333 10M q0 n5 h1.5 g0- d-1 No Fix 093601"}};
    for (auto [body, position] : cases) {
        clock.advance(1000);
        send(body);
        EXPECT_EQ(text(refreshed().position), position) << body;
        EXPECT_EQ(engine.state.position.ggaTick, clock.tickCount());
    }
}

TEST_F(DgpsDecode, VtgDerivesVariationWithinHalfCircle) {
    const std::pair<const char*, const char*> cases[] = {
        // sentence, motion and variation
        {"GPVTG,054.7,T,034.4,M,005.5,N,010.2,K", "54.7 34.4 6.32928N 20.3E"},
        {"GPVTG,005.0,T,358.0,M,001.0,N,001.9,K", "5 358 1.15078N 7E"},  // across north
        {"GPVTG,350.0,T,010.0,M,001.0,,001.9,K", "350 10 1.15078N 20W"}, // the unit is kept
        {"GPVTG,010.0,T,,M,001.0,N,001.9,K", "10 0 1.15078N 0W"}};
    for (auto [body, expected] : cases) {
        send(body);
        const auto& s = refreshed();
        EXPECT_EQ(text(s.motion) + " " + text(s.magVar), expected) << body;
    }
}

TEST_F(DgpsDecode, RmcOnlyWhenValidAndItsVariationFields) {
    send("GPRMC,123519,V,4807.038,N,01131.000,E,022.4,084.4,230394,003.1,W,N");
    EXPECT_EQ(text(refreshed().motion) + " " + text(engine.state.magVar), "0 0 0- 0-");
    struct Case {
        std::string tail; // after "GPRMC,113258,A,3238.9148,N,10822.4466,W,"
        const char* motionAndVariation;
        bool stamped;
    };
    const Case cases[] = {
        {"022.4,084.4,230394,003.1,W,A", "84.4 0 25.7774- 3.1W", true},
        // NMEA 2.0 ends the sentence with the variation's direction.
        {"005.3,247.1,181022,009.3,E", "247.1 0 6.09913- 9.3E", true},
        {"005.3,247.1,181022,,,A", "247.1 0 6.09913- 0E", true}, // the direction is kept
        {"005.3,247.1,181022,0,A", "247.1 0 6.09913- 0-", true}, // a mode, no direction
        // Without its direction field the variation has no direction and no new time.
        {"006.0,247.1,181022,009.3," + std::string(60, 'E'), "247.1 0 6.90467- 9.3-", false}};
    for (const Case& c : cases) {
        const uint32_t before = engine.state.motion.motionTick;
        clock.advance(1000);
        send("GPRMC,113258,A,3238.9148,N,10822.4466,W," + c.tail);
        const auto& s = refreshed();
        EXPECT_EQ(text(s.motion) + " " + text(s.magVar), c.motionAndVariation) << c.tail;
        EXPECT_EQ(s.motion.motionTick, c.stamped ? clock.tickCount() : before) << c.tail;
    }
}

// A cycle reporting PRNs 4, 7 and 122 (SBAS), then a GSA listing 4, 9 and 122.
TEST_F(DgpsDecode, GsaMarksOnlySatellitesInView) {
    send("GPGSA,A,1,,,,,,,,,,,,,,,"); // a DOP record without a tick would age out at once
    send("GPGSV,2,1,03,04,45,120,40,07,30,200,35");
    send("GPGSV,2,2,03,122,20,250,33");
    send("GPGSA,A,3,04,09,122,,,,,,,,,,2.1,1.2,1.7");
    const auto& s = refreshed();
    EXPECT_EQ(text(s.dop) + " | " + text(s.satellites[4]) + " | " + text(s.satellites[7]) + " | " +
                  text(s.satellites[9]) + " | " + text(s.satellites[33]),
              "A3 v3 [4,33] 2.1 1.2 1.7 | 4 120/45/40 u1 v1 | 7 200/30/35 u0 v1 | 0 0/0/0 u0 v0 | "
              "33 250/20/33 u1 v1");
    EXPECT_EQ(dgps::sbasPrn(33), 122);
    send("GPGSA,A,2,07,,,,,,,,,,,,2.5,1.4,1.9");
    EXPECT_EQ(text(refreshed().dop), "A2 v3 [7] 2.5 1.4 1.9") << "the previous list is gone";
    EXPECT_EQ(engine.state.satellites[4].used, 0);
}

TEST_F(DgpsDecode, GsaStopsAtAShortSentenceOrAnOverlongPrnField) {
    send("GPGSV,1,1,03,04,45,120,40,07,30,200,35,09,10,020,30");
    send("GPGSA,A,1,,,,,,,,,,,,,9.9,9.9,9.9");
    const uint32_t stamped = clock.tickCount();
    clock.advance(1000);
    send("GPGSA,A,3,04,,,,,,,,,,,,2.1"); // PDOP is taken only from a field ending ','
    EXPECT_EQ(text(refreshed().dop), "A3 v3 [4] 9.9 9.9 9.9");
    EXPECT_EQ(engine.state.dop.gsaTick, stamped);
    // The cut field is not read as PRN 4, and nothing after it is decoded.
    send("GPGSA,A,3,09,04" + std::string(58, 'x') + ",07,,,,,,,,,,2.5,1.5,1.9");
    const auto& s = refreshed();
    EXPECT_EQ(text(s.dop), "A3 v3 [9] 9.9 9.9 9.9");
    EXPECT_EQ(s.satellites[4].used + s.satellites[7].used, 0);
}

// Each cycle fills the SBAS slots from 33 again; a clean-up drops the PRNs no longer reported.
TEST_F(DgpsDecode, SbasSlotsAcrossCycles) {
    auto sbas = [this] {
        const auto& s = refreshed();
        std::string out;
        for (int slot = 33; slot < engine::kSatelliteSlots; ++slot)
            if (s.satellites[slot].prn != 0 || dgps::sbasPrn(slot) != 0)
                out += std::to_string(slot) + ":" + std::to_string(dgps::sbasPrn(slot)) + "/" +
                       std::to_string(s.satellites[slot].snr) + " ";
        return out;
    };
    // Five SBAS satellites (35 is one) fill the four slots; 99 is none.
    send("GPGSV,2,1,05,122,20,250,33,134,21,251,34,135,22,252,35,138,23,253,36");
    send("GPGSV,2,2,05,35,24,254,37,99,25,255,38");
    EXPECT_EQ(sbas(), "33:122/33 34:134/34 35:135/35 36:138/36 ");
    clock.advance(1000); // before the next clean-up: the other slots stay
    send("GPGSV,1,1,02,122,30,250,43,134,31,251,44");
    EXPECT_EQ(sbas(), "33:122/43 34:134/44 35:135/35 36:138/36 ");
    clock.advance(5001);
    send("GPGSV,1,1,01,135,40,252,45");
    EXPECT_EQ(sbas(), "33:135/45 ");
}

// Satellites that left the view are dropped at most every 5 s, and never while in use.
TEST_F(DgpsDecode, CycleCleanUpWaitsFiveSecondsAndKeepsUsedSatellites) {
    send("GPGSV,1,1,03,04,45,120,40,07,30,200,35,09,10,020,30");
    send("GPGSA,A,3,07,,,,,,,,,,,,2.1,1.2,1.7");
    clock.advance(5000);
    send("GPGSV,1,1,01,04,45,121,41");
    EXPECT_EQ(text(refreshed().satellites[9]), "9 20/10/30 u0 v1") << "not five seconds yet";
    clock.advance(1);
    send("GPGSV,1,1,01,04,45,122,42");
    const auto& s = refreshed();
    EXPECT_EQ(text(s.satellites[4]) + " | " + text(s.satellites[7]) + " | " + text(s.satellites[9]),
              "4 122/45/42 u0 v1 | 7 200/30/35 u1 v1 | 0 0/0/0 u0 v0");
    EXPECT_EQ(s.satellites[9].lastSeenTick, clock.tickCount());
    clock.advance(6000);
    send("GPGSA,A,3,,,,,,,,,,,,,2.1,1.2,1.7");
    send("GPGSV,1,1,00"); // nothing in view any more
    EXPECT_EQ(refreshed().dop.satellitesInView, 0);
    EXPECT_EQ(engine.state.satellites[4].prn + engine.state.satellites[7].prn, 0);
}

} // namespace
} // namespace enginetest
