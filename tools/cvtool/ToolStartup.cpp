#include "ToolStartup.h"

#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "CliSupport.h"
#include "data/ConfigFile.h"

namespace cvtool {

ToolStartup::ToolStartup(const char* dir, const char* port, bool memExchange)
    : dir_(dir), memExchange_(memExchange) {
    if (port != nullptr)
        for (int i = 0; i < engine::kPortNameCapacity && port[i] != '\0'; ++i)
            port_[i] = static_cast<char16_t>(port[i]);
}

bool ToolStartup::readApplicationDirectory(engine::GpsEngine& gps) {
    if (dir_ == nullptr) return data::readApplicationDirectory(gps);
    std::snprintf(gps.applicationDirectory, sizeof gps.applicationDirectory, "%s", dir_);
    return true;
}

bool ToolStartup::readSettings(engine::GpsEngine& gps) {
    data::ConfigReadOptions options;
    options.createDataExchangeDirectory = false; // a tool makes no folders
    const bool read = data::readSettings(gps, options);
    file_ = gps.settings;
    if (port_[0] != 0) std::memcpy(gps.settings.GPSPort, port_, sizeof port_);
    if (memExchange_) gps.settings.MemExchange = 1;
    return read;
}

bool ToolStartup::writeSettings(engine::GpsEngine& gps) {
    const engine::Settings running = gps.settings;
    std::memcpy(gps.settings.GPSPort, file_.GPSPort, sizeof file_.GPSPort);
    gps.settings.MemExchange = file_.MemExchange;
    const bool written = data::writeSettings(gps);
    gps.settings = running;
    return written;
}

bool isPortName(const char* text) {
    return std::strlen(text) == 5 && std::strncmp(text, "COM", 3) == 0 && text[3] >= '1' &&
           text[3] <= '9' && text[4] == ':';
}

bool parseSeconds(const char* command, const char* value, double& seconds) {
    char* end = nullptr;
    errno = 0;
    seconds = std::strtod(value, &end);
    if (end != value && *end == '\0' && errno == 0 && std::isfinite(seconds) && seconds > 0 &&
        seconds <= 1e6)
        return true;
    usageError("%s: --seconds needs a number of seconds above 0, not '%s'", command, value);
    return false;
}

} // namespace cvtool
