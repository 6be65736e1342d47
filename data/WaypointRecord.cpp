#include "data/WaypointRecord.h"

#include <cstdio>

namespace data {

int scanWaypointRecord(const char* text, WaypointRecordFields& f) {
    static_assert(kRecordNameBytes == 102, "the name's width is written into the format");
    const int n =
        std::sscanf(text, "%d,%102[^,],%Lf,%Lf,%Lf,%f,%f,%d,%f,%f,%d,%f,%f,%Lf,%Lf,%Lf", &f.number,
                    f.name, &f.finalLatitude, &f.finalLongitude, &f.finalAltitude, &f.pdop, &f.ehe,
                    &f.positionCount, &f.offsetSlope, &f.offsetDirection, &f.directionRef,
                    &f.declination, &f.offsetDistance, &f.latitude, &f.longitude, &f.altitude);
    return n == EOF ? -1 : n;
}

} // namespace data
