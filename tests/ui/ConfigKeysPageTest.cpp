// The "HotKeys" page: the keys offered with and without the device's key library, codes not
// offered, and a choice that takes the other function's key.

#include <QComboBox>
#include <gtest/gtest.h>

#include "ConfigPageFixture.h"
#include "ui/CCnfKeys.h"

namespace {

QStringList entries(const QComboBox& list) {
    QStringList texts;
    for (int i = 0; i < list.count(); ++i)
        texts << list.itemText(i);
    return texts;
}

TEST(ConfigKeysPage, ListsOfferTheKeysOfTheLibraryAndShowOtherCodesAsNoKey) {
    const QStringList plain = {"Windows Key", "Left Menu Menu Key", "Home Key", "Right Menu Key"};
    const QStringList library = {"Home/F1",
                                 "Left Soft Key/F2",
                                 "(Right) Menu Key/F3",
                                 "Right Soft Key/F4",
                                 "OK/F5",
                                 "Insert",
                                 "Delete"};
    const struct {
        bool library;
        int markKey;
        QStringList offered; // the wedge list; the mark list adds "No key!" for a code not offered
        const char* markShown;
    } cases[] = {
        {false, 194, plain, "Left Menu Menu Key"},
        {false, 197, plain, "No key!"},
        {true, 197, library, "OK/F5"},
        {true, 46, library, "Delete"},
        {true, 0, library, "No key!"},
    };
    for (const auto& c : cases) {
        ConfigPageFixture f;
        f.context.hardwareKeys = c.library;
        f.engine.settings.MarkKey = c.markKey;
        CCnfKeys page(f.context);
        page.load();
        const QComboBox* mark = named<QComboBox>(page, "Mark Key");
        const QComboBox* wedge = named<QComboBox>(page, "Wedge Key");
        EXPECT_EQ(entries(*wedge), c.offered);
        EXPECT_EQ(wedge->currentText(), c.library ? "(Right) Menu Key/F3" : "Home Key");
        EXPECT_EQ(mark->currentText(), c.markShown) << c.markKey;
        EXPECT_EQ(mark->count(), c.offered.size() + (c.markShown == QLatin1String("No key!")));
        page.apply();
        EXPECT_EQ(f.engine.settings.MarkKey, c.markKey);
    }
}

TEST(ConfigKeysPage, ChoosingTheOtherFunctionsKeySwapsTheLists) {
    ConfigPageFixture f;
    f.context.hardwareKeys = true;
    CCnfKeys page(f.context);
    page.load();
    auto* mark = named<QComboBox>(page, "Mark Key");
    auto* wedge = named<QComboBox>(page, "Wedge Key");
    choose(*wedge, "Home/F1");
    EXPECT_EQ(mark->currentText(), "(Right) Menu Key/F3");
    EXPECT_EQ(wedge->currentText(), "Home/F1");
    choose(*mark, "Insert");
    page.apply();
    const engine::Settings& s = f.engine.settings;
    EXPECT_EQ(std::vector<int>({s.MarkKey, s.MarkKeyF, s.KWDGKey, s.KWDGKeyF}),
              std::vector<int>({45, 45, 193, 233}));
    EXPECT_EQ(f.engine.settingsChanged, 1);
}

} // namespace
