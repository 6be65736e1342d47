#include "platform/NamedEvent.h"

#include "platform/ChildProcess.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <sys/mman.h>

using platform::NamedEvent;
using testsupport::NamedObjectTest;

namespace {

using NamedEventState = NamedObjectTest;
using NamedEventWake = NamedObjectTest;
using NamedEventLifetime = NamedObjectTest;

// Opens "x" and "y" in the child and reports, as a digit, what waitForAny over them returned.
int reportWaitForAny(int toParent) {
    auto a = NamedEvent::create("x", false);
    auto b = NamedEvent::create("y", false);
    if (!a || !b) return 2;
    const NamedEvent* both[] = {&*a, &*b};
    testsupport::sendByte(toParent, 'r');
    int got = NamedEvent::waitForAny(both, NamedEvent::kInfinite);
    testsupport::sendByte(toParent, static_cast<char>('0' + got));
    return 0;
}

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
    ASSERT_TRUE(again);
    EXPECT_TRUE(existed);
    EXPECT_TRUE(again->isSet());
}

TEST_F(NamedEventWake, KilledWaiterLeavesNothingAndASleepingWaiterWakesOnSet) {
    auto x = NamedEvent::create("x", false);
    auto y = NamedEvent::create("y", false);
    auto killed = testsupport::spawn(reportWaitForAny);
    ASSERT_EQ(testsupport::receiveByte(killed.fromChild), 'r');
    testsupport::awaitSleeping(killed);
    ASSERT_EQ(kill(killed.pid, SIGKILL), 0);
    EXPECT_EQ(testsupport::reap(killed), 128 + SIGKILL);
    auto next = testsupport::spawn(reportWaitForAny);
    ASSERT_EQ(testsupport::receiveByte(next.fromChild), 'r');
    testsupport::awaitSleeping(next);
    y->set();
    EXPECT_EQ(testsupport::receiveByte(next.fromChild), '1');
    EXPECT_EQ(testsupport::reap(next), 0);
}

TEST_F(NamedEventLifetime, LastLiveHolderDecidesAndItsCloseRemovesTheTable) {
    const char* name = "PowerManager/ReloadActivityTimeouts";
    EXPECT_FALSE(NamedEvent::openExisting(name));
    EXPECT_EQ(errno, ENOENT);
    auto child = testsupport::spawn([name](int up) {
        auto e = NamedEvent::create(name, true);
        testsupport::sendByte(up, e ? 'r' : 'f');
        pause(); // held until killed
        return 0;
    });
    ASSERT_EQ(testsupport::receiveByte(child.fromChild), 'r');
    auto opened = NamedEvent::openExisting(name);
    ASSERT_TRUE(opened);
    EXPECT_TRUE(opened->isSet());
    opened->close();
    EXPECT_TRUE(NamedEvent::openExisting(name)); // the child still holds it
    testsupport::killLeavingZombie(child);
    EXPECT_FALSE(NamedEvent::openExisting(name));
    bool existed = true;
    auto fresh = NamedEvent::create(name, false, &existed);
    ASSERT_TRUE(fresh);
    EXPECT_FALSE(existed);
    EXPECT_FALSE(fresh->isSet());
    fresh->close();
    const std::string table = platform::sharedTableName("events");
    EXPECT_EQ(shm_open(table.c_str(), O_RDONLY, 0), -1);
    EXPECT_EQ(errno, ENOENT);
    testsupport::reap(child);
}

TEST_F(NamedEventLifetime, HandleOfARemovedTableMovesIntoTheNewOne) {
    auto server = NamedEvent::create("GPS_SETUP", false);
    ASSERT_TRUE(server);
    // What logind does to the user's shared objects at logout.
    ASSERT_EQ(shm_unlink(platform::sharedTableName("events").c_str()), 0);
    bool existed = true;
    auto client = NamedEvent::create("GPS_SETUP", false, &existed);
    ASSERT_TRUE(client);
    EXPECT_FALSE(existed);
    server->set();
    EXPECT_TRUE(client->isSet());
}

} // namespace
