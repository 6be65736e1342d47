// The other constellations' satellites in the windows: the snapshot of both tables, their labels
// in the sky plot, the signal bars and the details list, and the diagnostics' count.

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

namespace {

// GPS 5 used and SBAS w2; the other table in arrival order, an unknown system and an empty entry
// among them.
void fillBothTables(engine::GpsState& state) {
    state.satellites[5] = {0, 5, 10, 45, 40, 1, 1};
    state.satellites[34] = {0, 34, 200, 30, 0, 0, 1};
    const engine::OtherSatellite others[] = {
        {0, 'E', 12, 100, 20, 35, 1, 1}, {0, 'R', 7, 90, 0, 28, 0, 1}, {0, 'X', 4, 0, 0, 0, 1, 1},
        {0, 'C', 23, 300, 60, 44, 1, 1}, {0, 'R', 0, 0, 0, 0, 1, 1},   {0, 'I', 3, 10, 10, 0, 0, 0},
        {0, 'J', 1, 250, 70, 41, 1, 1}};
    std::copy(std::begin(others), std::end(others), state.otherSatellites);
}

QString labelsOf(const ui::SatelliteSnapshot& snapshot) {
    QStringList labels;
    for (const ui::SatelliteEntry& s : snapshot)
        labels << QString::fromStdString(ui::satelliteLabel(s));
    return labels.join(' ');
}

TEST(OtherSnapshot, BothTablesByConstellationAndNumberUnlessSwitchedOff) {
    GpsTestEngine gps;
    engine::GpsState& state = gps.engine.state;
    fillBothTables(state);
    const std::tuple<bool, bool, const char*> cases[] = {{false, true, "5 w2 R7 E12 C23 J1 I3"},
                                                         {true, true, "5 E12 C23 J1"},
                                                         {false, false, "5 w2"},
                                                         {true, false, "5"}};
    for (const auto& [usedOnly, others, labels] : cases)
        EXPECT_EQ(labelsOf(ui::takeSatelliteSnapshot(state, usedOnly, others)), labels);
    gps.engine.settings.ShowOtherSatellites = 0;
    EXPECT_EQ(labelsOf(ui::takeSatelliteSnapshot(gps.engine)), "5 w2");
    // A full other table fits beside every GPS and SBAS slot.
    for (int slot = ui::kFirstSnapshotSlot; slot <= ui::kLastSnapshotSlot; ++slot)
        state.satellites[slot].prn = int16_t(slot);
    std::fill(std::begin(state.otherSatellites), std::end(state.otherSatellites),
              engine::OtherSatellite{0, 'C', 9, 0, 0, 0, 1, 1});
    EXPECT_EQ(ui::takeSatelliteSnapshot(state, false, true).count, ui::kSnapshotCapacity);
}

TEST(OtherSatPic, AnR7LabelSitsAtItsAzimuthAndElevationFramedWhenUsed) {
    CSatPic plot;
    ui::SatelliteSnapshot snapshot;
    snapshot.entries[0] = {3, 7, 90, 0, 30, true, 'R'}; // due east on the horizon
    snapshot.count = 1;
    plot.setSnapshot(snapshot);
    const QFontMetrics metrics(ui::satelliteLabelFont());
    const auto labels = plot.labels(QRect(0, 0, 104, 104), metrics); // centre (52,52), r 50
    ASSERT_EQ(labels.size(), 1u);
    EXPECT_EQ(labels[0].text, "R7");
    EXPECT_EQ(labels[0].box.center(), QPointF(102, 52));
    EXPECT_EQ(labels[0].box.width(), metrics.horizontalAdvance("R7"));
    EXPECT_TRUE(labels[0].framed);
}

TEST(OtherSatStrn, UsedSatellitesOfEveryConstellationFillTheRowsAndCountForTheScrollBar) {
    engine::GpsState state;
    for (int prn = 1; prn <= 4; ++prn)
        state.satellites[prn] = {0, int16_t(prn), 0, 0, 30, 1, 1};
    fillBothTables(state); // 5, E12, C23 and J1 used
    const std::tuple<bool, bool, const char*> cases[] = {
        {true, true, "1 2 3 4 5 E12 C23"}, // 8 used: the 7 portrait rows scroll
        {false, false, "1 2 3 4 5"}};
    for (const auto& [others, scrolls, rows] : cases) {
        CSatStrn bars;
        bars.show();
        bars.setSnapshot(ui::takeSatelliteSnapshot(state, true, others));
        EXPECT_EQ(bars.scrollBar()->isVisible(), scrolls) << rows;
        EXPECT_EQ(bars.rowLabels().join(' '), rows);
    }
    const QFontMetrics metrics(ui::satelliteLabelFont()); // the widest label fits its frame
    EXPECT_GE(CSatStrn::labelSize().width(), metrics.horizontalAdvance("C23") + 4);
}

TEST(OtherSatDetail, ListsTheOtherConstellationsAfterGpsWithTheirLabels) {
    engine::GpsState state;
    fillBothTables(state);
    CSatdetail details(ui::takeSatelliteSnapshot(state, false, true));
    QStringList rows;
    for (int r = 0; r < details.list()->topLevelItemCount(); ++r) {
        const QTreeWidgetItem* item = details.list()->topLevelItem(r);
        for (int column = 0; column < 5; ++column)
            rows << item->text(column);
    }
    EXPECT_EQ(rows.join(' '), "5 10 45 40 Y w2 200 30 0 N R7 90 0 28 N E12 100 20 35 Y "
                              "C23 300 60 44 Y J1 250 70 41 Y I3 10 10 0 N");
}

TEST(OtherDiag, InViewCountAddsTheShownOtherSatellitesAndUsedStaysTheFixCount) {
    for (const auto& [shown, text] : {std::pair(1, "13/12"), std::pair(0, "9/12")}) {
        GpsTestEngine gps;
        gps.engine.settings.ShowOtherSatellites = shown;
        gps.engine.state.dop.satellitesInView = 9, gps.engine.state.position.satellitesUsed = 12;
        fillBothTables(gps.engine.state); // in view: E12, R7, C23, J1 (not X4, the empty R, I3)
        CDiag diag(gps.engine, nullptr);
        diag.refresh();
        EXPECT_EQ(textOf(diag, "sv/used"), text) << shown;
    }
}

} // namespace
