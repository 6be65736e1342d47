// The client library against a program side scripted in the test: the section and the events are
// opened here in the library's own namespace (CORVANE_SHM_PREFIX, set for this program).

#include <sys/wait.h>
#include <unistd.h>

#include <atomic>
#include <cstring>

#include "client/ClientCalls.h"
#include "exchange/ExchangeBlock.h"
#include "platform/NamedEvent.h"
#include "platform/NamedSection.h"

namespace {

using namespace clientcalls;
using exchange::ExchangeBlock;
using platform::NamedEvent;

NamedEvent event(const char* name) {
    return std::move(*NamedEvent::create(name, false));
}

// Answers one request event as the program does: the first set opens a request (the script
// fills the block, then sets "GPS_DATA_READY"), the next one closes it. Counts the sets.
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
        while (!stop_)
            if (request_.wait(50)) {
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
        for (NamedEvent* e : {&ready_, &setup_})
            e->reset();
    }
    std::optional<platform::NamedSection> section_ =
        platform::NamedSection::create(exchange::kSectionName, exchange::kExchangeBlockSize);
    ExchangeBlock* block_ = static_cast<ExchangeBlock*>(section_->data());
    NamedEvent ready_ = event(exchange::kEventDataReady);
    NamedEvent setup_ = event(exchange::kEventSetup);
};

TEST_F(ClientProtocol, ReadInTheOtherModeFailsAtOnceAndReportsWrongModeOnce) {
    RawOut raw;
    MaskOut masked;
    MarkOut mark;
    const std::function<int()> calls[] = {[&] { return getRaw(raw, true); },
                                          [&] { return getMask(masked, true); },
                                          [&] { return getMark(mark, true); }};
    block_->rawStatus = 4;
    block_->maskedStatus = 5;
    block_->markStatus = 1;
    const short statusWords[] = {4, 5, 1};
    for (int kind = 0; kind < 3; ++kind) {
        SCOPED_TRACE(kind);
        EXPECT_EQ(calls[kind](), 0);
        EXPECT_EQ(errorOf(kind), 3);
        EXPECT_EQ(errorOf(kind), statusWords[kind]);
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
    ASSERT_EQ(getMask(m, false), 1);
    EXPECT_STREQ(m.zone, "ZZZZZZZZZZZZZZZ");
    EXPECT_EQ(m.reason, 6);
    MarkOut k;
    ASSERT_EQ(getMark(k, false), 1);
    EXPECT_STREQ(k.zone, "UUUUUUUUUUUUUUUUUUUUUUUUUUUUUUU");
    EXPECT_STREQ(k.datum, "DDDDDDD");
    EXPECT_EQ(k.time.wYear, 2024);
    EXPECT_EQ(k.time.wMilliseconds, 999);
}

// The program rewrites the mark status word when the client closes its request; the error query
// still tells how the call ended. A mode change answers without the record.
TEST_F(ClientProtocol, MarkStatusOfTheAnswerOutlivesTheClose) {
    const struct {
        uint32_t status;
        int result;
        unsigned long tick;
    } cases[] = {{4, 1, 99}, {1, 0, 0}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.status);
        ScriptedServer mark(exchange::kEventMarkRequest, [&](bool opening) {
            block_->markStatus = opening ? c.status : 0;
            block_->markTick = 99;
            block_->markReady = opening ? 1 : 0;
            if (opening) ready_.set();
        });
        MarkOut o;
        EXPECT_EQ(getMark(o, false), c.result);
        EXPECT_EQ(o.tick, c.tick);
        ASSERT_TRUE(eventually([&] { return mark.sets() == 2; }));
        EXPECT_EQ(errorOf(2), static_cast<short>(c.status));
    }
}

TEST_F(ClientProtocol, UnloadingTheLibraryTellsTheServer) {
    NamedEvent unloaded = event(exchange::kEventClientUnloaded);
    unloaded.reset();
    const pid_t child = fork();
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
    EXPECT_EQ(getRaw(o, false), 0);
    EXPECT_EQ(errorOf(0), 2);
    EXPECT_EQ(errorOf(0), 4);
}

} // namespace
