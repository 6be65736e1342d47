#pragma once
// The window in front: remembered before this program takes the focus, and given it back after.

#include <cstdint>

namespace platform {

class Focus {
public:
    using WindowId = uint64_t; // 0: none
    virtual ~Focus() = default;
    virtual WindowId foreground() = 0;
    // Shows the window and makes it the active one; false when it is gone.
    virtual bool bringToFront(WindowId window) = 0;
};

} // namespace platform
