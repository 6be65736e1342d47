#include "platform/SystemBus.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <poll.h>
#include <sys/eventfd.h>
#include <systemd/sd-bus.h>
#include <unistd.h>

namespace platform {

namespace {

constexpr const char* kLogind = "org.freedesktop.login1";
constexpr const char* kLogindPath = "/org/freedesktop/login1";
constexpr const char* kLogindManager = "org.freedesktop.login1.Manager";

std::mutex& instanceMutex() {
    static std::mutex m;
    return m;
}

std::weak_ptr<SystemBus>& instance() {
    static std::weak_ptr<SystemBus> bus;
    return bus;
}

} // namespace

std::shared_ptr<SystemBus> SystemBus::acquire() {
    std::lock_guard<std::mutex> held(instanceMutex());
    std::shared_ptr<SystemBus> bus = instance().lock();
    if (!bus) {
        bus.reset(new SystemBus());
        instance() = bus;
    }
    return bus;
}

SystemBus::SystemBus() {
    wakeFd_ = eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK);
    if (wakeFd_ < 0) {
        attempted_ = true; // no way to stop a thread: stay without a bus
        return;
    }
    thread_ = std::thread([this] { run(); });
}

SystemBus::~SystemBus() {
    {
        std::lock_guard<std::mutex> held(mutex_);
        stop_ = true;
    }
    if (wakeFd_ >= 0) {
        uint64_t one = 1;
        (void)!write(wakeFd_, &one, sizeof one);
    }
    if (thread_.joinable()) thread_.join();
    if (inhibitorFd_ >= 0) close(inhibitorFd_);
    if (wakeFd_ >= 0) close(wakeFd_);
}

int SystemBus::addListener(Listener listener) {
    std::lock_guard<std::mutex> held(mutex_);
    listeners_.emplace_back(nextListenerId_, std::move(listener));
    return nextListenerId_++;
}

void SystemBus::removeListener(int id) {
    std::lock_guard<std::mutex> held(mutex_);
    std::erase_if(listeners_, [id](const auto& l) { return l.first == id; });
}

void SystemBus::setSleepInhibited(bool inhibited) {
    {
        std::lock_guard<std::mutex> held(mutex_);
        if (wantInhibitor_ == inhibited) return;
        wantInhibitor_ = inhibited;
    }
    uint64_t one = 1;
    if (wakeFd_ >= 0) (void)!write(wakeFd_, &one, sizeof one);
}

bool SystemBus::sleepInhibitorHeld() const {
    std::lock_guard<std::mutex> held(mutex_);
    return inhibitorFd_ >= 0;
}

bool SystemBus::waitConnected() {
    std::unique_lock<std::mutex> held(mutex_);
    attemptDone_.wait(held, [this] { return attempted_; });
    return connected_;
}

void SystemBus::dispatch(BusEvent event) {
    std::lock_guard<std::mutex> held(mutex_);
    for (auto& [id, listener] : listeners_)
        listener(event);
}

struct SystemBusCallbacks {
    static int prepareForSleep(sd_bus_message* m, void* self, sd_bus_error*) {
        static_cast<SystemBus*>(self)->onPrepareForSleep(m);
        return 0;
    }
    static int propertiesChanged(sd_bus_message* m, void* self, sd_bus_error*) {
        static_cast<SystemBus*>(self)->onPropertiesChanged(m);
        return 0;
    }
    static int inhibitReply(sd_bus_message* m, void* self, sd_bus_error*) {
        static_cast<SystemBus*>(self)->onInhibitReply(m);
        return 0;
    }
};

void SystemBus::onPrepareForSleep(sd_bus_message* m) {
    int sleeping = 0;
    if (sd_bus_message_read(m, "b", &sleeping) >= 0 && !sleeping) dispatch(BusEvent::Resume);
}

