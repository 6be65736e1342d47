#include "demo/DemoClient.h"

#include <cvce.h>

#include <cstdio>
#include <string>
#include <system_error>

namespace {

// Codes of SwitchModes and GetError.
constexpr int kRawKind = 0;
constexpr int kOnRequest = 0;
constexpr int kRealTime = 1;

template <typename... Args> std::string format(const char* pattern, Args... args) {
    char text[128];
    std::snprintf(text, sizeof text, pattern, args...);
    return text;
}

short rawError() {
    short code = 0;
    GetError(kRawKind, code);
    return code;
}

} // namespace

DemoClient::DemoClient(DemoHost& host, DemoMessages& messages) : host_(host), messages_(messages) {}

DemoClient::~DemoClient() {
    stopWorker();
}

void DemoClient::refresh() {
    std::unique_lock lock(demoLock_, std::try_to_lock);
    if (!lock.owns_lock()) return;
    static const char* const modeNames[] = {"GET", "TIMED", "RT"};
    DemoFields fields;
    // The space flag has no effect on an unsigned conversion, so the tick has no leading blank.
    fields.tick = format("%lu", tick_);
    fields.quality = format("Q:%d", quality_);
    fields.latitude = format("% .7f", latitude_);
    fields.longitude = format("% .7f", longitude_);
    fields.altitude = format("% .7f", altitude_);
    fields.pdop = format("% .7f", pdop_);
    fields.ehe = format("% .7f", ehe_);
    fields.mode = modeNames[demoMode_];
    fields.count = format("cnt: %d", readCount_);
    host_.showFields(fields);
}

void DemoClient::refreshFromWorker() {
    refresh();
    {
        std::lock_guard lock(refreshMutex_);
        refreshPending_ = false;
    }
    refreshDone_.notify_all();
}

void DemoClient::stopTimer() {
    if (!timerRunning_) return;
    timerRunning_ = false;
    host_.setTimerRunning(false);
}

bool DemoClient::leaveRealTime() {
    if (demoMode_ != ModeRealTime) return true;
    if (SwitchModes(kRawKind, kOnRequest)) return true;
    messages_.message("Could not change modes", "Non Real Time");
    return false;
}

// One raw read with the library's call for the mode; the values are kept only when it succeeds.
bool DemoClient::readRaw(RawRead read) {
    unsigned long tick = 0;
    double latitude = 0, longitude = 0, altitude = 0, pdop = 0, ehe = 0;
    int quality = 0;
    if (!read(tick, latitude, longitude, altitude, pdop, ehe, quality)) return false;
    tick_ = tick, latitude_ = latitude, longitude_ = longitude, altitude_ = altitude;
    pdop_ = pdop, ehe_ = ehe, quality_ = quality;
    return true;
}

void DemoClient::get() {
    stopTimer();
    stopWorker();
    std::lock_guard lock(demoLock_);
    if (!leaveRealTime()) return;
    readCount_ = 0;
    demoMode_ = ModeGet;
    if (readRaw(GetRawGPS)) {
        refresh();
    } else {
        messages_.message(
            format("There has been an error obtaining data. (Error number = %d)", rawError()),
            "Get");
    }
}

void DemoClient::timed() {
    stopWorker();
    std::lock_guard lock(demoLock_);
    if (!leaveRealTime()) return;
    readCount_ = 0;
    demoMode_ = ModeTimed;
    stopTimer();
    timerRunning_ = true;
    host_.setTimerRunning(true);
}

void DemoClient::timerTick() {
    std::lock_guard lock(demoLock_);
    if (!timerRunning_) return;
    ++readCount_;
    if (readRaw(GetRawGPS)) {
        refresh();
        return;
    }
    // The timer stops before the message is shown: a message box runs its own event loop, in
    // which further ticks would each fail and stack another box.
    stopTimer();
    messages_.message(
        format("There has been a error obtaining data. (Error number = %d)", rawError()),
        "Timed Get");
}

void DemoClient::realTime() {
    // Ends the previous worker before the next one starts, so two never read side by side.
    stopWorker();
    std::lock_guard lock(demoLock_);
    stopTimer();
    readCount_ = 0;
    demoMode_ = ModeRealTime;
    keepRunning_ = true;
    try {
        worker_ = std::thread(&DemoClient::workerLoop, this);
    } catch (const std::system_error&) {
        messages_.message("Could not create thread. Data gathering stopped", "Real Time");
        demoMode_ = ModeGet;
        keepRunning_ = false;
    }
}

void DemoClient::stopWorker() {
    keepRunning_ = false;
    {
        std::lock_guard lock(refreshMutex_);
        refreshPending_ = false;
    }
    refreshDone_.notify_all();
    if (worker_.joinable()) worker_.join();
}

void DemoClient::waitForRefresh() {
    {
        std::lock_guard lock(refreshMutex_);
        refreshPending_ = true;
    }
    host_.postRefresh();
    std::unique_lock lock(refreshMutex_);
    refreshDone_.wait(lock, [this] { return !refreshPending_ || !keepRunning_; });
}

void DemoClient::workerLoop() {
    {
        std::lock_guard lock(demoLock_);
        if (!SwitchModes(kRawKind, kRealTime)) {
            messages_.message("Could not change modes", "Real Time");
            keepRunning_ = false;
        }
    }
    int reads = 0;
    while (keepRunning_) {
        bool tickChanged = false;
        {
            std::lock_guard lock(demoLock_);
            // A button pressed while this thread waited for the lock has ended real time.
            if (!keepRunning_) break;
            const unsigned long before = tick_;
            if (readRaw(GetRawRT)) {
                tickChanged = tick_ != before;
            } else {
                messages_.message(format("Error getting real time data. Error =%u",
                                         static_cast<unsigned>(rawError())),
                                  "Real Time");
                keepRunning_ = false;
            }
            readCount_ = reads++;
        }
        if (tickChanged) waitForRefresh();
        std::this_thread::yield();
    }
}
