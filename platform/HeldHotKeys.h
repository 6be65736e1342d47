#pragma once
// Which hot keys the user is holding down, as far as a hot-key backend is told (the desktop
// portal reports a shortcut's press and its release, but not the modifier keys themselves).
// Typing that a hot key started waits here until the keys are let go, so that none of the hot
// key's modifiers is still down when the typed keys reach the other program.

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <mutex>
#include <set>

namespace platform {

class HeldHotKeys {
public:
    void pressed(int identifier) {
        std::lock_guard<std::mutex> held(mutex_);
        held_.insert(identifier);
    }
    void released(int identifier) {
        {
            std::lock_guard<std::mutex> held(mutex_);
            held_.erase(identifier);
        }
        changed_.notify_all();
    }
    // Waits until no hot key is held, at most timeoutMs; false when one still is.
    bool waitUntilNoneHeld(uint32_t timeoutMs) {
        std::unique_lock<std::mutex> held(mutex_);
        return changed_.wait_for(held, std::chrono::milliseconds(timeoutMs),
                                 [this] { return held_.empty(); });
    }

private:
    std::mutex mutex_;
    std::condition_variable changed_;
    std::set<int> held_;
};

} // namespace platform
