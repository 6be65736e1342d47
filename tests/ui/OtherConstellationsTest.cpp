// The other constellations' satellites in the windows: the snapshot with both tables, their
// labels in the sky plot, the signal bars and the details list, and the diagnostics' count.

#include <QFontMetrics>
#include <QScrollBar>
#include <QTreeWidget>
#include <gtest/gtest.h>

#include "tests/ui/GpsTestEngine.h"
#include "ui/CDiag.h"
#include "ui/CSatPic.h"
#include "ui/CSatStrn.h"
#include "ui/CSatdetail.h"
#include "ui/SatelliteDrawing.h"
#include "ui/SatelliteSnapshot.h"

namespace {

QString labelsOf(const ui::SatelliteSnapshot& snapshot) {
    QStringList labels;
    for (const ui::SatelliteEntry& s : snapshot)
        labels << QString::fromStdString(ui::satelliteLabel(s));
    return labels.join(' ');
}

// GPS 5 used and SBAS w2 in view; the other table in arrival order, with an unknown system and
// an empty entry among them.
void fillBothTables(engine::GpsState& state) {
    state.satellites[5] = {0, 5, 10, 45, 40, 1, 1};
    state.satellites[34] = {0, 34, 200, 30, 0, 0, 1};
    const engine::OtherSatellite others[] = {
        {0, 'E', 12, 100, 20, 35, 1, 1}, {0, 'R', 7, 90, 0, 28, 0, 1}, {0, 'X', 4, 0, 0, 0, 1, 1},
        {0, 'C', 23, 300, 60, 44, 1, 1}, {0, 'R', 0, 0, 0, 0, 1, 1},   {0, 'I', 3, 10, 10, 0, 0, 0},
        {0, 'J', 1, 250, 70, 41, 1, 1}};
    std::copy(std::begin(others), std::end(others), state.otherSatellites);
}

TEST(OtherSnapshot, FollowsBothTablesByConstellationAndNumberUnlessSwitchedOff) {
    engine::GpsState state;
    fillBothTables(state);
    const struct {
        bool usedOnly, others;
        const char* labels;
    } cases[] = {{false, true, "5 w2 R7 E12 C23 J1 I3"},
                 {true, true, "5 E12 C23 J1"},
                 {false, false, "5 w2"},
                 {true, false, "5"}};
    for (const auto& c : cases)
        EXPECT_EQ(labelsOf(ui::takeSatelliteSnapshot(state, c.usedOnly, c.others)), c.labels)
            << c.usedOnly << c.others;

    const ui::SatelliteSnapshot all = ui::takeSatelliteSnapshot(state, false, true);
    const ui::SatelliteEntry& r7 = all.entries[2];
    EXPECT_EQ(std::tuple(r7.slot, r7.azimuth, r7.elevation, r7.snr, r7.used),
              std::tuple(1, 90, 0, 28, false));

    // The engine's snapshot follows the setting.
    GpsTestEngine gps;
    fillBothTables(gps.engine.state);
    EXPECT_EQ(ui::takeSatelliteSnapshot(gps.engine).count, 7);
    gps.engine.settings.ShowOtherSatellites = 0;
    EXPECT_EQ(ui::takeSatelliteSnapshot(gps.engine).count, 2);
}

TEST(OtherSnapshot, AFullOtherTableFitsBesideEveryGpsSlot) {
    engine::GpsState state;
    for (int slot = ui::kFirstSnapshotSlot; slot <= ui::kLastSnapshotSlot; ++slot)
        state.satellites[slot] = {0, int16_t(slot), 0, 0, 0, 1, 1};
    for (int i = 0; i < engine::kOtherSatelliteSlots; ++i)
        state.otherSatellites[i] = {0, 'C', int16_t(engine::kOtherSatelliteSlots - i), 0, 0, 0,
                                    1, 1};
    const ui::SatelliteSnapshot snapshot = ui::takeSatelliteSnapshot(state, true, true);
    ASSERT_EQ(snapshot.count, ui::kSnapshotCapacity);
    EXPECT_EQ(ui::satelliteLabel(snapshot.entries[37]), "C1");
    EXPECT_EQ(ui::satelliteLabel(snapshot.entries[ui::kSnapshotCapacity - 1]), "C64");
}

TEST(OtherSatPic, AnR7LabelSitsAtItsAzimuthAndElevationFramedWhenUsed) {
    CSatPic plot;
    ui::SatelliteSnapshot snapshot;
    snapshot.entries[0] = {3, 7, 90, 0, 30, true, 'R'};
    snapshot.entries[1] = {4, 12, 0, 90, 30, false, 'E'};
    snapshot.count = 2;
    plot.setSnapshot(snapshot);
    const QFontMetrics metrics(ui::satelliteLabelFont());
    const auto labels = plot.labels(QRect(0, 0, 104, 104), metrics); // centre (52,52), r 50
    ASSERT_EQ(labels.size(), 2u);
    const struct {
        const char* text;
        QPointF centre;
        bool framed;
    } expected[] = {{"R7", {102, 52}, true}, {"E12", {52, 52}, false}};
    for (std::size_t i = 0; i < 2; ++i) {
        EXPECT_EQ(labels[i].text, expected[i].text);
        EXPECT_NEAR(labels[i].box.center().x(), expected[i].centre.x(), 1e-9) << i;
        EXPECT_NEAR(labels[i].box.center().y(), expected[i].centre.y(), 1e-9) << i;
        EXPECT_EQ(labels[i].box.width(), metrics.horizontalAdvance(labels[i].text));
        EXPECT_EQ(labels[i].framed, expected[i].framed);
    }
}

TEST(OtherSatStrn, UsedSatellitesOfEveryConstellationFillTheRowsAndCountForTheScrollBar) {
    engine::GpsState state;
    for (int prn = 1; prn <= 4; ++prn)
        state.satellites[prn] = {0, int16_t(prn), 0, 0, 30, 1, 1};
    fillBothTables(state); // adds 5, E12, C23 and J1 as used
    const struct {
        bool others, landscape, scrolls;
        const char* rows;
    } cases[] = {{true, false, true, "1 2 3 4 5 E12 C23"},
                 {true, true, false, "1 2 3 4 5 E12 C23 J1"},
                 {false, false, false, "1 2 3 4 5"}};
    for (const auto& c : cases) {
        CSatStrn bars;
        bars.show();
        bars.setLandscape(c.landscape);
        bars.setSnapshot(ui::takeSatelliteSnapshot(state, true, c.others));
        EXPECT_EQ(bars.scrollBar()->isVisible(), c.scrolls) << c.rows;
        EXPECT_EQ(bars.rowLabels().join(' '), c.rows);
    }
    CSatStrn bars;
    bars.show();
    bars.setSnapshot(ui::takeSatelliteSnapshot(state, true, true));
    bars.scrollBar()->setValue(bars.scrollBar()->maximum());
    EXPECT_EQ(bars.rowLabels().join(' '), "2 3 4 5 E12 C23 J1");
}

TEST(OtherSatDetail, ListsTheOtherConstellationsAfterGpsWithTheirLabels) {
    engine::GpsState state;
    fillBothTables(state);
    CSatdetail details(ui::takeSatelliteSnapshot(state, false, true));
    const QTreeWidget* list = details.list();
    const char* expected[] = {"5|10|45|40|Y",    "w2|200|30|0|N",   "R7|90|0|28|N",
                              "E12|100|20|35|Y", "C23|300|60|44|Y", "J1|250|70|41|Y",
                              "I3|10|10|0|N"};
    ASSERT_EQ(list->topLevelItemCount(), 7);
    for (int r = 0; r < 7; ++r) {
        QStringList cells;
        for (int column = 0; column < 5; ++column)
            cells << list->topLevelItem(r)->text(column);
        EXPECT_EQ(cells.join('|'), expected[r]);
    }
}

TEST(OtherDiag, InViewCountAddsTheShownOtherSatellitesAndUsedStaysTheFixCount) {
    const std::pair<int32_t, const char*> cases[] = {{1, "14/12"}, {0, "9/12"}};
    for (const auto& [shown, text] : cases) {
        GpsTestEngine gps;
        gps.engine.settings.ShowOtherSatellites = shown;
        engine::GpsState& state = gps.engine.state;
        state.dop.satellitesInView = 9, state.position.satellitesUsed = 12;
        fillBothTables(state); // in view: E12, R7, C23, J1 (not X4, not I3, not the empty R)
        state.otherSatellites[10] = {0, 'E', 5, 0, 0, 0, 0, 1};
        CDiag diag(gps.engine, nullptr);
        diag.refresh();
        EXPECT_EQ(textOf(diag, "sv/used"), text) << shown;
    }
}

} // namespace
