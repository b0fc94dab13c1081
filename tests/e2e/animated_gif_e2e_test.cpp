// The real program with an animated GIF in its list: the viewer shows its frames in turn,
// each for its own delay, and again from the first after the last, while the list stays
// on the picture and the transport shows nothing playing.
#include <gtest/gtest.h>

#include <QImage>
#include <QProcess>
#include <fstream>

#include "tests/e2e/program_test.h"
#include "tests/support/modern_media.h"

using namespace e2e;

namespace {

constexpr unsigned kRed = 0xFF0000, kGreen = 0x00FF00, kBlue = 0x0000FF;

// The nearest of the animation's colours to what the screen shows; 0 for none of them.
unsigned Which(QRgb seen) {
    for (unsigned c : {kRed, kGreen, kBlue}) {
        const QRgb want = 0xFF000000u | c;
        if (std::abs(qRed(seen) - qRed(want)) < 60 && std::abs(qGreen(seen) - qGreen(want)) < 60 &&
            std::abs(qBlue(seen) - qBlue(want)) < 60)
            return c;
    }
    return 0;
}

struct Shown {
    unsigned rgb;
    int ms;  // since the first look
};

// What the screen shows at `at`, looked at 25 times a second for `seconds` (one grabber
// throughout, so the looks come on time): each change to one of the animation's colours.
std::vector<Shown> Watch(QPoint at, int seconds) {
    constexpr int kRate = 25, kSide = 4;
    QProcess grab;
    grab.start(
        "ffmpeg",
        {"-loglevel", "error", "-f", "x11grab", "-draw_mouse", "0", "-framerate",
         QString::number(kRate), "-video_size", QStringLiteral("%1x%1").arg(kSide), "-i",
         QStringLiteral("%1+%2,%3").arg(qEnvironmentVariable("DISPLAY")).arg(at.x()).arg(at.y()),
         "-t", QString::number(seconds), "-f", "rawvideo", "-pix_fmt", "rgb24", "pipe:1"});
    grab.waitForFinished((seconds + 20) * 1000);
    const QByteArray data = grab.readAllStandardOutput();
    const int frameBytes = kSide * kSide * 3;
    std::vector<Shown> shown;
    for (int i = 0; (i + 1) * frameBytes <= data.size(); ++i) {
        const auto* px = reinterpret_cast<const unsigned char*>(data.constData()) + i * frameBytes;
        const unsigned c = Which(qRgb(px[0], px[1], px[2]));
        if (c && (shown.empty() || shown.back().rgb != c))
            shown.push_back({c, i * 1000 / kRate});
    }
    return shown;
}

using AnimatedGifE2E = ProgramTest;

TEST_F(AnimatedGifE2E, TheViewerAnimatesAGifAtItsDelaysAndTheListStaysOnIt) {
    const std::string dir = box.MediaDir();
    ASSERT_FALSE(
        testmedia::TimedGif(dir, "anim.gif", 120, 90, {{kRed, 50}, {kGreen, 100}, {kBlue, 50}})
            .empty());
    ASSERT_FALSE(testmedia::MarkedToneWav(dir, "tone.wav", 1.0, 0.1).empty());
    std::ofstream(dir + "/list.vpl", std::ios::binary) << "anim.gif\r\ntone.wav\r\n";
    std::ofstream(box.IniPath(), std::ios::binary)
        << "[MAIN]\r\nSIZE=0,0,380,310,1,0\r\n[VIEW]\r\nSIZE=400,0,720,240,1,0\r\n";

    VeltraProcess app(box, {dir + "/list.vpl"});
    const std::string win = WaitForMainWindow(app);
    ASSERT_FALSE(win.empty()) << app.Log();
    const std::string viewer =
        ShowFirstRow(app, win, "open row 0 mode 1 engine 1 ok: " + dir + "/anim.gif");
    ASSERT_FALSE(viewer.empty());

    // The middle of the viewer, read off the screen 25 times a second for five seconds.
    const std::vector<Shown> shown = Watch(WindowGeometry(viewer).center(), 5);
    std::string seen;
    for (const Shown& s : shown)
        seen += " " + QString::number(s.rgb, 16).toStdString() + "@" + std::to_string(s.ms);
    // The file's frames in order, over and over, each shown for its delay.
    ASSERT_GE(shown.size(), 7u) << "the picture did not change often enough:" << seen;
    // The first frame may have gone by before the first look.
    const unsigned order[] = {kRed, kGreen, kBlue};
    const size_t at = shown[0].rgb == kRed ? 0 : shown[0].rgb == kGreen ? 1 : 2;
    const double delays[] = {500, 1000, 500};
    for (size_t i = 0; i < shown.size(); ++i)
        EXPECT_EQ(shown[i].rgb, order[(at + i) % 3]) << "change " << i << ":" << seen;
    for (size_t i = 1; i + 1 < shown.size(); ++i)
        EXPECT_NEAR(shown[i + 1].ms - shown[i].ms, delays[(at + i) % 3], 200)
            << "change " << i << ":" << seen;

    // A picture never ends by itself: the list stays on it, with nothing playing.
    EXPECT_EQ(app.CountInLog("open row 1"), 0) << app.Log();
    EXPECT_EQ(app.CountInLog("end of row"), 0) << app.Log();
    EXPECT_TRUE(app.Running());
}

}  // namespace
