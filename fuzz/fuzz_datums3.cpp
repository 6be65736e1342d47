// Feeds arbitrary bytes to the 3_param.dat reader (through a file, as the program reads it,
// beside a good ellips.dat and an empty 7_param.dat) and shifts through every datum that
// comes out.

#include <unistd.h>

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "geodesy/DatumTable.h"
#include "geodesy/Utm.h"

namespace {

const char kEllipsoids[] =
    "Airy 1830                      AA 6377563.396 6356256.9092 299.324964600 \n"
    "Clarke 1866                    CC 6378206.400 6356583.8000 294.978698200 \n"
    "Clarke 1880                    CD 6378249.145 6356514.8695 293.465000000 \n"
    "International 1924             IN 6378388.000 6356911.9461 297.000000000 \n"
    "WGS 72                         WD 6378135.000 6356750.5200 298.260000000 \n"
    "WGS 84                         WE 6378137.000 6356752.3142 298.257223563 \n";

void writeFile(const std::string& path, const void* data, size_t size) {
    std::FILE* file = std::fopen(path.c_str(), "wb");
    if (file == nullptr) std::abort();
    if (size > 0) std::fwrite(data, 1, size, file);
    std::fclose(file);
}

const std::string& scratchDirectory() {
    static const std::string dir = [] {
        char pattern[] = "/tmp/fuzz-datums3-XXXXXX";
        if (mkdtemp(pattern) == nullptr) std::abort();
        const std::string d = std::string(pattern) + "/";
        writeFile(d + "ellips.dat", kEllipsoids, sizeof kEllipsoids - 1);
        writeFile(d + "7_param.dat", "", 0);
        return d;
    }();
    return dir;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string& dir = scratchDirectory();
    writeFile(dir + "3_param.dat", data, size);

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
