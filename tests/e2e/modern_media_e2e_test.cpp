// The real program with today's kinds: a WebM video plays in the viewer and the list
// advances to a GIF, which shows its first picture (held for many seconds) and keeps the
// list there, as pictures do.
#include <gtest/gtest.h>

#include <QImage>
#include <QThread>
#include <fstream>

#include "tests/e2e/program_test.h"
#include "tests/support/modern_media.h"

using namespace e2e;

namespace {

bool Near(QRgb a, QRgb b, int tolerance = 48) {
    return std::abs(qRed(a) - qRed(b)) <= tolerance &&
           std::abs(qGreen(a) - qGreen(b)) <= tolerance &&
           std::abs(qBlue(a) - qBlue(b)) <= tolerance;
}

// The viewer's picture inside its frame.
QImage Picture(const std::string& viewer) {
    const QRect vg = WindowGeometry(viewer);
    return ScreenshotOf(QRect(vg.x() + 15, vg.y() + 25, vg.width() - 30, vg.height() - 45));
}

QPoint BarPoint(const QImage& shot, int bar) {
    return QPoint(shot.width() * (2 * bar + 1) / 14, shot.height() / 4);
}

// Whether the colour bars stand across the top of the picture (or it cannot be read back).
bool BarsShown(const std::string& viewer) {
    const QImage shot = Picture(viewer);
    if (shot.isNull())
        return true;
    for (int i = 0; i < 7; ++i)
        if (!Near(shot.pixel(BarPoint(shot, i)), testmedia::kSmpteBars[i]))
            return false;
    return true;
}

void ExpectBarsIn(const std::string& viewer) {
    const QImage shot = Picture(viewer);
    if (shot.isNull())
        GTEST_SKIP() << "the screen's visual cannot be read back";
    for (int i = 0; i < 7; ++i) {
        const QPoint p = BarPoint(shot, i);
        EXPECT_TRUE(Near(shot.pixel(p), testmedia::kSmpteBars[i]))
            << "bar " << i << " is " << std::hex << shot.pixel(p);
    }
}

using ModernMediaE2E = ProgramTest;

TEST_F(ModernMediaE2E, VideoPlaysInTheViewerAndAGifStaysOnItsFirstPicture) {
    const std::string dir = box.MediaDir();
    const std::string clip = testmedia::ModernMedia(dir, "clip.webm", 1.0, 0.5);
    const std::string gif = testmedia::ModernMedia(dir, "still.gif", 1.0, 0.5);
    const std::string song = testmedia::ModernMedia(dir, "song.flac", 1.0, 0.5);
    ASSERT_FALSE(clip.empty() || gif.empty() || song.empty());
    std::ofstream(dir + "/list.vpl", std::ios::binary) << "clip.webm\r\nstill.gif\r\nsong.flac\r\n";
    std::ofstream(box.IniPath(), std::ios::binary)
        << "[MAIN]\r\nSIZE=0,0,380,310,1,0\r\n[VIEW]\r\nSIZE=400,0,720,240,1,0\r\n";

    VeltraProcess app(box, {dir + "/list.vpl"});
    const std::string win = WaitForMainWindow(app);
    ASSERT_FALSE(win.empty()) << app.Log();
    const std::string viewer = ShowFirstRow(app, win, "open row 0 mode 2 engine 1 ok: " + clip);
    ASSERT_FALSE(viewer.empty());
    WaitFor([&] { return BarsShown(viewer); }, 30000);
    ExpectBarsIn(viewer);

    // At the video's end the list moves on to the picture, which never ends by itself.
    ASSERT_TRUE(app.WaitForLog("open row 1 mode 1 engine 1 ok: " + gif, 8000)) << app.Log();
    WaitFor([&] { return BarsShown(viewer); }, 30000);
    // Longer than the GIF's own second: what is checked is that its length passing moves
    // nothing on, and a held picture has no clock of its own to watch.
    QThread::msleep(1500);
    ExpectBarsIn(viewer);
    EXPECT_EQ(app.CountInLog("open row 2"), 0) << app.Log();
    EXPECT_TRUE(app.Running());
}

}  // namespace
