// cvtool simulate: a simulated receiver writing NMEA in real time to stdout or a pseudo-terminal.

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <termios.h>
#include <unistd.h>

#include <cerrno>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <optional>
#include <string_view>
#include <vector>

#include "CliSupport.h"
#include "Commands.h"
#include "engine/NmeaSimulator.h"

namespace cvtool {

namespace {

struct SimulateOptions {
    engine::SimulatorConfig config;
    double seconds = 0;       // 0 = until killed
    double silenceAfter = -1; // below 0: never falls silent
    double closeAfter = 0;    // 0: --seconds alone ends the run
    bool pty = false;
    bool fast = false;
};

bool parseNumber(const char* text, double low, double high, double& value) {
    char* end = nullptr;
    errno = 0;
    double v = std::strtod(text, &end);
    if (end == text || *end != '\0' || errno != 0 || !std::isfinite(v) || v < low || v > high)
        return false;
    value = v;
    return true;
}

bool parseStart(const char* text, double& latitude, double& longitude) {
    const char* comma = std::strchr(text, ',');
    if (comma == nullptr) return false;
    char lat[64];
    size_t n = static_cast<size_t>(comma - text);
    if (n == 0 || n >= sizeof lat) return false;
    std::memcpy(lat, text, n);
    lat[n] = '\0';
    // The route's east-west scale breaks down near the poles.
    return parseNumber(lat, -85.0, 85.0, latitude) &&
           parseNumber(comma + 1, -180.0, 180.0, longitude);
}

constexpr const char* kHelp =
    "usage: cvtool simulate [--rate HZ] [--start LAT,LON] [--speed MPS] [--seconds N]\n"
    "                       [--seed N] [--fast] [--pty] [--silence-after SECONDS]\n"
    "                       [--close-after SECONDS]\n"
    "\n"
    "A simulated receiver: writes NMEA 0183 sentences ($GPGGA, $GPGSA, $GPRMC, $GPVTG every\n"
    "epoch, a $GPGSV cycle once a second; CR LF line ends) for a receiver walking a loop route\n"
    "from the start position, in real time, to stdout or to a new pseudo-terminal.\n"
    "\n"
    "  --rate HZ         epochs per second, 0.1 to 20 (default 1)\n"
    "  --start LAT,LON   start in degrees, latitude within -85..85 (default 48.1173,11.516667)\n"
    "  --speed MPS       speed in metres per second, 0 to 100 (default 1.5)\n"
    "  --seconds N       stop after N seconds of simulated time (default: until killed)\n"
    "  --seed N          a whole number that drives the satellite sky and the noise\n"
    "  --fast            no real-time pacing: write the epochs as fast as possible\n"
    "  --pty             write to a new pseudo-terminal and print its path as the first\n"
    "                    line on stdout\n"
    "  --silence-after SECONDS\n"
    "                    stop writing after SECONDS of simulated time but keep the output\n"
    "                    open (until --close-after, --seconds or killed), as a receiver\n"
    "                    that falls silent\n"
    "  --close-after SECONDS\n"
    "                    close the output and exit after SECONDS of simulated time, as a\n"
    "                    receiver that goes away (later than --silence-after)\n"
    "\n"
    "Exit status: 0 at the end or when the reader goes away; 1 when writing failed; 2 for bad\n"
    "usage.\n";

// Returns kExitUsage after printing the message, or 0 when the options are good.
std::optional<int> parseOptions(int argc, char** argv, SimulateOptions& o) {
    auto handle = [&o](std::string_view name, const char* value) -> int {
        if (name == "pty") {
            o.pty = true;
            return kExitOk;
        }
        if (name == "fast") {
            o.fast = true;
            return kExitOk;
        }
        double number = 0;
        bool ok = true;
        const char* expected = "a whole number";
        if (name == "rate") {
            ok = parseNumber(value, 0.1, 20.0, o.config.rateHz);
            expected = "a rate from 0.1 to 20 Hz";
        } else if (name == "start") {
            ok = parseStart(value, o.config.latitude, o.config.longitude);
            expected = "LAT,LON in degrees";
        } else if (name == "speed") {
            ok = parseNumber(value, 0.0, 100.0, o.config.speedMps);
            expected = "metres per second, 0 to 100";
        } else if (name == "silence-after") {
            ok = parseNumber(value, 0.0, 1e9, o.silenceAfter);
            expected = "seconds, 0 or more";
        } else if (name == "close-after") {
            ok = parseNumber(value, 0.0, 1e9, o.closeAfter) && o.closeAfter > 0;
            expected = "a positive number of seconds";
        } else if (name == "seconds") {
            ok = parseNumber(value, 0.0, 1e9, o.seconds) && o.seconds > 0;
            expected = "a positive number";
        } else {
            ok = parseNumber(value, 0.0, 4e9, number) && number == std::floor(number);
            o.config.seed = static_cast<uint64_t>(number);
        }
        if (ok) return kExitOk;
        return usageError("simulate: bad value '%s' for --%.*s (expected %s)", value,
                          static_cast<int>(name.size()), name.data(), expected);
    };
    std::vector<const char*> operands;
    if (auto status = parseArguments("simulate", kHelp, argc, argv,
                                     {{"rate", true},
                                      {"start", true},
                                      {"speed", true},
                                      {"seconds", true},
                                      {"seed", true},
                                      {"fast", false},
                                      {"pty", false},
                                      {"silence-after", true},
                                      {"close-after", true}},
                                     handle, operands))
        return status;
    if (!operands.empty()) return usageError("simulate: unexpected argument '%s'", operands[0]);
    if (o.closeAfter > 0 && o.silenceAfter >= o.closeAfter)
        return usageError("simulate: --silence-after must come before --close-after");
    return std::nullopt;
}

// Where the sentences go. A pipe whose reader has gone ends the run; a pseudo-terminal that
// nobody reads, or whose reader lags, loses sentences as a serial line would.
class Output {
public:
    bool openStdout() {
        fd_ = STDOUT_FILENO;
        return true;
    }

