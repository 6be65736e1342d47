// The configuration sheet with its "GPS", "File" and "Data" pages: the title, the write
// protection refusing every edit, the pages' apply order, and a cancelled showing forgotten.

#include <gtest/gtest.h>

#include "ui/CCnfGPS.h"
#include "ui/CCnfPath.h"
#include "ui/CCnfSys.h"
#include "ui/CMyProp.h"
#include "ui/ConfigPageFixture.h"

namespace {

class RecordingPage : public ui::ConfigPage {
public:
    RecordingPage(ui::ConfigContext& context, std::vector<int>& order, int rank)
        : ui::ConfigPage(context), order_(order), rank_(rank) {}
    void load() override {}
    void apply() override { order_.push_back(rank_); }

private:
    std::vector<int>& order_;
    int rank_;
};

class ConfigSheet : public ::testing::Test, public ConfigPageFixture {
protected:
    ConfigSheet() {
        pathPage->setFolderPicker([this](const QString&) {
            ++browsed;
            return std::optional<QString>(QStringLiteral("/srv/other/"));
        });
        sheet.addPage(gpsPage, QStringLiteral("GPS"), 1);
        sheet.addPage(pathPage, QStringLiteral("File"), 3);
        sheet.addPage(dataPage, QStringLiteral("Data"), 4);
    }
    CMyProp sheet{context};
    CCnfGPS* gpsPage = new CCnfGPS(context);
    CCnfPath* pathPage = new CCnfPath(context);
    CCnfSys* dataPage = new CCnfSys(context);
    int browsed = 0;
};

TEST_F(ConfigSheet, ProtectedFileRefusesEveryEditAndShowsTheStoredValues) {
    sheet.reinitialise();
    EXPECT_EQ(sheet.windowTitle(), QStringLiteral("Configuration"));
    settings.Protected = 1;
    sheet.reinitialise();
    EXPECT_EQ(sheet.windowTitle(), QStringLiteral("Configuration - Settings are read only"));
    const QString path = fieldText(*pathPage, "Waypoint Data Path");

    choose(*gpsPage, "Baud", "4800");
    click(*gpsPage, "DTR");
    click(*pathPage, "Browse Waypoint Data Path");
    click(*dataPage, "Keyboard wedge");
    typeInto(*dataPage, "Num of Points", "5");
    EXPECT_EQ(messages(), std::vector<std::string>(5, ui::kParameterFileProtected));
    EXPECT_EQ(chosen(*gpsPage, "Baud"), QStringLiteral("9600"));
    EXPECT_TRUE(ticked(*gpsPage, "DTR"));
    EXPECT_EQ(fieldText(*pathPage, "Waypoint Data Path"), path);
    EXPECT_FALSE(ticked(*dataPage, "Keyboard wedge"));
    EXPECT_EQ(fieldText(*dataPage, "Num of Points"), QStringLiteral("180"));
    EXPECT_EQ(browsed, 0);
    EXPECT_EQ(gps.engine.settingsChanged, 0);
    EXPECT_FALSE(context.portChanged);
}

TEST_F(ConfigSheet, PagesApplyInAscendingRank) {
    std::vector<int> order;
    CMyProp ranked(context);
    for (int rank : {3, 1, 4, 2})
        ranked.addPage(new RecordingPage(context, order, rank), QString::number(rank), rank);
    ranked.apply();
    EXPECT_EQ(order, (std::vector<int>{1, 2, 3, 4}));
}

TEST_F(ConfigSheet, CancelledEditsAreForgottenAtTheNextShowing) {
    sheet.reinitialise();
    const QString path = fieldText(*pathPage, "Waypoint Data Path");
    choose(*gpsPage, "Baud", "4800");
    click(*pathPage, "Browse Waypoint Data Path");
    click(*dataPage, "Memory Exchange");
    sheet.reject();
    sheet.reinitialise();
    EXPECT_EQ(chosen(*gpsPage, "Baud"), QStringLiteral("9600"));
    EXPECT_EQ(fieldText(*pathPage, "Waypoint Data Path"), path);
    EXPECT_FALSE(ticked(*dataPage, "Memory Exchange"));
    EXPECT_FALSE(context.portChanged || context.memExchangeToggled);
    EXPECT_EQ(settings.GPSBaud, '4');
}

} // namespace
