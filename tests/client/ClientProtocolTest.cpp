// The client library against a server side scripted in the test: the section and the events are
// opened here with the library's own namespace (CORVANE_SHM_PREFIX, set for this program).

#include <gtest/gtest.h>

#include <atomic>
#include <cstring>
#include <functional>
#include <thread>

#include <sys/wait.h>
#include <unistd.h>

#include <cvce.h>

#include "exchange/ExchangeBlock.h"
#include "platform/NamedEvent.h"
#include "platform/NamedSection.h"
#include "platform/SharedObject.h"

namespace {

using exchange::ExchangeBlock;
using platform::NamedEvent;

NamedEvent event(const char* name) {
    return std::move(*NamedEvent::create(name, false));
}

struct RawOut {
    unsigned long tick = 0;
    double lat = 0, lon = 0, alt = 0, pdop = 0, ehe = 0;
    int quality = 0;
};
int getRawGPS(RawOut& o) {
    return GetRawGPS(o.tick, o.lat, o.lon, o.alt, o.pdop, o.ehe, o.quality);
}
int getRawRT(RawOut& o) {
    return GetRawRT(o.tick, o.lat, o.lon, o.alt, o.pdop, o.ehe, o.quality);
}

struct MaskOut {
    unsigned long tick = 0;
    double d[16] = {};
    char ns = 0, ew = 0;
    int i[5] = {};
    char zone[16] = {};
    short reason = 0;
};
int getMaskGPS(MaskOut& o) {
    return GetMaskGPS(o.tick, o.d[0], o.d[1], o.d[2], o.d[3], o.ns, o.ew, o.d[4], o.d[5], o.i[0],
                      o.i[1], o.d[6], o.d[7], o.i[2], o.i[3], o.d[8], o.d[9], o.zone, 0, o.d[10],
                      o.d[11], o.d[12], o.d[13], o.d[14], o.i[4], o.reason);
}
int getMaskRT(MaskOut& o) {
    return GetMaskRT(o.tick, o.d[0], o.d[1], o.d[2], o.d[3], o.ns, o.ew, o.d[4], o.d[5], o.i[0],
                     o.i[1], o.d[6], o.d[7], o.i[2], o.i[3], o.d[8], o.d[9], o.zone, 0, o.d[10],
                     o.d[11], o.d[12], o.d[13], o.d[14], o.i[4], o.reason);
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

// Answers the requests of one event as the program does: the first set opens a request (the
// script fills the block, then "GPS_DATA_READY"), the next set closes it. Counts the sets.
class ScriptedServer {
public:
    ScriptedServer(const char* eventName, std::function<void(bool opening)> script)
        : request_(event(eventName)), script_(std::move(script)), thread_([this] { serve(); }) {}
    ~ScriptedServer() {
        stop_ = true;
        thread_.join();
    }
    int sets() const { return sets_; }

private:
    void serve() {
        while (!stop_) {
            if (!request_.wait(50)) continue;
            request_.reset();
            script_(++sets_ % 2 == 1);
        }
    }
    NamedEvent request_;
    std::function<void(bool)> script_;
    std::atomic<bool> stop_{false};
    std::atomic<int> sets_{0};
    std::thread thread_;
};

class ClientProtocol : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(section_);
        std::memset(block_, 0, sizeof *block_);
        for (NamedEvent* e : {&raw_, &masked_, &mark_, &ready_, &setup_, &stopped_})
            e->reset();
    }
    std::optional<platform::NamedSection> section_ =
        platform::NamedSection::create(exchange::kSectionName, exchange::kExchangeBlockSize);
    ExchangeBlock* block_ = static_cast<ExchangeBlock*>(section_->data());
    NamedEvent raw_ = event(exchange::kEventRawRequest);
    NamedEvent masked_ = event(exchange::kEventMaskedRequest);
    NamedEvent mark_ = event(exchange::kEventMarkRequest);
    NamedEvent ready_ = event(exchange::kEventDataReady);
    NamedEvent setup_ = event(exchange::kEventSetup);
    NamedEvent stopped_ = event(exchange::kEventServerStopped);
};

TEST_F(ClientProtocol, ReadInTheOtherModeFailsAtOnceAndReportsWrongModeOnce) {
    const struct {
        int kind;
        std::function<int()> call;
    } cases[] = {
        {0,
         [] {
             RawOut o;
             return getRawRT(o);
         }},
        {1,
         [] {
             MaskOut o;
             return getMaskRT(o);
         }},
        {2,
         [] {
             MarkOut o;
             return getMark(o, true);
         }},
    };
    block_->rawStatus = 4;
    block_->maskedStatus = 5;
    block_->markStatus = 1;
    const short statusWords[] = {4, 5, 1};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.kind);
        EXPECT_EQ(c.call(), 0);
        EXPECT_EQ(errorOf(c.kind), 3);
        EXPECT_EQ(errorOf(c.kind), statusWords[c.kind]);
    }
}

TEST_F(ClientProtocol, KindOutOfRangeFailsAndLeavesTheCodeAlone) {
    for (int kind : {3, -1, 1000}) {
        short code = 77;
        EXPECT_EQ(GetError(kind, code), 0);
        EXPECT_EQ(code, 77);
        EXPECT_EQ(SwitchModes(kind, 1), 0);
    }
}

