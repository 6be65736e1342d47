#include "platform/X11KeyInjector.h"

#include "platform/VirtualKeys.h"

#include <X11/XKBlib.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <X11/extensions/XTest.h>
#include <X11/keysym.h>

#include <chrono>
#include <thread>

namespace platform {

namespace {

// How long a program that received a key on a borrowed keycode is given to read it before the
// keycode is given back: it looks the keycode up in the mapping when it handles the event, not
// when the server sends it.
constexpr auto borrowHold = std::chrono::milliseconds(100);

} // namespace

KeySym X11KeyInjector::keysymFor(uint8_t vk, bool shifted) {
    const VirtualKey* key = findVirtualKey(vk);
    if (key == nullptr) return NoSymbol;
    return shifted ? key->shiftedKeysym : key->keysym;
}

std::unique_ptr<X11KeyInjector> X11KeyInjector::open(const std::string& displayName,
                                                     std::string* reason) {
    Display* display = XOpenDisplay(displayName.empty() ? nullptr : displayName.c_str());
    if (!display) {
        if (reason) *reason = "Cannot connect to the X display.";
        return nullptr;
    }
    int event = 0, error = 0, major = 0, minor = 0;
    if (!XTestQueryExtension(display, &event, &error, &major, &minor)) {
        XCloseDisplay(display);
        if (reason) *reason = "The X server does not offer the XTest extension needed for typing.";
        return nullptr;
    }
    return std::unique_ptr<X11KeyInjector>(new X11KeyInjector(display));
}

X11KeyInjector::X11KeyInjector(Display* display) : display_(display) {
    shiftKeycode_ = XKeysymToKeycode(display_, XK_Shift_L);
}

X11KeyInjector::~X11KeyInjector() {
    flush();
    XCloseDisplay(display_);
}

// The keycode and level (0, or 1 with Shift) that give the keysym in the current group; level 0
// anywhere is preferred to level 1, so digits come from the main row in layouts that have them
// there unshifted, and from the same row shifted in those (French) that do not. The layout is read
// afresh for each run of typing: the user may have switched it since the last one.
bool X11KeyInjector::find(KeySym keysym, Place& place) {
    for (const Borrowed& b : borrowed_)
        if (b.keysym == keysym) {
            place = {b.keycode, false};
            return true;
        }
    if (!layout_) layout_ = XkbGetMap(display_, XkbAllClientInfoMask, XkbUseCoreKbd);
    if (!layout_) return false;
    XkbStateRec state{};
    XkbGetState(display_, XkbUseCoreKbd, &state);
    for (int level = 0; level < 2; ++level) {
        for (int kc = layout_->min_key_code; kc <= layout_->max_key_code; ++kc) {
            const int groups = XkbKeyNumGroups(layout_, kc);
            if (groups == 0) continue;
            const int group = state.group < groups ? state.group : 0;
            if (level < XkbKeyGroupWidth(layout_, kc, group) &&
                XkbKeySymEntry(layout_, kc, level, group) == keysym) {
                place = {KeyCode(kc), level == 1};
                return true;
            }
        }
    }
    return false;
}

// A keycode without any keysym, given the keysym until restoreBorrowed(); 0 when none is free.
KeyCode X11KeyInjector::borrow(KeySym keysym) {
    int minKeycode = 0, maxKeycode = 0;
    XDisplayKeycodes(display_, &minKeycode, &maxKeycode);
    int perKeycode = 0;
    KeySym* map = XGetKeyboardMapping(display_, KeyCode(minKeycode), maxKeycode - minKeycode + 1,
                                      &perKeycode);
    if (!map) return 0;
    KeyCode spare = 0;
    // From the top: the low keycodes are those of real keys.
    for (int kc = maxKeycode; kc >= minKeycode && spare == 0; --kc) {
        bool empty = true;
        for (int i = 0; i < perKeycode; ++i)
            empty = empty && map[(kc - minKeycode) * perKeycode + i] == NoSymbol;
        bool taken = false;
        for (const Borrowed& b : borrowed_)
            taken = taken || b.keycode == kc;
        if (empty && !taken) spare = KeyCode(kc);
    }
    XFree(map);
    if (spare == 0) return 0;
    KeySym both[2] = {keysym, keysym};
    XChangeKeyboardMapping(display_, spare, 2, both, 1);
    XSync(display_, False);
    borrowed_.push_back({spare, keysym});
    return spare;
}

void X11KeyInjector::restoreBorrowed() {
    if (borrowed_.empty()) return;
    XSync(display_, False);
    std::this_thread::sleep_for(borrowHold);
    KeySym none[2] = {NoSymbol, NoSymbol};
    for (const Borrowed& b : borrowed_)
        XChangeKeyboardMapping(display_, b.keycode, 2, none, 1);
    borrowed_.clear();
    XSync(display_, False);
}

bool X11KeyInjector::capsLocked() {
    XkbStateRec state{};
    return XkbGetState(display_, XkbUseCoreKbd, &state) == Success &&
           (state.locked_mods & LockMask) != 0;
}

void X11KeyInjector::tap(const Place& place) {
    if (place.shift) XTestFakeKeyEvent(display_, shiftKeycode_, True, CurrentTime);
    XTestFakeKeyEvent(display_, place.keycode, True, CurrentTime);
    XTestFakeKeyEvent(display_, place.keycode, False, CurrentTime);
    if (place.shift) XTestFakeKeyEvent(display_, shiftKeycode_, False, CurrentTime);
}

// Shift is the device's logical Shift: it changes what the next keys type and is never pressed
// on its own. Every other key is typed in full (pressed and released) when it goes down, so no
// key of this program stays down whatever the caller does next.
void X11KeyInjector::keyDown(uint8_t virtualKey) {
    if (virtualKey == VK_SHIFT) {
        logicalShift_ = true;
        return;
    }
    const KeySym keysym = keysymFor(virtualKey, logicalShift_);
    if (keysym == NoSymbol) return;
    Place place;
    if (!find(keysym, place)) {
        KeyCode spare = borrow(keysym);
        if (spare == 0) { // every spare keycode is lent: give them back first
            restoreBorrowed();
            spare = borrow(keysym);
        }
        if (spare == 0) return;
        place = {spare, false};
    }
    // CapsLock turns a letter's level around; so does this, so the letter comes out as asked.
    KeySym lower = NoSymbol;
    KeySym upper = NoSymbol;
    XConvertCase(keysym, &lower, &upper);
    if (lower != upper && capsLocked()) place.shift = !place.shift;
    tap(place);
    XFlush(display_);
}

void X11KeyInjector::keyUp(uint8_t virtualKey) {
    if (virtualKey == VK_SHIFT) logicalShift_ = false;
}

void X11KeyInjector::flush() {
    XSync(display_, False);
    restoreBorrowed();
    if (layout_) XkbFreeKeyboard(layout_, 0, True);
    layout_ = nullptr;
}

bool X11KeyInjector::waitForModifiersReleased(uint32_t timeoutMs) {
    XModifierKeymap* modifiers = XGetModifierMapping(display_);
    if (!modifiers) return true;
    const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    bool released = false;
    for (;;) {
        char keys[32] = {};
        XQueryKeymap(display_, keys);
        released = true;
        // Lock (CapsLock) is a toggle, not a held modifier.
        for (int m = 0; m < 8; ++m) {
            if (m == LockMapIndex) continue;
            for (int i = 0; i < modifiers->max_keypermod; ++i) {
                const KeyCode kc = modifiers->modifiermap[m * modifiers->max_keypermod + i];
                if (kc != 0 && (keys[kc / 8] & (1 << (kc % 8)))) released = false;
            }
        }
        if (released || std::chrono::steady_clock::now() >= end) break;
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    XFreeModifiermap(modifiers);
    return released;
}

} // namespace platform