    bool openPty() {
        fd_ = posix_openpt(O_RDWR | O_NOCTTY);
        char path[128];
        if (fd_ < 0 || grantpt(fd_) != 0 || unlockpt(fd_) != 0 ||
            ptsname_r(fd_, path, sizeof path) != 0) {
            usageError("simulate: cannot create a pseudo-terminal: %s", std::strerror(errno));
            return false;
        }
        // Raw line settings, so a reader gets the bytes as sent (CR LF intact, no echo).
        termios tio{};
        if (tcgetattr(fd_, &tio) == 0) {
            cfmakeraw(&tio);
            tcsetattr(fd_, TCSANOW, &tio);
        }
        fcntl(fd_, F_SETFL, fcntl(fd_, F_GETFL) | O_NONBLOCK);
        isPty_ = true;
        std::printf("%s\n", path);
        std::fflush(stdout);
        return true;
    }

    // False when the run should end: the reader went away (quietly) or writing failed.
    bool write(const char* data, size_t size, bool waitForRoom) {
        while (size > 0) {
            ssize_t n = ::write(fd_, data, size);
            if (n >= 0) {
                data += n;
                size -= static_cast<size_t>(n);
                continue;
            }
            if (errno == EINTR) continue;
            if (isPty_ && errno == EAGAIN && waitForRoom) {
                pollfd p{fd_, POLLOUT, 0};
                poll(&p, 1, 1000);
                continue;
            }
            if (isPty_ && (errno == EAGAIN || errno == EIO)) return true; // nobody reading
            if (errno == EPIPE) return false;
            std::fprintf(stderr, "cvtool: simulate: write failed: %s\n", std::strerror(errno));
            failed_ = true;
            return false;
        }
        return true;
    }

    // Keeps the output open without writing until the reader goes away (a pipe) or the process
    // is killed.
    void holdOpen() const {
        for (;;) {
            if (isPty_) {
                pause(); // a pseudo-terminal reports a hang-up until someone opens it: just wait
                continue;
            }
            pollfd p{fd_, 0, 0};
            if (poll(&p, 1, -1) == 1 && (p.revents & (POLLERR | POLLHUP | POLLNVAL)) != 0) return;
        }
    }

    bool failed() const { return failed_; }

private:
    int fd_ = -1;
    bool isPty_ = false;
    bool failed_ = false;
};

void sleepUntil(const timespec& start, int64_t offsetMs) {
    timespec t = start;
    t.tv_sec += static_cast<time_t>(offsetMs / 1000);
    t.tv_nsec += static_cast<long>(offsetMs % 1000) * 1000000L;
    if (t.tv_nsec >= 1000000000L) {
        t.tv_sec += 1;
        t.tv_nsec -= 1000000000L;
    }
    while (clock_nanosleep(CLOCK_MONOTONIC, TIMER_ABSTIME, &t, nullptr) == EINTR) {
    }
}

} // namespace

int cmdSimulate(int argc, char** argv) {
    SimulateOptions options;
    if (auto status = parseOptions(argc, argv, options)) return *status;
    options.config.startUtcSeconds = static_cast<int64_t>(std::time(nullptr));

    // A reader that goes away shows up as EPIPE from write(), which ends the run quietly.
    signal(SIGPIPE, SIG_IGN);
    Output output;
    if (!(options.pty ? output.openPty() : output.openStdout())) return kExitBadData;

    const engine::NmeaSimulator simulator(options.config);
    // The end of the run is the earlier of --seconds and --close-after; 0 is none.
    int64_t endMs = std::llround(options.seconds * 1000.0);
    const int64_t closeMs = std::llround(options.closeAfter * 1000.0);
    if (closeMs > 0 && (endMs == 0 || closeMs < endMs)) endMs = closeMs;
    const int64_t silenceMs =
        options.silenceAfter < 0 ? -1 : std::llround(options.silenceAfter * 1000.0);
    timespec start{};
    clock_gettime(CLOCK_MONOTONIC, &start);
    char buffer[engine::kMaxEpochBytes];
    for (uint64_t index = 0;; ++index) {
        const int64_t offsetMs = simulator.epochMs(index);
        if (endMs > 0 && offsetMs >= endMs) break;
        if (silenceMs >= 0 && offsetMs >= silenceMs) {
            // Silent from here on: hold the output open to the end of the run. Without real-time
            // pacing the simulated time to the end passes at once.
            if (endMs == 0)
                output.holdOpen();
            else if (!options.fast)
                sleepUntil(start, endMs);
            break;
        }
        if (!options.fast) sleepUntil(start, offsetMs);
        size_t size = simulator.writeEpoch(index, buffer, sizeof buffer);
        if (!output.write(buffer, size, options.fast)) break;
    }
    return output.failed() ? kExitBadData : kExitOk;
}

} // namespace cvtool
