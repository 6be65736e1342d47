// The "Units" page: the datum list and its fallbacks, the declination field, and the choices
// reaching the settings.

#include <QComboBox>
#include <QLineEdit>
#include <cstring>
#include <gtest/gtest.h>

#include "ConfigPageFixture.h"
#include "support/TestSupport.h"
#include "ui/CCnfDisplay.h"

namespace {

using Messages = std::vector<std::string>;

TEST(ConfigUnitsPage, DatumMissingFromTheTableShowsWgs84AndIsReplacedOnlyOnApply) {
    const struct {
        const char* stored;
        const char* shown;
        Messages messages;
        const char* applied;
    } cases[] = {
        {"NAS-C", "NAD27, Mean CONUS", {}, "NAS-C"},
        {"XYZ", "World Geodetic System 1984", {kDatumNotDefined}, "WGE"},
    };
    for (const auto& c : cases) {
        ConfigPageFixture f;
        std::strcpy(f.engine.settings.Datum, c.stored);
        CCnfDisplay page(f.context, testsupport::shippedTables());
        page.load();
        const QComboBox* datum = named<QComboBox>(page, "Datum");
        EXPECT_EQ(datum->count(), geodesy::datumTable().datumCount());
        EXPECT_TRUE(datum->currentText().startsWith(QString::fromUtf8(c.shown)))
            << datum->currentText().toStdString();
        EXPECT_EQ(f.prompter.messages(), c.messages) << c.stored;
        EXPECT_STREQ(f.engine.settings.Datum, c.stored);
        EXPECT_EQ(f.engine.settingsChanged, 0);
        page.apply();
        EXPECT_STREQ(f.engine.settings.Datum, c.applied);
    }
}

TEST(ConfigUnitsPage, DatumThatCannotBeTakenFallsBackToWgs84) {
    ConfigPageFixture f;
    const geodesy::DatumTable notLoaded;
    std::strcpy(f.engine.settings.Datum, "NAS-C");
    CCnfDisplay page(f.context, notLoaded);
    page.load();
    page.apply();
    EXPECT_EQ(f.prompter.messages(), (Messages{kDatumNotDefined, kInvalidDatum}));
    EXPECT_STREQ(f.engine.settings.Datum, "WGE");
}

TEST(ConfigUnitsPage, DeclinationOnlyForManualMagAndChoicesReachTheSettings) {
    const struct {
        const char* heading;
        bool enabled;
        const char* shown; // after typing 12.3456 where the field takes it
        char stored;
        float declination;
    } cases[] = {
        {"Manual Mag", true, "12.35", 'M', 12.3456f},
        {"True", false, "0.00", 'T', 1.5f},
        {"Auto Mag", false, "0.00", 'A', 1.5f},
        {"WMM 2K", false, "0.00", 'W', 1.5f},
    };
    for (const auto& c : cases) {
        ConfigPageFixture f;
        f.engine.settings.Heading = 'M';
        f.engine.settings.HeadingUserDecl = 1.5f;
        CCnfDisplay page(f.context, testsupport::shippedTables());
        page.load();
        auto* field = named<QLineEdit>(page, "Declination");
        EXPECT_EQ(field->text(), "1.50");
        choose(*named<QComboBox>(page, "Heading"), c.heading);
        if (field->isEnabled()) type(*field, "12.3456");
        EXPECT_EQ(field->isEnabled(), c.enabled) << c.heading;
        EXPECT_EQ(field->text(), c.shown) << c.heading;
        choose(*named<QComboBox>(page, "Units"), "Feet");
        choose(*named<QComboBox>(page, "Format"), "UTM");
        choose(*named<QComboBox>(page, "Altitude Ref"), "MSL");
        page.apply();
        const engine::Settings& s = f.engine.settings;
        EXPECT_EQ(s.Heading, c.stored);
        EXPECT_FLOAT_EQ(s.HeadingUserDecl, c.declination) << c.heading;
        EXPECT_EQ(std::vector<int>({s.Units, s.Format, s.AltitudeRef}),
                  std::vector<int>({3, 3, 'M'}));
        EXPECT_EQ(f.engine.settingsChanged, 1);
        EXPECT_TRUE(f.prompter.messages().empty());
    }
}

TEST(ConfigUnitsPage, DeclinationOutsideItsRangeIsRefused) {
    ConfigPageFixture f;
    f.engine.settings.Heading = 'M';
    f.engine.settings.HeadingUserDecl = -2.0f;
    CCnfDisplay page(f.context, testsupport::shippedTables());
    page.load();
    type(*named<QLineEdit>(page, "Declination"), "180.5");
    EXPECT_EQ(named<QLineEdit>(page, "Declination")->text(), "-2.00");
    EXPECT_EQ(f.prompter.messages(), Messages{"Enter a number between -180 and 180."});
    page.apply();
    EXPECT_FLOAT_EQ(f.engine.settings.HeadingUserDecl, -2.0f);
}

} // namespace
