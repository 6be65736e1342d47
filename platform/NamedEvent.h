#pragma once
// Manual-reset events shared between the user's processes by name, like the platform's named
// events: the memory exchange's seven events and "PowerManager/ReloadActivityTimeouts".
//
// All events of a user live in one event table, a shared object ("/corvane-<uid>.events") of
// slots that each hold an event's name and its flag, plus one generation counter for the table.
// set() stores the flag, advances the generation and wakes every waiter on it (a futex shared
// between processes); reset() clears the flag. A waiter loops: it reads the generation, checks
// its flags and sleeps on the generation until it changes or the time is up. A waiter holds no
// lock, so one killed while waiting leaves nothing behind, and any set wakes all waiters, which
// lets one wait cover events in any slots.
//
// An event lives while some process holds a handle to it: the last close frees its slot (and the
// table goes when its last event does). Handles of a process that has died are not counted.

#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <string_view>

namespace platform {

class SharedObject;

class NamedEvent {
public:
    static constexpr uint32_t kInfinite = 0xFFFFFFFFu;
    // Results of waitForAny besides an index.
    static constexpr int kTimedOut = -1;
    static constexpr int kWaitFailed = -2;
    // Longest event name in bytes.
    static constexpr size_t kMaxNameBytes = 127;

    NamedEvent() = default;
    ~NamedEvent();
    NamedEvent(NamedEvent&& other) noexcept;
    NamedEvent& operator=(NamedEvent&& other) noexcept;
    NamedEvent(const NamedEvent&) = delete;
    NamedEvent& operator=(const NamedEvent&) = delete;

    // Creates the event in the state initiallySet, or opens it when it exists (its state is then
    // kept and existed, when given, becomes true). Nothing on failure, with errno and reason set.
    static std::optional<NamedEvent> create(std::string_view name, bool initiallySet,
                                            bool* existed = nullptr, std::string* reason = nullptr);
    // Opens the event only when it exists; nothing (errno ENOENT) otherwise.
    static std::optional<NamedEvent> openExisting(std::string_view name,
                                                  std::string* reason = nullptr);

    bool isOpen() const { return table_ != nullptr; }
    void set();
    void reset();
    bool isSet() const;
    // True when the event is set or becomes set within timeoutMs (kInfinite: no limit).
    bool wait(uint32_t timeoutMs) const;
    // Closes this handle; the event goes when no live process holds it any more.
    void close();

    // Waits until one of the events is set and returns the index of the first set one in the
    // given order, or kTimedOut after timeoutMs. kWaitFailed when the list is empty, a handle is
    // closed, or the events are not all in the same table (one was opened before the user's
    // shared objects were removed at logout and one after).
    static int waitForAny(std::span<const NamedEvent* const> events, uint32_t timeoutMs);

private:
    static std::optional<NamedEvent> open(std::string_view name, bool initiallySet,
                                          bool existingOnly, bool* existed, std::string* reason);

    std::unique_ptr<SharedObject> table_;
    uint32_t slot_ = 0;
};

} // namespace platform
