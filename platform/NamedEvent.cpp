#include "platform/NamedEvent.h"

#include "platform/SharedObject.h"

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <climits>
#include <cstring>
#include <ctime>
#include <linux/futex.h>
#include <mutex>
#include <sys/syscall.h>
#include <unistd.h>
#include <vector>

namespace platform {

namespace {

constexpr uint32_t kSlots = 64;
constexpr int64_t kRejoinCheckMs = 1000;

struct EventSlot {
    char name[NamedEvent::kMaxNameBytes + 1];
    std::atomic<uint32_t> flag;
    uint32_t used;
};

struct EventTable {
    // Advanced by every set; waiters sleep on it. Shared by all slots.
    std::atomic<uint32_t> generation;
    uint32_t reserved;
    EventSlot slots[kSlots];
};

EventTable* tableOf(const SharedObject& object) {
    return static_cast<EventTable*>(object.payload());
}

uint32_t* futexWord(std::atomic<uint32_t>& a) {
    return reinterpret_cast<uint32_t*>(&a);
}

void fail(std::string* reason, int err, const std::string& text) {
    if (reason) *reason = text + ": " + std::strerror(err);
    errno = err;
}

int64_t monotonicMs() {
    timespec ts{};
    clock_gettime(CLOCK_MONOTONIC, &ts);
    return int64_t{ts.tv_sec} * 1000 + ts.tv_nsec / 1000000;
}

// Frees the slots whose holders have all gone. Needs the table's lock.
void freeAbandonedSlots(SharedObject& object) {
    EventTable* t = tableOf(object);
    for (uint32_t i = 0; i < kSlots; ++i) {
        EventSlot& s = t->slots[i];
        if (s.used && !object.slotHeld(i)) {
            std::memset(s.name, 0, sizeof s.name);
            s.flag.store(0);
            s.used = 0;
        }
    }
}

} // namespace

struct NamedEvent::Binding {
    std::unique_ptr<SharedObject> table;
    uint32_t slot = 0;

