// Subtitles a video brings along: the file beside it found by its name, and the text drawn
// on the picture in the video area at the cue's time only, from a side file and from a
// stream inside MKV and MP4, at the size the area shows it, and hidden when asked.
#include <gst/gst.h>
#include <gtest/gtest.h>

#include <QImage>
#include <filesystem>

#include "engine/media_graph.h"
#include "engine/subtitle_source.h"
#include "engine/video_widget.h"
#include "platform/messages.h"
#include "tests/engine/graph_test_support.h"
#include "tests/support/media_factory.h"
#include "tests/support/subtitled_media.h"

namespace {

class SubtitleTest : public ::testing::Test {
  protected:
    void SetUp() override {
        gst_init(nullptr, nullptr);
        dir = testmedia::MakeTempDir("subtitles");
    }
    void TearDown() override {
        graph.Close();
        testmedia::RemoveTree(dir);
    }
    std::string Touch(const std::string& name) { return testmedia::WriteBytes(dir, name, "x"); }

    bool OpenInArea(const std::string& path, QSize area) {
        widget.resize(area);
        QRect r(QPoint(0, 0), area);
        graph.SetWindows(&notify, &widget, &r);
        return graph.Open(path.c_str(), FALSE) == S_OK;
    }
    // Light pixels in the lower third of the frame on screen and in the rest, once a frame
    // at the paused position has come.
    struct Text {
        int below = 0;
        int above = 0;
    };
    Text Measure(const QImage& frame) {
        const int third = frame.height() * 2 / 3;
        return {testmedia::LightPixels(frame, QRect(0, third, frame.width(), frame.height())),
                testmedia::LightPixels(frame, QRect(0, 0, frame.width(), third))};
    }
    // The text on the first frame shown once playback has passed the position.
    Text TextAfter(int tenths) {
        EXPECT_TRUE(PumpUntil([&] { return graph.GetPosition() >= tenths; }, 15000));
        const qint64 before = widget.CurrentFrame().cacheKey();
        EXPECT_TRUE(PumpUntil([&] { return widget.CurrentFrame().cacheKey() != before; }, 5000));
        return Measure(widget.CurrentFrame());
    }
    // Played from the start, the cue of 1.0 to 3.0 s is drawn low on the picture at 2 s and
    // nowhere before or after.
    void ExpectTheCueOnlyInItsTime() {
        ASSERT_TRUE(PumpUntil([&] { return !widget.CurrentFrame().isNull(); }, 10000));
        Text early = Measure(widget.CurrentFrame());
        EXPECT_EQ(early.below + early.above, 0) << "text before the cue";
        ASSERT_TRUE(graph.Restart());
        Text during = TextAfter(18);
        EXPECT_GT(during.below, 40) << "no text in the subtitle area during the cue";
        EXPECT_EQ(during.above, 0) << "text outside the subtitle area";
        Text late = TextAfter(34);
        EXPECT_EQ(late.below + late.above, 0) << "text after the cue";
    }

    std::string dir;
    GraphTestPrompts prompts;
    NotifyRecorder notify;
    VideoWidget widget;
    MediaGraph graph;
};

}  // namespace

TEST_F(SubtitleTest, TheSideFileIsTheOneNamedLikeTheVideoThePlainNameFirst) {
    const std::string video = Touch("movie.mkv");
    EXPECT_EQ(SideSubtitleFor(video), "");
    Touch("other.srt");
    Touch("movie.txt");
    Touch("moviex.srt");
    EXPECT_EQ(SideSubtitleFor(video), "") << "only the video's own name counts";
    const std::string tagged = Touch("movie.ja.srt");
    Touch("movie.zh.srt");
    EXPECT_EQ(SideSubtitleFor(video), tagged) << "tagged files in the order of their names";
    const std::string vtt = Touch("movie.vtt");
    EXPECT_EQ(SideSubtitleFor(video), vtt);
    const std::string plain = Touch("movie.SRT");
    EXPECT_EQ(SideSubtitleFor(video), plain) << "SubRip before WebVTT, any case";
    EXPECT_EQ(SideSubtitleFor(dir + "/missing/movie.mkv"), "");
    EXPECT_EQ(SideSubtitleFor(""), "");
}

