// Opening from the desktop on the real program, under a private session bus: the first
// "veltra --enqueue" starts with all its files, the first playing; a second one hands its
// files to that copy and ends at once with status 0, and that copy plays the first of
// them; a plain second start still shows its warning.
#include <gtest/gtest.h>

#include <cstdlib>

#include "tests/e2e/session_bus_fixture.h"
#include "tests/support/media_factory.h"

using namespace e2e;

namespace {

class EnqueueE2E : public SessionBusTest {
  protected:
    EnqueueE2E() : SessionBusTest("playerctl") {}
};

}  // namespace

TEST_F(EnqueueE2E, SecondOpenGoesToTheRunningCopyAndPlaysThere) {
    const std::string a = testmedia::Tone(box.MediaDir(), "a.wav", 20.0);
    const std::string b = testmedia::Tone(box.MediaDir(), "b.wav", 20.0);
    const std::string c = testmedia::Tone(box.MediaDir(), "c.wav", 20.0);
    const std::string d = testmedia::Tone(box.MediaDir(), "d.wav", 20.0);
    ASSERT_FALSE(a.empty() || b.empty() || c.empty() || d.empty());

    std::string win;
    auto app = Start({"--enqueue", a, b}, &win);
    ASSERT_FALSE(Stopped());
    ASSERT_TRUE(app->WaitForLog("open row 0 mode 3 engine 1 ok: " + a, 15000)) << app->Log();
    ASSERT_TRUE(app->WaitForLog("registered as org.mpris.MediaPlayer2.veltra", 15000))
        << app->Log();
    EXPECT_TRUE(WaitFor([] { return Ctl({"status"}) == "Playing"; }, 10000));

    // "Open with" on two more files while it runs.
    VeltraProcess second(box, {"--enqueue", c, d});
    int code = -1;
    ASSERT_TRUE(second.WaitForExit(30000, &code)) << second.Log();
    EXPECT_EQ(code, 0) << second.Log();
    EXPECT_TRUE(FindWindows("警告", second.Pid()).empty());
    ASSERT_TRUE(app->WaitForLog("open row 2 mode 3 engine 1 ok: " + c, 15000)) << app->Log();
    EXPECT_TRUE(WaitFor(
        [&] {
            return Ctl({"metadata", "xesam:url"}) == "file://" + c;
        },
        10000))
        << Ctl({"metadata", "xesam:url"});
    // All four rows are there: Next from c reaches d.
    ASSERT_EQ(RunTool({"playerctl", "--player=veltra", "next"}), 0);
    EXPECT_TRUE(app->WaitForLog("open row 3 mode 3 engine 1 ok: " + d, 15000)) << app->Log();

    // A plain second start is still told that one runs.
    VeltraProcess plain(box, {a});
    EXPECT_FALSE(WaitForWindow("警告", plain.Pid(), 15000).empty()) << plain.Log();
    plain.Kill();
    EXPECT_TRUE(app->Running());
}
