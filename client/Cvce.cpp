// libcvce: the client side of the memory exchange. It meets the program only through the shared
// section "RuzeriVovAzo" and the seven named events, and turns their protocol into the blocking
// calls of cvce.h. Every value handed out is first copied from the section into this process's
// own image of the block (clientBlock); no pointer into the shared memory ever leaves the library.
//
// The state is per process and unguarded, as the callers use one thread per kind at a time; the
// flags are atomics so that threads serving different kinds do not race on them.

#include "client/cvce.h"

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <optional>
#include <thread>

#include "exchange/ExchangeBlock.h"
#include "platform/NamedEvent.h"
#include "platform/NamedSection.h"
#include "platform/SharedObject.h"

namespace {

using exchange::ExchangeBlock;
using exchange::ExchangeRegion;
using platform::NamedEvent;

constexpr int kKinds = 3;
constexpr uint32_t kRequestDeadlineMs = 3000;
constexpr uint32_t kWaitSliceMs = 2000;
constexpr uint32_t kSwitchSettleMs = 500;
constexpr uint32_t kSwitchAnswerMs = 3000;
// A wake-up by another kind's data leaves "GPS_DATA_READY" set for that kind's reader; the wait
// for our own ready word then pauses this long between looks instead of spinning.
constexpr auto kNotReadyPause = std::chrono::microseconds(500);

// Where each kind (in the client's numbering: raw, masked, mark) keeps its words and record.
struct KindLayout {
    const char* requestEvent;
    size_t readyOffset;
    size_t statusOffset;
    ExchangeRegion record;
    size_t requestArea;
};
constexpr KindLayout kLayout[kKinds] = {
    {exchange::kEventRawRequest, offsetof(ExchangeBlock, rawReady),
     offsetof(ExchangeBlock, rawStatus), exchange::kRawRecord,
     offsetof(ExchangeBlock, rawModeRequest)},
    {exchange::kEventMaskedRequest, offsetof(ExchangeBlock, maskedReady),
     offsetof(ExchangeBlock, maskedStatus), exchange::kMaskedRecord,
     offsetof(ExchangeBlock, maskedModeRequest)},
    {exchange::kEventMarkRequest, offsetof(ExchangeBlock, markReady),
     offsetof(ExchangeBlock, markStatus), exchange::kMarkRecord,
     offsetof(ExchangeBlock, markModeRequest)},
};

// A request event that is still set has not been taken by the server yet: a set now would merge
// with it and the server would see one request where there are two (the close of the last one
// and the open of the next), so a new request waits this long for the server to take it.
constexpr auto kRequestTakenWait = std::chrono::milliseconds(200);

// The three control words read at a time: the ready (or status) word and the two after it.
constexpr size_t kControlWordsBytes = 12;

using Clock = std::chrono::steady_clock;

uint32_t elapsedMs(Clock::time_point since) {
    auto ms = std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - since).count();
    return static_cast<uint32_t>(std::clamp<int64_t>(ms, 0, UINT32_MAX));
}

// Sets a kind's request event once the server has taken its previous set (see kRequestTakenWait).
void openRequest(NamedEvent& request) {
    const Clock::time_point start = Clock::now();
    while (request.isSet() && Clock::now() - start < kRequestTakenWait)
        std::this_thread::yield();
    request.set();
}

struct ClientState {
    // The request events are indexed by kind.
    NamedEvent request[kKinds];
    NamedEvent dataReady;
    NamedEvent setup;
    NamedEvent serverStopped;
    NamedEvent clientUnloaded;
    platform::NamedSection section;
    unsigned char* view = nullptr;

    ExchangeBlock clientBlock{};
    std::atomic<int> mode[kKinds]{};
    std::atomic<bool> serverGone{false};
    std::atomic<bool> timedOut[kKinds]{};
    std::atomic<bool> wrongMode[kKinds]{};
    // The status word that came with the last answer of each kind, kNoAnswer while the kind's
    // last call got none. The server rewrites the mark status word as soon as a request is closed
    // (endMark), so the word in the section no longer tells how the call ended.
    static constexpr int64_t kNoAnswer = -1; // no status word is negative
    std::atomic<int64_t> answerStatus[kKinds] = {kNoAnswer, kNoAnswer, kNoAnswer};

