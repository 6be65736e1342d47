#include "data/WaypointEditing.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <mutex>

#include "data/WaypointFile.h"
#include "data/WaypointViews.h"
#include "engine/GpsEngine.h"
#include "platform/Prompter.h"

namespace data {

namespace {

using engine::Waypoint;
using engine::WaypointStore;

// The entered name, or "WP<slot + 1>" when it was left empty.
void setEnteredName(Waypoint& w, int slot, const std::u16string& name) {
    if (!name.empty()) {
        setWaypointName(w, name);
        return;
    }
    char text[16];
    std::snprintf(text, sizeof text, "WP%d", slot + 1);
    std::u16string generated(text, text + std::char_traits<char>::length(text));
    setWaypointName(w, generated);
}

void setOffset(Waypoint& w, const WaypointEntry& e) {
    w.offsetOn = e.offsetOn ? 1 : 0;
    w.offsetSlope = e.offsetSlope;
    w.offsetDistance = e.offsetDistance;
    if (e.offsetOn) {
        w.offsetDirection = e.offsetDirection;
        w.directionRef = e.directionRef;
        w.declination = e.declination;
    } else {
        w.offsetDirection = 0;
        w.directionRef = engine::kNoDirectionRef;
        w.declination = 0;
    }
}

void tellViews(WaypointViews* views) {
    if (views) views->reloadWaypointLists();
}

} // namespace

std::u16string enteredWaypointName(std::u16string name) {
    std::size_t n = std::min(name.size(), engine::kMaxEnteredNameLength);
    if (n < name.size() && n > 0 && name[n - 1] >= 0xD800 && name[n - 1] <= 0xDBFF) --n;
    name.resize(n);
    return name;
}

bool checkRoomForWaypoint(engine::GpsEngine& engine) {
    if (engine.waypoints.hasRoom()) return true;
    engine.prompter().message(kMsgStoreFull);
    return false;
}

int addWaypoint(engine::GpsEngine& engine, const WaypointEntry& entry, int selectedSlot,
                WaypointViews* views) {
    if (!checkRoomForWaypoint(engine)) return WaypointStore::kNoSlot;
    WaypointStore& store = engine.waypoints;
    int slot = WaypointStore::kNoSlot;
    {
        std::lock_guard<std::mutex> hold(engine.lock());
        const bool insert = engine.settings.InsertEnabled && store.inUse(selectedSlot);
        slot = insert ? store.insertAfter(selectedSlot) : store.append();
        Waypoint& w = store.at(slot);
        w.number = static_cast<int16_t>(store.placeOf(slot) + 1);
        setEnteredName(w, slot, entry.name);
        // Values the editor leaves next to zero are stored as the device always stored them.
        w.latitude = std::fabs(entry.latitude) < 1e-8 ? 0 : entry.latitude;
        w.longitude = std::fabs(entry.longitude) < 1e-8 ? 0 : entry.longitude;
        w.altitude = entry.altitude > -0.05 && entry.altitude < 0.05 ? 0.01 : entry.altitude;
        setOffset(w, entry);
        w.pdop = 0;
        w.ehe = 0;
        w.positionCount = 1;
        w.time = engine.clock().localTime();
    }
    if (!store.waypointFileOpen) store.newWaypointsUnsaved = true;
    store.waypointsModified = true;
    tellViews(views);
    ensureWaypointFile(engine, views);
    return slot;
}

bool editWaypoint(engine::GpsEngine& engine, int slot, const WaypointEntry& entry,
                  bool positionChanged, WaypointViews* views) {
    WaypointStore& store = engine.waypoints;
    {
        std::lock_guard<std::mutex> hold(engine.lock());
        if (!store.inUse(slot)) return false;
        Waypoint& w = store.at(slot);
        setEnteredName(w, slot, entry.name);
        if (positionChanged) {
            w.latitude = entry.latitude;
            w.longitude = entry.longitude;
            w.altitude = entry.altitude;
        }
        setOffset(w, entry);
        w.time = engine.clock().localTime();
        w.positionCount = 1;
    }
    store.waypointsModified = true;
    if (positionChanged) tellViews(views);
    ensureWaypointFile(engine, views);
    return true;
}

bool deleteWaypoint(engine::GpsEngine& engine, int slot, WaypointViews* views) {
    WaypointStore& store = engine.waypoints;
    if (!store.inUse(slot) || !engine.prompter().askYesNo(kMsgDeleteQuestion)) return false;
    {
        std::lock_guard<std::mutex> hold(engine.lock());
        store.remove(slot);
        if (store.count() == 0) store.newWaypointsUnsaved = false;
        store.waypointsModified = true;
    }
    tellViews(views);
    ensureWaypointFile(engine, views);
    return true;
}

} // namespace data
