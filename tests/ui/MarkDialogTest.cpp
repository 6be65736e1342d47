// The Mark Point dialog as the view of the mark logic: its buttons and name field reach the
// logic, what the logic says is shown, the close reports the exported flag, and the layouts.

#include <QAbstractButton>
#include <QApplication>
#include <QGroupBox>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "data/MarkController.h"
#include "support/NmeaText.h"
#include "support/TestSupport.h"
#include "tests/ui/GpsTestEngine.h"
#include "ui/CMultiMark.h"
#include "ui/COffsetInput.h"

namespace {

struct MarkDialog : testing::Test {
    testsupport::TempDir dir;
    GpsTestEngine gps;
    CMultiMark dialog{gps.prompter};
    data::MarkController mark{gps.engine, dialog};
    std::vector<bool> closed;
    int fixes = 0;

    void SetUp() override {
        testsupport::shippedTables();
        engine::Settings& s = gps.engine.settings;
        std::strcpy(s.WaypointPath, dir.path().c_str());
        std::strcpy(s.WaypointFilename, "marks.txt");
        std::strcpy(s.DataExchangePath, dir.path().c_str());
        s.Units = 4;
        gps.engine.waypoints.waypointFileOpen = true;
        dialog.setController(mark);
        dialog.setClosedCallback([this](bool exported) { closed.push_back(exported); });
    }
    // A new GGA fix a second after the last one, taken into the state.
    void fix() {
        ++fixes;
        gps.clock.advance(1000);
        gps.receive(testsupport::nmea("GPGGA,1200" + std::to_string(10 + fixes) +
                                      ".00,4807.038,N,01131.000,E,1,08,0.9,545.4,M,46.9,M,,"));
        ASSERT_TRUE(gps.engine.refresh());
    }
    void open(int pointAveraging, int pointsAveraged = 2) {
        gps.engine.settings.PointAveraging = pointAveraging;
        gps.engine.settings.PointsAveraged = pointsAveraged;
        mark.open(true);
        dialog.present(false);
    }
    QPushButton* button(const char* name) const { return named<QPushButton>(dialog, name); }
    QString field(const char* group, const char* name) const {
        const QGroupBox* box = named<QGroupBox>(dialog, group);
        return box ? textOf(*box, name) : QStringLiteral("<no group>");
    }
    const QProgressBar& progress() const { return *dialog.findChild<QProgressBar*>(); }
};

TEST_F(MarkDialog, StoreWaitsForTheAverageShowingItsProgressThenCloses) {
    open(1);
    EXPECT_TRUE(dialog.isVisible());
    EXPECT_TRUE(progress().isVisible());
    EXPECT_EQ(named<QLineEdit>(dialog, "Name")->text(), "MarkID1");
    EXPECT_EQ(field("Waypoint", "Number"), "1");
    button("Store WPT")->click();
    ASSERT_NE(button("Waiting"), nullptr); // the button's name follows its text
    ASSERT_NE(button("Averaging"), nullptr);
    EXPECT_EQ(progress().maximum(), 2);
    fix();
    mark.update();
    EXPECT_EQ(progress().value(), 1);
    EXPECT_EQ(field("Current GPS", "Location"), "N  48.1173000 E  11.5166667");
    EXPECT_EQ(field("Waypoint", "Location"), "N  48.1173000 E  11.5166667");
    EXPECT_EQ(field("Waypoint", "Location, second line"), "");
    EXPECT_EQ(field("Waypoint", "Elevation"), " 545.4 m");
    EXPECT_TRUE(closed.empty());
    fix();
    mark.update();
    EXPECT_EQ(closed, std::vector<bool>{false});
    EXPECT_FALSE(dialog.isVisible());
    EXPECT_EQ(gps.engine.waypoints.count(), 1);
    for (const char* name : {"Store WPT", "Export", "Average"})
        EXPECT_NE(button(name), nullptr) << name;
}

TEST_F(MarkDialog, SingleFixIsShownValidAndExportCloses) {
    gps.engine.settings.DataExchange = 1;
    fix();
    open(0);
    EXPECT_FALSE(progress().isVisible());
    EXPECT_EQ(button("Average")->isVisible(), false);
    EXPECT_EQ(field("Current GPS", "Verdict"), "Valid");
    EXPECT_EQ(field("Waypoint", "PDOP"), "0.0");
    button("Export")->click();
    EXPECT_EQ(closed, std::vector<bool>{true});
    EXPECT_FALSE(dialog.isVisible());
}

TEST_F(MarkDialog, CancelCloseAndEscapeEndTheMarkUnexported) {
    const struct {
        const char* how;
        void (*end)(CMultiMark&);
    } cases[] = {
        {"Cancel", [](CMultiMark& d) { named<QPushButton>(d, "Cancel")->click(); }},
        {"close button", [](CMultiMark& d) { d.close(); }},
        {"Escape", [](CMultiMark& d) { QTest::keyClick(&d, Qt::Key_Escape); }},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.how);
        closed.clear();
        open(1);
        button("Export")->click(); // waits for the average
        c.end(dialog);
        EXPECT_EQ(closed, std::vector<bool>{false});
        EXPECT_FALSE(dialog.isVisible());
        EXPECT_FALSE(mark.isOpen());
        EXPECT_NE(button("Export"), nullptr);
    }
}