    // Copies a kind's record from the section into clientBlock. Each kind has its own region, so
    // threads serving different kinds never write the same bytes.
    void fetchRecord(int kind) {
        const ExchangeRegion& region = kLayout[kind].record;
        std::atomic_thread_fence(std::memory_order_acquire);
        std::memcpy(reinterpret_cast<unsigned char*>(&clientBlock) + region.offset,
                    view + region.offset, region.length);
    }
    // Reads a control word together with the two after it, as one copy, and returns the first.
    uint32_t fetchWord(size_t offset) const {
        uint32_t words[kControlWordsBytes / sizeof(uint32_t)];
        std::atomic_thread_fence(std::memory_order_acquire);
        std::memcpy(words, view + offset, kControlWordsBytes);
        return words[0];
    }
    // Keeps the status word of an answer while its request is still open.
    uint32_t noteAnswer(int kind) {
        const uint32_t status = fetchWord(kLayout[kind].statusOffset);
        answerStatus[kind] = status;
        return status;
    }

    // Waits for "GPS_DATA_READY" or "CVCE_MSG": 0, 1, or a NamedEvent failure code.
    int waitDataOrStop(uint32_t timeoutMs) const {
        const NamedEvent* events[] = {&dataReady, &serverStopped};
        return NamedEvent::waitForAny(events, timeoutMs);
    }

    // After a call has seen the server stop: every event and flag back to its state at load.
    void resetAfterServerGone() {
        for (NamedEvent& e : request)
            e.reset();
        dataReady.reset();
        setup.reset();
        serverStopped.reset();
        clientUnloaded.reset();
        serverGone = false;
        for (int k = 0; k < kKinds; ++k) {
            timedOut[k] = false;
            wrongMode[k] = false;
            answerStatus[k] = kNoAnswer;
            mode[k] = 0;
        }
    }
};

// Null when the load could not obtain every event and the section: every call then fails.
ClientState* state = nullptr;

std::optional<NamedEvent> openEvent(const char* name) {
    return NamedEvent::create(name, false);
}

__attribute__((constructor)) void loadLibrary() {
    auto* s = new ClientState;
    const char* names[kKinds] = {exchange::kEventRawRequest, exchange::kEventMaskedRequest,
                                 exchange::kEventMarkRequest};
    bool ok = true;
    auto take = [&ok](NamedEvent& into, const char* name) {
        std::optional<NamedEvent> e = openEvent(name);
        if (e) {
            into = std::move(*e);
        } else {
            ok = false;
        }
    };
    for (int k = 0; k < kKinds; ++k)
        take(s->request[k], names[k]);
    take(s->dataReady, exchange::kEventDataReady);
    take(s->setup, exchange::kEventSetup);
    take(s->serverStopped, exchange::kEventServerStopped);
    take(s->clientUnloaded, exchange::kEventClientUnloaded);
    std::optional<platform::NamedSection> section =
        platform::NamedSection::create(exchange::kSectionName, exchange::kExchangeBlockSize);
    if (section && section->size() == exchange::kExchangeBlockSize) {
        s->section = std::move(*section);
        s->view = static_cast<unsigned char*>(s->section.data());
    } else {
        ok = false;
    }
    if (!ok) {
        delete s; // closes whatever was obtained
        return;
    }
    state = s;
}

__attribute__((destructor)) void unloadLibrary() {
    ClientState* s = state;
    if (!s) return;
    state = nullptr;
    s->clientUnloaded.set();
    delete s;
}

