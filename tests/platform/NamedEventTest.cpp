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

// Opens the events in the child and reports, as a digit, what waitForAny over them returned.
int reportWaitForAny(int toParent, const char* first, const char* second) {
    auto a = NamedEvent::create(first, false);
    auto b = NamedEvent::create(second, false);
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
    EXPECT_TRUE(b->wait(0));
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

TEST_F(NamedEventWake, SetInAnotherProcessWakesASleepingWaitForAny) {
    auto x = NamedEvent::create("x", false);
    auto y = NamedEvent::create("y", false);
    auto child = testsupport::spawn([](int up, int) { return reportWaitForAny(up, "x", "y"); });
    ASSERT_EQ(testsupport::receiveByte(child.fromChild), 'r');
    testsupport::awaitSleeping(child);
    y->set();
    EXPECT_EQ(testsupport::receiveByte(child.fromChild), '1');
    EXPECT_EQ(testsupport::reap(child), 0);
}

TEST_F(NamedEventWake, WaiterKilledWhileWaitingLeavesTheEventsUsable) {
    auto x = NamedEvent::create("x", false);
    auto y = NamedEvent::create("y", false);
    auto killed = testsupport::spawn([](int up, int) { return reportWaitForAny(up, "x", "y"); });
    ASSERT_EQ(testsupport::receiveByte(killed.fromChild), 'r');
    testsupport::awaitSleeping(killed);
    ASSERT_EQ(kill(killed.pid, SIGKILL), 0);
    EXPECT_EQ(testsupport::reap(killed), 128 + SIGKILL);
    auto next = testsupport::spawn([](int up, int) { return reportWaitForAny(up, "x", "y"); });
    ASSERT_EQ(testsupport::receiveByte(next.fromChild), 'r');
    testsupport::awaitSleeping(next);
    x->set();
    EXPECT_EQ(testsupport::receiveByte(next.fromChild), '0');
    EXPECT_EQ(testsupport::reap(next), 0);
}

TEST_F(NamedEventLifetime, LastCloseRemovesTheEventAndItsTable) {
    const char* name = "PowerManager/ReloadActivityTimeouts";
    EXPECT_FALSE(NamedEvent::openExisting(name));
    EXPECT_EQ(errno, ENOENT);
    auto created = NamedEvent::create(name, false);
    auto opened = NamedEvent::openExisting(name);
    ASSERT_TRUE(created && opened);
    opened->set();
    EXPECT_TRUE(created->isSet());
    created->close();
    EXPECT_TRUE(NamedEvent::openExisting(name)); // still held by `opened`
    opened->close();
    EXPECT_FALSE(NamedEvent::openExisting(name));
    const std::string table = platform::sharedTableName("events");
    EXPECT_EQ(shm_open(table.c_str(), O_RDONLY, 0), -1);
    EXPECT_EQ(errno, ENOENT);
}

TEST_F(NamedEventLifetime, HolderKilledIsNotCounted) {
    auto child = testsupport::spawn([](int up, int down) {
        auto e = NamedEvent::create("GPS_MARK", true);
        testsupport::sendByte(up, e ? 'r' : 'f');
        testsupport::receiveByte(down); // held until killed
        return 0;
    });
    ASSERT_EQ(testsupport::receiveByte(child.fromChild), 'r');
    EXPECT_TRUE(NamedEvent::openExisting("GPS_MARK"));
    testsupport::killLeavingZombie(child);
    EXPECT_FALSE(NamedEvent::openExisting("GPS_MARK"));
    bool existed = true;
    auto fresh = NamedEvent::create("GPS_MARK", false, &existed);
    ASSERT_TRUE(fresh);
    EXPECT_FALSE(existed);
    EXPECT_FALSE(fresh->isSet());
    testsupport::reap(child);
}

} // namespace
