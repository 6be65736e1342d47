#include "platform/CommPort.h"

#include <cerrno>
#include <string_view>

#include "platform/SerialPort.h"

namespace platform {

std::unique_ptr<CommPort> openCommPort(const std::string& device) {
    std::string_view name = device;
    if (name.starts_with("tcp://") || name.starts_with("gpsd://")) {
        errno = EPROTONOSUPPORT; // network sources are not built in yet
        return nullptr;
    }
    return SerialPort::open(device);
}

} // namespace platform
