#include "engine/FixStatus.h"

#include <gtest/gtest.h>

#include <cmath>
#include <string>

#include "engine/GpsEngine.h"
#include "platform/Clock.h"
#include "platform/Prompter.h"

namespace engine {
namespace {

constexpr uint32_t kNow = 100000;

LinkFlags liveLink() {
    LinkFlags link;
    link.portOpen = 1;
    link.commOk = 1;
    link.dataSeen = 1;
    return link;
}

GpsState fix(int quality, int fixMode, uint32_t ggaTick = kNow) {
    GpsState state;
    state.position.quality = static_cast<int16_t>(quality);
    state.position.ggaTick = ggaTick;
    state.dop.fixMode = static_cast<uint16_t>(fixMode);
    return state;
}

std::u16string status(const GpsState& state, const LinkFlags& link, uint32_t now = kNow) {
    char16_t buffer[32] = u"untouched";
    EXPECT_TRUE(statusText(state, link, now, buffer, 32));
    return buffer;
}

// Marks the first n slots from `first` as used with the given SNR and elevation.
void useSatellites(GpsState& state, int first, int n, int16_t snr, int16_t elevation) {
    for (int slot = first; slot < first + n; ++slot) {
        state.satellites[slot].used = 1;
        state.satellites[slot].snr = snr;
        state.satellites[slot].elevation = elevation;
    }
}

TEST(StatusText, LinkStateComesBeforeTheFixInItsOrder) {
    GpsState good = fix(1, 3);
    LinkFlags link = liveLink();
    link.autoConnecting = 1;
    link.portOpen = 0;
    EXPECT_EQ(status(good, link), u"COM auto cn");
    link.autoConnecting = 0;
    EXPECT_EQ(status(good, link), u"COM discnt.");
    link = liveLink();
    link.commOk = 0;
    link.dataSeen = 0;
    EXPECT_EQ(status(good, link), u"COM errors ");
    link.commOk = 1;
    EXPECT_EQ(status(good, link), u"No COM actv.");
}

TEST(StatusText, PositionOlderThanTheTimeoutIsNoNewData) {
    GpsState state = fix(1, 3, kNow - 3001);
    EXPECT_EQ(status(state, liveLink()), u"No new data");
    state.position.ggaTick = kNow - 3000;
    EXPECT_EQ(status(state, liveLink()), u"3D GPS  ");
}

TEST(StatusText, AgeIsMeasuredAcrossTheTickCounterWrap) {
    GpsState state = fix(2, 3, 0xFFFFFF00u);
    EXPECT_EQ(status(state, liveLink(), 0x100u), u"3D Diff");
}

TEST(StatusText, NoPositionYetIsNoNewDataEvenRightAfterStart) {
    GpsState state; // ggaTick 0: never
    EXPECT_EQ(status(state, liveLink(), 500), u"No new data");
}

TEST(StatusText, KindOfFixByQualityAndMode) {
    struct Case {
        int quality;
        int fixMode;
        const char16_t* text;
    };
    const Case cases[] = {
        {0, 3, u"No Fix     "},      {0, 1, u"No Fix     "}, {1, 3, u"3D GPS  "},
        {1, 2, u"2D GPS"},           {1, 0, u"2D GPS"},      {2, 3, u"3D Diff"},
        {2, 2, u"2D Diff"},          {3, 3, u"3D PPS"},      {3, 1, u"2D PPS"},
        {4, 3, u"3D RTK"},           {5, 2, u"2D RTK"},      {6, 3, u"Undefined State"},
        {-1, 2, u"Undefined State"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(status(fix(c.quality, c.fixMode), liveLink()), c.text)
            << "quality " << c.quality << " mode " << c.fixMode;
}

TEST(StatusText, RefusesABufferBelowTwentyCharacters) {
    char16_t buffer[32] = u"keep";
    EXPECT_FALSE(statusText(fix(1, 3), liveLink(), kNow, buffer, 19));
    EXPECT_EQ(std::u16string(buffer), u"keep");
    EXPECT_TRUE(statusText(fix(6, 3), liveLink(), kNow, buffer, 20));
    EXPECT_EQ(std::u16string(buffer), u"Undefined State");
}

TEST(EstimatedHorizontalError, FactorDependsOnQualityAndMode) {
    GpsState state = fix(1, 2);
    state.dop.gsaHdop = 1.5f;
    EXPECT_DOUBLE_EQ(estimatedHorizontalError(state), 1.5 * 8.0 * 2.0);
    state.dop.fixMode = 3;
    EXPECT_DOUBLE_EQ(estimatedHorizontalError(state), 1.5 * 5.3 * 2.0);
    for (int quality = 2; quality <= 5; ++quality) {
        state.position.quality = static_cast<int16_t>(quality);
        EXPECT_DOUBLE_EQ(estimatedHorizontalError(state), 1.5 * 1.6 * 2.0);
    }
    state.position.quality = 0;
    EXPECT_EQ(estimatedHorizontalError(state), -1.0);
    state.position.quality = 6;
    EXPECT_EQ(estimatedHorizontalError(state), -1.0);
}

class MaskTest : public ::testing::Test {
protected:
    int code(const GpsState& state) {
        int c = -1;
        bool masked = maskCode(state, settings, c);
        EXPECT_EQ(masked, c != MaskPassed);
        return c;
    }
    Settings settings;
};

TEST_F(MaskTest, WithoutMasksOnlyAMissingFixFails) {
    EXPECT_EQ(code(fix(0, 1)), MaskNoFix);
    GpsState poor = fix(1, 2);
    poor.dop.pdop = 99.0f;
    poor.dop.gsaHdop = 50.0f;
    EXPECT_EQ(code(poor), MaskPassed);
}

TEST_F(MaskTest, EheMaskWithoutFixReportsNoFix) {
    settings.MaskEHE = 1;
    settings.MaxEHE = 5.0f;
    GpsState state = fix(0, 1);
    state.dop.gsaHdop = 40.0f;
    EXPECT_EQ(code(state), MaskNoFix);
    state.position.quality = 1;
    EXPECT_EQ(code(state), MaskEheHigh);
    state.dop.gsaHdop = 0.25f; // 0.25 * 8 * 2 = 4 m
    EXPECT_EQ(code(state), MaskPassed);
}

TEST_F(MaskTest, PdopEqualToTheMaximumPasses) {
    settings.MaskPDOP = 1;
    settings.MaxPDOP = 2.7f;
    GpsState state = fix(1, 3);
    state.dop.pdop = 2.7f;
    EXPECT_EQ(code(state), MaskPassed);
    state.dop.pdop = std::nextafter(2.7f, 100.0f);
    EXPECT_EQ(code(state), MaskPdopHigh);
}

TEST_F(MaskTest, SnrMaskNeedsFourUsedSatellitesAtTheMinimum) {
    settings.MaskSNR = 1;
    settings.MinSNR = 30.0f;
    GpsState state = fix(1, 3);
    useSatellites(state, 1, 3, 45, 0);
    EXPECT_EQ(code(state), MaskLowSnr);
    state.satellites[20].snr = 50; // tracked but not used
    EXPECT_EQ(code(state), MaskLowSnr);
    useSatellites(state, 37, 1, 30, 0); // the last slot walked, exactly at the minimum
    EXPECT_EQ(code(state), MaskPassed);
    state.satellites[37].snr = 29;
    EXPECT_EQ(code(state), MaskLowSnr);
}

TEST_F(MaskTest, ElevationMaskCountsUsedSatellitesAboveTheMinimum) {
    settings.MaskElev = 1;
    settings.MinElev = 15.0f;
    GpsState state = fix(1, 3);
    useSatellites(state, 5, 4, 40, 14);
    EXPECT_EQ(code(state), MaskLowElevation);
    useSatellites(state, 5, 4, 40, 15);
    EXPECT_EQ(code(state), MaskPassed);
}

TEST_F(MaskTest, FirstFailingTestInOrderDecides) {
    settings.Mask3D = settings.MaskPDOP = settings.MaskDGPS = settings.MaskSNR = 1;
    settings.MaxPDOP = 3.0f;
    GpsState state = fix(3, 2); // PPS, 2D, PDOP too high, no satellites
    state.dop.pdop = 9.0f;
    EXPECT_EQ(code(state), MaskNo3D);
    state.dop.fixMode = 3;
    EXPECT_EQ(code(state), MaskPdopHigh);
    state.dop.pdop = 2.0f;
    EXPECT_EQ(code(state), MaskNoDgps); // a PPS fix is not differential
    state.position.quality = 2;
    EXPECT_EQ(code(state), MaskLowSnr);
}

TEST_F(MaskTest, MaskTextAppendsTheReasonAndNeverOverflows) {
    char16_t buffer[32] = u"Point 4: ";
    EXPECT_TRUE(maskText(fix(0, 1), settings, buffer, 32));
    EXPECT_EQ(std::u16string(buffer), u"Point 4: No Fix");

    settings.MaskElev = 1;
    char16_t small[16] = {};
    small[15] = u'#';
    std::u16string prefix = u"Pt: ";
    prefix.copy(small, prefix.size());
    EXPECT_TRUE(maskText(fix(1, 3), settings, small, 12));
    EXPECT_EQ(std::u16string(small), u"Pt: low sat"); // 11 characters and the terminator
    EXPECT_EQ(small[15], u'#');

    char16_t passing[8] = u"kept";
    settings.MaskElev = 0;
    EXPECT_FALSE(maskText(fix(1, 3), settings, passing, 8));
    EXPECT_EQ(std::u16string(passing), u"kept");
}

TEST(FixStatusEngine, EngineFormsReadStateLinkAndClock) {
    platform::ManualClock clock(50000);
    platform::RecordingPrompter prompter;
    GpsEngine engine(clock, prompter);
    engine.link.portOpen = engine.link.dataSeen = 1;
    engine.state.position.quality = 2;
    engine.state.position.ggaTick = 50000;
    engine.state.dop.fixMode = 3;
    engine.state.dop.gsaHdop = 1.0f;
    char16_t buffer[20];
    ASSERT_TRUE(statusText(engine, buffer, 20));
    EXPECT_EQ(std::u16string(buffer), u"3D Diff");
    clock.advance(3001);
    ASSERT_TRUE(statusText(engine, buffer, 20));
    EXPECT_EQ(std::u16string(buffer), u"No new data");
    EXPECT_DOUBLE_EQ(estimatedHorizontalError(engine), 3.2);

    engine.settings.MaskEHE = 1;
    engine.settings.MaxEHE = 3.0f;
    int c = 0;
    EXPECT_TRUE(maskCode(engine, c));
    EXPECT_EQ(c, MaskEheHigh);
    char16_t reason[16] = {};
    EXPECT_TRUE(maskText(engine, reason, 16));
    EXPECT_EQ(std::u16string(reason), u"EHE high");
}

} // namespace
} // namespace engine
