#pragma once
// Ports that open or refuse on the test's word. Each logs what is done to it and answers waits
// from a script; with the script used up a wait blocks until the port is disarmed.

#include <atomic>
#include <cerrno>
#include <condition_variable>
#include <deque>
#include <memory>
#include <mutex>
#include <string>

#include "engine/SerialLink.h"
#include "platform/CommPort.h"

namespace fakelink {

using platform::CommEvent;

inline int opens = 0;
inline int refuse = 0; // errno of a refused open; 0 opens
inline bool refuseSettings = false;

class Port final : public platform::CommPort {
public:
    bool configure(const platform::LineSettings& s) override {
        log += "configure " + std::to_string(s.baud) + " " + std::to_string(s.dataBits) + " " +
               std::to_string(int(s.stopBits)) + " " + std::to_string(int(s.parity)) + "|";
        errno = EINVAL;
        return !refuseSettings;
    }
    bool setModemLines(bool dtr, bool rts) override {
        log += "lines dtr" + std::to_string(dtr) + " rts" + std::to_string(rts) + "|";
        return true;
    }
    void purge() override { log += "purge|"; }
    void setEventMask(bool armed) override {
        std::lock_guard<std::mutex> held(m);
        armed_ = armed;
        if (!armed) log += "disarm|";
        changed.notify_all();
    }
    CommEvent waitEvent() override {
        std::unique_lock<std::mutex> held(m);
        ++waits;
        changed.wait(held, [&] { return !armed_ || !script.empty(); });
        if (!armed_) return wokenAs;
        auto [event, counts] = script.front();
        errors = counts;
        script.pop_front();
        return event;
    }
    ssize_t read(uint8_t*, size_t) override {
        ++reads;
        return 0;
    }
    bool clearErrors(platform::LineErrorCounts* counts) override {
        *counts = errors;
        return true;
    }
    void push(CommEvent e, platform::LineErrorCounts c = {}) {
        std::lock_guard<std::mutex> held(m);
        script.emplace_back(e, c);
        changed.notify_all();
    }

    std::string log;
    CommEvent wokenAs = CommEvent::Woken;
    std::atomic<int> waits{0}, reads{0}; // a wait counts as it starts

private:
    std::mutex m;
    std::condition_variable changed;
    bool armed_ = true;
    std::deque<std::pair<CommEvent, platform::LineErrorCounts>> script;
    platform::LineErrorCounts errors;
};

inline std::unique_ptr<platform::CommPort> open(const std::string&) {
    ++opens;
    errno = refuse;
    return refuse != 0 ? nullptr : std::make_unique<Port>();
}

// The fake for one test's lifetime.
struct Installed {
    Installed() { opens = refuse = 0, refuseSettings = false, engine::setCommPortOpener(&open); }
    ~Installed() { engine::setCommPortOpener(nullptr); }
};

} // namespace fakelink
