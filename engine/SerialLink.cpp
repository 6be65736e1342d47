#include "engine/SerialLink.h"

#include <cerrno>
#include <cstdio>
#include <grp.h>
#include <mutex>
#include <sys/stat.h>

#include "engine/Dgps.h"
#include "engine/GpsEngine.h"
#include "platform/PortMap.h"
#include "platform/Registry.h"

namespace engine {

namespace {

constexpr uint32_t kBaudRates[10] = {300,   1200,  2400,  4800,  9600,
                                     14400, 19200, 38400, 57600, 115200};
constexpr uint32_t kAttemptGapMs = 1000;
constexpr uint32_t kCloseSettleMs = 100;
constexpr uint32_t kIdleStepMs = 100;
constexpr uint32_t kAutoConnectLimitMs = 25000;
constexpr uint32_t kSilenceMs = 5000;
constexpr uint32_t kReopenGapMs = 1000;
constexpr int32_t kBluetoothReconnects = 3;
constexpr int32_t kExternalReopenings = 3;

CommPortOpener portOpener = nullptr;

std::string narrow(const char16_t* text) {
    std::string out;
    for (; *text != 0; ++text)
        out += static_cast<char>(*text);
    return out;
}

std::string format(const char* pattern, const char* text, unsigned code = 0) {
    char buffer[512];
    std::snprintf(buffer, sizeof buffer, pattern, text, code);
    return buffer;
}

// The group that owns a device, for the message that tells the user which group to join.
std::string owningGroup(const std::string& device) {
    struct stat st;
    if (::stat(device.c_str(), &st) != 0) return "dialout";
    group entry;
    group* found = nullptr;
    char buffer[4096];
    if (::getgrgid_r(st.st_gid, &entry, buffer, sizeof buffer, &found) != 0 || found == nullptr)
        return std::to_string(st.st_gid);
    return found->gr_name;
}

bool sameOwner(const std::weak_ptr<platform::CommPort>& a,
               const std::shared_ptr<platform::CommPort>& b) {
    return !a.expired() && !a.owner_before(b) && !b.owner_before(a);
}

} // namespace

uint32_t baudRate(char index) {
    return index >= '0' && index <= '9' ? kBaudRates[index - '0'] : 9600;
}

platform::LineSettings lineSettings(const Settings& settings) {
    platform::LineSettings line;
    line.baud = baudRate(settings.GPSBaud);
    line.dataBits = static_cast<uint8_t>(settings.GPSDatabits - '0');
    line.stopBits = settings.GPSStopBits == '2'   ? platform::StopBits::Two
                    : settings.GPSStopBits == '1' ? platform::StopBits::OneAndHalf
                                                  : platform::StopBits::One;
    constexpr platform::Parity parities[5] = {platform::Parity::None, platform::Parity::Odd,
                                              platform::Parity::Even, platform::Parity::Mark,
                                              platform::Parity::Space};
    int parity = settings.GPSParity - '0';
    line.parity = parity >= 0 && parity <= 4 ? parities[parity] : platform::Parity::None;
    line.dtr = settings.GPSDTR == '1';
    line.rts = settings.GPSRTS == '1';
    return line;
}

void setCommPortOpener(CommPortOpener opener) {
    portOpener = opener;
}

std::atomic<int32_t>& runFlag() {
    static std::atomic<int32_t> flag{0};
    return flag;
}

bool waitBeforeReopen(GpsEngine& engine, uint32_t ms) {
    const bool worker = runFlag().load() != 0;
    engine.clock().sleepMs(ms);
    return !worker || runFlag().load() != 0;
}

bool openPort(GpsEngine& engine, bool silent) {
    const std::string name = narrow(engine.portName);
    int attempts = 1;
    if (engine.microsoftStackPort != 0)
        attempts = 10;
    else if (engine.externalPort != 0)
        attempts = 15;

    platform::Registry registry(platform::Registry::defaultPath(), &engine.prompter(),
                                &engine.clock());
    const std::string device = platform::PortMap(registry).path(name).value_or("");
    std::unique_ptr<platform::CommPort> opened;
    int error = ENOENT;
    // A reopen by a worker thread gives up when the owner clears the run flag during its
    // attempts: the exit must not wait out up to 15 seconds of retries, nor show their message.
    const bool worker = runFlag().load() != 0;
    bool abandoned = false;
    for (int attempt = 1; attempt <= attempts; ++attempt) {
        if (!device.empty()) {
            opened = portOpener != nullptr ? portOpener(device) : platform::openCommPort(device);
            if (opened) break;
            error = errno;
        }
        if (attempt == attempts) break;
        engine.clock().sleepMs(kAttemptGapMs);
        if (worker && runFlag().load() == 0) {
            abandoned = true;
            break;
        }
    }
    if (!opened) {
        if (!silent && !abandoned) {
            std::string text = format(kMsgOpenPortFailed, name.c_str());
            if (error == EACCES) {
                char line[512];
                std::snprintf(line, sizeof line, kMsgJoinGroup, device.c_str(),
                              owningGroup(device).c_str());
                text += line;
            }
            engine.prompter().message(text);
        }
        return false;
    }

    const platform::LineSettings line = lineSettings(engine.settings);
    if (!opened->configure(line)) {
        unsigned code = static_cast<unsigned>(errno);
        opened.reset();
        if (!silent) engine.prompter().message(format(kMsgSetParametersFailed, name.c_str(), code));
        return false;
    }
    // Drop both lines, then raise what the settings ask for, so the receiver sees a fresh edge.
    opened->setModemLines(false, false);
    opened->setModemLines(line.dtr, line.rts);
    opened->purge();
    opened->setEventMask(false);

    std::lock_guard<std::mutex> held(engine.lock());
    engine.port = std::move(opened);
    engine.reconnectCount = 0;
    engine.lastDataTick = engine.clock().tickCount();
    return true;
}

bool closePort(GpsEngine& engine) {
    std::shared_ptr<platform::CommPort> port;
    {
        std::lock_guard<std::mutex> held(engine.lock());
        engine.link.portOpen = 0;
        port = engine.port;
    }
    if (port) port->setEventMask(false); // wakes the reader, which then sees the closed link
    port.reset();
    engine.clock().sleepMs(kCloseSettleMs);

    std::lock_guard<std::mutex> held(engine.lock());
    engine.link.commOk = 1;
    engine.link.dataSeen = 0;
    engine.port.reset();
    engine.resetGpsState();
    dgps::resetParser();
    return true;
}

ReaderThread::ReaderThread(GpsEngine& engine) : engine_(engine) {}

ReaderThread::~ReaderThread() {
    join();
}

void ReaderThread::start() {
    thread_ = std::thread(&ReaderThread::run, this);
}

void ReaderThread::join() {
    if (thread_.joinable()) thread_.join();
}

std::shared_ptr<platform::CommPort> ReaderThread::currentPort() {
    std::lock_guard<std::mutex> held(engine_.lock());
    if (engine_.link.portOpen == 0) return nullptr;
    return engine_.port;
}

bool ReaderThread::isCurrent(const std::shared_ptr<platform::CommPort>& port) {
    std::lock_guard<std::mutex> held(engine_.lock());
    return engine_.link.portOpen != 0 && engine_.port == port;
}

void ReaderThread::noteLineError(const platform::LineErrorCounts& c) {
    bool overflowAlone =
        c.bufferOverrun != 0 && c.frame == 0 && c.overrun == 0 && c.parity == 0 && c.breaks == 0;
    if (overflowAlone || ++lineErrors_ < kLineErrorsForCommFault) return;
    lineErrors_ = 0;
    std::lock_guard<std::mutex> held(engine_.lock());
    engine_.link.commOk = 0;
}

void ReaderThread::run() {
    if (auto port = currentPort()) port->purge();
    // The port that hung up, held weakly: it is never waited on again, and it closes as soon as
    // the engine lets it go, so that the same device can be opened again.
    std::weak_ptr<platform::CommPort> hungUp;
    std::weak_ptr<platform::CommPort> counted; // the port whose line errors lineErrors_ counts
    while (runFlag().load() != 0) {
        std::shared_ptr<platform::CommPort> port = currentPort();
        bool gone =
            port && !hungUp.owner_before(port) && !port.owner_before(hungUp) && !hungUp.expired();
        if (!port || gone) {
            port.reset();
            engine_.clock().sleepMs(kIdleStepMs);
            continue;
        }
        if (!sameOwner(counted, port)) {
            counted = port;
            lineErrors_ = 0;
        }
        // Armed before the check: a close after the check disarms it again and the wait ends.
        port->setEventMask(true);
        if (!isCurrent(port)) continue;
        platform::CommEvent event = port->waitEvent();
        if (!isCurrent(port)) continue;
        if (event == platform::CommEvent::Woken) continue;
        if (event == platform::CommEvent::Hangup) {
            hungUp = port;
            continue;
        }
        if (event == platform::CommEvent::LineError) {
            platform::LineErrorCounts counts;
            port->clearErrors(&counts);
            noteLineError(counts);
            continue;
        }
        ssize_t n = port->read(buffer_, sizeof buffer_);
        if (n <= 0) continue;
        std::lock_guard<std::mutex> held(engine_.lock());
        if (engine_.link.portOpen == 0 || engine_.port != port) continue; // closed meanwhile
        engine_.lastDataTick = engine_.clock().tickCount();
        engine_.link.dataSeen = 1;
        engine_.feedParser(buffer_, static_cast<size_t>(n));
    }
}

void superviseSilence(GpsEngine& engine, SilenceSupervision& supervision) {
    std::unique_lock<std::mutex> held(engine.lock());
    platform::Clock& clock = engine.clock();
    uint32_t now = clock.tickCount();
    LinkFlags& link = engine.link;

    if (link.autoConnecting == 0) {
        supervision.autoConnectStart = 0; // a later reconnection gets its own 25 s
    } else if (supervision.autoConnectStart == 0) {
        supervision.autoConnectStart = now;
    } else if (platform::ticksSince(now, supervision.autoConnectStart) > kAutoConnectLimitMs) {
        link.autoConnecting = 0;
        supervision.autoConnectStart = 0;
    }

    if (link.portOpen == 0 || platform::ticksSince(now, engine.lastDataTick) <= kSilenceMs) return;

    bool stackPortUp = engine.microsoftStackPort != 0 && engine.btStackUp != 0;
    if (engine.btPortInUse != 0 && engine.reconnectCount < kBluetoothReconnects &&
        (engine.drakarPort != 0 || stackPortUp)) {
        ++engine.reconnectCount;
        link.autoConnecting = 1; // set before the close, so the status never reads "COM discnt."
        held.unlock();
        closePort(engine);
        bool opened = waitBeforeReopen(engine, kReopenGapMs) && openPort(engine, true);
        held.lock();
        link.autoConnecting = 0;
        link.portOpen = opened ? 1 : 0;
        engine.lastDataTick = clock.tickCount();
        return;
    }
    if (engine.microsoftStackPort != 0) return;

    if (engine.externalPort != 0 && supervision.externalReopenings < kExternalReopenings) {
        ++supervision.externalReopenings;
        link.autoConnecting = 1;
        held.unlock();
        closePort(engine);
        held.lock();
        engine.lastDataTick = clock.tickCount();
        held.unlock();
        const bool stopping = !waitBeforeReopen(engine, kReopenGapMs);
        if (!stopping) openPort(engine, false);
        held.lock();
        // Open even when the reopen failed: the reader idles and the next turns retry. When the
        // program stopped meanwhile the port stays closed.
        link.portOpen = stopping ? 0 : 1;
        link.autoConnecting = 0;
        engine.lastDataTick = clock.tickCount();
    }
    if (engine.port) engine.port->setEventMask(false);
    link.dataSeen = 0;
}

} // namespace engine
