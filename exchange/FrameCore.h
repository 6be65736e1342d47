#pragma once
// The main window's work that needs no window: the memory exchange's start-up, the 200 ms update
// tick, the Mark command and the end of a mark. The Qt main window and `cvtool serve` both run
// it; the window supplies what only it can do through FrameWindow, and the Mark Point dialog (or
// a headless stand-in) through data::MarkView, whose markClosed() it forwards to markFinished().

#include <atomic>

#include "data/MarkController.h"
#include "exchange/ExchangeServer.h"

namespace engine {
class GpsEngine;
}

namespace exchange {

inline constexpr const char* kExchangeDisabled =
    "Error creating memory exchange components. Memory exchange is disabled";
inline constexpr const char* kStoreFullNotice = "Maximum number of way points per file has been "
                                                "reached. EXPORT button still available for data "
                                                "export.";

// What the core asks of the window around it. The defaults suit a program without windows.
class FrameWindow {
public:
    virtual ~FrameWindow() = default;
    // A mark may start: a screen is current and no waypoint editor is open.
    virtual bool markAllowed() { return true; }
    // The Mark Point dialog is about to open: note the window in front, bring the program forward.
    virtual void bringToFront() {}
    // The Mark Point dialog was opened for a new mark: show it, above every other window when the
    // mark was started from another program.
    virtual void showMarkDialog(bool /*startedFromOutside*/) {}
    // The mark started from another program has ended: give that program the focus back.
    virtual void restoreMarkStarter() {}
    // An exported mark started from another program, for the keyboard wedge to type.
    virtual void markExported(const data::MarkState&) {}
    // Called after every tick's refresh while no mark is open (the current screen's redraw).
    virtual void refreshScreen() {}
};

class FrameCore final : public MarkStarter {
public:
    // markView is the Mark Point dialog; its markClosed() must call markFinished(). views (may be
    // null) are told when a stored mark adds a waypoint.
    FrameCore(engine::GpsEngine& engine, data::MarkView& markView, FrameWindow& window,
              ExchangeTimings timings = {}, data::WaypointViews* views = nullptr);
    ~FrameCore() override;
    FrameCore(const FrameCore&) = delete;
    FrameCore& operator=(const FrameCore&) = delete;

    // After the engine's start: the exchange's events and, with MemExchange on, its section and
    // thread. A failure to create the events is shown and disables the exchange for the run.
    void startExchange();
    // MemExchange was toggled in the configuration and confirmed: start or stop the exchange.
    void memExchangeToggled();

    // The 200 ms update: the state refresh (which publishes to the exchange), a client's pending
    // mark request, then the Mark Point dialog's update when it is open, else the screen's.
    void tick();

    // The Mark command. startedFromOutside: another program had the focus (a hot key, or a
    // client's blocking mark request); only such a mark is handed to the exchange.
    void mark(bool startedFromOutside);
    // The Mark Point dialog has closed.
    void markFinished(bool exported);

    // MarkStarter: a client's blocking mark request, on the exchange's server thread. Noted
    // here; the next tick (or the window, from its own thread) starts the mark.
    void startMarkForClient() override;
    // Takes a client's mark request noted since the last call; true when there was one.
    bool takeClientMarkRequest();

    ExchangeServer& exchange() { return exchange_; }
    data::MarkController& markController() { return markController_; }
    bool exchangeUsable() const { return exchangeUsable_; }
    bool markInProgress() const { return markInProgress_; }

private:
    engine::GpsEngine& engine_;
    FrameWindow& window_;
    ExchangeServer exchange_;
    data::MarkController markController_;
    std::atomic<bool> clientMarkRequested_{false};
    bool exchangeUsable_ = true;
    bool storeFullShown_ = false;
    bool markStartedFromOutside_ = false;
    bool markInProgress_ = false;
};

} // namespace exchange
