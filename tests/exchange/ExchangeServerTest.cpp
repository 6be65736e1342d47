#include "exchange/ExchangeServer.h"

#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <atomic>
#include <cstring>
#include <filesystem>
#include <functional>
#include <memory>
#include <string>

#include "data/DataExchangeFile.h"
#include "data/MarkView.h"
#include "exchange/FrameCore.h"
#include "platform/SharedObject.h"
#include "support/TestSupport.h"

namespace {

using exchange::ExchangeBlock;
using platform::NamedEvent;

// A clock the server thread and the test may both move.
class SharedClock final : public platform::Clock {
public:
    uint32_t tickCount() override { return tick_.load(); }
    platform::SystemTime localTime() override { return {2026, 3, 2, 17, 9, 30, 5, 0}; }
    void sleepMs(uint32_t ms) override { tick_ += ms; }
    std::atomic<uint32_t> tick_{1000};
};

using testsupport::eventually;

// The client's side, built from the named objects alone.
struct Client {
    static NamedEvent open(const char* name) { return std::move(*NamedEvent::create(name, false)); }
    // An on-request read: open, wait for the ready word, copy the block, close.
    ExchangeBlock request(NamedEvent& event, uint32_t ExchangeBlock::*readyWord) {
        event.set();
        EXPECT_TRUE(eventually([&] { return ready.isSet() && view->*readyWord == 1; }));
        ready.reset();
        ExchangeBlock copy = *view;
        event.set();
        return copy;
    }
    void switchMode(uint32_t ExchangeBlock::*requestWord, uint32_t value,
                    const std::function<bool()>& switched) {
        view->*requestWord = 1;
        *(&(view->*requestWord) + 1) = value;
        setup.set();
        EXPECT_TRUE(eventually([&] { return switched() && setup.isSet(); }));
        setup.reset();
    }
    NamedEvent raw = open(exchange::kEventRawRequest), ready = open(exchange::kEventDataReady),
               setup = open(exchange::kEventSetup), masked = open(exchange::kEventMaskedRequest),
               mark = open(exchange::kEventMarkRequest),
               unloaded = open(exchange::kEventClientUnloaded),
               stopped = open(exchange::kEventServerStopped);
    platform::NamedSection section =
        std::move(*platform::NamedSection::create(exchange::kSectionName, 528));
    ExchangeBlock* view = static_cast<ExchangeBlock*>(section.data());
};

class ExchangeServerTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        platform::setSharedObjectPrefix("cvtest-exchange-" + std::to_string(getpid()));
        testsupport::shippedTables();
    }
    void SetUp() override {
        engine.settings.MemExchange = 1;
        setFix(5000, 48.1, 11.5, 520.5, 1);
    }
    void startServer(exchange::ExchangeTimings timings = {300, 20}) {
        server = std::make_unique<exchange::ExchangeServer>(engine, timings);
        ASSERT_TRUE(server->createEvents());
        ASSERT_TRUE(server->start());
        client = std::make_unique<Client>();
    }
    void setFix(uint32_t tick, double lat, double lon, double alt, int quality) {
        std::lock_guard<std::mutex> lock(engine.lock());
        engine::GpsState& s = engine.state;
        s.position.ggaTick = tick;
        s.position.latitude = lat;
        s.position.longitude = lon;
        s.position.altitude = alt;
        s.position.quality = static_cast<int16_t>(quality);
        s.dop.fixMode = 3;
        s.dop.gsaHdop = 1.0f;
        s.dop.pdop = 1.5f;
    }
    // The timer's publication, under the engine lock.
    void tick() {
        std::lock_guard<std::mutex> lock(engine.lock());
        server->publish(engine.state);
    }

    SharedClock clock;
    platform::RecordingPrompter prompter;
    engine::GpsEngine engine{clock, prompter};
    std::unique_ptr<exchange::ExchangeServer> server;
    std::unique_ptr<Client> client;
};

// Real time: the raw record goes out at every tick, the masked one with status 4 and its position
// zeroed when the GGA is the one already published.
TEST_F(ExchangeServerTest, RealTimeRepublishesRawAtEveryTickAndMaskedOnlyForANewFix) {
    startServer();
    const ExchangeBlock& b = *client->view;
    client->view->maskedModeRequest = client->view->maskedModeValue = 1; // both in one setup
    client->switchMode(&ExchangeBlock::rawModeRequest, 1,
                       [&] { return server->rawRealTime() && server->maskedRealTime(); });
    EXPECT_EQ(b.rawStatus, 1u); // the mode change
    for (uint32_t maskedStatus : {0u, 4u}) {
        client->ready.reset();
        tick();
        EXPECT_TRUE(client->ready.isSet());
        EXPECT_EQ(b.rawReady, 1u);
        EXPECT_EQ(b.rawStatus, 0u);
        EXPECT_EQ(b.rawTick, 5000u);
        EXPECT_DOUBLE_EQ(b.rawEhe, 10.6);
        EXPECT_EQ(b.maskedStatus, maskedStatus);
        EXPECT_EQ(b.maskedTick, 5000u);
        EXPECT_EQ(b.maskedQuality, 1);
        EXPECT_DOUBLE_EQ(b.maskedLatitude, maskedStatus == 0 ? 48.1 : 0.0);
        EXPECT_DOUBLE_EQ(b.maskedEheM, maskedStatus == 0 ? 10.6 : 0.0);
    }
}

