#pragma once
// Time source for everything below the user interface: a millisecond tick counter that wraps
// like the device's (0 is reserved for "never") and the local wall-clock time.

#include <cstdint>

namespace platform {

// The eight 16-bit fields of the platform's local time record, in its order.
struct SystemTime {
    uint16_t wYear = 0;
    uint16_t wMonth = 0;     // 1..12
    uint16_t wDayOfWeek = 0; // 0 = Sunday
    uint16_t wDay = 0;
    uint16_t wHour = 0;
    uint16_t wMinute = 0;
    uint16_t wSecond = 0;
    uint16_t wMilliseconds = 0;
};

class Clock {
public:
    virtual ~Clock() = default;
    // Milliseconds on a wrapping unsigned 32-bit counter; never returns 0.
    virtual uint32_t tickCount() = 0;
    virtual SystemTime localTime() = 0;
    // Waits (or, for a manual clock, advances time by) the given number of milliseconds.
    virtual void sleepMs(uint32_t ms) = 0;
};

// CLOCK_MONOTONIC and the system's local time zone.
class SystemClock final : public Clock {
public:
    uint32_t tickCount() override;
    SystemTime localTime() override;
    void sleepMs(uint32_t ms) override;
};

// A clock that only moves when told to, for deterministic tests and replays.
class ManualClock final : public Clock {
public:
    explicit ManualClock(uint32_t startTick = 1000) : tick_(startTick) {}
    uint32_t tickCount() override { return tick_ == 0 ? 1 : tick_; }
    SystemTime localTime() override { return local_; }
    void sleepMs(uint32_t ms) override { advance(ms); }

    void advance(uint32_t ms) { tick_ += ms; }
    void setTick(uint32_t tick) { tick_ = tick; }
    void setLocalTime(const SystemTime& t) { local_ = t; }

private:
    uint32_t tick_;
    SystemTime local_{2026, 1, 4, 1, 12, 0, 0, 0};
};

// Ticks elapsed from `earlier` to `now`, correct across the counter's wrap.
inline uint32_t ticksSince(uint32_t now, uint32_t earlier) {
    return now - earlier;
}

} // namespace platform