TEST_F(MarkDialog, TypedNameReachesTheLogicAndOffsetAsksForTheOffset) {
    fix();
    open(0);
    QLineEdit* name = named<QLineEdit>(dialog, "Name");
    name->clear();
    QTest::keyClicks(name, QString(31, QLatin1Char('x')));
    EXPECT_EQ(name->text().size(), 30);
    EXPECT_FALSE(gps.prompter.messages().empty());

    bool asked = false;
    QTimer::singleShot(0, &dialog, [&] {
        auto* offset = qobject_cast<COffsetInput*>(QApplication::activeModalWidget());
        ASSERT_NE(offset, nullptr);
        asked = true;
        named<QLineEdit>(*offset, "Distance")->setText(QStringLiteral("10"));
        offset->accept();
    });
    button("Offset")->click();
    EXPECT_TRUE(asked);
    EXPECT_NE(button("Offset ON"), nullptr);
    EXPECT_NEAR(mark.state().offsetDistance, 10.0, 1e-9);
}

TEST_F(MarkDialog, LocationOfTwoLinesFillsBothFields) {
    const struct {
        const char16_t* location;
        const char* first;
        const char* second;
    } cases[] = {
        {u"N 48 E 11", "N 48 E 11", ""},
        {u"N 48\nE 11", "N 48", "E 11"},
        {u"Zn 32U\r\nN 5330000.00", "Zn 32U", "N 5330000.00"},
    };
    for (const auto& c : cases) {
        dialog.showCurrent({c.location, u"", u"", u""});
        EXPECT_EQ(field("Current GPS", "Location"), c.first);
        EXPECT_EQ(field("Current GPS", "Location, second line"), c.second);
    }
}

TEST_F(MarkDialog, OutsideMarkStaysOnTopAndLayoutFollowsTheAspectRatio) {
    open(1);
    EXPECT_FALSE(dialog.staysOnTop());
    dialog.present(true);
    EXPECT_TRUE(dialog.staysOnTop());
    EXPECT_TRUE(dialog.isVisible());
    dialog.present(false);
    EXPECT_FALSE(dialog.staysOnTop());

    const QGroupBox* current = named<QGroupBox>(dialog, "Current GPS");
    const QGroupBox* point = named<QGroupBox>(dialog, "Waypoint");
    dialog.resize(240, 400);
    EXPECT_FALSE(dialog.landscape());
    EXPECT_GT(point->geometry().top(), current->geometry().bottom());
    dialog.resize(640, 300);
    EXPECT_TRUE(dialog.landscape());
    EXPECT_GT(point->geometry().left(), current->geometry().right());
    EXPECT_EQ(button("Cancel")->geometry().top(), button("Offset")->geometry().top());

    for (const QWidget* w : dialog.findChildren<QWidget*>()) {
        const bool control = qobject_cast<const QAbstractButton*>(w) ||
                             qobject_cast<const QLineEdit*>(w) || qobject_cast<const QLabel*>(w) ||
                             qobject_cast<const QGroupBox*>(w) ||
                             qobject_cast<const QProgressBar*>(w);
        if (control) {
            EXPECT_FALSE(w->accessibleName().isEmpty()) << w->metaObject()->className();
        }
    }
}

} // namespace
