#pragma once
// Moving a position by an offset measured from it: a slope distance, a slope and a direction.
// The horizontal part is added on the UTM grid of the configured datum's ellipsoid, in the zone
// of the starting position.

namespace geodesy {

class DatumTable;

struct OffsetPosition {
    double latitude = 0; // degrees
    double longitude = 0;
    double altitude = 0; // metres
};

// The position moved by distance metres at slope degrees (positive upwards) in direction degrees
// clockwise from true north.
OffsetPosition applyOffset(const DatumTable& table, const char* datumCode,
                           const OffsetPosition& from, double distance, double slope,
                           double direction);

} // namespace geodesy