// An on-request read (GetRawGPS, GetMaskGPS, GetMarkNB): 1 with the record in clientBlock.
int readOnDemand(int kind) {
    ClientState* s = state;
    if (!s) return 0;
    s->answerStatus[kind] = ClientState::kNoAnswer;
    if (s->mode[kind] != 0) {
        s->wrongMode[kind] = true;
        return 0;
    }
    const KindLayout& layout = kLayout[kind];
    NamedEvent& request = s->request[kind];
    openRequest(request);
    const Clock::time_point start = Clock::now();
    int result = 0;
    bool answered = false;
    while (!answered) {
        uint32_t spent = elapsedMs(start);
        if (spent >= kRequestDeadlineMs) {
            s->timedOut[kind] = true;
            break;
        }
        int woke = s->waitDataOrStop(std::min(kWaitSliceMs, kRequestDeadlineMs - spent));
        if (woke == 0) {
            if (s->fetchWord(layout.readyOffset) != 1) {
                std::this_thread::sleep_for(kNotReadyPause);
                continue;
            }
            s->dataReady.reset();
            answered = true;
            if (s->noteAnswer(kind) == exchange::StatusModeChanged && kind == exchange::KindMark) {
                request.set();
                break;
            }
            s->fetchRecord(kind);
            request.set();
            result = 1;
        } else if (woke == 1) {
            s->serverGone = true;
            if (kind == exchange::KindMark) s->serverStopped.reset();
        } else if (woke == NamedEvent::kWaitFailed) {
            s->timedOut[kind] = true;
            break;
        }
        if (s->serverGone) break;
    }
    if (s->serverGone) {
        s->resetAfterServerGone();
        return 0;
    }
    return result;
}

// A real-time read (GetRawRT, GetMaskRT): waits for the server's next update.
int readRealTime(int kind) {
    ClientState* s = state;
    if (!s) return 0;
    s->answerStatus[kind] = ClientState::kNoAnswer;
    if (s->mode[kind] == 0) {
        s->wrongMode[kind] = true;
        return 0;
    }
    const KindLayout& layout = kLayout[kind];
    NamedEvent& request = s->request[kind];
    bool done = false;
    while (!done && s->mode[kind] == 1) {
        int woke = s->waitDataOrStop(NamedEvent::kInfinite);
        if (woke == 1) {
            s->serverGone = true;
            break;
        }
        if (woke != 0) return 0; // the wait itself failed
        if (s->fetchWord(layout.readyOffset) != 1) {
            std::this_thread::sleep_for(kNotReadyPause);
            continue;
        }
        // Opening a request makes the server hold the record still while it is read.
        s->dataReady.reset();
        openRequest(request);
        std::this_thread::yield();
        woke = s->waitDataOrStop(NamedEvent::kInfinite);
        if (woke == 1) {
            s->serverGone = true;
            break;
        }
        if (woke != 0) return 0;
        s->dataReady.reset();
        s->noteAnswer(kind);
        s->fetchRecord(kind);
        request.set();
        done = true;
    }
    if (s->serverGone) {
        s->resetAfterServerGone();
        return 0;
    }
    return done && s->mode[kind] == 1 ? 1 : 0;
}

// A blocking mark (GetMarkBLK): starts a mark in the program and waits until it is finished.
int readMarkBlocking() {
    constexpr int kind = exchange::KindMark;
    ClientState* s = state;
    if (!s) return 0;
    s->answerStatus[kind] = ClientState::kNoAnswer;
    if (s->mode[kind] == 0) {
        s->wrongMode[kind] = true;
        return 0;
    }
    const KindLayout& layout = kLayout[kind];
    NamedEvent& request = s->request[kind];
    openRequest(request);
    const Clock::time_point start = Clock::now();
    for (;;) {
        int woke = s->waitDataOrStop(NamedEvent::kInfinite);
        if (woke == 1) {
            s->serverGone = true;
            s->serverStopped.reset();
            break;
        }
        if (woke != 0) return 0;
        if (s->fetchWord(layout.readyOffset) != 1) {
            if (elapsedMs(start) > kRequestDeadlineMs) return 0;
            std::this_thread::sleep_for(kNotReadyPause);
            continue;
        }
        s->dataReady.reset();
        if (s->noteAnswer(kind) == exchange::StatusModeChanged) {
            request.set();
            return 0;
        }
        s->fetchRecord(kind);
        request.set();
        return 1;
    }
    s->resetAfterServerGone();
    return 0;
}

