#include "engine/LinkSupervisor.h"

#include <sys/eventfd.h>
#include <unistd.h>

#include "engine/GpsEngine.h"
#include "engine/Notifications.h"
#include "platform/NotificationRegistration.h"

namespace engine {

LinkSupervisor::LinkSupervisor(GpsEngine& engine) : engine_(engine) {
    wakeFd_ = eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK);
}

LinkSupervisor::~LinkSupervisor() {
    join();
    if (wakeFd_ >= 0) close(wakeFd_);
}

void LinkSupervisor::start() {
    thread_ = std::thread([this] { run(); });
}

void LinkSupervisor::join() {
    if (!thread_.joinable()) return;
    uint64_t one = 1;
    if (wakeFd_ >= 0) (void)!write(wakeFd_, &one, sizeof one);
    thread_.join();
}

void LinkSupervisor::run() {
    if (!engine_.bluetoothQueue || !engine_.powerQueue || !engine_.bluetoothRegistration ||
        !engine_.powerRegistration)
        return;
    while (runFlag().load() != 0)
        turn(kSupervisionWaitMs);
}

void LinkSupervisor::turn(int waitMs) {
    int which = platform::NotificationQueue::waitAny(
        {engine_.bluetoothQueue.get(), engine_.powerQueue.get()}, waitMs, wakeFd_);
    if (which == 0) {
        platform::BluetoothNotification event;
        if (engine_.bluetoothQueue->read(&event, sizeof event, kNotificationReadMs) >= 8)
            onBluetoothEvent(event.eventId);
    } else if (which == 1) {
        platform::PowerNotification power;
        if (engine_.powerQueue->read(&power, sizeof power, kNotificationReadMs) >= 4 &&
            power.message == platform::kPowerResume)
            onResume();
    } else if (which == -1) {
        superviseSilence(engine_, silence_);
    }
    // Opens and closes above and on other threads (the reader, "GPS Connect") show here.
    syncSleepInhibitor(engine_);
}

void LinkSupervisor::closeForReconnect() {
    {
        std::lock_guard<std::mutex> held(engine_.lock());
        engine_.link.autoConnecting = 1;
    }
    closePort(engine_); // takes the engine lock for its own part
    std::lock_guard<std::mutex> held(engine_.lock());
    engine_.lastDataTick = engine_.clock().tickCount();
}

void LinkSupervisor::reopen() {
    openPort(engine_, false);
    // Set whatever the result: a failed reopen leaves the port open-but-failed, which the silence
    // supervision retries like any silent port.
    std::lock_guard<std::mutex> held(engine_.lock());
    engine_.link.portOpen = 1;
    engine_.lastDataTick = engine_.clock().tickCount();
    engine_.link.autoConnecting = 0;
}

void LinkSupervisor::onBluetoothEvent(uint32_t eventId) {
    bool portOpen;
    {
        std::lock_guard<std::mutex> held(engine_.lock());
        if (!engine_.settings.BTENBL || !engine_.microsoftStackPort) return;
        portOpen = engine_.link.portOpen != 0;
    }
    if (eventId == platform::kBluetoothStackUp) {
        // The stack needs this long before its ports open.
        if (!waitBeforeReopen(engine_, 5000)) return;
        {
            std::lock_guard<std::mutex> held(engine_.lock());
            engine_.btStackUp = 1;
            portOpen = engine_.link.portOpen != 0;
        }
        if (!portOpen && closedByStackDown_) {
            closedByStackDown_ = false;
            reopen();
        }
    } else if (eventId == platform::kBluetoothStackDown) {
        {
            std::lock_guard<std::mutex> held(engine_.lock());
            engine_.btStackUp = 0;
        }
        if (portOpen) {
            closedByStackDown_ = true;
            closeForReconnect();
        }
    }
}

void LinkSupervisor::onResume() {
    bool portOpen, systemStackPort, external;
    {
        std::lock_guard<std::mutex> held(engine_.lock());
        portOpen = engine_.link.portOpen != 0;
        systemStackPort = engine_.microsoftStackPort != 0;
        external = engine_.externalPort != 0;
    }
    if (systemStackPort && portOpen) {
        // The reopen follows with the next stack-up event.
        closedByStackDown_ = true;
        closeForReconnect();
        return;
    }
    if (!external) return;
    silence_.externalReopenings = 0;
    if (!portOpen) return;
    closeForReconnect();
    if (waitBeforeReopen(engine_, 5000)) {
        reopen();
        return;
    }
    std::lock_guard<std::mutex> held(engine_.lock()); // stopping: the port stays closed
    engine_.link.autoConnecting = 0;
}

} // namespace engine
