// The real program under X: windows appear, the list plays and advances, the transport
// controls work, the viewer shows frames and goes full screen and back, settings survive
// a restart, a second instance leaves the first alone, playlists round-trip, and a broken
// file in the list does not stop the rest.
#include <gtest/gtest.h>

#include <QImage>
#include <QThread>
#include <filesystem>
#include <fstream>
#include <map>
#include <regex>
#include <sstream>

#include "tests/e2e/x11_session.h"
#include "tests/support/media_factory.h"

namespace fs = std::filesystem;
using namespace e2e;

namespace {

constexpr const char* kMainTitle = "VELTRA";
constexpr const char* kViewerTitle = "VELTRA Viewer";

bool Near(QRgb a, QRgb b, int tolerance = 40) {
    return std::abs(qRed(a) - qRed(b)) <= tolerance &&
           std::abs(qGreen(a) - qGreen(b)) <= tolerance &&
           std::abs(qBlue(a) - qBlue(b)) <= tolerance;
}

void WriteText(const std::string& path, const std::string& text) {
    std::ofstream f(path, std::ios::binary);
    f << text;
}

class PlayerE2E : public ::testing::Test {
  protected:
    void SetUp() override {
        std::string why;
        if (!DisplayUsable(&why))
            GTEST_SKIP() << why;
        ASSERT_TRUE(box.Ok());
    }

    // Starts the program and waits for its main window and its layout report.
    std::unique_ptr<VeltraProcess> Start(const std::vector<std::string>& args,
                                         std::string* window) {
        auto app = std::make_unique<VeltraProcess>(box, args);
        *window = WaitForWindow(kMainTitle, app->Pid(), 15000);
        EXPECT_FALSE(window->empty()) << app->Log();
        EXPECT_TRUE(app->WaitForLog("layout next", 5000)) << app->Log();
        return app;
    }

    std::string Media(const std::string& name) { return box.MediaDir() + "/" + name; }

