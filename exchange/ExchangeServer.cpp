#include "exchange/ExchangeServer.h"

#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstring>
#include <span>
#include <string>

#include "data/DataExchangeFile.h"
#include "engine/FixStatus.h"
#include "geodesy/Constants.h"
#include "geodesy/DatumTable.h"
#include "geodesy/Utm.h"

namespace exchange {

namespace {

// A client looks for the mode change's acknowledgement 500 ms after its request and then waits up
// to 3000 ms more; an acknowledgement is withdrawn only once that whole window has passed, so a
// client that wakes late from its 500 ms sleep on a busy machine still finds it.
constexpr uint32_t kAcknowledgementWindowMs = 3500;
// How often an acknowledgement that is out is looked at.
constexpr uint32_t kAcknowledgementPollMs = 10;
// At most this many bytes of the zone text go into the masked record.
constexpr std::size_t kMaskedZoneBytes = 10;
constexpr int kWgs84Index = 1;

// Position of a record in the selected datum, with its breakdowns.
struct Breakdown {
    double latitude, longitude, altitude;
    char latHemisphere, lonHemisphere;
    double latAbs, lonAbs;
    int32_t latDeg, lonDeg;
    double latMin, lonMin;
    int32_t latMinWhole, lonMinWhole;
    double latSec, lonSec;
};

// Shifts a WGS 84 position into the datum with this code; a datum that is not found or a shift
// that fails leaves the received values.
void toSelectedDatum(const char* datumCode, double& lat, double& lon, double& alt) {
    const geodesy::DatumTable& table = geodesy::datumTable();
    int index = 0;
    if (table.findDatum(datumCode, index) != 0 || index == kWgs84Index) return;
    double la = 0, lo = 0, h = 0;
    if (table.shiftFromWgs84(lat / geodesy::kShiftDegreesPerRadian,
                             lon / geodesy::kShiftDegreesPerRadian, alt, index, la, lo, h) != 0)
        return;
    lat = la * geodesy::kShiftDegreesPerRadian;
    lon = lo * geodesy::kShiftDegreesPerRadian;
    alt = h;
}

void breakDown(double value, double& absolute, int32_t& degrees, double& minutes,
               int32_t& wholeMinutes, double& seconds) {
    absolute = std::fabs(value);
    const double whole = std::trunc(absolute);
    degrees = static_cast<int32_t>(whole);
    minutes = (absolute - whole) * 60.0;
    const double wholeMin = std::trunc(minutes);
    wholeMinutes = static_cast<int32_t>(wholeMin);
    seconds = (minutes - wholeMin) * 60.0;
}

Breakdown breakdown(const char* datumCode, double lat, double lon, double alt) {
    Breakdown b{};
    toSelectedDatum(datumCode, lat, lon, alt);
    b.latitude = lat;
    b.longitude = lon;
    b.altitude = alt;
    b.latHemisphere = lat >= 0 ? 'N' : 'S';
    b.lonHemisphere = lon >= 0 ? 'E' : 'W';
    breakDown(lat, b.latAbs, b.latDeg, b.latMin, b.latMinWhole, b.latSec);
    breakDown(lon, b.lonAbs, b.lonDeg, b.lonMin, b.lonMinWhole, b.lonSec);
    return b;
}

} // namespace

ExchangeServer::ExchangeServer(engine::GpsEngine& engine, ExchangeTimings timings)
    : engine_(engine), timings_(timings) {}

ExchangeServer::~ExchangeServer() {
    stop();
    rawRequestEvent_.close();
    dataReadyEvent_.close();
    setupEvent_.close();
    maskedRequestEvent_.close();
    markRequestEvent_.close();
    clientUnloadedEvent_.close();
    serverStoppedEvent_.close();
    wakeEvent_.close();
}

bool ExchangeServer::createEvents() {
    struct Wanted {
        platform::NamedEvent& event;
        const char* name;
        const char* failure;
    };
    const Wanted wanted[] = {
        {rawRequestEvent_, kEventRawRequest, "GPS_RT Event Creation Error."},
        {dataReadyEvent_, kEventDataReady, "DATA_READY Event Creation Error."},
        {setupEvent_, kEventSetup, "GPS_SETUP Event Creation Error."},
        {maskedRequestEvent_, kEventMaskedRequest, "GPS_MASKED Event Creation Error."},
        {markRequestEvent_, kEventMarkRequest, "GPS_MARK Event Creation Error."},
        {clientUnloadedEvent_, kEventClientUnloaded, "DLL_MSG Event Creation Error."},
        {serverStoppedEvent_, kEventServerStopped, "CVCE_MSG Event Creation Error."},
    };
    bool all = true;
    for (const Wanted& w : wanted) {
        if (w.event.isOpen()) continue;
        std::string reason;
        std::optional<platform::NamedEvent> e =
            platform::NamedEvent::create(w.name, false, nullptr, &reason);
        if (!e) {
            engine_.prompter().message(reason + w.failure);
            all = false;
            continue;
        }
        w.event = std::move(*e);
    }
    // The server thread's own wake-up, named after this process and object so that no client
    // and no other server shares it.
    if (!wakeEvent_.isOpen()) {
        const std::string name = "corvane-exchange-wake." + std::to_string(getpid()) + "." +
                                 std::to_string(reinterpret_cast<uintptr_t>(this));
        std::string reason;
        std::optional<platform::NamedEvent> e =
            platform::NamedEvent::create(name, false, nullptr, &reason);
        if (!e) {
            engine_.prompter().message(reason);
            all = false;
        } else {
            wakeEvent_ = std::move(*e);
        }
    }
    eventsCreated_ = all;
    return all;
}

bool ExchangeServer::start() {
    if (!eventsCreated_) return false;
    if (running_.load()) return true;
    std::lock_guard<std::recursive_mutex> lock(exchangeLock_);
    localBlock_ = ExchangeBlock{};
    std::optional<platform::NamedSection> section =
        platform::NamedSection::create(kSectionName, kExchangeBlockSize);
    if (!section) {
        engine_.prompter().message(kSharedMemoryFailed);
        return false;
    }
    section_ = std::move(*section);
    view_ = static_cast<ExchangeBlock*>(section_.data());
    // A section another live process kept holds its old contents: start from zero.
    std::memset(static_cast<void*>(view_), 0, kExchangeBlockSize);
    std::memcpy(static_cast<void*>(view_), &localBlock_, kExchangeBlockSize);
    rawRealTime_ = maskedRealTime_ = markBlocking_ = false;
    lastMaskedTick_ = 0;
    wakeEvent_.reset();
    running_ = true;
    thread_ = std::thread([this] { serverThread(); });
    return true;
}

void ExchangeServer::stop() {
    if (serverStoppedEvent_.isOpen()) serverStoppedEvent_.set();
    if (!running_.exchange(false)) return;
    wakeEvent_.set();
    if (thread_.joinable()) thread_.join();
    std::lock_guard<std::recursive_mutex> lock(exchangeLock_);
    view_ = nullptr;
    section_.close();
}

// --- Server thread --------------------------------------------------------------------------

void ExchangeServer::serverThread() {
    // In the order they are served when several are set. While a mode change's acknowledgement
    // is out, "GPS_SETUP" is that acknowledgement and is left out of the wait (the last entry).
    enum Wake { Raw, Masked, Mark, ClientUnloaded, Stop, Setup };
    const platform::NamedEvent* const events[] = {
        &rawRequestEvent_,     &maskedRequestEvent_, &markRequestEvent_,
        &clientUnloadedEvent_, &wakeEvent_,          &setupEvent_,
    };
    const platform::NamedEvent* const order[] = {
        &rawRequestEvent_, &maskedRequestEvent_,  &markRequestEvent_,
        &setupEvent_,      &clientUnloadedEvent_, &wakeEvent_,
    };
    static constexpr Wake kOrder[] = {Raw, Masked, Mark, Setup, ClientUnloaded, Stop};
    while (running_.load()) {
        followAcknowledgement();
        int which = 0;
        if (acknowledgementOut_) {
            which = platform::NamedEvent::waitForAny(std::span(events, 5), kAcknowledgementPollMs);
        } else {
            which = platform::NamedEvent::waitForAny(order, timings_.checkIntervalMs);
            if (which >= 0) which = kOrder[which];
        }
        if (!running_.load()) break;
        switch (which) {
        case Raw:
            rawRequestEvent_.reset();
            if (requestOpen_[RawRequest])
                endRaw();
            else
                beginRaw();
            break;
        case Masked:
            maskedRequestEvent_.reset();
            if (requestOpen_[MaskedRequest])
                endMasked();
            else
                beginMasked();
            break;
        case Mark:
            markRequestEvent_.reset();
            if (markBlocking_.load() && !requestOpen_[MarkRequest])
                requestBlockingMark();
            else if (!markBlocking_.load() && !requestOpen_[MarkRequest])
                beginMark();
            else
                endMark();
            break;
        case Setup:
            setupEvent_.reset();
            applyModes();
            break;
        case ClientUnloaded:
            clientUnloadedEvent_.reset();
            clientDetached();
            break;
        case Stop:
            wakeEvent_.reset();
            break;
        case platform::NamedEvent::kWaitFailed:
            // The events' table went away (logout); the next set or reset moves the handles into
            // a new one. Until then do not spin.
            engine_.clock().sleepMs(timings_.checkIntervalMs);
            break;
        default:
            break;
        }
        checkOpenRequests();
    }
    // Every hold this thread has goes with it.
    std::fill(std::begin(requestOpen_), std::end(requestOpen_), false);
    releaseHolds();
}

bool ExchangeServer::anyRequestOpen() const {
    return requestOpen_[RawRequest] || requestOpen_[MaskedRequest] || requestOpen_[MarkRequest];
}

void ExchangeServer::opened(Request kind, bool withHold) {
    const bool first = !anyRequestOpen();
    requestOpen_[kind] = true;
    openedAt_[kind] = engine_.clock().tickCount();
    // The section's holders are listed after the answer has gone out (checkOpenRequests).
    if (first) snapshotDue_ = true;
    if (withHold) {
        hold();
        holding_[kind] = true;
    }
}

void ExchangeServer::hold() {
    exchangeLock_.lock();
    ++holds_;
}

void ExchangeServer::releaseHolds() {
    for (; holds_ > 0; --holds_)
        exchangeLock_.unlock();
    std::fill(std::begin(holding_), std::end(holding_), false);
}

void ExchangeServer::beginRaw() {
    opened(RawRequest, true);
    if (!rawRealTime_.load()) {
        localBlock_.rawReady = 1;
        copyField(&localBlock_.rawReady, 4);
    }
    dataReadyEvent_.set();
}

void ExchangeServer::endRaw() {
    requestOpen_[RawRequest] = false;
    {
        std::lock_guard<std::recursive_mutex> lock(exchangeLock_);
        localBlock_.rawReady = 0;
        copyField(&localBlock_.rawReady, 4);
    }
    if (holding_[RawRequest]) {
        holding_[RawRequest] = false;
        --holds_;
        exchangeLock_.unlock();
    }
}

void ExchangeServer::beginMasked() {
    opened(MaskedRequest, true);
    if (!maskedRealTime_.load()) {
        {
            std::lock_guard<std::mutex> engineLock(engine_.lock());
            buildMasked(engine_.state);
        }
        copyRegion(kMaskedRecord);
        copyField(&localBlock_.maskedStatus, 4);
        localBlock_.maskedReady = 1;
        copyField(&localBlock_.maskedReady, 4);
    }
    dataReadyEvent_.set();
}

void ExchangeServer::endMasked() {
    requestOpen_[MaskedRequest] = false;
    {
        std::lock_guard<std::recursive_mutex> lock(exchangeLock_);
        localBlock_.maskedReady = 0;
        copyField(&localBlock_.maskedReady, 4);
    }
    if (holding_[MaskedRequest]) {
        holding_[MaskedRequest] = false;
        --holds_;
        exchangeLock_.unlock();
    }
}

void ExchangeServer::beginMark() {
    opened(MarkRequest, true);
    localBlock_.markReady = 1;
    localBlock_.markStatus = engine_.markPending == 1 ? StatusOk : StatusNoNewData;
    copyField(&localBlock_.markStatus, 4);
    copyField(&localBlock_.markReady, 4);
    dataReadyEvent_.set();
}

void ExchangeServer::requestBlockingMark() {
    opened(MarkRequest, false);
    if (markStarter_ != nullptr) markStarter_->startMarkForClient();
}

void ExchangeServer::endMark() {
    requestOpen_[MarkRequest] = false;
    {
        std::lock_guard<std::recursive_mutex> lock(exchangeLock_);
        localBlock_.markReady = 0;
        localBlock_.markStatus = StatusOk;
        copyField(&localBlock_.markReady, 4);
        copyField(&localBlock_.markStatus, 4);
        engine_.markPending = 0;
    }
    if (holding_[MarkRequest]) {
        holding_[MarkRequest] = false;
        --holds_;
        exchangeLock_.unlock();
    }
}

void ExchangeServer::applyRequestArea() {
    hold();
    if (view_ != nullptr)
        std::memcpy(reinterpret_cast<char*>(&localBlock_) + kRequestArea.offset,
                    reinterpret_cast<const char*>(view_) + kRequestArea.offset,
                    kRequestArea.length);
    struct Kind {
        Request request;
        uint32_t requested;
        bool value;
        uint32_t& status;
        uint32_t& ready;
        platform::NamedEvent& event;
        std::atomic<bool>& mode;
    };
    // Each word was read once above; a value word counts as 1 whenever it is not 0.
    Kind kinds[] = {
        {RawRequest, localBlock_.rawModeRequest, localBlock_.rawModeValue != 0,
         localBlock_.rawStatus, localBlock_.rawReady, rawRequestEvent_, rawRealTime_},
        {MaskedRequest, localBlock_.maskedModeRequest, localBlock_.maskedModeValue != 0,
         localBlock_.maskedStatus, localBlock_.maskedReady, maskedRequestEvent_, maskedRealTime_},
        {MarkRequest, localBlock_.markModeRequest, localBlock_.markModeValue != 0,
         localBlock_.markStatus, localBlock_.markReady, markRequestEvent_, markBlocking_},
    };
    for (Kind& k : kinds) {
        if (k.requested == 0) continue;
        requestOpen_[k.request] = false;
        k.status = StatusModeChanged;
        copyField(&k.status, 4);
        k.event.set();
        dataReadyEvent_.set();
        std::this_thread::yield();
        k.ready = 0;
        copyField(&k.ready, 4);
        k.event.reset();
        dataReadyEvent_.reset();
        k.mode = k.value;
    }
    releaseHolds();
    setupEvent_.set();
}

void ExchangeServer::applyModes() {
    applyRequestArea();
    acknowledgementOut_ = true;
    acknowledgementUntil_ =
        std::chrono::steady_clock::now() + std::chrono::milliseconds(kAcknowledgementWindowMs);
}

// The acknowledgement stays out until the client resets it, while requests go on being served.
// One nobody took is withdrawn: left set, it would wake this thread as a new mode request and
// re-apply the modes over and over, closing every request. A client may take its own next
// request's event for the answer, so a request area that changed meanwhile is the next request
// and is applied at once.
void ExchangeServer::followAcknowledgement() {
    if (!acknowledgementOut_) return;
    if (!setupEvent_.isSet()) {
        acknowledgementOut_ = false; // taken; a set from now on is a new request
    } else if (requestAreaChanged()) {
        setupEvent_.reset();
        applyModes();
    } else if (std::chrono::steady_clock::now() >= acknowledgementUntil_) {
        setupEvent_.reset();
        acknowledgementOut_ = false;
    }
}

bool ExchangeServer::requestAreaChanged() const {
    return view_ != nullptr &&
           std::memcmp(reinterpret_cast<const char*>(view_) + kRequestArea.offset,
                       reinterpret_cast<const char*>(&localBlock_) + kRequestArea.offset,
                       kRequestArea.length) != 0;
}

void ExchangeServer::clientDetached() {
    {
        std::lock_guard<std::recursive_mutex> lock(exchangeLock_);
        rawRealTime_ = maskedRealTime_ = markBlocking_ = false;
        std::fill(std::begin(requestOpen_), std::end(requestOpen_), false);
        maskedRequestEvent_.reset();
        rawRequestEvent_.reset();
        markRequestEvent_.reset();
        dataReadyEvent_.reset();
    }
    // The requests of a vanished client release their holds too, or publication would stay
    // stopped.
    releaseHolds();
}

void ExchangeServer::checkOpenRequests() {
    if (!anyRequestOpen()) return;
    const uint32_t now = engine_.clock().tickCount();
    if (snapshotDue_) {
        snapshotDue_ = false;
        holdersAtOpen_ = section_.holders();
        lastHolderCheck_ = now;
    }
    // A holder of the section alive when the first request opened that has died since: a client
    // killed without unloading. Looked at no more than once per check interval.
    if (platform::ticksSince(now, lastHolderCheck_) >= timings_.checkIntervalMs) {
        lastHolderCheck_ = now;
        const std::vector<pid_t> live = section_.holders();
        for (pid_t pid : holdersAtOpen_)
            if (std::find(live.begin(), live.end(), pid) == live.end()) {
                clientDetached();
                return;
            }
    }
    if (requestOpen_[RawRequest] &&
        platform::ticksSince(now, openedAt_[RawRequest]) >= timings_.requestLimitMs)
        endRaw();
    if (requestOpen_[MaskedRequest] &&
        platform::ticksSince(now, openedAt_[MaskedRequest]) >= timings_.requestLimitMs)
        endMasked();
    // A blocking mark waits for the user, who may take longer; only a non-blocking one is held.
    if (requestOpen_[MarkRequest] && holding_[MarkRequest] &&
        platform::ticksSince(now, openedAt_[MarkRequest]) >= timings_.requestLimitMs)
        endMark();
}

// --- Publication ------------------------------------------------------------------------------

void ExchangeServer::copyField(const void* field, std::size_t length) {
    if (view_ == nullptr) return;
    const std::size_t offset = static_cast<std::size_t>(
        static_cast<const char*>(field) - reinterpret_cast<const char*>(&localBlock_));
    std::memcpy(reinterpret_cast<char*>(view_) + offset, field, length);
}

void ExchangeServer::copyRegion(const ExchangeRegion& region) {
    copyField(reinterpret_cast<const char*>(&localBlock_) + region.offset, region.length);
}

void ExchangeServer::publish(const engine::GpsState&) {
    if (engine_.settings.MemExchange == 0) return;
    publishRaw();
    if (maskedRealTime_.load()) publishMaskedRealTime();
}

void ExchangeServer::publishRaw() {
    std::unique_lock<std::recursive_mutex> lock(exchangeLock_, std::try_to_lock);
    if (!lock.owns_lock() || view_ == nullptr) return;
    const engine::GpsState& s = engine_.state;
    ExchangeBlock& b = localBlock_;
    b.rawTick = s.position.ggaTick;
    b.rawLatitude = s.position.latitude;
    b.rawLongitude = s.position.longitude;
    b.rawAltitude = s.position.altitude;
    b.rawPdop = s.dop.pdop;
    b.rawEhe = engine::estimatedHorizontalError(s);
    b.rawQuality = s.position.quality;
    b.rawStatus = StatusOk;
    copyRegion(kRawRecord);
    copyField(&b.rawStatus, 4);
    const bool realTime = rawRealTime_.load();
    if (realTime && b.rawReady == 0) {
        b.rawReady = 1;
        copyField(&b.rawReady, 4);
    }
    lock.unlock();
    if (realTime) dataReadyEvent_.set();
}

void ExchangeServer::zeroMaskedPosition() {
    ExchangeBlock& b = localBlock_;
    // From maskedAltitudeM to maskedUtmEasting (the pads between them included), then PDOP and
    // both EHEs; tick, quality and reason keep their values.
    char* from = reinterpret_cast<char*>(&b.maskedAltitudeM);
    char* to = reinterpret_cast<char*>(&b.maskedPdop);
    std::memset(from, 0, static_cast<std::size_t>(to - from));
    b.maskedPdop = b.maskedEheM = b.maskedEheFt = 0;
}

void ExchangeServer::buildMasked(const engine::GpsState& s) {
    ExchangeBlock& b = localBlock_;
    const uint32_t tick = s.position.ggaTick;
    lastMaskedTick_ = tick;
    b.maskedTick = tick;
    b.maskedAltitudeM = s.position.altitude;
    b.maskedAltitudeFt = s.position.altitude * geodesy::kFeetPerMetre;
    b.maskedLatitude = s.position.latitude;
    b.maskedLongitude = s.position.longitude;
    const double ehe = engine::estimatedHorizontalError(s);
    b.maskedEheM = ehe;
    b.maskedEheFt = ehe * geodesy::kFeetPerMetre;
    b.maskedQuality = s.position.quality;
    b.maskedPdop = s.dop.pdop;
    b.maskedReason = 0;
    b.maskedStatus = StatusOk;

    int code = 0;
    if (engine::maskCode(s, engine_.settings, code)) {
        b.maskedStatus = StatusRejected;
        b.maskedReason = static_cast<int16_t>(code);
        zeroMaskedPosition();
        return;
    }
    const char* datum = engine_.settings.Datum;
    const Breakdown d =
        breakdown(datum, s.position.latitude, s.position.longitude, s.position.altitude);
    b.maskedLatitude = d.latitude;
    b.maskedLongitude = d.longitude;
    b.maskedAltitudeM = d.altitude;
    b.maskedLatHemisphere = d.latHemisphere;
    b.maskedLonHemisphere = d.lonHemisphere;
    b.maskedLatAbs = d.latAbs;
    b.maskedLonAbs = d.lonAbs;
    b.maskedLatDeg = d.latDeg;
    b.maskedLonDeg = d.lonDeg;
    b.maskedLatMin = d.latMin;
    b.maskedLonMin = d.lonMin;
    b.maskedLatMinWhole = d.latMinWhole;
    b.maskedLonMinWhole = d.lonMinWhole;
    b.maskedLatSec = d.latSec;
    b.maskedLonSec = d.lonSec;
    std::memset(b.maskedUtmZone, 0, sizeof b.maskedUtmZone);
    geodesy::utmFromGeodetic(geodesy::datumTable(), datum, d.latitude, d.longitude,
                             b.maskedUtmNorthing, b.maskedUtmEasting, b.maskedUtmZone,
                             kMaskedZoneBytes);
}

void ExchangeServer::publishMaskedRealTime() {
    std::unique_lock<std::recursive_mutex> lock(exchangeLock_, std::try_to_lock);
    if (!lock.owns_lock() || view_ == nullptr) return;
    ExchangeBlock& b = localBlock_;
    if (b.maskedReady != 1) {
        b.maskedReady = 1;
        copyField(&b.maskedReady, 4);
    }
    const engine::GpsState& s = engine_.state;
    if (s.position.ggaTick == lastMaskedTick_) {
        b.maskedStatus = StatusNoNewData;
        zeroMaskedPosition();
    } else {
        buildMasked(s);
    }
    copyRegion(kMaskedRecord);
    copyField(&b.maskedStatus, 4);
    lock.unlock();
    dataReadyEvent_.set();
}

void ExchangeServer::publishMark(bool valid, const data::ExchangeMark& mark) {
    // The datum is read before the exchange lock is taken: the engine lock is never waited for
    // while the exchange lock is held, except by the server thread.
    char datum[sizeof localBlock_.markDatum] = {};
    {
        std::lock_guard<std::mutex> engineLock(engine_.lock());
        std::memcpy(datum, engine_.settings.Datum,
                    strnlen(engine_.settings.Datum, sizeof datum - 1));
    }
    std::unique_lock<std::recursive_mutex> lock(exchangeLock_);
    if (view_ == nullptr) return;
    ExchangeBlock& b = localBlock_;
    if (valid) {
        b.markTick = engine_.clock().tickCount();
        const platform::SystemTime& t = mark.time;
        b.markTime = {t.wYear, t.wMonth,  t.wDayOfWeek, t.wDay,
                      t.wHour, t.wMinute, t.wSecond,    t.wMilliseconds};
        const Breakdown d =
            breakdown(datum, mark.final.latitude, mark.final.longitude, mark.final.altitude);
        b.markLatitude = d.latitude;
        b.markLongitude = d.longitude;
        b.markAltitudeM = d.altitude;
        b.markLatHemisphere = d.latHemisphere;
        b.markLonHemisphere = d.lonHemisphere;
        b.markLatAbs = d.latAbs;
        b.markLonAbs = d.lonAbs;
        b.markLatDeg = d.latDeg;
        b.markLonDeg = d.lonDeg;
        b.markLatMin = d.latMin;
        b.markLonMin = d.lonMin;
        b.markLatMinWhole = d.latMinWhole;
        b.markLonMinWhole = d.lonMinWhole;
        b.markLatSec = d.latSec;
        b.markLonSec = d.lonSec;
        std::memset(b.markUtmZone, 0, sizeof b.markUtmZone);
        geodesy::utmFromGeodetic(geodesy::datumTable(), datum, d.latitude, d.longitude,
                                 b.markUtmNorthing, b.markUtmEasting, b.markUtmZone,
                                 sizeof b.markUtmZone);
        b.markPdop = mark.pdop;
        b.markEheM = mark.ehe;
        b.markEheFt = mark.ehe * geodesy::kFeetPerMetre;
        b.markReadings = mark.fixCount;
        std::memcpy(b.markDatum, datum, sizeof b.markDatum);
        b.markOffsetDistanceM = mark.offsetDistance;
        b.markOffsetDistanceFt = mark.offsetDistance * geodesy::kFeetPerMetre;
        b.markOffsetDirection = mark.offsetDirection;
        b.markOffsetSlope = mark.offsetSlope;
        b.markAltitudeFt = b.markAltitudeM * geodesy::kFeetPerMetre;
        copyRegion(kMarkRecord);
        engine_.markPending = 1;
    }
    if (!markBlocking_.load()) return;
    engine_.markPending = 0;
    b.markStatus = valid ? StatusOk : StatusRejected;
    copyField(&b.markStatus, 4);
    b.markReady = 1;
    copyField(&b.markReady, 4);
    lock.unlock();
    dataReadyEvent_.set();
}

} // namespace exchange
