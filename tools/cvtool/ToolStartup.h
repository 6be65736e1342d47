#pragma once
// The program's start-up layer as the commands that run the engine use it (watch, serve): --dir
// replaces the registry's application directory, and a command may run with another port and
// with the memory exchange on. Those overrides hold for the run only: a rewrite of cv.ini during
// start-up (Bluetooth switched on) writes the file's own port and MemExchange. Waypoint files
// are neither read nor made, and no folder is created.

#include <csignal>

#include "engine/GpsEngine.h"
#include "platform/Prompter.h"

namespace cvtool {

class ToolStartup final : public engine::StartupServices {
public:
    // dir: the application directory, or nullptr for the registry's. port: "COMn:" or nullptr.
    ToolStartup(const char* dir, const char* port, bool memExchange);

    bool readApplicationDirectory(engine::GpsEngine& gps) override;
    bool readSettings(engine::GpsEngine& gps) override;
    bool writeSettings(engine::GpsEngine& gps) override;
    void openWaypointFile(engine::GpsEngine&) override {}

private:
    const char* dir_;
    char16_t port_[engine::kPortNameCapacity] = {};
    bool memExchange_;
    engine::Settings file_; // as read from cv.ini
};

// Reads the cv.ini at path into settings as the program does, with the datum table of the shipped
// tables, making no folder. False, after a usage message naming command and why, when the file
// cannot be read.
bool readToolSettings(const char* command, const char* path, engine::Settings& settings,
                      platform::Prompter& prompter);

// SIGINT and SIGTERM ask the running command to stop, for as long as the object lives; the
// handlers in place before come back with its end.
class StopSignals {
public:
    StopSignals();
    ~StopSignals();
    StopSignals(const StopSignals&) = delete;
    StopSignals& operator=(const StopSignals&) = delete;
    bool requested() const;

private:
    struct sigaction oldInt_ {};
    struct sigaction oldTerm_ {};
};

// A port operand: "COM1:" .. "COM9:".
bool isPortName(const char* text);

// Reads --seconds: a number of seconds above 0 (at most a million). False, after the usage
// message naming command, otherwise.
bool parseSeconds(const char* command, const char* value, double& seconds);

} // namespace cvtool
