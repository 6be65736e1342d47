// cvtool ini DIR: the program's start-up steps for the tables and the configuration file, run on
// the application directory DIR; prints the cv.ini the writer produces from what was read.

#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <string>

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
constexpr int kExitFailed = 1;

} // namespace

int cmdIni(int argc, char** argv) {
    if (argc != 1 || argv[0][0] == '\0') return usageError("usage: cvtool ini DIR");
    std::string dir = argv[0];
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
        return kExitFailed;
    }
    if (datums.loadDatums(dir.c_str()) != 0) {
        prompter.message(kMsgDatums);
        return kExitFailed;
    }
    // The reader writes a missing file itself; writing it a second time would only repeat the
    // message when that write fails.
    bool existed = ::access(data::configFilePath(engine).c_str(), F_OK) == 0 || errno != ENOENT;
    data::readSettings(engine);

    // A protected file is left alone; the text the writer would produce is shown all the same.
    engine::Settings& settings = engine.settings;
    if (existed && !settings.Protected)
        data::writeSettings(engine);
    else
        data::splitWaypointPath(settings);
    std::string text = data::renderSettings(settings);
    std::fwrite(text.data(), 1, text.size(), stdout);
    return 0;
}

} // namespace cvtool
