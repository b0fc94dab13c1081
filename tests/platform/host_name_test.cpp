#include "platform/host_name.h"

#include <gtest/gtest.h>

#include <fstream>
#include <string>

TEST(HostName, IsTheNameTheKernelHolds) {
    std::string expected;
    std::getline(std::ifstream("/proc/sys/kernel/hostname"), expected);
    ASSERT_FALSE(expected.empty()) << "the test machine has a host name";
    EXPECT_EQ(HostName(), expected);
}
