// The client library against the real program side: `cvtool serve` replaying an NMEA file in a
// namespace of its own (CORVANE_SHM_PREFIX, set for this program and inherited by the server).
// Every wait is for a condition, with limits far above what an idle machine needs.

#include <signal.h>

#include <memory>
#include <string>
#include <vector>

#include "client/ClientCalls.h"
#include "exchange/ExchangeBlock.h"
#include "platform/NamedEvent.h"
#include "platform/NamedSection.h"
#include "support/NmeaText.h"
#include "support/TestSupport.h"

namespace {

using namespace clientcalls;
using platform::NamedEvent;

struct Server {
    testsupport::TempDir dir;
    std::unique_ptr<testsupport::Process> process;
};

// `cvtool serve` on a cv.ini of one "KEY=VALUE" line (or none), replaying two epochs a
// second apart at 47 30' N, 122 15' W (quality 1, 3D, PDOP 1.8); returns once a read has the fix.
std::unique_ptr<Server> startServer(const std::string& ini, const char* option = nullptr) {
    // A server stopped before leaves "CVCE_MSG" set.
    for (const char* name : {exchange::kEventServerStopped, exchange::kEventClientUnloaded,
                             exchange::kEventDataReady, exchange::kEventSetup})
        NamedEvent::create(name, false)->reset();
    auto s = std::make_unique<Server>();
    testsupport::applicationFolder(s->dir, "[Corvane]\n" + ini + "\n");
    std::string nmea;
    for (std::string time : {"120000.00", "120001.00"})
        nmea += testsupport::nmea("GPGGA," + time +
                                  ",4730.0000,N,12215.0000,W,1,08,0.9,12.5,M,-17.0,M,,") +
                testsupport::nmea("GPGSA,A,3,01,03,06,09,12,14,17,19,,,,,1.8,0.9,1.5");
    testsupport::writeFile(s->dir.file("replay.nmea"), nmea);
    std::vector<std::string> args = {CVTOOL_PATH,   "serve",  "--dir",
                                     s->dir.path(), "--nmea", s->dir.file("replay.nmea")};
    if (option) args.push_back(option);
    s->process = std::make_unique<testsupport::Process>(args);
    RawOut o; // serving, and the first epoch has reached the exchange
    EXPECT_TRUE(eventually([&] { return getRaw(o, false) == 1 && o.quality == 1; }));
    return s;
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
    RawOut first, later;
    ASSERT_EQ(getRaw(first, true), 1);
    EXPECT_TRUE(eventually([&] { return getRaw(later, true) == 1 && later.tick != first.tick; }));
}

// A switch right after another is a new request, not the first one's acknowledgement: the
// program applies both (raw real time shows as a raw record kept ready at every update).
TEST_F(ClientServe, BackToBackModeSwitchesAreBothApplied) {
    auto server = startServer("");
    auto section =
        platform::NamedSection::create(exchange::kSectionName, exchange::kExchangeBlockSize);
    ASSERT_TRUE(section);
    const auto* block = static_cast<const volatile exchange::ExchangeBlock*>(section->data());
    ASSERT_EQ(SwitchModes(1, 1), 1);
    ASSERT_EQ(SwitchModes(0, 1), 1);
    EXPECT_TRUE(eventually([&] { return block->rawReady == 1; }));
}

TEST_F(ClientServe, MaskedReadOfAFixThatFailsAMaskGivesStatusFiveAndTheReason) {
    auto server = startServer("MaskDGPS=Yes");
    MaskOut o;
    ASSERT_EQ(getMask(o, false), 1);
    EXPECT_EQ(errorOf(1), 5);
    EXPECT_EQ(o.reason, 3);
    EXPECT_EQ(o.d[2], 0.0); // latitude zeroed
    EXPECT_EQ(o.i[4], 1);   // quality kept
}

TEST_F(ClientServe, MarksNonBlockingBeforeAnyAndBlockingWithExportOrCancel) {
    for (const char* option : {"", "--mark-cancel"}) {
        SCOPED_TRACE(option);
        const bool cancel = *option != 0;
        auto server = startServer("", cancel ? option : nullptr);
        MarkOut before;
        ASSERT_EQ(getMark(before, false), 1);
        EXPECT_EQ(errorOf(2), 4);
        EXPECT_EQ(before.tick, 0u);
        ASSERT_EQ(SwitchModes(2, 1), 1);
        MarkOut mark;
        ASSERT_EQ(getMark(mark, true), 1);
        EXPECT_EQ(errorOf(2), cancel ? 5 : 0);
        EXPECT_EQ(mark.i[4], cancel ? 0 : 1); // readings
        EXPECT_STREQ(mark.datum, cancel ? "" : "WGE");
        EXPECT_EQ(mark.ns, cancel ? 0 : 'N');
        ASSERT_EQ(SwitchModes(2, 0), 1);
    }
}

TEST_F(ClientServe, TwoClientsReadTogetherAndOneUnloadingLeavesTheOtherServed) {
    auto server = startServer("");
    auto unloaded = NamedEvent::create(exchange::kEventClientUnloaded, false);
    testsupport::Process other(
        {CVCE_PROBE_PATH, "rt"}); // switches to real time and reads three updates
    RawOut o;
    int served = 0;
    while (!other.exited())
        served += served < 3 && getRaw(o, false) == 1;
    EXPECT_GT(served, 0);
    EXPECT_EQ(other.stop(0), 0);
    // Its unload returned the modes to on request for every client.
    ASSERT_TRUE(eventually([&] { return !unloaded->isSet(); }));
    EXPECT_TRUE(eventually([&] { return getRaw(o, false) == 1; }));
    EXPECT_EQ(errorOf(0), 0);
    EXPECT_EQ(o.quality, 1);
}

TEST_F(ClientServe, AClientKilledInARequestDoesNotStopThePublication) {
    auto server = startServer("");
    auto section =
        platform::NamedSection::create(exchange::kSectionName, exchange::kExchangeBlockSize);
    ASSERT_TRUE(section);
    const auto* block = static_cast<const volatile exchange::ExchangeBlock*>(section->data());
    testsupport::Process holder({CVCE_PROBE_PATH, "hold"});
    ASSERT_TRUE(eventually([&] { return block->rawReady == 1; })); // its request is open
    holder.stop(SIGKILL);
    const uint32_t tick = block->rawTick;
    EXPECT_TRUE(eventually([&] { return block->rawTick != tick; }));
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