// Copies a text field of clientBlock into the caller's buffer of the field's size, cut short and
// terminated within it whatever the section held.
template <size_t N> void copyText(char* out, const char (&field)[N]) {
    if (!out) return;
    size_t length = strnlen(field, N - 1);
    std::memcpy(out, field, length);
    out[length] = '\0';
}

void storeRaw(unsigned long& tick, double& latitude, double& longitude, double& altitude,
              double& pdop, double& ehe, int& quality) {
    const ExchangeBlock& b = state->clientBlock;
    tick = b.rawTick;
    latitude = b.rawLatitude;
    longitude = b.rawLongitude;
    altitude = b.rawAltitude;
    pdop = b.rawPdop;
    ehe = b.rawEhe;
    quality = b.rawQuality;
}

void storeMasked(unsigned long& tick, double& altitudeM, double& altitudeFt, double& latitude,
                 double& longitude, char& latHemisphere, char& lonHemisphere, double& latAbs,
                 double& lonAbs, int& latDeg, int& lonDeg, double& latMin, double& lonMin,
                 int& latMinWhole, int& lonMinWhole, double& latSec, double& lonSec, char* utmZone,
                 double& utmNorthing, double& utmEasting, double& pdop, double& eheM, double& eheFt,
                 int& quality, short& reason) {
    const ExchangeBlock& b = state->clientBlock;
    tick = b.maskedTick;
    altitudeM = b.maskedAltitudeM;
    altitudeFt = b.maskedAltitudeFt;
    latitude = b.maskedLatitude;
    longitude = b.maskedLongitude;
    latHemisphere = b.maskedLatHemisphere;
    lonHemisphere = b.maskedLonHemisphere;
    latAbs = b.maskedLatAbs;
    lonAbs = b.maskedLonAbs;
    latDeg = b.maskedLatDeg;
    lonDeg = b.maskedLonDeg;
    latMin = b.maskedLatMin;
    lonMin = b.maskedLonMin;
    latMinWhole = b.maskedLatMinWhole;
    lonMinWhole = b.maskedLonMinWhole;
    latSec = b.maskedLatSec;
    lonSec = b.maskedLonSec;
    copyText(utmZone, b.maskedUtmZone);
    utmNorthing = b.maskedUtmNorthing;
    utmEasting = b.maskedUtmEasting;
    pdop = b.maskedPdop;
    eheM = b.maskedEheM;
    eheFt = b.maskedEheFt;
    quality = b.maskedQuality;
    reason = b.maskedReason;
}

void storeMark(unsigned long& tick, double& altitudeM, double& altitudeFt, double& latitude,
               double& longitude, char& latHemisphere, char& lonHemisphere, double& latAbs,
               double& lonAbs, int& latDeg, int& lonDeg, double& latMin, double& lonMin,
               int& latMinWhole, int& lonMinWhole, double& latSec, double& lonSec, char* utmZone,
               double& utmNorthing, double& utmEasting, double& pdop, double& eheM, double& eheFt,
               int& readings, SYSTEMTIME& time, double& offsetDirection, double& offsetDistanceM,
               double& offsetDistanceFt, double& offsetSlope, char* datum) {
    static_assert(sizeof(SYSTEMTIME) == sizeof(exchange::ExchangeTime));
    const ExchangeBlock& b = state->clientBlock;
    tick = b.markTick;
    altitudeM = b.markAltitudeM;
    altitudeFt = b.markAltitudeFt;
    latitude = b.markLatitude;
    longitude = b.markLongitude;
    latHemisphere = b.markLatHemisphere;
    lonHemisphere = b.markLonHemisphere;
    latAbs = b.markLatAbs;
    lonAbs = b.markLonAbs;
    latDeg = b.markLatDeg;
    lonDeg = b.markLonDeg;
    latMin = b.markLatMin;
    lonMin = b.markLonMin;
    latMinWhole = b.markLatMinWhole;
    lonMinWhole = b.markLonMinWhole;
    latSec = b.markLatSec;
    lonSec = b.markLonSec;
    copyText(utmZone, b.markUtmZone);
    utmNorthing = b.markUtmNorthing;
    utmEasting = b.markUtmEasting;
    pdop = b.markPdop;
    eheM = b.markEheM;
    eheFt = b.markEheFt;
    readings = b.markReadings;
    std::memcpy(&time, &b.markTime, sizeof time);
    offsetDirection = b.markOffsetDirection;
    offsetDistanceM = b.markOffsetDistanceM;
    offsetDistanceFt = b.markOffsetDistanceFt;
    offsetSlope = b.markOffsetSlope;
    copyText(datum, b.markDatum);
}

