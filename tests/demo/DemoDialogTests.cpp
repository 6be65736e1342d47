// memdemo's dialog on the offscreen platform: its controls and keys, a read without a program to
// answer it, and the three ways of reading against `cvtool serve` replaying a fixed position.

#include "demo/DemoDialog.h"
#include "support/NmeaText.h"
#include "support/TestSupport.h"

#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <gtest/gtest.h>
#include <mutex>

// One QApplication, ended before the program's exit handlers run.
int main(int argc, char** argv) {
    setenv("QT_QPA_PLATFORM", "offscreen", 0);
    testing::InitGoogleTest(&argc, argv);
    QApplication application(argc, argv);
    return RUN_ALL_TESTS();
}

namespace {

// The worker thread reports from its own thread.
class RecordingMessages final : public DemoMessages {
public:
    void message(std::string_view text, std::string_view caption) override {
        std::lock_guard lock(mutex_);
        entries_.push_back(std::string(caption) + ": " + std::string(text));
    }
    std::vector<std::string> entries() {
        std::lock_guard lock(mutex_);
        return entries_;
    }

private:
    std::mutex mutex_;
    std::vector<std::string> entries_; // "caption: text"
};

// The one widget of type T with this accessible name (the test ends when there is none).
template <typename T> T& named(QWidget& parent, const char* name) {
    QList<T*> found;
    for (T* widget : parent.findChildren<T*>())
        if (widget->accessibleName() == QLatin1String(name)) found.append(widget);
    if (found.size() != 1) throw std::runtime_error(std::string("not one control ") + name);
    return *found.front();
}

inline std::string field(QWidget& parent, const char* name) {
    return named<QLineEdit>(parent, name).text().toStdString();
}

// Escape and Enter, also on a focused button, leave it open.
TEST(DemoDialog, ControlsHaveTheirAccessibleNamesAndTextsAndOnlyQuitClosesIt) {
    RecordingMessages messages;
    DemoDialog dialog(messages);
    EXPECT_EQ(dialog.windowTitle(), "ZezOdize - Demo 1");
    const std::pair<const char*, const char*> fields[] = {
        {"Tic", "0"},          {"Quality", "Q:0"},    {"Lat", " 0.0000000"},
        {"Lon", " 0.0000000"}, {"Elv", " 0.0000000"}, {"pdop", " 0.0000000"},
        {"ehe", " 0.0000000"}, {"Mode", "GET"},       {"Count", "cnt: 0"}};
    for (const auto& [name, text] : fields)
        EXPECT_EQ(field(dialog, name), text);
    for (const char* label : {"Tic", "Lat", "Lon", "Elv", "pdop", "ehe"})
        EXPECT_EQ(named<QLabel>(dialog, label).text(), label);
    for (const char* button : {"Get", "Timed", "Real Time", "Quit"})
        EXPECT_EQ(named<QPushButton>(dialog, button).text(), button);
    dialog.show();
    QPushButton& quit = named<QPushButton>(dialog, "Quit");
    quit.setFocus();
    for (Qt::Key key : {Qt::Key_Escape, Qt::Key_Return, Qt::Key_Enter}) {
        QTest::keyClick(&quit, key);
        EXPECT_TRUE(dialog.isVisible()) << key;
    }
    quit.click();
    EXPECT_FALSE(dialog.isVisible());
}

// The only test that waits for the library's time-out (about 3 s).
TEST(DemoDialog, GetWithoutAProgramReportsTheTimeOutUnderItsCaption) {
    RecordingMessages messages;
    DemoDialog dialog(messages);
    named<QPushButton>(dialog, "Get").click();
    EXPECT_EQ(messages.entries(),
              std::vector<std::string>{
                  "Get: There has been an error obtaining data. (Error number = 2)"});
    EXPECT_EQ(field(dialog, "Tic"), "0");
}

TEST(DemoExchange, GetTimedAndRealTimeReadTheServedPosition) {
    testsupport::TempDir dir;
    testsupport::applicationFolder(dir);
    testsupport::writeFile(
        dir.file("fix.nmea"),
        testsupport::nmea("GPGGA,123519,4807.038,N,01131.000,E,1,08,0.9,545.4,M,46.9,M,,") +
            testsupport::nmea("GPGSA,A,3,04,05,,09,12,,,24,,,,,2.5,1.3,2.1"));
    // Its own registry file; its first line once the exchange is up.
    setenv("CORVANE_REGISTRY", dir.file("registry.reg").c_str(), 1);
    testsupport::Process server({CVTOOL_PATH, "serve", "--seconds", "100", "--dir", dir.path(),
                                 "--nmea", dir.file("fix.nmea")},
                                dir.file("out"));
    ASSERT_TRUE(testsupport::eventually(
        [&] { return testsupport::readFile(dir.file("out")).starts_with("serving on"); }));
    RecordingMessages messages;
    auto dialog = std::make_unique<DemoDialog>(messages);
    auto press = [&](const char* name) { named<QPushButton>(*dialog, name).click(); };
    auto text = [&](const char* name) { return field(*dialog, name); };
    auto count = [&] { return std::stoi(text("Count").substr(5)); };

    // The first fix comes within a few updates; the reads are spaced as a user's would be.
    EXPECT_TRUE(QTest::qWaitFor(
        [&] { return press("Get"), text("Quality") == "Q:1" || (QTest::qWait(300), false); },
        10000));
    const std::pair<const char*, const char*> fields[] = {
        {"Lat", " 48.1173000"}, {"Lon", " 11.5166667"}, {"Elv", " 545.4000000"},
        {"pdop", " 2.5000000"}, {"Mode", "GET"},        {"Count", "cnt: 0"}};
    for (const auto& [name, value] : fields)
        EXPECT_EQ(text(name), value);
    EXPECT_NE(text("Tic"), "0");
    // A second press ends the first worker and counts from 0 again.
    for (int round = 0; round < 2; ++round) {
        press("Real Time");
        EXPECT_TRUE(QTest::qWaitFor([&] { return count() <= 1; }, 10000));
        EXPECT_TRUE(QTest::qWaitFor([&] { return count() >= 3; }, 10000));
        EXPECT_EQ(text("Mode"), "RT");
    }
    // "Timed" switches the raw kind back to on request, so its reads are answered.
    press("Timed");
    EXPECT_TRUE(QTest::qWaitFor([&] { return text("Mode") == "TIMED" && count() >= 2; }, 10000));
    press("Real Time");
    EXPECT_TRUE(QTest::qWaitFor([&] { return text("Mode") == "RT"; }, 10000));
    dialog.reset(); // joins the running worker
    EXPECT_EQ(messages.entries(), std::vector<std::string>{});
}

} // namespace
