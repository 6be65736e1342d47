// Typing, hot keys and the window in front against a real X server (Xvfb, with openbox as the
// window manager where asked), and a window of the test's own that records the characters it
// receives. Skipped where Xvfb is not installed.

#include "platform/X11Focus.h"
#include "platform/X11HotKeys.h"
#include "platform/X11KeyInjector.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>
// After gtest: Xlib's macros (None, Bool) clash with its names.
#include <X11/Xutil.h>
#include <poll.h>

#include <atomic>

using testsupport::eventually;

namespace {

// An X server of the test's own; DISPLAY names it for the tools the test runs.
class X11Session : public ::testing::Test {
protected:
    void start(bool windowManager) {
        if (!server_.start(windowManager)) GTEST_SKIP() << "Xvfb or openbox is not installed";
        display_ = server_.display();
        client_ = XOpenDisplay(display_.c_str());
        ASSERT_NE(client_, nullptr);
    }
    ~X11Session() override {
        stop_ = true;
        if (reader_.joinable()) reader_.join();
        if (client_) XCloseDisplay(client_);
    }
    // A window manager has taken a window in when it has set the window's WM_STATE.
    void waitManaged(Display* display, Window window) {
        const Atom state = XInternAtom(display, "WM_STATE", False);
        ASSERT_TRUE(!server_.managed() || eventually([&] {
            Atom type = None;
            int format = 0;
            unsigned long count = 0, after = 0;
            unsigned char* data = nullptr;
            XGetWindowProperty(display, window, state, 0, 1, False, AnyPropertyType, &type, &format,
                               &count, &after, &data);
            if (data) XFree(data);
            return type != None;
        }));
    }
    // A mapped window whose received characters a thread of its own collects (it reads the
    // keyboard mapping anew when it changes, as every X client does).
    Window openWindow() {
        const Window window =
            XCreateSimpleWindow(client_, DefaultRootWindow(client_), 0, 0, 100, 100, 0, 0, 0);
        XSelectInput(client_, window, KeyPressMask);
        XMapRaised(client_, window);
        XSync(client_, False);
        waitManaged(client_, window);
        reader_ = std::thread([this] {
            pollfd fd{ConnectionNumber(client_), POLLIN, 0};
            while (!stop_) {
                while (XPending(client_) > 0) {
                    XEvent event;
                    XNextEvent(client_, &event);
                    char text[8] = {};
                    if (event.type == MappingNotify) XRefreshKeyboardMapping(&event.xmapping);
                    if (event.type == KeyPress) {
                        const int n =
                            XLookupString(&event.xkey, text, sizeof text, nullptr, nullptr);
                        std::lock_guard lock(mutex_);
                        received_.append(text, n);
                    }
                }
                poll(&fd, 1, 10);
            }
        });
        return window;
    }
    std::string received() {
        std::lock_guard lock(mutex_);
        return received_;
    }
    void run(const std::string& command) { ASSERT_EQ(system(command.c_str()), 0) << command; }

    testsupport::XServer server_; // first: it outlives the connection below
    std::string display_;
    Display* client_ = nullptr;

private:
    std::thread reader_;
    std::atomic<bool> stop_{false};
    std::mutex mutex_;
    std::string received_;
};

} // namespace

