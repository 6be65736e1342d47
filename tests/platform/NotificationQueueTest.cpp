// The bounded notification queues: order, limits, time-outs and the wait on several queues.

#include <gtest/gtest.h>

#include <cstdint>
#include <sys/eventfd.h>
#include <unistd.h>

#include "platform/NotificationQueue.h"

namespace {

using platform::NotificationQueue;

uint32_t readOne(NotificationQueue& q) {
    uint32_t v = 0;
    EXPECT_EQ(q.read(&v, sizeof v, 0), 4);
    return v;
}

TEST(NotificationQueue, KeepsOrderAndDropsWhatDoesNotFit) {
    NotificationQueue q(2, 4);
    uint32_t a = 1, b = 2, c = 3;
    uint64_t big = 4;
    EXPECT_TRUE(q.write(&a, 4));
    EXPECT_FALSE(q.write(&big, 8)); // larger than a message may be
    EXPECT_TRUE(q.write(&b, 4));
    EXPECT_FALSE(q.write(&c, 4)); // full
    EXPECT_EQ(q.droppedCount(), 2u);
    EXPECT_EQ(readOne(q), 1u);
    EXPECT_TRUE(q.write(&c, 4)); // the freed slot is used again
    EXPECT_EQ(readOne(q), 2u);
    EXPECT_EQ(readOne(q), 3u);
    uint32_t v = 0;
    EXPECT_EQ(q.read(&v, sizeof v, 20), -1); // empty: times out
}

TEST(NotificationQueue, MessageLargerThanTheBufferStaysQueued) {
    NotificationQueue q(1, 8);
    uint64_t m = 7;
    q.write(&m, 8);
    uint32_t small = 0;
    EXPECT_EQ(q.read(&small, sizeof small, 0), -1);
    uint64_t out = 0;
    EXPECT_EQ(q.read(&out, sizeof out, 0), 8);
    EXPECT_EQ(out, 7u);
}

TEST(NotificationQueue, WaitAnyNamesTheQueueWithAMessageOrTheWake) {
    NotificationQueue first(2, 4), second(2, 4);
    int wake = eventfd(0, EFD_CLOEXEC);
    EXPECT_EQ(NotificationQueue::waitAny({&first, &second}, 20, wake), -1);
    uint32_t v = 9;
    second.write(&v, 4);
    EXPECT_EQ(NotificationQueue::waitAny({&first, &second}, 20, wake), 1);
    readOne(second);
    uint64_t one = 1;
    ASSERT_EQ(write(wake, &one, sizeof one), 8);
    EXPECT_EQ(NotificationQueue::waitAny({&first, &second}, 20, wake), NotificationQueue::kWoken);
    close(wake);
}

} // namespace
