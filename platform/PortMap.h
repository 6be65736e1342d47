#pragma once
// The port map: the names "COM1:".."COM9:" that cv.ini and the screens use, each standing for a
// device path (or a network source) held in the registry under
// HKEY_LOCAL_MACHINE\Hardware\DeviceMap\SerialComm, value name "COM3:". A name without a value
// stands for its default device.

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace platform {

class Registry;

inline constexpr const char* kPortMapKey = "Hardware\\DeviceMap\\SerialComm";
inline constexpr int kPortCount = 9;

// 1..9 for "COM1:".."COM9:" (any case, the colon optional); 0 for anything else.
int portNumber(std::string_view name);

class PortMap {
public:
    explicit PortMap(Registry& registry) : registry_(registry) {}

    struct Entry {
        std::string name; // "COM1:"
        std::string path;
        bool exists = false; // a device path that is there; a network source never "exists"
        bool network = false;
    };

    // The path for a port name; nothing when the name is not one of the nine.
    std::optional<std::string> path(std::string_view portName);
    // Stores the path of a port. False for a name that is not one of the nine, a value that is
    // neither an absolute path nor "tcp://" or "gpsd://", or a registry that cannot be written.
    bool setPath(std::string_view portName, std::string_view path);
    // The nine ports in order.
    std::vector<Entry> list();

private:
    Registry& registry_;
};

} // namespace platform
