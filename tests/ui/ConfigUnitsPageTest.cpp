// The "Units" page: the datum list and its fallbacks, the declination field, and the choices
// reaching the settings.

#include <cstring>
#include <gtest/gtest.h>

#include "ConfigPageFixture.h"
#include "support/TestSupport.h"
#include "ui/CCnfDisplay.h"

namespace {

// A datum missing from the table is shown as WGS 84 and replaced only on apply; one that cannot be
// taken at all (no table) falls back to WGS 84 too.
TEST(ConfigUnitsPage, DatumMissingFromTheTableBecomesWgs84) {
    const geodesy::DatumTable& shipped = testsupport::shippedTables();
    const geodesy::DatumTable notLoaded;
    const struct {
        const geodesy::DatumTable& table;
        const char *stored, *shown;
        Messages messages;
        const char* applied;
    } cases[] = {{shipped, "NAS-C", "NAD27, Mean CONUS", {}, "NAS-C"},
                 {shipped, "XYZ", "World Geodetic System 1984", {kDatumNotDefined}, "WGE"},
                 {notLoaded, "NAS-C", "", {kDatumNotDefined, kInvalidDatum}, "WGE"}};
    for (const auto& c : cases) {
        ConfigEngineFixture f;
        std::strcpy(f.engine.settings.Datum, c.stored);
        CCnfDisplay page(f.context, c.table);
        page.load();
        const QComboBox* datum = named<QComboBox>(page, "Datum");
        EXPECT_EQ(datum->count(), c.table.datumCount());
        EXPECT_EQ(datum->currentText(), c.shown);
        EXPECT_STREQ(f.engine.settings.Datum, c.stored);
        page.apply();
        EXPECT_EQ(f.prompter.messages(), c.messages);
        EXPECT_STREQ(f.engine.settings.Datum, c.applied);
    }
}

TEST(ConfigUnitsPage, DeclinationOnlyForManualMagAndChoicesReachTheSettings) {
    const struct {
        const char* heading;
        const char* shown; // after typing 12.3456 where the field takes it
        char stored;
        float declination;
    } cases[] = {{"Manual Mag", "12.35", 'M', 12.3456f}, {"WMM 2K", "0.00", 'W', 1.5f}};
    for (const auto& c : cases) {
        ConfigEngineFixture f;
        f.engine.settings.Heading = 'M';
        f.engine.settings.HeadingUserDecl = 1.5f;
        CCnfDisplay page(f.context, testsupport::shippedTables());
        page.load();
        auto* field = named<QLineEdit>(page, "Declination");
        EXPECT_EQ(field->text(), "1.50");
        choose(*named<QComboBox>(page, "Heading"), c.heading);
        if (field->isEnabled()) type(*field, "12.3456");
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
    }
}

} // namespace
