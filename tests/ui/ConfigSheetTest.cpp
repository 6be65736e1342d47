// The configuration sheet with its "GPS", "File" and "Data" pages: the title, the write
// protection refusing every edit, the pages' apply order, and a cancelled showing forgotten at the
// next.

#include <gtest/gtest.h>

#include <cstring>
#include <functional>

#include "ui/CCnfGPS.h"
#include "ui/CCnfPath.h"
#include "ui/CCnfSys.h"
#include "ui/CMyProp.h"
#include "ui/ConfigPageFixture.h"

namespace {

// A page that notes when it is applied.
class RecordingPage : public ui::ConfigPage {
public:
    RecordingPage(ui::ConfigContext& context, std::vector<int>& order, int id)
        : ui::ConfigPage(context), order_(order), id_(id) {}
    void load() override {}
    void apply() override { order_.push_back(id_); }

private:
    std::vector<int>& order_;
    int id_;
};

class ConfigSheet : public ::testing::Test, public ConfigPageFixture {
public:
    ConfigSheet() {
        std::strcpy(settings().WaypointPath, "/srv/points/");
        gpsPage = new CCnfGPS(context);
        pathPage = new CCnfPath(context);
        dataPage = new CCnfSys(context);
        pathPage->setFolderPicker([this](const QString&) {
            ++browsed;
            return std::optional<QString>(QStringLiteral("/srv/other/"));
        });
        sheet.addPage(gpsPage, QStringLiteral("GPS"), 1);
        sheet.addPage(pathPage, QStringLiteral("File"), 3);
        sheet.addPage(dataPage, QStringLiteral("Data"), 4);
    }
    CMyProp sheet{context};
    CCnfGPS* gpsPage;
    CCnfPath* pathPage;
    CCnfSys* dataPage;
    int browsed = 0;
};

TEST_F(ConfigSheet, TitleTellsWhetherTheSettingsAreReadOnly) {
    const struct {
        int32_t protectedFile;
        const char* title;
    } cases[] = {{0, "Configuration"}, {1, "Configuration - Settings are read only"}};
    for (const auto& c : cases) {
        settings().Protected = c.protectedFile;
        sheet.reinitialise();
        EXPECT_EQ(sheet.windowTitle(), QString::fromUtf8(c.title));
    }
}

// Each edit is a user's gesture on a page and what the page shows afterwards.
struct Edit {
    const char* what;
    std::function<void(ConfigSheet&)> gesture;
    std::function<QString(ConfigSheet&)> shown;
    QString stored;
};

TEST_F(ConfigSheet, ProtectedFileRefusesEveryEditAndShowsTheStoredValue) {
    settings().Protected = 1;
    sheet.reinitialise();
    const Edit edits[] = {
        {"Port", [](ConfigSheet& t) { choose(*t.gpsPage, "Port", "COM5:"); },
         [](ConfigSheet& t) { return chosen(*t.gpsPage, "Port"); }, QStringLiteral("COM3:")},
        {"Baud", [](ConfigSheet& t) { choose(*t.gpsPage, "Baud", "4800"); },
         [](ConfigSheet& t) { return chosen(*t.gpsPage, "Baud"); }, QStringLiteral("9600")},
        {"DTR", [](ConfigSheet& t) { click(*t.gpsPage, "DTR"); },
         [](ConfigSheet& t) { return QString::number(ticked(*t.gpsPage, "DTR")); },
         QStringLiteral("1")},
        {"Browse", [](ConfigSheet& t) { click(*t.pathPage, "Browse Waypoint Data Path"); },
         [](ConfigSheet& t) { return fieldText(*t.pathPage, "Waypoint Data Path"); },
         QStringLiteral("/srv/points/")},
        {"Keyboard wedge", [](ConfigSheet& t) { click(*t.dataPage, "Keyboard wedge"); },
         [](ConfigSheet& t) { return QString::number(ticked(*t.dataPage, "Keyboard wedge")); },
         QStringLiteral("0")},
        {"Num of Points", [](ConfigSheet& t) { typeInto(*t.dataPage, "Num of Points", "5"); },
         [](ConfigSheet& t) { return fieldText(*t.dataPage, "Num of Points"); },
         QStringLiteral("180")},
    };
    for (const Edit& e : edits) {
        gps.prompter.clear();
        e.gesture(*this);
        EXPECT_EQ(messages(), std::vector<std::string>{ui::kParameterFileProtected}) << e.what;
        EXPECT_EQ(e.shown(*this), e.stored) << e.what;
    }
    EXPECT_EQ(browsed, 0);
    EXPECT_EQ(gps.engine.settingsChanged, 0);
    EXPECT_FALSE(context.portChanged);
    EXPECT_FALSE(context.memExchangeToggled);
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
    choose(*gpsPage, "Baud", "4800");
    click(*pathPage, "Browse Waypoint Data Path");
    click(*dataPage, "Memory Exchange");
    typeInto(*dataPage, "Num of Points", "12");
    sheet.reject();
    gps.engine.settingsChanged = 0; // the main window clears it after every showing

    sheet.reinitialise();
    EXPECT_EQ(chosen(*gpsPage, "Baud"), QStringLiteral("9600"));
    EXPECT_EQ(fieldText(*pathPage, "Waypoint Data Path"), QStringLiteral("/srv/points/"));
    EXPECT_FALSE(ticked(*dataPage, "Memory Exchange"));
    EXPECT_EQ(fieldText(*dataPage, "Num of Points"), QStringLiteral("180"));
    EXPECT_FALSE(context.portChanged);
    EXPECT_FALSE(context.memExchangeToggled);
    EXPECT_EQ(settings().GPSBaud, '4');
    EXPECT_EQ(settings().PointsAveraged, 180);
}

} // namespace
