#include "platform/X11HotKeys.h"

#include "platform/X11ErrorTrap.h"
#include "platform/X11KeyInjector.h"

#include <X11/XKBlib.h>
#include <X11/Xlib.h>
#include <X11/keysym.h>
#include <poll.h>
#include <sys/eventfd.h>
#include <unistd.h>

#include <future>

namespace platform {

namespace {

std::string keyName(uint32_t modifiers, KeySym keysym) {
    const char* name = XKeysymToString(keysym);
    return std::string(modifiers & MOD_WIN ? "Super+" : "") + (name ? name : "?");
}

} // namespace

std::unique_ptr<X11HotKeys> X11HotKeys::open(const std::string& displayName, std::string* reason) {
    Display* display = XOpenDisplay(displayName.empty() ? nullptr : displayName.c_str());
    if (!display) {
        if (reason) *reason = "Cannot connect to the X display.";
        return nullptr;
    }
    const int wakeFd = eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK);
    if (wakeFd < 0) {
        XCloseDisplay(display);
        if (reason) *reason = "Cannot create the hot keys' wake-up event.";
        return nullptr;
    }
    return std::unique_ptr<X11HotKeys>(new X11HotKeys(display, wakeFd));
}

X11HotKeys::X11HotKeys(Display* display, int wakeFd) : display_(display), wakeFd_(wakeFd) {
    // Without this a held key sends a release before each repeated press, and a hot key acting
    // on release would fire once per repeat.
    XkbSetDetectableAutoRepeat(display_, True, nullptr);
    const KeyCode numLock = XKeysymToKeycode(display_, XK_Num_Lock);
    XModifierKeymap* map = XGetModifierMapping(display_);
    for (int m = 0; map && m < 8; ++m)
        for (int i = 0; i < map->max_keypermod; ++i)
            if (numLock != 0 && map->modifiermap[m * map->max_keypermod + i] == numLock)
                numLockMask_ = 1u << m;
    if (map) XFreeModifiermap(map);
    XSelectInput(display_, DefaultRootWindow(display_), KeyPressMask | KeyReleaseMask);
    XFlush(display_);
    thread_ = std::thread([this] { run(); });
}

X11HotKeys::~X11HotKeys() {
    {
        std::lock_guard lock(mutex_);
        stopping_ = true;
    }
    const uint64_t one = 1;
    (void)!write(wakeFd_, &one, sizeof one);
    thread_.join();
    XCloseDisplay(display_); // releases every grab of this connection
    close(wakeFd_);
}

void X11HotKeys::setHandler(Handler handler) {
    std::lock_guard lock(mutex_);
    handler_ = std::move(handler);
}

bool X11HotKeys::onThread(std::function<bool()> work) {
    std::packaged_task<bool()> task(std::move(work));
    std::future<bool> result = task.get_future();
    {
        std::lock_guard lock(mutex_);
        pending_ = [&task] { task(); };
    }
    const uint64_t one = 1;
    (void)!write(wakeFd_, &one, sizeof one);
    return result.get();
}

bool X11HotKeys::registerHotKey(int identifier, uint32_t modifiers, uint8_t virtualKey,
                                std::string* reason) {
    // One caller at a time hands work to the thread.
    static std::mutex callers;
    std::lock_guard lock(callers);
    return onThread([&] { return grab(identifier, modifiers, virtualKey, reason); });
}

void X11HotKeys::unregisterHotKey(int identifier) {
    static std::mutex callers;
    std::lock_guard lock(callers);
    onThread([&] {
        ungrab(identifier);
        return true;
    });
}

bool X11HotKeys::grab(int identifier, uint32_t modifiers, uint8_t virtualKey, std::string* reason) {
    ungrab(identifier);
    const KeySym keysym = X11KeyInjector::keysymFor(virtualKey, false);
    const KeyCode keycode = keysym == NoSymbol ? 0 : XKeysymToKeycode(display_, keysym);
    if (keycode == 0) {
        if (reason)
            *reason = "The hot key " + std::to_string(virtualKey) + " is not on this keyboard.";
        return false;
    }
    const unsigned int state = (modifiers & MOD_WIN) ? Mod4Mask : 0;
    const Window root = DefaultRootWindow(display_);
    const unsigned int variants[] = {0, LockMask, numLockMask_, LockMask | numLockMask_};
    int error = Success;
    {
        X11ErrorTrap trap(display_);
        for (unsigned int extra : variants)
            XGrabKey(display_, keycode, state | extra, root, False, GrabModeAsync, GrabModeAsync);
        error = trap.sync();
        if (error != Success) // keep none of the variants of a key that is not wholly ours
            for (unsigned int extra : variants)
                XUngrabKey(display_, keycode, state | extra, root);
    }
    if (error != Success) {
        if (reason)
            *reason = error == BadAccess
                          ? "The hot key " + keyName(modifiers, keysym) +
                                " is already used by another program."
                          : "The hot key " + keyName(modifiers, keysym) + " cannot be registered.";
        return false;
    }
    keys_[identifier] = {keycode, state, (modifiers & MOD_KEYUP) != 0};
    return true;
}

void X11HotKeys::ungrab(int identifier) {
    const auto it = keys_.find(identifier);
    if (it == keys_.end()) return;
    const Key key = it->second;
    keys_.erase(it);
    // Another identifier may hold the same key.
    for (const auto& [id, other] : keys_)
        if (other.keycode == key.keycode && other.state == key.state) return;
    const Window root = DefaultRootWindow(display_);
    X11ErrorTrap trap(display_);
    for (unsigned int extra : {0u, unsigned(LockMask), numLockMask_, LockMask | numLockMask_})
        XUngrabKey(display_, key.keycode, key.state | extra, root);
}

void X11HotKeys::dispatch(bool release, unsigned int keycode, unsigned int fullState) {
    const unsigned int state = fullState & ~(LockMask | numLockMask_) & 0xff;
    for (const auto& [id, key] : keys_) {
        if (key.keycode != keycode || key.state != state || key.onRelease != release) continue;
        Handler handler;
        {
            std::lock_guard lock(mutex_);
            handler = handler_;
        }
        if (handler) handler(id);
    }
}

void X11HotKeys::run() {
    pollfd fds[2] = {{ConnectionNumber(display_), POLLIN, 0}, {wakeFd_, POLLIN, 0}};
    for (;;) {
        while (XPending(display_) > 0) {
            XEvent event;
            XNextEvent(display_, &event);
            if (event.type == KeyPress || event.type == KeyRelease)
                dispatch(event.type == KeyRelease, event.xkey.keycode, event.xkey.state);
        }
        std::function<void()> work;
        {
            std::lock_guard lock(mutex_);
            if (stopping_) return;
            work = std::move(pending_);
            pending_ = nullptr;
        }
        if (work) {
            work();
            continue;
        }
        if (poll(fds, 2, -1) < 0) continue;
        uint64_t count = 0;
        (void)!read(wakeFd_, &count, sizeof count);
    }
}

} // namespace platform
