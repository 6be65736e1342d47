// cvtool: command-line front end to the Corvane libraries.

#include <cstdio>
#include <cstring>

#include "CliSupport.h"
#include "Commands.h"

namespace {

struct Command {
    const char* name;
    int (*run)(int, char**);
    const char* summary;
};

constexpr Command kCommands[] = {
    {"nmea", cvtool::cmdNmea, "decode NMEA through the engine, one JSON object per sentence"},
    {"simulate", cvtool::cmdSimulate, "a simulated receiver writing NMEA"},
    {"watch", cvtool::cmdWatch, "live view of the GPS state on a port or of an NMEA stream"},
    {"geo", cvtool::cmdGeo, "datum shifts, UTM, magnetic model, navigation, formatting in bulk"},
    {"ini", cvtool::cmdIni, "read DIR/cv.ini as the program does and print the file it writes"},
    {"reg", cvtool::cmdReg, "get, set and delete registry values"},
    {"port", cvtool::cmdPort, "list the port map, or map COMn: to a device"},
    {"wpt", cvtool::cmdWpt, "a waypoint file as JSON lines, or written back by the program"},
    {"mark", cvtool::cmdMark, "mark a point from an NMEA stream, as the Mark Point dialog does"},
    {"convert", cvtool::cmdConvert, "convert a waypoint file to delimited text, GPX or GeoJSON"},
    {"serve", cvtool::cmdServe, "serve the memory exchange to client programs, without windows"},
    {"wedge", cvtool::cmdWedge, "the key events the keyboard wedge types for a position"},
};

void printHelp(std::FILE* out) {
    std::fputs("usage: cvtool COMMAND [OPTIONS] [ARGUMENTS]\n"
               "       cvtool --help | --version\n\n"
               "commands:\n",
               out);
    for (const auto& c : kCommands)
        std::fprintf(out, "  %-9s %s\n", c.name, c.summary);
    std::fputs("\n'cvtool COMMAND --help' describes a command, its input and its output.\n"
               "Exit status: 0 success, 1 bad input lines or a failed computation, 2 bad usage\n"
               "or an input that cannot be read.\n",
               out);
}

} // namespace

int main(int argc, char** argv) {
    if (argc < 2)
        return cvtool::usageError(
            "a command is needed: nmea, simulate, watch, geo, ini, reg, port, wpt, mark, "
            "convert, serve or wedge (see cvtool --help)");
    const char* first = argv[1];
    if (std::strcmp(first, "--help") == 0 || std::strcmp(first, "-h") == 0 ||
        std::strcmp(first, "help") == 0) {
        printHelp(stdout);
        return cvtool::kExitOk;
    }
    if (std::strcmp(first, "--version") == 0) {
        std::printf("cvtool (Corvane) %s\n", CORVANE_VERSION);
        return cvtool::kExitOk;
    }
    for (const auto& c : kCommands)
        if (std::strcmp(first, c.name) == 0) return c.run(argc - 1, argv + 1);
    return cvtool::usageError("unknown command '%s' (see cvtool --help)", first);
}
