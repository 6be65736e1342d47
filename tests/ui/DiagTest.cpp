// The diagnostics dialog: the raw log's catch-up, Freeze, the filter, the values and the GPS
// screen's pause.

#include <QComboBox>
#include <QPushButton>
#include <gtest/gtest.h>

#include "tests/ui/GpsTestEngine.h"
#include "ui/CDiag.h"
#include "ui/CNMEAWnd.h"

namespace {

std::u16string row(const CDiag& diag, int r) {
    return diag.nmeaWindow()->grid().rowText(r);
}

TEST(DiagRawLog, FirstRefreshTakesTheNewestByteThenEverythingAcrossTheWrap) {
    GpsTestEngine gps;
    gps.receive(std::string(4997, 'a') + "b"); // newest byte at 4998
    CDiag diag(gps.engine, nullptr);
    diag.refresh();
    EXPECT_EQ(row(diag, 0), u"b");
    gps.receive("0123"); // 4999, 0, 1, 2
    diag.refresh();
    diag.refresh();
    EXPECT_EQ(row(diag, 0), u"b0123");
}

TEST(DiagRawLog, AfterUnfreezeOnlyTheBytesPastTheRememberedIndexAreShown) {
    GpsTestEngine gps;
    gps.receive("xyz");
    CDiag diag(gps.engine, nullptr);
    diag.refresh();
    QPushButton* freeze = named<QPushButton>(diag, "Freeze");
    ASSERT_NE(freeze, nullptr);
    freeze->click();
    EXPECT_EQ(freeze->accessibleName(), "Unfreeze");
    gps.receive(std::string(5000, 'o') + "LMN"); // 5003 bytes: the log went round once
    diag.refresh();
    EXPECT_EQ(row(diag, 0), u"z");
    freeze->click();
    EXPECT_EQ(freeze->text(), "Freeze");
    diag.refresh();
    EXPECT_EQ(row(diag, 0), u"zLMN");
}

TEST(DiagValues, CountersQualityFixModeAndSbasSlots) {
    const struct {
        int16_t used33, inView33, used34, inView34;
        const char* sbas;
    } cases[] = {
        {0, 0, 0, 0, "0/0"}, {0, 1, 1, 1, "1/3"}, {1, 0, 0, 1, "2/1"}, {1, 1, 1, 0, "3/2"}};
    for (const auto& c : cases) {
        GpsTestEngine gps;
        engine::GpsState& state = gps.engine.state;
        state.dop.satellitesInView = 11, state.position.satellitesUsed = 7;
        state.position.quality = 2, state.dop.fixMode = 3;
        state.satellites[33] = {0, 33, 0, 0, 0, c.used33, c.inView33};
        state.satellites[34] = {0, 34, 0, 0, 0, c.used34, c.inView34};
        CDiag diag(gps.engine, nullptr);
        diag.refresh();
        EXPECT_EQ(textOf(diag, "W1/W2"), c.sbas);
        EXPECT_EQ(textOf(diag, "sv/used"), "11/7");
        EXPECT_EQ(textOf(diag, "Quality"), "2");
        EXPECT_EQ(textOf(diag, "2D/3D"), "3");
    }
}

TEST(DiagDialog, NamesEveryControlAndKeepsItsStateAcrossLayouts) {
    GpsTestEngine gps;
    CDiag diag(gps.engine, nullptr);
    EXPECT_EQ(diag.windowTitle(), "GPS Diagnostics");
    for (const char* name : {"Filter", "NMEA", "Freeze", "Satellite Details", "sv/used", "Quality",
                             "2D/3D", "W1/W2", "Position", "OK", "Cancel"})
        EXPECT_NE(named(diag, name), nullptr) << name;
    auto* filter = named<QComboBox>(diag, "Filter");
    QStringList items;
    for (int i = 0; i < filter->count(); ++i)
        items << filter->itemText(i);
    EXPECT_EQ(items.join(' '), "ALL GGA VTG GSV GSA RMC GNGGA GNVTG GNGSV GNGSA GNRMC GLGSV GAGSV "
                               "GBGSV BDGSV GQGSV GIGSV");
    EXPECT_EQ(filter->currentIndex(), 0);
    filter->setCurrentIndex(3);
    diag.setFrozen(true);
    diag.resize(400, 300);
    diag.show();
    EXPECT_TRUE(diag.landscape());
    diag.resize(300, 400);
    EXPECT_FALSE(diag.landscape());
    EXPECT_TRUE(diag.frozen());
    EXPECT_EQ(diag.nmeaWindow()->grid().filter(), 3);
    diag.grab(); // paints the text window
}

} // namespace
