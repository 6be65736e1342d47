// Feeds arbitrary bytes to the ellips.dat reader (through a file, as the program reads it) and
// uses whatever table comes out for look-ups and the UTM grid.

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "FuzzFiles.h"
#include "geodesy/DatumTable.h"
#include "geodesy/Utm.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static const std::string dir = fuzzfiles::makeScratchDirectory("ellipsoids");
    fuzzfiles::writeFile(dir + "ellips.dat", data, size);

    geodesy::DatumTable table;
    table.loadEllipsoids(dir.c_str());
    for (int i = 0; i <= table.ellipsoidCount() + 1; ++i) {
        double a, f, e2;
        table.ellipsoidParameters(i, a, f);
        table.ellipsoidEccentricitySquared(i, e2);
        if (const geodesy::Ellipsoid* e = table.ellipsoid(i)) {
            int found = 0;
            table.findEllipsoid(e->code, found);
            // The grid on every ellipsoid the reader accepts.
            double northing, easting, lat, lon;
            char zone[geodesy::kUtmZoneTextSize];
            const geodesy::UtmEllipsoid u{a, e2};
            geodesy::utmFromGeodetic(u, 45.0, 7.0, northing, easting, zone);
            geodesy::geodeticFromUtm(u, northing, easting, zone, lat, lon);
        }
    }
    return 0;
}
