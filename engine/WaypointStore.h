#pragma once
// The waypoints of the open waypoint file: a fixed table of slots, a list of the free slots and a
// list giving the order of the used ones (the order of the screen's list and of the file). Both
// lists are doubly linked through 16-bit slot indexes, so no operation allocates.
//
// A new waypoint always takes the head of the free list; a deleted one's slot goes to its tail,
// so a freed slot is used again only after every slot that was free before it. A slot's index
// never changes while its waypoint exists. The store is changed under the engine lock.

#include <cstddef>
#include <cstdint>

#include "engine/Waypoint.h"

namespace engine {

class WaypointStore {
public:
    static constexpr int kSlots = 256;
    static constexpr int kNoSlot = -1;

    WaypointStore() { reset(); }

    // Every slot cleared to the free state, the free list 0 to 255 in ascending order, the order
    // list empty. The flags are left alone.
    void reset();

    uint16_t count() const { return count_; }
    // Fewer than 256 waypoints and a free slot.
    bool hasRoom() const { return count_ < kSlots && freeHead_ != kEnd; }
    // The slot the next new waypoint will take, or kNoSlot when the store is full.
    int nextFreeSlot() const { return freeHead_ == kEnd ? kNoSlot : freeHead_; }

    // Takes the head of the free list and appends it to the order list; the slot index, or kNoSlot
    // when full. The caller fills the record (its number included).
    int append();
    // Takes the head of the free list and links it after slot `after` (appends when after is
    // kNoSlot or not in use). The new waypoint's number is its 1-based place and every later
    // waypoint's number grows by one. The slot index, or kNoSlot when full.
    int insertAfter(int after);
    // Unlinks the slot, lowers every later waypoint's number by one, clears the slot and puts it
    // at the tail of the free list. False when the slot is not in use.
    bool remove(int slot);

    bool inUse(int slot) const;
    Waypoint& at(int slot) { return slots_[slot]; }
    const Waypoint& at(int slot) const { return slots_[slot]; }

    // The order list: first() and next() walk it; kNoSlot ends it.
    int first() const { return toSlot(orderHead_); }
    int next(int slot) const { return toSlot(orderNext_[slot]); }
    int previous(int slot) const { return toSlot(orderPrev_[slot]); }
    // Slot at a 0-based place of the list, or kNoSlot; the place of a slot, or -1.
    int slotAt(int place) const;
    int placeOf(int slot) const;

    // Calls f(slot, waypoint) for each waypoint in list order.
    template <class F> void forEach(F&& f) const {
        for (int s = first(); s != kNoSlot; s = next(s))
            f(s, slots_[s]);
    }
    template <class F> void forEach(F&& f) {
        for (int s = first(); s != kNoSlot; s = next(s))
            f(s, slots_[s]);
    }

    // A waypoint file is open; the store differs from it; waypoints were added while no file was
    // open.
    bool waypointFileOpen = false;
    bool waypointsModified = false;
    bool newWaypointsUnsaved = false;
    // The open file's name, kept as 16-bit text for display.
    char16_t fileName[64] = {};

private:
    static constexpr uint16_t kEnd = 0xFFFF;
    static int toSlot(uint16_t link) { return link == kEnd ? kNoSlot : link; }
    int takeFree();
    void linkAfter(int slot, int after);

    Waypoint slots_[kSlots];
    uint16_t freeNext_[kSlots];
    uint16_t freePrev_[kSlots];
    uint16_t freeHead_ = kEnd;
    uint16_t freeTail_ = kEnd;
    uint16_t orderNext_[kSlots];
    uint16_t orderPrev_[kSlots];
    uint16_t orderHead_ = kEnd;
    uint16_t orderTail_ = kEnd;
    bool used_[kSlots];
    uint16_t count_ = 0;
};

} // namespace engine
