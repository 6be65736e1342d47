#include <gtest/gtest.h>

#include "platform/Clock.h"

using platform::ManualClock;

TEST(ManualClock, NeverYieldsZeroAndWrapsLikeTheDeviceCounter) {
    ManualClock clock(0xFFFFFFF0u);
    clock.advance(0x10);
    EXPECT_EQ(clock.tickCount(), 1u) << "0 means never, so the wrap skips it";
    clock.advance(5);
    EXPECT_EQ(platform::ticksSince(clock.tickCount(), 0xFFFFFFF0u), 0x15u);
}

TEST(SystemClock, TicksMoveForwardAndLocalTimeIsPlausible) {
    platform::SystemClock clock;
    uint32_t start = clock.tickCount();
    clock.sleepMs(20);
    EXPECT_GE(platform::ticksSince(clock.tickCount(), start), 15u);
    auto t = clock.localTime();
    EXPECT_GE(t.wYear, 2020);
    EXPECT_GE(t.wMonth, 1);
}
