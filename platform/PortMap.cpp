#include "platform/PortMap.h"

#include <sys/stat.h>

#include "platform/Registry.h"

namespace platform {

namespace {

constexpr const char* kDefaultPaths[kPortCount] = {"/dev/ttyS0",   "/dev/ttyS1",   "/dev/ttyUSB0",
                                                   "/dev/ttyACM0", "/dev/rfcomm0", "/dev/ttyUSB1",
                                                   "/dev/ttyACM1", "/dev/rfcomm1", "/dev/ttyS2"};

std::string valueName(int number) {
    return "COM" + std::to_string(number) + ":";
}

bool isNetwork(std::string_view value) {
    return value.starts_with("tcp://") || value.starts_with("gpsd://");
}

} // namespace

int portNumber(std::string_view name) {
    if (name.size() == 5 && name[4] == ':') name.remove_suffix(1);
    if (name.size() != 4) return 0;
    for (int i = 0; i < 3; ++i)
        if ((name[i] | 0x20) != "com"[i]) return 0;
    return name[3] >= '1' && name[3] <= '9' ? name[3] - '0' : 0;
}

std::optional<std::string> PortMap::path(std::string_view portName) {
    int number = portNumber(portName);
    if (number == 0) return std::nullopt;
    auto stored = registry_.queryString(RegistryRoot::LocalMachine, kPortMapKey, valueName(number));
    if (stored && !stored->empty()) return stored;
    return kDefaultPaths[number - 1];
}

bool PortMap::setPath(std::string_view portName, std::string_view path) {
    int number = portNumber(portName);
    if (number == 0 || !(path.starts_with("/") || isNetwork(path))) return false;
    return registry_.setString(RegistryRoot::LocalMachine, kPortMapKey, valueName(number), path);
}

std::vector<PortMap::Entry> PortMap::list() {
    std::vector<Entry> entries;
    for (int number = 1; number <= kPortCount; ++number) {
        Entry e;
        e.name = valueName(number);
        e.path = *path(e.name);
        e.network = isNetwork(e.path);
        struct stat st;
        e.exists = !e.network && ::stat(e.path.c_str(), &st) == 0;
        entries.push_back(std::move(e));
    }
    return entries;
}

} // namespace platform
