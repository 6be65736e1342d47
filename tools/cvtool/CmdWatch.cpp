// cvtool watch: feeds a live NMEA stream through the engine as the serial reader does and shows
// the GPS state after every 200 ms refresh, redrawn in place on a terminal, as plain text blocks
// otherwise.

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <chrono>
#include <condition_variable>
#include <cstdarg>
#include <cstdio>
#include <cstring>
#include <iterator>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "CliSupport.h"
#include "Commands.h"
#include "engine/Dgps.h"
#include "engine/FixStatus.h"
#include "engine/GpsEngine.h"
#include "platform/Clock.h"
#include "platform/Prompter.h"

namespace cvtool {

namespace {

constexpr auto kRefreshInterval = std::chrono::milliseconds(200);
constexpr int kPlainBlockEveryTicks = 5; // plain output: at most one block a second
constexpr size_t kReadSize = 1000;
constexpr double kMphPerMps = 2.236936;

// What one view shows: the refreshed state and the real PRNs behind the SBAS slots.
struct Snapshot {
    engine::GpsState state;
    char16_t status[32] = {};
    int sbasPrn[engine::kLastSbasSlot - engine::kFirstSbasSlot + 1] = {};
};

Snapshot takeSnapshot(engine::GpsEngine& gps) {
    std::lock_guard<std::mutex> hold(gps.lock());
    Snapshot s;
    s.state = gps.state;
    engine::statusText(gps, s.status, std::size(s.status));
    for (int slot = engine::kFirstSbasSlot; slot <= engine::kLastSbasSlot; ++slot)
        s.sbasPrn[slot - engine::kFirstSbasSlot] = dgps::sbasPrn(slot);
    return s;
}

[[gnu::format(printf, 2, 3)]] void appendLine(std::string& out, const char* format, ...) {
    char line[256];
    va_list args;
    va_start(args, format);
    std::vsnprintf(line, sizeof line, format, args);
    va_end(args);
    out += line;
    out += '\n';
}

char letter(char c) {
    return c != 0 ? c : '-';
}

const char* fixModeText(uint16_t mode) {
    switch (mode) {
    case 1:
        return "no fix";
    case 2:
        return "2D";
    case 3:
        return "3D";
    default:
        return "-";
    }
}

// The view without its header line, one line per '\n'.
std::string renderBody(const Snapshot& snap) {
    const engine::GpsState& s = snap.state;
    const engine::PositionRecord& p = s.position;
    const engine::DopRecord& d = s.dop;
    std::string out;
    appendLine(out, "Status     %s", toUtf8(snap.status).c_str());
    appendLine(out, "Fix        %-8s quality %d   %s   selection %c", toUtf8(p.fixText).c_str(),
               p.quality, fixModeText(d.fixMode), d.gsaSelection ? char(d.gsaSelection) : '-');
    appendLine(out, "Position   %.6f %c   %.6f %c", p.latitude < 0 ? -p.latitude : p.latitude,
               p.latitude < 0 ? 'S' : 'N', p.longitude < 0 ? -p.longitude : p.longitude,
               p.longitude < 0 ? 'W' : 'E');
    appendLine(out, "Altitude   %.1f %c   geoid separation %.1f %c", p.altitude,
               letter(p.altitudeUnit), p.geoidSeparation, letter(p.geoidUnit));
    char age[32] = "none";
    if (p.diffAge >= 0) std::snprintf(age, sizeof age, "%.1f s", p.diffAge);
    appendLine(out, "UTC        %02u:%02u:%02u   differential age %s", p.utcHour, p.utcMinute,
               p.utcSecond, age);
    appendLine(out, "Satellites %d used, %u in view", p.satellitesUsed, d.satellitesInView);
    appendLine(out, "DOP        HDOP %.1f   PDOP %.1f   VDOP %.1f   (GGA HDOP %.1f)", d.gsaHdop,
               d.pdop, d.vdop, p.hdop);
    appendLine(out, "Motion     %.2f mph (%.2f m/s)   track %.1f T", s.motion.speed,
               s.motion.speed / kMphPerMps, s.motion.trackTrue);
    if (s.magVar.magVarDir != 0)
        appendLine(out, "Mag. var.  %.1f %c", s.magVar.magVar, s.magVar.magVarDir);
    else
        appendLine(out, "Mag. var.  unknown");
    out += '\n';
    appendLine(out, "Slot  PRN  Elev  Azim  SNR  Used");
    for (int slot = 1; slot <= engine::kLastSbasSlot; ++slot) {
        const engine::SatelliteInfo& sat = s.satellites[slot];
        if (sat.prn == 0) continue;
        int prn = sat.prn;
        if (slot >= engine::kFirstSbasSlot && snap.sbasPrn[slot - engine::kFirstSbasSlot] != 0)
            prn = snap.sbasPrn[slot - engine::kFirstSbasSlot];
        appendLine(out, "%4d  %3d  %4d  %4d  %3d  %s", slot, prn, sat.elevation, sat.azimuth,
                   sat.snr, sat.used ? "yes" : "-");
    }
    return out;
}

// Reads the input as the serial reader does: up to 1000 bytes a read, each read fed to the
// engine at once.
class StreamReader {
public:
    StreamReader(int fd, engine::GpsEngine& gps) : fd_(fd), terminal_(isatty(fd) == 1), gps_(gps) {}

    void start() {
        thread_ = std::thread([this] { run(); });
    }
    void join() {
        if (thread_.joinable()) thread_.join();
    }

    // Waits until the deadline or the end of the input; true when the input has ended.
    bool waitUntil(std::chrono::steady_clock::time_point deadline) {
        std::unique_lock<std::mutex> lock(mutex_);
        return ended_.wait_until(lock, deadline, [this] { return done_; });
    }