bool kindInRange(int kind) {
    return static_cast<unsigned>(kind) < static_cast<unsigned>(kKinds);
}

} // namespace

int GetRawGPS(unsigned long& tick, double& latitude, double& longitude, double& altitude,
              double& pdop, double& ehe, int& quality) {
    if (!readOnDemand(exchange::KindRaw)) return 0;
    storeRaw(tick, latitude, longitude, altitude, pdop, ehe, quality);
    return 1;
}

int GetRawRT(unsigned long& tick, double& latitude, double& longitude, double& altitude,
             double& pdop, double& ehe, int& quality) {
    if (!readRealTime(exchange::KindRaw)) return 0;
    storeRaw(tick, latitude, longitude, altitude, pdop, ehe, quality);
    return 1;
}

int GetMaskGPS(unsigned long& tick, double& altitudeM, double& altitudeFt, double& latitude,
               double& longitude, char& latHemisphere, char& lonHemisphere, double& latAbs,
               double& lonAbs, int& latDeg, int& lonDeg, double& latMin, double& lonMin,
               int& latMinWhole, int& lonMinWhole, double& latSec, double& lonSec, char* utmZone,
               int, double& utmNorthing, double& utmEasting, double& pdop, double& eheM,
               double& eheFt, int& quality, short& reason) {
    if (!readOnDemand(exchange::KindMasked)) return 0;
    storeMasked(tick, altitudeM, altitudeFt, latitude, longitude, latHemisphere, lonHemisphere,
                latAbs, lonAbs, latDeg, lonDeg, latMin, lonMin, latMinWhole, lonMinWhole, latSec,
                lonSec, utmZone, utmNorthing, utmEasting, pdop, eheM, eheFt, quality, reason);
    return 1;
}

int GetMaskRT(unsigned long& tick, double& altitudeM, double& altitudeFt, double& latitude,
              double& longitude, char& latHemisphere, char& lonHemisphere, double& latAbs,
              double& lonAbs, int& latDeg, int& lonDeg, double& latMin, double& lonMin,
              int& latMinWhole, int& lonMinWhole, double& latSec, double& lonSec, char* utmZone,
              int, double& utmNorthing, double& utmEasting, double& pdop, double& eheM,
              double& eheFt, int& quality, short& reason) {
    if (!readRealTime(exchange::KindMasked)) return 0;
    storeMasked(tick, altitudeM, altitudeFt, latitude, longitude, latHemisphere, lonHemisphere,
                latAbs, lonAbs, latDeg, lonDeg, latMin, lonMin, latMinWhole, lonMinWhole, latSec,
                lonSec, utmZone, utmNorthing, utmEasting, pdop, eheM, eheFt, quality, reason);
    return 1;
}

int GetMarkNB(unsigned long& tick, double& altitudeM, double& altitudeFt, double& latitude,
              double& longitude, char& latHemisphere, char& lonHemisphere, double& latAbs,
              double& lonAbs, int& latDeg, int& lonDeg, double& latMin, double& lonMin,
              int& latMinWhole, int& lonMinWhole, double& latSec, double& lonSec, char* utmZone,
              double& utmNorthing, double& utmEasting, double& pdop, double& eheM, double& eheFt,
              int& readings, SYSTEMTIME& time, double& offsetDirection, double& offsetDistanceM,
              double& offsetDistanceFt, double& offsetSlope, char* datum) {
    if (!readOnDemand(exchange::KindMark)) return 0;
    storeMark(tick, altitudeM, altitudeFt, latitude, longitude, latHemisphere, lonHemisphere,
              latAbs, lonAbs, latDeg, lonDeg, latMin, lonMin, latMinWhole, lonMinWhole, latSec,
              lonSec, utmZone, utmNorthing, utmEasting, pdop, eheM, eheFt, readings, time,
              offsetDirection, offsetDistanceM, offsetDistanceFt, offsetSlope, datum);
    return 1;
}

