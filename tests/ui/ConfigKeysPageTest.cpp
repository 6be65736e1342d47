// The "HotKeys" page: the keys offered with and without the device's key library, codes not
// offered, and a choice of the other function's key. And the write protection, refused once by
// every kind of control of the pages.

#include <QCheckBox>
#include <gtest/gtest.h>

#include "ConfigPageFixture.h"
#include "data/ConfigFile.h"
#include "support/TestSupport.h"
#include "ui/CCnfDisplay.h"
#include "ui/CCnfKeys.h"
#include "ui/CCnfQuality.h"

namespace {

TEST(ConfigKeysPage, ListsOfferTheKeysOfTheLibraryAndShowOtherCodesAsNoKey) {
    const QStringList plain =
        QStringLiteral("Windows Key|Left Menu Menu Key|Home Key|Right Menu Key").split('|');
    const QStringList library = QStringLiteral("Home/F1|Left Soft Key/F2|(Right) Menu Key/F3|"
                                               "Right Soft Key/F4|OK/F5|Insert|Delete")
                                    .split('|');
    const struct {
        bool library;
        int markKey;
        const char* markShown;
    } cases[] = {{false, 194, "Left Menu Menu Key"},
                 {false, 197, "No key!"},
                 {true, 46, "Delete"},
                 {true, 0, "No key!"}};
    for (const auto& c : cases) {
        ConfigEngineFixture f;
        f.context.hardwareKeys = c.library;
        f.engine.settings.MarkKey = c.markKey;
        CCnfKeys page(f.context);
        page.load();
        const QComboBox* mark = named<QComboBox>(page, "Mark Key");
        const QComboBox* wedge = named<QComboBox>(page, "Wedge Key");
        QStringList offered;
        for (int i = 0; i < wedge->count(); ++i)
            offered << wedge->itemText(i);
        EXPECT_EQ(offered, c.library ? library : plain);
        EXPECT_EQ(mark->currentText(), c.markShown) << c.markKey;
        page.apply();
        EXPECT_EQ(f.engine.settings.MarkKey, c.markKey);
    }
}

TEST(ConfigKeysPage, ChoosingTheOtherFunctionsKeySwapsTheLists) {
    ConfigEngineFixture f;
    f.context.hardwareKeys = true;
    CCnfKeys page(f.context);
    page.load();
    choose(*named<QComboBox>(page, "Wedge Key"), "Home/F1");
    EXPECT_EQ(named<QComboBox>(page, "Mark Key")->currentText(), "(Right) Menu Key/F3");
    page.apply();
    const engine::Settings& s = f.engine.settings;
    EXPECT_EQ(std::vector<int>({s.MarkKey, s.MarkKeyF, s.KWDGKey, s.KWDGKeyF}),
              std::vector<int>({195, 235, 193, 233}));
}

TEST(ConfigPagesProtected, EveryKindOfControlRefusesOnce) {
    const struct {
        int page; // Units, Mask, HotKeys
        const char *control, *edit;
    } cases[] = {{0, "Units", "Meters"},
                 {0, "Declination", "9"},
                 {1, "3D Only", nullptr},
                 {2, "Mark Key", "Right Menu Key"}};
    const auto shown = [](const QWidget& w) {
        return w.property("currentText").toString() + w.property("text").toString() +
               w.property("checked").toString();
    };
    for (const auto& c : cases) {
        ConfigEngineFixture f;
        engine::Settings& s = f.engine.settings;
        s.Protected = 1, s.Heading = 'M', s.HeadingUserDecl = 3.0f;
        const std::string stored = data::renderSettings(s);
        CCnfDisplay units(f.context, testsupport::shippedTables());
        CCnfQuality mask(f.context);
        CCnfKeys keys(f.context);
        ui::ConfigPage* page = std::vector<ui::ConfigPage*>{&units, &mask, &keys}[c.page];
        page->load();
        QWidget* control = named(*page, c.control);
        const QString before = shown(*control);
        if (auto* list = qobject_cast<QComboBox*>(control)) choose(*list, c.edit);
        if (auto* field = qobject_cast<QLineEdit*>(control)) type(*field, c.edit);
        if (auto* box = qobject_cast<QCheckBox*>(control)) box->click();
        EXPECT_EQ(shown(*control), before) << c.control;
        EXPECT_EQ(f.prompter.messages(), Messages{ui::kParameterFileProtected}) << c.control;
        EXPECT_EQ(f.engine.settingsChanged, 0);
        EXPECT_EQ(data::renderSettings(s), stored);
    }
}

} // namespace
