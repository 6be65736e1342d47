#pragma once
// The link supervision thread: waits on the Bluetooth and power notification queues with a
// 5000 ms time-out while the run flag is set; follows the system Bluetooth stack going down and
// up, restores the link after a resume, and runs the silence supervision on each time-out.

#include <thread>

#include "engine/SerialLink.h"

namespace engine {

class GpsEngine;

inline constexpr int kSupervisionWaitMs = 5000;
inline constexpr int kNotificationReadMs = 10;

class LinkSupervisor {
public:
    explicit LinkSupervisor(GpsEngine& engine);
    ~LinkSupervisor(); // wakes and joins the thread
    LinkSupervisor(const LinkSupervisor&) = delete;
    LinkSupervisor& operator=(const LinkSupervisor&) = delete;

    // Starts the thread. It ends at once unless both queues and both registrations exist.
    void start();
    // Wakes the thread out of its wait and joins it; the owner clears the run flag first.
    void join();

    // One turn of the loop: waits up to waitMs on both queues and handles one message, or runs
    // the silence supervision when none came. The thread calls it with 5000 ms.
    void turn(int waitMs);

    // What the supervision remembers between turns.
    bool closedByStackDown() const { return closedByStackDown_; }
    SilenceSupervision& silence() { return silence_; }

private:
    void run();
    void onBluetoothEvent(uint32_t eventId);
    void onResume();
    // Closes the port and notes the reconnection (autoConnecting, lastDataTick).
    void closeForReconnect();
    // Reopens without the lock, then under it sets portOpen, lastDataTick, autoConnecting false.
    void reopen();

    GpsEngine& engine_;
    bool closedByStackDown_ = false;
    SilenceSupervision silence_;
    int wakeFd_ = -1;
    std::thread thread_;
};

} // namespace engine
