// The main window driven through its menu and its update tick, with a manual clock, a recording
// prompter, recording input backends and an application folder of its own.

#include <pty.h>
#include <unistd.h>

#include <QAccessible>
#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QLabel>
#include <QListWidget>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QTimer>
#include <gtest/gtest.h>

#include <filesystem>
#include <map>
#include <mutex>
#include <set>
#include <sstream>

#include "data/ConfigFile.h"
#include "engine/LinkThreads.h"
#include "engine/SerialLink.h"
#include "exchange/FrameCore.h"
#include "platform/PortMap.h"
#include "platform/RecordingKeyInjector.h"
#include "platform/Registry.h"
#include "platform/SharedObject.h"
#include "support/NmeaText.h"
#include "support/TestSupport.h"
#include "ui/CMainFrame.h"
#include "ui/CMultiMark.h"
#include "ui/CMyProp.h"
#include "ui/CTalpaView.h"
#include "ui/CWayPtScr.h"
#include "ui/GpsTestEngine.h"
#include "ui/Screen.h"

namespace {

using platform::RecordingPrompter;

class RecordingHotKeys final : public platform::HotKeys {
public:
    void setHandler(Handler h) override { handler = std::move(h); }
    Handler handler;
    // Refuses key 71 as if another program owned it.
    bool registerHotKey(int identifier, uint32_t modifiers, uint8_t key,
                        std::string* reason) override {
        if (key == 71) {
            *reason = "The hot key Super+G is already used by another program.";
            return false;
        }
        registered[identifier] = {modifiers, key};
        return true;
    }
    void unregisterHotKey(int identifier) override { registered.erase(identifier); }
    std::map<int, std::pair<uint32_t, uint8_t>>& registered;
    explicit RecordingHotKeys(std::map<int, std::pair<uint32_t, uint8_t>>& r) : registered(r) {}
};

// Another program's window (77) is in front until the program brings a window forward.
class RecordingFocus final : public platform::Focus {
public:
    WindowId foreground() override { return 77; }
    bool bringToFront(WindowId window) override {
        broughtBack.push_back(window);
        return true;
    }
    std::vector<WindowId> broughtBack;
};

class FrameTest : public ::testing::Test {
protected:
    void SetUp() override {
        setenv("CORVANE_REGISTRY", dir.file("registry.reg").c_str(), 1);
        platform::setSharedObjectPrefix("cvtest-frame-" + std::to_string(getpid()));
    }
    void TearDown() override {
        frame.reset();
        if (master >= 0) ::close(master);
    }
    // The frame on the application folder with this cv.ini, its start-up finished.
    void start(const std::string& ini = "[Corvane]\n") {
        if (std::filesystem::exists(dir.file("cv.ini")))
            testsupport::writeFile(dir.file("cv.ini"), ini);
        else
            testsupport::applicationFolder(dir, ini);
        openInputCalls = 0;
        frame = std::make_unique<ui::CMainFrame>(
            ui::FrameServices{clock, prompter,
                              [this] {
                                  ++openInputCalls;
                                  platform::InputBackends b;
                                  auto keys = std::make_unique<platform::RecordingKeyInjector>();
                                  typed = keys.get();
                                  b.keys = std::move(keys);
                                  auto h = std::make_unique<RecordingHotKeys>(hotKeys);
                                  hotKeyBackend = h.get();
                                  b.hotKeys = std::move(h);
                                  if (withFocus) {
                                      auto f = std::make_unique<RecordingFocus>();
                                      focus = f.get();
                                      b.focus = std::move(f);
                                      return b;
                                  }
                                  b.reason = "No window-in-front backend in this session.";
                                  return b;
                              },
                              dir.path()});
        ASSERT_TRUE(frame->create());
        QCoreApplication::processEvents();
        ASSERT_TRUE(frame->startupFinished());
    }
    // COM3: is a pseudo-terminal, whose other side this test holds.
    void mapPortToPty() {
        char name[256];
        int slave = -1;
        ASSERT_EQ(openpty(&master, &slave, name, nullptr, nullptr), 0);
        ::close(slave);
        platform::Registry registry(dir.file("registry.reg"));
        ASSERT_TRUE(platform::PortMap(registry).setPath("COM3:", name));
    }
    QAction* action(const QString& text) {
        for (QAction* a : frame->findChildren<QAction*>())
            if (a->text() == text) return a;
        ADD_FAILURE() << "no menu entry " << text.toStdString();
        return nullptr;
    }
    // The connect entry's text follows the port at the next tick that finds the engine free.
    bool entryReads(const char* text) {
        return testsupport::eventually([&] {
            frame->tick();
            for (QAction* a : frame->findChildren<QAction*>())
                if (a->text() == QLatin1String(text)) return true;
            return false;
        });
    }
    int count(const std::string& text) {
        int n = 0;
        for (const auto& e : prompter.entries())
            n += e.text == text;
        return n;
    }
    bool portOpen() {
        std::lock_guard<std::mutex> held(frame->engine().lock());
        return frame->engine().link.portOpen != 0;
    }

