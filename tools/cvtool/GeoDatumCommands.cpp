// cvtool geo datums | shift | utm: the datum table, datum shifts and the UTM grid in bulk.

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>

#include "CliSupport.h"
#include "GeoCommands.h"
#include "GeoInput.h"
#include "geodesy/Constants.h"
#include "geodesy/DatumTable.h"
#include "geodesy/Utm.h"

namespace cvtool {

namespace {

constexpr const char* kDatumsHelp =
    "usage: cvtool geo datums [--dir DIR]\n"
    "\n"
    "Lists the datum table, one datum per line in table order:\n"
    "  INDEX CODE ELLIPSOID TYPE NAME\n"
    "TYPE: 0 three-parameter, 1 seven-parameter, 2 WGS 84, 3 WGS 72.\n"
    "\n"
    "  --dir DIR   directory of ellips.dat, 3_param.dat and 7_param.dat\n"
    "\n"
    "Exit status: 0, or 2 when the tables cannot be read.\n";

constexpr const char* kShiftHelp =
    "usage: cvtool geo shift (--to CODE | --from CODE) [--dir DIR] [FILE|-]\n"
    "\n"
    "Shifts positions from WGS 84 to the datum CODE (--to) or from it to WGS 84 (--from).\n"
    "Input, one position per line: LAT LON H (degrees, degrees, metres; south and west\n"
    "negative).\n"
    "Output, one line per input line:\n"
    "  LAT LON H STATUS<TAB>MEANING\n"
    "LAT and LON with 10 decimals, H with 4; STATUS is the datum status bit set in decimal,\n"
    "MEANING is \"ok\" or the set in hex with the meaning of each bit, e.g.\n"
    "\"0x800 latitude outside -90..90 degrees\". A refused position is echoed unchanged with its\n"
    "status. A bad line gives \"error: line N: expected LAT LON H\".\n"
    "\n"
    "  --to CODE     shift from WGS 84 to this datum\n"
    "  --from CODE   shift from this datum to WGS 84\n"
    "  --dir DIR     directory of ellips.dat, 3_param.dat and 7_param.dat\n"
    "\n"
    "Exit status: 0; 1 when a line was bad; 2 for bad usage, an unknown datum or unreadable\n"
    "tables or input.\n";

constexpr const char* kUtmHelp =
    "usage: cvtool geo utm [--datum CODE] [--inverse] [--dir DIR] [FILE|-]\n"
    "\n"
    "Converts latitude and longitude to the UTM grid on the datum's ellipsoid, or back.\n"
    "Input, one position per line: LAT LON (degrees), or with --inverse ZONE NORTHING EASTING\n"
    "(zone text such as 31N, metres).\n"
    "Output, one line per input line:\n"
    "  ZONE NORTHING EASTING<TAB>VALIDITY   (4 decimals)\n"
    "  LAT LON<TAB>VALIDITY                 (--inverse; 10 decimals)\n"
    "VALIDITY is \"ok\", \"outside the UTM latitude bands\" (band Z, beyond -80..84 degrees; the\n"
    "grid values are computed all the same) or, with --inverse, \"zone outside 1..60\".\n"
    "A bad line gives \"error: line N: expected LAT LON\" (or ZONE NORTHING EASTING).\n"
    "\n"
    "  --datum CODE   the datum whose ellipsoid is used (default WGE); an unknown code uses the\n"
    "                 WGS 84 ellipsoid, as the program does\n"
    "  --inverse      from the grid to latitude and longitude\n"
    "  --dir DIR      directory of ellips.dat, 3_param.dat and 7_param.dat\n"
    "\n"
    "Exit status: 0; 1 when a line was bad; 2 for bad usage or unreadable tables or input.\n";

struct GeoOptions {
    const char* dir = nullptr;
    const char* to = nullptr;
    const char* from = nullptr;
    const char* datum = "WGE";
    bool inverse = false;
    const char* input = nullptr;
};

// Parses the options of a geo sub-command and its [FILE|-] operand (takesInput).
std::optional<int> parseGeoOptions(const char* command, const char* help, int argc, char** argv,
                                   std::initializer_list<CliOption> optionList, bool takesInput,
                                   GeoOptions& o) {
    std::vector<const char*> operands;
    auto handle = [&](std::string_view name, const char* value) {
        if (name == "dir") o.dir = value;
        if (name == "to") o.to = value;
        if (name == "from") o.from = value;
        if (name == "datum") o.datum = value;
        if (name == "inverse") o.inverse = true;
        return kExitOk;
    };
    if (auto status = parseArguments(command, help, argc, argv, optionList, handle, operands))
        return status;
    if (!takesInput && !operands.empty())
        return usageError("%s: unexpected argument '%s'", command, operands[0]);
    if (!inputOperand(command, operands, o.input)) return kExitUsage;
    return std::nullopt;
}

// The zone number at the start of a zone text; -1 without digits.
long zoneNumber(const std::string& zone) {
    char* end = nullptr;
    const long number = std::strtol(zone.c_str(), &end, 10);
    return end == zone.c_str() || zone[0] < '0' || zone[0] > '9' ? -1 : number;
}

} // namespace

int geoDatums(int argc, char** argv) {
    GeoOptions o;
    if (auto s = parseGeoOptions("geo datums", kDatumsHelp, argc, argv, {{"dir", true}}, false, o))
        return *s;
    geodesy::DatumTable& table = geodesy::datumTable();
    if (!loadDatumTables(o.dir, table)) return kExitUsage;
    for (int i = 1; i <= table.datumCount(); ++i) {
        const geodesy::Datum* d = table.datum(i);
        std::printf("%d %s %s %d %s\n", i, d->code, d->ellipsoidCode, d->type, d->name);
    }
    return kExitOk;
}

int geoShift(int argc, char** argv) {
    GeoOptions o;
    if (auto s = parseGeoOptions("geo shift", kShiftHelp, argc, argv,
                                 {{"to", true}, {"from", true}, {"dir", true}}, true, o))
        return *s;
    if ((o.to == nullptr) == (o.from == nullptr))
        return usageError("geo shift needs one of --to CODE or --from CODE");
    geodesy::DatumTable& table = geodesy::datumTable();
    if (!loadDatumTables(o.dir, table)) return kExitUsage;
    const bool toLocal = o.to != nullptr;
    const char* code = toLocal ? o.to : o.from;
    int index = 0;
    if (table.findDatum(code, index) != 0) return usageError("unknown datum '%s'", code);

    // The exact factor: a bulk shift is a computation of its own, not a device text.
    using geodesy::kDegreesPerRadian;
    return forEachInputLine(o.input, [&](std::string_view line) -> const char* {
        double in[3];
        if (!parseExactly(line, in, 3)) return "expected LAT LON H";
        const double lat = in[0] / kDegreesPerRadian;
        const double lon = in[1] / kDegreesPerRadian;
        double outLat = 0.0, outLon = 0.0, outH = 0.0;
        const uint32_t status =
            toLocal ? table.shiftFromWgs84(lat, lon, in[2], index, outLat, outLon, outH)
                    : table.shiftToWgs84(index, lat, lon, in[2], outLat, outLon, outH);
        double out[3] = {outLat * kDegreesPerRadian, outLon * kDegreesPerRadian, outH};
        if (status != 0) std::copy(in, in + 3, out); // refused: echoed as given
        std::printf("%.10f %.10f %.4f %u\t%s\n", out[0], out[1], out[2], status,
                    geodesy::datumStatusText(status).c_str());
        return nullptr;
    });
}

int geoUtm(int argc, char** argv) {
    GeoOptions o;
    if (auto s = parseGeoOptions("geo utm", kUtmHelp, argc, argv,
                                 {{"datum", true}, {"inverse", false}, {"dir", true}}, true, o))
        return *s;
    geodesy::DatumTable& table = geodesy::datumTable();
    if (!loadDatumTables(o.dir, table)) return kExitUsage;
    // An unknown datum code falls back to the WGS 84 ellipsoid, as in the program.
    const geodesy::UtmEllipsoid ellipsoid = geodesy::utmEllipsoid(table, o.datum);

    if (o.inverse) {
        return forEachInputLine(o.input, [&](std::string_view line) -> const char* {
            const std::string zone(takeField(line));
            double grid[2]; // northing, easting
            const long number = zoneNumber(zone);
            if (number < 0 || zone.size() >= geodesy::kUtmZoneTextSize ||
                !parseExactly(line, grid, 2))
                return "expected ZONE NORTHING EASTING";
            double lat = 0.0, lon = 0.0;
            geodesy::geodeticFromUtm(ellipsoid, grid[0], grid[1], zone.c_str(), lat, lon);
            std::printf("%.10f %.10f\t%s\n", lat, lon,
                        number >= 1 && number <= 60 ? "ok" : "zone outside 1..60");
            return nullptr;
        });
    }
    return forEachInputLine(o.input, [&](std::string_view line) -> const char* {
        double in[2];
        if (!parseExactly(line, in, 2)) return "expected LAT LON";
        double northing = 0.0, easting = 0.0;
        char zone[geodesy::kUtmZoneTextSize];
        geodesy::utmFromGeodetic(ellipsoid, in[0], in[1], northing, easting, zone);
        const bool inBands = geodesy::utmBandLetter(in[0]) != 'Z';
        std::printf("%s %.4f %.4f\t%s\n", zone, northing, easting,
                    inBands ? "ok" : "outside the UTM latitude bands");
        return nullptr;
    });
}

} // namespace cvtool
