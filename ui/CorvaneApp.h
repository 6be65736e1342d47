#pragma once
// The application object: the command line, the Qt application, the splash, the main window,
// and the run without a display.

#include <string>

namespace ui {

inline constexpr const char* kUsage =
    "usage: corvane [--no-splash] [--headless] [--help]\n"
    "\n"
    "Corvane shows the GPS receiver's fix, satellites and raw sentences, marks points and hands\n"
    "positions to other programs. It reads its settings (cv.ini) and tables from the application\n"
    "directory that the registry value rpath names.\n"
    "\n"
    "  --no-splash   start without the splash window\n"
    "  --headless    run without a display: print the GPS screen's texts (status, position,\n"
    "                elevation, PDOP, EHE, satellites in view/used) once a second until\n"
    "                interrupted (SIGINT or SIGTERM)\n"
    "  --help        show this text\n"
    "\n"
    "Exit status: 0 after the user's exit; 1 when the start-up failed; 2 for bad usage.\n";

struct CommandLine {
    bool splash = true;
    bool headless = false;
    bool help = false;
    std::string error; // the first argument not understood, as a message; empty when none
};

CommandLine parseCommandLine(int argc, const char* const* argv);

class CorvaneApp {
public:
    // The whole program: returns its exit status.
    static int run(int argc, char** argv);
};

} // namespace ui
