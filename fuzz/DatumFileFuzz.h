#pragma once
// Shared body of the two datum-file targets: the fuzzed bytes become one datum file, beside a
// good ellips.dat and an empty other datum file; every datum that loads is shifted both ways and
// used for the UTM grid.

#include <cmath>
#include <cstdint>
#include <string>

#include "FuzzFiles.h"
#include "geodesy/DatumTable.h"
#include "geodesy/Utm.h"

namespace fuzzfiles {

inline const char kEllipsoids[] =
    "Airy 1830                      AA 6377563.396 6356256.9092 299.324964600 \n"
    "Clarke 1866                    CC 6378206.400 6356583.8000 294.978698200 \n"
    "Clarke 1880                    CD 6378249.145 6356514.8695 293.465000000 \n"
    "International 1924             IN 6378388.000 6356911.9461 297.000000000 \n"
    "WGS 72                         WD 6378135.000 6356750.5200 298.260000000 \n"
    "WGS 84                         WE 6378137.000 6356752.3142 298.257223563 \n";

inline int fuzzDatumFile(const char* fuzzedName, const char* emptyName, const uint8_t* data,
                         size_t size) {
    static const std::string dir = [&] {
        std::string d = makeScratchDirectory(fuzzedName);
        writeFile(d + "ellips.dat", kEllipsoids, sizeof kEllipsoids - 1);
        writeFile(d + emptyName, "", 0);
        return d;
    }();
    writeFile(dir + fuzzedName, data, size);

    geodesy::DatumTable table;
    if (table.loadEllipsoids(dir.c_str()) != 0) std::abort();
    if (table.loadDatums(dir.c_str()) != 0) return 0;
    static const double kPlaces[][3] = {{0.9, -0.002, 50.0},
                                        {1.5707963267948966, 4.7, 0.0},
                                        {-1.2, 3.1, -1e4},
                                        {NAN, 0, 0},
                                        {0.1, 0.1, INFINITY}};
    for (int i = 1; i <= table.datumCount(); ++i) {
        const geodesy::Datum* d = table.datum(i);
        int found = 0;
        table.findDatum(d->code, found);
        for (const auto& p : kPlaces) {
            double lat, lon, h, lat84, lon84, h84;
            if (table.shiftFromWgs84(p[0], p[1], p[2], i, lat, lon, h) == 0)
                table.shiftToWgs84(i, lat, lon, h, lat84, lon84, h84);
        }
        double northing, easting;
        char zone[geodesy::kUtmZoneTextSize];
        geodesy::utmFromGeodetic(table, d->code, 45.0, 7.0, northing, easting, zone);
    }
    return 0;
}

} // namespace fuzzfiles
