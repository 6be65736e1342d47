#include <gtest/gtest.h>

#include "platform/Clock.h"
#include "platform/Prompter.h"

using platform::ManualClock;

TEST(ManualClock, NeverYieldsZeroAndWrapsLikeTheDeviceCounter) {
    ManualClock clock(0xFFFFFFF0u);
    clock.advance(0x10);
    EXPECT_EQ(clock.tickCount(), 1u) << "0 means never, so the wrap skips it";
    clock.advance(5);
    EXPECT_EQ(platform::ticksSince(clock.tickCount(), 0xFFFFFFF0u), 0x15u);
}

TEST(ManualClock, SleepAdvancesTime) {
    ManualClock clock(100);
    clock.sleepMs(1000);
    EXPECT_EQ(clock.tickCount(), 1100u);
}

TEST(SystemClock, TicksMoveForwardAndLocalTimeIsPlausible) {
    platform::SystemClock clock;
    uint32_t a = clock.tickCount();
    clock.sleepMs(20);
    uint32_t b = clock.tickCount();
    EXPECT_GE(platform::ticksSince(b, a), 15u);
    auto t = clock.localTime();
    EXPECT_GE(t.wYear, 2020);
    EXPECT_GE(t.wMonth, 1);
    EXPECT_LE(t.wMonth, 12);
}

TEST(RecordingPrompter, RecordsMessagesAndAnswersFromTheScript) {
    platform::RecordingPrompter p;
    p.queueAnswer(true);
    p.message("first");
    EXPECT_TRUE(p.askYesNo("sure?"));
    EXPECT_FALSE(p.askYesNo("again?")) << "an exhausted script answers No";
    p.queueFileName(std::string("/tmp/x.txt"));
    EXPECT_EQ(p.saveFileName("Save", "", "*.txt"), std::optional<std::string>("/tmp/x.txt"));
    EXPECT_EQ(p.openFileName("Open", "", "*.txt"), std::nullopt);
    ASSERT_EQ(p.messages().size(), 1u);
    EXPECT_EQ(p.messages()[0], "first");
    EXPECT_EQ(p.entries().size(), 5u);
    EXPECT_EQ(p.entries()[0].caption, "Corvane");
}
