// The Mark Point dialog as the view of the mark logic: its buttons and name field reach the
// logic, what the logic says is shown, the end reports the exported flag, and the layouts.

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
        std::strcpy(gps.engine.settings.WaypointPath, dir.path().c_str());
        std::strcpy(gps.engine.settings.DataExchangePath, dir.path().c_str());
        gps.engine.settings.Units = 4;
        gps.engine.settings.PointsAveraged = 2;
        dialog.setController(mark);
        dialog.setClosedCallback([this](bool exported) { closed.push_back(exported); });
    }
    // A new GGA fix a second after the last one, taken into the state.
    void fix() {
        gps.clock.advance(1000);
        gps.receive(testsupport::nmea("GPGGA,1200" + std::to_string(10 + ++fixes) +
                                      ".00,4807.038,N,01131.000,E,1,08,0.9,545.4,M,46.9,M,,"));
        ASSERT_TRUE(gps.engine.refresh());
    }
    void open(int pointAveraging) {
        gps.engine.settings.PointAveraging = pointAveraging;
        mark.open(true);
        dialog.present(false);
    }
    QPushButton* button(const char* name) const { return named<QPushButton>(dialog, name); }
    QString field(const char* group, const char* name) const {
        return textOf(*named<QGroupBox>(dialog, group), name);
    }
};

TEST_F(MarkDialog, StoreWaitsForTheAverageShowingItsProgressThenCloses) {
    open(1);
    auto* progress = named<QProgressBar>(dialog, "Progress");
    EXPECT_TRUE(progress->isVisible());
    EXPECT_EQ(named<QLineEdit>(dialog, "Name")->text(), "MarkID1");
    EXPECT_EQ(field("Waypoint", "Number"), "1");
    button("Store WPT")->click();
    ASSERT_NE(button("Waiting"), nullptr); // the button's name follows its text
    ASSERT_NE(button("Averaging"), nullptr);
    EXPECT_EQ(progress->maximum(), 2);
    fix();
    mark.update();
    EXPECT_EQ(progress->value(), 1);
    EXPECT_EQ(field("Waypoint", "Location"), "N  48.1173000 E  11.5166667");
    EXPECT_EQ(field("Waypoint", "Elevation"), " 545.4 m");
    fix();
    mark.update();
    EXPECT_EQ(closed, std::vector<bool>{false});
    EXPECT_FALSE(dialog.isVisible());
    EXPECT_EQ(gps.engine.waypoints.count(), 1);
}

TEST_F(MarkDialog, ExportCancelCloseAndEscapeEndTheMark) {
    const struct {
        const char* how;
        bool exported;
        void (*end)(CMultiMark&);
    } cases[] = {
        {"Export", true, [](CMultiMark& d) { named<QPushButton>(d, "Export")->click(); }},
        {"Cancel", false, [](CMultiMark& d) { named<QPushButton>(d, "Cancel")->click(); }},
        {"close button", false, [](CMultiMark& d) { d.close(); }},
        {"Escape", false, [](CMultiMark& d) { QTest::keyClick(&d, Qt::Key_Escape); }},
    };
    fix();
    for (const auto& c : cases) {
        SCOPED_TRACE(c.how);
        closed.clear();
        open(0); // the fix is taken at once
        EXPECT_FALSE(named<QProgressBar>(dialog, "Progress")->isVisible());
        EXPECT_FALSE(button("Average")->isVisible());
        c.end(dialog);
        EXPECT_EQ(closed, std::vector<bool>{c.exported});
        EXPECT_FALSE(dialog.isVisible());
        EXPECT_FALSE(mark.isOpen());
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

    for (const QWidget* w : dialog.findChildren<QWidget*>())
        EXPECT_FALSE(w->accessibleName().isEmpty()) << w->metaObject()->className();
}

} // namespace