void SystemBus::onPropertiesChanged(sd_bus_message* m) {
    const char* interface = nullptr;
    if (sd_bus_message_read(m, "s", &interface) < 0 ||
        std::strcmp(interface, "org.bluez.Adapter1") != 0)
        return;
    if (sd_bus_message_enter_container(m, 'a', "{sv}") < 0) return;
    while (sd_bus_message_enter_container(m, 'e', "sv") > 0) {
        const char* name = nullptr;
        if (sd_bus_message_read(m, "s", &name) < 0) return;
        if (std::strcmp(name, "Powered") == 0) {
            int powered = 0;
            if (sd_bus_message_read(m, "v", "b", &powered) < 0) return;
            dispatch(powered ? BusEvent::BluetoothPoweredOn : BusEvent::BluetoothPoweredOff);
        } else if (sd_bus_message_skip(m, "v") < 0) {
            return;
        }
        if (sd_bus_message_exit_container(m) < 0) return;
    }
}

void SystemBus::onInhibitReply(sd_bus_message* m) {
    inhibitCall_ = sd_bus_slot_unref(inhibitCall_);
    int fd = -1;
    // An error reply (no logind, or not allowed) leaves the program without the lock.
    if (sd_bus_message_is_method_error(m, nullptr) || sd_bus_message_read(m, "h", &fd) < 0) return;
    // The descriptor belongs to the message; keep a copy of our own.
    int own = fcntl(fd, F_DUPFD_CLOEXEC, 3);
    if (own < 0) return;
    std::lock_guard<std::mutex> held(mutex_);
    inhibitorFd_ = own;
}

// Brings the held inhibitor in line with the last request. Bus thread only.
void SystemBus::applyInhibitor(sd_bus* bus) {
    std::unique_lock<std::mutex> held(mutex_);
    if (!wantInhibitor_) {
        if (inhibitorFd_ >= 0) close(inhibitorFd_);
        inhibitorFd_ = -1;
        held.unlock();
        inhibitCall_ = sd_bus_slot_unref(inhibitCall_); // a late reply is dropped with its slot
        return;
    }
    if (inhibitorFd_ >= 0 || inhibitCall_ != nullptr) return;
    held.unlock();
    sd_bus_call_method_async(bus, &inhibitCall_, kLogind, kLogindPath, kLogindManager, "Inhibit",
                             &SystemBusCallbacks::inhibitReply, this, "ssss", "sleep:idle",
                             "Corvane", "The GPS receiver link is open", "block");
}

void SystemBus::run() {
    sd_bus* bus = nullptr;
    bool ok = sd_bus_open_system(&bus) >= 0;
    // The signals are matched locally as well, so a bus that refuses a match rule only costs
    // that event.
    if (ok) {
        sd_bus_match_signal(bus, nullptr, kLogind, kLogindPath, kLogindManager, "PrepareForSleep",
                            &SystemBusCallbacks::prepareForSleep, this);
        sd_bus_match_signal(bus, nullptr, "org.bluez", nullptr, "org.freedesktop.DBus.Properties",
                            "PropertiesChanged", &SystemBusCallbacks::propertiesChanged, this);
    }
    {
        std::lock_guard<std::mutex> held(mutex_);
        attempted_ = true;
        connected_ = ok;
    }
    attemptDone_.notify_all();
    if (!ok) {
        sd_bus_unref(bus);
        return;
    }
    for (;;) {
        {
            std::lock_guard<std::mutex> held(mutex_);
            if (stop_) break;
        }
        applyInhibitor(bus);
        int r = sd_bus_process(bus, nullptr);
        if (r < 0) break; // the bus went away: no more events, as without a bus
        if (r > 0) continue;
        pollfd fds[2] = {{sd_bus_get_fd(bus), static_cast<short>(sd_bus_get_events(bus)), 0},
                         {wakeFd_, POLLIN, 0}};
        uint64_t until = 0;
        int timeoutMs = -1;
        if (sd_bus_get_timeout(bus, &until) >= 0 && until != UINT64_MAX) {
            timespec now{};
            clock_gettime(CLOCK_MONOTONIC, &now);
            uint64_t nowUs = uint64_t(now.tv_sec) * 1000000u + uint64_t(now.tv_nsec) / 1000u;
            timeoutMs = until <= nowUs ? 0 : static_cast<int>((until - nowUs + 999) / 1000);
        }
        if (poll(fds, 2, timeoutMs) < 0 && errno != EINTR) break;
        if (fds[1].revents & POLLIN) {
            uint64_t value = 0;
            (void)!read(wakeFd_, &value, sizeof value);
        }
    }
    inhibitCall_ = sd_bus_slot_unref(inhibitCall_);
    sd_bus_flush_close_unref(bus);
}

} // namespace platform
