#pragma once
// A port that opens or refuses on the test's word in place of a device, so the link code's opens
// show in a count.

#include <memory>
#include <string>

#include "engine/SerialLink.h"
#include "platform/CommPort.h"

namespace fakelink {

inline int opens = 0;
inline bool refuse = false;

struct Port final : platform::CommPort {
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
    errno = ENOENT;
    return refuse ? nullptr : std::make_unique<Port>();
}

// The fake for one test's lifetime.
struct Installed {
    Installed() { opens = 0, refuse = false, engine::setCommPortOpener(&open); }
    ~Installed() { engine::setCommPortOpener(nullptr); }
};

} // namespace fakelink
