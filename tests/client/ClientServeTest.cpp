// The client library against the real program side: `cvtool serve` replaying an NMEA file in a
// namespace of its own (CORVANE_SHM_PREFIX, set for this program and inherited by the server).

#include <gtest/gtest.h>

#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstring>
#include <string>
#include <thread>
#include <vector>

#include <cvce.h>

#include "data/ConfigTexts.h"
#include "exchange/ExchangeBlock.h"
#include "platform/NamedEvent.h"
#include "platform/NamedSection.h"
#include "platform/SharedObject.h"
#include "support/NmeaText.h"
#include "support/TestSupport.h"

namespace {

using platform::NamedEvent;
using testsupport::nmea;

// Runs a program with its stdout on a pipe; SIGTERM and a wait when it goes away.
class Child {
public:
    explicit Child(std::vector<std::string> args) {
        int fds[2];
        EXPECT_EQ(pipe(fds), 0);
        pid_ = fork();
        if (pid_ == 0) {
            dup2(fds[1], STDOUT_FILENO);
            std::vector<char*> argv;
            for (std::string& a : args)
                argv.push_back(a.data());
            argv.push_back(nullptr);
            execv(argv[0], argv.data());
            _exit(127);
        }
        close(fds[1]);
        out_ = fds[0];
    }
    ~Child() {
        stop(SIGTERM);
        close(out_);
    }
    // Reads stdout until a line starting with prefix, for at most timeoutMs; false at its end.
    bool awaitLine(const std::string& prefix, int timeoutMs = 15000) {
        const auto until = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
        while (std::chrono::steady_clock::now() < until) {
            for (size_t end; (end = text_.find('\n')) != std::string::npos;) {
                std::string line = text_.substr(0, end);
                text_.erase(0, end + 1);
                if (line.rfind(prefix, 0) == 0) return true;
            }
            pollfd p{out_, POLLIN, 0};
            if (poll(&p, 1, 100) <= 0) continue;
            char buffer[512];
            ssize_t n = read(out_, buffer, sizeof buffer);
            if (n <= 0) return false;
            text_.append(buffer, static_cast<size_t>(n));
        }
        return false;
    }
    // Sends sig and waits for the end; the exit status, or -1 when it did not exit normally.
    int stop(int sig) {
        if (pid_ <= 0) return status_;
        kill(pid_, sig);
        int raw = 0;
        waitpid(pid_, &raw, 0);
        pid_ = 0;
        status_ = WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
        return status_;
    }

private:
    pid_t pid_ = 0;
    int out_ = -1;
    std::string text_;
    int status_ = -1;
};

// Two epochs a second apart at 47 30' N, 122 15' W; quality 1, 3D with PDOP 1.8.
std::string replay() {
    std::string text;
    for (const char* time : {"120000.00", "120001.00"}) {
        text += nmea(std::string("GPGGA,") + time +
                     ",4730.0000,N,12215.0000,W,1,08,0.9,12.5,M,-17.0,M,,");
        text += nmea("GPGSA,A,3,01,03,06,09,12,14,17,19,,,,,1.8,0.9,1.5");
    }
    return text;
}

struct RawOut {
    unsigned long tick = 0;
    double lat = 0, lon = 0, alt = 0, pdop = 0, ehe = 0;
    int quality = -1;
};
int getRaw(RawOut& o, bool realTime) {
    auto* call = realTime ? &GetRawRT : &GetRawGPS;
    return call(o.tick, o.lat, o.lon, o.alt, o.pdop, o.ehe, o.quality);
}

struct Server {
    testsupport::TempDir dir;
    std::unique_ptr<Child> process;
};

// Starts `cvtool serve` with one cv.ini line ("KEY=VALUE") changed and extra arguments; waits until
// it serves.
std::unique_ptr<Server> startServer(const std::string& ini, std::vector<std::string> extra = {}) {
    // A server stopped before leaves "CVCE_MSG" set.
    for (const char* name : {exchange::kEventServerStopped, exchange::kEventClientUnloaded,
                             exchange::kEventDataReady, exchange::kEventSetup})
        NamedEvent::create(name, false)->reset();
    auto s = std::make_unique<Server>();
    for (const char* table : {"ellips.dat", "3_param.dat", "7_param.dat", "WMM.COF"})
        testsupport::writeFile(s->dir.file(table), testsupport::readFile(testsupport::sourcePath(
                                                       std::string("share/") + table)));
    // cv.ini: the defaults with the given key's value changed.
    std::string text = configtexts::defaultFile(s->dir.path());
    if (!ini.empty()) {
        const std::string key = ini.substr(0, ini.find('=') + 1);
        const size_t at = text.find(key);
        text.replace(at, text.find('\n', at) - at, ini);
    }
    testsupport::writeFile(s->dir.file("cv.ini"), text);
    testsupport::writeFile(s->dir.file("replay.nmea"), replay());
    std::vector<std::string> args = {CVTOOL_PATH,   "serve",  "--dir",
                                     s->dir.path(), "--nmea", s->dir.file("replay.nmea")};
    args.insert(args.end(), extra.begin(), extra.end());
    s->process = std::make_unique<Child>(args);
    EXPECT_TRUE(s->process->awaitLine("serving on"));
    // The first epoch reaches the exchange with the next update.
    RawOut o;
    for (int i = 0; i < 50 && o.quality != 1; ++i) {
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
        EXPECT_EQ(getRaw(o, false), 1);
    }
    EXPECT_EQ(o.quality, 1);
    return s;
}

struct MarkOut {
    unsigned long tick = 0;
    double d[19] = {};
    char ns = 0, ew = 0;
    int i[5] = {};
    char zone[32] = {};
    SYSTEMTIME time{};
    char datum[8] = {};
};
int getMark(MarkOut& o, bool blocking) {
    auto* call = blocking ? &GetMarkBLK : &GetMarkNB;
    return call(o.tick, o.d[0], o.d[1], o.d[2], o.d[3], o.ns, o.ew, o.d[4], o.d[5], o.i[0], o.i[1],
                o.d[6], o.d[7], o.i[2], o.i[3], o.d[8], o.d[9], o.zone, o.d[10], o.d[11], o.d[12],
                o.d[13], o.d[14], o.i[4], o.time, o.d[15], o.d[16], o.d[17], o.d[18], o.datum);
}

short errorOf(int kind) {
    short code = -1;
    EXPECT_EQ(GetError(kind, code), 1);
    return code;
}

class ClientServe : public ::testing::Test {
protected:
    void TearDown() override {
        for (int kind = 0; kind < 3; ++kind)
            SwitchModes(kind, 0);
    }
};

TEST_F(ClientServe, RawOnRequestThenRealTimeWithTheTickMoving) {
    auto server = startServer("");
    RawOut o;
    ASSERT_EQ(getRaw(o, false), 1);
    EXPECT_EQ(errorOf(0), 0);
    EXPECT_DOUBLE_EQ(o.lat, 47.5);
    EXPECT_DOUBLE_EQ(o.lon, -122.25);
    EXPECT_DOUBLE_EQ(o.alt, 12.5);
    EXPECT_EQ(o.pdop, double(1.8f)); // single precision, widened
    EXPECT_EQ(o.quality, 1);
    ASSERT_EQ(SwitchModes(0, 1), 1);
    RawOut first;
    ASSERT_EQ(getRaw(first, true), 1);
    RawOut later;
    for (int i = 0; i < 20 && (later.tick == 0 || later.tick == first.tick); ++i)
        ASSERT_EQ(getRaw(later, true), 1);
    EXPECT_NE(later.tick, first.tick);
}

TEST_F(ClientServe, MaskedReadOfAFixThatFailsAMaskGivesStatusFiveAndTheReason) {
    auto server = startServer("MaskDGPS=Yes");
    unsigned long tick = 0;
    double d[16] = {};
    char ns = 0, ew = 0, zone[16] = {};
    int i[5] = {};
    short reason = -1;
    ASSERT_EQ(GetMaskGPS(tick, d[0], d[1], d[2], d[3], ns, ew, d[4], d[5], i[0], i[1], d[6], d[7],
                         i[2], i[3], d[8], d[9], zone, 0, d[10], d[11], d[12], d[13], d[14], i[4],
                         reason),
              1);
    EXPECT_EQ(errorOf(1), 5);
    EXPECT_EQ(reason, 3);
    EXPECT_EQ(d[2], 0.0);
    EXPECT_EQ(i[4], 1);
}

TEST_F(ClientServe, MarksNonBlockingBeforeAnyAndBlockingWithExportOrCancel) {
    const struct {
        const char* option;
        short status;
        int readings;
    } cases[] = {{nullptr, 0, 1}, {"--mark-cancel", 5, 0}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.status);
        auto server = c.option ? startServer("", {c.option}) : startServer("");
        MarkOut before;
        ASSERT_EQ(getMark(before, false), 1);
        EXPECT_EQ(errorOf(2), 4);
        EXPECT_EQ(before.tick, 0u);
        ASSERT_EQ(SwitchModes(2, 1), 1);
        MarkOut mark;
        ASSERT_EQ(getMark(mark, true), 1);
        EXPECT_EQ(errorOf(2), c.status);
        EXPECT_EQ(mark.i[4], c.readings);
        if (c.readings > 0) {
            EXPECT_EQ(mark.ns, 'N');
            EXPECT_EQ(mark.ew, 'W');
            EXPECT_STREQ(mark.datum, "WGE");
        }
        ASSERT_EQ(SwitchModes(2, 0), 1);
    }
}

