#include "ui/QuitSignals.h"

namespace ui {
namespace {

volatile std::sig_atomic_t quitRequested = 0;

void noteQuit(int) {
    quitRequested = 1;
}

constexpr int kPollMs = 200;

} // namespace

QuitSignals::QuitSignals(std::function<void()> onQuit) : onQuit_(std::move(onQuit)) {
    quitRequested = 0;
    struct sigaction action {};
    action.sa_handler = &noteQuit;
    sigemptyset(&action.sa_mask);
    sigaction(SIGINT, &action, &oldInt_);
    sigaction(SIGTERM, &action, &oldTerm_);
    QObject::connect(&poll_, &QTimer::timeout, [this] {
        if (!quitRequested) return;
        quitRequested = 0;
        onQuit_();
    });
    poll_.start(kPollMs);
}

QuitSignals::~QuitSignals() {
    sigaction(SIGINT, &oldInt_, nullptr);
    sigaction(SIGTERM, &oldTerm_, nullptr);
}

} // namespace ui
