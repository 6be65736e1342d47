#pragma once
// The program's one top-level window: owns the engine and the memory exchange (through
// exchange::FrameCore), builds the menu "Menu", hosts the screens in its view, runs the 200 ms
// update timer, receives the wedge hot key, and carries out the start-up and exit sequences.

#include <QMainWindow>
#include <QTimer>
#include <memory>

#include "data/MarkView.h"
#include "data/WaypointViews.h"
#include "engine/GpsEngine.h"
#include "engine/StackEventTarget.h"
#include "exchange/FrameCore.h"
#include "ui/AppStartup.h"
#include "ui/ConfigPage.h"
#include "ui/FrameServices.h"

class CMultiMark;
class CMyProp;
class CNav;
class CWayPtScr;
class QAction;

namespace engine {
class LinkThreads;
}
namespace exchange {
class CKeyWdgMsg;
class KeyboardWedge;
class WedgeNotice;
} // namespace exchange

namespace ui {

class CTalpaView;
class Screen;

inline constexpr int kUpdateIntervalMs = 200;
inline constexpr const char* kConnectText = "&GPS Connect ";
inline constexpr const char* kDisconnectText = "&GPS Disconnect";
inline constexpr const char* kAskExit = "Are you sure you want to exit the application?";
inline constexpr const char* kBluetoothNotReady =
    "Bluetooth Stack is not ready yet. Please try again.";
inline constexpr const char* kHardwareLibrary = "libvhapi.so";
// Hot-key identifiers of the mark and of the wedge: with the Super key, and on release of a
// device key.
inline constexpr int kMarkHotKey = 1;
inline constexpr int kWedgeHotKey = 2;
inline constexpr int kMarkHotKeyUp = 3;
inline constexpr int kWedgeHotKeyUp = 4;

class CMainFrame final : public QMainWindow,
                         public engine::StackEventTarget,
                         public exchange::FrameWindow,
                         public data::WaypointViews {
public:
    explicit CMainFrame(FrameServices services, QWidget* parent = nullptr);
    ~CMainFrame() override;

    // Frame creation: the menu, the engine's start-up, the memory exchange's, then the view with
    // its screens; the rest of the start-up follows as a queued call. False when the engine could
    // not start (its message has been shown): the program then ends.
    bool create();

    // The 200 ms update.
    void tick();
    // The application became active or inactive (another program in front).
    void setApplicationActive(bool active);
    // SIGINT or SIGTERM: the exit sequence without its first question ("Are you sure...?"); the
    // save questions still come, so no waypoint is lost to a kill.
    void endOnSignal();

    engine::GpsEngine& engine() { return engine_; }
    exchange::FrameCore& core() { return core_; }
    CTalpaView* view() const { return view_; }
    Screen* gpsScreen() const { return gpsScreen_; }
    CNav* navScreen() const { return navScreen_; }
    CWayPtScr* wayPtScreen() const { return wayPtScreen_; }
    CMultiMark* markDialog() const { return markDialog_; }
    // The configuration sheet; null before the first "&Config".
    CMyProp* configSheet() const { return configSheet_; }
    bool hardwareKeys() const { return hardwareKeys_; }
    bool updateTimerActive() const { return timer_.isActive(); }
    bool startupFinished() const { return startupFinished_; }

    // engine::StackEventTarget: on the vendor library's thread; queued to this window's.
    void postStackEvent(uint32_t code) override;

    // exchange::FrameWindow
    bool markAllowed() override;
    void bringToFront() override;
    void showMarkDialog(bool startedFromOutside) override;
    void restoreMarkStarter() override;
    void markExported(const data::MarkState& mark) override;
    void refreshScreen() override;

    // data::WaypointViews: the store changed. The lists are reloaded from the event loop, once
    // for any number of changes, never inside the change (which may hold the engine lock).
    void reloadWaypointLists() override;

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    void buildMenu();
    QAction* addCommand(QMenu* menu, const char* text, void (CMainFrame::*handler)());
    void continueStartup();
    bool openInput();
    void registerHotKeys();
    void registerHotKey(int identifier, uint32_t modifiers, int32_t virtualKey);
    void unregisterHotKeys();
    void onHotKey(int identifier);
    platform::Focus* focus();

    // "Mark Point" (also the waypoint screen's "Mark"), and the dialog's close.
    void markCommand();
    void markFinished(bool exported);
    void convertCommand();
    void configCommand();
    // After OK on the sheet: the pages into the settings, cv.ini written, the exchange started or
    // stopped, the screens told.
    void applyConfiguration();
    void updateConnectText();

    void about();
    void connectGps();
    void newWaypointFile();
    void openWaypointFile();
    void showGpsScreen();
    void showNavScreen();
    void showWayPtScreen();
    void exitCommand();
    // The exit's questions and its stops; false when the program stays open.
    bool exitSequence();

    FrameServices services_;
    engine::GpsEngine engine_;
    AppStartup startup_;
    // Made before the core, whose mark logic shows itself in it.
    CMultiMark* markDialog_;
    exchange::FrameCore core_;
    std::unique_ptr<engine::LinkThreads> threads_;
    QTimer timer_;

    CTalpaView* view_ = nullptr;
    Screen* gpsScreen_ = nullptr;
    CNav* navScreen_ = nullptr;
    CWayPtScr* wayPtScreen_ = nullptr;
    ui::ConfigContext configContext_;
    CMyProp* configSheet_ = nullptr;
    exchange::CKeyWdgMsg* wedgeWindow_ = nullptr;
    QAction* connectAction_ = nullptr;

    platform::InputBackends input_;
    bool inputOpened_ = false;
    std::unique_ptr<platform::Focus> noFocus_;
    std::unique_ptr<exchange::WedgeNotice> notice_;
    std::unique_ptr<exchange::KeyboardWedge> wedge_;

    bool hardwareKeys_ = false;
    bool appActive_ = true;
    bool startupFinished_ = false;
    bool exitConfirmed_ = false;
    bool askExit_ = true;
    uint32_t hotKeyRefusalsShown_ = 0; // one bit per hot-key identifier
    bool wedgeTicked_ = false;
    bool listsReloadPosted_ = false;
    platform::Focus::WindowId markStartedBy_ = 0;
    bool closedByLinkEvent_ = false;
    int btConnectTries_ = 0;
};

} // namespace ui
