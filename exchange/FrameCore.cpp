#include "exchange/FrameCore.h"

#include <mutex>

#include "data/DataExchangeFile.h"
#include "engine/GpsEngine.h"

namespace exchange {

FrameCore::FrameCore(engine::GpsEngine& engine, data::MarkView& markView, FrameWindow& window,
                     ExchangeTimings timings, data::WaypointViews* views)
    : engine_(engine), window_(window), exchange_(engine, timings),
      markController_(engine, markView, views) {
    exchange_.setMarkStarter(this);
    engine_.setPublisher(&exchange_);
}

FrameCore::~FrameCore() {
    engine_.setPublisher(nullptr);
    exchange_.setMarkStarter(nullptr);
}

void FrameCore::startExchange() {
    if (!exchange_.createEvents()) {
        engine_.prompter().message(kExchangeDisabled);
        exchangeUsable_ = false;
        return;
    }
    if (engine_.settings.MemExchange != 0) exchange_.start();
}

void FrameCore::memExchangeToggled() {
    if (!exchangeUsable_) return;
    if (engine_.settings.MemExchange != 0)
        exchange_.start();
    else
        exchange_.stop();
}

void FrameCore::tick() {
    // A busy engine skips this tick's refresh and publication; the next tick tries again.
    engine_.refresh();
    if (takeClientMarkRequest()) mark(true);
    if (markController_.isOpen())
        markController_.update();
    else
        window_.refreshScreen();
}

void FrameCore::mark(bool startedFromOutside) {
    if (markController_.isOpen() || !window_.markAllowed()) return;
    bool room = false;
    {
        std::lock_guard<std::mutex> lock(engine_.lock());
        room = engine_.waypoints.hasRoom();
    }
    if (room) {
        storeFullShown_ = false;
    } else if (!storeFullShown_) {
        engine_.prompter().message(kStoreFullNotice);
        storeFullShown_ = true;
    }
    markStartedFromOutside_ = startedFromOutside;
    window_.bringToFront();
    markInProgress_ = true;
    markController_.open(!storeFullShown_);
    window_.showMarkDialog(startedFromOutside);
}

void FrameCore::markFinished(bool exported) {
    if (markStartedFromOutside_) {
        window_.restoreMarkStarter();
        if (exchangeUsable_ && engine_.settings.MemExchange != 0) {
            const data::MarkState& s = markController_.state();
            data::ExchangeMark mark;
            mark.offsetOn = s.offsetOn;
            mark.measured = s.measured;
            mark.final = s.final;
            mark.offsetDistance = s.offsetDistance;
            mark.offsetSlope = s.offsetSlope;
            // In the configured heading reference: magnetic directions carry the declination.
            mark.offsetDirection = engine_.settings.Heading == 'T'
                                       ? s.offsetDirection
                                       : s.offsetDirection + s.declination;
            mark.time = s.markTime;
            mark.fixCount = s.fixCount;
            mark.ehe = s.ehe;
            mark.pdop = s.pdop;
            exchange_.publishMark(exported, mark);
        }
        if (exported) window_.markExported(markController_.state());
    }
    markStartedFromOutside_ = false;
    markInProgress_ = false;
}

void FrameCore::startMarkForClient() {
    clientMarkRequested_.store(true);
}

bool FrameCore::takeClientMarkRequest() {
    return clientMarkRequested_.exchange(false);
}

} // namespace exchange
