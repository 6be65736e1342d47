// The Nav screen: its pickers (rows, headers, selection, pop-up, keys), the two layouts and what
// an update tick shows; the compass's geometry.

#include <QCoreApplication>
#include <QKeyEvent>
#include <QStandardItemModel>
#include <QTreeView>
#include <gtest/gtest.h>

#include <cstring>

#include "engine/Navigator.h"
#include "support/NmeaText.h"
#include "tests/ui/GpsTestEngine.h"
#include "ui/CComp.h"
#include "ui/CMultiComb.h"
#include "ui/CNav.h"

namespace {

struct NavScreen : testing::Test {
    GpsTestEngine gps;
    CNav nav{gps.engine};
    CMultiComb& from = *nav.fromPicker();
    CMultiComb& to = *nav.toPicker();

    int add(const char16_t* name, double lat, double lon, int after = -2) {
        engine::WaypointStore& store = gps.engine.waypoints;
        const int slot = after == -2 ? store.append() : store.insertAfter(after);
        engine::Waypoint& w = store.at(slot);
        if (after == -2) w.number = static_cast<int16_t>(store.count());
        std::memcpy(w.name, name, (std::char_traits<char16_t>::length(name) + 1) * 2);
        w.latitude = lat, w.longitude = lon;
        return slot;
    }
    static QString row(const CMultiComb& picker, int r) {
        QStringList cells;
        for (int c = 0; c < 3; ++c)
            cells << picker.rows()->item(r, c)->text();
        return cells.join('|') + "|" + picker.rows()->item(r, 1)->data(Qt::UserRole).toString();
    }
    static QString header(const CMultiComb& picker, int column) {
        return picker.rows()->headerData(column, Qt::Horizontal).toString();
    }
    QStringList texts() const {
        QStringList shown;
        for (const QString& name : QString("Here -> To Distance|Bearing|Track|Speed|XTE|From -> "
                                           "To Distance|Azimuth|Quality|Mag|PDOP|EHE")
                                       .split('|'))
            shown << textOf(nav, name.toLatin1().constData());
        return shown;
    }
    void key(CMultiComb& picker, int k) {
        QKeyEvent press(QEvent::KeyPress, k, Qt::NoModifier);
        QCoreApplication::sendEvent(picker.list(), &press);
    }
};

TEST_F(NavScreen, DistanceHeaderFollowsUnitsAfterASettingsChange) {
    const char* headers[] = {" Distance - ft", " Distance - m ", " Distance - nm",
                             " Distance - ft", " Distance - m ", " Distance - nm"}; // Units 0..5
    for (int units = 0; units < 6; ++units) {
        gps.engine.settings.Units = units;
        nav.settingsChanged();
        nav.refresh();
        for (const CMultiComb* picker : {&from, &to})
            EXPECT_EQ(header(*picker, 2), headers[units]) << units;
    }
    EXPECT_EQ(header(from, 0) + header(from, 1), "  #   ID  ");
}

TEST_F(NavScreen, RowsFollowTheStoreOrderAndKeepThePickedWaypoints) {
    EXPECT_EQ(row(from, 0), "0|Here|   0.00|-2");
    EXPECT_EQ(from.selection(), CMultiComb::kHere);
    EXPECT_EQ(to.selection(), CMultiComb::kHere);
    const int a = add(u"Alpha", 1, 1);
    const int b = add(u"Bravo", 2, 2);
    const int c = add(u"Charlie", 3, 3, a); // placed between Alpha and Bravo
    gps.engine.waypoints.at(b).distanceFromHere = 12.345f;
    nav.reloadWaypointLists();
    for (const CMultiComb* picker : {&from, &to}) {
        ASSERT_EQ(picker->rows()->rowCount(), 4);
        EXPECT_EQ(row(*picker, 1), QString("1|Alpha|   0.00|%1").arg(a));
        EXPECT_EQ(row(*picker, 2), QString("2|Charlie|   0.00|%1").arg(c));
        EXPECT_EQ(row(*picker, 3), QString("3|Bravo|  12.35|%1").arg(b));
    }
    ASSERT_TRUE(from.select(b));
    ASSERT_TRUE(to.select(c));
    EXPECT_EQ(to.currentText(), "Charlie"); // the closed box shows the ID

    QList<int> readDuringRefill;
    QObject::connect(to.rows(), &QStandardItemModel::rowsInserted,
                     [&] { readDuringRefill << to.selection(); });
    gps.engine.waypoints.remove(b);
    nav.reloadWaypointLists();
    EXPECT_EQ(readDuringRefill, QList<int>(3, CMultiComb::kNothing));
    EXPECT_EQ(to.selection(), c);
    EXPECT_EQ(from.selection(), CMultiComb::kHere); // Bravo is gone
}

TEST_F(NavScreen, OpeningRecomputesDistancesAndKeysMoveTheSelection) {
    const QRect picker(10, 20, 100, 24); // under it, one pixel down, wider and taller
    EXPECT_EQ(CMultiComb::popupRect(picker, true), QRect(10, 45, 250, 99));
    EXPECT_EQ(CMultiComb::popupRect(picker, false), QRect(10, 45, 190, 149));
    gps.engine.settings.Units = 1;
    const int a = add(u"Alpha", 0, 1);
    const int b = add(u"Bravo", 0, 0);
    nav.reloadWaypointLists();
    gps.engine.state.position.ggaTick = 5; // a position at (0, 0)
    nav.show();
    for (const QSize size : {QSize(320, 240), QSize(240, 320)}) {
        nav.resize(size);
        from.showPopup();
        EXPECT_EQ(row(from, 1), QString("1|Alpha|111319.49|%1").arg(a));
        const QRect global(from.mapToGlobal(QPoint(0, 0)), from.size());
        EXPECT_EQ(from.list()->parentWidget()->geometry(),
                  CMultiComb::popupRect(global, nav.landscape()));
        from.hidePopup();
    }

    from.showPopup();
    const struct {
        int key;
        int selection;
        const char* shown;
    } steps[] = {{Qt::Key_Up, CMultiComb::kHere, "Here"}, // not beyond the first row
                 {Qt::Key_Down, a, "Alpha"},
                 {Qt::Key_Down, b, "Bravo"},
                 {Qt::Key_Down, b, "Bravo"}}; // nor beyond the last
    for (const auto& s : steps) {
        key(from, s.key);
        EXPECT_EQ(from.selection(), s.selection) << s.shown;
        EXPECT_EQ(from.currentText(), s.shown);
        EXPECT_TRUE(from.list()->isVisible());
    }
    key(from, Qt::Key_Return);
    EXPECT_FALSE(from.list()->isVisible());
    EXPECT_EQ(from.selection(), b);
}

TEST_F(NavScreen, LayoutFollowsTheAspectRatioAndKeepsTheSelections) {
    const int a = add(u"Alpha", 1, 1);
    const int b = add(u"Bravo", 2, 2);
    nav.reloadWaypointLists();
    from.select(a);
    to.select(b);
    EXPECT_EQ(named(nav, "From"), &from);
    EXPECT_EQ(named(nav, "To"), &to);
    nav.show();
    const struct {
        QSize size;
        bool landscape;
    } rows[] = {{{320, 240}, true}, {{240, 320}, false}, {{300, 300}, true}};
    for (const auto& r : rows) {
        nav.resize(r.size);
        EXPECT_EQ(nav.landscape(), r.landscape) << r.size.width();
        EXPECT_EQ(from.selection(), a);
        EXPECT_EQ(to.selection(), b);
        // PDOP sits under the groups in landscape, above the "Here -> To" group in portrait.
        const QWidget* pdop = named(nav, "PDOP");
        const QWidget* hereTo = named(nav, "Here -> To");
        EXPECT_EQ(pdop->geometry().top() > hereTo->geometry().bottom(), r.landscape);
        EXPECT_LT(nav.compass()->geometry().right(), hereTo->geometry().left());
    }
}

TEST_F(NavScreen, WithoutAFixFromHereOnlyTheQualityFieldsChange) {
    const int target = add(u"Alpha", 1, 1);
    nav.reloadWaypointLists();
    to.select(target);
    const QStringList before = texts();
    EXPECT_EQ(before.join('|'), "  |  |  |  |  |||No Fix|||");
    nav.refresh();
    engine::Navigator reference(gps.engine);
    engine::NavigationDisplay d;
    reference.updateNavigation(engine::kHereSelection, target, d);
    QStringList expected = before;
    int i = 7;
    for (const char16_t* text : {d.status, d.magText, d.pdop, d.ehe})
        expected[i++] = QString::fromUtf16(text);
    const QStringList after = texts();
    EXPECT_EQ(after, expected);
    EXPECT_NE(after[9], before[9]);
}

TEST_F(NavScreen, CompassMovesOnlyAboveWalkingSpeed) {
    gps.engine.settings.Heading = 'T';
    to.select(add(u"North", 50, 11.5));
    const struct {
        const char* knots;
        const char* track;
        double compassTrack;
    } rows[] = {{"10.0", "054.7", 54.7}, {"0.43", "200.0", 54.7}}; // 0.43 kn is 0.49 mph
    for (const auto& r : rows) {
        gps.receive(
            testsupport::nmea("GPGGA,120000.00,4807.038,N,01131.000,E,1,08,0.9,545.4,M,46.9,M,,"));
        gps.receive(testsupport::nmea(std::string("GPRMC,120000.00,A,4807.038,N,01131.000,E,") +
                                      r.knots + "," + r.track + ",230394,003.1,W"));
        ASSERT_TRUE(gps.engine.refresh());
        nav.refresh();
        EXPECT_NEAR(nav.compass()->track(), r.compassTrack, 1e-4) << r.knots;
        EXPECT_NEAR(nav.compass()->bearing(), 360.0, 1.0); // the target lies due north
    }
}

TEST(Compass, GeometryFollowsTrackAndBearing) {
    const QSize client(120, 120); // dial 20..99, radius 40, centre (60, 60)
    const ui::CompassGeometry north = ui::compassGeometry(client, 90, 90);
    EXPECT_EQ(north.labels[0], QPoint(21, 60)); // "N" at the left when heading east
    EXPECT_EQ(north.labels[2], QPoint(60, 21)); // "E" at the top
    EXPECT_EQ(north.mark, QLine(60, 0, 60, 12));
    EXPECT_EQ(north.centreSquare, QRect(58, 58, 4, 4));

    const struct {
        double track, bearing;
        QPoint start, tip;
    } rows[] = {
        {90, 90, {60, 115}, {60, -2}},   // target ahead: vertical, tip at the top
        {200, 200, {60, 115}, {60, -2}}, // whatever the track
        // Sideways the offsets come out a hair short of whole pixels and are truncated.
        {0, 90, {6, 60}, {121, 60}},  // target to the right
        {90, 0, {114, 60}, {-1, 60}}, // to the left
        {0, 180, {60, 6}, {60, 121}}, // behind
    };
    for (const auto& r : rows) {
        const ui::CompassGeometry g = ui::compassGeometry(client, r.track, r.bearing);
        EXPECT_EQ(g.lineStart, r.start) << r.track << " " << r.bearing;
        EXPECT_EQ(g.tip, r.tip) << r.track << " " << r.bearing;
    }
    const ui::CompassGeometry ahead = ui::compassGeometry(client, 90, 90);
    EXPECT_EQ(ahead.lineEnd, QPoint(60, 5));
    EXPECT_EQ(ahead.arrowhead[1], QPoint(67, 5)); // the back corners 10 px at +-135 degrees
    EXPECT_EQ(ahead.arrowhead[2], QPoint(53, 5));
}

TEST(Compass, ANegativeValueKeepsTheOldOne) {
    CComp compass;
    const double steps[][4] = {{10, 20, 10, 20}, {-1, 30, 10, 30}, {40, -0.5, 40, 30}};
    for (const auto& s : steps) {
        compass.setValues(s[0], s[1]);
        EXPECT_EQ(QPointF(compass.track(), compass.bearing()), QPointF(s[2], s[3]));
    }
    compass.resize(100, 80);
    compass.grab(); // paints without a fault
}

} // namespace
