#include "data/ConfigStartup.h"

namespace data {

bool ConfigStartup::readApplicationDirectory(engine::GpsEngine& engine) {
    return data::readApplicationDirectory(engine);
}

bool ConfigStartup::readSettings(engine::GpsEngine& engine) {
    return data::readSettings(engine, options_);
}

bool ConfigStartup::writeSettings(engine::GpsEngine& engine) {
    return data::writeSettings(engine);
}

void ConfigStartup::openWaypointFile(engine::GpsEngine&) {
    // The waypoint file's start-up step comes with data/WaypointFile.
}

} // namespace data
