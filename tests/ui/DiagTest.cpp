// The diagnostics dialog: the raw log's catch-up, Freeze, the values and the GPS screen's pause.

#include <QComboBox>
#include <QLabel>
#include <QPushButton>
#include <gtest/gtest.h>

#include "tests/ui/GpsTestEngine.h"
#include "ui/CDiag.h"
#include "ui/CGPS.h"
#include "ui/CNMEAWnd.h"

namespace {

QString text(const QWidget& parent, const char* name) {
    for (const QLabel* label : parent.findChildren<QLabel*>())
        if (label->accessibleName() == QLatin1String(name) && !label->buddy()) return label->text();
    ADD_FAILURE() << "no value " << name;
    return {};
}

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
    EXPECT_EQ(row(diag, 0), u"b0123");
    diag.refresh();
    EXPECT_EQ(row(diag, 0), u"b0123");
}

TEST(DiagRawLog, AfterUnfreezeOnlyTheBytesPastTheRememberedIndexAreShown) {
    GpsTestEngine gps;
    gps.receive("xyz");
    CDiag diag(gps.engine, nullptr);
    diag.refresh();
    QPushButton* freeze = nullptr;
    for (QPushButton* b : diag.findChildren<QPushButton*>())
        if (b->text() == "Freeze") freeze = b;
    ASSERT_NE(freeze, nullptr);
    freeze->click();
    EXPECT_TRUE(diag.frozen());
    EXPECT_EQ(freeze->text(), "Unfreeze");
    EXPECT_EQ(freeze->accessibleName(), "Unfreeze");
    gps.receive(std::string(5000, 'o') + "LMN"); // 5003 bytes: the log went round once
    diag.refresh();
    EXPECT_EQ(row(diag, 0), u"z");
    freeze->click();
    EXPECT_EQ(freeze->text(), "Freeze");
    diag.refresh();
    EXPECT_EQ(row(diag, 0), u"zLMN");
}

TEST(DiagRawLog, TheFilterComboSelectsTheSentence) {
    GpsTestEngine gps;
    CDiag diag(gps.engine, nullptr);
    auto* filter = diag.findChild<QComboBox*>();
    ASSERT_EQ(filter->count(), 6);
    const char* items[] = {"ALL", "GGA", "VTG", "GSV", "GSA", "RMC"};
    for (int i = 0; i < 6; ++i)
        EXPECT_EQ(filter->itemText(i), items[i]);
    EXPECT_EQ(filter->currentIndex(), 0);
    filter->setCurrentIndex(4);
    gps.receive("x");
    diag.refresh();
    gps.receive("$GPVTG,1\r\n$GPGSA,2\r\n$GPGSV,3\r\n");
    diag.refresh();
    EXPECT_EQ(row(diag, 0), u"$GPGSA,2");
    EXPECT_EQ(row(diag, 1), u"");
}

TEST(DiagValues, CountersQualityFixModeAndSbasSlots) {
    const struct {
        int16_t used33, inView33, used34, inView34;
        const char* sbas;
    } cases[] = {
        {0, 0, 0, 0, "0/0"}, {0, 1, 1, 1, "1/3"}, {1, 0, 0, 1, "2/1"}, {1, 1, 1, 0, "3/2"}};
    for (const auto& c : cases) {
        GpsTestEngine gps;
        gps.engine.state.dop.satellitesInView = 11;
        gps.engine.state.position.satellitesUsed = 7;
        gps.engine.state.position.quality = 2;
        gps.engine.state.dop.fixMode = 3;
        gps.engine.state.satellites[33].used = c.used33;
        gps.engine.state.satellites[33].inView = c.inView33;
        gps.engine.state.satellites[34].used = c.used34;
        gps.engine.state.satellites[34].inView = c.inView34;
        CDiag diag(gps.engine, nullptr);
        diag.refresh();
        EXPECT_EQ(text(diag, "W1/W2"), c.sbas);
        EXPECT_EQ(text(diag, "sv/used"), "11/7");
        EXPECT_EQ(text(diag, "Quality"), "2");
        EXPECT_EQ(text(diag, "2D/3D"), "3");
    }
}

TEST(DiagDialog, PausesTheGpsScreenWhileOpenAndKeepsItsStateAcrossLayouts) {
    GpsTestEngine gps;
    CGPS screen(gps.engine);
    {
        CDiag diag(gps.engine, &screen);
        EXPECT_EQ(diag.windowTitle(), "GPS Diagnostics");
        EXPECT_TRUE(diag.isModal());
        EXPECT_TRUE(screen.paused());
        const char* names[] = {"Filter",   "NMEA",    "Freeze", "Satellite Details",
                               "sv/used",  "Quality", "2D/3D",  "W1/W2",
                               "Position", "OK",      "Cancel"};
        for (const char* name : names) {
            bool found = false;
            for (const QWidget* w : diag.findChildren<QWidget*>())
                found = found || w->accessibleName() == QLatin1String(name);
            EXPECT_TRUE(found) << name;
        }
        gps.receive("$GPGGA");
        diag.setFrozen(true);
        diag.resize(400, 300);
        diag.show();
        EXPECT_TRUE(diag.landscape());
        diag.resize(300, 400);
        EXPECT_FALSE(diag.landscape());
        EXPECT_TRUE(diag.frozen());
        diag.grab(); // paints the text window in the portrait layout
        diag.reject();
        EXPECT_FALSE(screen.paused());
    }
}

} // namespace
