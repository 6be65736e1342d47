// Sentences of multi-constellation receivers: the talkers, the PRN numbering of each
// constellation, several GSA per fix, interleaved GSV cycles and the table of other satellites.

#include <vector>

#include "NmeaFixture.h"

namespace enginetest {
namespace {

using DgpsConstellation = NmeaFixture;

// "R7 u1 v1, E11 u0 v1": the filled entries of the other satellites' table.
std::string others(const engine::GpsState& s) {
    std::string out;
    for (const engine::OtherSatellite& o : s.otherSatellites)
        if (o.system != 0)
            out += (out.empty() ? "" : ", ") + std::string(1, o.system) + std::to_string(o.prn) +
                   " u" + std::to_string(o.used) + " v" + std::to_string(o.inView);
    return out;
}

int otherCount(const engine::GpsState& s) {
    int n = 0;
    for (const engine::OtherSatellite& o : s.otherSatellites)
        n += o.system != 0;
    return n;
}

TEST_F(DgpsConstellation, AcceptedTalkersDecodeGgaRmcAndVtgAsGpDoes) {
    const char* ggaTail = "GGA,123519,4807.038,N,01131.000,E,1,08,0.9,545.4,M,46.9,M,,";
    const char* rmcTail = "RMC,123519,A,4807.038,N,01131.000,E,022.4,084.4,230394,003.1,W";
    const char* vtgTail = "VTG,054.7,T,034.4,M,005.5,N,010.2,K";
    send(std::string("GP") + ggaTail);
    send(std::string("GP") + vtgTail);
    const std::string position = text(refreshed().position);
    const std::string vtgMotion = text(engine.state.motion) + " " + text(engine.state.magVar);
    send(std::string("GP") + rmcTail);
    const std::string rmcMotion = text(refreshed().motion) + " " + text(engine.state.magVar);

    // One stream whose talker changes from sentence to sentence.
    const std::pair<const char*, bool> talkers[] = {
        {"GN", true}, {"GL", true},  {"GA", true},  {"GB", true},  {"BD", true},  {"GQ", true},
        {"GI", true}, {"QZ", false}, {"IM", false}, {"PQ", false}, {"gp", false}, {"G", false}};
    for (auto [talker, accepted] : talkers) {
        dgps::resetParser();
        engine.state = engine::GpsState{};
        clock.advance(1000);
        const uint32_t tick = accepted ? clock.tickCount() : 0;
        send(talker + std::string(ggaTail));
        send(talker + std::string(vtgTail));
        const auto& s = refreshed();
        EXPECT_EQ(s.position.ggaTick, tick) << talker;
        EXPECT_EQ(s.motion.motionTick, tick) << talker;
        if (!accepted) continue;
        EXPECT_EQ(text(s.position), position) << talker;
        EXPECT_EQ(text(s.motion) + " " + text(s.magVar), vtgMotion) << talker;
        send(talker + std::string(rmcTail));
        EXPECT_EQ(text(refreshed().motion) + " " + text(engine.state.magVar), rmcMotion) << talker;
    }
}

TEST(DgpsPrnNumbering, EachConstellationsConventions) {
    struct Case {
        char constellation; // as the talker or the GSA system id names it
        int prn;
        char system;
        int number;
    };
    // By range (GP, GN, system id 1): GPS and SBAS stay PRNs for the 42-slot table; BeiDou's 200
    // numbering only where BeiDou is named.
    const char X = dgps::kByRange; // no constellation named: by the range
    // clang-format off
    const Case cases[] = {
        {X, 1, 'G', 1}, {X, 32, 'G', 32}, {X, 48, 'G', 48}, {X, 135, 'G', 135}, {X, 65, 'R', 1},
        {X, 96, 'R', 32}, {X, 193, 'J', 1}, {X, 202, 'J', 10}, {X, 301, 'E', 1}, {X, 336, 'E', 36},
        {X, 401, 'C', 1}, {X, 463, 'C', 63}, {X, 0, 0, 0}, {X, 97, 0, 0}, {X, 208, 0, 0},
        {X, 464, 0, 0}, {'R', 65, 'R', 1}, {'R', 88, 'R', 24}, {'R', 7, 0, 0}, {'E', 1, 'E', 1},
        {'E', 36, 'E', 36}, {'E', 312, 'E', 12}, {'E', 37, 0, 0}, {'C', 1, 'C', 1},
        {'C', 63, 'C', 63}, {'C', 208, 'C', 8}, {'C', 423, 'C', 23}, {'C', 64, 0, 0},
        {'J', 1, 'J', 1}, {'J', 195, 'J', 3}, {'J', 11, 0, 0}, {'I', 14, 'I', 14}, {'I', 15, 0, 0},
    };
    // clang-format on
    for (const Case& c : cases) {
        dgps::SatelliteId id = dgps::identifySatellite(c.constellation, c.prn);
        EXPECT_EQ(std::string(1, id.system) + std::to_string(id.number),
                  std::string(1, c.system) + std::to_string(c.number))
            << "constellation '" << c.constellation << "' PRN " << c.prn;
    }
    using dgps::Talker;
    EXPECT_EQ(
        std::string(
            {dgps::constellationOfTalker(Talker::Gp), dgps::constellationOfTalker(Talker::Gn),
             dgps::constellationOfTalker(Talker::Gl), dgps::constellationOfTalker(Talker::Ga),
             dgps::constellationOfTalker(Talker::Gb), dgps::constellationOfTalker(Talker::Bd),
             dgps::constellationOfTalker(Talker::Gq), dgps::constellationOfTalker(Talker::Gi)}),
        std::string({0, 0, 'R', 'E', 'C', 'C', 'J', 'I'}));
    std::string bySystemId;
    for (int id = 0; id <= 7; ++id)
        bySystemId += dgps::constellationOfSystemId(id);
    EXPECT_EQ(bySystemId, std::string({0, 0, 'R', 'E', 'C', 'J', 'I', 0}));
}

TEST_F(DgpsConstellation, GsaSentencesOfOneFixAddUp) {
    struct Case {
        std::vector<std::string> sentences;
        const char* dop;
        const char* others;
    };
    const Case cases[] = {
        // One $GNGSA per constellation, without system id, decided by PRN range.
        {{"GNGSA,A,3,04,122,,,,,,,,,,,2.1,1.2,1.7", "GNGSA,A,3,65,70,,,,,,,,,,,2.1,1.2,1.7"},
         "A3 v4 [4,33] 2.1 1.2 1.7",
         "R1 u1 v1, R6 u1 v1, E11 u0 v1, C8 u0 v1"},
        // With the NMEA 4.10 system id; the fix before is forgotten.
        {{"GNGSA,A,3,07,,,,,,,,,,,,1.9,1.1,1.5,1", "GNGSA,A,3,11,,,,,,,,,,,,1.9,1.1,1.5,3",
          "GNGSA,A,3,208,,,,,,,,,,,,1.9,1.1,1.5,4"},
         "A3 v4 [7] 1.9 1.1 1.5",
         "R1 u0 v1, R6 u0 v1, E11 u1 v1, C8 u1 v1"},
        // A $GPGSA, then a $GNGSA repeating its satellites with more: each counted once.
        {{"GPGSA,A,3,04,09,,,,,,,,,,,2.0,1.0,1.6", "GNGSA,A,3,04,09,07,,,,,,,,,,2.0,1.0,1.6",
          "GNGSA,A,3,70,,,,,,,,,,,,2.0,1.0,1.6"},
         "A3 v4 [4,9,7] 2 1 1.6",
         "R1 u0 v1, R6 u1 v1, E11 u0 v1, C8 u0 v1"},
        // BeiDou numbered from 201 in a $GNGSA without system id, as its GSV numbered it.
        {{"GNGSA,A,3,04,208,,,,,,,,,,,2.0,1.0,1.6"},
         "A3 v4 [4] 2 1 1.6",
         "R1 u0 v1, R6 u0 v1, E11 u0 v1, C8 u1 v1"},
        // Talker GP then BD: one fix. A BeiDou PRN not in view is not used.
        {{"GPGSA,A,3,09,,,,,,,,,,,,2.0,1.0,1.6", "BDGSA,A,3,08,09,,,,,,,,,,,2.0,1.0,1.6"},
         "A3 v4 [9] 2 1 1.6",
         "R1 u0 v1, R6 u0 v1, E11 u0 v1, C8 u1 v1"},
        // The same talker and system id again is the next fix, as a GPS receiver sends it.
        {{"GPGSA,A,3,04,,,,,,,,,,,,2.0,1.0,1.6", "GPGSA,A,2,07,,,,,,,,,,,,2.5,1.4,1.9"},
         "A2 v4 [7] 2.5 1.4 1.9",
         "R1 u0 v1, R6 u0 v1, E11 u0 v1, C8 u0 v1"},
        {{"GNGSA,A,3,04,,,,,,,,,,,,2.0,1.0,1.6,1", "GNGSA,A,3,07,,,,,,,,,,,,2.0,1.0,1.6,1"},
         "A3 v4 [7] 2 1 1.6",
         "R1 u0 v1, R6 u0 v1, E11 u0 v1, C8 u0 v1"},
        // Any other sentence between two GSA starts a new fix.
        {{"GNGSA,A,3,04,65,,,,,,,,,,,2.0,1.0,1.6", kExampleGga,
          "GNGSA,A,3,07,,,,,,,,,,,,2.0,1.0,1.6"},
         "A3 v4 [7] 2 1 1.6",
         "R1 u0 v1, R6 u0 v1, E11 u0 v1, C8 u0 v1"},
        // Unknown talkers between them are ignored and do not break the fix.
        {{"GNGSA,A,3,04,,,,,,,,,,,,2.0,1.0,1.6", "QZGSA,A,3,,,,,,,,,,,,,2.0,1.0,1.6",
          "GLGSA,A,3,65,,,,,,,,,,,,2.0,1.0,1.6"},
         "A3 v4 [4] 2 1 1.6",
         "R1 u1 v1, R6 u0 v1, E11 u0 v1, C8 u0 v1"},
    };
    // In view: GPS 4, 7, 9, SBAS 122 (slot 33), GLONASS R1, R6, Galileo E11, BeiDou C8.
    for (const char* body :
         {"GPGSA,A,1,,,,,,,,,,,,,,,", "GPGSV,2,1,04,04,45,120,40,07,30,200,35,09,10,020,30",
          "GPGSV,2,2,04,122,20,250,33", "GLGSV,1,1,02,65,50,211,41,70,47,307,38",
          "GAGSV,1,1,01,11,62,045,41", "GBGSV,1,1,01,208,07,033,29"})
        send(body);
    for (const Case& c : cases) {
        std::string all;
        for (const std::string& body : c.sentences) {
            send(body);
            all += body + " ";
        }
        const auto& s = refreshed();
        EXPECT_EQ(text(s.dop), c.dop) << all;
        EXPECT_EQ(others(s), c.others) << all;
        EXPECT_EQ(s.dop.gsaTick, clock.tickCount()) << all;
        send("GPVTG,054.7,T,034.4,M,005.5,N,010.2,K"); // ends the fix
    }
}

// A GPS cycle cut by GLONASS and Galileo cycles; each talker's clean-up touches only its own.
TEST_F(DgpsConstellation, InterleavedGsvCyclesKeepTheirOwnSatellites) {
    send("GPGSA,A,1,,,,,,,,,,,,,,,"); // a DOP record without a tick would age out at once
    send("GPGSV,3,1,09,04,45,120,40,07,30,200,35,09,10,020,30,12,10,020,30");
    send("GLGSV,2,1,05,65,50,211,41,70,47,307,38,71,06,339,,72,33,058,20");
    send("GPGSV,3,2,09,14,45,120,40,17,30,200,35,20,10,020,30,122,10,020,30");
    send("GAGSV,1,1,01,312,62,045,41"); // numbered from 301 by some receivers
    send("GLGSV,2,2,05,88,24,068,23");
    send("GPGSV,3,3,09,24,05,300,22");
    auto slots = [](const engine::GpsState& s) {
        std::string out;
        for (int slot = 0; slot < engine::kSatelliteSlots; ++slot)
            if (s.satellites[slot].prn != 0) out += std::to_string(slot) + " ";
        return out;
    };
    const auto& s = refreshed();
    EXPECT_EQ(slots(s), "4 7 9 12 14 17 20 24 33 ");
    EXPECT_EQ(s.dop.satellitesInView, 9) << "the count of the GPS cycle";
    EXPECT_EQ(others(s), "R1 u0 v1, R6 u0 v1, R7 u0 v1, R8 u0 v1, E12 u0 v1, R24 u0 v1");
    const engine::OtherSatellite& r1 = s.otherSatellites[0];
    EXPECT_EQ(std::vector<int>({r1.azimuth, r1.elevation, r1.snr}),
              std::vector<int>({211, 50, 41}));

    clock.advance(6000);
    send("GLGSV,1,1,02,65,50,212,42,70,47,308,39");
    send("GPGSV,1,1,02,04,45,121,41,07,30,201,36");
    send("GAGSV,1,1,01,312,62,046,42,7"); // NMEA 4.11: Galileo E1 signal
    const auto& t = refreshed();
    EXPECT_EQ(slots(t), "4 7 ");
    EXPECT_EQ(others(t), "R1 u0 v1, R6 u0 v1, E12 u0 v1");

    // A cycle of another signal of the same satellites does not clean up, nor replace values.
    clock.advance(6000);
    send("GAGSV,1,1,01,312,62,046,42,7");
    send("GAGSV,1,1,01,305,12,100,30,2");
    send("GPGSV,1,1,02,04,45,121,41,07,30,201,36,1");
    send("GPGSV,1,1,01,04,45,121,48,6");
    const auto& u = refreshed();
    EXPECT_EQ(slots(u), "4 7 ");
    EXPECT_EQ(u.satellites[4].snr, 41);
    EXPECT_EQ(others(u), "R1 u0 v1, R6 u0 v1, E12 u0 v1");

    // GLONASS cycles stopped: its satellites age out while the others go on.
    clock.advance(3000);
    send("GAGSV,1,1,01,312,62,046,42,7");
    EXPECT_EQ(others(refreshed()), "E12 u0 v1");
}

// 100 satellites of other constellations in view: the table holds 64, and more only as those
// leave the view; a silent receiver empties it.
TEST_F(DgpsConstellation, FullTableOfOtherSatellites) {
    auto cycle = [this](const char* talker, int first, int count) {
        const int messages = count == 0 ? 1 : (count + 3) / 4;
        for (int m = 0; m < messages; ++m) {
            std::string body = std::string(talker) + "GSV," + std::to_string(messages) + "," +
                               std::to_string(m + 1) + "," + std::to_string(count);
            for (int i = m * 4; i < count && i < m * 4 + 4; ++i)
                body += "," + std::to_string(first + i) + ",30,100,40";
            send(body);
        }
    };
    cycle("GL", 65, 32);
    cycle("GA", 1, 36);
    cycle("GB", 1, 32);
    const auto& s = refreshed();
    EXPECT_EQ(otherCount(s), 64);
    EXPECT_EQ(s.otherSatellites[63].system, 'E');
    EXPECT_EQ(s.otherSatellites[63].prn, 32);

    clock.advance(6000);
    cycle("GL", 65, 0); // GLONASS lost
    cycle("GB", 1, 32);
    const auto& t = refreshed();
    EXPECT_EQ(otherCount(t), 64);
    EXPECT_EQ(others(t).find('R'), std::string::npos);
    EXPECT_EQ(t.otherSatellites[0].system, 'C');

    clock.advance(dgps::kSatelliteAgeLimitMs + 1);
    drain();
    drain();
    EXPECT_EQ(otherCount(refreshed()), 0);
}

} // namespace
} // namespace enginetest
