#pragma once
// The position, distance and speed formatters and the heading correction as the screens, the
// keyboard wedge and the navigation call them: with the engine, whose settings (Units, Format,
// Datum, Heading, HeadingUserDecl), state and decimal year they read. The caller holds the engine
// lock when the values must belong together.

#include <cstdint>
#include <span>

#include "geodesy/Formatter.h"
#include "geodesy/MagneticModel.h"

namespace engine {

class GpsEngine;

// The formatter settings of the engine's current Settings.
geodesy::FormatSettings formatSettings(const GpsEngine& engine);

bool formatDistance(const GpsEngine& engine, std::span<char16_t> buffer, double metres);
// Formats GpsState motion.speed.
bool formatSpeed(const GpsEngine& engine, std::span<char16_t> buffer);
void formatPositionForDisplay(const GpsEngine& engine, double lat, double lon, double alt,
                              std::span<char16_t> position, std::span<char16_t> altitude);
void formatPositionRaw(const GpsEngine& engine, double lat, double lon, double alt,
                       std::span<char> latitude, std::span<char> longitude,
                       std::span<char> altitude);
void formatPositionForOutput(const GpsEngine& engine, int spaced, double lat, double lon,
                             double alt, std::span<char> zone, std::span<char> first,
                             std::span<char> second, std::span<char> altitude);

// What the heading correction reads: the Heading settings, the decimal year and the state.
geodesy::HeadingInputs headingInputs(const GpsEngine& engine);

// The reference and declination an offset is entered with, taken now: true north for Heading True,
// else magnetic north, and the degrees added to a true direction (D of the Heading setting).
struct OffsetReference {
    int16_t directionRef = 0;
    float declination = 0;
};
// Reads the settings and the state under the engine lock (the caller must not hold it); a refused
// magnetic model shows its message after the lock is released and gives a declination of 0.
OffsetReference offsetReference(GpsEngine& engine);

// Degrees added to a true bearing for the Heading setting; a refused magnetic model shows its
// message through the engine's prompter and gives 0.
double headingCorrection(GpsEngine& engine);

} // namespace engine
