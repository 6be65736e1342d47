#include "exchange/KeyboardWedge.h"

#include <mutex>
#include <optional>
#include <thread>

#include "engine/EngineFormat.h"
#include "engine/FixStatus.h"
#include "engine/GpsEngine.h"
#include "exchange/WedgeNotice.h"
#include "geodesy/Formatter.h"
#include "platform/VirtualKeys.h"

namespace exchange {

namespace {

// The longest the typing waits for the user to let go of the hot key's modifiers, so that none
// of them changes the keys typed.
constexpr uint32_t kModifierReleaseWaitMs = 2000;

void press(platform::KeyInjector& keys, uint8_t virtualKey) {
    keys.keyDown(virtualKey);
    keys.keyUp(virtualKey);
}

void pressShifted(platform::KeyInjector& keys, uint8_t virtualKey) {
    keys.keyDown(platform::VK_SHIFT);
    press(keys, virtualKey);
    keys.keyUp(platform::VK_SHIFT);
}

} // namespace

bool wedgeHasData(const engine::KeyWedgeList& list) {
    const int count =
        list.count < engine::kKeyWedgeCapacity ? list.count : engine::kKeyWedgeCapacity;
    for (int i = 0; i < count; ++i) {
        const uint8_t code = list.items[i];
        if (code == kWedgeLatitude || code == kWedgeLongitude || code == kWedgeElevation)
            return true;
    }
    return false;
}

void applyWedgeRules(engine::Settings& settings) {
    engine::KeyWedgeList& list = settings.KEYWEDGE;
    if (list.count > engine::kKeyWedgeCapacity) list.count = engine::kKeyWedgeCapacity;
    list.hasDataItem = wedgeHasData(list) ? 1 : 0;
    if (!list.hasDataItem) list.count = 0;
    if (settings.K_RAW) settings.K_INTERNAL = 0;
}

void typeText(platform::KeyInjector& keys, std::string_view text, uint8_t separatorKey) {
    for (const char c : text) {
        if (c >= '0' && c <= '9') {
            press(keys, static_cast<uint8_t>(c));
        } else if (c >= 'A' && c <= 'Z') {
            pressShifted(keys, static_cast<uint8_t>(c));
        } else if (c >= 'a' && c <= 'z') {
            press(keys, static_cast<uint8_t>(c - 'a' + 'A'));
        } else if (c == '-') {
            press(keys, platform::VK_SUBTRACT);
        } else if (c == ' ') {
            press(keys, platform::VK_SPACE);
        } else if (c == '.') {
            press(keys, platform::VK_PERIOD);
        } else if (c == '\'') {
            press(keys, platform::VK_QUOTE);
        } else if (c == '"') {
            pressShifted(keys, platform::VK_QUOTE);
        } else if (c == '*' && separatorKey != 0) {
            press(keys, separatorKey);
        }
    }
}

WedgeTyping prepareWedgeTyping(const engine::GpsEngine& engine, double latitude, double longitude,
                               double altitude) {
    const engine::Settings& s = engine.settings;
    WedgeTyping t;
    t.list = s.KEYWEDGE;
    t.separator = static_cast<uint8_t>(s.K_INTKEY & 0xff);
    if (s.K_RAW) {
        engine::formatPositionRaw(engine, latitude, longitude, altitude, t.latitude, t.longitude,
                                  t.elevation);
    } else {
        engine::formatPositionForOutput(engine, s.K_INTERNAL, latitude, longitude, altitude, t.zone,
                                        t.latitude, t.longitude, t.elevation);
        t.zoneFirst = s.Format == geodesy::FormatUTM && !s.K_INTERNAL;
    }
    return t;
}

void typeWedge(platform::KeyInjector& keys, const WedgeTyping& t) {
    const int count =
        t.list.count < engine::kKeyWedgeCapacity ? t.list.count : engine::kKeyWedgeCapacity;
    for (int i = 0; i < count; ++i) {
        switch (const uint8_t code = t.list.items[i]) {
        case kWedgeLatitude:
            if (t.zoneFirst) typeText(keys, t.zone, t.separator);
            typeText(keys, t.latitude, t.separator);
            break;
        case kWedgeLongitude:
            typeText(keys, t.longitude, t.separator);
            break;
        case kWedgeElevation:
            typeText(keys, t.elevation, t.separator);
            break;
        default:
            press(keys, code);
            break;
        }
    }
    keys.flush();
}

KeyboardWedge::KeyboardWedge(engine::GpsEngine& engine, platform::KeyInjector& keys,
                             platform::Focus& focus, WedgeNotice& notice)
    : engine_(engine), keys_(keys), focus_(focus), notice_(notice) {
    notice_.setOver([this](bool sendFollows) { noticeOver(sendFollows); });
}

bool KeyboardWedge::hotKeyPressed(bool allowed) {
    if (!allowed || wedgeBusy_) return false;
    wedgeBusy_ = true;
    engine_.clock().sleepMs(kWedgeHotKeyPauseMs);
    notice_.saveForeground();
    notice_.prepare();
    return true;
}

void KeyboardWedge::noticeOver(bool sendFollows) {
    if (notice_.savedForeground() != 0) focus_.bringToFront(notice_.savedForeground());
    // A notice that ends while a send runs needs no second send.
    if (sendFollows && !sending_) sendWedgeData();
}

void KeyboardWedge::tick() {
    if (wedgeWaiting_) sendWedgeData();
}

void KeyboardWedge::sendWedgeData() {
    struct Guard {
        bool& flag;
        explicit Guard(bool& f) : flag(f) { flag = true; }
        ~Guard() { flag = false; }
    } guard(sending_);

    std::optional<WedgeTyping> typing;
    {
        std::lock_guard lock(engine_.lock());
        const engine::Settings& s = engine_.settings;
        if (!s.KEYWEDGE.hasDataItem || !s.KWDG) {
            // Nothing can be typed: the wedge is ready for the next hot key rather than busy
            // for good.
            wedgeWaiting_ = false;
            wedgeBusy_ = false;
            return;
        }
        const uint32_t now = engine_.clock().tickCount();
        if (!wedgeWaiting_) {
            wedgeWaitStart_ = now;
            wedgeFirstWait_ = true;
        }
        const engine::GpsState& state = engine_.state;
        char16_t reason[128] = {};
        const bool usable = state.position.quality != 0 &&
                            state.position.ggaTick != wedgeLastTick_ &&
                            !engine::maskText(state, s, reason, std::size(reason));
        if (usable) {
            wedgeWaiting_ = false;
            if (!wedgeFirstWait_) notice_.endMasked();
            wedgeLastTick_ = state.position.ggaTick;
            typing = prepareWedgeTyping(engine_, state.position.latitude, state.position.longitude,
                                        state.position.altitude);
        } else {
            wedgeWaiting_ = true;
            const uint32_t waited = platform::ticksSince(now, wedgeWaitStart_);
            if (wedgeFirstWait_ && waited > kWedgeNoticeAfterMs) {
                wedgeFirstWait_ = false;
                notice_.showMasked(kWedgeNoticeShowMs);
            }
            if (waited > kWedgeGiveUpAfterMs) {
                notice_.endMasked();
                wedgeWaiting_ = false;
                wedgeBusy_ = false;
            }
        }
    }
    if (!typing) return;
    keys_.waitForModifiersReleased(kModifierReleaseWaitMs);
    std::this_thread::yield();
    typeWedge(keys_, *typing);
    wedgeBusy_ = false;
}

void KeyboardWedge::sendMarkWedge(double latitude, double longitude, double altitude) {
    std::optional<WedgeTyping> typing;
    {
        std::lock_guard lock(engine_.lock());
        const engine::Settings& s = engine_.settings;
        if (!s.KEYWEDGE.hasDataItem || !s.KWDG) return;
        typing = prepareWedgeTyping(engine_, latitude, longitude, altitude);
    }
    std::this_thread::yield();
    typeWedge(keys_, *typing);
}

} // namespace exchange
