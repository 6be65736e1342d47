#pragma once
// The wedge's notice window without its window: the two notices ("Preparing to send data." for
// 125 ms after the hot key, while the target program gets the focus back; the masked-data notice
// for a given time), their timers on the clock, and the window in front to give the focus back
// to. The Qt window shows and hides what this tells it and calls poll() when nextTimerMs() says.

#include <cstdint>
#include <functional>
#include <string_view>

#include "platform/Clock.h"
#include "platform/Focus.h"

namespace exchange {

inline constexpr const char* kWedgeNoticeTitle = "Keyboard Wedge - Corvane";
inline constexpr const char* kWedgePreparingText = "Preparing to send data.";
inline constexpr const char* kWedgeMaskedText = "GPS Data Masked. Please wait for new data.";
inline constexpr uint32_t kWedgePrepareMs = 125;

// The window itself: shown on top without taking the focus, and hidden.
class WedgeNoticeView {
public:
    virtual ~WedgeNoticeView() = default;
    virtual void showNotice(std::string_view text) = 0;
    virtual void hideNotice() = 0;
};

class WedgeNotice {
public:
    // Told when a notice is over; sendFollows after the preparation.
    using Over = std::function<void(bool sendFollows)>;

    WedgeNotice(platform::Clock& clock, platform::Focus& focus, WedgeNoticeView& view)
        : clock_(clock), focus_(focus), view_(view) {}
    void setOver(Over over) { over_ = std::move(over); }

    void saveForeground() { savedForeground_ = focus_.foreground(); }
    platform::Focus::WindowId savedForeground() const { return savedForeground_; }

    // The prepare request: ignored while a notice is up.
    void prepare();
    // The masked-data notice for durationMs; ignored while it is up.
    void showMasked(uint32_t durationMs);
    // The end of the masked-data notice.
    void endMasked();
    // Fires the timers that are due.
    void poll();
    // Milliseconds until the next timer is due (0: now), or -1 when none runs.
    int64_t nextTimerMs();

    bool preparing() const { return preparing_; }
    bool waitingNotice() const { return waitingNotice_; }

private:
    void endPreparation();
    void giveFocusBack();

    platform::Clock& clock_;
    platform::Focus& focus_;
    WedgeNoticeView& view_;
    Over over_;
    platform::Focus::WindowId savedForeground_ = 0;
    bool preparing_ = false;
    bool waitingNotice_ = false;
    uint32_t prepareStart_ = 0;
    uint32_t noticeStart_ = 0;
    uint32_t noticeDuration_ = 0;
};

} // namespace exchange