TEST_F(ExchangeServerTest, MaskedRecordOnRequest) {
    struct Case {
        const char* datum;
        double lat, alt;
        int quality;
        uint32_t status;
        int16_t reason;
        double wantLat, wantAltM, wantAltFt;
        char hemisphere;
        int32_t deg, minWhole;
        double min, sec;
        const char* zone;
    };
    const Case cases[] = {
        {"WGE", -0.5, 100, 1, 0, 0, -0.5, 100, 328.084, 'S', 0, 30, 30.0, 0.0, "32M"},
        {"ADI-M", 10.0, 100, 1, 0, 0, 9.9990237834, 111.9, 328.084, 'N', 9, 59, 59.941427,
         56.485621, "35P"},
        {"WGE", 10.0, 100, 0, 5, 7, 0, 0, 0, 0, 0, 0, 0, 0, ""}, // no fix: rejected, zeroed
    };
    startServer();
    for (const Case& c : cases) {
        SCOPED_TRACE(c.datum + std::string(" quality ") + std::to_string(c.quality));
        std::strcpy(engine.settings.Datum, c.datum);
        setFix(7000, c.lat, c.datum[0] == 'A' ? 30.0 : 11.5, c.alt, c.quality);
        ExchangeBlock b = client->request(client->masked, &ExchangeBlock::maskedReady);
        EXPECT_EQ(b.maskedStatus, c.status);
        EXPECT_EQ(b.maskedReason, c.reason);
        EXPECT_NEAR(b.maskedLatitude, c.wantLat, 1e-6);
        EXPECT_NEAR(b.maskedAltitudeM, c.wantAltM, 1e-3);
        EXPECT_NEAR(b.maskedAltitudeFt, c.wantAltFt, 1e-9);
        EXPECT_EQ(b.maskedLatHemisphere, c.hemisphere);
        EXPECT_EQ(b.maskedLatDeg, c.deg);
        EXPECT_EQ(b.maskedLatMinWhole, c.minWhole);
        EXPECT_NEAR(b.maskedLatMin, c.min, 1e-5);
        EXPECT_NEAR(b.maskedLatSec, c.sec, 1e-3);
        EXPECT_STREQ(b.maskedUtmZone, c.zone);
        ASSERT_TRUE(eventually([&] { return client->view->maskedReady == 0; }));
    }
}

TEST_F(ExchangeServerTest, NonBlockingMarkAfterAPublishedMark) {
    startServer();
    data::ExchangeMark mark;
    mark.final = {-33.5, 151.25, 40.0};
    mark.ehe = 2.0;
    mark.offsetDistance = 10.0;
    server->publishMark(true, mark);
    ExchangeBlock b = client->request(client->mark, &ExchangeBlock::markReady);
    EXPECT_EQ(b.markStatus, 0u);
    EXPECT_DOUBLE_EQ(b.markAltitudeFt, 131.2336);
    EXPECT_DOUBLE_EQ(b.markEheFt, 6.56168);
    EXPECT_DOUBLE_EQ(b.markOffsetDistanceFt, 32.8084);
    EXPECT_STREQ(b.markUtmZone, "56H");
    ASSERT_TRUE(eventually([&] { return engine.markPending == 0; })); // read, then closed
}

// A request opened and never closed holds publication until the client unloads or the request
// reaches its age limit; an unload also returns the modes to on request.
TEST_F(ExchangeServerTest, HeldRequestIsReleasedByAnUnloadOrTheAgeLimit) {
    for (bool unload : {true, false}) {
        SCOPED_TRACE(unload ? "unload" : "age limit");
        startServer();
        if (unload)
            client->switchMode(&ExchangeBlock::rawModeRequest, 1,
                               [&] { return server->rawRealTime(); });
        client->ready.reset();
        client->raw.set(); // answered with "GPS_DATA_READY" once it holds
        ASSERT_TRUE(eventually([&] { return client->ready.isSet(); }));
        setFix(6000, 1.0, 2.0, 3.0, 1);
        tick();
        EXPECT_EQ(client->view->rawTick, 0u); // held
        if (unload)
            client->unloaded.set();
        else
            clock.tick_ += 400;
        ASSERT_TRUE(
            eventually([&] { return !server->rawRealTime() && !client->unloaded.isSet(); }));
        ASSERT_TRUE(eventually([&] {
            tick();
            return client->view->rawTick == 6000u;
        }));
        server.reset();
    }
}

