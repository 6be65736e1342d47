// cvtool serve: the memory exchange without windows. Runs the program's start-up on the
// application directory, the 200 ms update tick and the exchange (FrameCore, as the main window
// does) until SIGINT or SIGTERM, so that client programs can be run and tested against it. A
// client's blocking mark request opens the mark logic with a stand-in for the dialog that presses
// Export (or Cancel) at once, so the mark completes with the configured averaging by itself.

#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <chrono>
#include <cmath>
#include <condition_variable>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "CliSupport.h"
#include "Commands.h"
#include "ToolStartup.h"
#include "data/ConfigFile.h"
#include "data/MarkView.h"
#include "engine/GpsEngine.h"
#include "engine/LinkThreads.h"
#include "exchange/FrameCore.h"
#include "geodesy/DatumTable.h"
#include "platform/Clock.h"
#include "platform/Prompter.h"
#include "platform/SharedObject.h"

namespace cvtool {
namespace {

constexpr auto kTickInterval = std::chrono::milliseconds(200);
// A replayed file gives one epoch (a GGA sentence and the lines up to the next one) per tick.
constexpr auto kEpochInterval = std::chrono::milliseconds(200);

constexpr const char* kHelp =
    "usage: cvtool serve [--dir DIR] [--nmea FILE|COMn:] [--mark-cancel] [--seconds N]\n"
    "\n"
    "Serves the memory exchange (the shared section \"RuzeriVovAzo\" and its seven events) as\n"
    "the program does, without windows: the program's start-up on the application directory\n"
    "(the registry's, or DIR) with MemExchange on for this run (cv.ini is not changed), then\n"
    "the 200 ms update: state refresh, raw and masked publication, and the mark logic. When\n"
    "the exchange is up, one line \"serving on NAME\" (NAME: the section's shared object) is\n"
    "printed on stdout. SIGINT or SIGTERM stops the exchange (clients see the server stop)\n"
    "and ends the command.\n"
    "\n"
    "A client's blocking mark request opens the mark as the Mark Point dialog does, and Export\n"
    "is pressed at once: the point is taken from the next good fix, or averaged over\n"
    "PointsAveraged fixes when PointAveraging is Yes, exported (dtex.txt when DataExchange is\n"
    "Yes) and handed to the client. One line \"mark exported\" or \"mark closed without export\"\n"
    "is printed when the mark ends.\n"
    "\n"
    "  --dir DIR       read the tables and cv.ini from DIR\n"
    "  --nmea FILE     replay the NMEA file: one epoch (a GGA sentence and the lines after it\n"
    "                  up to the next GGA) every 200 ms, from the start again at its end\n"
    "  --nmea COMn:    the receiver on that port (COM1: .. COM9:, see cvtool port) instead of\n"
    "                  cv.ini's GPSPort; without --nmea the configured port is used\n"
    "  --mark-cancel   close each mark at once without an export (the client gets status 5)\n"
    "  --seconds N     stop after N seconds (default: until interrupted)\n"
    "\n"
    "Exit status: 0 after a stop; 1 when the start-up or the exchange failed (the message on\n"
    "stderr); 2 for bad usage or an NMEA file that cannot be read.\n";

// Replays an NMEA file through the engine, as the serial reader would feed it, in a loop.
class Replay {
public:
    Replay(engine::GpsEngine& gps, std::vector<std::string> epochs)
        : gps_(gps), epochs_(std::move(epochs)) {}
    ~Replay() { stop(); }

    void start() {
        thread_ = std::thread([this] { run(); });
    }
    void stop() {
        {
            std::lock_guard<std::mutex> lock(mutex_);
            stopping_ = true;
        }
        wake_.notify_all();
        if (thread_.joinable()) thread_.join();
    }

private:
    void run() {
        auto next = std::chrono::steady_clock::now();
        for (std::size_t i = 0;; i = (i + 1) % epochs_.size()) {
            const std::string& e = epochs_[i];
            gps_.receiveBytes(reinterpret_cast<const uint8_t*>(e.data()), e.size());
            next += kEpochInterval;
            std::unique_lock<std::mutex> lock(mutex_);
            if (wake_.wait_until(lock, next, [this] { return stopping_; })) return;
        }
    }

