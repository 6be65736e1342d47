#pragma once
// Forked helper processes for the tests of the named objects: each talks to the test through a
// pair of pipes, one byte at a time, and its exit code tells the test how it fared.

#include <gtest/gtest.h>

#include <cstdio>
#include <fcntl.h>
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
    int toChild = -1;
};

inline void sendByte(int fd, char c) {
    ASSERT_EQ(write(fd, &c, 1), 1);
}

// The next byte, or 0 at end of file.
inline char receiveByte(int fd) {
    char c = 0;
    return read(fd, &c, 1) == 1 ? c : 0;
}

// Runs body(toParent, fromParent) in a child process, which exits with body's result.
template <class Body> Child spawn(Body body) {
    int up[2], down[2];
    EXPECT_EQ(pipe2(up, O_CLOEXEC), 0);
    EXPECT_EQ(pipe2(down, O_CLOEXEC), 0);
    Child child;
    child.pid = fork();
    if (child.pid == 0) {
        close(up[0]);
        close(down[1]);
        _exit(body(up[1], down[0]));
    }
    close(up[1]);
    close(down[0]);
    child.fromChild = up[0];
    child.toChild = down[1];
    return child;
}

// Exit code of the child, or 128 + the signal that ended it.
inline int reap(Child& child) {
    int status = 0;
    waitpid(child.pid, &status, 0);
    close(child.fromChild);
    close(child.toChild);
    return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
}

// Kills the child and waits until it has died, leaving it a zombie (not reaped), so the named
// objects must see through a pid that still exists.
inline void killLeavingZombie(const Child& child) {
    ASSERT_EQ(kill(child.pid, SIGKILL), 0);
    siginfo_t info{};
    ASSERT_EQ(waitid(P_PID, child.pid, &info, WEXITED | WNOWAIT), 0);
}

// Returns once the child sleeps in the kernel (state 'S' in /proc), as a waiter on an event does.
inline void awaitSleeping(const Child& child) {
    const std::string path = "/proc/" + std::to_string(child.pid) + "/stat";
    for (;;) {
        FILE* f = std::fopen(path.c_str(), "re");
        ASSERT_NE(f, nullptr);
        char buf[512] = {};
        size_t n = std::fread(buf, 1, sizeof buf - 1, f);
        std::fclose(f);
        std::string stat(buf, n);
        size_t paren = stat.rfind(')');
        if (paren != std::string::npos && stat.compare(paren + 1, 3, " S ") == 0) return;
        sched_yield();
    }
}

// Gives each test its own namespace of named objects, so tests running side by side (and the
// user's own programs) never meet.
class NamedObjectTest : public ::testing::Test {
protected:
    void SetUp() override {
        prefix_ = "cvtest" + std::to_string(getpid());
        platform::setSharedObjectPrefix(prefix_);
    }
    void TearDown() override { platform::setSharedObjectPrefix("corvane"); }
    std::string prefix_;
};

} // namespace testsupport
