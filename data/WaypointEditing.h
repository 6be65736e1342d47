#pragma once
// Adding, editing and deleting waypoints as the waypoint screen does it: the store's rules, the
// messages and the save that follows each change. The screen runs the editor and calls these
// with what was entered.

#include <string>

#include "engine/Waypoint.h"

namespace engine {
class GpsEngine;
}

namespace data {

class WaypointViews;

inline constexpr std::string_view kMsgStoreFull =
    "Maximum number of way points per file has been reached. Either create a new way point file "
    "or delete unused way points from the current file.";
inline constexpr std::string_view kMsgDeleteQuestion =
    "Waypoint will be permanently deleted.\nContinue?";
inline constexpr const char* kMsgNameTooLong =
    "Waypoint name can be 30 characters or less. Characters after 30 will be deleted.";

// A name as typed into a waypoint name field (the editors' and the mark's): cut to 30 characters
// without keeping half of a surrogate pair.
std::u16string enteredWaypointName(std::u16string name);
// True when a name field's text has reached 30 characters, so the user is told that the rest
// goes (the field then keeps enteredWaypointName of it).
inline bool nameReachesLimit(const std::u16string& text) {
    return text.size() >= engine::kMaxEnteredNameLength;
}

// What the waypoint editor hands back.
struct WaypointEntry {
    std::u16string name; // empty: "WP<slot + 1>"
    double latitude = 0;
    double longitude = 0;
    double altitude = 0;
    bool offsetOn = false;
    float offsetSlope = 0;
    float offsetDirection = 0;
    float offsetDistance = 0;
    float declination = 0;
    int16_t directionRef = engine::kNoDirectionRef;
};

// True when the store has room for one more waypoint; otherwise shows the message and gives
// false. The screen asks before it opens the editor.
bool checkRoomForWaypoint(engine::GpsEngine& engine);

// Adds the entered waypoint after the selected slot (when InsertEnabled and selectedSlot is in
// use) or at the end, then saves. The new slot, or WaypointStore::kNoSlot when the store is full
// (with the message). views may be null.
int addWaypoint(engine::GpsEngine& engine, const WaypointEntry& entry, int selectedSlot,
                WaypointViews* views);

// Changes the waypoint in slot from the editor's values; the position only when positionChanged.
// False when the slot is not in use.
bool editWaypoint(engine::GpsEngine& engine, int slot, const WaypointEntry& entry,
                  bool positionChanged, WaypointViews* views);

// Asks the delete question; on Yes removes the waypoint and saves. True when it was removed.
bool deleteWaypoint(engine::GpsEngine& engine, int slot, WaypointViews* views);

} // namespace data
