#pragma once
// Texts of positions, altitudes, distances and speeds in the user's datum, coordinate format and
// units. Positions come in as WGS84 decimal degrees, altitudes and distances in metres, speeds in
// statute miles per hour. Screen texts are 16-bit, texts for the keyboard wedge 8-bit.
//
// Every buffer is a span: texts longer than the buffer are cut, always NUL-terminated.

#include <cstddef>
#include <cstdint>
#include <span>

#include "geodesy/Constants.h"

namespace geodesy {

class DatumTable;

// Values of the Units setting.
enum UnitSystem : int32_t { Statute = 0, Metric = 1, Nautical = 2, Feet = 3, Meters = 4 };
// Values of the Format setting.
enum CoordinateFormat : int32_t { FormatDD = 0, FormatDM = 1, FormatDMS = 2, FormatUTM = 3 };

// Smallest buffers the distance and speed formatters write into.
inline constexpr std::size_t kDistanceTextMinCapacity = 12;
inline constexpr std::size_t kSpeedTextMinCapacity = 20;
// Buffer sizes that hold every text of a position within the coordinate ranges.
inline constexpr std::size_t kPositionTextSize = 64;
inline constexpr std::size_t kAltitudeTextSize = 32;
inline constexpr std::size_t kOutputTextSize = 32;
inline constexpr std::size_t kOutputZoneTextMax = 25; // characters of the zone text kept

// Altitudes and error estimates are shown in metres for Metric and Meters, in feet for the
// other unit systems.
bool altitudeInMetres(int32_t units);

// The three settings the position formatters read.
struct FormatSettings {
    int32_t units = Statute;
    int32_t format = FormatDD;
    const char* datum = "WGE"; // datum code
};

// "% .1f m", "% .2f km", "% .1f ft", "% .2f mi" or "% .1f nm" by units. False, with nothing
// written, when the buffer holds fewer than 12 characters.
bool formatDistance(int32_t units, std::span<char16_t> buffer, double metres);

// "Low Vel" below 0.5 mph, else "% .1f km/h", "% .1f knt" or "% .1f mph" by units (nothing for
// an unknown unit system). False, with nothing written, below 20 characters.
bool formatSpeed(int32_t units, float speedMph, std::span<char16_t> buffer);

// Position text by format and altitude text by units, in the local datum.
void formatPositionForDisplay(const FormatSettings& settings, const DatumTable& table, double lat,
                              double lon, double alt, std::span<char16_t> position,
                              std::span<char16_t> altitude);

// Signed local-datum degrees "%.7f" and the altitude "%.1f" without unit.
void formatPositionRaw(const FormatSettings& settings, const DatumTable& table, double lat,
                       double lon, double alt, std::span<char> latitude, std::span<char> longitude,
                       std::span<char> altitude);

// The keyboard wedge's texts: spaced style (spaced nonzero) or with '*' between the fields. For
// DD, DM and DMS first holds the latitude and second the longitude; for UTM zone holds the zone
// text, first the easting and second the northing.
void formatPositionForOutput(const FormatSettings& settings, const DatumTable& table, int spaced,
                             double lat, double lon, double alt, std::span<char> zone,
                             std::span<char> first, std::span<char> second,
                             std::span<char> altitude);

// The first step of every position formatter: WGS84 degrees and height to the datum with this
// code. WGS84 itself, a code not in the list and a refused shift leave the values unchanged.
struct LocalPosition {
    double latitude;
    double longitude;
    double altitude;
};
LocalPosition toLocalDatum(const DatumTable& table, const char* datumCode, double lat, double lon,
                           double alt);
// The way back, for positions the user typed in the datum with this code: to WGS84 degrees and
// height. WGS84 itself, a code not in the list and a refused shift leave the values unchanged.
LocalPosition fromLocalDatum(const DatumTable& table, const char* datumCode, double lat, double lon,
                             double alt);

} // namespace geodesy
