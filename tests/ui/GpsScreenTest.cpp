// The GPS screen: its texts from the engine, the pause, the diagnostics and the two layouts.

#include <QPushButton>
#include <QTimer>
#include <gtest/gtest.h>

#include "tests/ui/GpsTestEngine.h"
#include "ui/CDiag.h"
#include "ui/CGPS.h"
#include "ui/CSatPic.h"
#include "ui/CSatStrn.h"

namespace {

struct GpsScreen : testing::Test {
    GpsTestEngine gps;
    CGPS screen{gps.engine};
    QPushButton* diag = nullptr;

    void SetUp() override {
        engine::GpsState& state = gps.engine.state;
        gps.engine.settings.Units = 1;
        state.position.latitude = 47.5, state.position.longitude = -8.25;
        state.position.altitude = 412.3;
        state.dop.pdop = 1.84f, state.dop.satellitesInView = 9;
        state.satellites[34] = {0, 34, 90, 0, 33, 1, 1};
        state.satellites[5] = {0, 5, 10, 45, 40, 0, 1}; // in view, not used
        diag = named<QPushButton>(screen, "Diag");
        ASSERT_NE(diag, nullptr);
        screen.resize(240, 320);
    }
};

TEST_F(GpsScreen, RefreshShowsTheStateUnlessHiddenOrPaused) {
    QStringList initial;
    for (const char* name : {"Position", "Elevation", "Status", "PDOP", "EHE"})
        initial << textOf(screen, name);
    EXPECT_EQ(initial.join('|'), "  |  |  |PDOP|EHE");
    screen.refresh(); // hidden
    EXPECT_EQ(textOf(screen, "PDOP"), "PDOP");
    screen.show();
    screen.setPaused(true);
    screen.refresh();
    EXPECT_EQ(textOf(screen, "PDOP"), "PDOP");
    screen.setPaused(false);
    screen.refresh();
    EXPECT_EQ(textOf(screen, "Position"), "N  47.5000000 W  8.2500000");
    EXPECT_EQ(textOf(screen, "Elevation"), "Elev:  412.3 m");
    EXPECT_EQ(textOf(screen, "Status"), "COM discnt.");
    EXPECT_EQ(textOf(screen, "PDOP"), "PDOP: 1.8");
    EXPECT_EQ(screen.skyPlot()->snapshot().count, 2);
    ASSERT_EQ(screen.signalBars()->snapshot().count, 1); // the used satellites only
    EXPECT_EQ(screen.signalBars()->snapshot().entries[0].slot, 34);
    EXPECT_EQ(screen.skyPlot()->accessibleName(), "Sky plot");
    EXPECT_EQ(screen.signalBars()->accessibleName(), "Signal bars");
}

TEST_F(GpsScreen, LayoutFollowsTheAspectRatioAndKeepsTheTexts) {
    screen.show();
    screen.refresh();
    EXPECT_FALSE(screen.landscape());
    EXPECT_EQ(screen.signalBars()->rows(), 7);
    screen.resize(320, 240);
    EXPECT_TRUE(screen.landscape());
    EXPECT_EQ(screen.signalBars()->rows(), 11);
    EXPECT_GT(screen.skyPlot()->geometry().left(), diag->geometry().right()); // beside the texts
    EXPECT_EQ(textOf(screen, "PDOP"), "PDOP: 1.8");
    EXPECT_EQ(screen.skyPlot()->snapshot().count, 2);
    screen.grab(); // paints the sky plot and the bars
    screen.resize(240, 320);
    EXPECT_FALSE(screen.landscape());
    EXPECT_GT(screen.skyPlot()->geometry().top(), diag->geometry().bottom()); // below the texts
}

TEST_F(GpsScreen, DiagOpensTheModalDiagnosticsAndPassesTheRefreshOn) {
    screen.show();
    bool seen = false;
    QTimer::singleShot(0, &screen, [&] {
        CDiag* dialog = screen.diagnostics();
        ASSERT_NE(dialog, nullptr);
        seen = true;
        EXPECT_TRUE(dialog->isModal());
        EXPECT_TRUE(screen.paused());
        screen.refresh();
        EXPECT_EQ(textOf(screen, "PDOP"), "PDOP"); // paused: no redraw under the dialog
        EXPECT_EQ(textOf(*dialog, "sv/used"), "9/0");
        dialog->accept();
    });
    diag->click();
    EXPECT_TRUE(seen);
    EXPECT_EQ(screen.diagnostics(), nullptr);
    EXPECT_FALSE(screen.paused());
}

} // namespace
