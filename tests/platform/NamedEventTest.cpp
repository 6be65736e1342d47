#include "platform/NamedEvent.h"

#include "platform/ChildProcess.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <sys/mman.h>

using platform::NamedEvent;
using namespace testsupport;

namespace {

using NamedEventState = NamedObjectTest;
using NamedEventLifetime = NamedObjectTest;

constexpr const char* kReload = "PowerManager/ReloadActivityTimeouts";

TEST_F(NamedEventState, SetResetWaitAndInitialState) {
    bool existed = true;
    auto a = NamedEvent::create("GPS_RT", false, &existed);
    auto b = NamedEvent::create("GPS_DATA_READY", true);
    ASSERT_TRUE(a && b);
    EXPECT_FALSE(existed);
    EXPECT_FALSE(a->wait(0));
    const NamedEvent* order[] = {&*a, &*b};
    EXPECT_EQ(NamedEvent::waitForAny(order, 0), 1);
    a->set();
    EXPECT_TRUE(a->wait(NamedEvent::kInfinite));
    EXPECT_EQ(NamedEvent::waitForAny(order, 0), 0); // the first set one in the given order
    a->reset();
    b->reset();
    EXPECT_EQ(NamedEvent::waitForAny(order, 5), NamedEvent::kTimedOut);
    // Opening an existing event keeps its state, whatever initial state is asked for.
    b->set();
    auto again = NamedEvent::create("GPS_DATA_READY", false, &existed);
    ASSERT_TRUE(again && existed);
    EXPECT_TRUE(again->isSet());
    // What logind does to the user's shared objects at logout: a handle of the removed table
    // moves into the one linked now.
    ASSERT_EQ(shm_unlink(platform::sharedTableName("events").c_str()), 0);
    auto client = NamedEvent::create("GPS_RT", false, &existed);
    ASSERT_TRUE(client);
    EXPECT_FALSE(existed);
    a->set();
    EXPECT_TRUE(client->isSet());
}

// In a child: holds kReload (created set) and waits on "x" and "y"; sends 'r' before the wait,
// then the index of the event that ended it.
int holdAndWait(int toParent) {
    auto held = NamedEvent::create(kReload, true);
    auto x = NamedEvent::create("x", false);
    auto y = NamedEvent::create("y", false);
    if (!held || !x || !y) return 2;
    const NamedEvent* both[] = {&*x, &*y};
    sendByte(toParent, 'r');
    sendByte(toParent,
             static_cast<char>('0' + NamedEvent::waitForAny(both, NamedEvent::kInfinite)));
    return 0;
}

TEST_F(NamedEventLifetime, KilledHolderAndWaiterAreNotCountedAndTheLastCloseRemovesTheTable) {
    EXPECT_FALSE(NamedEvent::openExisting(kReload));
    EXPECT_EQ(errno, ENOENT);
    Child killed = spawn(holdAndWait);
    ASSERT_EQ(receiveByte(killed), 'r');
    awaitSleeping(killed);
    auto opened = NamedEvent::openExisting(kReload);
    ASSERT_TRUE(opened);
    EXPECT_TRUE(opened->isSet());
    opened->close();
    EXPECT_TRUE(NamedEvent::openExisting(kReload)); // the child still holds it
    killLeavingZombie(killed);
    EXPECT_FALSE(NamedEvent::openExisting(kReload));
    bool existed = true;
    auto fresh = NamedEvent::create(kReload, false, &existed);
    ASSERT_TRUE(fresh);
    EXPECT_FALSE(existed || fresh->isSet());
    fresh->close();
    Child next = spawn(holdAndWait);
    ASSERT_EQ(receiveByte(next), 'r');
    awaitSleeping(next);
    auto y = NamedEvent::create("y", false);
    y->set();
    EXPECT_EQ(receiveByte(next), '1');
    EXPECT_EQ(reap(next), 0);
    y->close();
    EXPECT_EQ(shm_open(platform::sharedTableName("events").c_str(), O_RDONLY, 0), -1);
    EXPECT_EQ(errno, ENOENT);
    reap(killed);
}

} // namespace
