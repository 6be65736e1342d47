#include "platform/RecordingKeyInjector.h"

#include "platform/VirtualKeys.h"

namespace platform {

std::string RecordingKeyInjector::lines() const {
    std::string out;
    for (const Event& e : events_) {
        out += e.down ? "down " : "up ";
        out += std::to_string(e.virtualKey);
        if (const VirtualKey* key = findVirtualKey(e.virtualKey)) {
            out += ' ';
            out += key->name;
        }
        out += '\n';
    }
    return out;
}

std::string RecordingKeyInjector::text() const {
    std::string out;
    bool shift = false;
    for (const Event& e : events_) {
        if (e.virtualKey == VK_SHIFT) {
            shift = e.down;
            continue;
        }
        if (!e.down) continue;
        const VirtualKey* key = findVirtualKey(e.virtualKey);
        if (key == nullptr) {
            out += "<" + std::to_string(e.virtualKey) + ">";
        } else if (e.virtualKey == VK_SUBTRACT) {
            out += '-';
        } else if (uint32_t sym = shift ? key->shiftedKeysym : key->keysym; sym < 0x100) {
            out += static_cast<char>(sym);
        } else {
            out += std::string("<") + key->name + ">";
        }
    }
    return out;
}

} // namespace platform
