// Fuzz target for the port-map values that name a network source: whatever the text, the parser
// either refuses it or gives a host and a port that print back to a value it parses the same.

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "platform/NetworkPort.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string text(reinterpret_cast<const char*>(data), size);
    auto address = platform::parseNetworkUrl(text);
    if (!address) return 0;
    if (!platform::isNetworkUrl(text) || address->host.empty() || address->port == 0) std::abort();
    const bool v6 = address->host.find(':') != std::string::npos;
    const std::string host = v6 ? "[" + address->host + "]" : address->host;
    const std::string scheme =
        address->kind == platform::NetworkAddress::Kind::Gpsd ? "gpsd://" : "tcp://";
    auto again = platform::parseNetworkUrl(scheme + host + ":" + std::to_string(address->port));
    if (!again || again->host != address->host || again->port != address->port ||
        again->kind != address->kind)
        std::abort();
    return 0;
}
