#pragma once
// The engine's start-up steps of the program: the configuration file's (data::ConfigStartup),
// with the application directory either the registry's or one given to the program.

#include <string>

#include "data/ConfigStartup.h"

namespace ui {

class AppStartup final : public engine::StartupServices {
public:
    // applicationDirectory: ends in '/'; empty for the registry's.
    explicit AppStartup(std::string applicationDirectory)
        : applicationDirectory_(std::move(applicationDirectory)) {}

    bool readApplicationDirectory(engine::GpsEngine& engine) override;
    bool readSettings(engine::GpsEngine& engine) override { return config_.readSettings(engine); }
    bool writeSettings(engine::GpsEngine& engine) override { return config_.writeSettings(engine); }
    void openWaypointFile(engine::GpsEngine& engine) override { config_.openWaypointFile(engine); }

private:
    std::string applicationDirectory_;
    data::ConfigStartup config_;
};

} // namespace ui
