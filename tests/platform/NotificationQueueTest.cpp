// The bounded notification queues: order, limits and time-outs (the wait on several queues is
// exercised by the link supervision).

#include <gtest/gtest.h>

#include <cstdint>

#include "platform/NotificationQueue.h"

namespace {

using platform::NotificationQueue;

TEST(NotificationQueue, KeepsOrderAndDropsWhatDoesNotFit) {
    NotificationQueue q(2, 4);
    uint32_t in[3] = {1, 2, 3}, out = 0;
    uint64_t big = 4;
    EXPECT_TRUE(q.write(&in[0], 4));
    EXPECT_FALSE(q.write(&big, 8)); // larger than a message may be
    EXPECT_TRUE(q.write(&in[1], 4));
    EXPECT_FALSE(q.write(&in[2], 4)); // full
    EXPECT_EQ(q.droppedCount(), 2u);
    uint16_t small = 0;
    EXPECT_EQ(q.read(&small, sizeof small, 0), -1); // does not fit the buffer: stays queued
    for (uint32_t expected : {1u, 2u}) {
        EXPECT_EQ(q.read(&out, sizeof out, 0), 4);
        EXPECT_EQ(out, expected);
    }
    EXPECT_EQ(q.read(&out, sizeof out, 20), -1); // empty: times out
}

} // namespace
