#pragma once
// System-wide hot keys on X11: passive grabs of the key on the root window, one for each state of
// NumLock and CapsLock, so the key works whichever of them is on. A thread with a connection of
// its own waits for the grabbed keys and does every grab and release, so no Xlib connection is
// shared between threads.

#include "platform/HotKeys.h"

#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <thread>

struct _XDisplay; // Xlib's, declared here to keep its macros out of the includers

namespace platform {

class X11HotKeys : public HotKeys {
public:
    // Connects to the display named (empty: $DISPLAY); null with reason set when there is none.
    static std::unique_ptr<X11HotKeys> open(const std::string& displayName, std::string* reason);
    ~X11HotKeys() override;

    void setHandler(Handler handler) override;
    bool registerHotKey(int identifier, uint32_t modifiers, uint8_t virtualKey,
                        std::string* reason = nullptr) override;
    void unregisterHotKey(int identifier) override;

private:
    X11HotKeys(_XDisplay* display, int wakeFd);
    void run();
    // Runs the work on the thread of the connection and returns its result.
    bool onThread(std::function<bool()> work);
    bool grab(int identifier, uint32_t modifiers, uint8_t virtualKey, std::string* reason);
    void ungrab(int identifier);
    void dispatch(bool release, unsigned int keycode, unsigned int state);

    struct Key {
        unsigned int keycode;
        unsigned int state; // X modifier mask without NumLock and CapsLock
        bool onRelease;
    };

    _XDisplay* display_;
    int wakeFd_;
    unsigned int numLockMask_ = 0;
    std::map<int, Key> keys_; // the connection thread's own

    std::mutex mutex_;
    Handler handler_;
    std::function<void()> pending_;
    bool stopping_ = false;
    std::thread thread_;
};

} // namespace platform