    testsupport::TempDir dir;
    platform::ManualClock clock;
    RecordingPrompter prompter;
    std::map<int, std::pair<uint32_t, uint8_t>> hotKeys;
    int openInputCalls = 0;
    bool withFocus = false;
    RecordingFocus* focus = nullptr;
    RecordingHotKeys* hotKeyBackend = nullptr;
    platform::RecordingKeyInjector* typed = nullptr;
    int master = -1;
    std::unique_ptr<ui::CMainFrame> frame;
};

TEST_F(FrameTest, StartupFailureEndsTheProgram) {
    // No application folder in the registry: the engine does not start, so neither does the frame.
    ui::CMainFrame failing(ui::FrameServices{clock, prompter, {}, {}});
    EXPECT_FALSE(failing.create());
    EXPECT_EQ(count("(Cannot open Corvane registry key.)"), 1);
    EXPECT_FALSE(failing.updateTimerActive());
}

TEST_F(FrameTest, ExchangeFailureOnlyDisablesTheExchange) {
    // Object names this long cannot be created.
    platform::setSharedObjectPrefix(std::string(300, 'x'));
    start("[Corvane]\nMemExchange=Yes\n");
    EXPECT_EQ(count(exchange::kExchangeDisabled), 1);
    EXPECT_FALSE(frame->core().exchangeUsable());
    EXPECT_FALSE(frame->core().exchange().running());
    EXPECT_TRUE(frame->updateTimerActive());
    EXPECT_EQ(frame->view()->currentScreen(), frame->gpsScreen());
}

TEST_F(FrameTest, ConnectTogglesThePortAndCountsBluetoothRefusals) {
    mapPortToPty();
    start("[Corvane]\nBTENBL=Yes\n");
    ASSERT_TRUE(portOpen()) << (prompter.messages().empty() ? "" : prompter.messages()[0]);
    action("&GPS Disconnect")->trigger();
    EXPECT_FALSE(portOpen());
    ASSERT_TRUE(entryReads("&GPS Connect "));
    {
        std::lock_guard<std::mutex> held(frame->engine().lock());
        frame->engine().btStackUp = 0;
    }
    prompter.clear();
    // Three refusals with their notice, then one press that only takes the stack as ready.
    for (int press = 0; press < 4; ++press)
        action("&GPS Connect ")->trigger();
    EXPECT_EQ(prompter.messages(), std::vector<std::string>(3, ui::kBluetoothNotReady));
    EXPECT_FALSE(portOpen());
    action("&GPS Connect ")->trigger();
    EXPECT_TRUE(portOpen());
    EXPECT_TRUE(entryReads("&GPS Disconnect"));
    EXPECT_EQ(prompter.messages().size(), 3u);
}

TEST_F(FrameTest, ExitAsksAndNoLeavesEverythingRunningASignalAsksOnlyToSave) {
    mapPortToPty();
    start();
    ASSERT_TRUE(portOpen());
    frame->show();
    prompter.queueAnswer(false);
    action("E&xit")->trigger();
    EXPECT_TRUE(frame->isVisible());
    EXPECT_TRUE(frame->updateTimerActive());
    EXPECT_TRUE(portOpen());
    EXPECT_EQ(engine::runFlag().load(), 1);

    // SIGTERM skips the first question, not the save question of new waypoints; No to it ends
    // the program.
    frame->engine().waypoints.newWaypointsUnsaved = true;
    prompter.clear();
    prompter.queueAnswer(false);
    frame->endOnSignal();
    ASSERT_EQ(prompter.entries().size(), 1u);
    EXPECT_EQ(prompter.entries()[0].text,
              "Do you want to save the new waypoints before closing Corvane?");
    EXPECT_FALSE(frame->isVisible());
    EXPECT_FALSE(frame->updateTimerActive());
    EXPECT_FALSE(portOpen());
    EXPECT_EQ(engine::runFlag().load(), 0);
}

TEST_F(FrameTest, MenuHoldsTheEntriesInOrderWithTheirNames) {
    start();
    QMenu* menu = frame->menuBar()->findChild<QMenu*>();
    ASSERT_NE(menu, nullptr);
    EXPECT_EQ(menu->title(), "Menu");
    // Every entry, submenus opened in place, with its accessible name and whether it is enabled.
    QStringList entries;
    std::function<void(QMenu*)> walk = [&](QMenu* m) {
        QAccessibleInterface* list = QAccessible::queryAccessibleInterface(m);
        ASSERT_NE(list, nullptr);
        for (int i = 0; i < list->childCount(); ++i) {
            QAction* a = m->actions().at(i);
            entries << list->child(i)->text(QAccessible::Name) + (a->isEnabled() ? "" : " (off)");
            if (a->menu() != nullptr) walk(a->menu());
        }
    };
    walk(menu);
    EXPECT_EQ(entries, QStringList({"About..", "GPS Connect ", "Waypt File", "New", "Open", "Tools",
                                    "Mark Point", "Convert Waypt File", "Screens", "GPS", "Nav",
                                    "Config", "Way Pts", "Exit"}));
}

TEST_F(FrameTest, GpsScreenIsShownAndRefreshedOnlyWhileTheProgramIsActive) {
    start();
    ui::CTalpaView* view = frame->view();
    EXPECT_EQ(view->currentScreen(), frame->gpsScreen());
    view->hideCurrentScreen();
    action("&GPS")->trigger();
    EXPECT_EQ(view->currentScreen(), frame->gpsScreen());
    EXPECT_EQ(view->currentWidget(), frame->gpsScreen());

    frame->show(); // a hidden screen is not redrawn
    QLabel* elevation = nullptr;
    for (QLabel* l : frame->gpsScreen()->findChildren<QLabel*>())
        if (l->accessibleName() == "Elevation") elevation = l;
    ASSERT_NE(elevation, nullptr);
    const std::string gga = "$GPGGA,120000.00,4807.038,N,01131.000,E,1,08,0.9,545.4,M,46.9,M,,"
                            "*67\r\n";
    frame->engine().receiveBytes(reinterpret_cast<const uint8_t*>(gga.data()), gga.size());
    // The link threads may hold the engine lock at a tick, which then skips its refresh: a few
    // ticks, as the timer would give.
    frame->setApplicationActive(false);
    for (int i = 0; i < 5; ++i)
        frame->tick();
    EXPECT_EQ(elevation->text(), "  ");
    frame->setApplicationActive(true);
    EXPECT_TRUE(testsupport::eventually([&] {
        frame->tick();
        return elevation->text() == "Elev:  1789.4 ft";
    })) << elevation->text().toStdString();
}

TEST_F(FrameTest, HotKeysAreRegisteredAndAMissingOrRefusedKeyIsTold) {
    // Without the hardware library only the Super-key keys: the mark's always, the wedge's with
    // the wedge on.
    using Keys = std::map<int, std::pair<uint32_t, uint8_t>>;
    start("[Corvane]\nMarkKey=72\n");
    EXPECT_EQ(hotKeys, (Keys{{1, {platform::MOD_WIN, 72}}}));
    frame.reset();
    hotKeys.clear();
    start("[Corvane]\nKWDG=Yes\nKWDGKey=70\nMarkKey=72\n");
    EXPECT_FALSE(frame->hardwareKeys());
    EXPECT_EQ(openInputCalls, 1);
    EXPECT_EQ(count("No window-in-front backend in this session."), 2);
    EXPECT_EQ(hotKeys, (Keys{{1, {platform::MOD_WIN, 72}}, {2, {platform::MOD_WIN, 70}}}));

    // A key another program owns: told, and the program goes on without it.
    frame.reset();
    hotKeys.clear();
    start("[Corvane]\nKWDG=Yes\nKWDGKey=71\nMarkKey=72\n");
    EXPECT_EQ(count("The hot key Super+G is already used by another program."), 1);
    EXPECT_EQ(hotKeys, (Keys{{1, {platform::MOD_WIN, 72}}}));
    EXPECT_TRUE(frame->updateTimerActive());
}

// Fix k of a walk north: one second apart, latitude 48 + k / 10000 degrees; PDOP 5 when masked.
std::string fixSentences(int k, bool masked) {
    char gga[128];
    std::snprintf(gga, sizeof gga,
                  "GPGGA,1200%02d.00,48%02d.%04d,N,01131.0000,E,1,08,0.9,545.4,M,"
                  "46.9,M,,",
                  k, 0, k * 60);
    char gsa[96];
    std::snprintf(gsa, sizeof gsa, "GPGSA,A,3,04,05,09,12,24,25,29,30,,,,,%s,0.9,1.5",
                  masked ? "5.0" : "1.8");
    return testsupport::nmea(gga) + testsupport::nmea(gsa);
}

QPushButton* button(const QWidget& window, const char* name) {
    for (QPushButton* b : window.findChildren<QPushButton*>())
        if (b->accessibleName() == QLatin1String(name)) return b;
    ADD_FAILURE() << "no button " << name;
    return nullptr;
}

TEST_F(FrameTest, MarkFromTheMenuAveragesGoodFixesStoresAndListsTheWaypoint) {
    start("[Corvane]\nPointAveraging=Yes\nPointsAveraged=5\nMaskPDOP=Yes\nMaxPDOP=3\n"
          "WaypointPath=" +
          dir.path() + "/\nWaypointFilename=marks.txt\n");
    frame->show();
    action("&Way Pts")->trigger();
    action("&Mark Point")->trigger();
    CMultiMark* dialog = frame->markDialog();
    ASSERT_TRUE(dialog->isVisible());
    EXPECT_FALSE(dialog->staysOnTop());
    button(*dialog, "Store WPT")->click();
    EXPECT_EQ(button(*dialog, "Waiting")->text(), "Waiting");

    // Six fixes, the third masked: five good ones make the average, which is then stored.
    const data::MarkState& mark = frame->core().markController().state();
    for (int k = 1; k <= 6; ++k) {
        clock.advance(1000);
        const std::string bytes = fixSentences(k, k == 3);
        frame->engine().receiveBytes(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size());
        ASSERT_TRUE(testsupport::eventually([&] {
            frame->tick();
            return mark.fixCount + mark.skipCount == k;
        })) << k;
    }
    QCoreApplication::processEvents();
    EXPECT_FALSE(dialog->isVisible());
    EXPECT_FALSE(frame->core().markInProgress());
    EXPECT_EQ(mark.skipCount, 1u);
    EXPECT_NEAR(mark.measured.latitude, 48.0 + (1 + 2 + 4 + 5 + 6) / 5.0 / 10000.0, 1e-9);

    QListWidget* list = frame->wayPtScreen()->findChild<QListWidget*>();
    ASSERT_NE(list, nullptr);
    ASSERT_EQ(list->count(), 1);
    EXPECT_EQ(list->item(0)->text(), "MarkID1");
    const engine::Settings& s = frame->engine().settings;
    const std::string file =
        testsupport::readFile(std::string(s.WaypointPath) + s.WaypointFilename);
    EXPECT_NE(file.find(",MarkID1,"), std::string::npos) << file;
}

TEST_F(FrameTest, MarkHotKeyOverAnotherProgramGivesItTheFocusAndThePositionBack) {
    withFocus = true;
    start("[Corvane]\nKWDG=Yes\nMarkKey=72\nDataExchange=No\nKEYWEDGE=2, 249 13 \n");
    frame->show();
    clock.advance(1000);
    const std::string bytes = fixSentences(1, false);
    frame->engine().receiveBytes(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size());
    ASSERT_TRUE(testsupport::eventually([&] {
        frame->tick();
        std::lock_guard<std::mutex> held(frame->engine().lock());
        return frame->engine().state.position.quality == 1;
    }));
    frame->setApplicationActive(false);
    hotKeyBackend->handler(ui::kMarkHotKey);
    QCoreApplication::processEvents();
    CMultiMark* dialog = frame->markDialog();
    ASSERT_TRUE(dialog->isVisible());
    EXPECT_TRUE(dialog->staysOnTop());
    EXPECT_TRUE(frame->core().markController().state().positionReady);

    button(*dialog, "Export")->click();
    QCoreApplication::processEvents();
    EXPECT_FALSE(dialog->isVisible());
    EXPECT_EQ(focus->broughtBack, std::vector<platform::Focus::WindowId>{77});
    EXPECT_FALSE(typed->events().empty()) << "the exported position is typed into that program";
}

} // namespace

