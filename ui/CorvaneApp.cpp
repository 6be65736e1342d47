#include "ui/CorvaneApp.h"

#include <QApplication>
#include <QIcon>
#include <clocale>
#include <cstdio>
#include <string_view>

#include "platform/Clock.h"
#include "ui/CMainFrame.h"
#include "ui/HeadlessRun.h"
#include "ui/QtPrompter.h"
#include "ui/QuitSignals.h"
#include "ui/Splash.h"

namespace ui {

CommandLine parseCommandLine(int argc, const char* const* argv) {
    CommandLine line;
    for (int i = 1; i < argc; ++i) {
        const std::string_view arg = argv[i];
        if (arg == "--no-splash")
            line.splash = false;
        else if (arg == "--headless")
            line.headless = true;
        else if (arg == "--help" || arg == "-h")
            line.help = true;
        else if (line.error.empty())
            line.error = "corvane: unknown argument '" + std::string(arg) + "'";
    }
    return line;
}

namespace {

constexpr int kStartWidth = 640;
constexpr int kStartHeight = 480;

// Names the program for Qt; the registry key the program reads its directory from is
// SOFTWARE\Varnholt\Corvane of the current user (data/ConfigFile.h).
void nameApplication() {
    QCoreApplication::setOrganizationName(QStringLiteral("Varnholt"));
    QCoreApplication::setApplicationName(QStringLiteral("Corvane"));
}

} // namespace

int CorvaneApp::run(int argc, char** argv) {
    const CommandLine line = parseCommandLine(argc, argv);
    if (!line.error.empty()) {
        std::fprintf(stderr, "%s\n%s", line.error.c_str(), kUsage);
        return 2;
    }
    if (line.help) {
        std::fputs(kUsage, stdout);
        return 0;
    }
    if (line.headless) {
        QCoreApplication application(argc, argv);
        // Numbers are read and written with a decimal point whatever the user's locale.
        std::setlocale(LC_NUMERIC, "C");
        nameApplication();
        return runHeadless();
    }
    QApplication application(argc, argv);
    std::setlocale(LC_NUMERIC, "C");
    nameApplication();
    // The icon installed beside the program (drawn where Qt's SVG support is installed).
    QApplication::setWindowIcon(
        QIcon(QCoreApplication::applicationDirPath() + QStringLiteral("/corvane.svg")));

    if (line.splash) {
        auto* splash = new Splash; // deletes itself when it closes
        splash->show();
    }
    platform::SystemClock clock;
    QtPrompter prompter;
    CMainFrame frame(FrameServices{clock, prompter, platform::openInputBackends, {}});
    prompter.setParent(&frame);
    // A signal during start-up (which may be showing a message) ends every event loop and the
    // program, before anything needs restoring; afterwards it runs the exit sequence.
    bool created = false;
    bool quitDuringStartup = false;
    QuitSignals quit([&] {
        if (created) {
            frame.endOnSignal();
            return;
        }
        quitDuringStartup = true;
        QCoreApplication::exit(1);
    });
    if (!frame.create() || quitDuringStartup) return 1;
    created = true;
    // A device's screen (VGA landscape) to start with; the user may make it any size.
    frame.resize(kStartWidth, kStartHeight);
    frame.show();
    return QApplication::exec();
}

} // namespace ui
