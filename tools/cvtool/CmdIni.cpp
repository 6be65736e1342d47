// cvtool ini DIR: the program's start-up steps for the tables and the configuration file, run on
// the application directory DIR; prints the cv.ini the writer produces from what was read.

#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "CliSupport.h"
#include "Commands.h"
#include "data/ConfigFile.h"
#include "engine/GpsEngine.h"
#include "geodesy/DatumTable.h"
#include "platform/Clock.h"
#include "platform/Prompter.h"

namespace cvtool {

namespace {

constexpr const char* kMsgEllipsoids = "Could not find \"ellipse.dat\" file.";
constexpr const char* kMsgDatums = "Error initializing datums.";
constexpr const char* kHelp =
    "usage: cvtool ini DIR\n"
    "\n"
    "Runs the start-up steps for the tables and the configuration file on the application\n"
    "directory DIR: loads DIR/ellips.dat and the datum tables, reads DIR/cv.ini as the program\n"
    "does (a missing file is written with the defaults) and writes it back unless it is\n"
    "protected (Protected=Yes) or could not be read. Prints the cv.ini text the writer\n"
    "produces from what was read; the program's messages go to stderr.\n"
    "\n"
    "Exit status: 0; 1 when a table is missing (start-up would end there, with its message);\n"
    "2 for bad usage.\n";

} // namespace

int cmdIni(int argc, char** argv) {
    std::vector<const char*> operands;
    auto noOptions = [](std::string_view, const char*) { return kExitOk; };
    if (auto s = parseArguments("ini", kHelp, argc, argv, {}, noOptions, operands)) return *s;
    if (operands.size() != 1 || operands[0][0] == '\0')
        return usageError("usage: cvtool ini DIR (see cvtool ini --help)");
    std::string dir = operands[0];
    if (dir.back() != '/') dir.push_back('/');
    if (dir.size() >= static_cast<std::size_t>(engine::kPathCapacity))
        return usageError("directory name too long");

    platform::SystemClock clock;
    platform::StderrPrompter prompter;
    engine::GpsEngine engine(clock, prompter);
    std::memcpy(engine.applicationDirectory, dir.c_str(), dir.size() + 1);

    // As at start-up, a missing table ends the run with its message.
    geodesy::DatumTable& datums = geodesy::datumTable();
    if (datums.loadEllipsoids(dir.c_str()) != 0) {
        prompter.message(kMsgEllipsoids);
        return kExitBadData;
    }
    if (datums.loadDatums(dir.c_str()) != 0) {
        prompter.message(kMsgDatums);
        return kExitBadData;
    }
    // The reader writes a missing file itself; writing it a second time would only repeat the
    // message when that write fails.
    bool existed = ::access(data::configFilePath(engine).c_str(), F_OK) == 0 || errno != ENOENT;
    bool read = data::readSettings(engine);

    // A protected file is left alone, and so is one that exists but could not be read (too big,
    // not a regular file, no permission): it still holds the user's settings. The text the
    // writer would produce is shown all the same.
    engine::Settings& settings = engine.settings;
    if (existed && read && !settings.Protected)
        data::writeSettings(engine);
    else
        data::splitWaypointPath(settings);
    std::string text = data::renderSettings(settings);
    std::fwrite(text.data(), 1, text.size(), stdout);
    return kExitOk;
}

} // namespace cvtool
