// The sky plot's and the signal bars' geometry, the satellite labels and the details list.

#include <QScrollBar>
#include <QTreeWidget>
#include <gtest/gtest.h>

#include "ui/CSatPic.h"
#include "ui/CSatStrn.h"
#include "ui/CSatdetail.h"
#include "ui/SatelliteSnapshot.h"

namespace {

TEST(SatPic, LabelsSitAtAzimuthAndElevationNorthUp) {
    const QRect client(0, 0, 104, 104); // horizon circle (2,2)-(102,102), centre (52,52), r 50
    const struct {
        int azimuth, elevation;
        double x, y;
    } cases[] = {
        {0, 90, 52, 52}, {137, 90, 52, 52},          {90, 0, 102, 52},
        {0, 0, 52, 2},   {180, 0, 52, 102},          {270, 0, 2, 52},
        {0, 60, 52, 27}, {135, 0, 87.3553, 87.3553}, {315, 60, 34.3223, 34.3223},
    };
    for (const auto& c : cases) {
        const QPointF p = CSatPic::labelCentre(client, c.azimuth, c.elevation);
        EXPECT_NEAR(p.x(), c.x, 1e-3) << c.azimuth << "/" << c.elevation;
        EXPECT_NEAR(p.y(), c.y, 1e-3) << c.azimuth << "/" << c.elevation;
    }
    EXPECT_EQ(CSatPic::horizonRect(client), QRectF(2, 2, 100, 100));
    EXPECT_EQ(CSatPic::innerRect(client), QRectF(27, 27, 50, 50));
}

TEST(SatLabel, GpsSlotsShowThePrnAndSbasSlotsAreNumberedFromW1) {
    const struct {
        int slot, prn;
        const char* label;
    } cases[] = {{1, 1, "1"},    {17, 17, "17"}, {32, 32, "32"}, {33, 33, "w1"},
                 {34, 34, "w2"}, {36, 36, "w4"}, {37, 37, "37"}};
    for (const auto& c : cases)
        EXPECT_EQ(ui::satelliteLabel(c.slot, c.prn), c.label) << c.slot;
}

TEST(SatSnapshot, TakesSlotsOneToThirtySevenWithAPrn) {
    engine::GpsState state;
    state.satellites[0].prn = 9; // slot 0 is never a satellite
    state.satellites[3] = {0, 3, 45, 30, 41, 1, 1};
    state.satellites[34] = {0, 34, 200, 35, 38, 0, 1};
    state.satellites[37] = {0, 37, 10, 5, 20, 0, 1};
    state.satellites[38].prn = 38;
    const ui::SatelliteSnapshot snapshot = ui::takeSatelliteSnapshot(state);
    ASSERT_EQ(snapshot.count, 3);
    EXPECT_EQ(snapshot.entries[0].slot, 3);
    EXPECT_EQ(snapshot.entries[0].azimuth, 45);
    EXPECT_EQ(snapshot.entries[0].elevation, 30);
    EXPECT_EQ(snapshot.entries[0].snr, 41);
    EXPECT_TRUE(snapshot.entries[0].used);
    EXPECT_EQ(snapshot.entries[1].slot, 34);
    EXPECT_FALSE(snapshot.entries[1].used);
    EXPECT_EQ(snapshot.entries[2].slot, 37);
}

TEST(SatStrn, RowsAndBarsFollowTheLabelBoxAndFullScaleSixty) {
    const QSize label(20, 12);
    EXPECT_EQ(CSatStrn::labelBox(0, label), QRect(4, 3, 20, 12));
    EXPECT_EQ(CSatStrn::labelBox(1, label), QRect(4, 18, 20, 12));
    EXPECT_EQ(CSatStrn::labelBox(6, label), QRect(4, 93, 20, 12));
    // Client 148 wide: the bar starts at 26 and has 120 pixels up to the frame.
    const QRect box(4, 18, 20, 12);
    const struct {
        int snr;
        QRect bar;
    } cases[] = {{0, QRect()},
                 {-1, QRect()},
                 {15, QRect(26, 18, 30, 12)},
                 {30, QRect(26, 18, 60, 12)},
                 {60, QRect(26, 18, 120, 12)},
                 {75, QRect(26, 18, 120, 12)}};
    for (const auto& c : cases)
        EXPECT_EQ(CSatStrn::barRect(148, box, c.snr), c.bar) << c.snr;
    EXPECT_EQ(CSatStrn::referenceX(148, box), 86);
}

TEST(SatStrn, ScrollBarShowsFromAsManySatellitesAsRows) {
    const struct {
        bool landscape;
        int satellites;
        bool shown;
        int maximum;
    } cases[] = {{false, 6, false, 0}, {false, 7, true, 0},  {false, 12, true, 5},
                 {true, 7, false, 0},  {true, 10, false, 0}, {true, 11, true, 0},
                 {true, 14, true, 3}};
    for (const auto& c : cases) {
        CSatStrn bars;
        bars.resize(140, 200);
        bars.show();
        bars.setLandscape(c.landscape);
        ui::SatelliteSnapshot snapshot;
        for (int i = 0; i < c.satellites; ++i)
            snapshot.entries[static_cast<std::size_t>(snapshot.count++)] = {i + 1, i + 1, 0,
                                                                            0,     40,    true};
        bars.setSnapshot(snapshot);
        EXPECT_EQ(bars.rows(), c.landscape ? 11 : 7);
        EXPECT_EQ(bars.scrollBar()->isVisible(), c.shown) << c.satellites;
        EXPECT_EQ(bars.scrollBar()->maximum(), c.maximum) << c.satellites;
        EXPECT_EQ(bars.scrollBar()->singleStep(), 1);
        EXPECT_EQ(bars.scrollBar()->pageStep(), 3);
    }
}

TEST(SatDetail, ListsOneRowPerSatelliteOfTheSnapshot) {
    ui::SatelliteSnapshot snapshot;
    snapshot.entries[0] = {5, 5, 123, 45, 39, true};
    snapshot.entries[1] = {34, 34, 200, 30, 0, false};
    snapshot.count = 2;
    CSatdetail details(snapshot);
    EXPECT_EQ(details.windowTitle(), "Satellite Details");
    const QTreeWidget* list = details.list();
    const QTreeWidgetItem* header = list->headerItem();
    const QStringList headers = {" Sat #", " Azimuth", " Elev", " SNR ", "Used"};
    for (int column = 0; column < 5; ++column)
        EXPECT_EQ(header->text(column), headers[column]);
    ASSERT_EQ(list->topLevelItemCount(), 2);
    const QStringList rows[] = {{"5", "123", "45", "39", "Y"}, {"w2", "200", "30", "0", "N"}};
    for (int row = 0; row < 2; ++row)
        for (int column = 0; column < 5; ++column)
            EXPECT_EQ(list->topLevelItem(row)->text(column), rows[row][column]) << row;
}

} // namespace
