#pragma once
// A request for system notifications of one kind, delivered as messages into a NotificationQueue:
// Bluetooth stack events (72-byte messages) or power notifications (16-byte messages), in the
// layouts below. The producers are the system bus where one is reachable (see SystemBus) and
// anything that writes the queue itself (tests). A registration is made even without a system
// bus; it then simply never delivers anything. Ending the registration disconnects the queue.

#include <cstdint>
#include <memory>

#include "platform/NotificationQueue.h"

namespace platform {

class SystemBus;

// A Bluetooth stack event: identifier, a reserved word and 64 bytes of event data.
struct BluetoothNotification {
    uint32_t eventId = 0;
    uint32_t reserved = 0;
    uint8_t data[64] = {};
};
static_assert(sizeof(BluetoothNotification) == 72);

inline constexpr uint32_t kBluetoothStackUp = 400;
inline constexpr uint32_t kBluetoothStackDown = 401;
// Event classes of the Bluetooth request mask.
inline constexpr uint32_t kBluetoothClassConnection = 1, kBluetoothClassPairing = 2,
                          kBluetoothClassDevice = 4, kBluetoothClassStack = 8;

// A power notification: the message code, flags, the length of the state name that follows and
// room for a short state name.
struct PowerNotification {
    uint32_t message = 0;
    uint32_t flags = 0;
    uint32_t length = 0;
    char16_t systemPowerState[2] = {};
};
static_assert(sizeof(PowerNotification) == 16);

// Power message codes, also the bits of the power request mask.
inline constexpr uint32_t kPowerTransition = 1, kPowerResume = 2, kPowerStatusChange = 4,
                          kPowerInfoChange = 8;

enum class NotificationKind { Bluetooth, Power };

class NotificationRegistration {
public:
    // Connects queue to the producers of kind for the classes in mask (the Bluetooth classes or
    // the power message bits above). The queue must outlive the registration.
    NotificationRegistration(NotificationQueue& queue, NotificationKind kind, uint32_t mask);
    ~NotificationRegistration();
    NotificationRegistration(const NotificationRegistration&) = delete;
    NotificationRegistration& operator=(const NotificationRegistration&) = delete;

    // The bus connection this registration listens on (shared by the whole process).
    SystemBus& bus() const { return *bus_; }

private:
    std::shared_ptr<SystemBus> bus_;
    int listenerId_ = 0;
};

} // namespace platform
