#include "data/ConfigStartup.h"

#include <sys/stat.h>

#include <mutex>
#include <string>

#include "data/WaypointFile.h"
#include "geodesy/DatumTable.h"

namespace data {

bool ConfigStartup::readApplicationDirectory(engine::GpsEngine& engine) {
    return data::readApplicationDirectory(engine);
}

bool ConfigStartup::readSettings(engine::GpsEngine& engine) {
    return data::readSettings(engine, options_, &configRead_);
}

bool ConfigStartup::writeSettings(engine::GpsEngine& engine) {
    return data::writeSettings(engine);
}

void ConfigStartup::openWaypointFile(engine::GpsEngine& engine) {
    engine::Settings& s = engine.settings;
    engine::WaypointStore& store = engine.waypoints;
    if (s.WaypointFilename[0] == '\0') return; // no file open
    const std::string configured = std::string(s.WaypointPath) + s.WaypointFilename;
    if (readWaypointFile(engine)) {
        setWaypointFilePath(engine, s.WaypointPath, s.WaypointFilename);
        store.waypointFileOpen = true;
        store.waypointsModified = false;
        store.newWaypointsUnsaved = false;
        return;
    }
    // A file that is there but cannot be read is named, so its waypoints do not seem lost; it
    // is left as it is.
    struct stat st {};
    if (::stat(configured.c_str(), &st) == 0) engine.prompter().message(kMsgErrorReading);
    s.WaypointFilename[0] = '\0';
    std::string directory = s.WaypointPath;
    std::string name = kDefaultWaypointFileName;
    struct stat existing {};
    const bool unique = ::stat((directory + name).c_str(), &existing) != 0 ||
                        makeFileNameUnique(directory, name, engine.prompter());
    if (unique) {
        {
            std::lock_guard<std::mutex> hold(engine.lock());
            store.reset();
        }
        if (directory.size() < sizeof s.WaypointPath && name.size() < sizeof s.WaypointFilename &&
            writeWaypointFile(directory + name, store, geodesy::datumTable(), s.Datum)) {
            setWaypointFilePath(engine, directory, name);
            store.waypointFileOpen = true;
            store.waypointsModified = false;
            store.newWaypointsUnsaved = false;
        } else {
            engine.prompter().message(kMsgErrorCreating);
        }
    }
    if (configRead_ != ConfigReadResult::Unreadable) data::writeSettings(engine);
}

} // namespace data