// Text typed in a US, a German and a French layout arrives as on a US keyboard: digits, letters
// that those layouts move (Z, Y, A, Q, M), the logical Shift's characters (N, '"', '>', and '@',
// which both layouts have only with AltGr, so it is typed on a borrowed keycode) and keypad minus.
// The keyboard mapping is given back afterwards and no modifier stays down.
TEST_F(X11Session, TypedTextArrivesExactlyInEachLayout) {
    start(true);
    if (IsSkipped()) return;
    const Window window = openWindow();
    std::string reason;
    auto injector = platform::X11KeyInjector::open(display_, &reason);
    auto focus = platform::X11Focus::open(display_, &reason);
    ASSERT_TRUE(injector && focus) << reason;
    ASSERT_TRUE(focus->bringToFront(window));
    ASSERT_TRUE(eventually([&] { return focus->foreground() == window; }));
    const std::vector<std::pair<uint8_t, bool>> keys = {
        {'N', true},  {'4', false}, {'7', false}, {190, false}, {'5', false}, {222, true},
        {222, false}, {109, false}, {'2', true},  {'Z', false}, {'Y', false}, {'A', false},
        {'Q', false}, {'M', false}, {'0', false}, {190, true},  {9, false},   {13, false}};
    Display* probe = XOpenDisplay(display_.c_str());
    size_t seen = 0;
    for (const char* layout : {"us", "de", "fr"}) {
        SCOPED_TRACE(layout);
        run(std::string("setxkbmap ") + layout);
        int min = 0, max = 0, per = 0;
        XDisplayKeycodes(probe, &min, &max);
        KeySym* before = XGetKeyboardMapping(probe, KeyCode(min), max - min + 1, &per);
        for (const auto& [vk, shifted] : keys) {
            if (shifted) injector->keyDown(16);
            injector->keyDown(vk);
            injector->keyUp(vk);
            if (shifted) injector->keyUp(16);
        }
        injector->flush();
        const std::string expected = "N47.5\"'-@zyaqm0>\t\r";
        EXPECT_TRUE(eventually([&] { return received().size() >= seen + expected.size(); }, 3000));
        EXPECT_EQ(received().substr(seen), expected);
        seen = received().size();
        KeySym* after = XGetKeyboardMapping(probe, KeyCode(min), max - min + 1, &per);
        EXPECT_TRUE(std::equal(before, before + (max - min + 1) * per, after));
        XFree(before);
        XFree(after);
        EXPECT_TRUE(injector->waitForModifiersReleased(0));
    }
    // With CapsLock on, letters still come out in the case asked for.
    run("xdotool key Caps_Lock");
    for (bool shifted : {true, false}) {
        if (shifted) injector->keyDown(16);
        injector->keyDown('N');
        injector->keyUp('N');
        if (shifted) injector->keyUp(16);
    }
    injector->flush();
    EXPECT_TRUE(eventually([&] { return received().size() >= seen + 2; }, 3000));
    EXPECT_EQ(received().substr(seen), "Nn");
    run("xdotool key Caps_Lock");
    XCloseDisplay(probe);
}

// Super+F5 acts when pressed and Super+F6 (with the key-up flag) when released, with NumLock off
// and on, while another window has the focus; a second program asking for Super+F5 is told why
// it cannot have it.
TEST_F(X11Session, HotKeysReachTheHandlerWithNumLockOffAndOn) {
    start(true);
    if (IsSkipped()) return;
    openWindow();
    std::string reason;
    auto hotKeys = platform::X11HotKeys::open(display_, &reason);
    ASSERT_TRUE(hotKeys) << reason;
    std::mutex mutex;
    std::vector<int> fired;
    hotKeys->setHandler([&](int id) {
        std::lock_guard lock(mutex);
        fired.push_back(id);
    });
    ASSERT_TRUE(hotKeys->registerHotKey(7, platform::MOD_WIN, 116, &reason)) << reason;
    ASSERT_TRUE(hotKeys->registerHotKey(8, platform::MOD_WIN | platform::MOD_KEYUP, 117, &reason));
    const auto count = [&] {
        std::lock_guard lock(mutex);
        return fired.size();
    };
    for (size_t round = 1; round <= 2; ++round) {
        // F5 is pressed and released while F6 is held down.
        run("xdotool keydown super keydown F6 key F5 keyup F6 keyup super");
        EXPECT_TRUE(eventually([&] { return count() == 2 * round; }));
        run("xdotool key Num_Lock");
    }
    EXPECT_EQ(fired, (std::vector<int>{7, 8, 7, 8}));

    auto other = platform::X11HotKeys::open(display_, &reason);
    ASSERT_TRUE(other);
    EXPECT_FALSE(other->registerHotKey(1, platform::MOD_WIN, 116, &reason));
    EXPECT_EQ(reason, "The hot key Super+F5 is already used by another program.");
}

// The window in front is remembered and given the focus back, through the window manager and
// without one; a window that is gone cannot be brought back.
class X11FocusTest : public X11Session, public ::testing::WithParamInterface<bool> {};

TEST_P(X11FocusTest, FocusReturnsToTheRememberedWindow) {
    start(GetParam());
    if (IsSkipped()) return;
    const Window mine = openWindow();
    std::string reason;
    auto focus = platform::X11Focus::open(display_, &reason);
    ASSERT_TRUE(focus) << reason;
    Display* other = XOpenDisplay(display_.c_str());
    const Window theirs =
        XCreateSimpleWindow(other, DefaultRootWindow(other), 0, 0, 50, 50, 0, 0, 0);
    XMapRaised(other, theirs);
    XSync(other, False);
    waitManaged(other, theirs);
    for (Window w : {theirs, mine, theirs, mine}) {
        EXPECT_TRUE(focus->bringToFront(w));
        EXPECT_TRUE(eventually([&] { return focus->foreground() == w; }));
    }
    XDestroyWindow(other, theirs);
    XSync(other, False);
    EXPECT_FALSE(focus->bringToFront(theirs));
    XCloseDisplay(other);
}

INSTANTIATE_TEST_SUITE_P(WindowManager, X11FocusTest, ::testing::Values(true, false));
