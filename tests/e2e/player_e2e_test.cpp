// The real program under X: windows appear, the list plays and advances, the transport
// controls work, the viewer shows frames and goes full screen and back, settings survive
// a restart, a second instance leaves the first alone, playlists round-trip, and a broken
// file in the list does not stop the rest. Then what a user sees and hears: the viewer
// beside the list and in proportion after a drag, a paused picture filling full screen and
// its window again, full screen left for a window, pictures
// that neither pause nor advance, the playing row marked through a sort, the seek channel
// paging a fifth of the item, hover after a click, and a 48 kHz Ogg file heard clean.
#include <gtest/gtest.h>

#include <QImage>
#include <QRegularExpression>
#include <QThread>
#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>

#include "tests/e2e/program_test.h"
#include "tests/platform/tone_distortion.h"
#include "tests/support/media_factory.h"

namespace fs = std::filesystem;
using namespace e2e;

namespace {

constexpr const char* kMainTitle = "VELTRA";

bool Near(QRgb a, QRgb b, int tolerance = 40) {
    return std::abs(qRed(a) - qRed(b)) <= tolerance &&
           std::abs(qGreen(a) - qGreen(b)) <= tolerance &&
           std::abs(qBlue(a) - qBlue(b)) <= tolerance;
}

void WriteText(const std::string& path, const std::string& text) {
    std::ofstream f(path, std::ios::binary);
    f << text;
}

bool InProportion(QSize window, QSize video) {
    return std::abs(window.width() * video.height() - window.height() * video.width()) <=
           std::max(video.width(), video.height());
}

// The bars of the test pattern across the top third of rect in shot: white, yellow, cyan,
// green, magenta, red, blue.
// Where the bars differ, the first one that does; empty when all seven are there.
std::string BarsMissing(const QImage& shot, const QRect& rect) {
    const QRgb bars[] = {qRgb(235, 235, 235), qRgb(235, 235, 16), qRgb(16, 235, 235),
                         qRgb(16, 235, 16),   qRgb(235, 16, 235), qRgb(235, 16, 16),
                         qRgb(16, 16, 235)};
    if (shot.isNull())
        return "nothing read back";
    for (int i = 0; i < 7; ++i) {
        QPoint p(rect.x() + rect.width() * (2 * i + 1) / 14, rect.y() + rect.height() / 3);
        if (!shot.rect().contains(p) || !Near(shot.pixel(p), bars[i])) {
            std::ostringstream why;
            why << "bar " << i << " at " << p.x() << "," << p.y() << " is " << std::hex
                << (shot.rect().contains(p) ? shot.pixel(p) : 0u);
            return why.str();
        }
    }
    return {};
}

bool BarsIn(const QImage& shot, const QRect& rect) {
    return BarsMissing(shot, rect).empty();
}

void ExpectBarsIn(const QImage& shot, const QRect& rect) {
    const std::string missing = BarsMissing(shot, rect);
    EXPECT_TRUE(missing.empty()) << missing;
}

// The viewer's picture area once it shows the bars and its window stays put between two
// looks; the last look when that never comes (null where the screen cannot be read back).
QImage PictureShowingBars(const std::string& viewer) {
    QImage shot;
    WaitFor(
        [&] {
            const QRect g = WindowGeometry(viewer);
            shot = ScreenshotOf(QRect(g.x() + 15, g.y() + 25, g.width() - 30, g.height() - 45));
            return shot.isNull() || (BarsIn(shot, shot.rect()) && WindowGeometry(viewer) == g);
        },
        30000);
    return shot;
}

// A barrier in the program's own window thread: the volume keys, down a step and up again,
// each answered in the log. Whatever the thread had to do before them (an end reported, a
// key handled) is done once both answers are there.
bool KeysAnswered(VeltraProcess& app, const std::string& main) {
    const int before = app.CountInLog("veltra.player: volume ");
    Key(main, "minus");
    Key(main, "equal");
    return WaitFor([&] { return app.CountInLog("veltra.player: volume ") >= before + 2; }, 30000);
}

class PlayerE2E : public ProgramTest {
  protected:
    struct Playing {
        std::unique_ptr<VeltraProcess> app;
        std::string main, viewer;
    };
    // The program started on a 6 s colour-bar clip of 320 x 240, played by a double click
    // on its row; viewer stays empty, with a failure recorded, when it never came.
    Playing PlayPattern() {
        Playing p;
        std::string clip = testmedia::Video(box.MediaDir(), "pattern.avi", 6.0, 320, 240, false);
        if (clip.empty()) {
            ADD_FAILURE() << "no test clip";
            return p;
        }
        p.app = Start({clip}, &p.main);
        if (p.main.empty())
            return p;
        p.viewer = ShowFirstRow(*p.app, p.main, "open row 0 mode 2 engine 1 ok");
        return p;
    }
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
    ASSERT_TRUE(PlayFirstRow(*app, win, "open row 0 mode 3 engine 1 ok: " + a));
    ASSERT_TRUE(app->WaitForLog("open row 1 mode 3 engine 1 ok: " + b, 8000)) << app->Log();
    ASSERT_TRUE(app->WaitForLog("end of row 1", 8000)) << app->Log();
    // The advance is decided where the end is handled; a key answered after it, any next
    // item would have been started.
    ASSERT_TRUE(KeysAnswered(*app, win));
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
    Click(win, FirstRow(layout));  // select row 0
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
    // An end the engine reported before the stop has reached the window by now.
    ASSERT_TRUE(KeysAnswered(*app, win));
    EXPECT_EQ(app->CountInLog("end of row"), 0) << "a stopped item does not advance";
}

TEST_F(PlayerE2E, ViewerShowsTheVideoFramesAndFullScreenComesBack) {
    // Keep the two windows apart on the screen.
    WriteText(box.IniPath(),
              "[MAIN]\r\nSIZE=0,0,380,310,1,0\r\n[VIEW]\r\nSIZE=400,0,720,240,1,0\r\n");
    auto [app, win, viewer] = PlayPattern();
    ASSERT_FALSE(viewer.empty());
    // A 320 x 240 video makes the viewer 350 x 285, then 380 x 285 by the proportion rule.
    WaitFor([&] { return WindowGeometry(viewer).size() == QSize(380, 285); }, 30000);
    QRect vg = WindowGeometry(viewer);
    EXPECT_EQ(vg.size(), QSize(380, 285));
    const QImage shot = PictureShowingBars(viewer);
    if (shot.isNull())
        GTEST_SKIP() << "the screen's visual cannot be read back";
    ExpectBarsIn(shot, shot.rect());

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
    ASSERT_FALSE(OpenMenu(win, Centre(layout["menu"]), app->Pid()).empty());
    // Into the first sub-menu (File), then its second item.
    RunTool({"xdotool", "key", "--delay", "120", "Down", "Right", "Down", "Return"});
    // xdotool types a character the keyboard map lacks by remapping a key for a moment,
    // which a slow program may read after the map is back: the list goes to a folder with
    // a plain name, and the odd folder's name stands in its lines.
    fs::create_directories(box.MediaDir() + "/lists");
    std::string saved = box.MediaDir() + "/lists/saved list.vpl";
    // The menu's own popup may still be up for a moment: wait for the prompt by its title.
    std::string prompt = WaitForWindow("保存するメディアファイル...", app->Pid(), 5000);
    ASSERT_FALSE(prompt.empty());
    ASSERT_TRUE(AnswerPathPrompt(prompt, saved, app->Pid())) << app->Log();
    ASSERT_TRUE(WaitFor([&] { return fs::exists(saved); }, 5000)) << app->Log();
    EXPECT_EQ(testmedia::ReadFile(saved),
              "../my songs ünd Lieder/erste Spur.wav\r\n../my songs ünd Lieder/曲 two.mp3\r\n");
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
    Click(win, FirstRow(layout), 2);
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

// Within a pixel of the video's proportions (the rule truncates one side).
TEST_F(PlayerE2E, APausedVideoFillsTheFullScreenAndItsWindowAgain) {
    WriteText(box.IniPath(),
              "[MAIN]\r\nSIZE=0,0,380,310,1,0\r\n[VIEW]\r\nSIZE=400,0,720,240,1,0\r\n");
    auto [app, win, viewer] = PlayPattern();
    ASSERT_FALSE(viewer.empty());
    PictureShowingBars(viewer);  // playing, at its size
    const QRect windowed = WindowGeometry(viewer);
    Key(viewer, "t");
    ASSERT_TRUE(app->WaitForLog("paused", 5000)) << app->Log();

    // No frame comes while paused: the one on screen is shown at the new size.
    Key(viewer, "f");
    ASSERT_TRUE(WaitFor([&] { return WindowGeometry(viewer).topLeft() == QPoint(0, 0); }, 5000));
    QImage screen = Screenshot();
    if (screen.isNull())
        GTEST_SKIP() << "the screen's visual cannot be read back";
    int w = std::max(320, screen.width());
    int h = w * 240 / 320;
    if (h > screen.height()) {
        h = screen.height();
        w = h * 320 / 240;
    }
    const QRect full((screen.width() - w) / 2, (screen.height() - h) / 2, w, h);
    WaitFor(
        [&] {
            screen = Screenshot();
            return BarsIn(screen, full);
        },
        30000);
    ExpectBarsIn(screen, full);

    Key(viewer, "f");
    ASSERT_TRUE(WaitFor([&] { return WindowGeometry(viewer) == windowed; }, 5000));
    const QImage back = PictureShowingBars(viewer);
    ExpectBarsIn(back, back.rect());
}

TEST_F(PlayerE2E, ViewerOpensBesideTheListAndAGripDragEndsInProportion) {
    auto [app, win, viewer] = PlayPattern();
    ASSERT_FALSE(viewer.empty());
    EXPECT_EQ(app->Log().find("translation not found"), std::string::npos)
        << "Qt's own dialogs would speak English";
    PictureShowingBars(viewer);  // placed and at its size
    const QRect main = WindowGeometry(win), first = WindowGeometry(viewer);
    EXPECT_FALSE(first.intersects(main)) << "the viewer covers the list";
    EXPECT_EQ(first.size(), QSize(380, 285));

    // Sideways only, out, back and out again to the same place.
    const QPoint grip(first.width() - 3, first.height() - 3);
    Drag(viewer, grip,
         {grip + QPoint(60, 0), grip + QPoint(20, 0), grip + QPoint(60, 0), grip + QPoint(60, 1)});
    QRect dragged = WindowGeometry(viewer);
    EXPECT_EQ(dragged.width(), first.width() + 60);
    EXPECT_TRUE(InProportion(dragged.size(), {320, 240}))
        << dragged.width() << "x" << dragged.height();
    // Downwards: the width follows.
    const QPoint grip2(dragged.width() - 3, dragged.height() - 3);
    Drag(viewer, grip2, {grip2 + QPoint(0, 40), grip2 + QPoint(2, 80)});
    dragged = WindowGeometry(viewer);
    EXPECT_TRUE(InProportion(dragged.size(), {320, 240}))
        << dragged.width() << "x" << dragged.height();
    EXPECT_GT(dragged.height(), first.height() + 60);
}

TEST_F(PlayerE2E, FullScreenLeftWithEscapeComesBackAsAWindow) {
    auto [app, win, viewer] = PlayPattern();
    ASSERT_FALSE(viewer.empty());
    PictureShowingBars(viewer);  // placed and at its size
    const QRect windowed = WindowGeometry(viewer);
    Key(viewer, "f");
    ASSERT_TRUE(WaitFor(
        [&] {
            return WindowGeometry(viewer).topLeft() == QPoint(0, 0) &&
                   WindowGeometry(viewer).width() > windowed.width();
        },
        5000));
    // The first Escape only leaves full screen; the video goes on in the window.
    Key(viewer, "Escape");
    ASSERT_TRUE(WaitFor([&] { return WindowGeometry(viewer) == windowed; }, 5000))
        << "at " << WindowGeometry(viewer).width() << "x" << WindowGeometry(viewer).height();
    EXPECT_FALSE(WindowGone(kViewerTitle, app->Pid()));
    // The next one closes the viewer and stops the video, as it always did.
    Key(viewer, "Escape");
    ASSERT_TRUE(app->WaitForLog("stopped", 5000)) << app->Log();
    ASSERT_TRUE(WaitFor([&] { return WindowGone(kViewerTitle, app->Pid()); }, 5000));

    // Shown again with the Viewer button: the window it was, not a black screen.
    Click(win, Centre(Layout(*app)["viewer"]));
    std::string again = WaitForWindow(kViewerTitle, app->Pid(), 5000);
    ASSERT_FALSE(again.empty());
    EXPECT_TRUE(WaitFor([&] { return WindowGeometry(again) == windowed; }, 3000))
        << "back at " << WindowGeometry(again).width() << "x" << WindowGeometry(again).height();
    Key(again, "f");  // nothing to show: stays a window
    ASSERT_TRUE(KeysAnswered(*app, win));
    EXPECT_EQ(WindowGeometry(again), windowed);
}

TEST_F(PlayerE2E, APictureAfterASongShowsPlayAndNeverAdvances) {
    std::string song = testmedia::Tone(box.MediaDir(), "song.wav", 8.0);
    std::string picture = testmedia::Picture(box.MediaDir(), "photo.jpg", 320, 240);
    std::string after = testmedia::Tone(box.MediaDir(), "after.wav", 1.0);
    ASSERT_FALSE(song.empty() || picture.empty() || after.empty());
    WriteText(Media("three.vpl"), "song.wav\r\nphoto.jpg\r\nafter.wav\r\n");
    WriteText(box.IniPath(), "[VIEW]\r\nSIZE=400,400,720,640,1,0\r\n");
    std::string win;
    auto app = Start({Media("three.vpl")}, &win);
    ASSERT_FALSE(win.empty());
    auto layout = Layout(*app);
    const QRect play = layout["play"];
    // The start file plays by itself; these checks begin from a stopped list.
    ASSERT_TRUE(app->WaitForLog("open row 0 ", 8000)) << app->Log();
    Click(win, Centre(layout["stop"]));
    ASSERT_TRUE(app->WaitForLog("stopped", 8000)) << app->Log();
    MoveTo(win, QPoint(5, 300));
    const QImage playShown = ScreenshotOf(play.translated(WindowGeometry(win).topLeft()));
    if (playShown.isNull())
        GTEST_SKIP() << "the screen's visual cannot be read back";
    auto button = [&] { return ScreenshotOf(play.translated(WindowGeometry(win).topLeft())); };

    const int rowHeight = 18;
    ASSERT_TRUE(PlayFirstRow(*app, win, "open row 0 mode 3 engine 1 ok: " + song));
    MoveTo(win, QPoint(5, 300));
    EXPECT_TRUE(WaitFor([&] { return button() != playShown; }, 3000)) << "pause while it plays";

    Click(win, FirstRow(layout) + QPoint(0, rowHeight), 2);
    ASSERT_TRUE(app->WaitForLog("open row 1 mode 1 engine 1 ok: " + picture, 8000)) << app->Log();
    MoveTo(win, QPoint(5, 300));
    EXPECT_TRUE(WaitFor([&] { return button() == playShown; }, 3000))
        << "a picture plays nothing: the play button shows";
    // The viewer's pause key, and time: still the picture.
    std::string viewer = WaitForWindow(kViewerTitle, app->Pid(), 5000);
    ASSERT_FALSE(viewer.empty());
    Key(viewer, "t");
    ASSERT_TRUE(KeysAnswered(*app, win));
    // What is checked is that time alone moves nothing on, and a still picture has no
    // clock of its own to watch: the one negative check that is given time itself.
    QThread::msleep(1500);
    EXPECT_EQ(app->CountInLog("open row 2"), 0) << app->Log();
    EXPECT_EQ(app->CountInLog("end of row"), 0) << app->Log();
}

// Rows of the list's icon column that show the play badge's green.
std::vector<int> BadgeRows(const QImage& strip) {
    std::vector<int> rows;
    for (int y = 0; y < strip.height(); ++y)
        for (int x = 0; x < strip.width(); ++x)
            if (Near(strip.pixel(x, y), qRgb(30, 160, 60), 30)) {
                rows.push_back(y);
                break;
            }
    return rows;
}

TEST_F(PlayerE2E, ThePlayingRowIsMarkedAndTheMarkFollowsASort) {
    std::string b = testmedia::Tone(box.MediaDir(), "b.wav", 8.0);
    std::string a = testmedia::Tone(box.MediaDir(), "a.wav", 8.0);
    ASSERT_FALSE(a.empty() || b.empty());
    WriteText(Media("two.vpl"), "b.wav\r\na.wav\r\n");
    std::string win;
    auto app = Start({Media("two.vpl")}, &win);
    ASSERT_FALSE(win.empty());
    auto layout = Layout(*app);
    const QRect list = layout["list"];
    // The start file plays by itself; these checks begin from a stopped list.
    ASSERT_TRUE(app->WaitForLog("open row 0 ", 8000)) << app->Log();
    Click(win, Centre(layout["stop"]));
    ASSERT_TRUE(app->WaitForLog("stopped", 8000)) << app->Log();
    auto iconColumn = [&] {
        return ScreenshotOf(QRect(list.x() + 1, list.y(), 24, list.height())
                                .translated(WindowGeometry(win).topLeft()));
    };
    QImage before = iconColumn();
    if (before.isNull())
        GTEST_SKIP() << "the screen's visual cannot be read back";
    EXPECT_TRUE(BadgeRows(before).empty()) << "nothing plays yet";

    Click(win, QPoint(list.x() + 40, list.y() + 36), 2);
    ASSERT_TRUE(app->WaitForLog("open row 0 mode 3 engine 1 ok: " + b, 8000)) << app->Log();
    std::vector<int> playing;
    ASSERT_TRUE(WaitFor([&] { return !(playing = BadgeRows(iconColumn())).empty(); }, 3000));
    EXPECT_LT(playing.front(), 40) << "on the first row";

    // Sort by name: b goes below a, and the mark goes with it.
    Click(win, QPoint(list.x() + 30, list.y() + 8));
    std::vector<int> sorted;
    ASSERT_TRUE(WaitFor(
        [&] {
            sorted = BadgeRows(iconColumn());
            return !sorted.empty() && sorted.front() > playing.back();
        },
        3000));
    EXPECT_EQ(sorted.size(), playing.size());
    EXPECT_NEAR(sorted.front() - playing.front(), 18, 3) << "one row further down";

    Click(win, Centre(layout["stop"]));
    ASSERT_TRUE(app->WaitForLog("stopped", 5000));
    EXPECT_TRUE(WaitFor([&] { return BadgeRows(iconColumn()).empty(); }, 3000))
        << "nothing plays after Stop";
}

TEST_F(PlayerE2E, TheSeekChannelPagesAFifthOfTheItem) {
    std::string song = testmedia::Tone(box.MediaDir(), "long.wav", 8.0);
    ASSERT_FALSE(song.empty());
    std::string win;
    auto app = Start({song}, &win);
    ASSERT_FALSE(win.empty());
    auto layout = Layout(*app);
    ASSERT_TRUE(PlayFirstRow(*app, win, "open row 0 mode 3 engine 1 ok"));
    Click(win, Centre(layout["pause"]));
    ASSERT_TRUE(app->WaitForLog("paused", 5000)) << app->Log();
    const QRect seek = layout["seek"];
    const QPoint channel(seek.right() - 20, seek.y() + seek.height() / 2);
    Click(win, channel);
    ASSERT_TRUE(app->WaitForLog("seek to ", 5000)) << app->Log();
    Click(win, channel);
    ASSERT_TRUE(WaitFor([&] { return app->CountInLog("seek to ") >= 2; }, 5000)) << app->Log();
    std::vector<int> to;
    const QString log = QString::fromStdString(app->Log());
    for (const auto& m : QRegularExpression(R"(seek to (\d+))").globalMatch(log))
        to.push_back(m.captured(1).toInt());
    ASSERT_GE(to.size(), 2u);
    EXPECT_EQ(to[1] - to[0], 16) << "8 s are 80 tenths: a page is 16 of them";
}

TEST_F(PlayerE2E, AButtonShowsItsHoverAgainRightAfterAClick) {
    std::string song = testmedia::Tone(box.MediaDir(), "song.wav", 4.0);
    ASSERT_FALSE(song.empty());
    std::string win;
    auto app = Start({song}, &win);
    ASSERT_FALSE(win.empty());
    auto layout = Layout(*app);
    RunTool({"xdotool", "windowfocus", "--sync", win});
    const QRect stop = layout["stop"];
    auto image = [&] { return ScreenshotOf(stop.translated(WindowGeometry(win).topLeft())); };
    MoveTo(win, QPoint(5, 300));
    const QImage normal = image();
    if (normal.isNull())
        GTEST_SKIP() << "the screen's visual cannot be read back";
    MoveTo(win, Centre(stop) + QPoint(-6, 0));
    MoveTo(win, Centre(stop));
    QImage hover;
    ASSERT_TRUE(WaitFor([&] { return !(hover = image()).isNull() && hover != normal; }, 3000))
        << "no hover over the button";
    Click(win, Centre(stop));
    ASSERT_TRUE(app->WaitForLog("stopped", 5000)) << app->Log();
    EXPECT_TRUE(WaitFor([&] { return image() == hover; }, 3000))
        << "the hover is back after the click, without leaving the button";
}

TEST_F(PlayerE2E, AnOggFileAt48kHzIsHeardWithoutConversionDistortion) {
    const std::string wav = testmedia::Tone(box.MediaDir(), "tone48k.wav", 4.0, 48000, 2, 5000);
    const std::string ogg = Media("tone48k.ogg");
    ASSERT_TRUE(!wav.empty() && testmedia::Run("oggenc -Q -q 10 -o '" + ogg + "' '" + wav + "'"));
    std::remove(wav.c_str());
    // The decoder's own error, as reference.
    const std::string raw = Media("decoded.raw");
    ASSERT_TRUE(testmedia::Run("oggdec -Q -R -o '" + raw + "' '" + ogg + "'"));
    const std::vector<int16_t> decoded = tonetest::ReadRawS16(raw);
    const double codecDb =
        tonetest::DistortionDb(tonetest::Channel(decoded, 2, 0, 9600, 8192), 48000, 5000);

    const std::string heardPath = box.Root() + "/heard.raw";
    box.SetEnv("SDL_AUDIODRIVER", "disk");
    box.SetEnv("SDL_DISKAUDIOFILE", heardPath);
    std::string win;
    auto app = Start({ogg}, &win);
    ASSERT_FALSE(win.empty());
    auto layout = Layout(*app);
    ASSERT_TRUE(PlayFirstRow(*app, win, "open row 0 mode 3 engine 2 ok"));
    // About a second of the tone heard (the ring holds three segments back at first).
    std::vector<int16_t> heard;
    size_t onset = 0;
    auto enough = [&] {
        heard = tonetest::ReadRawS16(heardPath);
        // The volume slider starts half way (-25 dB): the tone sets in at its own level.
        int peak = 0;
        for (int16_t v : heard) peak = std::max(peak, std::abs(int(v)));
        onset = 0;
        while (onset * 2 < heard.size() && std::abs(heard[onset * 2]) < std::max(100, peak / 4))
            ++onset;
        return heard.size() / 2 > onset + 4410 + 8192;
    };
    ASSERT_TRUE(WaitFor(enough, 10000)) << "heard " << heard.size() / 2 << " frames";
    for (int ch = 0; ch < 2; ++ch) {
        const double db = tonetest::DistortionDb(
            tonetest::Channel(heard, 2, ch, onset + 4410, 8192), 44100, 5000);
        std::printf("program, 5 kHz at 48000 Hz, channel %d: residual %.1f dB (decoder %.1f dB)\n",
                    ch, db, codecDb);
        EXPECT_LT(db, codecDb + 0.5) << "channel " << ch;
    }
}

}  // namespace
