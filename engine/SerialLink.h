#pragma once
// The link to the receiver: opening, configuring and closing the port, the reader thread that
// moves received bytes into the parser, and the silence supervision that reopens a port that
// went quiet.

#include <atomic>
#include <cstdint>
#include <memory>
#include <string>
#include <thread>

#include "platform/CommPort.h"

namespace engine {

class GpsEngine;
struct Settings;

inline constexpr const char* kMsgOpenPortFailed =
    "Error opening Com Port: %s. Please verify the correct GPS Com Port has been selected and "
    "then retry.";
inline constexpr const char* kMsgSetParametersFailed =
    "Error setting Com Port: %s parameters. OS Error Code: %u.\nUse the \"GPS Connect\" menu "
    "option to retry, when ready.";
inline constexpr const char* kMsgSetTimeoutsFailed =
    "Error setting Com Port: %s, timeouts.OS Error Code: %u.\nUse the \"GPS Connect\" menu "
    "option to retry, when ready.";

// The second line of the open-failed message when the device refuses this user (EACCES), with
// the device path and the group that owns the device.
inline constexpr const char* kMsgJoinGroup =
    "\n%s belongs to the group \"%s\": add your user to that group and log in again.";

// Line-error events (other than a receive-queue overflow alone) that clear commOk.
inline constexpr int kLineErrorsForCommFault = 10;

// The rate of a baud index digit '0'..'9' (300 .. 115200); 9600 for any other digit.
uint32_t baudRate(char index);
// The line settings of the configuration's serial fields.
platform::LineSettings lineSettings(const Settings& settings);

// Where openPort gets its ports: platform::openCommPort, unless replaced (tests put scripted ports
// here). nullptr restores openCommPort.
using CommPortOpener = std::unique_ptr<platform::CommPort> (*)(const std::string& device);
void setCommPortOpener(CommPortOpener opener);

// Opens engine.portName through the port map with the serial settings of engine.settings into
// engine.port. Attempts: 1; 10 for a Bluetooth port of the operating system's stack; otherwise
// 15 when engine.externalPort is set; 1000 ms apart through the engine's clock. The messages go
// through the engine's prompter unless silent. On success reconnectCount is 0 and lastDataTick
// now. The caller sets link.portOpen from the result. Called while the run flag is set (a worker's
// reopen), it gives up without a message when the flag is cleared between two attempts. Takes the
// engine lock itself to install the port, so the caller must not hold it; call it with the port
// closed.
bool openPort(GpsEngine& engine, bool silent);

// Clears portOpen and disarms the port's event wait (waking the reader), waits 100 ms, then
// under the engine lock resets commOk and dataSeen, closes the port and resets the GPS state and
// the parser. Always true. Takes the engine lock itself; the caller must not hold it.
bool closePort(GpsEngine& engine);

// The process-wide run flag of the worker threads: set by the owner before it starts them,
// cleared at exit.
std::atomic<int32_t>& runFlag();

// A worker's wait before it reopens the port: false when the owner cleared the run flag during
// the wait (the program is stopping), so the reopen is dropped. A call without the run flag set
// (a test driving one turn) always goes on.
bool waitBeforeReopen(GpsEngine& engine, uint32_t ms);

// The reader thread: waits for comm events on the open port, reads up to 1000 bytes and feeds
// them to the parser under the engine lock, while the run flag is set. A port that hung up
// (unplugged, or the other side of a pseudo-terminal closed) is not waited on again: the reader
// idles in 100 ms steps until the port is closed or replaced. Every tenth line-error event other
// than a receive-queue overflow alone clears commOk (a close sets it again).
class ReaderThread {
public:
    explicit ReaderThread(GpsEngine& engine);
    ~ReaderThread(); // joins; the owner clears the run flag and closes the port first
    ReaderThread(const ReaderThread&) = delete;
    ReaderThread& operator=(const ReaderThread&) = delete;

    void start();
    void join();

private:
    void run();
    // The port to wait on: the engine's port while the link is open, else empty.
    std::shared_ptr<platform::CommPort> currentPort();
    // Whether port is still the engine's open port.
    bool isCurrent(const std::shared_ptr<platform::CommPort>& port);
    void noteLineError(const platform::LineErrorCounts& counts);

    GpsEngine& engine_;
    std::thread thread_;
    int lineErrors_ = 0;
    uint8_t buffer_[1000];
};

// What the silence supervision keeps between its turns.
struct SilenceSupervision {
    uint32_t autoConnectStart = 0;  // tick when autoConnecting was first seen set; 0 none
    int32_t externalReopenings = 0; // since the last power resume (0..3)
};

// One turn of the silence supervision, run by the link supervision thread at every 5000 ms
// time-out of its wait. Takes the engine lock itself and releases it around sleeps and reopens.
void superviseSilence(GpsEngine& engine, SilenceSupervision& supervision);

} // namespace engine