int GetMarkBLK(unsigned long& tick, double& altitudeM, double& altitudeFt, double& latitude,
               double& longitude, char& latHemisphere, char& lonHemisphere, double& latAbs,
               double& lonAbs, int& latDeg, int& lonDeg, double& latMin, double& lonMin,
               int& latMinWhole, int& lonMinWhole, double& latSec, double& lonSec, char* utmZone,
               double& utmNorthing, double& utmEasting, double& pdop, double& eheM, double& eheFt,
               int& readings, SYSTEMTIME& time, double& offsetDirection, double& offsetDistanceM,
               double& offsetDistanceFt, double& offsetSlope, char* datum) {
    if (!readMarkBlocking()) return 0;
    storeMark(tick, altitudeM, altitudeFt, latitude, longitude, latHemisphere, lonHemisphere,
              latAbs, lonAbs, latDeg, lonDeg, latMin, lonMin, latMinWhole, lonMinWhole, latSec,
              lonSec, utmZone, utmNorthing, utmEasting, pdop, eheM, eheFt, readings, time,
              offsetDirection, offsetDistanceM, offsetDistanceFt, offsetSlope, datum);
    return 1;
}

int SwitchModes(int kind, int mode) {
    if (!kindInRange(kind)) return 0;
    ClientState* s = state;
    if (!s) return 0;
    // Any non-zero mode is mode 1, so this process and the server never disagree about it.
    const int wanted = mode != 0 ? 1 : 0;
    if (s->mode[kind] == wanted) return 1;
    const uint32_t words[2] = {1, static_cast<uint32_t>(wanted)};
    std::memcpy(s->view + kLayout[kind].requestArea, words, sizeof words);
    s->mode[kind] = wanted;
    s->setup.set();
    std::this_thread::sleep_for(std::chrono::milliseconds(kSwitchSettleMs));
    const Clock::time_point start = Clock::now();
    const NamedEvent* events[] = {&s->setup, &s->serverStopped};
    bool answered = false;
    for (uint32_t spent = 0; !answered && spent < kSwitchAnswerMs; spent = elapsedMs(start)) {
        int woke = NamedEvent::waitForAny(events, std::min(kWaitSliceMs, kSwitchAnswerMs - spent));
        if (woke == 0) {
            answered = true;
        } else if (woke == 1) {
            s->serverGone = true;
            break;
        } else if (woke == NamedEvent::kWaitFailed) {
            break;
        }
    }
    s->setup.reset();
    if (s->serverGone) {
        s->resetAfterServerGone();
        return 0;
    }
    return answered ? 1 : 0;
}

int GetError(int kind, short& code) {
    if (!kindInRange(kind)) return 0;
    ClientState* s = state;
    if (!s) {
        // Without its section and events the library never reaches the program.
        code = exchange::StatusTimedOut;
        return 1;
    }
    if (s->serverGone) {
        code = exchange::StatusServerGone;
        return 1;
    }
    uint32_t status[kControlWordsBytes / sizeof(uint32_t)];
    std::atomic_thread_fence(std::memory_order_acquire);
    std::memcpy(status, s->view + offsetof(ExchangeBlock, rawStatus), sizeof status);
    if (s->timedOut[kind].exchange(false)) {
        code = exchange::StatusTimedOut;
    } else if (s->wrongMode[kind].exchange(false)) {
        code = exchange::StatusWrongMode;
    } else if (int64_t answer = s->answerStatus[kind]; answer != ClientState::kNoAnswer) {
        code = static_cast<short>(answer);
    } else {
        size_t word = (kLayout[kind].statusOffset - offsetof(ExchangeBlock, rawStatus)) / 4;
        code = static_cast<short>(status[word]);
    }
    return 1;
}
