#include "platform/instance_lock.h"

#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include "tests/support/media_factory.h"

namespace {

constexpr const char* kName =
    "0x9d1decf, 0x4607, 0x4f68, 0x8a, 0x6d, 0x10, 0xb5, 0xae, 0xd5, 0xd7, 0xcf";

// A child that takes the lock and reports through a pipe, then waits to be killed.
pid_t HoldInChild(const std::string& dir, int* result) {
    int fds[2];
    if (pipe(fds) != 0)
        return -1;
    pid_t pid = fork();
    if (pid == 0) {
        close(fds[0]);
        InstanceLock lock(kName, dir);
        char r = static_cast<char>(lock.Acquire());
        (void)!write(fds[1], &r, 1);
        for (;;) pause();
    }
    close(fds[1]);
    char r = -1;
    (void)!read(fds[0], &r, 1);
    close(fds[0]);
    *result = r;
    return pid;
}

TEST(InstanceLockTest, SecondHolderIsRefusedUntilTheFirstIsKilled) {
    std::string dir = testmedia::MakeTempDir("lock");
    int childResult = -1;
    pid_t child = HoldInChild(dir, &childResult);
    ASSERT_GT(child, 0);
    EXPECT_EQ(childResult, static_cast<int>(InstanceLock::Result::Acquired));
    {
        InstanceLock second(kName, dir);
        EXPECT_EQ(second.Acquire(), InstanceLock::Result::AlreadyHeld);
        EXPECT_FALSE(second.IsHeld());
    }
    kill(child, SIGKILL);
    waitpid(child, nullptr, 0);
    InstanceLock third(kName, dir);
    EXPECT_EQ(third.Acquire(), InstanceLock::Result::Acquired);
    InstanceLock other("another name", dir);
    EXPECT_EQ(other.Acquire(), InstanceLock::Result::Acquired);
    testmedia::RemoveTree(dir);
}

TEST(InstanceLockTest, FileNamesAreSafeAndDistinct) {
    std::string a = InstanceLock::FileNameFor(kName);
    EXPECT_EQ(a.find('/'), std::string::npos);
    EXPECT_EQ(a.find(' '), std::string::npos);
    EXPECT_NE(a, InstanceLock::FileNameFor(
                     "0x9d1decf,,0x4607, 0x4f68, 0x8a, 0x6d, 0x10, 0xb5, 0xae, 0xd5, 0xd7, 0xcf"));
    InstanceLock missing(kName, "/nonexistent/folder");
    EXPECT_EQ(missing.Acquire(), InstanceLock::Result::Failed);
}

}  // namespace
