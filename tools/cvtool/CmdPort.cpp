// cvtool port: the port map from the command line.

#include <cstdio>
#include <string>
#include <vector>

#include "CliSupport.h"
#include "Commands.h"
#include "platform/PortMap.h"
#include "platform/Prompter.h"
#include "platform/Registry.h"

namespace cvtool {

namespace {

constexpr const char* kHelp =
    "usage: cvtool port [COMn: PATH]\n"
    "\n"
    "The port map turns the names COM1: .. COM9: of cv.ini into devices. Without operands,\n"
    "prints the nine ports, one line each: the name, the path, and 'present', 'missing' or\n"
    "'network'. With operands, maps COMn: (the colon optional) to PATH: an absolute device\n"
    "path, or tcp://HOST:PORT or gpsd://HOST:PORT. The map lives in the registry file under\n"
    "HKEY_LOCAL_MACHINE\\Hardware\\DeviceMap\\SerialComm.\n"
    "\n"
    "Exit status: 0; 1 when the registry file cannot be written; 2 for bad usage.\n";

} // namespace

int cmdPort(int argc, char** argv) {
    std::vector<const char*> args;
    auto none = [](std::string_view, const char*) { return kExitOk; };
    if (auto s = parseArguments("port", kHelp, argc, argv, {}, none, args)) return *s;
    if (args.size() != 0 && args.size() != 2)
        return usageError("port takes no operands or COMn: and a path (see cvtool port --help)");

    platform::StderrPrompter prompter;
    platform::Registry registry(platform::Registry::defaultPath(), &prompter);
    platform::PortMap map(registry);
    if (args.empty()) {
        for (const auto& e : map.list())
            std::printf("%s %s %s\n", e.name.c_str(), e.path.c_str(),
                        e.network  ? "network"
                        : e.exists ? "present"
                                   : "missing");
        return kExitOk;
    }
    std::string path = args[1];
    if (platform::portNumber(args[0]) == 0)
        return usageError("not a port name: '%s' (COM1: to COM9:)", args[0]);
    if (!(path.starts_with("/") || path.starts_with("tcp://") || path.starts_with("gpsd://")))
        return usageError("not a device path or network source: '%s'", args[1]);
    if (map.setPath(args[0], path)) return kExitOk;
    std::fprintf(stderr, "cvtool: cannot set the port: %s\n", registry.lastError().c_str());
    return kExitBadData;
}

} // namespace cvtool
