// The sky plot's and the signal bars' geometry, the satellite labels and the details list.

#include <QScrollBar>
#include <QTreeWidget>
#include <gtest/gtest.h>

#include "ui/CSatPic.h"
#include "ui/CSatStrn.h"
#include "ui/CSatdetail.h"

namespace {

TEST(SatPic, LabelsSitAtAzimuthAndElevationNorthUp) {
    const QRect client(0, 0, 104, 104); // horizon circle (2,2)-(102,102), centre (52,52), r 50
    EXPECT_EQ(CSatPic::horizonRect(client), QRectF(2, 2, 100, 100));
    EXPECT_EQ(CSatPic::innerRect(client), QRectF(27, 27, 50, 50));
    const double cases[][4] = {{137, 90, 52, 52},        {90, 0, 102, 52}, {180, 0, 52, 102},
                               {270, 0, 2, 52},          {0, 60, 52, 27},  {135, 0, 87.355, 87.355},
                               {315, 60, 34.322, 34.322}};
    for (const auto& c : cases) {
        const QPointF p = CSatPic::labelCentre(client, int(c[0]), int(c[1]));
        EXPECT_NEAR(p.x(), c[2], 1e-3) << c[0] << "/" << c[1];
        EXPECT_NEAR(p.y(), c[3], 1e-3) << c[0] << "/" << c[1];
    }
}

TEST(SatLabel, GpsSlotsShowThePrnAndSbasSlotsAreNumberedFromW1) {
    const std::pair<int, const char*> cases[] = {{1, "1"},   {32, "32"}, {33, "w1"},
                                                 {34, "w2"}, {36, "w4"}, {37, "37"}};
    for (const auto& [slot, label] : cases)
        EXPECT_EQ(ui::satelliteLabel(slot, slot), label) << slot;
}

TEST(SatStrn, RowsAndBarsFollowTheLabelBoxAndFullScaleSixty) {
    EXPECT_EQ(CSatStrn::labelBox(0, QSize(20, 12)), QRect(4, 3, 20, 12));
    EXPECT_EQ(CSatStrn::labelBox(2, QSize(20, 12)), QRect(4, 33, 20, 12));
    // Client 148 wide: the bar starts at 26 and has 120 pixels up to the frame.
    const QRect box(4, 18, 20, 12);
    const std::pair<int, QRect> cases[] = {{0, QRect()},
                                           {15, QRect(26, 18, 30, 12)},
                                           {60, QRect(26, 18, 120, 12)},
                                           {75, QRect(26, 18, 120, 12)}};
    for (const auto& [snr, bar] : cases)
        EXPECT_EQ(CSatStrn::barRect(148, box, snr), bar) << snr;
    EXPECT_EQ(CSatStrn::referenceX(148, box), 86);
}

TEST(SatStrn, ScrollBarShowsFromAsManySatellitesAsRows) {
    const struct {
        bool landscape;
        int satellites;
        bool shown;
        int maximum;
    } cases[] = {{false, 6, false, 0}, {false, 7, true, 0}, {false, 12, true, 5},
                 {true, 10, false, 0}, {true, 11, true, 0}, {true, 14, true, 3}};
    for (const auto& c : cases) {
        CSatStrn bars;
        bars.show();
        bars.setLandscape(c.landscape);
        ui::SatelliteSnapshot snapshot;
        for (; snapshot.count < c.satellites; ++snapshot.count)
            snapshot.entries[size_t(snapshot.count)] = {snapshot.count + 1, 1, 0, 0, 40, true};
        bars.setSnapshot(snapshot);
        EXPECT_EQ(bars.scrollBar()->isVisible(), c.shown) << c.satellites;
        EXPECT_EQ(bars.scrollBar()->maximum(), c.maximum) << c.satellites;
        EXPECT_EQ(bars.scrollBar()->pageStep(), 3);
    }
}

TEST(SatDetail, ListsOneRowPerSatelliteOfTheSnapshot) {
    ui::SatelliteSnapshot snapshot{{{{5, 5, 123, 45, 39, true}, {34, 34, 200, 30, 0, false}}}, 2};
    CSatdetail details(snapshot);
    EXPECT_EQ(details.windowTitle(), "Satellite Details");
    const QTreeWidget* list = details.list();
    const QTreeWidgetItem* rows[] = {list->headerItem(), list->topLevelItem(0),
                                     list->topLevelItem(1)};
    const char* expected[] = {" Sat #| Azimuth| Elev| SNR |Used", "5|123|45|39|Y", "w2|200|30|0|N"};
    ASSERT_EQ(list->topLevelItemCount(), 2);
    for (int r = 0; r < 3; ++r) {
        QStringList cells;
        for (int column = 0; column < 5; ++column)
            cells << rows[r]->text(column);
        EXPECT_EQ(cells.join('|'), expected[r]);
    }
}

} // namespace