TEST_F(ExchangeServerTest, ClientKilledMidRequestIsDetachedWithoutWaitingForTheLimit) {
    const pid_t child = fork(); // before any thread of this test exists
    ASSERT_GE(child, 0);
    if (child == 0) {
        // Both kept open: an event nobody holds vanishes with its state.
        auto section = platform::NamedSection::create(exchange::kSectionName, 528);
        auto request = NamedEvent::create(exchange::kEventRawRequest, false);
        request->set();
        for (;;)
            pause();
    }
    startServer({60000, 20});
    const bool opened = eventually([&] { return client->view->rawReady == 1; });
    kill(child, SIGKILL);
    waitpid(child, nullptr, 0);
    ASSERT_TRUE(opened);
    clock.tick_ += 100;
    setFix(6000, 1.0, 2.0, 3.0, 1);
    EXPECT_TRUE(eventually([&] {
        tick();
        return client->view->rawTick == 6000u;
    }));
}

TEST_F(ExchangeServerTest, GarbageRequestAreaIsReadAsModes) {
    startServer();
    std::memset(static_cast<void*>(client->view), 0xA5, sizeof(ExchangeBlock));
    client->view->rawModeValue = 7; // not 0: real time
    client->view->markModeValue = 0;
    client->setup.set();
    // The acknowledgement comes once every kind is done and the holds are released.
    ASSERT_TRUE(eventually([&] {
        return server->rawRealTime() && server->maskedRealTime() && client->setup.isSet();
    }));
    EXPECT_FALSE(server->markBlocking());
    EXPECT_EQ(client->view->markStatus, 1u);
    tick(); // real time: published and announced
    EXPECT_EQ(client->view->rawReady, 1u);
    EXPECT_EQ(client->view->rawTick, 5000u);
    EXPECT_EQ(client->view->markTick, 0xA5A5A5A5u); // nothing written outside what changed
}

TEST_F(ExchangeServerTest, StopWakesAndJoinsTheThreadAndLeavesTheStopEventSet) {
    auto threads = [] {
        return std::distance(std::filesystem::directory_iterator("/proc/self/task"),
                             std::filesystem::directory_iterator{});
    };
    const auto before = threads();
    startServer();
    for (int round = 0; round < 2; ++round) {
        EXPECT_EQ(threads(), before + 1);
        server->stop();
        EXPECT_EQ(threads(), before);
        EXPECT_TRUE(client->stopped.isSet());
        ASSERT_TRUE(server->start());
        EXPECT_TRUE(client->stopped.isSet());
    }
}

TEST_F(ExchangeServerTest, SectionHeldWithAnotherSizeLeavesTheServerStopped) {
    auto other = platform::NamedSection::create(exchange::kSectionName, 100);
    ASSERT_TRUE(other);
    exchange::ExchangeServer s(engine);
    ASSERT_TRUE(s.createEvents());
    EXPECT_FALSE(s.start());
    EXPECT_FALSE(s.running());
    EXPECT_EQ(prompter.messages(),
              std::vector<std::string>{"Could not create shared memory. Method stopped"});
}

// The main window's core: only a mark started from another program reaches the exchange.
class NullMarkView final : public data::ScreenlessMarkView {
public:
    void markClosed(bool exported) override { core->markFinished(exported); }
    exchange::FrameCore* core = nullptr;
};

TEST_F(ExchangeServerTest, FrameCoreHandsOnlyOutsideMarksToTheExchange) {
    NullMarkView view;
    exchange::FrameWindow window;
    exchange::FrameCore core(engine, view, window, {300, 20});
    view.core = &core;
    core.startExchange();
    Client c;
    c.switchMode(&ExchangeBlock::markModeRequest, 1,
                 [&] { return core.exchange().markBlocking(); });
    core.mark(false); // from the menu
    core.markController().pressCancel();
    EXPECT_EQ(c.view->markReady, 0u);
    c.mark.set(); // a client's blocking request: the next tick opens the mark
    EXPECT_TRUE(eventually([&] {
        core.tick();
        return core.markController().isOpen();
    }));
    core.markController().pressCancel();
    EXPECT_EQ(c.view->markReady, 1u);
    EXPECT_EQ(c.view->markStatus, 5u);
}

} // namespace
