// corvane-screenshots DIR: renders every screen and dialog of the program, in the landscape and
// the portrait layout, to PNG files in DIR, from one fixed receiver state. It runs the real main
// window on an application directory and a registry of its own, reading a fixed set of NMEA
// sentences from a pseudo-terminal mapped to COM3:, so the pictures show what the program shows.
// Run it on the offscreen platform (scripts/screenshots.sh does).

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QLabel>
#include <QPixmap>
#include <QTimer>
#include <clocale>
#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <pty.h>
#include <string>
#include <unistd.h>

#include <QAction>
#include <QTabWidget>

#include "data/OffsetInput.h"
#include "data/WaypointEditing.h"
#include "exchange/CKeyWdgMsg.h"
#include "geodesy/DatumTable.h"
#include "platform/Clock.h"
#include "platform/PortMap.h"
#include "platform/Prompter.h"
#include "platform/Registry.h"
#include "ui/CConvFile.h"
#include "ui/CDiag.h"
#include "ui/CGPS.h"
#include "ui/CMainFrame.h"
#include "ui/CMultiComb.h"
#include "ui/CMultiMark.h"
#include "ui/CMyProp.h"
#include "ui/CNav.h"
#include "ui/COffsetInput.h"
#include "ui/CSatdetail.h"
#include "ui/CTalpaView.h"
#include "ui/CWayPtScr.h"
#include "ui/SatelliteSnapshot.h"
#include "ui/Splash.h"
#include "ui/WaypointEditor.h"

namespace {

namespace fs = std::filesystem;

// One second of a receiver with a differential 3D fix, eight GPS satellites and one SBAS
// satellite (NMEA number 35, in view).
constexpr const char* kEpoch =
    "$GPGGA,120000.00,4807.0380,N,01131.0000,E,2,08,0.9,545.4,M,46.9,M,3.0,0000*49\r\n"
    "$GPGSA,A,3,04,05,09,12,24,25,29,30,,,,,1.8,0.9,1.5*34\r\n"
    "$GPGSV,3,1,09,04,40,083,46,05,60,254,44,09,22,201,40,12,10,035,38*7A\r\n"
    "$GPGSV,3,2,09,24,71,112,48,25,15,309,36,29,35,155,42,30,05,268,30*70\r\n"
    "$GPGSV,3,3,09,35,30,220,39*4F\r\n"
    "$GPRMC,120000.00,A,4807.0380,N,01131.0000,E,000.0,000.0,071226,003.1,W*49\r\n";

struct Size {
    const char* layout;
    int width;
    int height;
};
constexpr Size kLayouts[] = {{"landscape", 640, 480}, {"portrait", 480, 640}};

bool save(QWidget& widget, const QString& dir, const QString& name) {
    const QString path = dir + QLatin1Char('/') + name + QStringLiteral(".png");
    if (!widget.grab().save(path)) {
        std::fprintf(stderr, "corvane-screenshots: cannot write %s\n", qPrintable(path));
        return false;
    }
    std::printf("%s\n", qPrintable(path));
    return true;
}

// Lets the window's threads and timers run for ms milliseconds.
void run(int ms) {
    QElapsedTimer elapsed;
    elapsed.start();
    while (elapsed.elapsed() < ms)
        QApplication::processEvents(QEventLoop::AllEvents, 20);
}

// An application directory with the shipped tables and a cv.ini with metric units.
std::string makeApplicationDirectory(const fs::path& work) {
    const fs::path app = work / "app";
    fs::create_directories(app);
    for (const char* table : {"ellips.dat", "3_param.dat", "7_param.dat", "WMM.COF"})
        fs::copy_file(fs::path(CORVANE_SHARE_DIR) / table, app / table);
    std::ofstream(app / "cv.ini") << "[Corvane]\nGPSPort=COM3:\nUnits=Metric\nFormat=DM\n";
    return app.string() + "/";
}

void trigger(QWidget& window, const char* text) {
    for (QAction* action : window.findChildren<QAction*>())
        if (action->text() == QLatin1String(text)) action->trigger();
}

// A waypoint a little north-east of the receiver, to navigate to and to edit.
engine::Waypoint addWaypoint(ui::CMainFrame& frame) {
    data::WaypointEntry entry;
    entry.name = u"Trailhead";
    entry.latitude = 48.1242;
    entry.longitude = 11.5290;
    entry.altitude = 552.0;
    const int slot = data::addWaypoint(frame.engine(), entry, -1, &frame);
    run(300);
    std::lock_guard<std::mutex> held(frame.engine().lock());
    return frame.engine().waypoints.at(slot);
}

// The dialog in the window's size (shrunk by scale), rendered and closed.
bool saveDialog(QDialog& dialog, const Size& size, double scale, const QString& dir,
                const QString& name) {
    dialog.resize(static_cast<int>(size.width * scale), static_cast<int>(size.height * scale));
    dialog.show();
    run(100);
    const bool ok = save(dialog, dir, name + QLatin1Char('-') + QLatin1String(size.layout));
    dialog.hide();
    return ok;
}

} // namespace

