#pragma once
// The engine's Bluetooth and power notification queues and their registrations, and the sleep
// inhibitor that follows the link.

namespace engine {

class GpsEngine;

inline constexpr unsigned kBluetoothQueueMessages = 10, kBluetoothMessageBytes = 72;
inline constexpr unsigned kPowerQueueMessages = 10, kPowerMessageBytes = 16;
inline constexpr unsigned kNotificationMask = 15;

// Start-up: creates the Bluetooth queue (10 messages of 72 bytes) and, when created, requests
// Bluetooth notifications (connection, pairing, device and stack classes); then the power queue
// (10 messages of 16 bytes) and, when created, power notifications (mask 15).
void createNotifications(GpsEngine& engine);

// Shutdown, after the worker threads have ended: stops the Bluetooth notifications and closes
// their queue, then the same for power (each only when it exists); the sleep inhibitor goes with
// them. The engine's destruction then releases the vendor library (releaseDrakar).
void releaseNotifications(GpsEngine& engine);

// Holds the system's sleep inhibitor while the port is open and gives it up when it is closed
// (where logind is reachable). Call without the engine lock.
void syncSleepInhibitor(GpsEngine& engine);

} // namespace engine
