#pragma once
// The text of one waypoint file record after its date and time: the 16 comma-separated fields
// that the program's reader and the conversion both scan.

#include <cstddef>

namespace data {

// Room for a name in the file: 34 UTF-16 units take at most 3 bytes each in UTF-8.
inline constexpr std::size_t kRecordNameBytes = 102;

struct WaypointRecordFields {
    int number = 0;
    char name[kRecordNameBytes + 1] = {};
    long double finalLatitude = 0; // the position moved by the offset
    long double finalLongitude = 0;
    long double finalAltitude = 0;
    float pdop = 0;
    float ehe = 0;
    int positionCount = 0;
    float offsetSlope = 0;
    float offsetDirection = 0;
    int directionRef = 0;
    float declination = 0;
    float offsetDistance = 0;
    long double latitude = 0; // the measured position
    long double longitude = 0;
    long double altitude = 0;
};

// Scans "%d,%[^,],%Lf,...,%Lf" (the name bounded to kRecordNameBytes) from text. Returns the
// number of fields converted in order (0 to 16), or -1 when text holds nothing but white space.
// Fields after the first that failed keep the values they had.
int scanWaypointRecord(const char* text, WaypointRecordFields& fields);

} // namespace data
