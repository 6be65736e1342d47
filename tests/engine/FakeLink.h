#pragma once
// A port that opens or refuses on the test's word, in place of a device, so the link code's
// opens and closes show in counts.

#include <memory>
#include <string>

#include "engine/SerialLink.h"
#include "platform/CommPort.h"

namespace fakelink {

inline int opens = 0;
inline bool refuse = false;

class Port final : public platform::CommPort {
public:
    bool configure(const platform::LineSettings&) override { return true; }
    bool setModemLines(bool, bool) override { return true; }
    void purge() override {}
    void setEventMask(bool) override {}
    platform::CommEvent waitEvent() override { return platform::CommEvent::Woken; }
    ssize_t read(uint8_t*, size_t) override { return 0; }
    bool clearErrors(platform::LineErrorCounts*) override { return true; }
};

inline std::unique_ptr<platform::CommPort> open(const std::string&) {
    ++opens;
    if (refuse) {
        errno = ENOENT;
        return nullptr;
    }
    return std::make_unique<Port>();
}

// Installs the fake for one test.
struct Installed {
    Installed() {
        opens = 0;
        refuse = false;
        engine::setCommPortOpener(&open);
    }
    ~Installed() { engine::setCommPortOpener(nullptr); }
};

} // namespace fakelink
