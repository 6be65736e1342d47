// cvtool geo wmm, nav and format: the magnetic model, the navigation formulas and the position
// formatters in bulk, one input line to one output line.

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <initializer_list>
#include <string>
#include <string_view>

#include "CliSupport.h"
#include "GeoCommands.h"
#include "GeoInput.h"
#include "geodesy/DatumTable.h"
#include "geodesy/Formatter.h"
#include "geodesy/MagneticModel.h"
#include "geodesy/Navigation.h"
#include "platform/Clock.h"
#include "platform/Prompter.h"

namespace cvtool {

namespace {

constexpr const char* kWmmLoadError = "Error initializing WMM - \"WMM.COF\" file not found.";

constexpr const char* kWmmHelp =
    "usage: cvtool geo wmm [--year YEAR] [--dir DIR] [FILE|-]\n"
    "\n"
    "The magnetic field of the World Magnetic Model (WMM.COF) at each position.\n"
    "Input, one position per line: LAT LON ALT_KM (degrees, degrees, kilometres).\n"
    "Output, one line per input line:\n"
    "  DECLINATION INCLINATION INTENSITY GRID_VARIATION<TAB>VALIDITY\n"
    "angles in degrees with 4 decimals, the total intensity in nT with 2. GRID_VARIATION is\n"
    "-999.0000 below 55 degrees of latitude, where VALIDITY says \"no grid variation below 55\n"
    "degrees of latitude\"; else VALIDITY is \"ok\". A bad line gives\n"
    "\"error: line N: expected LAT LON ALT_KM\".\n"
    "\n"
    "  --year YEAR   decimal year, e.g. 2026.5 (default: today)\n"
    "  --dir DIR     directory of WMM.COF\n"
    "\n"
    "Exit status: 0; 1 when a line was bad or the year lies outside the model's five years;\n"
    "2 for bad usage or an unreadable WMM.COF or input.\n";

constexpr const char* kNavHelp =
    "usage: cvtool geo nav [--dir DIR] [FILE|-]\n"
    "\n"
    "Great-circle navigation on a sphere of radius 6378137 m.\n"
    "Input, one case per line (degrees):\n"
    "  LAT1 LON1 LAT2 LON2                 distance and initial bearing from 1 to 2\n"
    "  LAT1 LON1 LAT2 LON2 LAT LON         cross-track error of LAT LON off the course 1 to 2\n"
    "Output, one line per input line:\n"
    "  DISTANCE BEARING   (metres with 4 decimals, degrees 0..360 with 10)\n"
    "  XTE                (metres with 4 decimals; positive right of the course)\n"
    "A bad line gives \"error: line N: expected LAT1 LON1 LAT2 LON2 [LAT LON]\".\n"
    "\n"
    "  --dir DIR   accepted like every geo sub-command (no tables are needed); it must name\n"
    "              a directory\n"
    "\n"
    "Exit status: 0; 1 when a line was bad; 2 for bad usage or an unreadable input.\n";

constexpr const char* kFormatHelp =
    "usage: cvtool geo format --datum CODE --format DD|DM|DMS|UTM --units 0..4\n"
    "                         [--style display|spaced|star|raw] [--dir DIR] [FILE|-]\n"
    "\n"
    "Positions as the program shows and exports them, shifted to the datum.\n"
    "Input, one WGS 84 position per line: LAT LON ALT (degrees, degrees, metres).\n"
    "Output, one line per input line, fields separated by tabs:\n"
    "  display   POSITION ALTITUDE           as on the screens\n"
    "  spaced    ZONE FIRST SECOND ALTITUDE  as in exported files, units spaced\n"
    "  star      ZONE FIRST SECOND ALTITUDE  as in exported files, '*' before the units\n"
    "  raw       LAT LON ALTITUDE            numbers only (7 decimals)\n"
    "A bad line gives \"error: line N: expected LAT LON ALT\".\n"
    "\n"
    "  --datum CODE    datum of the output, e.g. WGE\n"
    "  --format F      DD, DM, DMS or UTM\n"
    "  --units U       0 statute, 1 metric, 2 nautical, 3 feet, 4 metres\n"
    "  --style S       display (default), spaced, star or raw\n"
    "  --dir DIR       directory of ellips.dat, 3_param.dat and 7_param.dat\n"
    "\n"
    "Exit status: 0; 1 when a line was bad; 2 for bad usage, an unknown datum or unreadable\n"
    "tables or input.\n";

void printFields(std::initializer_list<const char*> fields) {
    bool first = true;
    for (const char* f : fields) {
        if (!first) std::fputc('\t', stdout);
        std::fputs(f, stdout);
        first = false;
    }
    std::fputc('\n', stdout);
}

// Parses the options and the [FILE|-] operand of a geo sub-command.
std::optional<int> parse(const char* command, const char* help, int argc, char** argv,
                         std::initializer_list<CliOption> optionList, const OptionHandler& handle,
                         const char*& input) {
    std::vector<const char*> operands;
    if (auto status = parseArguments(command, help, argc, argv, optionList, handle, operands))
        return status;
    if (!inputOperand(command, operands, input)) return kExitUsage;
    return std::nullopt;
}

} // namespace

int geoWmm(int argc, char** argv) {
    const char* dirArgument = nullptr;
    const char* yearArgument = nullptr;
    const char* input = nullptr;
    auto handle = [&](std::string_view name, const char* value) {
        (name == "dir" ? dirArgument : yearArgument) = value;
        return kExitOk;
    };
    if (auto s =
            parse("geo wmm", kWmmHelp, argc, argv, {{"year", true}, {"dir", true}}, handle, input))
        return *s;
    float year = 0;
    if (yearArgument != nullptr) {
        char* end = nullptr;
        year = std::strtof(yearArgument, &end);
        if (end == yearArgument || *end != '\0' || !std::isfinite(year))
            return usageError("geo wmm: bad year '%s' (expected a decimal year)", yearArgument);
    } else {
        platform::SystemClock clock;
        year = geodesy::decimalYear(clock.localTime());
    }

    platform::StderrPrompter prompter;
    std::string dir = tableDirectory(dirArgument);
    char buffer[4096];
    if (dir.size() >= sizeof buffer - 16) return usageError("directory name too long");
    std::snprintf(buffer, sizeof buffer, "%s", dir.c_str());
    geodesy::MagneticModel& model = geodesy::magneticModel();
    if (!model.loadMagneticModel(buffer, sizeof buffer, geodesy::MagneticModel::kMaxDegree)) {
        prompter.message(kWmmLoadError);
        return kExitUsage; // an unreadable table is an unreadable input file
    }
    geodesy::MagneticField probe;
    if (!model.computeMagneticField(0, 0, 0, year, probe)) {
        prompter.message(geodesy::kMagneticOutdatedMessage);
        return kExitBadData;
    }

    return forEachInputLine(input, [&](std::string_view line) -> const char* {
        double v[3];
        if (!parseExactly(line, v, 3)) return "expected LAT LON ALT_KM";
        geodesy::MagneticField f;
        if (!model.computeMagneticField(static_cast<float>(v[2]), static_cast<float>(v[0]),
                                        static_cast<float>(v[1]), year, f))
            return "the magnetic model refused the input";
        std::printf("%.4f %.4f %.2f %.4f\t%s\n", f.declination, f.inclination, f.totalIntensity,
                    f.gridVariation,
                    f.gridVariation == geodesy::kNoGridVariation
                        ? "no grid variation below 55 degrees of latitude"
                        : "ok");
        return nullptr;
    });
}

int geoNav(int argc, char** argv) {
    const char* dirArgument = nullptr;
    const char* input = nullptr;
    auto handle = [&](std::string_view, const char* value) {
        dirArgument = value;
        return kExitOk;
    };
    if (auto s = parse("geo nav", kNavHelp, argc, argv, {{"dir", true}}, handle, input)) return *s;
    // No tables are needed; a directory that is not there is still a mistake worth reporting.
    std::error_code ec;
    if (dirArgument != nullptr && !std::filesystem::is_directory(dirArgument, ec))
        return usageError("geo nav: --dir %s is not a directory", dirArgument);
    return forEachInputLine(input, [](std::string_view line) -> const char* {
        double v[6];
        int count = 0;
        if (!parseNumbers(line, v, 6, count) || (count != 4 && count != 6))
            return "expected LAT1 LON1 LAT2 LON2 [LAT LON]";
        if (count == 4) {
            std::printf("%.4f %.10f\n", geodesy::greatCircleDistance(v[0], v[1], v[2], v[3]),
                        geodesy::initialBearing(v[0], v[1], v[2], v[3]));
        } else {
            geodesy::Point from{v[0], v[1], 0}, to{v[2], v[3], 0}, here{v[4], v[5], 0};
            std::printf("%.4f\n", geodesy::crossTrackError(from, to, here));
        }
        return nullptr;
    });
}

int geoFormat(int argc, char** argv) {
    enum class Style { Display, Spaced, Star, Raw };
    const char* dirArgument = nullptr;
    const char* datum = nullptr;
    const char* input = nullptr;
    int32_t format = -1;
    int32_t units = -1;
    Style style = Style::Display;
    auto handle = [&](std::string_view name, const char* value) -> int {
        const std::string_view v = value;
        if (name == "dir") {
            dirArgument = value;
        } else if (name == "datum") {
            datum = value;
        } else if (name == "format") {
            static constexpr std::string_view kFormats[] = {"DD", "DM", "DMS", "UTM"};
            for (int f = 0; f < 4; ++f)
                if (v == kFormats[f]) format = f;
            if (format < 0) return usageError("geo format: --format needs DD, DM, DMS or UTM");
        } else if (name == "units") {
            if (v.size() != 1 || v[0] < '0' || v[0] > '4')
                return usageError("geo format: --units needs 0 (statute) .. 4 (metres)");
            units = v[0] - '0';
        } else if (v == "display" || v == "spaced" || v == "star" || v == "raw") {
            style = v == "display"  ? Style::Display
                    : v == "spaced" ? Style::Spaced
                    : v == "star"   ? Style::Star
                                    : Style::Raw;
        } else {
            return usageError("geo format: --style needs display, spaced, star or raw");
        }
        return kExitOk;
    };
    if (auto s = parse(
            "geo format", kFormatHelp, argc, argv,
            {{"datum", true}, {"format", true}, {"units", true}, {"style", true}, {"dir", true}},
            handle, input))
        return *s;
    if (datum == nullptr || format < 0 || units < 0)
        return usageError("geo format needs --datum CODE --format DD|DM|DMS|UTM --units 0..4");

    geodesy::DatumTable& table = geodesy::datumTable();
    if (!loadDatumTables(dirArgument, table)) return kExitUsage;
    int index = 0;
    if (table.findDatum(datum, index) != 0) return usageError("unknown datum '%s'", datum);

    const geodesy::FormatSettings settings{units, format, datum};
    return forEachInputLine(input, [&](std::string_view line) -> const char* {
        double v[3];
        if (!parseExactly(line, v, 3)) return "expected LAT LON ALT";
        if (style == Style::Display) {
            char16_t position[geodesy::kPositionTextSize] = {};
            char16_t altitude[geodesy::kAltitudeTextSize] = {};
            geodesy::formatPositionForDisplay(settings, table, v[0], v[1], v[2], position,
                                              altitude);
            printFields({toUtf8(position).c_str(), toUtf8(altitude).c_str()});
        } else if (style == Style::Raw) {
            char lat[geodesy::kOutputTextSize], lon[geodesy::kOutputTextSize],
                alt[geodesy::kOutputTextSize];
            geodesy::formatPositionRaw(settings, table, v[0], v[1], v[2], lat, lon, alt);
            printFields({lat, lon, alt});
        } else {
            char zone[geodesy::kOutputTextSize], first[geodesy::kOutputTextSize],
                second[geodesy::kOutputTextSize], alt[geodesy::kOutputTextSize];
            geodesy::formatPositionForOutput(settings, table, style == Style::Spaced ? 1 : 0, v[0],
                                             v[1], v[2], zone, first, second, alt);
            printFields({zone, first, second, alt});
        }
        return nullptr;
    });
}

} // namespace cvtool
