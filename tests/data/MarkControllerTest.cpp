#include "data/MarkController.h"

#include <gtest/gtest.h>

#include <cstring>
#include <deque>
#include <functional>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "data/MarkView.h"
#include "data/OffsetInput.h"
#include "engine/GpsEngine.h"
#include "geodesy/Utm.h"
#include "platform/Clock.h"
#include "platform/Prompter.h"
#include "platform/Utf.h"
#include "support/TestSupport.h"

namespace {

using data::MarkButton;
using platform::toUtf8;

class RecordingView final : public data::ScreenlessMarkView {
public:
    void showVerdict(const std::u16string& text) override { verdict = toUtf8(text); }
    void showPoint(const data::MarkTexts& texts) override { pointEhe = toUtf8(texts.ehe); }
    void clearPoint() override { pointEhe.clear(); }
    void showWaypointNumber(const std::u16string& text) override { number = toUtf8(text); }
    void setName(const std::u16string& text) override { nameText = text; }
    std::u16string name() const override { return nameText; }
    void setButtonText(MarkButton b, const std::u16string& text) override {
        buttons[b] = toUtf8(text);
    }
    // Shows the values it was given, then answers from the script (nothing: Cancel).
    bool askOffset(data::OffsetInputValues& values) override {
        shown.push_back(values);
        if (whileAsked) whileAsked();
        const auto answer = offsetAnswers.front();
        offsetAnswers.pop_front();
        if (!answer) return false;
        values.distance = (*answer)[0];
        values.direction = (*answer)[1];
        values.slope = (*answer)[2];
        return true;
    }
    void markClosed(bool exported) override { closed.push_back(exported); }

    std::string verdict, pointEhe, number;
    std::u16string nameText;
    std::map<MarkButton, std::string> buttons;
    std::deque<std::optional<std::vector<double>>> offsetAnswers;
    std::vector<data::OffsetInputValues> shown;
    std::vector<bool> closed;
    std::function<void()> whileAsked; // what happens while "Offset Input" is up
};

class MarkControllerTest : public ::testing::Test {
protected:
    void SetUp() override {
        testsupport::shippedTables();
        std::strcpy(engine.settings.WaypointPath, dir.path().c_str());
        std::strcpy(engine.settings.WaypointFilename, "marks.txt");
        std::strcpy(engine.settings.DataExchangePath, dir.path().c_str());
        engine.waypoints.waypointFileOpen = true;
        engine.settings.MaskPDOP = 1;
        engine.settings.MaxPDOP = 3.0f;
        engine.link.portOpen = engine.link.commOk = 1;
    }
    // A new fix number k: latitude 48 + k/1000, altitude 100 + k, local second k; masked by PDOP.
    void fix(int k, bool masked = false, int16_t quality = 1) {
        auto& p = engine.state.position;
        p.ggaTick = 5000 + k;
        p.latitude = 48.0 + k / 1000.0;
        p.longitude = 11.5;
        p.altitude = 100.0 + k;
        p.quality = quality;
        engine.state.dop.fixMode = 3;
        engine.state.dop.gsaHdop = 1.0f;
        engine.state.dop.pdop = masked ? 5.0f : 2.0f;
        clock.setLocalTime({2026, 5, 2, 12, 8, 30, static_cast<uint16_t>(k), 0});
    }
    std::string dtex() { return testsupport::readFile(dir.file("dtex.txt")); }