TEST_F(ClientServe, TwoClientsReadTogetherAndOneUnloadingLeavesTheOtherServed) {
    auto server = startServer("");
    Child other({CVCE_PROBE_PATH, "rt"});
    RawOut o;
    for (int i = 0; i < 3; ++i)
        EXPECT_EQ(getRaw(o, false), 1);
    EXPECT_EQ(other.stop(0), 0); // signal 0: waits for its end; it read three real-time updates
    // Its unload returned the modes to on request for every client.
    EXPECT_EQ(getRaw(o, false), 1);
    EXPECT_EQ(errorOf(0), 0);
    EXPECT_EQ(o.quality, 1);
}

TEST_F(ClientServe, AClientKilledInARequestDoesNotStopThePublication) {
    auto server = startServer("");
    auto section =
        platform::NamedSection::create(exchange::kSectionName, exchange::kExchangeBlockSize);
    ASSERT_TRUE(section);
    const auto* block = static_cast<const volatile exchange::ExchangeBlock*>(section->data());
    Child holder({CVCE_PROBE_PATH, "hold"});
    ASSERT_TRUE(holder.awaitLine("holding"));
    holder.stop(SIGKILL);
    const uint32_t tick = block->rawTick;
    bool moved = false;
    for (int i = 0; i < 150 && !moved; ++i) {
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
        moved = block->rawTick != tick;
    }
    EXPECT_TRUE(moved);
}

TEST_F(ClientServe, ServerStoppingEndsARealTimeReadAndResetsTheLibrary) {
    auto server = startServer("");
    ASSERT_EQ(SwitchModes(0, 1), 1);
    EXPECT_EQ(server->process->stop(SIGTERM), 0);
    RawOut o;
    EXPECT_EQ(getRaw(o, true), 0);
    EXPECT_EQ(getRaw(o, true), 0);
    EXPECT_EQ(errorOf(0), 3); // the reset returned the raw mode to on request
}

} // namespace
