// Feeds arbitrary bytes to the ellips.dat reader (through a file, as the program reads it) and
// uses whatever table comes out for look-ups and the UTM grid.

#include <unistd.h>

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "geodesy/DatumTable.h"
#include "geodesy/Utm.h"

namespace {

const std::string& scratchDirectory() {
    static const std::string dir = [] {
        char pattern[] = "/tmp/fuzz-ellipsoids-XXXXXX";
        if (mkdtemp(pattern) == nullptr) std::abort();
        return std::string(pattern) + "/";
    }();
    return dir;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string& dir = scratchDirectory();
    std::FILE* file = std::fopen((dir + "ellips.dat").c_str(), "wb");
    if (file == nullptr) return 0;
    if (size > 0) std::fwrite(data, 1, size, file);
    std::fclose(file);

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
