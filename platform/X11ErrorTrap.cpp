#include "platform/X11ErrorTrap.h"

#include <mutex>

namespace platform {

namespace {

std::mutex trapMutex;
Display* trapped = nullptr;
int firstError = Success;
XErrorHandler previous = nullptr;

int trapHandler(Display* display, XErrorEvent* event) {
    if (display != trapped) return previous ? previous(display, event) : 0;
    if (firstError == Success) firstError = event->error_code;
    return 0;
}

} // namespace

X11ErrorTrap::X11ErrorTrap(Display* display) : display_(display) {
    trapMutex.lock();
    XSync(display_, False); // earlier errors are not this trap's
    trapped = display_;
    firstError = Success;
    previous = XSetErrorHandler(trapHandler);
}

X11ErrorTrap::~X11ErrorTrap() {
    XSync(display_, False);
    XSetErrorHandler(previous);
    trapped = nullptr;
    trapMutex.unlock();
}

int X11ErrorTrap::sync() {
    XSync(display_, False);
    const int code = firstError;
    firstError = Success;
    return code;
}

} // namespace platform
