#pragma once
// Forked helper processes for the named-object tests: a pipe carries single bytes to the test, and
// the exit code tells how the child fared.

#include <gtest/gtest.h>

#include <fcntl.h>
#include <fstream>
#include <iterator>
#include <sched.h>
#include <signal.h>
#include <string>
#include <sys/wait.h>
#include <unistd.h>

#include "platform/SharedObject.h"

namespace testsupport {

struct Child {
    pid_t pid = -1;
    int fromChild = -1;
};

inline void sendByte(int fd, char c) {
    ASSERT_EQ(write(fd, &c, 1), 1);
}

// The next byte, or 0 at end of file.
inline char receiveByte(const Child& child) {
    char c = 0;
    return read(child.fromChild, &c, 1) == 1 ? c : 0;
}

// Runs body(toParent) in a child process, which exits with body's result.
template <class Body> Child spawn(Body body) {
    int up[2];
    EXPECT_EQ(pipe2(up, O_CLOEXEC), 0);
    Child child{fork(), up[0]};
    if (child.pid == 0) _exit(body(up[1]));
    close(up[1]);
    return child;
}

// Exit code of the child, or 128 + the signal that ended it.
inline int reap(Child& child) {
    int status = 0;
    waitpid(child.pid, &status, 0);
    close(child.fromChild);
    return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
}

// Kills the child and returns once it has died, leaving it an unreaped zombie whose pid exists.
inline void killLeavingZombie(const Child& child) {
    ASSERT_EQ(kill(child.pid, SIGKILL), 0);
    siginfo_t info{};
    ASSERT_EQ(waitid(P_PID, child.pid, &info, WEXITED | WNOWAIT), 0);
}

// Returns once the child sleeps in the kernel (state 'S'), as a waiter on an event does.
inline void awaitSleeping(const Child& child) {
    for (;;) {
        std::ifstream in("/proc/" + std::to_string(child.pid) + "/stat");
        std::string stat{std::istreambuf_iterator<char>(in), {}};
        if (stat.compare(stat.rfind(')') + 1, 3, " S ") == 0) return;
        sched_yield();
    }
}

// Each test gets a namespace of named objects of its own, apart from other tests and programs.
class NamedObjectTest : public ::testing::Test {
protected:
    void SetUp() override { platform::setSharedObjectPrefix(prefix_); }
    void TearDown() override { platform::setSharedObjectPrefix("corvane"); }
    const std::string prefix_ = "cvtest" + std::to_string(getpid());
};

} // namespace testsupport
