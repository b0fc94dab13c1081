// What the hands of a desktop player's user expect, on the real program: a start file
// plays at once, the keys drive the transport, seek and volume, the wheel moves both
// sliders, Tab shows where the focus is, and the time of the item is on screen.
#include <gtest/gtest.h>

#include <QImage>
#include <QRegularExpression>
#include <fstream>

#include "tests/e2e/program_test.h"
#include "tests/support/media_factory.h"

using namespace e2e;

namespace {

// How many pixels of rect are close to colour.
int CountNear(const QImage& shot, const QRect& rect, QRgb colour, int tolerance = 30) {
    int n = 0;
    for (int y = rect.top(); y <= rect.bottom(); ++y)
        for (int x = rect.left(); x <= rect.right(); ++x) {
            const QRgb p = shot.pixel(x, y);
            if (std::abs(qRed(p) - qRed(colour)) <= tolerance &&
                std::abs(qGreen(p) - qGreen(colour)) <= tolerance &&
                std::abs(qBlue(p) - qBlue(colour)) <= tolerance)
                ++n;
        }
    return n;
}

// The last "<what> N" line of the log, or -1.
int LastNumber(const std::string& log, const std::string& what) {
    int last = -1;
    QRegularExpression re(QString::fromStdString(what) + QStringLiteral(" (-?\\d+)"));
    auto it = re.globalMatch(QString::fromStdString(log));
    while (it.hasNext()) last = it.next().captured(1).toInt();
    return last;
}

class KeyboardE2E : public ProgramTest {};

}  // namespace

TEST_F(KeyboardE2E, StartFilePlaysAndTheKeysDriveSeekVolumeAndPause) {
    const std::string song = testmedia::Tone(box.MediaDir(), "long.wav", 60.0);
    ASSERT_FALSE(song.empty());
    std::string win;
    auto app = Start({song}, &win);
    ASSERT_FALSE(win.empty());
    ASSERT_TRUE(app->WaitForLog("open row 0 mode 3 engine 1 ok: " + song, 15000)) << app->Log();

    // The readout shows elapsed and total time in the skin's dark blue.
    auto layout = Layout(*app);
    ASSERT_TRUE(layout.count("time")) << app->Log();
    const QRect time = layout["time"].translated(WindowGeometry(win).topLeft());
    EXPECT_TRUE(WaitFor(
        [&] {
            return CountNear(ScreenshotOf(time), QRect(QPoint(0, 0), time.size()),
                             qRgb(24, 52, 120)) > 20;
        },
        10000))
        << "no readout drawn";

    Key(win, "Right");
    ASSERT_TRUE(app->WaitForLog("seek to ", 10000)) << app->Log();
    EXPECT_GE(LastNumber(app->Log(), "seek to"), 50);
    const int afterFive = LastNumber(app->Log(), "seek to");
    Key(win, "shift+Right");
    ASSERT_TRUE(
        WaitFor([&] { return LastNumber(app->Log(), "seek to") >= afterFive + 290; }, 10000))
        << app->Log();
    const int afterThirty = LastNumber(app->Log(), "seek to");
    Key(win, "Left");
    ASSERT_TRUE(WaitFor(
        [&] {
            const int now = LastNumber(app->Log(), "seek to");
            return now < afterThirty && now >= afterThirty - 60;
        },
        10000))
        << app->Log();

    Key(win, "plus");
    ASSERT_TRUE(WaitFor([&] { return LastNumber(app->Log(), "volume") == 55; }, 10000))
        << app->Log();
    Key(win, "minus");
    Key(win, "minus");
    ASSERT_TRUE(WaitFor([&] { return LastNumber(app->Log(), "volume") == 45; }, 10000))
        << app->Log();

    // One notch of the wheel over the volume slider steps it, over the seek slider seeks.
    RunTool({"xdotool", "mousemove", "--window", win, std::to_string(Centre(layout["volume"]).x()),
             std::to_string(Centre(layout["volume"]).y()), "click", "4"});
    ASSERT_TRUE(WaitFor([&] { return LastNumber(app->Log(), "volume") == 50; }, 10000))
        << app->Log();
    const int seeks = app->CountInLog("seek to ");
    RunTool({"xdotool", "mousemove", "--window", win, std::to_string(Centre(layout["seek"]).x()),
             std::to_string(Centre(layout["seek"]).y()), "click", "4"});
    ASSERT_TRUE(WaitFor([&] { return app->CountInLog("seek to ") > seeks; }, 10000)) << app->Log();

    Key(win, "space");
    ASSERT_TRUE(app->WaitForLog("paused", 10000)) << app->Log();
    Key(win, "space");
    ASSERT_TRUE(app->WaitForLog("resumed", 10000)) << app->Log();
}

TEST_F(KeyboardE2E, EnterPlaysTheSelectedRowAndTabShowsTheFocusMark) {
    const std::string a = testmedia::Tone(box.MediaDir(), "a.wav", 30.0);
    const std::string b = testmedia::Tone(box.MediaDir(), "b.wav", 30.0);
    ASSERT_FALSE(a.empty() || b.empty());
    std::ofstream(box.MediaDir() + "/two.vpl") << "a.wav\r\nb.wav\r\n";
    std::string win;
    auto app = Start({box.MediaDir() + "/two.vpl"}, &win);
    ASSERT_FALSE(win.empty());
    ASSERT_TRUE(app->WaitForLog("open row 0 mode 3 engine 1 ok: " + a, 15000)) << app->Log();

    Key(win, "Down");
    Key(win, "Return");
    ASSERT_TRUE(app->WaitForLog("open row 1 mode 3 engine 1 ok: " + b, 10000)) << app->Log();

    // Tab leaves the list for the first skinned button, which then wears the dotted mark.
    auto layout = Layout(*app);
    const QRect button = layout["minimize"].translated(WindowGeometry(win).topLeft());
    const QRect inside(QPoint(0, 0), button.size());
    const int before = CountNear(ScreenshotOf(button), inside, qRgb(24, 52, 120), 12);
    Key(win, "Tab");
    EXPECT_TRUE(WaitFor(
        [&] { return CountNear(ScreenshotOf(button), inside, qRgb(24, 52, 120), 12) > before + 4; },
        10000))
        << "no focus mark on the button after Tab";
}

TEST_F(KeyboardE2E, TheListAndThePositionComeBackInTheNextRun) {
    const std::string song = testmedia::Tone(box.MediaDir(), "kept.wav", 60.0);
    ASSERT_FALSE(song.empty());
    {
        std::string win;
        auto app = Start({song}, &win);
        ASSERT_FALSE(win.empty());
        ASSERT_TRUE(app->WaitForLog("open row 0 mode 3 engine 1 ok: " + song, 15000));
        Key(win, "shift+Right");
        ASSERT_TRUE(app->WaitForLog("seek to ", 10000)) << app->Log();
        Click(win, Centre(Layout(*app)["close"]));
        ASSERT_TRUE(app->WaitForExit(15000)) << app->Log();
    }
    std::string win;
    auto app = Start({}, &win);
    ASSERT_FALSE(win.empty());
    EXPECT_EQ(app->CountInLog("open row"), 0) << "a restored list waits for the user";
    Key(win, "space");  // nothing selected: the first row, at its old place
    ASSERT_TRUE(app->WaitForLog("open row 0 mode 3 engine 1 ok: " + song, 10000)) << app->Log();
    ASSERT_TRUE(app->WaitForLog("resuming at ", 10000)) << app->Log();
    EXPECT_GE(LastNumber(app->Log(), "resuming at"), 290);
}
