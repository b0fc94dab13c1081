#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>

#include "platform/free_space.h"
#include "platform/session_bus.h"
#include "tests/support/full_disk.h"

namespace fs = std::filesystem;

namespace {

std::string FreshFolder(const char* name) {
    std::string folder =
        (fs::temp_directory_path() / (std::string(name) + "-" + std::to_string(::getpid())))
            .string();
    fs::remove_all(folder);
    fs::create_directories(folder);
    return folder;
}

TEST(SessionBus, OnlyARunningBusCountsNeverOneThatWouldBeLaunched) {
    const std::string runtime = FreshFolder("veltra-bus");
    EXPECT_FALSE(SessionBusRunningWith("", "")) << "nothing set";
    EXPECT_FALSE(SessionBusRunningWith("", runtime)) << "no socket in the runtime folder";
    EXPECT_FALSE(SessionBusRunningWith("autolaunch:", runtime)) << "would start a daemon";
    EXPECT_TRUE(SessionBusRunningWith("unix:path=/run/user/1/bus", ""));

    // A plain file named bus is no bus.
    std::ofstream(runtime + "/bus") << "x";
    EXPECT_FALSE(SessionBusRunningWith("", runtime));
    fs::remove(runtime + "/bus");

    int sock = ::socket(AF_UNIX, SOCK_STREAM, 0);
    ASSERT_GE(sock, 0);
    sockaddr_un addr = {};
    addr.sun_family = AF_UNIX;
    const std::string path = runtime + "/bus";
    ASSERT_LT(path.size(), sizeof addr.sun_path);
    std::memcpy(addr.sun_path, path.c_str(), path.size() + 1);
    ASSERT_EQ(::bind(sock, reinterpret_cast<sockaddr*>(&addr), sizeof addr), 0);
    EXPECT_TRUE(SessionBusRunningWith("", runtime));
    ::close(sock);
    fs::remove_all(runtime);
}

TEST(FreeSpace, TellsTheRoomOfTheTargetsFileSystemAndNothingForAMissingFolder) {
    testmedia::SmallDisk disk(1024 * 1024);
    if (disk.Available()) {
        const auto before = FreeBytesFor(disk.Folder() + "/cut.avi");
        ASSERT_TRUE(before.has_value());
        EXPECT_GT(*before, 512u * 1024);
        EXPECT_LE(*before, 1024u * 1024);
        disk.Fill();
        const auto after = FreeBytesFor(disk.Folder() + "/cut.avi");
        ASSERT_TRUE(after.has_value());
        EXPECT_LT(*after, 64u * 1024);
    } else {
        EXPECT_TRUE(FreeBytesFor(fs::temp_directory_path().string() + "/cut.avi").has_value());
    }
    EXPECT_FALSE(FreeBytesFor("/no/such/folder/cut.avi").has_value());
}

}  // namespace
