#pragma once
// What the waypoint logic tells the screens that list waypoints (the waypoint screen and the
// navigation pickers). The windows implement it; tests record the calls.

namespace data {

class WaypointViews {
public:
    virtual ~WaypointViews() = default;
    // The store was replaced or a waypoint added, changed or removed: reload the lists.
    virtual void reloadWaypointLists() = 0;
};

} // namespace data
