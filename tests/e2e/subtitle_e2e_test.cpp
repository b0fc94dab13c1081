// The real program shows the subtitles of a video without being asked: the text of the
// file beside it appears in the lower part of the viewer's picture while its cue lasts and
// goes when it ends, and after the viewer's J key the next cue does not show.
#include <gtest/gtest.h>

#include <algorithm>

#include "tests/e2e/program_test.h"
#include "tests/support/media_factory.h"
#include "tests/support/subtitled_media.h"

using namespace e2e;

namespace {

class SubtitleE2E : public ProgramTest {
  protected:
    // Light pixels in the lower third of the viewer's video area and in the rest.
    std::pair<int, int> TextOnScreen(const std::string& viewer) {
        const QRect g = WindowGeometry(viewer);
        const QImage shot =
            ScreenshotOf(QRect(g.x() + 15, g.y() + 25, g.width() - 30, g.height() - 45));
        if (shot.isNull())
            return {-1, -1};
        const int third = shot.height() * 2 / 3;
        return {testmedia::LightPixels(shot, QRect(0, third, shot.width(), shot.height())),
                testmedia::LightPixels(shot, QRect(0, 0, shot.width(), third))};
    }
};

}  // namespace

TEST_F(SubtitleE2E, TheSideFilesCueShowsInThePictureWhileItLastsAndJHidesIt) {
    const std::string clip = testmedia::PlainVideo(box.MediaDir(), "talk.avi", 9.0, 320, 240);
    ASSERT_FALSE(clip.empty());
    ASSERT_FALSE(testmedia::WriteBytes(box.MediaDir(), "talk.srt",
                                       "1\n00:00:01,000 --> 00:00:03,500\nHELLO WORLD\n\n"
                                       "2\n00:00:05,500 --> 00:00:09,000\nAGAIN\n\n")
                     .empty());
    std::string main;
    auto app = Start({clip}, &main);
    ASSERT_FALSE(main.empty());
    const std::string viewer = ShowFirstRow(*app, main, "open row 0 mode 2 engine 1 ok", 10000);
    ASSERT_FALSE(viewer.empty());
    if (TextOnScreen(viewer).first < 0)
        GTEST_SKIP() << "the screen's visual cannot be read back";

    std::pair<int, int> during;
    ASSERT_TRUE(WaitFor(
        [&] {
            during = TextOnScreen(viewer);
            return during.first > 40;
        },
        10000))
        << "the cue never showed";
    EXPECT_EQ(during.second, 0) << "text outside the subtitle area";
    // The first cue ends at 3.5 s; hidden meanwhile, the second (from 5.5 s) never shows.
    ASSERT_TRUE(WaitFor([&] { return TextOnScreen(viewer).first == 0; }, 10000))
        << "the cue outlasted its time";
    Key(viewer, "j");
    ASSERT_TRUE(app->WaitForLog("viewer subtitles hidden", 5000)) << app->Log();
    // Watched to the clip's end, which comes only after the second cue's whole time.
    int shown = 0;
    EXPECT_TRUE(WaitFor(
        [&] {
            if (app->CountInLog("end of row") > 0)
                return true;
            shown = std::max(shown, TextOnScreen(viewer).first);
            return false;
        },
        30000))
        << "the clip never ended";
    EXPECT_EQ(shown, 0) << "hidden subtitles showed";
}
