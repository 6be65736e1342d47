#include "platform/NamedEvent.h"

#include "platform/SharedObject.h"

#include <atomic>
#include <cerrno>
#include <climits>
#include <cstring>
#include <ctime>
#include <linux/futex.h>
#include <sys/syscall.h>
#include <unistd.h>

namespace platform {

namespace {

constexpr uint32_t kSlots = 64;

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

NamedEvent::~NamedEvent() {
    close();
}

NamedEvent::NamedEvent(NamedEvent&& other) noexcept
    : table_(std::move(other.table_)), slot_(other.slot_) {}

NamedEvent& NamedEvent::operator=(NamedEvent&& other) noexcept {
    if (this != &other) {
        close();
        table_ = std::move(other.table_);
        slot_ = other.slot_;
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
        event.table_ = std::move(object);
        event.slot_ = index;
        return event;
    }
    fail(reason, EAGAIN, "the event table for " + shown + " keeps changing");
    return std::nullopt;
}

void NamedEvent::set() {
    if (!table_) return;
    EventTable* t = tableOf(*table_);
    t->slots[slot_].flag.store(1);
    t->generation.fetch_add(1);
    syscall(SYS_futex, futexWord(t->generation), FUTEX_WAKE, INT_MAX, nullptr, nullptr, 0);
}

void NamedEvent::reset() {
    if (table_) tableOf(*table_)->slots[slot_].flag.store(0);
}

bool NamedEvent::isSet() const {
    return table_ && tableOf(*table_)->slots[slot_].flag.load() != 0;
}

bool NamedEvent::wait(uint32_t timeoutMs) const {
    const NamedEvent* self = this;
    return waitForAny({&self, 1}, timeoutMs) == 0;
}

void NamedEvent::close() {
    if (!table_) return;
    {
        SharedObject::Lock lock(*table_);
        if (lock.ok()) {
            table_->dropHolder(slot_);
            freeAbandonedSlots(*table_);
            if (table_->unused()) table_->unlinkName();
        }
    }
    table_.reset();
}

int NamedEvent::waitForAny(std::span<const NamedEvent* const> events, uint32_t timeoutMs) {
    if (events.empty()) return kWaitFailed;
    for (const NamedEvent* e : events)
        if (!e || !e->table_ || !e->table_->sameObject(*events[0]->table_)) return kWaitFailed;
    std::atomic<uint32_t>& generation = tableOf(*events[0]->table_)->generation;
    const int64_t deadline = monotonicMs() + timeoutMs;
    for (;;) {
        // The generation is read before the flags: a set that lands after the check changes it,
        // so the futex wait below returns at once instead of sleeping through the set.
        const uint32_t seen = generation.load();
        for (size_t i = 0; i < events.size(); ++i)
            if (events[i]->isSet()) return static_cast<int>(i);
        timespec remaining{};
        timespec* limit = nullptr;
        if (timeoutMs != kInfinite) {
            int64_t left = deadline - monotonicMs();
            if (left <= 0) return kTimedOut;
            remaining.tv_sec = left / 1000;
            remaining.tv_nsec = (left % 1000) * 1000000;
            limit = &remaining;
        }
        // Wakes on a set, a signal (EINTR), a generation already moved on (EAGAIN) or the time
        // limit; each case goes round the loop and checks the flags again.
        syscall(SYS_futex, futexWord(generation), FUTEX_WAIT, seen, limit, nullptr, 0);
    }
}

} // namespace platform
