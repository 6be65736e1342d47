// Framing of the byte stream: reads split anywhere, sentence and field limits, malformed input
// and the reset.

#include <cstring>
#include <vector>

#include "NmeaFixture.h"

namespace enginetest {
namespace {

class DgpsFraming : public NmeaFixture {
protected:
    void SetUp() override {
        NmeaFixture::SetUp();
        dgps::setSentenceObserver(
            [](void* self, dgps::SentenceKind, const char* text) {
                static_cast<DgpsFraming*>(self)->decoded.emplace_back(text);
            },
            this);
    }
    void TearDown() override { dgps::setSentenceObserver(nullptr, nullptr); }

    std::vector<std::string> decoded;
};

TEST_F(DgpsFraming, SentenceSplitAcrossReadsAtEveryPosition) {
    const std::string text = "noise" + nmea(kExampleGga);
    for (size_t cut = 0; cut <= text.size(); ++cut) {
        dgps::resetParser();
        decoded.clear();
        feed(text.substr(0, cut));
        feed(text.substr(cut));
        ASSERT_EQ(decoded.size(), 1u) << "cut at " << cut;
        EXPECT_EQ(refreshed().position.satellitesUsed, 8);
    }
}

TEST_F(DgpsFraming, SentenceMustFitTheBufferWithItsTerminator) {
    // "$" + body + "*HH" is 4 characters longer than body; the station field pads it.
    auto ofLength = [](size_t length) {
        std::string body = std::string(kExampleGga) + "0";
        body += std::string(length - 4 - body.size(), '1');
        return nmea(body);
    };
    feed(ofLength(255) + ofLength(256) + ofLength(400));
    ASSERT_EQ(decoded.size(), 1u);
    EXPECT_EQ(decoded[0].size(), 255u);
    feed(nmea(kExampleGga)); // the framer is hunting again
    EXPECT_EQ(decoded.size(), 2u);
}

TEST_F(DgpsFraming, OverlongFieldIsCutInGgaAndEndsGsv) {
    std::string longAltitude = "545.4" + std::string(60, '0');
    send("GPGGA,123519,4807.038,N,01131.000,E,1,08,0.9," + longAltitude + ",M,46.9,M,,");
    const auto& p = refreshed().position;
    EXPECT_DOUBLE_EQ(p.altitude, 545.4);
    EXPECT_EQ(p.altitudeUnit, 'M') << "the fields after the cut one stay in place";
    EXPECT_FLOAT_EQ(p.geoidSeparation, 46.9f);
    send("GPGSV,1,1,02,04,45,120,40,07,30," + std::string(60, '2') + ",35");
    EXPECT_EQ(refreshed().satellites[4].prn, 4);
    EXPECT_EQ(engine.state.satellites[7].prn, 0);
    // 49 characters still fit the field buffer; 50 do not.
    send("GPGSV,1,1,02,09,10," + std::string(46, '0') + "020,30,11,12," + std::string(47, '0') +
         "022,31");
    EXPECT_EQ(refreshed().satellites[9].azimuth, 20);
    EXPECT_EQ(engine.state.satellites[11].prn, 0);
}

TEST_F(DgpsFraming, MalformedBytesAreDropped) {
    std::string withNul = nmea(kExampleGga);
    withNul[10] = '\0';
    std::string withFf = nmea(kExampleGga);
    withFf[20] = '\xff';
    std::string wrongSum = nmea(kExampleGga);
    wrongSum[wrongSum.size() - 3] ^= 1;
    feed(withNul + withFf + wrongSum);
    feed("$GPGGA,123519,4807.038,N,01131.000,E,1,08,0.9,545.4,M,46.9,M,,\r\n");
    feed("$GPGGA,123519,4807.038,N,01131.000,E,1,09,0.9,545.4,M,46.9,M,,*G7\r\n");
    feed("$GP*\r\n$*00\r\n$$$**\r\n");
    EXPECT_TRUE(decoded.empty());
    EXPECT_EQ(refreshed().position.ggaTick, 0u);
    // A sentence without '*' is dropped at the next '$'; the next one, with its checksum in
    // lower-case hexadecimal, is whole.
    feed("$GPGGA,123519,4807.038,N" + nmea(kExampleGga, true));
    EXPECT_EQ(decoded.size(), 1u);
}

TEST_F(DgpsFraming, ResetParserDropsWhatTheLinkBrought) {
    send("GPGSV,1,1,01,122,20,250,33");
    send("GPVTG,054.7,T,034.4,M,005.5,N,010.2,K");
    feed(nmea(kExampleGga));
    const std::string cut = nmea(kExampleGga);
    feed(cut.substr(0, 30));
    const std::string pending = nmea("GPVTG,010.0,T,,M,001.0,N,001.9,K");
    ASSERT_EQ(dgps::putBytes(reinterpret_cast<const uint8_t*>(pending.data()), pending.size()),
              dgps::kPutAllStored);
    dgps::resetParser();
    const auto& s = refreshed();
    EXPECT_EQ(text(s.position) + " | " + text(s.dop) + " | " + text(s.satellites[33]) + " | " +
                  text(s.magVar),
              "0 0 0- q0 n0 h-1 g0- d-1 No Fix 000000 | -1 v0 [] 0 0 0 | 0 0/0/0 u0 v0 | 0-");
    EXPECT_EQ(s.position.ggaTick + s.motion.motionTick + dgps::sbasPrn(33), 0u);
    decoded.clear();
    EXPECT_EQ(dgps::runFramer(), 0) << "the unread bytes are gone";
    feed(cut.substr(30)); // the rest of the sentence cut by the reset
    EXPECT_TRUE(decoded.empty());
}

} // namespace
} // namespace enginetest
