#include "engine/LinkThreads.h"

#include <mutex>

#include "engine/GpsEngine.h"
#include "engine/PowerTimeouts.h"

namespace engine {

LinkThreads::LinkThreads(GpsEngine& engine)
    : engine_(engine), reader_(engine), supervisor_(engine) {}

LinkThreads::~LinkThreads() {
    if (started_) stop();
}

void LinkThreads::start() {
    if (started_) return;
    started_ = true;
    runFlag().store(1);
    reader_.start();
    supervisor_.start();
    applyPowerTimeouts(engine_, false);
}

void LinkThreads::stop() {
    if (stopped_) return;
    stopped_ = true;
    closePort(engine_);
    runFlag().store(0);
    reader_.join();
    supervisor_.join();
    bool reopened;
    {
        std::lock_guard<std::mutex> held(engine_.lock());
        reopened = engine_.link.portOpen != 0 || engine_.port != nullptr;
    }
    if (reopened) closePort(engine_);
    applyPowerTimeouts(engine_, true);
}

} // namespace engine
