#include "ui/HeadlessRun.h"

#include <QCoreApplication>
#include <QString>
#include <QTimer>
#include <cstdio>
#include <mutex>

#include "data/MarkView.h"
#include "engine/GpsEngine.h"
#include "engine/LinkThreads.h"
#include "exchange/FrameCore.h"
#include "platform/Clock.h"
#include "platform/Prompter.h"
#include "ui/AppStartup.h"
#include "ui/CMainFrame.h"
#include "ui/QuitSignals.h"

namespace ui {
namespace {

// Without a Mark Point dialog no mark is opened.
class HeadlessWindow final : public exchange::FrameWindow {
public:
    bool markAllowed() override { return false; }
};

std::string shown(const std::u16string& text) {
    QString s = QString::fromStdU16String(text);
    s.replace(QLatin1Char('\r'), QLatin1Char(' ')).replace(QLatin1Char('\n'), QLatin1Char(' '));
    while (s.endsWith(QLatin1Char(' ')))
        s.chop(1);
    return s.toStdString();
}

} // namespace

std::string headlessLine(const GpsScreenTexts& texts) {
    return shown(texts.status) + " | " + shown(texts.position) + " | " + shown(texts.elevation) +
           " | " + shown(texts.pdop) + " | " + shown(texts.ehe) + " | sv " +
           std::to_string(texts.satellitesInView) + "/" + std::to_string(texts.satellitesUsed);
}

int runHeadless(const std::string& applicationDirectory) {
    platform::SystemClock clock;
    platform::StderrPrompter prompter;
    engine::GpsEngine gps(clock, prompter);
    AppStartup startup(applicationDirectory);
    gps.setStartupServices(&startup);
    if (!gps.start()) return 1;

    data::ScreenlessMarkView markView;
    HeadlessWindow window;
    exchange::FrameCore core(gps, markView, window);
    core.startExchange();
    engine::LinkThreads threads(gps);
    threads.start();

    QuitSignals quit([] { QCoreApplication::quit(); });
    constexpr int kTicksPerLine = 1000 / kUpdateIntervalMs;
    int ticks = 0;
    QTimer timer;
    timer.setInterval(kUpdateIntervalMs);
    QObject::connect(&timer, &QTimer::timeout, [&] {
        core.tick();
        if (++ticks < kTicksPerLine) return;
        std::unique_lock<std::mutex> held(gps.lock(), std::try_to_lock);
        if (!held.owns_lock()) return; // printed on the next tick
        const GpsScreenTexts texts = gpsScreenTexts(gps);
        held.unlock();
        ticks = 0;
        std::printf("%s\n", headlessLine(texts).c_str());
        std::fflush(stdout);
    });
    timer.start();
    QCoreApplication::exec();

    core.exchange().stop();
    threads.stop();
    return 0;
}

} // namespace ui