namespace {

// Runs "&Config" with the user's part played by edit, on the sheet while it is up.
void configure(ui::CMainFrame& frame, QAction* command, const std::function<void(CMyProp&)>& edit) {
    QTimer::singleShot(0, &frame, [&frame, edit] { edit(*frame.configSheet()); });
    command->trigger();
}

std::set<std::string> lines(const std::string& text) {
    std::set<std::string> out;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);)
        out.insert(line);
    return out;
}

TEST_F(FrameTest, ConfigurationWritesOnlyWhatOkConfirms) {
    start();
    ASSERT_TRUE(data::writeSettings(frame->engine()));
    const std::string before = testsupport::readFile(dir.file("cv.ini"));
    const auto setMeters = [](CMyProp& sheet) {
        auto* units = named<QComboBox>(sheet, "Units");
        units->setCurrentIndex(4);
        emit units->activated(4);
    };

    // Cancel after an edit, and OK without one, write nothing; the screen comes back.
    configure(*frame, action("&Config"), [&](CMyProp& sheet) {
        setMeters(sheet);
        sheet.reject();
    });
    configure(*frame, action("&Config"), [](CMyProp& sheet) { sheet.accept(); });
    EXPECT_EQ(testsupport::readFile(dir.file("cv.ini")), before);
    EXPECT_EQ(frame->view()->currentScreen(), frame->gpsScreen());

    // OK after the edit writes that value alone, and the hot keys are registered again.
    configure(*frame, action("&Config"), [&](CMyProp& sheet) {
        EXPECT_EQ(sheet.windowTitle(), "Configuration");
        setMeters(sheet);
        sheet.accept();
    });
    EXPECT_EQ(frame->engine().settings.Units, 4);
    std::set<std::string> changed;
    const std::set<std::string> old = lines(before);
    for (const std::string& line : lines(testsupport::readFile(dir.file("cv.ini"))))
        if (!old.count(line)) changed.insert(line);
    EXPECT_EQ(changed, (std::set<std::string>{"Units=Meters"}));
    EXPECT_EQ(hotKeys.count(ui::kMarkHotKey), 1u);
    EXPECT_EQ(frame->engine().settingsChanged, 0);
}

} // namespace
