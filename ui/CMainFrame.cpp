#include "ui/CMainFrame.h"

#include <QApplication>
#include <QCloseEvent>
#include <QMenu>
#include <QMenuBar>
#include <QMessageBox>
#include <mutex>

#include "data/ConfigFile.h"
#include "data/WaypointCommands.h"
#include "engine/Bluetooth.h"
#include "engine/LinkThreads.h"
#include "engine/SerialLink.h"
#include "exchange/CKeyWdgMsg.h"
#include "exchange/KeyboardWedge.h"
#include "exchange/WedgeNotice.h"
#include "geodesy/DatumTable.h"
#include "platform/DynamicLibrary.h"
#include "ui/CCnfDisplay.h"
#include "ui/CCnfGPS.h"
#include "ui/CCnfKeys.h"
#include "ui/CCnfPath.h"
#include "ui/CCnfQuality.h"
#include "ui/CCnfSys.h"
#include "ui/CMultiMark.h"
#include "ui/CMyProp.h"
#include "ui/CNav.h"
#include "ui/CTalpaView.h"
#include "ui/CWayPtScr.h"
#include "ui/CnfKeybdWedge.h"
#include "ui/ConvertCommand.h"
#include "ui/NoFocus.h"
#include "ui/Screen.h"

namespace ui {

CMainFrame::CMainFrame(FrameServices services, QWidget* parent)
    : QMainWindow(parent), services_(std::move(services)),
      engine_(services_.clock, services_.prompter), startup_(services_.applicationDirectory),
      markDialog_(new CMultiMark(services_.prompter, this)),
      core_(engine_, *markDialog_, *this, {}, this), configContext_{engine_, services_.prompter} {
    markDialog_->setController(core_.markController());
    // As the platform's posted message: the frame takes the end of the mark after the dialog's
    // own handling is over.
    markDialog_->setClosedCallback([this](bool exported) {
        QMetaObject::invokeMethod(
            this, [this, exported] { markFinished(exported); }, Qt::QueuedConnection);
    });
    setWindowTitle(QStringLiteral("Corvane"));
    engine_.setStartupServices(&startup_);
    engine_.stackEventTarget = this;
    timer_.setInterval(kUpdateIntervalMs);
    connect(&timer_, &QTimer::timeout, this, [this] { tick(); });
}

CMainFrame::~CMainFrame() {
    timer_.stop();
    engine_.stackEventTarget = nullptr;
    unregisterHotKeys();
    // The backends' threads end here, before anything their handlers reach goes.
    input_.hotKeys.reset();
    if (wedgeWindow_ != nullptr) wedgeWindow_->setNotice(nullptr);
    wedge_.reset();
    notice_.reset();
    if (threads_) threads_->stop();
    core_.exchange().stop();
}

bool CMainFrame::create() {
    buildMenu();
    if (!engine_.start()) return false;
    core_.startExchange();
    threads_ = std::make_unique<engine::LinkThreads>(engine_);

    view_ = new CTalpaView(this);
    setCentralWidget(view_);
    gpsScreen_ = makeGpsScreen(engine_, view_).release();
    gpsScreen_->setAccessibleName(QStringLiteral("GPS"));
    view_->addScreen(gpsScreen_);
    navScreen_ = new CNav(engine_, view_);
    navScreen_->setAccessibleName(QStringLiteral("Nav"));
    view_->addScreen(navScreen_);
    wayPtScreen_ = new CWayPtScr(
        engine_, this, [this] { markCommand(); }, view_);
    wayPtScreen_->setAccessibleName(QStringLiteral("Way Pts"));
    view_->addScreen(wayPtScreen_);
    wedgeWindow_ = new exchange::CKeyWdgMsg(this);
    wedgeWindow_->hide();
    updateConnectText();
    QMetaObject::invokeMethod(this, &CMainFrame::continueStartup, Qt::QueuedConnection);
    return true;
}

void CMainFrame::continueStartup() {
    view_->showScreen(gpsScreen_);
    threads_->start(); // also holds off the system's suspend for the run
    timer_.start();
    reloadWaypointLists();
    hardwareKeys_ =
        platform::DynamicLibrary::load(engine_.applicationDirectory, kHardwareLibrary) != nullptr;
    registerHotKeys();
    // The vendor stack's events were asked for when the engine found its port at start-up;
    // they reach postStackEvent.
    menuBar()->show();
    connect(qApp, &QGuiApplication::applicationStateChanged, this,
            [this](Qt::ApplicationState state) {
                setApplicationActive(state == Qt::ApplicationActive);
            });
    startupFinished_ = true;
}

QAction* CMainFrame::addCommand(QMenu* menu, const char* text, void (CMainFrame::*handler)()) {
    QAction* action = menu->addAction(QString::fromUtf8(text));
    if (handler != nullptr)
        connect(action, &QAction::triggered, this, [this, handler] { (this->*handler)(); });
    else
        action->setEnabled(false); // its dialog or screen is not part of the program yet
    return action;
}

void CMainFrame::buildMenu() {
    QMenu* menu = menuBar()->addMenu(QStringLiteral("Menu"));
    menu->setAccessibleName(QStringLiteral("Menu"));
    addCommand(menu, "About..", &CMainFrame::about);
    connectAction_ = addCommand(menu, kConnectText, &CMainFrame::connectGps);
    QMenu* file = menu->addMenu(QStringLiteral("Waypt File"));
    addCommand(file, "New", &CMainFrame::newWaypointFile);
    addCommand(file, "Open", &CMainFrame::openWaypointFile);
    QMenu* tools = menu->addMenu(QStringLiteral("Tools"));
    addCommand(tools, "&Mark Point", &CMainFrame::markCommand);
    addCommand(tools, "Convert Waypt File", &CMainFrame::convertCommand);
    QMenu* screens = menu->addMenu(QStringLiteral("Screens"));
    addCommand(screens, "&GPS", &CMainFrame::showGpsScreen);
    addCommand(screens, "&Nav", &CMainFrame::showNavScreen);
    addCommand(screens, "&Config", &CMainFrame::configCommand);
    addCommand(screens, "&Way Pts", &CMainFrame::showWayPtScreen);
    addCommand(menu, "E&xit", &CMainFrame::exitCommand);
    for (QMenu* m : {file, tools, screens})
        m->setAccessibleName(m->title());
}

void CMainFrame::tick() {
    // The system's idle timer needs no reset: the suspend time-outs stay off while the link
    // threads run.
    wedgeTicked_ = false;
    core_.tick(); // refresh (the engine lock only tried), publication, then refreshScreen()
    if (!wedgeTicked_ && wedge_) wedge_->tick();
    updateConnectText();
}

void CMainFrame::refreshScreen() {
    wedgeTicked_ = true;
    if (wedge_) wedge_->tick();
    Screen* screen = view_ != nullptr ? view_->currentScreen() : nullptr;
    // While another program is in front the screen rests, unless a waypoint editor is open.
    if (screen == nullptr || (!appActive_ && !wayPtScreen_->editorOpen())) return;
    screen->refresh();
}

void CMainFrame::setApplicationActive(bool active) {
    appActive_ = active;
}

bool CMainFrame::markAllowed() {
    return view_ != nullptr && view_->currentScreen() != nullptr && !wayPtScreen_->editorOpen();
}

platform::Focus* CMainFrame::focus() {
    return input_.focus ? input_.focus.get() : nullptr;
}

void CMainFrame::bringToFront() {
    platform::Focus* windows = focus();
    markStartedBy_ = windows != nullptr ? windows->foreground() : 0;
    raise();
    activateWindow();
}

void CMainFrame::showMarkDialog(bool startedFromOutside) {
    markDialog_->present(startedFromOutside);
}

void CMainFrame::restoreMarkStarter() {
    menuBar()->show();
    platform::Focus* windows = focus();
    if (windows != nullptr && markStartedBy_ != 0) windows->bringToFront(markStartedBy_);
}

void CMainFrame::markExported(const data::MarkState& mark) {
    if (engine_.settings.KWDG != 0 && wedge_)
        wedge_->sendMarkWedge(mark.final.latitude, mark.final.longitude, mark.final.altitude);
}

void CMainFrame::markCommand() {
    core_.mark(false);
}

void CMainFrame::markFinished(bool exported) {
    Screen* screen = view_->currentScreen();
    if (!core_.markController().isOpen() && screen != nullptr) screen->setFocus();
    core_.markFinished(exported);
    markStartedBy_ = 0;
}

namespace {

// The sheet with its seven pages in tab order, each with its place in the apply order.
CMyProp* makeConfigurationSheet(ConfigContext& context, QWidget* parent) {
    auto* sheet = new CMyProp(context, parent);
    sheet->addPage(new CCnfGPS(context, sheet), QStringLiteral("GPS"), 1);
    sheet->addPage(new CCnfPath(context, sheet), QStringLiteral("File"), 3);
    sheet->addPage(new CCnfSys(context, sheet), QStringLiteral("Data"), 4);
    sheet->addPage(new CCnfDisplay(context, geodesy::datumTable(), sheet), QStringLiteral("Units"),
                   2);
    sheet->addPage(new CCnfQuality(context, sheet), QStringLiteral("Mask"), 6);
    sheet->addPage(new CCnfKeys(context, sheet), QStringLiteral("HotKeys"), 5);
    sheet->addPage(new CnfKeybdWedge(context, sheet), QStringLiteral("Keyboard"), 7);
    return sheet;
}

} // namespace

void CMainFrame::configCommand() {
    Screen* screen = view_->currentScreen();
    view_->hideCurrentScreen();
    unregisterHotKeys();
    configContext_.hardwareKeys = hardwareKeys_;
    if (configSheet_ == nullptr) configSheet_ = makeConfigurationSheet(configContext_, this);
    configSheet_->reinitialise();
    const bool confirmed = configSheet_->exec() == QDialog::Accepted;
    if (confirmed && engine_.settingsChanged != 0 && engine_.settings.Protected == 0)
        applyConfiguration();
    configContext_.memExchangeToggled = false;
    registerHotKeys();
    engine_.settingsChanged = 0;
    if (screen != nullptr) view_->showScreen(screen);
}

void CMainFrame::applyConfiguration() {
    configSheet_->apply();
    data::writeSettings(engine_);
    if (configContext_.memExchangeToggled) core_.memExchangeToggled();
    // The waypoint screen shows its details in the new format and units; the Nav pickers take
    // the new distance unit at their next refresh.
    wayPtScreen_->reloadWaypointLists();
    navScreen_->settingsChanged();
}

void CMainFrame::convertCommand() {
    convertWaypointFileCommand(engine_, services_.prompter, this);
}

void CMainFrame::updateConnectText() {
    if (connectAction_ == nullptr) return;
    std::unique_lock<std::mutex> held(engine_.lock(), std::try_to_lock);
    if (!held.owns_lock()) return; // the next tick sets it
    const bool open = engine_.link.portOpen != 0;
    held.unlock();
    const QString text = QString::fromUtf8(open ? kDisconnectText : kConnectText);
    if (connectAction_->text() != text) connectAction_->setText(text);
}

void CMainFrame::postStackEvent(uint32_t code) {
    QMetaObject::invokeMethod(
        this,
        [this, code] {
            engine::handleStackEvent(engine_, code, closedByLinkEvent_);
            updateConnectText();
        },
        Qt::QueuedConnection);
}

bool CMainFrame::openInput() {
    if (!inputOpened_) {
        inputOpened_ = true;
        input_ = services_.openInput();
        // Told once; the program goes on without what is missing.
        if (!input_.reason.empty()) services_.prompter.message(input_.reason);
        if (input_.hotKeys)
            input_.hotKeys->setHandler([this](int identifier) {
                QMetaObject::invokeMethod(
                    this, [this, identifier] { onHotKey(identifier); }, Qt::QueuedConnection);
            });
        if (input_.keys) {
            if (!input_.focus) noFocus_ = std::make_unique<NoFocus>();
            platform::Focus& focus = input_.focus ? *input_.focus : *noFocus_;
            notice_ =
                std::make_unique<exchange::WedgeNotice>(services_.clock, focus, *wedgeWindow_);
            wedge_ =
                std::make_unique<exchange::KeyboardWedge>(engine_, *input_.keys, focus, *notice_);
            notice_->setOver([this](bool sendFollows) { wedge_->noticeOver(sendFollows); });
            wedgeWindow_->setNotice(notice_.get());
        }
    }
    return input_.hotKeys != nullptr;
}

void CMainFrame::registerHotKeys() {
    if (!openInput()) return;
    registerHotKey(kMarkHotKey, platform::MOD_WIN, engine_.settings.MarkKey);
    if (hardwareKeys_)
        registerHotKey(kMarkHotKeyUp, platform::MOD_KEYUP, engine_.settings.MarkKeyF);
    if (engine_.settings.KWDG == 0) return;
    registerHotKey(kWedgeHotKey, platform::MOD_WIN, engine_.settings.KWDGKey);
    if (hardwareKeys_)
        registerHotKey(kWedgeHotKeyUp, platform::MOD_KEYUP, engine_.settings.KWDGKeyF);
}

// A key another program owns is refused: the user is told once per hot key and run, not at
// every registration, and the program goes on without it.
void CMainFrame::registerHotKey(int identifier, uint32_t modifiers, int32_t virtualKey) {
    std::string reason;
    if (input_.hotKeys->registerHotKey(identifier, modifiers, static_cast<uint8_t>(virtualKey),
                                       &reason))
        return;
    const uint32_t bit = 1u << identifier;
    if (hotKeyRefusalsShown_ & bit) return;
    hotKeyRefusalsShown_ |= bit;
    services_.prompter.message(reason.empty() ? "A hot key could not be registered." : reason);
}

void CMainFrame::unregisterHotKeys() {
    if (!input_.hotKeys) return;
    for (int identifier = 1; identifier <= 4; ++identifier)
        input_.hotKeys->unregisterHotKey(identifier);
}

void CMainFrame::onHotKey(int identifier) {
    if (identifier == kMarkHotKey || identifier == kMarkHotKeyUp) {
        // The program in front when the key was pressed gets the mark, and the focus back.
        core_.mark(!appActive_);
        return;
    }
    if ((identifier != kWedgeHotKey && identifier != kWedgeHotKeyUp) || !wedge_) return;
    // Only for another program: the wedge types into the window in front.
    const bool allowed =
        !appActive_ && view_->currentScreen() != nullptr && !core_.markInProgress();
    wedge_->hotKeyPressed(allowed);
}

void CMainFrame::about() {
    QMessageBox::about(this, QStringLiteral("About Corvane"),
                       QStringLiteral("Corvane\nGPS data collection"));
}

void CMainFrame::connectGps() {
    bool autoConnecting = false;
    bool portOpen = false;
    bool stackUp = false;
    {
        std::lock_guard<std::mutex> held(engine_.lock());
        autoConnecting = engine_.link.autoConnecting != 0;
        portOpen = engine_.link.portOpen != 0;
        stackUp = engine_.btStackUp != 0;
    }
    if (autoConnecting) return; // a Bluetooth reconnection is under way
    if (portOpen) {
        engine::closePort(engine_);
    } else if (engine_.settings.BTENBL != 0 && !stackUp && btConnectTries_ < 3) {
        ++btConnectTries_;
        services_.prompter.message(kBluetoothNotReady);
    } else if (engine_.settings.BTENBL != 0 && !stackUp) {
        // After three refusals the stack is taken as ready; the next press connects.
        btConnectTries_ = 0;
        std::lock_guard<std::mutex> held(engine_.lock());
        engine_.btStackUp = 1;
    } else {
        btConnectTries_ = 0;
        const bool opened = engine::openPort(engine_, false);
        std::lock_guard<std::mutex> held(engine_.lock());
        engine_.link.portOpen = opened ? 1 : 0;
    }
    updateConnectText();
}

void CMainFrame::newWaypointFile() {
    data::newWaypointFileCommand(engine_, this);
}

void CMainFrame::openWaypointFile() {
    data::openWaypointFileCommand(engine_, this);
}

void CMainFrame::showGpsScreen() {
    view_->showScreen(gpsScreen_);
}

void CMainFrame::showNavScreen() {
    view_->showScreen(navScreen_);
}

void CMainFrame::showWayPtScreen() {
    view_->showScreen(wayPtScreen_);
}

void CMainFrame::reloadWaypointLists() {
    if (listsReloadPosted_) return;
    listsReloadPosted_ = true;
    QMetaObject::invokeMethod(
        this,
        [this] {
            listsReloadPosted_ = false;
            if (navScreen_ != nullptr) navScreen_->reloadWaypointLists();
            if (wayPtScreen_ != nullptr) wayPtScreen_->reloadWaypointLists();
        },
        Qt::QueuedConnection);
}

void CMainFrame::exitCommand() {
    close(); // the exit sequence runs in closeEvent, as for closing the window
}

void CMainFrame::endOnSignal() {
    askExit_ = false;
    close();
    askExit_ = true;
}

bool CMainFrame::exitSequence() {
    if (askExit_ && !services_.prompter.askYesNo(kAskExit)) return false;
    timer_.stop();
    if (threads_)
        threads_->stop(); // closes the port, ends the threads, puts the suspend time-outs back
    if (!data::saveWaypointsAtExit(engine_)) {
        // A save the user asked for failed: the program stays, with its link threads again, so
        // the waypoints are not lost; the port is reconnected with "GPS Connect".
        threads_ = std::make_unique<engine::LinkThreads>(engine_);
        threads_->start();
        timer_.start();
        updateConnectText();
        return false;
    }
    unregisterHotKeys();
    core_.exchange().stop();
    return true;
}

void CMainFrame::closeEvent(QCloseEvent* event) {
    if (!exitConfirmed_) exitConfirmed_ = exitSequence();
    if (exitConfirmed_)
        event->accept();
    else
        event->ignore();
}

} // namespace ui