    engine::GpsEngine& gps_;
    std::vector<std::string> epochs_;
    std::thread thread_;
    std::mutex mutex_;
    std::condition_variable wake_;
    bool stopping_ = false;
};

// The file's epochs: each starts at a line holding a GGA sentence. Lines before the first GGA
// join the first epoch; a file without GGA gives one epoch per line. Line ends are kept.
bool readEpochs(const char* path, std::vector<std::string>& epochs) {
    std::ifstream in(path, std::ios::binary);
    if (!in) return false;
    std::string line;
    std::vector<std::string> lines;
    bool anyGga = false;
    while (std::getline(in, line)) {
        if (line.find("GGA,") != std::string::npos) anyGga = true;
        lines.push_back(line + "\n");
    }
    if (in.bad()) return false;
    for (const std::string& l : lines) {
        const bool starts = !anyGga || l.find("GGA,") != std::string::npos;
        if (starts || epochs.empty())
            epochs.push_back(l);
        else
            epochs.back() += l;
    }
    return true;
}

// The Mark Point dialog without a window: it presses Export or Cancel once the mark is open
// (see pressOnce) and reports the end of the mark to the core and on stdout.
class HeadlessMarkView final : public data::ScreenlessMarkView {
public:
    explicit HeadlessMarkView(bool cancel) : cancel_(cancel) {}
    void attach(exchange::FrameCore& core) { core_ = &core; }

    void markClosed(bool exported) override {
        pressed_ = false;
        std::puts(exported ? "mark exported" : "mark closed without export");
        std::fflush(stdout);
        if (core_ != nullptr) core_->markFinished(exported);
    }

    // After each tick: the first time a mark is seen open, its button is pressed.
    void pressOnce(data::MarkController& mark) {
        if (!mark.isOpen() || pressed_) return;
        pressed_ = true;
        if (cancel_)
            mark.pressCancel();
        else
            mark.pressExport();
    }

private:
    bool cancel_;
    bool pressed_ = false;
    exchange::FrameCore* core_ = nullptr;
};

int serve(const char* dir, const char* nmea, bool cancel, double seconds) {
    std::vector<std::string> epochs;
    const bool replay = nmea != nullptr && !isPortName(nmea);
    if (replay && !readEpochs(nmea, epochs))
        return usageError("serve: cannot read %s: %s", nmea, std::strerror(errno));
    if (replay && epochs.empty()) return usageError("serve: %s: no NMEA lines", nmea);

    platform::SystemClock clock;
    platform::StderrPrompter prompter;
    engine::GpsEngine gps(clock, prompter);
    ToolStartup startup(dir, replay ? nullptr : nmea, true);
    gps.setStartupServices(&startup);
    if (!gps.start(!replay)) return kExitBadData; // the start-up message is on stderr
    if (replay) gps.link.portOpen = 1;            // the replay stands for an open port

    HeadlessMarkView markView(cancel);
    exchange::FrameWindow window;
    exchange::FrameCore core(gps, markView, window);
    markView.attach(core);
    core.startExchange();
    if (!core.exchange().running()) return kExitBadData; // its message is on stderr

    const StopSignals stop;

    engine::LinkThreads threads(gps);
    Replay player(gps, std::move(epochs));
    if (replay)
        player.start();
    else
        threads.start();

    std::printf("serving on %s\n", platform::sharedObjectName(exchange::kSectionName).c_str());
    std::fflush(stdout);

    const auto begin = std::chrono::steady_clock::now();
    const auto end = begin + std::chrono::milliseconds(static_cast<int64_t>(seconds * 1000));
    auto next = begin;
    while (!stop.requested()) {
        next += kTickInterval;
        std::this_thread::sleep_until(next);
        if (stop.requested()) break;
        core.tick();
        markView.pressOnce(core.markController());
        if (seconds > 0 && next >= end) break;
    }
    core.exchange().stop();
    if (replay)
        player.stop();
    else
        threads.stop();
    return kExitOk;
}

} // namespace

int cmdServe(int argc, char** argv) {
    std::vector<const char*> operands;
    const char* dir = nullptr;
    const char* nmea = nullptr;
    bool cancel = false;
    double seconds = 0;
    auto handle = [&](std::string_view name, const char* value) {
        if (name == "dir") {
            dir = value;
        } else if (name == "nmea") {
            nmea = value;
        } else if (name == "mark-cancel") {
            cancel = true;
        } else if (!parseSeconds("serve", value, seconds)) {
            return kExitUsage;
        }
        return kExitOk;
    };
    if (auto s = parseArguments(
            "serve", kHelp, argc, argv,
            {{"dir", true}, {"nmea", true}, {"mark-cancel", false}, {"seconds", true}}, handle,
            operands))
        return *s;
    if (!operands.empty()) return usageError("serve: unexpected operand '%s'", operands[0]);
    std::string directory;
    if (dir != nullptr) {
        struct stat st {};
        if (::stat(dir, &st) != 0 || !S_ISDIR(st.st_mode))
            return usageError("serve: --dir %s: not a directory", dir);
        directory = dir;
        if (directory.back() != '/') directory += '/';
        if (directory.size() >= engine::kPathCapacity)
            return usageError("serve: --dir %s: path too long", dir);
    }
    return serve(dir != nullptr ? directory.c_str() : nullptr, nmea, cancel, seconds);
}

} // namespace cvtool
