// memdemo's dialog on the offscreen platform: its controls, its keys, and a read without a
// program to answer it.

#include "demo/DemoDialog.h"
#include "tests/demo/DemoTestSupport.h"

#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <gtest/gtest.h>

namespace {

TEST(DemoDialog, ControlsAreFoundByTheirAccessibleNamesWithTheirFirstTexts) {
    demotest::RecordingMessages messages;
    DemoDialog dialog(messages);
    EXPECT_EQ(dialog.windowTitle(), "ZezOdize - Demo 1");
    const struct {
        const char* name;
        const char* text;
    } fields[] = {{"Tic", "0"},          {"Quality", "Q:0"},    {"Lat", " 0.0000000"},
                  {"Lon", " 0.0000000"}, {"Elv", " 0.0000000"}, {"pdop", " 0.0000000"},
                  {"ehe", " 0.0000000"}, {"Mode", "GET"},       {"Count", "cnt: 0"}};
    for (const auto& field : fields)
        EXPECT_EQ(demotest::field(dialog, field.name), field.text) << field.name;
    for (const char* label : {"Tic", "Lat", "Lon", "Elv", "pdop", "ehe"})
        EXPECT_EQ(demotest::named<QLabel>(dialog, label)->text(), label);
    for (const char* button : {"Get", "Timed", "Real Time", "Quit"})
        EXPECT_EQ(demotest::named<QPushButton>(dialog, button)->text(), button);
}

TEST(DemoDialog, EscapeAndEnterDoNotCloseIt) {
    demotest::RecordingMessages messages;
    DemoDialog dialog(messages);
    dialog.show();
    QPushButton* quit = demotest::named<QPushButton>(dialog, "Quit");
    quit->setFocus();
    for (Qt::Key key : {Qt::Key_Escape, Qt::Key_Return, Qt::Key_Enter}) {
        QTest::keyClick(quit, key);
        EXPECT_TRUE(dialog.isVisible()) << key;
    }
    quit->click();
    EXPECT_FALSE(dialog.isVisible());
}

// The only test that waits for the library's time-out (about 3 s): no program serves this
// binary's own shared-object prefix.
TEST(DemoDialog, GetWithoutAProgramReportsTheTimeOutUnderItsCaption) {
    demotest::RecordingMessages messages;
    DemoDialog dialog(messages);
    demotest::named<QPushButton>(dialog, "Get")->click();
    using Entry = demotest::RecordingMessages::Entry;
    EXPECT_EQ(messages.entries(),
              (std::vector<Entry>{
                  {"There has been an error obtaining data. (Error number = 2)", "Get"}}));
    EXPECT_EQ(demotest::field(dialog, "Tic"), "0");
}

} // namespace
