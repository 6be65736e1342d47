#include "exchange/WedgeNotice.h"

namespace exchange {

void WedgeNotice::prepare() {
    if (preparing_ || waitingNotice_) return;
    preparing_ = true;
    prepareStart_ = clock_.tickCount();
    view_.showNotice(kWedgePreparingText);
}

void WedgeNotice::showMasked(uint32_t durationMs) {
    if (waitingNotice_) return;
    if (preparing_) endPreparation();
    waitingNotice_ = true;
    noticeStart_ = clock_.tickCount();
    noticeDuration_ = durationMs;
    view_.showNotice(kWedgeMaskedText);
}

void WedgeNotice::endMasked() {
    if (!waitingNotice_) return;
    view_.hideNotice();
    giveFocusBack();
    waitingNotice_ = false;
    if (over_) over_(false);
}

void WedgeNotice::poll() {
    const uint32_t now = clock_.tickCount();
    if (preparing_ && platform::ticksSince(now, prepareStart_) >= kWedgePrepareMs) endPreparation();
    if (waitingNotice_ && platform::ticksSince(now, noticeStart_) >= noticeDuration_) endMasked();
}

int64_t WedgeNotice::nextTimerMs() {
    const uint32_t now = clock_.tickCount();
    int64_t next = -1;
    auto consider = [&next, now](uint32_t start, uint32_t length) {
        const uint32_t passed = platform::ticksSince(now, start);
        const int64_t left = passed >= length ? 0 : static_cast<int64_t>(length - passed);
        if (next < 0 || left < next) next = left;
    };
    if (preparing_) consider(prepareStart_, kWedgePrepareMs);
    if (waitingNotice_) consider(noticeStart_, noticeDuration_);
    return next;
}

void WedgeNotice::endPreparation() {
    view_.hideNotice();
    giveFocusBack();
    preparing_ = false;
    if (over_) over_(true);
}

void WedgeNotice::giveFocusBack() {
    if (savedForeground_ != 0) focus_.bringToFront(savedForeground_);
}

} // namespace exchange
