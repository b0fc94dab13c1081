// The window keeps answering while a large picture (under the pixel bound) opens: a
// desktop client reads a property of the media controls over and over, before and while
// the picture loads, and no answer may come later than it does at rest by more than a
// frame or three. The peak memory of the load is printed beside it.
#include <gtest/gtest.h>

#include <QElapsedTimer>
#include <algorithm>
#include <atomic>
#include <cstdlib>
#include <fstream>
#include <string>
#include <thread>
#include <vector>

#include "tests/e2e/program_test.h"
#include "tests/e2e/session_bus_fixture.h"

using namespace e2e;

namespace {

constexpr const char* kBusName = "org.mpris.MediaPlayer2.veltra";

// Milliseconds one read of the playback status takes, the client's own start included.
double StatusReadMs() {
    QElapsedTimer clock;
    clock.start();
    RunTool({"dbus-send", "--session", "--print-reply", std::string("--dest=") + kBusName,
             "/org/mpris/MediaPlayer2", "org.freedesktop.DBus.Properties.Get",
             "string:org.mpris.MediaPlayer2.Player", "string:PlaybackStatus"},
            nullptr, 30000);
    return clock.nsecsElapsed() / 1e6;
}

double Median(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    return v.empty() ? 0.0 : v[v.size() / 2];
}

// The process's peak resident memory in kB (VmHWM), 0 when it cannot be read.
long PeakKb(qint64 pid) {
    std::ifstream status("/proc/" + std::to_string(pid) + "/status");
    std::string line;
    while (std::getline(status, line))
        if (line.rfind("VmHWM:", 0) == 0)
            return std::strtol(line.c_str() + 6, nullptr, 10);
    return 0;
}

class PictureLoadE2E : public SessionBusTest {
  protected:
    PictureLoadE2E() : SessionBusTest("dbus-send playerctl ffmpeg") {}
};

// Still fails: the open waits on the interface thread for the picture's first frame, about
// 2.6 s for 7000x7000 pixels on the development machine (peak 367 MB against 58 MB at rest).
TEST_F(PictureLoadE2E, DISABLED_TheWindowAnswersWhileALargePictureLoads) {
    const std::string picture = Media("large.png");
    ASSERT_EQ(RunTool({"ffmpeg", "-loglevel", "error", "-y", "-f", "lavfi", "-i",
                       "testsrc2=size=7000x7000", "-frames:v", "1", picture},
                      nullptr, 60000),
              0);

    std::string main;
    auto app = Start({}, &main);
    ASSERT_FALSE(main.empty());
    ASSERT_TRUE(app->WaitForLog(std::string("registered as ") + kBusName, 8000)) << app->Log();
    std::vector<double> rest;
    for (int i = 0; i < 20; ++i) rest.push_back(StatusReadMs());
    const long restKb = PeakKb(app->Pid());

    std::atomic<bool> loading{true};
    std::vector<double> during;
    std::thread client([&] {
        while (loading) during.push_back(StatusReadMs());
    });
    RunTool({"playerctl", "--player=veltra", "open", "file://" + picture});
    const bool opened = app->WaitForLog("ok: " + picture, 30000);
    // A few more reads after the open returns, while the picture is first drawn.
    for (int i = 0; i < 10 && opened; ++i) StatusReadMs();
    loading = false;
    client.join();
    ASSERT_TRUE(opened) << app->Log();

    const double base = Median(rest);
    const double worst = during.empty() ? 0.0 : *std::max_element(during.begin(), during.end());
    std::cout << "status read at rest " << base << " ms, worst while loading " << worst
              << " ms over " << during.size() << " reads; peak memory " << restKb << " kB at rest, "
              << PeakKb(app->Pid()) << " kB after the load\n";
    EXPECT_LT(worst - base, 50.0);
    EXPECT_TRUE(app->Running());
}

}  // namespace
