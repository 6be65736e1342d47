// cvtool convert WPTFILE OUT: the conversion of a waypoint file into delimited text, GPX or
// GeoJSON, as the program's "Convert Waypt File" command makes it.

#include <strings.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "CliSupport.h"
#include "Commands.h"
#include "GeoInput.h"
#include "data/WaypointConversion.h"
#include "geodesy/DatumTable.h"
#include "platform/Prompter.h"

namespace cvtool {

namespace {

constexpr const char* kHelp =
    "usage: cvtool convert WPTFILE OUT [--type tab|comma|csv|gpx|geojson] [--datum CODE]\n"
    "                      [--format DD|DM|DMS|UTM] [--units 0..4] [--altref MSL|HAE] [--dir DIR]\n"
    "\n"
    "Converts the waypoint file WPTFILE (- for stdin) into OUT, which is replaced as a whole.\n"
    "--type: tab or comma delimited text (csv is comma delimited too; default comma), one line\n"
    "per waypoint with the position in datum CODE (default WGE), --format (default DD) and\n"
    "--units (0 Statute, 1 Metric, 2 Nautical, 3 Feet, 4 Meters; default 4); gpx (GPX 1.1) and\n"
    "geojson are always WGS 84 decimal degrees and ignore --datum, --format and --units.\n"
    "--altref is accepted and has no effect. --dir holds the datum tables. The program's\n"
    "messages go to stderr; stdout gets 'N waypoints written to OUT'.\n"
    "\n"
    "Exit status: 0; 1 when a record ended the conversion early (the waypoints before it are\n"
    "written) or OUT could not be written; 2 for bad usage, an unknown datum or a WPTFILE that\n"
    "cannot be read.\n";

struct Choice {
    const char* text;
    int value;
};

// The value of text among choices (compared without case), or -1.
int choose(const char* text, std::initializer_list<Choice> choices) {
    for (const Choice& c : choices)
        if (strcasecmp(text, c.text) == 0) return c.value;
    return -1;
}

// Copies stdin into a temporary file, as the conversion reads a file from its start.
std::string stdinCopy() {
    const char* tmp = std::getenv("TMPDIR");
    std::string path =
        std::string(tmp != nullptr && tmp[0] != '\0' ? tmp : "/tmp") + "/cvtool-convert-XXXXXX";
    const int fd = ::mkstemp(path.data());
    if (fd < 0) return "";
    char buffer[65536];
    std::size_t total = 0;
    bool ok = true;
    // One byte past the limit is enough for the conversion to refuse the file.
    for (std::size_t n; ok && total <= data::kMaxConversionInput &&
                        (n = std::fread(buffer, 1, sizeof buffer, stdin)) > 0;
         total += n)
        ok = ::write(fd, buffer, n) == static_cast<ssize_t>(n);
    ok = ::close(fd) == 0 && ok && !std::ferror(stdin);
    if (!ok) {
        ::unlink(path.c_str());
        return "";
    }
    return path;
}

} // namespace

int cmdConvert(int argc, char** argv) {
    data::ConversionOptions options;
    options.units = 4;
    const char* datum = "WGE";
    const char* dir = nullptr;
    std::vector<const char*> operands;
    auto handle = [&](std::string_view name, const char* value) {
        if (name == "type") {
            const int t = choose(value, {{"tab", int(data::ConversionType::Tab)},
                                         {"comma", int(data::ConversionType::Comma)},
                                         {"csv", int(data::ConversionType::Csv)},
                                         {"gpx", int(data::ConversionType::Gpx)},
                                         {"geojson", int(data::ConversionType::GeoJson)}});
            if (t < 0) return usageError("--type: expected tab, comma, csv, gpx or geojson");
            options.type = static_cast<data::ConversionType>(t);
        } else if (name == "format") {
            options.format = choose(value, {{"DD", 0}, {"DM", 1}, {"DMS", 2}, {"UTM", 3}});
            if (options.format < 0) return usageError("--format: expected DD, DM, DMS or UTM");
        } else if (name == "units") {
            options.units = choose(value, {{"0", 0}, {"1", 1}, {"2", 2}, {"3", 3}, {"4", 4}});
            if (options.units < 0) return usageError("--units: expected 0 to 4");
        } else if (name == "altref") {
            if (choose(value, {{"MSL", 0}, {"HAE", 1}}) < 0)
                return usageError("--altref: expected MSL or HAE");
        } else if (name == "datum") {
            datum = value;
        } else if (name == "dir") {
            dir = value;
        }
        return kExitOk;
    };
    if (auto s = parseArguments("convert", kHelp, argc, argv,
                                {{"type", true},
                                 {"datum", true},
                                 {"format", true},
                                 {"units", true},
                                 {"altref", true},
                                 {"dir", true}},
                                handle, operands))
        return *s;
    if (operands.size() != 2 || operands[0][0] == '\0' || operands[1][0] == '\0')
        return usageError("usage: cvtool convert WPTFILE OUT (see cvtool convert --help)");

    geodesy::DatumTable& table = geodesy::datumTable();
    const bool delimited =
        options.type != data::ConversionType::Gpx && options.type != data::ConversionType::GeoJson;
    if (delimited) {
        if (!loadDatumTables(dir, table)) return kExitUsage;
        if (table.findDatum(datum, options.datumIndex) != 0)
            return usageError("unknown datum '%s'", datum);
    }

    std::string input = operands[0];
    const bool fromStdin = input == "-";
    if (fromStdin && (input = stdinCopy()).empty())
        return usageError("cannot copy stdin to a temporary file");
    platform::StderrPrompter prompter;
    const data::ConversionResult r =
        data::convertWaypointFile(table, prompter, input, operands[1], options);
    if (fromStdin) ::unlink(input.c_str());

    switch (r.status) {
    case data::ConversionStatus::Converted:
        break;
    case data::ConversionStatus::OutputFailed:
        if (!r.outputError.empty()) std::fprintf(stderr, "cvtool: %s\n", r.outputError.c_str());
        return kExitBadData;
    default:
        return kExitUsage;
    }
    std::printf("%d waypoint%s written to %s\n", r.records, r.records == 1 ? "" : "s", operands[1]);
    if (r.stoppedAtLine != 0) {
        std::fprintf(stderr, "cvtool: line %d: %s; the conversion stopped there\n", r.stoppedAtLine,
                     r.stopReason.c_str());
        return kExitBadData;
    }
    return kExitOk;
}

} // namespace cvtool