    EventSlot& event() const { return tableOf(*table)->slots[slot]; }
    // Gives up this process's handle on the slot.
    void release() {
        SharedObject::Lock lock(*table);
        if (!lock.ok()) return;
        table->dropHolder(slot);
        freeAbandonedSlots(*table);
        if (table->unused()) table->unlinkName();
    }
};

namespace {
std::mutex rejoinLock;
} // namespace

NamedEvent::~NamedEvent() {
    close();
}

NamedEvent::NamedEvent(NamedEvent&& other) noexcept : binding_(other.binding_.exchange(nullptr)) {}

NamedEvent& NamedEvent::operator=(NamedEvent&& other) noexcept {
    if (this != &other) {
        close();
        binding_.store(other.binding_.exchange(nullptr));
    }
    return *this;
}

std::optional<NamedEvent> NamedEvent::create(std::string_view name, bool initiallySet,
                                             bool* existed, std::string* reason) {
    return open(name, initiallySet, false, existed, reason);
}

std::optional<NamedEvent> NamedEvent::openExisting(std::string_view name, std::string* reason) {
    return open(name, false, true, nullptr, reason);
}

std::optional<NamedEvent> NamedEvent::open(std::string_view name, bool initiallySet,
                                           bool existingOnly, bool* existed, std::string* reason) {
    const std::string shown = "event \"" + std::string(name) + "\"";
    if (name.empty() || name.size() > kMaxNameBytes || name.find('\0') != std::string_view::npos) {
        fail(reason, name.size() > kMaxNameBytes ? ENAMETOOLONG : EINVAL,
             "invalid name for " + shown);
        return std::nullopt;
    }
    const std::string tableName = sharedTableName("events");
    for (int attempt = 0; attempt < 8; ++attempt) {
        std::unique_ptr<SharedObject> object =
            SharedObject::open(tableName, sizeof(EventTable), existingOnly, reason);
        if (!object) {
            if (errno == ENOENT && existingOnly) fail(reason, ENOENT, "no " + shown);
            return std::nullopt;
        }
        SharedObject::Lock lock(*object);
        if (!lock.ok()) {
            fail(reason, errno, "cannot lock the event table for " + shown);
            return std::nullopt;
        }
        // Its last holder removed the table between our open and our lock: open the new one.
        if (!object->stillLinked()) continue;
        freeAbandonedSlots(*object);
        EventTable* t = tableOf(*object);
        EventSlot* found = nullptr;
        EventSlot* free = nullptr;
        for (EventSlot& s : t->slots) {
            if (s.used && std::string_view(s.name) == name) {
                found = &s;
                break;
            }
            if (!s.used && !free) free = &s;
        }
        if (!found && existingOnly) {
            if (object->unused()) object->unlinkName();
            fail(reason, ENOENT, "no " + shown);
            return std::nullopt;
        }
        if (!found && !free) {
            fail(reason, ENOSPC, "no room for " + shown + " in the event table");
            return std::nullopt;
        }
        EventSlot* slot = found ? found : free;
        uint32_t index = static_cast<uint32_t>(slot - t->slots);
        if (!object->addHolder(index)) {
            fail(reason, ENOSPC, "too many handles on the event table for " + shown);
            return std::nullopt;
        }
        if (!found) {
            std::memcpy(slot->name, name.data(), name.size());
            slot->name[name.size()] = '\0';
            slot->flag.store(initiallySet ? 1 : 0);
            slot->used = 1;
        }
        if (existed) *existed = found != nullptr;
        NamedEvent event;
        event.binding_.store(new Binding{std::move(object), index});
        return event;
    }
    fail(reason, EAGAIN, "the event table for " + shown + " keeps changing");
    return std::nullopt;
}

void NamedEvent::set() {
    rejoin();
    Binding* b = binding_.load();
    if (!b) return;
    b->event().flag.store(1);
    std::atomic<uint32_t>& generation = tableOf(*b->table)->generation;
    generation.fetch_add(1);
    syscall(SYS_futex, futexWord(generation), FUTEX_WAKE, INT_MAX, nullptr, nullptr, 0);
}

void NamedEvent::reset() {
    rejoin();
    if (Binding* b = binding_.load()) b->event().flag.store(0);
}

bool NamedEvent::isSet() const {
    Binding* b = binding_.load();
    return b && b->event().flag.load() != 0;
}

bool NamedEvent::wait(uint32_t timeoutMs) const {
    const NamedEvent* self = this;
    return waitForAny({&self, 1}, timeoutMs) == 0;
}

void NamedEvent::close() {
    std::unique_ptr<Binding> b(binding_.exchange(nullptr));
    if (b) b->release();
}

bool NamedEvent::rejoin() const {
    Binding* b = binding_.load();
    if (!b || b->table->stillLinked()) return false;
    std::lock_guard lock(rejoinLock);
    if (binding_.load() != b) return true; // another thread moved it meanwhile
    const EventSlot& old = b->event();
    std::optional<NamedEvent> moved = open(old.name, old.flag.load() != 0, false, nullptr, nullptr);
    if (!moved) return false; // keep the old table rather than no event at all
    binding_.store(moved->binding_.exchange(nullptr));
    b->release();
    // Another thread may still be reading the old binding: it stays until the process ends.
    static auto* retired = new std::vector<std::unique_ptr<Binding>>;
    retired->emplace_back(b);
    return true;
}

int NamedEvent::waitForAny(std::span<const NamedEvent* const> events, uint32_t timeoutMs) {
    if (events.empty()) return kWaitFailed;
    const int64_t deadline = monotonicMs() + timeoutMs;
    for (;;) {
        Binding* first = events[0] ? events[0]->binding_.load() : nullptr;
        for (const NamedEvent* e : events) {
            Binding* b = e ? e->binding_.load() : nullptr;
            if (!first || !b || !b->table->sameObject(*first->table)) return kWaitFailed;
        }
        std::atomic<uint32_t>& generation = tableOf(*first->table)->generation;
        // The generation is read before the flags: a set that lands after the check changes it,
        // so the futex wait below returns at once instead of sleeping through the set.
        const uint32_t seen = generation.load();
        for (size_t i = 0; i < events.size(); ++i)
            if (events[i]->isSet()) return static_cast<int>(i);
        // Sleeps at most a second at a time, to notice a table removed under the waiter.
        int64_t left = kRejoinCheckMs;
        if (timeoutMs != kInfinite) {
            left = std::min(deadline - monotonicMs(), kRejoinCheckMs);
            if (left <= 0) return kTimedOut;
        }
        timespec limit{static_cast<time_t>(left / 1000), static_cast<long>(left % 1000) * 1000000};
        // Wakes on a set, a signal (EINTR), a generation already moved on (EAGAIN) or the time
        // limit; each case goes round the loop and checks the flags again.
        if (syscall(SYS_futex, futexWord(generation), FUTEX_WAIT, seen, &limit, nullptr, 0) != 0 &&
            errno == ETIMEDOUT)
            for (const NamedEvent* e : events)
                e->rejoin();
    }
}

} // namespace platform
