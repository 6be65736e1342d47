#pragma once
// The keyboard wedge: types the current position (after the wedge hot key) or a finished mark
// into the program that has the focus, as the key sequence of the KEYWEDGE setting. Runs on the
// user-interface thread; the engine lock is held while the fix is judged and the texts are
// built, never while keys are typed.

#include <cstdint>
#include <string_view>

#include "engine/Settings.h"
#include "platform/Focus.h"
#include "platform/KeyInjector.h"

namespace engine {
class GpsEngine;
}

namespace exchange {

class WedgeNotice;

// Item codes of the wedge list that stand for data; every other code is a key pressed as is.
inline constexpr uint8_t kWedgeLatitude = 249;
inline constexpr uint8_t kWedgeLongitude = 253;
inline constexpr uint8_t kWedgeElevation = 254;

// How long a send waits for a usable fix before it tells the user, how long that notice stays,
// and when the send is given up.
inline constexpr uint32_t kWedgeNoticeAfterMs = 500;
inline constexpr uint32_t kWedgeNoticeShowMs = 2000;
inline constexpr uint32_t kWedgeGiveUpAfterMs = 5000;
// The pause after the hot key, before the notice window takes note of the window in front.
inline constexpr uint32_t kWedgeHotKeyPauseMs = 500;

// True when the list holds a latitude, longitude or elevation item.
bool wedgeHasData(const engine::KeyWedgeList& list);
// The wedge rules applied after loading or editing the settings: the data flag follows the list,
// a list without data is emptied, and the raw format turns the internal format off.
void applyWedgeRules(engine::Settings& settings);

// Types one text, key by key (each key down, then up): digits and letters by their keys (capitals
// with Shift), '-' with the keypad minus, ' ', '.', '\'' and '"' (Shift and the quote key) by
// theirs, '*' as the separator key; other characters, and '*' without a separator key, type
// nothing.
void typeText(platform::KeyInjector& keys, std::string_view text, uint8_t separatorKey);

// Everything one send types, taken together from the settings and one position.
struct WedgeTyping {
    engine::KeyWedgeList list;
    uint8_t separator = 0;
    bool zoneFirst = false; // the latitude item types the UTM zone first
    char zone[25] = {};
    char latitude[100] = {};
    char longitude[100] = {};
    char elevation[100] = {};
};

// The texts of a position in the wedge's format: plain numbers with K_RAW, else the configured
// format, spaced when K_INTERNAL is on. The caller holds the engine lock.
WedgeTyping prepareWedgeTyping(const engine::GpsEngine& engine, double latitude, double longitude,
                               double altitude);
// Types the sequence: the texts for the data items, the other codes as keys.
void typeWedge(platform::KeyInjector& keys, const WedgeTyping& typing);

// The main window's wedge state and sends. The window calls hotKeyPressed() for the wedge hot
// key, tick() on every update tick and sendMarkWedge() after an exported mark from another
// program; the notice window reports the end of its notices to noticeOver().
class KeyboardWedge {
public:
    KeyboardWedge(engine::GpsEngine& engine, platform::KeyInjector& keys, platform::Focus& focus,
                  WedgeNotice& notice);
    KeyboardWedge(const KeyboardWedge&) = delete;
    KeyboardWedge& operator=(const KeyboardWedge&) = delete;

    // The wedge hot key. allowed: the window's own conditions hold (another program is active, a
    // screen exists, no mark and no waypoint editor is open). True when a send has started.
    bool hotKeyPressed(bool allowed);
    // The notice window has hidden itself; with sendFollows the preparation is over.
    void noticeOver(bool sendFollows);
    // Types the current position once a usable fix is there; waits for one otherwise.
    void sendWedgeData();
    // The update tick: retries a waiting send.
    void tick();
    // Types a finished mark's position; no waiting and no masks.
    void sendMarkWedge(double latitude, double longitude, double altitude);

    bool wedgeBusy() const { return wedgeBusy_; }
    bool wedgeWaiting() const { return wedgeWaiting_; }
    bool wedgeFirstWait() const { return wedgeFirstWait_; }
    uint32_t wedgeWaitStart() const { return wedgeWaitStart_; }
    uint32_t wedgeLastTick() const { return wedgeLastTick_; }

private:
    engine::GpsEngine& engine_;
    platform::KeyInjector& keys_;
    platform::Focus& focus_;
    WedgeNotice& notice_;
    bool wedgeBusy_ = false;
    bool wedgeWaiting_ = false;
    bool wedgeFirstWait_ = false;
    bool sending_ = false;
    uint32_t wedgeWaitStart_ = 0;
    uint32_t wedgeLastTick_ = 0;
};

} // namespace exchange
