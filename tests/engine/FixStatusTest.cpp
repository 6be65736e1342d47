#include "engine/FixStatus.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <string>
#include <tuple>

#include "engine/GpsEngine.h"

namespace engine {
namespace {

constexpr uint32_t kNow = 100000;
constexpr float kNan = std::numeric_limits<float>::quiet_NaN();
constexpr float kInf = std::numeric_limits<float>::infinity();

LinkFlags link(int portOpen = 1, int commOk = 1, int dataSeen = 1, int autoConnecting = 0) {
    return {.autoConnecting = autoConnecting,
            .portOpen = portOpen,
            .commOk = commOk,
            .dataSeen = dataSeen};
}

GpsState fix(int quality, int fixMode, uint32_t ggaTick = kNow) {
    GpsState state;
    state.position.quality = static_cast<int16_t>(quality);
    state.position.ggaTick = ggaTick;
    state.dop.fixMode = static_cast<uint16_t>(fixMode);
    return state;
}

std::u16string status(const GpsState& state, const LinkFlags& l = link(), uint32_t now = kNow) {
    char16_t buffer[32] = u"untouched";
    EXPECT_TRUE(statusText(state, l, now, buffer, 32));
    return buffer;
}

TEST(StatusText, LinkStateFirstThenKindOfFix) {
    // portOpen, commOk, dataSeen, autoConnecting, quality, fixMode, text
    const std::tuple<int, int, int, int, int, int, const char16_t*> cases[] = {
        {0, 1, 1, 1, 1, 3, u"COM auto cn"},     {0, 1, 1, 0, 1, 3, u"COM discnt."},
        {1, 0, 0, 0, 1, 3, u"COM errors "},     {1, 1, 0, 0, 1, 3, u"No COM actv."},
        {1, 1, 1, 0, 0, 3, u"No Fix     "},     {1, 1, 1, 0, 1, 3, u"3D GPS  "},
        {1, 1, 1, 0, 1, 0, u"2D GPS"},          {1, 1, 1, 0, 2, 3, u"3D Diff"},
        {1, 1, 1, 0, 2, 2, u"2D Diff"},         {1, 1, 1, 0, 3, 3, u"3D PPS"},
        {1, 1, 1, 0, 3, 1, u"2D PPS"},          {1, 1, 1, 0, 4, 3, u"3D RTK"},
        {1, 1, 1, 0, 5, 2, u"2D RTK"},          {1, 1, 1, 0, 6, 3, u"Undefined State"},
        {1, 1, 1, 0, -1, 2, u"Undefined State"}};
    for (auto [portOpen, commOk, dataSeen, autoConnecting, quality, fixMode, text] : cases)
        EXPECT_EQ(status(fix(quality, fixMode), link(portOpen, commOk, dataSeen, autoConnecting)),
                  text)
            << "quality " << quality << " mode " << fixMode;
}

TEST(StatusText, PositionAgeDecidesNoNewData) {
    EXPECT_EQ(status(fix(1, 3, kNow - 3001)), u"No new data");
    EXPECT_EQ(status(fix(1, 3, kNow - 3000)), u"3D GPS  ");
    EXPECT_EQ(status(fix(2, 3, 0xFFFFFF00u), link(), 0x100u), u"3D Diff"); // across the wrap
    EXPECT_EQ(status(fix(1, 3, 0), link(), 500), u"No new data");          // never received
}

TEST(EstimatedHorizontalError, ByQualityModeAndHdop) {
    // quality, fix mode, HDOP, EHE; a stale DOP record (-1) or an HDOP that is no number gives no
    // estimate.
    const std::tuple<int, int, float, double> cases[] = {
        {1, 2, 1.5f, 24.0}, {1, 3, 1.5f, 15.9}, {2, 3, 1.5f, 4.8}, {5, 2, 1.5f, 4.8},
        {0, 3, 1.5f, -1.0}, {6, 3, 1.5f, -1.0}, {1, 3, 0.0f, 0.0}, {1, 3, -1.0f, -1.0},
        {2, 3, kNan, -1.0}, {1, 2, kInf, -1.0}};
    for (auto [quality, fixMode, hdop, ehe] : cases) {
        GpsState state = fix(quality, fixMode);
        state.dop.gsaHdop = hdop;
        EXPECT_DOUBLE_EQ(estimatedHorizontalError(state), ehe)
            << "quality " << quality << " mode " << fixMode << " hdop " << hdop;
    }
}

class MaskTest : public ::testing::Test {
protected:
    int code(const GpsState& state) {
        int c = -1;
        const bool masked = maskCode(state, settings, c);
        EXPECT_EQ(masked, c != MaskPassed);
        return c;
    }
    // Marks slots first..last as used with the given SNR and elevation.
    static void use(GpsState& state, int first, int last, int16_t snr, int16_t elevation) {
        for (int slot = first; slot <= last; ++slot)
            state.satellites[slot] = {0, 0, 0, elevation, snr, 1, 0};
    }
    Settings settings;
};

TEST_F(MaskTest, PdopMaskFailsWhatItCannotJudge) {
    GpsState poor = fix(1, 2);
    poor.dop.pdop = kNan;
    poor.dop.gsaHdop = 50.0f;
    EXPECT_EQ(code(poor), MaskPassed) << "no mask on";
    settings.MaskPDOP = 1;
    settings.MaxPDOP = 2.7f;
    // A stale record's -1, 0 before any GSA and no number all fail.
    const std::pair<float, int> cases[] = {
        {2.7f, MaskPassed},   {std::nextafter(2.7f, 100.0f), MaskPdopHigh},
        {0.5f, MaskPassed},   {-1.0f, MaskPdopHigh},
        {0.0f, MaskPdopHigh}, {kNan, MaskPdopHigh},
        {kInf, MaskPdopHigh}};
    for (auto [pdop, expected] : cases) {
        poor.dop.pdop = pdop;
        EXPECT_EQ(code(poor), expected) << pdop;
    }
}

TEST_F(MaskTest, EheMaskFailsWhatItCannotJudgeButNoFixStaysNoFix) {
    settings.MaskEHE = 1;
    settings.MaxEHE = 12.72f;
    const std::tuple<int, float, int> cases[] = {
        // quality, HDOP, code
        {1, 1.1f, MaskPassed}, // 11.66 m
        // 12.7200005 m: above 12.72f only when compared in double precision.
        {1, 1.2f, MaskEheHigh},
        {1, 0.0f, MaskPassed},
        {2, -1.0f, MaskEheHigh},
        {1, kNan, MaskEheHigh},
        {6, 1.0f, MaskEheHigh}, // no EHE for an undefined quality
        {0, 40.0f, MaskNoFix},
        {0, -1.0f, MaskNoFix}};
    for (auto [quality, hdop, expected] : cases) {
        GpsState state = fix(quality, 3);
        state.dop.gsaHdop = hdop;
        EXPECT_EQ(code(state), expected) << "quality " << quality << " hdop " << hdop;
    }
}

TEST_F(MaskTest, SnrNeedsFourUsedSatellitesAtTheMinimum) {
    settings.MaskSNR = 1;
    settings.MinSNR = 30.0f;
    GpsState state = fix(1, 3);
    use(state, 1, 3, 45, 0);
    state.satellites[20].snr = 50; // tracked but not used
    EXPECT_EQ(code(state), MaskLowSnr);
    use(state, 37, 37, 30, 0); // the last slot walked, exactly at the minimum
    EXPECT_EQ(code(state), MaskPassed);
    state.satellites[37].snr = 29;
    EXPECT_EQ(code(state), MaskLowSnr);
}

} // namespace
} // namespace engine
