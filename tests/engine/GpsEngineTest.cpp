// The engine's state refresh, reset and start-up values.

#include <thread>

#include "NmeaFixture.h"

namespace enginetest {
namespace {

using GpsEngineState = NmeaFixture;

TEST_F(GpsEngineState, ReceiveBytesNotesTheArrival) {
    clock.advance(42);
    feed("x");
    EXPECT_EQ(engine.link.dataSeen, 1);
    EXPECT_EQ(engine.lastDataTick, clock.tickCount());
}

TEST_F(GpsEngineState, RefreshSkipsTickWhileTheLockIsBusy) {
    feed(nmea(kExampleGga));
    bool refreshed = true;
    {
        std::lock_guard<std::mutex> reader(engine.lock());
        std::thread timer([&] { refreshed = engine.refresh(); });
        timer.join();
    }
    EXPECT_FALSE(refreshed);
    EXPECT_EQ(engine.state.position.ggaTick, 0u);
    EXPECT_TRUE(engine.refresh());
    EXPECT_EQ(engine.state.position.satellitesUsed, 8);
}

TEST_F(GpsEngineState, RefreshPublishesTheCopiedState) {
    struct Recorder : engine::StatePublisher {
        void publish(const engine::GpsState& state) override {
            ++count;
            latitude = state.position.latitude;
        }
        int count = 0;
        double latitude = 0;
    } recorder;
    engine.setPublisher(&recorder);
    feed(nmea(kExampleGga));
    EXPECT_TRUE(engine.refresh());
    EXPECT_EQ(recorder.count, 1);
    EXPECT_NEAR(recorder.latitude, 48.1173, 1e-9);
    engine.setPublisher(nullptr);
}

TEST_F(GpsEngineState, ResetKeepsVariationUnitsAndViewFlags) {
    send("GPGSA,A,1,,,,,,,,,,,,,,,");
    send("GPGSV,1,1,01,04,45,120,40");
    send("GPGSA,A,3,04,,,,,,,,,,,,2.1,1.2,1.7");
    send("GPVTG,054.7,T,034.4,M,005.5,N,010.2,K");
    feed(nmea(kExampleGga));
    ASSERT_TRUE(engine.refresh());

    engine.resetGpsState();
    const auto& s = engine.state;
    EXPECT_EQ(s.position.latitude, 0.0);
    EXPECT_EQ(s.position.ggaTick, 0u);
    EXPECT_FLOAT_EQ(s.position.hdop, -1.0f);
    EXPECT_EQ(std::u16string(s.position.fixText), u"No Fix");
    EXPECT_EQ(s.dop.fixMode, 1);
    EXPECT_EQ(s.dop.pdop, 0.0f);
    EXPECT_EQ(s.dop.usedSlots[0], 0);
    EXPECT_EQ(s.satellites[4].prn, 0);
    EXPECT_EQ(s.satellites[4].used, 0);
    EXPECT_EQ(s.satellites[4].inView, 1);
    EXPECT_EQ(s.motion.speed, 0.0f);
    EXPECT_FLOAT_EQ(s.motion.trackMagnetic, 34.4f);
    EXPECT_EQ(s.magVar.magVarDir, 'E');
    EXPECT_NEAR(s.magVar.magVar, 20.3f, 1e-4);
    EXPECT_EQ(s.position.altitudeUnit, 'M');
    EXPECT_FLOAT_EQ(s.position.geoidSeparation, 46.9f);
}

} // namespace
} // namespace enginetest
