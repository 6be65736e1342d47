#pragma once
// The window in front on X11. Where a window manager announces _NET_ACTIVE_WINDOW it is asked
// (read from the root window, and a request to activate a window sent to it with a time stamp
// from the server); without one the input focus is read and set directly.

#include "platform/Focus.h"

#include <memory>
#include <string>

struct _XDisplay; // Xlib's, declared here to keep its macros out of the includers

namespace platform {

class X11Focus : public Focus {
public:
    // Connects to the display named (empty: $DISPLAY); null with reason set when there is none.
    static std::unique_ptr<X11Focus> open(const std::string& displayName, std::string* reason);
    ~X11Focus() override;

    WindowId foreground() override;
    bool bringToFront(WindowId window) override;

private:
    explicit X11Focus(_XDisplay* display);
    bool windowManagerActivates();
    unsigned long serverTime();

    _XDisplay* display_;
    unsigned long stampWindow_ = 0; // changed to learn the server's time
    unsigned long activeWindow_;
    unsigned long supported_;
};

} // namespace platform
