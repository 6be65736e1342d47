// The GPS screen: its texts from the engine, the pause, the diagnostics and the two layouts.

#include <QLabel>
#include <QPushButton>
#include <QTimer>
#include <gtest/gtest.h>

#include "tests/ui/GpsTestEngine.h"
#include "ui/CDiag.h"
#include "ui/CGPS.h"
#include "ui/CSatPic.h"
#include "ui/CSatStrn.h"

namespace {

QString field(const CGPS& screen, const char* name) {
    for (const QLabel* label : screen.findChildren<QLabel*>())
        if (label->accessibleName() == QLatin1String(name)) return label->text();
    ADD_FAILURE() << "no field " << name;
    return {};
}

void fix(engine::GpsEngine& engine) {
    engine.settings.Units = 1;
    engine.state.position.latitude = 47.5;
    engine.state.position.longitude = -8.25;
    engine.state.position.altitude = 412.3;
    engine.state.dop.pdop = 1.84f;
    engine.state.satellites[34] = {0, 34, 90, 0, 33, 1, 1};
}

TEST(GpsScreen, StartsWithItsInitialTextsAndNamesEveryControl) {
    GpsTestEngine gps;
    CGPS screen(gps.engine);
    const struct {
        const char* name;
        const char* text;
    } fields[] = {{"Position", "  "},
                  {"Elevation", "  "},
                  {"Status", "  "},
                  {"PDOP", "PDOP"},
                  {"EHE", "EHE"}};
    for (const auto& f : fields)
        EXPECT_EQ(field(screen, f.name), f.text) << f.name;
    EXPECT_EQ(screen.skyPlot()->accessibleName(), "Sky plot");
    EXPECT_EQ(screen.signalBars()->accessibleName(), "Signal bars");
    EXPECT_EQ(screen.findChild<QPushButton*>()->accessibleName(), "Diag");
}

TEST(GpsScreen, RefreshShowsTheStateUnlessHiddenOrPaused) {
    GpsTestEngine gps;
    fix(gps.engine);
    CGPS screen(gps.engine);
    screen.refresh(); // hidden
    EXPECT_EQ(field(screen, "PDOP"), "PDOP");
    screen.resize(240, 320);
    screen.show();
    screen.setPaused(true);
    screen.refresh();
    EXPECT_EQ(field(screen, "PDOP"), "PDOP");
    screen.setPaused(false);
    screen.refresh();
    EXPECT_EQ(field(screen, "Position"), "N  47.5000000 W  8.2500000");
    EXPECT_EQ(field(screen, "Elevation"), "Elev:  412.3 m");
    EXPECT_EQ(field(screen, "PDOP"), "PDOP: 1.8");
    EXPECT_EQ(field(screen, "Status"), "COM discnt.");
    ASSERT_EQ(screen.skyPlot()->snapshot().count, 1);
    EXPECT_EQ(screen.signalBars()->snapshot().entries[0].slot, 34);
}

TEST(GpsScreen, LayoutFollowsTheAspectRatioAndKeepsTheTexts) {
    GpsTestEngine gps;
    fix(gps.engine);
    CGPS screen(gps.engine);
    screen.resize(240, 320);
    screen.show();
    screen.refresh();
    const QPushButton* diag = screen.findChild<QPushButton*>();
    EXPECT_FALSE(screen.landscape());
    EXPECT_EQ(screen.signalBars()->rows(), 7);
    screen.resize(320, 240);
    EXPECT_TRUE(screen.landscape());
    EXPECT_EQ(screen.signalBars()->rows(), 11);
    EXPECT_GT(screen.skyPlot()->geometry().left(), diag->geometry().right()); // beside the texts
    EXPECT_EQ(field(screen, "PDOP"), "PDOP: 1.8");
    EXPECT_EQ(screen.skyPlot()->snapshot().count, 1);
    screen.grab(); // paints the sky plot and the bars in the landscape layout
    screen.resize(240, 320);
    EXPECT_FALSE(screen.landscape());
    EXPECT_GT(screen.skyPlot()->geometry().top(), diag->geometry().bottom()); // below the texts
}

TEST(GpsScreen, DiagOpensTheModalDiagnosticsAndPassesTheRefreshOn) {
    GpsTestEngine gps;
    fix(gps.engine);
    gps.engine.state.dop.satellitesInView = 9;
    CGPS screen(gps.engine);
    screen.resize(240, 320);
    screen.show();
    bool seen = false;
    QTimer::singleShot(0, &screen, [&] {
        CDiag* diag = screen.diagnostics();
        ASSERT_NE(diag, nullptr);
        seen = true;
        EXPECT_TRUE(diag->isModal());
        EXPECT_TRUE(screen.paused());
        screen.refresh();
        EXPECT_EQ(field(screen, "PDOP"), "PDOP"); // paused: no redraw under the dialog
        QString values;
        for (const QLabel* label : diag->findChildren<QLabel*>())
            if (label->accessibleName() == "sv/used" && !label->buddy()) values = label->text();
        EXPECT_EQ(values, "9/0");
        diag->accept();
    });
    screen.findChild<QPushButton*>()->click();
    EXPECT_TRUE(seen);
    EXPECT_EQ(screen.diagnostics(), nullptr);
    EXPECT_FALSE(screen.paused());
}

} // namespace