    uint64_t bytesRead() const { return bytes_.load(); }
    int error() const { return error_; } // errno of a failed read, 0 at a clean end

private:
    void run() {
        uint8_t buffer[kReadSize];
        for (;;) {
            ssize_t n = ::read(fd_, buffer, sizeof buffer);
            if (n > 0) {
                gps_.receiveBytes(buffer, static_cast<size_t>(n));
                bytes_ += static_cast<uint64_t>(n);
                continue;
            }
            if (n < 0 && errno == EINTR) continue;
            // A terminal whose other side closed (a receiver unplugged, a simulator that ended)
            // reports EIO: that is the end of the stream, not a failure.
            if (n < 0 && !(errno == EIO && terminal_)) error_ = errno;
            break;
        }
        std::lock_guard<std::mutex> lock(mutex_);
        done_ = true;
        ended_.notify_all();
    }

    int fd_;
    bool terminal_;
    engine::GpsEngine& gps_;
    std::thread thread_;
    std::mutex mutex_;
    std::condition_variable ended_;
    bool done_ = false;
    int error_ = 0;
    std::atomic<uint64_t> bytes_{0};
};

class View {
public:
    View(const char* source, bool terminal) : source_(source), terminal_(terminal) {}

    // After every refresh: a terminal is redrawn when anything changed; plain output gets a
    // block when the state changed, at most once a second.
    void update(const Snapshot& snap, uint64_t bytes) {
        ++tick_;
        std::string body = renderBody(snap);
        if (body == lastBody_) return;
        if (!terminal_ && printedAny_ && tick_ - lastPrintTick_ < kPlainBlockEveryTicks) return;
        show(body, bytes);
    }

    void final(const Snapshot& snap, uint64_t bytes) {
        std::string body = renderBody(snap);
        if (!printedAny_ || body != lastBody_ || terminal_) show(body, bytes);
    }

private:
    void show(const std::string& body, uint64_t bytes) {
        std::string text;
        appendLine(text, "cvtool watch: %s, %llu bytes read", source_,
                   static_cast<unsigned long long>(bytes));
        text += body;
        if (terminal_) {
            // Home, then every line cleared to its end, then the rest of the screen: no flicker.
            std::string screen = printedAny_ ? "\x1b[H" : "\x1b[H\x1b[2J";
            for (size_t start = 0, end; (end = text.find('\n', start)) != std::string::npos;
                 start = end + 1)
                screen += text.substr(start, end - start) + "\x1b[K\n";
            screen += "\x1b[J";
            std::fputs(screen.c_str(), stdout);
        } else {
            if (printedAny_) std::fputc('\n', stdout);
            std::fputs(text.c_str(), stdout);
        }
        std::fflush(stdout);
        lastBody_ = body;
        lastPrintTick_ = tick_;
        printedAny_ = true;
    }

    const char* source_;
    bool terminal_;
    std::string lastBody_;
    long tick_ = 0;
    long lastPrintTick_ = 0;
    bool printedAny_ = false;
};

} // namespace

int cmdWatch(int argc, char** argv) {
    static constexpr const char* kHelp =
        "usage: cvtool watch [FILE|-]\n"
        "\n"
        "Feeds a live NMEA stream (a serial device, a pseudo-terminal, a file, or stdin for '-'\n"
        "or no FILE) through the engine as the serial reader does, and shows the GPS state after\n"
        "every 200 ms refresh: status, fix, position, altitude, UTC, satellites, DOPs, motion,\n"
        "magnetic variation and the satellite table. On a terminal the view is redrawn in place;\n"
        "otherwise a text block is printed when the state changed, at most once a second, and\n"
        "once more at the end of the input.\n"
        "\n"
        "Exit status: 0 at the end of the input; 2 for bad usage or an input that cannot be "
        "read.\n";
    std::vector<const char*> operands;
    auto noOptions = [](std::string_view, const char*) { return kExitOk; };
    if (auto s = parseArguments("watch", kHelp, argc, argv, {}, noOptions, operands)) return *s;
    const char* path = nullptr;
    if (!inputOperand("watch", operands, path)) return kExitUsage;
    const bool useStdin = path == nullptr || std::strcmp(path, "-") == 0;
    int fd = useStdin ? STDIN_FILENO : ::open(path, O_RDONLY | O_NOCTTY | O_CLOEXEC);
    if (fd < 0) return usageError("watch: cannot read %s: %s", path, std::strerror(errno));
    struct stat st {};
    if (!useStdin && ::fstat(fd, &st) == 0 && S_ISDIR(st.st_mode)) {
        ::close(fd);
        return usageError("watch: cannot read %s: %s", path, std::strerror(EISDIR));
    }

    platform::SystemClock clock;
    platform::StderrPrompter prompter;
    // Constructed only: start() would read the configuration and open the configured port,
    // while here the stream comes from the input instead.
    engine::GpsEngine gps(clock, prompter);
    gps.link.portOpen = 1; // the stream stands for an open port; its first bytes mark data as seen
    View view(useStdin ? "stdin" : path, isatty(STDOUT_FILENO) == 1);
    StreamReader reader(fd, gps);
    reader.start();

    auto next = std::chrono::steady_clock::now();
    for (;;) {
        next += kRefreshInterval;
        if (reader.waitUntil(next)) break;
        if (gps.refresh()) view.update(takeSnapshot(gps), reader.bytesRead());
    }
    reader.join();
    while (!gps.refresh()) {
    }
    view.final(takeSnapshot(gps), reader.bytesRead());
    if (!useStdin) ::close(fd);
    if (reader.error() != 0) {
        std::fprintf(stderr, "cvtool: watch: read failed: %s\n", std::strerror(reader.error()));
        return kExitUsage;
    }
    return kExitOk;
}

} // namespace cvtool
