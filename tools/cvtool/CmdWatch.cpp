// cvtool watch: shows the GPS state after every 200 ms refresh, redrawn in place on a terminal,
// as plain text blocks otherwise. Either a port COMn: runs through the engine's own start-up and
// link threads, or a live NMEA stream (a file, a device, stdin) is fed through the engine as the
// serial reader does.

#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <chrono>
#include <cmath>
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
#include "StateJson.h"
#include "ToolStartup.h"
#include "data/ConfigFile.h"
#include "engine/Dgps.h"
#include "engine/FixStatus.h"
#include "engine/GpsEngine.h"
#include "engine/LinkThreads.h"
#include "platform/Clock.h"
#include "platform/Prompter.h"

namespace cvtool {

namespace {

constexpr auto kRefreshInterval = std::chrono::milliseconds(200);
constexpr int kPlainBlockEveryTicks = 5; // plain output: at most one block a second
constexpr size_t kReadSize = 1000;
constexpr double kMphPerMps = 2.236936;

// The link flags the port mode shows.
struct LinkView {
    bool portOpen, commOk, dataSeen, btStackUp, externalPort;
    int reconnectCount;
};

// What one view shows: the refreshed state, the real PRNs behind the SBAS slots, and in port
// mode the link flags.
struct Snapshot {
    engine::GpsState state;
    char16_t status[32] = {};
    int sbasPrn[engine::kLastSbasSlot - engine::kFirstSbasSlot + 1] = {};
    bool withLink = false;
    LinkView link{};
};

Snapshot takeSnapshot(engine::GpsEngine& gps, bool withLink) {
    std::lock_guard<std::mutex> hold(gps.lock());
    Snapshot s;
    s.state = gps.state;
    engine::statusText(gps, s.status, std::size(s.status));
    for (int slot = engine::kFirstSbasSlot; slot <= engine::kLastSbasSlot; ++slot)
        s.sbasPrn[slot - engine::kFirstSbasSlot] = dgps::sbasPrn(slot);
    s.withLink = withLink;
    s.link = {gps.link.portOpen != 0, gps.link.commOk != 0,  gps.link.dataSeen != 0,
              gps.btStackUp != 0,     gps.externalPort != 0, gps.reconnectCount};
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
    if (snap.withLink) {
        const LinkView& l = snap.link;
        appendLine(out, "Link       port %s, comm %s, data %s, %d reconnects, stack %s, %s",
                   l.portOpen ? "open" : "closed", l.commOk ? "ok" : "errors",
                   l.dataSeen ? "seen" : "none", l.reconnectCount, l.btStackUp ? "up" : "down",
                   l.externalPort ? "external" : "built-in");
    }
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
    explicit View(bool terminal) : terminal_(terminal) {}

    // After every refresh: a terminal is redrawn when anything changed; plain output gets a
    // block when the state changed, at most once a second. header is the view's first line.
    void update(const Snapshot& snap, const std::string& header) {
        ++tick_;
        std::string body = renderBody(snap);
        if (body == lastBody_) return;
        if (!terminal_ && printedAny_ && tick_ - lastPrintTick_ < kPlainBlockEveryTicks) return;
        show(body, header);
    }

    void final(const Snapshot& snap, const std::string& header) {
        std::string body = renderBody(snap);
        if (!printedAny_ || body != lastBody_ || terminal_) show(body, header);
    }

private:
    void show(const std::string& body, const std::string& header) {
        std::string text = "cvtool watch: " + header + "\n";
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

    bool terminal_;
    std::string lastBody_;
    long tick_ = 0;
    long lastPrintTick_ = 0;
    bool printedAny_ = false;
};

// --- Port mode ---------------------------------------------------------------------------------

// One JSON object: the status text, the link flags and the state members of cvtool nmea.
void writeJsonView(std::FILE* out, const Snapshot& snap) {
    std::fputc('{', out);
    jsonKey(out, "statusText", true);
    writeJsonString(out, snap.status);
    const LinkView& l = snap.link;
    for (auto [name, value] : {std::pair<const char*, bool>{"portOpen", l.portOpen},
                               {"commOk", l.commOk},
                               {"dataSeen", l.dataSeen},
                               {"btStackUp", l.btStackUp},
                               {"externalPort", l.externalPort}}) {
        jsonKey(out, name);
        std::fputs(value ? "true" : "false", out);
    }
    jsonKey(out, "reconnectCount");
    std::fprintf(out, "%d", l.reconnectCount);
    writeStateMembers(out, snap.state);
    std::fputs("}\n", out);
    std::fflush(out);
}

// Runs the engine on the port until the time is up or SIGINT/SIGTERM arrives, then shuts down as
// the program does: port closed, threads joined, suspend time-outs restored.
int watchPort(const char* port, const char* dir, bool json, double seconds) {
    platform::SystemClock clock;
    platform::StderrPrompter prompter;
    engine::GpsEngine gps(clock, prompter);
    ToolStartup startup(dir, port, false);
    gps.setStartupServices(&startup);
    if (!gps.start()) return kExitBadData; // the start-up message is on stderr

    const StopSignals stop;

    engine::LinkThreads threads(gps);
    threads.start();
    View view(isatty(STDOUT_FILENO) == 1);
    const std::string header = std::string(port) + " in " + gps.applicationDirectory;
    const auto begin = std::chrono::steady_clock::now();
    const auto end = begin + std::chrono::milliseconds(static_cast<int64_t>(seconds * 1000));
    auto next = begin;
    for (;;) {
        next += kRefreshInterval;
        std::this_thread::sleep_until(next);
        if (stop.requested()) break;
        // A tick that finds the engine busy is skipped, as the program's refresh timer does.
        if (gps.refresh()) {
            Snapshot snap = takeSnapshot(gps, true);
            if (json)
                writeJsonView(stdout, snap);
            else
                view.update(snap, header);
        }
        if (seconds > 0 && next >= end) break;
    }
    threads.stop();
    if (!json) {
        while (!gps.refresh()) {
        }
        view.final(takeSnapshot(gps, true), header);
    }
    return kExitOk;
}

} // namespace

int cmdWatch(int argc, char** argv) {
    static constexpr const char* kHelp =
        "usage: cvtool watch COMn: [--dir DIR] [--json] [--seconds N]\n"
        "       cvtool watch [FILE|-]\n"
        "\n"
        "Shows the GPS state after every 200 ms refresh: status, fix, position, altitude, UTC,\n"
        "satellites, DOPs, motion, magnetic variation and the satellite table. On a terminal the\n"
        "view is redrawn in place; otherwise a text block is printed when the state changed, at\n"
        "most once a second, and once more at the end.\n"
        "\n"
        "With a port COM1: .. COM9: the program's start-up runs on the application directory\n"
        "(the registry's, or DIR) with that port in place of cv.ini's GPSPort (cv.ini is not\n"
        "changed for it): the port opens through the port map (cvtool port), the reader and the\n"
        "link supervision run as in the program, and the view adds the link flags. SIGINT or\n"
        "SIGTERM ends it as the program's exit does: port closed, threads joined, suspend\n"
        "time-outs restored.\n"
        "  --dir DIR     read the tables, WMM.COF and cv.ini from DIR\n"
        "  --json        print one JSON object per refresh instead of the view: statusText,\n"
        "                portOpen, commOk, dataSeen, btStackUp, externalPort (true or false),\n"
        "                reconnectCount, and the state members of cvtool nmea (position, dop,\n"
        "                motion, magVar, satellites)\n"
        "  --seconds N   end after N seconds (default: until interrupted)\n"
        "\n"
        "Otherwise the NMEA stream of FILE (a serial device, a pseudo-terminal, a file, or stdin\n"
        "for '-' or no FILE) is fed through the engine as the serial reader does, until it ends.\n"
        "\n"
        "Exit status: 0 at the end; 1 when the start-up failed (its message on stderr); 2 for\n"
        "bad usage or an input that cannot be read.\n";
    std::vector<const char*> operands;
    const char* dir = nullptr;
    bool json = false;
    double seconds = 0;
    bool portOptions = false;
    auto handle = [&](std::string_view name, const char* value) {
        portOptions = true;
        if (name == "json") {
            json = true;
        } else if (name == "dir") {
            dir = value;
        } else if (!parseSeconds("watch", value, seconds)) {
            return kExitUsage;
        }
        return kExitOk;
    };
    if (auto s =
            parseArguments("watch", kHelp, argc, argv,
                           {{"dir", true}, {"json", false}, {"seconds", true}}, handle, operands))
        return *s;
    if (operands.size() == 1 && isPortName(operands[0])) {
        std::string directory;
        if (dir != nullptr) {
            struct stat st {};
            if (::stat(dir, &st) != 0 || !S_ISDIR(st.st_mode))
                return usageError("watch: --dir %s: not a directory", dir);
            directory = dir;
            if (directory.back() != '/') directory += '/';
            if (directory.size() >= engine::kPathCapacity)
                return usageError("watch: --dir %s: path too long", dir);
        }
        return watchPort(operands[0], dir != nullptr ? directory.c_str() : nullptr, json, seconds);
    }
    if (portOptions)
        return usageError("watch: --dir, --json and --seconds need a port COM1: .. COM9:");
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
    View view(isatty(STDOUT_FILENO) == 1);
    const char* source = useStdin ? "stdin" : path;
    StreamReader reader(fd, gps);
    auto header = [&] {
        return std::string(source) + ", " + std::to_string(reader.bytesRead()) + " bytes read";
    };
    reader.start();

    auto next = std::chrono::steady_clock::now();
    for (;;) {
        next += kRefreshInterval;
        if (reader.waitUntil(next)) break;
        if (gps.refresh()) view.update(takeSnapshot(gps, false), header());
    }
    reader.join();
    while (!gps.refresh()) {
    }
    view.final(takeSnapshot(gps, false), header());
    if (!useStdin) ::close(fd);
    if (reader.error() != 0) {
        std::fprintf(stderr, "cvtool: watch: read failed: %s\n", std::strerror(reader.error()));
        return kExitUsage;
    }
    return kExitOk;
}

} // namespace cvtool