TEST_F(ClientProtocol, ModeSwitchWritesTheRequestAreaAndASecondEqualSwitchSendsNothing) {
    // No server runs: the client's own "GPS_SETUP", still set, counts as the answer.
    EXPECT_EQ(SwitchModes(1, 7), 1);
    EXPECT_EQ(block_->maskedModeRequest, 1u);
    EXPECT_EQ(block_->maskedModeValue, 1u); // any non-zero mode is mode 1
    EXPECT_EQ(block_->rawModeRequest, 0u);
    EXPECT_FALSE(setup_.isSet());
    block_->maskedModeRequest = 0;
    EXPECT_EQ(SwitchModes(1, 1), 1);
    EXPECT_EQ(block_->maskedModeRequest, 0u);
    EXPECT_EQ(SwitchModes(1, 0), 1);
    EXPECT_EQ(block_->maskedModeRequest, 1u);
    EXPECT_EQ(block_->maskedModeValue, 0u);
}

TEST_F(ClientProtocol, OnRequestReadsCopyTheRecordAndCloseTheRequest) {
    ScriptedServer raw(exchange::kEventRawRequest, [&](bool opening) {
        if (!opening) return void(block_->rawReady = 0);
        *block_ = ExchangeBlock{};
        block_->rawTick = 123456;
        block_->rawLatitude = 47.5;
        block_->rawLongitude = -122.25;
        block_->rawAltitude = 12.5;
        block_->rawPdop = 1.75;
        block_->rawEhe = -1.0;
        block_->rawQuality = 2;
        block_->rawReady = 1;
        ready_.set();
    });
    RawOut o;
    ASSERT_EQ(getRawGPS(o), 1);
    EXPECT_EQ(o.tick, 123456u);
    EXPECT_EQ(o.lat, 47.5);
    EXPECT_EQ(o.lon, -122.25);
    EXPECT_EQ(o.alt, 12.5);
    EXPECT_EQ(o.pdop, 1.75);
    EXPECT_EQ(o.ehe, -1.0);
    EXPECT_EQ(o.quality, 2);
    EXPECT_FALSE(ready_.isSet());
    for (int i = 0; i < 100 && raw.sets() < 2; ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    EXPECT_EQ(raw.sets(), 2);
}

TEST_F(ClientProtocol, TextFieldsOfAHostileSectionAreCutShortWithinTheCallersBuffers) {
    auto answer = [&](uint32_t& readyWord) {
        return [&](bool opening) {
            if (!opening) return void(readyWord = 0);
            std::memset(block_->maskedUtmZone, 'Z', sizeof block_->maskedUtmZone);
            std::memset(block_->markUtmZone, 'U', sizeof block_->markUtmZone);
            std::memset(block_->markDatum, 'D', sizeof block_->markDatum);
            block_->maskedReason = 6;
            block_->markTime.wYear = 2024;
            block_->markTime.wMilliseconds = 999;
            readyWord = 1;
            ready_.set();
        };
    };
    ScriptedServer masked(exchange::kEventMaskedRequest, answer(block_->maskedReady));
    ScriptedServer mark(exchange::kEventMarkRequest, answer(block_->markReady));
    MaskOut m;
    ASSERT_EQ(getMaskGPS(m), 1);
    EXPECT_STREQ(m.zone, "ZZZZZZZZZZZZZZZ");
    EXPECT_EQ(m.reason, 6);
    MarkOut k;
    ASSERT_EQ(getMark(k, false), 1);
    EXPECT_STREQ(k.zone, "UUUUUUUUUUUUUUUUUUUUUUUUUUUUUUU");
    EXPECT_STREQ(k.datum, "DDDDDDD");
    EXPECT_EQ(k.time.wYear, 2024);
    EXPECT_EQ(k.time.wMilliseconds, 999);
}

TEST_F(ClientProtocol, MarkAnsweredByAModeChangeFailsWithoutTheRecord) {
    ScriptedServer mark(exchange::kEventMarkRequest, [&](bool opening) {
        if (!opening) return void(block_->markReady = 0);
        block_->markStatus = 1;
        block_->markTick = 99;
        block_->markReady = 1;
        ready_.set();
    });
    MarkOut o;
    EXPECT_EQ(getMark(o, false), 0);
    EXPECT_EQ(o.tick, 0u);
    EXPECT_EQ(errorOf(2), 1);
}

TEST_F(ClientProtocol, ServerStoppedFailsTheCallAndResetsTheLibrary) {
    EXPECT_EQ(SwitchModes(0, 1), 1); // answered by its own event: no server runs
    stopped_.set();
    RawOut o;
    EXPECT_EQ(getRawRT(o), 0);
    EXPECT_FALSE(stopped_.isSet());
    block_->rawStatus = 4;
    EXPECT_EQ(errorOf(0), 4);
    // The reset returned the cached raw mode to on request.
    EXPECT_EQ(getRawRT(o), 0);
    EXPECT_EQ(errorOf(0), 3);
}

TEST_F(ClientProtocol, UnloadingTheLibraryTellsTheServer) {
    NamedEvent unloaded = event(exchange::kEventClientUnloaded);
    unloaded.reset();
    pid_t child = fork();
    if (child == 0) {
        execl(CVCE_PROBE_PATH, CVCE_PROBE_PATH, "load", nullptr);
        _exit(127);
    }
    int status = -1;
    waitpid(child, &status, 0);
    EXPECT_EQ(status, 0);
    EXPECT_TRUE(unloaded.isSet());
}

// The one test that waits for the library's time-out.
TEST_F(ClientProtocol, UnansweredRequestTimesOutAndReportsItOnce) {
    block_->rawStatus = 4;
    RawOut o;
    EXPECT_EQ(getRawGPS(o), 0);
    EXPECT_EQ(errorOf(0), 2);
    EXPECT_EQ(errorOf(0), 4);
}

} // namespace
