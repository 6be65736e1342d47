#include "exchange/KeyboardWedge.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "engine/GpsEngine.h"
#include "exchange/WedgeNotice.h"
#include "platform/Prompter.h"
#include "platform/RecordingKeyInjector.h"
#include "support/TestSupport.h"

namespace {

using platform::RecordingKeyInjector;

struct TypeCase {
    const char* text;
    uint8_t separator;
    const char* typed;
};

TEST(WedgeTypeText, TypesEachCharacterWithItsKey) {
    const TypeCase cases[] = {
        {"-12.5", 9, "-12.5"},
        {"N*40*12.34567", 9, "N<Tab>40<Tab>12.34567"},
        {"S 40 12' 3.45\"", 13, "S 40 12' 3.45\""},
        {"Zn 18T 583960.10 E", 9, "Zn 18T 583960.10 E"},
        {"a+b,c/d", 9, "abcd"},
        {"1*2", 0, "12"},
    };
    for (const TypeCase& c : cases) {
        RecordingKeyInjector keys;
        exchange::typeText(keys, c.text, c.separator);
        EXPECT_EQ(keys.text(), c.typed) << c.text;
    }
}

TEST(WedgeTypeText, ShiftWrapsCapitalsAndTheSecondSign) {
    RecordingKeyInjector keys;
    exchange::typeText(keys, "Nn\"-", 9);
    EXPECT_EQ(keys.lines(), "down 16 Shift\ndown 78 N\nup 78 N\nup 16 Shift\n"
                            "down 78 N\nup 78 N\n"
                            "down 16 Shift\ndown 222 Quote\nup 222 Quote\nup 16 Shift\n"
                            "down 109 Keypad Minus\nup 109 Keypad Minus\n");
}

class NoView final : public exchange::WedgeNoticeView {
public:
    void showNotice(std::string_view text) override { shown.emplace_back(text); }
    void hideNotice() override { shown.emplace_back("(hidden)"); }
    std::vector<std::string> shown;
};

class RecordingFocus final : public platform::Focus {
public:
    WindowId foreground() override { return 77; }
    bool bringToFront(WindowId window) override {
        raised.push_back(window);
        return true;
    }
    std::vector<WindowId> raised;
};

constexpr uint8_t kLat = exchange::kWedgeLatitude, kLon = exchange::kWedgeLongitude,
                  kElev = exchange::kWedgeElevation;

class WedgeTest : public testing::Test {
protected:
    WedgeTest() {
        testsupport::shippedTables();
        engine.settings.KWDG = 1;
        engine.settings.Units = 1; // metres
        setList({kLat, 9, kLon, 9, kElev, 13});
    }
    void setList(std::vector<uint8_t> codes) {
        engine.settings.KEYWEDGE.count = static_cast<uint16_t>(codes.size());
        for (size_t i = 0; i < codes.size(); ++i)
            engine.settings.KEYWEDGE.items[i] = codes[i];
        exchange::applyWedgeRules(engine.settings);
    }
    void fix(uint32_t ggaTick, int16_t quality = 1) {
        engine.state.position.ggaTick = ggaTick;
        engine.state.position.quality = quality;
        engine.state.position.latitude = -33.8688;
        engine.state.position.longitude = 151.2093;
        engine.state.position.altitude = 25.0;
    }
    // Hot key, pause and preparation; true when the send started.
    bool hotKey() {
        if (!wedge.hotKeyPressed(true)) return false;
        clock.advance(exchange::kWedgePrepareMs);
        notice.poll();
        return true;
    }
    // Update ticks of 200 ms for ms milliseconds, with the notice's timers.
    void ticks(uint32_t ms) {
        for (uint32_t t = 0; t < ms; t += 200) {
            clock.advance(200);
            notice.poll();
            wedge.tick();
        }
    }

