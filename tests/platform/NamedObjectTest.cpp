// Named events and sections of one user, shared with forked processes: a pipe carries single
// bytes from a child to the test, and the exit code tells how the child fared.

#include <gtest/gtest.h>

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <fstream>
#include <iterator>
#include <sched.h>
#include <signal.h>
#include <string>
#include <sys/mman.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include "platform/NamedEvent.h"
#include "platform/NamedSection.h"
#include "platform/SharedObject.h"

namespace {

using platform::NamedEvent;
using platform::NamedSection;

struct Child {
    pid_t pid = -1;
    int fromChild = -1;
};

void sendByte(int fd, char c) {
    EXPECT_EQ(write(fd, &c, 1), 1);
}

char receiveByte(const Child& child) {
    char c = 0;
    return read(child.fromChild, &c, 1) == 1 ? c : 0;
}

template <class Body> Child spawn(Body body) {
    int up[2];
    EXPECT_EQ(pipe2(up, O_CLOEXEC), 0);
    Child child{fork(), up[0]};
    if (child.pid == 0) _exit(body(up[1]));
    close(up[1]);
    return child;
}

// Exit code of the child, or 128 + the signal that ended it.
int reap(Child& child) {
    int status = 0;
    waitpid(child.pid, &status, 0);
    close(child.fromChild);
    return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
}

// Kills the child and returns once it has died, leaving it an unreaped zombie whose pid exists.
void killLeavingZombie(const Child& child) {
    ASSERT_EQ(kill(child.pid, SIGKILL), 0);
    siginfo_t info{};
    ASSERT_EQ(waitid(P_PID, child.pid, &info, WEXITED | WNOWAIT), 0);
}

// Returns once the child sleeps in the kernel (state 'S'), as a waiter on an event does.
void awaitSleeping(const Child& child) {
    for (;;) {
        std::ifstream in("/proc/" + std::to_string(child.pid) + "/stat");
        std::string stat{std::istreambuf_iterator<char>(in), {}};
        if (stat.compare(stat.rfind(')') + 1, 3, " S ") == 0) return;
        sched_yield();
    }
}

// Each test gets a namespace of named objects of its own, apart from other tests and programs.
struct NamedObjects : ::testing::Test {
    NamedObjects() { platform::setSharedObjectPrefix(prefix_); }
    ~NamedObjects() override { platform::setSharedObjectPrefix("corvane"); }
    const std::string prefix_ = "cvtest" + std::to_string(getpid());
};

constexpr const char* kReload = "PowerManager/ReloadActivityTimeouts";

TEST_F(NamedObjects, EventSetResetWaitAndInitialState) {
    bool existed = true;
    auto a = NamedEvent::create("GPS_RT", false, &existed);
    auto b = NamedEvent::create("GPS_DATA_READY", true);
    ASSERT_TRUE(a && b);
    const NamedEvent* order[] = {&*a, &*b};
    EXPECT_EQ(NamedEvent::waitForAny(order, 0), 1);
    a->set();
    EXPECT_EQ(NamedEvent::waitForAny(order, 0), 0); // the first set one in the given order
    a->reset();
    b->reset();
    EXPECT_EQ(NamedEvent::waitForAny(order, 5), NamedEvent::kTimedOut);
    // Opening an existing event keeps its state, whatever initial state is asked for.
    b->set();
    auto again = NamedEvent::create("GPS_DATA_READY", false, &existed);
    ASSERT_TRUE(again && existed);
    EXPECT_TRUE(again->isSet());
    // logind removes the user's objects at logout: the handle moves into the table linked now.
    ASSERT_EQ(shm_unlink(platform::sharedTableName("events").c_str()), 0);
    auto client = NamedEvent::create("GPS_RT", false, &existed);
    ASSERT_TRUE(client && !existed);
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

TEST_F(NamedObjects, KilledEventHolderAndWaiterAreNotCountedAndTheLastCloseRemovesTheTable) {
    EXPECT_FALSE(NamedEvent::openExisting(kReload));
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

bool objectExists(const std::string& objectName) {
    int fd = shm_open(objectName.c_str(), O_RDONLY, 0);
    if (fd >= 0) close(fd);
    return fd >= 0;
}

TEST_F(NamedObjects, SectionSharedUntilTheLastLiveHolderLeavesAndNoKilledHolderWedgesIt) {
    const char* name = "Ruzeri/Vov Azo";
    const std::string objectName = platform::sharedObjectName(name);
    EXPECT_EQ(objectName, "/" + prefix_ + "-" + std::to_string(geteuid()) + "-Ruzeri%2FVov%20Azo");
    Child child = spawn([&](int up) {
        auto go = platform::NamedEvent::create("go", false);
        auto s = NamedSection::create(name, 528);
        auto object = platform::SharedObject::open(objectName, 528, false, nullptr);
        if (!go || !s || !object) return 1;
        static_cast<unsigned char*>(s->data())[527] = 0x5A;
        sendByte(up, 'r');
        go->wait(platform::NamedEvent::kInfinite);
        platform::SharedObject::Lock lock(*object);
        sendByte(up, lock.ok() ? 'l' : 'f');
        pause(); // holds the section and its lock until killed
        return 0;
    });
    ASSERT_EQ(receiveByte(child), 'r');
    bool existed = false;
    auto section = NamedSection::create(name, 528, &existed);
    ASSERT_TRUE(section && existed);
    EXPECT_EQ(static_cast<unsigned char*>(section->data())[527], 0x5A);
    EXPECT_FALSE(NamedSection::create(name, 600)); // held with another size
    EXPECT_EQ(errno, EEXIST);
    section->close();
    EXPECT_TRUE(objectExists(objectName)); // the child still holds it
    platform::NamedEvent::create("go", false)->set();
    ASSERT_EQ(receiveByte(child), 'l');
    killLeavingZombie(child);
    section = NamedSection::create(name, 528, &existed);
    ASSERT_TRUE(section);
    EXPECT_FALSE(existed);
    const unsigned char zeros[528] = {};
    EXPECT_EQ(std::memcmp(section->data(), zeros, sizeof zeros), 0);
    section->close();
    EXPECT_FALSE(objectExists(objectName));
    reap(child);
    // A creator killed before it sized the object leaves an empty one behind, which is set up
    // anew; one open to others is refused.
    int fd = shm_open(objectName.c_str(), O_RDWR | O_CREAT | O_EXCL, 0600);
    ASSERT_GE(fd, 0);
    ASSERT_EQ(fchmod(fd, 0644), 0);
    std::string reason;
    EXPECT_FALSE(NamedSection::create(name, 528, nullptr, &reason));
    EXPECT_EQ(errno, EACCES);
    EXPECT_NE(reason.find("mode 0644"), std::string::npos) << reason;
    ASSERT_EQ(fchmod(fd, 0600), 0);
    close(fd);
    existed = true;
    EXPECT_TRUE(NamedSection::create(name, 528, &existed));
    EXPECT_FALSE(existed);
}

} // namespace
