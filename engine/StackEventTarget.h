#pragma once
// Where stack events of the vendor's Bluetooth library go: the main window implements it by
// queueing message 1043 with the event code to its own thread, which then calls
// handleStackEvent (engine/Bluetooth.h). Called on the library's threads.

#include <cstdint>

namespace engine {

class StackEventTarget {
public:
    virtual ~StackEventTarget() = default;
    virtual void postStackEvent(uint32_t code) = 0;
};

} // namespace engine
