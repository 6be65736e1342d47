#include "ToolStartup.h"

#include <atomic>
#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>

#include "CliSupport.h"
#include "data/ConfigFile.h"
#include "geodesy/DatumTable.h"

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

bool readToolSettings(const char* command, const char* path, engine::Settings& settings,
                      platform::Prompter& prompter) {
    geodesy::DatumTable& datums = geodesy::datumTable();
    const std::string tables = tableDirectory(nullptr);
    datums.loadEllipsoids(tables.c_str());
    datums.loadDatums(tables.c_str());
    data::ConfigReadOptions options;
    options.createDataExchangeDirectory = false;
    const data::ConfigReadResult result =
        data::readSettingsFile(path, settings, datums, prompter, options);
    if (result == data::ConfigReadResult::Read) return true;
    std::error_code ec;
    const auto type = std::filesystem::status(path, ec).type();
    const char* why = result == data::ConfigReadResult::Missing       ? "no such file"
                      : type == std::filesystem::file_type::directory ? "is a directory"
                      : type != std::filesystem::file_type::regular   ? "not a regular file"
                                                                      : "cannot be read";
    usageError("%s: cannot read the cv.ini %s: %s", command, path, why);
    return false;
}

namespace {
std::atomic<int> stopSignal{0};
void onStopSignal(int signal) {
    stopSignal.store(signal);
}
} // namespace

StopSignals::StopSignals() {
    stopSignal.store(0);
    struct sigaction action {};
    action.sa_handler = onStopSignal;
    sigaction(SIGINT, &action, &oldInt_);
    sigaction(SIGTERM, &action, &oldTerm_);
}

StopSignals::~StopSignals() {
    sigaction(SIGINT, &oldInt_, nullptr);
    sigaction(SIGTERM, &oldTerm_, nullptr);
}

bool StopSignals::requested() const {
    return stopSignal.load() != 0;
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
