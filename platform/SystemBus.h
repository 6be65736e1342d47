#pragma once
// The program's connection to the system D-Bus, where one is reachable: it turns systemd-logind's
// resume signal and BlueZ adapter power changes into events for the notification queues, and
// holds a logind inhibitor of sleep and idle while asked to.
//
// Everything that touches the bus runs on the connection's own thread; callers only post requests
// to it and listeners are called on it, so no caller ever waits for the bus. Without a system bus
// (a container, a CI machine) the thread ends quietly: nothing fails and nothing is printed.
// DBUS_SYSTEM_BUS_ADDRESS chooses another bus, as for every D-Bus program.

#include <condition_variable>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

struct sd_bus;
struct sd_bus_message;
struct sd_bus_slot;

namespace platform {

enum class BusEvent {
    Resume,              // logind PrepareForSleep(false): the system came back from suspend
    BluetoothPoweredOn,  // a BlueZ adapter's Powered property became true
    BluetoothPoweredOff, // ... became false
};

class SystemBus {
public:
    // The process's one connection: made on first use, closed when its last holder lets go.
    static std::shared_ptr<SystemBus> acquire();
    ~SystemBus();
    SystemBus(const SystemBus&) = delete;
    SystemBus& operator=(const SystemBus&) = delete;

    using Listener = std::function<void(BusEvent)>;
    // Listeners run on the bus thread and must not wait for other locks for long.
    int addListener(Listener listener);
    void removeListener(int id);

    // Asks for (true) or gives up (false) a logind inhibitor lock ("sleep:idle", mode "block").
    // Repeating the current request does nothing.
    void setSleepInhibited(bool inhibited);
    bool sleepInhibitorHeld() const;

    // Waits until the connection attempt has ended; true when the bus is connected.
    bool waitConnected();

private:
    SystemBus();
    void run();
    void dispatch(BusEvent event);
    void applyInhibitor(sd_bus* bus);
    // Message handlers, called through the bus library's callbacks on the bus thread.
    friend struct SystemBusCallbacks;
    void onPrepareForSleep(sd_bus_message* m);
    void onPropertiesChanged(sd_bus_message* m);
    void onInhibitReply(sd_bus_message* m);

    int wakeFd_ = -1;
    bool stop_ = false;
    mutable std::mutex mutex_;
    std::condition_variable attemptDone_;
    bool attempted_ = false;
    bool connected_ = false;
    std::vector<std::pair<int, Listener>> listeners_;
    int nextListenerId_ = 1;
    bool wantInhibitor_ = false;
    int inhibitorFd_ = -1;               // the lock logind handed out; closing it releases the lock
    sd_bus_slot* inhibitCall_ = nullptr; // a pending Inhibit call (bus thread only)
    std::thread thread_;
};

} // namespace platform
