#pragma once
// One stored waypoint: a slot of the waypoint store.

#include <cstddef>
#include <cstdint>

#include "platform/Clock.h"

namespace engine {

// Room of a name field (34 characters and the terminator); the dialogs enter at most 30.
inline constexpr std::size_t kWaypointNameCapacity = 35;
inline constexpr std::size_t kMaxEnteredNameLength = 30;

// Direction reference of an offset.
inline constexpr int16_t kNoDirectionRef = -1;
inline constexpr int16_t kTrueNorthRef = 0;
inline constexpr int16_t kMagneticNorthRef = 1;

struct Waypoint {
    int16_t number = 0; // 1-based place in the list; 0 in a free slot
    char16_t name[kWaypointNameCapacity] = {};
    double latitude = 0; // measured position, WGS 84 degrees, north and east positive
    double longitude = 0;
    double altitude = 0;        // metres
    float distanceFromHere = 0; // kept by the navigation, never written to the file
    float pdop = 0;
    float ehe = 0;
    float offsetSlope = 0;     // degrees, positive upwards
    float offsetDirection = 0; // degrees clockwise from true north
    float offsetDistance = 0;  // slope distance, metres
    int32_t positionCount = 0; // fixes that make up the position
    platform::SystemTime time{};
    int32_t offsetOn = 0;
    float declination = 0; // in force when the offset was taken
    int16_t directionRef = kNoDirectionRef;
};

} // namespace engine
