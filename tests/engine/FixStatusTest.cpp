#include "engine/FixStatus.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <string>

#include "engine/GpsEngine.h"
#include "platform/Clock.h"
#include "platform/Prompter.h"

namespace engine {
namespace {

constexpr uint32_t kNow = 100000;
constexpr float kNan = std::numeric_limits<float>::quiet_NaN();
constexpr float kInf = std::numeric_limits<float>::infinity();

LinkFlags liveLink() {
    LinkFlags link;
    link.portOpen = link.commOk = link.dataSeen = 1;
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

// Marks n slots from `first` as used with the given SNR and elevation.
void useSatellites(GpsState& state, int first, int n, int16_t snr, int16_t elevation) {
    for (int slot = first; slot < first + n; ++slot) {
        state.satellites[slot].used = 1;
        state.satellites[slot].snr = snr;
        state.satellites[slot].elevation = elevation;
    }
}

TEST(StatusText, LinkStateComesBeforeTheFixInItsOrder) {
    LinkFlags link = liveLink();
    link.autoConnecting = 1;
    link.portOpen = 0;
    EXPECT_EQ(status(fix(1, 3), link), u"COM auto cn");
    link.autoConnecting = 0;
    EXPECT_EQ(status(fix(1, 3), link), u"COM discnt.");
    link = liveLink();
    link.commOk = link.dataSeen = 0;
    EXPECT_EQ(status(fix(1, 3), link), u"COM errors ");
    link.commOk = 1;
    EXPECT_EQ(status(fix(1, 3), link), u"No COM actv.");
}

TEST(StatusText, PositionAgeDecidesNoNewData) {
    EXPECT_EQ(status(fix(1, 3, kNow - 3001), liveLink()), u"No new data");
    EXPECT_EQ(status(fix(1, 3, kNow - 3000), liveLink()), u"3D GPS  ");
    EXPECT_EQ(status(fix(2, 3, 0xFFFFFF00u), liveLink(), 0x100u), u"3D Diff"); // across the wrap
    EXPECT_EQ(status(fix(1, 3, 0), liveLink(), 500), u"No new data");          // never received
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

TEST(EstimatedHorizontalError, ByQualityModeAndHdop) {
    struct Case {
        int quality;
        int fixMode;
        float hdop;
        double ehe;
    };
    const Case cases[] = {
        {1, 2, 1.5f, 24.0},
        {1, 3, 1.5f, 15.9},
        {2, 3, 1.5f, 4.8},
        {5, 2, 1.5f, 4.8},
        {0, 3, 1.5f, -1.0},
        {6, 3, 1.5f, -1.0},
        {1, 3, 0.0f, 0.0},
        // A stale DOP record (-1) or an HDOP that is no number gives no estimate.
        {1, 3, -1.0f, -1.0},
        {2, 3, kNan, -1.0},
        {1, 2, kInf, -1.0},
    };
    for (const Case& c : cases) {
        GpsState state = fix(c.quality, c.fixMode);
        state.dop.gsaHdop = c.hdop;
        EXPECT_DOUBLE_EQ(estimatedHorizontalError(state), c.ehe)
            << "quality " << c.quality << " mode " << c.fixMode << " hdop " << c.hdop;
    }
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
    poor.dop.pdop = kNan;
    poor.dop.gsaHdop = 50.0f;
    EXPECT_EQ(code(poor), MaskPassed);
}

TEST_F(MaskTest, PdopMaskFailsWhatItCannotJudge) {
    settings.MaskPDOP = 1;
    settings.MaxPDOP = 2.7f;
    struct Case {
        float pdop;
        int code;
    };
    const Case cases[] = {{2.7f, MaskPassed},   {std::nextafter(2.7f, 100.0f), MaskPdopHigh},
                          {0.5f, MaskPassed},   {-1.0f, MaskPdopHigh}, // stale record
                          {0.0f, MaskPdopHigh}, {kNan, MaskPdopHigh},
                          {kInf, MaskPdopHigh}};
    for (const Case& c : cases) {
        GpsState state = fix(1, 2);
        state.dop.pdop = c.pdop;
        EXPECT_EQ(code(state), c.code) << c.pdop;
    }
}

TEST_F(MaskTest, EheMaskFailsWhatItCannotJudgeButNoFixStaysNoFix) {
    settings.MaskEHE = 1;
    settings.MaxEHE = 12.72f;
    struct Case {
        int quality;
        float hdop;
        int code;
    };
    const Case cases[] = {
        {1, 1.1f, MaskPassed}, // 11.66 m
        // 12.7200005 m: above 12.72f only when compared in double precision.
        {1, 1.2f, MaskEheHigh},
        {1, 0.0f, MaskPassed},
        {2, -1.0f, MaskEheHigh},
        {1, kNan, MaskEheHigh},
        {6, 1.0f, MaskEheHigh}, // no EHE for an undefined quality
        {0, 40.0f, MaskNoFix},
        {0, -1.0f, MaskNoFix},
    };
    for (const Case& c : cases) {
        GpsState state = fix(c.quality, 3);
        state.dop.gsaHdop = c.hdop;
        EXPECT_EQ(code(state), c.code) << "quality " << c.quality << " hdop " << c.hdop;
    }
}

TEST_F(MaskTest, SnrMaskNeedsFourUsedSatellitesAtTheMinimum) {
    settings.MaskSNR = 1;
    settings.MinSNR = 30.0f;
    GpsState state = fix(1, 3);
    useSatellites(state, 1, 3, 45, 0);
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
    char16_t small[16] = u"Pt: ";
    small[15] = u'#';
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
    engine.state = fix(2, 3, 50000);
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
