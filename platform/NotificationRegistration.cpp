#include "platform/NotificationRegistration.h"

#include "platform/SystemBus.h"

namespace platform {

NotificationRegistration::NotificationRegistration(NotificationQueue& queue, NotificationKind kind,
                                                   uint32_t mask)
    : bus_(SystemBus::acquire()) {
    NotificationQueue* target = &queue;
    listenerId_ = bus_->addListener([target, kind, mask](BusEvent event) {
        if (kind == NotificationKind::Power) {
            if (event != BusEvent::Resume || (mask & kPowerResume) == 0) return;
            PowerNotification n;
            n.message = kPowerResume;
            target->write(&n, sizeof n);
            return;
        }
        if (event == BusEvent::Resume || (mask & kBluetoothClassStack) == 0) return;
        BluetoothNotification n;
        n.eventId = event == BusEvent::BluetoothPoweredOn ? kBluetoothStackUp : kBluetoothStackDown;
        target->write(&n, sizeof n);
    });
}

NotificationRegistration::~NotificationRegistration() {
    bus_->removeListener(listenerId_);
}

} // namespace platform
