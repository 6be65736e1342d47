#include <cstdio>
#include <cstring>

#include "CliSupport.h"
#include "Commands.h"
#include "GeoCommands.h"

namespace cvtool {

namespace {

constexpr const char* kHelp =
    "usage: cvtool geo SUBCOMMAND [OPTIONS] [FILE|-]\n"
    "\n"
    "Geodesy in bulk: each sub-command reads one record per input line (from FILE, or stdin\n"
    "for '-' or no FILE) and writes one output line per input line. Every sub-command takes\n"
    "--dir DIR, the directory of the tables (ellips.dat, 3_param.dat, 7_param.dat, WMM.COF).\n"
    "\n"
    "sub-commands:\n"
    "  datums    list the datum table\n"
    "  shift     shift positions between WGS 84 and a datum\n"
    "  utm       latitude/longitude to UTM and back\n"
    "  wmm       magnetic declination, inclination, intensity and grid variation\n"
    "  nav       distance, bearing and cross-track error\n"
    "  format    positions as the program shows and exports them\n"
    "\n"
    "'cvtool geo SUBCOMMAND --help' describes one of them.\n";

} // namespace

int cmdGeo(int argc, char** argv) {
    struct Sub {
        const char* name;
        int (*run)(int, char**);
    };
    static constexpr Sub kSubs[] = {{"datums", geoDatums}, {"shift", geoShift},
                                    {"utm", geoUtm},       {"wmm", geoWmm},
                                    {"nav", geoNav},       {"format", geoFormat}};
    if (argc < 2)
        return usageError("geo needs a sub-command: datums, shift, utm, wmm, nav or format");
    if (std::strcmp(argv[1], "--help") == 0 || std::strcmp(argv[1], "-h") == 0) {
        std::fputs(kHelp, stdout);
        return kExitOk;
    }
    for (const auto& s : kSubs)
        if (std::strcmp(argv[1], s.name) == 0) return s.run(argc - 1, argv + 1);
    return usageError("unknown geo sub-command '%s' (see cvtool geo --help)", argv[1]);
}

} // namespace cvtool