    testsupport::TempDir dir;
    platform::ManualClock clock;
    platform::RecordingPrompter prompter;
    engine::GpsEngine engine{clock, prompter};
    RecordingView view;
    data::MarkController mark{engine, view};
};

TEST_F(MarkControllerTest, AveragesGoodNewFixesAndStoresWhenStoreWaited) {
    struct Case {
        int pointsAveraged;
        const char* fixes; // G good, M masked (each a new tick), = the last tick seen again
        int fixCount, skipCount;
        double latitude, altitude;
        uint16_t second; // of the first good fix
    };
    const Case cases[] = {
        {5, "GG=MGG=MG", 5, 2, 48.0038, 103.8, 1},
        {0, "MG", 1, 1, 48.002, 102.0, 2}, // no average of no fix: one fix is taken
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.fixes);
        engine.waypoints.reset();
        engine.settings.PointAveraging = 1;
        engine.settings.PointsAveraged = c.pointsAveraged;
        view.closed.clear();
        mark.open(true);
        mark.pressStore(); // before any fix: starts the average
        EXPECT_EQ(view.buttons[MarkButton::Average], "Averaging");
        EXPECT_EQ(view.buttons[MarkButton::Store], "Waiting");
        int k = 0;
        for (const char* e = c.fixes; *e; ++e) {
            if (*e != '=') fix(++k, *e == 'M');
            mark.update();
        }
        const data::MarkState& s = mark.state();
        EXPECT_EQ(s.fixCount, c.fixCount);
        EXPECT_EQ(s.skipCount, c.skipCount);
        EXPECT_DOUBLE_EQ(s.measured.latitude, c.latitude);
        EXPECT_DOUBLE_EQ(s.final.altitude, c.altitude);
        EXPECT_DOUBLE_EQ(s.ehe, 10.6);
        EXPECT_EQ(view.closed, std::vector<bool>{false});
        ASSERT_EQ(engine.waypoints.count(), 1);
        const engine::Waypoint& w = engine.waypoints.at(engine.waypoints.first());
        EXPECT_EQ(toUtf8(w.name), "MarkID1");
        EXPECT_EQ(w.positionCount, c.fixCount);
        EXPECT_DOUBLE_EQ(w.latitude, c.latitude);
        EXPECT_EQ(w.time.wSecond, c.second);
        EXPECT_NE(testsupport::readFile(dir.file("marks.txt")).find(",1,MarkID1,48.00"),
                  std::string::npos);
    }
}

TEST_F(MarkControllerTest, SingleFixCountsMaskedFixesOnceEach) {
    fix(1, true);
    mark.open(true);
    EXPECT_EQ(view.verdict, "Masked:PDOP high");
    mark.update(); // the same tick again
    fix(2, true);
    mark.update();
    EXPECT_EQ(mark.state().skipCount, 2);
    EXPECT_FALSE(mark.state().positionReady);
    fix(3);
    mark.update();
    EXPECT_TRUE(mark.state().positionReady);
    EXPECT_EQ(view.verdict, "Valid (Skip=2)");
    EXPECT_EQ(view.pointEhe, "34.8 ft");
    EXPECT_DOUBLE_EQ(mark.state().measured.latitude, 48.003);
}

TEST_F(MarkControllerTest, ExportWithdrawsAWaitingStore) {
    for (int exptwpt : {0, 1}) {
        SCOPED_TRACE(exptwpt);
        engine.waypoints.reset();
        engine.settings.EXPTWPT = exptwpt;
        engine.settings.DataExchange = 1;
        view.closed.clear();
        fix(1, false, 0);
        mark.open(true);
        mark.pressStore();
        mark.pressExport();
        EXPECT_EQ(view.buttons[MarkButton::Store], "Store WPT");
        EXPECT_EQ(view.buttons[MarkButton::Export], "Waiting");
        fix(2);
        mark.update();
        EXPECT_EQ(view.closed, std::vector<bool>{true});
        EXPECT_EQ(view.buttons[MarkButton::Export], "Export");
        EXPECT_EQ(engine.waypoints.count(), exptwpt);
        EXPECT_NE(dtex().find("\nNUMRDG: 1\n"), std::string::npos);
    }
}

