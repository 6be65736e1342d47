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

// Loads the tables from the --dir directory; prints one line and returns false on failure.
bool loadTables(const GeoOptions& o, geodesy::DatumTable& table) {
    const std::string dir = tableDirectory(o.dir);
    if (const uint32_t s = table.loadEllipsoids(dir.c_str())) {
        usageError("cannot read the ellipsoid table in %s (status 0x%x)", dir.c_str(), s);
        return false;
    }
    if (const uint32_t s = table.loadDatums(dir.c_str())) {
        usageError("cannot read the datum tables in %s (status 0x%x)", dir.c_str(), s);
        return false;
    }
    return true;
}

std::vector<std::string> splitFields(std::string_view line) {
    std::vector<std::string> fields;
    std::size_t i = 0;
    while (i < line.size()) {
        while (i < line.size() && (line[i] == ' ' || line[i] == '\t'))
            ++i;
        const std::size_t start = i;
        while (i < line.size() && line[i] != ' ' && line[i] != '\t')
            ++i;
        if (i > start) fields.emplace_back(line.substr(start, i - start));
    }
    return fields;
}

bool parseNumber(const std::string& text, double& value) {
    char* end = nullptr;
    value = std::strtod(text.c_str(), &end);
    return end != text.c_str() && *end == '\0';
}

// Exactly count numbers separated by blanks.
bool parseNumbers(std::string_view line, double* values, std::size_t count) {
    const auto fields = splitFields(line);
    if (fields.size() != count) return false;
    for (std::size_t i = 0; i < count; ++i)
        if (!parseNumber(fields[i], values[i])) return false;
    return true;
}

} // namespace

int geoDatums(int argc, char** argv) {
    GeoOptions o;
    if (int s = parseOptions(argc, argv, "", o)) return s;
    geodesy::DatumTable& table = geodesy::datumTable();
    if (!loadTables(o, table)) return kExitUsage;
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
    if (!loadTables(o, table)) return kExitUsage;
    const bool toLocal = o.to != nullptr;
    const char* code = toLocal ? o.to : o.from;
    int index = 0;
    if (table.findDatum(code, index) != 0) return usageError("unknown datum '%s'", code);

    return forEachInputLine(stdin, [&](std::string_view line) -> const char* {
        double in[3];
        if (!parseNumbers(line, in, 3)) return "expected: lat lon h";
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
    if (!loadTables(o, table)) return kExitUsage;
    // An unknown datum code falls back to the WGS 84 ellipsoid, as in the program.
    const geodesy::UtmEllipsoid ellipsoid = geodesy::utmEllipsoid(table, o.datum);

    if (o.inverse) {
        return forEachInputLine(stdin, [&](std::string_view line) -> const char* {
            const auto fields = splitFields(line);
            double northing = 0.0, easting = 0.0;
            if (fields.size() != 3 || fields[0].size() >= geodesy::kUtmZoneTextSize ||
                !parseNumber(fields[1], northing) || !parseNumber(fields[2], easting))
                return "expected: zone northing easting";
            double lat = 0.0, lon = 0.0;
            geodesy::geodeticFromUtm(ellipsoid, northing, easting, fields[0].c_str(), lat, lon);
            std::printf("%.10f %.10f\n", lat, lon);
            return nullptr;
        });
    }
    return forEachInputLine(stdin, [&](std::string_view line) -> const char* {
        double in[2];
        if (!parseNumbers(line, in, 2)) return "expected: lat lon";
        double northing = 0.0, easting = 0.0;
        char zone[geodesy::kUtmZoneTextSize];
        geodesy::utmFromGeodetic(ellipsoid, in[0], in[1], northing, easting, zone);
        std::printf("%s %.4f %.4f\n", zone, northing, easting);
        return nullptr;
    });
}

} // namespace cvtool
