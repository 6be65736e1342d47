#pragma once
// The engine's start-up steps that live in this layer: the application directory from the
// registry, the configuration file (read, and rewritten when start-up changed a setting) and the
// waypoint file.

#include "data/ConfigFile.h"
#include "engine/GpsEngine.h"

namespace data {

class ConfigStartup final : public engine::StartupServices {
public:
    explicit ConfigStartup(ConfigReadOptions options = {}) : options_(options) {}

    bool readApplicationDirectory(engine::GpsEngine& engine) override;
    bool readSettings(engine::GpsEngine& engine) override;
    bool writeSettings(engine::GpsEngine& engine) override;
    void openWaypointFile(engine::GpsEngine& engine) override;

private:
    ConfigReadOptions options_;
    // What reading cv.ini found: a file that exists but could not be read is never rewritten, so
    // the user's settings in it survive.
    ConfigReadResult configRead_ = ConfigReadResult::Read;
};

} // namespace data
