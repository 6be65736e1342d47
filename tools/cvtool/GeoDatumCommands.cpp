// cvtool geo datums | shift | utm: the datum table, datum shifts and the UTM grid in bulk.

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <string_view>
#include <vector>

#include "CliSupport.h"
#include "GeoCommands.h"
#include "GeoInput.h"
#include "geodesy/DatumTable.h"
#include "geodesy/Utm.h"

namespace cvtool {

namespace {

// Degrees per radian as the position formatters use it.
constexpr double kDegreesPerRadian = 57.29577951;

struct GeoOptions {
    const char* dir = nullptr;
    const char* to = nullptr;
    const char* from = nullptr;
    const char* datum = "WGE";
    bool inverse = false;
};

// Parses the options a sub-command allows (allowed: letters t f d i for --to, --from,
// --datum, --inverse; --dir always). Returns 0 or the usage exit status.
int parseOptions(int argc, char** argv, const char* allowed, GeoOptions& o) {
    for (int i = 0; i < argc; ++i) {
        const std::string_view arg = argv[i];
        const bool hasValue = i + 1 < argc;
        auto value = [&](char letter, const char*& target) {
            if (std::strchr(allowed, letter) == nullptr) return false;
            if (!hasValue) return false;
            target = argv[++i];
            return true;
        };
        if (arg == "--dir" && hasValue) {
            o.dir = argv[++i];
        } else if (arg == "--to" && value('t', o.to)) {
        } else if (arg == "--from" && value('f', o.from)) {
        } else if (arg == "--datum" && value('d', o.datum)) {
        } else if (arg == "--inverse" && std::strchr(allowed, 'i') != nullptr) {
            o.inverse = true;
        } else {
            return usageError("unknown or incomplete option '%s'", argv[i]);
        }
    }
    return 0;
}

} // namespace

int geoDatums(int argc, char** argv) {
    GeoOptions o;
    if (int s = parseOptions(argc, argv, "", o)) return s;
    geodesy::DatumTable& table = geodesy::datumTable();
    if (!loadDatumTables(o.dir, table)) return kExitUsage;
    for (int i = 1; i <= table.datumCount(); ++i) {
        const geodesy::Datum* d = table.datum(i);
        std::printf("%d %s %s %d %s\n", i, d->code, d->ellipsoidCode, d->type, d->name);
    }
    return 0;
}

int geoShift(int argc, char** argv) {
    GeoOptions o;
    if (int s = parseOptions(argc, argv, "tf", o)) return s;
    if ((o.to == nullptr) == (o.from == nullptr))
        return usageError("geo shift needs one of --to CODE or --from CODE");
    geodesy::DatumTable& table = geodesy::datumTable();
    if (!loadDatumTables(o.dir, table)) return kExitUsage;
    const bool toLocal = o.to != nullptr;
    const char* code = toLocal ? o.to : o.from;
    int index = 0;
    if (table.findDatum(code, index) != 0) return usageError("unknown datum '%s'", code);

    return forEachInputLine(stdin, [&](std::string_view line) -> const char* {
        double in[3];
        if (!parseExactly(line, in, 3)) return "expected: lat lon h";
        const double lat = in[0] / kDegreesPerRadian;
        const double lon = in[1] / kDegreesPerRadian;
        double outLat = 0.0, outLon = 0.0, outH = 0.0;
        const uint32_t status =
            toLocal ? table.shiftFromWgs84(lat, lon, in[2], index, outLat, outLon, outH)
                    : table.shiftToWgs84(index, lat, lon, in[2], outLat, outLon, outH);
        if (status != 0) {
            std::printf("%.10f %.10f %.4f %u\n", in[0], in[1], in[2], status);
        } else {
            std::printf("%.10f %.10f %.4f %u\n", outLat * kDegreesPerRadian,
                        outLon * kDegreesPerRadian, outH, status);
        }
        return nullptr;
    });
}

int geoUtm(int argc, char** argv) {
    GeoOptions o;
    if (int s = parseOptions(argc, argv, "di", o)) return s;
    geodesy::DatumTable& table = geodesy::datumTable();
    if (!loadDatumTables(o.dir, table)) return kExitUsage;
    // An unknown datum code falls back to the WGS 84 ellipsoid, as in the program.
    const geodesy::UtmEllipsoid ellipsoid = geodesy::utmEllipsoid(table, o.datum);

    if (o.inverse) {
        return forEachInputLine(stdin, [&](std::string_view line) -> const char* {
            const std::string zone(takeField(line));
            double grid[2]; // northing, easting
            if (zone.empty() || zone.size() >= geodesy::kUtmZoneTextSize ||
                !parseExactly(line, grid, 2))
                return "expected: zone northing easting";
            double lat = 0.0, lon = 0.0;
            geodesy::geodeticFromUtm(ellipsoid, grid[0], grid[1], zone.c_str(), lat, lon);
            std::printf("%.10f %.10f\n", lat, lon);
            return nullptr;
        });
    }
    return forEachInputLine(stdin, [&](std::string_view line) -> const char* {
        double in[2];
        if (!parseExactly(line, in, 2)) return "expected: lat lon";
        double northing = 0.0, easting = 0.0;
        char zone[geodesy::kUtmZoneTextSize];
        geodesy::utmFromGeodetic(ellipsoid, in[0], in[1], northing, easting, zone);
        std::printf("%s %.4f %.4f\n", zone, northing, easting);
        return nullptr;
    });
}

} // namespace cvtool
