#pragma once
// The angle and unit constants of the whole program, in one place.

#include <numbers>

namespace geodesy {

// Angles.
inline constexpr double kPi = std::numbers::pi;
inline constexpr double kHalfPi = kPi / 2.0;
inline constexpr double kRadiansPerDegree = 0.017453292519943295;
inline constexpr double kDegreesPerRadian = 57.29577951308232;
// The shorter factor the position texts and the exchange files use around a datum shift. It
// differs from kDegreesPerRadian in the ninth digit (about 1 mm on the ground); files written
// by the device carry it, so those paths keep it.
inline constexpr double kShiftDegreesPerRadian = 57.29577951;
// Arc-seconds per radian (rotations of the seven-parameter datums).
inline constexpr double kArcSecondsPerRadian = 206264.8062471;

// Units. 3.28084 feet per metre is the one length factor used throughout.
inline constexpr double kFeetPerMetre = 3.28084;
inline constexpr double kFeetPerMile = 5280.0;
inline constexpr double kMetresPerKilometre = 1000.0;
inline constexpr double kNauticalMilesPerMetre = 0.000539956803;
inline constexpr double kKmhPerMph = 1.609;
inline constexpr double kKnotsPerMph = 0.8689762;

} // namespace geodesy
