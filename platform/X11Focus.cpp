#include "platform/X11Focus.h"

#include "platform/X11ErrorTrap.h"

#include <X11/Xatom.h>
#include <X11/Xlib.h>

namespace platform {

std::unique_ptr<X11Focus> X11Focus::open(const std::string& displayName, std::string* reason) {
    Display* display = XOpenDisplay(displayName.empty() ? nullptr : displayName.c_str());
    if (!display) {
        if (reason) *reason = "Cannot connect to the X display.";
        return nullptr;
    }
    return std::unique_ptr<X11Focus>(new X11Focus(display));
}

X11Focus::X11Focus(Display* display)
    : display_(display), activeWindow_(XInternAtom(display, "_NET_ACTIVE_WINDOW", False)),
      supported_(XInternAtom(display, "_NET_SUPPORTED", False)) {
    XSetWindowAttributes attributes{};
    attributes.event_mask = PropertyChangeMask;
    stampWindow_ = XCreateWindow(display_, DefaultRootWindow(display_), -1, -1, 1, 1, 0, 0,
                                 InputOnly, CopyFromParent, CWEventMask, &attributes);
}

X11Focus::~X11Focus() {
    XDestroyWindow(display_, stampWindow_);
    XCloseDisplay(display_);
}

// The window manager's list of supported hints names _NET_ACTIVE_WINDOW. Asked each time: a
// window manager may start or stop while the program runs.
bool X11Focus::windowManagerActivates() {
    Atom type = None;
    int format = 0;
    unsigned long count = 0, after = 0;
    unsigned char* data = nullptr;
    bool found = false;
    if (XGetWindowProperty(display_, DefaultRootWindow(display_), supported_, 0, 4096, False,
                           XA_ATOM, &type, &format, &count, &after, &data) == Success &&
        data && type == XA_ATOM && format == 32) {
        const Atom* atoms = reinterpret_cast<const Atom*>(data);
        for (unsigned long i = 0; i < count && !found; ++i)
            found = atoms[i] == activeWindow_;
    }
    if (data) XFree(data);
    return found;
}

// A window manager refuses activation requests stamped older than the user's last input; an
// empty append to a property of our own gives the server's current time.
unsigned long X11Focus::serverTime() {
    unsigned char nothing = 0;
    XChangeProperty(display_, stampWindow_, XA_WM_NAME, XA_STRING, 8, PropModeAppend, &nothing, 0);
    XEvent event;
    XWindowEvent(display_, stampWindow_, PropertyChangeMask, &event);
    return event.xproperty.time;
}

Focus::WindowId X11Focus::foreground() {
    if (windowManagerActivates()) {
        Atom type = None;
        int format = 0;
        unsigned long count = 0, after = 0;
        unsigned char* data = nullptr;
        WindowId window = 0;
        if (XGetWindowProperty(display_, DefaultRootWindow(display_), activeWindow_, 0, 1, False,
                               XA_WINDOW, &type, &format, &count, &after, &data) == Success &&
            data && type == XA_WINDOW && format == 32 && count == 1)
            window = *reinterpret_cast<const Window*>(data);
        if (data) XFree(data);
        return window;
    }
    Window window = None;
    int revert = 0;
    XGetInputFocus(display_, &window, &revert);
    return window == None || window == PointerRoot ? 0 : window;
}

bool X11Focus::bringToFront(WindowId window) {
    if (window == 0) return false;
    X11ErrorTrap trap(display_);
    XWindowAttributes attributes;
    if (!XGetWindowAttributes(display_, Window(window), &attributes) || trap.sync() != Success)
        return false;
    if (windowManagerActivates()) {
        XEvent event{};
        event.xclient.type = ClientMessage;
        event.xclient.window = Window(window);
        event.xclient.message_type = activeWindow_;
        event.xclient.format = 32;
        event.xclient.data.l[0] = 1; // source: an application
        event.xclient.data.l[1] = long(serverTime());
        event.xclient.data.l[2] = 0;
        XSendEvent(display_, DefaultRootWindow(display_), False,
                   SubstructureRedirectMask | SubstructureNotifyMask, &event);
    } else {
        XMapRaised(display_, Window(window));
        XSetInputFocus(display_, Window(window), RevertToParent, CurrentTime);
    }
    return trap.sync() == Success;
}

} // namespace platform
