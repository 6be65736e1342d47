#pragma once
// The "Offset Input" dialog's values as the user sees them, and the conversions between them and
// the stored offset: distance in metres or feet by the Units setting, direction from true north or
// from magnetic north with the declination, and the ranges the dialog accepts.

#include <cstdint>
#include <string>

namespace data {

// What the dialog accepts: a distance from 0 to ten thousand kilometres (or as many feet), a
// direction and a slope of at most a full turn either way.
inline constexpr double kOffsetMaxDistance = 10000000.0;
inline constexpr double kOffsetMaxAngle = 360.0;

// What the dialog shows and the user edits (distance, direction, slope), with its labels.
struct OffsetInputValues {
    double distance = 0;  // metres, or feet when feet is set
    double direction = 0; // degrees, from the north of the reference
    double slope = 0;     // degrees, positive upwards
    bool feet = false;
    int16_t directionRef = -1;  // -1 none, 0 true north, 1 magnetic north
    float declination = 0;      // added to a true direction to give a magnetic one
    std::string unitLabel;      // "m " or "ft"
    std::string referenceLabel; // "Ref:True North", "Ref:Mag North. Dec.Angl= 10.00" or empty
};

// The stored offset as taken back from the dialog.
struct OffsetTaken {
    double distance = 0;  // metres
    double direction = 0; // degrees from true north
    double slope = 0;
    bool offsetOn = false;
};

// The dialog's values for a stored offset (distance in metres, direction from true north).
OffsetInputValues offsetInputShown(double distance, double direction, double slope, int32_t units,
                                   int16_t directionRef, float declination);

// "Enter a number between %1 and %2." with the bounds of the first value outside its range
// (distance 0 to 10000000, direction and slope -360 to 360), or empty when all are inside.
std::string offsetInputRefusal(const OffsetInputValues& values);

// The stored offset for the dialog's values when the user pressed OK.
OffsetTaken offsetInputTaken(const OffsetInputValues& values);

} // namespace data
