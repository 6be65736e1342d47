#pragma once
// The program's side of the memory exchange: owns the shared section "RuzeriVovAzo" (laid out as
// ExchangeBlock) and the seven named events, answers client requests on its own thread, and
// publishes the raw, masked and mark records.
//
// Every change is made in localBlock first and then copied region by region into the section.
// The server thread holds exchangeLock for as long as a raw, masked or non-blocking mark request
// is open, so the timer's publication (which only tries the lock) leaves the record alone while a
// client reads it. Every hold is taken and released on the server thread, which counts them.
//
// Beyond the bare protocol:
// - A request left open longer than the request limit (5 s) is closed and its hold released, and
//   a request whose section holders include a process that has died since it opened is treated
//   as that client's unload, so a client killed mid-request never stops publication for good.
// - The request area is read once per mode change into localBlock; any non-zero value word means
//   1. Nothing a client writes is used as an index or a length.
// - stop() wakes the server thread through a private event of its own (no client waits on it)
//   and joins it, so a later start() never leaves two server threads.

#include <atomic>
#include <chrono>
#include <cstdint>
#include <mutex>
#include <optional>
#include <sys/types.h>
#include <thread>
#include <vector>

#include "engine/GpsEngine.h"
#include "exchange/ExchangeBlock.h"
#include "platform/NamedEvent.h"
#include "platform/NamedSection.h"

namespace data {
struct ExchangeMark;
}

namespace exchange {

inline constexpr const char* kSharedMemoryFailed = "Could not create shared memory. Method stopped";

// Starts a mark on behalf of a client's blocking mark request. Called on the server thread: an
// implementation hands the request over to the thread that runs the Mark Point dialog and
// returns at once.
class MarkStarter {
public:
    virtual ~MarkStarter() = default;
    virtual void startMarkForClient() = 0;
};

struct ExchangeTimings {
    // A raw, masked or non-blocking mark request open longer than this is closed.
    uint32_t requestLimitMs = 5000;
    // The server thread's longest wait before it looks at the open requests again (real time).
    uint32_t checkIntervalMs = 1000;
};

class ExchangeServer final : public engine::StatePublisher {
public:
    explicit ExchangeServer(engine::GpsEngine& engine, ExchangeTimings timings = {});
    // Closes the handles of the request, data-ready and setup events, then stop().
    ~ExchangeServer() override;
    ExchangeServer(const ExchangeServer&) = delete;
    ExchangeServer& operator=(const ExchangeServer&) = delete;

    void setMarkStarter(MarkStarter* starter) { markStarter_ = starter; }

    // Creates or opens the seven events; on each failure the reason followed by "<name> Event
    // Creation Error." is shown. False when any failed.
    bool createEvents();
    // Creates the section and the server thread (a running server is left as it is). False, with
    // "Could not create shared memory. Method stopped", when the section cannot be had.
    bool start();
    // Sets "CVCE_MSG", ends and joins the server thread, and closes the section.
    void stop();
    bool running() const { return running_.load(); }

    // The timer's publications; the caller holds the engine lock. Nothing happens without a
    // section, and a tick that finds exchangeLock held is skipped.
    void publishRaw();
    void publishMaskedRealTime();
    // The Mark Point dialog has closed after a mark started from another program: valid is its
    // exported flag. The caller does not hold the engine lock.
    void publishMark(bool valid, const data::ExchangeMark& mark);

    // engine::StatePublisher: the refresh's publication, under the engine lock: publishRaw, then
    // publishMaskedRealTime while masked real time is on, when MemExchange is on.
    void publish(const engine::GpsState& state) override;

    bool rawRealTime() const { return rawRealTime_.load(); }
    bool maskedRealTime() const { return maskedRealTime_.load(); }
    bool markBlocking() const { return markBlocking_.load(); }

private:
    enum Request { RawRequest, MaskedRequest, MarkRequest, kRequestKinds };

    void serverThread();
    void beginRaw();
    void endRaw();
    void beginMasked();
    void endMasked();
    void beginMark();
    void requestBlockingMark();
    void endMark();
    void applyModes();
    // Reads the request area, switches the kinds it asks for and acknowledges.
    void applyRequestArea();
    void followAcknowledgement();
    // The request area of the section differs from the one last applied.
    bool requestAreaChanged() const;
    void clientDetached();
    // Closes requests open longer than the limit, and detaches when a holder of the section that
    // was alive when a request opened has died.
    void checkOpenRequests();

    void opened(Request kind, bool hold);
    void hold();
    void releaseHolds();
    // Copies one field or region of localBlock into the view; the caller holds exchangeLock.
    void copyField(const void* field, std::size_t length);
    void copyRegion(const ExchangeRegion& region);
    // Steps 4 to 8 of the masked publication: a fresh masked record from the state.
    void buildMasked(const engine::GpsState& state);
    void zeroMaskedPosition();
    bool anyRequestOpen() const;

    engine::GpsEngine& engine_;
    ExchangeTimings timings_;
    MarkStarter* markStarter_ = nullptr;

    ExchangeBlock localBlock_{};
    std::recursive_mutex exchangeLock_;
    platform::NamedSection section_; // open while the exchange is started
    ExchangeBlock* view_ = nullptr;

    platform::NamedEvent rawRequestEvent_;
    platform::NamedEvent dataReadyEvent_;
    platform::NamedEvent setupEvent_;
    platform::NamedEvent maskedRequestEvent_;
    platform::NamedEvent markRequestEvent_;
    platform::NamedEvent clientUnloadedEvent_;
    platform::NamedEvent serverStoppedEvent_;
    platform::NamedEvent wakeEvent_; // private: stop() wakes the server thread with it
    bool eventsCreated_ = false;

    std::atomic<bool> running_{false};
    std::thread thread_;
    std::atomic<bool> rawRealTime_{false};
    std::atomic<bool> maskedRealTime_{false};
    std::atomic<bool> markBlocking_{false};
    uint32_t lastMaskedTick_ = 0; // under exchangeLock

    // Server thread only.
    bool requestOpen_[kRequestKinds] = {};
    bool holding_[kRequestKinds] = {};
    uint32_t openedAt_[kRequestKinds] = {};
    int holds_ = 0;
    std::vector<pid_t> holdersAtOpen_;
    bool snapshotDue_ = false;
    // A mode change's acknowledgement is set and not yet taken (server thread only).
    bool acknowledgementOut_ = false;
    std::chrono::steady_clock::time_point acknowledgementUntil_;
    uint32_t lastHolderCheck_ = 0;
};

} // namespace exchange
