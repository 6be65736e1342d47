// The waypoint screen: the detail texts of a waypoint, the list and its selection through New,
// Edit and Del, the captions of each format, and the two layouts.

#include <QCheckBox>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <gtest/gtest.h>

#include <mutex>

#include "data/WaypointFile.h"
#include "geodesy/DatumTable.h"
#include "tests/ui/GpsTestEngine.h"
#include "ui/CWayPtScr.h"
#include "ui/WaypointDetailTexts.h"
#include "ui/WaypointEditor.h"

namespace {

using namespace geodesy;

engine::Waypoint waypoint(double lat, double lon, double alt, float ehe = 2.4f) {
    engine::Waypoint w;
    w.number = 3;
    std::u16string(u"Gate").copy(w.name, 4);
    w.latitude = lat, w.longitude = lon, w.altitude = alt;
    w.pdop = 1.84f, w.ehe = ehe;
    return w;
}

TEST(WaypointDetailTexts, EachFormatAndUnitWithTheZeroRulesAndTheOffset) {
    struct Case {
        int32_t format, units;
        engine::Waypoint w;
        std::u16string texts; // first|second|zone|elevation|ehe|offset
    };
    engine::Waypoint moved = waypoint(0, 9, 100);
    moved.offsetOn = 1, moved.offsetDistance = 10, moved.offsetSlope = 30;
    moved.offsetDirection = 90;
    const Case cases[] = {
        {FormatDD, Metric, waypoint(47.5, -8.25, 412.34),
         u" 47.50000000|-8.25000000|| 412.3  m| 2.4 m|"},
        {FormatDM, Feet, waypoint(-45.5, 10.75, 100),
         u"S 45 30.00000'|E 10 45.00000'|| 328.1 ft| 7.9 ft|"},
        {FormatDMS, Statute, waypoint(1, -0.25, 0),
         u"N 1 0' 0.00\"|W 0 15' 0.00\"|| 0.0 ft| 7.9 ft|"},
        {FormatUTM, Meters, waypoint(0, 3, -0.04, 0), u" 0.00| 500000.00| 31N| 0.0  m| 0.0 m|"},
        {FormatDM, Nautical, waypoint(-1e-9, -1e-9, 0.2),
         u"N 0 0.00000'|E 0 0.00000'|| 0.7 ft| 7.9 ft|"},
        {FormatDD, Metric, moved, u" 0.00000000| 9.00007783|| 105.0  m| 2.4 m|Offset ON"},
    };
    for (const Case& c : cases) {
        const ui::WaypointDetailTexts t =
            ui::waypointDetailTexts(c.w, {c.units, c.format, "WGE"}, datumTable());
        EXPECT_EQ(t.first + u"|" + t.second + u"|" + t.zone + u"|" + t.elevation + u"|" + t.ehe +
                      u"|" + t.offset,
                  c.texts)
            << c.format << " " << c.units;
        EXPECT_EQ(t.number + u"|" + t.name + u"|" + t.pdop, u"3|Gate| 1.8");
    }
}

TEST(WaypointDetailTexts, FileIsTheOpenNameOrANamedLastPartOfTheFolder) {
    engine::WaypointStore store;
    EXPECT_EQ(ui::waypointFileText(store, "/home/u/old.txt"), u"old.txt");
    EXPECT_EQ(ui::waypointFileText(store, "/home/u/"), u"");
    std::u16string(u"wptdef.txt").copy(store.fileName, 10);
    EXPECT_EQ(ui::waypointFileText(store, "/home/u/old.txt"), u"wptdef.txt");
}

struct WaypointScreen : testing::Test {
    GpsTestEngine gps;
    int marks = 0;
    CWayPtScr screen{gps.engine, nullptr, [this] { ++marks; }};
    QListWidget* list = nullptr;

