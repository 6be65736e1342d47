// The "Mask" page: the EHE limit in the shown unit, kept in metres, and the refusals of numbers
// the masks cannot take.

#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <gtest/gtest.h>

#include "ConfigPageFixture.h"
#include "support/TestSupport.h"
#include "ui/CCnfDisplay.h"
#include "ui/CCnfQuality.h"
#include "ui/CMyProp.h"

namespace {

using Messages = std::vector<std::string>;

QString unitShown(const QWidget& page) {
    return named<QLabel>(page, "EHE unit")->text();
}

TEST(ConfigMaskPage, EheIsTypedInTheShownUnitAndKeptInMetres) {
    const struct {
        int units;
        float stored;
        const char* shown;
        const char* unit;
        const char* typed;
        float metres;
        const char* shownAgain;
    } cases[] = {
        {3, 0.0f, "0.0", "ft", "32.8", 10.0f, "32.8"},          // Feet
        {0, 10.0f, "32.8", "ft", "3.28084", 1.0f, "3.3"},       // Statute
        {1, 5.0f, "5.0", "m ", "12.5", 12.5f, "12.5"},          // Metric
        {4, 7.26f, "7.3", "m ", "0", 0.0f, "0.0"},              // Meters
        {2, 1.0f, "3.3", "ft", "100000", 30480.0f, "100000.0"}, // Nautical
    };
    for (const auto& c : cases) {
        ConfigPageFixture f;
        f.engine.settings.Units = c.units;
        f.engine.settings.MaxEHE = c.stored;
        CCnfQuality page(f.context);
        page.load();
        auto* field = named<QLineEdit>(page, "Max EHE");
        EXPECT_EQ(field->text(), c.shown) << c.units;
        EXPECT_EQ(unitShown(page), c.unit);
        type(*field, c.typed);
        page.apply();
        EXPECT_NEAR(f.engine.settings.MaxEHE, c.metres, 0.01) << c.units;
        page.load();
        EXPECT_EQ(field->text(), c.shownAgain) << c.units;
        EXPECT_TRUE(f.prompter.messages().empty());
    }
}

// A limit shown in feet stays a limit in feet when the unit system changes to metres on the
// Units page of the same showing: it is converted with the unit it was shown and typed in.
TEST(ConfigMaskPage, UnitChangeInTheSameShowingKeepsTheLimit) {
    const struct {
        const char* typed; // nullptr: the field left as shown
        float metres;
    } cases[] = {{nullptr, 10.0f}, {"65.6", 20.0f}};
    for (const auto& c : cases) {
        ConfigPageFixture f;
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
        sheet.reinitialise();
        EXPECT_EQ(unitShown(*mask), "m ");
    }
}

TEST(ConfigMaskPage, BadNumbersAreRefusedAndTheLastValueStays) {
    const struct {
        const char* field;
        const char* typed;
        const char* refusal; // nullptr: taken
        const char* shown;
    } cases[] = {
        {"Max PDOP", "0", "Enter a number between 0.1 and 50.", "4.0"},
        {"Max PDOP", "1,5", "Please enter a number.", "4.0"},
        {"Max PDOP", "50", nullptr, "50.0"},
        {"Max EHE", "", "Please enter a number.", "2.0"},
        {"Max EHE", "-1", "Enter a number between 0 and 100000.", "2.0"},
        {"Min Sat. Elevation", "90.5", "Enter a number between 0 and 90.", "15.0"},
        {"Min Sat. Elevation", "7.26", nullptr, "7.3"},
        {"Min Sat. SNR", "abc", "Please enter a number.", "30.0"},
        {"Min Sat. SNR", "99.01", "Enter a number between 0 and 99.", "30.0"},
    };
    for (const auto& c : cases) {
        ConfigPageFixture f;
        engine::Settings& s = f.engine.settings;
        s.Units = 1, s.MaxPDOP = 4.0f, s.MaxEHE = 2.0f, s.MinElev = 15.0f, s.MinSNR = 30.0f;
        const engine::Settings before = s;
        CCnfQuality page(f.context);
        page.load();
        auto* field = named<QLineEdit>(page, c.field);
        type(*field, c.typed);
        EXPECT_EQ(field->text(), c.shown) << c.field << " " << c.typed;
        EXPECT_EQ(f.prompter.messages(), c.refusal ? Messages{c.refusal} : Messages{});
        page.apply();
        if (c.refusal) {
            EXPECT_EQ(
                std::vector<float>({s.MaxPDOP, s.MaxEHE, s.MinElev, s.MinSNR}),
                std::vector<float>({before.MaxPDOP, before.MaxEHE, before.MinElev, before.MinSNR}));
        }
    }
}

TEST(ConfigMaskPage, SwitchesReachTheSettings) {
    ConfigPageFixture f;
    f.engine.settings.MaskDGPS = 1;
    CCnfQuality page(f.context);
    page.load();
    for (const char* name :
         {"Max PDOP", "Max EHE", "DGPS Only", "3D Only", "Min Sat. Elevation", "Min Sat. SNR"})
        named<QCheckBox>(page, name)->click();
    page.apply();
    const engine::Settings& s = f.engine.settings;
    EXPECT_EQ(
        std::vector<int>({s.MaskPDOP, s.MaskEHE, s.MaskDGPS, s.Mask3D, s.MaskElev, s.MaskSNR}),
        std::vector<int>({1, 1, 0, 1, 1, 1}));
    EXPECT_EQ(f.engine.settingsChanged, 1);
}

} // namespace
