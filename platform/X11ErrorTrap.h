#pragma once
// Catches the X protocol errors of one display for as long as it lives, instead of Xlib's default
// handler, which prints and ends the process. Errors of other displays go to the handler that was
// there before. Xlib's handler is per process: one trap at a time is active (the others wait).

#include <X11/Xlib.h>

namespace platform {

class X11ErrorTrap {
public:
    explicit X11ErrorTrap(Display* display);
    ~X11ErrorTrap();
    X11ErrorTrap(const X11ErrorTrap&) = delete;
    X11ErrorTrap& operator=(const X11ErrorTrap&) = delete;

    // Waits for the requests sent so far and returns the first error code they raised (Success:
    // none), then starts counting afresh.
    int sync();

private:
    Display* display_;
};

} // namespace platform
