// The "Keyboard" page's controls over the wedge sequence's rules (which have tests of their own):
// what the buttons show, and what OK hands to the settings.

#include <QCheckBox>
#include <QComboBox>
#include <QListWidget>
#include <QPushButton>
#include <gtest/gtest.h>

#include "GpsTestEngine.h"
#include "ui/CnfKeybdWedge.h"
#include "ui/ValueField.h"

namespace {

struct KeyboardPage : ::testing::Test {
    GpsTestEngine t;
    ui::ConfigContext context{t.engine, t.prompter};
    CnfKeybdWedge page{context};

    QPushButton* button(const char* name) { return named<QPushButton>(page, name); }
    QListWidget* list(const char* name) { return named<QListWidget>(page, name); }
    QStringList selected() {
        QStringList items;
        for (int i = 0; i < list("Selected Data Items")->count(); ++i)
            items << list("Selected Data Items")->item(i)->text();
        return items;
    }
    QString itemsLeft() { return named<ui::ValueField>(page, "Items Left")->text(); }
};

TEST_F(KeyboardPage, ButtonsShowTheSequenceAndOkHandsItOver) {
    list("Available Data Items")->setCurrentRow(0); // Latitude*
    button("->")->click();
    list("Available Data Items")->setCurrentRow(3); // Tab
    button("->")->click();
    list("Available Data Items")->setCurrentRow(1); // Longitude*
    button("->")->click();
    EXPECT_EQ(selected(), QStringList({"Latitude", "Tab", "Longitude"}));
    EXPECT_EQ(itemsLeft(), "Items Left:32");
    list("Selected Data Items")->setCurrentRow(2);
    button("U")->click();
    EXPECT_EQ(selected(), QStringList({"Latitude", "Longitude", "Tab"}));
    EXPECT_EQ(list("Selected Data Items")->currentRow(), 1) << "the moved entry stays chosen";
    list("Selected Data Items")->setCurrentRow(2);
    button("Del")->click();
    named<QComboBox>(page, "Internal Format")->activated(1); // RIGHT
    EXPECT_EQ(t.engine.settingsChanged, 1);
    EXPECT_EQ(t.engine.settings.KEYWEDGE.count, 0) << "nothing reaches the settings before OK";

    page.apply();
    const engine::KeyWedgeList& stored = t.engine.settings.KEYWEDGE;
    EXPECT_EQ(std::vector<uint8_t>(stored.items, stored.items + stored.count),
              (std::vector<uint8_t>{249, 253}));
    EXPECT_EQ(t.engine.settings.K_INTKEY, 39);
    EXPECT_EQ(t.engine.settings.K_RAW, 0);
}

} // namespace
