// cvtool: command-line front end to the Corvane libraries.

#include <cstdio>
#include <cstring>

#include "CliSupport.h"
#include "Commands.h"

namespace {

struct Command {
    const char* name;
    int (*run)(int, char**);
    const char* synopsis;
};

constexpr Command kCommands[] = {
    {"nmea", cvtool::cmdNmea,
     "nmea [--ini FILE] [FILE|-]    decode NMEA through the engine, one JSON object per sentence"},
    {"simulate", cvtool::cmdSimulate,
     "simulate [--rate HZ] [--start LAT,LON] [--speed MPS] [--seconds N] [--seed N] [--pty] "
     "[--fast]    simulated receiver (--fast: no real-time pacing)"},
    {"watch", cvtool::cmdWatch, "watch [FILE|-]    live view of the GPS state of an NMEA stream"},
    {"geo", cvtool::cmdGeo,
     "geo datums|shift|utm|wmm|nav|format ...    geodesy in bulk, one record per line"},
    {"ini", cvtool::cmdIni,
     "ini DIR    read DIR/cv.ini as the program does and print the file it writes"},
    {"reg", cvtool::cmdReg,
     "reg get KEY NAME | set [--dword] KEY NAME VALUE | delete KEY    the registry"},
};

void printHelp(std::FILE* out) {
    std::fputs("usage: cvtool COMMAND [ARGS]\n\ncommands:\n", out);
    for (const auto& c : kCommands)
        std::fprintf(out, "  %s\n", c.synopsis);
}

} // namespace

int main(int argc, char** argv) {
    if (argc < 2) {
        printHelp(stderr);
        return cvtool::kExitUsage;
    }
    if (std::strcmp(argv[1], "--help") == 0 || std::strcmp(argv[1], "-h") == 0 ||
        std::strcmp(argv[1], "help") == 0) {
        printHelp(stdout);
        return 0;
    }
    for (const auto& c : kCommands)
        if (std::strcmp(argv[1], c.name) == 0) return c.run(argc - 2, argv + 2);
    return cvtool::usageError("unknown command '%s' (see cvtool --help)", argv[1]);
}