TEST_F(SubtitleTest, ASideSubRipFileIsDrawnAtItsTimeAndCanBeHidden) {
    const std::string video = testmedia::PlainVideo(dir, "clip.avi", 5.0, 320, 240);
    ASSERT_FALSE(video.empty());
    ASSERT_FALSE(testmedia::Srt(dir, "clip.srt", 1.0, 3.0, "HELLO WORLD").empty());
    // Twice the video's size: the text is drawn there, not scaled up with the picture.
    ASSERT_TRUE(OpenInArea(video, QSize(640, 480)));
    ExpectTheCueOnlyInItsTime();
    const QImage frame = widget.CurrentFrame();
    EXPECT_EQ(frame.size(), QSize(640, 480));

    // Hidden in the middle of the cue, it goes from the next frame on; the choice holds for
    // the next file as well, until it is changed back.
    ASSERT_TRUE(OpenInArea(video, QSize(320, 240)));
    ASSERT_TRUE(graph.Restart());
    EXPECT_GT(TextAfter(15).below, 20);
    graph.ShowSubtitles(false);
    Text hidden = TextAfter(20);
    EXPECT_EQ(hidden.below + hidden.above, 0) << "hidden subtitles are drawn";
    ASSERT_TRUE(OpenInArea(video, QSize(320, 240)));
    ASSERT_TRUE(graph.Restart());
    EXPECT_EQ(TextAfter(15).below, 0);
    graph.ShowSubtitles(true);
    EXPECT_GT(TextAfter(20).below, 20);
}

TEST_F(SubtitleTest, ASideSubStationScriptIsDrawnAtItsTime) {
    const std::string video = testmedia::PlainVideo(dir, "clip.avi", 5.0, 320, 240);
    ASSERT_FALSE(video.empty());
    const std::string script = testmedia::Ass(dir, "clip.ass", 1.0, 3.0, "STYLED");
    ASSERT_FALSE(script.empty());
    EXPECT_EQ(SideSubtitleFor(video), script);
    ASSERT_TRUE(OpenInArea(video, QSize(320, 240)));
    ExpectTheCueOnlyInItsTime();
}

// The short subtitle stream ends while the paused picture waits: the restart must not hang.
TEST_F(SubtitleTest, TheFirstSubtitleStreamOfMkvAndMp4IsDrawn) {
    const std::string srt = testmedia::Srt(dir, "cue.srt", 1.0, 3.0, "INSIDE");
    const std::string ass = testmedia::Ass(dir, "cue.ass", 1.0, 3.0, "STYLED");
    for (const auto& [name, subs] :
         {std::pair{"text.mkv", srt}, std::pair{"text.mp4", srt}, std::pair{"styled.mkv", ass}}) {
        SCOPED_TRACE(name);
        const std::string video = testmedia::PlainVideo(dir, name, 5.0, 320, 240, subs);
        ASSERT_FALSE(video.empty());
        ASSERT_TRUE(OpenInArea(video, QSize(320, 240)));
        ExpectTheCueOnlyInItsTime();
    }
}

TEST_F(SubtitleTest, AGraphWithoutAnAreaAndAConversionLeaveTheSubtitlesOut) {
    const std::string video = testmedia::PlainVideo(dir, "clip.mkv", 3.0, 320, 240,
                                                    testmedia::Srt(dir, "s.srt", 0.0, 3.0, "X"));
    ASSERT_FALSE(video.empty());
    testmedia::Srt(dir, "clip.srt", 0.0, 3.0, "SIDE");
    graph.SetWindows(&notify, nullptr, nullptr);
    ASSERT_EQ(graph.Open(video.c_str(), FALSE), S_OK);
    ASSERT_TRUE(OpenInArea(video, QSize(320, 240)));
    const std::string out = dir + "/cut.avi";
    ASSERT_TRUE(graph.Convert(video.c_str(), ConversionMode::Avi, out.c_str(), 0, 20, 0))
        << std::hex << graph.GetLastError();
    ASSERT_TRUE(PumpUntil([&] { return notify.Count(UM_GRAPH_COMPLETE) > 0; }, 20000))
        << "the cut of a subtitled video never completed";
    EXPECT_EQ(notify.Count(UM_GRAPH_STOPPED), 0);
    EXPECT_TRUE(std::filesystem::exists(out));
}
