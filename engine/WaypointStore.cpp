#include "engine/WaypointStore.h"

namespace engine {

void WaypointStore::reset() {
    for (int i = 0; i < kSlots; ++i) {
        slots_[i] = Waypoint{};
        used_[i] = false;
        freePrev_[i] = i == 0 ? kEnd : uint16_t(i - 1);
        freeNext_[i] = i == kSlots - 1 ? kEnd : uint16_t(i + 1);
        orderNext_[i] = orderPrev_[i] = kEnd;
    }
    freeHead_ = 0;
    freeTail_ = kSlots - 1;
    orderHead_ = orderTail_ = kEnd;
    count_ = 0;
}

int WaypointStore::takeFree() {
    if (!hasRoom()) return kNoSlot;
    const uint16_t slot = freeHead_;
    freeHead_ = freeNext_[slot];
    if (freeHead_ == kEnd)
        freeTail_ = kEnd;
    else
        freePrev_[freeHead_] = kEnd;
    freeNext_[slot] = freePrev_[slot] = kEnd;
    used_[slot] = true;
    ++count_;
    return slot;
}

void WaypointStore::linkAfter(int slot, int after) {
    const uint16_t s = uint16_t(slot);
    if (after == kNoSlot) { // at the end
        orderPrev_[s] = orderTail_;
        orderNext_[s] = kEnd;
        if (orderTail_ == kEnd)
            orderHead_ = s;
        else
            orderNext_[orderTail_] = s;
        orderTail_ = s;
        return;
    }
    const uint16_t a = uint16_t(after);
    orderPrev_[s] = a;
    orderNext_[s] = orderNext_[a];
    if (orderNext_[a] == kEnd)
        orderTail_ = s;
    else
        orderPrev_[orderNext_[a]] = s;
    orderNext_[a] = s;
}

int WaypointStore::append() {
    const int slot = takeFree();
    if (slot != kNoSlot) linkAfter(slot, kNoSlot);
    return slot;
}

int WaypointStore::insertAfter(int after) {
    if (!inUse(after)) after = kNoSlot;
    const int slot = takeFree();
    if (slot == kNoSlot) return kNoSlot;
    linkAfter(slot, after);
    for (int s = next(slot); s != kNoSlot; s = next(s))
        ++slots_[s].number;
    slots_[slot].number = int16_t(placeOf(slot) + 1);
    return slot;
}

bool WaypointStore::remove(int slot) {
    if (!inUse(slot)) return false;
    for (int s = next(slot); s != kNoSlot; s = next(s))
        --slots_[s].number;
    const uint16_t s = uint16_t(slot);
    if (orderPrev_[s] == kEnd)
        orderHead_ = orderNext_[s];
    else
        orderNext_[orderPrev_[s]] = orderNext_[s];
    if (orderNext_[s] == kEnd)
        orderTail_ = orderPrev_[s];
    else
        orderPrev_[orderNext_[s]] = orderPrev_[s];
    orderNext_[s] = orderPrev_[s] = kEnd;

    slots_[s] = Waypoint{};
    used_[s] = false;
    freePrev_[s] = freeTail_;
    freeNext_[s] = kEnd;
    if (freeTail_ == kEnd)
        freeHead_ = s;
    else
        freeNext_[freeTail_] = s;
    freeTail_ = s;
    --count_;
    return true;
}

bool WaypointStore::inUse(int slot) const {
    return slot >= 0 && slot < kSlots && used_[slot];
}

int WaypointStore::slotAt(int place) const {
    if (place < 0) return kNoSlot;
    int s = first();
    while (s != kNoSlot && place-- > 0)
        s = next(s);
    return s;
}

int WaypointStore::placeOf(int slot) const {
    if (!inUse(slot)) return -1;
    int place = 0;
    for (int s = first(); s != slot; s = next(s))
        ++place;
    return place;
}

} // namespace engine
