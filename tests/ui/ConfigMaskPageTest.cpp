// The "Mask" page: the EHE limit typed in the shown unit and kept in metres, and the refusal of
// numbers the masks cannot take.

#include <gtest/gtest.h>

#include "ConfigPageFixture.h"
#include "support/TestSupport.h"
#include "ui/CCnfDisplay.h"
#include "ui/CCnfQuality.h"
#include "ui/CMyProp.h"

namespace {

TEST(ConfigMaskPage, EheIsTypedInTheShownUnitAndKeptInMetres) {
    const struct {
        int units;
        float stored;
        const char *shown, *unit, *typed;
        float metres;
        const char* shownAgain;
    } cases[] = {{3, 0.0f, "0.0", "ft", "32.8", 10.0f, "32.8"},    // Feet
                 {0, 10.0f, "32.8", "ft", "3.28084", 1.0f, "3.3"}, // Statute
                 {4, 7.26f, "7.3", "m ", "12.5", 12.5f, "12.5"}};  // Meters
    for (const auto& c : cases) {
        ConfigEngineFixture f;
        f.engine.settings.Units = c.units;
        f.engine.settings.MaxEHE = c.stored;
        CCnfQuality page(f.context);
        page.load();
        auto* field = named<QLineEdit>(page, "Max EHE");
        EXPECT_EQ(field->text(), c.shown) << c.units;
        EXPECT_EQ(named<QLabel>(page, "EHE unit")->text(), c.unit);
        type(*field, c.typed);
        page.apply();
        EXPECT_NEAR(f.engine.settings.MaxEHE, c.metres, 0.01) << c.units;
        page.load();
        EXPECT_EQ(field->text(), c.shownAgain) << c.units;
    }
}

// A limit shown in feet stays a limit in feet when the Units page of the same showing changes the
// unit system to metres.
TEST(ConfigMaskPage, UnitChangeInTheSameShowingKeepsTheLimit) {
    const struct {
        const char* typed; // nullptr: the field left as shown
        float metres;
    } cases[] = {{nullptr, 10.0f}, {"65.6", 20.0f}};
    for (const auto& c : cases) {
        ConfigEngineFixture f;
        f.engine.settings.Units = 3;
        f.engine.settings.MaxEHE = 10.0f;
        CMyProp sheet(f.context);
        auto* units = new CCnfDisplay(f.context, testsupport::shippedTables());
        auto* mask = new CCnfQuality(f.context);
        sheet.addPage(units, QStringLiteral("Units"), 2);
        sheet.addPage(mask, QStringLiteral("Mask"), 6);
        sheet.reinitialise();
        if (c.typed) type(*named<QLineEdit>(*mask, "Max EHE"), c.typed);
        choose(*named<QComboBox>(*units, "Units"), "Metric");
        sheet.apply();
        EXPECT_EQ(f.engine.settings.Units, 1);
        EXPECT_NEAR(f.engine.settings.MaxEHE, c.metres, 0.01);
    }
}

TEST(ConfigMaskPage, BadNumbersAreRefusedAndTheLastValueStays) {
    const struct {
        const char *field, *typed;
        const char* refusal; // nullptr: taken
        const char* shown;
    } cases[] = {
        {"Max PDOP", "0", "Enter a number between 0.1 and 50.", "4.0"},
        {"Max PDOP", "1,5", "Please enter a number.", "4.0"},
        {"Max EHE", "", "Please enter a number.", "2.0"},
        {"Max EHE", "100001", "Enter a number between 0 and 100000.", "2.0"},
        {"Min Sat. Elevation", "90.5", "Enter a number between 0 and 90.", "15.0"},
        {"Min Sat. SNR", "-1", "Enter a number between 0 and 99.", "30.0"},
        {"Min Sat. SNR", "99", nullptr, "99.0"},
    };
    for (const auto& c : cases) {
        ConfigEngineFixture f;
        engine::Settings& s = f.engine.settings;
        s.Units = 1, s.MaxPDOP = 4.0f, s.MaxEHE = 2.0f, s.MinElev = 15.0f, s.MinSNR = 30.0f;
        CCnfQuality page(f.context);
        page.load();
        type(*named<QLineEdit>(page, c.field), c.typed);
        EXPECT_EQ(named<QLineEdit>(page, c.field)->text(), c.shown) << c.field << " " << c.typed;
        EXPECT_EQ(f.prompter.messages(), c.refusal ? Messages{c.refusal} : Messages{});
        page.apply();
        EXPECT_EQ(std::vector<float>({s.MaxPDOP, s.MaxEHE, s.MinElev, s.MinSNR}),
                  std::vector<float>({4.0f, 2.0f, 15.0f, c.refusal ? 30.0f : 99.0f}));
    }
}

} // namespace
