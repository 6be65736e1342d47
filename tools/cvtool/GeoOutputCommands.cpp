// cvtool geo wmm, nav and format: the magnetic model, the navigation formulas and the position
// formatters in bulk, one input line to one output line.

#include <cstdio>
#include <cstdlib>
#include <cstring>
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

constexpr int kExitFailure = 1;
constexpr const char* kWmmLoadError = "Error initializing WMM - \"WMM.COF\" file not found.";

// Takes "--name value" at argv[i]; true and advances i when it matched.
bool option(int argc, char** argv, int& i, const char* name, const char*& value) {
    if (std::strcmp(argv[i], name) != 0) return false;
    if (i + 1 >= argc) {
        value = nullptr;
        return true;
    }
    value = argv[++i];
    return true;
}

void printFields(std::initializer_list<const char*> fields) {
    bool first = true;
    for (const char* f : fields) {
        if (!first) std::fputc('\t', stdout);
        std::fputs(f, stdout);
        first = false;
    }
    std::fputc('\n', stdout);
}

} // namespace

int geoWmm(int argc, char** argv) {
    const char* dirArgument = nullptr;
    const char* yearArgument = nullptr;
    for (int i = 0; i < argc; ++i) {
        const char* value = nullptr;
        if (option(argc, argv, i, "--dir", value)) {
            if (value == nullptr) return usageError("--dir needs a directory");
            dirArgument = value;
        } else if (option(argc, argv, i, "--year", value)) {
            if (value == nullptr) return usageError("--year needs a decimal year");
            yearArgument = value;
        } else {
            return usageError("geo wmm: unknown argument '%s'", argv[i]);
        }
    }
    float year = 0;
    if (yearArgument != nullptr) {
        char* end = nullptr;
        year = std::strtof(yearArgument, &end);
        if (end == yearArgument || *end != '\0') return usageError("bad year '%s'", yearArgument);
    } else {
        platform::SystemClock clock;
        year = geodesy::decimalYear(clock.localTime());
    }

    platform::StderrPrompter prompter;
    std::string dir = tableDirectory(dirArgument);
    char buffer[4096];
    std::snprintf(buffer, sizeof buffer, "%s", dir.c_str());
    geodesy::MagneticModel& model = geodesy::magneticModel();
    if (!model.loadMagneticModel(buffer, sizeof buffer, geodesy::MagneticModel::kMaxDegree)) {
        prompter.message(kWmmLoadError);
        return kExitUsage; // an unreadable table is an unreadable input file
    }
    geodesy::MagneticField probe;
    if (!model.computeMagneticField(0, 0, 0, year, probe)) {
        prompter.message(geodesy::kMagneticOutdatedMessage);
        return kExitFailure;
    }

    return forEachInputLine(stdin, [&](std::string_view line) -> const char* {
        double v[3];
        if (!parseExactly(line, v, 3))
            return "expected three numbers: latitude longitude altitude_km";
        geodesy::MagneticField f;
        if (!model.computeMagneticField(static_cast<float>(v[2]), static_cast<float>(v[0]),
                                        static_cast<float>(v[1]), year, f))
            return "the magnetic model refused the input";
        std::printf("%.4f %.4f %.2f %.4f\n", f.declination, f.inclination, f.totalIntensity,
                    f.gridVariation);
        return nullptr;
    });
}

int geoNav(int argc, char** argv) {
    if (argc > 0) return usageError("geo nav: unknown argument '%s'", argv[0]);
    return forEachInputLine(stdin, [](std::string_view line) -> const char* {
        double v[6];
        int count = 0;
        if (!parseNumbers(line, v, 6, count) || (count != 4 && count != 6))
            return "expected four numbers (lat1 lon1 lat2 lon2) or six (from, to, here)";
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
    int32_t format = -1;
    int32_t units = -1;
    Style style = Style::Display;
    for (int i = 0; i < argc; ++i) {
        const char* value = nullptr;
        if (option(argc, argv, i, "--dir", value)) {
            if (value == nullptr) return usageError("--dir needs a directory");
            dirArgument = value;
        } else if (option(argc, argv, i, "--datum", value)) {
            if (value == nullptr) return usageError("--datum needs a datum code");
            datum = value;
        } else if (option(argc, argv, i, "--format", value)) {
            static constexpr const char* kFormats[] = {"DD", "DM", "DMS", "UTM"};
            for (int f = 0; value != nullptr && f < 4; ++f)
                if (std::strcmp(value, kFormats[f]) == 0) format = f;
            if (format < 0) return usageError("--format needs DD, DM, DMS or UTM");
        } else if (option(argc, argv, i, "--units", value)) {
            if (value == nullptr || std::strlen(value) != 1 || value[0] < '0' || value[0] > '4')
                return usageError("--units needs 0 (Statute) .. 4 (Meters)");
            units = value[0] - '0';
        } else if (option(argc, argv, i, "--style", value)) {
            if (value != nullptr && std::strcmp(value, "display") == 0)
                style = Style::Display;
            else if (value != nullptr && std::strcmp(value, "spaced") == 0)
                style = Style::Spaced;
            else if (value != nullptr && std::strcmp(value, "star") == 0)
                style = Style::Star;
            else if (value != nullptr && std::strcmp(value, "raw") == 0)
                style = Style::Raw;
            else
                return usageError("--style needs display, spaced, star or raw");
        } else {
            return usageError("geo format: unknown argument '%s'", argv[i]);
        }
    }
    if (datum == nullptr || format < 0 || units < 0)
        return usageError("geo format needs --datum CODE --format DD|DM|DMS|UTM --units 0..4");

    geodesy::DatumTable& table = geodesy::datumTable();
    if (!loadDatumTables(dirArgument, table)) return kExitUsage;
    int index = 0;
    if (table.findDatum(datum, index) != 0) return usageError("unknown datum '%s'", datum);

    const geodesy::FormatSettings settings{units, format, datum};
    return forEachInputLine(stdin, [&](std::string_view line) -> const char* {
        double v[3];
        if (!parseExactly(line, v, 3)) return "expected three numbers: latitude longitude altitude";
        if (style == Style::Display) {
            char16_t position[geodesy::kPositionTextSize] = {};
            char16_t altitude[geodesy::kAltitudeTextSize] = {};
            geodesy::formatPositionForDisplay(settings, table, v[0], v[1], v[2], position,
                                              altitude);
            std::string out;
            out += toUtf8(position);
            out.push_back('\t');
            out += toUtf8(altitude);
            std::puts(out.c_str());
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