    platform::ManualClock clock;
    platform::RecordingPrompter prompter;
    engine::GpsEngine engine{clock, prompter};
    RecordingKeyInjector keys;
    RecordingFocus focus;
    NoView view;
    exchange::WedgeNotice notice{clock, focus, view};
    exchange::KeyboardWedge wedge{engine, keys, focus, notice};
};

struct TextCase {
    int format;
    int raw;
    int internal;
    int separator;
    double lat, lon;
    std::vector<uint8_t> list;
    const char* typed;
};

TEST_F(WedgeTest, MarkTypesTheSequenceInTheChosenStyle) {
    // clang-format off
    const TextCase cases[] = {
        {0, 1, 0, 9, -33.8688, 151.2093, {kLat, 9, kLon, 9, kElev, 13},
         "-33.8688000<Tab>151.2093000<Tab>25.0<Enter>"},
        {1, 0, 0, 9, 40.2057611667, -105.5, {kLat, 39, kLon},
         "N<Tab>40<Tab>12.34567<Right Arrow>W<Tab>105<Tab>30.00000"},
        {1, 0, 1, 9, -40.2057611667, 10.0, {kLat}, "S 40 12.34567'"},
        {2, 0, 1, 9, 40.2057611667, 10.0, {kLat}, "N 40 12' 20.74\""},
        {3, 0, 0, 9, 40.7128, -74.006, {kLat, 13, kLon},
         "18T<Tab>583959.37<Tab>E<Enter>4507351.00<Tab>N"},
        {3, 0, 1, 9, 40.7128, -74.006, {kLat}, "Zn 18T 583959.37 E"},
        {0, 0, 0, 9, 1.0, 2.0, {9, 13}, ""},
    };
    // clang-format on
    for (const TextCase& c : cases) {
        engine.settings.Format = c.format;
        engine.settings.K_RAW = c.raw;
        engine.settings.K_INTERNAL = c.internal;
        engine.settings.K_INTKEY = c.separator;
        setList(c.list);
        keys.clear();
        wedge.sendMarkWedge(c.lat, c.lon, 25.0);
        EXPECT_EQ(keys.text(), c.typed) << c.format << c.raw << c.internal;
    }
}

TEST_F(WedgeTest, HotKeyTypesAFreshFixIntoTheWindowInFront) {
    engine.settings.K_RAW = 1;
    fix(5000);
    EXPECT_FALSE(wedge.hotKeyPressed(false)); // this program is the active one
    ASSERT_TRUE(hotKey());
    EXPECT_EQ(clock.tickCount(), 1000u + 500u + 125u);
    EXPECT_EQ(view.shown, (std::vector<std::string>{"Preparing to send data.", "(hidden)"}));
    EXPECT_EQ(focus.raised, (std::vector<platform::Focus::WindowId>{77, 77}));
    EXPECT_EQ(keys.modifierWaits(), 1);
    EXPECT_EQ(keys.text(), "-33.8688000<Tab>151.2093000<Tab>25.0<Enter>");
    EXPECT_FALSE(wedge.wedgeBusy());
    EXPECT_EQ(wedge.wedgeLastTick(), 5000u);
}

TEST_F(WedgeTest, SameFixWaitsForTheNextOneAndIgnoresASecondHotKey) {
    engine.settings.K_RAW = 1;
    fix(5000);
    ASSERT_TRUE(hotKey());
    keys.clear();
    view.shown.clear();
    ASSERT_TRUE(hotKey());
    EXPECT_TRUE(wedge.wedgeWaiting());
    EXPECT_FALSE(wedge.hotKeyPressed(true)); // a second hot key during the send
    ticks(400);
    EXPECT_EQ(view.shown, (std::vector<std::string>{"Preparing to send data.", "(hidden)"}));
    ticks(200); // 600 ms of waiting: the notice
    EXPECT_EQ(view.shown.back(), "GPS Data Masked. Please wait for new data.");
    EXPECT_TRUE(keys.events().empty());
    fix(5200);
    ticks(200);
    EXPECT_EQ(view.shown.back(), "(hidden)");
    EXPECT_EQ(keys.text(), "-33.8688000<Tab>151.2093000<Tab>25.0<Enter>");
    EXPECT_FALSE(wedge.wedgeBusy());
}

TEST_F(WedgeTest, MaskedOrMissingFixIsGivenUpAfterFiveSeconds) {
    struct Case {
        int16_t quality;
        float pdop;
    };
    engine.settings.MaskPDOP = 1;
    engine.settings.MaxPDOP = 4.0f;
    for (const Case c : {Case{0, 1.0f}, Case{1, 6.0f}}) {
        fix(5000 + c.quality, c.quality);
        engine.state.dop.pdop = c.pdop;
        ASSERT_TRUE(hotKey());
        ticks(4800);
        EXPECT_TRUE(wedge.wedgeBusy());
        ticks(400);
        EXPECT_FALSE(wedge.wedgeBusy());
        EXPECT_FALSE(wedge.wedgeWaiting());
        EXPECT_TRUE(keys.events().empty());
    }
}

TEST_F(WedgeTest, ListWithoutDataTypesNothingAndFreesTheWedge) {
    setList({9, 13});
    EXPECT_EQ(engine.settings.KEYWEDGE.count, 0);
    fix(5000);
    ASSERT_TRUE(hotKey());
    EXPECT_TRUE(keys.events().empty());
    EXPECT_TRUE(wedge.hotKeyPressed(true));
}

TEST(WedgeRules, RawDataTurnsTheInternalFormatOff) {
    engine::Settings s;
    s.K_RAW = 1;
    s.K_INTERNAL = 1;
    exchange::applyWedgeRules(s);
    EXPECT_EQ(s.K_INTERNAL, 0);
    EXPECT_EQ(s.K_RAW, 1);
}

} // namespace