int main(int argc, char** argv) {
    if (argc != 2 || argv[1][0] == '-') {
        std::fprintf(stderr, "usage: corvane-screenshots DIR\n");
        return 2;
    }
    char pattern[] = "/tmp/corvane-screenshots-XXXXXX";
    if (mkdtemp(pattern) == nullptr) return 1;
    const fs::path work = pattern;
    // A registry of this run only: the user's settings and port map stay as they are.
    setenv("CORVANE_REGISTRY", (work / "registry.reg").c_str(), 1);
    setenv("CORVANE_SHM_PREFIX", "cvscreenshots", 1);

    int master = -1;
    int slave = -1;
    char ptyName[256] = {};
    if (openpty(&master, &slave, ptyName, nullptr, nullptr) != 0) return 1;
    {
        platform::Registry registry(std::getenv("CORVANE_REGISTRY"));
        platform::PortMap(registry).setPath("COM3:", ptyName);
    }

    QApplication application(argc, argv);
    std::setlocale(LC_NUMERIC, "C");
    const QString dir = QString::fromLocal8Bit(argv[1]);
    QDir().mkpath(dir);

    platform::SystemClock clock;
    platform::RecordingPrompter prompter;
    ui::CMainFrame frame(ui::FrameServices{
        clock, prompter, [] { return platform::InputBackends{}; }, makeApplicationDirectory(work)});
    if (!frame.create()) return 1;
    frame.show();
    bool ok = true;
    for (int second = 0; second < 3; ++second) {
        if (write(master, kEpoch, std::strlen(kEpoch)) < 0) return 1;
        run(1000);
    }
    auto* gps = static_cast<CGPS*>(frame.gpsScreen());
    const engine::Waypoint waypoint = addWaypoint(frame);
    for (const Size& size : kLayouts) {
        const QString suffix = QLatin1Char('-') + QLatin1String(size.layout);
        frame.resize(size.width, size.height);
        run(300);
        ok &= save(frame, dir, QStringLiteral("gps") + suffix);

        CDiag diagnostics(frame.engine(), gps, &frame);
        diagnostics.resize(size.width, size.height);
        diagnostics.show();
        // The diagnostics show what arrives while they are open.
        for (int i = 0; i < 3; ++i) {
            if (write(master, kEpoch, std::strlen(kEpoch)) < 0) return 1;
            run(300);
            diagnostics.refresh();
        }
        ok &= save(diagnostics, dir, QStringLiteral("diagnostics") + suffix);
        diagnostics.done(0);

        ui::SatelliteSnapshot snapshot;
        {
            std::lock_guard<std::mutex> held(frame.engine().lock());
            snapshot = ui::takeSatelliteSnapshot(frame.engine());
        }
        CSatdetail details(snapshot, &frame);
        details.resize(size.width * 3 / 4, size.height * 3 / 4);
        details.show();
        run(100);
        ok &= save(details, dir, QStringLiteral("satellite-details") + suffix);

        trigger(frame, "&Nav");
        CMultiComb* to = frame.navScreen()->toPicker();
        to->setCurrentIndex(to->count() - 1);
        run(500);
        ok &= save(frame, dir, QStringLiteral("nav") + suffix);
        trigger(frame, "&Way Pts");
        run(300);
        ok &= save(frame, dir, QStringLiteral("waypoints") + suffix);

        trigger(frame, "&Mark Point");
        frame.markDialog()->resize(size.width * 4 / 5, size.height * 4 / 5);
        run(500);
        ok &= save(*frame.markDialog(), dir, QStringLiteral("mark-point") + suffix);
        frame.markDialog()->reject();
        run(100);

        const char* formats[] = {"dd", "dm", "dms", "utm"};
        for (int format = 0; format < 4; ++format) {
            std::unique_ptr<WaypointEditor> editor =
                makeWaypointEditor(frame.engine(), format, &frame);
            editor->startEdit(waypoint);
            ok &= saveDialog(*editor, size, 0.8, dir,
                             QStringLiteral("waypoint-editor-") + QLatin1String(formats[format]));
        }
        COffsetInput offset(data::offsetInputShown(10, 90, 0, 1, 0, 0), prompter, &frame);
        ok &= saveDialog(offset, size, 0.6, dir, QStringLiteral("offset-input"));
        CConvFile convert(frame.engine().settings, geodesy::datumTable(), &frame);
        ok &= saveDialog(convert, size, 0.7, dir, QStringLiteral("convert"));
        // The configuration sheet is modal: its tabs are rendered while it runs.
        QTimer::singleShot(0, &frame, [&] {
            CMyProp& sheet = *frame.configSheet();
            sheet.resize(size.width * 9 / 10, size.height * 9 / 10);
            for (int tab = 0; tab < sheet.tabs()->count(); ++tab) {
                sheet.tabs()->setCurrentIndex(tab);
                run(100);
                ok &=
                    save(sheet, dir,
                         QStringLiteral("config-") + sheet.tabs()->tabText(tab).toLower() + suffix);
            }
            sheet.reject();
        });
        trigger(frame, "&Config");
        trigger(frame, "&GPS");
    }
    ui::Splash splash;
    splash.show();
    ok &= save(splash, dir, QStringLiteral("splash"));
    exchange::CKeyWdgMsg notice;
    notice.show();
    ok &= save(notice, dir, QStringLiteral("wedge-notice"));
    ::close(master);
    ::close(slave);
    std::error_code ec;
    fs::remove_all(work, ec);
    // The exit questions have no one to answer them here: end without the exit sequence.
    std::fflush(stdout);
    std::_Exit(ok ? 0 : 1);
}
