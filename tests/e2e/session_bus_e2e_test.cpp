// Without a session bus the program stays off D-Bus: it never has one started for it
// (libdbus would otherwise autolaunch dbus-launch and a daemon that outlives the program).
#include <gtest/gtest.h>

#include <dirent.h>

#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "tests/e2e/program_test.h"

using namespace e2e;

namespace {

// Bus programs whose environment carries this sandbox's home: started on our behalf,
// whether still our children or already handed to init by dbus-launch.
std::vector<std::string> BusProgramsOf(const std::string& home) {
    std::vector<std::string> found;
    DIR* proc = ::opendir("/proc");
    if (!proc)
        return found;
    while (dirent* e = ::readdir(proc)) {
        const std::string pid = e->d_name;
        if (pid.find_first_not_of("0123456789") != std::string::npos)
            continue;
        std::string comm;
        std::getline(std::ifstream("/proc/" + pid + "/comm"), comm);
        if (comm.rfind("dbus-", 0) != 0)
            continue;
        std::ifstream environ("/proc/" + pid + "/environ", std::ios::binary);
        const std::string env((std::istreambuf_iterator<char>(environ)),
                              std::istreambuf_iterator<char>());
        if (env.find("HOME=" + home + '\0') != std::string::npos)
            found.push_back(comm + " " + pid);
    }
    ::closedir(proc);
    return found;
}

class SessionBusE2E : public ProgramTest {};

TEST_F(SessionBusE2E, WithoutABusNoneIsStartedAndTheMediaControlsStayOff) {
    box.SetEnv("DBUS_SESSION_BUS_ADDRESS", "");
    std::string main;
    auto app = Start({}, &main);
    ASSERT_FALSE(main.empty());
    EXPECT_TRUE(app->WaitForLog("no session bus; media controls are off", 15000)) << app->Log();
    EXPECT_TRUE(app->Running());
    const std::vector<std::string> started = BusProgramsOf(box.Root() + "/home");
    EXPECT_TRUE(started.empty()) << started.front();
}

}  // namespace
