// While cv.ini is write protected every kind of control on the pages refuses its edit once and
// shows the stored value again.

#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <functional>
#include <gtest/gtest.h>

#include "ConfigPageFixture.h"
#include "data/ConfigFile.h"
#include "support/TestSupport.h"
#include "ui/CCnfDisplay.h"
#include "ui/CCnfKeys.h"
#include "ui/CCnfQuality.h"

namespace {

TEST(ConfigPagesProtected, EveryKindOfControlRefusesOnce) {
    enum Page { Units, Mask, Keys };
    const struct {
        const char* control;
        Page page;
        std::function<QString(QWidget&)> edit; // the edit, then what the control shows
        const char* shown;
    } cases[] = {
        {"list", Units,
         [](QWidget& page) {
             auto* list = named<QComboBox>(page, "Units");
             choose(*list, "Meters");
             return list->currentText();
         },
         "Feet"},
        {"number field", Units,
         [](QWidget& page) {
             auto* field = named<QLineEdit>(page, "Declination");
             type(*field, "9");
             return field->text();
         },
         "3.00"},
        {"check box", Mask,
         [](QWidget& page) {
             auto* box = named<QCheckBox>(page, "3D Only");
             box->click();
             return box->isChecked() ? QStringLiteral("on") : QStringLiteral("off");
         },
         "off"},
        {"key list", Keys,
         [](QWidget& page) {
             auto* list = named<QComboBox>(page, "Mark Key");
             choose(*list, "Right Menu Key");
             return list->currentText();
         },
         "Windows Key"},
    };
    for (const auto& c : cases) {
        ConfigPageFixture f;
        engine::Settings& s = f.engine.settings;
        s.Protected = 1, s.Units = 3, s.Heading = 'M', s.HeadingUserDecl = 3.0f;
        const std::string before = data::renderSettings(s);
        CCnfDisplay units(f.context, testsupport::shippedTables());
        CCnfQuality mask(f.context);
        CCnfKeys keys(f.context);
        ui::ConfigPage* pages[] = {&units, &mask, &keys};
        ui::ConfigPage& page = *pages[c.page];
        page.load();
        EXPECT_EQ(c.edit(page), c.shown) << c.control;
        EXPECT_EQ(f.prompter.messages(), std::vector<std::string>{ui::kParameterFileProtected})
            << c.control;
        EXPECT_EQ(f.engine.settingsChanged, 0);
        EXPECT_EQ(data::renderSettings(s), before) << c.control;
    }
}

} // namespace
