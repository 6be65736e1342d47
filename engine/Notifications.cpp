#include "engine/Notifications.h"

#include "engine/GpsEngine.h"
#include "platform/SystemBus.h"

namespace engine {

namespace {

// The process's bus connection, through whichever registration holds it.
platform::SystemBus* busOf(GpsEngine& engine) {
    if (engine.bluetoothRegistration) return &engine.bluetoothRegistration->bus();
    if (engine.powerRegistration) return &engine.powerRegistration->bus();
    return nullptr;
}

} // namespace

void createNotifications(GpsEngine& engine) {
    using platform::NotificationKind;
    using platform::NotificationQueue;
    using platform::NotificationRegistration;
    auto queue =
        std::make_unique<NotificationQueue>(kBluetoothQueueMessages, kBluetoothMessageBytes);
    if (queue->valid()) {
        engine.bluetoothQueue = std::move(queue);
        engine.bluetoothRegistration = std::make_unique<NotificationRegistration>(
            *engine.bluetoothQueue, NotificationKind::Bluetooth, kNotificationMask);
    }
    queue = std::make_unique<NotificationQueue>(kPowerQueueMessages, kPowerMessageBytes);
    if (queue->valid()) {
        engine.powerQueue = std::move(queue);
        engine.powerRegistration = std::make_unique<NotificationRegistration>(
            *engine.powerQueue, NotificationKind::Power, kNotificationMask);
    }
}

void releaseNotifications(GpsEngine& engine) {
    if (platform::SystemBus* bus = busOf(engine)) bus->setSleepInhibited(false);
    engine.bluetoothRegistration.reset();
    engine.bluetoothQueue.reset();
    engine.powerRegistration.reset();
    engine.powerQueue.reset();
}

void syncSleepInhibitor(GpsEngine& engine) {
    bool open;
    {
        std::lock_guard<std::mutex> held(engine.lock());
        open = engine.link.portOpen != 0;
    }
    if (platform::SystemBus* bus = busOf(engine)) bus->setSleepInhibited(open);
}

} // namespace engine
