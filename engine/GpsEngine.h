#pragma once
// The central engine object: owns the current GPS state, the settings, the link flags and the
// engine lock, and keeps the state current from the NMEA parser's working records.

#include <cstddef>
#include <cstdint>
#include <memory>
#include <mutex>

#include "engine/DrakarApi.h"
#include "engine/GpsState.h"
#include "engine/LinkFlags.h"
#include "engine/Settings.h"
#include "engine/WaypointStore.h"
#include "platform/Clock.h"
#include "platform/DynamicLibrary.h"
#include "platform/NotificationQueue.h"
#include "platform/NotificationRegistration.h"
#include "platform/Prompter.h"

namespace platform {
class CommPort;
class Registry;
} // namespace platform

namespace engine {

class StackEventTarget;

// Receives the freshly refreshed state under the engine lock (the memory exchange publishes
// through this). Must not wait for other locks.
class StatePublisher {
public:
    virtual ~StatePublisher() = default;
    virtual void publish(const GpsState& state) = 0;
};

// Start-up steps that belong to the layers above the engine (application directory, configuration
// file). The engine calls them in their places in the start-up sequence.
class StartupServices {
public:
    virtual ~StartupServices() = default;
    virtual bool readApplicationDirectory(class GpsEngine& engine) = 0;
    virtual bool readSettings(class GpsEngine& engine) = 0;
    // Rewrites the configuration file from the engine's settings (start-up switches Bluetooth on
    // when the configured port turns out to be a Bluetooth port).
    virtual bool writeSettings(class GpsEngine& engine) = 0;
    // Opens the configured waypoint file, or prepares the default one; never fatal.
    virtual void openWaypointFile(class GpsEngine& engine) = 0;
};

// resetGpsState clears satellite slots 0 to this one (start-up clears the whole table).
inline constexpr int kResetSatelliteSlots = 38;

class GpsEngine {
public:
    GpsEngine(platform::Clock& clock, platform::Prompter& prompter);
    // Stops the Bluetooth, then the power notifications (each with its queue), releases the
    // vendor Bluetooth library and closes the port. The worker threads have ended before
    // (engine/LinkThreads.h).
    ~GpsEngine();
    GpsEngine(const GpsEngine&) = delete;
    GpsEngine& operator=(const GpsEngine&) = delete;

    // Runs the start-up sequence; false when a step failed (its message has been shown). After
    // the tables and the configuration: the Bluetooth check of the port, the open of a plain
    // port (a failed open is not fatal), then the notification queues and registrations. Without
    // withLink the sequence ends after the waypoint file: the tools that feed the engine
    // themselves (a replay) need no port and no notifications.
    bool start(bool withLink = true);

    // The 200 ms state refresh: tries the engine lock without waiting; false when the lock was
    // busy and the tick was skipped.
    bool refresh();
    // The refresh's work alone (the five record copies, then publication); the caller holds the
    // engine lock.
    void refreshLocked();

    // Clears the state when the port is closed (magnetic variation, units and inView stay).
    void resetGpsState();

    // One read of up to 1000 bytes from the port: takes the engine lock, notes the arrival and
    // feeds the parser.
    void receiveBytes(const uint8_t* bytes, size_t count);
    // The feeding rule alone; the caller holds the engine lock.
    void feedParser(const uint8_t* bytes, size_t count);

    std::mutex& lock() { return engineLock_; }
    platform::Clock& clock() const { return clock_; }
    platform::Prompter& prompter() const { return prompter_; }

    void setPublisher(StatePublisher* publisher) { publisher_ = publisher; }
    void setStartupServices(StartupServices* services) { startupServices_ = services; }

    // --- State (read under the engine lock) ---
    GpsState state;
    Settings settings;
    int32_t settingsChanged = 0;
    // A mark was handed to the memory exchange in non-blocking mode and no client has read it
    // yet. Set and cleared by exchange/ExchangeServer under its exchange lock.
    int32_t markPending = 0;
    // The waypoints of the open waypoint file (data/WaypointFile.h reads and writes it).
    WaypointStore waypoints;

    // --- Link status ---
    LinkFlags link;
    int32_t reconnectCount = 0;
    int32_t btStackUp = 1;
    int32_t btPortInUse = 0;
    int32_t drakarPort = 0;         // the configured port is served by the vendor's stack
    int32_t microsoftStackPort = 0; // the configured port is one of the system stack's ports
    int32_t externalPort = 0;
    uint32_t lastDataTick = 0;
    char16_t portName[kPortNameCapacity] = u"COM3:";
    // The open port, or empty. Replaced and reset under the engine lock; the reader keeps its own
    // reference while it waits, so a close never frees the port under it.
    std::shared_ptr<platform::CommPort> port;

    // --- Bluetooth and power (engine/Bluetooth.h, engine/Notifications.h, engine/PowerTimeouts.h)
    // drakarPort and microsoftStackPort (with the link status above) tell the stack of the port.
    std::unique_ptr<platform::DynamicLibrary> drakarModule;
    // The window the vendor library posts its events to; forwards them to stackEventTarget.
    CorvaneStackWindow drakarWindow{};
    StackEventTarget* stackEventTarget = nullptr; // set by the main window before start-up
    // The registry of the Bluetooth port entries and the power time-outs; the user's registry
    // (platform::Registry::defaultPath()) when null.
    platform::Registry* registry = nullptr;
    std::unique_ptr<platform::NotificationQueue> bluetoothQueue;
    std::unique_ptr<platform::NotificationQueue> powerQueue;
    std::unique_ptr<platform::NotificationRegistration> bluetoothRegistration;
    std::unique_ptr<platform::NotificationRegistration> powerRegistration;
    uint32_t savedBattSuspendTimeout = 180; // suspend time-outs in force at start, in seconds
    uint32_t savedAcSuspendTimeout = 300;

    // --- Start-up values ---
    float decimalYear = 0.0f;
    char applicationDirectory[kPathCapacity] = "/";
    char defaultWaypointDirectory[kPathCapacity] = "";

private:
    void initialiseFields();
    // Start-up steps 9 and 10: which stack serves the port, and the open of a plain port.
    void startLink();
    bool fail(const char* message);
    bool readApplicationDirectory();
    bool loadMagneticModel();

    platform::Clock& clock_;
    platform::Prompter& prompter_;
    std::mutex engineLock_;
    StatePublisher* publisher_ = nullptr;
    StartupServices* startupServices_ = nullptr;
};

} // namespace engine
