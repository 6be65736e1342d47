#pragma once
// The state of the link to the receiver, as the status text reads it. The engine holds one.

#include <cstdint>

namespace engine {

struct LinkFlags {
    int32_t autoConnecting = 0;
    int32_t portOpen = 0;
    int32_t commOk = 1;
    int32_t dataSeen = 0;
    uint32_t staleTimeoutMs = 3000; // a position older than this is "No new data"
};

} // namespace engine
