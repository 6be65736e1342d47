// The bounded notification queues: order, limits and time-outs.

#include <gtest/gtest.h>

#include <cstdint>
#include <tuple>

#include "platform/NotificationQueue.h"

TEST(NotificationQueue, KeepsOrderAndDropsWhatDoesNotFit) {
    platform::NotificationQueue q(2, 4);
    uint32_t one = 1, two = 2, out = 0;
    uint64_t big = 4;
    uint16_t small = 0;
    // Braced lists keep the calls in order.
    EXPECT_EQ((std::tuple{q.write(&one, 4), q.write(&big, 8), q.write(&two, 4), q.write(&one, 4)}),
              std::tuple(true, false, true, false)); // too large, then full
    EXPECT_EQ(q.droppedCount(), 2u);
    EXPECT_EQ(q.read(&small, sizeof small, 0), -1); // does not fit the buffer: stays queued
    EXPECT_EQ((std::tuple{q.read(&out, 4, 0), out}), std::tuple(4, 1u));
    EXPECT_EQ((std::tuple{q.read(&out, 4, 0), out}), std::tuple(4, 2u));
    EXPECT_EQ(q.read(&out, sizeof out, 20), -1); // empty: times out
}
