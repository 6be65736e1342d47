#pragma once
// Bluetooth receivers: which stack serves the configured port (the vendor's library or the
// system's own Bluetooth serial ports), the vendor library's lifetime, and the reaction to the
// vendor stack's events.

#include <cstdint>

namespace engine {

class GpsEngine;

// The message number of the vendor stack's events (the platform's first user message + 19).
inline constexpr unsigned kStackEventMessage = 1043;
inline constexpr const char* kDrakarLibrary = "libdrakar.so";
inline constexpr const char* kMsgStackNotReady =
    "Bluetooth Stack is not ready. Please connect manually";

// True when engine.portName belongs to a Bluetooth stack. Sets drakarPort (the vendor library
// found the port and takes events) or microsoftStackPort (a serial port of the system's stack)
// and clears the other; both clear for a plain port. Loads the vendor library from the
// application directory or the library path and keeps it loaded only while it serves the port.
bool detectBluetoothPort(GpsEngine& engine);

// Calls the vendor library's DrakarDeinit (when exported), unloads it and clears drakarPort.
void releaseDrakar(GpsEngine& engine);

// Message 1043 on the user-interface thread: code 1 or 2 (link lost), 3 (link back).
// closedByLinkEvent is the caller's note that the port was closed by such an event.
void handleStackEvent(GpsEngine& engine, uint32_t code, bool& closedByLinkEvent);

} // namespace engine