    Sandbox box;
};

TEST_F(PlayerE2E, ListPlaysEachItemAndAdvancesToTheNext) {
    std::string a = testmedia::Tone(box.MediaDir(), "first.wav", 1.0);
    std::string b = testmedia::Tone(box.MediaDir(), "second.mp3", 1.0);
    ASSERT_FALSE(a.empty() || b.empty());
    WriteText(Media("two.vpl"), "first.wav\r\nsecond.mp3\r\n");
    std::string win;
    auto app = Start({Media("two.vpl")}, &win);
    ASSERT_FALSE(win.empty());
    QRect g = WindowGeometry(win);
    EXPECT_EQ(g.size(), QSize(380, 310)) << "first run opens at the default size";

    auto layout = Layout(*app);
    ASSERT_TRUE(layout.count("list"));
    // Double-click the first row (just below the list's header).
    Click(win, QPoint(layout["list"].x() + 40, layout["list"].y() + 36), 2);
    ASSERT_TRUE(app->WaitForLog("open row 0 mode 3 engine 1 ok: " + a, 8000)) << app->Log();
    ASSERT_TRUE(app->WaitForLog("open row 1 mode 3 engine 1 ok: " + b, 8000)) << app->Log();
    ASSERT_TRUE(app->WaitForLog("end of row 1", 8000)) << app->Log();
    QThread::msleep(300);
    EXPECT_EQ(app->CountInLog("open row 2"), 0) << "nothing after the last row";
    EXPECT_TRUE(app->Running());
}

TEST_F(PlayerE2E, PauseStopAndSeekThroughTheControls) {
    std::string song = testmedia::Tone(box.MediaDir(), "long.wav", 8.0);
    ASSERT_FALSE(song.empty());
    std::string win;
    auto app = Start({song}, &win);
    ASSERT_FALSE(win.empty());
    auto layout = Layout(*app);
    Click(win, QPoint(layout["list"].x() + 40, layout["list"].y() + 36));  // select row 0
    Click(win, Centre(layout["play"]));
    ASSERT_TRUE(app->WaitForLog("open row 0 mode 3 engine 1 ok", 8000)) << app->Log();
    Click(win, Centre(layout["pause"]));
    ASSERT_TRUE(app->WaitForLog("paused", 5000)) << app->Log();
    Click(win, Centre(layout["play"]));
    ASSERT_TRUE(app->WaitForLog("resumed", 5000)) << app->Log();
    EXPECT_EQ(app->CountInLog("open row 0"), 1) << "play on the paused item resumes it";

    // A click in the seek channel near its right end jumps there (end of scroll: seek).
    QRect seek = layout["seek"];
    Click(win, QPoint(seek.right() - 20, seek.y() + seek.height() / 2));
    ASSERT_TRUE(app->WaitForLog("seek to ", 5000)) << app->Log();

    Click(win, Centre(layout["stop"]));
    ASSERT_TRUE(app->WaitForLog("stopped", 5000)) << app->Log();
    QThread::msleep(500);
    EXPECT_EQ(app->CountInLog("end of row"), 0) << "a stopped item does not advance";
}

TEST_F(PlayerE2E, ViewerShowsTheVideoFramesAndFullScreenComesBack) {
    std::string clip = testmedia::Video(box.MediaDir(), "pattern.avi", 6.0, 320, 240, false);
    ASSERT_FALSE(clip.empty());
    // Keep the two windows apart on the screen.
    WriteText(box.IniPath(),
              "[MAIN]\r\nSIZE=0,0,380,310,1,0\r\n[VIEW]\r\nSIZE=400,0,720,240,1,0\r\n");
    std::string win;
    auto app = Start({clip}, &win);
    ASSERT_FALSE(win.empty());
    auto layout = Layout(*app);
    Click(win, QPoint(layout["list"].x() + 40, layout["list"].y() + 36), 2);
    ASSERT_TRUE(app->WaitForLog("open row 0 mode 2 engine 1 ok", 8000)) << app->Log();
    std::string viewer = WaitForWindow(kViewerTitle, app->Pid(), 5000);
    ASSERT_FALSE(viewer.empty());
    QThread::msleep(1200);  // a few frames in

    QRect vg = WindowGeometry(viewer);
    // A 320 x 240 video makes the viewer 350 x 285, then 380 x 285 by the proportion rule.
    EXPECT_EQ(vg.size(), QSize(380, 285));
    QRect area(vg.x() + 15, vg.y() + 25, vg.width() - 30, vg.height() - 45);
    QImage shot = ScreenshotOf(area);
    if (shot.isNull())
        GTEST_SKIP() << "the screen's visual cannot be read back";
    // The test pattern's top bars, left to right: white, yellow, cyan, green, magenta, red, blue.
    const QRgb bars[] = {qRgb(235, 235, 235), qRgb(235, 235, 16), qRgb(16, 235, 235),
                         qRgb(16, 235, 16),   qRgb(235, 16, 235), qRgb(235, 16, 16),
                         qRgb(16, 16, 235)};
    for (int i = 0; i < 7; ++i) {
        QPoint p(shot.width() * (2 * i + 1) / 14, shot.height() / 3);
        EXPECT_TRUE(Near(shot.pixel(p), bars[i]))
            << "bar " << i << " is " << std::hex << shot.pixel(p);
    }

    Key(viewer, "f");
    ASSERT_TRUE(WaitFor(
        [&] {
            return WindowGeometry(viewer).topLeft() == QPoint(0, 0) &&
                   WindowGeometry(viewer).width() > vg.width();
        },
        5000))
        << "full screen";
    Key(viewer, "f");
    ASSERT_TRUE(WaitFor([&] { return WindowGeometry(viewer) == vg; }, 5000))
        << "back to the window it was";

    // Escape closes the viewer and stops the video.
    Key(viewer, "Escape");
    ASSERT_TRUE(app->WaitForLog("stopped", 5000)) << app->Log();
    EXPECT_TRUE(WaitFor([&] { return WindowGone(kViewerTitle, app->Pid()); }, 5000));
}

TEST_F(PlayerE2E, ClosingSavesThePlacementAndTheNextStartRestoresIt) {
    std::string win;
    {
        auto app = Start({}, &win);
        ASSERT_FALSE(win.empty());
        auto layout = Layout(*app);
        Click(win, Centre(layout["close"]));
        int code = -1;
        ASSERT_TRUE(app->WaitForExit(8000, &code)) << app->Log();
        EXPECT_EQ(code, 0);
    }
    std::string ini = testmedia::ReadFile(box.IniPath());
    EXPECT_NE(ini.find("[MAIN]"), std::string::npos) << ini;
    EXPECT_NE(ini.find("SIZE="), std::string::npos) << ini;
    EXPECT_NE(ini.find("STRECH=FALSE"), std::string::npos) << ini;

    WriteText(box.IniPath(), "[MAIN]\r\nSIZE=40,30,470,380,1,0\r\nSTRECH=TRUE\r\n");
    auto again = Start({}, &win);
    ASSERT_FALSE(win.empty());
    EXPECT_TRUE(WaitFor([&] { return WindowGeometry(win) == QRect(40, 30, 430, 350); }, 3000))
        << "restored at " << WindowGeometry(win).x() << "," << WindowGeometry(win).y() << " "
        << WindowGeometry(win).width() << "x" << WindowGeometry(win).height();
    auto layout = Layout(*again);
    Click(win, Centre(layout["close"]));
    ASSERT_TRUE(again->WaitForExit(8000));
    EXPECT_NE(testmedia::ReadFile(box.IniPath()).find("STRECH=TRUE"), std::string::npos);
}

TEST_F(PlayerE2E, SecondInstanceWarnsEndsAndLeavesTheFirstRunning) {
    std::string win;
    auto first = Start({}, &win);
    ASSERT_FALSE(win.empty());
    VeltraProcess second(box, {});
    std::string warning = WaitForWindow("警告", second.Pid(), 10000);
    ASSERT_FALSE(warning.empty()) << second.Log();
    Key(warning, "Return");
    ASSERT_TRUE(second.WaitForExit(5000));
    EXPECT_TRUE(first->Running());
    EXPECT_FALSE(FindWindows(kMainTitle, first->Pid()).empty());
}

TEST_F(PlayerE2E, PlaylistSavedWithOddNamesLoadsBackInOrder) {
    std::string folder = box.MediaDir() + "/my songs ünd Lieder";
    fs::create_directories(folder);
    std::string a = testmedia::Tone(folder, "erste Spur.wav", 0.5);
    std::string b = testmedia::Tone(folder, "曲 two.mp3", 0.5);
    ASSERT_FALSE(a.empty() || b.empty());
    WriteText(folder + "/in.vpl", "erste Spur.wav\r\n曲 two.mp3\r\n");
    std::string win;
    auto app = Start({folder + "/in.vpl"}, &win);
    ASSERT_FALSE(win.empty());
    auto layout = Layout(*app);
    // MENU, then File > Save playlist, and the save prompt gets the new name typed in.
    Click(win, Centre(layout["menu"]));
    QThread::msleep(300);
    // Into the first sub-menu (File), then its second item.
    RunTool({"xdotool", "key", "--delay", "120", "Down", "Right", "Down", "Return"});
    std::string saved = folder + "/saved list.vpl";
    std::string prompt;
    ASSERT_TRUE(WaitFor(
        [&] {
            return !(prompt =
                         [&] {
                             auto ids = FindWindows(".*", app->Pid());
                             for (auto& id : ids)
                                 if (id != win)
                                     return id;
                             return std::string();
                         }())
                        .empty();
        },
        5000));
    TypeText(prompt, saved);
    Key(prompt, "Return");
    ASSERT_TRUE(WaitFor([&] { return fs::exists(saved); }, 5000)) << app->Log();
    EXPECT_EQ(testmedia::ReadFile(saved), "erste Spur.wav\r\n曲 two.mp3\r\n");
    Click(win, Centre(layout["close"]));
    ASSERT_TRUE(app->WaitForExit(8000));

    auto again = Start({saved}, &win);
    auto l2 = Layout(*again);
    Click(win, QPoint(l2["list"].x() + 40, l2["list"].y() + 36), 2);
    ASSERT_TRUE(again->WaitForLog("open row 0 mode 3 engine 1 ok: " + a, 8000)) << again->Log();
    ASSERT_TRUE(again->WaitForLog("open row 1 mode 3 engine 1 ok: " + b, 8000)) << again->Log();
}

TEST_F(PlayerE2E, DamagedFileInTheMiddleDoesNotStopTheList) {
    std::string a = testmedia::Tone(box.MediaDir(), "one.wav", 0.6);
    testmedia::WriteBytes(box.MediaDir(), "broken.mp3", std::string(4000, '\x5a'));
    std::string c = testmedia::Tone(box.MediaDir(), "three.wav", 0.6);
    WriteText(Media("mixed.vpl"), "one.wav\r\nbroken.mp3\r\nthree.wav\r\n");
    std::string win;
    auto app = Start({Media("mixed.vpl")}, &win);
    ASSERT_FALSE(win.empty());
    auto layout = Layout(*app);
    Click(win, QPoint(layout["list"].x() + 40, layout["list"].y() + 36), 2);
    // The engine may report the damaged file in a warning box; answer it.
    bool reached = WaitFor(
        [&] {
            for (auto& id : FindWindows("警告", app->Pid())) Key(id, "Return");
            return app->Log().find("open row 2 mode 3 engine 1 ok: " + c) != std::string::npos;
        },
        15000);
    EXPECT_TRUE(reached) << app->Log();
    EXPECT_TRUE(app->Running());
}

}  // namespace