TEST_F(MarkControllerTest, OffsetMovesThePointOnTheGridAndKeepsItsReference) {
    struct Case {
        char heading;
        int32_t units;
        std::vector<double> entered; // distance, direction, slope as shown
        double storedDirection, east, north, up;
        const char *label, *exportedDirection;
    };
    const Case cases[] = {
        {'T', 1, {10, 90, 0}, 90, 10, 0, 0, "Ref:True North", "90.00"},
        {'T', 4, {10, 90, 30}, 90, 8.660, 0, 5, "Ref:True North", "90.00"},
        {'T', 0, {32.81, 180, 0}, 180, 0, -10.0006, 0, "Ref:True North", "180.00"},
        {'M', 1, {10, 100, 0}, 110, 9.397, -3.420, 0, "Ref:Mag North. Dec.Angl= 10.00", "100.00"},
        {'M', 1, {10, 0.3, 0}, 0.3, 0.052, 10, 0, "Ref:Mag North. Dec.Angl= 10.00", "-9.70"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.storedDirection);
        engine.settings.Heading = c.heading;
        engine.settings.HeadingUserDecl = 10;
        engine.settings.Units = c.units;
        engine.settings.DataExchange = 1;
        fix(1);
        mark.open(false);
        view.offsetAnswers = {c.entered};
        mark.pressOffset();
        const data::MarkState& s = mark.state();
        EXPECT_EQ(view.shown.back().referenceLabel, c.label);
        EXPECT_NEAR(s.offsetDirection, c.storedDirection, 1e-9);
        EXPECT_EQ(view.buttons[MarkButton::Offset], "Offset ON");
        double n0, e0, n1, e1;
        char zone[geodesy::kUtmZoneTextSize];
        const auto& t = testsupport::shippedTables();
        geodesy::utmFromGeodetic(t, "WGE", s.measured.latitude, s.measured.longitude, n0, e0, zone);
        geodesy::utmFromGeodetic(t, "WGE", s.final.latitude, s.final.longitude, n1, e1, zone);
        EXPECT_NEAR(e1 - e0, c.east, 0.001);
        EXPECT_NEAR(n1 - n0, c.north, 0.001);
        EXPECT_NEAR(s.final.altitude - s.measured.altitude, c.up, 1e-9);
        mark.pressExport();
        EXPECT_NE(dtex().find(std::string("\nOFFSET-DIRECTION: ") + c.exportedDirection + "\n"),
                  std::string::npos)
            << dtex();
    }
}

TEST_F(MarkControllerTest, OffsetOutOfRangeIsAskedAgainAndCancelKeepsTheOffset) {
    fix(1);
    mark.open(true);
    view.offsetAnswers = {std::vector<double>{10, 400, 0}, std::vector<double>{-1, 45, 0},
                          std::vector<double>{10, 45, 0}, std::nullopt};
    mark.pressOffset();
    EXPECT_EQ(prompter.messages(),
              (std::vector<std::string>{"Enter a number between -360 and 360.",
                                        "Enter a number between 0 and 10000000."}));
    mark.pressOffset(); // shown again as taken, then cancelled
    EXPECT_DOUBLE_EQ(view.shown.back().direction, 45);
    EXPECT_DOUBLE_EQ(view.shown.back().distance, 10); // in feet
    EXPECT_NEAR(mark.state().offsetDistance, 3.048, 1e-6);
    EXPECT_TRUE(mark.state().offsetOn);
    EXPECT_EQ(mark.state().directionRef, engine::kTrueNorthRef);
    EXPECT_DOUBLE_EQ(mark.state().offsetDirection, 45);
}

TEST_F(MarkControllerTest, UpdatesWaitWhileTheOffsetIsBeingEntered) {
    // The refresh goes on while "Offset Input" is up; the waiting store must not complete the
    // point (and close the mark) under it, or the offset typed would be lost.
    engine.settings.PointAveraging = 1;
    engine.settings.PointsAveraged = 1;
    fix(1);
    mark.open(true);
    mark.pressStore();
    view.whileAsked = [&] {
        fix(2);
        mark.update();
    };
    view.offsetAnswers = {std::vector<double>{10, 90, 0}};
    mark.pressOffset();
    EXPECT_TRUE(view.closed.empty());
    EXPECT_EQ(mark.state().fixCount, 0u);
    mark.update();
    ASSERT_EQ(view.closed, std::vector<bool>{false});
    EXPECT_TRUE(engine.waypoints.at(engine.waypoints.first()).offsetOn);
}

TEST_F(MarkControllerTest, NameIsCutAtThirtyOrNumberedWhenEmpty) {
    for (int i = 1; i <= 6; ++i)
        engine.waypoints.at(engine.waypoints.append()).number = static_cast<int16_t>(i);
    fix(1);
    mark.open(true);
    EXPECT_EQ(toUtf8(view.nameText), "MarkID7");
    EXPECT_EQ(view.number, "7");
    mark.nameEdited(std::u16string(29, u'a'));
    EXPECT_TRUE(prompter.messages().empty());
    mark.nameEdited(std::u16string(31, u'b'));
    EXPECT_EQ(prompter.messages(), std::vector<std::string>{data::kMarkNameTooLong});
    EXPECT_EQ(view.nameText, std::u16string(30, u'b'));
    view.nameText.clear();
    mark.pressStore();
    EXPECT_EQ(toUtf8(engine.waypoints.at(engine.waypoints.slotAt(6)).name), "7");
}

} // namespace