    void SetUp() override {
        gps.engine.settings.Units = Metric;
        list = named<QListWidget>(screen, "Waypoints");
        ASSERT_NE(list, nullptr);
        screen.resize(240, 320);
    }
    // Adds waypoints named after themselves at the end of the store, then refills the list.
    void store(std::initializer_list<const char16_t*> names) {
        {
            std::lock_guard<std::mutex> hold(gps.engine.lock());
            engine::WaypointStore& s = gps.engine.waypoints;
            for (const char16_t* name : names) {
                engine::Waypoint& w = s.at(s.append());
                w = waypoint(10, 20, 30);
                w.number = static_cast<int16_t>(s.count());
                data::setWaypointName(w, name);
            }
        }
        screen.reloadWaypointLists();
    }
    QString selectedName() const {
        return list->currentItem() ? list->currentItem()->text() : QStringLiteral("<none>");
    }
    void press(const char* button) { named<QPushButton>(screen, button)->click(); }
};

TEST_F(WaypointScreen, UtmShowsNorthingEastingAndZoneOtherFormatsLatitudeAndLongitude) {
    store({u"A"});
    screen.show();
    const std::tuple<int32_t, const char*, const char*, bool> cases[] = {
        {FormatDD, "Lat", "Lon", false},
        {FormatDM, "Lat", "Lon", false},
        {FormatDMS, "Lat", "Lon", false},
        {FormatUTM, "Nor", "Eas", true},
    };
    for (auto [format, first, second, zone] : cases) {
        gps.engine.settings.Format = format;
        screen.reloadWaypointLists();
        EXPECT_NE(named<QLabel>(screen, first), nullptr) << format;
        EXPECT_NE(named<QLabel>(screen, second), nullptr) << format;
        EXPECT_EQ(named<QLabel>(screen, "Zone")->isVisible(), zone) << format;
    }
    EXPECT_EQ(textOf(screen, "Zone"), " 34P");
    EXPECT_EQ(textOf(screen, "ID"), "A");
    EXPECT_EQ(textOf(screen, "Elev"), " 30.0  m");
}

TEST_F(WaypointScreen, DeletingKeepsANeighbourSelectedAndTheLastDeletionClearsTheDetails) {
    store({u"A", u"B", u"C"});
    list->setCurrentRow(2);
    gps.prompter.queueAnswer(true);
    press("Del");
    EXPECT_EQ(selectedName(), "B"); // the line before the deleted one
    list->setCurrentRow(0);
    gps.prompter.queueAnswer(false); // No keeps it
    press("Del");
    EXPECT_EQ(list->count(), 2);
    EXPECT_EQ(selectedName(), "A");
    gps.prompter.queueAnswer(true);
    press("Del");
    EXPECT_EQ(selectedName(), "B");
    EXPECT_EQ(textOf(screen, "WP#"), "1"); // renumbered
    gps.prompter.queueAnswer(true);
    press("Del");
    EXPECT_EQ(list->count(), 0);
    for (const char* field : {"WP#", "ID", "Lat", "Lon", "Elev", "PDOP", "EHE"})
        EXPECT_EQ(textOf(screen, field), "") << field;
    const std::size_t asked = gps.prompter.entries().size();
    press("Del"); // nothing selected: nothing asked
    press("Edit");
    EXPECT_EQ(gps.prompter.entries().size(), asked);
    press("Mark");
    EXPECT_EQ(marks, 1);
}

TEST_F(WaypointScreen, NewAndEditRunTheEditorOfTheFormatAndStoreWhatItHandsBack) {
    store({u"A", u"B"});
    list->setCurrentRow(0);
    gps.engine.settings.Format = FormatDM;
    bool openDuringRun = false;
    screen.setRunEditor([&](WaypointEditor& editor) {
        openDuringRun = screen.editorOpen();
        EXPECT_EQ(editor.windowTitle(), "Waypoint (DM)");
        EXPECT_EQ(named<QLineEdit>(editor, "Waypoint #")->text(), "2"); // after the selected one
        EXPECT_EQ(named<QLineEdit>(editor, "Waypoint ID")->text(), "WP3");
        named<QLineEdit>(editor, "Latitude degrees")->setText(QStringLiteral("5"));
        editor.accept();
        return editor.result() == QDialog::Accepted;
    });
    press("New");
    EXPECT_TRUE(openDuringRun);
    EXPECT_FALSE(screen.editorOpen());
    EXPECT_EQ(selectedName(), "WP3");
    EXPECT_EQ(list->item(1)->text(), "WP3");
    EXPECT_EQ(textOf(screen, "Lat"), "N 5 0.00000'");
    EXPECT_EQ(textOf(screen, "Elev"), " 0.0  m"); // stored as 0.01 m

    // An offset entered in the editor: the screen shows the moved point, the store keeps both.
    gps.engine.settings.Format = FormatDD;
    screen.setRunEditor([&](WaypointEditor& editor) {
        editor.setAskOffset([](data::OffsetInputValues& values, platform::Prompter&, QWidget*) {
            values.distance = 10, values.direction = 90, values.slope = 0;
            return true;
        });
        editor.pressOffset();
        editor.accept();
        return editor.result() == QDialog::Accepted;
    });
    const int slot = screen.selectedSlot();
    press("Edit");
    EXPECT_EQ(screen.selectedSlot(), slot);
    EXPECT_EQ(textOf(screen, "Offset"), "Offset ON");
    EXPECT_EQ(textOf(screen, "Lon"), " 0.00009008"); // 10 m east at 5 degrees north
    const engine::Waypoint& w = gps.engine.waypoints.at(slot);
    EXPECT_EQ(w.latitude, 5.0);
    EXPECT_EQ(w.longitude, 0.0);
    EXPECT_EQ(w.offsetDistance, 10.0f);
    EXPECT_EQ(w.offsetOn, 1);

    // Cancel stores nothing.
    screen.setRunEditor([](WaypointEditor&) { return false; });
    press("New");
    EXPECT_EQ(list->count(), 3);
}

TEST_F(WaypointScreen, LayoutFollowsTheAspectRatioAndKeepsTheSelection) {
    store({u"A", u"B"});
    screen.show();
    list->setCurrentRow(1);
    EXPECT_FALSE(screen.landscape());
    screen.resize(320, 240);
    EXPECT_TRUE(screen.landscape());
    EXPECT_GT(named<QPushButton>(screen, "New")->geometry().left(), list->geometry().right());
    screen.resize(240, 320);
    EXPECT_FALSE(screen.landscape());
    EXPECT_GT(named<QPushButton>(screen, "New")->geometry().top(), list->geometry().bottom());
    EXPECT_EQ(selectedName(), "B");
    EXPECT_EQ(textOf(screen, "ID"), "B");
}

} // namespace
