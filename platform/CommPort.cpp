#include "platform/CommPort.h"

#include "platform/NetworkPort.h"
#include "platform/SerialPort.h"

namespace platform {

std::unique_ptr<CommPort> openCommPort(const std::string& device) {
    if (isNetworkUrl(device)) return openNetworkPort(device);
    return SerialPort::open(device);
}

} // namespace platform
