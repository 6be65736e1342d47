#pragma once
// The navigation values of the Nav screen, derived at every GPS update from the two selected
// points (a stored waypoint or the current position), the GPS state and the settings; and each
// stored waypoint's distance from the current position for the pickers' lists.
//
// Runs on the user-interface thread. The state is read under the engine lock; messages are shown
// after the lock is released.

#include <cstddef>
#include <cstdint>

namespace engine {

class GpsEngine;

// A selection that stands for the current position ("Here"); so does any slot not in use.
inline constexpr int kHereSelection = -1;

// What the Nav screen shows. Texts keep their last value when an update leaves them alone.
struct NavigationDisplay {
    static constexpr std::size_t kTextCapacity = 32;
    static constexpr std::size_t kStatusCapacity = 64;

    char16_t magText[kTextCapacity] = {}; // the "Mag" field: "TRUE", "%.2f A", "%.2f M", "%.2f WM"
    char16_t fromToDistance[kTextCapacity] = {};
    char16_t fromToAzimuth[kTextCapacity] = {};
    char16_t track[kTextCapacity] = {};
    char16_t hereToBearing[kTextCapacity] = {};
    char16_t speed[kTextCapacity] = {};
    char16_t hereToDistance[kTextCapacity] = {};
    char16_t crossTrack[kTextCapacity] = {};
    char16_t status[kStatusCapacity] = {};
    char16_t pdop[kTextCapacity] = {};
    char16_t ehe[kTextCapacity] = {};

    // Values behind the texts: metres and degrees (directions with the magnetic correction).
    double fromToDistanceMetres = 0;
    double fromToAzimuthDegrees = 0;
    double trackDegrees = 0;
    double hereToBearingDegrees = 0;
    double hereToDistanceMetres = 0;
    double crossTrackMetres = 0;

    // The compass's directions; they change only while the speed is above 0.5 mph.
    double compassTrack = 0;
    double compassBearing = 0;
    bool compassChanged = false; // set by the update that changed them
};

class Navigator {
public:
    explicit Navigator(GpsEngine& engine) : engine_(engine) {}

    // One update for the selections (waypoint slots, or kHereSelection).
    void updateNavigation(int from, int to, NavigationDisplay& display);

    // Keeps each waypoint's distanceFromHere (feet for Statute and Feet, nautical miles for
    // Nautical, metres otherwise) from the current position: for one slot, or every waypoint when
    // slot is kHereSelection.
    void updateWaypointDistances(int slot = kHereSelection);

private:
    struct Place {
        double latitude = 0;
        double longitude = 0;
    };
    Place resolve(int selection) const;
    double magneticCorrection(NavigationDisplay& display, bool& refused);
    void showFromTo(const Place& from, const Place& to, double correction,
                    NavigationDisplay& display);
    void showQuality(NavigationDisplay& display);
    void showMotion(const Place& from, const Place& to, double correction,
                    NavigationDisplay& display);
    void reportRefusal(bool refused, const char* message);
    Place waypointPlace(int slot) const;

    GpsEngine& engine_;
    uint32_t distanceTick_ = 0; // ggaTick of the position the distances were computed from
    Place distanceOrigin_;
    bool refusalShown_ = false;
};

} // namespace engine
