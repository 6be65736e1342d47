// cvtool wpt: a waypoint file as the program reads it, as JSON lines, or written back through the
// program's own writer.

#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include "CliSupport.h"
#include "Commands.h"
#include "GeoInput.h"
#include "StateJson.h"
#include "data/WaypointFile.h"
#include "engine/WaypointStore.h"
#include "geodesy/DatumTable.h"

namespace cvtool {

namespace {

constexpr const char* kHelp =
    "usage: cvtool wpt [--write OUT] [--datum CODE] [--dir DIR] [FILE|-]\n"
    "\n"
    "Reads a waypoint file (FILE, or stdin for - or none) into the waypoint store as the\n"
    "program does and prints one JSON object per stored waypoint in list order, with the\n"
    "record's fields: number, name, latitude, longitude, altitude (the measured position),\n"
    "distanceFromHere, pdop, ehe, offsetSlope, offsetDirection, offsetDistance,\n"
    "positionCount, time (an object: year, month, dayOfWeek, day, hour, minute, second,\n"
    "milliseconds), offsetOn, declination, directionRef. The reader's messages go to stderr.\n"
    "\n"
    "  --write OUT   write the store to OUT with the program's writer instead of printing\n"
    "                it (replaced atomically)\n"
    "  --datum CODE  datum whose UTM grid moves the positions of waypoints with an offset\n"
    "                when writing (default WGE)\n"
    "  --dir DIR     directory of the datum tables\n"
    "\n"
    "Exit status: 0; 1 when the file cannot be read, is not a waypoint file or OUT cannot be\n"
    "written; 2 for bad usage.\n";

void printWaypoint(const engine::Waypoint& w) {
    std::FILE* out = stdout;
    std::fputc('{', out);
    jsonKey(out, "number", true);
    std::fprintf(out, "%d", w.number);
    jsonKey(out, "name");
    writeJsonString(out, w.name);
    for (auto [key, value] : {std::pair{"latitude", w.latitude},
                              {"longitude", w.longitude},
                              {"altitude", w.altitude}}) {
        jsonKey(out, key);
        writeJsonDouble(out, value);
    }
    for (auto [key, value] : {std::pair{"distanceFromHere", w.distanceFromHere},
                              {"pdop", w.pdop},
                              {"ehe", w.ehe},
                              {"offsetSlope", w.offsetSlope},
                              {"offsetDirection", w.offsetDirection},
                              {"offsetDistance", w.offsetDistance}}) {
        jsonKey(out, key);
        writeJsonFloat(out, value);
    }
    jsonKey(out, "positionCount");
    std::fprintf(out, "%d", int(w.positionCount));
    jsonKey(out, "time");
    writeJsonTime(out, w.time);
    jsonKey(out, "offsetOn");
    std::fprintf(out, "%d", int(w.offsetOn));
    jsonKey(out, "declination");
    writeJsonFloat(out, w.declination);
    jsonKey(out, "directionRef");
    std::fprintf(out, "%d}\n", int(w.directionRef));
}

// Reads stdin as the file reader reads a file: at most kMaxWaypointFileBytes.
bool readStdin(engine::WaypointStore& store, std::string& reason) {
    std::string text;
    char buffer[16384];
    for (std::size_t n; (n = std::fread(buffer, 1, sizeof buffer, stdin)) > 0;) {
        if (text.size() + n > data::kMaxWaypointFileBytes) {
            reason = "stdin: larger than 4 MiB";
            return false;
        }
        text.append(buffer, n);
    }
    if (std::ferror(stdin)) {
        reason = "stdin: read error";
        return false;
    }
    if (!data::readWaypointText(text, store)) {
        reason = "stdin: not a waypoint file (the first line differs)";
        return false;
    }
    return true;
}

} // namespace

int cmdWpt(int argc, char** argv) {
    const char* output = nullptr;
    const char* datum = "WGE";
    const char* dir = nullptr;
    auto handle = [&](std::string_view name, const char* value) {
        (name == "write" ? output : name == "datum" ? datum : dir) = value;
        return kExitOk;
    };
    std::vector<const char*> operands;
    if (auto s =
            parseArguments("wpt", kHelp, argc, argv,
                           {{"write", true}, {"datum", true}, {"dir", true}}, handle, operands))
        return *s;
    const char* input = nullptr;
    if (!inputOperand("wpt", operands, input)) return kExitUsage;
    geodesy::DatumTable& table = geodesy::datumTable();
    if (!loadDatumTables(dir, table)) return kExitUsage;
    int index = 0;
    if (table.findDatum(datum, index) != 0) return usageError("unknown datum '%s'", datum);

    auto store = std::make_unique<engine::WaypointStore>();
    std::string reason;
    const bool read = input == nullptr || std::string_view(input) == "-"
                          ? readStdin(*store, reason)
                          : data::readWaypointFile(input, *store, &reason);
    if (!read) {
        std::fprintf(stderr, "%s\n%s\n", data::kMsgErrorReading.data(), reason.c_str());
        return kExitBadData;
    }
    if (output == nullptr) {
        store->forEach([](int, const engine::Waypoint& w) { printWaypoint(w); });
        return kExitOk;
    }
    if (!data::writeWaypointFile(output, *store, table, datum, &reason)) {
        std::fprintf(stderr, "%s\n%s\n", data::kMsgErrorCreating.data(), reason.c_str());
        return kExitBadData;
    }
    return kExitOk;
}

} // namespace cvtool
