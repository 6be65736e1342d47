#pragma once
// The link to the receiver: opening, configuring and closing the port, the reader thread that
// moves received bytes into the parser, and the silence supervision that reopens a port that
// went quiet.

#include <atomic>
#include <cstdint>
#include <thread>

namespace engine {

class GpsEngine;

inline constexpr const char* kMsgOpenPortFailed =
    "Error opening Com Port: %s. Please verify the correct GPS Com Port has been selected and "
    "then retry.";
inline constexpr const char* kMsgSetParametersFailed =
    "Error setting Com Port: %s parameters. OS Error Code: %u.\nUse the \"GPS Connect\" menu "
    "option to retry, when ready.";
inline constexpr const char* kMsgSetTimeoutsFailed =
    "Error setting Com Port: %s, timeouts.OS Error Code: %u.\nUse the \"GPS Connect\" menu "
    "option to retry, when ready.";

// Opens engine.portName through the port map with the serial settings of engine.settings into
// engine.port. Attempts: 1; 10 for a Bluetooth port of the operating system's stack; otherwise
// 15 when engine.externalPort is set; 1000 ms apart through the engine's clock. The messages go
// through the engine's prompter unless silent. The caller sets link.portOpen from the result.
bool openPort(GpsEngine& engine, bool silent);

// Clears portOpen and disarms the port's event wait (waking the reader), waits 100 ms, then
// under the engine lock resets commOk and dataSeen, closes the port and resets the GPS state and
// the parser. Always true.
bool closePort(GpsEngine& engine);

// The process-wide run flag of the worker threads: set by the owner before it starts them,
// cleared at exit.
std::atomic<int32_t>& runFlag();

// The reader thread: waits for comm events on the open port, reads up to 1000 bytes and feeds
// them to the parser under the engine lock, while the run flag is set.
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

    GpsEngine& engine_;
    std::thread thread_;
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
